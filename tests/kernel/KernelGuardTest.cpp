// Bad input through the whole host: parts whose dimensions or ports broke the host before (found by
// the fuzz targets in fuzz/), and the host's refusal of shapes it must not hand on. An evaluation
// either succeeds with valid shapes or fails with the generic failure code; nothing else leaves it.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>

#include "support/GeometryHelpers.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/kernel/OccKernel.h"
#include "tarncheckvalve/ports/Nozzles.h"
#include "tarncheckvalve/refhost/OutputCollection.h"

namespace tcv::refhost {
namespace {

using test::twoPortPart;
using P = host::DPosition;
using V = host::DVector;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kDenormal = std::numeric_limits<double>::denorm_min();

// Every output handed on has a shape that can be had and, after a successful evaluation, is valid.
void expectOnlyValidShapes(const AspectResult& result) {
    for (std::size_t i = 0; i < result.outputs->outputs().size(); ++i) {
        const auto& output = result.outputs->outputs()[i];
        const auto* recorded = dynamic_cast<const RecordedObject*>(output.object.get());
        if (!recorded) continue;
        TopoDS_Shape shape;
        ASSERT_NO_THROW(shape = kernel::occShape(recorded->shape())) << output.name;
        if (!result.ok || shape.IsNull()) continue;
        EXPECT_TRUE(kernel::measureShape(shape, recorded->outputKind() == OutputKind::Solid).valid)
            << result.aspect << " output " << i << " '" << output.name << "' is not a valid shape";
    }
}

struct BadPart {
    const char* name;
    CatalogPart part;
    const char* aspect;
    bool builds;                         // true: succeeds; false: fails with the generic failure
    std::vector<std::string> firstNames; // the outputs that come before the end or the failure
};

CatalogPart withPort(CatalogPart part, std::size_t position, void (*change)(PortSpec&)) {
    change(part.ports.at(position));
    return part;
}

// The part with the inputs given as name, value, name, value...
CatalogPart withInputs(CatalogPart part) { return part; }
template <class... Rest>
CatalogPart withInputs(CatalogPart part, const char* name, double value, Rest... rest) {
    part.inputs[name] = value;
    return withInputs(std::move(part), rest...);
}

BadPart bad(const char* name, const char* aspect, bool builds, std::vector<std::string> firstNames, CatalogPart part) {
    return {name, std::move(part), aspect, builds, std::move(firstNames)};
}

class BadPartTest : public ::testing::TestWithParam<BadPart> {};

TEST_P(BadPartTest, EndsCleanlyWithValidShapes) {
    const BadPart& bad = GetParam();
    AspectResult result;
    ASSERT_NO_THROW(result = evaluateAspect(bad.part, *contract::aspectNamed(bad.aspect)));
    if (bad.builds) {
        EXPECT_TRUE(result.ok) << result.errorText;
    } else {
        ASSERT_FALSE(result.ok);
        EXPECT_EQ(result.errorCode, host::kGenericFailure);
    }
    const auto names = test::outputNames(result);
    ASSERT_GE(names.size(), bad.firstNames.size());
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + static_cast<long>(bad.firstNames.size())),
              bad.firstNames);
    expectOnlyValidShapes(result);
}

CatalogPart zeroPorts2021() {
    CatalogPart part = twoPortPart(2021);
    part.ports[0] = part.ports[1] = PortSpec{};
    part.ports[0].terminationClass = part.ports[1].terminationClass = 0;
    part.ports[1].index = 2;
    part.ports[1].pipeOD = 0.1143;
    return part;
}

