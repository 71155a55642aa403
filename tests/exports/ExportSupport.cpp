#include "exports/ExportSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <unistd.h>

#include "support/TestSupport.h"
#include "tarncheckvalve/exports/Glb.h"
#include "tarncheckvalve/exports/StagedFile.h"

namespace tcv::test::exports {

namespace {

// A two-port NPS 4 part of the PartDataBasis, 292 mm face to face, evaluated in both aspects.
catalog::PartReport evaluated(
    std::int32_t partDataBasis, const char* name,
    void (*adjust)(refhost::CatalogPart&) = [](refhost::CatalogPart&) {}) {
    auto part = twoPortPart(partDataBasis);
    part.name = name;
    part.inputs["FacetoFace"] = 0.292;
    adjust(part);
    return catalog::evaluatePart(part, {"Physical", "Insulation"});
}

std::string labelName(const TDF_Label& label) {
    Handle(TDataStd_Name) name;
    if (!label.FindAttribute(TDataStd_Name::GetID(), name)) return {};
    return TCollection_AsciiString(name->Get()).ToCString();
}

StepNode stepNode(const TDF_Label& label) {
    TDF_Label product = label;
    if (XCAFDoc_ShapeTool::IsReference(label)) XCAFDoc_ShapeTool::GetReferredShape(label, product);
    StepNode node{labelName(product), XCAFDoc_ShapeTool::GetShape(product), XCAFDoc_ShapeTool::GetShape(label), {}};
    TDF_LabelSequence components;
    XCAFDoc_ShapeTool::GetComponents(product, components);
    for (const TDF_Label& component : components) node.children.push_back(stepNode(component));
    return node;
}

} // namespace

const catalog::PartReport& plainValve() {
    static const auto report = evaluated(1, "swing-nps4");
    return report;
}

const catalog::PartReport& repeatedNamesValve() {
    static const auto report = evaluated(455, "offset-nps4");
    return report;
}

const catalog::PartReport& operatorValve() {
    static const auto report = evaluated(2046, "operated-nps4", [](refhost::CatalogPart& part) {
        part.valveOperator =
            refhost::OperatorSpec{"handwheel operator", {{"HandwheelDiameter", 0.25}, {"OffsetFrmValCen", 0.3}}};
    });
    return report;
}

const catalog::PartReport& nanPortValve() {
    static const auto report = [] {
        auto part = twoPortPart(1);
        part.name = "nan-port";
        part.inputs["FacetoFace"] = 0.292;
        part.ports[1].pipeOD = std::nan("");
        return catalog::evaluatePart(part, {"Physical"});
    }();
    return report;
}

const catalog::PartReport& failingValve() {
    static const auto report = evaluated(2256, "wafer-flats-too-wide", [](refhost::CatalogPart& part) {
        part.inputs["FacetoFace"] = 0.073;
        part.inputs["Height"] = 0.3;
    });
    return report;
}

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tcv-export-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder");
    folder_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::string> ScratchFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
        names.push_back(entry.path().filename().string());
    return names;
}

std::vector<std::string> StepNode::childNames() const {
    std::vector<std::string> names;
    for (const auto& c : children) names.push_back(c.name);
    return names;
}

const StepNode& StepNode::child(const std::string& childName) const {
    for (const auto& c : children)
        if (c.name == childName) return c;
    throw std::out_of_range(name + " has no component " + childName);
}

std::vector<StepNode> readStep(const std::string& path) {
    STEPCAFControl_Reader reader;
    Interface_Static::SetCVal("xstep.cascade.unit", "M");
    reader.SetNameMode(Standard_True);
    reader.SetColorMode(Standard_True);
    if (reader.ReadFile(path.c_str()) != IFSelect_RetDone) throw std::runtime_error("cannot read " + path);
    Handle(TDocStd_Document) document = new TDocStd_Document("BinXCAF");
    XCAFDoc_DocumentTool::Set(document->Main());
    if (!reader.Transfer(document)) throw std::runtime_error("cannot transfer " + path);
    TDF_LabelSequence roots;
    XCAFDoc_DocumentTool::ShapeTool(document->Main())->GetFreeShapes(roots);
    std::vector<StepNode> nodes;
    for (const TDF_Label& root : roots) nodes.push_back(stepNode(root));
    return nodes;
}

nlohmann::ordered_json glbJson(const std::string& path) {
    return tcv::exports::parseGlb(tcv::exports::readFileBytes(path)).json;
}

const nlohmann::ordered_json& gltfNode(const nlohmann::ordered_json& gltf, const std::vector<std::string>& path) {
    auto children = gltf.at("scenes").at(gltf.value("scene", 0)).at("nodes");
    const nlohmann::ordered_json* node = nullptr;
    for (const auto& name : path) {
        node = nullptr;
        for (const auto& index : children)
            if (gltf.at("nodes").at(index.get<std::size_t>()).value("name", std::string()) == name)
                node = &gltf.at("nodes").at(index.get<std::size_t>());
        if (!node) throw std::out_of_range("no glTF node " + name);
        children = node->value("children", nlohmann::ordered_json::array());
    }
    if (!node) throw std::out_of_range("empty glTF node path");
    return *node;
}

