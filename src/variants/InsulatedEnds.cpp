#include "InsulatedEnds.h"

#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/shapes/InlineBodyShapes.h"

namespace tcv::variants::inline_bodies {

using namespace tcv::geometry;
using namespace tcv::ports;

namespace {

// -1 for the inlet face, +1 for the outlet face: x of a face is side x L/2, inwards is -side.
double side(Face face) { return face == Face::Inlet ? -1.0 : 1.0; }

void addInsulatedPortEnd(const host::OutputCollectionPtr& outputColl, const char* name, Face face, double faceToFace,
                         double thickness, const PortDataRecord& port, bool stopAtOppositeFace) {
    if (!isPositiveDim(port.flangeThickness)) return;
    const double s = side(face);
    const double innerFromInlet = -faceToFace / 2 + port.flangeThickness + thickness;
    double innerX = s * -innerFromInlet;
    if (stopAtOppositeFace && !CmpDblGreaterthan(faceToFace, innerFromInlet, kTolerance)) innerX = -s * faceToFace / 2;
    outputColl->AddOutput(name, PlaceCylinder(outputColl, {s * faceToFace / 2, 0, 0}, {innerX, 0, 0},
                                              InsulatedDiameter(port.flangeDiameter, port.pipeOD, thickness), true));
}

} // namespace

void addFlangeCollar(const host::OutputCollectionPtr& outputColl, Face face, double faceToFace, double flangeDiameter,
                     double flangeThk, double thickness) {
    if (isZeroDim(flangeDiameter) || isZeroDim(flangeThk)) return;
    const double s = side(face);
    outputColl->AddOutput("CheckValve_", PlaceCylinder(outputColl, {s * faceToFace / 2, 0, 0},
                                                       {s * (faceToFace / 2 - flangeThk - thickness), 0, 0},
                                                       flangeDiameter + 2 * thickness, true));
}

void addEndCollars(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double faceToFace,
                   double thickness, PortDataRecord& port) {
    for (std::int16_t index : {std::int16_t{1}, std::int16_t{2}}) {
        RetrievePortData(index, part, outputColl, port);
        addFlangeCollar(outputColl, index == 1 ? Face::Inlet : Face::Outlet, faceToFace, port.flangeDiameter,
                        port.flangeThickness, thickness);
    }
}

void addInsulatedPortEnds(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double faceToFace,
                          double thickness, PortDataRecord& port, bool stopAtOppositeFace) {
    addInsulatedPortEnd(outputColl, "Port1Ins", Face::Inlet, faceToFace, thickness, port, stopAtOppositeFace);
    RetrievePortData(2, part, outputColl, port);
    addInsulatedPortEnd(outputColl, "Port2Ins", Face::Outlet, faceToFace, thickness, port, stopAtOppositeFace);
}

} // namespace tcv::variants::inline_bodies
