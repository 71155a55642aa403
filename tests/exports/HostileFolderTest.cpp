// Writing into folders that others write to as well: links planted where a writer might put its
// temporary files, a write that runs out of space, and the modes of new files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "exports/ExportSupport.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/StagedFile.h"

namespace tcv {
namespace {

namespace ex = test::exports;
namespace fs = std::filesystem;
using exports::ExportDocument;

// Sets TMPDIR for the life of the object, so that scratch folders can be watched.
class TemporaryFolderAt {
public:
    explicit TemporaryFolderAt(const fs::path& folder) {
        if (const char* old = std::getenv("TMPDIR")) old_ = old;
        fs::create_directories(folder);
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderAt() {
        if (old_.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", old_.c_str(), 1);
    }

private:
    std::string old_;
};

TEST(HostileFolder, PlantedLinksAreReplacedOrAvoidedButNeverWrittenThrough) {
    for (const auto& writer : ex::kWriters) {
        SCOPED_TRACE(writer.format);
        ex::ScratchFolder folder;
        const fs::path victim = folder.path("victim");
        exports::writeFileStaged(victim.string(), "test", "precious");
        const std::string name = writer.fileName;
        // The names writers once used for their temporary files, and the destination itself.
        std::vector<std::string> planted = {name, "." + name + ".bin.tmp", name + ".bin.tmp"};
        for (int n = 0; n < 4; ++n)
            planted.push_back("." + name + ".partial-" + std::to_string(::getpid()) + "-" + std::to_string(n));
        for (const auto& link : planted) fs::create_symlink(victim, folder.path(link));

        ExportDocument document(ex::plainValve());
        writer.write(document, folder.path(name).string());

        EXPECT_EQ(exports::readFileBytes(victim.string()), "precious");
        EXPECT_FALSE(fs::is_symlink(folder.path(name)));
        EXPECT_GT(fs::file_size(folder.path(name)), 100u);
        // Everything else planted is left as it was, and nothing more is left behind.
        for (std::size_t i = 1; i < planted.size(); ++i) EXPECT_TRUE(fs::is_symlink(folder.path(planted[i])));
        EXPECT_EQ(folder.entries().size(), planted.size() + 1);
    }
}

TEST(HostileFolder, AFailedWriteLeavesNoTemporaryAndKeepsTheOldFile) {
    ex::ScratchFolder folder;
    const TemporaryFolderAt scratch(folder.path("tmp"));
    ExportDocument document(ex::plainValve());
    // A file-size limit makes every write beyond 512 bytes fail as a full disk would.
    struct sigaction ignore {};
    struct sigaction previousAction {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previousAction);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    for (const auto& writer : ex::kWriters) {
        SCOPED_TRACE(writer.format);
        const std::string destination = folder.path(writer.fileName).string();
        exports::writeFileStaged(destination, "test", "old");
        rlimit small = previous;
        small.rlim_cur = 512;
        ::setrlimit(RLIMIT_FSIZE, &small);
        try {
            writer.write(document, destination);
            ADD_FAILURE() << "no error";
        } catch (const exports::ExportError& error) {
            EXPECT_NE(std::string(error.what()).find(writer.format), std::string::npos) << error.what();
        }
        ::setrlimit(RLIMIT_FSIZE, &previous);
        EXPECT_EQ(exports::readFileBytes(destination), "old");
        EXPECT_TRUE(fs::is_empty(folder.path("tmp")));
    }
    ::sigaction(SIGXFSZ, &previousAction, nullptr);
    std::vector<std::string> left = folder.entries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"part.glb", "part.ifc", "part.step", "part.stl", "tmp"}));
}

TEST(HostileFolder, NewFilesGetTheModeOfAnyNewFile) {
    ex::ScratchFolder folder;
    const mode_t previous = ::umask(022);
    exports::writeFileStaged(folder.path("a.json").string(), "JSON", "{}");
    ::umask(previous);
    struct stat status {};
    ASSERT_EQ(::stat(folder.path("a.json").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
}

} // namespace
} // namespace tcv
