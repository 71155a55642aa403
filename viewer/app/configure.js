// The configurator: a part (a sample part or a bare PartDataBasis) as a form generated from the server's
// /api/variants and /api/definition, rebuilt through /api/export and /api/evaluate on every change. The
// part lives in the URL hash, so a configuration can be shared and the back button steps through edits.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { el } from './common.js';

const DEBOUNCE_MS = 250;
const PORT_FIELDS = [
  ['pipeOD', 'pipe OD'],
  ['flangeOD', 'flange OD'],
  ['flangeThickness', 'flange thickness'],
  ['cptOffset', 'cpt offset'],
  ['depth', 'depth'],
];

const startSelect = document.getElementById('start');
const form = document.getElementById('form');
const banner = document.getElementById('banner');
const outputsBox = document.getElementById('outputs');
const stage = document.getElementById('stage');

const state = {
  phase: 'loading', // 'loading' | 'ready' | 'error'
  part: null, // the part as catalogue JSON
  definition: null,
  variants: [],
  samples: [],
  builds: 0, // models shown so far
  lastGood: null, // the last part whose model is shown
  failure: '', // what the banner says, '' when the last change built
};

// --- The scene ---------------------------------------------------------------------------------------------
const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
renderer.setPixelRatio(Math.min(window.devicePixelRatio, 2));
renderer.setClearColor(0xf4f5f7);
stage.append(renderer.domElement);
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

function fit() {
  const box = physicalBox();
  if (box.isEmpty()) return;
  const centre = box.getCenter(new THREE.Vector3());
  const size = box.getSize(new THREE.Vector3()).length() || 1;
  controls.target.copy(centre);
  camera.position.copy(centre).add(new THREE.Vector3(0.9, 0.7, 1.1).multiplyScalar(size));
  camera.near = size / 1000;
  camera.far = size * 100;
  camera.updateProjectionMatrix();
  controls.update();
  render();
}

function showModel(gltf, refit) {
  model.clear();
  gltf.scene.traverse((node) => {
    if (node.userData?.aspect === 'Insulation') node.visible = false;
  });
  model.add(gltf.scene);
  model.updateMatrixWorld(true);
  if (refit) fit();
  else render();
}

// --- The server ----------------------------------------------------------------------------------------------
async function getJson(url) {
  const response = await fetch(url);
  const body = await response.json().catch(() => null);
  if (!response.ok) throw new Error(body?.error?.message ?? `${url}: ${response.status}`);
  return body;
}

async function post(url, part) {
  return fetch(url, { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(part) });
}

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

function numberField(label, value, unit, help, onChange, name) {
  const input = el('input', { attrs: { type: 'number', step: 'any', name } });
  // Twelve significant digits: 0.0239 rather than the 0.023899999999999998 a millimetre value parses to.
  input.value = typeof value === 'number' ? String(Number(value.toPrecision(12))) : String(value);
  input.addEventListener('input', () => {
    const number = Number(input.value);
    if (input.value.trim() !== '' && Number.isFinite(number)) onChange(number);
  });
  return el('label', { attrs: { title: help ?? '' } }, [el('span', { text: label }), input, el('span', { text: unit, className: 'unit' })]);
}

// The unit an input is given in: angles in radians, everything else in metres.
const unitOf = (name) => (/Angle$/.test(name) ? 'rad' : 'm');

function buildForm() {
  const part = state.part;
  const variant = variantOf(part);
  const inputs = state.definition.inputs;
  const shown = new Set(variant ? variant.inputs : inputs.map((i) => i.name));
  const dimensions = el('fieldset', {}, [el('legend', { text: `Dimensions (PartDataBasis ${part.partDataBasis})` })]);
  for (const input of inputs) {
    if (!shown.has(input.name)) continue;
    const value = part.inputs?.[input.name] ?? input.default;
    dimensions.append(
      numberField(input.name, value, unitOf(input.name), `${input.description} (default ${input.default})`, (v) => {
        part.inputs = { ...part.inputs, [input.name]: v };
        changed();
      }, `inputs.${input.name}`),
    );
  }
  const ports = el('fieldset', {}, [el('legend', { text: 'Ports' })]);
  for (const [i, port] of (part.ports ?? []).entries()) {
    ports.append(el('div', { text: `Port ${port.index}`, className: 'muted' }));
    for (const [key, label] of PORT_FIELDS)
      ports.append(numberField(label, port[key] ?? 0, 'm', `port ${port.index} ${label}`, (v) => {
        part.ports[i] = { ...part.ports[i], [key]: v };
        changed();
      }, `ports.${i}.${key}`));
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
    const operator = el('fieldset', {}, [el('legend', { text: 'Operator' }), el('label', {}, [el('span', { text: 'with operator' }), box])]);
    for (const [name, value] of Object.entries(saved.inputs ?? {}))
      operator.append(numberField(name, value, 'm', `operator input ${name}`, (v) => {
        saved.inputs = { ...saved.inputs, [name]: v };
        if (part.operator) changed();
      }, `operator.${name}`));
    children.push(operator);
  }
  form.replaceChildren(...children);
  document.getElementById('subtitle').textContent = `${part.name} — ${variant?.description ?? part.description ?? ''}`;
}

