// Reading what a person types into a field: a number with a decimal comma or point, an optional unit after
// it (converted to the field's unit) and simple fractions of an inch. Plain functions of text, without the
// page, so that node can test them.
//
// A field has a kind ('length', 'angle' or 'count') and a unit it shows values in; the part holds lengths
// in metres and angles in radians. `readQuantity` answers { value } in metres, radians or a whole count,
// with `read` saying what was understood ("317.5 mm"), or { error } naming what was not.

// Units a value may be typed in, by kind: the factor to metres or radians.
const TYPED_UNITS = {
  length: [
    [['mm', 'millimetre', 'millimetres', 'millimeter', 'millimeters'], 0.001, 'mm'],
    [['cm'], 0.01, 'cm'],
    [['m', 'metre', 'metres', 'meter', 'meters'], 1, 'm'],
    [['in', 'inch', 'inches', '"', '″', "''"], 0.0254, 'in'],
    [['ft', 'foot', 'feet', "'", '′'], 0.3048, 'ft'],
  ],
  angle: [
    [['°', 'deg', 'degree', 'degrees', 'º'], Math.PI / 180, '°'],
    [['rad', 'radian', 'radians'], 1, 'rad'],
  ],
  count: [],
};

// The units the form shows values in: the factor from metres or radians, the digits worth showing and the
// step of the arrow keys.
export const SHOWN_UNITS = {
  mm: { kind: 'length', label: 'mm', perBase: 1000, digits: 3, step: 1 },
  in: { kind: 'length', label: 'in', perBase: 1 / 0.0254, digits: 4, step: 1 / 16 },
  m: { kind: 'length', label: 'm', perBase: 1, digits: 6, step: 0.001 },
  deg: { kind: 'angle', label: '°', perBase: 180 / Math.PI, digits: 4, step: 1 },
  rad: { kind: 'angle', label: 'rad', perBase: 1, digits: 6, step: 0.01 },
  count: { kind: 'count', label: '', perBase: 1, digits: 0, step: 1 },
};

function unitOfText(text) {
  const key = text.toLowerCase();
  for (const [kind, units] of Object.entries(TYPED_UNITS))
    for (const [names, factor, label] of units) if (names.includes(key)) return { kind, factor, label };
  return null;
}

// The decimal separator of a locale: ',' or '.'.
export function decimalSeparator(locale) {
  try {
    const part = new Intl.NumberFormat(locale || undefined).formatToParts(1.5).find((p) => p.type === 'decimal');
    return part?.value === ',' ? ',' : '.';
  } catch {
    return '.';
  }
}

// Digits with commas and points as the number they mean, or null. Where both appear the last is the
// decimal separator and the other groups thousands; a lone separator is decimal unless it is followed by
// exactly three digits after a non-zero whole part ("1,234"), which only the locale can settle.
function readDigits(text, decimal) {
  if (!/^(\d[\d,.]*|[.,]\d+)$/.test(text)) return null;
  const commas = (text.match(/,/g) ?? []).length;
  const points = (text.match(/\./g) ?? []).length;
  const grouped = (body, sep) => {
    const groups = body.split(sep);
    return /^[1-9]\d{0,2}$/.test(groups[0]) && groups.slice(1).every((g) => /^\d{3}$/.test(g)) ? groups.join('') : null;
  };
  let whole;
  let fraction = '';
  if (commas && points) {
    const [dec, group] = text.lastIndexOf(',') > text.lastIndexOf('.') ? [',', '.'] : ['.', ','];
    const at = text.lastIndexOf(dec);
    if (text.indexOf(dec) !== at) return null;
    whole = grouped(text.slice(0, at), group);
    fraction = text.slice(at + 1);
    if (whole === null || !/^\d*$/.test(fraction)) return null;
  } else if (commas + points === 0) {
    whole = text;
  } else {
    const sep = commas ? ',' : '.';
    const [before, ...rest] = text.split(sep);
    if (rest.length > 1) {
      whole = grouped(text, sep);
      if (whole === null) return null;
    } else {
      const after = rest[0];
      const couldGroup = after.length === 3 && /^[1-9]\d{0,2}$/.test(before);
      if (couldGroup && decimal !== sep) whole = before + after;
      else {
        if (after === '' && before === '') return null;
        whole = before;
        fraction = after;
      }
    }
  }
  const number = Number(`${whole || '0'}.${fraction || '0'}`);
  return Number.isFinite(number) ? number : null;
}

