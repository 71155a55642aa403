#include "tarncheckvalve/catalog/CatalogCsv.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>

#include <csv.h>

#include "tarncheckvalve/catalog/MessageText.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/refhost/Evaluator.h"
#include "tarncheckvalve/refhost/LengthUnits.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::catalog {

using namespace tcv::refhost;

namespace {

using Json = nlohmann::json;

// What a cell holds, as the JSON field it becomes takes it.
enum class CellKind { Text, Integer, Number, Length, Angle };

// Where a column's value goes in the part's JSON.
enum class Target {
    Name,
    Description,
    Source,
    PartDataBasis,
    Input,
    PortField,
    OperatorName,
    OperatorInput,
    OperatorSourceCode,
    OperatorText
};

struct Column {
    std::string header;
    Target target;
    CellKind kind;
    std::string key; // the input, port field or operator input
    int port = 0;    // the port index of a port<k>.<field> column
};

struct PortField {
    const char* name;
    CellKind kind;
};

constexpr PortField kPortFields[] = {
    {"terminationClass", CellKind::Integer},
    {"endType", CellKind::Integer},
    {"attribute", CellKind::Integer},
    {"pipeOD", CellKind::Length},
    {"flangeOD", CellKind::Length},
    {"flangeThickness", CellKind::Length},
    {"cptOffset", CellKind::Length},
    {"depth", CellKind::Length},
    {"length", CellKind::Length},
    {"npd", CellKind::Number},
    {"npdUnit", CellKind::Text},
};

struct NamedColumn {
    const char* header;
    Target target;
    CellKind kind;
};

// The part's own columns, in the order a written file has them.
constexpr NamedColumn kPartColumns[] = {
    {"name", Target::Name, CellKind::Text},
    {"description", Target::Description, CellKind::Text},
    {"source", Target::Source, CellKind::Text},
    {"PartDataBasis", Target::PartDataBasis, CellKind::Integer},
    {"operator.name", Target::OperatorName, CellKind::Text},
    {"operatorSourceCode", Target::OperatorSourceCode, CellKind::Integer},
    {"operatorText", Target::OperatorText, CellKind::Text},
};

constexpr const char* kPortPrefix = "port";
constexpr const char* kOperatorPrefix = "operator.";

[[noreturn]] void failAt(const std::string& origin, std::size_t row, const std::string& column,
                         const std::string& problem) {
    throw CatalogError(origin + ":" + std::to_string(row) + ": " + (column.empty() ? "" : shownValue(column) + ": ") +
                       problem);
}

// The problems of a file, gathered so that one reading names every bad cell: in row order, the first
// kMaxReportedProblems in full, and how many there were.
class Problems {
public:
    // Runs `read`; a CatalogError it raises is noted against `row` instead. Returns whether it succeeded.
    template <class Read>
    bool note(std::size_t row, Read&& read) {
        try {
            read();
            return true;
        } catch (const CatalogError& error) {
            for (const auto& problem : error.problems()) found_.emplace_back(row, problem);
            total_ += error.total() - error.problems().size();
            return false;
        }
    }
    // Raises them all as one CatalogError, if there are any.
    void raise() {
        if (found_.empty()) return;
        std::stable_sort(found_.begin(), found_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        const std::size_t total = total_ + found_.size();
        if (total == 1) throw CatalogError(found_.front().second);
        std::vector<std::string> reported;
        for (std::size_t i = 0; i < found_.size() && i < kMaxReportedProblems; ++i)
            reported.push_back(std::move(found_[i].second));
        throw CatalogError(std::move(reported), total);
    }

private:
    std::vector<std::pair<std::size_t, std::string>> found_;
    std::size_t total_ = 0; // beyond `found_`
};

bool isValidUtf8(const std::string& text) {
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

std::vector<std::string> knownColumnNames() {
    std::vector<std::string> names;
    for (const auto& column : kPartColumns) names.emplace_back(column.header);
    for (const auto& input : inputNames()) names.push_back(input);
    for (const auto& field : kPortFields) names.push_back(std::string(kPortPrefix) + "1." + field.name);
    return names;
}

// The port index of "port<k>" (k a whole number from 1 without leading zeros that fits a port index).
std::optional<int> readPortNumber(const std::string& text) {
    if (text.empty() || text.size() > 5 || text[0] == '0') return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    const int number = std::stoi(text);
    if (number > INT16_MAX) return std::nullopt;
    return number;
}

Column readHeader(const std::string& header, const std::string& origin, std::size_t row, std::size_t columnNumber) {
    if (header.empty())
        failAt(origin, row, "column " + std::to_string(columnNumber),
               "the column has no name; the first row names every column");
    if (!isValidUtf8(header)) failAt(origin, row, "column " + std::to_string(columnNumber), "not UTF-8 text");
    for (const auto& column : kPartColumns)
        if (header == column.header) return Column{header, column.target, column.kind, "", 0};
    const auto& inputs = inputNames();
    if (std::find(inputs.begin(), inputs.end(), header) != inputs.end())
        return Column{header, Target::Input, contract::isAngleInput(header) ? CellKind::Angle : CellKind::Length,
                      header, 0};
    if (header.rfind(kOperatorPrefix, 0) == 0) {
        const std::string input = header.substr(std::string(kOperatorPrefix).size());
        if (input.empty())
            failAt(origin, row, header, "expected operator.name or operator.<input> with the operator input's name");
        return Column{header, Target::OperatorInput, CellKind::Length, input, 0};
    }
    const std::size_t dot = header.find('.');
    if (header.rfind(kPortPrefix, 0) == 0 && dot != std::string::npos) {
        const std::string number = header.substr(4, dot - 4);
        const std::string field = header.substr(dot + 1);
        const auto port = readPortNumber(number);
        if (!port)
            failAt(origin, row, header,
                   "expected port<k>.<field> with k a port number from 1 to " + std::to_string(INT16_MAX) + ", got " +
                       quotedValue(number));
        std::vector<std::string> fields;
        for (const auto& known : kPortFields) {
            if (field == known.name) return Column{header, Target::PortField, known.kind, field, *port};
            fields.push_back(std::string(kPortPrefix) + number + "." + known.name);
        }
        const std::string hint = closestName(header, fields);
        std::string list;
        for (const auto& known : kPortFields) list += (list.empty() ? "" : ", ") + std::string(known.name);
        failAt(origin, row, header,
               "unknown port field" + (hint.empty() ? "" : "; did you mean \"" + hint + "\"?") + " (known: " + list +
                   ")");
    }
    const std::string hint = closestName(header, knownColumnNames());
    failAt(origin, row, header,
           "unknown column" + (hint.empty() ? "" : "; did you mean \"" + hint + "\"?") +
               " (columns: name, description, source, PartDataBasis, the symbol's inputs as `checkvalve definition` "
               "lists them, port<k>.<field>, operator.name, operator.<input>, operatorSourceCode, operatorText)");
}

std::string trimmedBlanks(const std::string& text) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    auto first = std::find_if_not(text.begin(), text.end(), blank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

// A cell that is a JSON number, read as the JSON reader reads it (the same value to the last bit).
std::optional<Json> numberCell(const std::string& text) {
    Json number = Json::parse(text, nullptr, false);
    if (number.is_discarded() || !number.is_number()) return std::nullopt;
    return number;
}

// A cell as the value of its JSON field, or an error naming the row and column.
Json readCell(const std::string& cell, const Column& column, const std::string& origin, std::size_t row) {
    if (!isValidUtf8(cell)) failAt(origin, row, column.header, "not UTF-8 text");
    if (column.kind == CellKind::Text) return Json(cell);
    const std::string text = trimmedBlanks(cell);
    const auto number = numberCell(text);
    switch (column.kind) {
    case CellKind::Integer:
        if (number && number->is_number_integer()) {
            const bool fits = number->is_number_unsigned() ? number->get<std::uint64_t>() <= INT32_MAX
                                                           : number->get<std::int64_t>() >= INT32_MIN &&
                                                                 number->get<std::int64_t>() <= INT32_MAX;
            if (fits) return *number;
            failAt(origin, row, column.header,
                   quotedValue(cell) + " is not a whole number from " + std::to_string(INT32_MIN) + " to " +
                       std::to_string(INT32_MAX));
        }
        failAt(origin, row, column.header, quotedValue(cell) + " is not a whole number");
    case CellKind::Number:
        if (number) return *number;
        failAt(origin, row, column.header, quotedValue(cell) + " is not a number (the decimal mark is a point)");
    case CellKind::Length:
        if (number) return *number;
        try {
            makeUnitsService()->ParseUnit(1, text);
            return Json(text);
        } catch (const std::exception&) {
            failAt(origin, row, column.header,
                   quotedValue(cell) +
                       " is not a length (a number of metres, or a number with a unit: m, mm, cm, in or ft, such as "
                       "\"292mm\"; the decimal mark is a point)");
        }
    case CellKind::Angle: {
        if (number) return *number;
        double value = 0;
        std::string unit;
        if (readNumberWithUnit(text, value, unit) && (unit == "deg" || unit == "rad")) return Json(text);
        failAt(origin, row, column.header,
               quotedValue(cell) + " is not an angle (a number of radians, or a text such as \"30deg\")");
    }
    case CellKind::Text:
        break;
    }
    return Json(cell);
}

using Record = CsvRecord;

// Collects rows from the CSV parser and numbers them as a spreadsheet does: every line end outside
// quotes ends a row (a CRLF pair ends one), a quoted cell may span lines within its row, and a blank
// line is a row with no cells.
struct RecordReader {
    std::vector<Record> records;
    std::vector<std::string> cells;
    std::size_t row = 0; // rows ended so far
    int lastEnd = 0;

    static void addCell(void* cell, std::size_t size, void* self) {
        auto& cells = static_cast<RecordReader*>(self)->cells;
        if (cell)
            cells.emplace_back(static_cast<const char*>(cell), size);
        else
            cells.emplace_back();
    }
    static void endRow(int end, void* self) { static_cast<RecordReader*>(self)->endRow(end); }

    void endRow(int end) {
        if (cells.empty() && end == '\n' && lastEnd == '\r') {
            lastEnd = end;
            return;
        }
        ++row;
        lastEnd = end;
        if (cells.empty()) return;
        records.push_back(Record{row, std::move(cells)});
        cells.clear();
    }
};

// The cell delimiter the header row uses: a semicolon when it has more semicolons than commas outside
// quotes, else a comma.
char headerDelimiter(std::string_view text) {
    std::size_t commas = 0, semicolons = 0;
    bool quoted = false, started = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\r' || c == '\n') {
            if (started) break;
            continue;
        }
        started = true;
        commas += c == ',';
        semicolons += c == ';';
    }
    return semicolons > commas ? ';' : ',';
}

std::vector<Record> readRecords(std::string_view text, const std::string& origin) {
    static constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF")
        failAt(origin, 1, "", "the file is UTF-16 text; save it as CSV in UTF-8");
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());

