// The configurator: a part (a sample part or a bare PartDataBasis) as a form generated from the server's
// /api/variants and /api/definition, rebuilt through /api/build on every change: one request, one
// evaluation, answering both the report and the model. A newer edit aborts the older request, which ends
// the server's work on it. The part lives in the URL hash, so a configuration can be shared and the back
// button steps through edits. The form shows lengths and angles in the unit chosen; the part and the API
// always hold metres and radians.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { el } from './common.js';
import {
  ANGLE_UNITS, DEFAULT_UNITS, LENGTH_UNITS, belowMinimum, fromTyped, problemsOf, toShown, unitFor,
} from './fields.js';

// Short enough that a change shows soon, long enough that a value typed at speed goes as one request.
const DEBOUNCE_MS = 40;
// How long after the last keystroke a failure waits before it shows.
const TYPING_PAUSE_MS = 600;
// The mesh the view draws while editing: coarser than a download's, made in about half the time.
const DETAIL = 'preview';
// Back-off after "every evaluation slot is busy": 0.5 s, 1 s, 2 s, ... at most 8 s, at most 8 tries.
const RETRY_FIRST_MS = 500;
const RETRY_MAX_MS = 8000;
const RETRIES = 8;
const UNITS_KEY = 'tcv.configurator.units';
const PORT_FIELDS = [
  ['pipeOD', 'Pipe outside diameter'],
  ['flangeOD', 'Flange outside diameter'],
  ['flangeThickness', 'Flange thickness'],
  ['cptOffset', 'Connection point offset'],
  ['depth', 'Socket or thread depth'],
];

const startSelect = document.getElementById('start');
const form = document.getElementById('form');
const banner = document.getElementById('banner');
const warningsBox = document.getElementById('warnings');
const outputsBox = document.getElementById('outputs');
const stage = document.getElementById('stage');
const stageStatus = document.getElementById('stage-status');
const exportsNote = document.getElementById('exports-note');
const lengthUnit = document.getElementById('length-unit');
const angleUnit = document.getElementById('angle-unit');

const state = {
  phase: 'loading', // 'loading' | 'ready' | 'error'
  part: null, // the part as catalogue JSON, as the form says
  definition: null,
  variants: [],
  samples: [],
  builds: 0, // models drawn so far
  shown: null, // the part whose model is drawn: what the downloads export and "copy" copies
  failure: '', // what the banner says, '' when the last change built
  problems: [], // of the last report: { level, text, short, fields }
  local: new Map(), // field -> what is wrong with the typed value (not sent)
  units: loadUnits(),
  retries: 0, // 503 answers retried, in all
  aborted: 0, // requests aborted by a newer edit
  timings: [], // milliseconds from an edit to its model drawn
  editedAt: null,
  edited: null, // the field changed last
};

function loadUnits() {
  try {
    const saved = JSON.parse(localStorage.getItem(UNITS_KEY) ?? '{}');
    return {
      length: saved.length in LENGTH_UNITS ? saved.length : DEFAULT_UNITS.length,
      angle: saved.angle in ANGLE_UNITS ? saved.angle : DEFAULT_UNITS.angle,
    };
  } catch {
    return { ...DEFAULT_UNITS };
  }
}

// --- The scene ---------------------------------------------------------------------------------------------
const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
renderer.setPixelRatio(Math.min(window.devicePixelRatio, 2));
renderer.setClearColor(0xf4f5f7);
stage.prepend(renderer.domElement);
const scene = new THREE.Scene();
const camera = new THREE.PerspectiveCamera(40, 1, 0.001, 1000);
scene.add(new THREE.HemisphereLight(0xffffff, 0x667080, 1.6));
const headlight = new THREE.DirectionalLight(0xffffff, 1.6);
headlight.position.set(0.5, 1, 0.8);
camera.add(headlight);
scene.add(camera);
const model = new THREE.Group();
scene.add(model);
const controls = new OrbitControls(camera, renderer.domElement);
controls.addEventListener('change', render);
function render() {
  renderer.render(scene, camera);
}
function resize() {
  const { clientWidth: w, clientHeight: h } = stage;
  renderer.setSize(Math.max(w, 1), Math.max(h, 1));
  camera.aspect = Math.max(w, 1) / Math.max(h, 1);
  camera.updateProjectionMatrix();
  render();
}
new ResizeObserver(resize).observe(stage);