const BadPart kBadParts[] = {
    // A negative insulation thickness and a tiny flush diameter give a loft whose middle section's centre
    // lies outside the section: the side was turned inwards (a negative volume); the host now turns it
    // by the sign of the enclosed volume.
    bad("SkinCentreOutsideItsSectionInsulation", "Insulation", true,
        {"InsulatedBody", "InsulatedBody1", "InsulatedBody2_", "InsulatedBody3", "InsulatedBody4"},
        withInputs(twoPortPart(2381), "C", 0.55009727626459148, "E", 5.6786795036382612e-270, "FacetoFace",
                   0.16970817120622569, "FlushDiameter2", 1e-300, "HeightFrmValCen", 0.052647058823529408,
                   "InsulationThickness", -0.015146486610208286, "Width", 0.30577592126344699)),
    // Odd jacket dimensions give the insulated body's loft a section whose elliptical arc crosses its
    // straight sides; the loft made of it is not a valid solid, and the host refuses it.
    bad("CrossingSkinSectionInsulation", "Insulation", false, {"InsulatedBody", "InsulatedBody1"},
        withInputs(twoPortPart(2381), "A", -0.11812657358663309, "B", 0.052647058823529408, "BodyDiameter", kInfinity,
                   "C", -0.43852941176470589, "D", -0.43852941176470589, "Diameter", 0.05330624856946669, "E",
                   1.0313725490196079e-09, "EqualizerClearance", 0.052647058823529408, "FacetoFace",
                   0.052647058823529408, "FlushDiameter", -0.43852941176470589, "FlushDiameter1", 0.038584344243533984,
                   "FlushDiameter2", 0.78859578850995649, "Height", 0, "InsulationThickness", 0.052647058823529408,
                   "Length2", 0.052647058823529408, "OffsetFrmValCen", 0.053379491874570834, "PlugDiameter",
                   0.038584344243533984, "ValveFacetoFace", 5.4029680954727773e+67, "Width", -kInfinity)),
    // Port 1 without any diameter: the bulged body's profile is a B-spline whose poles all lie at the
    // origin, which the kernel revolved into an empty shape; the host refuses the B-spline.
    bad("ZeroPortBSplineBody", "Physical", false, {}, zeroPorts2021()),
    // A face-to-face length of 4e-308 m gives the vertical insulation cylinder a radius far below the
    // kernel's point tolerance: a solid of no volume, refused by the host, so the aspect fails there.
    bad("DenormalFaceToFaceInsulation", "Insulation", false, {"InsulatedBody", "MainBodyRighttConeIns"},
        withInputs(twoPortPart(2232), "FacetoFace", 4.0340307083962683e-308)),
    // A default body whose port 2 has a pipe diameter of 1e300 m: the insulation cylinder would be beyond
    // the model space; the host refuses it and the aspect fails with the generic failure.
    bad("HugePipeDiameterInsulation", "Insulation", false, {},
        withInputs(withPort(twoPortPart(-35980), 1, [](PortSpec& p) { p.pipeOD = 1e300; }), "FacetoFace", 1000)),
    // Port values that are not numbers reach the symbol as they are. The wafer draws its body from its
    // own dimensions and hands the pipe diameter on to the nozzle; with a flange diameter that is not a
    // number the symbol fails after the body.
    bad("NaNPortDiameter", "Physical", true, {"Body", "Web", "Port1", "Port2", "PNoz1", "PNoz2"},
        withPort(twoPortPart(2256), 1, [](PortSpec& p) { p.pipeOD = kNaN; })),
    bad("NaNFlangeDiameter", "Physical", false, {"Body"},
        withPort(twoPortPart(2256), 0, [](PortSpec& p) { p.flangeOD = kNaN; })),
    bad("InfiniteCptOffset", "Insulation", false, {},
        withPort(twoPortPart(1), 0, [](PortSpec& p) { p.cptOffset = -kInfinity; })),
    // A flange diameter of 4e228 m: the wafer still builds; the nozzle's flange disc, which the kernel
    // cannot make valid at that size, is left out instead of handed on broken.
    bad("HugeFlangeDiameterNozzle", "Physical", true, {"Body", "Web", "Port1", "Port2", "PNoz1", "PNoz2"},
        withInputs(withPort(twoPortPart(2256), 1,
                            [](PortSpec& p) {
                                p.pipeOD = 0.18659276607919431;
                                p.flangeOD = 4.0652741670271084e+228;
                            }),
                   "Diameter", kDenormal, "Length2", kInfinity)),
};

INSTANTIATE_TEST_SUITE_P(FoundByFuzzing, BadPartTest, ::testing::ValuesIn(kBadParts),
                         [](const auto& parameter) { return std::string(parameter.param.name); });

// Runs the call and expects the generic failure (the geometry routines report without a text).
void expectGenericFailure(const std::function<void()>& call, const std::string& what) {
    try {
        call();
        ADD_FAILURE() << what << ": no host error";
    } catch (const host::HostError& error) {
        EXPECT_EQ(error.code(), host::kGenericFailure) << what << ": " << error.what();
    }
}

// Lengths and coordinates beyond the host's model space are refused where the host is handed them,
// in both modes: the kernel would make shapes of them that fail its own check.
class ModelSpace : public ::testing::TestWithParam<bool> {};