    csv_parser parser{};
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_REPALL_NL | CSV_APPEND_NULL) != 0)
        throw CatalogError(origin + ": cannot start the CSV reader");
    struct Freed {
        csv_parser* parser;
        ~Freed() { csv_free(parser); }
    } freed{&parser};
    csv_set_delim(&parser, static_cast<unsigned char>(headerDelimiter(text)));
    RecordReader reader;
    const std::size_t read =
        csv_parse(&parser, text.data(), text.size(), &RecordReader::addCell, &RecordReader::endRow, &reader);
    if (read != text.size()) {
        if (csv_error(&parser) == CSV_EPARSE)
            failAt(origin, reader.row + 1, "",
                   "malformed CSV: a quote inside a cell that does not start with one, or text after a cell's "
                   "closing quote (a cell holding quotes is quoted whole, with each quote inside doubled)");
        failAt(origin, reader.row + 1, "", std::string("cannot read the CSV: ") + csv_strerror(csv_error(&parser)));
    }
    if (csv_fini(&parser, &RecordReader::addCell, &RecordReader::endRow, &reader) != 0)
        failAt(origin, reader.row + 1, "", "a quoted cell that starts in this row is never closed");
    return std::move(reader.records);
}

struct CsvRow {
    std::size_t row;
    Json part;
};

