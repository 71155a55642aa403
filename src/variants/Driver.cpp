// The one aspect driver: reads the common inputs, builds a default body itself or calls the registered
// variant's builder for the aspect, and fails for a PartDataBasis that neither serves.
#include <string>

#include "Variants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/Text.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/variants/Aspects.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::ports;

namespace variants {
namespace {

void runAspect(Aspect aspect, const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
               const host::StringArray& arrayOfOutputs) {
    const std::string prefix = std::string(aspectName(aspect)) + ":";
    withErrorReport(prefix.c_str(), "run", [&] {
        RunState state;
        state.part = readPart(arrayofinputs);
        state.faceToFace = readDimension(arrayofinputs, input::FacetoFace);
        state.insulationThickness = readDimension(arrayofinputs, input::InsulationThickness);
        if (arrayofinputs.upperBound() >= input::HandwheelAngle)
            state.handwheelAngle = readDimension(arrayofinputs, input::HandwheelAngle);
        RetrievePortData(1, state.part, outputColl, state.port1);
        // The insulated default bodies cover both ends.
        if (aspect == Aspect::Insulation) RetrievePortData(2, state.part, outputColl, state.port2);
        state.partDataBasis = readPartDataBasis(state.part);

        if (isDefaultBody(state.partDataBasis)) {
            if (aspect == Aspect::Physical)
                buildPhysicalDefaultBody(state, outputColl, arrayofinputs, arrayOfOutputs);
            else
                buildInsulationDefaultBody(state, outputColl, arrayofinputs, arrayOfOutputs);
            return;
        }
        for (const Variant* variant : registry()) {
            if (!variant->serves(state.partDataBasis)) continue;
            if (Builder builder = variant->builder(aspect)) {
                builder(outputColl, arrayofinputs, arrayOfOutputs);
                return;
            }
            break;
        }
        throw host::HostError(host::kGenericFailure, "PartDataBasis " + std::to_string(state.partDataBasis) +
                                                         " has no " + toLower(aspectName(aspect)) + " graphics");
    });
}

} // namespace
} // namespace variants

void CPhysical::run(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs) {
    variants::runAspect(Aspect::Physical, outputColl, arrayofinputs, arrayOfOutputs);
}

void CInsulation::run(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                      const host::StringArray& arrayOfOutputs) {
    variants::runAspect(Aspect::Insulation, outputColl, arrayofinputs, arrayOfOutputs);
}

} // namespace tcv::variants
