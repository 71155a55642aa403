// Round trips of the exports: what a STEP reader, a glTF viewer and an STL reader find in the written files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>

#include "exports/ExportSupport.h"
#include "support/TestSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/MeshCache.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/kernel/Measure.h"
#include "tarncheckvalve/kernel/OccKernel.h"
#include "tarncheckvalve/refhost/OutputCollection.h"
#include "tarncheckvalve/refhost/Records.h"

namespace tcv {
namespace {

namespace ex = test::exports;
using exports::ExportDocument;
using Json = nlohmann::ordered_json;
using Names = std::vector<std::string>;

const refhost::RecordedObject& recordedOutput(const refhost::NamedOutput& output) {
    return dynamic_cast<const refhost::RecordedObject&>(*output.object);
}

int solidCount(const TopoDS_Shape& shape) {
    int count = 0;
    for (TopExp_Explorer solids(shape, TopAbs_SOLID); solids.More(); solids.Next()) ++count;
    return count;
}

double volumeOf(const TopoDS_Shape& shape) {
    GProp_GProps properties;
    BRepGProp::VolumeProperties(shape, properties);
    return properties.Mass();
}

Names outputNames(const refhost::AspectResult& aspect) { return aspect.outputs->names(); }

// The box the host measured of the plain valve's body.
std::array<double, 6> plainBodyBox() {
    return kernel::measureShape(
               kernel::occShape(recordedOutput(ex::plainValve().aspects[0].outputs->outputs()[0]).shape()), true)
        .bbox;
}

// The part written as GLB and as STEP, read back as a viewer and a STEP reader would.
Json glbOf(const catalog::PartReport& report) {
    ex::ScratchFolder folder;
    ExportDocument(report).writeGlb(folder.path("part.glb").string());
    return ex::glbJson(folder.path("part.glb").string());
}

std::vector<ex::StepNode> stepOf(const catalog::PartReport& report) {
    ex::ScratchFolder folder;
    ExportDocument(report).writeStep(folder.path("part.step").string());
    return ex::readStep(folder.path("part.step").string());
}

using ReportOf = const catalog::PartReport& (*)();

class RoundTrip : public ::testing::TestWithParam<ReportOf> {};

// STEP and GLB keep the part, its aspects and their outputs by name and in order; STEP keeps each
// output's solids and volumes, GLB says of each node what it is and whether its aspect succeeded.
TEST_P(RoundTrip, KeepsNamesOrderSolidsAndVolumes) {
    const catalog::PartReport& report = GetParam()();
    const auto roots = stepOf(report);
    ASSERT_EQ(roots.size(), 1u);
    const ex::StepNode& part = roots.front();
    EXPECT_EQ(part.name, report.part.name);
    ASSERT_EQ(part.childNames(), (Names{"Physical", "Insulation"}));
    const Json gltf = glbOf(report);
    const Json& root = ex::gltfNode(gltf, {report.part.name});
    EXPECT_EQ(root["extras"]["partDataBasis"], report.part.partDataBasis);
    EXPECT_EQ(ex::gltfChildNames(gltf, root), (Names{"Physical", "Insulation"}));
    for (const auto& aspect : report.aspects) {
        SCOPED_TRACE(aspect.aspect);
        const ex::StepNode& read = part.child(aspect.aspect);
        ASSERT_EQ(read.childNames(), outputNames(aspect));
        const Json& node = ex::gltfNode(gltf, {report.part.name, aspect.aspect});
        EXPECT_EQ(node["extras"]["ok"], aspect.ok);
        ASSERT_EQ(ex::gltfChildNames(gltf, node), outputNames(aspect));
        const auto& outputs = aspect.outputs->outputs();
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            SCOPED_TRACE(outputs[i].name);
            const auto& original = recordedOutput(outputs[i]);
            const Json& child = gltf["nodes"][node["children"][i].get<std::size_t>()];
            EXPECT_EQ(child["extras"]["kind"], refhost::outputKindName(original.outputKind()));
            EXPECT_EQ(child["extras"]["aspect"], aspect.aspect);
            EXPECT_EQ(child["extras"]["index"], i + 1);
            EXPECT_EQ(solidCount(read.children[i].shape), solidCount(kernel::occShape(original.shape())));
            if (original.outputKind() != refhost::OutputKind::Solid) continue;
            const double volume = volumeOf(kernel::occShape(original.shape()));
            EXPECT_NEAR(volumeOf(read.children[i].shape), volume, 1e-6 * volume);
        }
    }
}

// A plain part, one with repeated "Body_" outputs, one with a valve operator, one whose Physical aspect fails.
INSTANTIATE_TEST_SUITE_P(Parts, RoundTrip,
                         ::testing::Values(&ex::plainValve, &ex::repeatedNamesValve, &ex::operatorValve,
                                           &ex::failingValve));

// Written twice: the translator keeps unit settings between runs, and a reader in between changes them.
TEST(StepExport, LengthsAreMetresAndStatedSo) {
    const auto expected = plainBodyBox();
    ex::ScratchFolder folder;
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        const std::string path = folder.path("part" + std::to_string(round) + ".step").string();
        ExportDocument(ex::plainValve()).writeStep(path);

        std::ifstream in(path);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("SI_UNIT($,.METRE.)"), std::string::npos);
        EXPECT_EQ(text.find(".MILLI."), std::string::npos);
        EXPECT_NE(text.find("AUTOMOTIVE_DESIGN"), std::string::npos); // AP214

