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

void CPhysical::runPDB2232(const host::OutputCollectionPtr& m_OutputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2232", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Dm = readDimension(arrayofinputs, input::Diameter);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        const double Dv = verticalCylinderDiameter(L, Dm);
        PortDataRecord port;
        RetrievePortData(1, part, m_OutputColl, port);

        addDoubleConeBody(m_OutputColl, {arrayOfOutputs.at(1), "MainBodyRighttCone", "VerticalCylinder"}, L,
                          port.flangeThickness, port.pipeOD, Hc, Dv, 0);
        addFaceNozzles(m_OutputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard);
    });
}

void CPhysical::runPDB2267(const host::OutputCollectionPtr& m_OutputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2267", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        PortDataRecord port1;
        RetrievePortData(1, part, m_OutputColl, port1);
        // Port 1's collar thickness serves both collars.
        const double t = collarThickness(L, port1.flangeThickness);

        m_OutputColl->AddOutput(arrayOfOutputs.at(1),
                                PlaceCylinder(m_OutputColl, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0}, port1.pipeOD, true));

        // Each collar is as wide as its flange and never narrower than its pipe.
        RetrievePortData(1, part, m_OutputColl, port1);
        m_OutputColl->AddOutput("Port1", PlaceCylinder(m_OutputColl, {-L / 2, 0, 0}, {-L / 2 + t, 0, 0},
                                                       GreaterDim(port1.pipeOD, port1.flangeDiameter), true));
        PortDataRecord port2;
        RetrievePortData(2, part, m_OutputColl, port2);
        m_OutputColl->AddOutput("Port2", PlaceCylinder(m_OutputColl, {L / 2, 0, 0}, {L / 2 - t, 0, 0},
                                                       GreaterDim(port2.pipeOD, port2.flangeDiameter), true));

        // Nozzle 1 keeps port 1's offset and depth; port 2 is read again for nozzle 2.
        addFaceNozzles(m_OutputColl, part, arrayOfOutputs, L, port1, NozzleRoutine::Direct);
    });
}

void CPhysical::runPDB2268(const host::OutputCollectionPtr& m_OutputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2268", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        PortDataRecord port;
        RetrievePortData(1, part, m_OutputColl, port);

        auto profile = bulgeProfile(L, port.flangeThickness, port.pipeOD, 0.7 * Hc, PI);
        addRevolvedBody(m_OutputColl, arrayOfOutputs.at(1), profile, PI);
        m_OutputColl->AddOutput("BottomCylinder",
                                PlaceCylinder(m_OutputColl, {0, -0.65 * Hc, 0}, {0, -0.75 * Hc, 0}, 0.2 * L, true));
        m_OutputColl->AddOutput("TopCylinder1",
                                PlaceCylinder(m_OutputColl, {0, 0, 0}, {0, 0.95 * Hc, 0}, 0.65 * L, true));
        m_OutputColl->AddOutput("TopCylinder2",
                                PlaceCylinder(m_OutputColl, {0, 0.95 * Hc, 0}, {0, Hc, 0}, 0.75 * L, true));
        addFaceNozzles(m_OutputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard);
    });
}

} // namespace tcv
