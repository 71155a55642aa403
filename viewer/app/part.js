// The part page: the part's GLB in a three.js scene with orbit controls, its outputs listed in order with
// hover and click highlighting, nozzle arrows with their port data, the aspects toggled on and off, and
// what the report says when an aspect failed.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { el, entryOk, fileUrl, loadIndex, loadJson, partFiles } from './common.js';

const ASPECTS = ['Physical', 'Insulation'];
const BACKGROUND = 0xf4f5f7;
const FALLBACK_COLOUR = 0x9aa4ae;
const INSULATION_COLOUR = 0xf5e29e;
const INSULATION_OPACITY = 0.3;
const HOVER_EMISSIVE = 0x2a4a6a;
const SELECT_EMISSIVE = 0x884400;
const ARROW_COLOUR = 0x0b8a3e;
// The keys of an output node's extras that say what it is rather than describe a port.
const OUTPUT_KEYS = new Set(['kind', 'aspect', 'index', 'name']);

const stage = document.getElementById('stage');
const tooltip = document.getElementById('tooltip');
const details = document.getElementById('details');
const statusBox = document.getElementById('status');
const outputsBox = document.getElementById('outputs');
const showPhysical = document.getElementById('show-physical');
const showInsulation = document.getElementById('show-insulation');
const showArrows = document.getElementById('show-arrows');

const state = {
  phase: 'loading', // 'loading' | 'ready' | 'error'
  problem: '',
  name: '',
  report: null,
  outputs: [], // { aspect, position (0-based, in output order), name, kind, object, data, row, arrow }
  arrows: new THREE.Group(),
  hovered: null,
  selected: null,
};

// --- The scene -------------------------------------------------------------------------------------------

// Without WebGL the page still lists the outputs and the report; the stage says why it stays empty.
function createRenderer() {
  try {
    return new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
  } catch (error) {
    stage.append(el('p', { text: `This browser cannot draw the model: ${error.message}`, className: 'problem' }));
    const idle = () => {};
    const canvas = document.createElement('canvas');
    canvas.hidden = true;
    return { domElement: canvas, render: idle, setSize: idle, setPixelRatio: idle, setClearColor: idle };
  }
}

const renderer = createRenderer();
renderer.setPixelRatio(Math.min(window.devicePixelRatio, 2));
renderer.setClearColor(BACKGROUND);
stage.prepend(renderer.domElement);

const scene = new THREE.Scene();
const camera = new THREE.PerspectiveCamera(40, 1, 0.001, 1000);
camera.position.set(1, 1, 1);
scene.add(new THREE.HemisphereLight(0xffffff, 0x667080, 1.6));
const headlight = new THREE.DirectionalLight(0xffffff, 1.6);
headlight.position.set(0.5, 1, 0.8);
camera.add(headlight);
scene.add(camera);
const model = new THREE.Group();
scene.add(model);
scene.add(state.arrows);

const controls = new OrbitControls(camera, renderer.domElement);
controls.addEventListener('change', requestRender);

let renderPending = false;
function requestRender() {
  if (renderPending) return;
  renderPending = true;
  requestAnimationFrame(() => {
    renderPending = false;
    renderer.render(scene, camera);
  });
}

function resize() {
  const { clientWidth: width, clientHeight: height } = stage;
  if (!width || !height) return;
  renderer.setSize(width, height, false);
  camera.aspect = width / height;
  camera.updateProjectionMatrix();
  requestRender();
}
new ResizeObserver(resize).observe(stage);

function visibleInScene(object) {
  for (let o = object; o; o = o.parent) if (!o.visible) return false;
  return true;
}

// Frames what is visible: the camera looks at the middle from a distance that holds the whole box.
function fitToView() {
  const box = new THREE.Box3();
  for (const output of state.outputs)
    if (output.object && visibleInScene(output.object)) box.expandByObject(output.object);
  if (box.isEmpty()) box.setFromObject(model);
  if (box.isEmpty()) return;
  const centre = box.getCenter(new THREE.Vector3());
  const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 1e-3);
  const distance = radius / Math.sin(THREE.MathUtils.degToRad(camera.fov / 2));
  const direction = new THREE.Vector3(1, 0.8, 1.4).normalize();
  camera.position.copy(centre).addScaledVector(direction, distance * 1.1);
  camera.near = distance / 100;
  camera.far = distance * 100;
  camera.updateProjectionMatrix();
  controls.target.copy(centre);
  controls.update();
  requestRender();
}