// The box of the Physical aspect (insulation stays out of the picture).
function physicalBox() {
  const box = new THREE.Box3();
  model.updateMatrixWorld(true);
  model.traverse((node) => {
    if (!node.isMesh) return;
    for (let up = node; up; up = up.parent) if (!up.visible) return;
    box.union(new THREE.Box3().setFromObject(node));
  });
  return box;
}

let fittedSize = 0; // the size of the part the view was last fitted to

function fit() {
  const box = physicalBox();
  if (box.isEmpty()) return;
  const centre = box.getCenter(new THREE.Vector3());
  const size = box.getSize(new THREE.Vector3()).length() || 1;
  fittedSize = size;
  controls.target.copy(centre);
  camera.position.copy(centre).add(new THREE.Vector3(0.9, 0.7, 1.1).multiplyScalar(size));
  camera.near = size / 1000;
  camera.far = size * 100;
  camera.updateProjectionMatrix();
  controls.update();
  render();
}

// Whether every corner of the part's box lies in the picture.
function inView() {
  const box = physicalBox();
  if (box.isEmpty()) return true;
  camera.updateMatrixWorld(true);
  for (let corner = 0; corner < 8; corner += 1) {
    const point = new THREE.Vector3(corner & 1 ? box.max.x : box.min.x, corner & 2 ? box.max.y : box.min.y, corner & 4 ? box.max.z : box.min.z);
    point.project(camera);
    if (Math.abs(point.x) > 1 || Math.abs(point.y) > 1 || point.z > 1) return false;
  }
  return true;
}

// Draws a new model; the view is fitted again when asked, when the part no longer fits in it, or when it
// shrank to less than a third of the size it was fitted at.
function showModel(gltf, refit) {
  model.clear();
  gltf.scene.traverse((node) => {
    if (node.userData?.aspect === 'Insulation') node.visible = false;
  });
  model.add(gltf.scene);
  model.updateMatrixWorld(true);
  const size = physicalBox().getSize(new THREE.Vector3()).length();
  if (refit || !inView() || size < fittedSize / 3) fit();
  else render();
}

// --- The server ----------------------------------------------------------------------------------------------
async function getJson(url) {
  const response = await fetch(url);
  const body = await response.json().catch(() => null);
  if (!response.ok) throw new Error(body?.error?.message ?? `${url}: ${response.status}`);
  return body;
}

async function post(url, part, signal) {
  return fetch(url, { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(part), signal });
}

const sleep = (ms, signal) => new Promise((resolve, reject) => {
  const timer = setTimeout(resolve, ms);
  signal.addEventListener('abort', () => (clearTimeout(timer), reject(signal.reason)), { once: true });
});

// --- The part in the URL hash ---------------------------------------------------------------------------------
function hashOf(part) {
  return '#' + encodeURIComponent(JSON.stringify(part));
}
function partFromHash() {
  if (location.hash.length < 2) return null;
  try {
    return JSON.parse(decodeURIComponent(location.hash.slice(1)));
  } catch {
    return null;
  }
}

// --- The form -------------------------------------------------------------------------------------------------
function variantOf(part) {
  return state.variants.find((v) => v.partDataBasis === part.partDataBasis);
}

