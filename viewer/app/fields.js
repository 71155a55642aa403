// What the configurator's form knows about its fields: the units values are shown and typed in, the
// minimums that hold for certain, and which fields a report's failure or warning concerns. Plain
// functions of data, without the page.
//
// Field names are those of the form's inputs: `inputs.<Name>`, `ports.<i>.<field>` (i: the position in the
// part's port list) and `operator.<Name>`.

// Lengths and angles: the part and the API always hold metres and radians; the form shows one of these.
export const LENGTH_UNITS = {
  mm: { label: 'mm', perBase: 1000, step: 1 },
  in: { label: 'in', perBase: 1 / 0.0254, step: 1 / 16 },
  m: { label: 'm', perBase: 1, step: 0.001 },
};
export const ANGLE_UNITS = {
  deg: { label: '°', perBase: 180 / Math.PI, step: 1 },
  rad: { label: 'rad', perBase: 1, step: 0.01 },
};
export const DEFAULT_UNITS = { length: 'mm', angle: 'deg' };

// Whether an input holds an angle (the operator's rotation) rather than a length.
export const isAngle = (name) => /Angle$/.test(name);

export function unitFor(name, units) {
  return isAngle(name) ? ANGLE_UNITS[units.angle] ?? ANGLE_UNITS.rad : LENGTH_UNITS[units.length] ?? LENGTH_UNITS.m;
}

// A value in metres or radians as the form shows it: twelve significant digits, so that 0.0239 m reads
// 23.9 mm rather than 23.900000000000002.
export function toShown(value, unit) {
  return String(Number((value * unit.perBase).toPrecision(12)));
}

// A typed value back in metres or radians, or null when the text is no number yet.
export function fromTyped(text, unit) {
  if (String(text).trim() === '') return null;
  const number = Number(text);
  return Number.isFinite(number) ? Number((number / unit.perBase).toPrecision(15)) : null;
}

// The fields a face-to-face is given in: they must be above zero.
const FACE_TO_FACE = new Set(['FacetoFace', 'ValveFacetoFace', 'EndtoEnd']);

// The minimum a value certainly has, as { above } (strictly more than) or { atLeast }, or null when the
// definition allows any value (offsets, angles, the operator's inputs).
export function minimumOf(field) {
  const [kind, a, b] = field.split('.');
  if (kind === 'inputs' && FACE_TO_FACE.has(a)) return { above: 0 };
  if (kind === 'inputs' && (/Diameter|Thickness$/.test(a) || a === 'InsulationThickness')) return { atLeast: 0 };
  if (kind === 'ports' && b === 'pipeOD') return { above: 0 };
  if (kind === 'ports' && (b === 'flangeOD' || b === 'flangeThickness')) return { atLeast: 0 };
  return null;
}

// What is wrong with a value below its minimum, in words, or ''.
export function belowMinimum(field, value) {
  const minimum = minimumOf(field);
  if (!minimum) return '';
  if ('above' in minimum && !(value > minimum.above)) return 'must be above zero';
  if ('atLeast' in minimum && !(value >= minimum.atLeast)) return 'cannot be negative';
  return '';
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

// The problems a report raises, each { level: 'error'|'warning', text, short, fields }: failed aspects and
// the plausibility warnings. A failure concerns the values the failing routine read; of those, the fields
// are the ones a warning names or that are zero or less where that cannot be meant, else the field just
// edited (`edited`) when the routine read it.
export function problemsOf(part, report, edited = null) {
  const problems = [];
  const warned = new Set((report?.warnings ?? []).flatMap((w) => fieldsOfWarning(part, w)));
  for (const aspect of report?.aspects ?? []) {
    if (aspect.ok) continue;
    const error = aspect.error ?? {};
    const values = error.values ?? {};
    const read = Object.keys(values).map((name) => ({ name, field: fieldOfRead(part, name), value: values[name] })).filter((r) => r.field);
    let fields = read.filter((r) => warned.has(r.field) || (!ORDINARY_ZERO.test(r.name) && typeof r.value === 'number' && r.value <= 0)).map((r) => r.field);
    if (!fields.length && edited && read.some((r) => r.field === edited)) fields = [edited];
    fields = [...new Set(fields)];
    const words = reasonInWords(error.message);
    const where = error.where ? ` (in ${error.where})` : '';
    const text = `The ${aspect.name} aspect cannot be built: ${words ? `${words} — ` : ''}${error.message ?? 'error'}${where}.`;
    problems.push({ level: 'error', aspect: aspect.name, text, short: words || error.message || 'cannot be built', fields });
  }
  for (const warning of report?.warnings ?? [])
    problems.push({ level: 'warning', text: warning, short: warning, fields: fieldsOfWarning(part, warning) });
  // Values the symbol builds without complaint but that cannot be meant: a pipe OD of zero or less.
  for (const [i, port] of (part.ports ?? []).entries())
    if (!(port.pipeOD > 0) && !(report?.warnings ?? []).some((w) => w.startsWith(`port ${port.index} `)))
      problems.push({ level: 'warning', text: `port ${port.index} pipe OD is ${port.pipeOD ?? 0} m: it must be above zero`, short: 'must be above zero', fields: [`ports.${i}.pipeOD`] });
  return problems;
}
