// What the configurator's form knows about its fields: the units values are shown and typed in, the
// minimums that hold for certain, and which fields a report's failure or warning concerns. Plain
// functions of data, without the page.
//
// Field names are those of the form's inputs: `inputs.<Name>`, `ports.<i>.<field>` (i: the position in the
// part's port list) and `operator.<Name>`.

import { SHOWN_UNITS, formatShown } from './quantity.js';

export const DEFAULT_UNITS = { length: 'mm', angle: 'deg' };
export const LENGTH_UNITS = ['mm', 'in', 'm'];
export const ANGLE_UNITS = ['deg', 'rad'];

// The unit a field of `kind` shows its values in.
export function unitFor(kind, units) {
  if (kind === 'angle') return SHOWN_UNITS[units.angle] ?? SHOWN_UNITS.rad;
  if (kind === 'count') return SHOWN_UNITS.count;
  return SHOWN_UNITS[units.length] ?? SHOWN_UNITS.m;
}

// What is wrong with a value below the minimum the definition gives ({ above } or { atLeast }), or ''.
export function belowMinimum(minimum, value) {
  if (!minimum) return '';
  if ('above' in minimum && !(value > minimum.above)) return minimum.above === 0 ? 'must be above zero' : `must be above ${minimum.above}`;
  if ('atLeast' in minimum && !(value >= minimum.atLeast)) return minimum.atLeast === 0 ? 'cannot be negative' : `must be at least ${minimum.atLeast}`;
  return '';
}

// Lengths a report gives in metres ("is 0 m", "over 20 m") in the unit the form shows.
export function inUnits(text, units) {
  const unit = unitFor('length', units);
  if (unit.label === 'm') return text;
  return String(text).replace(/(-?\d+(?:\.\d+)?(?:e[-+]?\d+)?) m\b/g, (_, number) => `${formatShown(Number(number), unit)} ${unit.label}`);
}

// `port2.flangeOD` (the port with index 2) as the form's `ports.<i>.flangeOD`.
function portField(part, index, key) {
  const at = (part.ports ?? []).findIndex((p) => Number(p.index) === Number(index));
  return at < 0 ? null : `ports.${at}.${key}`;
}

// The form field a value the symbol read stands for: input names, `portN.field` and operator inputs.
export function fieldOfRead(part, name) {
  const port = /^port(\d+)\.(\w+)$/.exec(name);
  if (port) return portField(part, port[1], port[2]);
  if (part.inputs && name in part.inputs) return `inputs.${name}`;
  if (part.operator?.inputs && name in part.operator.inputs) return `operator.${name}`;
  return null;
}

// The fields a warning of the report names: "input X ...", "port N ... flange OD ... pipe OD ...".
export function fieldsOfWarning(part, text) {
  const input = /^input (\w+) /.exec(text);
  if (input) return part.inputs && input[1] in part.inputs ? [`inputs.${input[1]}`] : [];
  const port = /^port (\d+) /.exec(text);
  if (!port) return [];
  const fields = [];
  if (/flange OD|flange diameter/.test(text)) fields.push(portField(part, port[1], 'flangeOD'));
  if (/pipe OD|pipe diameter/.test(text)) fields.push(portField(part, port[1], 'pipeOD'));
  return fields.filter(Boolean);
}

// Kernel messages in words a person filling the form understands.
const REASONS = [
  [/radius must be positive/i, 'a radius works out at zero or less'],
  [/(null|zero)[- ]length|has no length|points? (are|is) (the same|coincident)|confused/i, 'a length works out at zero, so two points of the body fall together'],
  [/height must be positive|length must be positive/i, 'a length works out at zero or less'],
  [/not (a )?valid|invalid/i, 'the shape it makes is not a valid solid'],
  [/time limit|ran out of time/i, 'the part takes too long to build'],
];

export function reasonInWords(message) {
  for (const [pattern, words] of REASONS) if (pattern.test(message ?? '')) return words;
  return '';
}

// Values whose zero is ordinary (an offset, a depth, an angle, a class code): never suspects.
const ORDINARY_ZERO = /Offset|depth|Angle|terminationClass|endType|attribute|npd/;
// A failure marks at most this many fields.
const MOST_MARKED = 3;

// The value a form field holds in a part.
export function valueOf(part, field) {
  const [kind, a, b] = field.split('.');
  if (kind === 'inputs') return part?.inputs?.[a];
  if (kind === 'ports') return part?.ports?.[Number(a)]?.[b];
  if (kind === 'operator') return part?.operator?.inputs?.[a];
  return undefined;
}

// The problems a report raises, each { level: 'error'|'warning', text, short, fields, error }: failed
// aspects and the plausibility warnings. A failure concerns the values the failing routine read; of those
// it marks the ones that can explain it, at most three: the field just edited (`edited`) first, else those
// a warning names; then those that differ from the last part that built (`previous`); only when none of
// these was read, the values that are zero or less where that cannot be meant.
export function problemsOf(part, report, { edited = null, previous = null } = {}) {
  const problems = [];
  const warned = new Set((report?.warnings ?? []).flatMap((w) => fieldsOfWarning(part, w)));
  for (const aspect of report?.aspects ?? []) {
    if (aspect.ok) continue;
    const error = aspect.error ?? {};
    const values = error.values ?? {};
    const read = Object.keys(values).map((name) => ({ name, field: fieldOfRead(part, name), value: values[name] })).filter((r) => r.field);
    const fields = [];
    const add = (field) => fields.length < MOST_MARKED && !fields.includes(field) && fields.push(field);
    const editedRead = edited && read.some((r) => r.field === edited);
    if (editedRead) add(edited);
    else for (const r of read) if (warned.has(r.field)) add(r.field);
    if (previous) for (const r of read) if (valueOf(previous, r.field) !== valueOf(part, r.field)) add(r.field);
    if (!fields.length)
      for (const r of read) if (!ORDINARY_ZERO.test(r.name) && typeof r.value === 'number' && r.value <= 0) add(r.field);
    const words = reasonInWords(error.message);
    problems.push({ level: 'error', aspect: aspect.name, short: words || 'these values do not make a body the symbol can build', fields, error });
  }
  for (const warning of report?.warnings ?? [])
    problems.push({ level: 'warning', text: warning, short: warning, fields: fieldsOfWarning(part, warning) });
  // Values the symbol builds without complaint but that cannot be meant: a pipe OD of zero or less.
  for (const [i, port] of (part.ports ?? []).entries())
    if (!(port.pipeOD > 0) && !(report?.warnings ?? []).some((w) => w.startsWith(`port ${port.index} `)))
      problems.push({ level: 'warning', text: `port ${port.index} pipe OD is ${port.pipeOD ?? 0} m: it must be above zero`, short: 'must be above zero', fields: [`ports.${i}.pipeOD`] });
  return problems;
}
