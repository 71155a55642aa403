// Catalogue documents: the JSON a catalogue holds before it becomes parts, which JSON catalogue files are
// and CSV files are read into. Reading refuses malformed input with a message that names the part, the
// field and what was expected; odd but well-formed dimensions (zero, negative, implausible) are the
// symbol's business and pass unchanged.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Parts.h"

namespace tcv::catalog {

class TCV_EXPORT CatalogError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // Every problem one reading found (each bad cell of a spreadsheet), the first `problems.size()` of
    // `total`: what() is the first, saying how many more there are.
    CatalogError(std::vector<std::string> problems, std::size_t total);

    // The problems found, in file order; one (what()) unless the reading went on past the first.
    std::vector<std::string> problems() const {
        return problems_.empty() ? std::vector<std::string>{what()} : problems_;
    }
    // How many problems there were, also those left out of problems().
    std::size_t total() const { return problems_.empty() ? 1 : total_; }

private:
    std::vector<std::string> problems_;
    std::size_t total_ = 0;
};

// The most problems one reading of a file reports in full; the rest are counted.
inline constexpr std::size_t kMaxReportedProblems = 20;
// The longest part name a catalogue may give, in bytes (UTF-8).
inline constexpr std::size_t kMaxPartNameBytes = 256;
// The largest catalogue file read unless a larger limit is given.
inline constexpr std::uint64_t kDefaultMaxCatalogBytes = std::uint64_t{256} << 20;

// JSON catalogue text as a document, refusing malformed JSON and keys given twice.
TCV_EXPORT nlohmann::json parseCatalogDocument(const std::string& text, const std::string& origin);
// The parts of a catalogue document, checked field by field.
TCV_EXPORT std::vector<refhost::CatalogPart> readCatalogParts(const nlohmann::json& document,
                                                              const std::string& origin);
// Parses catalogue text; `origin` names the source in messages (a file name).
TCV_EXPORT std::vector<refhost::CatalogPart> parseCatalog(const std::string& text, const std::string& origin);

} // namespace tcv::catalog
