// Reads every sample part's IFC file back with web-ifc and checks it against the part's JSON report: one
// IfcValve with its type and property sets, one port per nozzle placed and directed as the nozzle, the
// flow directions, non-empty body meshes whose boxes match the report's, and the insulation covering.
// A second, one-part catalogue checks that a name with quotes, a backslash and non-ASCII text reads back.
//
// Usage: node viewer/test/ifc.mjs
// Environment: CHECKVALVE (the checkvalve binary; default: the newest build/*/src/checkvalve).
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';

const require = createRequire(import.meta.url);
const WebIFC = require('web-ifc');

import { findCheckvalve, gallery, repo } from './support.mjs';
// Positions and directions are written exactly; 1e-6 m is the promise.
const EXACT = 1e-6;
// The triangles are those of the GLB: within the largest linear deflection (2 mm) of the surfaces, and
// stored as 32-bit floats by the reader.
const MESH = 0.002 + 1e-5;

let passed = 0;
let failed = 0;
function check(name, ok, detail = '') {
  if (ok) {
    passed += 1;
  } else {
    failed += 1;
    console.log(`FAIL ${name}${detail ? `: ${detail}` : ''}`);
  }
}

// --- small vector and matrix helpers (4x4 matrices column-major, as web-ifc gives them)
const sub = (a, b) => a.map((v, i) => v - b[i]);
const norm = (a) => Math.hypot(...a);
const unit = (a) => a.map((v) => v / norm(a));
const close = (a, b, tol) => a.length === b.length && norm(sub(a, b)) <= tol;
const apply = (m, p) => [0, 1, 2].map((r) => m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r]);

// The rigid transform of an IfcAxis2Placement3D (location, Z axis, X direction).
function axesMatrix(api, model, id) {
  const axes = api.GetLine(model, id, true);
  const location = axes.Location.Coordinates.map((c) => c.value);
  const z = axes.Axis ? unit(axes.Axis.DirectionRatios.map((c) => c.value)) : [0, 0, 1];
  let x = axes.RefDirection ? axes.RefDirection.DirectionRatios.map((c) => c.value) : [1, 0, 0];
  const along = x[0] * z[0] + x[1] * z[1] + x[2] * z[2];
  x = unit(x.map((v, i) => v - along * z[i]));
  const y = [z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]];
  return { location, x, y, z };
}

const value = (attribute) => (attribute && typeof attribute === 'object' && 'value' in attribute ? attribute.value : attribute);
const lines = (api, model, type) => [...Array.from({ length: api.GetLineIDsWithType(model, type).size() }, (_, i) => api.GetLineIDsWithType(model, type).get(i))];

// Property sets of an object by name: { psetName: { propertyName: value } }.
function propertySets(api, model, objectId) {
  const sets = {};
  for (const rel of lines(api, model, WebIFC.IFCRELDEFINESBYPROPERTIES)) {
    const line = api.GetLine(model, rel);
    if (!line.RelatedObjects.some((o) => o.value === objectId)) continue;
    Object.assign(sets, readPropertySet(api, model, line.RelatingPropertyDefinition.value));
  }
  return sets;
}

function readPropertySet(api, model, setId) {
  const set = api.GetLine(model, setId, true);
  const properties = {};
  for (const property of set.HasProperties) {
    if (property.EnumerationValues) properties[value(property.Name)] = property.EnumerationValues.map(value);
    else properties[value(property.Name)] = value(property.NominalValue);
  }
  return { [value(set.Name)]: properties };
}

// The 3D box of a placed mesh, in the coordinates of the product's own placement.
function meshBox(api, model, placed, toProduct) {
  const geometry = api.GetGeometry(model, placed.geometryExpressID);
  const vertices = api.GetVertexArray(geometry.GetVertexData(), geometry.GetVertexDataSize());
  const indices = api.GetIndexArray(geometry.GetIndexData(), geometry.GetIndexDataSize());
  const box = [Infinity, Infinity, Infinity, -Infinity, -Infinity, -Infinity];
  for (let i = 0; i < vertices.length; i += 6) {
    const p = toProduct(apply(placed.flatTransformation, [vertices[i], vertices[i + 1], vertices[i + 2]]));
    for (let k = 0; k < 3; k += 1) {
      box[k] = Math.min(box[k], p[k]);
      box[k + 3] = Math.max(box[k + 3], p[k]);
    }
  }
  const counts = { vertices: vertices.length / 6, triangles: indices.length / 3 };
  geometry.delete();
  return { box, ...counts };
}

