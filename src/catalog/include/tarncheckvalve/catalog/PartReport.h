// An evaluated part: every asked aspect's result with the plausibility warnings, and the words a report
// gives a failure. The JSON of a report is in catalog/Report.h; this header needs no JSON library.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Evaluator.h"

namespace tcv::catalog {

struct TCV_EXPORT PartReport {
    refhost::CatalogPart part;
    std::vector<refhost::AspectResult> aspects;
    // What looks implausible in the part's data (catalog/Warnings.h: physicalWarnings and
    // plausibilityWarnings); never changes its geometry.
    std::vector<std::string> warnings;
    bool ok() const;
};

// Evaluates the asked aspects ("Physical", "Insulation") of a part, with the plausibility warnings.
TCV_EXPORT PartReport evaluatePart(const refhost::CatalogPart& part, const std::vector<std::string>& aspects,
                                   const refhost::HostOptions& options = refhost::RefRuntime::defaultOptions());

// A failed aspect in one line: "Physical failed with 0x80004005 after output 1 "Body": <reason> (in <routine>)".
TCV_EXPORT std::string failureText(const refhost::AspectResult& aspect);
TCV_EXPORT void printReportTable(std::ostream& out, const PartReport& report);

// The error code as the host writes it, "0x80004005".
TCV_EXPORT std::string errorCodeText(std::int32_t code);

} // namespace tcv::catalog
