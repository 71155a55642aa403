// IFC4 from the export document. The structure, in one place:
//
//   IfcProject (units: metre, radian, square and cubic metre; one 3D 'Model' context with a 'Body' subcontext)
//     └ IfcRelAggregates → IfcSite → IfcRelAggregates → IfcBuilding
//         └ IfcRelContainedInSpatialStructure: per part one IfcValve (and its IfcCovering)
//   IfcValveType (CHECK, Pset_ValveTypeCommon) ─ IfcRelDefinesByType → IfcValve (Name, Description of the part)
//   IfcValve: placed upright (the valve's y axis, towards its operator, is the building's Z); its 'Body'
//     representation holds one IfcTriangulatedFaceSet per drawn output of the Physical aspect, nozzle
//     graphics and the operator's stem and handwheel included, each named and coloured by an IfcStyledItem
//   IfcRelNests: the valve → one IfcDistributionPort per nozzle, in nozzle order, placed relative to the
//     valve at the nozzle's connection point with its Z axis along the nozzle's direction;
//     Pset_DistributionPortTypePipe and TarnCheckValve_PortData (flange data) on each
//   IfcCovering (INSULATION) ─ IfcRelCoversBldgElements → the valve; one face set per Insulation output
//
// The triangles are those of the GLB. GlobalIds are derived from the part's name and the role of the
// entity, so exporting the same part again gives the same file.
#include <array>
#include <cmath>
#include <filesystem>
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
#include "export/IfcWriter.h"
#include "export/StagedFile.h"
#include "kernel/KernelGuard.h"

