// The configurator: a part (a sample part or a bare PartDataBasis) as a form generated from the server's
// /api/variants and /api/definition, rebuilt through /api/build on every change: one request, one
// evaluation, answering both the report and the model. A newer edit aborts the older request, which ends
// the server's work on it. The part lives in the URL hash, so a configuration can be shared and the back
// button steps through edits, one settled edit per step. The form shows lengths and angles in the unit
// chosen and reads what is typed in any of them; the part and the API always hold metres and radians.
// The form, the model, the URL and the downloads agree: a value the form cannot read or the symbol cannot
// build greys the model, and nothing is built or downloaded until it is fixed or undone.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { el } from './common.js';
import {
  ANGLE_UNITS, DEFAULT_UNITS, LENGTH_UNITS, belowMinimum, inUnits, problemsOf, unitFor, valueOf,
} from './fields.js';
import { formatShown, readQuantity, stepValue } from './quantity.js';

// A change after a quiet spell is sent at once; keystrokes that follow within this time wait until it
// has passed without one, so that a value typed at speed goes as few requests (a newer one aborts the
// older).
const DEBOUNCE_MS = 40;
// How long after the last keystroke typing counts as paused: a failure shows, and the edit becomes one
// step of the back button.
const TYPING_PAUSE_MS = 600;
// The mesh the view draws while editing: coarser than a download's, made in about half the time.
const DETAIL = 'preview';
// Back-off after "every evaluation slot is busy": 0.5 s, 1 s, 2 s, ... at most 8 s, at most 8 tries.
const RETRY_FIRST_MS = 500;
const RETRY_MAX_MS = 8000;
const RETRIES = 8;
// A request the network loses is sent again twice, after 0.3 s and 1 s.
const NETWORK_RETRIES_MS = [300, 1000];
const UNITS_KEY = 'tcv.configurator.units';

const startInput = document.getElementById('start');
const startList = document.getElementById('starts');
const startNote = document.getElementById('start-note');
const form = document.getElementById('form');
const banner = document.getElementById('banner');
const warningsBox = document.getElementById('warnings');
const outputsBox = document.getElementById('outputs');
const stage = document.getElementById('stage');
const stageStatus = document.getElementById('stage-status');
const exportsNote = document.getElementById('exports-note');
const lengthUnit = document.getElementById('length-unit');
const angleUnit = document.getElementById('angle-unit');
const nameInput = document.getElementById('part-name');
const showInsulation = document.getElementById('show-insulation');
const labelsBox = document.getElementById('port-labels');
const EXPORT_BUTTONS = ['download-glb', 'download-step', 'download-ifc', 'copy-json', 'save-catalogue'];

const state = {
  phase: 'loading', // 'loading' | 'ready' | 'error'
  part: null, // the part as catalogue JSON, as the form says
  origin: null, // the catalogue part the form started from: "Reset" goes back to it, changes are marked against it
  start: '', // the picker's key of that part ('sample:<name>' or 'pdb:<n>')
  nameTouched: false, // the name was typed, not made from the catalogue's
  definition: null,
  variants: [],
  samples: [],
  builds: 0, // models drawn so far
  shown: null, // the part whose model is drawn
  failure: '', // what the banner says, '' when the form's part is drawn
  problems: [], // of the last report: { level, text, short, fields }
  local: new Map(), // field -> what is wrong with the typed text or value (not sent)
  units: loadUnits(),
  retries: 0, // 503 answers retried, in all
  networkRetries: 0, // requests sent again after the network lost them
  aborted: 0, // requests aborted by a newer edit
  timings: [], // milliseconds from an edit to its model drawn
  phases: [], // per timed edit, where the time went: { wait, server, answer, read, parse, draw, frame }
  editedAt: null,
  edited: null, // the field changed last
  depth: 0, // back-button steps this page made before the current one
};

function loadUnits() {
  try {
    const saved = JSON.parse(localStorage.getItem(UNITS_KEY) ?? '{}');
    return {
      length: LENGTH_UNITS.includes(saved.length) ? saved.length : DEFAULT_UNITS.length,
      angle: ANGLE_UNITS.includes(saved.angle) ? saved.angle : DEFAULT_UNITS.angle,
    };
  } catch {
    return { ...DEFAULT_UNITS };
  }
}

const clone = (value) => JSON.parse(JSON.stringify(value));
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);