// The rows of CSV text as catalogue JSON parts, each cell checked.
// The parts of the file's rows as catalogue JSON; the problems of every row are noted in `problems` and
// their rows left out. A bad header is raised at once: no row can be read without it.
std::vector<CsvRow> readCsvRows(const std::string& text, const std::string& origin, Problems& problems) {
    const std::vector<Record> records = readRecords(text, origin);
    if (records.empty())
        failAt(origin, 1, "", "the file holds no rows; its first row names the columns (name, PartDataBasis, ...)");
    const Record& header = records.front();
    std::vector<Column> columns;
    std::map<std::string, std::size_t> seen;
    Problems headerProblems;
    for (std::size_t i = 0; i < header.cells.size(); ++i) {
        headerProblems.note(header.row, [&] {
            columns.push_back(readHeader(header.cells[i], origin, header.row, i + 1));
            if (auto [at, added] = seen.emplace(header.cells[i], i + 1); !added)
                failAt(origin, header.row, header.cells[i],
                       "the column appears more than once (columns " + std::to_string(at->second) + " and " +
                           std::to_string(i + 1) + ")");
        });
    }
    for (const char* required : {"name", "PartDataBasis"})
        if (!seen.count(required))
            headerProblems.note(header.row, [&] {
                failAt(origin, header.row, required,
                       "no such column; every catalogue has the columns name and PartDataBasis");
            });
    headerProblems.raise();

    std::vector<CsvRow> rows;
    std::map<std::string, std::size_t> rowOfName;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const Record& record = records[r];
        const bool blank =
            std::all_of(record.cells.begin(), record.cells.end(), [](const std::string& cell) { return cell.empty(); });
        if (blank) continue;
        bool good = true;
        for (std::size_t i = columns.size(); i < record.cells.size(); ++i)
            if (!record.cells[i].empty())
                good &= problems.note(record.row, [&] {
                    failAt(origin, record.row, "column " + std::to_string(i + 1),
                           "a value beyond the header's " + std::to_string(columns.size()) +
                               " columns: " + quotedValue(record.cells[i]));
                });

        Json part = Json::object();
        std::map<int, Json> ports;
        Json valveOperator;
        std::set<Target> unread; // the targets of cells that could not be read
        for (std::size_t i = 0; i < columns.size() && i < record.cells.size(); ++i) {
            if (record.cells[i].empty()) continue;
            const Column& column = columns[i];
            Json value;
            if (!problems.note(record.row, [&] { value = readCell(record.cells[i], column, origin, record.row); })) {
                good = false;
                unread.insert(column.target);
                continue;
            }
            switch (column.target) {
            case Target::Name:
                part["name"] = value;
                break;
            case Target::Description:
                part["description"] = value;
                break;
            case Target::Source:
                part["source"] = value;
                break;
            case Target::PartDataBasis:
                part["partDataBasis"] = value;
                break;
            case Target::Input:
                part["inputs"][column.key] = value;
                break;
            case Target::PortField:
                ports[column.port]["index"] = column.port;
                ports[column.port][column.key] = value;
                break;
            case Target::OperatorName:
                valveOperator["name"] = value;
                break;
            case Target::OperatorInput:
                valveOperator["inputs"][column.key] = value;
                break;
            case Target::OperatorSourceCode:
                part["operatorSourceCode"] = value;
                break;
            case Target::OperatorText:
                part["operatorText"] = value;
                break;
            }
        }
        if (!part.contains("name") && !unread.count(Target::Name))
            good &= problems.note(record.row,
                                  [&] { failAt(origin, record.row, "name", "empty; every part needs a name"); });
        if (!part.contains("partDataBasis") && !unread.count(Target::PartDataBasis))
            good &= problems.note(record.row, [&] {
                failAt(origin, record.row, "PartDataBasis", "empty; every part needs its variant's whole number");
            });
        if (part.contains("name")) {
            const std::string name = part["name"].get<std::string>();
            if (auto [at, added] = rowOfName.emplace(name, record.row); !added) {
                const std::size_t first = at->second;
                good &= problems.note(record.row, [&] {
                    failAt(origin, record.row, "name",
                           quotedValue(name) + " is already the name of the part in row " + std::to_string(first));
                });
            }
        }
        if (!good) continue;
        for (auto& [index, port] : ports) part["ports"].push_back(std::move(port));
        if (!valveOperator.is_null()) part["operator"] = std::move(valveOperator);
        rows.push_back(CsvRow{record.row, std::move(part)});
    }
    return rows;
}

} // namespace

