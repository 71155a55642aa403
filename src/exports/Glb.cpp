#include "tarncheckvalve/exports/Glb.h"

#include <cstdint>
#include <cstring>

#include "tarncheckvalve/exports/Export.h"

namespace tcv::exports {

namespace {

constexpr std::uint32_t kMagic = 0x46546C67;     // "glTF"
constexpr std::uint32_t kJsonChunk = 0x4E4F534A; // "JSON"
constexpr std::uint32_t kBinChunk = 0x004E4942;  // "BIN\0"
constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kChunkHeaderSize = 8;

// glTF numbers are little-endian, as on every machine this builds for.
std::uint32_t readWord(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

void appendWord(std::string& bytes, std::uint32_t value) {
    char buffer[sizeof value];
    std::memcpy(buffer, &value, sizeof value);
    bytes.append(buffer, sizeof value);
}

std::size_t padded(std::size_t size) { return (size + 3) & ~std::size_t{3}; }

void appendChunk(std::string& bytes, std::uint32_t type, const std::string& data, char padding) {
    const std::size_t size = padded(data.size());
    appendWord(bytes, static_cast<std::uint32_t>(size));
    appendWord(bytes, type);
    bytes += data;
    bytes.append(size - data.size(), padding);
}

[[noreturn]] void malformed(const std::string& why) { throw ExportError("not a valid GLB file: " + why); }

} // namespace

GlbContent parseGlb(const std::string& bytes) {
    if (bytes.size() < kHeaderSize + kChunkHeaderSize) malformed("too short");
    if (readWord(bytes, 0) != kMagic) malformed("no glTF header");
    if (readWord(bytes, 4) != 2) malformed("glTF version " + std::to_string(readWord(bytes, 4)) + ", not 2");
    if (readWord(bytes, 8) != bytes.size()) malformed("the header's length differs from the file's");

    GlbContent content;
    bool haveJson = false;
    std::size_t offset = kHeaderSize;
    while (offset < bytes.size()) {
        if (bytes.size() - offset < kChunkHeaderSize) malformed("a chunk header is cut off");
        const std::size_t length = readWord(bytes, offset);
        const std::uint32_t type = readWord(bytes, offset + 4);
        offset += kChunkHeaderSize;
        if (length > bytes.size() - offset) malformed("a chunk runs past the end of the file");
        const std::string data = bytes.substr(offset, length);
        offset += length;
        if (type == kJsonChunk && !haveJson) {
            try {
                content.json = nlohmann::ordered_json::parse(data);
            } catch (const nlohmann::json::exception& error) {
                malformed(std::string("the JSON chunk does not parse: ") + error.what());
            }
            haveJson = true;
        } else if (type == kBinChunk && haveJson && !content.hasBinary) {
            content.binary = data;
            content.hasBinary = true;
        }
    }
    if (!haveJson) malformed("no JSON chunk");
    // The binary chunk keeps the length the JSON's buffer declares; what follows is padding.
    if (content.hasBinary && content.json.contains("buffers") && content.json["buffers"].is_array() &&
        !content.json["buffers"].empty() && content.json["buffers"][0].contains("byteLength")) {
        const auto declared = content.json["buffers"][0]["byteLength"];
        if (declared.is_number_unsigned() && declared.get<std::size_t>() <= content.binary.size())
            content.binary.resize(declared.get<std::size_t>());
    }
    return content;
}

std::string serializeGlb(const GlbContent& content) {
    std::string bytes;
    appendWord(bytes, kMagic);
    appendWord(bytes, 2);
    appendWord(bytes, 0); // total length, filled in below
    appendChunk(bytes, kJsonChunk, content.json.dump(), ' ');
    if (content.hasBinary) appendChunk(bytes, kBinChunk, content.binary, '\0');
    const auto total = static_cast<std::uint32_t>(bytes.size());
    std::memcpy(bytes.data() + 8, &total, sizeof total);
    return bytes;
}

} // namespace tcv::exports
