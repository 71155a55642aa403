#include "tarncheckvalve/geometry/Comparisons.h"

#include "tarncheckvalve/geometry/basGeom3d.h"

namespace tcv::geometry {

double GreaterDim(double a, double b) { return CmpDblGreaterthanOrEqualTo(a, b, kTolerance) ? a : b; }

double SmallerDim(double a, double b) {
    try {
        return CmpDblLessThanOrEqualTo(a, b, kTolerance) ? a : b;
    } catch (...) {
        RaiseGeom3dError("Geom3d/Nozzle", "SmallerDim:");
    }
}

double InsulatedDiameter(double a, double b, double c) {
    return (CmpDblGreaterthanOrEqualTo(a, b, kTolerance) ? a : b) + 2 * c;
}

} // namespace tcv::geometry
