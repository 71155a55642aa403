// The default insulated bodies that `run` builds itself: simple cylinders and boxes around the default
// bodies, grown by the insulation thickness.
#include "base/Inputs.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "geometry/basGeom3dEx.h"
#include "insulation/CInsulation.h"

namespace tcv {

using host::DPosition;

namespace {

// The length of an insulated end: a flangeless end keeps a sliver of 0.0001 so that it still shows.
double endLength(double flangeThickness, double extra) {
    return CmpDblEqual(flangeThickness, 0, kTolerance) ? 0.0001 : flangeThickness + extra;
}

// What every default insulated body starts from: the face-to-face length F, the insulation thickness
// T, the part with both ports as `run` read them, and the two face centres.
struct DefaultBodyFrame {
    host::ObjectPtr part;
    double F = 0;
    double T = 0;
    PortDataRecord port1, port2;
    DPosition port1Face, port2Face;
};

// The body with vertical port offset (455, 456): one cylinder around the body diameter.
void insulateVerticalPortOffsetBody(const DefaultBodyFrame& frame, const host::OutputCollectionPtr& outputColl,
                                    const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs) {
    const double F = frame.F, T = frame.T;
    const double D = readDimension(arrayofinputs, input::BodyDiameter);
    readDimension(arrayofinputs, input::PortVOffset);
    outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(-F / 2, -0.1 * D, 0),
                                                              DPosition(F / 2, -0.1 * D, 0), D + 2 * T, true));
}

// The B-spline body (2021): the body cylinder and both insulated ends; port 2 is read again.
void insulateBsplineBody(const DefaultBodyFrame& frame, const host::OutputCollectionPtr& outputColl,
                         const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs) {
    const double F = frame.F, T = frame.T;
    const double OD1 = frame.port1.pipeOD, FT1 = frame.port1.flangeThickness, FD1 = frame.port1.flangeDiameter;
    const DPosition &port1Face = frame.port1Face, &port2Face = frame.port2Face;
    double B = readDimension(arrayofinputs, input::B);
    const double bodyDiameter = CmpDblGreaterthan(OD1, FD1, kTolerance) ? 1.25 * OD1 : FD1;
    if (!CmpDblGreaterthan(B, kTolerance, kTolerance)) B = bodyDiameter;
    outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, port1Face, port2Face, B + 2 * T, true));
    double L1 = endLength(FT1, T);
    if (L1 > F / 2 - kTolerance) L1 = F / 2;
    outputColl->AddOutput("InsulatedPort1", PlaceCylinder(outputColl, port1Face, DPosition(-F / 2 + L1, 0, 0),
                                                          GreaterDim(OD1, FD1) + 2 * T, true));
    PortDataRecord port2 = frame.port2;
    RetrievePortData(2, frame.part, outputColl, port2);
    double L2 = endLength(port2.flangeThickness, T);
    if (L2 > F / 2 - kTolerance) L2 = F / 2;
    outputColl->AddOutput("InsulatedPort2",
                          PlaceCylinder(outputColl, port2Face, DPosition(F / 2 - L2, 0, 0),
                                        GreaterDim(port2.pipeOD, port2.flangeDiameter) + 2 * T, true));
}

// The plain body (PartDataBasis at most 1): one cylinder over both ports, read again.
void insulatePlainBody(const DefaultBodyFrame& frame, const host::OutputCollectionPtr& outputColl,
                       const host::StringArray& arrayOfOutputs) {
    const double T = frame.T;
    const DPosition &port1Face = frame.port1Face, &port2Face = frame.port2Face;
    PortDataRecord port1 = frame.port1, port2 = frame.port2;
    RetrievePortData(1, frame.part, outputColl, port1);
    RetrievePortData(2, frame.part, outputColl, port2);
    const double G1 = GreaterDim(port1.flangeDiameter, port1.pipeOD);
    const double G2 = GreaterDim(port2.flangeDiameter, port2.pipeOD);
    outputColl->AddOutput(arrayOfOutputs.at(1),
                          PlaceCylinder(outputColl, port1Face, port2Face, InsulatedDiameter(G1, G2, T), true));
}

// The body with operator mounting (2046, 2047): both ends, the bore, the mounting flange and box.
void insulateOperatorMountingBody(const DefaultBodyFrame& frame, const host::OutputCollectionPtr& outputColl,
                                  const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs,
                                  std::int32_t pdb) {
    const double F = frame.F, T = frame.T;
    const double OD1 = frame.port1.pipeOD, FT1 = frame.port1.flangeThickness, FD1 = frame.port1.flangeDiameter;
    const double OD2 = frame.port2.pipeOD, FT2 = frame.port2.flangeThickness, FD2 = frame.port2.flangeDiameter;
    const DPosition &port1Face = frame.port1Face, &port2Face = frame.port2Face;
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
        outputColl->AddOutput("InsMountFlange",
                              PlaceBox(outputColl, flangeCorner,
                                       DPosition(flangeCorner.x() + 0.6 * F + T, OD1 / 2 + h / 2 + T, -0.4 * OD1 - T)));
        const DPosition boxCorner(X - 0.5 * F - T, OD1 / 2 + h / 2, 0.3 * OD1 + T);
        outputColl->AddOutput("InsMountBox", PlaceBox(outputColl, boxCorner,
                                                      DPosition(boxCorner.x() + 0.4 * F + T, L2 + T, -0.3 * OD1 - T)));
    }
}

} // namespace

bool CInsulation::buildDefaultBody(const RunState& state, const host::OutputCollectionPtr& outputColl,
                                   const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs) {
    const std::int32_t pdb = state.partDataBasis;
    const double F = state.faceToFace;
    const DefaultBodyFrame frame{state.part,
                                 F,
                                 state.insulationThickness,
                                 state.port1,
                                 state.port2,
                                 DPosition(-F / 2, 0, 0),
                                 DPosition(F / 2, 0, 0)};
    if (pdb == 455 || pdb == 456)
        insulateVerticalPortOffsetBody(frame, outputColl, arrayofinputs, arrayOfOutputs);
    else if (pdb == 2021)
        insulateBsplineBody(frame, outputColl, arrayofinputs, arrayOfOutputs);
    else if (pdb <= 1)
        insulatePlainBody(frame, outputColl, arrayOfOutputs);
    else if (pdb == 2046 || pdb == 2047)
        insulateOperatorMountingBody(frame, outputColl, arrayofinputs, arrayOfOutputs, pdb);
    else
        return false;
    return true;
}

} // namespace tcv
