#include "IfcShapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include <BRepAdaptor_Surface.hxx>
#include <BRepGProp.hxx>
#include <BRepTools.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>

#include "refhost/Curves.h"
#include "refhost/SweepPlan.h"

namespace tcv::exports::ifc {

namespace {

constexpr double kPi = std::numbers::pi;
// Points of a profile closer than this are one point; a profile off its plane by more is not plane.
constexpr double kTolerance = 1e-7;
// How far the circular arcs that stand for an elliptical arc may stray from it: the 0.1 um to which
// triangle corners are written, far below any mesh's deviation.
constexpr double kFitTolerance = 1e-7;

using refhost::Creation;
using refhost::RecordValue;

std::optional<double> numberOf(const Creation& creation, const std::string& name) {
    const RecordValue* value = creation.find(name);
    if (!value) return std::nullopt;
    if (const auto* d = std::get_if<double>(value)) return *d;
    if (const auto* i = std::get_if<std::int64_t>(value)) return static_cast<double>(*i);
    return std::nullopt;
}

std::optional<Vec3> vectorOf(const Creation& creation, const std::string& name) {
    const RecordValue* value = creation.find(name);
    const auto* xyz = value ? std::get_if<std::vector<double>>(value) : nullptr;
    if (!xyz || xyz->size() != 3) return std::nullopt;
    return Vec3((*xyz)[0], (*xyz)[1], (*xyz)[2]);
}

std::string textOf(const Creation& creation, const std::string& name) {
    const RecordValue* value = creation.find(name);
    const auto* text = value ? std::get_if<std::string>(value) : nullptr;
    return text ? *text : std::string();
}

bool flagOf(const Creation& creation, const std::string& name) {
    const RecordValue* value = creation.find(name);
    const auto* flag = value ? std::get_if<bool>(value) : nullptr;
    return flag && *flag;
}

bool finite(const Vec3& v) { return std::isfinite(v.X()) && std::isfinite(v.Y()) && std::isfinite(v.Z()); }

std::optional<Vec3> unitOf(const Vec3& v) {
    const double length = v.Modulus();
    if (!(length > 1e-12) || !std::isfinite(length)) return std::nullopt;
    return v / length;
}

// `v` turned by `angle` about the unit axis `k` (right-handed).
Vec3 rotated(const Vec3& v, const Vec3& k, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return v * c + k.Crossed(v) * s + k * (k.Dot(v) * (1 - c));
}

// Any unit vector square to the unit vector `axis`.
Vec3 squareTo(const Vec3& axis) {
    const Vec3 other = std::abs(axis.X()) < 0.9 ? Vec3(1, 0, 0) : Vec3(0, 1, 0);
    return (other - axis * axis.Dot(other)).Normalized();
}

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

Segment lineSegment(const Vec3& a, const Vec3& b) {
    Segment s;
    s.a = a;
    s.b = b;
    return s;
}

Segment arcSegment(const Vec3& centre, const Vec3& normal, const Vec3& start, double sweep) {
    Segment s;
    s.arc = true;
    s.centre = centre;
    s.normal = normal;
    s.sweep = sweep;
    s.a = start;
    s.m = centre + rotated(start - centre, normal, sweep / 2);
    s.b = centre + rotated(start - centre, normal, sweep);
    return s;
}

// The circle through three points that do not lie on one line: a segment from `a` through `m` to `b`.
std::optional<Segment> arcThrough(const Vec3& a, const Vec3& m, const Vec3& b) {
    const Vec3 ab = b - a, am = m - a;
    const Vec3 n = am.Crossed(ab);
    const double nn = n.SquareModulus();
    if (!(nn > 1e-30)) return std::nullopt;
    const Vec3 centre = a + (n.Crossed(am) * ab.SquareModulus() + ab.Crossed(n) * am.SquareModulus()) / (2 * nn);
    Segment s;
    s.arc = true;
    s.a = a, s.m = m, s.b = b;
    s.centre = centre;
    s.normal = n / std::sqrt(nn); // a to m to b turns counter-clockwise about it
    const Vec3 ca = a - centre, cb = b - centre;
    double sweep = std::atan2(s.normal.Dot(ca.Crossed(cb)), ca.Dot(cb));
    if (sweep <= 0) sweep += 2 * kPi;
    s.sweep = sweep;
    return s;
}

// An elliptical arc as circular arcs, each through three points of the ellipse, halved until every arc
// keeps within kFitTolerance of the ellipse; nothing when 512 arcs do not.
bool appendFittedEllipse(const Vec3& centre, const Vec3& u, const Vec3& v, double a, double b, double start,
                         double sweep, std::vector<Segment>& out) {
    auto at = [&](double t) { return centre + u * (a * std::cos(t)) + v * (b * std::sin(t)); };
    for (int pieces = 4; pieces <= 512; pieces *= 2) {
        std::vector<Segment> arcs;
        double worst = 0;
        for (int i = 0; i < pieces && worst <= kFitTolerance; ++i) {
            const double t0 = start + sweep * i / pieces, t1 = start + sweep * (i + 1) / pieces;
            const auto arc = arcThrough(at(t0), at((t0 + t1) / 2), at(t1));
            if (!arc) return false;
            const double r = (arc->a - arc->centre).Modulus();
            for (int k = 1; k < 8; ++k)
                worst = std::max(worst, std::abs((at(t0 + (t1 - t0) * k / 8) - arc->centre).Modulus() - r));
            arcs.push_back(*arc);
        }
        if (worst > kFitTolerance) continue;
        out.insert(out.end(), arcs.begin(), arcs.end());
        return true;
    }
    return false;
}

// The boundary pieces of a recorded curve (its values under `prefix`), in the curve's own sense. An
// elliptical arc is fitted with circular arcs (and `fitted` set); a circular one is taken exactly.
bool appendCurve(const Creation& creation, const std::string& prefix, std::vector<Segment>& out, bool& fitted) {
    const std::string kind = textOf(creation, prefix + "kind");
    if (kind == "line") {
        const auto a = vectorOf(creation, prefix + "start"), b = vectorOf(creation, prefix + "end");
        if (!a || !b) return false;
        out.push_back(lineSegment(*a, *b));
        return true;
    }
    if (kind == "lineString") {
        const RecordValue* value = creation.find(prefix + "points");
        const auto* xyz = value ? std::get_if<std::vector<double>>(value) : nullptr;
        if (!xyz || xyz->size() < 6 || xyz->size() % 3) return false;
        for (std::size_t k = 3; k + 2 < xyz->size(); k += 3)
            out.push_back(lineSegment(Vec3((*xyz)[k - 3], (*xyz)[k - 2], (*xyz)[k - 1]),
                                      Vec3((*xyz)[k], (*xyz)[k + 1], (*xyz)[k + 2])));
        return true;
    }
    if (kind == "arc") {
        const auto centre = vectorOf(creation, prefix + "centre"), normal = vectorOf(creation, prefix + "normal");
        const auto start = vectorOf(creation, prefix + "start"), end = vectorOf(creation, prefix + "end");
        const auto sweep = numberOf(creation, prefix + "sweepAngle");
        const auto radius = numberOf(creation, prefix + "radius");
        if (!centre || !normal || !start || !end || !sweep || !radius || !unitOf(*normal)) return false;
        if (!(std::abs(*sweep) > 1e-9) || std::abs(*sweep) > 2 * kPi) return false;
        Segment s = arcSegment(*centre, *unitOf(*normal), *start, *sweep);
        if (std::abs((*start - *centre).Modulus() - *radius) > kTolerance) return false;
        // An arc given by its centre ends where the given end point lies seen from the centre, at its radius.
        const auto towards = unitOf(*end - *centre), reached = unitOf(s.b - *centre);
        if (!towards || !reached || (*towards - *reached).Modulus() * *radius > kTolerance) return false;
        out.push_back(s);
        return true;
    }
    if (kind == "circle") {
        const auto centre = vectorOf(creation, prefix + "centre"), normal = vectorOf(creation, prefix + "normal");
        const auto radius = numberOf(creation, prefix + "radius");
        if (!centre || !normal || !radius || !unitOf(*normal) || !(*radius > 0)) return false;
        const Vec3 n = *unitOf(*normal);
        const Vec3 start = *centre + squareTo(n) * *radius;
        out.push_back(arcSegment(*centre, n, start, kPi));
        out.push_back(arcSegment(*centre, n, out.back().b, kPi));
        out.back().b = start;
        return true;
    }
    if (kind == "complexString") {
        const auto count = numberOf(creation, prefix + "count");
        if (!count || *count < 1) return false;
        for (int i = 1; i <= static_cast<int>(*count); ++i)
            if (!appendCurve(creation, prefix + "curve" + std::to_string(i) + ".", out, fitted)) return false;
        return true;
    }
    if (kind == "ellipticalArc") {
        const auto centre = vectorOf(creation, prefix + "centre"), normal = vectorOf(creation, prefix + "normal");
        const auto major = vectorOf(creation, prefix + "majorAxis");
        const auto ratio = numberOf(creation, prefix + "ratio");
        const auto start = numberOf(creation, prefix + "startAngle"), sweep = numberOf(creation, prefix + "sweepAngle");
        if (!centre || !normal || !major || !ratio || !start || !sweep || !unitOf(*normal)) return false;
        const Vec3 n = *unitOf(*normal);
        const Vec3 inPlane = *major - n * n.Dot(*major);
        const double a = inPlane.Modulus();
        if (!(a > kTolerance) || !(*ratio > 1e-6) || !std::isfinite(*start) || !(std::abs(*sweep) > 1e-9)) return false;
        const Vec3 u = inPlane / a, v = n.Crossed(u);
        const double turn = std::clamp(*sweep, -2 * kPi, 2 * kPi);
        const Vec3 from = *centre + u * (a * std::cos(*start)) + v * (a * *ratio * std::sin(*start));
        if (std::abs(*ratio - 1) < 1e-12) {
            out.push_back(arcSegment(*centre, n, from, turn));
            return true;
        }
        fitted = true;
        return appendFittedEllipse(*centre, u, v, a, a * *ratio, *start, turn, out);
    }
    return false; // B-splines: no circular form
}

// The pieces joined end to start (members recorded end to end in either sense); nothing when they do not
// join. The chain may still be open.
std::optional<std::vector<Segment>> joined(std::vector<Segment> pieces) {
    std::erase_if(pieces, [](const Segment& s) { return !s.arc && (s.b - s.a).Modulus() < kTolerance; });
    if (pieces.empty()) return std::nullopt;
    std::vector<Segment> loop{pieces.front()};
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const Vec3 end = loop.back().b;
        if ((pieces[i].a - end).Modulus() < kTolerance)
            loop.push_back(pieces[i]);
        else if ((pieces[i].b - end).Modulus() < kTolerance)
            loop.push_back(pieces[i].reversed());
        else if (i == 1 && (pieces[i].a - loop.front().a).Modulus() < kTolerance) {
            loop.front() = loop.front().reversed();
            loop.push_back(pieces[i]);
        } else if (i == 1 && (pieces[i].b - loop.front().a).Modulus() < kTolerance) {
            loop.front() = loop.front().reversed();
            loop.push_back(pieces[i].reversed());
        } else {
            return std::nullopt;
        }
    }
    return loop;
}

bool isClosed(const std::vector<Segment>& chain) { return (chain.back().b - chain.front().a).Modulus() < kTolerance; }

// A profile closed as the kernel closes an extruded one: by a straight line from its end to its start.
std::optional<std::vector<Segment>> closedLoop(std::vector<Segment> pieces) {
    auto chain = joined(std::move(pieces));
    if (chain && !isClosed(*chain)) chain->push_back(lineSegment(chain->back().b, chain->front().a));
    return chain;
}

// A profile closed as the kernel closes a revolved one: from its end square to the axis (through `centre`
// along the unit `axis`), along the axis and back out to its start; the ends of a solid of revolution are
// discs.
std::optional<std::vector<Segment>> closedAboutAxis(std::vector<Segment> pieces, const Vec3& centre, const Vec3& axis) {
    auto chain = joined(std::move(pieces));
    if (!chain || isClosed(*chain)) return chain;
    auto foot = [&](const Vec3& p) { return centre + axis * axis.Dot(p - centre); };
    const Vec3 end = chain->back().b, start = chain->front().a;
    for (const auto& [from, to] :
         {std::pair{end, foot(end)}, std::pair{foot(end), foot(start)}, std::pair{foot(start), start}})
        if ((to - from).Modulus() >= kTolerance) chain->push_back(lineSegment(from, to));
    return chain;
}

// The plane of a loop (Newell's normal through its points, arcs' middles included); nothing when the loop
// encloses no area, leaves its plane or has an arc turning about another axis.
std::optional<Vec3> planeNormal(const std::vector<Segment>& loop) {
    std::vector<Vec3> points;
    for (const auto& s : loop) {
        points.push_back(s.a);
        if (s.arc) points.push_back(s.m);
    }
    Vec3 normal;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vec3& p = points[i];
        const Vec3& q = points[(i + 1) % points.size()];
        normal += Vec3((p.Y() - q.Y()) * (p.Z() + q.Z()), (p.Z() - q.Z()) * (p.X() + q.X()),
                       (p.X() - q.X()) * (p.Y() + q.Y()));
    }
    const auto n = unitOf(normal);
    if (!n) return std::nullopt;
    for (const auto& p : points)
        if (std::abs(n->Dot(p - points.front())) > kTolerance) return std::nullopt;
    for (const auto& s : loop)
        if (s.arc && s.normal.Crossed(*n).Modulus() > 1e-9) return std::nullopt;
    return n;
}