        // The body read back has the extent the host measured.
        const auto actual =
            kernel::measureShape(ex::readStep(path).front().child("Physical").child("Body").shape, true);
        for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR(actual.bbox[i], expected[i], 1e-6);
    }
}

TEST(StepExport, OperatorIsASubAssemblyOfStemAndHandwheel) {
    const auto roots = stepOf(ex::operatorValve());
    const auto& physical = roots.front().child("Physical");
    const Names names = physical.childNames();
    ASSERT_FALSE(names.empty());
    const ex::StepNode& valveOperator = physical.children.back();
    EXPECT_EQ(valveOperator.name, ex::operatorValve().aspects[0].outputs->outputs().back().name);
    EXPECT_EQ(valveOperator.childNames(), (Names{exports::kOperatorStemName, exports::kOperatorHandwheelName}));
}

// A part's name reaches the STEP file in the standard's encoding whatever it holds: printable ASCII as
// is (apostrophe and backslash doubled), everything else as UTF-16 in \X2\...\X0\, a control character
// and a NUL too; invalid UTF-8 as U+FFFD. The file is ASCII throughout and reads back with the name.
TEST(StepExport, NamesAreWrittenInTheStandardsEncoding) {
    using namespace std::string_literals;
    struct Case {
        std::string name;
        std::string literal;  // as the file must hold it
        std::string readBack; // as the translator's reader gives it back, in UTF-8
    };
    const Case cases[] = {
        {"Ventil \u00D8100 \u2013 Pr\u00FCfung", R"('Ventil \X2\00D8\X0\100 \X2\2013\X0\ Pr\X2\00FC\X0\fung')",
         "Ventil \u00D8100 \u2013 Pr\u00FCfung"},
        {"bell\x07 it's a\\b \U0001F527", R"('bell\X2\0007\X0\ it''s a\\b \X2\D83DDD27\X0\')",
         "bell\x07 it's a\\b \U0001F527"},
        {"cut\0here"s, R"('cut\X2\0000\X0\here')", "cuthere"}, // the reader drops the NUL, keeps the rest
        {"bad\xFF\xC3(", R"('bad\X2\FFFDFFFD\X0\(')", "bad\uFFFD\uFFFD("},
        {" padded ", "' padded '", " padded "},
    };
    ex::ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        catalog::PartReport report = ex::plainValve();
        report.part.name = c.name;
        const std::string path = folder.path("named.step").string();
        ExportDocument(report).writeStep(path);
        const std::string text = exports::readFileBytes(path);
        const auto outside = std::find_if(text.begin(), text.end(), [](char ch) {
            return ch != '\n' && (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7E);
        });
        EXPECT_EQ(outside, text.end()) << "byte " << (outside - text.begin()) << " is not ASCII text";
        EXPECT_NE(text.find("PRODUCT(" + c.literal + "," + c.literal + ","), std::string::npos);
        const auto roots = ex::readStep(path);
        ASSERT_EQ(roots.size(), 1u);
        EXPECT_EQ(roots.front().name, c.readBack);
        EXPECT_EQ(roots.front().childNames(), (Names{"Physical", "Insulation"}));
    }
}

