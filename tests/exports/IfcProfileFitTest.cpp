// Elliptical arcs of a profile fitted with circular arcs: every arc within the stated tolerance of the
// ellipse, the arcs joined end to end from the arc's start to its end, and no more of them than the bound,
// or none at all where the bound cannot be kept.
#include <gtest/gtest.h>

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

} // namespace
} // namespace tcv
