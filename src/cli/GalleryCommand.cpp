// `checkvalve gallery`: renders every built-in sample part (or every part of a catalogue) into a folder:
// per part a GLB, a STEP file, an IFC file and the JSON report, and an index.json that lists them all.
// Into a folder that holds an earlier gallery only the parts whose files would change are rendered
// (exports/GalleryPlan.h).
#include <algorithm>
#include <atomic>
#include <chrono>
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
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/exports/ContentKey.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/Gallery.h"
#include "tarncheckvalve/exports/GalleryPlan.h"
#include "tarncheckvalve/exports/StagedFile.h"

namespace tcv::cli {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

struct GalleryOptions {
    std::string folder;
    std::string file;
    unsigned jobs = 1;
    IfcChoices ifcChoices;
    std::string ifcLibrary;
    std::uint64_t maxCatalogBytes = catalog::kDefaultMaxCatalogBytes;
    WorkLimitOptions limits;
    bool force = false;
    bool json = false;
};

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

    const refhost::HostOptions hostOptions = refhost::RefRuntime::defaultOptions();
    const exports::IfcOptions ifcOptions = ifcOptionsFor(options.ifcChoices);
    std::unique_ptr<exports::GalleryPlan> plan;
    // Time spent on keys (computing, comparing, reading back the files written, writing them), summed
    // over the threads, for the summary: what the incremental gallery costs a cold run.
    using Clock = std::chrono::steady_clock;
    std::atomic<std::int64_t> keyingNanoseconds{0};
    const auto timeKeying = [&](auto&& work) {
        const auto start = Clock::now();
        work();
        keyingNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
    };
    const auto planned = Clock::now();
    try {
        const std::string settings = exports::exportSettingsText(ifcOptions, options.limits.limits());
        std::vector<std::string> keys;
        for (std::size_t i = 0; i < parts.size(); ++i)
            keys.push_back(exports::partContentKey(parts[i], stems[i], hostOptions.dataDirectory, settings));
        plan = std::make_unique<exports::GalleryPlan>(folder, stems, std::move(keys), options.force);
        plan->clearStale();
        keyingNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - planned).count();
    } catch (const exports::ExportError& error) {
        if (refhost::interruptSignal()) return interruptedExit("gallery");
        std::cerr << "checkvalve gallery: " << printable(error.what()) << "\n";
        return kExitBadInput;
    }
    if (const std::size_t left = plan->stagingFilesRemoved())
        std::cerr << "checkvalve gallery: removed " << left << " unfinished file(s) of a run cut short\n";
    const exports::GalleryCounts counts = plan->counts();
    std::cerr << "checkvalve gallery: " << exports::galleryCountsText(counts) << "\n";

    // An IFC library holds every part: the unchanged ones are evaluated for it, their files left alone.
    if (!options.ifcLibrary.empty())
        forEachInParallel("library", parts.size(), options.jobs, [&](std::size_t i) {
            if (!plan->unchanged(i)) return;
            refhost::HostOptions partOptions = hostOptions;
            partOptions.budget = std::make_shared<refhost::WorkBudget>(options.limits.limits());
            reports[i] = catalog::evaluatePart(parts[i], contract::allAspectNames(), partOptions);
        });

    // Each thread takes the next part and owns everything made for it; only STEP writing is serialised.
    const std::vector<std::size_t> changed = plan->changedParts();
    forEachInParallel("gallery", changed.size(), options.jobs, [&](std::size_t n) {
        const std::size_t i = changed[n];
        try {
            catalog::PartReport report;
            exports::renderGalleryPart(parts[i], hostOptions, folder, options.limits.limits(), ifcOptions, entries[i],
                                       options.ifcLibrary.empty() ? report : reports[i]);
        } catch (const std::exception& error) {
            entries[i].errors.push_back(error.what());
        }
        // A part cut short by a stop signal did not render whole: it keeps no key.
        timeKeying([&] {
            plan->record(i, exports::galleryIndexItem(parts[i], entries[i]),
                         entries[i].errors.empty() && !refhost::interruptSignal());
        });
    });

    // Parts that were cut short by a stop signal did not fail: nothing more is written, and what was
    // written whole stays, with the keys of the parts finished, so that the next run goes on from there.
    if (refhost::interruptSignal()) {
        try {
            plan->writeKeys();
        } catch (const exports::ExportError&) {
        }
        return interruptedExit("gallery");
    }

    bool indexWritten = true;
    try {
        Json items = Json::array();
        for (std::size_t i = 0; i < parts.size(); ++i)
            items.push_back(plan->unchanged(i) ? plan->keptItem(i) : exports::galleryIndexItem(parts[i], entries[i]));
        exports::writeGalleryIndexText(folder, exports::galleryIndexText(exports::galleryIndex(options.file, items)));
        timeKeying([&] { plan->writeKeys(); });
    } catch (const exports::ExportError& error) {
        std::cerr << "checkvalve gallery: " << printable(error.what()) << "\n";
        indexWritten = false;
    }
    writeViewer(options.folder);
    const bool libraryWritten =
        options.ifcLibrary.empty() || writeIfcLibrary("checkvalve gallery", reports, options.ifcLibrary, ifcOptions);

    std::size_t failed = 0;
    Json failures = Json::array();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (entries[i].errors.empty()) continue;
        ++failed;
        failures.push_back(
            {{"name", parts[i].name}, {"partDataBasis", parts[i].partDataBasis}, {"errors", entries[i].errors}});
        if (options.json) continue;
        std::cout << "FAILED  " << printable(parts[i].name) << " (PartDataBasis " << parts[i].partDataBasis << ")\n";
        for (const auto& error : entries[i].errors) std::cout << "        " << printable(error) << "\n";
    }
    if (options.json) {
        Json summary;
        summary["parts"] = counts.parts;
        summary["changed"] = counts.changed;
        summary["removed"] = counts.removed;
        summary["unchanged"] = counts.unchanged;
        summary["ok"] = parts.size() - failed;
        summary["failed"] = failed;
        summary["failures"] = failures;
        summary["keyingSeconds"] = static_cast<double>(keyingNanoseconds.load()) / 1e9;
        summary["index"] = indexWritten ? Json((folder / "index.json").string()) : Json(nullptr);
        std::cout << summary.dump(2) << "\n";
    } else {
        std::cout << exports::galleryCountsText(counts) << "\n";
        std::cout << parts.size() << " part(s): " << parts.size() - failed << " ok, " << failed << " failed\n";
        if (indexWritten) std::cout << "gallery: " << (folder / "index.json").string() << "\n";
        if (fs::is_regular_file(folder / "app" / "three" / "build" / "three.module.js"))
            std::cout << "viewer: checkvalve serve " << options.folder << "  (then open the printed address)\n";
    }
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
    addIfcOptions(*command, options->ifcChoices, options->ifcLibrary);
    addCatalogSizeOption(*command, options->maxCatalogBytes);
    addWorkLimitOptions(*command, options->limits);
    command->add_flag("--force", options->force,
                      "Render every part again, also those whose files in OUTDIR are already up to date");
    command->add_flag(
        "--json", options->json,
        "Print the summary as JSON: parts, changed, removed, unchanged, ok, failed, failures, keyingSeconds, index");
    command->footer(
        "Per part <name>.glb, <name>.step, <name>.ifc and <name>.json (the report); OUTDIR/index.json lists every "
        "part with its files, output counts and status. A part that fails is reported and the others "
        "go on; the exit code is then 1. Into a folder that holds an earlier gallery only the parts whose files "
        "would change are rendered, and the files of parts no longer in FILE are removed (--force renders all). "
        "The folder also gets the browser viewer (index.html, part.html, "
        "app/): see it with `checkvalve serve OUTDIR`.\n\nExample:\n  checkvalve gallery gallery/ --jobs 2");
    addExitCodes(*command,
                 {"every part rendered and the index written",
                  "a part failed (the others are still written), or the index or the IFC library could not be written",
                  "a catalogue that cannot be read, or an OUTDIR or --ifc-library that cannot be written"});
    command->callback([&exitCode, options] { exitCode = runGallery(*options); });
}

} // namespace tcv::cli
