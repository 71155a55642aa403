// End-to-end checks of `checkvalve serve`'s JSON API and of its behaviour under hostile clients, on
// loopback only: every sample part through /api/evaluate equals `eval --json`; malformed, oversized and
// non-JSON bodies; exports; the Host header; a folder swapped for a symbolic link while requests race;
// idle and trickling connections; SIGINT. Every wait is bounded; the script stops by itself.
// Usage: node api_test.mjs PATH/TO/checkvalve PATH/TO/REPOSITORY
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { checker, sleep } from './checks.mjs';

const [cv, repo] = process.argv.slice(2);
const { check, finish } = checker();

// --- A served folder with a secret beside it ----------------------------------------------------------
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'checkvalve-api-'));
const site = path.join(work, 'site');
const outside = path.join(work, 'outside');
fs.mkdirSync(path.join(site, 'swap'), { recursive: true });
fs.mkdirSync(outside);
fs.writeFileSync(path.join(site, 'index.html'), '<!doctype html><title>gallery</title>\n');
fs.writeFileSync(path.join(site, 'swap', 'data.txt'), 'inside\n');
fs.writeFileSync(path.join(outside, 'data.txt'), 'TOP-SECRET\n');

const server = spawn(cv, ['serve', site, '--port', '0'], { stdio: ['ignore', 'pipe', 'pipe'] });
let serverOut = '';
server.stdout.on('data', (chunk) => (serverOut += chunk));
server.stderr.on('data', (chunk) => (serverOut += chunk));
const exited = new Promise((resolve) => server.on('exit', (code, signal) => resolve({ code, signal })));
let base = '';
for (let i = 0; i < 600 && !base; i += 1) {
  base = serverOut.match(/^Serving .* at (http:\/\/127\.0\.0\.1:\d+)\/$/m)?.[1] ?? '';
  if (!base) await sleep(50);
}
if (!base) {
  console.log(`server did not start: ${serverOut}`);
  process.exit(1);
}
const port = Number(new URL(base).port);

async function request(pathname, options = {}) {
  try {
    return await requestOnce(pathname, options);
  } catch (error) {
    // A kept-alive connection the server closed for idleness just as the client reused it; once more on
    // a fresh one (every API request here is free of side effects).
    if (error.cause?.code !== 'UND_ERR_SOCKET' || server.exitCode !== null) throw error;
    return requestOnce(pathname, options);
  }
}

async function requestOnce(pathname, { method = 'GET', body, type = 'application/json', headers = {} } = {}) {
  const response = await fetch(base + pathname, {
    method,
    body,
    headers: body === undefined ? headers : { 'Content-Type': type, ...headers },
    signal: AbortSignal.timeout(120000),
  });
  return { status: response.status, headers: response.headers, bytes: Buffer.from(await response.arrayBuffer()) };
}
const text = (r) => r.bytes.toString('utf8');
const run = (...args) => execFileSync(cv, args, { encoding: 'utf8', maxBuffer: 1 << 28 });

// --- The documents are the command line's ---------------------------------------------------------------
for (const [route, args] of [
  ['/api/definition', ['definition', '--json']],
  ['/api/samples', ['samples', '--json']],
]) {
  const r = await request(route);
  check(r.status === 200 && text(r) === run(...args), `${route} differs from checkvalve ${args.join(' ')}`);
}

