// Serving a folder without a window between checking a path and opening it: the file is opened first
// (relative to the folder's own descriptor) and then the real path of what was opened is checked to lie
// inside the folder, so a folder swapped for a symbolic link at any moment cannot lead outside.
#include "StaticFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <system_error>

namespace tcv::cli {

namespace fs = std::filesystem;

namespace {

void plain(HttpResponse& response, int status, const std::string& text) {
    response.status = status;
    response.setContent(text + "\n", "text/plain; charset=utf-8");
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

// A whole decimal number of the text (digits only, no overflow).
bool parseNumber(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.size() > 19) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

// The real path of an open descriptor, as the kernel knows it now.
std::string realPathOf(int fd) {
    std::array<char, 4096> buffer{};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size() - 1);
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size() - 1) return {};
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string httpDate(std::time_t time) {
    std::tm parts{};
    gmtime_r(&time, &parts);
    std::array<char, 64> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return std::string(text.data(), length);
}

std::time_t parseHttpDate(const std::string& text) {
    std::tm parts{};
    const char* end = ::strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &parts);
    if (!end || *end != '\0') return -1;
    return ::timegm(&parts);
}

// The path of a request as a path relative to the folder, or the status that refuses it.
int relativePath(const std::string& decoded, std::string& relative) {
    if (decoded.empty() || decoded.front() != '/') return 400;
    if (decoded.find('\0') != std::string::npos || decoded.find('\\') != std::string::npos) return 400;
    relative.clear();
    std::size_t start = 0;
    while (start <= decoded.size()) {
        std::size_t end = decoded.find('/', start);
        if (end == std::string::npos) end = decoded.size();
        const std::string segment = decoded.substr(start, end - start);
        start = end + 1;
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") return 403;
        if (!relative.empty()) relative.push_back('/');
        relative.append(segment);
    }
    return 200;
}

} // namespace