std::vector<std::string> gltfChildNames(const nlohmann::ordered_json& gltf, const nlohmann::ordered_json& node) {
    std::vector<std::string> names;
    for (const auto& index : node.value("children", nlohmann::ordered_json::array()))
        names.push_back(gltf.at("nodes").at(index.get<std::size_t>()).value("name", std::string()));
    return names;
}

const std::vector<Writer> kWriters = {
    {"STEP", "part.step", [](tcv::exports::ExportDocument& d, const std::string& p) { d.writeStep(p); }},
    {"GLB", "part.glb", [](tcv::exports::ExportDocument& d, const std::string& p) { d.writeGlb(p); }},
    {"STL", "part.stl", [](tcv::exports::ExportDocument& d, const std::string& p) { d.writeStl(p); }},
    {"IFC", "part.ifc", [](tcv::exports::ExportDocument& d, const std::string& p) { d.writeIfc(p); }},
};

namespace {

using Matrix = std::array<double, 16>; // column-major, as glTF writes it

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k) m[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    return m;
}

// A node's own transform: its matrix, or translation * rotation * scale.
Matrix localMatrix(const nlohmann::ordered_json& node) {
    Matrix m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (node.contains("matrix")) {
        for (std::size_t i = 0; i < 16; ++i) m[i] = node["matrix"][i].get<double>();
        return m;
    }
    if (node.contains("rotation")) {
        const auto& q = node["rotation"];
        const double x = q[0].get<double>(), y = q[1].get<double>(), z = q[2].get<double>(), w = q[3].get<double>();
        m = {1 - 2 * (y * y + z * z),
             2 * (x * y + z * w),
             2 * (x * z - y * w),
             0,
             2 * (x * y - z * w),
             1 - 2 * (x * x + z * z),
             2 * (y * z + x * w),
             0,
             2 * (x * z + y * w),
             2 * (y * z - x * w),
             1 - 2 * (x * x + y * y),
             0,
             0,
             0,
             0,
             1};
    }
    if (node.contains("scale"))
        for (int c = 0; c < 3; ++c)
            for (int r = 0; r < 3; ++r) m[c * 4 + r] *= node["scale"][c].get<double>();
    if (node.contains("translation"))
        for (int r = 0; r < 3; ++r) m[12 + r] = node["translation"][r].get<double>();
    return m;
}

} // namespace

std::vector<GltfMeshBox> glbMeshBoxes(const std::string& path) {
    const auto content = tcv::exports::parseGlb(tcv::exports::readFileBytes(path));
    const auto& gltf = content.json;
    std::vector<GltfMeshBox> boxes;
    std::function<void(std::size_t, const Matrix&, const std::string&)> visit = [&](std::size_t index,
                                                                                    const Matrix& parent,
                                                                                    const std::string& prefix) {
        const auto& node = gltf["nodes"][index];
        const Matrix world = multiply(parent, localMatrix(node));
        const std::string name = prefix + node.value("name", std::string());
        if (node.contains("mesh")) {
            GltfMeshBox result{name, {1e300, 1e300, 1e300, -1e300, -1e300, -1e300}};
            for (const auto& primitive : gltf["meshes"][node["mesh"].get<std::size_t>()]["primitives"]) {
                const auto& accessor = gltf["accessors"][primitive["attributes"]["POSITION"].get<std::size_t>()];
                const auto& view = gltf["bufferViews"][accessor["bufferView"].get<std::size_t>()];
                const std::size_t offset =
                    view.value("byteOffset", std::size_t{0}) + accessor.value("byteOffset", std::size_t{0});
                const std::size_t stride = view.value("byteStride", std::size_t{12});
                for (std::size_t v = 0; v < accessor["count"].get<std::size_t>(); ++v) {
                    float p[3];
                    std::memcpy(p, content.binary.data() + offset + v * stride, sizeof p);
                    for (int r = 0; r < 3; ++r) {
                        const double x = world[r] * p[0] + world[4 + r] * p[1] + world[8 + r] * p[2] + world[12 + r];
                        result.box[r] = std::min(result.box[r], x);
                        result.box[r + 3] = std::max(result.box[r + 3], x);
                    }
                }
            }
            boxes.push_back(result);
        }
        for (const auto& child : node.value("children", nlohmann::ordered_json::array()))
            visit(child.get<std::size_t>(), world, name + "/");
    };
    const Matrix identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (const auto& root : gltf["scenes"][gltf.value("scene", 0)]["nodes"])
        visit(root.get<std::size_t>(), identity, "");
    return boxes;
}

} // namespace tcv::test::exports
