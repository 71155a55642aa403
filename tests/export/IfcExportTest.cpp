// What a written IFC file of a sample part holds, as text: the same file for the same part, the entities
// a BIM tool looks for, escaped names, and a failed aspect's outputs. web-ifc reads every sample's file in
// viewer/test/ifc.mjs.
#include <gtest/gtest.h>

#include <cmath>

#include "export/Export.h"
#include "export/ExportSupport.h"
#include "export/StagedFile.h"
#include "support/TestSupport.h"

namespace tcv {
namespace {

namespace ex = test::exports;

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t found = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
    return found;
}

std::string ifcOf(const refhost::PartReport& report, const std::string& name = "part.ifc") {
    ex::ScratchFolder folder;
    exports::ExportDocument(report).writeIfc(folder.path(name).string());
    return exports::readFileBytes(folder.path(name).string());
}

TEST(IfcExport, SamePartGivesTheSameFile) {
    const std::string first = ifcOf(ex::plainValve());
    EXPECT_EQ(first, ifcOf(ex::plainValve()));
    EXPECT_NE(first.find("FILE_SCHEMA(('IFC4'));"), std::string::npos);
    EXPECT_EQ(count(first, "=IFCVALVE("), 1u);
    EXPECT_EQ(count(first, "=IFCVALVETYPE("), 1u);
    EXPECT_EQ(count(first, "=IFCDISTRIBUTIONPORT("), 2u);
    EXPECT_EQ(count(first, "=IFCCOVERING("), 1u);
    EXPECT_NE(first.find("'PNoz1',$,$,#"), std::string::npos);
    EXPECT_NE(first.find(".SINK.,.PIPE.,$);"), std::string::npos);
    EXPECT_NE(first.find(".SOURCE.,.PIPE.,$);"), std::string::npos);
    // Every solid of the plain valve is a closed face set.
    EXPECT_EQ(count(first, "=IFCTRIANGULATEDFACESET("), count(first, ",$,.T.,(("));
}

TEST(IfcExport, NamesAreEscapedAndAFailedAspectKeepsItsOutputs) {
    refhost::PartReport renamed = ex::failingValve();
    renamed.part.name = "O'Brien \\ Ventil f\xC3\xBCr Dampf";
    const std::string text = ifcOf(renamed);
    EXPECT_NE(text.find("'O''Brien \\\\ Ventil f\\X2\\00FC\\X0\\r Dampf'"), std::string::npos);
    // Physical failed after "Body": the body is exported, and the failure is stated.
    EXPECT_EQ(count(text, "=IFCVALVE("), 1u);
    EXPECT_NE(text.find(",'Body');"), std::string::npos);
    EXPECT_NE(text.find("IFCLABEL('failed with 0x80004005 after 1 output(s)')"), std::string::npos);
}

TEST(IfcExport, PortValuesThatAreNotNumbersAreLeftOut) {
    auto partSpec = test::twoPortPart(1);
    partSpec.name = "nan-port";
    partSpec.inputs["FacetoFace"] = 0.292;
    partSpec.ports[1].pipeOD = std::nan("");
    const std::string text = ifcOf(refhost::evaluatePart(partSpec, {"Physical"}));
    EXPECT_EQ(count(text, "=IFCDISTRIBUTIONPORT("), 2u);
    EXPECT_EQ(count(text, "'OuterDiameter'"), 1u);
    EXPECT_EQ(count(text, "'FlangeOutsideDiameter',$,IFCPOSITIVELENGTHMEASURE(0.2286)"), 2u);
}

TEST(IfcExport, MissingFolderLeavesNothing) {
    ex::ScratchFolder folder;
    EXPECT_THROW(exports::ExportDocument(ex::plainValve()).writeIfc(folder.path("no/such/part.ifc").string()),
                 exports::ExportError);
    EXPECT_TRUE(folder.entries().empty());
}

} // namespace
} // namespace tcv
