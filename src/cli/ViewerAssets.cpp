#include "ViewerAssets.h"

#include <filesystem>
#include <iostream>
#include <vector>

#include "export/Export.h"
#include "export/StagedFile.h"
#include "refhost/Runtime.h"

namespace tcv::cli {

namespace fs = std::filesystem;

namespace {

// The three.js files the pages import, relative to the package folder: the core, the orbit controls, the
// glTF loader and the helpers the loader imports. Copied to app/three/ with the same relative paths.
const std::vector<std::string>& threeFiles() {
    static const std::vector<std::string> files{
        "build/three.module.js",
        "build/three.core.js",
        "examples/jsm/controls/OrbitControls.js",
        "examples/jsm/loaders/GLTFLoader.js",
        "examples/jsm/utils/BufferGeometryUtils.js",
        "examples/jsm/utils/SkeletonUtils.js",
        "LICENSE",
    };
    return files;
}

// Copies `from` to `to` through a staged file, creating folders; false (with the reason in `problem`) when
// it cannot.
bool copyFile(const fs::path& from, const fs::path& to, std::string& problem) {
    std::error_code error;
    fs::create_directories(to.parent_path(), error);
    if (error) {
        problem = "cannot copy " + from.string() + " to " + to.string() + ": " + error.message();
        return false;
    }
    try {
        exports::writeFileStaged(to.string(), "viewer", exports::readFileBytes(from.string()));
    } catch (const exports::ExportError& failure) {
        problem = failure.what();
        return false;
    }
    return true;
}

void warn(const std::string& text) { std::cerr << "checkvalve: warning: " << text << "\n"; }

} // namespace

std::string viewerDirectory() { return refhost::shippedDirectory("viewer", "TCV_VIEWER_DIR"); }

void writeViewer(const std::string& outdir) {
    const fs::path viewer = viewerDirectory();
    const fs::path out = outdir;
    std::string problem;
    if (!fs::is_regular_file(viewer / "index.html") || !fs::is_directory(viewer / "app")) {
        warn("no viewer pages in " + viewer.string() +
             " (set TCV_VIEWER_DIR to the viewer folder); the gallery holds its data files only");
        return;
    }
    for (const char* page : {"index.html", "part.html", "configure.html"})
        if (!copyFile(viewer / page, out / page, problem)) return warn(problem);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(viewer / "app", error)) {
        if (!entry.is_regular_file()) continue;
        if (!copyFile(entry.path(), out / "app" / entry.path().filename(), problem)) return warn(problem);
    }
    if (error) return warn("cannot list " + (viewer / "app").string() + ": " + error.message());

    const fs::path three = viewer / "node_modules" / "three";
    for (const auto& file : threeFiles()) {
        if (!fs::is_regular_file(three / file)) {
            warn("the viewer's three.js files are missing (" + (three / file).string() +
                 "): the gallery's pages cannot show models. Install them with `npm ci --prefix " + viewer.string() +
                 "` and run the gallery again");
            return;
        }
        if (!copyFile(three / file, out / "app" / "three" / file, problem)) return warn(problem);
    }
}

} // namespace tcv::cli
