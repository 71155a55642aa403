// The IFC file's project structure (project, units, contexts, site, building, storey), the valves placed
// in it, and the entities every part shares: points, directions, placements, relations, property sets.
#include <algorithm>
#include <cmath>

#include "IfcBuilder.h"
#include "tarncheckvalve/host/Version.h"
#include "tarncheckvalve/kernel/Measure.h"

namespace tcv::exports::ifcfile {

// One storey holding one upright valve per part.
std::string IfcBuilder::buildProject(const std::string& fileName) {
    const std::string projectKey = keyOfParts();
    const std::size_t storeyPlacement = header(projectKey, projectName(), false);
    std::vector<std::size_t> contained;
    const Value upright = p21::ref(axes({0, 0, 0}, Vec3{0, -1, 0}, Vec3{1, 0, 0}));
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        const ExportedPart& part = parts_[i];
        placeValve(i, typeOf(i).key, part.name, std::string(), part.description, storeyPlacement, upright, contained);
    }
    return finish(fileName, projectKey, contained);
}

// The parts' types declared in a project library, nothing placed.
std::string IfcBuilder::buildLibrary(const std::string& fileName) {
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

// One valve per placement, in the storey it names (the unnamed one where it names none), grouped by system.
std::string IfcBuilder::buildModel(const std::string& fileName, const std::vector<IfcPlacement>& placements) {
    // A named model derives its own GlobalIds in its name; its length first, so that no name and instance
    // id run together into another's.
    if (!options_.project.empty())
        scope_ = "model:" + std::to_string(options_.project.size()) + ":" + options_.project + "|";
    const std::string projectKey = scope_.empty() ? keyOfParts() + "|model" : scope_ + "project";
    // The storeys the placements name, each at the lowest z of its valves, lowest first.
    std::map<std::string, double> elevations;
    defaultStorey_ = placements.empty();
    for (const auto& placement : placements) {
        if (placement.storey.empty()) {
            defaultStorey_ = true;
            continue;
        }
        auto [it, added] = elevations.try_emplace(placement.storey, placement.position[2]);
        it->second = std::min(it->second, placement.position[2]);
    }
    for (const auto& [name, elevation] : elevations) namedStoreys_.push_back({name, elevation});
    std::stable_sort(namedStoreys_.begin(), namedStoreys_.end(),
                     [](const Storey& a, const Storey& b) { return a.elevation < b.elevation; });
    std::map<std::string, std::size_t> storeyOf;
    for (std::size_t i = 0; i < namedStoreys_.size(); ++i) storeyOf[namedStoreys_[i].name] = i;
    const std::size_t storeyPlacement =
        header(projectKey, options_.project.empty() ? "TarnCheckValve model" : options_.project, false);
    std::vector<std::size_t> contained;
    std::map<std::string, std::vector<std::size_t>> systems;
    for (const auto& placement : placements) {
        const auto [x, z] = placementAxes(placement, parts_.size());
        Storey* storey = placement.storey.empty() ? nullptr : &namedStoreys_[storeyOf.at(placement.storey)];
        Vec3 at = placement.position;
        if (storey) at[2] -= storey->elevation; // placed in its storey, which stands at its elevation
        const Value where = p21::ref(axes(at, z, x));
        std::vector<std::size_t>& into = storey ? storey->contained : contained;
        // No description: the type names the part, and thousands of valves would repeat it.
        placeValve(placement.part, scope_ + "instance|" + placement.instance, placement.instance, placement.instance,
                   std::string(), storey ? storey->placement : storeyPlacement, where, into);
        if (!placement.system.empty()) systems[placement.system].push_back(types_[placement.part].valves.back());
    }
    for (const auto& [name, valves] : systems) {
        const std::string key = projectKey + "|system|" + keyed(name);
        const std::size_t system =
            w_.add("IfcDistributionSystem", {guid(key), owner_, p21::string(name), p21::kUnset, p21::kUnset,
                                             p21::kUnset, p21::enumeration("NOTDEFINED")});
        w_.add("IfcRelAssignsToGroup",
               {guid(key + "|assigns"), owner_, p21::kUnset, p21::kUnset, refs(valves), p21::kUnset, p21::ref(system)});
        w_.add("IfcRelServicesBuildings", {guid(key + "|services"), owner_, p21::kUnset, p21::kUnset, p21::ref(system),
                                           p21::list({p21::ref(building_)})});
    }
    for (const Storey& storey : namedStoreys_)
        if (!storey.contained.empty())
            w_.add("IfcRelContainedInSpatialStructure",
                   {guid(projectKey + "|contained|" + keyed(storey.name)), owner_, p21::kUnset, p21::kUnset,
                    refs(storey.contained), p21::ref(storey.id)});
    return finish(fileName, projectKey, contained);
}

std::pair<Vec3, Vec3> IfcBuilder::placementAxes(const IfcPlacement& placement, std::size_t partCount) {
    if (placement.part >= partCount)
        throw std::invalid_argument("placement '" + placement.instance + "' names no part of the document");
    const std::string what = "placement '" + placement.instance + "': ";
    for (const Vec3* v : {&placement.position, &placement.direction, &placement.up})
        for (double c : *v)
            if (!std::isfinite(c)) throw std::invalid_argument(what + "a coordinate is not a finite number");
    if (!(dot(placement.direction, placement.direction) > 0))
        throw std::invalid_argument(what + "the direction has no length");
    if (!(dot(placement.up, placement.up) > 0)) throw std::invalid_argument(what + "the up direction has no length");
    const Vec3 x = unit(placement.direction);
    const Vec3 up = unit(placement.up);
    const double along = dot(up, x);
    const Vec3 y{up[0] - along * x[0], up[1] - along * x[1], up[2] - along * x[2]};
    if (!(std::sqrt(dot(y, y)) > 1e-9)) throw std::invalid_argument(what + "its up direction runs along its direction");
    return {x, unit(cross(x, unit(y)))};
}

std::string IfcBuilder::keyOfParts() const {
    std::string key = "project";
    for (const auto& part : parts_) key += "|" + part.name;
    return key;
}

// Project, units, contexts and (unless a library) site, building and storey; the storey's placement.
std::size_t IfcBuilder::header(const std::string& projectKey, const std::string& name, bool isLibrary) {
    ownerHistory();
    origin_ = point({0, 0, 0});
    world_ = w_.add("IfcAxis2Placement3D", {p21::ref(origin_), p21::kUnset, p21::kUnset});
    const std::size_t model =
        w_.add("IfcGeometricRepresentationContext",
               {p21::kUnset, p21::string("Model"), p21::integer(3), p21::real(1e-6), p21::ref(world_), p21::kUnset});
    body_ = w_.add("IfcGeometricRepresentationSubContext",
                   {p21::string("Body"), p21::string("Model"), p21::kDerived, p21::kDerived, p21::kDerived,
                    p21::kDerived, p21::ref(model), p21::kUnset, p21::enumeration("MODEL_VIEW"), p21::kUnset});
    auto siUnit = [&](const char* type, const char* unitName) {
        return p21::ref(
            w_.add("IfcSIUnit", {p21::kDerived, p21::enumeration(type), p21::kUnset, p21::enumeration(unitName)}));
    };
    const std::size_t units = w_.add(
        "IfcUnitAssignment", {p21::list({siUnit("LENGTHUNIT", "METRE"), siUnit("PLANEANGLEUNIT", "RADIAN"),
                                         siUnit("AREAUNIT", "SQUARE_METRE"), siUnit("VOLUMEUNIT", "CUBIC_METRE")})});
    project_ = w_.add("IfcProject", {guid(projectKey), owner_, p21::string(name), p21::kUnset, p21::kUnset, p21::kUnset,
                                     p21::kUnset, p21::list({p21::ref(model)}), p21::ref(units)});
    if (isLibrary) {
        library_ = w_.add("IfcProjectLibrary",
                          {guid(projectKey + "|library"), owner_, p21::string(name), p21::kUnset, p21::kUnset,
                           p21::kUnset, p21::kUnset, p21::list({p21::ref(model)}), p21::ref(units)});
        relation("IfcRelDeclares", projectKey + "|project-library", project_, {library_});
        return 0;
    }
    const std::size_t sitePlacement = w_.add("IfcLocalPlacement", {p21::kUnset, p21::ref(world_)});
    const std::size_t site =
        w_.add("IfcSite", {guid(projectKey + "|site"), owner_, p21::string("Site"), p21::kUnset, p21::kUnset,
                           p21::ref(sitePlacement), p21::kUnset, p21::kUnset, p21::enumeration("ELEMENT"), p21::kUnset,
                           p21::kUnset, p21::kUnset, p21::kUnset, p21::kUnset});
    const std::size_t buildingPlacement = w_.add("IfcLocalPlacement", {p21::ref(sitePlacement), p21::ref(world_)});
    const std::size_t building = building_ =
        w_.add("IfcBuilding", {guid(projectKey + "|building"), owner_, p21::string("Building"), p21::kUnset,
                               p21::kUnset, p21::ref(buildingPlacement), p21::kUnset, p21::kUnset,
                               p21::enumeration("ELEMENT"), p21::kUnset, p21::kUnset, p21::kUnset});
    std::size_t storeyPlacement = 0;
    std::vector<std::size_t> storeys;
    if (defaultStorey_) {
        storeyPlacement = w_.add("IfcLocalPlacement", {p21::ref(buildingPlacement), p21::ref(world_)});
        storey_ = w_.add("IfcBuildingStorey", {guid(projectKey + "|storey"), owner_, p21::string("Storey"), p21::kUnset,
                                               p21::kUnset, p21::ref(storeyPlacement), p21::kUnset, p21::kUnset,
                                               p21::enumeration("ELEMENT"), p21::real(0)});
        storeys.push_back(storey_);
    }
    for (Storey& storey : namedStoreys_) {
        storey.placement = w_.add("IfcLocalPlacement",
                                  {p21::ref(buildingPlacement), p21::ref(axes({0, 0, storey.elevation}, {}, {}))});
        storey.id = w_.add("IfcBuildingStorey",
                           {guid(projectKey + "|storey|" + keyed(storey.name)), owner_, p21::string(storey.name),
                            p21::kUnset, p21::kUnset, p21::ref(storey.placement), p21::kUnset, p21::kUnset,
                            p21::enumeration("ELEMENT"), p21::real(storey.elevation)});
        storeys.push_back(storey.id);
    }
    relation("IfcRelAggregates", projectKey + "|project-site", project_, {site});
    relation("IfcRelAggregates", projectKey + "|site-building", site, {building});
    relation("IfcRelAggregates", projectKey + "|building-storey", building, storeys);
    return storeyPlacement;
}

// Who wrote the file with which application, and when. The program does not know its user: the owning
// person and organization are required and written as unknown.
void IfcBuilder::ownerHistory() {
    moment_ = p21::fileMoment();
    const std::size_t person = w_.add("IfcPerson", {p21::kUnset, p21::string("Unknown"), p21::kUnset, p21::kUnset,
                                                    p21::kUnset, p21::kUnset, p21::kUnset, p21::kUnset});
    const std::size_t organization =
        w_.add("IfcOrganization", {p21::kUnset, p21::string("Unknown"), p21::kUnset, p21::kUnset, p21::kUnset});
    const std::size_t user =
        w_.add("IfcPersonAndOrganization", {p21::ref(person), p21::ref(organization), p21::kUnset});
    const std::size_t developer =
        w_.add("IfcOrganization", {p21::kUnset, p21::string("TarnCheckValve"), p21::kUnset, p21::kUnset, p21::kUnset});
    const std::size_t application =
        w_.add("IfcApplication", {p21::ref(developer), p21::string(TCV_VERSION_STRING),
                                  p21::string("TarnCheckValve checkvalve"), p21::string("checkvalve")});
    // Created, never modified since: no modification date, so the change action may only be NOCHANGE.
    owner_ = p21::ref(
        w_.add("IfcOwnerHistory", {p21::ref(user), p21::ref(application), p21::kUnset, p21::enumeration("NOCHANGE"),
                                   p21::kUnset, p21::kUnset, p21::kUnset, p21::integer(moment_)}));
}

// The relations gathered while the parts were placed, then the whole file.
std::string IfcBuilder::finish(const std::string& fileName, const std::string& projectKey,
                               const std::vector<std::size_t>& contained) {
    for (PartType& type : types_) {
        if (!type.written) continue;
        if (!type.valves.empty())
            relation("IfcRelDefinesByType", scope_ + type.key + "|IfcRelDefinesByType", type.valves, type.valveType);
        if (!type.coverings.empty())
            relation("IfcRelDefinesByType", scope_ + type.key + "|IfcCoveringType:rel", type.coverings,
                     type.coveringType);
    }
    for (const auto& [key, rel] : propertyRelations_)
        w_.add("IfcRelDefinesByProperties",
               {guid(scope_ + key), owner_, p21::kUnset, p21::kUnset, refs(rel.objects), p21::ref(rel.set)});
    if (!contained.empty())
        w_.add("IfcRelContainedInSpatialStructure",
               {guid(projectKey + "|contained"), owner_, p21::kUnset, p21::kUnset, refs(contained), p21::ref(storey_)});
    // Composite and trimmed curves lie outside the Reference View, in the Design Transfer View that holds it.
    return w_.file(fileName, "IFC4", "TarnCheckValve checkvalve " TCV_VERSION_STRING, p21::isoTimeStamp(moment_),
                   options_.curves == IfcCurves::Composite ? p21::Writer::kDesignTransferView
                                                           : p21::Writer::kReferenceView);
}

Value IfcBuilder::refs(const std::vector<std::size_t>& ids) {
    std::vector<Value> out;
    out.reserve(ids.size());
    for (std::size_t id : ids) out.push_back(p21::ref(id));
    return p21::list(out);
}

std::size_t IfcBuilder::point(const Vec3& p) {
    return w_.add("IfcCartesianPoint", {p21::list({p21::real(p[0]), p21::real(p[1]), p21::real(p[2])})});
}

std::size_t IfcBuilder::point2(const std::array<double, 2>& p) {
    return w_.add("IfcCartesianPoint", {p21::list({p21::real(p[0]), p21::real(p[1])})});
}

// Directions are shared by value: most placements look along the same few axes.
std::size_t IfcBuilder::direction(const Vec3& d) {
    const Value text = p21::list({p21::real(d[0]), p21::real(d[1]), p21::real(d[2])});
    auto [it, added] = directions_.try_emplace(text, 0);
    if (added) it->second = w_.add("IfcDirection", {text});
    return it->second;
}

std::size_t IfcBuilder::axes(const Vec3& location, std::optional<Vec3> axis, std::optional<Vec3> refDirection) {
    const std::size_t at = point(location);
    const Value z = axis ? p21::ref(direction(*axis)) : p21::kUnset;
    const Value x = refDirection ? p21::ref(direction(*refDirection)) : p21::kUnset;
    return w_.add("IfcAxis2Placement3D", {p21::ref(at), z, x});
}

void IfcBuilder::relation(const char* type, const std::string& key, std::size_t relating,
                          const std::vector<std::size_t>& related) {
    w_.add(type, {guid(key), owner_, p21::kUnset, p21::kUnset, p21::ref(relating), refs(related)});
}

// A relation whose related objects come first (IfcRelDefinesByType).
void IfcBuilder::relation(const char* type, const std::string& key, const std::vector<std::size_t>& related,
                          std::size_t relating) {
    w_.add(type, {guid(key), owner_, p21::kUnset, p21::kUnset, refs(related), p21::ref(relating)});
}

std::size_t IfcBuilder::propertySet(const std::string& key, const char* name, const std::vector<Value>& properties) {
    return w_.add("IfcPropertySet", {guid(key), owner_, p21::string(name), p21::kUnset, p21::list(properties)});
}

std::size_t IfcBuilder::volumeQuantities(const std::string& key, const char* name, std::optional<double> volume) {
    if (!volume) return 0;
    const std::size_t net = w_.add(
        "IfcQuantityVolume", {p21::string("NetVolume"), p21::kUnset, p21::kUnset, p21::real(*volume), p21::kUnset});
    return w_.add("IfcElementQuantity", {guid(scope_ + key), owner_, p21::string(name), p21::kUnset, p21::kUnset,
                                         p21::list({p21::ref(net)})});
}

std::optional<double> IfcBuilder::solidsVolume(const ExportedAspect* aspect) {
    if (!aspect) return std::nullopt;
    double sum = 0;
    bool any = false;
    for (const auto& output : aspect->outputs) {
        if (output.kind != refhost::OutputKind::Solid) continue;
        // Measured as the report measures it, to the same number.
        const std::optional<double> volume =
            output.solid.IsNull() ? std::nullopt : kernel::measureShape(output.solid, true).volume;
        if (!volume || !std::isfinite(*volume)) continue;
        sum += *volume;
        any = true;
    }
    if (!any || !(sum > 0)) return std::nullopt;
    return sum;
}

// `object` takes the set's properties; one relation per set names every object that does.
void IfcBuilder::defineByProperties(const std::string& key, std::size_t object, std::size_t set) {
    auto [it, added] = propertyRelations_.try_emplace(key);
    it->second.set = set;
    it->second.objects.push_back(object);
}

Value IfcBuilder::single(const std::string& name, const Value& value) {
    return p21::ref(w_.add("IfcPropertySingleValue", {p21::string(name), p21::kUnset, value, p21::kUnset}));
}

Value IfcBuilder::enumerated(const char* name, const char* value, const char* enumeration,
                             const std::vector<const char*>& values) {
    auto [it, added] = enumerations_.try_emplace(enumeration, 0);
    if (added) {
        std::vector<Value> labels;
        for (const char* v : values) labels.push_back(label(v));
        it->second = w_.add("IfcPropertyEnumeration", {p21::string(enumeration), p21::list(labels), p21::kUnset});
    }
    const Value chosen = value ? p21::list({label(value)}) : p21::kUnset;
    return p21::ref(
        w_.add("IfcPropertyEnumeratedValue", {p21::string(name), p21::kUnset, chosen, p21::ref(it->second)}));
}

} // namespace tcv::exports::ifcfile
