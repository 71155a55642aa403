// Shaped in-line bodies: a shaped body between two ends, drawn between the faces of its ports.
// Insulated shaped in-line bodies: the shapes of the physical bodies grown by the insulation thickness,
// with insulated collars at the ends.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include "InsulatedEnds.h"
#include "Variants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/shapes/FaceNozzles.h"
#include "tarncheckvalve/shapes/InlineBodyShapes.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using namespace inline_bodies;

namespace {

// ---- Physical

void runPDB2200(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

void runPDB2269(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

void runPDB2270(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

void runPDB2271(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

// ---- Insulation

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

void runInsPDB2200(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

void runInsPDB2269(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

void runInsPDB2270(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

void runInsPDB2271(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{2200}, runPDB2200, runInsPDB2200},
    {{2269}, runPDB2269, runInsPDB2269},
    {{2270}, runPDB2270, runInsPDB2270},
    {{2271}, runPDB2271, runInsPDB2271},
};

} // namespace

extern const std::span<const Variant> kShapedInlineFamily{kVariants};

} // namespace tcv::variants
