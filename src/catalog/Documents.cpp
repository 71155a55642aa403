// The definition, sample-list and part documents shared by the commands, the server and the Python module.
#include "tarncheckvalve/catalog/Documents.h"

#include <cctype>
#include <memory>
#include <string>

#include "tarncheckvalve/refhost/RefRuntime.h"
#include "tarncheckvalve/refhost/SymbolEntities.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv::catalog {

using namespace tcv::refhost;

namespace {

// What a value of an input means to someone filling in a form: its kind ("length" or "angle") and the
// minimum it certainly has, {"above": 0} or {"atLeast": 0}, absent where any value can be meant (offsets,
// positions, angles). A face-to-face is above zero; diameters and thicknesses are not negative.
void addMeaning(nlohmann::ordered_json& entry, const std::string& name, const std::string& description) {
    const bool angle = name.size() >= 5 && name.compare(name.size() - 5, 5, "Angle") == 0;
    entry["kind"] = angle ? "angle" : "length";
    std::string words = description;
    for (auto& c : words) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "FacetoFace" || name == "ValveFacetoFace" || name == "EndtoEnd")
        entry["minimum"] = {{"above", 0}};
    else if (!angle && (words.find("diameter") != std::string::npos || words.find("thickness") != std::string::npos))
        entry["minimum"] = {{"atLeast", 0}};
}

nlohmann::ordered_json field(const char* name, const char* description, const char* shortName) {
    nlohmann::ordered_json entry{{"name", name}, {"description", description}, {"short", shortName}};
    addMeaning(entry, name, description);
    return entry;
}

} // namespace

nlohmann::ordered_json definitionJson() {
    host::RuntimeScope scope(std::make_shared<RefRuntime>());
    symbol::CCheckValve symbol;
    auto definition =
        std::dynamic_pointer_cast<RefSymbolDefinition>(symbol.InstanciateDefinition("checkvalve", {}, nullptr));

    nlohmann::ordered_json out;
    out["progId"] = definition->progId();
    out["inputs"] = nlohmann::ordered_json::array();
    for (const auto& input : definition->inputs())
        out["inputs"].push_back({{"position", input.position},
                                 {"name", input.name},
                                 {"description", input.description},
                                 {"properties", input.properties},
                                 {"default", input.defaultValue}});
    for (auto& entry : out["inputs"])
        addMeaning(entry, entry["name"].get<std::string>(), entry["description"].get<std::string>());
    // The port values a part gives for each of its ports, and the inputs of the valve operator the
    // reference host draws (a handwheel of the given diameter, 0 for its own, on a stem up to the offset).
    out["ports"] = nlohmann::ordered_json::array({
        field("pipeOD", "Pipe outside diameter", "pipe OD"),
        field("flangeOD", "Flange outside diameter", "flange OD"),
        field("flangeThickness", "Flange thickness", "flange thickness"),
        field("cptOffset", "Connection point offset", "connection point offset"),
        field("depth", "Socket or thread depth", "socket or thread depth"),
    });
    out["ports"][0]["minimum"] = {{"above", 0}};
    out["operator"] = {{"inputs", nlohmann::ordered_json::array({
                                      field("OffsetFrmValCen", "Offset from Valve Centerline", "offset"),
                                      field("HandwheelDiameter", "Handwheel Diameter", "handwheel diameter"),
                                  })}};
    out["aspects"] = nlohmann::ordered_json::array();
    for (const auto& rep : definition->representations()) {
        nlohmann::ordered_json aspect{{"name", rep.name}, {"description", rep.description}, {"code", rep.identifier}};
        aspect["outputs"] = nlohmann::ordered_json::array();
        for (const auto& output : rep.outputs)
            aspect["outputs"].push_back({{"name", output.name}, {"description", output.description}});
        out["aspects"].push_back(aspect);
    }
    out["evaluations"] = nlohmann::ordered_json::array();
    for (const auto& ev : definition->evaluations())
        out["evaluations"].push_back({{"name", ev.name},
                                      {"description", ev.description},
                                      {"flags", ev.flags},
                                      {"kind", ev.kind},
                                      {"progId", ev.progId}});
    return out;
}

nlohmann::ordered_json samplesJson(const std::vector<CatalogPart>& parts) {
    nlohmann::ordered_json out{{"parts", nlohmann::ordered_json::array()}};
    for (const auto& part : parts)
        out["parts"].push_back(
            {{"name", part.name}, {"partDataBasis", part.partDataBasis}, {"description", part.description}});
    return out;
}

nlohmann::ordered_json partJson(const CatalogPart& part) {
    nlohmann::ordered_json out{{"name", part.name},
                               {"description", part.description},
                               {"partDataBasis", part.partDataBasis},
                               {"inputs", nlohmann::ordered_json::object()},
                               {"ports", nlohmann::ordered_json::array()}};
    for (const auto& [name, value] : part.inputs) out["inputs"][name] = value;
    for (const auto& port : part.ports)
        out["ports"].push_back({{"index", port.index},
                                {"terminationClass", port.terminationClass},
                                {"endType", port.endType},
                                {"attribute", port.attribute},
                                {"pipeOD", port.pipeOD},
                                {"flangeOD", port.flangeOD},
                                {"flangeThickness", port.flangeThickness},
                                {"cptOffset", port.cptOffset},
                                {"depth", port.depth},
                                {"length", port.length},
                                {"npd", port.npd},
                                {"npdUnit", port.npdUnit}});
    if (part.valveOperator) {
        nlohmann::ordered_json inputs = nlohmann::ordered_json::object();
        for (const auto& [name, value] : part.valveOperator->inputs) inputs[name] = value;
        out["operator"] = {{"name", part.valveOperator->name}, {"inputs", inputs}};
    }
    out["operatorSourceCode"] = part.operatorSourceCode;
    if (!part.operatorText.empty()) out["operatorText"] = part.operatorText;
    return out;
}

} // namespace tcv::catalog