std::array<double, 2> local(const Frame& frame, const Vec3& p) {
    const Vec3 d = p - frame.origin;
    const Vec3 y = frame.z.Crossed(frame.x);
    return {d.Dot(frame.x), d.Dot(y)};
}

// The loop as an indexed profile in the frame's XY plane.
Profile loopProfile(const Frame& frame, const std::vector<Segment>& loop) {
    Profile profile;
    profile.kind = Profile::Kind::Loop;
    profile.points.push_back(local(frame, loop.front().a));
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const int start = static_cast<int>(profile.points.size());
        const bool last = i + 1 == loop.size();
        std::vector<int> segment{start};
        if (loop[i].arc) {
            profile.points.push_back(local(frame, loop[i].m));
            segment.push_back(static_cast<int>(profile.points.size()));
        }
        if (!last) profile.points.push_back(local(frame, loop[i].b));
        segment.push_back(last ? 1 : static_cast<int>(profile.points.size()));
        profile.segments.push_back(segment);
    }
    return profile;
}

// Area and first moments (integrals of x and y) of the loop's area in the frame's XY plane, arcs taken
// as fine polygons: enough to compare volumes to 1e-5.
struct AreaMoments {
    double area = 0, sx = 0, sy = 0, minY = 0, maxY = 0;
};

