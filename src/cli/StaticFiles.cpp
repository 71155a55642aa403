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

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void plain(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain; charset=utf-8");
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
    const std::string extension = lower(file.extension().string());
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

void StaticFiles::handle(const httplib::Request& request, httplib::Response& response) const {
    std::string relative;
    const int status = relativePath(request.path, relative);
    if (status == 400) return plain(response, 400, "bad path");
    if (status == 403) return plain(response, 403, "outside the served folder");

    // O_NONBLOCK: opening a named pipe must not wait for a writer; it is refused below as no regular file.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    FileDescriptor file(::openat(rootFd_, relative.empty() ? "." : relative.c_str(), flags));
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
            response.set_header("Location", location);
            return;
        }
        FileDescriptor index(::openat(file.get(), "index.html", flags));
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
    response.set_header("ETag", etag);
    response.set_header("Last-Modified", httpDate(info.st_mtim.tv_sec));
    response.set_header("Accept-Ranges", "bytes");
    response.set_header("Cache-Control", "no-cache");
    const std::string ifNoneMatch = request.get_header_value("If-None-Match");
    const std::string ifModifiedSince = request.get_header_value("If-Modified-Since");
    if (!ifNoneMatch.empty() ? ifNoneMatch.find(etag) != std::string::npos || ifNoneMatch == "*"
                             : !ifModifiedSince.empty() && parseHttpDate(ifModifiedSince) >= info.st_mtim.tv_sec) {
        response.status = 304;
        return;
    }

    std::string body(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(file.get(), body.data() + done, size - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    body.resize(done);
    // The status stays unset so that the library answers a Range request with 206 and the asked bytes.
    response.body = std::move(body);
    response.set_header("Content-Type", contentTypeFor(relative));
}

} // namespace tcv::cli
