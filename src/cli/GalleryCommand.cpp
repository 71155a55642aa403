// `checkvalve gallery`: renders every built-in sample part (or every part of a catalogue) into a folder:
// per part a GLB, a STEP file, an IFC file and the JSON report, and an index.json that lists them all.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "Parallel.h"
#include "Signals.h"
#include "ViewerDirectory.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/Gallery.h"
#include "tarncheckvalve/exports/StagedFile.h"

namespace tcv::cli {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

struct GalleryOptions {
    std::string folder;
    std::string file;
    unsigned jobs = 1;
    std::string ifcGeometry = "exact";
    std::string ifcLibrary;
    std::uint64_t maxCatalogBytes = catalog::kDefaultMaxCatalogBytes;
    WorkLimitOptions limits;
};

void writeText(const std::string& path, const std::string& text) { exports::writeFileStaged(path, "JSON", text); }

int runGallery(const GalleryOptions& options) {
    std::vector<refhost::CatalogPart> parts;
    const fs::path folder(options.folder);
    try {
        parts = selectParts(options.file, "", options.maxCatalogBytes);
        std::error_code error;
        fs::create_directories(folder, error);
        if (error || !fs::is_directory(folder))
            throw catalog::CatalogError("cannot make the folder '" + options.folder +
                                        "': " + (error ? error.message() : "a file of that name exists"));
        // A folder that cannot be written to is found before anything is evaluated; the probe's
        // temporary file is removed again.
        exports::StagedFile probe((folder / "index.json").string(), "JSON");
        checkViewerDestination(options.folder);
        if (!options.ifcLibrary.empty()) exports::StagedFile(options.ifcLibrary, "IFC");
    } catch (const catalog::CatalogError& error) {
        printCatalogError("gallery", error);
        return kExitBadInput;
    } catch (const exports::ExportError& error) {
        std::cerr << "checkvalve gallery: " << printable(error.what()) << "\n";
        return kExitBadInput;
    }

    std::vector<exports::GalleryEntry> entries(parts.size());
    // The reports are kept only for a library file, which holds every part.
    std::vector<catalog::PartReport> reports(parts.size());
    std::vector<std::string> names;
    for (const auto& part : parts) names.push_back(part.name);
    const std::vector<std::string> stems = exports::galleryFileStems(names);
    for (std::size_t i = 0; i < parts.size(); ++i) entries[i].stem = stems[i];

    // Each thread takes the next part and owns everything made for it; only STEP writing is serialised.
    forEachInParallel("gallery", parts.size(), options.jobs, [&](std::size_t i) {
        try {
            catalog::PartReport report;
            exports::renderGalleryPart(parts[i], refhost::RefRuntime::defaultOptions(), folder, options.limits.limits(),
                                       ifcOptionsFor(options.ifcGeometry), entries[i],
                                       options.ifcLibrary.empty() ? report : reports[i]);
        } catch (const std::exception& error) {
            entries[i].errors.push_back(error.what());
        }
    });

    // Parts that were cut short by a stop signal did not fail: nothing more is written, and what was
    // written whole stays.
    if (const int code = interruptedExit("gallery")) return code;

    bool indexWritten = true;
    try {
        Json items = Json::array();
        for (std::size_t i = 0; i < parts.size(); ++i) items.push_back(exports::galleryIndexItem(parts[i], entries[i]));
        writeText((folder / "index.json").string(),
                  exports::galleryIndexText(exports::galleryIndex(options.file, items)));
    } catch (const exports::ExportError& error) {
        std::cerr << "checkvalve gallery: " << printable(error.what()) << "\n";
        indexWritten = false;
    }
    writeViewer(options.folder);
    const bool libraryWritten =
        options.ifcLibrary.empty() ||
        writeIfcLibrary("checkvalve gallery", reports, options.ifcLibrary, ifcOptionsFor(options.ifcGeometry));

    std::size_t failed = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (entries[i].errors.empty()) continue;
        ++failed;
        std::cout << "FAILED  " << printable(parts[i].name) << " (PartDataBasis " << parts[i].partDataBasis << ")\n";
        for (const auto& error : entries[i].errors) std::cout << "        " << printable(error) << "\n";
    }
    std::cout << parts.size() << " part(s): " << parts.size() - failed << " ok, " << failed << " failed\n";
    if (indexWritten) std::cout << "gallery: " << (folder / "index.json").string() << "\n";
    if (fs::is_regular_file(folder / "app" / "three" / "build" / "three.module.js"))
        std::cout << "viewer: checkvalve serve " << options.folder << "  (then open the printed address)\n";
    return failed == 0 && indexWritten && libraryWritten ? kExitOk : kExitFailed;
}

} // namespace

void addGalleryCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<GalleryOptions>();
    auto* command = app.add_subcommand(
        "gallery", "Render every sample part (or every part of FILE) as GLB, STEP, IFC and JSON report into a folder");
    command->add_option("OUTDIR", options->folder, "Folder to write into (made when missing)")
        ->required()
        ->check(CLI::Validator(
            [](std::string& value) { return value.empty() ? std::string("an empty folder name") : std::string(); },
            "OUTDIR"));
    command->add_option("FILE", options->file, "Parts catalogue (the built-in samples when left out)");
    addJobsOption(*command, options->jobs, "Parts rendered in parallel");
    addIfcOptions(*command, options->ifcGeometry, options->ifcLibrary);
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    addWorkLimitOptions(*command, options->limits);
    command->footer(
        "Per part <name>.glb, <name>.step, <name>.ifc and <name>.json (the report); OUTDIR/index.json lists every "
        "part with its files, output counts and status. A part that fails is reported and the others "
        "go on; the exit code is then 1. The folder also gets the browser viewer (index.html, part.html, "
        "app/): see it with `checkvalve serve OUTDIR`.\n\nExample:\n  checkvalve gallery gallery/ --jobs 2");
    addExitCodes(*command,
                 {"every part rendered and the index written",
                  "a part failed (the others are still written), or the index or the IFC library could not be written",
                  "a catalogue that cannot be read, or an OUTDIR or --ifc-library that cannot be written"});
    command->callback([&exitCode, options] { exitCode = runGallery(*options); });
}

} // namespace tcv::cli
