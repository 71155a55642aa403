#include "IfcZip.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>

#include <zip.h>

#include "tarncheckvalve/exports/Export.h"

namespace tcv::exports {

namespace {

constexpr std::string_view kExtension = ".ifczip";

struct SourceDeleter {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using Source = std::unique_ptr<zip_source_t, SourceDeleter>;

[[noreturn]] void failWith(const std::string& what, zip_error_t* error) {
    const std::string why = error ? zip_error_strerror(error) : "unknown error";
    throw ExportError("cannot make the IFC-ZIP archive: " + what + ": " + why);
}

// A moment as the MS-DOS date and time a zip entry records (two-second steps).
std::pair<zip_uint16_t, zip_uint16_t> dosDateTime(std::int64_t moment) {
    constexpr std::int64_t k1980 = 315532800;
    const auto seconds = static_cast<std::time_t>(std::max(moment, k1980));
    std::tm utc{};
    if (gmtime_r(&seconds, &utc) == nullptr || utc.tm_year > 2107 - 1900) return {0, (0 << 9) | (1 << 5) | 1};
    const auto time = static_cast<zip_uint16_t>((utc.tm_hour << 11) | (utc.tm_min << 5) | (utc.tm_sec / 2));
    const auto date = static_cast<zip_uint16_t>(((utc.tm_year - 80) << 9) | ((utc.tm_mon + 1) << 5) | utc.tm_mday);
    return {time, date};
}

} // namespace

bool isIfcZipPath(std::string_view path) {
    if (path.size() < kExtension.size()) return false;
    const std::string_view tail = path.substr(path.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

std::string ifcZipEntryName(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    return name.substr(0, name.size() - kExtension.size()) + ".ifc";
}

std::string ifcZipArchive(const std::string& entryName, std::string_view text, std::int64_t moment) {
    // The archive is made in memory: the caller writes it to its destination as a whole.
    zip_error_t error;
    zip_error_init(&error);
    Source buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer) failWith("no buffer", &error);
    zip_t* archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
    if (!archive) failWith("cannot open it", &error);
    zip_source_keep(buffer.get()); // the archive's reference ends with it; this one outlives it
    const auto abandon = [&](const std::string& what) {
        zip_error_t copy;
        zip_error_init(&copy);
        zip_error_set(&copy, zip_error_code_zip(zip_get_error(archive)), zip_error_code_system(zip_get_error(archive)));
        zip_discard(archive);
        const std::string why = zip_error_strerror(&copy);
        zip_error_fini(&copy);
        throw ExportError("cannot make the IFC-ZIP archive: " + what + ": " + why);
    };
    zip_source_t* entry = zip_source_buffer(archive, text.data(), text.size(), 0);
    if (!entry) abandon("no entry");
    const zip_int64_t index = zip_file_add(archive, entryName.c_str(), entry, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(entry);
        abandon("cannot add '" + entryName + "'");
    }
    const auto [time, date] = dosDateTime(moment);
    const auto at = static_cast<zip_uint64_t>(index);
    if (zip_set_file_compression(archive, at, ZIP_CM_DEFLATE, 9) != 0) abandon("cannot deflate");
    if (zip_file_set_dostime(archive, at, time, date, 0) != 0) abandon("cannot set the time");
    if (zip_close(archive) != 0) abandon("cannot compress");

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(buffer.get(), &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        zip_source_open(buffer.get()) != 0)
        failWith("cannot read it back", zip_source_error(buffer.get()));
    std::string bytes(static_cast<std::size_t>(stat.size), '\0');
    const zip_int64_t read = zip_source_read(buffer.get(), bytes.data(), bytes.size());
    zip_source_close(buffer.get());
    if (read != static_cast<zip_int64_t>(bytes.size())) failWith("cannot read it back", zip_source_error(buffer.get()));
    return bytes;
}

} // namespace tcv::exports