// One number: its description as the label with the name beside it, the unit, and a line below for what is
// wrong with it. `field` is the input's name (`inputs.X`, `ports.i.key`, `operator.X`); `key` the name
// whose kind (length or angle) sets the unit.
function numberField(field, key, description, name, value, onChange) {
  const unit = unitFor(key, state.units);
  const note = el('span', { className: 'note', attrs: { id: `note-${field}` } });
  const input = el('input', {
    attrs: { type: 'number', step: unit.step, name: field, inputmode: 'decimal', 'aria-describedby': note.id },
  });
  // The value as the default too: the arrow keys step from it by whole steps (a `min` would move the
  // steps' base to the minimum; minimums are checked as values are typed instead).
  input.defaultValue = typeof value === 'number' ? toShown(value, unit) : String(value ?? '');
  input.dataset.unit = unit.label;
  input.addEventListener('input', () => {
    const number = fromTyped(input.value, unit);
    if (number === null) return;
    state.editedAt = performance.now();
    const wrong = belowMinimum(field, number);
    clearTimeout(localTimer);
    if (wrong) {
      // Not sent: the symbol could not build it. Marked once typing pauses (a half-typed 0.392 is 0 for
      // a moment).
      state.local.set(field, wrong);
      clearTimeout(timer);
      localTimer = setTimeout(markFields, TYPING_PAUSE_MS);
      return;
    }
    state.local.delete(field);
    state.edited = field;
    onChange(number);
  });
  const text = el('span', { className: 'label' }, [
    el('span', { text: description, className: 'description' }),
    description !== name ? el('span', { text: name, className: 'name' }) : null,
  ]);
  return el('div', { className: 'field', attrs: { 'data-field': field } }, [
    el('label', {}, [text, input, el('span', { text: unit.label, className: 'unit' })]),
    note,
  ]);
}

function buildForm() {
  const part = state.part;
  const variant = variantOf(part);
  const inputs = state.definition.inputs;
  const shown = new Set(variant ? variant.inputs : inputs.map((i) => i.name));
  const dimensions = el('fieldset', {}, [el('legend', { text: `Dimensions (PartDataBasis ${part.partDataBasis})` })]);
  for (const input of inputs) {
    if (!shown.has(input.name)) continue;
    const value = part.inputs?.[input.name] ?? input.default;
    dimensions.append(numberField(`inputs.${input.name}`, input.name, input.description, input.name, value, (v) => {
      part.inputs = { ...part.inputs, [input.name]: v };
      changed();
    }));
  }
  const ports = el('fieldset', {}, [el('legend', { text: 'Ports' })]);
  for (const [i, port] of (part.ports ?? []).entries()) {
    ports.append(el('h3', { text: `Port ${port.index}`, className: 'port' }));
    for (const [key, label] of PORT_FIELDS)
      ports.append(numberField(`ports.${i}.${key}`, key, label, key, port[key] ?? 0, (v) => {
        part.ports[i] = { ...part.ports[i], [key]: v };
        changed();
      }));
  }
  const children = [dimensions, ports];
  if (variant?.operator || part.operator) {
    const box = el('input', { attrs: { type: 'checkbox', name: 'operator' } });
    box.checked = Boolean(part.operator);
    const saved = part.operator ?? { name: 'ValveOperator', inputs: {} };
    box.addEventListener('change', () => {
      if (box.checked) part.operator = saved;
      else delete part.operator;
      changed();
    });
    const operator = el('fieldset', {}, [
      el('legend', { text: 'Operator' }),
      el('label', { className: 'check' }, [box, el('span', { text: 'With operator' })]),
    ]);
    for (const [name, value] of Object.entries(saved.inputs ?? {}))
      operator.append(numberField(`operator.${name}`, name, `Operator ${name}`, name, value, (v) => {
        saved.inputs = { ...saved.inputs, [name]: v };
        if (part.operator) changed();
      }));
    children.push(operator);
  }
  form.replaceChildren(...children);
  document.getElementById('subtitle').textContent = `${part.name} — ${variant?.description ?? part.description ?? ''}`;
  markFields();
}

// Every field a problem concerns: aria-invalid, an error or warning style, and the reason beside it.
function markFields() {
  const marks = new Map(); // field -> { level, texts }
  const mark = (field, level, text) => {
    const entry = marks.get(field) ?? { level, texts: [] };
    if (level === 'error') entry.level = 'error';
    if (!entry.texts.includes(text)) entry.texts.push(text);
    marks.set(field, entry);
  };
  for (const problem of state.problems) for (const field of problem.fields) mark(field, problem.level, problem.short);
  for (const [field, text] of state.local) mark(field, 'error', text);
  for (const box of form.querySelectorAll('.field')) {
    const field = box.dataset.field;
    const input = box.querySelector('input');
    const note = box.querySelector('.note');
    const entry = marks.get(field);
    box.classList.toggle('error', entry?.level === 'error');
    box.classList.toggle('warning', entry?.level === 'warning');
    if (entry) input.setAttribute('aria-invalid', 'true');
    else input.removeAttribute('aria-invalid');
    note.textContent = entry ? `${entry.level === 'error' ? 'Error' : 'Warning'}: ${entry.texts.join('; ')}` : '';
  }
}

