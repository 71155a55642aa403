// The files of the served folder: GET and HEAD with ETag, Last-Modified and Range, nothing outside it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include <httplib.h>

namespace tcv::cli {

class StaticFiles {
public:
    // Opens the folder (canonical). Raises std::runtime_error when it cannot be opened.
    StaticFiles(std::filesystem::path root, std::size_t maxFileBytes);
    ~StaticFiles();
    StaticFiles(const StaticFiles&) = delete;
    StaticFiles& operator=(const StaticFiles&) = delete;

    // Answers a GET (httplib answers HEAD from it and cuts Range requests from the body).
    void handle(const httplib::Request& request, httplib::Response& response) const;

private:
    std::filesystem::path root_;
    std::string rootPrefix_; // root_ with a trailing slash
    int rootFd_ = -1;
    std::size_t maxFileBytes_;
};

// The Content-Type sent for a file, by its extension (case-insensitive).
std::string contentTypeFor(const std::filesystem::path& file);

} // namespace tcv::cli
