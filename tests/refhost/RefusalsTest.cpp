// What the reference host refuses, each as a host error with the generic failure code and a text: values
// that are not finite, directions without length, radii a solid cannot have, constructions the kernel
// cannot make. The refusals are the same whether or not shapes are built.
#include <functional>
#include <limits>

#include "support/GeometryHelpers.h"

namespace tcv::test {
namespace {

using P = host::DPosition;
using V = host::DVector;

class Refusals : public ::testing::TestWithParam<bool> {};

TEST_P(Refusals, ArriveAsHostErrors) {
    HostFixtureScope host(hostOptions(GetParam()));
    auto f = host::runtime().CreateGeometryFactory();
    auto rm = std::make_shared<refhost::RefResourceManager>();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto circle = f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), 1);
    auto line = f->CreateLine(nullptr, P(0, 1, 0), P(1, 1, 0));
    auto collect = [&](auto... members) {
        auto c = host::runtime().CreateCollection();
        (c->Add(members), ...);
        return c;
    };
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"circle with a normal of no length", [&] { f->CreateCircle(nullptr, P(0, 0, 0), V(0, 0, 0), 1); }},
        {"circle of radius 0", [&] { f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), 0); }},
        {"circle of negative radius", [&] { f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), -1); }},
        {"circle at a coordinate that is not a number", [&] { f->CreateCircle(nullptr, P(nan, 0, 0), V(1, 0, 0), 1); }},
        {"circle of infinite radius", [&] { f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), inf); }},
        {"line to infinity", [&] { f->CreateLine(nullptr, P(0, 0, 0), P(inf, 0, 0)); }},
        {"arc through three points in line",
         [&] { f->CreateArcBy3Points(nullptr, P(0, 0, 0), P(1, 0, 0), P(2, 0, 0)); }},
        {"half-circle arc by centre has no plane",
         [&] { f->CreateArcByCenter(nullptr, P(0, 0, 0), P(1, 0, 0), P(-1, 0, 0)); }},
        {"elliptical arc with a negative ratio",
         [&] { f->CreateEllipticalArc(nullptr, P(0, 0, 0), V(0, 0, 1), V(1, 0, 0), -0.5, 0, 1); }},
        {"elliptical arc with its major axis along its normal",
         [&] { f->CreateEllipticalArc(nullptr, P(0, 0, 0), V(0, 0, 1), V(0, 0, 1), 0.5, 0, 1); }},
        {"line string short of coordinates", [&] { f->CreateLineString(nullptr, 3, xyz(0, 0, 0, 1, 0, 0)); }},
        {"plane of points in line", [&] { f->CreatePlane(nullptr, 3, xyz(0, 0, 0, 1, 0, 0, 2, 0, 0)); }},
        {"periodic B-spline",
         [&] { f->CreateBSpline(nullptr, 2, 2, xyz(0, 0, 0, 1, 0, 0), xyz(1, 1), xyz(0, 0, 1, 1), true); }},
        {"B-spline with too few knots",
         [&] {
             f->CreateBSpline(nullptr, 4, 4, xyz(0, 0, 0, 1, 0, 0, 2, 1, 0, 3, 0, 0), xyz(1, 1, 1, 1), xyz(0, 0, 1, 1),
                              false);
         }},
        {"projection along no direction", [&] { f->CreateProjection(rm, circle, V(0, 0, 0), 1, true); }},
        {"projection of no length", [&] { f->CreateProjection(rm, circle, V(1, 0, 0), 0, true); }},
        {"projection of infinite length", [&] { f->CreateProjection(rm, circle, V(1, 0, 0), inf, true); }},
        {"projection of something that is not a curve", [&] { f->CreateProjection(rm, nullptr, V(1, 0, 0), 1, true); }},
        {"revolution about no axis", [&] { f->CreateRevolution(rm, line, V(0, 0, 0), P(0, 0, 0), 1, true); }},
        {"revolution by no angle", [&] { f->CreateRevolution(rm, line, V(1, 0, 0), P(0, 0, 0), 0, true); }},
        {"cone of no height", [&] { f->CreateCone(rm, P(0, 0, 0), P(0, 0, 0), P(1, 0, 0), P(1, 0, 0), true); }},
        {"cone with both radii 0", [&] { f->CreateCone(rm, P(0, 0, 0), P(1, 0, 0), P(0, 0, 0), P(1, 0, 0), true); }},
        {"torus about no axis", [&] { f->CreateTorus(rm, P(0, 0, 0), V(0, 0, 0), V(1, 0, 0), 1, 0.1, true); }},
        {"torus with a tube as wide as its ring",
         [&] { f->CreateTorus(rm, P(0, 0, 0), V(0, 0, 1), V(1, 0, 0), 1, 1, true); }},
        {"torus of tube radius 0", [&] { f->CreateTorus(rm, P(0, 0, 0), V(0, 0, 1), V(1, 0, 0), 1, 0, true); }},
        {"torus with its major direction along its axis",
         [&] { f->CreateTorus(rm, P(0, 0, 0), V(0, 0, 1), V(0, 0, 2), 1, 0.1, true); }},
        {"ruled surface from something that is not a curve", [&] { f->CreateRuledSurface(rm, circle, rm, true); }},
        {"ruled surface between concentric circles",
         [&] { f->CreateRuledSurface(rm, circle, f->CreateCircle(nullptr, P(0, 0, 0), V(1, 0, 0), 2), true); }},
        {"sweep along a path that turns back",
         [&] {
             host::ObjectPtr a, b;
             f->CreateSingleSweep(rm, f->CreateLineString(nullptr, 3, xyz(0, 0, 0, 1, 0, 0, 0, 0, 0)), circle, 1, 2, a,
                                  b, 0);
         }},
        {"skin through one section", [&] { f->CreateSkin(rm, collect(), collect(circle), 1); }},
        {"closed skin through an open section", [&] { f->CreateSkin(rm, collect(), collect(circle, line), 1); }},
        {"skin through something that is not a curve", [&] { f->CreateSkin(rm, collect(), collect(circle, rm), 0); }},
    };
    for (const auto& [what, call] : cases) expectRefused(call, what);
    if (!GetParam()) return;

    // Refusals only the kernel's construction finds, so only when shapes are built.
    auto polyline = [&](auto... coordinates) {
        return f->CreateLineString(nullptr, static_cast<int>(sizeof...(coordinates) / 3), xyz(coordinates...));
    };
    const std::vector<std::pair<const char*, std::function<void()>>> kernelCases = {
        {"capped projection of a profile that crosses itself",
         [&] { f->CreateProjection(rm, polyline(0, 0, 0, 0, 1, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0), V(1, 0, 0), 1, true); }},
        {"capped projection of a profile not in one plane",
         [&] { f->CreateProjection(rm, polyline(0, 0, 0, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 0, 0), V(1, 0, 0), 1, true); }},
        {"capped projection along the profile's own plane",
         [&] { f->CreateProjection(rm, polyline(0, 0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0), V(0, 1, 0), 1, true); }},
        {"capped projection of a straight line",
         [&] { f->CreateProjection(rm, polyline(0, 0, 0, 0, 1, 0), V(1, 0, 0), 1, true); }},
        {"capped revolution of a profile that crosses the axis",
         [&] { f->CreateRevolution(rm, polyline(0, -1, 0, 1, 1, 0), V(1, 0, 0), P(0, 0, 0), 1, true); }},
        {"capped revolution of a curved profile that crosses the axis",
         [&] {
             auto arc = f->CreateArcBy3Points(nullptr, P(0, -1, 0), P(0.5, 0, 0), P(0, 1, 0));
             f->CreateRevolution(rm, arc, V(1, 0, 0), P(0, 0, 0), 2 * kPi, true);
         }},
        {"projection of a string of curves that do not join",
         [&] {
             auto a = f->CreateLine(nullptr, P(0, 0, 0), P(0, 1, 0));
             auto b = f->CreateLine(nullptr, P(0, 2, 0), P(0, 2, 1));
             f->CreateProjection(rm, f->CreateComplexString(nullptr, {a, b}), V(1, 0, 0), 1, false);
         }},
        {"projection of an empty string",
         [&] { f->CreateProjection(rm, f->CreateComplexString(nullptr, {}), V(1, 0, 0), 1, false); }},
    };
    for (const auto& [what, call] : kernelCases) expectRefused(call, what);
}

INSTANTIATE_TEST_SUITE_P(BothModes, Refusals, ::testing::Values(true, false), modeName);

} // namespace
} // namespace tcv::test
