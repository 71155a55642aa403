#include "InsulatedFlangeRings.h"

#include <array>

#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/shapes/MultiPortEnds.h"

namespace tcv::variants {

using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using host::DPosition;

namespace {

// One end of the valve: the port on it and the side of the valve centre it lies on (-1 for port 1).
struct End {
    const PortDataRecord& port;
    double side;
};

} // namespace

void AddInsulatedFlangeRings(const host::OutputCollectionPtr& outputColl, double faceX, double span,
                             const PortDataRecord& port1, const PortDataRecord& port2, double insulationThickness) {
    const double T = insulationThickness;
    for (const End& end : std::array<End, 2>{End{port1, -1}, End{port2, 1}}) {
        const PortDataRecord& port = end.port;
        if (CmpDblEqual(port.flangeDiameter, 0, kTolerance) || CmpDblEqual(port.flangeThickness, 0, kTolerance))
            continue;
        const double length = port.flangeThickness + T;
        const double face = end.side * faceX;
        const double startX = CmpDblGreaterthan(length, span, kTolerance) ? -face : face;
        outputColl->AddOutput("InsVal_", PlaceCylinder(outputColl, DPosition(startX, 0, 0),
                                                       DPosition(face - end.side * length, 0, 0),
                                                       2 * T + port.flangeDiameter, true));
    }
}

// The insulated bore over the pipe or over the flange, whichever is wider (a flange of no diameter
// counts as 0.0001).
double boreOrFlangeDiameter(double d, double flangeDiameter, double T) {
    if (CmpDblLessThanOrEqualTo(flangeDiameter, -kTolerance, kTolerance)) flangeDiameter = 0.0001;
    return CmpDblGreaterthan(d, flangeDiameter, kTolerance) ? 2 * T + d : 2 * T + flangeDiameter;
}

void addInsulatedBoreAndRings(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double A,
                              double B, double T, double boreDiameter) {
    outputColl->AddOutput("InsOutput2",
                          PlaceCylinder(outputColl, DPosition(-A, 0, 0), DPosition(B, 0, 0), boreDiameter, true));
    const auto port = RetrievePortsData<2>(part, outputColl, true);
    // Port 1 takes a ring for a thickness above zero, port 2 for any thickness other than zero.
    struct Ring {
        const char* name;
        const PortDataRecord& port;
        double side;   // -1: the face at x = -A; 1: the face at x = B
        double centre; // the face-to-centre distance
        bool thick;
    };
    const double t1 = port[1].flangeThickness, t2 = port[2].flangeThickness;
    const std::array<Ring, 2> rings{{{"InsPNoz1", port[1], -1, A, !CmpDblLessThanOrEqualTo(t1, 0, kTolerance)},
                                     {"InsPNoz2", port[2], 1, B, !CmpDblEqual(t2, 0, kTolerance)}}};
    for (const Ring& ring : rings) {
        if (!ring.thick) continue;
        const double t = ring.port.flangeThickness;
        const double face = ring.side * ring.centre;
        const DPosition end = CmpDblLessThanOrEqualTo(ring.centre, T + t, kTolerance)
                                  ? DPosition(0, 0, 0)
                                  : DPosition(face - ring.side * t - ring.side * T, 0, 0);
        outputColl->AddOutput(
            ring.name, PlaceCylinder(outputColl, DPosition(face, 0, 0), end, 2 * T + ring.port.flangeDiameter, true));
    }
}

} // namespace tcv::variants
