// Check valves with nipple ends: a horizontal body cylinder carrying a pipe nipple on each end, a bonnet
// on top and the lofted body around the cylinder. The three builders differ only in the bonnet.
// Insulation of check valves with nipple ends: the insulated body, nipples and bonnet block (with the
// insulated neck of the eight-nut bonnet) and insulated flange rings at the nipple ends.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include "InsulatedFlangeRings.h"
#include "Variants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/shapes/BonnetedValveSizes.h"
#include "tarncheckvalve/shapes/ValveBonnet.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using host::DPosition;

namespace {

// ---- Physical

namespace {

// The sizes the three builders share once the body and its nipples stand.
struct NippleValve {
    host::ObjectPtr part;
    double H = 0; // height of the bonnet top above the flow axis
    double V = 0; // body length between the nipples
    double N = 0; // nipple length
    double D = 0; // body diameter
    PortDataRecord port1, port2;

    // The height at fraction k of the bonnet, from the body's shoulder (0.45 D) to the bonnet top.
    double heightAt(double k) const { return 0.45 * D + k * (H - 0.45 * D); }
};

// A nipple is as wide as its pipe, or as its flange where the flange is the wider.
double nippleDiameter(const PortDataRecord& port) {
    return CmpDblGreaterthan(port.pipeOD, port.flangeDiameter, kTolerance) ? port.pipeOD : port.flangeDiameter;
}

// Reads the sizes and adds the body cylinder (the first declared output) and the two nipples.
NippleValve addBodyAndNipples(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                              const host::StringArray& arrayOfOutputs) {
    NippleValve valve;
    valve.part = readPart(arrayofinputs);
    readDimension(arrayofinputs, input::InsulationThickness);
    valve.H = readDimension(arrayofinputs, input::HeightFrmValCen);
    const NippleSpan span = readNippleSpan(arrayofinputs, readPartDataBasis(valve.part));
    valve.V = span.valveFacetoFace;
    valve.N = span.nippleLength;

    RetrievePortData(1, valve.part, outputColl, valve.port1);
    RetrievePortData(2, valve.part, outputColl, valve.port2);
    const double d1 = nippleDiameter(valve.port1);
    const double d2 = nippleDiameter(valve.port2);
    const double largest = CmpDblGreaterthan(d1, d2, kTolerance) ? d1 : d2;
    valve.D = 0.8 * (largest / 2 + valve.H);

    const double halfBody = valve.V / 2;
    const double nippleEnd = halfBody + valve.N;
    outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(-halfBody, 0, 0),
                                                              DPosition(halfBody, 0, 0), valve.D, true));
    outputColl->AddOutput("Body2",
                          PlaceCylinder(outputColl, DPosition(-halfBody, 0, 0), DPosition(-nippleEnd, 0, 0), d1, true));
    outputColl->AddOutput("Body3",
                          PlaceCylinder(outputColl, DPosition(halfBody, 0, 0), DPosition(nippleEnd, 0, 0), d2, true));
    return valve;
}

// The lofted body about the body cylinder, then the nozzles at the nipple ends.
void addLoftAndNozzles(const host::OutputCollectionPtr& outputColl, const NippleValve& valve,
                       const std::string& loftName) {
    addLoftedBody(outputColl, valve.V, valve.D, loftName);
    addBonnetFaceNozzles(valve.part, outputColl, valve.V / 2 + valve.N, valve.port1, valve.port2);
}

} // namespace

void runPDB2856orPDB2857(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                         const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2856orPDB2857", [&] {
        const NippleValve valve = addBodyAndNipples(outputColl, arrayofinputs, arrayOfOutputs);
        const double V = valve.V, D = valve.D;

        // Two plates, the upper one carrying four nuts.
        addBonnetBox(outputColl, "Body4", -0.4 * V, 0.4 * V, 0.35 * D, 0.45 * D, valve.heightAt(0.5));
        addBonnetBox(outputColl, "Body5", -0.4 * V, 0.4 * V, 0.35 * D, valve.heightAt(0.5), valve.heightAt(0.8));
        const double t = 0.05 * V;
        const double c = 0.32 * D - 2 * t;
        addHexagonNuts(outputColl, t, 0.2 * (valve.H - 0.45 * D), valve.heightAt(0.8),
                       {{-0.3 * V, -c}, {-0.3 * V, c}, {0.3 * V, -c}, {0.3 * V, c}});

        addLoftAndNozzles(outputColl, valve, "Body6_");
    });
}

void runPDB2858orPDB2859(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                         const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2858orPDB2859", [&] {
        const NippleValve valve = addBodyAndNipples(outputColl, arrayofinputs, arrayOfOutputs);
        const double V = valve.V, D = valve.D;

        // A plate, a ruled transition narrowing to the cap block.
        addTaperedBonnet(outputColl, "Body4", 0.45 * D, {-0.4 * V, 0.4 * V, 0.35 * D, valve.heightAt(0.6)},
                         {-0.3 * V, 0.3 * V, 0.3 * D, valve.heightAt(0.75)}, "Body6", valve.H);

        addLoftAndNozzles(outputColl, valve, "Body7_");
    });
}