// --- Rebuilding -------------------------------------------------------------------------------------------------
let timer = null;
let generation = 0;

function changed() {
  history.pushState(null, '', hashOf(state.part));
  clearTimeout(timer);
  timer = setTimeout(rebuild, DEBOUNCE_MS);
}

function showFailure(text) {
  state.failure = text;
  banner.hidden = !text;
  banner.textContent = text;
}

// The report's outputs listed per aspect; a failed aspect says after which output it stopped.
function showOutputs(report) {
  const blocks = [];
  let failure = '';
  for (const aspect of report.aspects) {
    const list = el('ol', {}, aspect.outputs.map((o) => el('li', { text: `${o.name} (${o.kind})` })));
    blocks.push(el('h3', { text: aspect.name }), list);
    if (!aspect.ok) {
      const last = aspect.outputs.at(-1)?.name;
      const where = aspect.error?.where ? ` (in ${aspect.error.where})` : '';
      const reason = aspect.error?.message ? `${aspect.error.message}${where}` : '';
      const text = `${aspect.name} failed (${aspect.error?.code ?? 'error'})${reason ? `: ${reason}` : ''}, ` +
        (last ? `after the output ${last}` : 'before its first output');
      list.append(el('li', { text, className: 'failed' }));
      failure ||= text;
    }
  }
  outputsBox.replaceChildren(...blocks);
  return failure;
}

async function rebuild(refit = false) {
  const mine = ++generation;
  const part = JSON.parse(JSON.stringify(state.part));
  try {
    const [reportResponse, glbResponse] = await Promise.all([post('/api/evaluate', part), post('/api/export?format=glb', part)]);
    if (mine !== generation) return;
    const report = await reportResponse.json();
    if (!reportResponse.ok) {
      const where = report.error?.field ? `${report.error.field}: ` : '';
      showFailure(`This change cannot be built: ${where}${report.error?.message ?? reportResponse.status}`);
      return;
    }
    const failure = showOutputs(report);
    if (failure || !glbResponse.ok) {
      // The last good model stays.
      showFailure(`This change cannot be built — ${failure || `the export failed (${glbResponse.status})`}. The model shown is the last one that built.`);
      return;
    }
    const gltf = await new GLTFLoader().parseAsync(await glbResponse.arrayBuffer(), '');
    if (mine !== generation) return;
    showModel(gltf, refit || state.builds === 0);
    state.builds += 1;
    state.lastGood = part;
    showFailure('');
  } catch (error) {
    if (mine === generation) showFailure(`The server did not answer: ${error.message ?? error}`);
  } finally {
    if (mine === generation) document.body.dataset.building = 'false';
  }
}

async function load(part, refit) {
  state.part = part;
  buildForm();
  document.body.dataset.building = 'true';
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

function download(format) {
  post(`/api/export?format=${format}`, state.lastGood ?? state.part).then(async (response) => {
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
window.addEventListener('popstate', () => {
  const part = partFromHash();
  if (part) load(part, false);
});
document.getElementById('download-glb').addEventListener('click', () => download('glb'));
document.getElementById('download-step').addEventListener('click', () => download('step'));
document.getElementById('download-ifc').addEventListener('click', () => download('ifc'));
document.getElementById('copy-json').addEventListener('click', async () => {
  const text = JSON.stringify(state.part, null, 2);
  state.copied = text;
  await navigator.clipboard?.writeText(text).catch(() => {});
  const note = document.getElementById('copied');
  note.hidden = false;
  setTimeout(() => (note.hidden = true), 1500);
});

// For the end-to-end test: what the page shows.
window.__configurator = Object.freeze({
  phase: () => state.phase,
  builds: () => state.builds,
  failure: () => state.failure,
  part: () => JSON.parse(JSON.stringify(state.part)),
  box: () => {
    const box = physicalBox();
    return { min: box.min.toArray(), max: box.max.toArray() };
  },
  copied: () => state.copied ?? '',
});

main();