// Several documents exported at once on different threads: STEP writing is serialised inside, meshing and
// GLB writing run side by side; every file reads back whole.
TEST(StepExport, DocumentsOfDifferentPartsExportOnDifferentThreads) {
    ex::ScratchFolder folder;
    const catalog::PartReport* reports[] = {&ex::plainValve(), &ex::repeatedNamesValve(), &ex::operatorValve()};
    auto file = [&](std::size_t i, const char* type) {
        return folder.path("part" + std::to_string(i) + type).string();
    };
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < std::size(reports); ++i)
        threads.emplace_back([&, i] {
            ExportDocument document(*reports[i]);
            document.writeGlb(file(i, ".glb"));
            document.writeStep(file(i, ".step"));
        });
    for (auto& thread : threads) thread.join();
    for (std::size_t i = 0; i < std::size(reports); ++i) {
        const auto roots = ex::readStep(file(i, ".step"));
        ASSERT_EQ(roots.size(), 1u);
        EXPECT_EQ(roots.front().child("Physical").childNames(), outputNames(reports[i]->aspects[0]));
        EXPECT_NO_THROW(ex::glbJson(file(i, ".glb")));
    }
}

// ---- GLB ----

TEST(GlbExport, NozzleNodesCarryTheirPortData) {
    const Json gltf = glbOf(ex::plainValve());

    // NPS 4 class 150 flanged ports; nozzles at the faces ±F/2 looking outwards.
    for (int port : {1, 2}) {
        SCOPED_TRACE(port);
        const double side = port == 1 ? -1 : 1;
        const Json& extras = ex::gltfNode(gltf, {"swing-nps4", "Physical", "PNoz" + std::to_string(port)})["extras"];
        EXPECT_EQ(extras["kind"], "nozzle");
        EXPECT_EQ(extras["port"], port);
        EXPECT_NEAR(extras["position"][0].get<double>(), side * 0.146, 1e-9);
        EXPECT_NEAR(extras["direction"][0].get<double>(), side, 1e-12);
        EXPECT_NEAR(extras["pipeOD"].get<double>(), 0.1143, 1e-12);
        EXPECT_NEAR(extras["flangeOD"].get<double>(), 0.2286, 1e-12);
        EXPECT_NEAR(extras["flangeThickness"].get<double>(), 0.0239, 1e-12);
        EXPECT_EQ(extras["terminationClass"], 5);
    }
}

TEST(GlbExport, PortValuesThatAreNotNumbersBecomeNull) {
    // JSON has no NaN, so the extras say null.
    const Json gltf = glbOf(ex::nanPortValve());
    const Json& extras = ex::gltfNode(gltf, {"nan-port", "Physical", "PNoz2"})["extras"];
    EXPECT_TRUE(extras["pipeOD"].is_null());
    EXPECT_NEAR(extras["flangeOD"].get<double>(), 0.2286, 1e-12);
}

TEST(GlbExport, MeshesAreInMetresAndInsulationIsSeeThrough) {
    ex::ScratchFolder folder;
    const std::string path = folder.path("part.glb").string();
    ExportDocument document(ex::plainValve());
    document.writeGlb(path);
    const Json gltf = ex::glbJson(path);
    // A 4 in valve stays small.
    EXPECT_LT(std::filesystem::file_size(path), 1'000'000u);

    // The body's vertices span the body's measured box (within the mesh deflection).
    const Json& body = ex::gltfNode(gltf, {"swing-nps4", "Physical", "Body"});
    const Json& primitive = gltf["meshes"][body["mesh"].get<std::size_t>()]["primitives"][0];
    const Json& positions = gltf["accessors"][primitive["attributes"]["POSITION"].get<std::size_t>()];
    const auto box = plainBodyBox();
    const double deflection = document.linearDeflection(0);
    for (std::size_t axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(positions["min"][axis].get<double>(), box[axis], 2 * deflection);
        EXPECT_NEAR(positions["max"][axis].get<double>(), box[axis + 3], 2 * deflection);
    }

    auto alphaMode = [&](const Json& node) {
        const Json& material = gltf["meshes"][node["mesh"].get<std::size_t>()]["primitives"][0]["material"];
        return gltf["materials"][material.get<std::size_t>()].value("alphaMode", "");
    };
    EXPECT_EQ(alphaMode(ex::gltfNode(gltf, {"swing-nps4", "Insulation", "InsulatedBody"})), "BLEND");
    EXPECT_NE(alphaMode(body), "BLEND");
}

