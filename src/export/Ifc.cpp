// IFC4 from the export document. The structure, in one place:
//
//   IfcProject (units: metre, radian, square and cubic metre; one 3D 'Model' context with a 'Body' subcontext)
//     └ IfcRelAggregates → IfcSite → IfcBuilding → IfcBuildingStorey
//         └ IfcRelContainedInSpatialStructure: the valves (IfcValve) and their insulation (IfcCovering)
//   per part, written once however often it is placed:
//     IfcValveType (CHECK; Pset_ValveTypeCommon, TarnCheckValve_Part) with the body as RepresentationMaps:
//       one 'Body' representation per kind of item: 'SweptSolid' (IfcExtrudedAreaSolid, IfcRevolvedAreaSolid
//       of circle, rectangle or line-and-arc profiles: prisms, revolutions, cylinders, cones, tori, tube
//       bends), 'AdvancedSweptSolid' (IfcSweptDiskSolid: straight tube pieces) and 'Tessellation'
//       (IfcTriangulatedFaceSet: skins, ruled surfaces and whatever else has no exact form), each item
//       named and coloured by an IfcStyledItem
//     IfcRelNests: the type → one IfcDistributionPort per nozzle, placed in the type's frame at the nozzle's
//       connection point with its Z axis along the nozzle's direction; Pset_DistributionPortTypePipe and
//       TarnCheckValve_PortData on each
//     IfcCoveringType (INSULATION) with the insulation's RepresentationMaps, when the part has any
//   per placed valve: an IfcValve typed by its part's IfcValveType, its 'Body' an IfcMappedItem of each of
//     the type's maps; its own ports nested as on the type, placed relative to the valve and sharing the
//     type ports' property sets; an IfcCovering (mapped likewise) covering the valve
//
// The valve's own axes: x along the run, y towards its top (operator). A single part stands upright (its y
// is the storey's Z); a placed valve turns its x and y to the directions given. A library file declares the
// types in an IfcProjectLibrary instead of placing them. With IfcGeometry::Mesh every body item is an
// IfcTriangulatedFaceSet of the GLB's triangles. GlobalIds are derived from names (the part's, and an
// instance's id), so exporting the same parts again gives the same file.
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <unordered_map>

#include <BRep_Tool.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>

#include "DocumentModel.h"
#include "IfcShapes.h"
#include "export/IfcWriter.h"
#include "export/StagedFile.h"
#include "kernel/KernelGuard.h"
#include "refhost/Units.h"
#include "symbol/Contract.h"

namespace tcv::exports {

namespace {

using p21::Value;
using Vec3 = std::array<double, 3>;

constexpr const char* kPhysical = aspectName(Aspect::Physical).data();
constexpr const char* kInsulation = aspectName(Aspect::Insulation).data();
constexpr std::int32_t kFlanged = 5;
constexpr std::int32_t kPlainEnd = 10;
constexpr std::int32_t kFemale = 15;
constexpr std::int32_t kMechanical = 20;
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

// A value of a nozzle's creation record; NaN for one that is missing or not a number.
double number(const refhost::Creation& nozzle, const char* key) {
    const refhost::RecordValue* value = nozzle.find(key);
    if (const auto* d = value ? std::get_if<double>(value) : nullptr) return *d;
    if (const auto* i = value ? std::get_if<std::int64_t>(value) : nullptr) return static_cast<double>(*i);
    return std::nan("");
}

std::int64_t integer(const refhost::Creation& nozzle, const char* key) {
    const refhost::RecordValue* value = nozzle.find(key);
    const auto* i = value ? std::get_if<std::int64_t>(value) : nullptr;
    return i ? *i : 0;
}

Vec3 vec3(const refhost::Creation& nozzle, const char* key) {
    const refhost::RecordValue* value = nozzle.find(key);
    const auto* xyz = value ? std::get_if<std::vector<double>>(value) : nullptr;
    if (!xyz || xyz->size() != 3) throw std::invalid_argument("a nozzle lacks its position or direction");
    return {(*xyz)[0], (*xyz)[1], (*xyz)[2]};
}

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vec3 unit(const Vec3& v) {
    const double length = std::sqrt(dot(v, v));
    if (!(length > 0)) throw std::invalid_argument("a nozzle direction is a zero vector");
    return {v[0] / length, v[1] / length, v[2] / length};
}

// A direction square to `axis`: the valve's up direction (y) made square to it, or z where the axis is
// nearly vertical, so that a port's local X is well defined.
Vec3 squareTo(const Vec3& axis) {
    const Vec3 a = unit(axis);
    const Vec3 up = std::abs(a[1]) < 0.9 ? Vec3{0, 1, 0} : Vec3{0, 0, 1};
    const double along = dot(up, a);
    return unit({up[0] - along * a[0], up[1] - along * a[1], up[2] - along * a[2]});
}

// The nominal size as a positive length, if it reads as one.
std::optional<double> nominalSize(const refhost::PortSpec& port) {
    const double metres = refhost::nominalSizeAsLength(port);
    if (!(metres > 0) || !std::isfinite(metres)) return std::nullopt;
    return metres;
}

const refhost::PortSpec* portSpec(const ExportedPart& part, std::int64_t index) {
    for (const auto& port : part.ports)
        if (port.index == index) return &port;
    return nullptr;
}

// The pipe end treatment of a port by its end type; ConnectionSubType says more where IFC has no value.
std::pair<const char*, const char*> connectionType(std::int32_t endType) {
    switch (endType) {
    case kFlanged:
        return {"FLANGED", nullptr};
    case kPlainEnd:
        return {"WELDED", "plain end"};
    case kFemale:
        return {"THREADED", "female end"};
    case kMechanical:
        return {"OTHER", "mechanical joint"};
    default:
        return {"NOTDEFINED", nullptr};
    }
}

const char* flowDirection(std::int64_t port) {
    if (port == 1) return "SINK"; // the flow enters the check valve at port 1
    if (port == 2) return "SOURCE";
    return "SOURCEANDSINK";
}

Value label(const std::string& text) { return p21::typed("IFCLABEL", p21::string(text)); }
Value length(double metres) { return p21::typed("IFCLENGTHMEASURE", p21::real(metres)); }
Value positiveLength(double metres) { return p21::typed("IFCPOSITIVELENGTHMEASURE", p21::real(metres)); }
Value integerValue(long long value) { return p21::typed("IFCINTEGER", p21::integer(value)); }

// The jacketed bodies (by PartDataBasis): their third and fourth ports are the jacket's connections, so
// the valve's port pattern is none of IFC's named ones and those ports belong to the heating system.
bool jacketed(std::int64_t partDataBasis) {
    static const std::set<std::int64_t> kJacketed{2381, 3124, 3125, 3146};
    return kJacketed.count(partDataBasis) > 0;
}

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec3 fromVec(const ifc::Vec3& v) { return {v.X(), v.Y(), v.Z()}; }

class IfcBuilder {
public:
    IfcBuilder(const std::vector<ExportedPart>& parts, const IfcOptions& options)
        : parts_(parts), options_(options), types_(parts.size()) {}

