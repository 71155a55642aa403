// Benchmark of `checkvalve serve`'s /api/export?format=glb: latency p50 and p95 per sample part with one
// client and with four concurrent clients, and the throughput of each. Every request sends a part the
// server has not seen (its name numbered), so each one is evaluated, meshed and written; the last line
// adds the same parts sent again as they are, which the server answers from its recent exports. A
// measurement, not a test: it prints a table and a JSON summary and never fails on a slow figure.
// Usage: node bench/serve_export.mjs PATH/TO/checkvalve [REPEATS]
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const [cv, repeatsArg] = process.argv.slice(2);
const repeats = Number(repeatsArg ?? 10);
const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const catalogDir = path.join(repo, 'data', 'catalog');
const parts = fs.readdirSync(catalogDir).filter((f) => f.endsWith('.json')).sort()
  .flatMap((f) => JSON.parse(fs.readFileSync(path.join(catalogDir, f), 'utf8')).parts);

const server = spawn(cv, ['serve', '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
const base = await new Promise((resolve, reject) => {
  let out = '';
  server.stdout.on('data', (chunk) => {
    out += chunk;
    const match = out.match(/at (http:\/\/127\.0\.0\.1:\d+)\/$/m);
    if (match) resolve(match[1]);
  });
  setTimeout(() => reject(new Error('server did not start')), 30000);
});

let serial = 0;
async function exportGlb(part, fresh = true) {
  if (fresh) part = { ...part, name: `${part.name}~${(serial += 1)}` };
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
async function measure(clients, fresh = true) {
  for (const part of parts) await exportGlb(part, fresh);
  const times = new Map(parts.map((p) => [p.name, []]));
  const work = [];
  for (let r = 0; r < repeats; r += 1) for (const part of parts) work.push(part);
  let next = 0;
  let busy = 0;
  const start = performance.now();
  await Promise.all(Array.from({ length: clients }, async () => {
    while (next < work.length) {
      const part = work[next++];
      const ms = await exportGlb(part, fresh);
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
  return { clients, fresh, requests: work.length, busy, seconds, throughput: work.length / seconds,
    p50: quantile(all, 0.5), p95: quantile(all, 0.95), perPart };
}

const results = [];
for (const clients of [1, 4]) results.push(await measure(clients));
results.push(await measure(1, false));
server.kill('SIGINT');
for (const r of results) {
  const worst = r.perPart.reduce((a, b) => (b.p95 > a.p95 ? b : a));
  console.log(`${r.clients} client(s)${r.fresh ? '' : ', parts sent again'}: ${r.requests} exports in ${r.seconds.toFixed(1)} s, ` +
    `${r.throughput.toFixed(1)} exports/s, ${r.busy} answered 503; all parts p50 ${r.p50.toFixed(1)} ms, p95 ${r.p95.toFixed(1)} ms; ` +
    `worst part p95 ${worst.p95.toFixed(1)} ms (${worst.part})`);
}
const over = results[0].perPart.filter((p) => p.p95 > 50).map((p) => `${p.part} ${p.p95.toFixed(1)} ms`);
console.log(`parts over 50 ms p95 with one client: ${over.length ? over.join(', ') : 'none'}`);
fs.writeFileSync(process.env.TCV_BENCH_OUT ?? '/dev/null', JSON.stringify(results, null, 2));