// What a form needs of each value: its kind and the minimum that holds for certain, for the inputs, the
// port values and the operator's inputs alike.
{
  const definition = JSON.parse(run('definition', '--json'));
  const input = (name) => definition.inputs.find((i) => i.name === name);
  const KINDS = [
    [input('FacetoFace'), 'length', { above: 0 }],
    [input('HandwheelAngle'), 'angle', undefined],
    [input('B'), 'length', { atLeast: 0 }],
    [input('PortVOffset'), 'length', undefined],
    [definition.ports?.find((p) => p.name === 'pipeOD'), 'length', { above: 0 }],
    [definition.ports?.find((p) => p.name === 'cptOffset'), 'length', undefined],
    [definition.operator?.inputs.find((i) => i.name === 'HandwheelDiameter'), 'length', { atLeast: 0 }],
  ];
  for (const [entry, kind, minimum] of KINDS)
    check(entry?.kind === kind && JSON.stringify(entry.minimum) === JSON.stringify(minimum),
      `definition: ${JSON.stringify(entry)} is not a ${kind} with minimum ${JSON.stringify(minimum)}`);
  check(definition.inputs.every((i) => i.kind === 'length' || i.kind === 'angle'), 'definition: an input without a kind');
}

// Every sample part of the catalogue files, sent as catalogue JSON, gives the report `eval --json` gives.
const catalogDir = path.join(repo, 'data', 'catalog');
let evaluated = 0;
for (const file of fs.readdirSync(catalogDir).filter((f) => f.endsWith('.json')).sort()) {
  const expected = JSON.parse(run('eval', path.join(catalogDir, file), '--json')).parts;
  const parts = JSON.parse(fs.readFileSync(path.join(catalogDir, file), 'utf8')).parts;
  for (const [i, part] of parts.entries()) {
    const r = await request('/api/evaluate', { method: 'POST', body: JSON.stringify(part) });
    const same = r.status === 200 && JSON.stringify(JSON.parse(text(r))) === JSON.stringify(expected[i]);
    check(same, `/api/evaluate of ${part.name}: status ${r.status}, report differs from eval --json`);
    evaluated += 1;
  }
}
check(evaluated >= 40, `only ${evaluated} sample parts evaluated`);
const swing = JSON.parse(fs.readFileSync(path.join(catalogDir, 'default-bodies.json'), 'utf8')).parts[0];
{
  const r = await request('/api/evaluate', { method: 'POST', body: JSON.stringify(swing) });
  check(text(r) === run('eval', '--sample', swing.name, '--json'), 'evaluate is not byte-identical to eval --json');
}

// A failing aspect is still a report.
{
  const part = { ...swing, inputs: { ...swing.inputs, FacetoFace: 0 } };
  const r = await request('/api/evaluate', { method: 'POST', body: JSON.stringify(part) });
  const insulation = JSON.parse(text(r)).aspects?.find((a) => a.name === 'Insulation');
  check(r.status === 200 && insulation?.ok === false && insulation.error?.code === '0x80004005' &&
    insulation.error.message === 'zero-length cylinder axis' && insulation.error.where === 'PlaceCylinder',
    `failing aspect: status ${r.status}, ${JSON.stringify(insulation?.error)}`);
}

// Bodies the API refuses: body | content type | status | field.
const withInput = (value) => JSON.stringify({ ...swing, inputs: { FacetoFace: value } });
const refusals = [
  [withInput('abc'), 'application/json', 400, 'inputs.FacetoFace'],
  [JSON.stringify({ ...swing, partDataBasis: 'q' }), 'application/json', 400, 'partDataBasis'],
  [JSON.stringify({ ...swing, ports: [{ index: 1, pipeOD: 'wide' }] }), 'application/json', 400, 'ports[0].pipeOD'],
  [JSON.stringify({ parts: [swing, { ...swing, name: 'b' }] }), 'application/json', 400, 'parts'],
  ['{"parts": [', 'application/json', 415, null],
  ['FacetoFace=1', 'application/x-www-form-urlencoded', 415, null],
  [JSON.stringify(swing), 'text/plain', 415, null],
  [' '.repeat(2 << 20), 'application/json', 413, null],
];
for (const [body, type, status, field] of refusals) {
  const r = await request('/api/evaluate', { method: 'POST', body, type });
  let error = {};
  try {
    error = JSON.parse(text(r)).error ?? {};
  } catch {}
  check(r.status === status && (field === null || error.field === field) && typeof error.message === 'string',
    `refusal ${body.slice(0, 40)} (${type}): ${r.status} ${text(r).slice(0, 200)}`);
}

