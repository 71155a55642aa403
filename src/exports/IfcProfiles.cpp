// Profiles of IFC's swept solids from the host's records: curves read from a creation record as lines
// and circular arcs (elliptical arcs fitted with circular ones), chained and closed into loops as the
// kernel closes them, and laid into a frame's plane as indexed profiles with their area moments.
#include "IfcProfiles.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "tarncheckvalve/refhost/Curves.h"

namespace tcv::exports::ifc {

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

namespace {

// How far the circular arc through the ellipse's points at t0, (t0 + t1) / 2 and t1 strays from the ellipse
// between them: the largest distance of 31 evenly spaced points of the ellipse from the arc's circle (the
// error of such an arc rises and falls smoothly, twice between each pair of the points it passes through).
// Infinite where the three points lie on one line.
template <class At>
double arcDeviation(const At& at, double t0, double t1, std::optional<Segment>& arc) {
    arc = arcThrough(at(t0), at((t0 + t1) / 2), at(t1));
    if (!arc) return std::numeric_limits<double>::infinity();
    const double r = (arc->a - arc->centre).Modulus();
    double worst = 0;
    for (int k = 1; k < 32; ++k)
        worst = std::max(worst, std::abs((at(t0 + (t1 - t0) * k / 32) - arc->centre).Modulus() - r));
    return worst;
}

} // namespace

bool appendFittedEllipse(const Vec3& centre, const Vec3& u, const Vec3& v, double a, double b, double start,
                         double sweep, std::vector<Segment>& out) {
    auto at = [&](double t) { return centre + u * (a * std::cos(t)) + v * (b * std::sin(t)); };
    // Each arc aims a little inside the tolerance, so that what the samples miss between them keeps within it.
    constexpr double kAim = 0.95 * kFitTolerance;
    const double end = start + sweep;
    std::vector<Segment> arcs;
    std::optional<Segment> arc;
    for (double from = start; arcs.size() < kMaxFittedArcs;) {
        if (arcDeviation(at, from, end, arc) <= kAim) {
            arcs.push_back(*arc);
            out.insert(out.end(), arcs.begin(), arcs.end());
            return true;
        }
        // The longest arc from here that keeps within the aim, found by halving the interval of its end.
        double fits = 0, fails = end - from;
        for (int i = 0; i < 48; ++i) {
            const double mid = (fits + fails) / 2;
            (arcDeviation(at, from, from + mid, arc) <= kAim ? fits : fails) = mid;
        }
        if (!(std::abs(fits) > 1e-9 * std::abs(sweep)) || arcDeviation(at, from, from + fits, arc) > kAim) return false;
        arcs.push_back(*arc);
        from += fits;
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
    m.clockwise = m.area < 0;
    if (m.clockwise) m.area = -m.area, m.sx = -m.sx, m.sy = -m.sy;
    return m;
}

std::vector<Segment> startedOffAxis(const Frame& frame, std::vector<Segment> loop) {
    if (loop.empty()) return loop;
    if (areaMoments(frame, loop).clockwise) {
        std::reverse(loop.begin(), loop.end());
        for (auto& s : loop) s = s.reversed();
    }
    const auto offAxis = [&](const Segment& s) { return std::abs(local(frame, s.a)[1]) > kTolerance; };
    auto first = std::find_if(loop.begin(), loop.end(), offAxis);
    if (first == loop.end()) {
        // Every piece runs from the axis to the axis, so an arc's middle lies off it.
        const auto arc = std::find_if(loop.begin(), loop.end(), [](const Segment& s) { return s.arc; });
        if (arc == loop.end()) return loop; // no area: refused by the caller's volume check
        Segment second = arcSegment(arc->centre, arc->normal, arc->m, arc->sweep / 2);
        second.b = arc->b;
        *arc = arcSegment(arc->centre, arc->normal, arc->a, arc->sweep / 2);
        first = loop.insert(arc + 1, second);
    }
    std::rotate(loop.begin(), first, loop.end());
    return loop;
}

} // namespace tcv::exports::ifc
