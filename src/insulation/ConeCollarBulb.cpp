// Insulated cone, collar and bulb bodies.
#include "insulation/CInsulation.h"

#include "InsulatedEnds.h"
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "shapes/InlineBodyShapes.h"

namespace tcv {

using host::DPosition;

using namespace inline_bodies;

namespace {

// A grown diameter, kept within the face-to-face length so the envelope does not reach past the faces.
double withinFaceToFace(double diameter, double faceToFace) {
    return CmpDblGreaterthan(diameter, faceToFace, kTolerance) ? faceToFace : diameter;
}

} // namespace

void CInsulation::runInsPDB2232(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2232", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Dm = readDimension(arrayofinputs, input::Diameter);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        const double Dv = verticalCylinderDiameter(L, Dm);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        addDoubleConeBody(outputColl, {arrayOfOutputs.at(1), "MainBodyRighttConeIns", "VerticalCylinderIns"}, L,
                          port.flangeThickness, port.pipeOD, Hc, withinFaceToFace(Dv + 2 * T, L), T);
        RetrievePortData(1, part, outputColl, port);
        addInsulatedPortEnds(outputColl, part, L, T, port);
    });
}

void CInsulation::runInsPDB2267(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2267", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);
        // Port 1's collar thickness serves both collars.
        const double t = collarThickness(L, port.flangeThickness);

        outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0},
                                                                  port.pipeOD + 2 * T, true));

        // Both collars are always insulated, inwards by t + T, or to the opposite face when that is longer
        // than the valve.
        const double inner = CmpDblGreaterthan(L, T + t, kTolerance) ? L / 2 - t - T : -L / 2;
        RetrievePortData(1, part, outputColl, port);
        outputColl->AddOutput("Port1Ins", PlaceCylinder(outputColl, {-L / 2, 0, 0}, {-inner, 0, 0},
                                                        InsulatedDiameter(port.flangeDiameter, port.pipeOD, T), true));
        RetrievePortData(2, part, outputColl, port);
        outputColl->AddOutput("Port2Ins", PlaceCylinder(outputColl, {L / 2, 0, 0}, {inner, 0, 0},
                                                        InsulatedDiameter(port.flangeDiameter, port.pipeOD, T), true));
    });
}

void CInsulation::runInsPDB2268(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2268", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        auto profile = insulatedBulgeProfile(L, port.flangeThickness, port.pipeOD, 0.7 * Hc, T);
        addRevolvedBody(outputColl, arrayOfOutputs.at(1), profile);
        // The bottom boss has no insulation of its own; the two-step top does.
        const DPosition topStep(0, 0.95 * Hc - T, 0);
        outputColl->AddOutput("TopCylinder1Ins", PlaceCylinder(outputColl, {0, 0, 0}, topStep,
                                                               withinFaceToFace(0.65 * L + 2 * T, L), true));
        outputColl->AddOutput("TopCylinder2Ins", PlaceCylinder(outputColl, topStep, {0, Hc, 0},
                                                               withinFaceToFace(0.75 * L + 2 * T, L), true));
        RetrievePortData(1, part, outputColl, port);
        addInsulatedPortEnds(outputColl, part, L, T, port);
    });
}

} // namespace tcv
