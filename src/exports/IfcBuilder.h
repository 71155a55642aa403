// The IFC4 file of an export document, entity by entity: one builder per file, which writes the project
// structure (IfcBuilder.cpp), the parts' bodies as swept solids and face sets (IfcBodies.cpp) and their
// types, ports and placed valves (IfcPorts.cpp) and the insulation's coverings (IfcCoverings.cpp).
// Ifc.cpp describes the whole file and runs the builder.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <Quantity_ColorRGBA.hxx>
#include <TopoDS_Shape.hxx>

#include "DocumentModel.h"
#include "IfcShapes.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/exports/IfcWriter.h"

namespace tcv::exports::ifcfile {

using p21::Value;
using Vec3 = Point3;

inline constexpr const char* kPhysical = contract::aspectName(contract::Aspect::Physical).data();
inline constexpr const char* kInsulation = contract::aspectName(contract::Aspect::Insulation).data();

inline double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

inline Vec3 unit(const Vec3& v) {
    const double length = std::sqrt(dot(v, v));
    if (!(length > 0)) throw std::invalid_argument("a nozzle direction is a zero vector");
    return {v[0] / length, v[1] / length, v[2] / length};
}

inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

inline Vec3 fromVec(const ifc::Vec3& v) { return {v.X(), v.Y(), v.Z()}; }

inline Value label(const std::string& text) { return p21::typed("IFCLABEL", p21::string(text)); }

class IfcBuilder {
public:
    IfcBuilder(const std::vector<ExportedPart>& parts, const IfcOptions& options)
        : parts_(parts), options_(options), types_(parts.size()) {}

    // One storey holding one upright valve per part.
    std::string buildProject(const std::string& fileName);

    // The parts' types declared in a project library, nothing placed.
    std::string buildLibrary(const std::string& fileName);

    // One valve per placement, in the storey it names (the unnamed one where it names none), grouped by system.
    std::string buildModel(const std::string& fileName, const std::vector<IfcPlacement>& placements);

    // A placement's x axis (its run) and z axis in the storey; raises std::invalid_argument for one that
    // names no part of `partCount`, holds a number that is not finite, or whose directions have no length
    // or are parallel.
    static std::pair<Vec3, Vec3> placementAxes(const IfcPlacement& placement, std::size_t partCount);

    // The part's aspect of that name; none where the part has none.
    static const ExportedAspect* aspectOf(const ExportedPart& part, const char* name);

private:
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
        // The occurrences' quantity sets (0: none), made when first placed.
        std::size_t valveQuantities = 0, coveringQuantities = 0;
        bool quantified = false;
        bool written = false;
    };
    struct ItemGroups {
        std::vector<Value> swept, advanced, tessellated;
        bool empty() const { return swept.empty() && advanced.empty() && tessellated.empty(); }
    };

    std::string projectName() const { return parts_.size() == 1 ? parts_.front().name : "TarnCheckValve parts"; }
    std::string keyOfParts() const;

    // Project, units, contexts and (unless a library) site, building and storey; the storey's placement.
    std::size_t header(const std::string& projectKey, const std::string& name, bool isLibrary);

    // Who wrote the file with which application, and when: the IfcOwnerHistory every rooted entity names.
    void ownerHistory();

    // The relations gathered while the parts were placed, then the whole file.
    std::string finish(const std::string& fileName, const std::string& projectKey,
                       const std::vector<std::size_t>& contained);

    static Value listOrUnset(const std::vector<std::size_t>& ids) { return ids.empty() ? p21::kUnset : refs(ids); }

    static Value refs(const std::vector<std::size_t>& ids);

    Value guid(const std::string& key) { return p21::string(p21::globalId(key)); }

    std::size_t point(const Vec3& p);
    std::size_t point2(const std::array<double, 2>& p);
    // Directions are shared by value: most placements look along the same few axes.
    std::size_t direction(const Vec3& d);
    std::size_t axes(const Vec3& location, std::optional<Vec3> axis, std::optional<Vec3> refDirection);

    void relation(const char* type, const std::string& key, std::size_t relating,
                  const std::vector<std::size_t>& related);
    // A relation whose related objects come first (IfcRelDefinesByType).
    void relation(const char* type, const std::string& key, const std::vector<std::size_t>& related,
                  std::size_t relating);

    std::size_t propertySet(const std::string& key, const char* name, const std::vector<Value>& properties);
    // An IfcElementQuantity `name` holding `volume` as its NetVolume; 0 (no set) without a volume. The set
    // is the occurrences' own: its GlobalId is derived in the model's name, as theirs are.
    std::size_t volumeQuantities(const std::string& key, const char* name, std::optional<double> volume);
    // The sum of the volumes of an aspect's solids; none when no solid's volume is known (or it is not
    // positive). Surfaces, nozzles and the operator count nothing.
    static std::optional<double> solidsVolume(const ExportedAspect* aspect);

