// Reading the symbol's inputs from the host's input array: position 1 is the part, positions 2 to 35
// the dimensions of the input table (their positions, `input::X`, come from symbol/Contract.h).
#pragma once

#include <cstdint>

#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/host/Piping.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::base {

// The dimension at a position, as a double.
inline double readDimension(const host::VariantArray& inputs, int position) {
    return host::toDouble(inputs.at(position));
}

// The part at position 1.
inline host::ObjectPtr readPart(const host::VariantArray& inputs) {
    return host::toObject(inputs.at(contract::input::Part));
}

// The part's piping-component interface; a part without one is a host error.
TCV_EXPORT host::PipingComponentPtr pipingComponent(const host::ObjectPtr& part);

// The part's PartDataBasis, read through its piping-component interface.
TCV_EXPORT std::int32_t readPartDataBasis(const host::ObjectPtr& part);

} // namespace tcv::base