AreaMoments areaMoments(const Frame& frame, const std::vector<Segment>& loop) {
    std::vector<std::array<double, 2>> polygon;
    for (const auto& s : loop) {
        polygon.push_back(local(frame, s.a));
        if (!s.arc) continue;
        const int steps = std::max(8, static_cast<int>(std::ceil(std::abs(s.sweep) / (2 * kPi) * 2048)));
        for (int k = 1; k < steps; ++k)
            polygon.push_back(local(frame, s.centre + rotated(s.a - s.centre, s.normal, s.sweep * k / steps)));
    }
    AreaMoments m;
    m.minY = m.maxY = polygon.front()[1];
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const auto& p = polygon[i];
        const auto& q = polygon[(i + 1) % polygon.size()];
        const double cross = p[0] * q[1] - q[0] * p[1];
        m.area += cross / 2;
        m.sx += (p[0] + q[0]) * cross / 6;
        m.sy += (p[1] + q[1]) * cross / 6;
        m.minY = std::min(m.minY, p[1]);
        m.maxY = std::max(m.maxY, p[1]);
    }
    if (m.area < 0) m.area = -m.area, m.sx = -m.sx, m.sy = -m.sy;
    return m;
}

Profile circleProfile(double radius) {
    Profile profile;
    profile.kind = Profile::Kind::Circle;
    profile.radius = radius;
    return profile;
}

