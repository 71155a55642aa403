// Shared by the gallery and part pages: reading the gallery's index and building DOM from data.
// Every text that comes from a catalogue (names, descriptions) goes in through textContent, never as markup.

// Creates an element; `text` becomes its textContent, `attrs` are set as attributes.
export function el(tag, { text, className, attrs } = {}, children = []) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined && text !== null) node.textContent = String(text);
  for (const [name, value] of Object.entries(attrs || {})) node.setAttribute(name, String(value));
  for (const child of children) if (child) node.append(child);
  return node;
}

// A URL for a file of the gallery, relative to the page; each path segment percent-encoded so that a
// name holding '#', '?' or '%' still names the file.
export function fileUrl(path) {
  return String(path).split('/').map(encodeURIComponent).join('/');
}

// The link to the viewer page of a part.
export function partPageUrl(name) {
  return 'part.html?' + new URLSearchParams({ part: name }).toString();
}

async function fetchJson(url) {
  const response = await fetch(url, { cache: 'no-cache' });
  if (!response.ok) throw new Error(`${url}: ${response.status} ${response.statusText}`);
  return response.json();
}

// The gallery's index: { parts: [entry...] }.
export async function loadIndex() {
  const index = await fetchJson('index.json');
  if (!index || !Array.isArray(index.parts)) throw new Error('index.json holds no "parts" list');
  return index;
}

export async function loadJson(path) {
  return fetchJson(fileUrl(path));
}

// The files of a part as written by the gallery: { glb, step, ifc, report }, each a path or null.
export function partFiles(entry) {
  const files = entry.files || {};
  const pick = (...keys) => {
    for (const key of keys) {
      if (typeof files[key] === 'string') return files[key];
      if (typeof entry[key] === 'string') return entry[key];
    }
    return null;
  };
  return { glb: pick('glb'), step: pick('step'), ifc: pick('ifc'), report: pick('report', 'json') };
}

// True when the part's every evaluated aspect succeeded.
export function entryOk(entry) {
  if (typeof entry.ok === 'boolean') return entry.ok;
  return entry.status === 'ok';
}

// The status word shown for a part.
export function statusText(entry) {
  if (typeof entry.status === 'string') return entry.status;
  return entryOk(entry) ? 'ok' : 'failed';
}

// Output counts of an entry as "Physical 5, Insulation 3".
export function outputCountsText(entry) {
  const counts = entry.outputs || entry.outputCounts;
  if (!counts || typeof counts !== 'object') return '';
  return Object.entries(counts)
    .map(([aspect, count]) => `${aspect} ${count}`)
    .join(', ');
}
