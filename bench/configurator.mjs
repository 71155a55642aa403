// Benchmark of the configurator in Debian's Chromium (headless, software GL): for every sample part, five
// edits of its face-to-face (+5% each, typed as a person would), each timed by the page from the input
// event to the frame after the new model was drawn, the debounce included. Prints per-part figures, the
// median and p95 over every edit and the median of each phase (debounce, server, answer, reading,
// parsing, drawing, next frame); a measurement, never a test: it fails only when a page does not
// load.
//
// Usage: node bench/configurator.mjs CHECKVALVE [EDITS]     (CHROMIUM: the browser, default /usr/bin/chromium)
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const { chromium } = createRequire(path.join(repo, 'viewer/package.json'))('playwright-core');
const [checkvalve, editsArg] = process.argv.slice(2);
const edits = Number(editsArg ?? 5);
const WAIT = 60_000;
// The face-to-face of a variant is given by one of these inputs.
const FACE_TO_FACE = ['FacetoFace', 'ValveFacetoFace', 'EndtoEnd', 'Face1toCenter', 'FacetoCenter'];

const quantile = (sorted, q) => sorted[Math.min(sorted.length - 1, Math.ceil(q * sorted.length) - 1)];

const samples = JSON.parse(spawnSync(checkvalve, ['samples', '--json'], { encoding: 'utf8' }).stdout).parts.map((p) => p.name);
const server = spawn(checkvalve, ['serve', '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
const base = await new Promise((resolve, reject) => {
  let out = '';
  server.stdout.on('data', (chunk) => {
    out += chunk;
    const match = out.match(/at (http:\/\/127\.0\.0\.1:\d+\/)$/m);
    if (match) resolve(match[1]);
  });
  setTimeout(() => reject(new Error('checkvalve serve did not start')), 30_000);
});
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tcv-bench-chromium-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  viewport: { width: 1280, height: 800 },
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
});
const rows = [];
try {
  const page = context.pages()[0] ?? (await context.newPage());
  for (const sample of samples) {
    await page.goto(`${base}configure.html?sample=${encodeURIComponent(sample)}`);
    await page.waitForFunction(() => window.__configurator?.builds() > 0 && document.body.dataset.building === 'false', null, { timeout: WAIT });
    const part = await page.evaluate(() => window.__configurator.part());
    const input = FACE_TO_FACE.find((name) => part.inputs?.[name] > 0);
    const field = input && (await page.locator(`input[name="inputs.${input}"]`).count()) ? `inputs.${input}` : null;
    if (!field) {
      rows.push({ sample, input: null, times: [] });
      continue;
    }
    let value = part.inputs[input];
    for (let i = 0; i < edits; i += 1) {
      value *= 1.05;
      const builds = await page.evaluate(() => window.__configurator.builds());
      await page.fill(`input[name="${field}"]`, String(Number((value * 1000).toPrecision(6))));
      await page.waitForFunction((n) => document.body.dataset.building === 'false' &&
        (window.__configurator.builds() > n || window.__configurator.failure() !== ''), builds, { timeout: WAIT });
      await page.waitForTimeout(50); // the frame after the draw records the time
    }
    const times = await page.evaluate(() => window.__configurator.timings());
    const phases = await page.evaluate(() => window.__configurator.phases?.() ?? []);
    rows.push({ sample, input, times, phases });
  }
} finally {
  await context.close();
  server.kill('SIGINT');
  fs.rmSync(profile, { recursive: true, force: true });
}

const all = rows.flatMap((r) => r.times).sort((a, b) => a - b);
console.log('configurator: from a face-to-face edit to the new model drawn (ms, debounce included)');
console.log(`${'part'.padEnd(44)} ${'edits'.padStart(5)} ${'median'.padStart(7)} ${'max'.padStart(7)}`);
for (const { sample, input, times } of rows) {
  const sorted = [...times].sort((a, b) => a - b);
  const text = sorted.length ? `${quantile(sorted, 0.5).toFixed(0).padStart(7)} ${sorted.at(-1).toFixed(0).padStart(7)}` : `  (no face-to-face input)`;
  console.log(`${sample.padEnd(44)} ${String(times.length).padStart(5)} ${text}${input ? '' : ''}`);
}
// Where the time goes, median per phase over every edit: waiting to send (the debounce), the server's
// evaluation and meshing (its Server-Timing), the whole wait for its answer, reading the multipart body,
// parsing the GLB, drawing, and the wait for the next frame.
const phases = rows.flatMap((r) => r.phases ?? []);
const phaseMedians = {};
if (phases.length) {
  for (const key of Object.keys(phases[0])) phaseMedians[key] = Math.round(quantile(phases.map((p) => p[key]).sort((a, b) => a - b), 0.5) * 10) / 10;
  console.log(`configurator: median per phase (ms): ${Object.entries(phaseMedians).map(([k, v]) => `${k} ${v}`).join(', ')}`);
}
const summary = { edits: all.length, parts: rows.filter((r) => r.times.length).length, median_ms: Math.round(quantile(all, 0.5)), p95_ms: Math.round(quantile(all, 0.95)), max_ms: Math.round(all.at(-1)), phases_median_ms: phaseMedians };
console.log(`configurator: ${summary.edits} edits over ${summary.parts} parts, median ${summary.median_ms} ms, p95 ${summary.p95_ms} ms, max ${summary.max_ms} ms`);
console.log(JSON.stringify(summary));
