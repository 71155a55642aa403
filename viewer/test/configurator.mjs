// The configurator as a person uses it, in the browser of the end-to-end test (viewer/test/e2e.mjs runs
// these): what the fields read from typed text, values refused and nothing built from them, field
// marking, units, history (one settled edit per step, Ctrl+Z, reset, the picker), the edited part's name
// in downloads, the server out of reach, one request per edit and the abort of a stale one, retry after
// 503, the view (fit, port labels, insulation), the phone layout, axe-core and the automation contract.
import fs from 'node:fs';

import { axeViolations } from './support.mjs';

const WAIT = 45_000;
const mm = (metres) => String(Number((metres * 1000).toFixed(3)));
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
const near = (a, b) => Math.abs(a - b) < 1e-9;

const cfg = (page, method, ...args) => page.evaluate(([m, a]) => window.__configurator[m](...a), [method, args]);

async function open(page, base, sample) {
  await page.goto(`${base}samples/configure.html?sample=${encodeURIComponent(sample)}`);
  await page.waitForFunction(() => document.body.dataset.ready === 'true' && window.__configurator.builds() > 0 &&
    document.body.dataset.building === 'false', null, { timeout: WAIT });
}

// Changes a field as typing does and waits for the next model drawn (or the next failure).
async function edit(page, name, text) {
  const builds = await cfg(page, 'builds');
  await page.fill(`input[name="${name}"]`, text);
  await page.waitForFunction((n) => document.body.dataset.building === 'false' &&
    (window.__configurator.builds() > n || window.__configurator.failure() !== ''), builds, { timeout: WAIT });
}

// Waits until the model drawn is that of the form's part (after the back button, say).
const settled = (page) => page.waitForFunction(() => document.body.dataset.building === 'false' &&
  JSON.stringify(window.__configurator.shown()) === JSON.stringify(window.__configurator.part()), null, { timeout: WAIT });

const fieldState = (page, name) => page.evaluate((n) => {
  const input = document.querySelector(`input[name="${n}"]`);
  const box = input.closest('.field');
  const described = input.getAttribute('aria-describedby').split(' ').map((id) => document.getElementById(id)?.textContent ?? '').join(' ');
  return { invalid: input.getAttribute('aria-invalid'), error: box.classList.contains('error'), changed: box.classList.contains('changed'),
    warning: box.classList.contains('warning'), note: box.querySelector('.note').textContent, read: box.querySelector('.read').textContent,
    value: input.value, describedBy: described };
}, name);

const marked = (page) => page.locator('#form input[aria-invalid="true"]').evaluateAll((inputs) => inputs.map((i) => i.name));
const greyed = (page) => page.evaluate(() => document.getElementById('stage').classList.contains('stale'));
const downloadsOff = (page) => page.evaluate(() => ['download-glb', 'download-step', 'download-ifc', 'copy-json'].every((id) => document.getElementById(id).disabled));

// The picture: share of pixels that are not the background, read from the canvas.
const coverage = (page) => page.evaluate(() => {
  const canvas = document.querySelector('#stage canvas');
  const copy = document.createElement('canvas');
  copy.width = canvas.width;
  copy.height = canvas.height;
  const context = copy.getContext('2d');
  context.drawImage(canvas, 0, 0);
  const { data } = context.getImageData(0, 0, copy.width, copy.height);
  let drawn = 0;
  for (let i = 0; i < data.length; i += 4) if (Math.abs(data[i] - 0xf4) + Math.abs(data[i + 1] - 0xf5) + Math.abs(data[i + 2] - 0xf7) > 24) drawn += 1;
  return drawn / (data.length / 4);
});

