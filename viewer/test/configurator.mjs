// The configurator as a person uses it, in the browser of the end-to-end test (viewer/test/e2e.mjs runs
// these): field marking, units, one request per edit and the abort of a stale one, retry after 503,
// fit to view, downloads of the part shown, the phone layout and the page's automation contract.
const WAIT = 45_000;
const mm = (metres) => String(Number((metres * 1000).toPrecision(12)));
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);

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
  return { invalid: input.getAttribute('aria-invalid'), error: box.classList.contains('error'),
    warning: box.classList.contains('warning'), note: box.querySelector('.note').textContent,
    describedBy: document.getElementById(input.getAttribute('aria-describedby'))?.textContent ?? null };
}, name);

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

    // --- Units: what the form shows and how values are typed; the part stays in metres
    const part = await cfg(page, 'part');
    const f2f = part.inputs.FacetoFace;
    const shown = () => page.inputValue('input[name="inputs.FacetoFace"]');
    check('units: millimetres by default, step 1 mm', (await shown()) === mm(f2f) &&
      (await page.getAttribute('input[name="inputs.FacetoFace"]', 'step')) === '1');
    await page.selectOption('#length-unit', 'in');
    check('units: inches, step 1/16 in', Math.abs(Number(await shown()) - f2f / 0.0254) < 1e-9 &&
      (await page.getAttribute('input[name="inputs.FacetoFace"]', 'step')) === '0.0625', await shown());
    await page.selectOption('#length-unit', 'm');
    check('units: metres', Number(await shown()) === f2f, await shown());
    await page.selectOption('#length-unit', 'mm');
    check('units: the round trip leaves the part as it was', same(await cfg(page, 'part'), part) && (await shown()) === mm(f2f));
    await page.selectOption('#length-unit', 'in');
    builds.length = 0;
    await edit(page, 'inputs.FacetoFace', '12');
    check('units: a value typed in inches reaches the part in metres', Math.abs((await cfg(page, 'part')).inputs.FacetoFace - 0.3048) < 1e-12);
    check('configurator: one request per edit', builds.length === 1 && builds[0].includes('/api/build'), builds.join());
    await page.reload();
    await page.waitForFunction(() => window.__configurator?.builds() > 0, null, { timeout: WAIT });
    check('units: the choice is remembered', (await page.inputValue('#length-unit')) === 'in' && (await shown()) === '12');
    await page.selectOption('#length-unit', 'mm');
    const before = (await cfg(page, 'part')).inputs.FacetoFace;
    await page.focus('input[name="inputs.FacetoFace"]');
    const drawn = await cfg(page, 'builds');
    await page.keyboard.press('ArrowUp');
    await page.waitForFunction((n) => window.__configurator.builds() > n, drawn, { timeout: WAIT });
    check('units: the arrow key adds 1 mm', Math.abs((await cfg(page, 'part')).inputs.FacetoFace - before - 0.001) < 1e-12);

    // --- Field marking: a certain minimum is checked in the page and not sent
    builds.length = 0;
    await page.fill('input[name="inputs.FacetoFace"]', '0');
    await page.waitForTimeout(900);
    const zero = await fieldState(page, 'inputs.FacetoFace');
    check('fields: a face-to-face of 0 is marked once typing pauses', zero.invalid === 'true' && zero.error && /above zero/.test(zero.note) && zero.describedBy === zero.note, JSON.stringify(zero));
    check('fields: a value below its minimum is not sent', builds.length === 0, builds.join());
    await edit(page, 'inputs.FacetoFace', mm(before));
    check('fields: the mark goes with a good value', (await fieldState(page, 'inputs.FacetoFace')).invalid === null);
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
    const typed = await cfg(page, 'builds');
    await page.fill('input[name="inputs.FacetoFace"]', '');
    await page.type('input[name="inputs.FacetoFace"]', '0.392', { delay: 250 });
    await page.waitForFunction((n) => window.__configurator.builds() > n && document.body.dataset.building === 'false', typed, { timeout: WAIT });
    await page.waitForTimeout(700);
    const flashed = await page.evaluate(() => window.__flashed);
    check('fields: typing 0.392 slowly flashes no failure at 0', flashed.length === 0 && (await cfg(page, 'shown')).inputs.FacetoFace === 0.392, flashed.join());
    await page.selectOption('#length-unit', 'mm');
    await edit(page, 'inputs.FacetoFace', mm(before));
    check('fields: back to the value before', (await fieldState(page, 'inputs.FacetoFace')).invalid === null);

    // Plausibility warnings: flange OD not above pipe OD marks both, in the warning style.
    const pipe = (await cfg(page, 'part')).ports[1].pipeOD;
    await edit(page, 'ports.1.flangeOD', mm(pipe));
    const flange = await fieldState(page, 'ports.1.flangeOD');
    const pipeField = await fieldState(page, 'ports.1.pipeOD');
    check('fields: flange OD not above pipe OD is a warning on both', flange.invalid === 'true' && flange.warning && !flange.error &&
      pipeField.invalid === 'true' && pipeField.warning && /flange OD/.test(flange.note), JSON.stringify([flange, pipeField]));
    check('fields: the warning listed', /flange OD/.test(await page.textContent('#warnings')) && (await page.getAttribute('#warnings', 'role')) === 'status');
    await page.goBack();
    await settled(page);
    const huge = await (async () => {
      await edit(page, 'inputs.FacetoFace', '25000');
      return fieldState(page, 'inputs.FacetoFace');
    })();
    check('fields: a face-to-face over 20 m is a warning', huge.invalid === 'true' && huge.warning && /over 20 m/.test(huge.note), JSON.stringify(huge));
    check('fit: a much larger part is fitted into the view', await cfg(page, 'inView'));
    await page.goBack();
    await settled(page);

    // A failure of the symbol: the reason in words, the fields it read marked as errors, the banner an alert.
    const good = await cfg(page, 'shown');
    await edit(page, 'inputs.FacetoFace', '0.000001');
    const failure = await cfg(page, 'failure');
    const failed = await fieldState(page, 'inputs.FacetoFace');
    check('fields: a failure gives its reason in words and marks the field', /length works out at zero/.test(failure) &&
      /Face to Face/.test(failure) && (await page.getAttribute('#banner', 'role')) === 'alert' && failed.invalid === 'true' && failed.error &&
      /length works out at zero/.test(failed.note), JSON.stringify({ failure, failed }));
    check('fields: only the field concerned is marked', (await page.locator('#form input[aria-invalid="true"]').count()) === 1);
    await shot(page, 'configure-failure.png');

    // --- Downloads and "copy" take the part shown, and say so
    check('downloads: the note says the last good part is exported', /last built/.test(await page.textContent('#exports-note')));
    await page.click('#copy-json');
    check('downloads: copy JSON copies the part shown', same(JSON.parse(await cfg(page, 'copied')), good) && !same(good, await cfg(page, 'part')));
    const download = page.waitForEvent('download', { timeout: WAIT });
    await page.click('#download-glb');
    check('downloads: the GLB is of the part shown', (await download).suggestedFilename() === `${good.name}.glb`);

    // --- Fit to view; the view is fitted again when the variant changes
    await page.mouse.move(600, 400);
    await page.mouse.wheel(0, -4000);
    await page.click('#fit');
    check('fit: Fit to view frames the part', await cfg(page, 'inView'));
    const other = await page.locator('#start option[value^="pdb:"]').nth(5).getAttribute('value');
    const count = await cfg(page, 'builds');
    await page.selectOption('#start', other);
    await page.waitForFunction((n) => window.__configurator.builds() > n && document.body.dataset.building === 'false', count, { timeout: WAIT });
    check('fit: a new variant is fitted', await cfg(page, 'inView'));

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
      await page.fill('input[name="inputs.FacetoFace"]', '300');
      await sent;
      await page.waitForTimeout(500);
      await page.fill('input[name="inputs.FacetoFace"]', '310');
      await page.waitForFunction((n) => window.__configurator.builds() > n && document.body.dataset.building === 'false', start, { timeout: WAIT });
      check('abort: the stale request is aborted', failedRequests.length === 1 && /ABORTED/i.test(failedRequests[0]), failedRequests.join());
      check('abort: the newer request got the only slot at once (no 503)', same(statuses, [200]) && (await cfg(page, 'retries')) === 0, JSON.stringify(statuses));
      check('abort: the newer value is drawn', Math.abs((await cfg(page, 'shown')).inputs.FacetoFace - 0.31) < 1e-12);
    }
    check('configurator: no page errors', errors.length === 0, errors.join(' | '));
  } finally {
    await page.close();
  }

  // --- Phone width: the model above the form, drawn; the gallery without sideways scrolling
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
