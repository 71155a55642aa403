// Shaped in-line bodies: a shaped body between two ends, drawn between the faces of its ports.
#include "physical/CPhysical.h"

#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/basGeom3d.h"
#include "shapes/FaceNozzles.h"
#include "shapes/InlineBodyShapes.h"

namespace tcv {

using namespace inline_bodies;

void CPhysical::runPDB2200(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2200", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        // The operator's rotation does not turn this body.
        readDimension(arrayofinputs, input::HandwheelAngle);
        const double Dm = readDimension(arrayofinputs, input::Diameter);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        const double Wd = readDimension(arrayofinputs, input::Width);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        addTransitionBody(outputColl, arrayOfOutputs.at(1), L, port.pipeOD, Dm, Hc, Wd, 0);
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard);
    });
}

void CPhysical::runPDB2269(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2269", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        PlateBowlInputs in = readPlateBowlInputs(arrayofinputs, L);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);
        in.bodyLength = L - port.flangeThickness;

        addPlateBowlBody(outputColl, arrayOfOutputs.at(1), in, 0);
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard, L);
    });
}

void CPhysical::runPDB2270(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2270", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        CollarBodyInputs in = readCollarBodyInputs(arrayofinputs);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);
        in.bodyLength = L - port.flangeThickness;

        addCollarBody(outputColl, arrayOfOutputs.at(1), in, 0);
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard, L);
    });
}

void CPhysical::runPDB2271(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2271", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Wd = readDimension(arrayofinputs, input::Width);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        auto profile = bulgeProfile(L, port.flangeThickness, port.pipeOD, 0.5 * Wd);
        addRevolvedBody(outputColl, arrayOfOutputs.at(1), profile);
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard);
    });
}

} // namespace tcv
