// What a written IFC file of a sample part holds, as text: the same file for the same part, the entities
// a BIM tool looks for, exact or triangulated bodies on the type, escaped names, a failed aspect's
// outputs, the content library and a model of placed valves. web-ifc reads every sample's file in
// viewer/test/ifc.mjs, IfcPlusPlus in IfcReadBackTest.cpp.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <tuple>

#include <gtest/gtest.h>

#include "exports/ExportSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/host/Version.h"

namespace tcv {
namespace {

namespace ex = test::exports;

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t found = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
    return found;
}

std::string ifcOf(const catalog::PartReport& report, const std::string& name = "part.ifc",
                  exports::IfcOptions options = {}) {
    ex::ScratchFolder folder;
    exports::ExportDocument(report).writeIfc(folder.path(name).string(), options);
    return exports::readFileBytes(folder.path(name).string());
}

std::size_t sweptSolids(const std::string& text) {
    return count(text, "=IFCEXTRUDEDAREASOLID(") + count(text, "=IFCREVOLVEDAREASOLID(") +
           count(text, "=IFCSWEPTDISKSOLID(");
}

// The GlobalId of the first entity of `type` named `name`.
std::string globalIdOf(const std::string& text, const std::string& type, const std::string& name) {
    const std::regex line("=" + type + "\\('([^']{22})',#[0-9]+,'" + name + "'");
    std::smatch match;
    return std::regex_search(text, match, line) ? match[1].str() : std::string();
}

exports::IfcPlacement placed(std::string instance, std::size_t part, std::array<double, 3> at,
                             std::array<double, 3> direction = {1, 0, 0}, std::array<double, 3> up = {0, 0, 1}) {
    return {std::move(instance), part, at, direction, up};
}

// SOURCE_DATE_EPOCH set for a test's time, as a reproducible build sets it; restored after.
class FixedMoment {
public:
    explicit FixedMoment(const char* seconds) {
        if (const char* was = std::getenv("SOURCE_DATE_EPOCH")) saved_ = was;
        setenv("SOURCE_DATE_EPOCH", seconds, 1);
    }
    ~FixedMoment() {
        if (saved_)
            setenv("SOURCE_DATE_EPOCH", saved_->c_str(), 1);
        else
            unsetenv("SOURCE_DATE_EPOCH");
    }
    FixedMoment(const FixedMoment&) = delete;
    FixedMoment& operator=(const FixedMoment&) = delete;

private:
    std::optional<std::string> saved_;
};

// Every GlobalId of the file, with the type of the entity that has it.
std::map<std::string, std::string> globalIds(const std::string& text) {
    std::map<std::string, std::string> ids;
    static const std::regex rooted("\n#[0-9]+=([A-Z0-9]+)\\('([0-9A-Za-z_$]{22})',");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), rooted); it != std::sregex_iterator(); ++it)
        ids.emplace((*it)[2].str(), (*it)[1].str());
    return ids;
}

TEST(IfcExport, SamePartGivesTheSameFile) {
    const FixedMoment moment("1796601600");
    const std::string first = ifcOf(ex::plainValve());
    EXPECT_EQ(first, ifcOf(ex::plainValve()));
    EXPECT_NE(first.find("FILE_SCHEMA(('IFC4'));"), std::string::npos);
    EXPECT_EQ(count(first, "=IFCVALVE("), 1u);
    EXPECT_EQ(count(first, "=IFCVALVETYPE("), 1u);
    EXPECT_EQ(count(first, "=IFCBUILDINGSTOREY("), 1u);
    // Two ports on the type and the same two on the valve.
    EXPECT_EQ(count(first, "=IFCDISTRIBUTIONPORT("), 4u);
    EXPECT_EQ(count(first, "=IFCCOVERING("), 1u);
    EXPECT_EQ(count(first, "=IFCCOVERINGTYPE("), 1u);
    EXPECT_NE(first.find("'PNoz1',$,$,#"), std::string::npos);
    EXPECT_EQ(count(first, ".SINK.,.PIPE.,.NOTDEFINED.);"), 2u);
    // The header names the Reference View as its identifier reads and the moment SOURCE_DATE_EPOCH gives.
    EXPECT_NE(first.find("FILE_DESCRIPTION(('ViewDefinition [ReferenceView_V1.2]'),'2;1');"), std::string::npos);
    EXPECT_NE(first.find(",'2026-12-07T00:00:00+00:00',"), std::string::npos);
    EXPECT_EQ(count(first, ".SOURCE.,.PIPE.,.NOTDEFINED.);"), 2u);
    // The plain valve is a cone and two port discs, all exact, and its insulating cylinder less the cone,
    // triangulated: held by the types and shown by the valve and the covering through one mapped item each.
    EXPECT_EQ(count(first, "=IFCTRIANGULATEDFACESET("), 1u);
    EXPECT_EQ(count(first, "=IFCREVOLVEDAREASOLID("), 1u);
    EXPECT_EQ(count(first, "=IFCEXTRUDEDAREASOLID("), 2u);
    EXPECT_EQ(count(first, "=IFCREPRESENTATIONMAP("), 2u);
    EXPECT_EQ(count(first, "=IFCMAPPEDITEM("), 2u);
    EXPECT_EQ(count(first, "'Body','SweptSolid'"), 1u);
    EXPECT_EQ(count(first, "'Body','Tessellation'"), 1u);
    EXPECT_EQ(count(first, "'Body','MappedRepresentation'"), 2u);
}

