// The ISO 10303-21 text of the IFC export: string escaping, reals that read back exactly, GlobalIds, and
// one small file pinned whole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <regex>
#include <set>

#include "tarncheckvalve/exports/IfcWriter.h"

namespace tcv {
namespace {

namespace p21 = exports::p21;

TEST(IfcText, StringsAreEscaped) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Body", "'Body'"},
        {"", "''"},
        {"it's", "'it''s'"},
        {"a\\b", "'a\\\\b'"},
        {"'\\'", "'''\\\\'''"},
        {"Stra\xC3\x9F"
         "e",
         "'Stra\\X2\\00DF\\X0\\e'"},                                                  // one character beyond ASCII
        {"\xC3\xA4\xC3\xB6-\xE2\x82\xAC", "'\\X2\\00E400F6\\X0\\-\\X2\\20AC\\X0\\'"}, // runs kept together
        {"\xF0\x9F\x98\x80", "'\\X2\\D83DDE00\\X0\\'"},                               // a surrogate pair
        {"line\nbreak\t", "'line\\X2\\000A\\X0\\break\\X2\\0009\\X0\\'"},
        {"bad \xFF byte", "'bad \\X2\\FFFD\\X0\\ byte'"},
        {"cut \xE2\x82", "'cut \\X2\\FFFD\\X0\\'"},
        {"overlong \xC0\xAF", "'overlong \\X2\\FFFD\\X0\\'"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(p21::string(text), expected) << text;
}

TEST(IfcText, RealsReadBackExactlyAndAlwaysHaveAPoint) {
    const std::vector<std::pair<double, std::string>> pinned = {{1.0, "1."},       {0.25, "0.25"},   {-2.5, "-2.5"},
                                                                {-0.0, "0."},      {1e-7, "1.E-07"}, {1e21, "1.E+21"},
                                                                {0.1143, "0.1143"}};
    for (const auto& [value, text] : pinned) EXPECT_EQ(p21::real(value), text);

    const std::regex grammar(R"(-?[0-9]+\.[0-9]*(E[+-]?[0-9]+)?)");
    for (double value : {0.1, 1.0 / 3.0, 0.0254 * 4, -0.05715, 123456789.125, 5e-324, 1.7976931348623157e308,
                         std::nextafter(1.0, 2.0), 0.12209999999999999, 2.2250738585072014e-308}) {
        const std::string text = p21::real(value);
        EXPECT_TRUE(std::regex_match(text, grammar)) << text;
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    }
    EXPECT_THROW(p21::real(std::numeric_limits<double>::quiet_NaN()), std::invalid_argument);
    EXPECT_THROW(p21::real(std::numeric_limits<double>::infinity()), std::invalid_argument);
}

TEST(IfcText, GlobalIdsAreValidStableAndDistinct) {
    const std::regex form("[0-3][0-9A-Za-z_$]{21}");
    std::set<std::string> ids;
    for (const char* key : {"", "a", "b", "valve|IfcValve", "valve|IfcValveType", "valve|port:1:1", "valve|port:2:2"}) {
        const std::string id = p21::globalId(key);
        EXPECT_TRUE(std::regex_match(id, form)) << id;
        EXPECT_EQ(p21::globalId(key), id);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 7u);
}

TEST(IfcText, SmallFileIsWrittenExactly) {
    p21::Writer writer;
    const auto point = writer.add("IfcCartesianPoint", {p21::list({p21::real(0), p21::real(-0.146), p21::real(1e-7)})});
    writer.add("IfcLocalPlacement", {p21::kUnset, p21::ref(point)});
    writer.add("IfcPropertySingleValue", {p21::string("Name 'x' \\ \xC3\xBC"), p21::kUnset,
                                          p21::typed("IFCINTEGER", p21::integer(-3)), p21::boolean(true)});
    writer.add("IfcSIUnit", {p21::kDerived, p21::enumeration("LENGTHUNIT"), p21::kUnset, p21::enumeration("METRE")});
    EXPECT_EQ(writer.count(), 4u);
    EXPECT_EQ(
        writer.file("v\xC3\xA4lve.ifc", "IFC4", "tests", p21::isoTimeStamp(1700000000)),
        "ISO-10303-21;\n"
        "HEADER;\n"
        "FILE_DESCRIPTION(('ViewDefinition [ReferenceView_V1.2]'),'2;1');\n"
        "FILE_NAME('v\\X2\\00E4\\X0\\lve.ifc','2023-11-14T22:13:20+00:00',(''),(''),'TarnCheckValve','tests','');\n"
        "FILE_SCHEMA(('IFC4'));\n"
        "ENDSEC;\n"
        "DATA;\n"
        "#1=IFCCARTESIANPOINT((0.,-0.146,1.E-07));\n"
        "#2=IFCLOCALPLACEMENT($,#1);\n"
        "#3=IFCPROPERTYSINGLEVALUE('Name ''x'' \\\\ \\X2\\00FC\\X0\\',$,IFCINTEGER(-3),.T.);\n"
        "#4=IFCSIUNIT(*,.LENGTHUNIT.,$,.METRE.);\n"
        "ENDSEC;\n"
        "END-ISO-10303-21;\n");
}

// The moment a file is stamped with: SOURCE_DATE_EPOCH where it holds a count of seconds, the present
// where it is unset or holds anything else.
TEST(IfcText, TheTimeStampIsSourceDateEpochWhereSetAndThePresentOtherwise) {
    const char* saved = std::getenv("SOURCE_DATE_EPOCH");
    const std::string restore = saved ? saved : "";
    const struct {
        const char* value;  // nullptr: unset
        long long expected; // -1: the present
    } cases[] = {{"1700000000", 1700000000}, {"0", 0}, {nullptr, -1}, {"", -1}, {"soon", -1}, {"-5", -1}, {"12x", -1}};
    for (const auto& c : cases) {
        if (c.value)
            setenv("SOURCE_DATE_EPOCH", c.value, 1);
        else
            unsetenv("SOURCE_DATE_EPOCH");
        const auto now = static_cast<long long>(std::time(nullptr));
        const long long got = p21::fileMoment();
        if (c.expected >= 0)
            EXPECT_EQ(got, c.expected) << (c.value ? c.value : "unset");
        else
            EXPECT_LE(std::llabs(got - now), 2) << (c.value ? c.value : "unset");
    }
    if (saved)
        setenv("SOURCE_DATE_EPOCH", restore.c_str(), 1);
    else
        unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(p21::isoTimeStamp(0), "1970-01-01T00:00:00+00:00");
    EXPECT_EQ(p21::isoTimeStamp(1796601600), "2026-12-07T00:00:00+00:00");
}

} // namespace
} // namespace tcv
