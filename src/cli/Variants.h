// What each served PartDataBasis makes of a part, found by evaluating its sample part without kernel
// geometry: which inputs change the result, which ports become nozzles, whether an operator is placed.
#pragma once

#include <vector>

#include <nlohmann/json.hpp>

#include "refhost/Parts.h"

namespace tcv::cli {

// {"variants": [{"partDataBasis", "description", "sample", "inputs": [names], "ports": [indices],
// "operator": bool}, ...]}, one entry per PartDataBasis of `samples` (the first sample part of each
// stands for it), in the samples' order.
nlohmann::ordered_json variantsJson(const std::vector<refhost::PartSpec>& samples);

} // namespace tcv::cli
