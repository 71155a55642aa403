// Catalogue files, JSON or CSV, and folders of them. A JSON file holds one part or {"parts": [...]}
// (catalog/CatalogDocument.h says what is refused), a CSV file one part per row (catalog/CatalogCsv.h); a
// file that fails to load yields no parts at all. The built-in sample catalogue is every *.json file of
// data/catalog.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/catalog/CatalogDocument.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Parts.h"

namespace tcv::catalog {

// Loads a catalogue file, JSON or CSV by its name (see catalog/CatalogCsv.h): a regular file of at most
// `maxBytes`; anything else (a folder, a device, a pipe, a larger file) is refused before it is read.
TCV_EXPORT std::vector<refhost::CatalogPart> loadCatalogFile(const std::string& path,
                                                             std::uint64_t maxBytes = kDefaultMaxCatalogBytes);
// The text of a catalogue file, with the checks of loadCatalogFile.
TCV_EXPORT std::string readCatalogFile(const std::string& path, std::uint64_t maxBytes = kDefaultMaxCatalogBytes);
// Loads every *.json file of a folder, in file-name order; part names must be unique across them.
TCV_EXPORT std::vector<refhost::CatalogPart> loadCatalogFolder(const std::string& folder);
// The built-in sample catalogue.
TCV_EXPORT std::vector<refhost::CatalogPart> loadSampleCatalog();

// A catalogue file of either kind (by its name) as a checked document, with the checks of loadCatalogFile.
TCV_EXPORT nlohmann::json loadCatalogDocument(const std::string& path,
                                              std::uint64_t maxBytes = kDefaultMaxCatalogBytes);

// Plausibility warnings for a part (never changes it): negative or very large dimensions, missing ports.
TCV_EXPORT std::vector<std::string> plausibilityWarnings(const refhost::CatalogPart& part);

} // namespace tcv::catalog