export async function configuratorTests({ context, base, check, shot, slowBase }) {
  const page = await context.newPage();
  const swing = 'default-1-nps4-cl150-swing';
  const builds = [];
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  page.on('request', (request) => request.url().includes('/api/') && request.method() === 'POST' && builds.push(request.url()));
  try {
    // --- The automation contract and the labels
    await open(page, base, swing);
    const names = await page.locator('#form input').evaluateAll((inputs) => inputs.map((i) => i.name));
    check('configurator: every input named by the contract', names.length > 5 &&
      names.every((n) => /^(inputs\.\w+|ports\.\d+\.\w+|operator(\.\w+)?)$/.test(n)), names.join());
    check('configurator: data-ready, data-building, data-builds', await page.evaluate(() =>
      document.body.dataset.ready === 'true' && document.body.dataset.building === 'false' &&
      document.body.dataset.builds === String(window.__configurator.builds())));
    const label = await page.locator('.field[data-field="inputs.FacetoFace"] label').innerText();
    check('configurator: the description is the visible label, the name beside it', /Face to Face/.test(label) && /FacetoFace/.test(label), label);
    check('configurator: one request per edit at load', builds.length === 1 && builds[0].includes('/api/build'), builds.join());
    check('configurator: number fields are text with a decimal keypad', await page.locator('#form input[name^="inputs."]').evaluateAll((inputs) =>
      inputs.every((i) => i.type === 'text' && i.inputMode === 'decimal')));
    check('view: a label per port in the view', same(await cfg(page, 'portLabels'), ['Port 1', 'Port 2']), JSON.stringify(await cfg(page, 'portLabels')));
    const configureAxe = await axeViolations(page);
    check('axe: no serious or critical violation in the configurator', configureAxe.length === 0, configureAxe.join('; '));

    // --- Units: what the form shows and how values are typed; the part stays in metres
    const part = await cfg(page, 'part');
    const f2f = part.inputs.FacetoFace;
    const field = 'input[name="inputs.FacetoFace"]';
    const shown = () => page.inputValue(field);
    check('units: millimetres by default', (await shown()) === mm(f2f), await shown());
    await page.selectOption('#length-unit', 'in');
    check('units: inches to four decimals', Math.abs(Number(await shown()) - f2f / 0.0254) < 5e-5 && /^\d+(\.\d{1,4})?$/.test(await shown()), await shown());
    await page.selectOption('#length-unit', 'm');
    check('units: metres', Number(await shown()) === f2f, await shown());
    await page.selectOption('#length-unit', 'mm');
    check('units: the round trip leaves the part as it was', same(await cfg(page, 'part'), part) && (await shown()) === mm(f2f));
    await page.selectOption('#length-unit', 'in');
    builds.length = 0;
    await edit(page, 'inputs.FacetoFace', '12');
    check('units: a value typed in inches reaches the part in metres', near((await cfg(page, 'part')).inputs.FacetoFace, 0.3048));
    check('configurator: one request per edit', builds.length === 1 && builds[0].includes('/api/build'), builds.join());
    await page.focus(field);
    let drawn = await cfg(page, 'builds');
    await page.keyboard.press('ArrowUp');
    await page.waitForFunction((n) => window.__configurator.builds() > n, drawn, { timeout: WAIT });
    check('units: the arrow key steps 1/16 in', near((await cfg(page, 'part')).inputs.FacetoFace, 12.0625 * 0.0254) && (await shown()) === '12.0625');
    await page.reload();
    await page.waitForFunction(() => window.__configurator?.builds() > 0, null, { timeout: WAIT });
    check('units: the choice is remembered', (await page.inputValue('#length-unit')) === 'in' && (await shown()) === '12.0625', await shown());
    await page.selectOption('#length-unit', 'mm');
    await edit(page, 'inputs.FacetoFace', '292.4');
    await page.focus(field);
    drawn = await cfg(page, 'builds');
    await page.keyboard.press('ArrowUp');
    await page.waitForFunction((n) => window.__configurator.builds() > n, drawn, { timeout: WAIT });
    check('units: the arrow key goes to the next whole millimetre', near((await cfg(page, 'part')).inputs.FacetoFace, 0.293));

    // --- What a field reads: units and decimal commas, shown back until the field is left
    const READ = [
      ['300,5', 0.3005, '= 300.5 mm'],
      ['12.5in', 0.3175, '= 317.5 mm'],
      ['1 ft', 0.3048, '= 304.8 mm'],
      ['11 3/4"', 0.29845, '= 298.45 mm'],
      ['0.31 m', 0.31, '= 310 mm'],
    ];
    for (const [typed, metres, echo] of READ) {
      await edit(page, 'inputs.FacetoFace', typed);
      const state = await fieldState(page, 'inputs.FacetoFace');
      check(`read: “${typed}” builds ${metres} m and says ${echo}`, near((await cfg(page, 'shown')).inputs.FacetoFace, metres) &&
        state.read === echo && state.invalid === null && (await cfg(page, 'failure')) === '', JSON.stringify(state));
    }
    await page.locator(field).blur();
    const left = await fieldState(page, 'inputs.FacetoFace');
    check('read: leaving the field shows the value in its unit and drops the echo', left.value === '310' && left.read === '', JSON.stringify(left));

    // Typed slowly in metres, 0.392 passes through 0 without a mark or a failure showing.
    await page.selectOption('#length-unit', 'm');
    await page.evaluate(() => {
      window.__flashed = [];
      const seen = () => {
        if (!document.getElementById('banner').hidden) window.__flashed.push('banner');
        if (document.querySelector('#form [aria-invalid="true"]')) window.__flashed.push('mark');
      };
      new MutationObserver(seen).observe(document.body, { attributes: true, childList: true, subtree: true });
    });
    drawn = await cfg(page, 'builds');
    await page.fill(field, '');
    await page.type(field, '0.392', { delay: 250 });
    await page.waitForFunction((n) => window.__configurator.builds() > n && document.body.dataset.building === 'false', drawn, { timeout: WAIT });
    await page.waitForTimeout(700);
    const flashed = await page.evaluate(() => window.__flashed);
    check('fields: typing 0.392 slowly flashes no failure at 0', flashed.length === 0 && (await cfg(page, 'shown')).inputs.FacetoFace === 0.392, flashed.join());
    await page.selectOption('#length-unit', 'mm');
    await edit(page, 'inputs.FacetoFace', '310');

    // --- Refused text: marked with what was not understood, nothing sent, the model greyed, downloads off
    const good = await cfg(page, 'shown');
    const goodUrl = page.url();
    const REFUSED = [
      ['inputs.FacetoFace', '0x10', /“x10” after 0 is not understood/],
      ['inputs.FacetoFace', 'abc', /“abc” is not a number/],
      ['inputs.FacetoFace', '45°', /° is a unit of angle/],
      ['inputs.FacetoFace', '0', /0 mm must be above zero/],
      ['ports.1.flangeOD', '-3', /cannot be negative/],
    ];
    for (const [name, typed, words] of REFUSED) {
      builds.length = 0;
      await page.fill(`input[name="${name}"]`, typed);
      await page.waitForTimeout(800);
      const state = await fieldState(page, name);
      const banner = await cfg(page, 'failure');
      check(`refused: “${typed}” in ${name} is marked and named in the banner`, state.invalid === 'true' && state.error && words.test(state.note) &&
        words.test(state.describedBy) && words.test(banner), JSON.stringify({ state, banner }));
      check(`refused: “${typed}” sends nothing, greys the model, turns downloads off`, builds.length === 0 && (await greyed(page)) &&
        (await downloadsOff(page)) && same(await cfg(page, 'shown'), good) && page.url() === goodUrl, builds.join());
      await page.keyboard.press('Control+z');
      await settled(page);
      check(`refused: Ctrl+Z puts back the value that built (${typed})`, same(await cfg(page, 'part'), good) && (await marked(page)).length === 0 &&
        !(await greyed(page)) && !(await downloadsOff(page)) && (await cfg(page, 'failure')) === '');
    }
    // Switching units draws the form again from the part: the refused text goes and nothing stays greyed.
    await page.fill(field, 'abc');
    await page.waitForTimeout(800);
    await page.selectOption('#length-unit', 'in');
    await settled(page);
    check('refused: a unit switch puts back the part’s values', (await marked(page)).length === 0 && !(await greyed(page)) &&
      (await cfg(page, 'failure')) === '' && same(await cfg(page, 'part'), good), JSON.stringify(await cfg(page, 'refused')));
    await page.selectOption('#length-unit', 'mm');

    // A refused value and then another field changed: nothing is built from the mixture until it is fixed.
    builds.length = 0;
    await page.fill('input[name="ports.0.flangeThickness"]', 'x');
    await page.fill('input[name="ports.1.flangeThickness"]', '30');
    await page.waitForTimeout(800);
    check('refused: another edit builds nothing while a field is refused', builds.length === 0 && (await greyed(page)) &&
      /flange thickness/.test(await cfg(page, 'failure')), builds.join());
    drawn = await cfg(page, 'builds');
    await page.fill('input[name="ports.0.flangeThickness"]', '25');
    await page.waitForFunction((n) => window.__configurator.builds() > n && document.body.dataset.building === 'false', drawn, { timeout: WAIT });
    const fixed = await cfg(page, 'shown');
    check('refused: once fixed, one build with both values', builds.length === 1 && near(fixed.ports[0].flangeThickness, 0.025) &&
      near(fixed.ports[1].flangeThickness, 0.03) && !(await greyed(page)), builds.join());

    // --- Field marking from the server's report
    const pipe = (await cfg(page, 'part')).ports[1].pipeOD;
    await edit(page, 'ports.1.flangeOD', mm(pipe));
    const flange = await fieldState(page, 'ports.1.flangeOD');
    const pipeField = await fieldState(page, 'ports.1.pipeOD');
    check('fields: flange OD not above pipe OD is a warning on both', flange.invalid === 'true' && flange.warning && !flange.error &&
      pipeField.invalid === 'true' && pipeField.warning && /flange OD/.test(flange.note), JSON.stringify([flange, pipeField]));
    check('fields: the warning listed in millimetres', /flange OD/.test(await page.textContent('#warnings')) && !/\d m\b/.test(await page.textContent('#warnings')) &&
      (await page.getAttribute('#warnings', 'role')) === 'status', await page.textContent('#warnings'));
    await edit(page, 'inputs.FacetoFace', '25000');
    const huge = await fieldState(page, 'inputs.FacetoFace');
    check('fields: a face-to-face over 20 m is a warning, in the form’s unit', huge.invalid === 'true' && huge.warning && /over 20000 mm/.test(huge.note), JSON.stringify(huge));
    check('fit: a much larger part is fitted into the view', await cfg(page, 'inView'));
    await edit(page, 'inputs.FacetoFace', '310');

    // A failure of the symbol: the reason in words, the field edited marked first, the trail behind "Details".
    await page.waitForTimeout(700); // the next edit is a step of its own
    const before = await cfg(page, 'shown');
    await edit(page, 'inputs.FacetoFace', '0.000001');
    const failure = await cfg(page, 'failure');
    const failed = await fieldState(page, 'inputs.FacetoFace');
    const trail = await page.evaluate(() => ({ open: document.querySelector('#banner details')?.open, text: document.querySelector('#banner details')?.textContent ?? '' }));
    check('fields: a failure gives its reason in words and marks the field', /length works out at zero/.test(failure) &&
      /Face to Face/.test(failure) && (await page.getAttribute('#banner', 'role')) === 'alert' && failed.invalid === 'true' && failed.error &&
      /length works out at zero/.test(failed.note), JSON.stringify({ failure, failed }));
    check('fields: the internal trail is behind a closed Details toggle', !/0x8|run[A-Z]/.test(failure) && trail.open === false && /0x80004005/.test(trail.text), JSON.stringify(trail));
    const marks = await marked(page);
    check('fields: at most three fields marked, the edited one first', marks.length >= 1 && marks.length <= 3 && marks[0] === 'inputs.FacetoFace', marks.join());
    check('fields: a failure greys the model and turns downloads off', (await greyed(page)) && (await downloadsOff(page)) && same(await cfg(page, 'shown'), before));
    await shot(page, 'configure-failure.png');
    await page.keyboard.press('Control+z');
    await settled(page);
    check('fields: Ctrl+Z after a failure goes back to the part that built', same(await cfg(page, 'part'), before) && (await cfg(page, 'failure')) === '');

    // --- History: typing with pauses under 600 ms is one step; Ctrl+Shift+Z redoes; the picker follows
    const stepBefore = await cfg(page, 'part');
    await page.fill(field, '');
    drawn = await cfg(page, 'builds');
    await page.type(field, '315', { delay: 150 });
    await page.waitForFunction((n) => window.__configurator.builds() > n && document.body.dataset.building === 'false', drawn, { timeout: WAIT });
    await page.waitForTimeout(700);
    await page.locator(field).blur();
    const typed315 = await cfg(page, 'part');
    await page.keyboard.press('Control+z');
    await settled(page);
    check('history: typing 315 is one Back step', same(await cfg(page, 'part'), stepBefore), JSON.stringify((await cfg(page, 'part')).inputs.FacetoFace));
    await page.keyboard.press('Control+Shift+z');
    await settled(page);
    check('history: Ctrl+Shift+Z redoes it', same(await cfg(page, 'part'), typed315));
    check('history: the edited part is named <name>-edited and its changes marked', typed315.name === `${swing}-edited` &&
      (await page.inputValue('#part-name')) === `${swing}-edited` && (await fieldState(page, 'inputs.FacetoFace')).changed &&
      !(await fieldState(page, 'ports.0.pipeOD')).changed, typed315.name);

    // --- Downloads and "copy" take the form's part under its edited name
    await page.fill('#part-name', 'my-swing-valv');
    await page.focus('#part-name');
    const depth = () => page.evaluate(() => history.state?.depth);
    const stepsBefore = await depth();
    await page.keyboard.press('Control+z');
    await page.waitForTimeout(300);
    check('history: Ctrl+Z in the name box undoes its text, not a step of the form', (await depth()) === stepsBefore &&
      (await cfg(page, 'part')).inputs.FacetoFace === typed315.inputs.FacetoFace, `${stepsBefore} -> ${await depth()}`);
    await page.fill('#part-name', 'my-swing-valve');
    await page.locator('#part-name').blur();
    await page.click('#copy-json');
    const copied = JSON.parse(await cfg(page, 'copied'));
    check('downloads: copy JSON copies the form’s part under the new name', copied.name === 'my-swing-valve' && near(copied.inputs.FacetoFace, 0.315));
    const download = page.waitForEvent('download', { timeout: WAIT });
    await page.click('#download-glb');
    check('downloads: the GLB carries the new name', (await download).suggestedFilename() === 'my-swing-valve.glb');
    const saved = [];
    const saving = new Promise((resolve) => page.on('download', async (file) => {
      saved.push({ name: file.suggestedFilename(), text: fs.readFileSync(await file.path(), 'utf8') });
      if (saved.length === 2) resolve();
    }));
    await page.click('#save-catalogue');
    await Promise.race([saving, page.waitForTimeout(WAIT)]);
    const json = saved.find((f) => f.name === 'my-swing-valve.json');
    const csv = saved.find((f) => f.name === 'my-swing-valve.csv');
    check('downloads: Save to catalogue gives a catalogue JSON file and a CSV row under the new name',
      JSON.parse(json?.text ?? '{}').parts?.[0]?.name === 'my-swing-valve' && /^name,/.test(csv?.text ?? '') && /\nmy-swing-valve,/.test(csv?.text ?? ''),
      JSON.stringify(saved.map((f) => [f.name, f.text.slice(0, 80)])));
    const bar = await page.evaluate(() => document.getElementById('download-glb').getBoundingClientRect().bottom <= window.innerHeight);
    check('downloads: the download bar is in view without scrolling', bar);

    // Reset to catalogue values: the catalogue part, its name, no marks of change.
    await page.click('#reset');
    await settled(page);
    check('history: Reset to catalogue values', same(await cfg(page, 'part'), await cfg(page, 'origin')) && (await cfg(page, 'part')).name === swing &&
      !(await fieldState(page, 'inputs.FacetoFace')).changed);

    // The picker filters as typed; ArrowDown loads nothing; Back returns to the earlier part and the picker with it.
    const startText = await page.inputValue('#start');
    drawn = await cfg(page, 'builds');
    await page.focus('#start');
    await page.keyboard.press('ArrowDown');
    await page.waitForTimeout(300);
    check('picker: ArrowDown loads nothing', (await cfg(page, 'builds')) === drawn && (await cfg(page, 'part')).name === swing);
    await page.fill('#start', '2258');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => window.__configurator.part().partDataBasis === 2258 && document.body.dataset.building === 'false', null, { timeout: WAIT });
    await settled(page);
    check('picker: typing 2258 and Enter loads that variant', /2258/.test(await page.inputValue('#start')));
    check('fit: a new variant is fitted', await cfg(page, 'inView'));
    await page.goBack();
    await settled(page);
    check('picker: Back returns to the earlier part and the picker follows', (await cfg(page, 'part')).name === swing && (await page.inputValue('#start')) === startText,
      await page.inputValue('#start'));

    // --- The view: Fit to view; the insulation switch draws the envelope around the body
    await page.mouse.move(900, 400);
    await page.mouse.wheel(0, -4000);
    await page.click('#fit');
    check('fit: Fit to view frames the part', await cfg(page, 'inView'));
    const bare = await coverage(page);
    await page.check('#show-insulation');
    const wrapped = await coverage(page);
    check('view: the insulation switch shows the envelope', wrapped > bare * 1.02, `${bare} -> ${wrapped}`);
    await page.uncheck('#show-insulation');

    // --- The operator: its inputs labelled and checked by the definition
    await open(page, base, 'default-2046-nps4-cl150-operator');
    const handwheel = await page.locator('.field[data-field="operator.HandwheelDiameter"] .description').textContent();
    check('operator: fields labelled from the definition', handwheel === 'Handwheel Diameter', handwheel);
    builds.length = 0;
    await page.fill('input[name="operator.HandwheelDiameter"]', '-200');
    await page.waitForTimeout(800);
    const wheel = await fieldState(page, 'operator.HandwheelDiameter');
    check('operator: a negative handwheel diameter is refused', wheel.invalid === 'true' && /cannot be negative/.test(wheel.note) && builds.length === 0 &&
      /operator handwheel diameter/i.test(await cfg(page, 'failure')), JSON.stringify(wheel));

    // --- The server out of reach: retried twice, then said so
    await open(page, base, swing);
    await page.route('**/api/build**', (route) => route.abort('connectionrefused'));
    const lost = await cfg(page, 'networkRetries');
    await page.fill(field, '320');
    await page.waitForFunction(() => window.__configurator.failure() !== '', null, { timeout: WAIT });
    const unreachable = await cfg(page, 'failure');
    check('network: a server out of reach is retried twice and reported as such', /server cannot be reached/.test(unreachable) &&
      !/cannot be built/.test(unreachable) && (await cfg(page, 'networkRetries')) === lost + 2, unreachable);
    await page.unroute('**/api/build**');
    drawn = await cfg(page, 'builds');
    await page.fill(field, '321');
    await page.waitForFunction((n) => window.__configurator.builds() > n && document.body.dataset.building === 'false', drawn, { timeout: WAIT });
    check('network: the next edit builds once the server answers', (await cfg(page, 'failure')) === '' && near((await cfg(page, 'shown')).inputs.FacetoFace, 0.321));

    // --- 503: the page waits and tries again
    let refused = 0;
    await page.route('**/api/build**', (route) => {
      if (refused++ === 0)
        return route.fulfill({ status: 503, headers: { 'Retry-After': '1' }, contentType: 'application/json', body: '{"error":{"field":null,"message":"busy"}}' });
      return route.continue();
    });
    const retried = await cfg(page, 'retries');
    const count503 = await cfg(page, 'builds');
    await page.fill('input[name="ports.0.flangeThickness"]', '30');
    const said = await page.waitForFunction(() => /busy/.test(document.getElementById('stage-status').textContent), null, { timeout: WAIT })
      .then(() => true, () => false);
    check('503: the page says it will try again', said);
    await page.waitForFunction((n) => window.__configurator.builds() > n, count503, { timeout: WAIT });
    check('503: retried and built', (await cfg(page, 'retries')) === retried + 1 && refused === 2, `${refused}`);
    await page.unroute('**/api/build**');

    // --- A newer edit aborts the older request, and the server stops its work (its slot is free at once)
    if (slowBase) {
      await open(page, slowBase, swing);
      const failedRequests = [];
      page.on('requestfailed', (request) => request.url().includes('/api/build') && failedRequests.push(request.failure()?.errorText ?? ''));
      const statuses = [];
      page.on('response', (response) => response.url().includes('/api/build') && statuses.push(response.status()));
      const start = await cfg(page, 'builds');
      const sent = page.waitForRequest('**/api/build**');
      await page.fill(field, '300');
      await sent;
      await page.waitForTimeout(500);
      await page.fill(field, '310');
      await page.waitForFunction((n) => window.__configurator.builds() > n && document.body.dataset.building === 'false', start, { timeout: WAIT });
      check('abort: the stale request is aborted', failedRequests.length === 1 && /ABORTED/i.test(failedRequests[0]), failedRequests.join());
      check('abort: the newer request got the only slot at once (no 503)', same(statuses, [200]) && (await cfg(page, 'retries')) === 0, JSON.stringify(statuses));
      check('abort: the newer value is drawn', near((await cfg(page, 'shown')).inputs.FacetoFace, 0.31));
    }
    check('configurator: no page errors', errors.length === 0, errors.join(' | '));
  } finally {
    await page.close();
  }

  // --- Phone width: the model above the form, drawn and not see-through; the gallery without sideways scrolling
  const phone = await context.newPage();
  try {
    await phone.setViewportSize({ width: 390, height: 844 });
    await open(phone, base, swing);
    const layout = await phone.evaluate(() => {
      const canvas = document.querySelector('#stage canvas').getBoundingClientRect();
      const form = document.getElementById('form').getBoundingClientRect();
      return { width: canvas.width, height: canvas.height, above: canvas.bottom <= form.top + 1, scroll: document.documentElement.scrollWidth };
    });
    check('phone: the model is above the form, at least 300 px high', layout.width >= 300 && layout.height >= 300 && layout.above && layout.scroll <= 390, JSON.stringify(layout));
    check('phone: the model is drawn', (await coverage(phone)) > 0.03);
    const backdrop = await phone.evaluate(() => getComputedStyle(document.getElementById('stage')).backgroundColor);
    check('phone: the view has a backdrop, so a greyed model hides the form scrolling under it', backdrop !== 'rgba(0, 0, 0, 0)', backdrop);
    await shot(phone, 'configure-phone.png');
    await phone.goto(`${base}samples/index.html`);
    await phone.waitForSelector('body[data-ready="true"]', { timeout: WAIT });
    const width = await phone.evaluate(() => document.documentElement.scrollWidth);
    check('phone: the gallery list needs no sideways scrolling', width <= 390, `${width}`);
    await shot(phone, 'index-phone.png');
  } finally {
    await phone.close();
  }
}
