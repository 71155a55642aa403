// The default bodies that `run` builds itself: the plain body, the body with vertical port offset, the
// B-spline body and the body with operator mounting, each followed by its two nozzles and the valve
// operator.
// The default insulated bodies that `run` builds itself: simple cylinders and boxes around the default
// bodies, grown by the insulation thickness.
//
// The driver builds these by PartDataBasis itself (kDefaultBodyBases and every value below 0); the
// variant registry never serves them.
#include <cmath>
#include <vector>

#include "ValveOperator.h"
#include "Variants.h"
#include "tarncheckvalve/base/Constants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/ports/Nozzles.h"
#include "tarncheckvalve/shapes/FaceNozzles.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using host::DPosition;
using host::DVector;

namespace {

// ---- Physical

namespace {

bool isVerticalPortOffset(std::int32_t pdb) { return pdb == 455 || pdb == 456; }

// Adds outputs under the declared names in turn, counting them in the driver's output counter.
struct DeclaredOutputs {
    const host::OutputCollectionPtr& outputColl;
    const host::StringArray& arrayOfOutputs;
    std::int16_t& counter;

    void add(const host::ObjectPtr& object) const {
        ++counter;
        outputColl->AddOutput(arrayOfOutputs.at(counter), object);
    }
};

// The body with vertical port offset (455; 456 keeps the ports on the axis): a revolved profile with a
// cylinder, a ruled neck and a cylinder down to port 2. Returns the offset V of port 1.
double addVerticalPortOffsetBody(const DeclaredOutputs& declared, const host::ObjectPtr& part,
                                 const host::VariantArray& arrayofinputs, std::int32_t pdb, double F, double OD1) {
    const auto& outputColl = declared.outputColl;
    const double D = readDimension(arrayofinputs, input::BodyDiameter);
    double V = readDimension(arrayofinputs, input::PortVOffset);
    if (pdb == 456) V = 0;
    auto factory = host::runtime().CreateGeometryFactory();
    const std::vector<double> profile = {-0.05 * F, 0, 0,       -0.05 * F, 0.4 * D, 0,       0, 0.3 * D,
                                         0,         0, 0.4 * D, 0,         0.2 * F, 0.4 * D, 0, 0.2 * F,
                                         OD1 / 2,   0, 0.5 * F, OD1 / 2,   0,       0.5 * F, 0, 0};
    auto lineString = factory->CreateLineString(nullptr, 8, profile);
    declared.add(PlaceRevolution(outputColl, lineString, DVector(1, 0, 0), DPosition(0, 0, 0), 2 * kPi, true));

    PortDataRecord port2;
    RetrievePortData(2, part, outputColl, port2);
    const double OD2 = port2.pipeOD;
    outputColl->AddOutput("Body_", PlaceCylinder(outputColl, DPosition(-0.05 * F, -0.1 * D, 0),
                                                 DPosition(-0.25 * F, -0.1 * D, 0), D, true));
    auto circle1 = factory->CreateCircle(nullptr, DPosition(-0.35 * F, -V, 0), DVector(-1, 0, 0), OD2 / 2);
    auto circle2 = factory->CreateCircle(nullptr, DPosition(-0.25 * F, -0.1 * D, 0), DVector(-1, 0, 0), D / 2);
    outputColl->AddOutput("Body_", factory->CreateRuledSurface(outputColl->ResourceManager(), circle1, circle2, true));
    outputColl->AddOutput(
        "Body_", PlaceCylinder(outputColl, DPosition(-0.5 * F, -V, 0), DPosition(-0.35 * F, -V, 0), OD2, true));
    return V;
}

// The B-spline body (2021): a spline through seven points between the flanges, revolved; port 1 is read
// again into `port1`.
void addBsplineBody(const DeclaredOutputs& declared, const host::ObjectPtr& part,
                    const host::VariantArray& arrayofinputs, double F, PortDataRecord& port1) {
    const auto& outputColl = declared.outputColl;
    double B = readDimension(arrayofinputs, input::B);
    RetrievePortData(1, part, outputColl, port1);
    const double OD = port1.pipeOD, FT = port1.flangeThickness, FD = port1.flangeDiameter;
    const double bodyDiameter = CmpDblGreaterthan(OD, FD, kTolerance) ? 1.25 * OD : FD;
    if (!CmpDblGreaterthan(B, kTolerance, kTolerance)) B = bodyDiameter;
    const double L = F / 2 - FT;
    const double shoulder = 0.35 * (B - OD) + OD / 2;
    std::vector<DPosition> points = {{-L, OD / 2, 0},      {-0.7 * L, OD / 2, 0}, {-L / 2, shoulder, 0}, {0, B / 2, 0},
                                     {L / 2, shoulder, 0}, {0.7 * L, OD / 2, 0},  {L, OD / 2, 0}};
    int order = 6;
    auto curve = PlaceTrBspline(order, points);
    declared.add(PlaceRevolution(outputColl, curve, DVector(1, 0, 0), DPosition(0, 0, 0), 2 * kPi, false));
}

// The plain body (PartDataBasis at most 1): a cylinder between the flanges when port 1 has neither a
// flange nor a termination class, otherwise a cone; port 1 is read again into `port1`.
void addPlainBody(const DeclaredOutputs& declared, const host::ObjectPtr& part, double F, PortDataRecord& port1) {
    const auto& outputColl = declared.outputColl;
    std::int16_t portIndex = 1;
    std::int32_t X1 = 0;
    RetrievePortDataEx(portIndex, part, outputColl, port1.pipeOD, port1.flangeThickness, port1.flangeDiameter,
                       port1.cptOffset, port1.depth, X1, true);
    const double R1 = port1.pipeOD / 2, FT1 = port1.flangeThickness;
    PortDataRecord port2;
    RetrievePortData(2, part, outputColl, port2);
    const DPosition S(-F / 2 + FT1, 0, 0), E(F / 2 - port2.flangeThickness, 0, 0);
    if (FT1 == 0.0 && X1 == 0)
        declared.add(PlaceCylinder(outputColl, S, E, port2.pipeOD, true));
    else
        declared.add(PlaceCone(outputColl, S, E, R1, 0, true));
}

// Where the operator of a body with operator mounting sits: its height H and its distance X from port 1.
struct OperatorMount {
    double H = 0;
    double X = 0;
};

// The body with operator mounting (2046, 2047): the bore cylinder, a mounting flange and a mounting box.
OperatorMount addOperatorMountingBody(const DeclaredOutputs& declared, const host::VariantArray& arrayofinputs,
                                      std::int32_t pdb, double F, double OD1) {
    const auto& outputColl = declared.outputColl;
    const double O = readDimension(arrayofinputs, input::OffsetFrmValCen);
    const double P = readDimension(arrayofinputs, input::OffsetfromPort1);
    const double L2 = pdb == 2047 ? readDimension(arrayofinputs, input::Length2) : 0;
    OperatorMount mount;
    if (CmpDblEqual(O, 0, kTolerance))
        mount.H = pdb == 2046 ? 1.2 * OD1 : OD1 / 2 + 0.75 * (L2 - OD1 / 2);
    else
        mount.H = O;
    if (CmpDblEqual(P, 0, kTolerance))
        mount.X = pdb == 2046 ? 0.5 * F : 0.3 * F;
    else
        mount.X = P;
    const double H = mount.H, X = mount.X;
    declared.add(PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0), DPosition(F / 2, 0, 0), OD1, true));
    const double h = pdb == 2046 ? 0.5 * (H - OD1 / 2) : 0.5 * (L2 - OD1 / 2);
    if (pdb == 2046) {
        outputColl->AddOutput("MountFlange", PlaceBox(outputColl, DPosition(-0.3 * F, OD1 / 2 - h / 2, 0.4 * OD1),
                                                      DPosition(0.3 * F, OD1 / 2 + h / 2, -0.4 * OD1)));
        outputColl->AddOutput("MountBox", PlaceBox(outputColl, DPosition(-0.2 * F, OD1 / 2 + h / 2, 0.3 * OD1),
                                                   DPosition(0.2 * F, H, -0.3 * OD1)));
    } else {
        outputColl->AddOutput("MountFlange", PlaceBox(outputColl, DPosition(X - 0.6 * F, OD1 / 2 - h / 2, 0.4 * OD1),
                                                      DPosition(X, OD1 / 2 + h / 2, -0.4 * OD1)));
        outputColl->AddOutput("MountBox", PlaceBox(outputColl, DPosition(X - 0.5 * F, OD1 / 2 + h / 2, 0.3 * OD1),
                                                   DPosition(X - 0.1 * F, L2, -0.3 * OD1)));
    }
    return mount;
}