const union = (a, b) => (a ? [0, 1, 2].map((k) => Math.min(a[k], b[k])).concat([3, 4, 5].map((k) => Math.max(a[k], b[k]))) : b);
const boxClose = (a, b, tol) => a.every((v, k) => Math.abs(v - b[k]) <= tol);

// Checks the body items of a product against the report's outputs of one aspect, in output order; the
// operator's stem and handwheel ("ValveOperator/Stem") together against the operator's box.
function checkBody(api, model, label, productId, outputs, styledNames) {
  const product = api.GetLine(model, productId, true);
  const representation = product.Representation?.Representations?.find((r) => value(r.RepresentationIdentifier) === 'Body');
  const drawn = outputs.filter((o) => Array.isArray(o.bbox));
  if (!representation) {
    check(`${label}: a Body representation`, drawn.length === 0, `${drawn.length} drawn outputs`);
    return;
  }
  const items = representation.Items.map((item) => item.expressID);
  // web-ifc places the meshes in its own y-up world: the product's IFC world matrix, then Z up turned to
  // Y up. Undoing both gives the product's own coordinates, those of the report.
  const world = api.GetWorldTransformMatrix(model, product.ObjectPlacement.expressID);
  const inverse = invertRigid(multiply(Z_UP_TO_Y_UP, world));
  const mesh = api.GetFlatMesh(model, productId);
  const placedById = new Map();
  for (let i = 0; i < mesh.geometries.size(); i += 1) {
    const placed = mesh.geometries.get(i);
    placedById.set(placed.geometryExpressID, placed);
  }
  const byOutput = [];
  for (const item of items) {
    const name = styledNames.get(item) ?? '';
    const outputName = name.split('/')[0];
    const placed = placedById.get(item);
    check(`${label}: item ${name} meshed`, !!placed);
    if (!placed) continue;
    const { box, vertices, triangles } = meshBox(api, model, placed, (p) => apply(inverse, p));
    check(`${label}: item ${name} not empty`, vertices > 0 && triangles > 0);
    const last = byOutput[byOutput.length - 1];
    if (name.includes('/') && last && last.name === outputName && last.group) last.box = union(last.box, box);
    else byOutput.push({ name: outputName, box, group: name.includes('/') });
  }
  check(`${label}: one item group per drawn output`, byOutput.length === drawn.length,
    `${byOutput.map((o) => o.name)} vs ${drawn.map((o) => o.name)}`);
  byOutput.forEach((got, i) => {
    const want = drawn[i];
    if (!want) return;
    check(`${label}: item ${i + 1} named ${want.name}`, got.name === want.name, got.name);
    check(`${label}: ${want.name} box`, boxClose(got.box, want.bbox, MESH), `${got.box} vs ${want.bbox}`);
  });
  mesh.delete?.();
}

// IFC's (X, Y, Z) as web-ifc's (X, Z, -Y), column-major.
const Z_UP_TO_Y_UP = [1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1];

