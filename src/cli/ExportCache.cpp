#include "ExportCache.h"

namespace tcv::cli {

namespace {

std::string keyOf(const std::string& format, const std::string& partKey) { return format + '\n' + partKey; }

} // namespace

ExportCache::ExportCache(std::size_t entries, std::size_t bytes, std::chrono::milliseconds lifetime)
    : maxEntries_(entries), maxBytes_(bytes), lifetime_(lifetime) {}

void ExportCache::dropExpired(Clock::time_point now) {
    // Oldest last: drop from the back while too old, too many or too large.
    while (!entries_.empty() &&
           (now - entries_.back().made > lifetime_ || entries_.size() > maxEntries_ || bytes_ > maxBytes_)) {
        bytes_ -= entries_.back().key.size() + entries_.back().file->size();
        entries_.pop_back();
    }
}

std::optional<std::shared_ptr<const std::string>> ExportCache::find(const std::string& format,
                                                                    const std::string& partKey) {
    const std::string key = keyOf(format, partKey);
    std::lock_guard<std::mutex> lock(mutex_);
    dropExpired(Clock::now());
    for (const auto& entry : entries_)
        if (entry.key == key) return entry.file;
    return std::nullopt;
}

void ExportCache::store(const std::string& format, const std::string& partKey,
                        std::shared_ptr<const std::string> file) {
    std::string key = keyOf(format, partKey);
    const std::size_t size = key.size() + file->size();
    if (maxEntries_ == 0 || size > maxBytes_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->key == key) {
            bytes_ -= it->key.size() + it->file->size();
            entries_.erase(it);
            break;
        }
    entries_.push_front({std::move(key), std::move(file), Clock::now()});
    bytes_ += size;
    dropExpired(Clock::now());
}

} // namespace tcv::cli