ExactSolid extrusion(const Frame& frame, Profile profile, double depth, double area) {
    ExactSolid solid;
    solid.kind = ExactSolid::Kind::Extrusion;
    solid.position = frame;
    solid.profile = std::move(profile);
    solid.direction = Vec3(0, 0, 1);
    solid.depth = depth;
    solid.volume = area * depth;
    return solid;
}

// A solid of revolution about the X axis of `frame` of a loop in its XY plane, on one side of the axis.
std::optional<ExactSolid> revolution(const Frame& frame, const std::vector<Segment>& loop, double angle) {
    const AreaMoments m = areaMoments(frame, loop);
    if (m.minY < -kTolerance && m.maxY > kTolerance) return std::nullopt; // the profile crosses the axis
    ExactSolid solid;
    solid.kind = ExactSolid::Kind::Revolution;
    solid.position = frame;
    solid.profile = loopProfile(frame, loop);
    solid.angle = angle;
    solid.volume = angle * std::abs(m.sy);
    return solid;
}

std::optional<ExactSolid> projectionSolid(const Creation& creation) {
    const auto direction = vectorOf(creation, "direction");
    const auto length = numberOf(creation, "length");
    if (!direction || !length || !unitOf(*direction) || !std::isfinite(*length) || !(std::abs(*length) > 0))
        return std::nullopt;
    const Vec3 d = *unitOf(*direction) * (*length < 0 ? -1.0 : 1.0);
    std::vector<Segment> pieces;
    bool fitted = false;
    if (!appendCurve(creation, "profile.", pieces, fitted)) return std::nullopt;
    const auto loop = closedLoop(pieces);
    if (!loop) return std::nullopt;
    const auto normal = planeNormal(*loop);
    if (!normal) return std::nullopt;
    const double along = normal->Dot(d);
    if (std::abs(along) < 1e-6) return std::nullopt; // extruded within its own plane
    Frame frame;
    frame.z = along > 0 ? *normal : normal->Reversed();
    const std::string kind = textOf(creation, "profile.kind");
    if (kind == "circle") {
        frame.origin = *vectorOf(creation, "profile.centre");
        frame.x = squareTo(frame.z);
    } else {
        frame.origin = loop->front().a;
        const Vec3 towards = (loop->front().arc ? loop->front().m : loop->front().b) - frame.origin;
        const auto x = unitOf(towards - frame.z * frame.z.Dot(towards));
        if (!x) return std::nullopt;
        frame.x = *x;
    }
    const double area = areaMoments(frame, *loop).area;
    ExactSolid solid = extrusion(
        frame, kind == "circle" ? circleProfile(*numberOf(creation, "profile.radius")) : loopProfile(frame, *loop),
        std::abs(*length), area);
    const Vec3 y = frame.z.Crossed(frame.x);
    solid.direction = Vec3(d.Dot(frame.x), d.Dot(y), d.Dot(frame.z));
    solid.volume = area * std::abs(*length) * along * (along > 0 ? 1 : -1);
    solid.fitted = fitted;
    return solid;
}

