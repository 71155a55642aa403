// Reads every sample part's IFC file back with web-ifc and checks it against the part's JSON report: one
// IfcValve with its type and property sets, the body mapped from the type's representation maps, one port
// per nozzle on the type and on the valve, placed and directed as the nozzle, the flow directions and
// system types, non-empty body meshes whose boxes match the report's, and the insulation covering. The
// same samples' content library (`gallery --ifc-library`), their files with `--ifc-curves composite`, a
// model of placed valves (`place`) and a file written with `--ifc-geometry mesh` are read back too. A second, one-part catalogue checks that a name
// with quotes, a backslash and non-ASCII text reads back.
//
// Usage: node viewer/test/ifc.mjs
// Environment: CHECKVALVE (the checkvalve binary; default: the newest build/*/src/checkvalve).
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';

const require = createRequire(import.meta.url);
const WebIFC = require('web-ifc');

import { spawnSync } from 'node:child_process';
import { drawnTriangles, findCheckvalve, gallery, repo } from './support.mjs';
// Positions and directions are written exactly; 1e-6 m is the promise.
const EXACT = 1e-6;
// The triangles are those of the GLB: within the largest linear deflection (2 mm) of the surfaces, and
// stored as 32-bit floats by the reader. Exact items are meshed by web-ifc with 64 segments per circle,
// which keeps them within 0.12% of a radius (0.4 mm at the largest sample radius).
const MESH = 0.002 + 1e-5;
const LOADER = { CIRCLE_SEGMENTS: 64 };
// The jacketed bodies: their ports 3 and 4 are the jacket's connections (heating), their pattern OTHER.
const JACKETED = new Set([2381, 3124, 3125, 3146]);
// Coverings less the valve body, and those that are the envelope with why (printed at the end).
let cutCoverings = 0;
const envelopeCoverings = [];
// Items by how they state the body, over every sample's valve and covering (printed at the end).
const itemKinds = {};

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
// Box a lies within box b (min x, y, z, max x, y, z), give or take tol.
const boxWithin = (a, b, tol) => a.every((v, k) => (k < 3 ? v >= b[k] - tol : v <= b[k] + tol));

// Checks the body items of a product against the report's outputs of one aspect, in output order; the
// operator's stem and handwheel ("ValveOperator/Stem") together against the operator's box.
// The representation items a product's 'Body' shows, through the mapped items of its type's maps, in the
// order they were written (the outputs' order).
function bodyItems(api, model, label, product) {
  const shape = product.Representation ? api.GetLine(model, product.Representation.value) : null;
  const representations = (shape?.Representations ?? []).map((r) => api.GetLine(model, r.value));
  const body = representations.find((r) => value(r.RepresentationIdentifier) === 'Body');
  if (!body) return null;
  check(`${label}: body mapped from the type`, value(body.RepresentationType) === 'MappedRepresentation' &&
    body.Items.every((i) => api.GetLineType(model, i.value) === WebIFC.IFCMAPPEDITEM), value(body.RepresentationType));
  const items = [];
  for (const mapped of body.Items.map((i) => api.GetLine(model, i.value))) {
    const map = api.GetLine(model, mapped.MappingSource.value);
    const representation = api.GetLine(model, map.MappedRepresentation.value);
    for (const item of representation.Items) {
      const type = api.GetLineType(model, item.value);
      const kind = value(representation.RepresentationType);
      const expected = type === WebIFC.IFCSWEPTDISKSOLID ? 'AdvancedSweptSolid'
        : type === WebIFC.IFCTRIANGULATEDFACESET ? 'Tessellation' : 'SweptSolid';
      check(`${label}: item ${item.value} in a ${expected} representation`, kind === expected, kind);
      const name = api.GetNameFromTypeCode(type);
      itemKinds[name] = (itemKinds[name] ?? 0) + 1;
      items.push(item.value);
    }
  }
  return items.sort((a, b) => a - b);
}

