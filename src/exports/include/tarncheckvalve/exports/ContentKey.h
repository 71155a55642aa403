// What a part's exported files depend on, as one digest: the part's record as read, the entries of the
// pipe outside-diameter data file its evaluation reads, the program (its version and the identity of its
// build) and the settings that change the files' bytes. Two evaluations with equal keys give the same
// files, so a gallery re-renders only the parts whose key changed and the server answers a repeated
// export from memory.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::exports {

// A 128-bit digest of the bytes as 32 hexadecimal digits.
TCV_EXPORT std::string contentDigest(std::string_view bytes);

// "<version> <digest of the build ids>": the program's version and the build ids of the loaded code that
// evaluates and exports (this library and the geometry kernel's libraries). A rebuild from other sources
// gives another identity.
TCV_EXPORT const std::string& programIdentity();

// The settings of an export run that change its files: IFC geometry and curves, the work limits, and the STEP files'
// time stamp (SOURCE_DATE_EPOCH as set, or "unset").
TCV_EXPORT std::string exportSettingsText(const IfcOptions& ifc, const refhost::WorkLimits& limits);

// The entries of the outside-diameter data file in `dataDirectory` that evaluating and checking `part`
// can read: whether the file is there and readable, the part's PartDataBasis entry, the size rows in the
// size units of its ports (when the entry asks for an estimated diameter), the factors of its ports'
// termination classes (when it has no entry), and the tabled diameters its ports' nominal sizes are
// checked against.
TCV_EXPORT nlohmann::ordered_json outsideDiameterReads(const refhost::CatalogPart& part,
                                                       const std::string& dataDirectory);

// The key of the files made for `part` under the name `fileStem` (the IFC header names its file) with
// these settings: a digest of the program identity, the settings, the stem, the part's record and its
// outside-diameter reads.
TCV_EXPORT std::string partContentKey(const refhost::CatalogPart& part, const std::string& fileStem,
                                      const std::string& dataDirectory, const std::string& settings);

} // namespace tcv::exports
