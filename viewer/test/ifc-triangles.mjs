// Measures what web-ifc draws of every sample's exact IFC file against the same sample written with
// `--ifc-geometry mesh`: triangles at 64 segments a circle, per part and summed, and the files' sizes.
// A measurement, not a test: it prints a table (the parts whose exact file draws the most triangles
// against its mesh file first) and the totals.
//
// Usage: node viewer/test/ifc-triangles.mjs [--all] [--composite]
// --composite writes the exact files with `--ifc-curves composite`.
// Environment: CHECKVALVE (the checkvalve binary; default: the newest build/*/src/checkvalve).
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';

import { drawnTriangles, findCheckvalve, gallery } from './support.mjs';

const require = createRequire(import.meta.url);
const WebIFC = require('web-ifc');
const LOADER = { CIRCLE_SEGMENTS: 64 };

async function main() {
  const checkvalve = findCheckvalve();
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tcv-ifc-triangles-'));
  try {
    const exactDir = path.join(work, 'exact');
    const meshDir = path.join(work, 'mesh');
    const parts = gallery(checkvalve, exactDir, process.argv.includes('--composite') ? ['--ifc-curves', 'composite'] : []).parts;
    gallery(checkvalve, meshDir, ['--ifc-geometry', 'mesh']);
    const api = new WebIFC.IfcAPI();
    await api.Init();
    const rows = [];
    const total = { exact: 0, mesh: 0, exactBytes: 0, meshBytes: 0 };
    for (const part of parts) {
      const file = `${part.name}.ifc`;
      const exactFile = path.join(exactDir, file);
      const meshFile = path.join(meshDir, file);
      if (!fs.existsSync(exactFile) || !fs.existsSync(meshFile)) continue;
      const row = { name: part.name, exact: drawnTriangles(api, exactFile, LOADER), mesh: drawnTriangles(api, meshFile, LOADER),
        exactBytes: fs.statSync(exactFile).size, meshBytes: fs.statSync(meshFile).size };
      for (const key of Object.keys(total)) total[key] += row[key];
      rows.push(row);
    }
    rows.sort((a, b) => b.exact / b.mesh - a.exact / a.mesh);
    const shown = process.argv.includes('--all') ? rows : rows.slice(0, 8);
    console.log('part | web-ifc triangles, exact | mesh | ratio | bytes, exact | mesh');
    for (const r of shown)
      console.log(`${r.name} | ${r.exact} | ${r.mesh} | ${(r.exact / r.mesh).toFixed(2)} | ${r.exactBytes} | ${r.meshBytes}`);
    console.log(`${rows.length} parts | ${total.exact} | ${total.mesh} | ${(total.exact / total.mesh).toFixed(2)} | ` +
      `${total.exactBytes} | ${total.meshBytes}`);
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.log(error.stack ?? error);
  process.exit(1);
});