// --- The scene ---------------------------------------------------------------------------------------------
const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
renderer.setPixelRatio(Math.min(window.devicePixelRatio, 2));
renderer.setClearColor(0xf4f5f7);
stage.prepend(renderer.domElement);
renderer.domElement.setAttribute('aria-label', 'The model of the part');
renderer.domElement.setAttribute('role', 'img');
const scene = new THREE.Scene();
const camera = new THREE.PerspectiveCamera(40, 1, 0.001, 1000);
scene.add(new THREE.HemisphereLight(0xffffff, 0x667080, 1.6));
const headlight = new THREE.DirectionalLight(0xffffff, 1.6);
headlight.position.set(0.5, 1, 0.8);
camera.add(headlight);
scene.add(camera);
const model = new THREE.Group();
scene.add(model);
const arrows = new THREE.Group();
scene.add(arrows);
const ARROW_COLOUR = 0x1f6fd1;
const controls = new OrbitControls(camera, renderer.domElement);
controls.addEventListener('change', render);
function render() {
  renderer.render(scene, camera);
  placeLabels();
}
function resize() {
  const { clientWidth: w, clientHeight: h } = stage;
  renderer.setSize(Math.max(w, 1), Math.max(h, 1));
  camera.aspect = Math.max(w, 1) / Math.max(h, 1);
  camera.updateProjectionMatrix();
  render();
}
new ResizeObserver(resize).observe(stage);

const isInsulation = (node) => {
  for (let up = node; up; up = up.parent) if (up.userData?.aspect === 'Insulation') return true;
  return false;
};

