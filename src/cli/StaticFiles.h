// The files of the served folder: GET and HEAD with ETag, Last-Modified and Range, nothing outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "HttpMessage.h"

namespace tcv::cli {

class StaticFiles {
public:
    // Opens the folder (canonical). Raises std::runtime_error when it cannot be opened.
    StaticFiles(std::filesystem::path root, std::size_t maxFileBytes);
    ~StaticFiles();
    StaticFiles(const StaticFiles&) = delete;
    StaticFiles& operator=(const StaticFiles&) = delete;

    // Answers a GET or HEAD (the server leaves a HEAD's body out): the whole file (streamed from its
    // descriptor), 304, or the asked byte ranges (206, or 416 when none lies inside the file).
    void handle(const HttpRequest& request, HttpResponse& response) const;

private:
    std::filesystem::path root_;
    std::string rootPrefix_; // root_ with a trailing slash
    int rootFd_ = -1;
    std::size_t maxFileBytes_;
};

// The Content-Type sent for a file, by its extension (case-insensitive).
std::string contentTypeFor(const std::filesystem::path& file);

// At most this many ranges are served from one request; a Range header asking for more gets the whole file.
inline constexpr std::size_t kMaxRanges = 16;

// A Range header read against a file of `size` bytes: the ranges to send (first and last byte, sorted,
// overlapping and adjacent ones merged), none when the header is to be ignored (malformed, another unit,
// or more than kMaxRanges ranges: the whole file is sent), or `unsatisfiable` when no range lies inside.
struct ByteRanges {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    bool unsatisfiable = false;
};
ByteRanges parseRanges(const std::string& header, std::uint64_t size);

} // namespace tcv::cli