void runPDB2860orPDB2861(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                         const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2860orPDB2861", [&] {
        const NippleValve valve = addBodyAndNipples(outputColl, arrayofinputs, arrayOfOutputs);
        const double V = valve.V, D = valve.D;

        // A neck, then two plates, the upper one carrying eight nuts.
        outputColl->AddOutput("Body4", PlaceCylinder(outputColl, DPosition(0, 0.45 * D, 0),
                                                     DPosition(0, valve.heightAt(0.25), 0), 0.5 * V, true));
        addBonnetBox(outputColl, "Body5", -0.45 * V, 0.45 * V, 0.35 * D, valve.heightAt(0.25), valve.heightAt(0.55));
        addBonnetBox(outputColl, "Body6", -0.45 * V, 0.45 * V, 0.35 * D, valve.heightAt(0.55), valve.heightAt(0.85));
        const double t = 0.9 * V / 16;
        const double c = 0.3 * D - 1.5 * t;
        addHexagonNuts(outputColl, t, 0.15 * (valve.H - 0.45 * D), valve.heightAt(0.85),
                       bonnetNutPositions(-0.45 * V, 0.45 * V, c, t, 6.0));

        addLoftAndNozzles(outputColl, valve, "Body7_");
    });
}

// ---- Insulation

namespace {

// An insulated nipple covers a pipe 1.6 times its outside diameter, or the flange where that is wider.
double insulatedNippleSize(const PortDataRecord& port) {
    return CmpDblGreaterthan(port.pipeOD, port.flangeDiameter, kTolerance) ? 1.6 * port.pipeOD : port.flangeDiameter;
}

} // namespace

void runCheckVWithNippleEnds(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                             const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runCheckVWithNippleEnds", [&] {
        const auto part = readPart(arrayofinputs);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double H = readDimension(arrayofinputs, input::HeightFrmValCen);
        const std::int32_t partDataBasis = readPartDataBasis(part);
        const NippleSpan span = readNippleSpan(arrayofinputs, partDataBasis);
        const double V = span.valveFacetoFace;
        const double N = span.nippleLength;

        PortDataRecord port1, port2;
        RetrievePortData(1, part, outputColl, port1);
        RetrievePortData(2, part, outputColl, port2);
        const double e1 = insulatedNippleSize(port1);
        const double e2 = insulatedNippleSize(port2);
        const double largest = CmpDblGreaterthan(e1, e2, kTolerance) ? e1 : e2;
        const double D = 0.8 * (largest / 2 + H);
        // The insulated body never reaches above the bonnet top.
        double bodyDiameter = 1.7 * D + 2 * T;
        if (CmpDblGreaterthan(bodyDiameter / 2, H, kTolerance)) bodyDiameter = 2 * H;

        const double halfBody = V / 2;
        const double nippleEnd = halfBody + N;
        outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(-halfBody, 0, 0),
                                                                  DPosition(halfBody, 0, 0), bodyDiameter, true));
        outputColl->AddOutput("INSBody2", PlaceCylinder(outputColl, DPosition(-halfBody, 0, 0),
                                                        DPosition(-nippleEnd, 0, 0), 2 * T + e1, true));
        outputColl->AddOutput("INSBody3", PlaceCylinder(outputColl, DPosition(halfBody, 0, 0),
                                                        DPosition(nippleEnd, 0, 0), 2 * T + e2, true));

        const bool eightNutBonnet = partDataBasis == 2860 || partDataBasis == 2861;
        if (eightNutBonnet)
            outputColl->AddOutput("InsBody4", PlaceCylinder(outputColl, DPosition(0, 0.5 * D, 0),
                                                            DPosition(0, 0.5 * D + 0.25 * (H - 0.45 * D), 0),
                                                            2 * T + 0.5 * V, true));
        addBonnetBox(outputColl, eightNutBonnet ? "InsBody5" : "InsBody4", -0.4 * V - T, 0.4 * V + T, 0.35 * D + T,
                     0.45 * D, H);

        AddInsulatedFlangeRings(outputColl, nippleEnd, 2 * N + V, port1, port2, T);
    });
}

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{2856, 2857}, runPDB2856orPDB2857, runCheckVWithNippleEnds},
    {{2858, 2859}, runPDB2858orPDB2859, runCheckVWithNippleEnds},
    {{2860, 2861}, runPDB2860orPDB2861, runCheckVWithNippleEnds},
};

} // namespace

extern const std::span<const Variant> kNippleEndsFamily{kVariants};

} // namespace tcv::variants
