// Four-port jacketed bodies: a straight run between ports 1 and 2, a vertical stem topped by a square
// cap, a jacket inlet (port 3, looking along +z) and a jacket outlet (port 4, looking down).
// Insulated four-port jacketed bodies: each piece of the bare body wrapped in a shell one insulation
// thickness thicker, and shells over the run flanges.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include <array>
#include <functional>

#include "Variants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/shapes/MultiPortDimensions.h"
#include "tarncheckvalve/shapes/MultiPortEnds.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using host::DPosition;
using host::DVector;
using FourPorts = std::array<PortDataRecord, 5>;
using CapBox = host::ObjectPtr (*)(const host::OutputCollectionPtr&, const DPosition&, const DPosition&);

namespace {

// ---- Physical

namespace {

// Nozzles of the run ports, at the faces corrected by cpt offset and depth.
void addRunNozzles(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part,
                   const host::StringArray& arrayOfOutputs, double F, const FourPorts& port) {
    addPortNozzle(outputColl, part, arrayOfOutputs.at(2), 1, DVector(-1, 0, 0),
                  DPosition(-F / 2 - port[1].cptOffset + port[1].depth, 0, 0));
    addPortNozzle(outputColl, part, arrayOfOutputs.at(3), 2, DVector(1, 0, 0),
                  DPosition(F / 2 + port[2].cptOffset - port[2].depth, 0, 0));
}

// The jacket inlet nozzle, looking along +z from its stub end at (x, y, Zi).
void addJacketInletNozzle(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double x, double y,
                          double Zi, const PortDataRecord& port3) {
    addPortNozzle(outputColl, part, "PNoz3", 3, DVector(0, 0, 1), DPosition(x, y, Zi + port3.cptOffset - port3.depth));
}

// The jacket outlet nozzle, looking down from the stub end at y = -Yo.
void addJacketOutletNozzle(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double Yo,
                           const PortDataRecord& port4) {
    addPortNozzle(outputColl, part, "PNoz4", 4, DVector(0, -1, 0),
                  DPosition(0, -Yo - port4.cptOffset + port4.depth, 0));
}

// The run, a round stem of diameter S under a W x W cap from 0.8 H to H, the jacket inlet stub on the
// stem at height YOffJacketInlet and the outlet stub below. With `shortenByCptOffset` the run and the
// stubs stop short of their faces by the ports' cpt offsets.
void addStemAndCapBodies(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs,
                         const FourPortJacketDimensions& dims, double W, double S, const FourPorts& port,
                         bool shortenByCptOffset) {
    const double F = dims.F, H = dims.H, Yo = dims.Yo, Zi = dims.Zi, Yi = dims.jacketInletOffset;
    const auto cpt = [&](std::size_t k) { return shortenByCptOffset ? port[k].cptOffset : 0.0; };
    outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(-F / 2 + cpt(1), 0, 0),
                                                              DPosition(F / 2 - cpt(2), 0, 0), port[1].pipeOD, true));
    outputColl->AddOutput("Output2",
                          PlaceCylinder(outputColl, DPosition(0, 0.8 * H, 0), DPosition(0, -0.75 * Yo, 0), S, true));
    outputColl->AddOutput(
        "Output3", CreateBoxWithProjection(outputColl, DPosition(-W / 2, 0.8 * H, -W / 2), DPosition(W / 2, H, W / 2)));
    outputColl->AddOutput("Output4", PlaceCylinder(outputColl, DPosition(0, Yi, 0), DPosition(0, Yi, Zi - cpt(3)),
                                                   stubDiameter(port[3]), true));
    outputColl->AddOutput("Output5", PlaceCylinder(outputColl, DPosition(0, -0.75 * Yo, 0),
                                                   DPosition(0, -Yo + cpt(4), 0), stubDiameter(port[4]), true));
}

// The four nozzles of the stem-and-cap bodies, in port order.
void addStemAndCapNozzles(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part,
                          const host::StringArray& arrayOfOutputs, const FourPortJacketDimensions& dims,
                          const FourPorts& port) {
    addRunNozzles(outputColl, part, arrayOfOutputs, dims.F, port);
    addJacketInletNozzle(outputColl, part, 0, dims.jacketInletOffset, dims.Zi, port[3]);
    addJacketOutletNozzle(outputColl, part, dims.Yo, port[4]);
}

} // namespace

