// Warnings about a part's data: what its evaluation read (an input left to its default, inputs the
// variant never reads) and physical sense (flanges, pipe diameters, face-to-face). A warning never
// changes a part or fails it; `checkvalve validate --strict` makes them count.
#pragma once

#include "tarncheckvalve/host/Visibility.h"

#include <string>
#include <vector>

#include "tarncheckvalve/catalog/Report.h"

namespace tcv::catalog {

// From the inputs the symbol read while evaluating the part: an input read but not given whose value
// matters (another value changes the recorded creations), and, for a part whose aspects all succeeded,
// an input given but never read. Evaluates again without kernel geometry where it must.
TCV_EXPORT std::vector<std::string> readWarnings(const PartReport& report, const refhost::HostOptions& options);

// From physical sense: a flanged port whose flange is not wider than its pipe, a pipe outside diameter
// more than 10% off the outside-diameter table of the data directory for its nominal size, a
// face-to-face of zero or less.
TCV_EXPORT std::vector<std::string> physicalWarnings(const refhost::CatalogPart& part,
                                                     const std::string& dataDirectory);

// Every warning for an evaluated part: its read warnings, then the report's own (physical sense and
// plausibility), each once.
TCV_EXPORT std::vector<std::string> partWarnings(const PartReport& report, const refhost::HostOptions& options);

} // namespace tcv::catalog
