// Insulated four-port jacketed bodies: each piece of the bare body wrapped in a shell one insulation
// thickness thicker, and shells over the run flanges.
#include <array>
#include <functional>

#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/CheckedMath.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "geometry/basGeom3dEx.h"
#include "insulation/CInsulation.h"
#include "shapes/MultiPortDimensions.h"
#include "shapes/MultiPortEnds.h"

namespace tcv {

using host::DPosition;

namespace {

using FourPorts = std::array<PortDataRecord, 5>;

// The stem shell grows by 2T but never beyond the face-to-face length.
double stemShellDiameter(double S, double T, double F) {
    return CmpDblGreaterthan(S + 2 * T, F, kTolerance) ? F : S + 2 * T;
}

void addRunShell(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs, double F,
                 double T, const FourPorts& port) {
    outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0),
                                                              DPosition(F / 2, 0, 0), port[1].pipeOD + 2 * T, true));
}

// Shells over the run flanges, each from its face inwards by flange thickness plus T, where
// `hasFlange` says the flange diameter makes one.
void addFlangeShells(const host::OutputCollectionPtr& outputColl, double F, double T, const FourPorts& port,
                     const std::function<bool(double)>& hasFlange) {
    if (hasFlange(port[1].flangeDiameter))
        outputColl->AddOutput("InsOutput6", PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0),
                                                          DPosition(-F / 2 + port[1].flangeThickness + T, 0, 0),
                                                          port[1].flangeDiameter + 2 * T, true));
    if (hasFlange(port[2].flangeDiameter))
        outputColl->AddOutput("InsOutput7", PlaceCylinder(outputColl, DPosition(F / 2, 0, 0),
                                                          DPosition(F / 2 - port[2].flangeThickness - T, 0, 0),
                                                          port[2].flangeDiameter + 2 * T, true));
}

bool nonZeroDiameter(double diameter) { return !CmpDblEqual(diameter, 0, kTolerance); }
bool positiveDiameter(double diameter) { return !CmpDblLessThanOrEqualTo(diameter, 0, kTolerance); }

using CapBox = host::ObjectPtr (*)(const host::OutputCollectionPtr&, const DPosition&, const DPosition&);
host::ObjectPtr projectedBox(const host::OutputCollectionPtr& outputColl, const DPosition& a, const DPosition& b) {
    return CreateBoxWithProjection(outputColl, a, b);
}

// The shells of the stem-and-cap bodies: run, stem, cap (made by `capBox`), the jacket inlet and
// outlet stubs, and the flange shells.
void addStemAndCapShells(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs,
                         const FourPortJacketDimensions& dims, double T, double W, double S, const FourPorts& port,
                         CapBox capBox, const std::function<bool(double)>& hasFlange) {
    const double F = dims.F, H = dims.H, Yo = dims.Yo, Zi = dims.Zi, Yi = dims.jacketInletOffset;
    addRunShell(outputColl, arrayOfOutputs, F, T, port);
    outputColl->AddOutput("InsOutput2",
                          PlaceCylinder(outputColl, DPosition(0, 0.8 * H + T, 0), DPosition(0, -0.75 * Yo - T, 0),
                                        stemShellDiameter(S, T, F), true));
    outputColl->AddOutput("InsOutput3", capBox(outputColl, DPosition(-W / 2 - T, 0.8 * H - T, -W / 2 - T),
                                               DPosition(W / 2 + T, H + T, W / 2 + T)));
    outputColl->AddOutput("InsOutput4", PlaceCylinder(outputColl, DPosition(0, Yi, 0), DPosition(0, Yi, Zi),
                                                      stubDiameter(port[3]) + 2 * T, true));
    outputColl->AddOutput("InsOutput5", PlaceCylinder(outputColl, DPosition(0, -0.75 * Yo, 0), DPosition(0, -Yo, 0),
                                                      stubDiameter(port[4]) + 2 * T, true));
    addFlangeShells(outputColl, F, T, port, hasFlange);
}

} // namespace

void CInsulation::runINSPDB3125(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB3125", [&] {
        auto part = readPart(arrayofinputs);
        const auto dims = readFourPortJacketDimensions(arrayofinputs, input::YOffJacketInlet);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double W = CmpDblEqual(dims.W, 0, kTolerance) ? 0.65 * dims.F : dims.W;
        const auto port = RetrievePortsData<4>(part, outputColl, true);
        addStemAndCapShells(outputColl, arrayOfOutputs, dims, T, W, 1.2 * W, port, projectedBox, nonZeroDiameter);
    });
}

void CInsulation::runInsPDB3146(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB3146", [&] {
        auto part = readPart(arrayofinputs);
        const auto dims = readFourPortJacketDimensions(arrayofinputs, input::YOffJacketInlet);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double W = CmpDblLessThanOrEqualTo(dims.W, 0, kTolerance) ? 0.5 * dims.F : dims.W;
        const double S = checked::squareRoot(2 * W * W);
        // One reading: the shells do not follow the bare body's cpt-offset shortening.
        const auto port = RetrievePortsData<4>(part, outputColl, true);
        addStemAndCapShells(outputColl, arrayOfOutputs, dims, T, W, S, port, PlaceBox, positiveDiameter);
    });
}

void CInsulation::runINSPDB3124(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB3124", [&] {
        auto part = readPart(arrayofinputs);
        const auto dims = readFourPortJacketDimensions(arrayofinputs, input::XOffJacketInlet);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double F = dims.F, H = dims.H, Yo = dims.Yo, Zi = dims.Zi;
        const double W = CmpDblEqual(dims.W, 0, kTolerance) ? 0.6 * F : dims.W;
        const double S = 0.75 * W;
        const auto port = RetrievePortsData<4>(part, outputColl, true);

        addRunShell(outputColl, arrayOfOutputs, F, T, port);
        // The stem shell reaches T below the run, or down to the jacket outlet when that is nearer.
        const double stemBottom = CmpDblGreaterthan(T + port[1].pipeOD, Yo, kTolerance) ? -Yo : -port[1].pipeOD / 2 - T;
        outputColl->AddOutput("InsOutput2",
                              PlaceCylinder(outputColl, DPosition(0, 0.75 * H, 0), DPosition(0, stemBottom, 0),
                                            stemShellDiameter(S, T, F), true));
        // One shell over both cap plates.
        outputColl->AddOutput("InsOutput3",
                              CreateBoxWithProjection(outputColl, DPosition(-W / 2 - T, 0.75 * H - T, -W / 2 - T),
                                                      DPosition(W / 2 + T, H + T, W / 2 + T)));
        outputColl->AddOutput("InsOutput4", PlaceCylinder(outputColl, DPosition(0, 0, 0), DPosition(0, -Yo, 0),
                                                          stubDiameter(port[4]) + 2 * T, true));
        const double x3 = -F / 2 + dims.jacketInletOffset;
        outputColl->AddOutput("InsOutput5", PlaceCylinder(outputColl, DPosition(x3, 0, 0), DPosition(x3, 0, Zi),
                                                          stubDiameter(port[3]) + 2 * T, true));
        addFlangeShells(outputColl, F, T, port, nonZeroDiameter);
    });
}

} // namespace tcv
