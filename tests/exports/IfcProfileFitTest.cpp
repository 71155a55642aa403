// Elliptical arcs of a profile fitted with circular arcs: every arc within the stated tolerance of the
// ellipse, the arcs joined end to end from the arc's start to its end, and no more of them than the bound,
// or none at all where the bound cannot be kept. Revolved profiles laid out for readers: counter-clockwise
// from a point off the axis, the same area.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <sstream>

#include "IfcProfiles.h"

namespace tcv {
namespace {

namespace ifc = exports::ifc;
using ifc::Vec3;

struct EllipseArc {
    const char* what;
    double a, ratio, start, sweep;
};

// The largest distance of the ellipse from the arcs fitted to it, sampled densely along each arc's stretch of
// the ellipse (the points of the ellipse each arc stands for, by their angle about the ellipse's centre).
double worstDeviation(const EllipseArc& e, const Vec3& centre, const Vec3& u, const Vec3& v,
                      const std::vector<ifc::Segment>& arcs) {
    const double b = e.a * e.ratio;
    const auto at = [&](double t) { return centre + u * (e.a * std::cos(t)) + v * (b * std::sin(t)); };
    double worst = 0;
    constexpr int kSamples = 20000;
    std::size_t arc = 0;
    for (int k = 0; k <= kSamples; ++k) {
        const Vec3 p = at(e.start + e.sweep * k / kSamples);
        // The arc whose end the sample has not yet passed: arcs follow the ellipse in order.
        while (arc + 1 < arcs.size()) {
            const ifc::Segment& s = arcs[arc];
            const Vec3 cb = s.b - s.centre, cp = p - s.centre;
            const double past = std::atan2(s.normal.Dot(cb.Crossed(cp)), cb.Dot(cp));
            if (past <= 0) break;
            ++arc;
        }
        const ifc::Segment& s = arcs[arc];
        worst = std::max(worst, std::abs((p - s.centre).Modulus() - (s.a - s.centre).Modulus()));
    }
    return worst;
}

TEST(IfcProfileFit, EllipticalArcsKeepWithinTheToleranceWithBoundedArcs) {
    constexpr double pi = std::numbers::pi;
    const EllipseArc cases[] = {
        {"half of a bulb's ellipse", 0.1, 0.5, 0, pi},
        {"a quarter, backwards", 0.2, 0.3, pi / 2, -pi / 2},
        {"a large flat ellipse whole", 0.5, 0.2, 0, 2 * pi},
        {"nearly a circle", 0.15, 0.95, -0.3, 2.2},
        {"across a vertex", 0.3, 0.6, -0.4, 0.8},
        {"small", 0.01, 0.4, 0.1, 3},
        {"a 1.6 m ellipse whole", 0.8, 0.25, 0, 2 * pi},
    };
    const Vec3 centre(1, -2, 0.5);
    const Vec3 u = Vec3(1, 1, 0).Normalized(), v = Vec3(-1, 1, 0).Normalized();
    for (const auto& e : cases) {
        std::vector<ifc::Segment> arcs{ifc::lineSegment(Vec3(9, 9, 9), Vec3(8, 8, 8))}; // kept as it was
        ASSERT_TRUE(ifc::appendFittedEllipse(centre, u, v, e.a, e.a * e.ratio, e.start, e.sweep, arcs)) << e.what;
        ASSERT_GE(arcs.size(), 2u) << e.what;
        EXPECT_FALSE(arcs.front().arc) << e.what;
        arcs.erase(arcs.begin());
        EXPECT_LE(arcs.size(), ifc::kMaxFittedArcs) << e.what;
        const double b = e.a * e.ratio;
        const auto at = [&](double t) { return centre + u * (e.a * std::cos(t)) + v * (b * std::sin(t)); };
        EXPECT_LT((arcs.front().a - at(e.start)).Modulus(), 1e-12) << e.what;
        EXPECT_LT((arcs.back().b - at(e.start + e.sweep)).Modulus(), 1e-12) << e.what;
        for (std::size_t i = 0; i < arcs.size(); ++i) {
            EXPECT_TRUE(arcs[i].arc) << e.what;
            if (i) {
                EXPECT_LT((arcs[i].a - arcs[i - 1].b).Modulus(), 1e-12) << e.what << ": arc " << i;
            }
        }
        const double worst = worstDeviation(e, centre, u, v, arcs);
        EXPECT_LE(worst, ifc::kFitTolerance) << e.what << ": " << arcs.size() << " arcs";
        std::ostringstream shown;
        shown << e.what << ": " << arcs.size() << " arcs, " << worst * 1e6 << " um";
        RecordProperty(e.what, shown.str());
    }
}

TEST(IfcProfileFit, AnEllipseTheBoundCannotFitIsLeftAlone) {
    // A whole ellipse 20 m by 10 m: within 0.01 mm it takes about twice kMaxFittedArcs arcs.
    std::vector<ifc::Segment> arcs;
    EXPECT_FALSE(
        ifc::appendFittedEllipse(Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), 10, 5, 0, 2 * std::numbers::pi, arcs));
    EXPECT_TRUE(arcs.empty());
}

// Loops of revolved profiles in a frame that is not the world's, revolved about its X axis: each comes out
// joined end to start, counter-clockwise from a point off the axis, enclosing the same area with the same
// moment about the axis (the same solid); a loop that runs so already comes out as it was.
TEST(IfcProfiles, RevolvedLoopsRunCounterClockwiseFromAPointOffTheAxis) {
    const ifc::Frame frame{Vec3(0.5, -1, 2), Vec3(1, 0, 0), Vec3(0, 1, 0)}; // its Y is the world's Z
    const auto at = [&](double x, double y) { return frame.origin + frame.x * x + Vec3(0, 0, 1) * y; };
    const auto lines = [&](std::vector<std::array<double, 2>> corners) {
        std::vector<ifc::Segment> loop;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const auto& p = corners[i];
            const auto& q = corners[(i + 1) % corners.size()];
            loop.push_back(ifc::lineSegment(at(p[0], p[1]), at(q[0], q[1])));
        }
        return loop;
    };
    // A ball's half disc as a sweep writes it: clockwise, every piece from the axis to the axis.
    std::vector<ifc::Segment> halfDisc{ifc::arcSegment(at(0, 0), frame.z.Reversed(), at(-0.2, 0), std::numbers::pi)};
    halfDisc.push_back(ifc::lineSegment(at(0.2, 0), at(-0.2, 0)));
    const struct {
        const char* what;
        std::vector<ifc::Segment> loop;
        bool kept;
    } cases[] = {
        {"a frustum's trapezoid from the axis", lines({{0, 0}, {1, 0}, {1, 0.5}, {0, 0.3}}), false},
        {"a cone's triangle from the axis", lines({{0, 0}, {1, 0}, {0, 0.3}}), false},
        {"below the axis, from it", lines({{0, 0}, {0, -0.4}, {1, -0.4}, {1, 0}}), false},
        {"clockwise, ending on the axis", lines({{0, 0.3}, {1, 0.5}, {1, 0}, {0, 0}}), false},
        {"a half disc, clockwise", halfDisc, false},
        {"a trapezoid from a point off the axis", lines({{1, 0.5}, {0, 0.3}, {0, 0}, {1, 0}}), true},
    };
    for (const auto& c : cases) {
        const auto loop = ifc::startedOffAxis(frame, c.loop);
        ASSERT_FALSE(loop.empty()) << c.what;
        for (std::size_t i = 0; i < loop.size(); ++i)
            EXPECT_LT((loop[i].a - loop[(i + loop.size() - 1) % loop.size()].b).Modulus(), 1e-12) << c.what;
        EXPECT_GT(std::abs(frame.z.Crossed(frame.x).Dot(loop.front().a - frame.origin)), 0.1) << c.what;
        const auto was = ifc::areaMoments(frame, c.loop), is = ifc::areaMoments(frame, loop);
        EXPECT_FALSE(is.clockwise) << c.what;
        EXPECT_NEAR(is.area, was.area, 1e-12) << c.what;
        EXPECT_NEAR(is.sy, was.sy, 1e-12) << c.what;
        if (!c.kept) continue;
        ASSERT_EQ(loop.size(), c.loop.size()) << c.what;
        for (std::size_t i = 0; i < loop.size(); ++i) EXPECT_EQ((loop[i].a - c.loop[i].a).Modulus(), 0) << c.what;
    }
}

} // namespace
} // namespace tcv