// The two nozzles at the faces, nozzle 1 at height `port1Y`; port 1 is read again into `port1`.
void addDefaultBodyNozzles(const DeclaredOutputs& declared, const host::ObjectPtr& part, double F,
                           PortDataRecord& port1, double port1Y) {
    const auto& outputColl = declared.outputColl;
    RetrievePortData(1, part, outputColl, port1);
    PortDataRecord port2;
    makeFaceNozzles(part, outputColl, {.face1X = -F / 2, .face2X = F / 2, .port1Y = port1Y}, port1, port2, true,
                    [&](std::int16_t, const host::NozzlePtr& nozzle) { declared.add(nozzle); });
}

// The valve operator's placement: none for the B-spline body, on the mounting for 2046 and 2047 (turned
// by the handwheel angle a), at the origin otherwise.
OperatorPlacement defaultBodyOperatorPlacement(std::int32_t pdb, double F, double a, const OperatorMount& mount) {
    OperatorPlacement placement;
    const double c = std::cos(a), s = std::sin(a);
    const double H = mount.H, X = mount.X;
    if (pdb == 2021) {
        placement.placed = false;
    } else if (pdb == 2047) {
        placement.position = DPosition(-F / 2 + X, H, 0);
        placement.firstAxis = DVector(s, c, 0);
        placement.secondAxis = DVector(-c, s, 0);
        placement.thirdAxis = DVector(0, 0, 1);
        placement.offsetFrmValCen = F / 2 - X;
    } else {
        placement.position = pdb == 2046 ? DPosition(-F / 2 + X, H, 0) : DPosition(0, 0, 0);
        placement.firstAxis = DVector(c, 0, s);
        placement.secondAxis = DVector(0, 1, 0);
        placement.thirdAxis = DVector(-s, 0, c);
        if (pdb == 2046) placement.offsetFrmValCen = H;
    }
    return placement;
}

} // namespace