// Exports: format | content type | first bytes.
for (const [format, type, magic] of [
  ['glb', 'model/gltf-binary', 'glTF'],
  ['step', 'model/step', 'ISO-10303-21'],
  ['stl', 'model/stl', null],
  ['ifc', 'application/x-step', 'ISO-10303-21'],
]) {
  const r = await request(`/api/export?format=${format}`, { method: 'POST', body: JSON.stringify(swing) });
  const disposition = r.headers.get('content-disposition') ?? '';
  const ok = r.status === 200 && r.headers.get('content-type') === type &&
    disposition === `attachment; filename="${swing.name}.${format}"` &&
    (magic ? r.bytes.subarray(0, magic.length).toString() === magic : (r.bytes.length - 84) % 50 === 0 && r.bytes.length > 84);
  check(ok, `export ${format}: ${r.status} ${r.headers.get('content-type')} ${disposition} ${r.bytes.length} bytes`);
}
// An export asked for again (the download after the view) is the same file; a changed part is not.
{
  const body = JSON.stringify({ ...swing, name: 'again' });
  const first = await request('/api/export?format=glb', { method: 'POST', body });
  const second = await request('/api/export?format=glb', { method: 'POST', body });
  const changed = await request('/api/export?format=glb', {
    method: 'POST', body: JSON.stringify({ ...swing, name: 'again', inputs: { ...swing.inputs, FacetoFace: 0.3 } }),
  });
  check(first.status === 200 && second.status === 200 && first.bytes.equals(second.bytes) &&
    changed.status === 200 && !changed.bytes.equals(first.bytes), 'a repeated export differs, or a changed one does not');
}
// format=csv: the part as the row `checkvalve convert` writes for it, under the part's name.
{
  const edited = { ...swing, name: 'swing-edited', inputs: { ...swing.inputs, FacetoFace: 0.315 } };
  const file = path.join(work, 'edited.json');
  fs.writeFileSync(file, JSON.stringify({ parts: [edited] }));
  run('convert', file, path.join(work, 'edited.csv'));
  const r = await request('/api/export?format=csv', { method: 'POST', body: JSON.stringify(edited) });
  check(r.status === 200 && /^text\/csv/.test(r.headers.get('content-type') ?? '') &&
    r.headers.get('content-disposition') === 'attachment; filename="swing-edited.csv"' &&
    text(r) === fs.readFileSync(path.join(work, 'edited.csv'), 'utf8'), `export csv: ${r.status} ${text(r).slice(0, 200)}`);
}
{
  const r = await request('/api/export?format=dwg', { method: 'POST', body: JSON.stringify(swing) });
  check(r.status === 400 && JSON.parse(text(r)).error.field === 'format', `unknown format: ${r.status}`);
}

