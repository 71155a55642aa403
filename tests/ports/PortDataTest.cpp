// Port data and the pipe outside diameter, through the reference host's parts, context and units.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "ports/DataFiles.h"
#include "ports/basPipePortParameters.h"
#include "refhost/OutputCollection.h"
#include "support/TestSupport.h"

namespace tcv::test {
namespace {

constexpr double kInch = 0.0254;
constexpr std::int32_t kBasis = 2256;

refhost::PortSpec port(std::int16_t index, std::int32_t terminationClass, double pipeOD, double flangeOD = 0,
                       double npd = 0, std::string unit = "in") {
    refhost::PortSpec partSpec;
    partSpec.index = index;
    partSpec.terminationClass = terminationClass;
    partSpec.pipeOD = pipeOD;
    partSpec.flangeOD = flangeOD;
    partSpec.flangeThickness = 0.02;
    partSpec.cptOffset = 0.005;
    partSpec.depth = 0.003;
    partSpec.npd = npd;
    partSpec.npdUnit = std::move(unit);
    return partSpec;
}

std::shared_ptr<refhost::RefPart> partWith(std::vector<refhost::PortSpec> ports, std::int32_t basis = kBasis) {
    refhost::PartSpec partSpec;
    partSpec.name = "port data sample";
    partSpec.partDataBasis = basis;
    partSpec.ports = std::move(ports);
    return refhost::makePart(partSpec);
}

// A reference host whose "OLE_SERVER" is a fresh temporary directory; module state is reset around
// each test so that no test sees another's data file.
class PortDataTest : public ::testing::Test {
protected:
    PortDataTest() { ResetPortModuleState(); }
    ~PortDataTest() override { ResetPortModuleState(); }

    static refhost::HostOptions optionsFor(const TempDataDirectory& directory) {
        refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
        options.dataDirectory = directory.path();
        options.buildShapes = false;
        return options;
    }