// ---- Insulation

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

} // namespace

void buildPhysicalDefaultBody(RunState& state, const host::OutputCollectionPtr& outputColl,
                              const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs) {
    const std::int32_t pdb = state.partDataBasis;

    const double F = state.faceToFace;
    const DeclaredOutputs declared{outputColl, arrayOfOutputs, state.outputCounter};
    double V = 0;        // vertical port offset (455)
    OperatorMount mount; // operator height and distance from port 1 (2046, 2047)
    if (isVerticalPortOffset(pdb))
        V = addVerticalPortOffsetBody(declared, state.part, arrayofinputs, pdb, F, state.port1.pipeOD);
    else if (pdb == 2021)
        addBsplineBody(declared, state.part, arrayofinputs, F, state.port1);
    else if (pdb <= 1)
        addPlainBody(declared, state.part, F, state.port1);
    else
        mount = addOperatorMountingBody(declared, arrayofinputs, pdb, F, state.port1.pipeOD);

    addDefaultBodyNozzles(declared, state.part, F, state.port1, pdb == 455 ? -V : 0);
    PlaceValveOperator(outputColl, arrayofinputs, defaultBodyOperatorPlacement(pdb, F, state.handwheelAngle, mount));
}

void buildInsulationDefaultBody(const RunState& state, const host::OutputCollectionPtr& outputColl,
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
    else
        insulateOperatorMountingBody(frame, outputColl, arrayofinputs, arrayOfOutputs, pdb);
}

} // namespace tcv::variants