function setUnits(units) {
  state.units = units;
  try {
    localStorage.setItem(UNITS_KEY, JSON.stringify(units));
  } catch {
    // A browser without storage keeps the choice for this page only.
  }
  if (state.part) buildForm();
}

// --- Rebuilding -------------------------------------------------------------------------------------------------
let timer = null;
let localTimer = null; // marks a value below its minimum once typing pauses
let generation = 0;
let inFlight = null; // the AbortController of the request under way

function changed() {
  history.pushState(null, '', hashOf(state.part));
  clearTimeout(timer);
  timer = setTimeout(rebuild, DEBOUNCE_MS);
}

function setBuilding(building, text) {
  document.body.dataset.building = String(building);
  stage.classList.toggle('stale', building || Boolean(state.failure));
  stageStatus.textContent = text;
}

function showFailure(text) {
  state.failure = text;
  banner.hidden = !text;
  banner.replaceChildren(...(text ? [el('strong', { text: 'This change cannot be built. ' }), text] : []));
}

function showWarnings(problems) {
  const warnings = problems.filter((p) => p.level === 'warning');
  warningsBox.hidden = !warnings.length;
  warningsBox.replaceChildren(...(warnings.length ? [el('strong', { text: 'Check these values: ' }), el('ul', {}, warnings.map((w) => el('li', { text: w.text })))] : []));
}

// The report's outputs listed per aspect, with the names the symbol gives them; a failed aspect says after
// which output it stopped.
function showOutputs(report) {
  const blocks = [];
  for (const aspect of report.aspects) {
    const list = el('ol', {}, aspect.outputs.map((o) => el('li', { text: `${o.name} (${o.kind})` })));
    blocks.push(el('h3', { text: aspect.name }), list);
    if (!aspect.ok) list.append(el('li', { text: `stopped here: ${aspect.error?.message ?? aspect.error?.code ?? 'error'}`, className: 'failed' }));
  }
  outputsBox.replaceChildren(...blocks);
}

// The banner's text for a failed aspect: the reason in words, then the symbol's own account.
function failureText(report, problems) {
  const aspect = report.aspects.find((a) => !a.ok);
  const problem = problems.find((p) => p.level === 'error');
  const last = aspect.outputs.at(-1)?.name;
  const where = aspect.error?.where ? ` (in ${aspect.error.where})` : '';
  const detail = `${aspect.name} failed (${aspect.error?.code ?? 'error'}): ${aspect.error?.message ?? ''}${where}, ` +
    (last ? `after the output ${last}` : 'before its first output');
  const fields = problem?.fields.length ? ` Check ${problem.fields.map(labelOf).join(', ')}.` : '';
  return `${problem?.short ? `${problem.short[0].toUpperCase()}${problem.short.slice(1)}. ` : ''}${detail}.${fields} The model shown is the last one that built.`;
}

function labelOf(field) {
  const box = form.querySelector(`.field[data-field="${CSS.escape(field)}"] .description`);
  return box ? `“${box.textContent}”` : field;
}

// The build's answer: multipart/form-data with the report, then the model or why there is none.
async function readBuild(response) {
  const data = await response.formData();
  const text = async (name) => {
    const value = data.get(name);
    return value === null ? null : typeof value === 'string' ? value : value.text();
  };
  const model = data.get('model');
  return { report: JSON.parse(await text('report')), exportError: await text('exportError'), glb: model && typeof model !== 'string' ? await model.arrayBuffer() : null };
}