// Outputs the symbol moves into place (the lugged body's lugs, one solid in eight places; the bonnet's
// nuts) stay where the host measured them in the GLB and STEP files: each output's mesh spans its measured
// box, and each STEP component puts its shape there.
TEST(Export, MovedOutputsKeepTheirPlaces) {
    const auto samples = catalog::loadSampleCatalog();
    for (const int basis : {2258, 2459}) {
        const auto part =
            std::find_if(samples.begin(), samples.end(), [&](const auto& p) { return p.partDataBasis == basis; });
        ASSERT_NE(part, samples.end());
        SCOPED_TRACE(part->name);
        const catalog::PartReport report = catalog::evaluatePart(*part, {"Physical"});
        ex::ScratchFolder folder;
        ExportDocument document(report);
        document.writeGlb(folder.path("part.glb").string());
        document.writeStep(folder.path("part.step").string());
        const auto meshes = ex::glbMeshBoxes(folder.path("part.glb").string());
        const auto step = ex::readStep(folder.path("part.step").string());
        ASSERT_EQ(step.size(), 1u);
        const auto& stepOutputs = step[0].child("Physical").children;
        const double deflection = document.linearDeflection(0);

        const auto& outputs = report.aspects[0].outputs->outputs();
        ASSERT_EQ(stepOutputs.size(), outputs.size());
        std::size_t mesh = 0;
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            const auto* recorded = dynamic_cast<const refhost::RecordedObject*>(outputs[i].object.get());
            if (!recorded || !recorded->shape()) continue;
            SCOPED_TRACE(outputs[i].name + " #" + std::to_string(i));
            const auto measured = kernel::measureShape(kernel::occShape(recorded->shape()), true).bbox;
            while (mesh < meshes.size() && meshes[mesh].path != part->name + "/Physical/" + outputs[i].name) ++mesh;
            ASSERT_LT(mesh, meshes.size());
            const auto& stepBox = kernel::measureShape(stepOutputs[i].placed, true).bbox;
            for (std::size_t k = 0; k < 6; ++k) {
                EXPECT_NEAR(meshes[mesh].box[k], measured[k], 2 * deflection);
                EXPECT_NEAR(stepBox[k], measured[k], 1e-6);
            }
            ++mesh;
        }
    }
}

// A shape exported before with the same mesh settings takes its triangles from the cache: the part sent
// again under another name is all hits, a part whose insulation changed meshes only its insulation, and
// each GLB is byte for byte the one made without a cache.
TEST(MeshCache, ReusedTrianglesAreTheOnesTheMesherMakes) {
    const auto samples = catalog::loadSampleCatalog();
    const auto operated =
        std::find_if(samples.begin(), samples.end(), [](const auto& p) { return p.partDataBasis == 2143; });
    ASSERT_NE(operated, samples.end());
    refhost::CatalogPart renamed = *operated;
    renamed.name += "-again";
    refhost::CatalogPart thicker = *operated;
    thicker.inputs["InsulationThickness"] = operated->inputs.at("InsulationThickness") + 0.005;

    exports::MeshSettings cached;
    cached.cache = std::make_shared<exports::MeshCache>();
    auto glb = [](const refhost::CatalogPart& part, const exports::MeshSettings& mesh) {
        ExportDocument document(catalog::evaluatePart(part, {"Physical", "Insulation"}), mesh);
        return document.renderGlb();
    };
    EXPECT_EQ(glb(*operated, cached), glb(*operated, {}));
    const auto first = cached.cache->counts();
    EXPECT_EQ(first.hits, 0u);
    EXPECT_GT(first.shapes, 3u);

    EXPECT_EQ(glb(renamed, cached), glb(renamed, {}));
    const auto again = cached.cache->counts();
    EXPECT_EQ(again.hits, first.shapes);
    EXPECT_EQ(again.shapes, first.shapes);

    EXPECT_EQ(glb(thicker, cached), glb(thicker, {}));
    const auto changed = cached.cache->counts();
    EXPECT_GT(changed.hits, again.hits);
    EXPECT_GT(changed.shapes, again.shapes);

    // A budget too small for any shape keeps nothing and changes nothing.
    exports::MeshSettings tiny;
    tiny.cache = std::make_shared<exports::MeshCache>(16);
    EXPECT_EQ(glb(*operated, tiny), glb(*operated, {}));
    EXPECT_EQ(tiny.cache->counts().shapes, 0u);
}

