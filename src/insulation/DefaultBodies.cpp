// The default insulated bodies that `run` builds itself: simple cylinders and boxes around the default
// bodies, grown by the insulation thickness.
#include "base/Inputs.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "geometry/basGeom3dEx.h"
#include "insulation/CInsulation.h"

namespace tcv {

namespace {

// The length of an insulated end: a flangeless end keeps a sliver of 0.0001 so that it still shows.
double endLength(double flangeThickness, double extra) {
    return CmpDblEqual(flangeThickness, 0, kTolerance) ? 0.0001 : flangeThickness + extra;
}

} // namespace

bool CInsulation::buildDefaultBody(const RunState& state, const host::OutputCollectionPtr& outputColl,
                                   const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs) {
    const std::int32_t pdb = state.partDataBasis;
    const double F = state.faceToFace;
    const double T = state.insulationThickness;
    const double OD1 = state.port1.pipeOD, FT1 = state.port1.flangeThickness, FD1 = state.port1.flangeDiameter;
    const double OD2 = state.port2.pipeOD, FT2 = state.port2.flangeThickness, FD2 = state.port2.flangeDiameter;
    const DPosition port1Face(-F / 2, 0, 0), port2Face(F / 2, 0, 0);

    if (pdb == 455 || pdb == 456) {
        const double D = readDimension(arrayofinputs, input::BodyDiameter);
        readDimension(arrayofinputs, input::PortVOffset);
        outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(-F / 2, -0.1 * D, 0),
                                                                  DPosition(F / 2, -0.1 * D, 0), D + 2 * T, true));
        return true;
    }

    if (pdb == 2021) {
        double B = readDimension(arrayofinputs, input::B);
        const double bodyDiameter = CmpDblGreaterthan(OD1, FD1, kTolerance) ? 1.25 * OD1 : FD1;
        if (!CmpDblGreaterthan(B, kTolerance, kTolerance)) B = bodyDiameter;
        outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, port1Face, port2Face, B + 2 * T, true));
        double L1 = endLength(FT1, T);
        if (L1 > F / 2 - kTolerance) L1 = F / 2;
        outputColl->AddOutput("InsulatedPort1", PlaceCylinder(outputColl, port1Face, DPosition(-F / 2 + L1, 0, 0),
                                                              GreaterDim(OD1, FD1) + 2 * T, true));
        PortDataRecord port2 = state.port2;
        RetrievePortData(2, state.part, outputColl, port2);
        double L2 = endLength(port2.flangeThickness, T);
        if (L2 > F / 2 - kTolerance) L2 = F / 2;
        outputColl->AddOutput("InsulatedPort2",
                              PlaceCylinder(outputColl, port2Face, DPosition(F / 2 - L2, 0, 0),
                                            GreaterDim(port2.pipeOD, port2.flangeDiameter) + 2 * T, true));
        return true;
    }

    if (pdb <= 1) {
        PortDataRecord port1 = state.port1, port2 = state.port2;
        RetrievePortData(1, state.part, outputColl, port1);
        RetrievePortData(2, state.part, outputColl, port2);
        const double G1 = GreaterDim(port1.flangeDiameter, port1.pipeOD);
        const double G2 = GreaterDim(port2.flangeDiameter, port2.pipeOD);
        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, port1Face, port2Face, InsulatedDiameter(G1, G2, T), true));
        return true;
    }

    if (pdb == 2046 || pdb == 2047) {
        const double O = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const double P = readDimension(arrayofinputs, input::OffsetfromPort1);
        const double L2 = pdb == 2047 ? readDimension(arrayofinputs, input::Length2) : 0;
        double H = 0;
        if (pdb == 2046) H = CmpDblEqual(O, 0, kTolerance) ? 1.2 * OD1 : O;
        const double X = CmpDblEqual(P, 0, kTolerance) ? (pdb == 2046 ? 0.5 * F : 0.3 * F) : P;

        const double E1 = CmpDblEqual(FT1, 0, kTolerance) ? 0.0001 : FT1;
        outputColl->AddOutput("InsNozzle1", PlaceCylinder(outputColl, port1Face, DPosition(-F / 2 + E1 + T, 0, 0),
                                                          GreaterDim(OD1, FD1) + 2 * T, true));
        const double E2 = CmpDblEqual(FT2, 0, kTolerance) ? 0.0001 : FT2;
        outputColl->AddOutput("InsNozzle2", PlaceCylinder(outputColl, port2Face, DPosition(F / 2 - E2 - T, 0, 0),
                                                          GreaterDim(OD2, FD2) + 2 * T, true));
        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, port1Face, port2Face, GreaterDim(OD1, OD2) + 2 * T, true));

        const double h = pdb == 2046 ? 0.5 * (H - OD1 / 2) : 0.5 * (L2 - OD1 / 2);
        if (pdb == 2046) {
            outputColl->AddOutput("InsMountFlange",
                                  PlaceBox(outputColl, DPosition(-0.3 * F - T, OD1 / 2 - h / 2, 0.4 * OD1 + T),
                                           DPosition(0.3 * F + T, OD1 / 2 + h / 2 + T, -0.4 * OD1 - T)));
            outputColl->AddOutput("InsMountBox",
                                  PlaceBox(outputColl, DPosition(-0.2 * F - T, OD1 / 2 + h / 2, 0.3 * OD1 + T),
                                           DPosition(0.2 * F + T, H + T, -0.3 * OD1 - T)));
        } else {
            const DPosition flangeCorner(X - 0.3 * F - T, OD1 / 2 - h / 2, 0.4 * OD1 + T);
            outputColl->AddOutput("InsMountFlange", PlaceBox(outputColl, flangeCorner,
                                                             DPosition(flangeCorner.x() + 0.6 * F + T,
                                                                       OD1 / 2 + h / 2 + T, -0.4 * OD1 - T)));
            const DPosition boxCorner(X - 0.5 * F - T, OD1 / 2 + h / 2, 0.3 * OD1 + T);
            outputColl->AddOutput(
                "InsMountBox",
                PlaceBox(outputColl, boxCorner, DPosition(boxCorner.x() + 0.4 * F + T, L2 + T, -0.3 * OD1 - T)));
        }
        return true;
    }
    return false;
}

} // namespace tcv
