// Insulation of check valves with nipple ends: the insulated body, nipples and bonnet block (with the
// insulated neck of the eight-nut bonnet) and insulated flange rings at the nipple ends.
#include "insulation/CInsulation.h"

#include "InsulatedFlangeRings.h"
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "shapes/BonnetedValveSizes.h"
#include "shapes/ValveBonnet.h"

namespace tcv {

using host::DPosition;

namespace {

// An insulated nipple covers a pipe 1.6 times its outside diameter, or the flange where that is wider.
double insulatedNippleSize(const PortDataRecord& port) {
    return CmpDblGreaterthan(port.pipeOD, port.flangeDiameter, kTolerance) ? 1.6 * port.pipeOD : port.flangeDiameter;
}

} // namespace

void CInsulation::runCheckVWithNippleEnds(const host::OutputCollectionPtr& outputColl,
                                          const host::VariantArray& arrayofinputs,
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

} // namespace tcv
