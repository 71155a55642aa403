#include "InsulatedFlangeRings.h"

#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"

namespace tcv {

using host::DPosition;

void AddInsulatedFlangeRings(const host::OutputCollectionPtr& outputColl, double faceX, double span,
                             const PortDataRecord& port1, const PortDataRecord& port2, double insulationThickness) {
    const double T = insulationThickness;
    auto flanged = [](const PortDataRecord& port) {
        return !CmpDblEqual(port.flangeDiameter, 0, kTolerance) && !CmpDblEqual(port.flangeThickness, 0, kTolerance);
    };
    if (flanged(port1)) {
        const double length = port1.flangeThickness + T;
        const double startX = CmpDblGreaterthan(length, span, kTolerance) ? faceX : -faceX;
        outputColl->AddOutput("InsVal_",
                              PlaceCylinder(outputColl, DPosition(startX, 0, 0), DPosition(-faceX + length, 0, 0),
                                            2 * T + port1.flangeDiameter, true));
    }
    if (flanged(port2)) {
        const double length = T + port2.flangeThickness;
        const double startX = CmpDblGreaterthan(length, span, kTolerance) ? -faceX : faceX;
        outputColl->AddOutput("InsVal_",
                              PlaceCylinder(outputColl, DPosition(startX, 0, 0), DPosition(faceX - length, 0, 0),
                                            2 * T + port2.flangeDiameter, true));
    }
}

} // namespace tcv