std::optional<ExactSolid> revolutionSolid(const Creation& creation) {
    const auto axis = vectorOf(creation, "axis");
    const auto centre = vectorOf(creation, "centre");
    const auto angle = numberOf(creation, "angle");
    if (!axis || !centre || !angle || !unitOf(*axis) || !std::isfinite(*angle)) return std::nullopt;
    const double turn = std::min(std::abs(*angle), 2 * kPi);
    if (!(turn > 1e-9)) return std::nullopt;
    std::vector<Segment> pieces;
    bool fitted = false;
    if (!appendCurve(creation, "profile.", pieces, fitted)) return std::nullopt;
    const auto loop = closedAboutAxis(pieces, *centre, *unitOf(*axis));
    if (!loop) return std::nullopt;
    const auto normal = planeNormal(*loop);
    if (!normal) return std::nullopt;
    const Vec3 x = *unitOf(*axis) * (*angle < 0 ? -1.0 : 1.0);
    if (std::abs(normal->Dot(x)) > 1e-9 || std::abs(normal->Dot(*centre - loop->front().a)) > kTolerance)
        return std::nullopt; // the axis does not lie in the profile's plane
    auto solid = revolution(Frame{*centre, *normal, x}, *loop, turn);
    if (solid) solid->fitted = fitted;
    return solid;
}

