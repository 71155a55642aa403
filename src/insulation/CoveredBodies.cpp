// Insulation of bore bodies with covers or branches: one insulated body (a box around the cover, or
// the insulated branch), the insulated bore and two insulated flange rings.
#include <cmath>

#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "geometry/basGeom3dEx.h"
#include "insulation/CInsulation.h"
#include "shapes/AngledBranch.h"
#include "shapes/MultiPortEnds.h"

namespace tcv {

using host::DPosition;

namespace {

// The box around the cover: on the cover square (half-size k) grown by T, lengthened to the faces
// when the square is wider than the insulation is thick. It rises from the axis to T above the valve
// height (measured from the bore's bottom).
void addInsulatedCoverBox(const host::OutputCollectionPtr& outputColl, double S, double k, double T, double valveHeight,
                          double d) {
    const double top = T + valveHeight - d / 2;
    if (CmpDblLessThanOrEqualTo(k, T, kTolerance))
        outputColl->AddOutput("InsulatedBody", CreateBoxWithProjection(outputColl, DPosition(-k - T, top, -k - T),
                                                                       DPosition(k + T, 0, k + T)));
    else
        outputColl->AddOutput("InsulatedBody",
                              CreateBoxWithProjection(outputColl, DPosition(-S, top, -k - T), DPosition(S, 0, k + T)));
}

// The insulated bore over the pipe or over the flange, whichever is wider (a flange of no diameter
// counts as 0.0001).
double boreOrFlangeDiameter(double d, double flangeDiameter, double T) {
    if (CmpDblLessThanOrEqualTo(flangeDiameter, -kTolerance, kTolerance)) flangeDiameter = 0.0001;
    return CmpDblGreaterthan(d, flangeDiameter, kTolerance) ? 2 * T + d : 2 * T + flangeDiameter;
}

// The insulated bore from face to face, then a ring over each flange that has a thickness; a ring
// thicker than its face-to-centre distance stops at the valve centre.
void addInsulatedBoreAndRings(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double A,
                              double B, double T, double boreDiameter) {
    outputColl->AddOutput("InsOutput2",
                          PlaceCylinder(outputColl, DPosition(-A, 0, 0), DPosition(B, 0, 0), boreDiameter, true));
    const auto port = RetrievePortsData<2>(part, outputColl, true);
    const double t1 = port[1].flangeThickness, t2 = port[2].flangeThickness;
    if (!CmpDblLessThanOrEqualTo(t1, 0, kTolerance)) {
        const DPosition end =
            CmpDblLessThanOrEqualTo(A, T + t1, kTolerance) ? DPosition(0, 0, 0) : DPosition(-A + t1 + T, 0, 0);
        outputColl->AddOutput(
            "InsPNoz1", PlaceCylinder(outputColl, DPosition(-A, 0, 0), end, 2 * T + port[1].flangeDiameter, true));
    }
    if (!CmpDblEqual(t2, 0, kTolerance)) {
        const DPosition end =
            CmpDblLessThanOrEqualTo(B, T + t2, kTolerance) ? DPosition(0, 0, 0) : DPosition(B - t2 - T, 0, 0);
        outputColl->AddOutput("InsPNoz2",
                              PlaceCylinder(outputColl, DPosition(B, 0, 0), end, 2 * T + port[2].flangeDiameter, true));
    }
}

} // namespace

void CInsulation::runInsPDB5_10(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray&) {
    withErrorReport("Insulation:", "runInsPDB5_10", [&] {
        auto part = readPart(arrayofinputs);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double VH = readDimension(arrayofinputs, input::ValveHeight);
        // 5 gives the face-to-face length, 10 the face-to-centre distance.
        const double A = readPartDataBasis(part) == 10 ? readDimension(arrayofinputs, input::FacetoCenter)
                                                       : readDimension(arrayofinputs, input::FacetoFace) / 2;
        const double B = A;
        PortDataRecord port1;
        RetrievePortData(1, part, outputColl, port1);
        const double d = port1.pipeOD;
        const double S = A;
        const double k = S - 2 * port1.flangeThickness;

        addInsulatedCoverBox(outputColl, S, k, T, VH, d);
        addInsulatedBoreAndRings(outputColl, part, A, B, T, 2 * T + d);
    });
}

void CInsulation::runInsPDB13(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                              const host::StringArray&) {
    withErrorReport("Insulation:", "runInsPDB13", [&] {
        auto part = readPart(arrayofinputs);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double VH = readDimension(arrayofinputs, input::ValveHeight);
        const double A = readDimension(arrayofinputs, input::Face1toCenter);
        const double B = readDimension(arrayofinputs, input::Face2toCenter);
        PortDataRecord port1;
        RetrievePortData(1, part, outputColl, port1);
        const double d = port1.pipeOD;
        // The shorter side governs the cover; equal sides keep port 1's.
        const double S = CmpDblLessThan(A, B, kTolerance) ? A : B;
        const double k = S - 2 * port1.flangeThickness;

        addInsulatedCoverBox(outputColl, S, k, T, VH, d);
        addInsulatedBoreAndRings(outputColl, part, A, B, T, boreOrFlangeDiameter(d, port1.flangeDiameter, T));
    });
}

void CInsulation::runInsPDB385_386_387(const host::OutputCollectionPtr& outputColl,
                                       const host::VariantArray& arrayofinputs, const host::StringArray&) {
    withErrorReport("Insulation:", "runInsPDB385_386_387", [&] {
        auto part = readPart(arrayofinputs);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const auto layout = readAngledBranchLayout(arrayofinputs, readPartDataBasis(part));
        const double A = layout.A, B = layout.B, x0 = layout.rootX, Lb = layout.length;
        PortDataRecord port1;
        RetrievePortData(1, part, outputColl, port1);
        const double d = port1.pipeOD;
        const double theta = PI / 4;
        const double Db = angledBranchDiameter(d, A, B, theta);

        outputColl->AddOutput("InsulatedBody",
                              PlaceCylinder(outputColl, DPosition(x0, 0, 0),
                                            DPosition(x0 + Lb * std::cos(theta), Lb * std::sin(theta), 0), 2 * T + Db,
                                            true));
        addInsulatedBoreAndRings(outputColl, part, A, B, T, boreOrFlangeDiameter(d, port1.flangeDiameter, T));
    });
}

} // namespace tcv
