// The one folder that holds every temporary file of a running server: the viewer's folder when no gallery
// is served, the exporters' scratch folders, and those of the processes that write STEP for it. TMPDIR
// points there for the server and its children, so nothing of theirs lands beside it; the folder goes
// when the server stops, however it stops. While the server runs it holds a lock on the folder, so that
// a server starting later can tell the folders of servers that were killed and remove them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tcv::cli {

class ServeScratch {
public:
    // Removes the unlocked folders earlier servers left in the system's temporary folder, makes this
    // server's folder and points TMPDIR at it. Call before any other thread starts (TMPDIR is set for
    // the whole process). Raises std::runtime_error when no folder can be made.
    ServeScratch();
    ~ServeScratch();
    ServeScratch(const ServeScratch&) = delete;
    ServeScratch& operator=(const ServeScratch&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // How many earlier servers' folders the constructor removed.
    std::size_t staleRemoved() const { return staleRemoved_; }
    // Removes the folder now (also from a path that ends the process without unwinding, while other
    // threads may still run: TMPDIR is left as it is until the destructor).
    void remove();

private:
    std::filesystem::path path_;
    int lock_ = -1;
    std::optional<std::string> previousTmpdir_;
    bool tmpdirSet_ = false;
    std::size_t staleRemoved_ = 0;
};

} // namespace tcv::cli
