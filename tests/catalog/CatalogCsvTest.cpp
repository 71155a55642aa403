// Spreadsheet (CSV) catalogues: the same parts as their JSON, spreadsheet conventions read, and errors
// that name the file, the row as a spreadsheet numbers it and the column.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/CatalogCsv.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::refhost {
namespace {

// Everything a part holds, numbers to the last bit, so that two parts compare as text with a readable
// difference.
std::string describe(const CatalogPart& part) {
    std::ostringstream out;
    out << std::hexfloat << "name=" << part.name << "\ndescription=" << part.description
        << "\npartDataBasis=" << part.partDataBasis << "\noperatorSourceCode=" << part.operatorSourceCode
        << "\noperatorText=" << part.operatorText << "\n";
    for (const auto& [name, value] : part.inputs) out << "input " << name << "=" << value << "\n";
    for (const auto& port : part.ports)
        out << "port " << port.index << ": " << port.terminationClass << " " << port.endType << " " << port.attribute
            << " " << port.pipeOD << " " << port.flangeOD << " " << port.flangeThickness << " " << port.cptOffset << " "
            << port.depth << " " << port.length << " " << port.npd << " " << port.npdUnit << "\n";
    if (part.valveOperator) {
        out << "operator " << part.valveOperator->name << "\n";
        for (const auto& [name, value] : part.valveOperator->inputs)
            out << "operator input " << name << "=" << value << "\n";
    }
    return out.str();
}

void expectSameParts(const std::vector<CatalogPart>& a, const std::vector<CatalogPart>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(describe(a[i]), describe(b[i]));
}

std::string csvError(const std::string& text) {
    try {
        catalog::parseCsvCatalog(text, "parts.csv");
    } catch (const catalog::CatalogError& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(CatalogCsv, EverySampleCatalogueGoesToCsvAndBackAsTheSameParts) {
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(defaultDataDirectory() + "/catalog")) {
        if (entry.path().extension() != ".json") continue;
        ++files;
        SCOPED_TRACE(entry.path().string());
        const std::string path = entry.path().string();
        const auto fromJson = catalog::loadCatalogFile(path);
        const std::string csv = catalog::catalogCsvText(catalog::loadCatalogDocument(path), path);
        expectSameParts(fromJson, catalog::parseCsvCatalog(csv, "converted.csv"));
        // And back to JSON: the document a CSV file reads into gives the same parts again.
        expectSameParts(fromJson,
                        catalog::readCatalogParts(catalog::csvCatalogJson(csv, "converted.csv"), "back.json"));
    }
    EXPECT_GE(files, 5u);
}

TEST(CatalogCsv, ReadsWhatASpreadsheetSavesAsTheEquivalentJsonPart) {
    // Semicolons, a byte-order mark, CRLF line ends, quoted cells holding the delimiter, commas, doubled
    // quotes and a line end, blanks around cells, an empty row and padding cells past the last column.
    const std::string csv = "\xEF\xBB\xBF"
                            "name;description;PartDataBasis;FacetoFace;HandwheelAngle;port1.pipeOD;port1.npd;"
                            "port2.flangeOD;port2.npdUnit;operator.name;operator.OffsetFrmValCen\r\n"
                            "\"valve; 4\"\" swing\";\"cast, \"\"heavy\"\"\r\nsecond line\";2256; 292mm ;30deg;0.1143;"
                            "4;\"0.2286\";mm;wheel;300mm;;\r\n"
                            ";;;;;;;;;;\r\n"
                            "plain;;1;;;;;;;;\r\n";
    const std::string json = R"({"parts": [
        {"name": "valve; 4\" swing", "description": "cast, \"heavy\"\r\nsecond line", "partDataBasis": 2256,
         "inputs": {"FacetoFace": "292mm", "HandwheelAngle": "30deg"},
         "ports": [{"index": 1, "pipeOD": 0.1143, "npd": 4}, {"index": 2, "flangeOD": 0.2286, "npdUnit": "mm"}],
         "operator": {"name": "wheel", "inputs": {"OffsetFrmValCen": "300mm"}}},
        {"name": "plain", "partDataBasis": 1}]})";
    expectSameParts(catalog::parseCatalog(json, "parts.json"), catalog::parseCsvCatalog(csv, "parts.csv"));
    // The same part with commas and LF only reads alike.
    expectSameParts(
        catalog::parseCsvCatalog("name,PartDataBasis,FacetoFace\nplain,1,0.5\n", "a.csv"),
        catalog::parseCatalog(R"({"name": "plain", "partDataBasis": 1, "inputs": {"FacetoFace": 0.5}})", "a.json"));
}