TEST(IfcExport, MeshGeometryTriangulatesEveryBodyToTenthsOfAMicrometre) {
    exports::IfcOptions mesh;
    mesh.geometry = exports::IfcGeometry::Mesh;
    const std::string text = ifcOf(ex::plainValve(), "part.ifc", mesh);
    EXPECT_EQ(sweptSolids(text), 0u);
    // Body, two port discs and the insulation, every one a closed face set.
    EXPECT_EQ(count(text, "=IFCTRIANGULATEDFACESET("), 4u);
    EXPECT_EQ(count(text, ",$,.T.,(("), 4u);
    EXPECT_EQ(count(text, "'Body','Tessellation'"), 2u);
    // No coordinate has more than 7 decimals.
    const std::size_t points = text.find("=IFCCARTESIANPOINTLIST3D(");
    ASSERT_NE(points, std::string::npos);
    const std::string list = text.substr(points, text.find(";\n", points) - points);
    EXPECT_FALSE(std::regex_search(list, std::regex("\\.[0-9]{8}")));
}

TEST(IfcExport, TheOperatorsStemAndHandwheelAreExact) {
    const std::string text = ifcOf(ex::operatorValve());
    EXPECT_NE(text.find("'ValveOperator/Handwheel');"), std::string::npos);
    EXPECT_NE(text.find("'ValveOperator/Stem');"), std::string::npos);
    for (const char* name : {"ValveOperator/Handwheel", "ValveOperator/Stem"}) {
        const std::regex styled("=IFCSTYLEDITEM\\(#([0-9]+),\\(#[0-9]+\\),'" + std::string(name) + "'\\);");
        std::smatch match;
        ASSERT_TRUE(std::regex_search(text, match, styled)) << name;
        const std::string item = "\n#" + match[1].str() + "=";
        const std::size_t at = text.find(item);
        ASSERT_NE(at, std::string::npos);
        EXPECT_TRUE(text.compare(at + item.size(), 20, "IFCREVOLVEDAREASOLID") == 0 ||
                    text.compare(at + item.size(), 20, "IFCEXTRUDEDAREASOLID") == 0)
            << name << ": " << text.substr(at, 60);
    }
}