namespace tcv::exports {

namespace {

using p21::Value;
using Vec3 = std::array<double, 3>;

constexpr const char* kPhysical = "Physical";
constexpr const char* kInsulation = "Insulation";
constexpr std::int32_t kFlanged = 5;
constexpr std::int32_t kPlainEnd = 10;
constexpr std::int32_t kFemale = 15;
constexpr std::int32_t kMechanical = 20;

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

// A port value of the extras; NaN for a value that is not a number (JSON has no NaN, the extras say null).
double number(const Json& data, const char* key) {
    const auto found = data.find(key);
    return found != data.end() && found->is_number() ? found->get<double>() : std::nan("");
}

std::int64_t integer(const Json& data, const char* key) {
    const auto found = data.find(key);
    return found != data.end() && found->is_number_integer() ? found->get<std::int64_t>() : 0;
}

Vec3 vec3(const Json& value) {
    if (!value.is_array() || value.size() != 3) throw std::invalid_argument("a nozzle lacks its position or direction");
    return {value[0].get<double>(), value[1].get<double>(), value[2].get<double>()};
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

std::optional<double> nominalSizeAsLength(const refhost::PortSpec& port) {
    double metres = 0;
    if (port.npdUnit == "in")
        metres = port.npd * 0.0254;
    else if (port.npdUnit == "mm")
        metres = port.npd * 0.001;
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

class IfcBuilder {
public:
    explicit IfcBuilder(const std::vector<ExportedPart>& parts) : parts_(parts) {}

    std::string build(const std::string& fileName) {
        std::string projectKey = "project";
        for (const auto& part : parts_) projectKey += "|" + part.name;
        const std::string projectName = parts_.size() == 1 ? parts_.front().name : "TarnCheckValve parts";

        const std::size_t origin = point({0, 0, 0});
        const std::size_t world = w_.add("IfcAxis2Placement3D", {p21::ref(origin), p21::kUnset, p21::kUnset});
        const std::size_t model =
            w_.add("IfcGeometricRepresentationContext",
                   {p21::kUnset, p21::string("Model"), p21::integer(3), p21::real(1e-6), p21::ref(world), p21::kUnset});
        body_ = w_.add("IfcGeometricRepresentationSubContext",
                       {p21::string("Body"), p21::string("Model"), p21::kDerived, p21::kDerived, p21::kDerived,
                        p21::kDerived, p21::ref(model), p21::kUnset, p21::enumeration("MODEL_VIEW"), p21::kUnset});
        auto siUnit = [&](const char* type, const char* name) {
            return p21::ref(
                w_.add("IfcSIUnit", {p21::kDerived, p21::enumeration(type), p21::kUnset, p21::enumeration(name)}));
        };
        const std::size_t units =
            w_.add("IfcUnitAssignment",
                   {p21::list({siUnit("LENGTHUNIT", "METRE"), siUnit("PLANEANGLEUNIT", "RADIAN"),
                               siUnit("AREAUNIT", "SQUARE_METRE"), siUnit("VOLUMEUNIT", "CUBIC_METRE")})});
        const std::size_t project =
            w_.add("IfcProject", {guid(projectKey), p21::kUnset, p21::string(projectName), p21::kUnset, p21::kUnset,
                                  p21::kUnset, p21::kUnset, p21::list({p21::ref(model)}), p21::ref(units)});

        const std::size_t sitePlacement = w_.add("IfcLocalPlacement", {p21::kUnset, p21::ref(world)});
        const std::size_t site =
            w_.add("IfcSite", {guid(projectKey + "|site"), p21::kUnset, p21::string("Site"), p21::kUnset, p21::kUnset,
                               p21::ref(sitePlacement), p21::kUnset, p21::kUnset, p21::enumeration("ELEMENT"),
                               p21::kUnset, p21::kUnset, p21::kUnset, p21::kUnset, p21::kUnset});
        const std::size_t buildingPlacement =
            w_.add("IfcLocalPlacement", {p21::ref(sitePlacement), p21::ref(axes({0, 0, 0}, {}, {}))});
        const std::size_t building =
            w_.add("IfcBuilding", {guid(projectKey + "|building"), p21::kUnset, p21::string("Building"), p21::kUnset,
                                   p21::kUnset, p21::ref(buildingPlacement), p21::kUnset, p21::kUnset,
                                   p21::enumeration("ELEMENT"), p21::kUnset, p21::kUnset, p21::kUnset});
        relation("IfcRelAggregates", projectKey + "|project-site", project, {site});
        relation("IfcRelAggregates", projectKey + "|site-building", site, {building});

        std::vector<std::size_t> contained;
        std::map<std::string, int> seen;
        for (const auto& part : parts_) {
            const int repeat = seen[part.name]++;
            key_ = part.name + (repeat ? "#" + std::to_string(repeat) : std::string());
            addPart(part, buildingPlacement, contained);
        }
        std::vector<Value> elements;
        for (std::size_t id : contained) elements.push_back(p21::ref(id));
        w_.add("IfcRelContainedInSpatialStructure", {guid(projectKey + "|contained"), p21::kUnset, p21::kUnset,
                                                     p21::kUnset, p21::list(elements), p21::ref(building)});
        return w_.file(fileName, "IFC4", "TarnCheckValve checkvalve");
    }

private:
    Value guid(const std::string& key) { return p21::string(p21::globalId(key)); }
    Value partGuid(const std::string& role) { return guid(key_ + "|" + role); }

    std::size_t point(const Vec3& p) {
        return w_.add("IfcCartesianPoint", {p21::list({p21::real(p[0]), p21::real(p[1]), p21::real(p[2])})});
    }
    std::size_t direction(const Vec3& d) {
        return w_.add("IfcDirection", {p21::list({p21::real(d[0]), p21::real(d[1]), p21::real(d[2])})});
    }
    std::size_t axes(const Vec3& location, std::optional<Vec3> axis, std::optional<Vec3> refDirection) {
        const std::size_t at = point(location);
        const Value z = axis ? p21::ref(direction(*axis)) : p21::kUnset;
        const Value x = refDirection ? p21::ref(direction(*refDirection)) : p21::kUnset;
        return w_.add("IfcAxis2Placement3D", {p21::ref(at), z, x});
    }

    void relation(const char* type, const std::string& key, std::size_t relating,
                  const std::vector<std::size_t>& related) {
        std::vector<Value> refs;
        for (std::size_t id : related) refs.push_back(p21::ref(id));
        w_.add(type, {guid(key), p21::kUnset, p21::kUnset, p21::kUnset, p21::ref(relating), p21::list(refs)});
    }

    std::size_t propertySet(const std::string& role, const char* name, const std::vector<Value>& properties) {
        return w_.add("IfcPropertySet",
                      {partGuid(role), p21::kUnset, p21::string(name), p21::kUnset, p21::list(properties)});
    }
    void defineByProperties(const std::string& role, std::size_t object, std::size_t set) {
        w_.add("IfcRelDefinesByProperties",
               {partGuid(role), p21::kUnset, p21::kUnset, p21::kUnset, p21::list({p21::ref(object)}), p21::ref(set)});
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

    // The face sets of an aspect's outputs, each named and coloured; outputs without triangles add none.
    std::vector<Value> bodyItems(const ExportedAspect& aspect) {
        std::vector<Value> items;
        for (const auto& output : aspect.outputs)
            for (std::size_t i = 0; i < output.shapes.size(); ++i) {
                const TriangleMesh mesh = triangleMesh(output.shapes[i]);
                if (mesh.triangles.empty()) continue;
                std::vector<Value> coordinates;
                coordinates.reserve(mesh.points.size());
                for (const auto& p : mesh.points)
                    coordinates.push_back(p21::list({p21::real(p[0]), p21::real(p[1]), p21::real(p[2])}));
                std::vector<Value> triangles;
                triangles.reserve(mesh.triangles.size());
                for (const auto& t : mesh.triangles)
                    triangles.push_back(p21::list({p21::integer(static_cast<long long>(t[0])),
                                                   p21::integer(static_cast<long long>(t[1])),
                                                   p21::integer(static_cast<long long>(t[2]))}));
                const std::size_t points = w_.add("IfcCartesianPointList3D", {p21::list(coordinates)});
                const std::size_t faceSet =
                    w_.add("IfcTriangulatedFaceSet", {p21::ref(points), p21::kUnset, p21::boolean(mesh.closed),
                                                      p21::list(triangles), p21::kUnset});
                const std::string name = output.kind == refhost::OutputKind::Occurrence
                                             ? output.name + "/" + output.shapeNames[i]
                                             : output.name;
                w_.add("IfcStyledItem",
                       {p21::ref(faceSet), p21::list({p21::ref(style(colourOf(output.kind, aspect.name)))}),
                        p21::string(name)});
                items.push_back(p21::ref(faceSet));
            }
        return items;
    }

    Value bodyShape(const std::vector<Value>& items) {
        if (items.empty()) return p21::kUnset;
        const std::size_t representation =
            w_.add("IfcShapeRepresentation",
                   {p21::ref(body_), p21::string("Body"), p21::string("Tessellation"), p21::list(items)});
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
        const auto built = nozzles(part);
        switch (part.ports.size()) {
        case 1:
            return "SINGLEPORT";
        case 2:
            if (built.size() != 2) return "NOTKNOWN";
            return dot(unit(vec3(built[0]->extras["direction"])), unit(vec3(built[1]->extras["direction"]))) < -1 + 1e-9
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

    void addPart(const ExportedPart& part, std::size_t buildingPlacement, std::vector<std::size_t>& contained) {
        const std::string description = part.extras.value("description", std::string());

        // The type with its common properties.
        std::vector<Value> typeProperties{
            enumerated("ValvePattern", valvePattern(part), "PEnum_ValvePattern",
                       {"SINGLEPORT", "ANGLED_2_PORT", "STRAIGHT_2_PORT", "STRAIGHT_3_PORT", "CROSSOVER_4_PORT",
                        "OTHER", "NOTKNOWN", "UNSET"})};
        const refhost::PortSpec* inlet = portSpec(part, 1);
        if (!inlet && !part.ports.empty()) inlet = &part.ports.front();
        if (inlet)
            if (auto size = nominalSizeAsLength(*inlet))
                typeProperties.push_back(single("Size", positiveLength(*size)));
        const std::size_t common = propertySet("Pset_ValveTypeCommon", "Pset_ValveTypeCommon", typeProperties);
        const std::size_t type =
            w_.add("IfcValveType",
                   {partGuid("IfcValveType"), p21::kUnset, p21::string(part.name), p21::kUnset, p21::kUnset,
                    p21::list({p21::ref(common)}), p21::kUnset, p21::kUnset, p21::kUnset, p21::enumeration("CHECK")});

        // The valve, upright: its x stays the building's X, its y (up in the valve) becomes Z.
        const std::size_t valvePlacement =
            w_.add("IfcLocalPlacement",
                   {p21::ref(buildingPlacement), p21::ref(axes({0, 0, 0}, Vec3{0, -1, 0}, Vec3{1, 0, 0}))});
        std::vector<Value> physicalItems;
        if (const ExportedAspect* physical = aspectOf(part, kPhysical)) physicalItems = bodyItems(*physical);
        const std::size_t valve = w_.add("IfcValve", {partGuid("IfcValve"), p21::kUnset, p21::string(part.name),
                                                      description.empty() ? p21::kUnset : p21::string(description),
                                                      p21::kUnset, p21::ref(valvePlacement), bodyShape(physicalItems),
                                                      p21::kUnset, p21::enumeration("CHECK")});
        contained.push_back(valve);
        w_.add("IfcRelDefinesByType", {partGuid("IfcRelDefinesByType"), p21::kUnset, p21::kUnset, p21::kUnset,
                                       p21::list({p21::ref(valve)}), p21::ref(type)});

        std::vector<Value> partProperties{single("PartDataBasis", integerValue(part.extras.value("partDataBasis", 0)))};
        for (const auto& aspect : part.aspects) {
            const bool ok = aspect.extras.value("ok", false);
            const std::string result = ok ? "ok"
                                          : "failed with " + aspect.extras.value("error", std::string("an error")) +
                                                " after " + std::to_string(aspect.outputs.size()) + " output(s)";
            partProperties.push_back(single(aspect.name + "Result", label(result)));
        }
        defineByProperties("TarnCheckValve_Part:rel", valve,
                           propertySet("TarnCheckValve_Part", "TarnCheckValve_Part", partProperties));

        addPorts(part, valve, valvePlacement);

        // The insulation, when any of it was built.
        const ExportedAspect* insulation = aspectOf(part, kInsulation);
        const std::vector<Value> insulationItems = insulation ? bodyItems(*insulation) : std::vector<Value>{};
        if (insulationItems.empty()) return;
        const std::size_t coveringPlacement =
            w_.add("IfcLocalPlacement", {p21::ref(valvePlacement), p21::ref(axes({0, 0, 0}, {}, {}))});
        const std::size_t covering =
            w_.add("IfcCovering", {partGuid("IfcCovering"), p21::kUnset, p21::string(part.name + " insulation"),
                                   p21::kUnset, p21::kUnset, p21::ref(coveringPlacement), bodyShape(insulationItems),
                                   p21::kUnset, p21::enumeration("INSULATION")});
        contained.push_back(covering);
        w_.add("IfcRelCoversBldgElements", {partGuid("IfcRelCoversBldgElements"), p21::kUnset, p21::kUnset, p21::kUnset,
                                            p21::ref(valve), p21::list({p21::ref(covering)})});
    }

    void addPorts(const ExportedPart& part, std::size_t valve, std::size_t valvePlacement) {
        std::vector<std::size_t> ports;
        for (const ExportedOutput* nozzle : nozzles(part)) {
            const Json& data = nozzle->extras;
            const std::int64_t index = integer(data, "port");
            const std::string role = "port:" + std::to_string(ports.size() + 1) + ":" + std::to_string(index);
            const Vec3 direction = vec3(data["direction"]);
            const std::size_t placement =
                w_.add("IfcLocalPlacement", {p21::ref(valvePlacement),
                                             p21::ref(axes(vec3(data["position"]), direction, squareTo(direction)))});
            const std::size_t port = w_.add(
                "IfcDistributionPort", {partGuid(role), p21::kUnset, p21::string("PNoz" + std::to_string(index)),
                                        p21::kUnset, p21::kUnset, p21::ref(placement), p21::kUnset,
                                        p21::enumeration(flowDirection(index)), p21::enumeration("PIPE"), p21::kUnset});
            ports.push_back(port);

            const refhost::PortSpec* portData = portSpec(part, index);
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
                if (auto size = nominalSizeAsLength(*portData))
                    pipe.push_back(single("NominalDiameter", positiveLength(*size)));
            if (pipeOD > 0 && std::isfinite(pipeOD)) pipe.push_back(single("OuterDiameter", positiveLength(pipeOD)));
            defineByProperties(role + ":pipe:rel", port,
                               propertySet(role + ":pipe", "Pset_DistributionPortTypePipe", pipe));

            std::vector<Value> own{single("PortIndex", integerValue(index)),
                                   single("TerminationClass", integerValue(terminationClass))};
            if (portData) own.push_back(single("EndType", integerValue(portData->endType)));
            if (flangeOD > 0 && std::isfinite(flangeOD))
                own.push_back(single("FlangeOutsideDiameter", positiveLength(flangeOD)));
            if (flangeThickness > 0 && std::isfinite(flangeThickness))
                own.push_back(single("FlangeThickness", positiveLength(flangeThickness)));
            if (std::isfinite(nozzleLength)) own.push_back(single("NozzleLength", length(nozzleLength)));
            defineByProperties(role + ":own:rel", port, propertySet(role + ":own", "TarnCheckValve_PortData", own));
        }
        if (ports.empty()) return;
        relation("IfcRelNests", key_ + "|IfcRelNests", valve, ports);
    }

    const std::vector<ExportedPart>& parts_;
    p21::Writer w_;
    std::size_t body_ = 0;
    std::string key_;
    std::map<std::string, std::size_t> styles_;
    std::map<std::string, std::size_t> enumerations_;
};

} // namespace

std::string ExportDocument::renderIfc(const std::string& fileName) {
    std::string text;
    const refhost::BudgetScope budget(impl_->budget());
    try {
        refhost::runGuarded("writing IFC", [&] {
            impl_->ensureMeshed();
            text = IfcBuilder(impl_->parts).build(fileName);
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

void ExportDocument::writeIfc(const std::string& path) {
    StagedFile file(path, "IFC");
    std::string text;
    try {
        text = renderIfc(std::filesystem::path(path).filename().string());
    } catch (const ExportError& error) {
        file.fail(error.what());
    }
    file.write(text);
    file.commit();
}

} // namespace tcv::exports
