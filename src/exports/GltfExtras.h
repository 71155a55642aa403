// The part, aspect and output data a glTF viewer lists, added to the mesh writer's GLB as node "extras"
// (the writer writes none of its own): written from the document's typed records.
#pragma once

#include <string>
#include <vector>

#include "DocumentRecords.h"

namespace tcv::exports {

// The records of one part's node tree: the part, its aspects in order, each with its outputs in order.
struct GltfAspectNodes {
    const AspectRecord* aspect = nullptr;
    std::vector<const OutputRecord*> outputs;
};
struct GltfPartNodes {
    const PartRecord* part = nullptr;
    std::vector<GltfAspectNodes> aspects;
};

// The GLB `writerBytes` with every part's, aspect's and output's node carrying its extras: {"partDataBasis",
// "description"} on a part, {"aspect", "ok", "error", "outputCount"} on an aspect and {"kind", "aspect",
// "index"} on an output, with the port data on a nozzle and the occurrence on the operator. A node the
// mesh writer left out (an output that draws nothing) is added without a mesh; a document without any
// mesh keeps only its nodes and scene. Raises ExportError when the writer's JSON is not as expected.
std::string addGltfExtras(const std::string& writerBytes, const std::vector<GltfPartNodes>& parts);

} // namespace tcv::exports