// With composite curves a straight piece of a swept tube (the operator base's equalizer pipes) is the
// extrusion of its circle, a solid of the 'SweptSolid' body; every other item is written as by default.
TEST(IfcExport, CompositeCurvesWriteStraightTubePiecesAsExtrudedCircles) {
    const auto samples = catalog::loadSampleCatalog();
    const auto part =
        std::find_if(samples.begin(), samples.end(), [](const auto& p) { return p.partDataBasis == 2142; });
    ASSERT_NE(part, samples.end());
    const catalog::PartReport report = catalog::evaluatePart(*part, {"Physical", "Insulation"});
    exports::IfcOptions composite;
    composite.curves = exports::IfcCurves::Composite;
    const std::string indexed = ifcOf(report), written = ifcOf(report, "part.ifc", composite);
    const std::size_t disks = count(indexed, "=IFCSWEPTDISKSOLID(");
    ASSERT_GT(disks, 0u);
    EXPECT_EQ(count(written, "=IFCSWEPTDISKSOLID("), 0u);
    EXPECT_EQ(count(written, "'Body','AdvancedSweptSolid'"), 0u);
    EXPECT_EQ(count(written, "=IFCEXTRUDEDAREASOLID("), count(indexed, "=IFCEXTRUDEDAREASOLID(") + disks);
    EXPECT_EQ(count(written, "=IFCCIRCLEPROFILEDEF("), count(indexed, "=IFCCIRCLEPROFILEDEF(") + disks);
    EXPECT_EQ(sweptSolids(written), sweptSolids(indexed));
    EXPECT_EQ(count(written, "=IFCTRIANGULATEDFACESET("), count(indexed, "=IFCTRIANGULATEDFACESET("));
    // Trimmed circles in composite curves are the Design Transfer View's, not the Reference View's.
    EXPECT_NE(written.find("FILE_DESCRIPTION(('ViewDefinition [DesignTransferView_V1.0]'),'2;1');"), std::string::npos);
    EXPECT_NE(indexed.find("FILE_DESCRIPTION(('ViewDefinition [ReferenceView_V1.2]'),'2;1');"), std::string::npos);
}

TEST(IfcExport, NamesAreEscapedAndAFailedAspectKeepsItsOutputs) {
    catalog::PartReport renamed = ex::failingValve();
    renamed.part.name = "O'Brien \\ Ventil f\xC3\xBCr Dampf";
    const std::string text = ifcOf(renamed);
    EXPECT_NE(text.find("'O''Brien \\\\ Ventil f\\X2\\00FC\\X0\\r Dampf'"), std::string::npos);
    // Physical failed after "Body": the body is exported, and the failure is stated.
    EXPECT_EQ(count(text, "=IFCVALVE("), 1u);
    EXPECT_NE(text.find(",'Body');"), std::string::npos);
    EXPECT_NE(text.find("IFCLABEL('failed with 0x80004005 after 1 output(s)')"), std::string::npos);
}

TEST(IfcExport, PortValuesThatAreNotNumbersAreLeftOut) {
    const std::string text = ifcOf(ex::nanPortValve());
    EXPECT_EQ(count(text, "=IFCDISTRIBUTIONPORT("), 4u);
    EXPECT_EQ(count(text, "'OuterDiameter'"), 1u);
    EXPECT_EQ(count(text, "'FlangeOutsideDiameter',$,IFCPOSITIVELENGTHMEASURE(0.2286)"), 2u);
}

// The plain valve with an end type at port 1 that no pipe end treatment stands for.
const catalog::PartReport& unknownEndValve() {
    static const catalog::PartReport report = [] {
        refhost::CatalogPart part = ex::plainValve().part;
        part.name = "unknown-end";
        part.ports.front().endType = 99;
        return catalog::evaluatePart(part, {"Physical", "Insulation"});
    }();
    return report;
}

// The application that wrote the file, with its version, stated once and named by every rooted entity,
// created at the file's moment; the pipe end treatments only those the property set's enumeration lists.
TEST(IfcExport, EveryEntityNamesTheApplicationThatWroteItAndWhen) {
    const FixedMoment moment("1700000000");
    for (const catalog::PartReport* report :
         {&ex::plainValve(), &ex::operatorValve(), &ex::nanPortValve(), &unknownEndValve()}) {
        const std::string text = ifcOf(*report);
        const std::string& name = report->part.name;
        EXPECT_EQ(count(text, "=IFCOWNERHISTORY("), 1u) << name;
        EXPECT_NE(text.find("=IFCAPPLICATION(#"), std::string::npos) << name;
        EXPECT_NE(text.find(std::string(",'") + TCV_VERSION_STRING + "','TarnCheckValve checkvalve','checkvalve');"),
                  std::string::npos)
            << name;
        EXPECT_TRUE(std::regex_search(text, std::regex("=IFCOWNERHISTORY\\(#[0-9]+,#[0-9]+,\\$,\\.NOCHANGE\\.,\\$,\\$,"
                                                       "\\$,1700000000\\);")))
            << name;
        EXPECT_TRUE(std::regex_search(text, std::regex("=IFCPERSONANDORGANIZATION\\(#[0-9]+,#[0-9]+,\\$\\);"))) << name;
        const std::size_t rooted = globalIds(text).size();
        EXPECT_GT(rooted, 10u) << name;
        EXPECT_FALSE(std::regex_search(text, std::regex("\\('[0-9A-Za-z_$]{22}',\\$,")))
            << name << ": a rooted entity without owner";
        EXPECT_EQ(text.find("NOTDEFINED')"), std::string::npos) << name;
        EXPECT_NE(text.find("FILE_NAME('part.ifc','2023-11-14T22:13:20+00:00',"), std::string::npos) << name;
    }
    // An end type outside the treatments leaves the port's ConnectionType without a value; the other port
    // keeps its own.
    const std::string text = ifcOf(unknownEndValve());
    EXPECT_EQ(count(text, "=IFCPROPERTYENUMERATEDVALUE('ConnectionType',$,$,#"), 1u);
    EXPECT_EQ(count(text, "=IFCPROPERTYENUMERATEDVALUE('ConnectionType',$,(IFCLABEL('"), 1u);
}

