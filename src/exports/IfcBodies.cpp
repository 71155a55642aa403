// The bodies of the IFC file: each output's shape as an exact swept solid where it has one, else as a
// triangulated face set of the GLB's triangles; named and coloured items grouped into representation maps.
#include <cmath>
#include <functional>
#include <unordered_map>

#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>

#include "IfcBuilder.h"
#include "Meshing.h"

namespace tcv::exports::ifcfile {

namespace {

// Triangle corners are written to 0.1 µm (7 decimals of a metre): far below the meshes' own deviation, and
// half the digits.
constexpr int kMeshDecimals = 7;

// A shape's triangles with coincident nodes merged, indices from 1 as the face set wants them.
struct TriangleMesh {
    std::vector<Vec3> points;
    std::vector<std::array<std::size_t, 3>> triangles;
    // Every edge is shared by exactly two triangles that run through it in opposite senses.
    bool closed = false;
};

// Numbers points, taking a point within `kMergeDistance` of one already numbered as that one: the faces of
// a shape meet along the same edge points, which each face's triangulation computes again (a seam point at
// 0 and at 2 pi differs in its last bits), and only merged they make a closed mesh.
class PointNumbers {
public:
    explicit PointNumbers(std::vector<Vec3>& points) : points_(points) {}

    std::size_t number(const gp_XYZ& p) {
        const Vec3 point{p.X(), p.Y(), p.Z()};
        // A point lies in one cell; only one within the merge distance of a cell's side may have its twin
        // in the neighbouring cell, so the search looks there alone.
        Cell home;
        std::array<std::vector<std::int64_t>, 3> offsets;
        for (int k = 0; k < 3; ++k) {
            const double scaled = point[k] / kCellSize;
            home[k] = static_cast<std::int64_t>(std::floor(scaled));
            const double inside = (scaled - std::floor(scaled)) * kCellSize;
            offsets[k] = {0};
            if (inside <= kMergeDistance) offsets[k].push_back(-1);
            if (kCellSize - inside <= kMergeDistance) offsets[k].push_back(1);
        }
        for (std::int64_t dx : offsets[0])
            for (std::int64_t dy : offsets[1])
                for (std::int64_t dz : offsets[2]) {
                    const auto found = cells_.find({home[0] + dx, home[1] + dy, home[2] + dz});
                    if (found == cells_.end()) continue;
                    for (std::size_t n : found->second) {
                        const Vec3& q = points_[n - 1];
                        if (std::abs(q[0] - point[0]) <= kMergeDistance &&
                            std::abs(q[1] - point[1]) <= kMergeDistance && std::abs(q[2] - point[2]) <= kMergeDistance)
                            return n;
                    }
                }
        points_.push_back(point);
        cells_[home].push_back(points_.size());
        return points_.size();
    }

private:
    static constexpr double kMergeDistance = 1e-9; // metres; mesh nodes lie at least 0.1 mm apart
    static constexpr double kCellSize = 1e-6;
    using Cell = std::array<std::int64_t, 3>;
    struct CellHash {
        std::size_t operator()(const Cell& cell) const {
            std::size_t hash = 0;
            for (std::int64_t c : cell) hash = hash * 1000003u ^ std::hash<std::int64_t>()(c);
            return hash;
        }
    };
    std::vector<Vec3>& points_;
    std::unordered_map<Cell, std::vector<std::size_t>, CellHash> cells_;
};

TriangleMesh triangleMesh(const TopoDS_Shape& shape) {
    TriangleMesh mesh;
    PointNumbers numbers(mesh.points);
    auto number = [&](const gp_XYZ& p) { return numbers.number(p); };
    for (TopExp_Explorer faces(shape, TopAbs_FACE); faces.More(); faces.Next()) {
        const TopoDS_Face& face = TopoDS::Face(faces.Current());
        TopLoc_Location location;
        const Handle(Poly_Triangulation) triangulation = BRep_Tool::Triangulation(face, location);
        if (triangulation.IsNull()) continue;
        const gp_Trsf placement = location.Transformation();
        const bool reversed = face.Orientation() == TopAbs_REVERSED;
        for (Standard_Integer t = 1; t <= triangulation->NbTriangles(); ++t) {
            Standard_Integer a, b, c;
            triangulation->Triangle(t).Get(a, b, c);
            if (reversed) std::swap(b, c);
            const std::array<std::size_t, 3> corners{number(triangulation->Node(a).Transformed(placement).XYZ()),
                                                     number(triangulation->Node(b).Transformed(placement).XYZ()),
                                                     number(triangulation->Node(c).Transformed(placement).XYZ())};
            if (corners[0] == corners[1] || corners[1] == corners[2] || corners[0] == corners[2]) continue;
            mesh.triangles.push_back(corners);
        }
    }
    std::map<std::pair<std::size_t, std::size_t>, int> directedEdges;
    for (const auto& t : mesh.triangles)
        for (int i = 0; i < 3; ++i) ++directedEdges[{t[i], t[(i + 1) % 3]}];
    mesh.closed = !mesh.triangles.empty();
    for (const auto& [edge, count] : directedEdges) {
        const auto back = directedEdges.find({edge.second, edge.first});
        if (count != 1 || back == directedEdges.end() || back->second != 1) {
            mesh.closed = false;
            break;
        }
    }
    return mesh;
}

// The circle segments readers draw with by default.
constexpr std::size_t kReaderCircleSegments = 64;

// True when a reader draws the exact form of `shape` with no more triangles than its mesh has. An exact form
// always is: its arcs are true circles, drawn as finely as the reader draws circles. A fitted one (elliptical
// arcs as circular arcs within 0.01 mm) is no more exact than the mesh needs to be, while each of its short
// arcs is drawn with a whole circle's segments: where that makes more triangles than the mesh's, the item
// is written as the mesh's triangles.
bool drawnAtItsCost(const ifc::ExactSolid& solid, const TopoDS_Shape& shape) {
    return !solid.fitted || ifc::drawnTriangles(solid, kReaderCircleSegments) <= triangleCount(shape);
}

} // namespace

// One surface style per colour, shared by every item drawn in it.
std::size_t IfcBuilder::style(const Quantity_ColorRGBA& colour) {
    Standard_Real r, g, b;
    colour.GetRGB().Values(r, g, b, Quantity_TOC_sRGB);
    const double transparency = 1.0 - colour.Alpha();
    const std::string key = p21::real(r) + p21::real(g) + p21::real(b) + p21::real(transparency);
    auto [it, added] = styles_.try_emplace(key, 0);
    if (added) {
        const std::size_t rgb = w_.add("IfcColourRgb", {p21::kUnset, p21::real(r), p21::real(g), p21::real(b)});
        const std::size_t shading = w_.add("IfcSurfaceStyleShading", {p21::ref(rgb), p21::real(transparency)});
        it->second = w_.add("IfcSurfaceStyle", {p21::kUnset, p21::enumeration("BOTH"), p21::list({p21::ref(shading)})});
    }
    return it->second;
}

std::size_t IfcBuilder::faceSet(const TopoDS_Shape& shape) {
    const TriangleMesh mesh = triangleMesh(shape);
    if (mesh.triangles.empty()) return 0;
    std::vector<Value> coordinates;
    coordinates.reserve(mesh.points.size());
    for (const auto& p : mesh.points)
        coordinates.push_back(p21::list({p21::realRounded(p[0], kMeshDecimals), p21::realRounded(p[1], kMeshDecimals),
                                         p21::realRounded(p[2], kMeshDecimals)}));
    std::vector<Value> triangles;
    triangles.reserve(mesh.triangles.size());
    for (const auto& t : mesh.triangles)
        triangles.push_back(
            p21::list({p21::integer(static_cast<long long>(t[0])), p21::integer(static_cast<long long>(t[1])),
                       p21::integer(static_cast<long long>(t[2]))}));
    const std::size_t points = w_.add("IfcCartesianPointList3D", {p21::list(coordinates)});
    return w_.add("IfcTriangulatedFaceSet",
                  {p21::ref(points), p21::kUnset, p21::boolean(mesh.closed), p21::list(triangles), p21::kUnset});
}

Value IfcBuilder::placement2d(const std::array<double, 2>& centre) {
    if (centre[0] != 0 || centre[1] != 0)
        return p21::ref(w_.add("IfcAxis2Placement2D", {p21::ref(point2(centre)), p21::kUnset}));
    if (!origin2d_) origin2d_ = w_.add("IfcAxis2Placement2D", {p21::ref(point2({0, 0})), p21::kUnset});
    return p21::ref(origin2d_);
}

// An indexed poly curve: a segment of two indices a line, of three an arc.
std::size_t IfcBuilder::polyCurve(const std::string& listType, const std::vector<Value>& points,
                                  const std::vector<std::vector<int>>& segments) {
    const std::size_t list = w_.add(listType, {p21::list(points)});
    std::vector<Value> indices;
    for (const auto& segment : segments) {
        std::vector<Value> numbers;
        for (int n : segment) numbers.push_back(p21::integer(n));
        indices.push_back(p21::typed(segment.size() == 3 ? "IFCARCINDEX" : "IFCLINEINDEX", p21::list(numbers)));
    }
    return w_.add("IfcIndexedPolyCurve", {p21::ref(list), p21::list(indices), p21::boolean(false)});
}

std::size_t IfcBuilder::compositeCurve(const std::vector<std::array<double, 2>>& points,
                                       const std::vector<std::vector<int>>& segments) {
    const auto at = [&](int index) -> const std::array<double, 2>& {
        return points.at(static_cast<std::size_t>(index - 1));
    };
    const auto piece = [&](std::size_t curve) {
        return p21::ref(
            w_.add("IfcCompositeCurveSegment", {p21::enumeration("CONTINUOUS"), p21::boolean(true), p21::ref(curve)}));
    };
    std::vector<Value> pieces;
    std::vector<Value> run; // the points of the lines not yet written
    const auto endRun = [&] {
        if (run.size() >= 2) pieces.push_back(piece(w_.add("IfcPolyline", {p21::list(run)})));
        run.clear();
    };
    for (const auto& segment : segments) {
        if (segment.size() == 2) {
            if (run.empty()) run.push_back(p21::ref(point2(at(segment[0]))));
            run.push_back(p21::ref(point2(at(segment[1]))));
            continue;
        }
        endRun();
        const auto& a = at(segment[0]);
        const auto& m = at(segment[1]);
        const auto& b = at(segment[2]);
        // The circle through the three points; the arc runs counter-clockwise where it turns left from a
        // through m to b.
        const double ax = a[0] - m[0], ay = a[1] - m[1], bx = b[0] - m[0], by = b[1] - m[1];
        const double d = 2 * (ax * by - ay * bx);
        if (!(std::abs(d) > 0)) throw std::invalid_argument("an arc of a profile has its three points on one line");
        const double aa = ax * ax + ay * ay, bb = bx * bx + by * by;
        const std::array<double, 2> centre{m[0] + (by * aa - ay * bb) / d, m[1] + (ax * bb - bx * aa) / d};
        const double radius = std::hypot(a[0] - centre[0], a[1] - centre[1]);
        const bool counterClockwise = (b[0] - a[0]) * (m[1] - a[1]) - (b[1] - a[1]) * (m[0] - a[0]) < 0;
        const std::size_t circle = w_.add("IfcCircle", {placement2d(centre), p21::real(radius)});
        const auto angle = [&](const std::array<double, 2>& p) {
            return p21::typed("IFCPARAMETERVALUE", p21::real(std::atan2(p[1] - centre[1], p[0] - centre[0])));
        };
        pieces.push_back(
            piece(w_.add("IfcTrimmedCurve", {p21::ref(circle), p21::list({p21::ref(point2(a)), angle(a)}),
                                             p21::list({p21::ref(point2(b)), angle(b)}), p21::boolean(counterClockwise),
                                             p21::enumeration("CARTESIAN")})));
    }
    endRun();
    return w_.add("IfcCompositeCurve", {p21::list(pieces), p21::boolean(false)});
}

std::size_t IfcBuilder::polyline3d(const std::vector<ifc::Vec3>& points,
                                   const std::vector<std::vector<int>>& segments) {
    std::vector<Value> corners;
    for (const auto& segment : segments) {
        if (segment.size() != 2) return 0;
        if (corners.empty())
            corners.push_back(p21::ref(point(fromVec(points.at(static_cast<std::size_t>(segment[0] - 1))))));
        corners.push_back(p21::ref(point(fromVec(points.at(static_cast<std::size_t>(segment[1] - 1))))));
    }
    return corners.size() >= 2 ? w_.add("IfcPolyline", {p21::list(corners)}) : 0;
}

std::size_t IfcBuilder::profile(const ifc::Profile& profile) {
    switch (profile.kind) {
    case ifc::Profile::Kind::Circle:
        return w_.add("IfcCircleProfileDef",
                      {p21::enumeration("AREA"), p21::kUnset, placement2d(profile.centre), p21::real(profile.radius)});
    case ifc::Profile::Kind::Rectangle:
        return w_.add("IfcRectangleProfileDef", {p21::enumeration("AREA"), p21::kUnset, placement2d(profile.centre),
                                                 p21::real(profile.xDim), p21::real(profile.yDim)});
    case ifc::Profile::Kind::Loop:
        break;
    }
    if (options_.curves == IfcCurves::Composite)
        return w_.add("IfcArbitraryClosedProfileDef", {p21::enumeration("AREA"), p21::kUnset,
                                                       p21::ref(compositeCurve(profile.points, profile.segments))});
    std::vector<Value> points;
    for (const auto& p : profile.points) points.push_back(p21::list({p21::real(p[0]), p21::real(p[1])}));
    const std::size_t curve = polyCurve("IfcCartesianPointList2D", points, profile.segments);
    return w_.add("IfcArbitraryClosedProfileDef", {p21::enumeration("AREA"), p21::kUnset, p21::ref(curve)});
}

std::size_t IfcBuilder::exactItem(const ifc::ExactSolid& solid) {
    switch (solid.kind) {
    case ifc::ExactSolid::Kind::Extrusion:
        return w_.add("IfcExtrudedAreaSolid", {p21::ref(profile(solid.profile)), p21::ref(frame(solid.position)),
                                               p21::ref(direction(fromVec(solid.direction))), p21::real(solid.depth)});
    case ifc::ExactSolid::Kind::Revolution: {
        if (!xAxis_) xAxis_ = w_.add("IfcAxis1Placement", {p21::ref(origin_), p21::ref(direction({1, 0, 0}))});
        return w_.add("IfcRevolvedAreaSolid", {p21::ref(profile(solid.profile)), p21::ref(frame(solid.position)),
                                               p21::ref(xAxis_), p21::real(solid.angle)});
    }
    case ifc::ExactSolid::Kind::SweptDisk: {
        std::size_t curve = 0;
        if (options_.curves == IfcCurves::Composite)
            curve = polyline3d(solid.directrix.points, solid.directrix.segments);
        if (!curve) {
            std::vector<Value> points;
            for (const auto& p : solid.directrix.points)
                points.push_back(p21::list({p21::real(p.X()), p21::real(p.Y()), p21::real(p.Z())}));
            curve = polyCurve("IfcCartesianPointList3D", points, solid.directrix.segments);
        }
        return w_.add("IfcSweptDiskSolid",
                      {p21::ref(curve), p21::real(solid.radius), p21::kUnset, p21::kUnset, p21::kUnset});
    }
    }
    return 0;
}

// The exact form of an output's shape, when it has one that encloses what was built.
std::optional<ifc::ExactSolid> IfcBuilder::exactForm(const ExportedOutput& output, std::size_t i) const {
    const TopoDS_Shape& shape = output.shapes[i];
    std::optional<ifc::ExactSolid> solid;
    if (output.kind == refhost::OutputKind::Solid)
        solid = ifc::exactSolidOf(output.creation);
    else if (output.kind == refhost::OutputKind::Nozzle || output.kind == refhost::OutputKind::Occurrence)
        solid = ifc::exactSolidOfShape(shape); // port discs, the operator's stem and handwheel
    // Readers that draw no indexed poly curve may not draw a swept disk along every direction either (one
    // draws none along the Z axis): the straight tube piece is the cylinder an extruded circle makes.
    if (solid && options_.curves == IfcCurves::Composite)
        if (auto cylinder = ifc::extrudedDisk(*solid)) solid = std::move(cylinder);
    if (solid && !ifc::sameVolume(*solid, shape)) return std::nullopt;
    return solid;
}

// The items of an aspect's outputs, each named and coloured, grouped by the representation they need.
IfcBuilder::ItemGroups IfcBuilder::bodyItems(const ExportedAspect& aspect) {
    ItemGroups groups;
    for (const auto& output : aspect.outputs)
        for (std::size_t i = 0; i < output.shapes.size(); ++i) {
            if (output.shapes[i].IsNull()) continue;
            std::vector<Value>* group = &groups.tessellated;
            std::size_t item = 0;
            if (options_.geometry == IfcGeometry::Exact)
                if (const auto solid = exactForm(output, i); solid && drawnAtItsCost(*solid, output.shapes[i])) {
                    item = exactItem(*solid);
                    group = solid->kind == ifc::ExactSolid::Kind::SweptDisk ? &groups.advanced : &groups.swept;
                }
            if (!item) item = faceSet(output.shapes[i]);
            if (!item) continue;
            const std::string name =
                output.kind == refhost::OutputKind::Occurrence ? output.name + "/" + output.shapeNames[i] : output.name;
            w_.add("IfcStyledItem", {p21::ref(item), p21::list({p21::ref(style(colourOf(output.kind, aspect.name)))}),
                                     p21::string(name)});
            group->push_back(p21::ref(item));
        }
    return groups;
}

// The type's maps of the items: one per kind of representation.
std::vector<std::size_t> IfcBuilder::representationMaps(const ItemGroups& groups) {
    std::vector<std::size_t> maps;
    const std::pair<const char*, const std::vector<Value>*> kinds[] = {
        {"SweptSolid", &groups.swept}, {"AdvancedSweptSolid", &groups.advanced}, {"Tessellation", &groups.tessellated}};
    for (const auto& [type, group] : kinds) {
        if (group->empty()) continue;
        const std::size_t representation = w_.add(
            "IfcShapeRepresentation", {p21::ref(body_), p21::string("Body"), p21::string(type), p21::list(*group)});
        maps.push_back(w_.add("IfcRepresentationMap", {p21::ref(world_), p21::ref(representation)}));
    }
    return maps;
}

// The shape the type's occurrences show its maps by: one 'Body' of mapped items, shared by all of them
// (the mapped items place nothing; each occurrence's own placement does).
Value IfcBuilder::mappedShape(const std::vector<std::size_t>& maps) {
    if (maps.empty()) return p21::kUnset;
    if (!identity_)
        identity_ = w_.add("IfcCartesianTransformationOperator3D",
                           {p21::kUnset, p21::kUnset, p21::ref(origin_), p21::kUnset, p21::kUnset});
    std::vector<Value> items;
    for (std::size_t map : maps)
        items.push_back(p21::ref(w_.add("IfcMappedItem", {p21::ref(map), p21::ref(identity_)})));
    const std::size_t representation =
        w_.add("IfcShapeRepresentation",
               {p21::ref(body_), p21::string("Body"), p21::string("MappedRepresentation"), p21::list(items)});
    return p21::ref(
        w_.add("IfcProductDefinitionShape", {p21::kUnset, p21::kUnset, p21::list({p21::ref(representation)})}));
}

} // namespace tcv::exports::ifcfile
