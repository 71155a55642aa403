// The report of an evaluated part: every output of every asked aspect, in order, with its kind, tight
// bounding box, volume (solids), validity and recorded creation; as JSON or as a readable table
// (catalog/PartReport.h).
#pragma once

#include <nlohmann/json.hpp>

#include "tarncheckvalve/catalog/PartReport.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Evaluator.h"

namespace tcv::catalog {

TCV_EXPORT nlohmann::ordered_json outputJson(const refhost::NamedOutput& output);
TCV_EXPORT nlohmann::ordered_json reportJson(const PartReport& report);
// A failed aspect's error: {"code", "message", "where", "values" (what the symbol had read), "trail" (when
// more than one step noted it)}; null for an aspect that succeeded.
TCV_EXPORT nlohmann::ordered_json errorJson(const refhost::AspectResult& aspect);

} // namespace tcv::catalog
