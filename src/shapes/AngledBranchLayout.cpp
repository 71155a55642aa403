// The angled branch of the straight-bore check valves: where it sits and how wide it is, shared by
// the bare branch and its insulation envelope.
#include "tarncheckvalve/shapes/AngledBranchLayout.h"

#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"

namespace tcv::shapes {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;

double angledBranchDiameter(double d, double A, double B, double theta) {
    const double R = checked::squareRoot((d / 2) * (d / 2) + B * B);
    const double phi = checked::arcTangent(checked::divide(0.5 * d, B));
    const double G1 = 2 * R * checked::cosine(phi + theta);
    const double G2 = checked::divide(2 * A, checked::sine(theta));
    double Db = checked::divide(d, checked::cosine(theta));
    if (CmpDblGreaterthan(Db, G2, kTolerance) || CmpDblGreaterthan(Db, G1, kTolerance)) Db = 0.95 * SmallerDim(G1, G2);
    return Db;
}

AngledBranchLayout readAngledBranchLayout(const host::VariantArray& arrayofinputs, std::int32_t partDataBasis) {
    AngledBranchLayout layout;
    if (partDataBasis == 385) {
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        layout.A = layout.B = F / 2;
        layout.rootX = -0.25 * F;
    } else if (partDataBasis == 386) {
        layout.A = layout.B = readDimension(arrayofinputs, input::FacetoCenter);
    } else {
        layout.A = readDimension(arrayofinputs, input::Face1toCenter);
        layout.B = readDimension(arrayofinputs, input::Face2toCenter);
    }
    layout.length = readDimension(arrayofinputs, input::BranchLength);
    return layout;
}

} // namespace tcv::shapes
