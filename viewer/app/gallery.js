// The gallery page: every part of index.json in a table, narrowed by the search box.
import { el, entryOk, fileUrl, loadIndex, outputCountsText, partFiles, partPageUrl, statusText } from './common.js';

const body = document.querySelector('#parts tbody');
const search = document.getElementById('search');
const count = document.getElementById('count');
const summary = document.getElementById('summary');
const problem = document.getElementById('problem');

let rows = []; // { entry, row, haystack }

function fileLinks(entry) {
  const files = partFiles(entry);
  const links = [];
  for (const [label, path] of [['GLB', files.glb], ['STEP', files.step], ['IFC', files.ifc], ['report', files.report]]) {
    if (!path) continue;
    if (links.length) links.push(' ');
    links.push(el('a', { text: label, attrs: { href: fileUrl(path), download: '' } }));
  }
  return links;
}

function thumbnail(entry) {
  const glb = partFiles(entry).glb;
  const image = el('img', { className: 'thumb', attrs: { alt: '', width: 96, height: 72, 'data-state': glb ? 'waiting' : 'none' } });
  if (glb) image.dataset.glb = fileUrl(glb);
  return image;
}

function makeRow(entry) {
  const name = String(entry.name ?? '');
  const ok = entryOk(entry);
  const row = el('tr', { className: ok ? 'ok' : 'failed', attrs: { 'data-part': name } }, [
    el('td', { className: 'picture' }, [el('a', { attrs: { href: partPageUrl(name), tabindex: -1, 'aria-label': `Picture of ${name}` } }, [thumbnail(entry)])]),
    el('td', {}, [el('a', { text: name, className: 'part-link', attrs: { href: partPageUrl(name) } })]),
    el('td', { text: entry.partDataBasis ?? '', className: 'pdb' }),
    el('td', { text: entry.description ?? '', className: 'description' }),
    el('td', { text: outputCountsText(entry), className: 'counts' }),
    el('td', { className: 'status' }, [
      el('span', { text: statusText(entry) }),
      entry.error ? el('div', { text: entry.error, className: 'error' }) : null,
    ]),
    el('td', { className: 'files' }, fileLinks(entry)),
  ]);
  const haystack = [name, entry.partDataBasis, entry.description, statusText(entry), entry.error ?? ''].join(' ').toLowerCase();
  return { entry, row, haystack };
}

// Shows the rows holding every word of the query.
function applyFilter() {
  const words = search.value.toLowerCase().split(/\s+/).filter(Boolean);
  let shown = 0;
  for (const { row, haystack } of rows) {
    const match = words.every((word) => haystack.includes(word));
    row.hidden = !match;
    if (match) shown += 1;
  }
  count.textContent = `${shown} of ${rows.length} parts`;
}

async function main() {
  try {
    const index = await loadIndex();
    rows = index.parts.map(makeRow);
    body.replaceChildren(...rows.map((r) => r.row));
    const failed = rows.filter((r) => !entryOk(r.entry)).length;
    summary.textContent = `${rows.length} parts, ${rows.length - failed} ok, ${failed} failed`;
    const query = new URLSearchParams(location.search).get('q');
    if (query) search.value = query;
    applyFilter();
    // Pictures are a nicety: the list works without them (no WebGL, no three.js copied).
    import('./thumbnails.js')
      .then(({ watchThumbnails }) => watchThumbnails(body.querySelectorAll('img.thumb[data-glb]')))
      .catch(() => {});
  } catch (error) {
    summary.textContent = '';
    problem.hidden = false;
    problem.textContent = `Cannot read the gallery: ${error.message}`;
  }
  document.body.dataset.ready = 'true';
}

search.addEventListener('input', applyFilter);
main();
