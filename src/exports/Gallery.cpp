#include "tarncheckvalve/exports/Gallery.h"

#include <cctype>
#include <map>
#include <memory>

#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/exports/Formats.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::exports {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

std::vector<std::string> galleryFileStems(const std::vector<std::string>& partNames) {
    std::vector<std::string> stems;
    // index.json and index.keys.json are the gallery's own files.
    std::map<std::string, int> used{{"index", 1}, {"index.keys", 1}};
    for (const auto& name : partNames) {
        std::string stem;
        for (char c : name)
            stem += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' ? c : '-';
        if (stem.empty() || stem.front() == '.') stem = "part" + stem;
        std::string unique = stem;
        for (int n = 2; used.count(unique); ++n) unique = stem + "-" + std::to_string(n);
        ++used[unique];
        stems.push_back(unique);
    }
    return stems;
}

void renderGalleryPart(const refhost::CatalogPart& part, const refhost::HostOptions& hostOptions,
                       const fs::path& folder, const refhost::WorkLimits& limits, const IfcOptions& ifcOptions,
                       GalleryEntry& entry, catalog::PartReport& report) {
    // The part's budget holds for its evaluation and every file of it.
    refhost::HostOptions options = hostOptions;
    options.budget = std::make_shared<refhost::WorkBudget>(limits);
    report = catalog::evaluatePart(part, contract::allAspectNames(), options);
    if (refhost::interruptSignal()) return; // cut short: not a failure of the part, and nothing to show
    for (const auto& aspect : report.aspects) {
        entry.outputCounts.emplace_back(aspect.aspect, aspect.outputs->outputs().size());
        if (!aspect.ok) entry.errors.push_back(catalog::failureText(aspect));
    }
    auto attempt = [&](auto&& work) {
        try {
            work();
        } catch (const std::exception& error) {
            entry.errors.push_back(error.what());
        }
    };
    attempt([&] {
        writeFileStaged((folder / (entry.stem + ".json")).string(), "JSON", catalog::reportJson(report).dump(2) + "\n");
    });
    std::unique_ptr<ExportDocument> document;
    MeshSettings settings;
    settings.budget = options.budget;
    attempt([&] { document = std::make_unique<ExportDocument>(report, settings); });
    if (!document) return;
    for (const ExportFormat& format : exportFormats())
        if (format.inGallery)
            attempt([&] { format.write(*document, (folder / (entry.stem + format.extension)).string(), ifcOptions); });
}

Json galleryIndexItem(const refhost::CatalogPart& part, const GalleryEntry& entry) {
    Json item;
    item["name"] = part.name;
    item["description"] = part.description;
    item["partDataBasis"] = part.partDataBasis;
    item["files"] = Json::object();
    for (const ExportFormat& format : exportFormats())
        if (format.inGallery) item["files"][format.name] = entry.stem + format.extension;
    item["files"]["report"] = entry.stem + ".json";
    item["outputs"] = Json::object();
    for (const auto& [aspect, count] : entry.outputCounts) item["outputs"][aspect] = count;
    item["status"] = entry.errors.empty() ? "ok" : "failed";
    if (!entry.errors.empty()) {
        std::string error;
        for (const auto& text : entry.errors) error += (error.empty() ? "" : "; ") + text;
        item["error"] = error;
    }
    return item;
}

Json galleryIndex(const std::string& source, Json items) {
    Json index;
    index["source"] = source.empty() ? "built-in samples" : source;
    index["lengthUnit"] = "m";
    index["parts"] = items.is_array() ? std::move(items) : Json::array();
    return index;
}

std::string galleryIndexText(const Json& index) { return index.dump(2) + "\n"; }

void writeGalleryIndexText(const fs::path& folder, const std::string& text) {
    const fs::path path = folder / "index.json";
    std::error_code error;
    if (fs::symlink_status(path, error).type() == fs::file_type::regular && fs::file_size(path, error) == text.size() &&
        !error) {
        try {
            if (readFileBytes(path.string()) == text) return;
        } catch (const ExportError&) {
        }
    }
    writeFileStaged(path.string(), "JSON", text);
}

} // namespace tcv::exports