TEST(IfcLibrary, DeclaresOneTypePerPartAndPlacesNothing) {
    ex::ScratchFolder folder;
    const std::string path = folder.path("library.ifc").string();
    EXPECT_TRUE(exports::ExportDocument({ex::plainValve(), ex::operatorValve()}).writeIfcLibrary(path).empty());
    const std::string text = exports::readFileBytes(path);
    EXPECT_EQ(count(text, "=IFCPROJECTLIBRARY("), 1u);
    EXPECT_EQ(count(text, "=IFCVALVETYPE("), 2u);
    EXPECT_EQ(count(text, "=IFCRELDECLARES("), 2u); // project → library, library → types
    EXPECT_EQ(count(text, "=IFCVALVE("), 0u);
    EXPECT_EQ(count(text, "=IFCMAPPEDITEM("), 0u);
    EXPECT_GT(count(text, "=IFCREPRESENTATIONMAP("), 2u);
    // Each type nests its ports, with their property sets.
    EXPECT_EQ(count(text, "=IFCRELNESTS("), 2u);
    EXPECT_EQ(count(text, "'Pset_DistributionPortTypePipe'"), count(text, "=IFCDISTRIBUTIONPORT("));
    // The type has the same GlobalId as in a single part's file.
    const std::string name = ex::plainValve().part.name;
    EXPECT_EQ(globalIdOf(text, "IFCVALVETYPE", name), globalIdOf(ifcOf(ex::plainValve()), "IFCVALVETYPE", name));
}

TEST(IfcModel, PlacementsMapEachTypeWrittenOnce) {
    ex::ScratchFolder folder;
    const std::string path = folder.path("model.ifc").string();
    exports::ExportDocument document({ex::plainValve(), ex::operatorValve()});
    EXPECT_TRUE(document
                    .writeIfcModel(path, {placed("V-1", 0, {0, 0, 1}), placed("V-2", 0, {2, 0, 1}, {0, 1, 0}),
                                          placed("V-3", 1, {4, 0, 1}, {0, 0, 1}, {1, 0, 0})})
                    .empty());
    const std::string text = exports::readFileBytes(path);
    EXPECT_EQ(count(text, "=IFCVALVE("), 3u);
    EXPECT_EQ(count(text, "=IFCVALVETYPE("), 2u);
    EXPECT_EQ(count(text, "=IFCRELDEFINESBYTYPE("), 4u); // valves and coverings, per part
    // The geometry is on the types: as many solids as the two parts' own files hold.
    EXPECT_EQ(sweptSolids(text), sweptSolids(ifcOf(ex::plainValve())) + sweptSolids(ifcOf(ex::operatorValve())));
    // GlobalIds come from the instance ids: unique per placement, the same in every file.
    const std::string v1 = globalIdOf(text, "IFCVALVE", "V-1");
    ASSERT_EQ(v1.size(), 22u);
    EXPECT_NE(v1, globalIdOf(text, "IFCVALVE", "V-2"));
    const std::string again = folder.path("again.ifc").string();
    EXPECT_TRUE(document.writeIfcModel(again, {placed("V-1", 1, {9, 9, 9})}).empty());
    EXPECT_EQ(globalIdOf(exports::readFileBytes(again), "IFCVALVE", "V-1"), v1);
    // The instance id is the valve's and its covering's Tag.
    EXPECT_TRUE(std::regex_search(
        text, std::regex("=IFCVALVE\\('[^']{22}',#[0-9]+,'V-2',\\$,\\$,#[0-9]+,#[0-9]+,'V-2',\\.CHECK\\.\\);")));
    EXPECT_TRUE(std::regex_search(
        text,
        std::regex(
            "=IFCCOVERING\\('[^']{22}',#[0-9]+,'V-2 insulation',\\$,\\$,#[0-9]+,#[0-9]+,'V-2',\\.INSULATION\\.\\);")));
    // Each valve's ports are placed relative to the valve: two ports per valve and two per type.
    EXPECT_EQ(count(text, "=IFCDISTRIBUTIONPORT("), 3u * 2u + 2u * 2u);
}