// The box of the Physical aspect (insulation stays out of the picture's frame).
function physicalBox() {
  const box = new THREE.Box3();
  model.updateMatrixWorld(true);
  model.traverse((node) => {
    if (!node.isMesh || isInsulation(node)) return;
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

// The insulation drawn see-through around the body when the switch is on.
function applyInsulation(draw = true) {
  model.traverse((node) => {
    if (node.userData?.aspect === 'Insulation') node.visible = showInsulation.checked;
    if (node.isMesh && isInsulation(node)) {
      for (const material of [node.material].flat()) {
        material.transparent = true;
        material.opacity = 0.3;
        material.depthWrite = false;
      }
      node.renderOrder = 1;
    }
  });
  if (draw) render();
}

// One arrow and one label per port, at the nozzle's connection point, along its direction.
let labelled = []; // { text, point, element }
function buildPorts(size) {
  arrows.clear();
  labelled = [];
  const length = Math.max(size * 0.15, 1e-3);
  model.updateMatrixWorld(true);
  model.traverse((node) => {
    const data = node.userData ?? {};
    if (!Array.isArray(data.position) || !Array.isArray(data.direction) || isInsulation(node)) return;
    const frame = node.parent ?? node;
    const position = new THREE.Vector3(...data.position).applyMatrix4(frame.matrixWorld);
    const direction = new THREE.Vector3(...data.direction).transformDirection(frame.matrixWorld).normalize();
    arrows.add(new THREE.ArrowHelper(direction, position, length, ARROW_COLOUR, length * 0.3, length * 0.15));
    const tip = position.clone().addScaledVector(direction, length * 1.15);
    labelled.push({ text: `Port ${data.port ?? labelled.length + 1}`, point: tip });
  });
  labelsBox.replaceChildren(...labelled.map((label) => (label.element = el('span', { text: label.text, className: 'port-label', attrs: { 'aria-hidden': 'true' } }))));
}

function placeLabels() {
  if (!labelled.length) return;
  const width = renderer.domElement.clientWidth;
  const height = renderer.domElement.clientHeight;
  camera.updateMatrixWorld(true);
  for (const label of labelled) {
    const p = label.point.clone().project(camera);
    label.element.hidden = p.z > 1 || Math.abs(p.x) > 1.1 || Math.abs(p.y) > 1.1;
    label.element.style.transform = `translate(${((p.x + 1) / 2) * width}px, ${((1 - p.y) / 2) * height}px) translate(-50%, -50%)`;
  }
}

// Draws a new model; the view is fitted again when asked, when the part no longer fits in it, or when it
// shrank to less than a third of the size it was fitted at.
function showModel(gltf, refit) {
  model.clear();
  // A nozzle's faces lie on the body's where they meet: drawn slightly forward, as on the part page, so
  // that they do not flicker through each other.
  gltf.scene.traverse((node) => {
    if (!Array.isArray(node.userData?.direction)) return;
    node.traverse((mesh) => {
      if (mesh.isMesh) for (const material of [mesh.material].flat()) Object.assign(material, { polygonOffset: true, polygonOffsetFactor: -1, polygonOffsetUnits: -1 });
    });
  });
  model.add(gltf.scene);
  applyInsulation(false);
  model.updateMatrixWorld(true);
  const size = physicalBox().getSize(new THREE.Vector3()).length();
  buildPorts(size);
  if (refit || !inView() || size < fittedSize / 3) fit();
  else render();
}

// --- The server ----------------------------------------------------------------------------------------------
// A request the network lost (the server down, the connection reset) is sent again; what it still cannot
// reach is reported as such (a NetworkError), not as a value that does not build.
class NetworkError extends Error {}

async function withNetworkRetries(send, signal) {
  for (let attempt = 0; ; attempt += 1) {
    try {
      return await send();
    } catch (error) {
      if (error?.name === 'AbortError' || signal?.aborted) throw error;
      if (attempt >= NETWORK_RETRIES_MS.length) throw new NetworkError(String(error?.message ?? error));
      state.networkRetries += 1;
      setBuilding(true, 'The server does not answer: trying again…');
      await sleep(NETWORK_RETRIES_MS[attempt], signal);
    }
  }
}

async function getJson(url) {
  const response = await withNetworkRetries(() => fetch(url));
  const body = await response.json().catch(() => null);
  if (!response.ok) throw new Error(body?.error?.message ?? `${url}: ${response.status}`);
  return body;
}

function post(url, part, signal) {
  return withNetworkRetries(() => fetch(url, { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(part), signal }), signal);
}

const sleep = (ms, signal) => new Promise((resolve, reject) => {
  const timer = setTimeout(resolve, ms);
  signal?.addEventListener('abort', () => (clearTimeout(timer), reject(signal.reason)), { once: true });
});

// --- The part in the URL hash, one settled edit per back-button step -------------------------------------------
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

let editOpen = null; // the field whose edit still takes keystrokes into the same step
let settleTimer = null;

function historyState() {
  return { depth: state.depth, start: state.start, origin: state.origin, nameTouched: state.nameTouched };
}

// Writes the form's part into the URL: a new step unless the same field is still being typed in.
function record(field) {
  if (editOpen !== null && editOpen === field) history.replaceState(historyState(), '', hashOf(state.part));
  else {
    state.depth += 1;
    history.pushState(historyState(), '', hashOf(state.part));
  }
  editOpen = field;
  clearTimeout(settleTimer);
  settleTimer = setTimeout(settle, TYPING_PAUSE_MS);
}

// The edit under way is one step: the next keystroke starts another.
function settle() {
  clearTimeout(settleTimer);
  editOpen = null;
}

// --- The form -------------------------------------------------------------------------------------------------
function variantOf(part) {
  return state.variants.find((v) => v.partDataBasis === part.partDataBasis);
}

// What the form knows of a field: kind, minimum, label, its words in a message.
const meanings = new Map(); // field -> { kind, minimum, description, words }

// One value: its description as the label with the name beside it, a text box that reads what is typed
// (shown back as "= 317.5 mm" until the field is left), the unit, and a line below for what is wrong.
function numberField({ field, kind, minimum, description, name, words, value, set }) {
  meanings.set(field, { kind, minimum, description, words });
  const unit = unitFor(kind, state.units);
  const note = el('span', { className: 'note', attrs: { id: `note-${field}` } });
  const echo = el('span', { className: 'read', attrs: { id: `read-${field}`, 'aria-live': 'polite' } });
  const input = el('input', {
    attrs: { type: 'text', name: field, inputmode: 'decimal', spellcheck: 'false', autocomplete: 'off', 'aria-describedby': `${note.id} ${echo.id}`, 'data-kind': kind },
  });
  input.value = typeof value === 'number' ? formatShown(value, unit) : String(value ?? '');
  input.dataset.unit = unit.label;
  const take = (text, fromKeys) => {
    const read = readQuantity(text, { kind, unit, locale: navigator.language });
    state.editedAt = performance.now();
    echo.textContent = read.error || fromKeys ? '' : `= ${read.read}`;
    const wrong = read.error ?? belowMinimum(minimum, read.value);
    if (wrong) {
      refuse(field, read.error ? wrong : `${formatShown(read.value, unit)}${unit.label === '°' ? '°' : ` ${unit.label}`} ${wrong}`);
      return;
    }
    const had = state.local.delete(field);
    state.edited = field;
    set(read.value);
    changed(field, had);
  };
  input.addEventListener('input', () => take(input.value, false));
  input.addEventListener('keydown', (event) => {
    if (event.key !== 'ArrowUp' && event.key !== 'ArrowDown') return;
    const current = readQuantity(input.value, { kind, unit, locale: navigator.language });
    if (current.error) return;
    event.preventDefault();
    input.value = formatShown(stepValue(current.value, unit, event.key === 'ArrowUp' ? 1 : -1), unit);
    take(input.value, true);
  });
  input.addEventListener('blur', () => {
    echo.textContent = '';
    settle();
    if (!state.local.has(field)) {
      const current = valueOf(state.part, field);
      if (typeof current === 'number') input.value = formatShown(current, unit);
    }
  });
  const text = el('span', { className: 'label' }, [
    el('span', { text: description, className: 'description' }),
    description !== name ? el('span', { text: name, className: 'name' }) : null,
  ]);
  return el('div', { className: 'field', attrs: { 'data-field': field } }, [
    el('label', {}, [text, input, el('span', { text: unit.label, className: 'unit' })]),
    el('span', { className: 'changed-mark', text: 'changed' }),
    echo,
    note,
  ]);
}

function buildForm() {
  const part = state.part;
  const variant = variantOf(part);
  const inputs = state.definition.inputs;
  meanings.clear();
  const shown = new Set(variant ? variant.inputs : inputs.map((i) => i.name));
  const dimensions = el('fieldset', {}, [el('legend', { text: `Dimensions (PartDataBasis ${part.partDataBasis})` })]);
  for (const input of inputs) {
    if (!shown.has(input.name)) continue;
    dimensions.append(numberField({
      field: `inputs.${input.name}`, kind: input.kind ?? 'length', minimum: input.minimum, description: input.description,
      name: input.name, words: `“${input.description}”`, value: part.inputs?.[input.name] ?? input.default,
      set: (v) => (part.inputs = { ...part.inputs, [input.name]: v }),
    }));
  }
  const ports = el('fieldset', {}, [el('legend', { text: 'Ports' })]);
  for (const [i, port] of (part.ports ?? []).entries()) {
    ports.append(el('h2', { text: `Port ${port.index}`, className: 'port' }));
    for (const entry of state.definition.ports ?? [])
      ports.append(numberField({
        field: `ports.${i}.${entry.name}`, kind: entry.kind, minimum: entry.minimum, description: entry.description, name: entry.name,
        words: `port ${port.index} ${entry.short}`, value: port[entry.name] ?? 0,
        set: (v) => (part.ports[i] = { ...part.ports[i], [entry.name]: v }),
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
      state.edited = 'operator';
      changed('operator');
    });
    const operator = el('fieldset', {}, [
      el('legend', { text: 'Operator' }),
      el('label', { className: 'check' }, [box, el('span', { text: 'With operator' })]),
    ]);
    const defined = state.definition.operator?.inputs ?? [];
    const names = [...new Set([...defined.map((d) => d.name), ...Object.keys(saved.inputs ?? {})])];
    for (const name of names) {
      const entry = defined.find((d) => d.name.toLowerCase() === name.toLowerCase()) ?? { kind: 'length', description: name, short: name };
      operator.append(numberField({
        field: `operator.${name}`, kind: entry.kind, minimum: entry.minimum, description: entry.description, name,
        words: `operator ${entry.short}`, value: saved.inputs?.[name] ?? 0,
        set: (v) => (saved.inputs = { ...saved.inputs, [name]: v }),
      }));
    }
    children.push(operator);
  }
  form.replaceChildren(...children);
  nameInput.value = part.name ?? '';
  document.getElementById('subtitle').textContent = `${part.name} — ${variant?.description ?? part.description ?? ''}`;
  markFields();
}

// Every field a problem concerns: aria-invalid, an error or warning style, and the reason beside it; every
// field whose value is not the catalogue's: marked "changed".
function markFields() {
  const marks = new Map(); // field -> { level, texts }
  const mark = (field, level, text) => {
    const entry = marks.get(field) ?? { level, texts: [] };
    if (level === 'error') entry.level = 'error';
    if (!entry.texts.includes(text)) entry.texts.push(text);
    marks.set(field, entry);
  };
  for (const problem of state.problems) for (const field of problem.fields) mark(field, problem.level, inUnits(problem.short, state.units));
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
    box.classList.toggle('changed', Boolean(state.origin) && valueOf(state.part, field) !== valueOf(state.origin, field));
  }
}

function setUnits(units) {
  state.units = units;
  try {
    localStorage.setItem(UNITS_KEY, JSON.stringify(units));
  } catch {
    // A browser without storage keeps the choice for this page only.
  }
  if (state.part) {
    // The form is drawn again from the part: text it refused is gone with it, and the part it holds is built.
    const refused = state.local.size > 0;
    state.local.clear();
    clearTimeout(localTimer);
    buildForm();
    showWarnings(state.problems);
    if (refused) {
      showFailure(null);
      rebuild();
    }
  }
}

// --- Rebuilding -------------------------------------------------------------------------------------------------
let timer = null;
let localTimer = null; // shows a refused value once typing pauses
let generation = 0;
let lastChangeAt = -Infinity; // when the form last changed, for the debounce
let inFlight = null; // the AbortController of the request under way

// A value the form cannot take: not sent, and nothing is built until it is fixed or undone. Marked once
// typing pauses (a half-typed 0.392 is 0 for a moment).
function refuse(field, text) {
  state.local.set(field, text);
  clearTimeout(timer);
  if (inFlight) {
    inFlight.abort();
    inFlight = null;
    state.aborted += 1;
  }
  generation += 1;
  clearTimeout(localTimer);
  localTimer = setTimeout(showRefused, TYPING_PAUSE_MS);
  setBuilding(false, '');
  showExportsNote();
}

function showRefused() {
  markFields();
  if (!state.local.size) return;
  const [field, text] = [...state.local][0];
  const words = meanings.get(field)?.words ?? field;
  showFailure({
    title: 'This value cannot be used. ',
    text: `${words[0].toUpperCase()}${words.slice(1)}: ${text}. Nothing is built until it is fixed or undone (Ctrl+Z).`,
  });
  setBuilding(false, 'Showing the last model that built');
}

function changed(field, wasRefused = false) {
  if (!state.nameTouched && state.origin && state.part.name === state.origin.name && !same(state.part, state.origin)) {
    state.part.name = `${state.origin.name}-edited`;
    nameInput.value = state.part.name;
  }
  record(field);
  markFields();
  if (state.local.size) {
    // Another field still holds a value that cannot be used: nothing is built from a mixture.
    if (wasRefused) showRefused();
    showExportsNote();
    return;
  }
  clearTimeout(localTimer);
  clearTimeout(timer);
  const now = performance.now();
  const quiet = now - lastChangeAt > DEBOUNCE_MS;
  lastChangeAt = now;
  if (quiet) rebuild();
  else timer = setTimeout(rebuild, DEBOUNCE_MS);
}

function setBuilding(building, text) {
  document.body.dataset.building = String(building);
  // Greyed only while the form's values do not build: greying for every rebuild costs the software
  // compositor a filtered frame per edit, and the status already says "Rebuilding…".
  stage.classList.toggle('stale', Boolean(state.failure) || state.local.size > 0);
  stageStatus.textContent = text;
}

// The banner: a title, the words a person filling the form needs, and the symbol's own account behind a
// "Details" toggle.
function showFailure(failure) {
  const { title = '', text = '', details = '' } = failure || {};
  state.failure = failure ? `${title}${text}` : '';
  banner.hidden = !failure;
  const children = [];
  if (failure) {
    children.push(el('strong', { text: title }), el('span', { text }));
    if (details) children.push(el('details', {}, [el('summary', { text: 'Details' }), el('p', { text: details, className: 'trail' })]));
  }
  banner.replaceChildren(...children);
  stage.classList.toggle('stale', Boolean(failure) || state.local.size > 0);
  showExportsNote();
}

function showWarnings(problems) {
  const warnings = problems.filter((p) => p.level === 'warning');
  warningsBox.hidden = !warnings.length;
  warningsBox.replaceChildren(...(warnings.length ? [el('strong', { text: 'Check these values: ' }), el('ul', {}, warnings.map((w) => el('li', { text: inUnits(w.text, state.units) })))] : []));
}

// The report's outputs listed per aspect, with the names the symbol gives them; a failed aspect says after
// which output it stopped.
function showOutputs(report) {
  const blocks = [];
  for (const aspect of report.aspects) {
    const list = el('ol', { attrs: { tabindex: '0', 'aria-label': `${aspect.name} outputs` } }, aspect.outputs.map((o) => el('li', { text: `${o.name} (${o.kind})` })));
    blocks.push(el('h3', { text: aspect.name }), list);
    if (!aspect.ok) list.append(el('li', { text: `stopped here: ${aspect.error?.message ?? aspect.error?.code ?? 'error'}`, className: 'failed' }));
  }
  outputsBox.replaceChildren(el('h2', { text: 'Outputs' }), ...blocks);
}

// The banner for a failed aspect: the reason in words and the fields to check by their labels (ports by
// number); the aspect, its error code, message, routine and the last output made go to the details.
function failureOf(report, problems) {
  const aspect = report.aspects.find((a) => !a.ok);
  const problem = problems.find((p) => p.level === 'error');
  const last = aspect.outputs.at(-1)?.name;
  const where = aspect.error?.where ? ` in ${aspect.error.where}` : '';
  const details = `${aspect.name} failed (${aspect.error?.code ?? 'error'}${where}): ${aspect.error?.message ?? ''}; ` +
    (last ? `after the output ${last}.` : 'before its first output.');
  const fields = problem?.fields.length ? ` Check ${problem.fields.map((f) => meanings.get(f)?.words ?? f).join(', ')}.` : '';
  const short = problem?.short ?? 'it cannot be built';
  return {
    title: 'This change cannot be built. ',
    text: `${short[0].toUpperCase()}${short.slice(1)}.${fields} The model shown is the last one that built; undo with Ctrl+Z.`,
    details,
  };
}

// The build's answer: multipart/form-data with the report, then the model or why there is none.
async function readBuild(response) {
  const data = await response.formData();
  const text = async (name) => {
    const value = data.get(name);
    return value === null ? null : typeof value === 'string' ? value : value.text();
  };
  const glb = data.get('model');
  return { report: JSON.parse(await text('report')), exportError: await text('exportError'), glb: glb && typeof glb !== 'string' ? await glb.arrayBuffer() : null };
}

async function rebuild(refit = false) {
  clearTimeout(timer);
  if (state.local.size) return;
  const mine = ++generation;
  if (inFlight) {
    inFlight.abort();
    state.aborted += 1;
  }
  const controller = new AbortController();
  inFlight = controller;
  const part = clone(state.part);
  const previous = state.shown;
  const editedAt = state.editedAt;
  setBuilding(true, 'Rebuilding…');
  const sentAt = performance.now();
  try {
    let response;
    for (let attempt = 0; ; attempt += 1) {
      response = await post(`/api/build?format=glb&detail=${DETAIL}&report=outline`, part, controller.signal);
      if (response.status !== 503 || attempt >= RETRIES) break;
      const wait = Math.min(RETRY_MAX_MS, RETRY_FIRST_MS * 2 ** attempt);
      state.retries += 1;
      setBuilding(true, `The server is busy: trying again in ${(wait / 1000).toFixed(1)} s…`);
      await sleep(wait, controller.signal);
    }
    if (!response.ok) {
      const body = await response.json().catch(() => null);
      if (mine !== generation) return;
      const field = body?.error?.field;
      const message = body?.error?.message ?? `the server answered ${response.status}`;
      state.problems = field ? [{ level: 'error', text: message, short: message, fields: [field] }] : [];
      markFields();
      const words = field ? meanings.get(field)?.words ?? field : '';
      showFailure({ title: 'This change cannot be built. ', text: `${words ? `${words}: ` : ''}${message}. The model shown is the last one that built.` });
      return;
    }
    const answeredAt = performance.now();
    const { report, exportError, glb } = await readBuild(response);
    const readAt = performance.now();
    if (mine !== generation) return;
    const failing = !report.aspects.every((a) => a.ok) || !glb;
    // A value typed digit by digit passes through values that do not build (3 on the way to 392): their
    // failure shows only once typing has paused, and a newer edit aborts it unseen.
    if (failing && editedAt !== null) await sleep(Math.max(0, TYPING_PAUSE_MS - (performance.now() - state.editedAt)), controller.signal);
    state.problems = problemsOf(part, report, { edited: state.edited, previous });
    markFields();
    showWarnings(state.problems);
    showOutputs(report);
    if (failing) {
      // The last good model stays, greyed.
      showFailure(glb ? failureOf(report, state.problems) : {
        title: 'This change cannot be built. ', text: 'The model could not be made. The model shown is the last one that built.', details: String(exportError ?? ''),
      });
      return;
    }
    const gltf = await new GLTFLoader().parseAsync(glb, '');
    const parsedAt = performance.now();
    if (mine !== generation) return;
    const variantChanged = state.shown?.partDataBasis !== part.partDataBasis;
    state.shown = part;
    showFailure(null);
    showModel(gltf, refit || state.builds === 0 || variantChanged);
    const drawnAt = performance.now();
    state.builds += 1;
    document.body.dataset.builds = String(state.builds);
    if (editedAt !== null) {
      if (state.editedAt === editedAt) state.editedAt = null;
      // The server's own account (Server-Timing: evaluation and meshing) within the wait for its answer.
      const server = [...(response.headers.get('Server-Timing') ?? '').matchAll(/dur=([\d.]+)/g)].reduce((sum, m) => sum + Number(m[1]), 0);
      requestAnimationFrame(() => {
        const now = performance.now();
        state.timings.push(now - editedAt);
        state.phases.push({ wait: sentAt - editedAt, server, answer: answeredAt - sentAt, read: readAt - answeredAt, parse: parsedAt - readAt, draw: drawnAt - parsedAt, frame: now - drawnAt });
      });
    }
  } catch (error) {
    if (mine !== generation || error?.name === 'AbortError') return;
    if (error instanceof NetworkError)
      showFailure({ title: 'The server cannot be reached. ', text: 'Nothing was built; the model shown is the last one that built. Check that checkvalve serve is running, then change a value again.', details: error.message });
    else showFailure({ title: 'The server gave an answer the page cannot read. ', text: 'The model shown is the last one that built.', details: String(error?.message ?? error) });
  } finally {
    if (mine === generation) {
      inFlight = null;
      setBuilding(false, state.failure ? 'Showing the last model that built' : '');
      showExportsNote();
    }
  }
}

// Shows a part in the form and builds it. `origin` is the catalogue part it started from.
async function load(part, refit, { origin = state.origin, start = state.start, nameTouched = false } = {}) {
  settle();
  state.part = part;
  state.origin = origin;
  state.start = start;
  state.nameTouched = nameTouched;
  state.local.clear();
  clearTimeout(localTimer);
  state.problems = [];
  state.editedAt = null; // a step back or a new start is no edit to time
  startInput.value = labelOfStart(start);
  buildForm();
  await rebuild(refit);
}

// --- Starting points ------------------------------------------------------------------------------------------
const starts = new Map(); // the text shown in the picker -> its key

function labelOfStart(key) {
  for (const [label, value] of starts) if (value === key) return label;
  return '';
}

async function startFrom(value) {
  if (value.startsWith('sample:')) return getJson(`/api/part?sample=${encodeURIComponent(value.slice(7))}`);
  // A bare PartDataBasis starts from the sample that stands for it, renamed.
  const variant = state.variants.find((v) => String(v.partDataBasis) === value.slice(4));
  const part = await getJson(`/api/part?sample=${encodeURIComponent(variant.sample)}`);
  return { ...part, name: `pdb-${variant.partDataBasis}`, description: variant.description };
}

// The key of what the picker's text names: the entry of that text, else the only entry holding it.
function startOfText(text) {
  const typed = text.trim().toLowerCase();
  if (!typed) return null;
  for (const [label, key] of starts) if (label.toLowerCase() === typed) return key;
  const matches = [...starts].filter(([label]) => label.toLowerCase().includes(typed));
  return matches.length >= 1 ? matches[0][1] : null;
}

let picking = false;
async function pick() {
  if (picking) return;
  picking = true;
  try {
    await pickNow();
  } finally {
    picking = false;
  }
}

async function pickNow() {
  const key = startOfText(startInput.value);
  if (!key) {
    startNote.textContent = `No sample part or PartDataBasis matches “${startInput.value.trim()}”.`;
    return;
  }
  startNote.textContent = '';
  if (key === state.start && same(state.part, state.origin)) {
    startInput.value = labelOfStart(key);
    return;
  }
  const part = await startFrom(key).catch((e) => (showFailure({ title: 'This part cannot be loaded. ', text: String(e.message ?? e) }), null));
  if (!part) return;
  state.depth += 1;
  state.start = key;
  state.origin = part;
  history.pushState({ ...historyState(), nameTouched: false }, '', hashOf(part));
  await load(clone(part), true, { origin: part, start: key });
}

// --- Downloads: the form's part, under its name, only while the form's values build --------------------------
function exportable() {
  return state.local.size === 0 && !state.failure && state.part && state.shown && same(state.shown, state.part);
}

function showExportsNote() {
  const part = state.part;
  if (!part) return;
  const ok = state.local.size === 0 && !state.failure;
  exportsNote.textContent = ok ? `Downloads give ${part.name} as the form has it.` : 'Downloads are off until the form’s values build.';
  for (const id of EXPORT_BUTTONS) document.getElementById(id).disabled = !ok;
}

function saveFile(blob, name) {
  const url = URL.createObjectURL(blob);
  const link = el('a', { attrs: { href: url, download: name } });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10_000);
}

// "Save to catalogue": the part as a catalogue JSON file and as a row in a CSV catalogue's columns.
async function saveToCatalogue() {
  if (state.local.size || state.failure) return;
  const part = clone(state.part);
  saveFile(new Blob([`${JSON.stringify({ parts: [part] }, null, 2)}\n`], { type: 'application/json' }), `${part.name}.json`);
  await download('csv');
}

async function download(format) {
  if (state.local.size || state.failure) return;
  const part = clone(state.part);
  const response = await post(`/api/export?format=${format}`, part).catch((error) => error);
  if (!(response instanceof Response)) return showFailure({ title: 'The server cannot be reached. ', text: `The ${format.toUpperCase()} download did not start.`, details: String(response?.message ?? response) });
  if (!response.ok) {
    const body = await response.json().catch(() => null);
    return showFailure({ title: `The ${format.toUpperCase()} download failed. `, text: body?.error?.message ?? `the server answered ${response.status}` });
  }
  const name = /filename="([^"]+)"/.exec(response.headers.get('Content-Disposition') ?? '')?.[1] ?? `${part.name}.${format}`;
  saveFile(await response.blob(), name);
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
    for (const s of state.samples) starts.set(s.name, `sample:${s.name}`);
    for (const v of state.variants) starts.set(`PartDataBasis ${v.partDataBasis} — ${v.description}`, `pdb:${v.partDataBasis}`);
    startList.replaceChildren(...[...starts.keys()].map((label) => el('option', { attrs: { value: label } })));
    const query = new URLSearchParams(location.search);
    let part = partFromHash();
    const saved = history.state ?? {};
    let origin = saved.origin ?? null;
    let start = saved.start ?? '';
    state.depth = saved.depth ?? 0;
    if (!part) {
      const sample = query.get('sample') ?? state.samples[0].name;
      // A part of another catalogue starts from the variant of its PartDataBasis.
      const known = state.samples.some((s) => s.name === sample);
      start = known || !query.get('pdb') ? `sample:${sample}` : `pdb:${query.get('pdb')}`;
      part = await startFrom(start);
      origin = part;
    } else if (!origin) {
      // A shared link: the catalogue values are those of the sample or variant it names.
      const base = String(part.name ?? '').replace(/-edited$/, '');
      start = state.samples.some((s) => s.name === base) ? `sample:${base}` : `pdb:${part.partDataBasis}`;
      origin = await startFrom(start).catch(() => clone(part));
    }
    state.start = start;
    state.origin = origin;
    history.replaceState(historyState(), '', hashOf(part));
    await load(clone(part), true, { origin, start, nameTouched: saved.nameTouched ?? false });
    state.phase = 'ready';
  } catch (error) {
    state.phase = 'error';
    showFailure({ title: 'Cannot start the configurator. ', text: String(error.message ?? error) });
  }
  document.body.dataset.ready = 'true';
}