// --- Outputs ---------------------------------------------------------------------------------------------

// Each output node of the GLB: extras {kind, aspect, index}, or failing those the children of the
// "Physical" and "Insulation" nodes in order.
function collectOutputNodes(root) {
  const nodes = [];
  const taken = new Set();
  root.traverse((object) => {
    const data = object.userData || {};
    if (typeof data.kind !== 'string' || typeof data.aspect !== 'string') return;
    for (let o = object.parent; o; o = o.parent) if (taken.has(o)) return;
    taken.add(object);
    nodes.push({ object, aspect: data.aspect, index: Number(data.index), kind: data.kind });
  });
  if (nodes.length === 0) {
    root.traverse((object) => {
      const aspect = object.userData?.name ?? object.name;
      if (!ASPECTS.includes(aspect)) return;
      object.children.forEach((child, i) => nodes.push({ object: child, aspect, index: i, kind: 'other' }));
    });
  }
  for (const aspect of ASPECTS) {
    const ofAspect = nodes.filter((n) => n.aspect === aspect).sort((a, b) => a.index - b.index);
    ofAspect.forEach((n, position) => (n.position = position));
  }
  return nodes;
}

function nodeName(object) {
  return object.userData?.name ?? object.name;
}

// Gives every mesh of an output its own copy of its material (the export's colours: grey body, orange
// nozzles, blue operator), so that highlighting one output leaves the others alone. Insulation is drawn
// see-through and after the physical outputs, so that the valve shows inside its envelope.
function dressOutput(output) {
  if (!output.object) return;
  output.object.traverse((mesh) => {
    if (!mesh.isMesh) return;
    const insulation = output.aspect === 'Insulation';
    const material = mesh.material?.isMeshStandardMaterial
      ? mesh.material.clone()
      : new THREE.MeshStandardMaterial({ color: insulation ? INSULATION_COLOUR : FALLBACK_COLOUR });
    material.side = THREE.DoubleSide;
    material.metalness = insulation ? 0 : 0.3;
    material.roughness = insulation ? 0.9 : 0.5;
    if (insulation) Object.assign(material, { transparent: true, opacity: INSULATION_OPACITY, depthWrite: false });
    // Port graphics lie on the body's end faces: drawn a little nearer, they win over the face they touch.
    if (output.kind === 'nozzle') Object.assign(material, { polygonOffset: true, polygonOffsetFactor: -1, polygonOffsetUnits: -1 });
    mesh.material = material;
    mesh.renderOrder = insulation ? 1 : 0;
    mesh.userData.output = output;
  });
}

function setEmissive(output, colour) {
  output?.object?.traverse((mesh) => {
    if (mesh.isMesh) mesh.material.emissive.setHex(colour);
  });
  output?.arrow?.setColor(colour ? 0xd0202a : ARROW_COLOUR);
}

function refreshHighlight() {
  for (const output of state.outputs) {
    const colour = output === state.selected ? SELECT_EMISSIVE : output === state.hovered ? HOVER_EMISSIVE : 0;
    setEmissive(output, colour);
    output.row?.classList.toggle('hovered', output === state.hovered);
    output.row?.classList.toggle('selected', output === state.selected);
  }
  requestRender();
}

function hover(output) {
  if (state.hovered === output) return;
  state.hovered = output;
  refreshHighlight();
}

function select(output) {
  state.selected = state.selected === output ? null : output;
  refreshHighlight();
  showDetails(state.selected);
}

function formatNumber(value) {
  if (typeof value !== 'number') return String(value);
  return Number.isInteger(value) ? String(value) : value.toPrecision(5).replace(/\.?0+$/, '');
}

function formatValue(value) {
  if (Array.isArray(value)) return '[' + value.map(formatValue).join(', ') + ']';
  if (value && typeof value === 'object') return JSON.stringify(value);
  if (value === null || value === undefined) return '–';
  return formatNumber(value);
}

function definitionList(pairs) {
  const list = el('dl');
  for (const [term, value] of pairs) list.append(el('dt', { text: term }), el('dd', { text: formatValue(value) }));
  return list;
}

// What a nozzle's port is: from the GLB extras, then the report.
function portPairs(output) {
  const pairs = [];
  for (const [key, value] of Object.entries(output.object?.userData ?? {}))
    if (!OUTPUT_KEYS.has(key) && key !== 'output') pairs.push([key, value]);
  const data = output.data ?? {};
  const known = new Set(pairs.map(([key]) => key));
  for (const key of ['port', 'position', 'direction', 'length']) if (!known.has(key) && key in data) pairs.push([key, data[key]]);
  return pairs;
}