// With `cut` (an insulation covering less the valve body), each item lies within its output's box, and an
// output wholly inside the body draws none.
function checkBody(api, model, label, productId, outputs, styledNames, cut = false) {
  const product = api.GetLine(model, productId);
  const drawn = outputs.filter((o) => Array.isArray(o.bbox));
  const items = bodyItems(api, model, label, product);
  if (!items) {
    check(`${label}: a Body representation`, drawn.length === 0, `${drawn.length} drawn outputs`);
    return;
  }
  // web-ifc places the meshes in its own y-up world: the product's IFC world matrix, then Z up turned to
  // Y up. Undoing both gives the product's own coordinates, those of the report.
  const world = api.GetWorldTransformMatrix(model, product.ObjectPlacement.value);
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
  if (cut) {
    check(`${label}: an item drawn`, byOutput.length > 0);
    let next = 0;
    for (const got of byOutput) {
      while (next < drawn.length && drawn[next].name !== got.name) next += 1;
      const want = drawn[next];
      next += 1;
      check(`${label}: item ${got.name} is an output's, in output order`, !!want, got.name);
      if (want) check(`${label}: ${want.name} within its box`, boxWithin(got.box, want.bbox, MESH), `${got.box} vs ${want.bbox}`);
    }
    mesh.delete?.();
    return;
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

function checkPart(api, dir, entry, label = entry.name) {
  const report = JSON.parse(fs.readFileSync(path.join(dir, entry.files.report), 'utf8'));
  check(`${label}: index lists the IFC file`, typeof entry.files.ifc === 'string');
  const file = path.join(dir, entry.files.ifc ?? '');
  if (!fs.existsSync(file)) {
    check(`${label}: IFC file written`, false);
    return;
  }
  const model = api.OpenModel(new Uint8Array(fs.readFileSync(file)), LOADER);
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
        (expectedPattern === null || common.ValvePattern[0] === expectedPattern) &&
        (!JACKETED.has(report.partDataBasis) || common.ValvePattern[0] === 'OTHER'), JSON.stringify(common.ValvePattern));
      check(`${label}: the type carries the body`, (type.RepresentationMaps ?? []).length > 0);
      // The type's own ports, placed in its frame (the valve's).
      const typePorts = lines(api, model, WebIFC.IFCRELNESTS).map((id) => api.GetLine(model, id))
        .filter((rel) => rel.RelatingObject.value === type.expressID).flatMap((rel) => rel.RelatedObjects.map((o) => o.value));
      check(`${label}: one type port per nozzle`, typePorts.length === ports.length, `${typePorts.length}`);
      typePorts.forEach((portId, i) => {
        const port = api.GetLine(model, portId);
        const placement = api.GetLine(model, port.ObjectPlacement.value);
        const axes = axesMatrix(api, model, placement.RelativePlacement.value);
        check(`${label}: type port ${i + 1} in the type's frame`, !placement.PlacementRelTo &&
          ports[i] && close(axes.location, ports[i].position, EXACT) && close(axes.z, unit(ports[i].direction), EXACT));
      });
      check(`${label}: Size`, common.Size > 0, JSON.stringify(common));
    }

    // Ports: one per nozzle, nested in nozzle order.
    const physical = report.aspects.find((a) => a.name === 'Physical');
    const nozzles = physical?.outputs.filter((o) => o.kind === 'nozzle') ?? [];
    const nests = lines(api, model, WebIFC.IFCRELNESTS).map((id) => api.GetLine(model, id))
      .filter((rel) => rel.RelatingObject.value === valveId);
    const portIds = nests.flatMap((rel) => rel.RelatedObjects.map((o) => o.value));
    check(`${label}: one port per nozzle`, portIds.length === nozzles.length &&
      lines(api, model, WebIFC.IFCDISTRIBUTIONPORT).length === 2 * nozzles.length, `${portIds.length} vs ${nozzles.length}`);
    portIds.forEach((portId, i) => {
      const nozzle = nozzles[i];
      if (!nozzle) return;
      const port = api.GetLine(model, portId, true);
      const where = `${label}: port ${i + 1}`;
      check(`${where} name`, value(port.Name) === `PNoz${nozzle.port}`, value(port.Name));
      const flow = nozzle.port === 1 ? 'SINK' : nozzle.port === 2 ? 'SOURCE' : 'SOURCEANDSINK';
      check(`${where} flow`, value(port.FlowDirection) === flow, value(port.FlowDirection));
      check(`${where} pipe`, value(port.PredefinedType) === 'PIPE');
      const system = JACKETED.has(report.partDataBasis) && (nozzle.port === 3 || nozzle.port === 4) ? 'HEATING' : 'NOTDEFINED';
      check(`${where} system type`, value(port.SystemType) === system, value(port.SystemType));
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
      // Its type says whether it shows the insulation less the valve body or, where that cut could not be
      // made, the envelope (whose items are the report's outputs, box for box).
      const types = lines(api, model, WebIFC.IFCCOVERINGTYPE).map((id) => api.GetLine(model, id));
      const description = types.length === 1 ? value(types[0].Description) ?? '' : '';
      const cut = description === 'insulation less the valve body';
      check(`${label}: covering type says what it shows`, cut || description.startsWith('envelope including the valve body: '),
        description);
      if (cut) cutCoverings += 1;
      else envelopeCoverings.push(`${label}: ${description}`);
      checkBody(api, model, `${label} Insulation`, coverings[0], insulation.outputs, styledNames, cut);
    }

    // Identifiers: 22 characters of IFC's base-64 alphabet, none repeated.
    const roots = [WebIFC.IFCPROJECT, WebIFC.IFCSITE, WebIFC.IFCBUILDING, WebIFC.IFCBUILDINGSTOREY, WebIFC.IFCVALVE,
      WebIFC.IFCVALVETYPE, WebIFC.IFCCOVERINGTYPE,
      WebIFC.IFCDISTRIBUTIONPORT, WebIFC.IFCCOVERING, WebIFC.IFCPROPERTYSET, WebIFC.IFCRELNESTS,
      WebIFC.IFCRELAGGREGATES, WebIFC.IFCRELCONTAINEDINSPATIALSTRUCTURE, WebIFC.IFCRELDEFINESBYTYPE,
      WebIFC.IFCRELDEFINESBYPROPERTIES, WebIFC.IFCRELCOVERSBLDGELEMENTS];
    const ids = roots.flatMap((type) => lines(api, model, type).map((id) => value(api.GetLine(model, id).GlobalId)));
    check(`${label}: GlobalIds valid`, ids.every((id) => /^[0-3][0-9A-Za-z_$]{21}$/.test(id)));
    check(`${label}: GlobalIds unique`, new Set(ids).size === ids.length);
    const contained = lines(api, model, WebIFC.IFCRELCONTAINEDINSPATIALSTRUCTURE).map((id) => api.GetLine(model, id));
    check(`${label}: valve contained in the storey`, contained.length === 1 &&
      contained[0].RelatedElements.some((e) => e.value === valveId) &&
      api.GetLineType(model, contained[0].RelatingStructure.value) === WebIFC.IFCBUILDINGSTOREY);
  } finally {
    api.CloseModel(model);
  }
}

