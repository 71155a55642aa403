// The plan of a sweep, worked out without the kernel. A circle swept along a polyline is a tube that
// stays round through the corners: its corners are bent with tangent arcs, and the tube is made of
// cylinders and torus segments, which gives the same solid as a pipe along the bent spine for a small
// part of the cost.
#include "tarncheckvalve/refhost/SweepPlan.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tarncheckvalve/refhost/Refusal.h"

namespace tcv::refhost {

namespace {

constexpr const char* kWhat = "sweep";

// Bends are made with a centre-line radius of one and a half tube diameters where the legs leave room
// for that, and never tighter than just outside the tube itself.
constexpr double kBendRadiusInTubeRadii = 3.0;
constexpr double kTightestBendInTubeRadii = 1.05;

struct Corner {
    double turn = 0;          // the angle the path turns by at the corner
    double bendRadius = 0;    // 0 where the corner is a ball joint
    double tangentLength = 0; // from the corner back along each leg to where the bend starts
};

// The path through the polyline, moved to start at the section's centre; points where it runs straight
// on are no corners.
std::vector<Vec3> cornerPath(const std::vector<Vec3>& points, const CircleFrame& section) {
    const Vec3 shift = section.centre - points.front();
    std::vector<Vec3> path{points.front() + shift};
    for (std::size_t i = 1; i < points.size(); ++i) {
        const Vec3 next = points[i] + shift;
        if (path.size() >= 2) {
            const Vec3 a = (path.back() - path[path.size() - 2]).Normalized();
            const Vec3 b = (next - path.back()).Normalized();
            if (a.Crossed(b).Modulus() < 1e-9 && a.Dot(b) > 0) path.pop_back();
        }
        path.push_back(next);
    }
    return path;
}

// The bend at each inner corner of the path; each leg shares its length between the bends at its two
// ends.
std::vector<Corner> bendsAt(const std::vector<Vec3>& directions, const std::vector<double>& lengths, double r) {
    const std::size_t segments = directions.size();
    std::vector<Corner> corners(segments + 1);
    for (std::size_t i = 1; i < segments; ++i) {
        Corner& corner = corners[i];
        corner.turn = std::acos(std::clamp(directions[i - 1].Dot(directions[i]), -1.0, 1.0));
        if (corner.turn > std::numbers::pi - 1e-6) refuse(kWhat, "the path turns back on itself");
        const double before = lengths[i - 1] * (i - 1 == 0 ? 1.0 : 0.5);
        const double after = lengths[i] * (i + 1 == segments ? 1.0 : 0.5);
        const double room = std::min(before, after) / std::tan(corner.turn / 2);
        const double radius = std::min(kBendRadiusInTubeRadii * r, room);
        if (radius >= kTightestBendInTubeRadii * r) {
            corner.bendRadius = radius;
            corner.tangentLength = radius * std::tan(corner.turn / 2);
        }
    }
    return corners;
}

// The piece that joins two legs at a corner: a bend, or a ball where there is no room for one.
SweepPiece jointAt(const Vec3& cornerPoint, const Corner& corner, const Vec3& d0, const Vec3& d1, double r) {
    SweepPiece joint;
    joint.tubeRadius = r;
    if (corner.bendRadius == 0) {
        joint.kind = SweepPiece::Kind::Ball;
        joint.origin = cornerPoint;
        return joint;
    }
    const Vec3 inwards = (d1 - d0 * d0.Dot(d1)).Normalized();
    joint.kind = SweepPiece::Kind::Bend;
    joint.origin = cornerPoint - d0 * corner.tangentLength + inwards * corner.bendRadius;
    joint.direction = d0.Crossed(d1).Normalized();
    joint.xAxis = inwards.Reversed();
    joint.extent = corner.turn;
    joint.bendRadius = corner.bendRadius;
    return joint;
}

std::vector<SweepPiece> tubeAlongPolyline(const std::vector<Vec3>& points, const CircleFrame& section) {
    const double r = section.radius;
    const std::vector<Vec3> path = cornerPath(points, section);
    const std::size_t segments = path.size() - 1;
    std::vector<Vec3> directions;
    std::vector<double> lengths;
    for (std::size_t i = 0; i < segments; ++i) {
        const Vec3 d = path[i + 1] - path[i];
        lengths.push_back(d.Modulus());
        directions.push_back(d / lengths.back());
    }
    const std::vector<Corner> corners = bendsAt(directions, lengths, r);
    std::vector<SweepPiece> pieces;
    for (std::size_t i = 0; i < segments; ++i) {
        SweepPiece straight;
        straight.kind = SweepPiece::Kind::Straight;
        straight.origin = path[i] + directions[i] * corners[i].tangentLength;
        straight.direction = directions[i];
        straight.extent = lengths[i] - corners[i].tangentLength - corners[i + 1].tangentLength;
        straight.tubeRadius = r;
        if (straight.extent > kPointTolerance) pieces.push_back(straight);
        if (i + 1 == segments) break;
        pieces.push_back(jointAt(path[i + 1], corners[i + 1], directions[i], directions[i + 1], r));
    }
    return pieces;
}

} // namespace

const char* sweepPieceName(SweepPiece::Kind kind) {
    switch (kind) {
    case SweepPiece::Kind::Straight:
        return "straight";
    case SweepPiece::Kind::Bend:
        return "bend";
    case SweepPiece::Kind::Ball:
        return "ball";
    case SweepPiece::Kind::Pipe:
        break;
    }
    return "pipe";
}

std::vector<SweepPiece> planSweep(const RefCurve& path, const RefCurve& section) {
    std::vector<Vec3> points;
    auto circle = section.fullCircle();
    if (circle && path.appendPolyline(points)) {
        if (points.size() < 2) refuse(kWhat, "the path has no length");
        return tubeAlongPolyline(points, *circle);
    }
    SweepPiece pipe;
    pipe.solid = section.isClosed();
    return {pipe};
}

} // namespace tcv::refhost
