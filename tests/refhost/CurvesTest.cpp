// Curves of the reference host: end points as the host reports them (in both modes), the kernel curve
// agreeing with them (start, middle, end), records and transforms.
#include <BRepAdaptor_CompCurve.hxx>
#include <TopoDS.hxx>

#include <functional>

#include "support/GeometryHelpers.h"
#include "tarncheckvalve/kernel/OccKernel.h"

namespace tcv::test {
namespace {

using P = host::DPosition;
using V = host::DVector;
using F = host::IGeometryFactory;

const double h = std::sqrt(0.5);

std::vector<double> kernelPoint(const host::ObjectPtr& curve, double fraction) {
    BRepAdaptor_CompCurve kernel(TopoDS::Wire(kernel::occShape(recordOf(curve).shape())));
    gp_Pnt p = kernel.Value(kernel.FirstParameter() + fraction * (kernel.LastParameter() - kernel.FirstParameter()));
    return {p.X(), p.Y(), p.Z()};
}

struct CurveCase {
    const char* name;
    const char* kind;
    std::vector<std::vector<double>> points; // start, middle, end
    std::function<host::CurvePtr(F&)> make;
};

CurveCase curve(const char* name, const char* kind, std::vector<std::vector<double>> points,
                std::function<host::CurvePtr(F&)> make) {
    return {name, kind, std::move(points), std::move(make)};
}

const CurveCase kCurves[] = {
    curve("line", "line", {{0, 0, 0}, {.5, 1, 1.5}, {1, 2, 3}},
          [](F& f) { return f.CreateLine(nullptr, P(0, 0, 0), P(1, 2, 3)); }),
    curve("arc by three points", "arc", {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}},
          [](F& f) { return f.CreateArcBy3Points(nullptr, P(1, 0, 0), P(0, 1, 0), P(-1, 0, 0)); }),
    curve("arc by centre takes the shorter way", "arc", {{1, 0, 0}, {h, h, 0}, {0, 1, 0}},
          [](F& f) { return f.CreateArcByCenter(nullptr, P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)); }),
    curve("arc by centre and normal runs counter-clockwise about the normal", "arc",
          {{1, 0, 0}, {-h, -h, 0}, {0, 1, 0}},
          [](F& f) { return f.CreateArcByCenterNormal(nullptr, P(0, 0, 0), V(0, 0, -1), P(1, 0, 0), P(0, 1, 0)); }),
    curve("circle", "circle", {{3, 2, 3}, {-1, 2, 3}, {3, 2, 3}},
          [](F& f) { return f.CreateCircle(nullptr, P(1, 2, 3), V(0, 0, 1), 2); }),
    curve("circle by three points", "circle", {{1, 0, 0}, {-1, 0, 0}, {1, 0, 0}},
          [](F& f) { return f.CreateCircleBy3Points(nullptr, P(1, 0, 0), P(0, 1, 0), P(-1, 0, 0)); }),
    curve("elliptical arc over its crest about -z", "ellipticalArc", {{-.35, .1, 0}, {0, .3, 0}, {.35, .1, 0}},
          [](F& f) {
              return f.CreateEllipticalArc(nullptr, P(0, .1, 0), V(0, 0, -1), V(.35, 0, 0), .2 / .35, kPi, kPi);
          }),
    curve(
        "elliptical arc with a reversed major axis", "ellipticalArc", {{-.35, -.2, 0}, {0, -.3, 0}, {.35, -.2, 0}},
        [](F& f) { return f.CreateEllipticalArc(nullptr, P(0, -.2, 0), V(0, 0, 1), V(-.35, 0, 0), .1 / .35, 0, kPi); }),
    curve("elliptical arc with ratio above 1", "ellipticalArc", {{1, 0, 0}, {h, 2 * h, 0}, {0, 2, 0}},
          [](F& f) { return f.CreateEllipticalArc(nullptr, P(0, 0, 0), V(0, 0, 1), V(1, 0, 0), 2, 0, kPi / 2); }),
    curve("elliptical arc swept clockwise", "ellipticalArc", {{2, 0, 0}, {2 * h, -h, 0}, {0, -1, 0}},
          [](F& f) { return f.CreateEllipticalArc(nullptr, P(0, 0, 0), V(0, 0, 1), V(2, 0, 0), .5, 0, -kPi / 2); }),
    curve("line string", "lineString", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}},
          [](F& f) { return f.CreateLineString(nullptr, 3, xyz(0, 0, 0, 1, 0, 0, 1, 1, 0)); }),
    curve("clamped B-spline", "bspline", {{0, 0, 0}, {1.5, 1.5, 0}, {3, 0, 0}},
          [](F& f) {
              return f.CreateBSpline(nullptr, 4, 4, xyz(0, 0, 0, 1, 2, 0, 2, 2, 0, 3, 0, 0), xyz(1, 1, 1, 1),
                                     xyz(0, 0, 0, 0, 1, 1, 1, 1), false);
          }),
    curve("uniform B-spline starts between its first poles", "bspline", {{1, 0, 0}, {2, 1, 0}, {1, 2, 0}},
          [](F& f) {
              return f.CreateBSpline(nullptr, 3, 4, xyz(0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0), xyz(1, 1, 1, 1),
                                     xyz(0, 1, 2, 3, 4, 5, 6), false);
          }),
};