function multiply(a, b) {
  const out = new Array(16).fill(0);
  for (let c = 0; c < 4; c += 1)
    for (let r = 0; r < 4; r += 1)
      for (let k = 0; k < 4; k += 1) out[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
  return out;
}

function invertRigid(m) {
  // A rotation and a translation: the rotation transposed, the translation turned back.
  const r = [m[0], m[4], m[8], m[1], m[5], m[9], m[2], m[6], m[10]];
  const t = [m[12], m[13], m[14]];
  const it = [0, 1, 2].map((row) => -(r[row * 3] * t[0] + r[row * 3 + 1] * t[1] + r[row * 3 + 2] * t[2]));
  return [r[0], r[3], r[6], 0, r[1], r[4], r[7], 0, r[2], r[5], r[8], 0, it[0], it[1], it[2], 1];
}

function checkPart(api, dir, entry) {
  const label = entry.name;
  const report = JSON.parse(fs.readFileSync(path.join(dir, entry.files.report), 'utf8'));
  check(`${label}: index lists the IFC file`, typeof entry.files.ifc === 'string');
  const file = path.join(dir, entry.files.ifc ?? '');
  if (!fs.existsSync(file)) {
    check(`${label}: IFC file written`, false);
    return;
  }
  const model = api.OpenModel(new Uint8Array(fs.readFileSync(file)));
  check(`${label}: opens`, model >= 0 && api.GetModelSchema(model) === 'IFC4', api.GetModelSchema(model));
  try {
    const valves = lines(api, model, WebIFC.IFCVALVE);
    check(`${label}: one IfcValve`, valves.length === 1, `${valves.length}`);
    if (valves.length !== 1) return;
    const valveId = valves[0];
    const valve = api.GetLine(model, valveId);
    check(`${label}: valve name`, value(valve.Name) === entry.name, value(valve.Name));
    check(`${label}: valve description`, value(valve.Description) === entry.description);

    // The type and its common properties.
    const typed = lines(api, model, WebIFC.IFCRELDEFINESBYTYPE).map((id) => api.GetLine(model, id))
      .filter((rel) => rel.RelatedObjects.some((o) => o.value === valveId));
    check(`${label}: one type`, typed.length === 1);
    if (typed.length === 1) {
      const type = api.GetLine(model, typed[0].RelatingType.value);
      check(`${label}: IfcValveType CHECK`, api.GetLineType(model, type.expressID) === WebIFC.IFCVALVETYPE &&
        value(type.PredefinedType) === 'CHECK');
      const sets = Object.assign({}, ...(type.HasPropertySets ?? []).map((s) => readPropertySet(api, model, s.value)));
      const common = sets.Pset_ValveTypeCommon ?? {};
      const ports = report.aspects.find((a) => a.name === 'Physical')?.outputs.filter((o) => o.kind === 'nozzle') ?? [];
      const expectedPattern = ports.length === 2
        ? (unit(ports[0].direction).map((v, i) => v + unit(ports[1].direction)[i]).every((v) => Math.abs(v) < 1e-9) ? 'STRAIGHT_2_PORT' : 'ANGLED_2_PORT')
        : null;
      check(`${label}: ValvePattern`, Array.isArray(common.ValvePattern) &&
        (expectedPattern === null || common.ValvePattern[0] === expectedPattern), JSON.stringify(common.ValvePattern));
      check(`${label}: Size`, common.Size > 0, JSON.stringify(common));
    }

    // Ports: one per nozzle, nested in nozzle order.
    const physical = report.aspects.find((a) => a.name === 'Physical');
    const nozzles = physical?.outputs.filter((o) => o.kind === 'nozzle') ?? [];
    const nests = lines(api, model, WebIFC.IFCRELNESTS).map((id) => api.GetLine(model, id))
      .filter((rel) => rel.RelatingObject.value === valveId);
    const portIds = nests.flatMap((rel) => rel.RelatedObjects.map((o) => o.value));
    check(`${label}: one port per nozzle`, portIds.length === nozzles.length &&
      lines(api, model, WebIFC.IFCDISTRIBUTIONPORT).length === nozzles.length, `${portIds.length} vs ${nozzles.length}`);
    portIds.forEach((portId, i) => {
      const nozzle = nozzles[i];
      if (!nozzle) return;
      const port = api.GetLine(model, portId, true);
      const where = `${label}: port ${i + 1}`;
      check(`${where} name`, value(port.Name) === `PNoz${nozzle.port}`, value(port.Name));
      const flow = nozzle.port === 1 ? 'SINK' : nozzle.port === 2 ? 'SOURCE' : 'SOURCEANDSINK';
      check(`${where} flow`, value(port.FlowDirection) === flow, value(port.FlowDirection));
      check(`${where} pipe`, value(port.PredefinedType) === 'PIPE');
      check(`${where} placed relative to the valve`, port.ObjectPlacement.PlacementRelTo?.expressID === valve.ObjectPlacement.value);
      const axes = axesMatrix(api, model, port.ObjectPlacement.RelativePlacement.expressID);
      check(`${where} position`, close(axes.location, nozzle.position, EXACT), `${axes.location} vs ${nozzle.position}`);
      check(`${where} direction`, close(axes.z, unit(nozzle.direction), EXACT), `${axes.z} vs ${nozzle.direction}`);
      const sets = propertySets(api, model, portId);
      const pipe = sets.Pset_DistributionPortTypePipe ?? {};
      const own = sets.TarnCheckValve_PortData ?? {};
      const creation = nozzle.creation ?? {};
      check(`${where} NominalDiameter`, pipe.NominalDiameter > 0, JSON.stringify(pipe));
      check(`${where} ConnectionType`, Array.isArray(pipe.ConnectionType) && pipe.ConnectionType.length === 1, JSON.stringify(pipe));
      if (creation.pipeOD > 0) check(`${where} OuterDiameter`, Math.abs(pipe.OuterDiameter - creation.pipeOD) <= EXACT, JSON.stringify(pipe));
      if (creation.flangeOD > 0) check(`${where} flange OD`, Math.abs(own.FlangeOutsideDiameter - creation.flangeOD) <= EXACT, JSON.stringify(own));
      if (creation.flangeThickness > 0) check(`${where} flange thickness`, Math.abs(own.FlangeThickness - creation.flangeThickness) <= EXACT, JSON.stringify(own));
      check(`${where} port index`, own.PortIndex === nozzle.port, JSON.stringify(own));
    });

    // Names of the items, from their styled items.
    const styledNames = new Map();
    for (const id of lines(api, model, WebIFC.IFCSTYLEDITEM)) {
      const styled = api.GetLine(model, id);
      if (styled.Item) styledNames.set(styled.Item.value, value(styled.Name));
    }
    checkBody(api, model, `${label} Physical`, valveId, physical?.outputs ?? [], styledNames);

    // The insulation, as a covering of the valve when any was built.
    const insulation = report.aspects.find((a) => a.name === 'Insulation');
    const insulated = (insulation?.outputs ?? []).some((o) => Array.isArray(o.bbox));
    const coverings = lines(api, model, WebIFC.IFCCOVERING);
    check(`${label}: covering ${insulated ? 'present' : 'absent'}`, coverings.length === (insulated ? 1 : 0), `${coverings.length}`);
    if (insulated && coverings.length === 1) {
      const covering = api.GetLine(model, coverings[0]);
      check(`${label}: covering is insulation`, value(covering.PredefinedType) === 'INSULATION');
      const covers = lines(api, model, WebIFC.IFCRELCOVERSBLDGELEMENTS).map((id) => api.GetLine(model, id));
      check(`${label}: covering covers the valve`, covers.length === 1 && covers[0].RelatingBuildingElement.value === valveId &&
        covers[0].RelatedCoverings.some((c) => c.value === coverings[0]));
      checkBody(api, model, `${label} Insulation`, coverings[0], insulation.outputs, styledNames);
    }

    // Identifiers: 22 characters of IFC's base-64 alphabet, none repeated.
    const roots = [WebIFC.IFCPROJECT, WebIFC.IFCSITE, WebIFC.IFCBUILDING, WebIFC.IFCVALVE, WebIFC.IFCVALVETYPE,
      WebIFC.IFCDISTRIBUTIONPORT, WebIFC.IFCCOVERING, WebIFC.IFCPROPERTYSET, WebIFC.IFCRELNESTS,
      WebIFC.IFCRELAGGREGATES, WebIFC.IFCRELCONTAINEDINSPATIALSTRUCTURE, WebIFC.IFCRELDEFINESBYTYPE,
      WebIFC.IFCRELDEFINESBYPROPERTIES, WebIFC.IFCRELCOVERSBLDGELEMENTS];
    const ids = roots.flatMap((type) => lines(api, model, type).map((id) => value(api.GetLine(model, id).GlobalId)));
    check(`${label}: GlobalIds valid`, ids.every((id) => /^[0-3][0-9A-Za-z_$]{21}$/.test(id)));
    check(`${label}: GlobalIds unique`, new Set(ids).size === ids.length);
    const contained = lines(api, model, WebIFC.IFCRELCONTAINEDINSPATIALSTRUCTURE).map((id) => api.GetLine(model, id));
    check(`${label}: valve contained in the building`, contained.length === 1 &&
      contained[0].RelatedElements.some((e) => e.value === valveId) &&
      api.GetLineType(model, contained[0].RelatingStructure.value) === WebIFC.IFCBUILDING);
  } finally {
    api.CloseModel(model);
  }
}

async function main() {
  const checkvalve = findCheckvalve();
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tcv-ifc-'));
  try {
    const samplesDir = path.join(work, 'samples');
    const samples = gallery(checkvalve, samplesDir, []);
    const namedDir = path.join(work, 'named');
    const catalogue = path.join(work, 'named.json');
    const oddName = "R\u00fcckschlagventil 'DN 100' \\ \u6b62\u56de\u95a5";
    const port = (index) => ({ index, pipeOD: 0.1143, flangeOD: 0.2286, flangeThickness: 0.0239, npd: 4, npdUnit: 'in' });
    fs.writeFileSync(catalogue, JSON.stringify({ name: oddName, description: 'caf\u00e9 \u00bd"', partDataBasis: 1,
      inputs: { FacetoFace: 0.292, InsulationThickness: 0.04 }, ports: [port(1), port(2)] }));
    const named = gallery(checkvalve, namedDir, [catalogue]);

    const api = new WebIFC.IfcAPI();
    await api.Init();
    for (const entry of samples.parts) checkPart(api, samplesDir, entry);
    for (const entry of named.parts) checkPart(api, namedDir, entry);
    console.log(`${samples.parts.length + named.parts.length} IFC files read back by web-ifc: ${passed} checks passed, ${failed} failed`);
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
  process.exit(failed ? 1 : 0);
}

main().catch((error) => {
  console.log(error.stack ?? error);
  process.exit(1);
});
