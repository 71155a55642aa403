// The default bodies that `run` builds itself: the plain body, the body with vertical port offset, the
// B-spline body and the body with operator mounting, each followed by its two nozzles and the valve
// operator.
#include <cmath>
#include <vector>

#include "base/Inputs.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "geometry/basGeom3dEx.h"
#include "host/Runtime.h"
#include "physical/CPhysical.h"
#include "ports/Nozzles.h"

namespace tcv {

namespace {

bool isVerticalPortOffset(std::int32_t pdb) { return pdb == 455 || pdb == 456; }
bool isOperatorMounting(std::int32_t pdb) { return pdb == 2046 || pdb == 2047; }

} // namespace

bool CPhysical::buildDefaultBody(RunState& state, const host::OutputCollectionPtr& outputColl,
                                 const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs) {
    const std::int32_t pdb = state.partDataBasis;
    if (!(isVerticalPortOffset(pdb) || pdb == 2021 || pdb <= 1 || isOperatorMounting(pdb))) return false;

    const double F = state.faceToFace;
    const double a = state.handwheelAngle;
    PortDataRecord& port1 = state.port1;
    auto addDeclared = [&](const host::ObjectPtr& object) {
        ++state.outputCounter;
        outputColl->AddOutput(arrayOfOutputs.at(state.outputCounter), object);
    };

    double V = 0;        // vertical port offset (455)
    double H = 0, X = 0; // operator height and distance from port 1 (2046, 2047)

    if (isVerticalPortOffset(pdb)) {
        const double D = readDimension(arrayofinputs, input::BodyDiameter);
        V = readDimension(arrayofinputs, input::PortVOffset);
        if (pdb == 456) V = 0;
        const double OD1 = port1.pipeOD;
        auto factory = host::runtime().CreateGeometryFactory();
        const std::vector<double> profile = {-0.05 * F, 0, 0,       -0.05 * F, 0.4 * D, 0,       0, 0.3 * D,
                                             0,         0, 0.4 * D, 0,         0.2 * F, 0.4 * D, 0, 0.2 * F,
                                             OD1 / 2,   0, 0.5 * F, OD1 / 2,   0,       0.5 * F, 0, 0};
        auto lineString = factory->CreateLineString(nullptr, 8, profile);
        addDeclared(PlaceRevolution(outputColl, lineString, DVector(1, 0, 0), DPosition(0, 0, 0), 2 * PI, true));

        PortDataRecord port2;
        RetrievePortData(2, state.part, outputColl, port2);
        const double OD2 = port2.pipeOD;
        outputColl->AddOutput("Body_", PlaceCylinder(outputColl, DPosition(-0.05 * F, -0.1 * D, 0),
                                                     DPosition(-0.25 * F, -0.1 * D, 0), D, true));
        auto circle1 = factory->CreateCircle(nullptr, DPosition(-0.35 * F, -V, 0), DVector(-1, 0, 0), OD2 / 2);
        auto circle2 = factory->CreateCircle(nullptr, DPosition(-0.25 * F, -0.1 * D, 0), DVector(-1, 0, 0), D / 2);
        outputColl->AddOutput("Body_",
                              factory->CreateRuledSurface(outputColl->ResourceManager(), circle1, circle2, true));
        outputColl->AddOutput(
            "Body_", PlaceCylinder(outputColl, DPosition(-0.5 * F, -V, 0), DPosition(-0.35 * F, -V, 0), OD2, true));
    } else if (pdb == 2021) {
        double B = readDimension(arrayofinputs, input::B);
        RetrievePortData(1, state.part, outputColl, port1);
        const double OD = port1.pipeOD, FT = port1.flangeThickness, FD = port1.flangeDiameter;
        const double bodyDiameter = CmpDblGreaterthan(OD, FD, kTolerance) ? 1.25 * OD : FD;
        if (!CmpDblGreaterthan(B, kTolerance, kTolerance)) B = bodyDiameter;
        const double L = F / 2 - FT;
        const double shoulder = 0.35 * (B - OD) + OD / 2;
        std::vector<DPosition> points = {{-L, OD / 2, 0}, {-0.7 * L, OD / 2, 0}, {-L / 2, shoulder, 0},
                                         {0, B / 2, 0},   {L / 2, shoulder, 0},  {0.7 * L, OD / 2, 0},
                                         {L, OD / 2, 0}};
        int order = 6;
        auto curve = PlaceTrBspline(order, points);
        addDeclared(PlaceRevolution(outputColl, curve, DVector(1, 0, 0), DPosition(0, 0, 0), 2 * PI, false));
    } else if (pdb <= 1) {
        std::int16_t portIndex = 1;
        std::int32_t X1 = 0;
        RetrievePortDataEx(portIndex, state.part, outputColl, port1.pipeOD, port1.flangeThickness, port1.flangeDiameter,
                           port1.cptOffset, port1.depth, X1, true);
        const double R1 = port1.pipeOD / 2, FT1 = port1.flangeThickness;
        PortDataRecord port2;
        RetrievePortData(2, state.part, outputColl, port2);
        const DPosition S(-F / 2 + FT1, 0, 0), E(F / 2 - port2.flangeThickness, 0, 0);
        if (FT1 == 0.0 && X1 == 0)
            addDeclared(PlaceCylinder(outputColl, S, E, port2.pipeOD, true));
        else
            addDeclared(PlaceCone(outputColl, S, E, R1, 0, true));
    } else {
        const double O = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const double P = readDimension(arrayofinputs, input::OffsetfromPort1);
        const double L2 = pdb == 2047 ? readDimension(arrayofinputs, input::Length2) : 0;
        const double OD1 = port1.pipeOD;
        if (CmpDblEqual(O, 0, kTolerance))
            H = pdb == 2046 ? 1.2 * OD1 : OD1 / 2 + 0.75 * (L2 - OD1 / 2);
        else
            H = O;
        if (CmpDblEqual(P, 0, kTolerance))
            X = pdb == 2046 ? 0.5 * F : 0.3 * F;
        else
            X = P;
        addDeclared(PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0), DPosition(F / 2, 0, 0), OD1, true));
        const double h = pdb == 2046 ? 0.5 * (H - OD1 / 2) : 0.5 * (L2 - OD1 / 2);
        if (pdb == 2046) {
            outputColl->AddOutput("MountFlange", PlaceBox(outputColl, DPosition(-0.3 * F, OD1 / 2 - h / 2, 0.4 * OD1),
                                                          DPosition(0.3 * F, OD1 / 2 + h / 2, -0.4 * OD1)));
            outputColl->AddOutput("MountBox", PlaceBox(outputColl, DPosition(-0.2 * F, OD1 / 2 + h / 2, 0.3 * OD1),
                                                       DPosition(0.2 * F, H, -0.3 * OD1)));
        } else {
            outputColl->AddOutput("MountFlange",
                                  PlaceBox(outputColl, DPosition(X - 0.6 * F, OD1 / 2 - h / 2, 0.4 * OD1),
                                           DPosition(X, OD1 / 2 + h / 2, -0.4 * OD1)));
            outputColl->AddOutput("MountBox", PlaceBox(outputColl, DPosition(X - 0.5 * F, OD1 / 2 + h / 2, 0.3 * OD1),
                                                       DPosition(X - 0.1 * F, L2, -0.3 * OD1)));
        }
    }

    // The two nozzles at the faces.
    RetrievePortData(1, state.part, outputColl, port1);
    const DPosition n1(-F / 2 - port1.cptOffset + port1.depth, pdb == 455 ? -V : 0, 0);
    std::int16_t portIndex = 1;
    addDeclared(CreateNozzle(portIndex, state.part, outputColl, DVector(-1, 0, 0), n1));
    PortDataRecord port2;
    RetrievePortData(2, state.part, outputColl, port2);
    portIndex = 2;
    addDeclared(CreateNozzle(portIndex, state.part, outputColl, DVector(1, 0, 0),
                             DPosition(F / 2 + port2.cptOffset - port2.depth, 0, 0)));

    // The valve operator, where the part has one.
    OperatorPlacement placement;
    const double c = std::cos(a), s = std::sin(a);
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
    PlaceValveOperator(outputColl, arrayofinputs, placement);
    return true;
}

} // namespace tcv