function outputPairs(output) {
  const data = output.data ?? {};
  const pairs = [
    ['aspect', output.aspect],
    ['kind', output.kind],
  ];
  if (output.kind === 'nozzle') pairs.push(...portPairs(output));
  if (data.position && output.kind === 'occurrence') pairs.push(['position', data.position]);
  if (data.attributes) for (const [key, value] of Object.entries(data.attributes)) pairs.push([key, value]);
  if ('volume' in data) pairs.push(['volume m³', data.volume]);
  if (data.bbox) pairs.push(['bounding box', data.bbox]);
  if (data.creation) pairs.push(['creation', data.creation.kind]);
  if (!output.object) pairs.push(['geometry', 'none in the GLB']);
  return pairs;
}

function showDetails(output) {
  details.replaceChildren();
  if (!output) return;
  details.append(el('h3', { text: `${output.aspect} #${output.position + 1}: ${output.name}` }), definitionList(outputPairs(output)));
}

function showTooltip(output, x, y) {
  if (!output) {
    tooltip.hidden = true;
    return;
  }
  const title = el('strong', { text: output.name });
  const pairs = output.kind === 'nozzle' ? portPairs(output) : [['kind', output.kind], ['aspect', output.aspect]];
  tooltip.replaceChildren(title, definitionList(pairs));
  tooltip.hidden = false;
  // Beside the pointer, on whichever side keeps it inside the stage.
  const { clientWidth: width, clientHeight: height } = stage;
  const left = x + 14 + tooltip.offsetWidth > width ? x - 14 - tooltip.offsetWidth : x + 14;
  const top = y + 14 + tooltip.offsetHeight > height ? y - 14 - tooltip.offsetHeight : y + 14;
  tooltip.style.left = `${Math.max(0, left)}px`;
  tooltip.style.top = `${Math.max(0, top)}px`;
}

// The list of outputs per aspect, in the order the symbol added them.
function buildOutputList() {
  outputsBox.replaceChildren();
  for (const aspect of ASPECTS) {
    const outputs = state.outputs.filter((o) => o.aspect === aspect);
    if (outputs.length === 0) continue;
    const list = el('ol', { className: 'outputs', attrs: { 'data-aspect': aspect } });
    for (const output of outputs) {
      const row = el('li', { className: `output ${output.kind}${output.object ? '' : ' absent'}` }, [
        el('span', { text: output.name, className: 'name' }),
        el('span', { text: output.kind, className: 'kind' }),
      ]);
      row.addEventListener('mouseenter', () => hover(output));
      row.addEventListener('mouseleave', () => hover(null));
      row.addEventListener('click', () => select(output));
      output.row = row;
      list.append(row);
    }
    outputsBox.append(el('h2', { text: `${aspect} outputs` }), list);
  }
}

// Port data keys that hold lengths (shown in millimetres) and their column headings; any other key a
// nozzle carries gets a column of its own, as it is.
const PORT_LENGTHS = {
  pipeOD: 'pipe OD',
  flangeOD: 'flange OD',
  flangeThickness: 'flange thickness',
  cptOffset: 'cpt offset',
  depth: 'depth',
  length: 'length',
  position: 'position',
};
const PORT_SKIPPED = new Set(['port', 'npdUnit']);

function millimetres(value) {
  if (Array.isArray(value)) return value.map(millimetres).join(', ');
  return typeof value === 'number' ? formatNumber(Number((value * 1000).toPrecision(10))) : formatValue(value);
}

