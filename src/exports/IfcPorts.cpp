// The parts' types in the IFC file (IfcValveType, IfcCoveringType) with their property sets, the ports
// nested on them from the nozzles' typed records, and the valves and coverings placed from a type.
#include <cmath>
#include <set>

#include "IfcBuilder.h"
#include "tarncheckvalve/refhost/LengthUnits.h"

namespace tcv::exports::ifcfile {

namespace {

constexpr std::int32_t kFlanged = 5;
constexpr std::int32_t kPlainEnd = 10;
constexpr std::int32_t kFemale = 15;
constexpr std::int32_t kMechanical = 20;

// The nozzle record of a nozzle output; a nozzle the host recorded without its placement is refused.
const NozzleRecord& nozzleOf(const ExportedOutput& output) {
    if (!output.nozzle || !output.nozzle->position || !output.nozzle->direction)
        throw std::invalid_argument("a nozzle lacks its position or direction");
    return *output.nozzle;
}

// A dimension of the nozzle's record; NaN for one it does not hold.
double valueOf(const std::optional<double>& value) { return value.value_or(std::nan("")); }

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
// No treatment (nullptr) for an end type the catalogue does not name: the property is left without a value.
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
        return {nullptr, nullptr};
    }
}

const char* flowDirection(std::int64_t port) {
    if (port == 1) return "SINK"; // the flow enters the check valve at port 1
    if (port == 2) return "SOURCE";
    return "SOURCEANDSINK";
}

Value length(double metres) { return p21::typed("IFCLENGTHMEASURE", p21::real(metres)); }
Value positiveLength(double metres) { return p21::typed("IFCPOSITIVELENGTHMEASURE", p21::real(metres)); }
Value integerValue(long long value) { return p21::typed("IFCINTEGER", p21::integer(value)); }

// The jacketed bodies (by PartDataBasis): their third and fourth ports are the jacket's connections, so
// the valve's port pattern is none of IFC's named ones and those ports belong to the heating system.
bool jacketed(std::int64_t partDataBasis) {
    static const std::set<std::int64_t> kJacketed{2381, 3124, 3125, 3146};
    return kJacketed.count(partDataBasis) > 0;
}
} // namespace

const ExportedAspect* IfcBuilder::aspectOf(const ExportedPart& part, const char* name) {
    for (const auto& aspect : part.aspects)
        if (aspect.name == name) return &aspect;
    return nullptr;
}

std::vector<const ExportedOutput*> IfcBuilder::nozzles(const ExportedPart& part) {
    std::vector<const ExportedOutput*> found;
    if (const ExportedAspect* physical = aspectOf(part, kPhysical))
        for (const auto& output : physical->outputs)
            if (output.kind == refhost::OutputKind::Nozzle) found.push_back(&output);
    return found;
}

