// Binary glTF from the assembly document. The mesh writer gives nodes their names and materials their
// colours; the part, aspect and output data a viewer lists are added afterwards as node "extras" in the
// JSON chunk (GltfExtras.cpp; this writer version writes none of its own).
#include <vector>

#include <Message_ProgressRange.hxx>
#include <RWGltf_CafWriter.hxx>
#include <RWMesh_NameFormat.hxx>
#include <TColStd_IndexedDataMapOfStringString.hxx>

#include "DocumentModel.h"
#include "GltfExtras.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/kernel/WorkProgress.h"

namespace tcv::exports {

namespace {

// The records of the document's node tree, for the extras.
std::vector<GltfPartNodes> nodeRecords(const std::vector<ExportedPart>& parts) {
    std::vector<GltfPartNodes> nodes;
    nodes.reserve(parts.size());
    for (const auto& part : parts) {
        GltfPartNodes partNodes{&part, {}};
        for (const auto& aspect : part.aspects) {
            GltfAspectNodes aspectNodes{&aspect, {}};
            for (const auto& output : aspect.outputs) aspectNodes.outputs.push_back(&output);
            partNodes.aspects.push_back(std::move(aspectNodes));
        }
        nodes.push_back(std::move(partNodes));
    }
    return nodes;
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
        kernel::runGuarded("writing GLB", [&] {
            impl_->ensureMeshed();
            RWGltf_CafWriter writer(scratchPath.c_str(), Standard_True);
            writer.SetNodeNameFormat(RWMesh_NameFormat_InstanceOrProduct);
            writer.SetMeshNameFormat(RWMesh_NameFormat_Product);
            // One primitive per output rather than one per face keeps the JSON small.
            writer.SetMergeFaces(true);
            TColStd_IndexedDataMapOfStringString fileInfo;
            fileInfo.Add("Lengths", "metres");
            kernel::WorkProgressRange progress(impl_->budget());
            written = writer.Perform(impl_->document, fileInfo, progress.range());
        });
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    }
    if (!written) throw ExportError("the glTF writer could not write the file");
    return addGltfExtras(readFileBytes(scratchPath), nodeRecords(impl_->parts));
}

void ExportDocument::writeGlb(const std::string& path) {
    writeRenderedStaged(path, "GLB", [&](const std::string&) { return renderGlb(); });
}

} // namespace tcv::exports
