// Port data and the pipe outside diameter, through the reference host's parts, context and units.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "support/TestSupport.h"
#include "tarncheckvalve/catalog/Warnings.h"
#include "tarncheckvalve/host/Diagnostics.h"
#include "tarncheckvalve/ports/OutsideDiameterTable.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"
#include "tarncheckvalve/refhost/OutputCollection.h"

namespace tcv::test {
namespace {

namespace fs = std::filesystem;
constexpr double kInch = 0.0254;
constexpr std::int32_t kBasis = 2256;

// A temporary data directory for the host's "OLE_SERVER", with an "xml" folder for the data file.
struct TempDataDirectory {
    std::string path = make();
    ~TempDataDirectory() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path dataFile() const { return fs::path(path) / "xml" / "OutsideDiameterforSymbolGraphics.xml"; }
    void write(const std::string& content) const { std::ofstream(dataFile()) << content; }
    static std::string make() {
        std::string pattern = (fs::temp_directory_path() / "tcv-ports-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
        fs::create_directories(fs::path(pattern) / "xml");
        return pattern;
    }
};

using Lines = std::vector<std::string>;

// A data file of the given basis entries, size rows and termination-class factors.
std::string dataFile(const Lines& bases, const Lines& sizes, const Lines& factors) {
    std::string xml = "<?xml version=\"1.0\"?>\n<OutsideDiameterforSymbolGraphicsConstruction>\n"
                      "<BasisforGraphicsCreation>\n";
    for (const auto& line : bases) xml += line + "\n";
    xml += "</BasisforGraphicsCreation>\n<NPDandPipingODInInchesTable>\n";
    for (const auto& line : sizes) xml += line + "\n";
    xml += "</NPDandPipingODInInchesTable>\n<FactoronFlangeorHuborMechanicalOutsideDiameter>\n";
    for (const auto& line : factors) xml += line + "\n";
    return xml + "</FactoronFlangeorHuborMechanicalOutsideDiameter>\n</OutsideDiameterforSymbolGraphicsConstruction>\n";
}

std::string basisEntry(int partDataBasis, const std::string& text) {
    return "<PartDataBasis Value=\"" + std::to_string(partDataBasis) + "\">" + text + "</PartDataBasis>";
}

const Lines kTwoSizes = {R"(<NPD SizeInInch="2" SizeInMM="50">2.375</NPD>)",
                         R"(<NPD SizeInInch="4" SizeInMM="100"> 4.5 </NPD>)"};
const Lines kFactors = {R"(<TerminationClass Type="Flanged">0.5</TerminationClass>)",
                        R"(<TerminationClass Type="Female">0.25</TerminationClass>)",
                        R"(<TerminationClass Type="Mechanical">0.75</TerminationClass>)"};
const std::string kEstimated = basisEntry(kBasis, "  EstimatedPIPEODbased ");
// The data file with the sizes and factors above and the given basis entries.
std::string listing(const Lines& bases) { return dataFile(bases, kTwoSizes, kFactors); }

refhost::PortSpec port(std::int32_t terminationClass, double pipeOD, double flangeOD = 0, double npd = 0,
                       std::string unit = "in") {
    refhost::PortSpec p;
    p.terminationClass = terminationClass, p.pipeOD = pipeOD, p.flangeOD = flangeOD, p.npd = npd, p.npdUnit = unit;
    p.flangeThickness = 0.02, p.cptOffset = 0.005, p.depth = 0.003;
    return p;
}

std::shared_ptr<refhost::RefPart> partWith(std::vector<refhost::PortSpec> ports) {
    auto partSpec = twoPortPart(kBasis);
    partSpec.ports = std::move(ports);
    return refhost::makePart(partSpec);
}

double diameter(const refhost::PortSpec& p) { return ports::GetPipeOutsideDiamter(partWith({p}), 1); }

// A reference host whose "OLE_SERVER" is a fresh temporary directory; module state is reset around
// each test so that no test sees another's data file.
class PortDataTest : public ::testing::Test {
protected:
    PortDataTest() { ports::resetPortModuleState(); }
    ~PortDataTest() override { ports::resetPortModuleState(); }

