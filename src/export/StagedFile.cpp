#include "export/StagedFile.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include <unistd.h>

#include "export/Export.h"

namespace tcv::exports {

namespace fs = std::filesystem;

namespace {

// A name beside the destination that no other writer of this process or another uses at the same time.
std::string temporaryNameFor(const fs::path& path) {
    static std::atomic<unsigned> counter{0};
    std::string name = ".";
    name += path.filename().string();
    name += ".partial-";
    name += std::to_string(::getpid());
    name += "-";
    name += std::to_string(counter++);
    return (path.parent_path() / name).string();
}

} // namespace

StagedFile::StagedFile(const std::string& path, std::string format) : path_(path), format_(std::move(format)) {
    const fs::path destination(path);
    if (path.empty() || destination.filename().empty()) fail("no file name given");
    const fs::path folder = destination.parent_path().empty() ? fs::path(".") : destination.parent_path();
    std::error_code error;
    if (!fs::exists(folder, error)) fail("the folder '" + folder.string() + "' does not exist");
    if (!fs::is_directory(folder, error)) fail("'" + folder.string() + "' is not a folder");
    if (fs::is_directory(destination, error)) fail("a folder of that name exists");
    temporary_ = temporaryNameFor(destination);
}

StagedFile::~StagedFile() {
    if (committed_ || temporary_.empty()) return;
    std::error_code ignored;
    fs::remove(temporary_, ignored);
}

void StagedFile::commit() {
    std::error_code error;
    if (!fs::is_regular_file(temporary_, error)) fail("the writer produced no file");
    fs::rename(temporary_, path_, error);
    if (error) fail(error.message());
    committed_ = true;
}

void StagedFile::fail(const std::string& why) const {
    throw ExportError("cannot write " + format_ + " file '" + path_ + "': " + why);
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ExportError("cannot read '" + path + "'");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ExportError("cannot read '" + path + "'");
    return bytes;
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ExportError("cannot write '" + path + "'");
}

} // namespace tcv::exports