// Every port in one table: a row per nozzle, a column per port datum, lengths in millimetres.
function buildPortTable() {
  const nozzles = state.outputs.filter((o) => o.kind === 'nozzle');
  const box = document.getElementById('ports');
  box.replaceChildren();
  if (!nozzles.length) return;
  const rows = nozzles.map((output) => ({ output, data: Object.fromEntries(portPairs(output)) }));
  const keys = [];
  for (const { data } of rows) for (const key of Object.keys(data)) if (!PORT_SKIPPED.has(key) && !keys.includes(key)) keys.push(key);
  const heading = (key) => (key in PORT_LENGTHS ? `${PORT_LENGTHS[key]} (mm)` : key === 'npd' ? 'nominal size' : key);
  const cell = (key, data) => {
    const value = data[key];
    if (key === 'npd' && value !== undefined) return `${formatValue(value)}${data.npdUnit ? ` ${data.npdUnit}` : ''}`;
    return key in PORT_LENGTHS ? millimetres(value) : formatValue(value);
  };
  const table = el('table', { className: 'ports', attrs: { id: 'ports-table' } }, [
    el('thead', {}, [el('tr', {}, [el('th', { text: 'port', attrs: { scope: 'col' } }), el('th', { text: 'output', attrs: { scope: 'col' } }),
      ...keys.map((key) => el('th', { text: heading(key), attrs: { scope: 'col', 'data-key': key } }))])]),
    el('tbody', {}, rows.map(({ output, data }) => el('tr', { attrs: { 'data-output': output.name } }, [
      el('th', { text: formatValue(data.port ?? output.data?.port ?? '?'), attrs: { scope: 'row' } }),
      el('td', { text: output.name }),
      ...keys.map((key) => el('td', { text: cell(key, data) })),
    ]))),
  ]);
  box.append(el('h2', { text: 'Ports', attrs: { id: 'ports-heading' } }), el('div', { className: 'table-scroll', attrs: { tabindex: 0, role: 'region', 'aria-labelledby': 'ports-heading' } }, [table]));
}

// One arrow per nozzle, along the port's direction from its position, sized to the part.
function buildArrows(size) {
  state.arrows.clear();
  const length = Math.max(size * 0.18, 1e-3);
  for (const output of state.outputs) {
    if (output.kind !== 'nozzle' || !output.object) continue;
    const { position, direction } = nozzleFrame(output);
    if (!position || !direction) continue;
    const arrow = new THREE.ArrowHelper(direction, position, length, ARROW_COLOUR, length * 0.3, length * 0.15);
    arrow.traverse((part) => (part.userData.output = output));
    output.arrow = arrow;
    state.arrows.add(arrow);
  }
}

// A nozzle's position and outward direction in the scene: the port data carried by its node, in the
// node's parent frame; failing that the report's, which is in the part's frame.
function nozzleFrame(output) {
  const data = output.object.userData ?? {};
  const fromNode = Array.isArray(data.position) && Array.isArray(data.direction);
  const source = fromNode ? data : output.data ?? {};
  if (!Array.isArray(source.position) || !Array.isArray(source.direction)) return {};
  const frame = fromNode ? output.object.parent.matrixWorld : model.matrixWorld;
  const position = new THREE.Vector3(...source.position).applyMatrix4(frame);
  const direction = new THREE.Vector3(...source.direction).transformDirection(frame);
  return { position, direction };
}

// --- Status of the aspects -------------------------------------------------------------------------------

function aspectStatus(aspectReport) {
  const outputs = aspectReport.outputs ?? [];
  if (aspectReport.ok) return `${aspectReport.name}: ok, ${outputs.length} output(s)`;
  const code = aspectReport.error?.code ?? 'an error';
  const where = outputs.length ? `after ${outputs.length} output(s), the last "${outputs[outputs.length - 1].name}"` : 'before any output';
  const error = aspectReport.error ?? {};
  const reason = error.message ? `: ${error.message}${error.where ? ` (in ${error.where})` : ''}` : '';
  return `${aspectReport.name}: FAILED with ${code} ${where}${reason}`;
}

function showStatus(entry) {
  statusBox.replaceChildren();
  const aspects = state.report?.aspects ?? [];
  for (const aspectReport of aspects)
    statusBox.append(el('p', { text: aspectStatus(aspectReport), className: aspectReport.ok ? 'aspect ok' : 'aspect failed' }));
  // What else went wrong while the gallery was written (an export that failed), beside the aspects.
  const others = String(entry?.error ?? '')
    .split('; ')
    .filter((text) => text && !(state.report && ASPECTS.some((a) => text.startsWith(`${a} failed`))));
  for (const text of others) statusBox.append(el('p', { text, className: 'aspect failed' }));
  if (!state.report && !others.length && entry && !entryOk(entry))
    statusBox.append(el('p', { text: 'This part failed.', className: 'aspect failed' }));
  // What looks implausible in the part's data: never a change to its graphics, but worth a look.
  const warnings = state.report?.warnings ?? [];
  if (warnings.length)
    statusBox.append(
      el('div', { className: 'warnings' }, [
        el('strong', { text: 'Check these values:' }),
        el('ul', {}, warnings.map((text) => el('li', { text }))),
      ]),
    );
}

