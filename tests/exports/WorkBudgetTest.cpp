// The work budget of a part as a user meets it: a part typed in the wrong unit, a time limit, a cancelled
// request and a triangle limit each end the work with a reason that names what exceeded which limit, and
// leave no file behind; a valve drawn at another scale meshes alike or is refused with its reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "ExportSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/IsolatedMesh.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv {
namespace {

namespace ex = test::exports;
using exports::ExportDocument;
using exports::ExportError;
using refhost::WorkBudget;
using refhost::WorkLimits;
using testing::HasSubstr;

refhost::CatalogPart sample(const std::string& name) {
    for (const auto& part : catalog::loadSampleCatalog())
        if (part.name == name) return part;
    ADD_FAILURE() << "no sample " << name;
    return {};
}

// The part with every length scaled by `factor` (angles and nominal sizes unchanged).
refhost::CatalogPart scaled(refhost::CatalogPart part, double factor) {
    for (auto& [name, value] : part.inputs)
        if (name != "HandwheelAngle") value *= factor;
    for (auto& port : part.ports)
        for (double* length :
             {&port.pipeOD, &port.flangeOD, &port.flangeThickness, &port.cptOffset, &port.depth, &port.length})
            *length *= factor;
    if (part.valveOperator)
        for (auto& [name, value] : part.valveOperator->inputs) value *= factor;
    return part;
}

catalog::PartReport evaluated(const refhost::CatalogPart& part, std::shared_ptr<WorkBudget> budget = nullptr) {
    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    options.budget = std::move(budget);
    return catalog::evaluatePart(part, {"Physical", "Insulation"}, options);
}

// The triangles of every mesh of a GLB.
std::size_t glbTriangles(const std::string& path) {
    const auto gltf = ex::glbJson(path);
    std::size_t triangles = 0;
    for (const auto& mesh : gltf["meshes"])
        for (const auto& primitive : mesh["primitives"])
            triangles += gltf["accessors"][primitive["indices"].get<std::size_t>()]["count"].get<std::size_t>() / 3;
    return triangles;
}

TEST(WorkBudget, StopsForEachLimitAndSaysWhich) {
    const auto flag = std::make_shared<std::atomic<bool>>(false);
    WorkBudget open(WorkLimits{}, flag);
    EXPECT_FALSE(open.stopped());
    EXPECT_EQ(open.reason("meshing output Body"), "");
    flag->store(true);
    EXPECT_EQ(open.reason("meshing output Body"), "cancelled while meshing output Body");

    WorkBudget cancelled{WorkLimits{}};
    cancelled.cancel();
    EXPECT_THROW(cancelled.check("building a cone"), refhost::WorkStopped);

    WorkBudget timed(WorkLimits{std::chrono::milliseconds(1), 0});
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(timed.reason("writing STEP"), "time limit of 0.001 s reached while writing STEP");

    WorkBudget counted(WorkLimits{std::chrono::milliseconds(0), 100});
    EXPECT_TRUE(counted.addTriangles(100));
    EXPECT_FALSE(counted.stopped());
    EXPECT_FALSE(counted.addTriangles(1));
    EXPECT_EQ(counted.reason(""), "meshing exceeded 100 triangles");
}

// What a new user types by mistake, and what each gives: built quickly at a coarser size, or refused
// before any meshing with the output and its extent named.
TEST(MeshBudget, PartsTypedInTheWrongUnitMeshQuicklyOrAreRefusedWithTheirExtent) {
    struct Case {
        const char* what;
        const char* sample;
        const char* input;
        double value;
        const char* refusal; // empty: the GLB is written
    };
    const Case cases[] = {
        {"face-to-face in millimetres", "default-1-nps4-cl150-swing", "FacetoFace", 292, ""},
        {"a body ten times as long", "default-1-nps4-cl150-swing", "FacetoFace", 2920,
         "meshing would put more than 60000 triangles on one face (output Body is 2919.95 m long and 0.1143 m "
         "across)"},
        {"insulation of a kilometre", "default-1-nps4-cl150-swing", "InsulationThickness", 1000, ""},
        {"a width of 240 km", "multi-port-3124-nps2-cl150-jacketed", "Width", 240000, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        refhost::CatalogPart part = sample(c.sample);
        part.inputs[c.input] = c.value;
        const auto budget = std::make_shared<WorkBudget>(WorkLimits{std::chrono::seconds(30), 2'000'000});
        const auto report = evaluated(part, budget);
        EXPECT_FALSE(report.warnings.empty()) << "a dimension over 20 m is worth a warning";
        ex::ScratchFolder folder;
        exports::MeshSettings settings;
        settings.budget = budget;
        ExportDocument document(report, settings);
        const std::string path = folder.path("part.glb").string();
        if (*c.refusal) {
            try {
                document.writeGlb(path);
                ADD_FAILURE() << "written";
            } catch (const ExportError& error) {
                EXPECT_THAT(error.what(), HasSubstr(c.refusal));
            }
            EXPECT_TRUE(folder.entries().empty());
        } else {
            document.writeGlb(path);
            EXPECT_LT(glbTriangles(path), 100'000u);
        }
    }
}

// A time limit, a cancelled request and a triangle limit each end an export with their reason, and leave
// nothing where the file was to go.
TEST(MeshBudget, EachLimitEndsTheExportWithItsReasonAndLeavesNoFile) {
    struct Case {
        const char* what;
        WorkLimits limits;
        bool cancel;
        const char* reason;
    };
    const Case cases[] = {
        {"time", {std::chrono::milliseconds(1), 0}, false, "time limit of 0.001 s reached while "},
        {"cancelled", {}, true, "cancelled while "},
        {"triangles",
         {std::chrono::milliseconds(0), 500},
         false,
         "meshing would exceed 500 triangles (output Body is 0.2442 m long and 0.1143 m across)"},
    };
    const catalog::PartReport report = evaluated(sample("default-1-nps4-cl150-swing"));
    for (const auto& c : cases) {
        for (const auto& writer : ex::kWriters) {
            SCOPED_TRACE(std::string(c.what) + " " + writer.format);
            if (std::string(writer.format) == "STEP" && std::string(c.what) == "triangles") continue; // no mesh
            const auto budget = std::make_shared<WorkBudget>(c.limits);
            if (c.cancel) budget->cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            exports::MeshSettings settings;
            settings.budget = budget;
            ExportDocument document(report, settings);
            ex::ScratchFolder folder;
            try {
                writer.write(document, folder.path(writer.fileName).string());
                ADD_FAILURE() << "written";
            } catch (const ExportError& error) {
                EXPECT_THAT(error.what(), HasSubstr(c.reason));
            }
            EXPECT_TRUE(folder.entries().empty());
        }
    }
}

// The evaluation itself stops at its next construction, and its failure says why.
TEST(MeshBudget, ACancelledEvaluationFailsWithItsReason) {
    const auto budget = std::make_shared<WorkBudget>();
    budget->cancel();
    const auto report = evaluated(sample("default-1-nps4-cl150-swing"), budget);
    ASSERT_EQ(report.aspects.size(), 2u);
    for (const auto& aspect : report.aspects) {
        EXPECT_FALSE(aspect.ok);
        EXPECT_THAT(aspect.reason().message, HasSubstr("cancelled while building a "));
    }
}

// A shape with a face too large to mesh between two looks at the budget goes to the isolated mesher: its
// triangles are those made in place (the same GLB, byte for byte), a budget the mesher ends ends the
// export with its reason, and no sample part is sent there.
TEST(MeshBudget, ShapesWithAHeavyFaceAreMeshedWhereTheBudgetCanEndThem) {
    refhost::CatalogPart longBody = sample("default-1-nps4-cl150-swing");
    longBody.inputs["FacetoFace"] = 29.2;
    std::vector<std::string> sent;
    exports::MeshSettings isolated;
    isolated.isolatedMesher = [&](const exports::IsolatedMeshJob& job, const WorkBudget*) {
        sent.push_back(job.shapeFile);
        exports::meshShapeFile(job);
    };
    const auto report = evaluated(longBody);
    EXPECT_EQ(ExportDocument(report, isolated).renderGlb(), ExportDocument(report).renderGlb());
    EXPECT_EQ(sent.size(), 1u); // the body alone; its ports and insulation are small

    exports::MeshSettings stopping;
    stopping.isolatedMesher = [](const exports::IsolatedMeshJob&, const WorkBudget*) {
        throw refhost::WorkStopped("time limit of 0.2 s reached while meshing output Body");
    };
    try {
        ExportDocument(report, stopping).renderGlb();
        ADD_FAILURE() << "an export whose mesher was stopped succeeded";
    } catch (const ExportError& error) {
        EXPECT_THAT(error.what(), HasSubstr("time limit of 0.2 s reached while meshing output Body"));
    }

    sent.clear();
    for (const auto& part : catalog::loadSampleCatalog()) ExportDocument(evaluated(part), isolated).renderGlb();
    EXPECT_THAT(sent, testing::IsEmpty());
}

// Every sample drawn ten thousand times larger meshes into about as many triangles; drawn a hundred
// thousand times smaller, it is refused, by the kernel or for the mesher's tolerance.
TEST(MeshBudget, ScaledSamplesMeshAlikeOrAreRefused) {
    for (const auto& part : catalog::loadSampleCatalog()) {
        SCOPED_TRACE(part.name);
        ex::ScratchFolder folder;
        const auto triangles = [&](const catalog::PartReport& report, const std::string& file) {
            ExportDocument(report).writeGlb(folder.path(file).string());
            return static_cast<double>(glbTriangles(folder.path(file).string()));
        };
        const auto report = evaluated(part);
        const double ratio = triangles(evaluated(scaled(part, 1e4)), "larger.glb") / triangles(report, "original.glb");
        EXPECT_NEAR(ratio, 1.0, 0.2);

        const auto tiny = evaluated(scaled(part, 1e-5));
        if (!tiny.ok()) continue; // the kernel could not build it, and the report says why
        try {
            triangles(tiny, "smaller.glb");
            ADD_FAILURE() << "a valve some micrometres across was meshed";
        } catch (const ExportError& error) {
            EXPECT_THAT(error.what(), HasSubstr("too small for the geometry kernel's tolerance of 1e-07 m"));
        }
    }
}

} // namespace
} // namespace tcv
