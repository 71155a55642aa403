// The report of an evaluated part: every output of every asked aspect, in order, with its kind, tight
// bounding box, volume (solids), validity and recorded creation; as JSON or as a readable table.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/Export.h"
#include "refhost/Evaluator.h"

namespace tcv::refhost {

struct TCV_EXPORT PartReport {
    PartSpec part;
    std::vector<AspectResult> aspects;
    // What looks implausible in the part's data (catalog/Warnings.h: physicalWarnings and
    // plausibilityWarnings); never changes its geometry.
    std::vector<std::string> warnings;
    bool ok() const;
};

// Evaluates the asked aspects ("Physical", "Insulation") of a part, with the plausibility warnings.
TCV_EXPORT PartReport evaluatePart(const PartSpec& part, const std::vector<std::string>& aspects,
                                   const HostOptions& options = RefRuntime::defaultOptions());

TCV_EXPORT nlohmann::ordered_json outputJson(const NamedOutput& output);
TCV_EXPORT nlohmann::ordered_json reportJson(const PartReport& report);
// A failed aspect's error: {"code", "message", "where", "values" (what the symbol had read), "trail" (when
// more than one step noted it)}; null for an aspect that succeeded.
TCV_EXPORT nlohmann::ordered_json errorJson(const AspectResult& aspect);
// A failed aspect in one line: "Physical failed with 0x80004005 after output 1 "Body": <reason> (in <routine>)".
TCV_EXPORT std::string failureText(const AspectResult& aspect);
TCV_EXPORT void printReportTable(std::ostream& out, const PartReport& report);

// The error code as the host writes it, "0x80004005".
TCV_EXPORT std::string errorCodeText(std::int32_t code);

} // namespace tcv::refhost
