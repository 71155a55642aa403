// The parts catalogue: what it accepts, what it refuses and how it says so.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/MessageText.h"

namespace tcv::refhost {
namespace {

const char* kPart = R"({"name": "p", "partDataBasis": 2256,
  "inputs": {"FacetoFace": "54mm", "InsulationThickness": 0.05, "HandwheelAngle": "90deg"},
  "ports": [{"index": 1, "pipeOD": "4.5in", "flangeOD": 0.2286, "npd": 4}],
  "operator": {"name": "wheel", "inputs": {"OffsetFrmValCen": "300mm"}}})";

TEST(Catalog, ReadsOnePartWithUnitsAndDefaults) {
    auto parts = catalog::parseCatalog(kPart, "one.json");
    ASSERT_EQ(parts.size(), 1u);
    const auto& part = parts[0];
    EXPECT_EQ(part.partDataBasis, 2256);
    EXPECT_DOUBLE_EQ(part.inputs.at("FacetoFace"), 0.054);
    EXPECT_DOUBLE_EQ(part.inputs.at("HandwheelAngle"), std::acos(-1.0) / 2);
    EXPECT_FALSE(part.inputs.count("Height")); // left to the definition's default
    ASSERT_EQ(part.ports.size(), 1u);
    EXPECT_NEAR(part.ports[0].pipeOD, 0.1143, 1e-12);
    EXPECT_EQ(part.ports[0].terminationClass, 5);
    EXPECT_EQ(part.ports[0].npdUnit, "in");
    ASSERT_TRUE(part.valveOperator);
    EXPECT_DOUBLE_EQ(part.valveOperator->inputs.at(0).second, 0.3);
}

TEST(Catalog, OddButWellFormedDimensionsPassUnchanged) {
    auto parts = catalog::parseCatalog(
        R"({"parts": [{"name": "odd", "partDataBasis": -7, "inputs": {"FacetoFace": -0.5, "Height": 0, "B": 1e6}}]})",
        "odd.json");
    EXPECT_EQ(parts[0].partDataBasis, -7);
    EXPECT_EQ(parts[0].inputs.at("FacetoFace"), -0.5);
    EXPECT_EQ(parts[0].inputs.at("B"), 1e6);
    EXPECT_FALSE(catalog::plausibilityWarnings(parts[0]).empty());
}

TEST(Catalog, RefusesMalformedInputNamingPartFieldAndExpectation) {
    struct Case {
        const char* text;
        std::vector<const char*> mentions;
    };
    const Case cases[] = {
        {R"({"name": "a", "partDataBasis": 1, "inputs": {"FaceToFace": 1}})",
         {"bad.json", "part 'a'", "inputs.FaceToFace", "unknown input", "FacetoFace"}},
        {R"({"name": "a", "partDataBasis": 1, "colour": "red"})", {"part 'a'", "colour", "unknown field"}},
        {R"({"name": "a"})", {"part 'a'", "partDataBasis", "missing"}},
        {R"({"partDataBasis": 1})", {"name", "missing"}},
        {R"({"name": "a", "partDataBasis": "2256"})", {"partDataBasis", "whole number", "text"}},
        {R"({"name": "a", "partDataBasis": 2256.5})", {"partDataBasis", "whole number"}},
        {R"({"name": "a", "partDataBasis": 1, "inputs": {"Height": "tall"}})", {"inputs.Height", "\"tall\""}},
        {R"({"name": "a", "partDataBasis": 1, "inputs": {"Height": true}})", {"inputs.Height", "boolean"}},
        {R"({"name": "a", "partDataBasis": 1, "inputs": {"Height": 1e999}})", {"bad.json", "1e999"}},
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"pipeOD": 0.1}]})", {"ports[0].index", "missing"}},
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 1, "pipeOd": 0.1}]})", {"ports[0].pipeOd", "pipeOD"}},
        // Integers beyond their type, naming the field and the range.
        {R"({"name": "a", "partDataBasis": 18446744073709551615})", {"partDataBasis", "-2147483648 to 2147483647"}},
        {R"({"name": "a", "partDataBasis": 2147483648})", {"partDataBasis", "2147483647"}},
        {R"({"name": "a", "partDataBasis": -2147483649})", {"partDataBasis", "-2147483648"}},
        {R"({"name": "a", "partDataBasis": 1e20})", {"partDataBasis", "2147483647"}},
        {R"({"name": "a", "partDataBasis": 2256.0})", {"partDataBasis", "without a fraction or exponent"}},
        {R"({"name": "a", "partDataBasis": 1, "operatorSourceCode": 4294967297})",
         {"operatorSourceCode", "2147483647"}},
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 65537}]})", {"ports[0].index", "-32768 to 32767"}},
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 18446744073709551615}]})",
         {"ports[0].index", "32767"}},
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 1, "endType": 4294967311}]})",
         {"ports[0].endType", "2147483647"}},
        // Duplicate keys, naming the key and where it is.
        {R"({"name": "a", "partDataBasis": 1, "partDataBasis": 2})",
         {"\"partDataBasis\"", ": the top-level object: ", "more than once"}},
        {R"({"parts": [{"name": "a", "partDataBasis": 1}, {"name": "b", "partDataBasis": 1,
            "inputs": {"Height": 0.1, "B": 0.2, "Height": 0.3}}]})",
         {"\"Height\"", ": parts[1].inputs: ", "more than once"}},
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 1}, {"index": 2, "pipeOD": 0.1, "pipeOD": 0.2}]})",
         {"\"pipeOD\"", ": ports[1]: ", "more than once"}},
        {R"({"parts": [], "parts": []})", {"\"parts\"", ": the top-level object: ", "more than once"}},
        {R"({"parts": [{"name": "a", "partDataBasis": 1}, {"name": "a", "partDataBasis": 2}]})",
         {"part 'a'", "more than one part"}},
        {R"({"parts": {"name": "a"}})", {"parts", "array"}},
        {R"({"name": "a", "partDataBasis": 1)", {"bad.json", "not valid JSON"}},
        {R"([1, 2])", {"parts[0]", "part object"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            catalog::parseCatalog(c.text, "bad.json");
            ADD_FAILURE() << "accepted";
        } catch (const catalog::CatalogError& error) {
            const std::string message = error.what();
            for (const char* mention : c.mentions) EXPECT_NE(message.find(mention), std::string::npos) << message;
        }
    }
}

// Every served value's sample part: tests/variants/RegistryTest.cpp.
TEST(Catalog, SampleCatalogueLoadsWithUniqueNames) {
    const auto parts = catalog::loadSampleCatalog();
    ASSERT_FALSE(parts.empty());
    std::set<std::string> names;
    for (const auto& part : parts) EXPECT_TRUE(names.insert(part.name).second) << part.name;
}

TEST(Catalog, ClosestNameSuggestsOnlyNearMisses) {
    const std::vector<std::string> names = {"FacetoFace", "Face1toCenter", "Height"};
    EXPECT_EQ(catalog::closestName("facetoface", names), "FacetoFace");
    EXPECT_EQ(catalog::closestName("Hieght", names), "Height");
    EXPECT_EQ(catalog::closestName("Colour", names), "");
}

} // namespace
} // namespace tcv::refhost
