// Benchmark of `checkvalve serve`'s /api/export?format=glb: latency p50 and p95 per sample part with one
// client and with four concurrent clients, and the throughput of each, in four situations:
//   cold     every request a part the server has not seen (its name numbered), on a server that keeps no
//            triangles between exports (--mesh-cache 0): each export evaluated, meshed and written;
//   renamed  the same on a server that keeps triangles (the default): every shape was meshed before;
//   edited   every request a part with its face-to-face length (or its insulation) changed a little, as the
//            configurator sends it: the shapes the change touched are meshed, the rest taken as they were;
//   again    the same parts sent again as they are, answered from the server's recent exports.
// A measurement, not a test: it prints a table and a JSON summary and never fails on a slow figure.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const [cv, repeatsArg] = process.argv.slice(2);
const repeats = Number(repeatsArg ?? 10);
const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const catalogDir = path.join(repo, 'data', 'catalog');
const parts = fs.readdirSync(catalogDir).filter((f) => f.endsWith('.json')).sort()
  .flatMap((f) => JSON.parse(fs.readFileSync(path.join(catalogDir, f), 'utf8')).parts);

async function startServer(extraArgs) {
  const child = spawn(cv, ['serve', '--port', '0', ...extraArgs], { stdio: ['ignore', 'pipe', 'inherit'] });
  const url = await new Promise((resolve, reject) => {
    let out = '';
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const match = out.match(/at (http:\/\/127\.0\.0\.1:\d+)\/$/m);
      if (match) resolve(match[1]);
    });
    setTimeout(() => reject(new Error('server did not start')), 30000);
  });
  return { child, url };
}

// A length of the catalogue ("292mm", "0.05", "2in") times a factor, in the same unit.
function scaled(value, factor) {
  const match = String(value).match(/^\s*([0-9.eE+-]+)\s*([a-z]*)\s*$/);
  return match ? `${Number(match[1]) * factor}${match[2]}` : value;
}

let serial = 0;
// The part a request sends in each situation.
function variant(part, mode) {
  if (mode === 'again') return part;
  serial += 1;
  const sent = { ...part, name: `${part.name}~${serial}` };
  if (mode === 'edited') {
    const inputs = { ...part.inputs };
    const key = inputs.FacetoFace !== undefined ? 'FacetoFace' : 'InsulationThickness';
    inputs[key] = scaled(inputs[key] ?? '0.05', 1 + 1e-4 * serial);
    sent.inputs = inputs;
  }
  return sent;
}

async function exportGlb(base, part) {
  const start = performance.now();
  const response = await fetch(`${base}/api/export?format=glb`, {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(part),
  });
  await response.arrayBuffer();
  if (response.status === 503) return null; // every slot stayed busy: counted, not timed
  if (response.status !== 200) throw new Error(`${part.name}: ${response.status}`);
  return performance.now() - start;
}

const quantile = (sorted, q) => sorted[Math.min(sorted.length - 1, Math.ceil(q * sorted.length) - 1)];

// `clients` loops, each sending every part `repeats` times (after one warm-up round).
async function measure(base, mode, clients) {
  for (const part of parts) await exportGlb(base, variant(part, mode));
  const times = new Map(parts.map((p) => [p.name, []]));
  const work = [];
  for (let r = 0; r < repeats; r += 1) for (const part of parts) work.push(part);
  let next = 0;
  let busy = 0;
  const start = performance.now();
  await Promise.all(Array.from({ length: clients }, async () => {
    while (next < work.length) {
      const part = work[next++];
      const ms = await exportGlb(base, variant(part, mode));
      if (ms === null) busy += 1;
      else times.get(part.name).push(ms);
    }
  }));
  const seconds = (performance.now() - start) / 1000;
  const perPart = parts.map((p) => {
    const sorted = times.get(p.name).sort((a, b) => a - b);
    if (!sorted.length) return { part: p.name, p50: NaN, p95: NaN };
    return { part: p.name, p50: quantile(sorted, 0.5), p95: quantile(sorted, 0.95) };
  });
  const all = [...times.values()].flat().sort((a, b) => a - b);
  return { mode, clients, requests: work.length, busy, seconds, throughput: work.length / seconds,
    p50: quantile(all, 0.5), p95: quantile(all, 0.95), perPart };
}

const results = [];
const uncached = await startServer(['--mesh-cache', '0']);
for (const clients of [1, 4]) results.push(await measure(uncached.url, 'cold', clients));
uncached.child.kill('SIGINT');
const cached = await startServer([]);
for (const clients of [1, 4]) results.push(await measure(cached.url, 'renamed', clients));
for (const clients of [1, 4]) results.push(await measure(cached.url, 'edited', clients));
results.push(await measure(cached.url, 'again', 1));
cached.child.kill('SIGINT');
for (const r of results) {
  const worst = r.perPart.reduce((a, b) => (b.p95 > a.p95 ? b : a));
  console.log(`${r.mode}, ${r.clients} client(s): ${r.requests} exports in ${r.seconds.toFixed(1)} s, ` +
    `${r.throughput.toFixed(1)} exports/s, ${r.busy} answered 503; all parts p50 ${r.p50.toFixed(1)} ms, p95 ${r.p95.toFixed(1)} ms; ` +
    `worst part p95 ${worst.p95.toFixed(1)} ms (${worst.part})`);
}
for (const r of results.filter((x) => x.clients === 1 && x.mode !== 'again')) {
  const over = r.perPart.filter((p) => p.p95 > 50).map((p) => `${p.part} ${p.p95.toFixed(1)} ms`);
  console.log(`${r.mode}: parts over 50 ms p95 with one client: ${over.length ? `${over.length}: ${over.join(', ')}` : 'none'}`);
}
fs.writeFileSync(process.env.TCV_BENCH_OUT ?? '/dev/null', JSON.stringify(results, null, 2));