    // One storey holding one upright valve per part.
    std::string buildProject(const std::string& fileName) {
        const std::string projectKey = keyOfParts();
        const std::size_t storeyPlacement = header(projectKey, projectName(), false);
        std::vector<std::size_t> contained;
        const Value upright = p21::ref(axes({0, 0, 0}, Vec3{0, -1, 0}, Vec3{1, 0, 0}));
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            const ExportedPart& part = parts_[i];
            placeValve(i, typeOf(i).key, part.name, part.extras.value("description", std::string()), storeyPlacement,
                       upright, contained);
        }
        return finish(fileName, projectKey, contained);
    }

    // The parts' types declared in a project library, nothing placed.
    std::string buildLibrary(const std::string& fileName) {
        const std::string projectKey = keyOfParts() + "|library";
        header(projectKey, projectName(), true);
        std::vector<std::size_t> types;
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            const PartType& type = typeOf(i);
            types.push_back(type.valveType);
            if (type.coveringType) types.push_back(type.coveringType);
        }
        relation("IfcRelDeclares", projectKey + "|library-types", library_, types);
        return finish(fileName, projectKey, {});
    }

    // One storey holding one valve per placement.
    std::string buildModel(const std::string& fileName, const std::vector<IfcPlacement>& placements) {
        const std::string projectKey = keyOfParts() + "|model";
        const std::size_t storeyPlacement = header(projectKey, "TarnCheckValve model", false);
        std::vector<std::size_t> contained;
        contained.reserve(placements.size() * 2);
        for (const auto& placement : placements) {
            if (placement.part >= parts_.size())
                throw std::invalid_argument("placement '" + placement.instance + "' names no part of the document");
            checkPlacement(placement);
            const Vec3 x = unit(placement.direction);
            const Vec3 up = unit(placement.up);
            const double along = dot(up, x);
            const Vec3 y{up[0] - along * x[0], up[1] - along * x[1], up[2] - along * x[2]};
            if (!(std::sqrt(dot(y, y)) > 1e-9))
                throw std::invalid_argument("placement '" + placement.instance +
                                            "': its up direction runs along its direction");
            const Vec3 z = unit(cross(x, unit(y)));
            const Value where = p21::ref(axes(placement.position, z, x));
            // No description: the type names the part, and thousands of valves would repeat it.
            placeValve(placement.part, "instance|" + placement.instance, placement.instance, std::string(),
                       storeyPlacement, where, contained);
        }
        return finish(fileName, projectKey, contained);
    }

private:
    static void checkPlacement(const IfcPlacement& placement) {
        const std::string what = "placement '" + placement.instance + "': ";
        for (const Vec3* v : {&placement.position, &placement.direction, &placement.up})
            for (double c : *v)
                if (!std::isfinite(c)) throw std::invalid_argument(what + "a coordinate is not a finite number");
        if (!(dot(placement.direction, placement.direction) > 0))
            throw std::invalid_argument(what + "the direction has no length");
        if (!(dot(placement.up, placement.up) > 0))
            throw std::invalid_argument(what + "the up direction has no length");
    }