async function rebuild(refit = false) {
  clearTimeout(timer);
  const mine = ++generation;
  if (inFlight) {
    inFlight.abort();
    state.aborted += 1;
  }
  const controller = new AbortController();
  inFlight = controller;
  const part = JSON.parse(JSON.stringify(state.part));
  const editedAt = state.editedAt;
  setBuilding(true, 'Rebuilding…');
  try {
    let response;
    for (let attempt = 0; ; attempt += 1) {
      response = await post(`/api/build?format=glb&detail=${DETAIL}`, part, controller.signal);
      if (response.status !== 503 || attempt >= RETRIES) break;
      const wait = Math.min(RETRY_MAX_MS, RETRY_FIRST_MS * 2 ** attempt);
      state.retries += 1;
      setBuilding(true, `The server is busy: trying again in ${(wait / 1000).toFixed(1)} s…`);
      await sleep(wait, controller.signal);
    }
    if (!response.ok) {
      const body = await response.json().catch(() => null);
      const field = body?.error?.field;
      state.problems = field ? [{ level: 'error', text: body.error.message, short: body.error.message, fields: [field] }] : [];
      markFields();
      showFailure(`${field ? `${field}: ` : ''}${body?.error?.message ?? `the server answered ${response.status}`}. The model shown is the last one that built.`);
      return;
    }
    const { report, exportError, glb } = await readBuild(response);
    if (mine !== generation) return;
    const failing = !report.aspects.every((a) => a.ok) || !glb;
    // A value typed digit by digit passes through values that do not build (3 on the way to 392): their
    // failure shows only once typing has paused, and a newer edit aborts it unseen.
    if (failing && editedAt !== null) await sleep(Math.max(0, TYPING_PAUSE_MS - (performance.now() - state.editedAt)), controller.signal);
    state.problems = problemsOf(part, report, state.edited);
    markFields();
    showWarnings(state.problems);
    showOutputs(report);
    if (failing) {
      // The last good model stays.
      showFailure(glb ? failureText(report, state.problems) : `The model could not be made: ${exportError}. The model shown is the last one that built.`);
      return;
    }
    const gltf = await new GLTFLoader().parseAsync(glb, '');
    if (mine !== generation) return;
    const variantChanged = state.shown?.partDataBasis !== part.partDataBasis;
    showFailure('');
    showModel(gltf, refit || state.builds === 0 || variantChanged);
    state.shown = part;
    state.builds += 1;
    document.body.dataset.builds = String(state.builds);
    showExportsNote();
    if (editedAt !== null) requestAnimationFrame(() => state.timings.push(performance.now() - editedAt));
  } catch (error) {
    if (mine === generation && error?.name !== 'AbortError') showFailure(`The server did not answer: ${error.message ?? error}`);
  } finally {
    if (mine === generation) {
      inFlight = null;
      setBuilding(false, state.failure ? 'Showing the last model that built' : '');
      showExportsNote();
    }
  }
}

async function load(part, refit) {
  state.part = part;
  state.local.clear();
  state.problems = [];
  buildForm();
  await rebuild(refit);
}

// --- Starting points ------------------------------------------------------------------------------------------
async function startFrom(value) {
  if (value.startsWith('sample:')) return getJson(`/api/part?sample=${encodeURIComponent(value.slice(7))}`);
  // A bare PartDataBasis starts from the sample that stands for it, renamed.
  const variant = state.variants.find((v) => String(v.partDataBasis) === value.slice(4));
  const part = await getJson(`/api/part?sample=${encodeURIComponent(variant.sample)}`);
  return { ...part, name: `pdb-${variant.partDataBasis}`, description: variant.description };
}

// Downloads and "copy" take the part whose model is drawn, and say so.
function exported() {
  return state.shown ?? state.part;
}

function showExportsNote() {
  const part = exported();
  if (!part) return;
  const current = JSON.stringify(part) === JSON.stringify(state.part);
  exportsNote.textContent = current
    ? `The part shown: ${part.name}, as the form has it.`
    : `The part shown: ${part.name}, as it last built — not the form's current values, which do not build.`;
  for (const id of ['download-glb', 'download-step', 'download-ifc', 'copy-json']) {
    const button = document.getElementById(id);
    button.title = `${button.textContent} of ${part.name}${current ? '' : ' (the last model that built)'}`;
  }
}

