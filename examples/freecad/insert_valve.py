# -*- coding: utf-8 -*-
"""Insert a check valve from a TarnCheckValve catalogue into the active FreeCAD document.

The part is evaluated with the tarncheckvalve module and added as a group named after the part: one Part
feature per output that draws geometry (named like the output, coloured like the GLB export), the
insulation in a hidden subgroup, and per nozzle a coordinate system at the port's position whose Z axis
points out of the port along the pipe, carrying the port data as properties ("Port data" group), so a
pipe can be routed to it. FreeCAD works in millimetres: lengths and shapes are scaled from the metres
of the catalogue and the report.

In FreeCAD:   Macro > Macros... > insert_valve.py asks for a catalogue file and a part.
Headless:     TCV_CATALOG=data/catalog/default-bodies.json TCV_PART=default-1-nps4-cl150-swing \
                  freecadcmd examples/freecad/insert_valve.py
              (TCV_SAVE=valve.FCStd saves the document afterwards; a failure exits 1, naming why.)
From Python:  import insert_valve
              insert_valve.insert_valve("data/catalog/default-bodies.json", "default-1-nps4-cl150-swing")

The tarncheckvalve module comes with the python3-tarncheckvalve package (or `cmake --install`); to use
one from a build tree, set TCV_PYTHON_PATH to the build's python/ folder.
"""

import os
import sys

if os.environ.get("TCV_PYTHON_PATH"):
    sys.path.insert(0, os.environ["TCV_PYTHON_PATH"])

import FreeCAD as App  # noqa: E402
import Part  # noqa: E402

try:
    import tarncheckvalve  # noqa: E402
except ImportError as error:
    message = ("insert_valve: the tarncheckvalve module cannot be imported (install python3-tarncheckvalve, or "
               "set TCV_PYTHON_PATH to a build's python/ folder): " + str(error))
    if not App.GuiUp:
        # freecadcmd reports an exception but exits 0; a script calling it needs the failure.
        App.Console.PrintError(message + "\n")
        sys.exit(1)
    raise ImportError(message) from error

MM_PER_METRE = 1000.0

# The GLB export's colours (sRGB), by what the output is and the aspect it belongs to.
BODY_COLOUR = (0.62, 0.64, 0.67)
INSULATION_COLOUR = (0.98, 0.91, 0.62)
INSULATION_TRANSPARENCY = 65  # percent: the GLB's alpha of 0.35
NOZZLE_COLOUR = (0.93, 0.46, 0.12)
OPERATOR_COLOUR = (0.16, 0.38, 0.80)

# Port data carried by each nozzle's coordinate system: (property, type, catalogue field, is a length).
PORT_PROPERTIES = [
    ("PipeOD", "App::PropertyLength", "pipeOD", True),
    ("FlangeOD", "App::PropertyLength", "flangeOD", True),
    ("FlangeThickness", "App::PropertyLength", "flangeThickness", True),
    ("CptOffset", "App::PropertyDistance", "cptOffset", True),
    ("Depth", "App::PropertyDistance", "depth", True),
    ("TerminationClass", "App::PropertyInteger", "terminationClass", False),
    ("EndType", "App::PropertyInteger", "endType", False),
    ("Npd", "App::PropertyFloat", "npd", False),
    ("NpdUnit", "App::PropertyString", "npdUnit", False),
]


def colour_of(kind, aspect):
    """The colour and transparency (percent) an output is drawn in."""
    if kind == "nozzle":
        return NOZZLE_COLOUR, 0
    if kind == "occurrence":
        return OPERATOR_COLOUR, 0
    if aspect == "Insulation":
        return INSULATION_COLOUR, INSULATION_TRANSPARENCY
    return BODY_COLOUR, 0


def find_part(catalog, part_name):
    """The part of that name in the catalogue file; ValueError listing the names when there is none."""
    parts = tarncheckvalve.load_catalog(catalog)
    for part in parts:
        if part["name"] == part_name:
            return part
    names = ", ".join(part["name"] for part in parts)
    raise ValueError(f"{catalog} holds no part '{part_name}' (it holds: {names})")


def shape_in_mm(brep):
    """A shape read from Open CASCADE BRep text in metres, scaled to millimetres."""
    shape = Part.Shape()
    shape.importBrepFromString(brep)
    shape.scale(MM_PER_METRE)
    return shape


def add_feature(doc, container, name, kind, aspect, shape):
    feature = doc.addObject("Part::Feature", "Output")
    feature.Label = name
    feature.Shape = shape
    # Labels are unique in a document (FreeCAD numbers a repeated one): the output's own name is kept here.
    feature.addProperty("App::PropertyString", "OutputName", "Valve", "The output's name, as the report says")
    feature.OutputName = name
    feature.addProperty("App::PropertyString", "OutputKind", "Valve", "What the output is, as the report says")
    feature.OutputKind = kind
    feature.addProperty("App::PropertyString", "Aspect", "Valve", "The aspect the output belongs to")
    feature.Aspect = aspect
    colour, transparency = colour_of(kind, aspect)
    if getattr(feature, "ViewObject", None) is not None:
        feature.ViewObject.ShapeColor = colour
        feature.ViewObject.Transparency = transparency
    container.addObject(feature)
    return feature