// Two models named apart that both place V-101 (of different parts, at different places) give it, its ports,
// its covering and everything else they hold of their own different GlobalIds; they share only those of the
// types, which a content library of the parts holds too. The same model written again is the same file.
TEST(IfcModel, ModelsNamedApartShareOnlyTheirTypesGlobalIds) {
    const FixedMoment moment("1796601600");
    ex::ScratchFolder folder;
    exports::ExportDocument document({ex::plainValve(), ex::operatorValve()});
    const auto model = [&](const std::string& project, std::size_t part, std::array<double, 3> at) {
        exports::IfcOptions options;
        options.project = project;
        const std::string path = folder.path(project + ".ifc").string();
        EXPECT_TRUE(
            document.writeIfcModel(path, {placed("V-101", part, at), placed("V-7", 1, {1, 2, 3})}, options).empty());
        return exports::readFileBytes(path);
    };
    const std::string north = model("area-north", 0, {0, 0, 1});
    const std::string south = model("area-south", 1, {40, 5, 2});
    EXPECT_NE(north.find("=IFCPROJECT('"), std::string::npos);
    EXPECT_TRUE(std::regex_search(north, std::regex("=IFCPROJECT\\('[^']{22}',#[0-9]+,'area-north',")));
    const std::string library = folder.path("library.ifc").string();
    EXPECT_TRUE(document.writeIfcLibrary(library).empty());
    const auto typeIds = globalIds(exports::readFileBytes(library));
    const auto northIds = globalIds(north), southIds = globalIds(south);
    std::size_t shared = 0;
    for (const auto& [id, type] : northIds) {
        if (!southIds.count(id)) continue;
        ++shared;
        EXPECT_TRUE(typeIds.count(id)) << type << " " << id << " is in both models but is no type's";
    }
    EXPECT_GT(shared, 0u); // the types
    for (const char* type : {"IFCVALVE", "IFCCOVERING"})
        EXPECT_NE(globalIdOf(north, type, std::string("V-101") + (type[3] == 'C' ? " insulation" : "")),
                  globalIdOf(south, type, std::string("V-101") + (type[3] == 'C' ? " insulation" : "")))
            << type;
    EXPECT_EQ(north, model("area-north", 0, {0, 0, 1}));
}

// The attributes of entity `#id`, as written.
std::string entity(const std::string& text, const std::string& id) {
    const std::string start = "\n" + id + "=";
    const std::size_t at = text.find(start);
    if (at == std::string::npos) return {};
    const std::size_t open = text.find('(', at);
    return text.substr(open, text.find(";\n", at) - open);
}

// The references an entity's attributes hold, in order.
std::vector<std::string> refsOf(const std::string& attributes) {
    std::vector<std::string> found;
    static const std::regex ref("#[0-9]+");
    for (auto it = std::sregex_iterator(attributes.begin(), attributes.end(), ref); it != std::sregex_iterator(); ++it)
        found.push_back(it->str());
    return found;
}

