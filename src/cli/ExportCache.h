// The server's recent exports, kept for a short time: the configurator asks for the same part's GLB again
// when a download follows the view, when the back button returns to an earlier state, and when several
// people open the same sample. Entries are found by the part's content key (exports/ContentKey.h: the part
// as read, the pipe outside-diameter entries it reads, the program and the settings), the key a gallery
// folder keeps its files by: two requests for the same part share an entry however their JSON is written,
// and an edited data file makes new entries rather than serving old ones.
#pragma once

#include <chrono>
#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tcv::cli {

class ExportCache {
public:
    using Clock = std::chrono::steady_clock;

    // At most `entries` files of at most `bytes` together, each kept for `lifetime`.
    ExportCache(std::size_t entries, std::size_t bytes, std::chrono::milliseconds lifetime);

    // The file made for `format` of the part with this content key, when one was made within the lifetime.
    std::optional<std::shared_ptr<const std::string>> find(const std::string& format, const std::string& partKey);
    // Keeps the file made for `format` and `partKey`; a file larger than the whole cache is not kept.
    void store(const std::string& format, const std::string& partKey, std::shared_ptr<const std::string> file);

private:
    struct Entry {
        std::string key;
        std::shared_ptr<const std::string> file;
        Clock::time_point made;
    };
    void dropExpired(Clock::time_point now);

    std::size_t maxEntries_;
    std::size_t maxBytes_;
    std::chrono::milliseconds lifetime_;
    std::mutex mutex_;
    std::list<Entry> entries_; // newest first
    std::size_t bytes_ = 0;
};

} // namespace tcv::cli
