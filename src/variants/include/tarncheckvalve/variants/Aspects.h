// The symbol's two aspect classes and the PartDataBasis values they draw. Each aspect's `run` reads the
// common inputs, selects the body by the part's PartDataBasis (a default body, else the registered
// variant) and draws it; one driver does this for both aspects.
#pragma once

#include <cstdint>
#include <vector>

#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::variants {

class TCV_EXPORT CPhysical {
public:
    void run(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
             const host::StringArray& arrayOfOutputs);
};

class TCV_EXPORT CInsulation {
public:
    void run(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
             const host::StringArray& arrayOfOutputs);
};

// Every PartDataBasis the driver draws: the default bodies first, then the registered variants' values
// ascending, each once (the symbol serves this list as symbol::servedPartDataBases).
TCV_EXPORT std::vector<std::int32_t> drawnPartDataBases();

} // namespace tcv::variants
