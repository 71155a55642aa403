// What each served PartDataBasis makes of a part, found by evaluating its sample part without kernel
// geometry: which inputs change the result, which ports become nozzles, whether an operator is placed.
#pragma once

#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::cli {

// {"variants": [{"partDataBasis", "description", "sample", "inputs": [names], "ports": [indices],
// "operator": bool}, ...]}, one entry per PartDataBasis of `samples` (the first sample part of each
// stands for it), in the samples' order.
// `budget` ends the work early when the server stops before it is done (the document is then partial).
nlohmann::ordered_json variantsJson(const std::vector<refhost::CatalogPart>& samples,
                                    const std::shared_ptr<refhost::WorkBudget>& budget = nullptr);

} // namespace tcv::cli
