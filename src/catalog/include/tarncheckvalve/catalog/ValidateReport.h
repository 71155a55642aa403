// The outcome of `checkvalve validate` per part, its text on the terminal, and its reports for CI: JSON,
// JUnit XML and one self-contained HTML page. The Python module's distributed validate uses the same.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::catalog {

struct TCV_EXPORT AspectOutcome {
    std::string name;
    bool ok = true;
    nlohmann::ordered_json error; // null, or the report's error object
    std::string failure;          // the failure in one line ("" when ok)
    std::size_t outputs = 0;
};

struct TCV_EXPORT PartOutcome {
    std::string name;
    std::int32_t partDataBasis = 0;
    std::vector<AspectOutcome> aspects;
    std::vector<std::string> warnings;
    bool ok() const;
};

// What validate keeps of an evaluated part (not its shapes).
TCV_EXPORT PartOutcome outcomeOf(const catalog::PartReport& report, std::vector<std::string> warnings);

struct TCV_EXPORT ValidateSummary {
    std::string catalog; // the catalogue file, or "built-in samples"
    std::vector<PartOutcome> parts;
    bool strict = false;
};

// The report as text in the format OUT's extension names: ".json", ".xml" (JUnit) or ".html".
// Raises std::invalid_argument for any other extension.
TCV_EXPORT std::string renderValidateReport(const ValidateSummary& summary, const std::string& path);

// What validate prints: a line per part (only the failed ones when `quiet`), each distinct warning once
// with the parts it concerns, and the summary line. Control characters are shown escaped.
TCV_EXPORT std::string renderValidateText(const ValidateSummary& summary, bool quiet);

// The exit code of validate: 1 when a part failed, or under --strict when a part has a warning; else 0.
TCV_EXPORT int validateExitCode(const ValidateSummary& summary);

// True when `path` ends in an extension renderValidateReport knows.
TCV_EXPORT bool knownReportExtension(const std::string& path);

} // namespace tcv::catalog