    struct PortTemplate {
        std::int64_t index = 0;
        std::size_t axes = 0;
        std::string role;
        const char* systemType = "NOTDEFINED";
        std::vector<std::pair<std::string, std::size_t>> propertySets; // key and set
    };
    struct PartType {
        std::string key;
        std::size_t valveType = 0;
        std::size_t coveringType = 0;
        std::vector<std::size_t> bodyMaps, insulationMaps;
        std::optional<Value> bodyShape, insulationShape; // the occurrences' shapes, made when first placed
        std::vector<PortTemplate> ports;
        std::vector<std::size_t> valves, coverings;
        bool written = false;
    };
    struct ItemGroups {
        std::vector<Value> swept, advanced, tessellated;
        bool empty() const { return swept.empty() && advanced.empty() && tessellated.empty(); }
    };

    std::string projectName() const { return parts_.size() == 1 ? parts_.front().name : "TarnCheckValve parts"; }
    std::string keyOfParts() const {
        std::string key = "project";
        for (const auto& part : parts_) key += "|" + part.name;
        return key;
    }

    // Project, units, contexts and (unless a library) site, building and storey; the storey's placement.
    std::size_t header(const std::string& projectKey, const std::string& name, bool isLibrary) {
        origin_ = point({0, 0, 0});
        world_ = w_.add("IfcAxis2Placement3D", {p21::ref(origin_), p21::kUnset, p21::kUnset});
        const std::size_t model =
            w_.add("IfcGeometricRepresentationContext", {p21::kUnset, p21::string("Model"), p21::integer(3),
                                                         p21::real(1e-6), p21::ref(world_), p21::kUnset});
        body_ = w_.add("IfcGeometricRepresentationSubContext",
                       {p21::string("Body"), p21::string("Model"), p21::kDerived, p21::kDerived, p21::kDerived,
                        p21::kDerived, p21::ref(model), p21::kUnset, p21::enumeration("MODEL_VIEW"), p21::kUnset});
        auto siUnit = [&](const char* type, const char* unitName) {
            return p21::ref(
                w_.add("IfcSIUnit", {p21::kDerived, p21::enumeration(type), p21::kUnset, p21::enumeration(unitName)}));
        };
        const std::size_t units =
            w_.add("IfcUnitAssignment",
                   {p21::list({siUnit("LENGTHUNIT", "METRE"), siUnit("PLANEANGLEUNIT", "RADIAN"),
                               siUnit("AREAUNIT", "SQUARE_METRE"), siUnit("VOLUMEUNIT", "CUBIC_METRE")})});
        project_ = w_.add("IfcProject", {guid(projectKey), p21::kUnset, p21::string(name), p21::kUnset, p21::kUnset,
                                         p21::kUnset, p21::kUnset, p21::list({p21::ref(model)}), p21::ref(units)});
        if (isLibrary) {
            library_ = w_.add("IfcProjectLibrary",
                              {guid(projectKey + "|library"), p21::kUnset, p21::string(name), p21::kUnset, p21::kUnset,
                               p21::kUnset, p21::kUnset, p21::list({p21::ref(model)}), p21::ref(units)});
            relation("IfcRelDeclares", projectKey + "|project-library", project_, {library_});
            return 0;
        }
        const std::size_t sitePlacement = w_.add("IfcLocalPlacement", {p21::kUnset, p21::ref(world_)});
        const std::size_t site =
            w_.add("IfcSite", {guid(projectKey + "|site"), p21::kUnset, p21::string("Site"), p21::kUnset, p21::kUnset,
                               p21::ref(sitePlacement), p21::kUnset, p21::kUnset, p21::enumeration("ELEMENT"),
                               p21::kUnset, p21::kUnset, p21::kUnset, p21::kUnset, p21::kUnset});
        const std::size_t buildingPlacement = w_.add("IfcLocalPlacement", {p21::ref(sitePlacement), p21::ref(world_)});
        const std::size_t building =
            w_.add("IfcBuilding", {guid(projectKey + "|building"), p21::kUnset, p21::string("Building"), p21::kUnset,
                                   p21::kUnset, p21::ref(buildingPlacement), p21::kUnset, p21::kUnset,
                                   p21::enumeration("ELEMENT"), p21::kUnset, p21::kUnset, p21::kUnset});
        const std::size_t storeyPlacement =
            w_.add("IfcLocalPlacement", {p21::ref(buildingPlacement), p21::ref(world_)});
        storey_ = w_.add("IfcBuildingStorey", {guid(projectKey + "|storey"), p21::kUnset, p21::string("Storey"),
                                               p21::kUnset, p21::kUnset, p21::ref(storeyPlacement), p21::kUnset,
                                               p21::kUnset, p21::enumeration("ELEMENT"), p21::real(0)});
        relation("IfcRelAggregates", projectKey + "|project-site", project_, {site});
        relation("IfcRelAggregates", projectKey + "|site-building", site, {building});
        relation("IfcRelAggregates", projectKey + "|building-storey", building, {storey_});
        return storeyPlacement;
    }

