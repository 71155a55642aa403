// `checkvalve place`: valves placed in a plant model, read from a CSV file of placements, written as one
// IFC4 model in which each part's type (with its geometry) is written once and every placement maps it.
// Also the IFC options that `eval` and `gallery` share (--ifc-geometry, --ifc-library).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "Commands.h"
#include "Parallel.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/CatalogCsv.h"
#include "tarncheckvalve/catalog/MessageText.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/StagedFile.h"

namespace tcv::cli {

namespace {

// The columns of a placements file, in the order they are usually given; the header row may list them in
// any order.
constexpr const char* kColumns[] = {"instance", "part", "x", "y", "z", "dirx", "diry", "dirz", "upx", "upy", "upz"};
constexpr std::size_t kColumnCount = std::size(kColumns);
// Columns a placements file may add: the storey a valve stands in and the system it belongs to.
constexpr const char* kOptionalColumns[] = {"storey", "system"};

struct PlaceOptions {
    std::string placements;
    std::string catalog;
    std::string ifc;
    IfcChoices ifcChoices;
    std::string project; // the placements file's name without its extension when not given
    bool projectGiven = false;
    unsigned jobs = 1;
    std::uint64_t maxCatalogBytes = catalog::kDefaultMaxCatalogBytes;
};

// A placement as read: the part by name, resolved to the document's parts later.
struct PlacementRow {
    std::size_t row = 0;
    std::string instance;
    std::string part;
    std::string storey, system;
    std::array<double, 9> numbers{};
};

[[noreturn]] void failAt(const std::string& origin, std::size_t row, const std::string& column,
                         const std::string& problem) {
    throw catalog::CatalogError(origin + ":" + std::to_string(row) + ": " + (column.empty() ? "" : column + ": ") +
                                problem);
}

// The largest size a coordinate or direction component may have: a plant 1000 km across in metres. Larger
// numbers are typing mistakes, and bounded components keep a direction's length and the products that
// normalise it finite.
constexpr double kMaxCoordinate = 1e6;

double numberCell(const std::string& cell, const std::string& origin, std::size_t row, const char* column,
                  bool position) {
    double value = 0;
    const char* end = cell.data() + cell.size();
    const auto [stop, error] = std::from_chars(cell.data(), end, value);
    if (cell.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        failAt(origin, row, column, catalog::quotedValue(cell) + " is not a number (metres, with a decimal point)");
    if (std::abs(value) > kMaxCoordinate)
        failAt(origin, row, column,
               catalog::quotedValue(cell) +
                   (position ? " lies beyond 1e6 m (1000 km) from the origin; a position lies within +-1e6 m"
                             : " is beyond 1e6; a direction's components lie within +-1e6"));
    return value;
}

// The cells of a row as many as the header's: a row with fewer, or with values beyond the header's
// columns, has its cells out of place. Empty cells beyond the header (a spreadsheet's trailing
// separators) hold nothing to lose.
void checkCellCount(const catalog::CsvRecord& record, std::size_t columns, char delimiter, const std::string& origin) {
    std::size_t count = record.cells.size();
    while (count > columns && record.cells[count - 1].empty()) --count;
    if (count == columns) return;
    std::string problem = "row has " + std::to_string(count) + (count == 1 ? " cell" : " cells") +
                          ", the header names " + std::to_string(columns);
    if (count < columns) {
        // Cells separated otherwise than the header's stay one cell.
        const std::string others = delimiter == ',' ? ";\t" : ",\t";
        const bool otherSeparator = std::any_of(record.cells.begin(), record.cells.end(), [&](const std::string& c) {
            return c.find_first_of(others) != std::string::npos;
        });
        if (otherSeparator)
            problem +=
                std::string("; its cells seem separated otherwise than the header's, which uses '") + delimiter + "'";
    }
    failAt(origin, record.row, "", problem);
}

double lengthOf(const std::array<double, 9>& n, std::size_t from) {
    return std::sqrt(n[from] * n[from] + n[from + 1] * n[from + 1] + n[from + 2] * n[from + 2]);
}

// The placements of the file, every cell checked: as many cells as the header names, numbers finite and
// within kMaxCoordinate, directions with a length and not parallel, instance ids present, unique and no
// longer than a part name.
std::vector<PlacementRow> readPlacements(const std::string& text, const std::string& origin) {
    const std::vector<catalog::CsvRecord> records = catalog::readCsvRecords(text, origin);
    const char delimiter = catalog::csvDelimiter(text);
    if (records.empty())
        failAt(origin, 1, "",
               "the file holds no rows; its first row names the columns (instance, part, x, y, z, "
               "dirx, diry, dirz, upx, upy, upz)");
    const catalog::CsvRecord& header = records.front();
    std::array<std::size_t, kColumnCount> at{};
    std::array<std::optional<std::size_t>, std::size(kOptionalColumns)> optionalAt{};
    std::set<std::string> seen;
    for (std::size_t i = 0; i < header.cells.size(); ++i) {
        const std::string& name = header.cells[i];
        const auto is = [&](const char* column) { return name == column; };
        const auto known = std::find_if(std::begin(kColumns), std::end(kColumns), is);
        const auto optional = std::find_if(std::begin(kOptionalColumns), std::end(kOptionalColumns), is);
        if (known == std::end(kColumns) && optional == std::end(kOptionalColumns))
            failAt(origin, header.row, catalog::shownValue(name),
                   "unknown column (columns: instance, part, x, y, z, dirx, diry, dirz, upx, upy, upz; optional: "
                   "storey, system)");
        if (!seen.insert(name).second) failAt(origin, header.row, name, "the column appears more than once");
        if (known != std::end(kColumns))
            at[static_cast<std::size_t>(known - std::begin(kColumns))] = i;
        else
            optionalAt[static_cast<std::size_t>(optional - std::begin(kOptionalColumns))] = i;
    }
    for (const char* column : kColumns)
        if (!seen.count(column)) failAt(origin, header.row, "", std::string("the column '") + column + "' is missing");

    std::vector<PlacementRow> rows;
    std::map<std::string, std::size_t> instances;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const catalog::CsvRecord& record = records[r];
        bool blank = true;
        for (const auto& c : record.cells) blank = blank && c.empty();
        if (blank) continue;
        checkCellCount(record, header.cells.size(), delimiter, origin);
        auto cell = [&](std::size_t column) -> const std::string& { return record.cells[at[column]]; };
        PlacementRow row;
        row.row = record.row;
        row.instance = cell(0);
        row.part = cell(1);
        if (row.instance.empty()) failAt(origin, row.row, "instance", "the instance id is empty");
        // The id is the valve's name and the source of its GlobalIds in the model: bounded as a part name is.
        if (row.instance.size() > catalog::kMaxPartNameBytes)
            failAt(origin, row.row, "instance",
                   "is " + std::to_string(row.instance.size()) + " bytes long; an instance id takes at most " +
                       std::to_string(catalog::kMaxPartNameBytes));
        if (row.part.empty()) failAt(origin, row.row, "part", "the part name is empty");
        // A storey's and a system's name become entity names and GlobalId keys: bounded as a part name is.
        for (std::size_t k = 0; k < optionalAt.size(); ++k) {
            if (!optionalAt[k]) continue;
            std::string& value = k == 0 ? row.storey : row.system;
            value = record.cells[*optionalAt[k]];
            if (value.size() > catalog::kMaxPartNameBytes)
                failAt(origin, row.row, kOptionalColumns[k],
                       "is " + std::to_string(value.size()) + " bytes long; a " + kOptionalColumns[k] +
                           " name takes at most " + std::to_string(catalog::kMaxPartNameBytes));
        }
        for (std::size_t k = 0; k < 9; ++k)
            row.numbers[k] = numberCell(cell(k + 2), origin, row.row, kColumns[k + 2], k < 3);
        if (!(lengthOf(row.numbers, 3) > 1e-12)) failAt(origin, row.row, "dirx", "the direction has no length");
        if (!(lengthOf(row.numbers, 6) > 1e-12)) failAt(origin, row.row, "upx", "the up direction has no length");
        const auto& n = row.numbers;
        const double cx = n[4] * n[8] - n[5] * n[7], cy = n[5] * n[6] - n[3] * n[8], cz = n[3] * n[7] - n[4] * n[6];
        if (!(std::sqrt(cx * cx + cy * cy + cz * cz) > 1e-9 * lengthOf(n, 3) * lengthOf(n, 6)))
            failAt(origin, row.row, "upx", "the up direction runs along the direction");
        if (auto [it, added] = instances.emplace(row.instance, row.row); !added)
            failAt(origin, row.row, "instance",
                   catalog::quotedValue(row.instance) + " is given again (first in row " + std::to_string(it->second) +
                       "); each placement needs its own id");
        rows.push_back(std::move(row));
    }
    return rows;
}

// The model's name: --project, or the placements file's name without its extension. It names the IfcProject
// and is the namespace of the valves' GlobalIds, so it is bounded as a part name is.
std::string projectName(const PlaceOptions& options) {
    const std::string name =
        options.projectGiven ? options.project : std::filesystem::path(options.placements).stem().string();
    if (name.empty()) throw catalog::CatalogError("--project: the model's name is empty; give one with --project NAME");
    if (name.size() > catalog::kMaxPartNameBytes)
        throw catalog::CatalogError("--project: the model's name is " + std::to_string(name.size()) +
                                    " bytes long; it takes at most " + std::to_string(catalog::kMaxPartNameBytes));
    return name;
}

int runPlace(const PlaceOptions& options) {
    std::vector<PlacementRow> rows;
    std::vector<refhost::CatalogPart> used;
    std::vector<exports::IfcPlacement> placements;
    exports::IfcOptions ifcOptions = ifcOptionsFor(options.ifcChoices);
    try {
        ifcOptions.project = projectName(options);
        exports::StagedFile(options.ifc, "IFC");
        rows =
            readPlacements(catalog::readCatalogFile(options.placements, options.maxCatalogBytes), options.placements);
        const std::vector<refhost::CatalogPart> catalog = selectParts(options.catalog, "", options.maxCatalogBytes);
        std::map<std::string, std::size_t> byName, usedIndex;
        for (std::size_t i = 0; i < catalog.size(); ++i) byName.emplace(catalog[i].name, i);
        for (const auto& row : rows) {
            const auto found = byName.find(row.part);
            if (found == byName.end())
                failAt(options.placements, row.row, "part",
                       "no part " + catalog::quotedValue(row.part) + " in " +
                           (options.catalog.empty() ? std::string("the built-in samples") : options.catalog));
            const auto [it, added] = usedIndex.emplace(row.part, used.size());
            if (added) used.push_back(catalog[found->second]);
            const auto& n = row.numbers;
            placements.push_back({row.instance,
                                  it->second,
                                  {n[0], n[1], n[2]},
                                  {n[3], n[4], n[5]},
                                  {n[6], n[7], n[8]},
                                  row.storey,
                                  row.system});
        }
    } catch (const catalog::CatalogError& error) {
        printCatalogError("place", error);
        return kExitBadInput;
    } catch (const exports::ExportError& error) {
        std::cerr << "checkvalve place: " << printable(error.what()) << "\n";
        return kExitBadInput;
    }

    // Each part is evaluated once, however often it is placed.
    std::vector<catalog::PartReport> reports(used.size());
    forEachInParallel("place", used.size(), options.jobs,
                      [&](std::size_t i) { reports[i] = catalog::evaluatePart(used[i], contract::allAspectNames()); });
    bool allOk = true;
    for (const auto& report : reports)
        if (!report.ok()) {
            allOk = false;
            std::cerr << "checkvalve place: part " << printable(report.part.name)
                      << " failed; its valves show the outputs it built\n";
        }
    // A part that cannot be written is left out with its valves; the others are written.
    std::vector<exports::LeftOutPart> leftOut;
    std::vector<std::size_t> valvesOf(used.size());
    for (const auto& placement : placements) ++valvesOf[placement.part];
    const auto reportLeftOut = [&](const std::vector<exports::LeftOutPart>& parts) {
        for (const auto& part : parts)
            std::cerr << "checkvalve place: part " << printable(part.name) << ": " << printable(part.reason)
                      << "; left out with its " << valvesOf[part.part] << " valve(s)\n";
    };
    try {
        leftOut = exports::ExportDocument(reports).writeIfcModel(options.ifc, placements, ifcOptions);
    } catch (const exports::NoPartWritten& error) {
        reportLeftOut(error.leftOut);
        std::cerr << "checkvalve place: no part could be written; " << printable(options.ifc) << " was not written\n";
        return kExitFailed;
    } catch (const exports::ExportError& error) {
        std::cerr << "checkvalve place: " << printable(error.what()) << "\n";
        return kExitFailed;
    }
    reportLeftOut(leftOut);
    std::size_t valves = placements.size();
    for (const auto& part : leftOut) valves -= valvesOf[part.part];
    std::cerr << "checkvalve place: wrote " << printable(options.ifc) << " (" << valves << " valve(s) of "
              << used.size() - leftOut.size() << " part(s)";
    if (!leftOut.empty())
        std::cerr << "; " << placements.size() - valves << " valve(s) of " << leftOut.size() << " part(s) left out";
    std::cerr << ")\n";
    return allOk && leftOut.empty() ? kExitOk : kExitFailed;
}

} // namespace

exports::IfcOptions ifcOptionsFor(const IfcChoices& choices) {
    exports::IfcOptions options;
    options.geometry = choices.geometry == "mesh" ? exports::IfcGeometry::Mesh : exports::IfcGeometry::Exact;
    options.curves = choices.curves == "composite" ? exports::IfcCurves::Composite : exports::IfcCurves::Indexed;
    options.coverings = choices.coverings == "envelope" ? exports::IfcCoverings::Envelope : exports::IfcCoverings::Cut;
    return options;
}

void addIfcShapeOptions(CLI::App& command, IfcChoices& choices) {
    addChoiceOption(command, "--ifc-geometry", choices.geometry, {"exact", "mesh"},
                    "IFC bodies: exact swept solids where the shape has them (the rest triangles), or mesh (all "
                    "triangles)");
    addChoiceOption(command, "--ifc-curves", choices.curves, {"indexed", "composite"},
                    "IFC profiles and paths of exact bodies: indexed poly curves, or composite curves of polylines "
                    "and trimmed circles (straight tube pieces as extruded circles), for readers that draw no "
                    "indexed poly curve");
    addChoiceOption(command, "--ifc-coverings", choices.coverings, {"cut", "envelope"},
                    "IFC insulation coverings: the insulation less the valve body (the envelope, and why, where "
                    "the cut does not fit the part's budget), or the envelope with the body inside, which is "
                    "quicker to write");
}

void addIfcOptions(CLI::App& command, IfcChoices& choices, std::string& library) {
    addIfcShapeOptions(command, choices);
    addOutputOption(command, "--ifc-library", library,
                    "Write one IFC4 content library: an IfcProjectLibrary with every part's IfcValveType, its "
                    "geometry, ports and property sets (FILE.ifczip: as IFC-ZIP)");
}

bool writeIfcLibrary(const std::string& command, const std::vector<catalog::PartReport>& reports,
                     const std::string& path, const exports::IfcOptions& options) {
    // A part whose evaluation could not even start has no report to describe.
    std::vector<catalog::PartReport> described;
    for (const auto& report : reports)
        if (!report.aspects.empty()) described.push_back(report);
    // A part that cannot be written is left out; the others are written.
    const auto reportLeftOut = [&](const std::vector<exports::LeftOutPart>& parts) {
        for (const auto& part : parts)
            std::cerr << command << ": part " << printable(part.name) << ": " << printable(part.reason)
                      << "; left out of the library\n";
    };
    try {
        const std::vector<exports::LeftOutPart> leftOut =
            exports::ExportDocument(described).writeIfcLibrary(path, options);
        reportLeftOut(leftOut);
        std::cerr << command << ": wrote " << printable(path) << " (" << described.size() - leftOut.size() << " type(s)"
                  << (leftOut.empty() ? "" : "; " + std::to_string(leftOut.size()) + " part(s) left out") << ")\n";
        return leftOut.empty();
    } catch (const exports::NoPartWritten& error) {
        reportLeftOut(error.leftOut);
        std::cerr << command << ": no part could be written; " << printable(path) << " was not written\n";
        return false;
    } catch (const exports::ExportError& error) {
        std::cerr << command << ": " << printable(error.what()) << "\n";
        return false;
    }
}

void addPlaceCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<PlaceOptions>();
    auto* command = app.add_subcommand("place", "Write an IFC4 model of valves placed by the rows of a CSV file");
    command
        ->add_option("PLACEMENTS", options->placements,
                     "CSV file: a header row naming instance, part, x, y, z, dirx, diry, dirz, upx, upy, upz "
                     "and optionally storey and system (any order), then one valve per row (metres, within +-1e6)")
        ->required();
    addOutputOption(*command, "--ifc", options->ifc, "The IFC4 model to write (FILE.ifczip: as IFC-ZIP)")->required();
    command->add_option("--catalog", options->catalog,
                        "Parts catalogue the rows name their parts from (the built-in samples when left out)");
    addIfcShapeOptions(*command, options->ifcChoices);
    command->add_option_function<std::string>(
        "--project",
        [options](const std::string& name) {
            options->project = name;
            options->projectGiven = true;
        },
        "The model's name, written into its IfcProject, in which the valves' GlobalIds are derived with their "
        "instance ids (default: the PLACEMENTS file's name without its extension)");
    addJobsOption(*command, options->jobs, "Parts evaluated in parallel");
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    command->footer(
        "A valve's centre lies at (x, y, z); its run (port 1 towards port 2) looks along (dirx, diry, dirz) and "
        "its top along (upx, upy, upz). Each part is evaluated once and its type written once; every row "
        "becomes an IfcValve mapping it, with GlobalIds derived from the model's name (--project) and its "
        "instance id: the same rows written again give the same file, the same id in another model other "
        "GlobalIds. Positions and direction "
        "components lie within +-1e6 (1000 km in metres). Bad rows stop the command with exit 2 naming the row "
        "and column. A part that cannot be meshed or written is named with its reason and left out with its "
        "valves, and the command exits 1; the file is written whole or not at all, and not at all when no "
        "part can be.\n\n"
        "Example:\n  checkvalve place examples/catalog/placements.csv --catalog examples/catalog/valves.csv "
        "--ifc plant.ifc");
    addExitCodes(*command,
                 {"every part evaluated and the model written",
                  "a part failed: left out with its valves when it could not be meshed, its valves showing the "
                  "outputs it built otherwise; or the model could not be written",
                  "a PLACEMENTS file or catalogue that cannot be read, a bad row, or a part no catalogue holds"});
    command->callback([&exitCode, options] { exitCode = runPlace(*options); });
}

} // namespace tcv::cli