// A right circular frustum (a cylinder when the radii agree) from `base` to `top`.
std::optional<ExactSolid> frustum(const Vec3& base, const Vec3& top, double rb, double rt) {
    const auto unitAxis = unitOf(top - base);
    if (!unitAxis || rb < 0 || rt < 0) return std::nullopt;
    const Vec3 axis = *unitAxis;
    const double height = (top - base).Modulus();
    if (std::abs(rb - rt) < kTolerance)
        return extrusion(Frame{base, axis, squareTo(axis)}, circleProfile(rb), height, kPi * rb * rb);
    const Vec3 across = squareTo(axis);
    const Frame frame{base, across, axis};
    const Vec3 side = across.Crossed(axis); // the frame's Y: outwards in the profile's plane
    std::vector<Segment> loop;
    std::vector<Vec3> corners{base, top};
    if (rt > kTolerance) corners.push_back(top + side * rt);
    if (rb > kTolerance) corners.push_back(base + side * rb);
    for (std::size_t i = 0; i < corners.size(); ++i)
        loop.push_back(lineSegment(corners[i], corners[(i + 1) % corners.size()]));
    auto solid = revolution(frame, loop, 2 * kPi);
    if (solid) solid->volume = kPi * height / 3 * (rb * rb + rb * rt + rt * rt);
    return solid;
}

std::optional<ExactSolid> coneSolid(const Creation& creation) {
    const auto base = vectorOf(creation, "baseCentre"), top = vectorOf(creation, "topCentre");
    const auto rb = numberOf(creation, "baseRadius"), rt = numberOf(creation, "topRadius");
    if (!base || !top || !rb || !rt) return std::nullopt;
    return frustum(*base, *top, *rb, *rt);
}

// A capped ruled surface between two parallel circles: a frustum when their centres share the axis, an
// oblique cylinder (a slanted extrusion) when their radii agree.
std::optional<ExactSolid> ruledCirclesSolid(const Creation& creation) {
    if (textOf(creation, "first.kind") != "circle" || textOf(creation, "second.kind") != "circle") return std::nullopt;
    const auto c1 = vectorOf(creation, "first.centre"), c2 = vectorOf(creation, "second.centre");
    const auto n1 = vectorOf(creation, "first.normal"), n2 = vectorOf(creation, "second.normal");
    const auto r1 = numberOf(creation, "first.radius"), r2 = numberOf(creation, "second.radius");
    if (!c1 || !c2 || !n1 || !n2 || !r1 || !r2 || !unitOf(*n1) || !unitOf(*n2)) return std::nullopt;
    const Vec3 n = *unitOf(*n1);
    if (n.Crossed(*unitOf(*n2)).Modulus() > 1e-9) return std::nullopt;
    const Vec3 d = *c2 - *c1;
    if (d.Crossed(n).Modulus() < kTolerance) return frustum(*c1, *c2, *r1, *r2);
    if (std::abs(*r1 - *r2) >= kTolerance || std::abs(d.Dot(n)) < kTolerance) return std::nullopt;
    const Frame frame{*c1, d.Dot(n) > 0 ? n : n.Reversed(), squareTo(n)};
    const double depth = d.Modulus();
    ExactSolid solid = extrusion(frame, circleProfile(*r1), depth, kPi * *r1 * *r1);
    const Vec3 u = d / depth;
    solid.direction = Vec3(u.Dot(frame.x), u.Dot(frame.z.Crossed(frame.x)), u.Dot(frame.z));
    solid.volume = kPi * *r1 * *r1 * std::abs(d.Dot(n));
    return solid;
}

// A disk of `radius` swept by `angle` round the unit `axis` through `centre`, starting where `start` (a
// unit vector square to the axis) points at `ringRadius`: a bend, or a torus when the angle is a full turn.
// Written as the revolution of a circle: readers draw that more surely than a disk swept along an arc.
ExactSolid ringSolid(const Vec3& centre, const Vec3& axis, const Vec3& start, double ringRadius, double radius,
                     double angle) {
    ExactSolid solid;
    solid.kind = ExactSolid::Kind::Revolution;
    solid.position = Frame{centre, axis.Crossed(start), axis};
    solid.profile = circleProfile(radius);
    solid.profile.centre = {0, ringRadius};
    solid.angle = angle;
    solid.volume = kPi * radius * radius * ringRadius * angle;
    return solid;
}

