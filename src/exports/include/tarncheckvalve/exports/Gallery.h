// A gallery of rendered parts: per part a GLB, a STEP file, an IFC file and the JSON report in one folder,
// and index.json listing them. `checkvalve gallery` and the Python module's distributed gallery both
// render through these functions, so that either gives the same files.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::exports {

// What the gallery keeps of a rendered part once its geometry is gone.
struct GalleryEntry {
    std::string stem;                                              // file name without extension
    std::vector<std::pair<std::string, std::size_t>> outputCounts; // per aspect, in evaluation order
    std::vector<std::string> errors;
};

// File names from part names: letters, digits, '.', '-' and '_' kept, anything else a '-'; made unique
// in order ("name-2", "name-3", ...), and never "index" or "index.keys", whose .json files are the
// gallery's own list and its parts' keys.
TCV_EXPORT std::vector<std::string> galleryFileStems(const std::vector<std::string>& partNames);

// Evaluates both aspects of `part` and writes <stem>.json, .glb, .step and .ifc into `folder`, each whole
// or not at all; every file that can be written is, also when an aspect failed. The evaluation and the
// files share one budget of `limits`. Failures go to entry.errors; `report` keeps the evaluation (for an
// IFC library). Nothing is written when a stop signal cut the evaluation short.
TCV_EXPORT void renderGalleryPart(const refhost::CatalogPart& part, const refhost::HostOptions& hostOptions,
                                  const std::filesystem::path& folder, const refhost::WorkLimits& limits,
                                  const IfcOptions& ifcOptions, GalleryEntry& entry, catalog::PartReport& report);

// A part's item in index.json: name, description, partDataBasis, files, outputs per aspect, status and,
// when it failed, its errors joined by "; ".
TCV_EXPORT nlohmann::ordered_json galleryIndexItem(const refhost::CatalogPart& part, const GalleryEntry& entry);

// The index.json document of the items, in part order; `source` is the catalogue file, or empty for
// the built-in samples. galleryIndexText is its text as written.
TCV_EXPORT nlohmann::ordered_json galleryIndex(const std::string& source, nlohmann::ordered_json items);
TCV_EXPORT std::string galleryIndexText(const nlohmann::ordered_json& index);
// Writes the index text as `folder`/index.json, whole or not at all; an index.json that holds these bytes
// already is left untouched. ExportError when it cannot be written.
TCV_EXPORT void writeGalleryIndexText(const std::filesystem::path& folder, const std::string& text);

} // namespace tcv::exports