// GLB and STL both keep what a failed aspect added before it failed (names and the ok flag: RoundTrip).
TEST(Export, FailedAspectKeepsWhatItAddedAndSaysItFailed) {
    const catalog::PartReport& report = ex::failingValve();
    ASSERT_FALSE(report.aspects[0].ok);
    ASSERT_EQ(outputNames(report.aspects[0]), (Names{"Body"}));
    const Json gltf = glbOf(report);
    EXPECT_EQ(ex::gltfNode(gltf, {report.part.name, "Physical"})["extras"]["error"], "0x80004005");
    EXPECT_TRUE(ex::gltfNode(gltf, {report.part.name, "Physical", "Body"}).contains("mesh"));

    ex::ScratchFolder folder;
    ExportDocument(report).writeStl(folder.path("part.stl").string());
    std::uint32_t count = 0;
    std::memcpy(&count, exports::readFileBytes(folder.path("part.stl").string()).data() + 80, sizeof count);
    EXPECT_GT(count, 0u);
}

// A nozzle whose port gives nothing to draw: no diameters, so no port graphics.
class GraphicLessNozzle : public host::IObject, public refhost::RecordedObject {
public:
    GraphicLessNozzle() {
        creation_.kind = "nozzle";
        creation_.add("port", std::int64_t{1}).add("position", std::vector<double>{-0.146, 0, 0});
    }
    const refhost::Creation& creation() const override { return creation_; }
    refhost::OutputKind outputKind() const override { return refhost::OutputKind::Nozzle; }
    const refhost::ShapePtr& shape() const override { return none_; }

private:
    refhost::Creation creation_;
    refhost::ShapePtr none_;
};

// Also: one object added under two names stays two named outputs.
TEST(Export, OutputsWithoutGraphicsKeepTheirPlaceAndData) {
    catalog::PartReport report = ex::plainValve();
    auto outputs = std::make_shared<refhost::RefOutputCollection>();
    outputs->AddOutput("Body", report.aspects[0].outputs->outputs()[0].object);
    outputs->AddOutput("PNoz1", std::make_shared<GraphicLessNozzle>());
    outputs->AddOutput("Body_", report.aspects[0].outputs->outputs()[0].object);
    report.aspects[0].outputs = outputs;
    ex::ScratchFolder folder;
    ExportDocument document(report);
    document.writeGlb(folder.path("part.glb").string());
    document.writeStep(folder.path("part.step").string());

    const Json gltf = ex::glbJson(folder.path("part.glb").string());
    const Json& physical = ex::gltfNode(gltf, {"swing-nps4", "Physical"});
    EXPECT_EQ(ex::gltfChildNames(gltf, physical), (Names{"Body", "PNoz1", "Body_"}));
    const Json& nozzle = ex::gltfNode(gltf, {"swing-nps4", "Physical", "PNoz1"});
    EXPECT_FALSE(nozzle.contains("mesh"));
    EXPECT_EQ(nozzle["extras"]["index"], 2);
    EXPECT_EQ(nozzle["extras"]["port"], 1);

    const auto roots = ex::readStep(folder.path("part.step").string());
    EXPECT_EQ(roots.front().child("Physical").childNames(), (Names{"Body", "PNoz1", "Body_"}));
}