    // The relations gathered while the parts were placed, then the whole file.
    std::string finish(const std::string& fileName, const std::string& projectKey,
                       const std::vector<std::size_t>& contained) {
        for (PartType& type : types_) {
            if (!type.written) continue;
            if (!type.valves.empty())
                relation("IfcRelDefinesByType", type.key + "|IfcRelDefinesByType", type.valves, type.valveType);
            if (!type.coverings.empty())
                relation("IfcRelDefinesByType", type.key + "|IfcCoveringType:rel", type.coverings, type.coveringType);
        }
        for (const auto& [key, rel] : propertyRelations_)
            w_.add("IfcRelDefinesByProperties",
                   {guid(key), p21::kUnset, p21::kUnset, p21::kUnset, refs(rel.objects), p21::ref(rel.set)});
        if (!contained.empty())
            w_.add("IfcRelContainedInSpatialStructure", {guid(projectKey + "|contained"), p21::kUnset, p21::kUnset,
                                                         p21::kUnset, refs(contained), p21::ref(storey_)});
        return w_.file(fileName, "IFC4", "TarnCheckValve checkvalve");
    }

    static Value listOrUnset(const std::vector<std::size_t>& ids) { return ids.empty() ? p21::kUnset : refs(ids); }

    static Value refs(const std::vector<std::size_t>& ids) {
        std::vector<Value> out;
        out.reserve(ids.size());
        for (std::size_t id : ids) out.push_back(p21::ref(id));
        return p21::list(out);
    }

    Value guid(const std::string& key) { return p21::string(p21::globalId(key)); }

    std::size_t point(const Vec3& p) {
        return w_.add("IfcCartesianPoint", {p21::list({p21::real(p[0]), p21::real(p[1]), p21::real(p[2])})});
    }
    std::size_t point2(const std::array<double, 2>& p) {
        return w_.add("IfcCartesianPoint", {p21::list({p21::real(p[0]), p21::real(p[1])})});
    }
    // Directions are shared by value: most placements look along the same few axes.
    std::size_t direction(const Vec3& d) {
        const Value text = p21::list({p21::real(d[0]), p21::real(d[1]), p21::real(d[2])});
        auto [it, added] = directions_.try_emplace(text, 0);
        if (added) it->second = w_.add("IfcDirection", {text});
        return it->second;
    }
    std::size_t axes(const Vec3& location, std::optional<Vec3> axis, std::optional<Vec3> refDirection) {
        const std::size_t at = point(location);
        const Value z = axis ? p21::ref(direction(*axis)) : p21::kUnset;
        const Value x = refDirection ? p21::ref(direction(*refDirection)) : p21::kUnset;
        return w_.add("IfcAxis2Placement3D", {p21::ref(at), z, x});
    }

    void relation(const char* type, const std::string& key, std::size_t relating,
                  const std::vector<std::size_t>& related) {
        w_.add(type, {guid(key), p21::kUnset, p21::kUnset, p21::kUnset, p21::ref(relating), refs(related)});
    }
    // A relation whose related objects come first (IfcRelDefinesByType).
    void relation(const char* type, const std::string& key, const std::vector<std::size_t>& related,
                  std::size_t relating) {
        w_.add(type, {guid(key), p21::kUnset, p21::kUnset, p21::kUnset, refs(related), p21::ref(relating)});
    }

    std::size_t propertySet(const std::string& key, const char* name, const std::vector<Value>& properties) {
        return w_.add("IfcPropertySet",
                      {guid(key), p21::kUnset, p21::string(name), p21::kUnset, p21::list(properties)});
    }
    // `object` takes the set's properties; one relation per set names every object that does.
    void defineByProperties(const std::string& key, std::size_t object, std::size_t set) {
        auto [it, added] = propertyRelations_.try_emplace(key);
        it->second.set = set;
        it->second.objects.push_back(object);
    }
    Value single(const std::string& name, const Value& value) {
        return p21::ref(w_.add("IfcPropertySingleValue", {p21::string(name), p21::kUnset, value, p21::kUnset}));
    }
    Value enumerated(const char* name, const char* value, const char* enumeration,
                     const std::vector<const char*>& values) {
        auto [it, added] = enumerations_.try_emplace(enumeration, 0);
        if (added) {
            std::vector<Value> labels;
            for (const char* v : values) labels.push_back(label(v));
            it->second = w_.add("IfcPropertyEnumeration", {p21::string(enumeration), p21::list(labels), p21::kUnset});
        }
        return p21::ref(w_.add("IfcPropertyEnumeratedValue",
                               {p21::string(name), p21::kUnset, p21::list({label(value)}), p21::ref(it->second)}));
    }