ByteRanges parseRanges(const std::string& header, std::uint64_t size) {
    ByteRanges result;
    const auto equals = header.find('=');
    if (equals == std::string::npos || lowerCase(trimmed(std::string_view(header).substr(0, equals))) != "bytes")
        return result;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    std::size_t asked = 0;
    std::string_view rest = std::string_view(header).substr(equals + 1);
    while (true) {
        const auto comma = rest.find(',');
        const std::string range = trimmed(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (!range.empty()) {
            if (++asked > kMaxRanges) return {};
            const auto dash = range.find('-');
            if (dash == std::string::npos) return {};
            const std::string first = trimmed(std::string_view(range).substr(0, dash));
            const std::string last = trimmed(std::string_view(range).substr(dash + 1));
            std::uint64_t a = 0;
            std::uint64_t b = 0;
            if (first.empty()) { // the last b bytes
                if (!parseNumber(last, b)) return {};
                if (b > 0 && size > 0) ranges.emplace_back(size - std::min(b, size), size - 1);
            } else {
                if (!parseNumber(first, a)) return {};
                if (!last.empty() && (!parseNumber(last, b) || b < a)) return {};
                if (a < size) ranges.emplace_back(a, last.empty() ? size - 1 : std::min(b, size - 1));
            }
        }
        if (comma == std::string_view::npos) break;
    }
    if (asked == 0) return {};
    if (ranges.empty()) {
        result.unsatisfiable = true;
        return result;
    }
    std::sort(ranges.begin(), ranges.end());
    for (const auto& range : ranges) {
        if (!result.ranges.empty() && range.first <= result.ranges.back().second + 1)
            result.ranges.back().second = std::max(result.ranges.back().second, range.second);
        else
            result.ranges.push_back(range);
    }
    return result;
}

std::string contentTypeFor(const fs::path& file) {
    static const std::array<std::pair<const char*, const char*>, 17> types{{
        {".html", "text/html; charset=utf-8"},
        {".htm", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".mjs", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json"},
        {".glb", "model/gltf-binary"},
        {".gltf", "model/gltf+json"},
        {".step", "model/step"},
        {".stp", "model/step"},
        {".stl", "model/stl"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".svg", "image/svg+xml"},
        {".txt", "text/plain; charset=utf-8"},
        {".ico", "image/x-icon"},
    }};
    const std::string extension = lowerCase(file.extension().string());
    for (const auto& [ext, type] : types)
        if (extension == ext) return type;
    return "application/octet-stream";
}

StaticFiles::StaticFiles(fs::path root, std::size_t maxFileBytes)
    : root_(std::move(root)), rootPrefix_(root_.string()), maxFileBytes_(maxFileBytes) {
    rootPrefix_.push_back('/');
    rootFd_ = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd_ < 0) throw std::system_error(errno, std::generic_category(), "cannot open " + root_.string());
    if (root_ == "/") rootPrefix_.pop_back(); // "/" rather than "//"
}

StaticFiles::~StaticFiles() {
    if (rootFd_ >= 0) ::close(rootFd_);
}

void StaticFiles::handle(const HttpRequest& request, HttpResponse& response) const {
    std::string relative;
    const int status = relativePath(request.path, relative);
    if (status == 400) return plain(response, 400, "bad path");
    if (status == 403) return plain(response, 403, "outside the served folder");

    // O_NONBLOCK: opening a named pipe must not wait for a writer; it is refused below as no regular file.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    FileHandle file(::openat(rootFd_, relative.empty() ? "." : relative.c_str(), flags));
    if (file.get() < 0) return plain(response, errno == EACCES ? 403 : 404, "not found");
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return plain(response, 404, "not found");
    if (S_ISDIR(info.st_mode)) {
        if (request.path.back() != '/') {
            // Relative links of the folder's index page need the trailing slash.
            std::string location = request.path + "/";
            const auto query = request.target.find('?');
            if (query != std::string::npos) location += request.target.substr(query);
            response.status = 301;
            response.setHeader("Location", location);
            return;
        }
        FileHandle index(::openat(file.get(), "index.html", flags));
        if (index.get() < 0 || ::fstat(index.get(), &info) != 0) return plain(response, 404, "not found");
        file = std::move(index);
        relative.append(relative.empty() ? "" : "/").append("index.html");
    }
    // What was opened, wherever the path led, must lie inside the folder.
    const std::string real = realPathOf(file.get());
    if (real.compare(0, rootPrefix_.size(), rootPrefix_) != 0) return plain(response, 403, "outside the served folder");
    if (!S_ISREG(info.st_mode)) return plain(response, 404, "not found");
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size > maxFileBytes_) return plain(response, 403, "file too large to serve");

    char tag[96];
    std::snprintf(tag, sizeof tag, "\"%llx-%llx-%llx\"", static_cast<unsigned long long>(info.st_ino),
                  static_cast<unsigned long long>(size),
                  static_cast<unsigned long long>(info.st_mtim.tv_sec) * 1000000000ULL +
                      static_cast<unsigned long long>(info.st_mtim.tv_nsec));
    const std::string etag = tag;
    const std::string lastModified = httpDate(info.st_mtim.tv_sec);
    response.setHeader("ETag", etag);
    response.setHeader("Last-Modified", lastModified);
    response.setHeader("Accept-Ranges", "bytes");
    response.setHeader("Cache-Control", "no-cache");
    const std::string ifNoneMatch = request.header("If-None-Match");
    const std::string ifModifiedSince = request.header("If-Modified-Since");
    if (!ifNoneMatch.empty() ? ifNoneMatch.find(etag) != std::string::npos || ifNoneMatch == "*"
                             : !ifModifiedSince.empty() && parseHttpDate(ifModifiedSince) >= info.st_mtim.tv_sec) {
        response.status = 304;
        return;
    }
    const std::string type = contentTypeFor(relative);

    // Ranges, unless If-Range names another version of the file than this one.
    const std::string ifRange = request.header("If-Range");
    const std::string rangeHeader = request.header("Range");
    if (!rangeHeader.empty() && (ifRange.empty() || ifRange == etag || ifRange == lastModified)) {
        const ByteRanges asked = parseRanges(rangeHeader, size);
        const std::string total = std::to_string(size);
        if (asked.unsatisfiable) {
            response.setHeader("Content-Range", "bytes */" + total);
            return plain(response, 416, "no asked range lies inside the file");
        }
        if (asked.ranges.size() == 1) {
            const auto [first, last] = asked.ranges.front();
            response.status = 206;
            response.setHeader("Content-Range",
                               "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + total);
            response.contentType = type;
            response.spans.push_back({"", first, last - first + 1});
            response.file = FileHandle(file.release());
            return;
        }
        if (!asked.ranges.empty()) {
            // Several ranges: one multipart/byteranges body; merged ranges never add up to more than the file.
            const std::string boundary = "checkvalve-" + etag.substr(1, etag.size() - 2);
            for (const auto& [first, last] : asked.ranges)
                response.spans.push_back({(response.spans.empty() ? "--" : "\r\n--") + boundary + "\r\nContent-Type: " +
                                              type + "\r\nContent-Range: bytes " + std::to_string(first) + "-" +
                                              std::to_string(last) + "/" + total + "\r\n\r\n",
                                          first, last - first + 1});
            response.status = 206;
            response.contentType = "multipart/byteranges; boundary=" + boundary;
            response.body = "\r\n--" + boundary + "--\r\n";
            response.file = FileHandle(file.release());
            return;
        }
    }
    // The whole file, streamed from the descriptor as the client takes it.
    response.contentType = type;
    response.spans.push_back({"", 0, size});
    response.file = FileHandle(file.release());
}

} // namespace tcv::cli
