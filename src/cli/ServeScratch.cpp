#include "ServeScratch.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace tcv::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = "checkvalve-serve-";
constexpr const char* kLockName = ".lock";

// Whether `folder` is a server's scratch folder of this user whose server has gone: its lock file can be
// taken. A folder without a lock file is not one of ours and is left alone.
bool abandoned(const fs::path& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) return false;
    const int fd = ::open((folder / kLockName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

} // namespace

ServeScratch::ServeScratch() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) throw std::runtime_error("no folder for temporary files: " + error.message());
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(kPrefix, 0) != 0 || !abandoned(it->path())) continue;
        std::error_code ignored;
        if (fs::remove_all(it->path(), ignored) != static_cast<std::uintmax_t>(-1)) ++staleRemoved_;
    }

    std::string pattern = (base / (std::string(kPrefix) + "XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw std::runtime_error("cannot make a temporary folder in '" + base.string() + "': " + std::strerror(errno));
    path_ = buffer.data();
    // The lock file gets its name only once it is locked, so that no other server can take a folder
    // being made for one that has gone.
    const fs::path unnamed = path_ / (std::string(kLockName) + ".new");
    lock_ = ::open(unnamed.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (lock_ < 0 || ::flock(lock_, LOCK_EX | LOCK_NB) != 0 ||
        ::rename(unnamed.c_str(), (path_ / kLockName).c_str()) != 0) {
        remove();
        throw std::runtime_error("cannot lock the temporary folder '" + pattern + "'");
    }
    if (const char* previous = std::getenv("TMPDIR")) previousTmpdir_ = previous;
    ::setenv("TMPDIR", path_.c_str(), 1);
    tmpdirSet_ = true;
}

ServeScratch::~ServeScratch() {
    remove();
    // TMPDIR is given back only here, when no other thread of the server is left to read it.
    if (!tmpdirSet_) return;
    if (previousTmpdir_)
        ::setenv("TMPDIR", previousTmpdir_->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

void ServeScratch::remove() {
    if (path_.empty()) return;
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    path_.clear();
    if (lock_ >= 0) ::close(lock_);
    lock_ = -1;
}

} // namespace tcv::cli