    TempDataDirectory data;
    HostFixtureScope host{optionsFor(data)};
    host::OutputCollectionPtr outputs = std::make_shared<refhost::RefOutputCollection>();
};

// --- RetrievePortData -------------------------------------------------------------------------------

struct CptCase {
    std::int32_t terminationClass;
    bool flag;
    double expectedCpt;
};

TEST_F(PortDataTest, ReadsPortValuesAndClearsTheCptOffsetOfFlangedPortsWhenAsked) {
    const CptCase cases[] = {
        {5, true, 0.0}, {5, false, 0.005}, {10, true, 0.005}, {15, true, 0.005}, {20, true, 0.005}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "termination class " << c.terminationClass << ", flag " << c.flag);
        auto part = partWith({port(1, c.terminationClass, 0.1143, 0.2286)});
        std::int16_t index = 1;
        double od = -1, thickness = -1, flange = -1, cpt = -1, depth = -1;
        RetrievePortData(index, part, outputs, od, thickness, flange, cpt, depth, c.flag);
        EXPECT_DOUBLE_EQ(od, 0.1143); // no data file: the port's own diameter
        EXPECT_DOUBLE_EQ(thickness, 0.02);
        EXPECT_DOUBLE_EQ(flange, 0.2286);
        EXPECT_DOUBLE_EQ(cpt, c.expectedCpt);
        EXPECT_DOUBLE_EQ(depth, 0.003);
    }
}

TEST_F(PortDataTest, RecordFormPassesTheFlagTrueAndExtendedFormReadsTheAttribute) {
    auto flangedPort = port(1, 5, 0.1143, 0.2286);
    flangedPort.attribute = 42;
    auto part = partWith({flangedPort});

    PortDataRecord record;
    RetrievePortData(1, part, outputs, record);
    EXPECT_DOUBLE_EQ(record.cptOffset, 0.0);
    EXPECT_DOUBLE_EQ(record.flangeDiameter, 0.2286);

    std::int16_t index = 1;
    std::int32_t attribute = 0;
    double od = 0, thickness = 0, flange = 0, cpt = 0, depth = 0;
    RetrievePortDataEx(index, part, outputs, od, thickness, flange, cpt, depth, attribute, true);
    EXPECT_EQ(attribute, 42);
    EXPECT_DOUBLE_EQ(cpt, 0.0);
    EXPECT_DOUBLE_EQ(depth, 0.003);
}

TEST_F(PortDataTest, FindsThePortByIndexButLooksUpItsDiameterByPosition) {
    // Position 1 holds port index 2 and position 2 holds port index 1.
    auto second = port(2, 10, 0.2, 0.4);
    second.flangeThickness = 0.04;
    auto first = port(1, 10, 0.1, 0.3);
    first.flangeThickness = 0.03;
    auto part = partWith({second, first});

    std::int16_t index = 1;
    double od = 0, thickness = 0, flange = 0, cpt = 0, depth = 0;
    RetrievePortData(index, part, outputs, od, thickness, flange, cpt, depth, true);
    EXPECT_DOUBLE_EQ(thickness, 0.03);
    EXPECT_DOUBLE_EQ(flange, 0.3);
    EXPECT_DOUBLE_EQ(od, 0.2); // the diameter of the port at position 1
}

TEST_F(PortDataTest, UnmatchedPortIndexLeavesTheCallersValues) {
    auto part = partWith({port(1, 5, 0.1143, 0.2286), port(2, 5, 0.1143, 0.2286)});

    std::int16_t index = 3;
    double od = 1, thickness = 2, flange = 3, cpt = 4, depth = 5;
    std::int32_t attribute = 6;
    RetrievePortDataEx(index, part, outputs, od, thickness, flange, cpt, depth, attribute, true);
    EXPECT_EQ((std::vector<double>{od, thickness, flange, cpt, depth}), (std::vector<double>{1, 2, 3, 4, 5}));
    EXPECT_EQ(attribute, 6);

    PortDataRecord record{7, 8, 9, 10, 11};
    RetrievePortData(3, part, outputs, record);
    EXPECT_EQ((std::vector<double>{record.pipeOD, record.flangeThickness, record.flangeDiameter, record.cptOffset,
                                   record.depth}),
              (std::vector<double>{7, 8, 9, 10, 11}));
}

TEST_F(PortDataTest, AnObjectThatIsNoPartIsAnError) {
    PortDataRecord record;
    EXPECT_THROW(
        RetrievePortData(1, std::make_shared<refhost::RefOperatorPart>(refhost::OperatorSpec{}), outputs, record),
        host::HostError);
}

// --- GetPipeOutsideDiamter: the sources in their order ------------------------------------------------

const std::vector<std::string> kTwoSizes = {R"(<NPD SizeInInch="2" SizeInMM="50">2.375</NPD>)",
                                            R"(<NPD SizeInInch="4" SizeInMM="100"> 4.5 </NPD>)"};
const std::vector<std::string> kFactors = {R"(<TerminationClass Type="Flanged">0.5</TerminationClass>)",
                                           R"(<TerminationClass Type="Female">0.25</TerminationClass>)",
                                           R"(<TerminationClass Type="Mechanical">0.75</TerminationClass>)"};
const std::string kEstimated = basisEntry(kBasis, "  EstimatedPIPEODbased ");

struct DiameterCase {
    std::string name;
    bool dataFile;
    std::vector<std::string> bases;
    refhost::PortSpec port;
    double expected;
};

TEST_F(PortDataTest, TakesThePipeOutsideDiameterFromItsSourcesInOrder) {
    const DiameterCase cases[] = {
        {"code 10 keeps its own diameter although the part is listed", true, {kEstimated}, port(1, 10, 0.2, 0, 3), 0.2},
        {"no data file: own diameter", false, {kEstimated}, port(1, 5, 0.11, 0.3, 3), 0.11},
        {"no data file and no own diameter: no factor either", false, {}, port(1, 5, 0, 0.3, 3), 0.0},
        {"listed as estimated: interpolated", true, {kEstimated}, port(1, 5, 0.2, 0, 3), 3.4375 * kInch},
        {"listed as estimated: extrapolated above", true, {kEstimated}, port(1, 5, 0.2, 0, 5), 5.5625 * kInch},
        {"listed as estimated: extrapolated below", true, {kEstimated}, port(1, 5, 0.2, 0, 1), 1.3125 * kInch},
        {"listed as estimated: a size of the table", true, {kEstimated}, port(1, 5, 0.2, 0, 4), 4.5 * kInch},
        {"size unit 'IN' is not 'in': millimetre sizes",
         true,
         {kEstimated},
         port(1, 5, 0, 0, 75, "IN"),
         3.4375 * kInch},
        {"size unit 'mm': millimetre sizes", true, {kEstimated}, port(1, 5, 0, 0, 75, "mm"), 3.4375 * kInch},
        {"listed with another text: 0", true, {basisEntry(kBasis, "PipeODBased")}, port(1, 5, 0.2, 0.3, 3), 0.0},
        {"not listed: own diameter", true, {basisEntry(1, "EstimatedPipeODBased")}, port(1, 5, 0.2, 0.3, 3), 0.2},
        {"not listed, no own diameter, flanged", true, {}, port(1, 5, 0, 0.3), 0.15},
        {"not listed, own diameter within the tolerance of 0", true, {}, port(1, 5, 5e-8, 0.3), 0.15},
        {"not listed, negative own diameter", true, {}, port(1, 5, -0.01, 0.3), 0.15},
        {"not listed, no own diameter, female", true, {}, port(1, 15, 0, 0.3), 0.075},
        {"not listed, no own diameter, mechanical", true, {}, port(1, 20, 0, 0.3), 0.225},
        {"not listed, no own diameter, other termination class", true, {}, port(1, 25, 0, 0.3), 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.dataFile)
            data.write(DataFileContent{c.bases, kTwoSizes, kFactors}.text());
        else
            std::filesystem::remove(data.dataFile());
        EXPECT_NEAR(GetPipeOutsideDiamter(partWith({c.port}), 1), c.expected, 1e-12);
    }
}

TEST_F(PortDataTest, BrokenDataNeverRaises) {
    struct BrokenCase {
        std::string name;
        std::string fileText;
        refhost::PortSpec port;
        double expected;
    };
    const BrokenCase cases[] = {
        {"malformed file, own diameter", "<OutsideDiameterforSymbolGraphicsConstruction><NPD", port(1, 5, 0.2, 0.3),
         0.2},
        {"malformed file, no own diameter", "<<<", port(1, 5, 0, 0.3), 0.0},
        {"empty file", "", port(1, 5, 0, 0.3), 0.0},
        {"missing factor", DataFileContent{{}, kTwoSizes, {}}.text(), port(1, 5, 0, 0.3), 0.0},
        {"unreadable factor",
         DataFileContent{{}, kTwoSizes, {R"(<TerminationClass Type="Flanged">half</TerminationClass>)"}}.text(),
         port(1, 5, 0, 0.3), 0.0},
        {"estimated from one size that is not asked for",
         DataFileContent{{kEstimated}, {kTwoSizes[0]}, kFactors}.text(), port(1, 5, 0.2, 0, 3), 0.0},
        {"estimated from no sizes", DataFileContent{{kEstimated}, {}, kFactors}.text(), port(1, 5, 0.2, 0, 3), 0.0},
        {"unreadable rows are left out",
         DataFileContent{{kEstimated},
                         {R"(<NPD SizeInInch="3" SizeInMM="80">three</NPD>)", R"(<NPD SizeInMM="90">4.0</NPD>)",
                          R"(<NPD SizeInInch="x" SizeInMM="90">4.0</NPD>)", kTwoSizes[0], kTwoSizes[1]},
                         kFactors}
             .text(),
         port(1, 5, 0.2, 0, 3), 3.4375 * kInch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        data.write(c.fileText);
        double diameter = -1;
        EXPECT_NO_THROW(diameter = GetPipeOutsideDiamter(partWith({c.port}), 1));
        EXPECT_NEAR(diameter, c.expected, 1e-12);
    }
}

TEST_F(PortDataTest, LookupWithoutAPortOrAPartGivesZero) {
    data.write(DataFileContent{{}, kTwoSizes, kFactors}.text());
    EXPECT_EQ(GetPipeOutsideDiamter(partWith({port(1, 10, 0.2)}), 2), 0.0);
    EXPECT_EQ(GetPipeOutsideDiamter(partWith({port(1, 10, 0.2)}), 0), 0.0);
    EXPECT_EQ(GetPipeOutsideDiamter(nullptr, 1), 0.0);
}

TEST_F(PortDataTest, AThreadWithoutAHostUsesThePortsOwnDiameter) {
    data.write(DataFileContent{{kEstimated}, kTwoSizes, kFactors}.text());
    auto part = partWith({port(1, 5, 0.2, 0, 3)});
    EXPECT_NEAR(GetPipeOutsideDiamter(part, 1), 3.4375 * kInch, 1e-12);
    double onOtherThread = -1;
    std::thread([&] { onOtherThread = GetPipeOutsideDiamter(part, 1); }).join();
    EXPECT_DOUBLE_EQ(onOtherThread, 0.2);
}

TEST_F(PortDataTest, AnEditedDataFileIsReadAgainAtOnce) {
    // Two texts of one length, written within a tick of the file clock: only the content differs.
    auto part = partWith({port(1, 5, 0.2, 0, 3)});
    data.write(DataFileContent{{basisEntry(kBasis, "EstimatedPipeODBased")}, kTwoSizes, kFactors}.text());
    EXPECT_NEAR(GetPipeOutsideDiamter(part, 1), 3.4375 * kInch, 1e-12);
    data.write(DataFileContent{{basisEntry(kBasis, "EstimatedPipeODBasee")}, kTwoSizes, kFactors}.text());
    EXPECT_EQ(GetPipeOutsideDiamter(part, 1), 0.0);
    data.write(DataFileContent{{basisEntry(kBasis, "EstimatedPipeODBased")}, kTwoSizes, kFactors}.text());
    EXPECT_NEAR(GetPipeOutsideDiamter(part, 1), 3.4375 * kInch, 1e-12);
}

// --- CheckXMLExists and the context --------------------------------------------------------------------

TEST_F(PortDataTest, DataFileIsFoundInTheXmlFolderOfTheDataDirectory) {
    EXPECT_FALSE(CheckXMLExists("OutsideDiameterforSymbolGraphics.xml"));
    data.write(DataFileContent{}.text());
    EXPECT_TRUE(CheckXMLExists("OutsideDiameterforSymbolGraphics.xml"));
    EXPECT_FALSE(CheckXMLExists("Other.xml"));
    std::filesystem::create_directories(data.dataFile().parent_path() / "Folder.xml");
    EXPECT_FALSE(CheckXMLExists("Folder.xml"));
}

TEST_F(PortDataTest, KeptContextFollowsTheHostSessionOfTheThread) {
    auto part = partWith({port(1, 5, 0.2, 0, 3)});
    data.write(DataFileContent{{kEstimated}, kTwoSizes, kFactors}.text());
    EXPECT_NEAR(GetPipeOutsideDiamter(part, 1), 3.4375 * kInch, 1e-12);

    TempDataDirectory other;
    other.write(DataFileContent{{basisEntry(kBasis, "Other")}, kTwoSizes, kFactors}.text());
    HostFixtureScope otherHost(optionsFor(other));
    EXPECT_EQ(GetPipeOutsideDiamter(part, 1), 0.0);
}

// --- InterpolatePipeOutsideDiameter and SortCollection -------------------------------------------------

TEST(InterpolatePipeOutsideDiameter, InterpolatesInsideAndExtrapolatesFromTheNearestPair) {
    std::map<double, double> table = {{2, 2.375}, {4, 4.5}, {6, 6.625}, {8, 8.625}};
    const std::pair<double, double> cases[] = {{4, 4.5},    {3, 3.4375},  {5, 5.5625},   {7, 7.625},
                                               {1, 1.3125}, {10, 10.625}, {2.5, 2.90625}};
    for (const auto& [size, expected] : cases) EXPECT_DOUBLE_EQ(InterpolatePipeOutsideDiameter(table, size), expected);

    std::map<double, double> single = {{2, 2.375}};
    EXPECT_EQ(InterpolatePipeOutsideDiameter(single, 2), 2.375);
    EXPECT_EQ(InterpolatePipeOutsideDiameter(single, 3), 0.0);
    std::map<double, double> empty;
    EXPECT_EQ(InterpolatePipeOutsideDiameter(empty, 3), 0.0);
    EXPECT_EQ(InterpolatePipeOutsideDiameter(table, std::nan("")), 0.0);
}

TEST(SortCollection, ReplacesTheNumbersByTheSameNumbersInAscendingOrder) {
    std::vector<double> numbers = {8, 0.125, 24, 3.5, -1, 2};
    SortCollection(numbers);
    EXPECT_EQ(numbers, (std::vector<double>{-1, 0.125, 2, 3.5, 8, 24}));
}

// --- The shipped data file ---------------------------------------------------------------------------------

// The shipped data file, with the entry (if any) listed first among the parts.
std::string shippedDataFile(const std::string& basisEntryText = {}) {
    std::ifstream in(std::filesystem::path(refhost::defaultDataDirectory()) / "xml" /
                     "OutsideDiameterforSymbolGraphics.xml");
    std::stringstream text;
    text << in.rdbuf();
    std::string xml = text.str();
    const std::string anchor = "<BasisforGraphicsCreation>";
    auto at = xml.find(anchor);
    if (at == std::string::npos) throw std::runtime_error("the shipped data file has no BasisforGraphicsCreation");
    return xml.insert(at + anchor.size(), basisEntryText);
}

TEST_F(PortDataTest, ShippedDataFileGivesPublishedDiametersForListedParts) {
    data.write(shippedDataFile(basisEntry(kBasis, "EstimatedPipeODBased")));
    struct Case {
        double npd;
        std::string unit;
        double metres;
    };
    const Case cases[] = {
        {4, "in", 0.1143},   {100, "mm", 0.1143}, {0.125, "in", 0.405 * kInch}, {6, "mm", 0.405 * kInch},
        {3.5, "in", 0.1016}, {24, "in", 0.6096},  {1.25, "in", 1.66 * kInch},   {4.5, "in", (4.5 + 5.563) / 2 * kInch}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.npd << " " << c.unit);
        EXPECT_NEAR(GetPipeOutsideDiamter(partWith({port(1, 5, 0, 0, c.npd, c.unit)}), 1), c.metres, 1e-9);
    }
}

TEST_F(PortDataTest, ShippedDataFileListsNoPartAndEstimatesFromClass150Flanges) {
    data.write(shippedDataFile());
    // Pipe OD and class 150 flange OD of NPS 2, 4, 6 and 8, in metres.
    const std::pair<double, double> flanges[] = {
        {0.0603, 0.1524}, {0.1143, 0.2286}, {0.1683, 0.2794}, {0.2191, 0.3429}};
    for (const auto& [pipeOD, flangeOD] : flanges) {
        SCOPED_TRACE(testing::Message() << "pipe OD " << pipeOD);
        // Not listed: a part with its own diameter keeps it.
        EXPECT_DOUBLE_EQ(GetPipeOutsideDiamter(partWith({port(1, 5, pipeOD, flangeOD, 4)}), 1), pipeOD);
        double estimate = GetPipeOutsideDiamter(partWith({port(1, 5, 0, flangeOD, 4)}), 1);
        EXPECT_NEAR(estimate / pipeOD, 1.0, 0.35);
    }
    for (std::int32_t terminationClass : {15, 20}) {
        double estimate = GetPipeOutsideDiamter(partWith({port(1, terminationClass, 0, 0.1)}), 1);
        EXPECT_GT(estimate, 0.05);
        EXPECT_LT(estimate, 0.1);
    }
}

} // namespace
} // namespace tcv::test