    static refhost::HostOptions optionsFor(const TempDataDirectory& directory) {
        refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
        options.dataDirectory = directory.path, options.kernel.reset();
        return options;
    }

    TempDataDirectory data;
    HostFixtureScope host{optionsFor(data)};
    host::OutputCollectionPtr outputs = std::make_shared<refhost::RefOutputCollection>();
};

// --- RetrievePortData -------------------------------------------------------------------------------

// All three forms read the same values (the record form passes the flag true); the extended form also
// reads the attribute.
TEST_F(PortDataTest, ReadsPortValuesAndClearsTheCptOffsetOfFlangedPortsWhenAsked) {
    const std::tuple<std::int32_t, bool, double> cases[] = {
        {5, true, 0.0}, {5, false, 0.005}, {10, true, 0.005}, {15, true, 0.005}, {20, true, 0.005}};
    for (const auto& [terminationClass, flag, expectedCpt] : cases) {
        SCOPED_TRACE(testing::Message() << "termination class " << terminationClass << ", flag " << flag);
        auto flangedPort = port(terminationClass, 0.1143, 0.2286);
        flangedPort.attribute = 42;
        auto part = partWith({flangedPort});
        const std::vector<double> expected = {0.1143, 0.02, 0.2286, expectedCpt, 0.003}; // no data file: own OD
        std::int16_t index = 1;
        std::int32_t attribute = 0;
        double od = -1, thickness = -1, flange = -1, cpt = -1, depth = -1;
        ports::RetrievePortData(index, part, outputs, od, thickness, flange, cpt, depth, flag);
        EXPECT_EQ((std::vector<double>{od, thickness, flange, cpt, depth}), expected);
        od = thickness = flange = cpt = depth = -1;
        ports::RetrievePortDataEx(index, part, outputs, od, thickness, flange, cpt, depth, attribute, flag);
        EXPECT_EQ((std::vector<double>{od, thickness, flange, cpt, depth}), expected);
        EXPECT_EQ(attribute, 42);
        if (!flag) continue;
        ports::PortDataRecord record;
        ports::RetrievePortData(1, part, outputs, record);
        EXPECT_EQ((std::vector<double>{record.pipeOD, record.flangeThickness, record.flangeDiameter, record.cptOffset,
                                       record.depth}),
                  expected);
    }
}

TEST_F(PortDataTest, FindsThePortByIndexButLooksUpItsDiameterByPosition) {
    // Position 1 holds port index 2 and position 2 holds port index 1.
    auto second = port(10, 0.2, 0.4), first = port(10, 0.1, 0.3);
    second.index = 2, second.flangeThickness = 0.04, first.flangeThickness = 0.03;
    auto part = partWith({second, first});
    std::int16_t index = 1;
    double od = 0, thickness = 0, flange = 0, cpt = 0, depth = 0;
    ports::RetrievePortData(index, part, outputs, od, thickness, flange, cpt, depth, true);
    EXPECT_EQ((std::vector<double>{od, thickness, flange}), (std::vector<double>{0.2, 0.03, 0.3}));

    // An index no port has leaves the caller's values; an object that is no part is an error.
    index = 3;
    od = 1, thickness = 2, flange = 3, cpt = 4, depth = 5;
    std::int32_t attribute = 6;
    ports::RetrievePortDataEx(index, part, outputs, od, thickness, flange, cpt, depth, attribute, true);
    EXPECT_EQ((std::vector<double>{od, thickness, flange, cpt, depth, double(attribute)}),
              (std::vector<double>{1, 2, 3, 4, 5, 6}));
    ports::PortDataRecord record{7, 8, 9, 10, 11};
    ports::RetrievePortData(3, part, outputs, record);
    EXPECT_EQ((std::vector<double>{record.pipeOD, record.flangeThickness, record.flangeDiameter, record.cptOffset,
                                   record.depth}),
              (std::vector<double>{7, 8, 9, 10, 11}));
    auto notAPart = std::make_shared<refhost::RefOperatorPart>(refhost::OperatorSpec{});
    EXPECT_THROW(ports::RetrievePortData(1, notAPart, outputs, record), host::HostError);

    // The diameter of a position without a port, or of no part, is 0.
    data.write(listing({}));
    EXPECT_EQ(ports::GetPipeOutsideDiamter(part, 3), 0.0);
    EXPECT_EQ(ports::GetPipeOutsideDiamter(part, 0), 0.0);
    EXPECT_EQ(ports::GetPipeOutsideDiamter(nullptr, 1), 0.0);
}

// --- GetPipeOutsideDiamter: the sources in their order, and broken data ---------------------------

struct DiameterCase {
    std::string name;
    std::optional<std::string> file; // none: no data file
    refhost::PortSpec port;
    double expected;
};

TEST_F(PortDataTest, TakesThePipeOutsideDiameterFromItsSourcesInOrderAndNeverRaises) {
    const DiameterCase cases[] = {
        {"code 10 keeps its own diameter although the part is listed", listing({kEstimated}), port(10, 0.2, 0, 3), 0.2},
        {"no data file: own diameter", std::nullopt, port(5, 0.11, 0.3, 3), 0.11},
        {"no data file and no own diameter: no factor either", std::nullopt, port(5, 0, 0.3, 3), 0.0},
        {"listed as estimated: interpolated", listing({kEstimated}), port(5, 0.2, 0, 3), 3.4375 * kInch},
        {"listed as estimated: extrapolated above", listing({kEstimated}), port(5, 0.2, 0, 5), 5.5625 * kInch},
        {"listed as estimated: extrapolated below", listing({kEstimated}), port(5, 0.2, 0, 1), 1.3125 * kInch},
        {"listed as estimated: a size of the table", listing({kEstimated}), port(5, 0.2, 0, 4), 4.5 * kInch},
        {"size unit 'IN' is not 'in': millimetre sizes", listing({kEstimated}), port(5, 0, 0, 75, "IN"),
         3.4375 * kInch},
        {"size unit 'mm': millimetre sizes", listing({kEstimated}), port(5, 0, 0, 75, "mm"), 3.4375 * kInch},
        {"listed with another text: 0", listing({basisEntry(kBasis, "PipeODBased")}), port(5, 0.2, 0.3, 3), 0.0},
        {"not listed: own diameter", listing({basisEntry(1, "EstimatedPipeODBased")}), port(5, 0.2, 0.3, 3), 0.2},
        {"not listed, no own diameter, flanged", listing({}), port(5, 0, 0.3), 0.15},
        {"not listed, own diameter within the tolerance of 0", listing({}), port(5, 5e-8, 0.3), 0.15},
        {"not listed, negative own diameter", listing({}), port(5, -0.01, 0.3), 0.15},
        {"not listed, no own diameter, female", listing({}), port(15, 0, 0.3), 0.075},
        {"not listed, no own diameter, mechanical", listing({}), port(20, 0, 0.3), 0.225},
        {"not listed, no own diameter, other termination class", listing({}), port(25, 0, 0.3), 0.0},
        // Broken data files.
        {"malformed file, own diameter", "<OutsideDiameterforSymbolGraphicsConstruction><NPD", port(5, 0.2, 0.3), 0.2},
        {"malformed file, no own diameter", "<<<", port(5, 0, 0.3), 0.0},
        {"empty file", "", port(5, 0, 0.3), 0.0},
        {"missing factor", dataFile({}, kTwoSizes, {}), port(5, 0, 0.3), 0.0},
        {"unreadable factor", dataFile({}, kTwoSizes, {R"(<TerminationClass Type="Flanged">half</TerminationClass>)"}),
         port(5, 0, 0.3), 0.0},
        {"estimated from one size that is not asked for", dataFile({kEstimated}, {kTwoSizes[0]}, kFactors),
         port(5, 0.2, 0, 3), 0.0},
        {"estimated from no sizes", dataFile({kEstimated}, {}, kFactors), port(5, 0.2, 0, 3), 0.0},
        {"unreadable rows are left out",
         dataFile({kEstimated},
                  {R"(<NPD SizeInInch="3" SizeInMM="80">three</NPD>)", R"(<NPD SizeInMM="90">4.0</NPD>)",
                   R"(<NPD SizeInInch="x" SizeInMM="90">4.0</NPD>)", kTwoSizes[0], kTwoSizes[1]},
                  kFactors),
         port(5, 0.2, 0, 3), 3.4375 * kInch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.file)
            data.write(*c.file);
        else
            fs::remove(data.dataFile());
        double result = -1;
        EXPECT_NO_THROW(result = diameter(c.port));
        EXPECT_NEAR(result, c.expected, 1e-12);
    }
}

TEST_F(PortDataTest, AnEditedDataFileIsReadAgainAtOnce) {
    // Two texts of one length, written within a tick of the file clock: only the content differs.
    auto part = partWith({port(5, 0.2, 0, 3)});
    data.write(listing({basisEntry(kBasis, "EstimatedPipeODBased")}));
    EXPECT_NEAR(ports::GetPipeOutsideDiamter(part, 1), 3.4375 * kInch, 1e-12);
    data.write(listing({basisEntry(kBasis, "EstimatedPipeODBasee")}));
    EXPECT_EQ(ports::GetPipeOutsideDiamter(part, 1), 0.0);
    data.write(listing({basisEntry(kBasis, "EstimatedPipeODBased")}));
    EXPECT_NEAR(ports::GetPipeOutsideDiamter(part, 1), 3.4375 * kInch, 1e-12);

    // Within one evaluation the file is looked at once; the next evaluation reads the edit.
    ports::beginPortLookups();
    EXPECT_NEAR(ports::GetPipeOutsideDiamter(part, 1), 3.4375 * kInch, 1e-12);
    data.write(listing({basisEntry(kBasis, "EstimatedPipeODBasee")}));
    EXPECT_NEAR(ports::GetPipeOutsideDiamter(part, 1), 3.4375 * kInch, 1e-12);
    ports::beginPortLookups();
    EXPECT_EQ(ports::GetPipeOutsideDiamter(part, 1), 0.0);
    fs::remove(data.dataFile());
    ports::beginPortLookups();
    EXPECT_EQ(ports::GetPipeOutsideDiamter(part, 1), 0.2); // no data file: the port's own diameter
}

// --- CheckXMLExists and the context --------------------------------------------------------------------

TEST_F(PortDataTest, DataFileIsFoundInTheXmlFolderOfTheDataDirectory) {
    EXPECT_FALSE(ports::CheckXMLExists("OutsideDiameterforSymbolGraphics.xml"));
    data.write(listing({}));
    EXPECT_TRUE(ports::CheckXMLExists("OutsideDiameterforSymbolGraphics.xml"));
    EXPECT_FALSE(ports::CheckXMLExists("Other.xml"));
    fs::create_directories(data.dataFile().parent_path() / "Folder.xml");
    EXPECT_FALSE(ports::CheckXMLExists("Folder.xml"));
}

// The data directory comes from the host session of the calling thread: a thread without a host uses the
// port's own diameter, another host its own data file.
TEST_F(PortDataTest, KeptContextFollowsTheHostSessionOfTheThread) {
    auto part = partWith({port(5, 0.2, 0, 3)});
    data.write(listing({kEstimated}));
    EXPECT_NEAR(ports::GetPipeOutsideDiamter(part, 1), 3.4375 * kInch, 1e-12);
    double onOtherThread = -1;
    std::thread([&] { onOtherThread = ports::GetPipeOutsideDiamter(part, 1); }).join();
    EXPECT_DOUBLE_EQ(onOtherThread, 0.2);
    TempDataDirectory other;
    other.write(listing({basisEntry(kBasis, "Other")}));
    HostFixtureScope otherHost(optionsFor(other));
    EXPECT_EQ(ports::GetPipeOutsideDiamter(part, 1), 0.0);
}

// --- One table for the symbol's lookup and the host's warnings ----------------------------------------

// The two users of the data file, the symbol's diameter lookup and the catalogue's plausibility warnings,
// read the same table: both follow an edit of the file, and a malformed file gives both the same reason.
TEST_F(PortDataTest, TheDiameterLookupAndTheWarningsShareOneTable) {
    // Port 1 looks its diameter up (listed as estimated); port 2 is checked against the table.
    auto looked = port(5, 0, 0, 4), checked = port(5, 0.1143, 0.2286, 4);
    checked.index = 2;
    refhost::CatalogPart catalogPart = twoPortPart(kBasis);
    catalogPart.ports = {looked, checked};
    auto part = refhost::makePart(catalogPart);
    const auto offWarnings = [&] {
        std::vector<std::string> off;
        for (const auto& warning : catalog::physicalWarnings(catalogPart, data.path))
            if (warning.find("pipe OD") != std::string::npos) off.push_back(warning);
        return off;
    };

    data.write(dataFile({kEstimated}, {R"(<NPD SizeInInch="4" SizeInMM="100">4.5</NPD>)"}, kFactors));
    EXPECT_NEAR(ports::GetPipeOutsideDiamter(part, 1), 0.1143, 1e-12);
    EXPECT_TRUE(offWarnings().empty());
    // NPS 4 listed 20% larger: the lookup gives the new diameter and the warning measures against it.
    data.write(dataFile({kEstimated}, {R"(<NPD SizeInInch="4" SizeInMM="100">5.4</NPD>)"}, kFactors));
    EXPECT_NEAR(ports::GetPipeOutsideDiamter(part, 1), 5.4 * kInch, 1e-12);
    ASSERT_EQ(offWarnings().size(), 1u);
    EXPECT_NE(offWarnings()[0].find("more than 10% off 0.13716 m"), std::string::npos) << offWarnings()[0];

    // A malformed file: the lookup falls back to no listing and notes why on the trail; the warnings say
    // the same reason.
    data.write("<OutsideDiameterforSymbolGraphicsConstruction><NPD");
    const auto table = ports::loadOutsideDiameterTable(data.dataFile().string());
    ASSERT_TRUE(table);
    ASSERT_FALSE(table->error().empty());
    EXPECT_EQ(table->error().rfind(data.dataFile().string() + ": ", 0), 0u) << table->error();
    host::EvaluationTrail trail;
    {
        host::TrailScope scope(trail);
        EXPECT_EQ(ports::GetPipeOutsideDiamter(part, 1), 0.0);
    }
    bool noted = false;
    for (const auto& step : trail.steps())
        noted = noted || (step.recovered && step.message.find(table->error()) != std::string::npos);
    EXPECT_TRUE(noted);
    bool warned = false;
    for (const auto& warning : catalog::physicalWarnings(catalogPart, data.path))
        warned = warned || warning.find("data file cannot be read (" + table->error() + ")") != std::string::npos;
    EXPECT_TRUE(warned);

    // Without a data file neither has anything to say about it.
    fs::remove(data.dataFile());
    EXPECT_EQ(ports::loadOutsideDiameterTable(data.dataFile().string()), nullptr);
    EXPECT_TRUE(catalog::physicalWarnings(catalogPart, data.path).empty());
}

// A file that has settled is parsed once: every later use, from any thread, gets the same table.
TEST(OutsideDiameterTable, ASettledFileIsParsedOnceAndSharedBetweenThreads) {
    const std::string shipped = ports::outsideDiameterFilePath(refhost::defaultDataDirectory());
    const auto first = ports::loadOutsideDiameterTable(shipped);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->error().empty()) << first->error();
    std::shared_ptr<const ports::OutsideDiameterTable> fromThreads[4];
    std::vector<std::thread> threads;
    for (auto& table : fromThreads) threads.emplace_back([&] { table = ports::loadOutsideDiameterTable(shipped); });
    for (auto& thread : threads) thread.join();
    for (const auto& table : fromThreads) EXPECT_EQ(table, first);
    EXPECT_NEAR(first->diametersBySize("in").at(4), 0.1143, 1e-12);
    EXPECT_NEAR(first->diametersBySize("mm").at(100), 0.1143, 1e-12);
    EXPECT_EQ(first->rows().size(), 23u);
}

// --- InterpolatePipeOutsideDiameter and SortCollection -------------------------------------------------

// Sizes inside, at and near the table are in the diameter cases above; here the far pairs of a longer
// table and the degenerate tables.
TEST(InterpolatePipeOutsideDiameter, ExtrapolatesFromTheNearestPairAndGivesZeroWithoutAPair) {
    std::map<double, double> table = {{2, 2.375}, {4, 4.5}, {6, 6.625}, {8, 8.625}};
    for (const auto& [size, expected] : {std::pair{7.0, 7.625}, {10.0, 10.625}, {2.5, 2.90625}})
        EXPECT_DOUBLE_EQ(ports::InterpolatePipeOutsideDiameter(table, size), expected);
    std::map<double, double> single = {{2, 2.375}}, empty;
    EXPECT_EQ(ports::InterpolatePipeOutsideDiameter(single, 2), 2.375);
    EXPECT_EQ(ports::InterpolatePipeOutsideDiameter(single, 3), 0.0);
    EXPECT_EQ(ports::InterpolatePipeOutsideDiameter(empty, 3), 0.0);
    EXPECT_EQ(ports::InterpolatePipeOutsideDiameter(table, std::nan("")), 0.0);
}

TEST(SortCollection, ReplacesTheNumbersByTheSameNumbersInAscendingOrder) {
    std::vector<double> numbers = {8, 0.125, 24, 3.5, -1, 2};
    ports::SortCollection(numbers);
    EXPECT_EQ(numbers, (std::vector<double>{-1, 0.125, 2, 3.5, 8, 24}));
}

// --- The shipped data file ---------------------------------------------------------------------------------

// The shipped data file, with the entry (if any) listed first among the parts.
std::string shippedDataFile(const std::string& basisEntryText = {}) {
    std::ifstream in(fs::path(refhost::defaultDataDirectory()) / "xml" / "OutsideDiameterforSymbolGraphics.xml");
    std::stringstream text;
    text << in.rdbuf();
    std::string xml = text.str();
    const std::string anchor = "<BasisforGraphicsCreation>";
    auto at = xml.find(anchor);
    if (at == std::string::npos) throw std::runtime_error("the shipped data file has no BasisforGraphicsCreation");
    return xml.insert(at + anchor.size(), basisEntryText);
}

TEST_F(PortDataTest, ShippedDataFileGivesPublishedDiametersAndEstimatesFromClass150Flanges) {
    data.write(shippedDataFile(basisEntry(kBasis, "EstimatedPipeODBased")));
    const std::tuple<double, std::string, double> cases[] = {
        {4, "in", 0.1143},   {100, "mm", 0.1143}, {0.125, "in", 0.405 * kInch}, {6, "mm", 0.405 * kInch},
        {3.5, "in", 0.1016}, {24, "in", 0.6096},  {1.25, "in", 1.66 * kInch},   {4.5, "in", (4.5 + 5.563) / 2 * kInch}};
    for (const auto& [npd, unit, metres] : cases)
        EXPECT_NEAR(diameter(port(5, 0, 0, npd, unit)), metres, 1e-9) << npd << " " << unit;

    // As shipped, the file lists no part: a port's own diameter, else an estimate from its flange.
    data.write(shippedDataFile());
    // Pipe OD and class 150 flange OD of NPS 2, 4, 6 and 8, in metres.
    for (const auto& [pipeOD, flangeOD] :
         {std::pair{0.0603, 0.1524}, {0.1143, 0.2286}, {0.1683, 0.2794}, {0.2191, 0.3429}}) {
        SCOPED_TRACE(testing::Message() << "pipe OD " << pipeOD);
        EXPECT_DOUBLE_EQ(diameter(port(5, pipeOD, flangeOD, 4)), pipeOD); // not listed: its own diameter
        EXPECT_NEAR(diameter(port(5, 0, flangeOD, 4)) / pipeOD, 1.0, 0.35);
    }
    for (std::int32_t terminationClass : {15, 20}) {
        const double estimate = diameter(port(terminationClass, 0, 0.1));
        EXPECT_GT(estimate, 0.05);
        EXPECT_LT(estimate, 0.1);
    }
}

} // namespace
} // namespace tcv::test
