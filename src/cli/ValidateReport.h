// The outcome of `checkvalve validate` per part, and its reports for CI: JSON, JUnit XML and one
// self-contained HTML page.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "catalog/Report.h"

namespace tcv::cli {

struct AspectOutcome {
    std::string name;
    bool ok = true;
    nlohmann::ordered_json error; // null, or the report's error object
    std::string failure;          // the failure in one line ("" when ok)
    std::size_t outputs = 0;
};

struct PartOutcome {
    std::string name;
    std::int32_t partDataBasis = 0;
    std::vector<AspectOutcome> aspects;
    std::vector<std::string> warnings;
    bool ok() const;
};

// What validate keeps of an evaluated part (not its shapes).
PartOutcome outcomeOf(const refhost::PartReport& report, std::vector<std::string> warnings);

struct ValidateSummary {
    std::string catalog; // the catalogue file, or "built-in samples"
    std::vector<PartOutcome> parts;
    bool strict = false;
};

// The report as text in the format OUT's extension names: ".json", ".xml" (JUnit) or ".html".
// Raises std::invalid_argument for any other extension.
std::string renderValidateReport(const ValidateSummary& summary, const std::string& path);

// True when `path` ends in an extension renderValidateReport knows.
bool knownReportExtension(const std::string& path);

} // namespace tcv::cli