TEST(GlbExport, PartWithoutAnyGraphicsIsAValidEmptyScene) {
    auto partSpec = ex::plainValve().part;
    partSpec.name = "unlisted";
    partSpec.partDataBasis = 99999;
    const auto report = catalog::evaluatePart(partSpec, {"Physical", "Insulation"});
    ASSERT_FALSE(report.ok());
    const Json gltf = glbOf(report);

    EXPECT_EQ(ex::gltfChildNames(gltf, ex::gltfNode(gltf, {"unlisted"})), (Names{"Physical", "Insulation"}));
    EXPECT_EQ(ex::gltfNode(gltf, {"unlisted", "Insulation"})["extras"]["outputCount"], 0);
    // glTF allows no empty arrays and no empty buffers.
    for (const auto& [key, value] : gltf.items()) EXPECT_FALSE(value.is_array() && value.empty()) << key;
}

// ---- STL ----

TEST(StlExport, BinaryPhysicalAspectInMetres) {
    ex::ScratchFolder folder;
    const std::string path = folder.path("part.stl").string();
    ExportDocument(ex::plainValve()).writeStl(path);

    const std::string bytes = exports::readFileBytes(path);
    ASSERT_GE(bytes.size(), 84u);
    EXPECT_NE(bytes.compare(0, 5, "solid"), 0); // a text STL would start so
    std::uint32_t count = 0;
    std::memcpy(&count, bytes.data() + 80, sizeof count);
    ASSERT_EQ(bytes.size(), 84u + 50u * count);
    // A cone and two flange discs at 0.35 rad: hundreds of triangles, not millions.
    EXPECT_GT(count, 100u);
    EXPECT_LT(count, 20000u);

    // The vertices span the Physical outputs: flange to flange along x, the flange diameter across.
    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    for (std::uint32_t t = 0; t < count; ++t)
        for (int v = 1; v <= 3; ++v)
            for (int axis = 0; axis < 3; ++axis) {
                float value;
                std::memcpy(&value, bytes.data() + 84 + 50 * t + 12 * v + 4 * axis, sizeof value);
                low[axis] = std::min(low[axis], value);
                high[axis] = std::max(high[axis], value);
            }
    EXPECT_NEAR(low[0], -0.146, 1e-4);
    EXPECT_NEAR(high[0], 0.146, 1e-4);
    EXPECT_NEAR(high[1] - low[1], 0.2286, 1e-3);
}

// ---- Failures leave nothing behind ----

class ExportDestination : public ::testing::TestWithParam<ex::Writer> {};

// A failed write leaves nothing behind; a successful one replaces the file whole.
TEST_P(ExportDestination, WritesTheWholeFileOrNothing) {
    const ex::Writer& c = GetParam();
    ex::ScratchFolder folder;
    ExportDocument document(ex::plainValve());
    // A missing folder is a clear error naming the format and the path.
    const auto missing = folder.path("missing") / c.fileName;
    try {
        c.write(document, missing.string());
        ADD_FAILURE() << "no error";
    } catch (const exports::ExportError& error) {
        const std::string message = error.what();
        for (const std::string& part : {std::string(c.format), missing.string(), std::string("does not exist")})
            EXPECT_NE(message.find(part), std::string::npos) << message;
    }
    EXPECT_TRUE(folder.entries().empty());
    // A folder of the file's name is refused and kept.
    std::filesystem::create_directory(folder.path(c.fileName));
    EXPECT_THROW(c.write(document, folder.path(c.fileName).string()), exports::ExportError);
    EXPECT_EQ(folder.entries(), (Names{c.fileName}));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path(c.fileName)));
    // An existing file is replaced, and no temporary file is left.
    std::filesystem::remove(folder.path(c.fileName));
    exports::writeFileStaged(folder.path(c.fileName).string(), "test", "old");
    c.write(document, folder.path(c.fileName).string());
    EXPECT_GT(std::filesystem::file_size(folder.path(c.fileName)), 3u);
    EXPECT_EQ(folder.entries(), (Names{c.fileName}));
}

INSTANTIATE_TEST_SUITE_P(Writers, ExportDestination, ::testing::ValuesIn(ex::kWriters));

TEST(StagedFile, UncommittedWorkIsRemoved) {
    ex::ScratchFolder folder;
    {
        exports::StagedFile file(folder.path("out.bin").string(), "test");
        file.write("half");
        EXPECT_EQ(folder.entries().size(), 1u);
    }
    EXPECT_TRUE(folder.entries().empty());
}

} // namespace
} // namespace tcv