// The picker loads on Enter or when an entry of its list is chosen, never while the arrow keys move.
startInput.addEventListener('keydown', (event) => {
  if (event.key === 'Enter') {
    event.preventDefault();
    pick();
  }
});
startInput.addEventListener('input', (event) => {
  if (!(event instanceof InputEvent) || event.inputType === 'insertReplacementText') pick();
});
lengthUnit.addEventListener('change', () => setUnits({ ...state.units, length: lengthUnit.value }));
angleUnit.addEventListener('change', () => setUnits({ ...state.units, angle: angleUnit.value }));
window.addEventListener('popstate', (event) => {
  const part = partFromHash();
  if (!part) return;
  const saved = event.state ?? {};
  state.depth = saved.depth ?? 0;
  load(part, false, { origin: saved.origin ?? state.origin, start: saved.start ?? state.start, nameTouched: saved.nameTouched ?? false });
});
// Ctrl+Z undoes: a value the form refused first, else the last settled edit; Ctrl+Shift+Z and Ctrl+Y redo.
// The picker and the name box keep the browser's own undo of their text.
document.addEventListener('keydown', (event) => {
  if (!(event.ctrlKey || event.metaKey) || event.altKey || event.target === startInput || event.target === nameInput) return;
  const key = event.key.toLowerCase();
  if (key === 'z' && !event.shiftKey) {
    event.preventDefault();
    if (state.local.size) {
      state.local.clear();
      settle();
      buildForm();
      showFailure(null);
      rebuild();
    } else if (state.depth > 0) history.back();
  } else if ((key === 'z' && event.shiftKey) || key === 'y') {
    event.preventDefault();
    history.forward();
  }
});
document.getElementById('reset').addEventListener('click', () => {
  if (!state.origin) return;
  state.depth += 1;
  history.pushState({ ...historyState(), nameTouched: false }, '', hashOf(state.origin));
  load(clone(state.origin), false, { nameTouched: false });
});
nameInput.addEventListener('input', () => {
  const name = nameInput.value.trim();
  const note = document.getElementById('name-note');
  if (!name) {
    note.textContent = 'A part needs a name.';
    nameInput.setAttribute('aria-invalid', 'true');
    return;
  }
  note.textContent = '';
  nameInput.removeAttribute('aria-invalid');
  state.part.name = name;
  if (state.shown) state.shown.name = name; // the name changes no geometry
  state.nameTouched = true;
  record('name');
  showExportsNote();
});
nameInput.addEventListener('blur', settle);
showInsulation.addEventListener('change', applyInsulation);
document.getElementById('fit').addEventListener('click', fit);
document.getElementById('download-glb').addEventListener('click', () => download('glb'));
document.getElementById('download-step').addEventListener('click', () => download('step'));
document.getElementById('download-ifc').addEventListener('click', () => download('ifc'));
document.getElementById('save-catalogue').addEventListener('click', saveToCatalogue);
document.getElementById('copy-json').addEventListener('click', async () => {
  if (state.local.size || state.failure) return;
  const part = state.part;
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
  part: () => clone(state.part),
  shown: () => clone(state.shown),
  origin: () => clone(state.origin),
  refused: () => Object.fromEntries(state.local),
  exportable,
  box: () => {
    const box = physicalBox();
    return { min: box.min.toArray(), max: box.max.toArray() };
  },
  portLabels: () => labelled.map((l) => l.text),
  inView,
  copied: () => state.copied ?? '',
  retries: () => state.retries,
  networkRetries: () => state.networkRetries,
  aborted: () => state.aborted,
  timings: () => [...state.timings],
  phases: () => clone(state.phases),
});

main();
