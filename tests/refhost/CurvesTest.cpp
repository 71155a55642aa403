// Curves of the reference host: end points as the host reports them (in both modes), the kernel curve
// agreeing with them (start, middle, end), records and transforms.
#include <BRepAdaptor_CompCurve.hxx>
#include <TopoDS.hxx>

#include "refhost/GeometryHelpers.h"

#include <functional>

namespace tcv::test {
namespace {

using host::DPosition;
using host::DVector;

struct CurveCase {
    const char* name;
    std::function<host::CurvePtr(host::IGeometryFactory&)> make;
    std::vector<double> start, middle, end;
    const char* kind;
};

const double h = std::sqrt(0.5);

std::vector<CurveCase> curveCases() {
    return {
        {"line",
         [](auto& f) { return f.CreateLine(nullptr, DPosition(0, 0, 0), DPosition(1, 2, 3)); },
         {0, 0, 0},
         {0.5, 1, 1.5},
         {1, 2, 3},
         "line"},
        {"arc by three points",
         [](auto& f) {
             return f.CreateArcBy3Points(nullptr, DPosition(1, 0, 0), DPosition(0, 1, 0), DPosition(-1, 0, 0));
         },
         {1, 0, 0},
         {0, 1, 0},
         {-1, 0, 0},
         "arc"},
        {"arc by centre takes the shorter way",
         [](auto& f) {
             return f.CreateArcByCenter(nullptr, DPosition(0, 0, 0), DPosition(1, 0, 0), DPosition(0, 1, 0));
         },
         {1, 0, 0},
         {h, h, 0},
         {0, 1, 0},
         "arc"},
        {"arc by centre and normal runs counter-clockwise about the normal",
         [](auto& f) {
             return f.CreateArcByCenterNormal(nullptr, DPosition(0, 0, 0), DVector(0, 0, -1), DPosition(1, 0, 0),
                                              DPosition(0, 1, 0));
         },
         {1, 0, 0},
         {-h, -h, 0},
         {0, 1, 0},
         "arc"},
        {"circle",
         [](auto& f) { return f.CreateCircle(nullptr, DPosition(1, 2, 3), DVector(0, 0, 1), 2); },
         {3, 2, 3},
         {-1, 2, 3},
         {3, 2, 3},
         "circle"},
        {"circle by three points",
         [](auto& f) {
             return f.CreateCircleBy3Points(nullptr, DPosition(1, 0, 0), DPosition(0, 1, 0), DPosition(-1, 0, 0));
         },
         {1, 0, 0},
         {-1, 0, 0},
         {1, 0, 0},
         "circle"},
        {"elliptical arc over its crest about -z",
         [](auto& f) {
             return f.CreateEllipticalArc(nullptr, DPosition(0, 0.1, 0), DVector(0, 0, -1), DVector(0.35, 0, 0),
                                          0.2 / 0.35, kPi, kPi);
         },
         {-0.35, 0.1, 0},
         {0, 0.3, 0},
         {0.35, 0.1, 0},
         "ellipticalArc"},
        {"elliptical arc with a reversed major axis",
         [](auto& f) {
             return f.CreateEllipticalArc(nullptr, DPosition(0, -0.2, 0), DVector(0, 0, 1), DVector(-0.35, 0, 0),
                                          0.1 / 0.35, 0, kPi);
         },
         {-0.35, -0.2, 0},
         {0, -0.3, 0},
         {0.35, -0.2, 0},
         "ellipticalArc"},
        {"elliptical arc with ratio above 1",
         [](auto& f) {
             return f.CreateEllipticalArc(nullptr, DPosition(0, 0, 0), DVector(0, 0, 1), DVector(1, 0, 0), 2, 0,
                                          kPi / 2);
         },
         {1, 0, 0},
         {h, 2 * h, 0},
         {0, 2, 0},
         "ellipticalArc"},
        {"elliptical arc swept clockwise",
         [](auto& f) {
             return f.CreateEllipticalArc(nullptr, DPosition(0, 0, 0), DVector(0, 0, 1), DVector(2, 0, 0), 0.5, 0,
                                          -kPi / 2);
         },
         {2, 0, 0},
         {2 * h, -h, 0},
         {0, -1, 0},
         "ellipticalArc"},
        {"line string",
         [](auto& f) {
             return f.CreateLineString(nullptr, 3, {0, 0, 0, 1, 0, 0, 1, 1, 0});
         },
         {0, 0, 0},
         {1, 0, 0},
         {1, 1, 0},
         "lineString"},
        {"clamped B-spline",
         [](auto& f) {
             return f.CreateBSpline(nullptr, 4, 4, {0, 0, 0, 1, 2, 0, 2, 2, 0, 3, 0, 0}, {1, 1, 1, 1},
                                    {0, 0, 0, 0, 1, 1, 1, 1}, false);
         },
         {0, 0, 0},
         {1.5, 1.5, 0},
         {3, 0, 0},
         "bspline"},
        {"uniform B-spline starts between its first poles",
         [](auto& f) {
             return f.CreateBSpline(nullptr, 3, 4, {0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0}, {1, 1, 1, 1},
                                    {0, 1, 2, 3, 4, 5, 6}, false);
         },
         {1, 0, 0},
         {2, 1, 0},
         {1, 2, 0},
         "bspline"},
    };
}

class Curves : public ::testing::TestWithParam<bool> {};

TEST_P(Curves, ReportTheirEndPointsAndTheKernelCurveAgrees) {
    HostFixtureScope host(hostOptions(GetParam()));
    auto factory = host::runtime().CreateGeometryFactory();
    for (const auto& c : curveCases()) {
        SCOPED_TRACE(c.name);
        auto curve = c.make(*factory);
        DPosition start, end;
        curve->EndPoints(start, end);
        expectNear(triple(start), c.start, 1e-12, "start");
        expectNear(triple(end), c.end, 1e-12, "end");
        const auto& recorded = recordOf(curve);
        EXPECT_EQ(recorded.creation().kind, c.kind);
        EXPECT_EQ(recorded.outputKind(), refhost::OutputKind::Curve);
        if (!GetParam()) {
            EXPECT_TRUE(recorded.shape().IsNull());
            continue;
        }
        ASSERT_FALSE(recorded.shape().IsNull());
        BRepAdaptor_CompCurve kernel(TopoDS::Wire(recorded.shape()));
        auto at = [&](double t) {
            gp_Pnt p = kernel.Value(t);
            return std::vector<double>{p.X(), p.Y(), p.Z()};
        };
        const double first = kernel.FirstParameter(), last = kernel.LastParameter();
        expectNear(at(first), c.start, 1e-9, "kernel start");
        expectNear(at((first + last) / 2), c.middle, 1e-9, "kernel middle");
        expectNear(at(last), c.end, 1e-9, "kernel end");
    }
}

TEST_P(Curves, FollowATransformWithTheirRecords) {
    HostFixtureScope host(hostOptions(GetParam()));
    auto factory = host::runtime().CreateGeometryFactory();
    auto arc = factory->CreateArcByCenter(nullptr, DPosition(0, 0, 0), DPosition(1, 0, 0), DPosition(0, 1, 0));
    host::DT4x4 move;
    move.rotate(kPi / 2, DVector(0, 0, 1));
    move.translate(DVector(5, 0, 0));
    arc->Transform(move);
    DPosition start, end;
    arc->EndPoints(start, end);
    expectNear(triple(start), {5, 1, 0}, 1e-12, "start");
    expectNear(triple(end), {4, 0, 0}, 1e-12, "end");
    const auto& creation = recordOf(arc).creation();
    expectNear(recordedTriple(creation, "centre"), {5, 0, 0}, 1e-12, "recorded centre");
    expectNear(recordedTriple(creation, "start"), {5, 1, 0}, 1e-12, "recorded start");
    EXPECT_NEAR(recordedNumber(creation, "radius"), 1, 1e-12);

    // A reflection keeps the arc's sense about its recorded normal.
    auto ellipse =
        factory->CreateEllipticalArc(nullptr, DPosition(0, 0, 0), DVector(0, 0, 1), DVector(2, 0, 0), 0.5, 0, kPi / 2);
    host::DT4x4 mirror;
    mirror.setIndexValue(0, -1);
    ellipse->Transform(mirror);
    ellipse->EndPoints(start, end);
    expectNear(triple(start), {-2, 0, 0}, 1e-12, "mirrored start");
    expectNear(triple(end), {0, 1, 0}, 1e-12, "mirrored end");
    if (GetParam()) {
        BRepAdaptor_CompCurve kernel(TopoDS::Wire(recordOf(ellipse).shape()));
        gp_Pnt middle = kernel.Value((kernel.FirstParameter() + kernel.LastParameter()) / 2);
        expectNear({middle.X(), middle.Y(), middle.Z()}, {-2 * h, h, 0}, 1e-9, "mirrored middle");
    }

    // A circle cannot follow a transform that does not keep angles.
    auto circle = factory->CreateCircle(nullptr, DPosition(0, 0, 0), DVector(0, 0, 1), 1);
    host::DT4x4 stretch;
    stretch.setIndexValue(0, 2);
    expectRefused([&] { circle->Transform(stretch); }, "stretched circle");
}

INSTANTIATE_TEST_SUITE_P(BothModes, Curves, ::testing::Values(true, false), modeName);

TEST(ComplexString, RecordsItsCurvesInOrderAndRunsFromTheFirstToTheLast) {
    HostFixtureScope host;
    auto factory = host::runtime().CreateGeometryFactory();
    auto line = factory->CreateLine(nullptr, DPosition(0, 0, 0), DPosition(1, 0, 0));
    auto arc = factory->CreateArcByCenter(nullptr, DPosition(1, 1, 0), DPosition(1, 0, 0), DPosition(2, 1, 0));
    auto string = factory->CreateComplexString(nullptr, {line, arc});
    DPosition start, end;
    string->EndPoints(start, end);
    expectNear(triple(start), {0, 0, 0}, 1e-12);
    expectNear(triple(end), {2, 1, 0}, 1e-12);
    const auto& creation = recordOf(string).creation();
    EXPECT_EQ(recordedNumber(creation, "count"), 2);
    EXPECT_EQ(std::get<std::string>(*creation.find("curve1.kind")), "line");
    EXPECT_EQ(std::get<std::string>(*creation.find("curve2.kind")), "arc");
    expectNear(recordedTriple(creation, "curve2.centre"), {1, 1, 0}, 1e-12);

    // The string keeps the curves as they were when it was made.
    host::DT4x4 move;
    move.translate(DVector(0, 0, 7));
    line->Transform(move);
    string->EndPoints(start, end);
    expectNear(triple(start), {0, 0, 0}, 1e-12);

    // Moving the string moves its curves.
    string->Transform(move);
    string->EndPoints(start, end);
    expectNear(triple(end), {2, 1, 7}, 1e-12);
    expectNear(recordedTriple(recordOf(string).creation(), "curve2.centre"), {1, 1, 7}, 1e-12);
}

TEST(Collection, CountsFromOneAndRefusesPositionsItLacks) {
    HostFixtureScope host;
    auto collection = host::runtime().CreateCollection();
    auto factory = host::runtime().CreateGeometryFactory();
    auto a = factory->CreateLine(nullptr, DPosition(0, 0, 0), DPosition(1, 0, 0));
    auto b = factory->CreateLine(nullptr, DPosition(1, 0, 0), DPosition(2, 0, 0));
    collection->Add(a);
    collection->Add(b);
    EXPECT_EQ(collection->Count(), 2);
    EXPECT_EQ(collection->Item(1), a);
    EXPECT_EQ(collection->Item(2), b);
    EXPECT_THROW(collection->Item(0), host::HostError);
    EXPECT_THROW(collection->Item(3), host::HostError);
    collection->Clear();
    EXPECT_EQ(collection->Count(), 0);
}

} // namespace
} // namespace tcv::test