// Storeys named by the placements, each at the lowest z of its valves, the valves placed in them; systems
// grouping their valves; valves without either in the unnamed storey.
TEST(IfcModel, StoreysAndSystemsComeFromThePlacements) {
    ex::ScratchFolder folder;
    const std::string path = folder.path("model.ifc").string();
    auto at = [](std::string id, std::array<double, 3> where, std::string storey, std::string system) {
        exports::IfcPlacement p = placed(std::move(id), 0, where);
        p.storey = std::move(storey);
        p.system = std::move(system);
        return p;
    };
    EXPECT_TRUE(exports::ExportDocument(ex::plainValve())
                    .writeIfcModel(path, {at("V-1", {0, 0, 1}, "Level 1", ""), at("V-2", {2, 0, 8}, "Level 2", "CW"),
                                          at("V-3", {4, 0, 7.5}, "Level 2", "CW"), at("V-4", {6, 0, 0}, "", "HW")})
                    .empty());
    const std::string text = exports::readFileBytes(path);
    EXPECT_EQ(count(text, "=IFCBUILDINGSTOREY("), 3u);
    EXPECT_TRUE(std::regex_search(text, std::regex("'Level 1',\\$,\\$,#[0-9]+,\\$,\\$,\\.ELEMENT\\.,1\\.\\);")));
    EXPECT_TRUE(std::regex_search(text, std::regex("'Level 2',\\$,\\$,#[0-9]+,\\$,\\$,\\.ELEMENT\\.,7\\.5\\);")));
    EXPECT_EQ(count(text, "=IFCRELCONTAINEDINSPATIALSTRUCTURE("), 3u);
    // One aggregation of the building's storeys, as IFC allows one.
    EXPECT_TRUE(
        std::regex_search(text, std::regex("=IFCRELAGGREGATES\\([^;]*,#[0-9]+,\\(#[0-9]+,#[0-9]+,#[0-9]+\\)\\);")));
    EXPECT_EQ(count(text, "=IFCDISTRIBUTIONSYSTEM("), 2u);
    EXPECT_EQ(count(text, "=IFCRELSERVICESBUILDINGS("), 2u);
    EXPECT_TRUE(std::regex_search(text, std::regex("=IFCDISTRIBUTIONSYSTEM\\('[^']{22}',#[0-9]+,'CW',")));
    EXPECT_TRUE(
        std::regex_search(text, std::regex("=IFCRELASSIGNSTOGROUP\\([^;]*,\\(#[0-9]+,#[0-9]+\\),\\$,#[0-9]+\\);")));
    // V-3 stands 7.5 m up in the storey at 7.5 m: at 0 in it, its placement relative to the storey's.
    std::smatch valve;
    ASSERT_TRUE(std::regex_search(text, valve, std::regex("=IFCVALVE\\('[^']{22}',#[0-9]+,'V-3',\\$,\\$,(#[0-9]+),")));
    const auto placement = refsOf(entity(text, valve[1].str()));
    ASSERT_EQ(placement.size(), 2u);
    const auto point = refsOf(entity(text, placement[1]));
    ASSERT_FALSE(point.empty());
    EXPECT_EQ(entity(text, point[0]), "((4.,0.,0.))");
    std::smatch storey;
    ASSERT_TRUE(std::regex_search(text, storey,
                                  std::regex("=IFCBUILDINGSTOREY\\('[^']{22}',#[0-9]+,'Level 2',\\$,\\$,(#[0-9]+),")));
    EXPECT_EQ(placement[0], storey[1].str());
}

// The sum of the volumes the report gives an aspect's solids, in output order; none without a volume.
std::optional<double> reportedVolume(const catalog::PartReport& report, const std::string& aspect) {
    std::optional<double> sum;
    const auto json = catalog::reportJson(report);
    for (const auto& a : json["aspects"])
        if (a["name"] == aspect)
            for (const auto& output : a["outputs"])
                if (output["kind"] == "solid" && output.contains("volume") && output["volume"].is_number())
                    sum = sum.value_or(0) + output["volume"].get<double>();
    return sum;
}

// A quantity set of the file by name: its NetVolume as written and the objects it is related to.
struct QuantitySet {
    std::size_t sets = 0;
    std::string netVolume;
    std::vector<std::string> objects;
};
QuantitySet quantitySet(const std::string& text, const std::string& name) {
    QuantitySet found;
    const std::regex set("\n(#[0-9]+)=IFCELEMENTQUANTITY\\('[^']{22}',#[0-9]+,'" + name +
                         "',\\$,\\$,\\((#[0-9]+)\\)\\);");
    std::smatch match;
    found.sets = static_cast<std::size_t>(
        std::distance(std::sregex_iterator(text.begin(), text.end(), set), std::sregex_iterator()));
    if (!std::regex_search(text, match, set)) return found;
    std::smatch value;
    const std::string quantity = entity(text, match[2].str());
    if (std::regex_match(quantity, value, std::regex("\\('NetVolume',\\$,\\$,([^,]+),\\$\\)")))
        found.netVolume = value[1].str();
    std::smatch rel;
    if (std::regex_search(text, rel,
                          std::regex("=IFCRELDEFINESBYPROPERTIES\\('[^']{22}',#[0-9]+,\\$,\\$,\\(([#0-9,]+)\\)," +
                                     match[1].str() + "\\);")))
        found.objects = refsOf(rel[1].str());
    return found;
}