    // `object` takes the set's properties; one relation per set names every object that does.
    void defineByProperties(const std::string& key, std::size_t object, std::size_t set);
    Value single(const std::string& name, const Value& value);
    // An enumerated property; no value (nullptr) leaves it unset.
    Value enumerated(const char* name, const char* value, const char* enumeration,
                     const std::vector<const char*>& values);

    // One surface style per colour, shared by every item drawn in it.
    std::size_t style(const Quantity_ColorRGBA& colour);

    // --- body items

    std::size_t faceSet(const TopoDS_Shape& shape);

    Value placement2d(const std::array<double, 2>& centre);

    // An indexed poly curve: a segment of two indices a line, of three an arc.
    std::size_t polyCurve(const std::string& listType, const std::vector<Value>& points,
                          const std::vector<std::vector<int>>& segments);
    // The same path as a composite curve: each run of lines one IfcPolyline, each arc an IfcTrimmedCurve of
    // its circle (2D only); a 3D path of lines alone is one IfcPolyline.
    std::size_t compositeCurve(const std::vector<std::array<double, 2>>& points,
                               const std::vector<std::vector<int>>& segments);
    std::size_t polyline3d(const std::vector<ifc::Vec3>& points, const std::vector<std::vector<int>>& segments);

    std::size_t profile(const ifc::Profile& profile);

    std::size_t frame(const ifc::Frame& f) { return axes(fromVec(f.origin), fromVec(f.z), fromVec(f.x)); }

    std::size_t exactItem(const ifc::ExactSolid& solid);

    // The exact form of an output's shape, when it has one that encloses what was built; with composite
    // curves a straight piece of a swept tube is the extrusion of its circle.
    std::optional<ifc::ExactSolid> exactForm(const ExportedOutput& output, std::size_t i) const;

    // The items of an aspect's outputs, each named and coloured, grouped by the representation they need.
    ItemGroups bodyItems(const ExportedAspect& aspect);

    // The covering's items (IfcCoverings.cpp): the insulation's solids less the valve body where the part's
    // cover holds them, else the envelope's, as bodyItems gives them.
    ItemGroups coveringItems(const ExportedPart& part, const ExportedAspect& insulation);
    // The part's IfcCoveringType, when its insulation built anything, saying what its geometry shows.
    void addCoveringType(const ExportedPart& part, PartType& type);
    // The volume of what the covering shows: its cuts', or the insulation's solids' summed as the report does.
    std::optional<double> coveringVolume(const ExportedPart& part) const;
    // The part's cover where the options ask for cuts; none where they ask for envelopes.
    const InsulationCover* coverOf(const ExportedPart& part) const;

    // The type's maps of the items: one per kind of representation.
    std::vector<std::size_t> representationMaps(const ItemGroups& groups);

    // The shape the type's occurrences show its maps by: one 'Body' of mapped items, shared by all of them
    // (the mapped items place nothing; each occurrence's own placement does).
    Value mappedShape(const std::vector<std::size_t>& maps);

    static std::vector<const ExportedOutput*> nozzles(const ExportedPart& part);

    // The configuration of the ports: by their number, and for two whether the flow runs straight through.
    static const char* valvePattern(const ExportedPart& part);

    // The part's types, written the first time a placement or the library asks for them.
    PartType& typeOf(std::size_t index);

    // The type's ports, placed in its frame, with the property sets its occurrences' ports share.
    void addPortTemplates(const ExportedPart& part, PartType& type);

    std::size_t addPort(const std::string& ownerKey, const PortTemplate& port, std::size_t placement);

    // One valve of part `index`: its placement, the type's shape mapped, its ports and its covering.
    // A placed valve's instance id is its and its covering's Tag; a part's own file leaves the Tag unset.
    void placeValve(std::size_t index, const std::string& key, const std::string& name, const std::string& tag,
                    const std::string& description, std::size_t parentPlacement, const Value& where,
                    std::vector<std::size_t>& contained);

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
    // A model's storeys named by its placements (lowest first), and whether it has the unnamed one.
    struct Storey {
        std::string name;
        double elevation = 0;
        std::size_t id = 0, placement = 0;
        std::vector<std::size_t> contained{};
    };
    std::vector<Storey> namedStoreys_;
    bool defaultStorey_ = true;
    std::size_t building_ = 0;
    // A name within a key, its length first, so that no two names run together into another's.
    static std::string keyed(const std::string& name) { return std::to_string(name.size()) + ":" + name; }
    // Prefixed to the keys of what a model's file holds of its own (project, valves, ports, coverings,
    // relations), not to the types', which stay the same in every file.
    std::string scope_;
    // Every rooted entity's IfcOwnerHistory, and the moment the file is stamped with (seconds since 1970).
    Value owner_ = p21::kUnset;
    std::int64_t moment_ = 0;
};

} // namespace tcv::exports::ifcfile