// A value in metres or radians as a field in `unit` shows it: at most the unit's digits, no trailing zeros.
export function formatShown(value, unit) {
  const shown = value * unit.perBase;
  // A value too small for the unit's digits keeps three significant ones rather than reading 0.
  const rounded = Number(shown.toFixed(unit.digits)) === 0 && shown !== 0 ? Number(shown.toPrecision(3)) : Number(shown.toFixed(unit.digits));
  return String(Object.is(rounded, -0) ? 0 : rounded);
}

// What the text in a field of `kind` shown in `unit` (a SHOWN_UNITS entry) means. `locale` settles
// "1,234" and "1.234". Answers { value, read } or { error }; empty text is { empty: true }.
export function readQuantity(text, { kind = 'length', unit = SHOWN_UNITS.mm, locale } = {}) {
  const source = String(text ?? '').trim().replace(/\u2212/g, '-');
  if (source === '') return { empty: true, error: 'a value is needed' };
  const decimal = decimalSeparator(locale);
  // Sign, number (digits, a fraction a/b or a whole and a fraction), then an optional unit.
  const match = /^([+-]?)\s*(?:(\d+)\s+(\d+)\s*\/\s*(\d+)|(\d+)\s*\/\s*(\d+)|(\d[\d,.]*|[.,]\d+))\s*(.*)$/.exec(source);
  if (!match) return { error: `“${source}” is not a number` };
  const [, sign, mixedWhole, mixedTop, mixedBottom, top, bottom, digits, rest] = match;
  const unitText = rest.trim();
  let typedUnit = null;
  if (unitText) {
    typedUnit = unitOfText(unitText);
    if (!typedUnit) {
      // Whatever follows the number and is no unit ("x10" of "0x10", "kg") is named.
      return { error: `“${unitText}” after ${source.slice(0, source.length - rest.length).trim()} is not understood` };
    }
    if (typedUnit.kind !== kind) {
      const wanted = kind === 'count' ? 'a whole number without a unit' : `${kind === 'angle' ? 'an' : 'a'} ${kind}`;
      return { error: `${typedUnit.label} is a unit of ${typedUnit.kind}; this field takes ${wanted}` };
    }
  }
  let number;
  const fraction = top !== undefined || mixedTop !== undefined;
  if (fraction) {
    const inches = typedUnit ? typedUnit.label === 'in' : unit.label === 'in';
    if (!inches) return { error: 'fractions are read for inches only (3/4 in)' };
    const [n, d] = top !== undefined ? [top, bottom] : [mixedTop, mixedBottom];
    if (Number(d) === 0) return { error: `${n}/${d}: division by zero` };
    number = (mixedWhole !== undefined ? Number(mixedWhole) : 0) + Number(n) / Number(d);
  } else {
    number = readDigits(digits, decimal);
    if (number === null) return { error: `“${digits}” is not a number` };
  }
  if (sign === '-') number = -number;
  if (kind === 'count') {
    if (!Number.isInteger(number)) return { error: `${number} is not a whole number` };
    return { value: number, read: String(number) };
  }
  const value = typedUnit ? number * typedUnit.factor : number / unit.perBase;
  const clean = Number(value.toPrecision(15));
  return { value: clean, read: `${formatShown(clean, unit)}${unit.label === '°' ? '°' : ` ${unit.label}`}` };
}

// The value one arrow-key step up (+1) or down (-1) from `value`, on the unit's grid of steps: 11.49 in goes
// to 11.5 in, not to 11.5525 in.
export function stepValue(value, unit, direction) {
  const steps = (value * unit.perBase) / unit.step;
  const near = Math.round(steps);
  const onGrid = Math.abs(steps - near) < 1e-6;
  const next = direction > 0 ? (onGrid ? near + 1 : Math.ceil(steps)) : onGrid ? near - 1 : Math.floor(steps);
  return Number(((next * unit.step) / unit.perBase).toPrecision(15));
}