std::optional<ExactSolid> torusSolid(const Creation& creation) {
    const auto centre = vectorOf(creation, "centre"), axis = vectorOf(creation, "axis");
    const auto major = vectorOf(creation, "majorDirection");
    const auto ring = numberOf(creation, "ringRadius"), tube = numberOf(creation, "tubeRadius");
    if (!centre || !axis || !major || !ring || !tube || !unitOf(*axis)) return std::nullopt;
    const Vec3 z = *unitOf(*axis);
    const auto x = unitOf(*major - z * z.Dot(*major));
    if (!x || !(*tube > 0) || !(*tube < *ring)) return std::nullopt;
    return ringSolid(*centre, z, *x, *ring, *tube, 2 * kPi);
}

std::optional<ExactSolid> boxSolid(const Creation& creation) {
    const auto c1 = vectorOf(creation, "corner1"), c2 = vectorOf(creation, "corner2");
    if (!c1 || !c2) return std::nullopt;
    const Vec3 low(std::min(c1->X(), c2->X()), std::min(c1->Y(), c2->Y()), std::min(c1->Z(), c2->Z()));
    const Vec3 high(std::max(c1->X(), c2->X()), std::max(c1->Y(), c2->Y()), std::max(c1->Z(), c2->Z()));
    const Vec3 size = high - low;
    Profile profile;
    profile.kind = Profile::Kind::Rectangle;
    profile.xDim = size.X();
    profile.yDim = size.Y();
    const Frame frame{Vec3((low.X() + high.X()) / 2, (low.Y() + high.Y()) / 2, low.Z()), {0, 0, 1}, {1, 0, 0}};
    return extrusion(frame, profile, size.Z(), size.X() * size.Y());
}

// One piece of a tube swept along a polyline, planned again from the record as the host planned it.
std::optional<ExactSolid> sweepSolid(const Creation& creation) {
    if (textOf(creation, "path.kind") != "lineString" || textOf(creation, "section.kind") != "circle")
        return std::nullopt;
    const RecordValue* value = creation.find("path.points");
    const auto* xyz = value ? std::get_if<std::vector<double>>(value) : nullptr;
    const auto centre = vectorOf(creation, "section.centre"), normal = vectorOf(creation, "section.normal");
    const auto radius = numberOf(creation, "section.radius");
    const auto member = numberOf(creation, "member");
    if (!xyz || xyz->size() % 3 || !centre || !normal || !radius || !member || !unitOf(*normal)) return std::nullopt;
    std::vector<Vec3> points;
    for (std::size_t k = 0; k + 2 < xyz->size(); k += 3) points.emplace_back((*xyz)[k], (*xyz)[k + 1], (*xyz)[k + 2]);
    std::vector<refhost::SweepPiece> pieces;
    try {
        const auto path = refhost::makeLineString(points, nullptr);
        const auto section = refhost::makeCircle(*centre, *unitOf(*normal), *radius, nullptr);
        pieces = refhost::planSweep(*path, *section);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(*member);
    if (*member < 1 || index > pieces.size()) return std::nullopt;
    const refhost::SweepPiece& piece = pieces[index - 1];
    const double r = piece.tubeRadius;
    ExactSolid solid;
    solid.kind = ExactSolid::Kind::SweptDisk;
    solid.radius = r;
    switch (piece.kind) {
    case refhost::SweepPiece::Kind::Straight:
        solid.directrix.points = {piece.origin, piece.origin + piece.direction * piece.extent};
        solid.directrix.segments = {{1, 2}};
        solid.volume = kPi * r * r * piece.extent;
        return solid;
    case refhost::SweepPiece::Kind::Bend:
        return ringSolid(piece.origin, piece.direction, piece.xAxis, piece.bendRadius, r, piece.extent);
    case refhost::SweepPiece::Kind::Ball: {
        const Vec3 x = Vec3(1, 0, 0);
        const Frame frame{piece.origin, {0, 0, 1}, x};
        std::vector<Segment> loop{arcSegment(piece.origin, Vec3(0, 0, -1), piece.origin - x * r, kPi)};
        loop.push_back(lineSegment(loop.back().b, loop.front().a));
        auto ball = revolution(frame, loop, 2 * kPi);
        if (ball) ball->volume = 4.0 / 3.0 * kPi * r * r * r;
        return ball;
    }
    case refhost::SweepPiece::Kind::Pipe:
        return std::nullopt;
    }
    return std::nullopt;
}

bool allFinite(const ExactSolid& solid) {
    if (!finite(solid.position.origin) || !finite(solid.direction) || !std::isfinite(solid.volume)) return false;
    for (const auto& p : solid.directrix.points)
        if (!finite(p)) return false;
    for (const auto& p : solid.profile.points)
        if (!std::isfinite(p[0]) || !std::isfinite(p[1])) return false;
    return solid.volume > 0;
}

} // namespace

