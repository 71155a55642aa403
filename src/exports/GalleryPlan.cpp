#include "tarncheckvalve/exports/GalleryPlan.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tarncheckvalve/exports/ContentKey.h"
#include "tarncheckvalve/exports/Formats.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::exports {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

// The file a staging file is written for: a staged file is "." + the file's name + ".partial-" and twelve
// lower-case letters or digits while it is written. Empty for any other name.
std::string stagedFileOf(const std::string& name) {
    const std::string marker = ".partial-";
    const auto at = name.rfind(marker);
    if (name.size() < 2 || name.front() != '.' || at == std::string::npos || at < 2) return {};
    const std::string suffix = name.substr(at + marker.size());
    if (suffix.size() != 12) return {};
    for (char c : suffix)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) return {};
    return name.substr(1, at - 1);
}

// The extensions of a part's files: its report and each gallery format.
std::vector<std::string> fileExtensions() {
    std::vector<std::string> extensions{".json"};
    for (const auto& format : exportFormats())
        if (format.inGallery) extensions.emplace_back(format.extension);
    return extensions;
}

// A name a part's file can have: a plain name in the folder, not hidden, not the index, with a part file's
// extension. A kept name that is not one is never removed or trusted.
bool isPartFileName(const std::string& name) {
    if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos || name == "index.json" || name == kGalleryKeysFile)
        return false;
    for (const auto& extension : fileExtensions())
        if (name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
            return true;
    return false;
}

// Removes the staging files of the gallery's own files: of part files, the index, the keys and the viewer's
// pages in `folder`, and any in the viewer's folder app/. Other files, links included, stay. Returns how many.
std::size_t removeStagingFiles(const fs::path& folder) {
    std::size_t removed = 0;
    auto clear = [&](const fs::directory_entry& entry, bool viewer) {
        std::error_code ignored;
        const std::string file = stagedFileOf(entry.path().filename().string());
        if (file.empty() || entry.is_symlink(ignored) || !entry.is_regular_file(ignored)) return;
        if (viewer || isPartFileName(file) || file == "index.json" || file == kGalleryKeysFile ||
            file == "index.html" || file == "part.html" || file == "configure.html")
            removed += fs::remove(entry.path(), ignored) ? 1 : 0;
    };
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) clear(entry, false);
    if (fs::is_directory(fs::symlink_status(folder / "app", error)))
        for (const auto& entry : fs::recursive_directory_iterator(folder / "app", error)) clear(entry, true);
    return removed;
}

std::int64_t nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

} // namespace

std::string galleryCountsText(const GalleryCounts& counts) {
    return std::to_string(counts.parts) + " parts: " + std::to_string(counts.changed) + " changed, " +
           std::to_string(counts.removed) + " removed, " + std::to_string(counts.unchanged) + " unchanged";
}

