// Connection load on `checkvalve serve`, loopback only: 5,000 idle connections and 1,000 slow ones (each
// sending a header line every 2 s), each opened again when the server's idle or head deadline closes it, held open while
// GET /index.html and POST /api/evaluate are timed one after the other; prints p50/p99 of each and the
// server's resident memory (now and at its peak).
// Usage: node connection_load.mjs PATH/TO/checkvalve [IDLE] [SLOW] [SECONDS]
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

const [cv, idleArg = '5000', slowArg = '1000', secondsArg = '20'] = process.argv.slice(2);
const [idleCount, slowCount, seconds] = [Number(idleArg), Number(slowArg), Number(secondsArg)];
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const sample = JSON.parse(execFileSync(cv, ['samples', '--json'], { encoding: 'utf8' })).parts[0].name;

const site = fs.mkdtempSync(path.join(os.tmpdir(), 'checkvalve-load-'));
fs.writeFileSync(path.join(site, 'index.html'), '<!doctype html><title>gallery</title>\n');
const server = spawn(cv, ['serve', site, '--port', '0', '--connections', '10000', '--connections-per-address', '10000'],
  { stdio: ['ignore', 'pipe', 'inherit'], detached: true });
let out = '';
server.stdout.on('data', (chunk) => (out += chunk));
let port = 0;
for (let i = 0; i < 600 && !port; i += 1) {
  port = Number(out.match(/at http:\/\/127\.0\.0\.1:(\d+)\//)?.[1] ?? 0);
  if (!port) await sleep(50);
}
const partBody = await (await fetch(`http://127.0.0.1:${port}/api/part?sample=${sample}`)).text();

const sockets = new Set();
let stopping = false;
function connect(onOpen) {
  const socket = net.connect(port, '127.0.0.1');
  socket.on('error', () => {});
  socket.on('connect', () => onOpen(socket));
  sockets.add(socket);
  socket.on('close', () => sockets.delete(socket));
  return socket;
}
const opened = (socket) => new Promise((resolve) => { socket.once('connect', resolve); socket.once('error', resolve); });
// An idle connection is closed after the server's idle time; it comes back at once, as a crowd would.
function idle() {
  const socket = connect(() => {});
  socket.on('close', () => !stopping && idle());
  return socket;
}
for (let i = 0; i < idleCount; i += 1) await opened(idle());
function slow() {
  const socket = connect((s) => s.write('GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\n'));
  let line = 0;
  const timer = setInterval(() => socket.writable && socket.write(`X-Slow-${line++}: a\r\n`), 2000);
  socket.on('close', () => {
    clearInterval(timer);
    if (!stopping) slow();
  });
  return socket;
}
for (let i = 0; i < slowCount; i += 1) await opened(slow());
console.log(`open: ${sockets.size} connections (${idleCount} idle, ${slowCount} slow)`);

async function timed(request) {
  const start = performance.now();
  const response = await fetch(`http://127.0.0.1:${port}${request.path}`, { ...request, signal: AbortSignal.timeout(10000) });
  await response.arrayBuffer();
  if (response.status !== 200) throw new Error(`${request.path}: ${response.status}`);
  return performance.now() - start;
}
const percentile = (values, p) => [...values].sort((a, b) => a - b)[Math.min(values.length - 1, Math.floor(values.length * p))];
const gets = [];
const evaluations = [];
const until = Date.now() + seconds * 1000;
while (Date.now() < until) {
  gets.push(await timed({ path: '/index.html' }));
  if (gets.length % 4 === 0) {
    evaluations.push(await timed({ path: '/api/evaluate', method: 'POST', body: partBody,
      headers: { 'Content-Type': 'application/json' } }));
  }
  await sleep(20);
}
const status = fs.readFileSync(`/proc/${server.pid}/status`, 'utf8');
const memory = (key) => Math.round(Number(status.match(new RegExp(`${key}:\\s+(\\d+)`))[1]) / 1024);
console.log(`GET /index.html: ${gets.length} requests, p50 ${percentile(gets, 0.5).toFixed(1)} ms, ` +
  `p99 ${percentile(gets, 0.99).toFixed(1)} ms`);
console.log(`POST /api/evaluate: ${evaluations.length} requests, p50 ${percentile(evaluations, 0.5).toFixed(1)} ms, ` +
  `p99 ${percentile(evaluations, 0.99).toFixed(1)} ms`);
console.log(`server memory: ${memory('VmRSS')} MB resident, ${memory('VmHWM')} MB at its peak; ` +
  `${sockets.size} connections open at the end`);
stopping = true;
sockets.forEach((s) => s.destroy());
process.kill(-server.pid, 'SIGTERM');
fs.rmSync(site, { recursive: true, force: true });
