// The definition, sample-list and part documents shared by the commands, the server and the Python module.
#include "tarncheckvalve/catalog/Documents.h"

#include <memory>

#include "tarncheckvalve/refhost/RefRuntime.h"
#include "tarncheckvalve/refhost/SymbolEntities.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv::catalog {

using namespace tcv::refhost;

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
