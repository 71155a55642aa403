// Re-rendering a gallery folder incrementally. The folder keeps, beside index.json, the content key of
// every part rendered whole and a digest of each file written for it (index.keys.json). A later run
// over the same folder renders only the parts whose key changed or whose files are no longer the ones
// written (missing, or edited since), removes the files of parts no longer in the catalogue, and leaves
// every other file untouched. The keys are written only after the files they vouch for, and each file is
// written whole or not at all, so a run cut short at any point leaves a folder the next run completes.
// One run at a time writes into a folder: a second one waits for the first (or is refused).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::exports {

// The file in a gallery folder that holds its parts' keys; no part's files take this name (galleryFileStems
// never gives the stem "index.keys").
inline constexpr const char* kGalleryKeysFile = "index.keys.json";

struct GalleryCounts {
    std::size_t parts = 0;     // in the catalogue
    std::size_t changed = 0;   // to render: new, changed, untrusted or earlier failed
    std::size_t removed = 0;   // kept in the folder but no longer in the catalogue
    std::size_t unchanged = 0; // whose files stay as they are
};

// "424 parts: 1 changed, 1 removed, 422 unchanged".
TCV_EXPORT std::string galleryCountsText(const GalleryCounts& counts);

class TCV_EXPORT GalleryPlan {
public:
    // Holds `folder` for this run, removes the staging files of gallery files a cut-short run left in it
    // (nothing else: a user's file of that pattern stays), reads its keys (none
    // when the file is missing or unreadable) and compares them with the parts', `keys[i]` being the
    // content key of the part whose files are named `stems[i]`. A part is unchanged when its key is the one
    // kept and each of its files is there with the bytes it was written with; `force` renders every part.
    // While another run holds the folder this one waits for it (`wait`, until a stop signal) or is refused.
    // ExportError when the folder cannot be held or read.
    GalleryPlan(std::filesystem::path folder, std::vector<std::string> stems, std::vector<std::string> keys, bool force,
                bool wait = true);
    ~GalleryPlan();
    GalleryPlan(const GalleryPlan&) = delete;
    GalleryPlan& operator=(const GalleryPlan&) = delete;

    bool unchanged(std::size_t part) const { return parts_[part].unchanged; }
    // The index.json item kept for an unchanged part.
    const nlohmann::ordered_json& keptItem(std::size_t part) const { return parts_[part].item; }
    // Indices of the parts to render, in catalogue order.
    std::vector<std::size_t> changedParts() const;
    GalleryCounts counts() const { return counts_; }
    // Staging files of a run cut short that were removed.
    std::size_t stagingFilesRemoved() const { return stagingRemoved_; }

    // Before rendering: keeps only the unchanged parts' keys, then removes the files of removed parts and
    // the earlier files of the parts to render (a part that now fails to write a file leaves none of an
    // earlier run). ExportError when the keys cannot be written.
    void clearStale();
    // After a part was rendered into the folder: its index.json item (whose "files" name its files) and
    // whether it rendered whole. A whole part's files are read back and their digests kept; a failed part
    // keeps no key and is rendered again by the next run. Parts may be recorded from several threads.
    void record(std::size_t part, nlohmann::ordered_json item, bool whole);
    // Writes the keys of the unchanged and recorded parts (nothing when they are what the folder holds).
    // ExportError when they cannot be written.
    void writeKeys();

private:
    struct FileState {
        std::string name;
        std::string digest;
        std::uint64_t size = 0, inode = 0;
        std::int64_t modified = 0, changed = 0; // nanoseconds
    };
    struct Part {
        std::string stem;
        std::string key;
        bool unchanged = false;
        bool recorded = false;
        nlohmann::ordered_json item;
        std::vector<FileState> files;
    };
    std::string keysText() const;

    std::filesystem::path folder_;
    int lock_ = -1;
    std::vector<Part> parts_;
    std::vector<std::string> staleFiles_; // of removed parts and of parts to render
    std::string keptText_;                // the keys file as read
    GalleryCounts counts_;
    std::size_t stagingRemoved_ = 0;
};

} // namespace tcv::exports