std::vector<CsvRecord> readCsvRecords(std::string_view text, const std::string& origin) {
    return readRecords(text, origin);
}

char csvDelimiter(std::string_view text) { return headerDelimiter(text); }

bool isCsvCatalogPath(const std::string& path) {
    if (path.size() < 4) return false;
    std::string extension = path.substr(path.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv";
}

std::vector<CatalogPart> parseCsvCatalog(const std::string& text, const std::string& origin) {
    std::vector<CatalogPart> parts;
    Problems problems;
    for (const auto& row : readCsvRows(text, origin, problems))
        problems.note(row.row, [&] {
            auto read = readCatalogParts(row.part, origin + ":" + std::to_string(row.row));
            parts.push_back(std::move(read.front()));
        });
    problems.raise();
    return parts;
}

Json csvCatalogJson(const std::string& text, const std::string& origin) {
    Json document{{"parts", Json::array()}};
    Problems problems;
    for (auto& row : readCsvRows(text, origin, problems))
        if (problems.note(row.row, [&] { readCatalogParts(row.part, origin + ":" + std::to_string(row.row)); }))
            document["parts"].push_back(std::move(row.part));
    problems.raise();
    return document;
}

namespace {

// Where a column goes in a written file: the part's own columns, the inputs in the definition's order,
// the ports by index and field, the operator and its inputs by name, then the operator source columns.
using ColumnRank = std::tuple<int, int, int, std::string>;

ColumnRank rankOf(const std::string& header) {
    for (int i = 0; i < 4; ++i)
        if (header == kPartColumns[i].header) return {i, 0, 0, ""};
    if (header == "operator.name") return {7, 0, 0, ""};
    if (header == "operatorSourceCode") return {9, 0, 0, ""};
    if (header == "operatorText") return {10, 0, 0, ""};
    const auto& inputs = inputNames();
    if (auto at = std::find(inputs.begin(), inputs.end(), header); at != inputs.end())
        return {5, static_cast<int>(at - inputs.begin()), 0, ""};
    if (header.rfind(kOperatorPrefix, 0) == 0) return {8, 0, 0, header};
    const std::size_t dot = header.find('.');
    const int port = std::stoi(header.substr(4, dot - 4));
    const std::string field = header.substr(dot + 1);
    int fieldRank = 0;
    while (field != kPortFields[fieldRank].name) ++fieldRank;
    return {6, port, fieldRank, ""};
}

// A JSON value as a cell: a text as it is, a number in its shortest exact form.
std::string cellText(const Json& value) { return value.is_string() ? value.get<std::string>() : value.dump(); }

// A cell as written: quoted (by the CSV library, doubling quotes inside) when it holds a delimiter,
// a quote, a line end or blanks at either end.
std::string writtenCell(const std::string& cell) {
    const bool quote = cell.find_first_of(",;\"\r\n") != std::string::npos ||
                       (!cell.empty() && (std::isspace(static_cast<unsigned char>(cell.front())) ||
                                          std::isspace(static_cast<unsigned char>(cell.back()))));
    if (!quote) return cell;
    std::string out(csv_write(nullptr, 0, cell.data(), cell.size()), '\0');
    csv_write(out.data(), out.size(), cell.data(), cell.size());
    return out;
}

} // namespace

std::string catalogCsvText(const Json& document, const std::string& origin) {
    const bool many = document.is_object() && document.contains("parts");
    const Json parts = many ? document["parts"] : Json::array({document});
    std::vector<std::map<std::string, std::string>> rows;
    std::map<std::string, ColumnRank> used;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const Json& part = parts[p];
        const std::string where = origin + ": part '" + shownValue(part.value("name", "")) + "': ";
        auto fail = [&](const std::string& field, const std::string& problem) {
            throw CatalogError(where + field + ": " + problem);
        };
        std::map<std::string, std::string> cells;
        auto put = [&](const std::string& column, const Json& value) {
            const std::string text = cellText(value);
            if (text.empty()) return; // an empty text is an absent value, as its default is
            cells[column] = text;
        };
        put("name", part["name"]);
        if (part.contains("description")) put("description", part["description"]);
        if (part.contains("source")) put("source", part["source"]);
        put("PartDataBasis", part["partDataBasis"]);
        if (part.contains("inputs"))
            for (const auto& [name, value] : part["inputs"].items()) put(name, value);
        if (part.contains("ports")) {
            int previous = 0;
            for (std::size_t i = 0; i < part["ports"].size(); ++i) {
                const Json& port = part["ports"][i];
                const int index = port["index"].get<int>();
                const std::string field = "ports[" + std::to_string(i) + "].index";
                if (index < 1)
                    fail(field, "port " + std::to_string(index) + " cannot be a CSV column (port<k> with k from 1)");
                if (index <= previous)
                    fail(field,
                         "port " + std::to_string(index) +
                             (index == previous ? " is given twice" : " comes after port " + std::to_string(previous)) +
                             "; CSV columns hold ports once each, in index order");
                previous = index;
                const std::string prefix = kPortPrefix + std::to_string(index) + ".";
                if (port.contains("npdUnit") && port["npdUnit"].get<std::string>().empty())
                    fail("ports[" + std::to_string(i) + "].npdUnit",
                         "an empty unit cannot be written: an empty cell is an absent value, whose default is \"" +
                             PortSpec{}.npdUnit + "\"");
                bool any = false;
                for (const auto& [key, value] : port.items())
                    if (key != "index") put(prefix + key, value), any = true;
                // A port given by its index alone still exists: its default termination class says so.
                if (!any) put(prefix + "terminationClass", PortSpec{}.terminationClass);
            }
        }
        if (part.contains("operator")) {
            const Json& op = part["operator"];
            const std::string name = op.value("name", OperatorSpec{}.name);
            if (name.empty())
                fail("operator.name", "an empty operator name cannot be written: an empty cell is an absent value, "
                                      "whose default is \"" +
                                          OperatorSpec{}.name + "\"");
            put("operator.name", name);
            if (op.contains("inputs"))
                for (const auto& [input, value] : op["inputs"].items()) {
                    if (input.empty() || input == "name")
                        fail("operator.inputs." + shownValue(input),
                             "an operator input called " + quotedValue(input) + " cannot be a CSV column");
                    put(kOperatorPrefix + input, value);
                }
        }
        if (part.contains("operatorSourceCode")) put("operatorSourceCode", part["operatorSourceCode"]);
        if (part.contains("operatorText")) put("operatorText", part["operatorText"]);
        for (const auto& [column, text] : cells) used.emplace(column, rankOf(column));
        rows.push_back(std::move(cells));
    }
    used.emplace("name", rankOf("name"));
    used.emplace("PartDataBasis", rankOf("PartDataBasis"));

    std::vector<std::string> columns;
    for (const auto& [column, rank] : used) columns.push_back(column);
    std::sort(columns.begin(), columns.end(),
              [&](const std::string& a, const std::string& b) { return used[a] < used[b]; });
    std::string out;
    auto writeRow = [&](auto cellOf) {
        for (std::size_t i = 0; i < columns.size(); ++i) out += (i ? "," : "") + writtenCell(cellOf(columns[i]));
        out += "\n";
    };
    writeRow([](const std::string& column) { return column; });
    for (const auto& cells : rows)
        writeRow([&](const std::string& column) {
            auto found = cells.find(column);
            return found == cells.end() ? std::string() : found->second;
        });
    return out;
}

} // namespace tcv::catalog
