// The insulated port ends shared by the insulated check valves with an operator base.
#pragma once

#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"
#include "tarncheckvalve/shapes/OperatorBaseGeometry.h"

namespace tcv::variants::operator_base {

// The operator-base constructions of the shapes layer, which these ends complete, are found here too.
using namespace tcv::shapes::operator_base;

// Each port with a flange gets an insulated end, from its face (port 1 at face1X < 0, port 2 at
// face2X > 0) inwards by its flange thickness plus the insulation thickness T, of the larger of flange
// and pipe diameter grown by T; a port whose flange thickness is 0 gets none. With `stopAtCentre` an
// end that would reach past the valve centre stops at it. Port 2's values overwrite port 1's.
inline void addInsulatedPortEnds(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double T,
                                 double face1X, double face2X, bool stopAtCentre) {
    ports::PortDataRecord port;
    ports::RetrievePortData(1, part, outputColl, port);
    if (geometry::CmpDblGreaterthan(port.flangeThickness, geometry::kTolerance, geometry::kTolerance)) {
        const double depth = port.flangeThickness + T;
        const double endX = stopAtCentre && geometry::CmpDblLessThanOrEqualTo(-face1X, depth, geometry::kTolerance)
                                ? 0
                                : face1X + depth;
        outputColl->AddOutput("Port1Ins", geometry::PlaceCylinder(
                                              outputColl, host::DPosition(face1X, 0, 0), host::DPosition(endX, 0, 0),
                                              geometry::InsulatedDiameter(port.flangeDiameter, port.pipeOD, T), true));
    }
    ports::RetrievePortData(2, part, outputColl, port);
    if (geometry::CmpDblGreaterthan(port.flangeThickness, geometry::kTolerance, geometry::kTolerance)) {
        const double depth = port.flangeThickness + T;
        const double endX =
            stopAtCentre && geometry::CmpDblLessThanOrEqualTo(face2X, depth, geometry::kTolerance) ? 0 : face2X - depth;
        outputColl->AddOutput("Port2Ins", geometry::PlaceCylinder(
                                              outputColl, host::DPosition(face2X, 0, 0), host::DPosition(endX, 0, 0),
                                              geometry::InsulatedDiameter(port.flangeDiameter, port.pipeOD, T), true));
    }
}

} // namespace tcv::variants::operator_base