// /api/build: one evaluation answers the report and the GLB, as multipart/form-data. The report is that of
// /api/evaluate, the full model that of /api/export; a preview is coarser; a failing part still has its
// report (and the model of what was added before the failure).
{
  const form = (r) => new Response(r.bytes, { headers: { 'content-type': r.headers.get('content-type') ?? '' } }).formData();
  const body = JSON.stringify({ ...swing, name: 'built' });
  const exported = await request('/api/export?format=glb', { method: 'POST', body });
  const evaluated = await request('/api/evaluate', { method: 'POST', body });
  const cases = [
    ['full', '/api/build?format=glb', body],
    ['preview', '/api/build?format=glb&detail=preview', body],
    ['failing', '/api/build', JSON.stringify({ ...swing, name: 'built', inputs: { ...swing.inputs, FacetoFace: 0 } })],
  ];
  const models = {};
  for (const [label, route, sent] of cases) {
    const r = await request(route, { method: 'POST', body: sent });
    const data = r.status === 200 ? await form(r) : null;
    const report = data ? JSON.parse(data.get('report')) : null;
    const model = data?.get('model');
    models[label] = model ? Buffer.from(await model.arrayBuffer()) : null;
    check(r.status === 200 && /^multipart\/form-data; boundary=/.test(r.headers.get('content-type')) && report &&
      models[label]?.subarray(0, 4).toString() === 'glTF' && model.name === 'built.glb' && data.get('exportError') === null,
      `build ${label}: ${r.status} ${r.headers.get('content-type')}`);
    if (label === 'full') check(data.get('report') === text(evaluated) && models.full.equals(exported.bytes),
      'build: its report is not /api/evaluate\'s or its model not /api/export\'s');
    if (label === 'failing') check(report?.aspects.some((a) => !a.ok) && report.warnings.length > 0, 'build of a failing part: no failure in its report');
  }
  check(models.preview && models.full && models.preview.length < models.full.length,
    `build: the preview (${models.preview?.length} bytes) is not smaller than the full model (${models.full?.length})`);
  // report=outline: the same aspects, errors, outputs (by name and kind) and warnings, no shape measured.
  const full = JSON.parse(text(evaluated));
  for (const sent of [body, cases[2][2]]) {
    const r = await request('/api/build?format=glb&detail=preview&report=outline', { method: 'POST', body: sent });
    const outline = r.status === 200 ? JSON.parse((await form(r)).get('report')) : null;
    const whole = sent === body ? full : JSON.parse(text(await request('/api/evaluate', { method: 'POST', body: sent })));
    const expected = {
      part: whole.part, partDataBasis: whole.partDataBasis,
      aspects: whole.aspects.map((a) => ({ name: a.name, code: a.code, ok: a.ok, error: a.error, outputs: a.outputs.map((o) => ({ name: o.name, kind: o.kind })) })),
      warnings: whole.warnings,
    };
    check(JSON.stringify(outline) === JSON.stringify(expected), `build report=outline differs from the evaluation's outline: ${JSON.stringify(outline)?.slice(0, 300)}`);
  }
  for (const [route, field] of [['/api/build?format=step', 'format'], ['/api/build?detail=fine', 'detail'], ['/api/build?report=short', 'report']]) {
    const r = await request(route, { method: 'POST', body });
    check(r.status === 400 && JSON.parse(text(r)).error.field === field, `${route}: ${r.status}`);
  }
  const malformed = await request('/api/build', { method: 'POST', body: JSON.stringify({ ...swing, inputs: { FacetoFace: 'long' } }) });
  check(malformed.status === 400 && JSON.parse(text(malformed)).error.field === 'inputs.FacetoFace', `build of a malformed part: ${malformed.status} ${text(malformed)}`);
}

// Recent exports are kept by the part's content, not by how its JSON is written: the same part sent again
// indented is answered from the cache; another value of one input is built anew.
{
  const part = { ...swing, name: 'kept' };
  const first = await request('/api/build?format=glb', { method: 'POST', body: JSON.stringify(part) });
  const again = await request('/api/build?format=glb', { method: 'POST', body: JSON.stringify(part, null, 2) });
  const other = await request('/api/build?format=glb', {
    method: 'POST', body: JSON.stringify({ ...part, inputs: { ...part.inputs, FacetoFace: '300mm' } }) });
  check(first.status === 200 && first.headers.get('server-timing') !== 'cache', `build kept: first ${first.headers.get('server-timing')}`);
  check(again.status === 200 && again.headers.get('server-timing') === 'cache',
    `build kept: the same part written otherwise was built again (${again.headers.get('server-timing')})`);
  check(other.status === 200 && other.headers.get('server-timing') !== 'cache',
    `build kept: a changed part: ${other.status} ${other.headers.get('server-timing')}`);
}

