// Insulated shaped in-line bodies: the shapes of the physical bodies grown by the insulation thickness,
// with insulated collars at the ends.
#include "insulation/CInsulation.h"

#include "InsulatedEnds.h"
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/basGeom3d.h"
#include "shapes/InlineBodyShapes.h"

namespace tcv {

using namespace inline_bodies;

namespace {

// The plate and collar bodies sit on a pipe run: its insulation spans the whole face-to-face length,
// then the flanges get their collars.
void addPipeEnvelopeAndCollars(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part,
                               double faceToFace, double thickness, PortDataRecord& port) {
    outputColl->AddOutput("CheckValve_", PlaceCylinder(outputColl, {-faceToFace / 2, 0, 0}, {faceToFace / 2, 0, 0},
                                                       port.pipeOD + 2 * thickness, true));
    addEndCollars(outputColl, part, faceToFace, thickness, port);
}

} // namespace

void CInsulation::runInsPDB2200(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2200", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Dm = readDimension(arrayofinputs, input::Diameter);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        const double Wd = readDimension(arrayofinputs, input::Width);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        addTransitionBody(outputColl, arrayOfOutputs.at(1), L, port.pipeOD, Dm, Hc, Wd, T);
        addEndCollars(outputColl, part, L, T, port);
    });
}

void CInsulation::runInsPDB2269(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2269", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        PlateBowlInputs in = readPlateBowlInputs(arrayofinputs, L);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);
        in.bodyLength = L - port.flangeThickness;

        addPlateBowlBody(outputColl, arrayOfOutputs.at(1), in, T);
        addPipeEnvelopeAndCollars(outputColl, part, L, T, port);
    });
}

void CInsulation::runInsPDB2270(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2270", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        CollarBodyInputs in = readCollarBodyInputs(arrayofinputs);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);
        in.bodyLength = L - port.flangeThickness;

        addCollarBody(outputColl, arrayOfOutputs.at(1), in, T);
        addPipeEnvelopeAndCollars(outputColl, part, L, T, port);
    });
}

void CInsulation::runInsPDB2271(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2271", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Wd = readDimension(arrayofinputs, input::Width);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        auto profile = insulatedBulgeProfile(L, port.flangeThickness, port.pipeOD, 0.5 * Wd, T);
        addRevolvedBody(outputColl, arrayOfOutputs.at(1), profile);
        addInsulatedPortEnds(outputColl, part, L, T, port);
    });
}

} // namespace tcv
