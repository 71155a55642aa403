#include "IfcShapes.h"
#include "IfcProfiles.h"

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

#include "tarncheckvalve/refhost/Curves.h"
#include "tarncheckvalve/refhost/SweepPlan.h"

namespace tcv::exports::ifc {

namespace {

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

// A solid of revolution about the X axis of `frame` of a loop in its XY plane, on one side of the axis; the
// profile runs counter-clockwise from a point off the axis.
std::optional<ExactSolid> revolution(const Frame& frame, const std::vector<Segment>& loop, double angle) {
    const AreaMoments m = areaMoments(frame, loop);
    if (m.minY < -kTolerance && m.maxY > kTolerance) return std::nullopt; // the profile crosses the axis
    ExactSolid solid;
    solid.kind = ExactSolid::Kind::Revolution;
    solid.position = frame;
    solid.profile = loopProfile(frame, startedOffAxis(frame, loop));
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

std::optional<ExactSolid> extrudedDisk(const ExactSolid& disk) {
    const auto& path = disk.directrix;
    if (disk.kind != ExactSolid::Kind::SweptDisk || path.points.size() != 2 || path.segments.size() != 1 ||
        path.segments.front() != std::vector<int>{1, 2})
        return std::nullopt;
    const Vec3 along = path.points[1] - path.points[0];
    const auto z = unitOf(along);
    if (!z) return std::nullopt;
    ExactSolid solid = extrusion(Frame{path.points[0], *z, squareTo(*z)}, circleProfile(disk.radius), along.Modulus(),
                                 kPi * disk.radius * disk.radius);
    solid.volume = disk.volume;
    return solid;
}

bool sameVolume(const ExactSolid& solid, const TopoDS_Shape& shape) {
    GProp_GProps properties;
    BRepGProp::VolumeProperties(shape, properties);
    const double built = std::abs(properties.Mass());
    return std::abs(built - solid.volume) <= 1e-4 * std::max(built, solid.volume);
}

std::size_t drawnTriangles(const ExactSolid& solid, std::size_t circleSegments) {
    std::size_t points = 0; // the profile's outline as the reader draws it
    switch (solid.profile.kind) {
    case Profile::Kind::Circle:
        points = circleSegments;
        break;
    case Profile::Kind::Rectangle:
        points = 4;
        break;
    case Profile::Kind::Loop:
        for (const auto& segment : solid.profile.segments) points += segment.size() == 3 ? circleSegments : 1;
        break;
    }
    switch (solid.kind) {
    case ExactSolid::Kind::Extrusion: // two sides a point, and the two caps
        return 2 * points + 2 * (points - std::min<std::size_t>(points, 2));
    case ExactSolid::Kind::Revolution: {
        const auto steps = static_cast<std::size_t>(
            std::max(1.0, std::ceil(static_cast<double>(circleSegments) * solid.angle / (2 * kPi))));
        return 2 * points * steps;
    }
    case ExactSolid::Kind::SweptDisk: // a tube of a circle's segments along each piece of its path
        return 2 * circleSegments * std::max<std::size_t>(1, solid.directrix.segments.size());
    }
    return 0;
}

} // namespace tcv::exports::ifc