// Variants: every served PartDataBasis once, with the inputs it reads.
{
  const r = await request('/api/variants');
  const variants = JSON.parse(text(r)).variants;
  const samples = JSON.parse(run('samples', '--json')).parts;
  const served = [...new Set(samples.map((p) => p.partDataBasis))];
  check(variants.length === served.length, `variants: ${variants.length} for ${served.length} PartDataBasis values`);
  const swingVariant = variants.find((v) => v.partDataBasis === 1);
  check(swingVariant?.inputs.includes('FacetoFace') && !swingVariant.inputs.includes('BranchLength') &&
    swingVariant.ports.join() === '1,2' && swingVariant.operator === false, `variant 1: ${JSON.stringify(swingVariant)}`);
  const withOperator = variants.find((v) => v.partDataBasis === 2046);
  check(withOperator?.operator === true && withOperator.inputs.includes('HandwheelAngle'),
    `variant 2046: ${JSON.stringify(withOperator)}`);
}

// --- Raw requests: the Host header and paths ------------------------------------------------------------
function raw(bytes, timeoutMs = 3000) {
  return new Promise((resolve) => {
    const socket = net.connect(port, '127.0.0.1');
    let answer = '';
    const timer = setTimeout(() => socket.destroy(), timeoutMs);
    socket.on('connect', () => socket.write(bytes));
    socket.on('data', (chunk) => (answer += chunk.toString('latin1')));
    socket.on('error', () => {});
    socket.on('close', () => {
      clearTimeout(timer);
      resolve(answer);
    });
  });
}
const statusOf = (answer) => Number(answer.split(' ')[1]);
for (const [host, status] of [
  ['127.0.0.1', 200],
  [`127.0.0.1:${port}`, 200],
  [`localhost:${port}`, 200],
  ['LOCALHOST.', 200],
  ['rebind.example:80', 421],
  ['127.0.0.1.nip.example', 421],
  ['10.1.2.3', 421],
]) {
  const answer = await raw(`GET /index.html HTTP/1.1\r\nHost: ${host}\r\nConnection: close\r\n\r\n`);
  check(statusOf(answer) === status, `Host ${host}: ${statusOf(answer)}, expected ${status}`);
}
{
  const answer = await raw('GET /index.html HTTP/1.1\r\nConnection: close\r\n\r\n');
  check(statusOf(answer) === 400, `no Host: ${statusOf(answer)}`);
}

// --- A folder swapped for a symbolic link out of the root, while requests race ---------------------------
{
  const swap = path.join(site, 'swap');
  const parked = path.join(site, 'swap.parked');
  const link = path.join(site, 'swap.link');
  fs.symlinkSync(outside, link);
  let swapping = true;
  let swaps = 0;
  const swapper = (async () => {
    while (swapping) {
      // swap is the folder, then the link, then the folder again: each step one atomic rename.
      fs.renameSync(swap, parked);
      fs.renameSync(link, swap);
      await new Promise((resolve) => setImmediate(resolve));
      fs.renameSync(swap, link);
      fs.renameSync(parked, swap);
      swaps += 1;
      await new Promise((resolve) => setImmediate(resolve));
    }
  })();
  let leaked = 0;
  let inside = 0;
  let requests = 0;
  const deadline = Date.now() + 4000;
  while (Date.now() < deadline && requests < 1500) {
    const batch = await Promise.all(Array.from({ length: 20 }, () =>
      raw(`GET /swap/data.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n`)));
    requests += batch.length;
    leaked += batch.filter((a) => a.includes('TOP-SECRET')).length;
    inside += batch.filter((a) => a.includes('inside')).length;
  }
  swapping = false;
  await swapper;
  check(leaked === 0, `swap race: ${leaked} of ${requests} requests returned the outside file`);
  check(inside > 0 && swaps > 10, `swap race did not race: ${inside} inside answers, ${swaps} swaps`);
}

