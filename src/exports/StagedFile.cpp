#include "tarncheckvalve/exports/StagedFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tarncheckvalve/exports/Export.h"

namespace tcv::exports {

namespace fs = std::filesystem;

namespace {

// Attempts at a fresh temporary name before giving up; each name has 64 random bits, so a clash means
// someone is planting names on purpose.
constexpr int kNameAttempts = 64;

std::string randomSuffix() {
    thread_local std::mt19937_64 generator{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::uint64_t bits = generator();
    std::string suffix;
    for (int i = 0; i < 12; ++i, bits /= 36) suffix += kDigits[bits % 36];
    return suffix;
}

std::string systemError(int error) { return std::generic_category().message(error); }

// What a file system entry is, in words, for the message that refuses it as a destination.
std::string kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "not a regular file";
}

// A folder only its owner can write to, that owner being this process's user or root: a link in it was
// put there by someone this process trusts (as /dev/stdout in /dev), not planted by another user.
bool onlyTrustedWriters(const fs::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return false;
    return (info.st_mode & (S_IWGRP | S_IWOTH)) == 0 && (info.st_uid == ::geteuid() || info.st_uid == 0);
}

// Whether a link leads to one of this process's open descriptors (/dev/stdout, /dev/fd/1, /proc/self/fd/1).
bool leadsToOwnDescriptor(const std::string& path, const fs::path& folder) {
    std::error_code error;
    const fs::path target = fs::read_symlink(path, error);
    if (!error && target.string().rfind("/proc/", 0) == 0) return true;
    const fs::path real = fs::canonical(folder, error);
    return !error && real.string().rfind("/proc/", 0) == 0;
}

} // namespace

StagedFile::StagedFile(const std::string& path, std::string format) : path_(path), format_(std::move(format)) {
    const fs::path destination(path);
    if (path.empty() || destination.filename().empty()) fail("no file name given");
    const fs::path folder = destination.parent_path().empty() ? fs::path(".") : destination.parent_path();
    std::error_code error;
    if (!fs::exists(folder, error)) fail("the folder '" + folder.string() + "' does not exist");
    if (!fs::is_directory(folder, error)) fail("'" + folder.string() + "' is not a folder");
    // What is there already: nothing or a regular file is replaced by the finished file; a character device
    // (/dev/null, a terminal) is written straight into, never replaced. A link is replaced, never written
    // through, unless it lies in a folder only trusted users can write to and leads to a character device,
    // a pipe or a descriptor of this process (/dev/stdout). Anything else is refused.
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) == 0) {
        if (S_ISDIR(entry.st_mode)) fail("a folder of that name exists");
        if (S_ISCHR(entry.st_mode)) {
            openDirect();
            return;
        }
        if (S_ISLNK(entry.st_mode)) {
            struct stat target {};
            if (::stat(path.c_str(), &target) == 0) {
                if (S_ISDIR(target.st_mode)) fail("it is a symbolic link to a folder");
                const bool streamLike = S_ISCHR(target.st_mode) || S_ISFIFO(target.st_mode) ||
                                        (S_ISREG(target.st_mode) && leadsToOwnDescriptor(path, folder));
                if (streamLike && onlyTrustedWriters(folder)) {
                    openDirect();
                    return;
                }
                if (!S_ISREG(target.st_mode))
                    fail("it is a symbolic link to " + kindOf(target.st_mode) + ", not to a regular file");
            }
        } else if (!S_ISREG(entry.st_mode)) {
            fail("it is " + kindOf(entry.st_mode) + ", not a regular file");
        }
    }
    // Created exclusively and never through a link: a name planted in the folder makes this attempt
    // pick another name, and nothing already there is written to. The mode is that of any new file (0666
    // less the umask), where mkstemp would leave the finished file readable by its owner only.
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        // Appended piece by piece: GCC 12 warns falsely of overlapping copies for "." + string at -O3.
        std::string name(1, '.');
        name += destination.filename().string();
        name += ".partial-";
        name += randomSuffix();
        const std::string candidate = (folder / name).string();
        descriptor_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) {
            temporary_ = candidate;
            return;
        }
        if (errno != EEXIST)
            fail("cannot create a file in the folder '" + folder.string() + "': " + systemError(errno));
    }
    fail("cannot find a free temporary name in the folder '" + folder.string() + "'");
}

void StagedFile::openDirect() {
    // Non-blocking, so that a pipe nobody reads fails at once instead of waiting; blocking again after.
    descriptor_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor_ < 0) fail(errno == ENXIO ? std::string("nobody reads that pipe") : systemError(errno));
    const int flags = ::fcntl(descriptor_, F_GETFL);
    if (flags >= 0) ::fcntl(descriptor_, F_SETFL, flags & ~O_NONBLOCK);
    direct_ = true;
}

StagedFile::~StagedFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
    if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

void StagedFile::write(std::string_view bytes) {
    if (descriptor_ < 0) fail("the file is already closed");
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            fail(systemError(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void StagedFile::commit() {
    if (descriptor_ < 0) fail("the file is already closed");
    if (direct_) {
        const int closing = ::close(descriptor_);
        descriptor_ = -1;
        if (closing != 0) fail(systemError(errno));
        committed_ = true;
        return;
    }
    if (::fsync(descriptor_) != 0) fail(systemError(errno));
    const int closing = ::close(descriptor_);
    descriptor_ = -1;
    if (closing != 0) fail(systemError(errno));
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) fail(systemError(errno));
    committed_ = true;
}

void StagedFile::fail(const std::string& why) const {
    throw ExportError("cannot write " + format_ + " file '" + path_ + "': " + why);
}

ScratchFolder::ScratchFolder() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) throw ExportError("no folder for temporary files: " + error.message());
    std::string pattern = (base / "checkvalve-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw ExportError("cannot make a temporary folder in '" + base.string() + "': " + systemError(errno));
    folder_ = buffer.data();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string ScratchFolder::path(const std::string& name) const { return (fs::path(folder_) / name).string(); }

void writeFileStaged(const std::string& path, const std::string& format, std::string_view bytes) {
    StagedFile file(path, format);
    file.write(bytes);
    file.commit();
}

void writeRenderedStaged(const std::string& path, const std::string& format,
                         const std::function<std::string(const std::string& fileName)>& render) {
    StagedFile file(path, format);
    std::string bytes;
    try {
        bytes = render(std::filesystem::path(path).filename().string());
    } catch (const ExportError& error) {
        file.fail(error.what());
    }
    file.write(bytes);
    file.commit();
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ExportError("cannot read '" + path + "'");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ExportError("cannot read '" + path + "'");
    return bytes;
}

} // namespace tcv::exports
