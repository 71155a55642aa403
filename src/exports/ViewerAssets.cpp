#include "tarncheckvalve/exports/ViewerAssets.h"

#include <filesystem>
#include <iostream>
#include <vector>

#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/StagedFile.h"

namespace tcv::exports {

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

// Makes the folders of `relative` below `out` one by one; a link or anything but a folder at one of them
// is refused (ExportError naming it), so that nothing is written through a link planted in the gallery.
void makeFolders(const fs::path& out, const fs::path& relative) {
    fs::path folder = out;
    for (const auto& part : relative) {
        folder /= part;
        std::error_code error;
        const auto status = fs::symlink_status(folder, error);
        if (status.type() == fs::file_type::not_found) {
            fs::create_directory(folder, error);
            if (error) throw ExportError("cannot make the folder '" + folder.string() + "': " + error.message());
        } else if (status.type() == fs::file_type::symlink) {
            throw ExportError("'" + folder.string() + "' is a symbolic link; the viewer is not written through it");
        } else if (status.type() != fs::file_type::directory) {
            throw ExportError("'" + folder.string() + "' is not a folder");
        }
    }
}

// Copies `from` to `out`/`relative` through a staged file, creating folders; false (with the reason in
// `problem`) when it cannot. A regular file there with the same bytes is left as it is.
bool copyFile(const fs::path& from, const fs::path& out, const fs::path& relative, std::string& problem) {
    const fs::path to = out / relative;
    try {
        makeFolders(out, relative.parent_path());
        const std::string bytes = readFileBytes(from.string());
        std::error_code error;
        if (fs::symlink_status(to, error).type() == fs::file_type::regular &&
            fs::file_size(to, error) == bytes.size() && !error && readFileBytes(to.string()) == bytes)
            return true;
        writeFileStaged(to.string(), "viewer", bytes);
    } catch (const ExportError& failure) {
        problem = failure.what();
        return false;
    }
    return true;
}

void warn(const std::string& text) { std::cerr << "checkvalve: warning: " << text << "\n"; }

} // namespace

void checkViewerDestination(const std::string& outdir) {
    const fs::path out = outdir;
    for (const fs::path& folder : {fs::path("app"), fs::path("app") / "three"}) {
        std::error_code error;
        const auto status = fs::symlink_status(out / folder, error);
        if (status.type() == fs::file_type::symlink)
            throw ExportError("'" + (out / folder).string() +
                              "' is a symbolic link; the gallery never writes through one");
        if (status.type() != fs::file_type::not_found && status.type() != fs::file_type::directory)
            throw ExportError("'" + (out / folder).string() + "' is not a folder");
    }
}

void writeViewer(const std::string& outdir, const std::string& viewerDirectory) {
    const fs::path viewer = viewerDirectory;
    const fs::path out = outdir;
    std::string problem;
    if (!fs::is_regular_file(viewer / "index.html") || !fs::is_directory(viewer / "app")) {
        warn("no viewer pages in " + viewer.string() +
             " (set TCV_VIEWER_DIR to the viewer folder); the gallery holds its data files only");
        return;
    }
    for (const char* page : {"index.html", "part.html", "configure.html"})
        if (!copyFile(viewer / page, out, page, problem)) return warn(problem);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(viewer / "app", error)) {
        if (!entry.is_regular_file()) continue;
        if (!copyFile(entry.path(), out, fs::path("app") / entry.path().filename(), problem)) return warn(problem);
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
        if (!copyFile(three / file, out, fs::path("app") / "three" / file, problem)) return warn(problem);
    }
}

bool hasViewer(const std::string& outdir) {
    return fs::is_regular_file(fs::path(outdir) / "app" / "three" / "build" / "three.module.js");
}

} // namespace tcv::exports
