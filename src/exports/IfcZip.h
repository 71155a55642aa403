// IFC-ZIP: an IFC file's text as the one entry of a zip archive, compressed with deflate.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tcv::exports {

// True for a destination named as an IFC-ZIP archive (its name ends in ".ifczip", in any case).
bool isIfcZipPath(std::string_view path);

// The name of the archive's entry: the archive's file name with ".ifc" in place of ".ifczip".
std::string ifcZipEntryName(const std::string& path);

// The bytes of an archive holding `text` as `entryName`, deflated, its modification time `moment`
// (seconds since 1970, stored as UTC; the earliest a zip can hold, 1980, for a moment before it), so that
// the same text at the same moment gives the same archive. Raises ExportError when it cannot be made.
std::string ifcZipArchive(const std::string& entryName, std::string_view text, std::int64_t moment);

} // namespace tcv::exports