std::optional<ExactSolid> exactSolidOf(const Creation& creation) {
    std::optional<ExactSolid> solid;
    const std::string& kind = creation.kind;
    // Uncapped creations are surfaces, which no swept solid describes.
    if (kind == "projection" && flagOf(creation, "capped"))
        solid = projectionSolid(creation);
    else if (kind == "revolution" && flagOf(creation, "capped"))
        solid = revolutionSolid(creation);
    else if (kind == "cone" && flagOf(creation, "capped"))
        solid = coneSolid(creation);
    else if (kind == "torus" && flagOf(creation, "capped"))
        solid = torusSolid(creation);
    else if (kind == "ruledSurface" && flagOf(creation, "capped"))
        solid = ruledCirclesSolid(creation);
    else if (kind == "box")
        solid = boxSolid(creation);
    else if (kind == "sweep")
        solid = sweepSolid(creation);
    if (solid && !allFinite(*solid)) return std::nullopt;
    return solid;
}

std::optional<ExactSolid> exactSolidOfShape(const TopoDS_Shape& shape) {
    if (shape.IsNull()) return std::nullopt;
    std::vector<TopoDS_Face> faces;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) faces.push_back(TopoDS::Face(it.Current()));
    auto fullTurn = [](double low, double high) { return std::abs(high - low - 2 * kPi) < 1e-9; };
    if (faces.size() == 1) {
        const BRepAdaptor_Surface surface(faces.front());
        if (surface.GetType() != GeomAbs_Torus) return std::nullopt;
        double u0, u1, v0, v1;
        BRepTools::UVBounds(faces.front(), u0, u1, v0, v1);
        if (!fullTurn(u0, u1) || !fullTurn(v0, v1)) return std::nullopt;
        const gp_Torus torus = surface.Torus();
        const gp_Ax3& ax = torus.Position();
        const Vec3 centre(ax.Location().X(), ax.Location().Y(), ax.Location().Z());
        const Vec3 z(ax.Direction().X(), ax.Direction().Y(), ax.Direction().Z());
        const Vec3 x(ax.XDirection().X(), ax.XDirection().Y(), ax.XDirection().Z());
        return ringSolid(centre, z, x, torus.MajorRadius(), torus.MinorRadius(), 2 * kPi);
    }
    if (faces.size() != 3) return std::nullopt;
    int planes = 0;
    const TopoDS_Face* side = nullptr;
    for (const auto& face : faces) {
        const GeomAbs_SurfaceType type = BRepAdaptor_Surface(face).GetType();
        if (type == GeomAbs_Plane)
            ++planes;
        else if (type == GeomAbs_Cylinder)
            side = &face;
    }
    if (planes != 2 || !side) return std::nullopt;
    const BRepAdaptor_Surface surface(*side);
    double u0, u1, v0, v1;
    BRepTools::UVBounds(*side, u0, u1, v0, v1);
    if (!fullTurn(u0, u1) || !(v1 > v0)) return std::nullopt;
    const gp_Cylinder cylinder = surface.Cylinder();
    const gp_Ax3& ax = cylinder.Position();
    const Vec3 z(ax.Direction().X(), ax.Direction().Y(), ax.Direction().Z());
    const Vec3 x(ax.XDirection().X(), ax.XDirection().Y(), ax.XDirection().Z());
    const Vec3 base = Vec3(ax.Location().X(), ax.Location().Y(), ax.Location().Z()) + z * v0;
    const double r = cylinder.Radius();
    ExactSolid solid = extrusion(Frame{base, z, x}, circleProfile(r), v1 - v0, kPi * r * r);
    if (!allFinite(solid)) return std::nullopt;
    return solid;
}

bool sameVolume(const ExactSolid& solid, const TopoDS_Shape& shape) {
    GProp_GProps properties;
    BRepGProp::VolumeProperties(shape, properties);
    const double built = std::abs(properties.Mass());
    return std::abs(built - solid.volume) <= 1e-4 * std::max(built, solid.volume);
}

} // namespace tcv::exports::ifc