// Every placed valve carries its body's volume as the report sums its solids (nozzles and surfaces count
// nothing), to every digit written; a part without a solid's volume gets no set. Its covering carries the
// volume of the insulation less the body (IfcCoveringTest.cpp measures it): less than the report's sum of
// the insulation's solids. The model is the same file when written again.
TEST(IfcModel, ValvesAndCoveringsCarryTheReportsVolumes) {
    const FixedMoment moment("1796601600");
    const struct {
        const char* what;
        const catalog::PartReport& report;
    } cases[] = {
        {"plain valve", ex::plainValve()},
        {"operator valve", ex::operatorValve()},
        {"failed Physical aspect", ex::failingValve()},
        {"repeated output names", ex::repeatedNamesValve()},
    };
    for (const auto& c : cases) {
        ex::ScratchFolder folder;
        exports::ExportDocument document(c.report);
        const std::string path = folder.path("model.ifc").string();
        const std::vector<exports::IfcPlacement> placements{placed("V-1", 0, {0, 0, 1}), placed("V-2", 0, {3, 0, 1})};
        ASSERT_TRUE(document.writeIfcModel(path, placements).empty()) << c.what;
        const std::string text = exports::readFileBytes(path);
        const std::size_t coverings = count(text, "=IFCCOVERING(");
        for (const auto& [set, aspect, objects] : {std::tuple{"Qto_ValveBaseQuantities", "Physical", std::size_t{2}},
                                                   std::tuple{"Qto_CoveringBaseQuantities", "Insulation", coverings}}) {
            const std::optional<double> expected = reportedVolume(c.report, aspect);
            const QuantitySet found = quantitySet(text, set);
            if (!expected || objects == 0) {
                EXPECT_EQ(found.sets, 0u) << c.what << ": " << set;
                continue;
            }
            ASSERT_EQ(found.sets, 1u) << c.what << ": " << set; // one set, shared by every occurrence
            ASSERT_FALSE(found.netVolume.empty()) << c.what << ": " << set;
            const double written = std::strtod(found.netVolume.c_str(), nullptr);
            if (std::string(aspect) == "Physical") {
                EXPECT_EQ(written, *expected) << c.what << ": " << set;
            } else {
                EXPECT_GT(written, 0) << c.what << ": " << set;
                EXPECT_LT(written, *expected) << c.what << ": " << set;
            }
            EXPECT_EQ(found.objects.size(), objects) << c.what << ": " << set;
        }
        ex::ScratchFolder other;
        const std::string again = other.path("model.ifc").string();
        ASSERT_TRUE(document.writeIfcModel(again, placements).empty()) << c.what;
        EXPECT_EQ(exports::readFileBytes(again), text) << c.what;
    }
}

TEST(IfcModel, PlacementsThatCannotBePlacedAreRefusedAndNothingIsWritten) {
    const struct {
        const char* what;
        exports::IfcPlacement placement;
        const char* message;
    } cases[] = {
        {"unknown part", placed("A", 7, {0, 0, 0}), "names no part"},
        {"up along the run", placed("B", 0, {0, 0, 0}, {0, 0, 2}, {0, 0, -1}), "runs along"},
        {"no direction", placed("C", 0, {0, 0, 0}, {0, 0, 0}), "the direction has no length"},
        {"not a number", placed("D", 0, {std::nan(""), 0, 0}), "not a finite number"},
    };
    exports::ExportDocument document(ex::plainValve());
    for (const auto& c : cases) {
        ex::ScratchFolder folder;
        const std::string path = folder.path("model.ifc").string();
        try {
            (void)document.writeIfcModel(path, {c.placement});
            ADD_FAILURE() << c.what << ": written";
        } catch (const exports::ExportError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << c.what << ": " << error.what();
        }
        EXPECT_FALSE(std::filesystem::exists(path)) << c.what;
    }
}