function showProblem(message) {
  statusBox.append(el('p', { text: message, className: 'problem' }));
}

// --- Loading ---------------------------------------------------------------------------------------------

function loadGlb(path) {
  return new Promise((resolve, reject) => new GLTFLoader().load(fileUrl(path), resolve, undefined, reject));
}

// The outputs in report order, each joined with its node in the GLB (if it has geometry there).
function joinOutputs(nodes) {
  const outputs = [];
  const reportAspects = state.report?.aspects ?? [];
  for (const aspect of ASPECTS) {
    const ofAspect = nodes.filter((n) => n.aspect === aspect).sort((a, b) => a.position - b.position);
    const reported = reportAspects.find((a) => a.name === aspect)?.outputs;
    if (reported) {
      // A node's index is the output's place in its aspect, from 1.
      reported.forEach((data, i) => {
        const node = ofAspect.find((n) => n.index === i + 1) ?? null;
        outputs.push({ aspect, position: i, name: data.name, kind: data.kind ?? node?.kind ?? 'other', object: node?.object ?? null, data });
      });
    } else {
      for (const node of ofAspect)
        outputs.push({ aspect, position: node.position, name: nodeName(node.object), kind: node.kind, object: node.object, data: null });
    }
  }
  return outputs;
}

function applyVisibility() {
  for (const output of state.outputs) {
    if (!output.object) continue;
    output.object.visible = output.aspect === 'Insulation' ? showInsulation.checked : showPhysical.checked;
  }
  state.arrows.visible = showArrows.checked && showPhysical.checked;
  requestRender();
}

async function main() {
  const name = new URLSearchParams(location.search).get('part');
  state.name = name ?? '';
  document.getElementById('title').textContent = name ?? 'No part named';
  document.title = `${name ?? 'Part'} – check valve`;
  if (!name) throw new Error('Give the part as part.html?part=NAME');

  const index = await loadIndex().catch(() => ({ parts: [] }));
  const entry = index.parts.find((p) => p.name === name);
  if (!entry) throw new Error('The gallery holds no such part');
  document.getElementById('edit-copy').href = 'configure.html?' + new URLSearchParams({ sample: name, pdb: entry.partDataBasis ?? '' }).toString();
  document.getElementById('subtitle').textContent =
    `PartDataBasis ${entry.partDataBasis ?? '?'}` + (entry.description ? ` — ${entry.description}` : '');
  const files = partFiles(entry);
  document.getElementById('files').replaceChildren(
    ...[['GLB', files.glb], ['STEP', files.step], ['IFC', files.ifc], ['report', files.report]]
      .filter(([, path]) => path)
      .flatMap(([label, path]) => [el('a', { text: label, attrs: { href: fileUrl(path), download: '' } }), ' ']),
  );

  if (files.report) state.report = await loadJson(files.report).catch((e) => (showProblem(`No report: ${e.message}`), null));
  showStatus(entry);

  let nodes = [];
  if (files.glb) {
    try {
      const gltf = await loadGlb(files.glb);
      model.add(gltf.scene);
      model.updateMatrixWorld(true);
      nodes = collectOutputNodes(gltf.scene);
    } catch (error) {
      showProblem(`The GLB could not be read: ${error.message ?? error}`);
    }
  } else {
    showProblem('This part has no GLB.');
  }
  state.outputs = joinOutputs(nodes);
  state.outputs.forEach(dressOutput);
  buildOutputList();
  buildPortTable();
  const box = new THREE.Box3().setFromObject(model);
  const size = box.isEmpty() ? 0.1 : box.getSize(new THREE.Vector3()).length();
  // Arrow shafts are lines: they count as hit within half a percent of the part's size, not a metre.
  raycaster.params.Line.threshold = size * 0.005;
  buildArrows(size);
  applyVisibility();
  resize();
  fitToView();
}

// --- Pointer: hover and click in the scene ---------------------------------------------------------------

const raycaster = new THREE.Raycaster();
const pointer = new THREE.Vector2();

