// Which fields a build's report marks (viewer/app/fields.js), on a jacketed body with four socket-weld
// ports whose flange values are zero by design: a failure marks only the fields that can explain it, at
// most three, the edited one first; minimums from the definition; lengths of the report in the form's
// unit. Usage: node viewer/test/fields.mjs (exits 1 on a failure).
import { belowMinimum, inUnits, problemsOf } from '../app/fields.js';

let failed = 0;
const check = (name, ok, detail = '') => {
  if (!ok) failed += 1;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${ok ? '' : ` — ${detail}`}`);
};
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);

const port = (index, pipeOD, flange) => ({ index, pipeOD, flangeOD: flange ? 0.2286 : 0, flangeThickness: flange ? 0.0239 : 0, cptOffset: 0, depth: 0 });
const catalogue = {
  partDataBasis: 2381,
  inputs: { A: 0.15, B: 0.1, C: 0.07, D: 0.045, E: 0.22, FacetoFace: 0.292, InsulationThickness: 0.04 },
  ports: [port(1, 0.1143, true), port(2, 0.1143, true), port(3, 0.0334, false), port(4, 0.0334, false), port(5, 0.0213, false), port(6, 0.0213, false)],
};
const withB = (b) => ({ ...catalogue, inputs: { ...catalogue.inputs, B: b } });
const withPorts = (ports) => ({ ...catalogue, ports });

// The values a failing routine read, as the report gives them: every input and every port's values.
function failedReport(part, warnings) {
  const values = { ...part.inputs, HandwheelAngle: 0 };
  for (const p of part.ports)
    for (const key of ['pipeOD', 'flangeThickness', 'flangeOD', 'cptOffset', 'depth']) values[`port${p.index}.${key}`] = p[key];
  return {
    warnings,
    aspects: [{ name: 'Physical', ok: false, outputs: [], error: { code: '0x80004005', message: 'elliptical arc: the minor-to-major ratio must not be negative', where: 'runPDB2381', values } }],
  };
}

const tiny = withB(-0.1);
const bWarned = failedReport(tiny, ['input B is negative (-0.1 m)']);
const silent = failedReport(withB(1e-9), []);
const flange3 = withPorts(catalogue.ports.map((p) => (p.index === 3 ? { ...p, flangeOD: 0.05 } : p)));
// [case, part, report, context, the fields the failure marks]
const MARKS = [
  ['edited B, warned', tiny, bWarned, { edited: 'inputs.B', previous: catalogue }, ['inputs.B']],
  ['B from a link, warned, nothing edited', tiny, bWarned, {}, ['inputs.B']],
  ['edited B, no warning: the edited field alone', withB(1e-9), silent, { edited: 'inputs.B', previous: catalogue }, ['inputs.B']],
  ['edited B after port 3 built: the edited field alone', { ...flange3, inputs: withB(1e-9).inputs }, failedReport({ ...flange3, inputs: withB(1e-9).inputs }, []),
    { edited: 'inputs.B', previous: flange3 }, ['inputs.B']],
  ['edited B with port 3 changed too: edited first, then the other change', { ...flange3, inputs: withB(1e-9).inputs }, failedReport({ ...flange3, inputs: withB(1e-9).inputs }, []),
    { edited: 'inputs.B', previous: catalogue }, ['inputs.B', 'ports.2.flangeOD']],
  ['nothing edited, nothing changed: at most three of the zeros', withB(1e-9), silent, {}, ['ports.2.flangeThickness', 'ports.2.flangeOD', 'ports.3.flangeThickness']],
];
for (const [name, part, report, context, fields] of MARKS) {
  const error = problemsOf(part, report, context).find((p) => p.level === 'error');
  check(`marks: ${name}`, same(error?.fields, fields), JSON.stringify(error?.fields));
}
const unrelated = problemsOf(tiny, failedReport(tiny, ['input B is negative (-0.1 m)', 'port 1 flange OD 0.1 m is not above pipe OD 0.1143 m']), { edited: 'inputs.B', previous: catalogue }).find((p) => p.level === 'error');
check('marks: a warning about another value adds nothing to the edited field', same(unrelated.fields, ['inputs.B']), JSON.stringify(unrelated.fields));
const twoChanged = problemsOf(withB(1e-9), silent, { edited: 'inputs.Width', previous: withB(0.1) }).find((p) => p.level === 'error');
check('marks: the changed value when the edited one was not read', same(twoChanged.fields, ['inputs.B']), JSON.stringify(twoChanged.fields));
const words = problemsOf(tiny, bWarned, { edited: 'inputs.B' }).find((p) => p.level === 'error');
check('marks: the reason holds no internal wording', !/minor-to-major|0x8|runPDB/.test(words.short) && words.error.where === 'runPDB2381', words.short);

// [minimum from the definition, value, what is wrong ('' when nothing)]
const MINIMUMS = [
  [{ above: 0 }, 0, 'must be above zero'],
  [{ above: 0 }, 1e-9, ''],
  [{ atLeast: 0 }, 0, ''],
  [{ atLeast: 0 }, -0.2, 'cannot be negative'],
  [undefined, -5, ''],
];
for (const [minimum, value, wrong] of MINIMUMS) check(`minimum ${JSON.stringify(minimum)} of ${value}`, belowMinimum(minimum, value) === wrong, belowMinimum(minimum, value));

// [report text, units, as the form says it]
const UNITS = [
  ['input B is negative (-0.1 m)', { length: 'mm' }, 'input B is negative (-100 mm)'],
  ['input FacetoFace is over 20 m', { length: 'mm' }, 'input FacetoFace is over 20000 mm'],
  ['port 2 flange OD 0.1143 m is not above pipe OD 0.1143 m', { length: 'in' }, 'port 2 flange OD 4.5 in is not above pipe OD 4.5 in'],
  ['input B is negative (-0.1 m)', { length: 'm' }, 'input B is negative (-0.1 m)'],
];
for (const [text, units, said] of UNITS) check(`in ${units.length}: ${text}`, inUnits(text, units) === said, inUnits(text, units));

console.log(failed ? `${failed} failed` : 'all passed');
process.exit(failed ? 1 : 0);