// The content library: one IfcProjectLibrary declaring every part's valve type, each with its body maps
// and one port per nozzle, and nothing placed.
function checkLibrary(api, file, samplesDir, samples) {
  const model = api.OpenModel(new Uint8Array(fs.readFileSync(file)), LOADER);
  try {
    const libraries = lines(api, model, WebIFC.IFCPROJECTLIBRARY);
    check('library: one IfcProjectLibrary', libraries.length === 1);
    const declared = lines(api, model, WebIFC.IFCRELDECLARES).map((id) => api.GetLine(model, id))
      .filter((rel) => rel.RelatingContext.value === libraries[0]).flatMap((rel) => rel.RelatedDefinitions.map((d) => d.value));
    const types = lines(api, model, WebIFC.IFCVALVETYPE);
    check('library: one valve type per part, all declared', types.length === samples.parts.length &&
      types.every((t) => declared.includes(t)), `${types.length} types`);
    check('library: no valve placed', lines(api, model, WebIFC.IFCVALVE).length === 0);
    const nests = lines(api, model, WebIFC.IFCRELNESTS).map((id) => api.GetLine(model, id));
    for (const entry of samples.parts) {
      const report = JSON.parse(fs.readFileSync(path.join(samplesDir, entry.files.report), 'utf8'));
      const type = types.map((id) => api.GetLine(model, id)).find((t) => value(t.Name) === entry.name);
      if (!type) {
        check(`library: ${entry.name} has a type`, false);
        continue;
      }
      const nozzles = report.aspects.find((a) => a.name === 'Physical')?.outputs.filter((o) => o.kind === 'nozzle') ?? [];
      const ports = nests.filter((rel) => rel.RelatingObject.value === type.expressID).flatMap((rel) => rel.RelatedObjects);
      check(`library: ${entry.name} ports`, ports.length === nozzles.length, `${ports.length} vs ${nozzles.length}`);
      check(`library: ${entry.name} body maps`, (type.RepresentationMaps ?? []).length > 0);
      check(`library: ${entry.name} property sets`, (type.HasPropertySets ?? []).length === 2);
    }
  } finally {
    api.CloseModel(model);
  }
}