class Curves : public ::testing::TestWithParam<bool> {};

TEST_P(Curves, ReportTheirEndPointsAndTheKernelCurveAgrees) {
    HostFixtureScope host(hostOptions(GetParam()));
    auto factory = host::runtime().CreateGeometryFactory();
    for (const auto& c : kCurves) {
        SCOPED_TRACE(c.name);
        auto curve = c.make(*factory);
        P start, end;
        curve->EndPoints(start, end);
        expectNear(triple(start), c.points[0], 1e-12, "start");
        expectNear(triple(end), c.points[2], 1e-12, "end");
        const auto& recorded = recordOf(curve);
        EXPECT_EQ(recorded.creation().kind, c.kind);
        EXPECT_EQ(recorded.outputKind(), refhost::OutputKind::Curve);
        if (!GetParam()) {
            EXPECT_EQ(recorded.shape(), nullptr);
            continue;
        }
        ASSERT_NE(recorded.shape(), nullptr);
        expectNear(kernelPoint(curve, 0), c.points[0], 1e-9, "kernel start");
        expectNear(kernelPoint(curve, 0.5), c.points[1], 1e-9, "kernel middle");
        expectNear(kernelPoint(curve, 1), c.points[2], 1e-9, "kernel end");
    }
}

TEST_P(Curves, FollowATransformWithTheirRecords) {
    HostFixtureScope host(hostOptions(GetParam()));
    auto factory = host::runtime().CreateGeometryFactory();
    auto arc = factory->CreateArcByCenter(nullptr, P(0, 0, 0), P(1, 0, 0), P(0, 1, 0));
    host::DT4x4 move;
    move.rotate(kPi / 2, V(0, 0, 1));
    move.translate(V(5, 0, 0));
    arc->Transform(move);
    P start, end;
    arc->EndPoints(start, end);
    expectNear(triple(start), {5, 1, 0}, 1e-12, "start");
    expectNear(triple(end), {4, 0, 0}, 1e-12, "end");
    const auto& creation = recordOf(arc).creation();
    expectNear(recordedTriple(creation, "centre"), {5, 0, 0}, 1e-12, "recorded centre");
    expectNear(recordedTriple(creation, "start"), {5, 1, 0}, 1e-12, "recorded start");
    EXPECT_NEAR(recordedNumber(creation, "radius"), 1, 1e-12);

    // A reflection keeps the arc's sense about its recorded normal.
    auto ellipse = factory->CreateEllipticalArc(nullptr, P(0, 0, 0), V(0, 0, 1), V(2, 0, 0), 0.5, 0, kPi / 2);
    host::DT4x4 mirror;
    mirror.setIndexValue(0, -1);
    ellipse->Transform(mirror);
    ellipse->EndPoints(start, end);
    expectNear(triple(start), {-2, 0, 0}, 1e-12, "mirrored start");
    expectNear(triple(end), {0, 1, 0}, 1e-12, "mirrored end");
    if (GetParam()) expectNear(kernelPoint(ellipse, 0.5), {-2 * h, h, 0}, 1e-9, "mirrored middle");

    // A circle cannot follow a transform that does not keep angles.
    auto circle = factory->CreateCircle(nullptr, P(0, 0, 0), V(0, 0, 1), 1);
    host::DT4x4 stretch;
    stretch.setIndexValue(0, 2);
    expectRefused([&] { circle->Transform(stretch); }, "stretched circle");
}

INSTANTIATE_TEST_SUITE_P(BothModes, Curves, ::testing::Values(true, false), modeName);

// End points and records of a chained string are checked with the placement routines; here: the order of
// its curves, that it copies them when made, and that moving it moves them.
TEST(ComplexString, KeepsItsCurvesInOrderAsTheyWereWhenMade) {
    HostFixtureScope host;
    auto factory = host::runtime().CreateGeometryFactory();
    auto line = factory->CreateLine(nullptr, P(0, 0, 0), P(1, 0, 0));
    auto arc = factory->CreateArcByCenter(nullptr, P(1, 1, 0), P(1, 0, 0), P(2, 1, 0));
    auto string = factory->CreateComplexString(nullptr, {line, arc});
    EXPECT_EQ(recordedText(recordOf(string).creation(), "curve1.kind"), "line");
    EXPECT_EQ(recordedText(recordOf(string).creation(), "curve2.kind"), "arc");
    host::DT4x4 move;
    move.translate(V(0, 0, 7));
    line->Transform(move);
    P start, end;
    string->EndPoints(start, end);
    expectNear(triple(start), {0, 0, 0}, 1e-12);
    string->Transform(move);
    string->EndPoints(start, end);
    expectNear(triple(end), {2, 1, 7}, 1e-12);
    expectNear(recordedTriple(recordOf(string).creation(), "curve2.centre"), {1, 1, 7}, 1e-12);
}

TEST(Collection, CountsFromOneAndRefusesPositionsItLacks) {
    HostFixtureScope host;
    auto collection = host::runtime().CreateCollection();
    auto factory = host::runtime().CreateGeometryFactory();
    auto a = factory->CreateLine(nullptr, P(0, 0, 0), P(1, 0, 0)),
         b = factory->CreateLine(nullptr, P(1, 0, 0), P(2, 0, 0));
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
