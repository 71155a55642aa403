// The parts catalogue in JSON. A file holds one part or {"parts": [...]}; the built-in sample catalogue
// is every *.json file of data/catalog. Loading refuses malformed input with a message that names the
// part, the field and what was expected; a file that fails to load yields no parts at all. Odd but
// well-formed dimensions (zero, negative, implausible) are the symbol's business and pass unchanged.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Parts.h"

namespace tcv::catalog {

class TCV_EXPORT CatalogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses catalogue text; `origin` names the source in messages (a file name).
TCV_EXPORT std::vector<refhost::CatalogPart> parseCatalog(const std::string& text, const std::string& origin);
// The longest part name a catalogue may give, in bytes (UTF-8).
inline constexpr std::size_t kMaxPartNameBytes = 256;
// The largest catalogue file read unless a larger limit is given.
inline constexpr std::uint64_t kDefaultMaxCatalogBytes = std::uint64_t{256} << 20;

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

// The closest of `candidates` to `name` (by edit distance, ignoring case), or "" when none is close.
TCV_EXPORT std::string closestName(const std::string& name, const std::vector<std::string>& candidates);

// Plausibility warnings for a part (never changes it): negative or very large dimensions, missing ports.
TCV_EXPORT std::vector<std::string> plausibilityWarnings(const refhost::CatalogPart& part);

} // namespace tcv::catalog