// Every body item of a file written with --ifc-geometry mesh is a triangulated face set.
function checkMeshFile(api, file) {
  const model = api.OpenModel(new Uint8Array(fs.readFileSync(file)), LOADER);
  try {
    const solids = [WebIFC.IFCEXTRUDEDAREASOLID, WebIFC.IFCREVOLVEDAREASOLID, WebIFC.IFCSWEPTDISKSOLID]
      .reduce((n, type) => n + lines(api, model, type).length, 0);
    check('mesh geometry: triangles only', solids === 0 && lines(api, model, WebIFC.IFCTRIANGULATEDFACESET).length > 0);
    check('mesh geometry: still mapped from the type', lines(api, model, WebIFC.IFCMAPPEDITEM).length > 0);
  } finally {
    api.CloseModel(model);
  }
}

// A model of placed valves: one IfcValve per row with its instance id, mapped from its part's type (each
// type written once), ports placed with the valve, boxes where the placement puts the report's.
function checkPlacedModel(api, checkvalve, work, samplesDir, samples) {
  const parts = samples.parts.slice(0, 6);
  // Turns that keep boxes boxes: run along an axis, top along another.
  const frames = [[[1, 0, 0], [0, 0, 1]], [[0, 1, 0], [0, 0, 1]], [[0, 0, 1], [1, 0, 0]], [[-1, 0, 0], [0, -1, 0]]];
  const rows = [];
  for (let i = 0; i < 60; i += 1) {
    const [dir, up] = frames[i % frames.length];
    rows.push({ instance: `V-${i + 1}`, part: parts[i % parts.length].name, at: [i * 0.5, (i % 7) * 0.25, 1 + (i % 3)], dir, up });
  }
  const csv = path.join(work, 'placements.csv');
  fs.writeFileSync(csv, 'instance,part,x,y,z,dirx,diry,dirz,upx,upy,upz\n' +
    rows.map((r) => [r.instance, r.part, ...r.at, ...r.dir, ...r.up].join(',')).join('\n') + '\n');
  const file = path.join(work, 'placed.ifc');
  const run = spawnSync(checkvalve, ['place', csv, '--ifc', file], { encoding: 'utf8' });
  check('place: exits 0', run.status === 0, run.stderr);
  if (run.status !== 0) return;
  const model = api.OpenModel(new Uint8Array(fs.readFileSync(file)), LOADER);
  try {
    const valves = lines(api, model, WebIFC.IFCVALVE).map((id) => api.GetLine(model, id));
    check('place: one valve per row', valves.length === rows.length, `${valves.length}`);
    check('place: each type once', lines(api, model, WebIFC.IFCVALVETYPE).length === parts.length);
    const ids = valves.map((v) => value(v.GlobalId));
    check('place: GlobalIds unique', new Set(ids).size === ids.length);
    const nests = lines(api, model, WebIFC.IFCRELNESTS).map((id) => api.GetLine(model, id));
    for (const row of rows) {
      const valve = valves.find((v) => value(v.Name) === row.instance);
      if (!valve) {
        check(`place: ${row.instance} present`, false);
        continue;
      }
      const entry = parts.find((p) => p.name === row.part);
      const report = JSON.parse(fs.readFileSync(path.join(samplesDir, entry.files.report), 'utf8'));
      const physical = report.aspects.find((a) => a.name === 'Physical')?.outputs ?? [];
      const z = [row.dir[1] * row.up[2] - row.dir[2] * row.up[1], row.dir[2] * row.up[0] - row.dir[0] * row.up[2],
        row.dir[0] * row.up[1] - row.dir[1] * row.up[0]];
      const place = (p) => [0, 1, 2].map((k) => row.at[k] + row.dir[k] * p[0] + row.up[k] * p[1] + z[k] * p[2]);
      // The report's overall box, turned into place.
      let want = null;
      for (const o of physical.filter((o) => Array.isArray(o.bbox))) {
        const corners = [0, 1].flatMap((a) => [0, 1].flatMap((b) => [0, 1].map((c) => place([o.bbox[a * 3], o.bbox[1 + b * 3], o.bbox[2 + c * 3]]))));
        for (const corner of corners) want = union(want, [...corner, ...corner]);
      }
      const mesh = api.GetFlatMesh(model, valve.expressID);
      let got = null;
      for (let i = 0; i < mesh.geometries.size(); i += 1) {
        const placed = mesh.geometries.get(i);
        got = union(got, meshBox(api, model, placed, (p) => apply(Y_UP_TO_Z_UP, p)).box);
      }
      check(`place: ${row.instance} box`, got && want && boxClose(got, want, MESH), `${got} vs ${want}`);
      const ports = nests.filter((rel) => rel.RelatingObject.value === valve.expressID).flatMap((rel) => rel.RelatedObjects);
      const nozzles = physical.filter((o) => o.kind === 'nozzle');
      check(`place: ${row.instance} ports`, ports.length === nozzles.length);
      ports.forEach((p, i) => {
        const port = api.GetLine(model, p.value);
        const world = apply(api.GetWorldTransformMatrix(model, port.ObjectPlacement.value), [0, 0, 0]);
        check(`place: ${row.instance} port ${i + 1} where the nozzle is placed`, close(world, place(nozzles[i].position), EXACT),
          `${world} vs ${place(nozzles[i].position)}`);
      });
    }
  } finally {
    api.CloseModel(model);
  }
}

