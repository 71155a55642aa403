// Binary glTF from the assembly document. The mesh writer gives nodes their names and materials their
// colours; the part, aspect and output data a viewer lists are added afterwards as node "extras" in the
// JSON chunk (this writer version writes none of its own).
#include <map>
#include <optional>

#include <Message_ProgressRange.hxx>
#include <RWGltf_CafWriter.hxx>
#include <RWMesh_NameFormat.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>

#include "DocumentModel.h"
#include "export/Glb.h"
#include "export/StagedFile.h"
#include "kernel/KernelGuard.h"
#include "kernel/WorkProgress.h"

namespace tcv::exports {

namespace {

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

void addExtras(Json& gltf, const std::vector<ExportedPart>& parts) {
    if (!gltf.contains("nodes")) gltf["nodes"] = Json::array();
    if (!gltf.contains("scenes") || gltf["scenes"].empty()) gltf["scenes"] = Json::array({Json::object()});
    if (!gltf.contains("scene")) gltf["scene"] = 0;

    ChildNodes roots(gltf, std::nullopt);
    for (const auto& part : parts) {
        const std::size_t partNode = roots.node(part.name);
        gltf["nodes"][partNode]["extras"] = part.extras;
        ChildNodes aspects(gltf, partNode);
        for (const auto& aspect : part.aspects) {
            const std::size_t aspectNode = aspects.node(aspect.name);
            gltf["nodes"][aspectNode]["extras"] = aspect.extras;
            ChildNodes outputs(gltf, aspectNode);
            for (const auto& output : aspect.outputs)
                gltf["nodes"][outputs.node(output.name)]["extras"] = output.extras;
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

std::string ExportDocument::renderGlb() {
    // The mesh writer writes by name and keeps a side file of its own next to it: both stay in a
    // folder of this render's own, so concurrent writers never share them.
    const ScratchFolder scratch;
    const std::string scratchPath = scratch.path("part.glb");
    bool written = false;
    const refhost::BudgetScope budget(impl_->budget());
    try {
        refhost::runGuarded("writing GLB", [&] {
            impl_->ensureMeshed();
            RWGltf_CafWriter writer(scratchPath.c_str(), Standard_True);
            writer.SetNodeNameFormat(RWMesh_NameFormat_InstanceOrProduct);
            writer.SetMeshNameFormat(RWMesh_NameFormat_Product);
            // One primitive per output rather than one per face keeps the JSON small.
            writer.SetMergeFaces(true);
            TColStd_IndexedDataMapOfStringString fileInfo;
            fileInfo.Add("Lengths", "metres");
            refhost::WorkProgressRange progress(impl_->budget());
            written = writer.Perform(impl_->document, fileInfo, progress.range());
        });
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    }
    if (!written) throw ExportError("the glTF writer could not write the file");
    try {
        GlbContent content = parseGlb(readFileBytes(scratchPath));
        addExtras(content.json, impl_->parts);
        dropEmptyParts(content);
        return serializeGlb(content);
    } catch (const nlohmann::json::exception& error) {
        throw ExportError(std::string("the glTF JSON is not as expected: ") + error.what());
    }
}

void ExportDocument::writeGlb(const std::string& path) {
    StagedFile file(path, "GLB");
    std::string bytes;
    try {
        bytes = renderGlb();
    } catch (const ExportError& error) {
        file.fail(error.what());
    }
    file.write(bytes);
    file.commit();
}

} // namespace tcv::exports
