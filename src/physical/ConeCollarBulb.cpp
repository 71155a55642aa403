// Cone, collar and bulb bodies.
#include "physical/CPhysical.h"

#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "shapes/FaceNozzles.h"
#include "shapes/InlineBodyShapes.h"

namespace tcv {

using namespace inline_bodies;

void CPhysical::runPDB2232(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2232", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Dm = readDimension(arrayofinputs, input::Diameter);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        const double Dv = verticalCylinderDiameter(L, Dm);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        addDoubleConeBody(outputColl, {arrayOfOutputs.at(1), "MainBodyRighttCone", "VerticalCylinder"}, L,
                          port.flangeThickness, port.pipeOD, Hc, Dv, 0);
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard);
    });
}

void CPhysical::runPDB2267(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2267", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        PortDataRecord port1;
        RetrievePortData(1, part, outputColl, port1);
        // Port 1's collar thickness serves both collars.
        const double t = collarThickness(L, port1.flangeThickness);

        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0}, port1.pipeOD, true));

        // Each collar is as wide as its flange and never narrower than its pipe.
        RetrievePortData(1, part, outputColl, port1);
        outputColl->AddOutput("Port1", PlaceCylinder(outputColl, {-L / 2, 0, 0}, {-L / 2 + t, 0, 0},
                                                     GreaterDim(port1.pipeOD, port1.flangeDiameter), true));
        PortDataRecord port2;
        RetrievePortData(2, part, outputColl, port2);
        outputColl->AddOutput("Port2", PlaceCylinder(outputColl, {L / 2, 0, 0}, {L / 2 - t, 0, 0},
                                                     GreaterDim(port2.pipeOD, port2.flangeDiameter), true));

        // Nozzle 1 keeps port 1's offset and depth; port 2 is read again for nozzle 2.
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port1, NozzleRoutine::Direct);
    });
}

void CPhysical::runPDB2268(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2268", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        auto profile = bulgeProfile(L, port.flangeThickness, port.pipeOD, 0.7 * Hc);
        addRevolvedBody(outputColl, arrayOfOutputs.at(1), profile);
        outputColl->AddOutput("BottomCylinder",
                              PlaceCylinder(outputColl, {0, -0.65 * Hc, 0}, {0, -0.75 * Hc, 0}, 0.2 * L, true));
        outputColl->AddOutput("TopCylinder1", PlaceCylinder(outputColl, {0, 0, 0}, {0, 0.95 * Hc, 0}, 0.65 * L, true));
        outputColl->AddOutput("TopCylinder2", PlaceCylinder(outputColl, {0, 0.95 * Hc, 0}, {0, Hc, 0}, 0.75 * L, true));
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard);
    });
}

} // namespace tcv