// The plain valve typed with its face-to-face in millimetres: a body 2920 m long, whose meshes would put
// more triangles on one face than the mesher is given.
const catalog::PartReport& tooLongValve() {
    static const catalog::PartReport report = [] {
        refhost::CatalogPart part = ex::plainValve().part;
        part.name = "typed-in-millimetres";
        part.inputs["FacetoFace"] = 2920;
        return catalog::evaluatePart(part, {"Physical", "Insulation"});
    }();
    return report;
}

TEST(IfcModel, APartThatCannotBeMeshedIsLeftOutWithItsValvesAndTheOthersAreWritten) {
    ex::ScratchFolder folder;
    const std::string path = folder.path("model.ifc").string();
    exports::ExportDocument document({ex::plainValve(), tooLongValve()});
    const auto leftOut = document.writeIfcModel(
        path, {placed("V-1", 0, {0, 0, 1}), placed("V-2", 1, {2, 0, 1}), placed("V-3", 0, {4, 0, 1})});
    ASSERT_EQ(leftOut.size(), 1u);
    EXPECT_EQ(leftOut[0].part, 1u);
    EXPECT_EQ(leftOut[0].name, "typed-in-millimetres");
    EXPECT_NE(leftOut[0].reason.find("triangles on one face (output Body is 2919.95 m long"), std::string::npos)
        << leftOut[0].reason;
    const std::string text = exports::readFileBytes(path);
    EXPECT_EQ(count(text, "=IFCVALVE("), 2u);
    EXPECT_EQ(count(text, "=IFCVALVETYPE("), 1u);
    EXPECT_EQ(count(text, "'V-2'"), 0u);
    EXPECT_EQ(count(text, "typed-in-millimetres"), 0u);
    // The valves written are those the good part's model alone holds, GlobalIds and all.
    const std::string alone = folder.path("alone.ifc").string();
    EXPECT_TRUE(exports::ExportDocument(ex::plainValve())
                    .writeIfcModel(alone, {placed("V-1", 0, {0, 0, 1}), placed("V-3", 0, {4, 0, 1})})
                    .empty());
    EXPECT_EQ(globalIdOf(text, "IFCVALVE", "V-3"), globalIdOf(exports::readFileBytes(alone), "IFCVALVE", "V-3"));

    const std::string library = folder.path("library.ifc").string();
    const auto libraryLeftOut = document.writeIfcLibrary(library);
    ASSERT_EQ(libraryLeftOut.size(), 1u);
    EXPECT_EQ(libraryLeftOut[0].part, 1u);
    EXPECT_EQ(count(exports::readFileBytes(library), "=IFCVALVETYPE("), 1u);
    // The files that hold every part still refuse the document whole.
    EXPECT_THROW(document.writeGlb(folder.path("model.glb").string()), exports::ExportError);
    EXPECT_FALSE(std::filesystem::exists(folder.path("model.glb")));
}

TEST(IfcModel, NothingIsWrittenWhenNoPartCanBe) {
    ex::ScratchFolder folder;
    const std::string path = folder.path("model.ifc").string();
    exports::writeFileStaged(path, "IFC", "before");
    exports::ExportDocument document(tooLongValve());
    const std::function<void()> writers[] = {
        [&] {
            (void)document.writeIfcModel(path, {placed("V-1", 0, {0, 0, 1})});
        },
        [&] { (void)document.writeIfcLibrary(path); },
    };
    for (const auto& write : writers) {
        try {
            write();
            ADD_FAILURE() << "written";
        } catch (const exports::NoPartWritten& error) {
            ASSERT_EQ(error.leftOut.size(), 1u);
            EXPECT_EQ(error.leftOut[0].name, "typed-in-millimetres");
            EXPECT_NE(std::string(error.what()).find("no part could be written; part 'typed-in-millimetres': "),
                      std::string::npos)
                << error.what();
        }
        EXPECT_EQ(exports::readFileBytes(path), "before");
        EXPECT_EQ(folder.entries().size(), 1u); // no temporary file left behind
    }
}

} // namespace
} // namespace tcv
