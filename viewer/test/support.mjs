// What the viewer's end-to-end tests share: finding the checkvalve binary, rendering a gallery and counting
// the triangles web-ifc draws of an IFC file.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');

// $CHECKVALVE, else the newest build/*/src/checkvalve.
export function findCheckvalve() {
  if (process.env.CHECKVALVE) return path.resolve(process.env.CHECKVALVE);
  const builds = path.join(repo, 'build');
  const found = (fs.existsSync(builds) ? fs.readdirSync(builds) : [])
    .map((dir) => path.join(builds, dir, 'src/checkvalve'))
    .filter((file) => fs.existsSync(file))
    .sort((a, b) => fs.statSync(b).mtimeMs - fs.statSync(a).mtimeMs);
  if (!found.length) throw new Error('no checkvalve binary: build it or set CHECKVALVE');
  return found[0];
}

// Runs `checkvalve gallery` and returns its index; a failing part makes it exit 1, which is expected here.
export function gallery(checkvalve, outdir, extra) {
  const result = spawnSync(checkvalve, ['gallery', outdir, '--jobs', '2', ...extra], { encoding: 'utf8' });
  if (result.status !== 0 && result.status !== 1)
    throw new Error(`checkvalve gallery ${outdir} exited ${result.status}: ${result.stderr}`);
  if (/warning/i.test(result.stderr)) console.log(result.stderr.trim());
  return JSON.parse(fs.readFileSync(path.join(outdir, 'index.json'), 'utf8'));
}

// axe-core (a dev dependency) run in the page: the serious and critical violations, as "rule (n nodes)".
const axeSource = path.join(repo, 'viewer/node_modules/axe-core/axe.min.js');
export async function axeViolations(page) {
  if (!(await page.evaluate(() => Boolean(window.axe)))) await page.addScriptTag({ path: axeSource });
  const violations = await page.evaluate(async () => (await window.axe.run(document, { resultTypes: ['violations'] })).violations
    .filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => `${v.id} (${v.nodes.length}: ${v.nodes.slice(0, 2).map((n) => n.target.join(' ')).join(', ')})`));
  return violations;
}

// The triangles web-ifc draws of every mesh of the IFC file, opened with `loader` settings.
export function drawnTriangles(api, file, loader) {
  const model = api.OpenModel(new Uint8Array(fs.readFileSync(file)), loader);
  let count = 0;
  api.StreamAllMeshes(model, (mesh) => {
    for (let i = 0; i < mesh.geometries.size(); i += 1) {
      const geometry = api.GetGeometry(model, mesh.geometries.get(i).geometryExpressID);
      count += geometry.GetIndexDataSize() / 3;
      geometry.delete();
    }
  });
  api.CloseModel(model);
  return count;
}