def add_port(doc, container, output, port):
    """A coordinate system at the nozzle: origin at the port's connection point, Z out of the port."""
    system = doc.addObject("PartDesign::CoordinateSystem", "Port")
    system.Label = f"Port {output['port']}"
    position = App.Vector(*[v * MM_PER_METRE for v in output["position"]])
    direction = App.Vector(*output["direction"])
    system.Placement = App.Placement(position, App.Rotation(App.Vector(0, 0, 1), direction))
    group = "Port data"
    system.addProperty("App::PropertyInteger", "Port", group, "The port's index")
    system.Port = output["port"]
    system.addProperty("App::PropertyString", "Nozzle", group, "The nozzle output at this port")
    system.Nozzle = output["name"]
    system.addProperty("App::PropertyLength", "NozzleLength", group, "The nozzle's length along Z")
    system.NozzleLength = output["length"] * MM_PER_METRE
    for name, kind, field, is_length in PORT_PROPERTIES:
        value = port.get(field) if port else output["creation"].get(field)
        if value is None:
            continue
        system.addProperty(kind, name, group, f"The port's {field}")
        setattr(system, name, value * MM_PER_METRE if is_length else value)
    container.addObject(system)
    return system


def insert_valve(catalog, part_name, doc=None):
    """Evaluates the part and adds it to the document (the active one, or a new one); returns its group."""
    part = find_part(catalog, part_name)
    evaluation = tarncheckvalve.evaluate(part)
    report = evaluation.report
    doc = doc or App.ActiveDocument or App.newDocument("Valve")
    group = doc.addObject("App::DocumentObjectGroup", "Valve")
    group.Label = part["name"]
    ports = {port["index"]: port for port in part.get("ports", [])}
    placed_ports = set()
    for aspect in report["aspects"]:
        container = group
        if aspect["name"] == "Insulation":
            container = doc.addObject("App::DocumentObjectGroup", "Insulation")
            container.Label = "Insulation"
            group.addObject(container)
        if not aspect["ok"]:
            App.Console.PrintWarning(f"insert_valve: {part['name']}: the {aspect['name']} aspect failed with "
                                     f"{aspect['error']['code']}; its outputs up to the failure are inserted\n")
        shapes = iter(evaluation.shapes(aspect["name"]))
        for output in aspect["outputs"]:
            if output.get("bbox") is not None:
                name, kind, brep = next(shapes)
                assert name == output["name"], f"shape of {name} where {output['name']} was expected"
                feature = add_feature(doc, container, name, kind, aspect["name"], shape_in_mm(brep))
                if aspect["name"] == "Insulation":
                    feature.Visibility = False
            if output["kind"] == "nozzle" and output["port"] not in placed_ports:
                placed_ports.add(output["port"])
                add_port(doc, group, output, ports.get(output["port"]))
        if aspect["name"] == "Insulation":
            container.Visibility = False
    doc.recompute()
    return group


def ask_and_insert():
    """In the FreeCAD window: asks for the catalogue and the part, then inserts it."""
    from PySide import QtGui

    catalog, _ = QtGui.QFileDialog.getOpenFileName(None, "TarnCheckValve catalogue", "",
                                                   "Catalogues (*.json *.csv);;All files (*)")
    if not catalog:
        return None
    try:
        names = [part["name"] for part in tarncheckvalve.load_catalog(catalog)]
        name, chosen = QtGui.QInputDialog.getItem(None, "Insert check valve", "Part:", names, 0, False)
        if not chosen:
            return None
        group = insert_valve(catalog, name)
    except (OSError, ValueError) as error:
        QtGui.QMessageBox.critical(None, "Insert check valve", str(error))
        return None
    import FreeCADGui

    FreeCADGui.SendMsgToActiveView("ViewFit")
    return group


def main():
    catalog, part_name = os.environ.get("TCV_CATALOG"), os.environ.get("TCV_PART")
    if catalog and part_name:
        try:
            group = insert_valve(catalog, part_name)
            if os.environ.get("TCV_SAVE"):
                group.Document.saveAs(os.environ["TCV_SAVE"])
        except (OSError, ValueError) as error:
            App.Console.PrintError(f"insert_valve: {error}\n")
            sys.exit(1)
        App.Console.PrintMessage(f"insert_valve: inserted {part_name} from {catalog}\n")
    elif App.GuiUp:
        ask_and_insert()
    else:
        App.Console.PrintError("insert_valve: set TCV_CATALOG and TCV_PART to the catalogue and the part\n")
        sys.exit(2)


# Run as a macro (the FreeCAD window runs it as __main__, freecadcmd under its file name); imported as a
# module from other code it only defines the functions.
if __name__ == "__main__" or (__name__ == "insert_valve" and os.environ.get("TCV_CATALOG")):
    main()