// The configuration of the ports: by their number, and for two whether the flow runs straight through.
const char* IfcBuilder::valvePattern(const ExportedPart& part) {
    if (jacketed(part.partDataBasis)) return "OTHER";
    const auto built = nozzles(part);
    switch (part.ports.size()) {
    case 1:
        return "SINGLEPORT";
    case 2:
        if (built.size() != 2) return "NOTKNOWN";
        return dot(unit(*nozzleOf(*built[0]).direction), unit(*nozzleOf(*built[1]).direction)) < -1 + 1e-9
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
IfcBuilder::PartType& IfcBuilder::typeOf(std::size_t index) {
    PartType& type = types_[index];
    if (type.written) return type;
    type.written = true;
    const ExportedPart& part = parts_[index];
    int repeat = 0;
    for (std::size_t i = 0; i < index; ++i) repeat += parts_[i].name == part.name;
    type.key = part.name + (repeat ? "#" + std::to_string(repeat) : std::string());
    const std::string description = part.description;

    std::vector<Value> common{enumerated("ValvePattern", valvePattern(part), "PEnum_ValvePattern",
                                         {"SINGLEPORT", "ANGLED_2_PORT", "STRAIGHT_2_PORT", "STRAIGHT_3_PORT",
                                          "CROSSOVER_4_PORT", "OTHER", "NOTKNOWN", "UNSET"})};
    const refhost::PortSpec* inlet = portSpec(part, 1);
    if (!inlet && !part.ports.empty()) inlet = &part.ports.front();
    if (inlet)
        if (auto size = nominalSize(*inlet)) common.push_back(single("Size", positiveLength(*size)));
    std::vector<Value> own{single("PartDataBasis", integerValue(part.partDataBasis))};
    for (const auto& aspect : part.aspects) {
        const std::string error =
            aspect.errorCode ? catalog::errorCodeText(*aspect.errorCode) : std::string("an error");
        const std::string result =
            aspect.ok ? "ok"
                      : "failed with " + error + " after " + std::to_string(aspect.outputs.size()) + " output(s)";
        own.push_back(single(aspect.name + "Result", label(result)));
    }
    const std::size_t commonSet = propertySet(type.key + "|Pset_ValveTypeCommon", "Pset_ValveTypeCommon", common);
    const std::size_t ownSet = propertySet(type.key + "|TarnCheckValve_Part", "TarnCheckValve_Part", own);

    const ExportedAspect* physical = aspectOf(part, kPhysical);
    type.bodyMaps = representationMaps(physical ? bodyItems(*physical) : ItemGroups{});
    type.valveType =
        w_.add("IfcValveType", {guid(type.key + "|IfcValveType"), owner_, p21::string(part.name),
                                description.empty() ? p21::kUnset : p21::string(description), p21::kUnset,
                                p21::list({p21::ref(commonSet), p21::ref(ownSet)}), listOrUnset(type.bodyMaps),
                                p21::kUnset, p21::kUnset, p21::enumeration("CHECK")});
    addPortTemplates(part, type);

    addCoveringType(part, type);
    return type;
}

// The type's ports, placed in its frame, with the property sets its occurrences' ports share.
void IfcBuilder::addPortTemplates(const ExportedPart& part, PartType& type) {
    const bool jacket = jacketed(part.partDataBasis);
    std::vector<std::size_t> ports;
    for (const ExportedOutput* nozzle : nozzles(part)) {
        const NozzleRecord& data = nozzleOf(*nozzle);
        PortTemplate port;
        port.index = data.port.value_or(0);
        port.role = "port:" + std::to_string(type.ports.size() + 1) + ":" + std::to_string(port.index);
        if (jacket && (port.index == 3 || port.index == 4)) port.systemType = "HEATING";
        const Vec3 along = *data.direction;
        port.axes = axes(*data.position, unit(along), squareTo(along));

        const refhost::PortSpec* portData = portSpec(part, port.index);
        const double pipeOD = valueOf(data.pipeOD);
        const double flangeOD = valueOf(data.flangeOD);
        const double flangeThickness = valueOf(data.flangeThickness);
        const double nozzleLength = valueOf(data.length);
        const auto terminationClass = static_cast<std::int32_t>(data.terminationClass.value_or(0));
        const auto [treatment, subType] = connectionType(portData ? portData->endType : terminationClass);
        std::vector<Value> pipe{enumerated("ConnectionType", treatment, "PEnum_PipeEndStyleTreatment",
                                           {"BRAZED", "COMPRESSION", "FLANGED", "GROOVED", "OUTSIDESLEEVE", "SOLDERED",
                                            "SWEDGE", "THREADED", "WELDED", "OTHER", "NONE", "UNSET"})};
        if (subType) pipe.push_back(single("ConnectionSubType", label(subType)));
        if (portData)
            if (auto size = nominalSize(*portData)) pipe.push_back(single("NominalDiameter", positiveLength(*size)));
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

std::size_t IfcBuilder::addPort(const std::string& ownerKey, const PortTemplate& port, std::size_t placement) {
    const std::size_t id =
        w_.add("IfcDistributionPort",
               {guid(ownerKey + "|" + port.role), owner_, p21::string("PNoz" + std::to_string(port.index)), p21::kUnset,
                p21::kUnset, p21::ref(placement), p21::kUnset, p21::enumeration(flowDirection(port.index)),
                p21::enumeration("PIPE"), p21::enumeration(port.systemType)});
    for (const auto& [setKey, set] : port.propertySets) defineByProperties(setKey + ":rel", id, set);
    return id;
}

// One valve of part `index`: its placement, the type's shape mapped, its ports and its covering.
void IfcBuilder::placeValve(std::size_t index, const std::string& key, const std::string& name, const std::string& tag,
                            const std::string& description, std::size_t parentPlacement, const Value& where,
                            std::vector<std::size_t>& contained) {
    PartType& type = typeOf(index);
    if (!type.bodyShape) type.bodyShape = mappedShape(type.bodyMaps);
    const std::size_t placement = w_.add("IfcLocalPlacement", {p21::ref(parentPlacement), where});
    const std::size_t valve = w_.add(
        "IfcValve", {guid(key + "|IfcValve"), owner_, p21::string(name),
                     description.empty() ? p21::kUnset : p21::string(description), p21::kUnset, p21::ref(placement),
                     *type.bodyShape, tag.empty() ? p21::kUnset : p21::string(tag), p21::enumeration("CHECK")});
    contained.push_back(valve);
    type.valves.push_back(valve);
    // The quantities every occurrence of the part shares: the volume of its body's solids, as the part's
    // report measures them, and that of what its covering shows.
    if (!type.quantified) {
        type.quantified = true;
        const ExportedPart& part = parts_[index];
        type.valveQuantities = volumeQuantities(type.key + "|Qto_ValveBaseQuantities", "Qto_ValveBaseQuantities",
                                                solidsVolume(aspectOf(part, kPhysical)));
        if (type.coveringType)
            type.coveringQuantities = volumeQuantities(type.key + "|Qto_CoveringBaseQuantities",
                                                       "Qto_CoveringBaseQuantities", coveringVolume(part));
    }
    if (type.valveQuantities)
        defineByProperties(type.key + "|Qto_ValveBaseQuantities:rel", valve, type.valveQuantities);
    std::vector<std::size_t> ports;
    for (const PortTemplate& port : type.ports)
        ports.push_back(addPort(key, port, w_.add("IfcLocalPlacement", {p21::ref(placement), p21::ref(port.axes)})));
    if (!ports.empty()) relation("IfcRelNests", key + "|IfcRelNests", valve, ports);
    if (!type.coveringType) return;
    if (!type.insulationShape) type.insulationShape = mappedShape(type.insulationMaps);
    const std::size_t covering =
        w_.add("IfcCovering", {guid(key + "|IfcCovering"), owner_, p21::string(name + " insulation"), p21::kUnset,
                               p21::kUnset, p21::ref(placement), *type.insulationShape,
                               tag.empty() ? p21::kUnset : p21::string(tag), p21::enumeration("INSULATION")});
    contained.push_back(covering);
    type.coverings.push_back(covering);
    if (type.coveringQuantities)
        defineByProperties(type.key + "|Qto_CoveringBaseQuantities:rel", covering, type.coveringQuantities);
    w_.add("IfcRelCoversBldgElements", {guid(key + "|IfcRelCoversBldgElements"), owner_, p21::kUnset, p21::kUnset,
                                        p21::ref(valve), p21::list({p21::ref(covering)})});
}

} // namespace tcv::exports::ifcfile
