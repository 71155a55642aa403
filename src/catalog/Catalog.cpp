#include "tarncheckvalve/catalog/Catalog.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>
#include <system_error>

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tarncheckvalve/catalog/CatalogCsv.h"
#include "tarncheckvalve/catalog/CatalogDocument.h"
#include "tarncheckvalve/catalog/MessageText.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/refhost/Evaluator.h"
#include "tarncheckvalve/refhost/LengthUnits.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::catalog {

using namespace tcv::refhost;

namespace {

std::string kindOfFile(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

// Closes a file descriptor on every way out.
struct OpenFile {
    int descriptor;
    ~OpenFile() {
        if (descriptor >= 0) ::close(descriptor);
    }
};

} // namespace

std::string readCatalogFile(const std::string& path, std::uint64_t maxBytes) {
    // Opened without waiting (a pipe would block until a writer comes) and checked before anything is
    // read: a device, a pipe or a folder never ends, and a huge file would be read whole.
    const OpenFile file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.descriptor < 0)
        throw CatalogError(path + ": cannot open the file: " + std::generic_category().message(errno));
    struct stat status {};
    if (::fstat(file.descriptor, &status) != 0)
        throw CatalogError(path + ": cannot read the file: " + std::generic_category().message(errno));
    if (!S_ISREG(status.st_mode))
        throw CatalogError(path + ": not a catalogue file but " + kindOfFile(status.st_mode) +
                           "; a catalogue is a regular JSON or CSV file");
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size > maxBytes)
        throw CatalogError(path + ": the file holds " + std::to_string(size) + " bytes, more than the limit of " +
                           std::to_string(maxBytes) + " bytes for a catalogue (--max-catalog-size raises it)");
    std::string text(static_cast<std::size_t>(size), '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const ssize_t got = ::read(file.descriptor, text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw CatalogError(path + ": cannot read the file: " + std::generic_category().message(errno));
        if (got == 0) break; // the file shrank while being read; parse what it holds
        filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
    return text;
}

std::vector<CatalogPart> loadCatalogFile(const std::string& path, std::uint64_t maxBytes) {
    const std::string text = readCatalogFile(path, maxBytes);
    return isCsvCatalogPath(path) ? parseCsvCatalog(text, path) : parseCatalog(text, path);
}

nlohmann::json loadCatalogDocument(const std::string& path, std::uint64_t maxBytes) {
    const std::string text = readCatalogFile(path, maxBytes);
    if (isCsvCatalogPath(path)) return csvCatalogJson(text, path);
    nlohmann::json json = parseCatalogDocument(text, path);
    readCatalogParts(json, path); // refuses what loading the parts refuses
    return json;
}

std::vector<CatalogPart> loadCatalogFolder(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".json") files.push_back(entry.path());
    if (error) throw CatalogError(folder + ": cannot list the folder: " + error.message());
    std::sort(files.begin(), files.end());
    std::vector<CatalogPart> parts;
    std::set<std::string> seen;
    for (const auto& file : files) {
        for (auto& part : loadCatalogFile(file.string())) {
            if (!seen.insert(part.name).second)
                throw CatalogError(file.string() + ": part '" + shownValue(part.name) +
                                   "': name: already used by another file");
            parts.push_back(std::move(part));
        }
    }
    return parts;
}

std::vector<CatalogPart> loadSampleCatalog() { return loadCatalogFolder(defaultDataDirectory() + "/catalog"); }

std::vector<std::string> plausibilityWarnings(const CatalogPart& part) {
    std::vector<std::string> warnings;
    for (const auto& [name, value] : part.inputs) {
        if (contract::isAngleInput(name)) continue;
        if (value < 0)
            warnings.push_back("input " + name + " is negative (" + geometry::checked::shortNumber(value) + " m)");
        else if (value > 20)
            warnings.push_back("input " + name + " is over 20 m (" + geometry::checked::shortNumber(value) + " m)");
    }
    if (part.ports.empty()) warnings.push_back("the part has no ports");
    for (const auto& port : part.ports) {
        if (port.pipeOD <= 0 && port.flangeOD <= 0 && port.npd <= 0)
            warnings.push_back("port " + std::to_string(port.index) +
                               " has no pipe diameter, flange diameter or nominal size");
        if (port.pipeOD > 5) warnings.push_back("port " + std::to_string(port.index) + " pipe OD is over 5 m");
    }
    return warnings;
}

} // namespace tcv::catalog