TEST_P(ModelSpace, LengthsAndCoordinatesBeyondItAreRefused) {
    test::HostFixtureScope host(test::hostOptions(GetParam()));
    auto f = host::runtime().CreateGeometryFactory();
    auto outputs = std::make_shared<RefOutputCollection>();
    auto rm = outputs->ResourceManager();
    const double beyond = 2 * kModelExtent;
    auto circle = f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), 0.1);
    auto part = makePart(twoPortPart(2256));
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"circle of radius beyond", [&] { f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), beyond); }},
        {"circle centred beyond", [&] { f->CreateCircle(nullptr, P(0, -beyond, 0), V(1, 0, 0), 1); }},
        {"line string through a point beyond",
         [&] { f->CreateLineString(nullptr, 2, test::xyz(0, 0, 0, 0, 0, beyond)); }},
        {"elliptical arc with a major radius beyond",
         [&] { f->CreateEllipticalArc(nullptr, P(0, 0, 0), V(0, 0, 1), V(beyond, 0, 0), 0.5, 0, 1); }},
        {"elliptical arc with a minor radius beyond",
         [&] { f->CreateEllipticalArc(nullptr, P(0, 0, 0), V(0, 0, 1), V(1, 0, 0), beyond, 0, 1); }},
        {"projection longer than the model", [&] { f->CreateProjection(rm, circle, V(1, 0, 0), beyond, true); }},
        {"torus of ring radius beyond",
         [&] { f->CreateTorus(rm, P(0, 0, 0), V(0, 0, 1), V(1, 0, 0), beyond, 1, true); }},
        {"graphic moved beyond",
         [&] {
             auto disc = f->CreateProjection(rm, circle, V(1, 0, 0), 0.01, true);
             host::DT4x4 move;
             move.translate(V(beyond, 0, 0));
             disc->Transform(move);
         }},
        {"box with a corner beyond", [&] { geometry::PlaceBox(outputs, P(0, 0, 0), P(1, 1, beyond)); }},
        {"nozzle placed beyond",
         [&] {
             std::int16_t port = 1;
             ports::CreateNozzle(port, part, outputs, V(-1, 0, 0), P(-beyond, 0, 0));
         }},
    };
    for (const auto& [what, call] : cases) expectGenericFailure(call, what);

    // Up to the edge the kernel still makes valid shapes.
    auto wide = f->CreateProjection(rm, f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), kModelExtent), V(1, 0, 0),
                                    kModelExtent, true);
    if (GetParam()) {
        EXPECT_TRUE(test::measureOf(wide).valid);
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, ModelSpace, ::testing::Values(true, false), test::modeName);

// The checks a kernel result passes before the host hands it on.
TEST(ShapeChecks, RefuseWhatIsNotAValidSolid) {
    const auto flatSquare = [] {
        BRepBuilderAPI_MakePolygon square(gp_Pnt(0, 0, 0), gp_Pnt(1, 0, 0), gp_Pnt(1, 1, 0), gp_Pnt(0, 1, 0), true);
        return TopoDS_Shape(BRepBuilderAPI_MakeFace(square.Wire()).Face());
    }();
    // The kernel makes a cylinder of radius 1e9 m that fails its own check.
    const TopoDS_Shape hugeCylinder = BRepPrimAPI_MakeCylinder(1e9, 1).Shape();
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"no shape", [] { kernel::checkedShape("test", TopoDS_Shape(), true, kernel::ShapeCheck::Trusted); }},
        {"a solid without volume", [&] { kernel::checkedShape("test", flatSquare, true, kernel::ShapeCheck::Full); }},
        {"a shape that fails the kernel's check",
         [&] { kernel::checkedShape("test", hugeCylinder, true, kernel::ShapeCheck::Full); }},
    };
    for (const auto& [what, call] : cases) expectGenericFailure(call, what);

    // A flat face is a fine surface; a solid whose faces point inwards is turned inside out.
    EXPECT_NO_THROW(kernel::checkedShape("test", flatSquare, false, kernel::ShapeCheck::Full));
    const TopoDS_Shape inward = BRepPrimAPI_MakeBox(1, 2, 3).Shape().Reversed();
    EXPECT_NEAR(
        *kernel::measureShape(kernel::checkedShape("test", inward, true, kernel::ShapeCheck::Full), true).volume, 6,
        1e-9);
}

} // namespace
} // namespace tcv::refhost