// --- Every evaluation slot busy: a short wait, then 503 with Retry-After ---------------------------------
// A second server with one slot that each evaluation keeps 2.5 s: a request arriving meanwhile waits
// 1.5 s for it, then is turned away; the one holding the slot is answered.
{
  const busyServer = spawn(cv, ['serve', site, '--port', '0', '--evaluations', '1', '--test-hold-slot-ms', '2500'],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  let out = '';
  busyServer.stdout.on('data', (chunk) => (out += chunk));
  let busyBase = '';
  for (let i = 0; i < 600 && !busyBase; i += 1) {
    busyBase = out.match(/^Serving .* at (http:\/\/127\.0\.0\.1:\d+)\/$/m)?.[1] ?? '';
    if (!busyBase) await sleep(50);
  }
  const post = async (route) => {
    const start = performance.now();
    const response = await fetch(busyBase + route, {
      method: 'POST', body: JSON.stringify(swing), headers: { 'Content-Type': 'application/json' },
      signal: AbortSignal.timeout(20000),
    });
    return { status: response.status, retryAfter: response.headers.get('retry-after'),
      body: await response.text(), ms: performance.now() - start };
  };
  let holding = post('/api/evaluate');
  await sleep(300);
  for (const route of ['/api/evaluate', '/api/export?format=glb', '/api/build']) {
    const turnedAway = await post(route);
    let message = '';
    try {
      message = JSON.parse(turnedAway.body).error.message;
    } catch {}
    check(turnedAway.status === 503 && turnedAway.retryAfter === '1' && /busy/.test(message) &&
      turnedAway.ms >= 1400 && turnedAway.ms < 2400,
      `${route} with every slot busy: ${turnedAway.status}, Retry-After ${turnedAway.retryAfter}, ` +
      `after ${turnedAway.ms.toFixed(0)} ms: ${turnedAway.body.slice(0, 120)}`);
    if (route !== '/api/build') {
      const held = await holding;
      check(held.status === 200, `the request holding the slot: ${held.status}`);
      // Its slot was given back with that answer: a new holder for the next route's turn.
      holding = post('/api/evaluate');
      await sleep(300);
    }
  }
  holding.catch(() => {}); // cut off with the server
  busyServer.kill('SIGKILL');
}

// --- 200 idle and 200 trickling connections do not lock others out ------------------------------------
{
  const sockets = [];
  const open = () => new Promise((resolve) => {
    const socket = net.connect(port, '127.0.0.1', () => resolve(socket));
    socket.on('error', () => resolve(socket));
    sockets.push(socket);
  });
  for (let i = 0; i < 200; i += 1) await open();
  const tricklers = [];
  for (let i = 0; i < 200; i += 1) {
    const socket = await open();
    socket.write('GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ');
    tricklers.push(socket);
  }
  const trickle = setInterval(() => tricklers.forEach((s) => s.writable && s.write('a')), 200);
  await sleep(300);
  const timed = async (what, work) => {
    const start = performance.now();
    const status = await Promise.race([work(), sleep(5000).then(() => 'no answer')]);
    const ms = performance.now() - start;
    check(status === 200 && ms < 1000, `${what} with 400 slow connections open: ${status} after ${ms.toFixed(0)} ms`);
  };
  await timed('GET', async () => (await request('/index.html')).status);
  await timed('evaluate', async () => (await request('/api/evaluate', { method: 'POST', body: JSON.stringify(swing) })).status);

  // Ctrl-C with all of them still open: the server is gone within a second.
  const start = performance.now();
  server.kill('SIGINT');
  const result = await Promise.race([exited, sleep(5000).then(() => null)]);
  const ms = performance.now() - start;
  check(result !== null && result.code === 130 && ms < 1000, `SIGINT: ${JSON.stringify(result)} after ${ms.toFixed(0)} ms`);
  check(/^Stopped\.$/m.test(serverOut), 'no "Stopped." after SIGINT');
  clearInterval(trickle);
  sockets.forEach((s) => s.destroy());
}

if (server.exitCode === null) server.kill('SIGKILL');
fs.rmSync(work, { recursive: true, force: true });
finish();