// web-ifc's (X, Y, Z) as IFC's: Y up turned back to Z up.
const Y_UP_TO_Z_UP = [1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1];

async function main() {
  const checkvalve = findCheckvalve();
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tcv-ifc-'));
  try {
    const samplesDir = path.join(work, 'samples');
    const library = path.join(work, 'library.ifc');
    const samples = gallery(checkvalve, samplesDir, ['--ifc-library', library]);
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
    // The same samples with composite curves (IfcPolyline and trimmed IfcCircle pieces) in their profiles.
    const compositeDir = path.join(work, 'composite');
    const composite = gallery(checkvalve, compositeDir, ['--ifc-curves', 'composite']);
    for (const entry of composite.parts) checkPart(api, compositeDir, entry, `${entry.name} (composite curves)`);
    checkLibrary(api, library, samplesDir, samples);
    // The samples with --ifc-geometry mesh: triangles only, and what web-ifc draws of the exact files at
    // its usual 64 segments a circle is at most three times what it draws of these.
    const meshDir = path.join(work, 'mesh');
    const meshes = gallery(checkvalve, meshDir, ['--ifc-geometry', 'mesh']);
    checkMeshFile(api, path.join(meshDir, meshes.parts[0].files.ifc));
    let exactTriangles = 0;
    let meshTriangles = 0;
    for (const entry of meshes.parts) {
      exactTriangles += drawnTriangles(api, path.join(samplesDir, entry.files.ifc), LOADER);
      meshTriangles += drawnTriangles(api, path.join(meshDir, entry.files.ifc), LOADER);
    }
    check('exact files draw at most 3x the triangles of mesh files', exactTriangles <= 3 * meshTriangles,
      `${exactTriangles} vs ${meshTriangles}`);
    console.log(`web-ifc triangles at 64 segments a circle: exact files ${exactTriangles}, mesh files ${meshTriangles}`);
    checkPlacedModel(api, checkvalve, work, samplesDir, samples);
    const total = Object.values(itemKinds).reduce((a, b) => a + b, 0);
    const exact = total - Object.entries(itemKinds).filter(([k]) => /triangulated/i.test(k)).reduce((a, [, n]) => a + n, 0);
    console.log(`coverings less the valve body: ${cutCoverings}; envelopes: ${envelopeCoverings.length}`);
    for (const envelope of envelopeCoverings) console.log(`  ${envelope}`);
    console.log(`body items of the valves and coverings: ${JSON.stringify(itemKinds)}; exact ${exact} of ${total} (${(100 * exact / total).toFixed(1)}%)`);
    console.log(`${samples.parts.length + named.parts.length + composite.parts.length} IFC files read back by web-ifc: ${passed} checks passed, ${failed} failed`);
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
  process.exit(failed ? 1 : 0);
}

main().catch((error) => {
  console.log(error.stack ?? error);
  process.exit(1);
});