function outputAt(event) {
  const rect = renderer.domElement.getBoundingClientRect();
  pointer.set(((event.clientX - rect.left) / rect.width) * 2 - 1, -((event.clientY - rect.top) / rect.height) * 2 + 1);
  raycaster.setFromCamera(pointer, camera);
  const hits = raycaster.intersectObjects([model, state.arrows], true);
  // Physical outputs and arrows before the translucent envelope that surrounds them.
  const visible = hits.filter((hit) => hit.object.userData.output && visibleInScene(hit.object));
  const solid = visible.find((hit) => hit.object.userData.output.aspect !== 'Insulation');
  return (solid ?? visible[0])?.object.userData.output ?? null;
}

renderer.domElement.addEventListener('pointermove', (event) => {
  const output = outputAt(event);
  hover(output);
  const rect = stage.getBoundingClientRect();
  showTooltip(output, event.clientX - rect.left, event.clientY - rect.top);
});
renderer.domElement.addEventListener('pointerleave', () => {
  hover(null);
  showTooltip(null);
});
let downAt = null;
renderer.domElement.addEventListener('pointerdown', (event) => (downAt = [event.clientX, event.clientY]));
renderer.domElement.addEventListener('click', (event) => {
  // A drag that orbits the camera is no click.
  if (downAt && Math.hypot(event.clientX - downAt[0], event.clientY - downAt[1]) > 4) return;
  const output = outputAt(event);
  if (output) select(output);
});

showPhysical.addEventListener('change', applyVisibility);
showInsulation.addEventListener('change', applyVisibility);
showArrows.addEventListener('change', applyVisibility);
document.getElementById('fit').addEventListener('click', fitToView);

// --- Read-only hooks for automated checks ----------------------------------------------------------------

function pixelStats() {
  renderer.render(scene, camera);
  const source = renderer.domElement;
  const canvas = document.createElement('canvas');
  canvas.width = source.width;
  canvas.height = source.height;
  const context = canvas.getContext('2d', { willReadFrequently: true });
  context.drawImage(source, 0, 0);
  const { data } = context.getImageData(0, 0, canvas.width, canvas.height);
  const [br, bg, bb] = [(BACKGROUND >> 16) & 255, (BACKGROUND >> 8) & 255, BACKGROUND & 255];
  const colours = new Set();
  let covered = 0;
  let checksum = 0;
  for (let i = 0; i < data.length; i += 4) {
    colours.add((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]);
    checksum = (checksum * 31 + data[i] * 65536 + data[i + 1] * 256 + data[i + 2]) % 2147483647;
    if (Math.abs(data[i] - br) + Math.abs(data[i + 1] - bg) + Math.abs(data[i + 2] - bb) > 12) covered += 1;
  }
  return { width: canvas.width, height: canvas.height, colours: colours.size, coverage: covered / (data.length / 4), checksum };
}

// The page position of a nozzle arrow's middle, for pointing at it.
function arrowScreenPoint(name) {
  const output = state.outputs.find((o) => o.name === name && o.arrow);
  if (!output) return null;
  const { arrow } = output;
  arrow.updateMatrixWorld(true);
  // The middle of the arrow's head: the cone spans its last headLength up to the tip.
  const head = new THREE.Vector3(0, arrow.cone.position.y - arrow.cone.scale.y / 2, 0);
  const tip = head.applyMatrix4(arrow.matrixWorld).project(camera);
  const rect = renderer.domElement.getBoundingClientRect();
  return { x: rect.left + ((tip.x + 1) / 2) * rect.width, y: rect.top + ((1 - tip.y) / 2) * rect.height };
}

window.__viewer = Object.freeze({
  phase: () => state.phase,
  problem: () => state.problem,
  partName: () => state.name,
  outputNames: (aspect) => state.outputs.filter((o) => !aspect || o.aspect === aspect).map((o) => o.name),
  sceneOutputNames: (aspect) =>
    state.outputs.filter((o) => o.object && (!aspect || o.aspect === aspect)).map((o) => nodeName(o.object)),
  visibleAspects: () => ASPECTS.filter((a) => state.outputs.some((o) => o.aspect === a && o.object && visibleInScene(o.object))),
  arrowNames: () => state.outputs.filter((o) => o.arrow).map((o) => o.name),
  hovered: () => state.hovered?.name ?? null,
  selected: () => state.selected?.name ?? null,
  arrowScreenPoint,
  pixelStats,
});

main()
  .then(() => (state.phase = 'ready'))
  .catch((error) => {
    state.phase = 'error';
    state.problem = error.message ?? String(error);
    showProblem(state.problem);
  })
  .finally(() => (document.body.dataset.phase = state.phase));