function download(format) {
  post(`/api/export?format=${format}`, exported()).then(async (response) => {
    if (!response.ok) return showFailure(`The ${format.toUpperCase()} export failed: ${(await response.json()).error?.message}`);
    const url = URL.createObjectURL(await response.blob());
    const name = /filename="([^"]+)"/.exec(response.headers.get('Content-Disposition') ?? '')?.[1] ?? `part.${format}`;
    const link = el('a', { attrs: { href: url, download: name } });
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10_000);
  });
}

async function main() {
  lengthUnit.value = state.units.length;
  angleUnit.value = state.units.angle;
  try {
    const [definition, samples, variants] = await Promise.all([
      getJson('/api/definition'),
      getJson('/api/samples'),
      getJson('/api/variants'),
    ]);
    state.definition = definition;
    state.samples = samples.parts;
    state.variants = variants.variants;
    startSelect.replaceChildren(
      el('optgroup', { attrs: { label: 'Sample parts' } }, state.samples.map((s) => el('option', { text: s.name, attrs: { value: `sample:${s.name}` } }))),
      el('optgroup', { attrs: { label: 'PartDataBasis' } }, state.variants.map((v) => el('option', { text: `${v.partDataBasis} — ${v.description}`, attrs: { value: `pdb:${v.partDataBasis}` } }))),
    );
    const query = new URLSearchParams(location.search);
    let part = partFromHash();
    if (!part) {
      const sample = query.get('sample') ?? state.samples[0].name;
      // A part of another catalogue starts from the variant of its PartDataBasis.
      const known = state.samples.some((s) => s.name === sample);
      part = await startFrom(known || !query.get('pdb') ? `sample:${sample}` : `pdb:${query.get('pdb')}`);
      history.replaceState(null, '', hashOf(part));
    }
    startSelect.value = state.samples.some((s) => s.name === part.name) ? `sample:${part.name}` : `pdb:${part.partDataBasis}`;
    await load(part, true);
    state.phase = 'ready';
  } catch (error) {
    state.phase = 'error';
    showFailure(`Cannot start the configurator: ${error.message ?? error}`);
  }
  document.body.dataset.ready = 'true';
}

startSelect.addEventListener('change', async () => {
  const part = await startFrom(startSelect.value).catch((e) => (showFailure(e.message), null));
  if (!part) return;
  history.pushState(null, '', hashOf(part));
  await load(part, true);
});
lengthUnit.addEventListener('change', () => setUnits({ ...state.units, length: lengthUnit.value }));
angleUnit.addEventListener('change', () => setUnits({ ...state.units, angle: angleUnit.value }));
window.addEventListener('popstate', () => {
  const part = partFromHash();
  if (part) load(part, false);
});
document.getElementById('fit').addEventListener('click', fit);
document.getElementById('download-glb').addEventListener('click', () => download('glb'));
document.getElementById('download-step').addEventListener('click', () => download('step'));
document.getElementById('download-ifc').addEventListener('click', () => download('ifc'));
document.getElementById('copy-json').addEventListener('click', async () => {
  const part = exported();
  const text = JSON.stringify(part, null, 2);
  state.copied = text;
  await navigator.clipboard?.writeText(text).catch(() => {});
  const note = document.getElementById('copied');
  note.textContent = `Copied ${part.name}`;
  setTimeout(() => (note.textContent = ''), 1500);
});
document.body.dataset.building = 'false';
document.body.dataset.builds = '0';

// For the end-to-end test and the benchmark: what the page shows.
window.__configurator = Object.freeze({
  phase: () => state.phase,
  builds: () => state.builds,
  failure: () => state.failure,
  part: () => JSON.parse(JSON.stringify(state.part)),
  shown: () => JSON.parse(JSON.stringify(state.shown)),
  box: () => {
    const box = physicalBox();
    return { min: box.min.toArray(), max: box.max.toArray() };
  },
  inView,
  copied: () => state.copied ?? '',
  retries: () => state.retries,
  aborted: () => state.aborted,
  timings: () => [...state.timings],
});

main();