    // One surface style per colour, shared by every item drawn in it.
    std::size_t style(const Quantity_ColorRGBA& colour) {
        Standard_Real r, g, b;
        colour.GetRGB().Values(r, g, b, Quantity_TOC_sRGB);
        const double transparency = 1.0 - colour.Alpha();
        const std::string key = p21::real(r) + p21::real(g) + p21::real(b) + p21::real(transparency);
        auto [it, added] = styles_.try_emplace(key, 0);
        if (added) {
            const std::size_t rgb = w_.add("IfcColourRgb", {p21::kUnset, p21::real(r), p21::real(g), p21::real(b)});
            const std::size_t shading = w_.add("IfcSurfaceStyleShading", {p21::ref(rgb), p21::real(transparency)});
            it->second =
                w_.add("IfcSurfaceStyle", {p21::kUnset, p21::enumeration("BOTH"), p21::list({p21::ref(shading)})});
        }
        return it->second;
    }

    // --- body items

    std::size_t faceSet(const TopoDS_Shape& shape) {
        const TriangleMesh mesh = triangleMesh(shape);
        if (mesh.triangles.empty()) return 0;
        std::vector<Value> coordinates;
        coordinates.reserve(mesh.points.size());
        for (const auto& p : mesh.points)
            coordinates.push_back(
                p21::list({p21::realRounded(p[0], kMeshDecimals), p21::realRounded(p[1], kMeshDecimals),
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

    Value placement2d(const std::array<double, 2>& centre) {
        if (centre[0] != 0 || centre[1] != 0)
            return p21::ref(w_.add("IfcAxis2Placement2D", {p21::ref(point2(centre)), p21::kUnset}));
        if (!origin2d_) origin2d_ = w_.add("IfcAxis2Placement2D", {p21::ref(point2({0, 0})), p21::kUnset});
        return p21::ref(origin2d_);
    }

    // An indexed poly curve: a segment of two indices a line, of three an arc.
    std::size_t polyCurve(const std::string& listType, const std::vector<Value>& points,
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

    std::size_t profile(const ifc::Profile& profile) {
        switch (profile.kind) {
        case ifc::Profile::Kind::Circle:
            return w_.add("IfcCircleProfileDef", {p21::enumeration("AREA"), p21::kUnset, placement2d(profile.centre),
                                                  p21::real(profile.radius)});
        case ifc::Profile::Kind::Rectangle:
            return w_.add("IfcRectangleProfileDef", {p21::enumeration("AREA"), p21::kUnset, placement2d(profile.centre),
                                                     p21::real(profile.xDim), p21::real(profile.yDim)});
        case ifc::Profile::Kind::Loop:
            break;
        }
        std::vector<Value> points;
        for (const auto& p : profile.points) points.push_back(p21::list({p21::real(p[0]), p21::real(p[1])}));
        const std::size_t curve = polyCurve("IfcCartesianPointList2D", points, profile.segments);
        return w_.add("IfcArbitraryClosedProfileDef", {p21::enumeration("AREA"), p21::kUnset, p21::ref(curve)});
    }

    std::size_t frame(const ifc::Frame& f) { return axes(fromVec(f.origin), fromVec(f.z), fromVec(f.x)); }

    std::size_t exactItem(const ifc::ExactSolid& solid) {
        switch (solid.kind) {
        case ifc::ExactSolid::Kind::Extrusion:
            return w_.add("IfcExtrudedAreaSolid",
                          {p21::ref(profile(solid.profile)), p21::ref(frame(solid.position)),
                           p21::ref(direction(fromVec(solid.direction))), p21::real(solid.depth)});
        case ifc::ExactSolid::Kind::Revolution: {
            if (!xAxis_) xAxis_ = w_.add("IfcAxis1Placement", {p21::ref(origin_), p21::ref(direction({1, 0, 0}))});
            return w_.add("IfcRevolvedAreaSolid", {p21::ref(profile(solid.profile)), p21::ref(frame(solid.position)),
                                                   p21::ref(xAxis_), p21::real(solid.angle)});
        }
        case ifc::ExactSolid::Kind::SweptDisk: {
            std::vector<Value> points;
            for (const auto& p : solid.directrix.points)
                points.push_back(p21::list({p21::real(p.X()), p21::real(p.Y()), p21::real(p.Z())}));
            const std::size_t curve = polyCurve("IfcCartesianPointList3D", points, solid.directrix.segments);
            return w_.add("IfcSweptDiskSolid",
                          {p21::ref(curve), p21::real(solid.radius), p21::kUnset, p21::kUnset, p21::kUnset});
        }
        }
        return 0;
    }

    // The exact form of an output's shape, when it has one that encloses what was built.
    static std::optional<ifc::ExactSolid> exactForm(const ExportedOutput& output, std::size_t i) {
        const TopoDS_Shape& shape = output.shapes[i];
        std::optional<ifc::ExactSolid> solid;
        if (output.kind == refhost::OutputKind::Solid)
            solid = ifc::exactSolidOf(output.creation);
        else if (output.kind == refhost::OutputKind::Nozzle || output.kind == refhost::OutputKind::Occurrence)
            solid = ifc::exactSolidOfShape(shape); // port discs, the operator's stem and handwheel
        if (solid && !ifc::sameVolume(*solid, shape)) return std::nullopt;
        return solid;
    }

    // The items of an aspect's outputs, each named and coloured, grouped by the representation they need.
    ItemGroups bodyItems(const ExportedAspect& aspect) {
        ItemGroups groups;
        for (const auto& output : aspect.outputs)
            for (std::size_t i = 0; i < output.shapes.size(); ++i) {
                if (output.shapes[i].IsNull()) continue;
                std::vector<Value>* group = &groups.tessellated;
                std::size_t item = 0;
                if (options_.geometry == IfcGeometry::Exact)
                    if (const auto solid = exactForm(output, i)) {
                        item = exactItem(*solid);
                        group = solid->kind == ifc::ExactSolid::Kind::SweptDisk ? &groups.advanced : &groups.swept;
                    }
                if (!item) item = faceSet(output.shapes[i]);
                if (!item) continue;
                const std::string name = output.kind == refhost::OutputKind::Occurrence
                                             ? output.name + "/" + output.shapeNames[i]
                                             : output.name;
                w_.add("IfcStyledItem",
                       {p21::ref(item), p21::list({p21::ref(style(colourOf(output.kind, aspect.name)))}),
                        p21::string(name)});
                group->push_back(p21::ref(item));
            }
        return groups;
    }

    // The type's maps of the items: one per kind of representation.
    std::vector<std::size_t> representationMaps(const ItemGroups& groups) {
        std::vector<std::size_t> maps;
        const std::pair<const char*, const std::vector<Value>*> kinds[] = {{"SweptSolid", &groups.swept},
                                                                           {"AdvancedSweptSolid", &groups.advanced},
                                                                           {"Tessellation", &groups.tessellated}};
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
    Value mappedShape(const std::vector<std::size_t>& maps) {
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

    static const ExportedAspect* aspectOf(const ExportedPart& part, const char* name) {
        for (const auto& aspect : part.aspects)
            if (aspect.name == name) return &aspect;
        return nullptr;
    }

    static std::vector<const ExportedOutput*> nozzles(const ExportedPart& part) {
        std::vector<const ExportedOutput*> found;
        if (const ExportedAspect* physical = aspectOf(part, kPhysical))
            for (const auto& output : physical->outputs)
                if (output.kind == refhost::OutputKind::Nozzle) found.push_back(&output);
        return found;
    }

    // The configuration of the ports: by their number, and for two whether the flow runs straight through.
    static const char* valvePattern(const ExportedPart& part) {
        if (jacketed(part.extras.value("partDataBasis", 0))) return "OTHER";
        const auto built = nozzles(part);
        switch (part.ports.size()) {
        case 1:
            return "SINGLEPORT";
        case 2:
            if (built.size() != 2) return "NOTKNOWN";
            return dot(unit(vec3(built[0]->creation, "direction")), unit(vec3(built[1]->creation, "direction"))) <
                           -1 + 1e-9
                       ? "STRAIGHT_2_PORT"
                       : "ANGLED_2_PORT";
        case 3:
            return "STRAIGHT_3_PORT";
        case 4:
            return "CROSSOVER_4_PORT";
        default:
            return part.ports.empty() ? "NOTKNOWN" : "OTHER";
        }
    }

    // The part's types, written the first time a placement or the library asks for them.
    PartType& typeOf(std::size_t index) {
        PartType& type = types_[index];
        if (type.written) return type;
        type.written = true;
        const ExportedPart& part = parts_[index];
        int repeat = 0;
        for (std::size_t i = 0; i < index; ++i) repeat += parts_[i].name == part.name;
        type.key = part.name + (repeat ? "#" + std::to_string(repeat) : std::string());
        const std::string description = part.extras.value("description", std::string());

        std::vector<Value> common{enumerated("ValvePattern", valvePattern(part), "PEnum_ValvePattern",
                                             {"SINGLEPORT", "ANGLED_2_PORT", "STRAIGHT_2_PORT", "STRAIGHT_3_PORT",
                                              "CROSSOVER_4_PORT", "OTHER", "NOTKNOWN", "UNSET"})};
        const refhost::PortSpec* inlet = portSpec(part, 1);
        if (!inlet && !part.ports.empty()) inlet = &part.ports.front();
        if (inlet)
            if (auto size = nominalSize(*inlet)) common.push_back(single("Size", positiveLength(*size)));
        std::vector<Value> own{single("PartDataBasis", integerValue(part.extras.value("partDataBasis", 0)))};
        for (const auto& aspect : part.aspects) {
            const bool ok = aspect.extras.value("ok", false);
            const std::string result = ok ? "ok"
                                          : "failed with " + aspect.extras.value("error", std::string("an error")) +
                                                " after " + std::to_string(aspect.outputs.size()) + " output(s)";
            own.push_back(single(aspect.name + "Result", label(result)));
        }
        const std::size_t commonSet = propertySet(type.key + "|Pset_ValveTypeCommon", "Pset_ValveTypeCommon", common);
        const std::size_t ownSet = propertySet(type.key + "|TarnCheckValve_Part", "TarnCheckValve_Part", own);

        const ExportedAspect* physical = aspectOf(part, kPhysical);
        type.bodyMaps = representationMaps(physical ? bodyItems(*physical) : ItemGroups{});
        type.valveType =
            w_.add("IfcValveType", {guid(type.key + "|IfcValveType"), p21::kUnset, p21::string(part.name),
                                    description.empty() ? p21::kUnset : p21::string(description), p21::kUnset,
                                    p21::list({p21::ref(commonSet), p21::ref(ownSet)}), listOrUnset(type.bodyMaps),
                                    p21::kUnset, p21::kUnset, p21::enumeration("CHECK")});
        addPortTemplates(part, type);

        const ExportedAspect* insulation = aspectOf(part, kInsulation);
        const ItemGroups insulationItems = insulation ? bodyItems(*insulation) : ItemGroups{};
        if (!insulationItems.empty()) {
            type.insulationMaps = representationMaps(insulationItems);
            type.coveringType = w_.add("IfcCoveringType", {guid(type.key + "|IfcCoveringType"), p21::kUnset,
                                                           p21::string(part.name + " insulation"), p21::kUnset,
                                                           p21::kUnset, p21::kUnset, listOrUnset(type.insulationMaps),
                                                           p21::kUnset, p21::kUnset, p21::enumeration("INSULATION")});
        }
        return type;
    }

    // The type's ports, placed in its frame, with the property sets its occurrences' ports share.
    void addPortTemplates(const ExportedPart& part, PartType& type) {
        const bool jacket = jacketed(part.extras.value("partDataBasis", 0));
        std::vector<std::size_t> ports;
        for (const ExportedOutput* nozzle : nozzles(part)) {
            const refhost::Creation& data = nozzle->creation;
            PortTemplate port;
            port.index = integer(data, "port");
            port.role = "port:" + std::to_string(type.ports.size() + 1) + ":" + std::to_string(port.index);
            if (jacket && (port.index == 3 || port.index == 4)) port.systemType = "HEATING";
            const Vec3 along = vec3(data, "direction");
            port.axes = axes(vec3(data, "position"), unit(along), squareTo(along));

            const refhost::PortSpec* portData = portSpec(part, port.index);
            const double pipeOD = number(data, "pipeOD");
            const double flangeOD = number(data, "flangeOD");
            const double flangeThickness = number(data, "flangeThickness");
            const double nozzleLength = number(data, "length");
            const auto terminationClass = static_cast<std::int32_t>(integer(data, "terminationClass"));
            const auto [treatment, subType] = connectionType(portData ? portData->endType : terminationClass);
            std::vector<Value> pipe{
                enumerated("ConnectionType", treatment, "PEnum_PipeEndStyleTreatment",
                           {"BRAZED", "COMPRESSION", "FLANGED", "GROOVED", "OUTSIDESLEEVE", "SOLDERED", "SWEDGE",
                            "THREADED", "WELDED", "OTHER", "NOTDEFINED", "NONE", "UNSET"})};
            if (subType) pipe.push_back(single("ConnectionSubType", label(subType)));
            if (portData)
                if (auto size = nominalSize(*portData))
                    pipe.push_back(single("NominalDiameter", positiveLength(*size)));
            if (pipeOD > 0 && std::isfinite(pipeOD)) pipe.push_back(single("OuterDiameter", positiveLength(pipeOD)));
            std::vector<Value> own{single("PortIndex", integerValue(port.index)),
                                   single("TerminationClass", integerValue(terminationClass))};
            if (portData) own.push_back(single("EndType", integerValue(portData->endType)));
            if (flangeOD > 0 && std::isfinite(flangeOD))
                own.push_back(single("FlangeOutsideDiameter", positiveLength(flangeOD)));
            if (flangeThickness > 0 && std::isfinite(flangeThickness))
                own.push_back(single("FlangeThickness", positiveLength(flangeThickness)));
            if (std::isfinite(nozzleLength)) own.push_back(single("NozzleLength", length(nozzleLength)));
            const std::string pipeKey = type.key + "|" + port.role + ":pipe";
            const std::string ownKey = type.key + "|" + port.role + ":own";
            port.propertySets = {{pipeKey, propertySet(pipeKey, "Pset_DistributionPortTypePipe", pipe)},
                                 {ownKey, propertySet(ownKey, "TarnCheckValve_PortData", own)}};

            const std::size_t placement = w_.add("IfcLocalPlacement", {p21::kUnset, p21::ref(port.axes)});
            ports.push_back(addPort(type.key + "|type", port, placement));
            type.ports.push_back(std::move(port));
        }
        if (!ports.empty()) relation("IfcRelNests", type.key + "|type|IfcRelNests", type.valveType, ports);
    }

    std::size_t addPort(const std::string& ownerKey, const PortTemplate& port, std::size_t placement) {
        const std::size_t id = w_.add("IfcDistributionPort",
                                      {guid(ownerKey + "|" + port.role), p21::kUnset,
                                       p21::string("PNoz" + std::to_string(port.index)), p21::kUnset, p21::kUnset,
                                       p21::ref(placement), p21::kUnset, p21::enumeration(flowDirection(port.index)),
                                       p21::enumeration("PIPE"), p21::enumeration(port.systemType)});
        for (const auto& [setKey, set] : port.propertySets) defineByProperties(setKey + ":rel", id, set);
        return id;
    }

    // One valve of part `index`: its placement, the type's shape mapped, its ports and its covering.
    void placeValve(std::size_t index, const std::string& key, const std::string& name, const std::string& description,
                    std::size_t parentPlacement, const Value& where, std::vector<std::size_t>& contained) {
        PartType& type = typeOf(index);
        if (!type.bodyShape) type.bodyShape = mappedShape(type.bodyMaps);
        const std::size_t placement = w_.add("IfcLocalPlacement", {p21::ref(parentPlacement), where});
        const std::size_t valve =
            w_.add("IfcValve", {guid(key + "|IfcValve"), p21::kUnset, p21::string(name),
                                description.empty() ? p21::kUnset : p21::string(description), p21::kUnset,
                                p21::ref(placement), *type.bodyShape, p21::kUnset, p21::enumeration("CHECK")});
        contained.push_back(valve);
        type.valves.push_back(valve);
        std::vector<std::size_t> ports;
        for (const PortTemplate& port : type.ports)
            ports.push_back(
                addPort(key, port, w_.add("IfcLocalPlacement", {p21::ref(placement), p21::ref(port.axes)})));
        if (!ports.empty()) relation("IfcRelNests", key + "|IfcRelNests", valve, ports);
        if (!type.coveringType) return;
        if (!type.insulationShape) type.insulationShape = mappedShape(type.insulationMaps);
        const std::size_t covering =
            w_.add("IfcCovering", {guid(key + "|IfcCovering"), p21::kUnset, p21::string(name + " insulation"),
                                   p21::kUnset, p21::kUnset, p21::ref(placement), *type.insulationShape, p21::kUnset,
                                   p21::enumeration("INSULATION")});
        contained.push_back(covering);
        type.coverings.push_back(covering);
        w_.add("IfcRelCoversBldgElements", {guid(key + "|IfcRelCoversBldgElements"), p21::kUnset, p21::kUnset,
                                            p21::kUnset, p21::ref(valve), p21::list({p21::ref(covering)})});
    }

    struct PropertyRelation {
        std::size_t set = 0;
        std::vector<std::size_t> objects;
    };

    const std::vector<ExportedPart>& parts_;
    IfcOptions options_;
    std::vector<PartType> types_;
    p21::Writer w_;
    std::size_t origin_ = 0, world_ = 0, body_ = 0, project_ = 0, library_ = 0, storey_ = 0;
    std::size_t origin2d_ = 0, xAxis_ = 0, identity_ = 0;
    std::map<std::string, std::size_t> styles_;
    std::map<std::string, std::size_t> enumerations_;
    std::map<std::string, std::size_t> directions_;
    std::map<std::string, PropertyRelation> propertyRelations_;
};

// Runs a writer of the document's IFC text, turning the ways it can fail into ExportError.
template <class Build>
std::string renderGuarded(ExportDocument::Impl& impl, Build&& build) {
    std::string text;
    const refhost::BudgetScope budget(impl.budget());
    try {
        refhost::runGuarded("writing IFC", [&] {
            impl.ensureMeshed();
            text = build();
        });
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    } catch (const std::invalid_argument& error) {
        throw ExportError(error.what());
    } catch (const nlohmann::json::exception& error) {
        throw ExportError(std::string("the port data are not as expected: ") + error.what());
    }
    return text;
}

void writeStaged(const std::string& path, const std::function<std::string(const std::string&)>& render) {
    StagedFile file(path, "IFC");
    std::string text;
    try {
        text = render(std::filesystem::path(path).filename().string());
    } catch (const ExportError& error) {
        file.fail(error.what());
    }
    file.write(text);
    file.commit();
}

} // namespace

std::string ExportDocument::renderIfc(const std::string& fileName, const IfcOptions& options) {
    return renderGuarded(*impl_, [&] { return IfcBuilder(impl_->parts, options).buildProject(fileName); });
}

void ExportDocument::writeIfc(const std::string& path, const IfcOptions& options) {
    writeStaged(path, [&](const std::string& name) { return renderIfc(name, options); });
}

void ExportDocument::writeIfcLibrary(const std::string& path, const IfcOptions& options) {
    writeStaged(path, [&](const std::string& name) {
        return renderGuarded(*impl_, [&] { return IfcBuilder(impl_->parts, options).buildLibrary(name); });
    });
}

void ExportDocument::writeIfcModel(const std::string& path, const std::vector<IfcPlacement>& placements,
                                   const IfcOptions& options) {
    writeStaged(path, [&](const std::string& name) {
        return renderGuarded(*impl_, [&] { return IfcBuilder(impl_->parts, options).buildModel(name, placements); });
    });
}

} // namespace tcv::exports
