// Insulated wafer and lug bodies.
#include "insulation/CInsulation.h"

#include "InsulatedEnds.h"
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "geometry/basGeom3dEx.h"
#include "shapes/InlineBodyShapes.h"

namespace tcv {

using namespace inline_bodies;

void CInsulation::runInsPDB2255(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2255", [&] {
        auto [part, L, T, H, port] = readWaferInputs(arrayofinputs, outputColl);
        const double webTop = waferWebTop(H, port.flangeDiameter);
        const double inner = L / 2 - port.flangeThickness;

        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, {-inner, 0, 0}, {inner, 0, 0}, port.pipeOD + 2 * T, true));
        // The web's insulation grows past the flanges only where they are thicker than the insulation;
        // otherwise it spans the whole face-to-face length.
        const double webEnd = CmpDblGreaterthan(port.flangeThickness, T, kTolerance) ? inner + T : L / 2;
        outputColl->AddOutput("webIns",
                              PlaceBox(outputColl, {-webEnd, 0.5 * port.pipeOD, -0.2 * port.pipeOD - T},
                                       {webEnd, webTop - 0.5 * port.flangeDiameter + T, 0.2 * port.pipeOD + T}));

        RetrievePortData(1, part, outputColl, port);
        addInsulatedPortEnds(outputColl, part, L, T, port, true);
    });
}

void CInsulation::runInsPDB2256(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2256", [&] {
        auto [part, L, T, H, port] = readWaferInputs(arrayofinputs, outputColl);
        const FlatSidedEnds ends = flatSidedEnds(part, L, H, port);
        const double t = ends.discThickness;

        outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0},
                                                                  port.pipeOD + 2 * T, true));
        // A disc narrower than the distance across its flats fails here, after the bore.
        const FlatSidedWeb web = flatSidedWeb(ends, port.pipeOD);
        outputColl->AddOutput("WebIns", PlaceBox(outputColl, {-L / 2 + t, web.webBottom, -web.webWidth / 2 - T},
                                                 {L / 2 - t, ends.acrossFlats / 2 + T, web.webWidth / 2 + T}));

        if (isPositiveDim(ends.discDiameter)) {
            // The discs' insulation reaches inwards by t + T, but never past the opposite face.
            const double length = CmpDblGreaterthan(L, t + T, kTolerance) ? t + T : L;
            addFlatSidedDiscs(outputColl, "Port1Ins", "Port2Ins", L, ends.acrossFlats / 2 + T, web.flatsWidth / 2 + T,
                              length);
        }
    });
}

void CInsulation::runInsPDB2258(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2258", [&] {
        // The lugged body is sized from its flange alone; its height has no effect.
        auto [part, L, T, H, port] = readWaferInputs(arrayofinputs, outputColl);
        const double Fd = lugFlangeDiameter(port);

        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, {-L / 2, 0, 0}, {L / 2, 0, 0}, 0.8 * Fd + 2 * T, true));
        // The lugs have no insulation of their own; the flanges they are clamped between do. Port 2's
        // flange diameter is taken as it is, without the lug fallback.
        addFlangeCollar(outputColl, Face::Inlet, L, Fd, port.flangeThickness, T);
        RetrievePortData(2, part, outputColl, port);
        addFlangeCollar(outputColl, Face::Outlet, L, port.flangeDiameter, port.flangeThickness, T);
    });
}

} // namespace tcv
