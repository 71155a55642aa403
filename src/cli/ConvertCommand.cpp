// `checkvalve convert IN OUT`: a catalogue from JSON to CSV or back, each by its file name (".csv" is CSV,
// anything else JSON). Values pass as they are, texts with units included, and numbers in a form that reads
// back to the same bits, so that the converted catalogue gives the same parts and the same reports.
#include <iostream>
#include <memory>

#include "Commands.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/CatalogCsv.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/refhost/Evaluator.h"

namespace tcv::cli {

namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

struct ConvertOptions {
    std::string in;
    std::string out;
    std::uint64_t maxCatalogBytes = catalog::kDefaultMaxCatalogBytes;
};

// Copies `keys` of `from` that it has, in that order, then any others it has.
OrderedJson inOrder(const Json& from, const std::vector<std::string>& keys) {
    OrderedJson out = OrderedJson::object();
    for (const auto& key : keys)
        if (from.contains(key)) out[key] = from[key];
    for (const auto& [key, value] : from.items())
        if (!out.contains(key)) out[key] = value;
    return out;
}

// A part as a person reads it: name first, inputs in the definition's order, each port's index first.
OrderedJson readablePart(const Json& part) {
    OrderedJson out = inOrder(part, {"name", "description", "source", "partDataBasis", "inputs", "ports", "operator",
                                     "operatorSourceCode", "operatorText"});
    if (part.contains("inputs")) out["inputs"] = inOrder(part["inputs"], refhost::inputNames());
    if (part.contains("ports")) {
        out["ports"] = OrderedJson::array();
        for (const auto& port : part["ports"])
            out["ports"].push_back(
                inOrder(port, {"index", "terminationClass", "endType", "attribute", "pipeOD", "flangeOD",
                               "flangeThickness", "cptOffset", "depth", "length", "npd", "npdUnit"}));
    }
    if (part.contains("operator")) out["operator"] = inOrder(part["operator"], {"name", "inputs"});
    return out;
}

std::string catalogJsonText(const Json& document) {
    OrderedJson out = OrderedJson::object();
    if (document.is_object() && document.contains("parts")) {
        if (document.contains("description")) out["description"] = document["description"];
        out["parts"] = OrderedJson::array();
        for (const auto& part : document["parts"]) out["parts"].push_back(readablePart(part));
    } else {
        out["parts"] = OrderedJson::array({readablePart(document)});
    }
    return out.dump(2) + "\n";
}

int runConvert(const ConvertOptions& options) {
    const bool toCsv = catalog::isCsvCatalogPath(options.out);
    std::string text;
    std::size_t count = 0;
    try {
        const Json document = catalog::loadCatalogDocument(options.in, options.maxCatalogBytes);
        const bool many = document.is_object() && document.contains("parts");
        count = many ? document["parts"].size() : 1;
        text = toCsv ? catalog::catalogCsvText(document, options.in) : catalogJsonText(document);
        if (toCsv && many && document.contains("description"))
            std::cerr << "checkvalve convert: note: the catalogue's own description has no place in CSV and is "
                         "left out\n";
    } catch (const catalog::CatalogError& error) {
        printCatalogError("convert", error);
        return kExitBadInput;
    }
    const std::string format = toCsv ? "CSV" : "JSON";
    try {
        exports::StagedFile file(options.out, format);
        try {
            file.write(text);
            file.commit();
        } catch (const exports::ExportError& error) {
            std::cerr << "checkvalve convert: " << printable(error.what()) << "\n";
            return kExitFailed;
        }
    } catch (const exports::ExportError& error) {
        std::cerr << "checkvalve convert: " << printable(error.what()) << "\n";
        return kExitBadInput;
    }
    std::cerr << "checkvalve convert: wrote " << count << " part(s) to " << printable(options.out) << " as " << format
              << "\n";
    return kExitOk;
}

} // namespace

void addConvertCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ConvertOptions>();
    auto* command = app.add_subcommand("convert", "Convert a catalogue between JSON and CSV (spreadsheet) form");
    command->add_option("IN", options->in, "Catalogue to read (.csv is CSV, anything else JSON)")->required();
    addOutputOption(*command, "OUT", options->out, "Catalogue to write (.csv is CSV, anything else JSON)")->required();
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    command->footer("OUT is written whole or not at all. Converting back gives the same parts.\n\nExamples:\n"
                    "  checkvalve convert data/catalog/default-bodies.json parts.csv\n"
                    "  checkvalve convert examples/catalog/valves.csv valves.json");
    addExitCodes(*command, {"OUT written", "OUT could not be written (a file already there is left as it was)",
                            "IN cannot be read or is no catalogue, or OUT's folder cannot be written"});
    command->callback([&exitCode, options] { exitCode = runConvert(*options); });
}

} // namespace tcv::cli