TEST(CatalogCsv, RefusesBadHeadersAndCellsNamingFileRowAndColumn) {
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        // Headers (row 1).
        {"name,PartDataBasis,Facetoface\n", "parts.csv:1: Facetoface: unknown column; did you mean \"FacetoFace\"?"},
        {"name,PartDataBasis,port2.flangeOd\n",
         "parts.csv:1: port2.flangeOd: unknown port field; did you mean \"port2.flangeOD\"?"},
        {"name,PartDataBasis,port0.pipeOD\n",
         "parts.csv:1: port0.pipeOD: expected port<k>.<field> with k a port number from 1 to 32767, got \"0\""},
        {"name,PartDataBasis,,x\n", "parts.csv:1: column 3: the column has no name"},
        {"\r\n\r\nname,PartDataBasis,Colour\n", "parts.csv:3: Colour: unknown column"},
        {"name,PartDataBasis,name\n", "parts.csv:1: name: the column appears more than once (columns 1 and 3)"},
        {"name,FacetoFace\n", "parts.csv:1: PartDataBasis: no such column"},
        {"", "parts.csv:1: the file holds no rows"},
        {"\xFF\xFEn\0a", "parts.csv:1: the file is UTF-16 text"},
        // Cells, in spreadsheet numbering: a multi-line quoted cell is one row, a blank line is a row.
        {"name;PartDataBasis;port2.flangeOD\na;1;0.2\n\n\"b\nstill b\";1;0.2\n\nc;1;12,5 mm\n",
         "parts.csv:6: port2.flangeOD: \"12,5 mm\" is not a length"},
        {"name;PartDataBasis;FacetoFace\r\na;1;12,5\r\n", "parts.csv:2: FacetoFace: \"12,5\" is not a length"},
        {"name,PartDataBasis\na,2256.5\n", "parts.csv:2: PartDataBasis: \"2256.5\" is not a whole number"},
        {"name,PartDataBasis\na,4294967296\n", "parts.csv:2: PartDataBasis: \"4294967296\" is not a whole number from"},
        {"name,PartDataBasis,port1.npd\na,1,four\n", "parts.csv:2: port1.npd: \"four\" is not a number"},
        {"name,PartDataBasis,HandwheelAngle\na,1,30mm\n", "parts.csv:2: HandwheelAngle: \"30mm\" is not an angle"},
        {"name,PartDataBasis\n,1\n", "parts.csv:2: name: empty; every part needs a name"},
        {"name,PartDataBasis\na,\n", "parts.csv:2: PartDataBasis: empty"},
        {"name,PartDataBasis\na,1\nb,1\na,2\n", "parts.csv:4: name: \"a\" is already the name of the part in row 2"},
        {"name,PartDataBasis\na,1,,x\n", "parts.csv:2: column 4: a value beyond the header's 2 columns: \"x\""},
        {"name,PartDataBasis,description\na,1,\"\xC3\x28\"\n", "parts.csv:2: description: not UTF-8 text"},
        // Malformed quoting, at the row where it is.
        {"name,PartDataBasis\na,1\nb\"c,1\n", "parts.csv:3: malformed CSV"},
        {"name,PartDataBasis\na,1\n\"b,1\n", "parts.csv:3: a quoted cell that starts in this row is never closed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(csvError(c.text).substr(0, c.message.size()), c.message);
    }
    // A long value is quoted cut short.
    const std::string longCell(500, 'x');
    EXPECT_LT(csvError("name,PartDataBasis,FacetoFace\na,1," + longCell + "\n").size(), 300u);
}

TEST(CatalogCsv, WritingRefusesWhatAnEmptyCellOrAPortColumnCannotHold) {
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 2}, {"index": 1}]})", "comes after port 2"},
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 1}, {"index": 1}]})", "is given twice"},
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 0}]})", "port 0 cannot be a CSV column"},
        {R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 1, "npdUnit": ""}]})", "an empty unit"},
        {R"({"name": "a", "partDataBasis": 1, "operator": {"name": ""}})", "an empty operator name"},
        {R"({"name": "a", "partDataBasis": 1, "operator": {"inputs": {"name": 1}}})", "operator input called \"name\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        try {
            catalog::catalogCsvText(catalog::parseCatalogDocument(c.json, "a.json"), "a.json");
            ADD_FAILURE() << "not refused";
        } catch (const catalog::CatalogError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
    // A port given by its index alone and an empty operator keep existing.
    const char* bare = R"({"name": "a", "partDataBasis": 1, "ports": [{"index": 1}, {"index": 3}], "operator": {}})";
    expectSameParts(catalog::parseCatalog(bare, "a.json"),
                    catalog::parseCsvCatalog(
                        catalog::catalogCsvText(catalog::parseCatalogDocument(bare, "a.json"), "a.json"), "a.csv"));
}

TEST(CatalogCsv, FilesAreReadAsCsvByTheirNameInAnyCase) {
    const auto folder = std::filesystem::temp_directory_path() / ("tcv-csv-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "folder.csv");
    std::ofstream(folder / "parts.CSV") << "name,PartDataBasis\na,2256\n";
    EXPECT_TRUE(catalog::isCsvCatalogPath("x.Csv"));
    EXPECT_FALSE(catalog::isCsvCatalogPath("csv"));
    EXPECT_EQ(catalog::loadCatalogFile((folder / "parts.CSV").string()).at(0).partDataBasis, 2256);
    try {
        catalog::loadCatalogFile((folder / "folder.csv").string());
        ADD_FAILURE() << "a folder was read";
    } catch (const catalog::CatalogError& error) {
        EXPECT_NE(std::string(error.what()).find("not a catalogue file but a folder"), std::string::npos);
    }
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace tcv::refhost
