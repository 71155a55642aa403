// The glTF extras, written from the export document's typed records into the mesh writer's JSON chunk.
#include "GltfExtras.h"

#include <map>
#include <optional>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/Glb.h"

namespace tcv::exports {

namespace {

using Json = nlohmann::ordered_json;

// A record's value, or null where the record does not hold it.
template <class T>
Json valueOrNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json();
}

Json partExtras(const PartRecord& part) {
    Json extras;
    extras["partDataBasis"] = part.partDataBasis;
    extras["description"] = part.description;
    return extras;
}

Json aspectExtras(const AspectRecord& aspect, std::size_t outputCount) {
    Json extras;
    extras["aspect"] = aspect.name;
    extras["ok"] = aspect.ok;
    extras["error"] = aspect.errorCode ? Json(catalog::errorCodeText(*aspect.errorCode)) : Json();
    extras["outputCount"] = outputCount;
    return extras;
}

// What a viewer needs to know of an output beyond its name: its kind, aspect and place in the aspect's
// output order (from 1), a nozzle's port data and the operator's occurrence.
Json outputExtras(const OutputRecord& output, const std::string& aspect, std::size_t index) {
    Json extras;
    extras["kind"] = output.recorded ? refhost::outputKindName(output.kind) : "other";
    extras["aspect"] = aspect;
    extras["index"] = index;
    if (!output.recorded) return extras;
    if (output.kind == refhost::OutputKind::Nozzle && output.nozzle) {
        const NozzleRecord& nozzle = *output.nozzle;
        extras["port"] = valueOrNull(nozzle.port);
        extras["position"] = valueOrNull(nozzle.position);
        extras["direction"] = valueOrNull(nozzle.direction);
        extras["length"] = valueOrNull(nozzle.length);
        extras["pipeOD"] = valueOrNull(nozzle.pipeOD);
        extras["flangeOD"] = valueOrNull(nozzle.flangeOD);
        extras["flangeThickness"] = valueOrNull(nozzle.flangeThickness);
        extras["terminationClass"] = valueOrNull(nozzle.terminationClass);
    } else if (output.kind == refhost::OutputKind::Occurrence && output.operatorOccurrence) {
        const OperatorRecord& occurrence = *output.operatorOccurrence;
        extras["operator"] = valueOrNull(occurrence.operatorName);
        extras["position"] = valueOrNull(occurrence.position);
        extras["axes"] = Json::array(
            {valueOrNull(occurrence.axes[0]), valueOrNull(occurrence.axes[1]), valueOrNull(occurrence.axes[2])});
        Json attributes = Json::object();
        for (const auto& [name, value] : occurrence.attributes) attributes[name] = value;
        extras["attributes"] = attributes;
    }
    return extras;
}

// Finds nodes by name among the children of one parent (a node, or the scene for the roots): the k-th
// request for a name gets the k-th child of that name, so repeated names ("Body_") pair up with outputs in
// order. A node the mesh writer left out (an output that draws nothing, an aspect that failed before its
// first output) is added without a mesh. Nodes are held by index: adding one may move the array.
class ChildNodes {
public:
    ChildNodes(Json& gltf, std::optional<std::size_t> parent) : gltf_(gltf), parent_(parent) {}

    std::size_t node(const std::string& name) {
        const std::size_t wanted = taken_[name]++;
        std::size_t seen = 0;
        for (const auto& child : children()) {
            const auto index = child.get<std::size_t>();
            if (gltf_["nodes"].at(index).value("name", std::string()) != name) continue;
            if (seen++ == wanted) return index;
        }
        Json& nodes = gltf_["nodes"];
        nodes.push_back(Json{{"name", name}});
        const std::size_t index = nodes.size() - 1;
        children().push_back(index);
        return index;
    }

private:
    Json& children() {
        Json& owner = parent_ ? gltf_["nodes"].at(*parent_) : gltf_["scenes"].at(gltf_["scene"].get<std::size_t>());
        const char* key = parent_ ? "children" : "nodes";
        if (!owner.contains(key)) owner[key] = Json::array();
        return owner[key];
    }

    Json& gltf_;
    std::optional<std::size_t> parent_;
    std::map<std::string, std::size_t> taken_;
};

void addExtras(Json& gltf, const std::vector<GltfPartNodes>& parts) {
    if (!gltf.contains("nodes")) gltf["nodes"] = Json::array();
    if (!gltf.contains("scenes") || gltf["scenes"].empty()) gltf["scenes"] = Json::array({Json::object()});
    if (!gltf.contains("scene")) gltf["scene"] = 0;

    ChildNodes roots(gltf, std::nullopt);
    for (const auto& part : parts) {
        const std::size_t partNode = roots.node(part.part->name);
        gltf["nodes"][partNode]["extras"] = partExtras(*part.part);
        ChildNodes aspects(gltf, partNode);
        for (const auto& aspect : part.aspects) {
            const std::size_t aspectNode = aspects.node(aspect.aspect->name);
            gltf["nodes"][aspectNode]["extras"] = aspectExtras(*aspect.aspect, aspect.outputs.size());
            ChildNodes outputs(gltf, aspectNode);
            for (std::size_t i = 0; i < aspect.outputs.size(); ++i)
                gltf["nodes"][outputs.node(aspect.outputs[i]->name)]["extras"] =
                    outputExtras(*aspect.outputs[i], aspect.aspect->name, i + 1);
        }
    }
}

// glTF allows neither empty top-level arrays nor a buffer of no bytes; a document without any mesh (every
// aspect failed before drawing) keeps only its nodes and scene.
void dropEmptyParts(GlbContent& content) {
    Json& gltf = content.json;
    if (gltf.contains("buffers") && gltf["buffers"].is_array() && gltf["buffers"].size() == 1 &&
        gltf["buffers"][0].value("byteLength", std::size_t{0}) == 0 &&
        (!gltf.contains("bufferViews") || gltf["bufferViews"].empty())) {
        gltf.erase("buffers");
        content.binary.clear();
        content.hasBinary = false;
    }
    std::vector<std::string> empty;
    for (const auto& [key, value] : gltf.items())
        if (value.is_array() && value.empty()) empty.push_back(key);
    for (const auto& key : empty) gltf.erase(key);
}

} // namespace

std::string addGltfExtras(const std::string& writerBytes, const std::vector<GltfPartNodes>& parts) {
    try {
        GlbContent content = parseGlb(writerBytes);
        addExtras(content.json, parts);
        dropEmptyParts(content);
        return serializeGlb(content);
    } catch (const nlohmann::json::exception& error) {
        throw ExportError(std::string("the glTF JSON is not as expected: ") + error.what());
    }
}

} // namespace tcv::exports
