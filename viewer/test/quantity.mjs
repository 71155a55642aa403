// What the configurator's fields read from typed text (viewer/app/quantity.js), case by case: decimal
// commas and points in either locale, units converted to the field's unit, inch fractions, and the text
// refused with what was not understood. Usage: node viewer/test/quantity.mjs (exits 1 on a failure).
import { SHOWN_UNITS, formatShown, readQuantity, stepValue } from '../app/quantity.js';

const { mm, in: inch, m, deg, rad } = SHOWN_UNITS;
const EN = 'en-US';
const DE = 'de-DE';
let failed = 0;
const check = (name, ok, detail = '') => {
  if (!ok) failed += 1;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${ok ? '' : ` — ${detail}`}`);
};
const near = (a, b) => Math.abs(a - b) <= 1e-12 * Math.max(1, Math.abs(b));

// [typed, field unit, locale, value in metres or radians, what the field says it read]
const READ = [
  ['98,5', mm, EN, 0.0985, '98.5 mm'],
  ['98,5', mm, DE, 0.0985, '98.5 mm'],
  ['98.5', mm, DE, 0.0985, '98.5 mm'],
  ['1,234.5', mm, DE, 1.2345, '1234.5 mm'],
  ['1.234,5', mm, EN, 1.2345, '1234.5 mm'],
  ['1,234', mm, EN, 1.234, '1234 mm'],
  ['1,234', mm, DE, 0.001234, '1.234 mm'],
  ['1.234', mm, DE, 1.234, '1234 mm'],
  ['1.234', mm, EN, 0.001234, '1.234 mm'],
  ['0,125', mm, EN, 0.000125, '0.125 mm'],
  ['1,234,567', mm, EN, 1234.567, '1234567 mm'],
  [',5', mm, EN, 0.0005, '0.5 mm'],
  ['12.5in', mm, EN, 0.3175, '317.5 mm'],
  ['12.5 in', mm, EN, 0.3175, '317.5 mm'],
  ['292 m', mm, EN, 292, '292000 mm'],
  ['30 cm', mm, EN, 0.3, '300 mm'],
  ['2 ft', mm, EN, 0.6096, '609.6 mm'],
  ['12"', mm, EN, 0.3048, '304.8 mm'],
  ['3/4 in', mm, EN, 0.01905, '19.05 mm'],
  ['1 1/2"', mm, EN, 0.0381, '38.1 mm'],
  ['1 1/2', inch, EN, 0.0381, '1.5 in'],
  ['12', inch, EN, 0.3048, '12 in'],
  ['300 mm', inch, EN, 0.3, '11.811 in'],
  ['-5', mm, EN, -0.005, '-5 mm'],
  ['−5 mm', mm, EN, -0.005, '-5 mm'],
  ['  42  ', m, EN, 42, '42 m'],
  ['45°', rad, EN, Math.PI / 4, '0.785398 rad'],
  ['45 deg', rad, EN, Math.PI / 4, '0.785398 rad'],
  ['1 rad', deg, EN, 1, '57.2958°'],
  ['90', deg, EN, Math.PI / 2, '90°'],
];
for (const [typed, unit, locale, value, read] of READ) {
  const kind = unit.kind;
  const got = readQuantity(typed, { kind, unit, locale });
  check(`reads ${JSON.stringify(typed)} in a ${unit.label || 'count'} field (${locale})`,
    !got.error && near(got.value, value) && got.read === read, JSON.stringify(got));
}

// [typed, kind, field unit, words the error must hold]
const REFUSED = [
  ['0x10', 'length', mm, /“x10” after 0 is not understood/],
  ['abc', 'length', mm, /“abc” is not a number/],
  ['12 kg', 'length', mm, /“kg”/],
  ['5 mm', 'angle', deg, /mm is a unit of length; this field takes an angle/],
  ['5°', 'length', mm, /° is a unit of angle; this field takes a length/],
  ['3/4', 'length', mm, /fractions are read for inches only/],
  ['3/4 mm', 'length', inch, /fractions are read for inches only/],
  ['1/0 in', 'length', mm, /division by zero/],
  ['1,2,3', 'length', mm, /“1,2,3” is not a number/],
  ['1.2.3,4', 'length', mm, /is not a number/],
  ['-', 'length', mm, /is not a number/],
  ['', 'length', mm, /a value is needed/],
  ['2.5', 'count', SHOWN_UNITS.count, /not a whole number/],
  ['2 mm', 'count', SHOWN_UNITS.count, /whole number without a unit/],
];
for (const [typed, kind, unit, words] of REFUSED) {
  const got = readQuantity(typed, { kind, unit, locale: EN });
  check(`refuses ${JSON.stringify(typed)} as ${kind}`, got.error && words.test(got.error) && got.value === undefined, JSON.stringify(got));
}

// Shown values: sensible digits per unit.
const SHOWN = [
  [0.12, inch, '4.7244'],
  [0.0239, mm, '23.9'],
  [0.1 + 0.2, m, '0.3'],
  [Math.PI, deg, '180'],
  [1e-9, mm, '0.000001'],
];
for (const [value, unit, text] of SHOWN) check(`shows ${value} in ${unit.label} as ${text}`, formatShown(value, unit) === text, formatShown(value, unit));

// Arrow steps land on the unit's grid.
const STEPS = [
  [0.292, mm, 1, 0.293],
  [0.2921, mm, 1, 0.293],
  [0.2921, mm, -1, 0.292],
  [11.49 * 0.0254, inch, 1, 11.5 * 0.0254],
  [11.5 * 0.0254, inch, 1, 11.5625 * 0.0254],
  [11.5 * 0.0254, inch, -1, 11.4375 * 0.0254],
];
for (const [value, unit, direction, expected] of STEPS)
  check(`steps ${value} ${direction > 0 ? 'up' : 'down'} in ${unit.label}`, near(stepValue(value, unit, direction), expected), String(stepValue(value, unit, direction)));

console.log(failed ? `${failed} failed` : 'all passed');
process.exit(failed ? 1 : 0);