GalleryPlan::GalleryPlan(fs::path folder, std::vector<std::string> stems, std::vector<std::string> keys, bool force,
                         bool wait)
    : folder_(std::move(folder)) {
    lock_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ < 0) throw ExportError("cannot open the folder '" + folder_.string() + "': " + std::strerror(errno));
    // Polled rather than blocking, so that a stop signal ends the wait.
    while (::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        std::string why;
        if (error != EWOULDBLOCK && error != EINTR)
            why = "cannot hold the folder '" + folder_.string() + "': " + std::strerror(error);
        else if (!wait)
            why = "another gallery run is writing into the folder '" + folder_.string() + "'";
        else if (refhost::interruptSignal())
            why = "stopped while waiting for another gallery run in the folder '" + folder_.string() + "'";
        if (!why.empty()) {
            ::close(lock_);
            lock_ = -1;
            throw ExportError(why);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Nobody else writes here now: a staging file is what a run cut short left behind.
    stagingRemoved_ = removeStagingFiles(folder_);

    // The kept parts by stem; entries that do not read as such are left out (their parts render again).
    std::map<std::string, Part> kept;
    try {
        keptText_ = readFileBytes((folder_ / kGalleryKeysFile).string());
        const Json document = Json::parse(keptText_);
        for (const Json& entry : document.at("parts")) {
            try {
                Part part;
                part.stem = entry.at("stem").get<std::string>();
                part.key = entry.at("key").get<std::string>();
                part.item = entry.at("item");
                if (!part.item.is_object()) continue;
                bool valid = true;
                for (const Json& file : entry.at("files")) {
                    FileState state;
                    state.name = file.at("name").get<std::string>();
                    state.digest = file.at("digest").get<std::string>();
                    state.size = file.at("size").get<std::uint64_t>();
                    state.inode = file.at("inode").get<std::uint64_t>();
                    state.modified = file.at("modified").get<std::int64_t>();
                    state.changed = file.at("changed").get<std::int64_t>();
                    valid = valid && isPartFileName(state.name);
                    part.files.push_back(std::move(state));
                }
                if (valid) kept.emplace(part.stem, std::move(part));
            } catch (const nlohmann::json::exception&) {
            }
        }
    } catch (const ExportError&) {
        keptText_.clear(); // no keys: every part renders
    } catch (const nlohmann::json::exception&) {
    }

    counts_.parts = stems.size();
    parts_.resize(stems.size());
    std::map<std::string, bool> current;
    for (const auto& stem : stems) current[stem] = true;
    for (std::size_t i = 0; i < stems.size(); ++i) {
        Part& part = parts_[i];
        part.stem = stems[i];
        part.key = keys[i];
        const auto found = kept.find(part.stem);
        if (!force && found != kept.end() && found->second.key == part.key) {
            part.unchanged = true;
            part.item = found->second.item;
            part.files = found->second.files;
            for (FileState& file : part.files) {
                const std::string path = (folder_ / file.name).string();
                struct stat status {};
                if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
                    part.unchanged = false;
                    break;
                }
                if (static_cast<std::uint64_t>(status.st_size) == file.size && status.st_ino == file.inode &&
                    nanoseconds(status.st_mtim) == file.modified && nanoseconds(status.st_ctim) == file.changed)
                    continue;
                // Touched since (or the folder was copied): trusted only when its bytes are the ones written.
                std::string digest;
                try {
                    digest = static_cast<std::uint64_t>(status.st_size) == file.size
                                 ? contentDigest(readFileBytes(path))
                                 : std::string();
                } catch (const ExportError&) {
                }
                if (digest != file.digest) {
                    part.unchanged = false;
                    break;
                }
                file.size = static_cast<std::uint64_t>(status.st_size);
                file.inode = status.st_ino;
                file.modified = nanoseconds(status.st_mtim);
                file.changed = nanoseconds(status.st_ctim);
            }
        }
        if (part.unchanged) {
            ++counts_.unchanged;
            continue;
        }
        ++counts_.changed;
        part.item = Json();
        std::vector<FileState> earlier = found != kept.end() ? found->second.files : std::vector<FileState>{};
        part.files.clear();
        for (const auto& extension : fileExtensions()) staleFiles_.push_back(part.stem + extension);
        for (const auto& file : earlier) staleFiles_.push_back(file.name);
    }
    for (const auto& [stem, part] : kept) {
        if (current.count(stem)) continue;
        ++counts_.removed;
        for (const auto& file : part.files) staleFiles_.push_back(file.name);
    }
}

GalleryPlan::~GalleryPlan() {
    if (lock_ >= 0) ::close(lock_);
}

std::vector<std::size_t> GalleryPlan::changedParts() const {
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < parts_.size(); ++i)
        if (!parts_[i].unchanged) changed.push_back(i);
    return changed;
}

void GalleryPlan::clearStale() {
    // No key may outlive the files it vouches for: the keys go first, then the files.
    writeKeys();
    for (const auto& name : staleFiles_) {
        const fs::path path = folder_ / name;
        struct stat status {};
        if (::lstat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) ::unlink(path.c_str());
    }
    staleFiles_.clear();
}

void GalleryPlan::record(std::size_t index, Json item, bool whole) {
    Part& part = parts_[index];
    part.recorded = false;
    part.files.clear();
    if (!whole || !item.contains("files") || !item["files"].is_object()) return;
    for (const auto& [format, name] : item["files"].items()) {
        // Only a part file's plain name in the folder is vouched for.
        if (!name.is_string() || !isPartFileName(name.get<std::string>())) return;
        FileState file;
        file.name = name.get<std::string>();
        const std::string path = (folder_ / file.name).string();
        struct stat status {};
        try {
            const std::string bytes = readFileBytes(path);
            if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return;
            file.digest = contentDigest(bytes);
        } catch (const ExportError&) {
            return;
        }
        file.size = static_cast<std::uint64_t>(status.st_size);
        file.inode = status.st_ino;
        file.modified = nanoseconds(status.st_mtim);
        file.changed = nanoseconds(status.st_ctim);
        part.files.push_back(std::move(file));
    }
    part.item = std::move(item);
    part.recorded = true;
}

std::string GalleryPlan::keysText() const {
    Json document;
    document["program"] = programIdentity();
    document["parts"] = Json::array();
    for (const Part& part : parts_) {
        if (!part.unchanged && !part.recorded) continue;
        Json files = Json::array();
        for (const FileState& file : part.files)
            files.push_back({{"name", file.name},
                             {"digest", file.digest},
                             {"size", file.size},
                             {"inode", file.inode},
                             {"modified", file.modified},
                             {"changed", file.changed}});
        document["parts"].push_back({{"stem", part.stem}, {"key", part.key}, {"item", part.item}, {"files", files}});
    }
    return document.dump(1) + "\n";
}

void GalleryPlan::writeKeys() {
    const std::string text = keysText();
    if (text == keptText_) return;
    writeFileStaged((folder_ / kGalleryKeysFile).string(), "JSON", text);
    keptText_ = text;
}

} // namespace tcv::exports
