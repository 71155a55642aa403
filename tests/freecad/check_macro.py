# Run by freecadcmd (tests/freecad/freecad_test.sh): inserts three sample parts with the macro, checks
# every feature against the part's report (valid shape, the report's volume within 1e-9 relative, the
# nozzles' coordinate systems at the ports), saves an .FCStd, reopens it and writes "ok" to TCV_RESULT.
import os
import sys
import traceback

sys.path.insert(0, os.environ["TCV_MACRO_DIR"])

import FreeCAD as App  # noqa: E402

import insert_valve  # noqa: E402
import tarncheckvalve  # noqa: E402

CATALOG = os.environ["TCV_CATALOG_DIR"]
PARTS = [
    ("default-bodies.json", "default-1-nps4-cl150-swing"),
    ("multi-port.json", "multi-port-2381-nps4-cl150-jacketed"),
    ("operator-base.json", "operator-base-2198-nps4-cl150"),
]


def close(a, b, relative):
    return abs(a - b) <= relative * max(abs(a), abs(b))


def check_part(doc, file, name):
    group = insert_valve.insert_valve(os.path.join(CATALOG, file), name, doc)
    assert group.Label == name, group.Label
    report = tarncheckvalve.evaluate(insert_valve.find_part(os.path.join(CATALOG, file), name)).report
    features = [o for o in group.Group if o.TypeId == "Part::Feature"]
    systems = [o for o in group.Group if o.TypeId == "PartDesign::CoordinateSystem"]
    subgroups = [o for o in group.Group if o.TypeId == "App::DocumentObjectGroup"]
    assert len(subgroups) == 1 and subgroups[0].Label.startswith("Insulation"), [g.Label for g in subgroups]
    assert not subgroups[0].Visibility
    insulation = subgroups[0].Group
    assert insulation and all(not f.Visibility for f in insulation)
    checked = 0
    for aspect, inserted in zip(report["aspects"], [features, insulation]):
        drawn = [o for o in aspect["outputs"] if o.get("bbox") is not None]
        assert [f.OutputName for f in inserted] == [o["name"] for o in drawn], [f.OutputName for f in inserted]
        for feature, output in zip(inserted, drawn):
            assert feature.OutputKind == output["kind"] and feature.Aspect == aspect["name"]
            assert feature.Shape.isValid(), f"{name} {aspect['name']} {output['name']}: invalid shape"
            if output["kind"] == "solid":
                volume = feature.Shape.Volume / 1e9  # mm3 to m3
                assert close(volume, output["volume"], 1e-9), \
                    f"{name} {output['name']}: volume {volume!r} where the report gives {output['volume']!r}"
                checked += 1
    nozzles = {o["port"]: o for o in report["aspects"][0]["outputs"] if o["kind"] == "nozzle"}
    assert sorted(s.Port for s in systems) == sorted(nozzles), [s.Port for s in systems]
    for system in systems:
        nozzle = nozzles[system.Port]
        origin = system.Placement.Base
        for got, want in zip((origin.x, origin.y, origin.z), nozzle["position"]):
            assert abs(got - want * 1000) < 1e-6, (system.Label, origin, nozzle["position"])
        z = system.Placement.Rotation.multVec(App.Vector(0, 0, 1))
        for got, want in zip((z.x, z.y, z.z), nozzle["direction"]):
            assert abs(got - want) < 1e-9, (system.Label, z, nozzle["direction"])
        assert abs(system.PipeOD.Value - nozzle["creation"]["pipeOD"] * 1000) < 1e-6
    print(f"{name}: {len(features)} features, {len(insulation)} insulation features, {len(systems)} ports, "
          f"{checked} volumes within 1e-9")
    return len(features) + len(insulation)


def main():
    saved = os.environ["TCV_SAVE_AS"]
    doc = App.newDocument("Valves")
    count = sum(check_part(doc, file, name) for file, name in PARTS)
    doc.saveAs(saved)
    App.closeDocument(doc.Name)
    reopened = App.openDocument(saved)
    shapes = [o for o in reopened.Objects if o.TypeId == "Part::Feature"]
    assert len(shapes) == count and all(o.Shape.isValid() for o in shapes), len(shapes)
    App.closeDocument(reopened.Name)


try:
    main()
    result = "ok\n"
except Exception:  # reported through the result file: freecadcmd's exit status does not say
    result = traceback.format_exc()
with open(os.environ["TCV_RESULT"], "w") as out:
    out.write(result)
