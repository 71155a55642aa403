// The variant registry's pieces, private to the variants layer: a catalogue variant as its family file
// registers it (its PartDataBasis values and its Physical and Insulation builders), what the aspect
// driver reads before it selects the body, and the default bodies the driver builds itself.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace tcv::variants {

// A builder draws one aspect of a variant into the output collection, naming its outputs from the
// aspect's declared output names.
using Builder = void (*)(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                         const host::StringArray& arrayOfOutputs);

// A catalogue variant: the PartDataBasis values it serves and its builder in each aspect (nullptr: the
// variant has no graphics in that aspect). A family file defines its variants at its end, as the span
// k<Family>Family that Registry.cpp lists.
struct Variant {
    std::initializer_list<std::int32_t> values;
    Builder physical;
    Builder insulation;

    Builder builder(contract::Aspect aspect) const {
        return aspect == contract::Aspect::Physical ? physical : insulation;
    }
    bool serves(std::int32_t partDataBasis) const {
        for (std::int32_t value : values)
            if (value == partDataBasis) return true;
        return false;
    }
};

// The registered variants, family by family; each PartDataBasis is served by one variant at most.
std::span<const Variant* const> registry();

// The PartDataBasis values whose default body the driver builds itself (so it does for every value
// below 0), before it looks in the registry.
inline constexpr std::array<std::int32_t, 7> kDefaultBodyBases{0, 1, 455, 456, 2021, 2046, 2047};

inline bool isDefaultBody(std::int32_t partDataBasis) {
    if (partDataBasis < 0) return true;
    for (std::int32_t value : kDefaultBodyBases)
        if (value == partDataBasis) return true;
    return false;
}

// What the driver reads before it selects the body, in this order: the part, the face-to-face length,
// the insulation thickness, the operator's rotation (when the input array reaches it), port 1 (and in
// the Insulation aspect port 2) and the PartDataBasis. The physical default bodies count the declared
// outputs they add in `outputCounter`.
struct RunState {
    host::ObjectPtr part;
    double faceToFace = 0;
    double insulationThickness = 0;
    double handwheelAngle = 0;
    ports::PortDataRecord port1, port2;
    std::int32_t partDataBasis = 0;
    std::int16_t outputCounter = 0;
};

// The default bodies (DefaultBodies.cpp): the physical body with its nozzles and valve operator, and
// the insulated body.
void buildPhysicalDefaultBody(RunState& state, const host::OutputCollectionPtr& outputColl,
                              const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs);
void buildInsulationDefaultBody(const RunState& state, const host::OutputCollectionPtr& outputColl,
                                const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs);

} // namespace tcv::variants
