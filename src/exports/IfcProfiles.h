// The profile geometry the exact forms of IfcShapes.cpp are made of (IfcProfiles.cpp): the values of a
// host's creation record, lines and circular arcs, closed loops and their plane, area and moments.
#pragma once

#include <array>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "IfcShapes.h"

namespace tcv::exports::ifc {

inline constexpr double kPi = std::numbers::pi;
// Points of a profile closer than this are one point; a profile off its plane by more is not plane.
inline constexpr double kTolerance = 1e-7;
// How far the circular arcs that stand for an elliptical arc may stray from it, and how many of them one
// elliptical arc may take: 0.01 mm, a hundredth of what a drawing or a clash check resolves, and few
// enough arcs that a reader drawing each one with its circle's segments draws the profile at about the
// cost of a circle's.
inline constexpr double kFitTolerance = 1e-5;
inline constexpr std::size_t kMaxFittedArcs = 64;

using refhost::Creation;
using refhost::RecordValue;

// A creation record's values by name; nothing (or "", false) for a value missing or of another type.
std::optional<double> numberOf(const Creation& creation, const std::string& name);
std::optional<Vec3> vectorOf(const Creation& creation, const std::string& name);
std::string textOf(const Creation& creation, const std::string& name);
bool flagOf(const Creation& creation, const std::string& name);

bool finite(const Vec3& v);
// The unit vector along `v`; nothing for a vector without length.
std::optional<Vec3> unitOf(const Vec3& v);
// Any unit vector square to the unit vector `axis`.
Vec3 squareTo(const Vec3& axis);

// One piece of a profile's boundary: a line from a to b, or an arc from a through m to b about `centre`
// turning by `sweep` about `normal`.
struct Segment {
    Vec3 a, m, b;
    bool arc = false;
    Vec3 centre, normal;
    double sweep = 0;

    Segment reversed() const {
        Segment s = *this;
        std::swap(s.a, s.b);
        s.normal = normal.Reversed();
        return s;
    }
};

Segment lineSegment(const Vec3& a, const Vec3& b);
Segment arcSegment(const Vec3& centre, const Vec3& normal, const Vec3& start, double sweep);

// An elliptical arc (about `centre`, with unit axes u and v and semi-axes a along u and b along v, from the
// parameter `start` turning by `sweep`) as circular arcs, each through three points of the ellipse and
// within kFitTolerance of it, each from where the last ended as long as it can be; appends them and returns
// true, or appends nothing and returns false where kMaxFittedArcs arcs do not reach its end.
bool appendFittedEllipse(const Vec3& centre, const Vec3& u, const Vec3& v, double a, double b, double start,
                         double sweep, std::vector<Segment>& out);

// The boundary pieces of a recorded curve (its values under `prefix`), in the curve's own sense. An
// elliptical arc is fitted with circular arcs (and `fitted` set); a circular one is taken exactly.
bool appendCurve(const Creation& creation, const std::string& prefix, std::vector<Segment>& out, bool& fitted);
// A profile closed as the kernel closes an extruded one: by a straight line from its end to its start.
std::optional<std::vector<Segment>> closedLoop(std::vector<Segment> pieces);
// A profile closed as the kernel closes a revolved one: from its end square to the axis (through `centre`
// along the unit `axis`), along the axis and back out to its start.
std::optional<std::vector<Segment>> closedAboutAxis(std::vector<Segment> pieces, const Vec3& centre, const Vec3& axis);
// The plane of a loop; nothing when the loop encloses no area, leaves its plane or has an arc turning
// about another axis.
std::optional<Vec3> planeNormal(const std::vector<Segment>& loop);
// The loop as an indexed profile in the frame's XY plane.
Profile loopProfile(const Frame& frame, const std::vector<Segment>& loop);

// Area and first moments (integrals of x and y) of the loop's area in the frame's XY plane, arcs taken
// as fine polygons: enough to compare volumes to 1e-5. `clockwise` tells how the loop runs in that plane.
struct AreaMoments {
    double area = 0, sx = 0, sy = 0, minY = 0, maxY = 0;
    bool clockwise = false;
};
AreaMoments areaMoments(const Frame& frame, const std::vector<Segment>& loop);

// The loop of a profile revolved about the X axis of the frame (lying in its XY plane) as the same loop
// running counter-clockwise in that plane from a point off the axis: a reader may build the solid's end
// caps from the first point's first step round the axis, which a point on the axis does not take, and
// may turn a clockwise loop round first, making its last point the first. Where every piece starts on
// the axis (a half disc), the first arc is split at its middle and the loop starts there. A loop that
// already runs so is kept as it is.
std::vector<Segment> startedOffAxis(const Frame& frame, std::vector<Segment> loop);

} // namespace tcv::exports::ifc