void runPDB3125(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB3125", [&] {
        auto part = readPart(arrayofinputs);
        const auto dims = readFourPortJacketDimensions(arrayofinputs, input::YOffJacketInlet);
        const double W = CmpDblEqual(dims.W, 0, kTolerance) ? 0.65 * dims.F : dims.W;
        const auto port = RetrievePortsData<4>(part, outputColl, true);
        addStemAndCapBodies(outputColl, arrayOfOutputs, dims, W, 1.2 * W, port, false);
        addStemAndCapNozzles(outputColl, part, arrayOfOutputs, dims, port);
    });
}

void runPDB3146(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB3146", [&] {
        auto part = readPart(arrayofinputs);
        const auto dims = readFourPortJacketDimensions(arrayofinputs, input::YOffJacketInlet);
        const double W = CmpDblLessThanOrEqualTo(dims.W, 0, kTolerance) ? 0.5 * dims.F : dims.W;
        // The stem is as wide as the cap's diagonal.
        const double S = checked::squareRoot(2 * W * W);
        // The bodies stop short of each face by that port's own cpt offset, flanged or not; the nozzles
        // take the values a flanged port reports with its cpt offset cleared.
        const auto body = RetrievePortsData<4>(part, outputColl, false);
        addStemAndCapBodies(outputColl, arrayOfOutputs, dims, W, S, body, true);
        const auto port = RetrievePortsData<4>(part, outputColl, true);
        addStemAndCapNozzles(outputColl, part, arrayOfOutputs, dims, port);
    });
}

void runPDB3124(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB3124", [&] {
        auto part = readPart(arrayofinputs);
        const auto dims = readFourPortJacketDimensions(arrayofinputs, input::XOffJacketInlet);
        const double F = dims.F, H = dims.H, Yo = dims.Yo, Zi = dims.Zi;
        const double W = CmpDblEqual(dims.W, 0, kTolerance) ? 0.6 * F : dims.W;
        const double S = 0.75 * W;
        const auto port = RetrievePortsData<4>(part, outputColl, true);

        outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0),
                                                                  DPosition(F / 2, 0, 0), port[1].pipeOD, true));
        outputColl->AddOutput("Output2", PlaceCylinder(outputColl, DPosition(0, 0.75 * H, 0),
                                                       DPosition(0, -port[1].pipeOD / 2, 0), S, true));
        // Two cap plates with a hairline gap (0.0001 H) between them.
        outputColl->AddOutput("Output3", CreateBoxWithProjection(outputColl, DPosition(-W / 2, 0.75 * H, -W / 2),
                                                                 DPosition(W / 2, 0.85 * H, W / 2)));
        outputColl->AddOutput("Output4", CreateBoxWithProjection(outputColl, DPosition(-W / 2, 0.8501 * H, -W / 2),
                                                                 DPosition(W / 2, H, W / 2)));
        outputColl->AddOutput("Output5", PlaceCylinder(outputColl, DPosition(0, 0, 0), DPosition(0, -Yo, 0),
                                                       stubDiameter(port[4]), true));
        // The jacket inlet sits on the run, XOffJacketInlet from the port-1 face.
        const double x3 = -F / 2 + dims.jacketInletOffset;
        outputColl->AddOutput("Output6", PlaceCylinder(outputColl, DPosition(x3, 0, 0), DPosition(x3, 0, Zi),
                                                       stubDiameter(port[3]), true));
        addRunNozzles(outputColl, part, arrayOfOutputs, F, port);
        addJacketOutletNozzle(outputColl, part, Yo, port[4]);
        addJacketInletNozzle(outputColl, part, x3, 0, Zi, port[3]);
    });
}

// ---- Insulation

namespace {

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

void runINSPDB3125(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

void runInsPDB3146(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

void runINSPDB3124(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{3124}, runPDB3124, runINSPDB3124},
    {{3125}, runPDB3125, runINSPDB3125},
    {{3146}, runPDB3146, runInsPDB3146},
};

} // namespace

extern const std::span<const Variant> kFourPortJacketedFamily{kVariants};

} // namespace tcv::variants
