// The GLB container the exporter rewrites: chunk lengths, padding and refusal of broken files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/Glb.h"

namespace tcv {
namespace {

using exports::GlbContent;

std::uint32_t wordAt(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(GlbContainer, RewrittenChunksArePaddedAndLengthsAddUp) {
    for (std::size_t binarySize : {0u, 1u, 3u, 4u, 5u}) {
        SCOPED_TRACE(binarySize);
        GlbContent content;
        content.json = {{"asset", {{"version", "2.0"}}},
                        {"buffers", {{{"byteLength", binarySize}}}},
                        {"nodes", {{{"name", "Body_"}, {"extras", {{"index", 1}}}}}}};
        content.binary = std::string(binarySize, '\x7f');
        content.hasBinary = true;
        const std::string bytes = exports::serializeGlb(content);

        EXPECT_EQ(wordAt(bytes, 0), 0x46546C67u);
        EXPECT_EQ(wordAt(bytes, 8), bytes.size());
        const std::uint32_t jsonLength = wordAt(bytes, 12);
        EXPECT_EQ(jsonLength % 4, 0u);
        EXPECT_EQ(wordAt(bytes, 20 + jsonLength) % 4, 0u);
        EXPECT_EQ(bytes.size() % 4, 0u);

        const GlbContent back = exports::parseGlb(bytes);
        EXPECT_EQ(back.json, content.json);
        EXPECT_EQ(back.binary, content.binary);
    }
}

TEST(GlbContainer, BrokenFilesAreRefused) {
    GlbContent content;
    content.json = {{"asset", {{"version", "2.0"}}}};
    const std::string good = exports::serializeGlb(content);

    std::string wrongMagic = good;
    wrongMagic[0] = 'x';
    std::string wrongLength = good + "    ";
    std::string cutChunk = good;
    const std::uint32_t tooLong = 1000;
    std::memcpy(cutChunk.data() + 12, &tooLong, sizeof tooLong);
    std::string badJson = good;
    badJson[20] = '}';
    for (const std::string& bytes : {std::string("glTF"), wrongMagic, wrongLength, cutChunk, badJson})
        EXPECT_THROW(exports::parseGlb(bytes), exports::ExportError);
    EXPECT_NO_THROW(exports::parseGlb(good));
}

} // namespace
} // namespace tcv
