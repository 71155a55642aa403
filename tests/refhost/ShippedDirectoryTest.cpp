// Where the programs find the data file, the sample catalogues and the viewer: the environment first,
// then the installed layout beside the program, then the source tree of the build tree they run from.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::refhost {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the scope and restores the earlier state afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ShippedDirectory, TheEnvironmentVariableWinsEvenForAFolderThatDoesNotExist) {
    ScopedEnvironment data("TCV_DATA_DIR", "/nowhere/data");
    EXPECT_EQ(defaultDataDirectory(), "/nowhere/data");
    EXPECT_EQ(RefRuntime::defaultOptions().dataDirectory, "/nowhere/data");
}

// The test programs run from the build tree: with the variable unset or empty they find the source
// tree's data file and viewer through the build tree's marker file, not through a compiled-in path.
TEST(ShippedDirectory, FromTheBuildTreeTheSourceTreeFoldersAreFound) {
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        ScopedEnvironment data("TCV_DATA_DIR", value);
        ScopedEnvironment viewer("TCV_VIEWER_DIR", value);
        EXPECT_TRUE(
            fs::is_regular_file(fs::path(defaultDataDirectory()) / "xml" / "OutsideDiameterforSymbolGraphics.xml"))
            << defaultDataDirectory();
        EXPECT_TRUE(fs::is_regular_file(fs::path(shippedDirectory("viewer", "TCV_VIEWER_DIR")) / "index.html"));
    }
}

// A folder found nowhere is named where an installation would put it, so that the error it leads to
// says where the folder belongs.
TEST(ShippedDirectory, AFolderFoundNowhereIsNamedAtItsInstalledPlace) {
    ScopedEnvironment unset("TCV_NO_SUCH_DIR", nullptr);
    const fs::path path = shippedDirectory("no-such-folder", "TCV_NO_SUCH_DIR");
    EXPECT_EQ(path.filename(), "no-such-folder");
    EXPECT_EQ(path.parent_path().filename(), "tarncheckvalve");
    EXPECT_EQ(path.parent_path().parent_path().filename(), "share");
}

} // namespace
} // namespace tcv::refhost
