// The catalogue against hostile or careless input: integers beyond their type, duplicate keys, number
// syntax shared by lengths and angles, files that are not catalogues, and values that would flood a
// message or a terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "tarncheckvalve/catalog/Catalog.h"

namespace tcv::refhost {
namespace {

using ::testing::HasSubstr;

std::string refusal(const std::string& text) {
    try {
        catalog::parseCatalog(text, "bad.json");
    } catch (const catalog::CatalogError& error) {
        return error.what();
    }
    ADD_FAILURE() << "accepted: " << text.substr(0, 200);
    return {};
}

std::string part(const std::string& fields) { return R"({"name": "a", "partDataBasis": 1)" + fields + "}"; }

// Refusals of integers beyond their type and of duplicate keys are in CatalogTest's table; the edges of
// each type, and one key in sibling objects, are taken.
TEST(CatalogLimits, TypeEdgesAndKeysOfSiblingObjectsAreTaken) {
    const auto edges = catalog::parseCatalog(
        part(R"(, "operatorSourceCode": -2147483648, "ports": [{"index": 32767, "attribute": 2147483647}])"), "e");
    EXPECT_EQ(edges[0].operatorSourceCode, -2147483648);
    EXPECT_EQ(edges[0].ports[0].index, 32767);
    EXPECT_EQ(edges[0].ports[0].attribute, 2147483647);
    EXPECT_NO_THROW(catalog::parseCatalog(part(R"(, "ports": [{"index": 1}, {"index": 2}])"), "ok.json"));
}

TEST(CatalogLimits, LengthsAndAnglesReadNumbersAlike) {
    const double degree = std::acos(-1.0) / 180;
    struct Case {
        const char* number;
        bool accepted;
        double value;
    };
    const Case cases[] = {
        {"10", true, 10},    {"+10", true, 10},  {" 10 ", true, 10}, {"1e1", true, 10}, {"-2.5", true, -2.5},
        {"0x10", false, 0},  {"0X1A", false, 0}, {"inf", false, 0},  {"nan", false, 0}, {"1e999", false, 0},
        {"10 10", false, 0}, {"", false, 0},     {"--1", false, 0},  {"1,5", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        const std::string length = part(R"(, "inputs": {"Height": ")" + std::string(c.number) + R"(mm"})");
        const std::string angle = part(R"(, "inputs": {"HandwheelAngle": ")" + std::string(c.number) + R"(deg"})");
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(catalog::parseCatalog(length, "l")[0].inputs.at("Height"), c.value / 1000);
            EXPECT_DOUBLE_EQ(catalog::parseCatalog(angle, "a")[0].inputs.at("HandwheelAngle"), c.value * degree);
        } else {
            EXPECT_THAT(refusal(length), HasSubstr("inputs.Height"));
            EXPECT_THAT(refusal(angle), HasSubstr("inputs.HandwheelAngle"));
        }
    }
}

TEST(CatalogLimits, QuotedValuesAreCutAndControlCharactersEscaped) {
    const std::string hugeNumber(1 << 16, '7');
    const std::string hugeText(1 << 16, 'x');
    for (const std::string& text :
         {R"({"name": "a", "partDataBasis": 1, "inputs": {"Height": )" + hugeNumber + "x}}",
          part(R"(, "inputs": {"Height": ")" + hugeText + R"("})"), part(R"(, ")" + hugeText + R"(": 1)"),
          R"({"name": "a", "partDataBasis": )" + hugeNumber + "1e999}"}) {
        const std::string message = refusal(text);
        EXPECT_LT(message.size(), 400u) << message.substr(0, 400);
        EXPECT_THAT(message, HasSubstr("..."));
    }
    // A name or value with terminal escapes is shown escaped, never raw.
    const std::string message = refusal(R"({"name": "evil\u001b]0;owned\u0007\u009b", "partDataBasis": 1,
        "inputs": {"Height": "1\u001b[2Jmm"}})");
    EXPECT_THAT(message, HasSubstr("part 'evil\\x1B]0;owned\\x07\\u009B'"));
    EXPECT_THAT(message, HasSubstr("\"1\\x1B[2Jmm\""));
    for (char c = 0; c < 0x20; ++c) EXPECT_EQ(message.find(c), std::string::npos) << int(c);
}

class CatalogFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("catalog-files-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST_F(CatalogFiles, OnlyExistingRegularFilesWithinTheLimitAreRead) {
    const auto fifo = folder_ / "pipe.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto large = folder_ / "large.json";
    std::ofstream(large) << part(R"(, "description": ")" + std::string(5000, 'd') + "\"");
    struct Case {
        std::string path;
        std::uint64_t limit;
        std::vector<const char*> mentions;
    };
    const Case cases[] = {
        {"/dev/zero", catalog::kDefaultMaxCatalogBytes, {"/dev/zero", "a device", "regular"}},
        {folder_.string(), catalog::kDefaultMaxCatalogBytes, {"a folder", "regular"}},
        {fifo.string(), catalog::kDefaultMaxCatalogBytes, {"pipe.json", "a pipe"}},
        {large.string(), 4096, {"large.json", "more than the limit of 4096 bytes", "--max-catalog-size"}},
        {"/nonexistent/parts.json", catalog::kDefaultMaxCatalogBytes, {"/nonexistent/parts.json: cannot open"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            catalog::loadCatalogFile(c.path, c.limit);
            ADD_FAILURE() << "read";
        } catch (const catalog::CatalogError& error) {
            for (const char* mention : c.mentions) EXPECT_THAT(error.what(), HasSubstr(mention));
        }
    }
    // A raised limit reads the same file.
    EXPECT_EQ(catalog::loadCatalogFile(large.string(), 8192).size(), 1u);
    EXPECT_EQ(catalog::loadCatalogFile(large.string()).size(), 1u);
}

} // namespace
} // namespace tcv::refhost
