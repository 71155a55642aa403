// Catalogues as spreadsheets keep them (CSV), read into and written from catalogue documents
// (catalog/CatalogDocument.h).
//
// A CSV catalogue names its columns in its first row and holds one part per further row: `name`,
// `description`, `source`, `PartDataBasis`, the symbol's inputs by name (`FacetoFace`), `port<k>.<field>`
// (`port2.flangeOD`), `operator.name`, `operator.<input>`, `operatorSourceCode` and `operatorText`. A cell
// takes what the JSON field takes (a number, or a length with a unit such as "292mm"); an empty cell is
// an absent value. Cells are separated by commas or semicolons (whichever the header row uses), quoted as
// RFC 4180 says, in UTF-8 with or without a byte-order mark, with CRLF or LF line ends. Errors name the
// file, the row in spreadsheet numbering (the header is row 1) and the column:
// `parts.csv:7: port2.flangeOD: "12,5 mm" is not a length ...`.
#pragma once

#include "tarncheckvalve/host/Visibility.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/catalog/CatalogDocument.h"

namespace tcv::catalog {

// One row of CSV text: its cells and its number as a spreadsheet shows it (the first row is 1).
struct CsvRecord {
    std::size_t row;
    std::vector<std::string> cells;
};

// The rows of CSV text that hold cells (blank lines skipped), read as a catalogue is: cells separated by
// commas or semicolons (whichever the first row uses), RFC 4180 quoting, UTF-8 with or without a
// byte-order mark, CRLF or LF line ends. Raises CatalogError naming `origin` and the row for malformed text.
TCV_EXPORT std::vector<CsvRecord> readCsvRecords(std::string_view text, const std::string& origin);
// The cell delimiter readCsvRecords splits `text` at: ';' when the first row holds more semicolons than
// commas outside quotes, else ','.
TCV_EXPORT char csvDelimiter(std::string_view text);

// True when `path` names a CSV catalogue: its name ends in ".csv", in any case.
TCV_EXPORT bool isCsvCatalogPath(const std::string& path);

// The parts of CSV catalogue text; `origin` names the source in messages. Each part is the one the
// equivalent JSON part gives.
TCV_EXPORT std::vector<refhost::CatalogPart> parseCsvCatalog(const std::string& text, const std::string& origin);

// CSV catalogue text as a catalogue document {"parts": [...]}, every part checked as parseCsvCatalog does.
TCV_EXPORT nlohmann::json csvCatalogJson(const std::string& text, const std::string& origin);

// A checked catalogue document (one part or {"parts": [...]}) as CSV text with a comma between cells and
// only the columns its parts use. Numbers are written in their shortest form that reads back to the same
// value and texts as they are, so that reading the CSV gives the same parts. Raises CatalogError for what
// CSV cannot hold: ports numbered below 1, given twice or out of index order, an empty port npdUnit or
// operator name (an empty cell is an absent value), an operator input called "name" or "".
TCV_EXPORT std::string catalogCsvText(const nlohmann::json& document, const std::string& origin);

} // namespace tcv::catalog
