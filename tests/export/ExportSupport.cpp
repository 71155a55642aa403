#include "export/ExportSupport.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <unistd.h>

#include "export/Glb.h"
#include "export/StagedFile.h"
#include "support/TestSupport.h"

namespace tcv::test::exports {

namespace {

// A two-port NPS 4 part of the PartDataBasis, 292 mm face to face, evaluated in both aspects.
refhost::PartReport evaluated(
    std::int32_t partDataBasis, const char* name, void (*adjust)(refhost::PartSpec&) = [](refhost::PartSpec&) {}) {
    auto part = twoPortPart(partDataBasis);
    part.name = name;
    part.inputs["FacetoFace"] = 0.292;
    adjust(part);
    return refhost::evaluatePart(part, {"Physical", "Insulation"});
}

std::string labelName(const TDF_Label& label) {
    Handle(TDataStd_Name) name;
    if (!label.FindAttribute(TDataStd_Name::GetID(), name)) return {};
    return TCollection_AsciiString(name->Get()).ToCString();
}

StepNode stepNode(const TDF_Label& label) {
    TDF_Label product = label;
    if (XCAFDoc_ShapeTool::IsReference(label)) XCAFDoc_ShapeTool::GetReferredShape(label, product);
    StepNode node{labelName(product), XCAFDoc_ShapeTool::GetShape(product), {}};
    TDF_LabelSequence components;
    XCAFDoc_ShapeTool::GetComponents(product, components);
    for (const TDF_Label& component : components) node.children.push_back(stepNode(component));
    return node;
}

} // namespace

const refhost::PartReport& plainValve() {
    static const auto report = evaluated(1, "swing-nps4");
    return report;
}

const refhost::PartReport& repeatedNamesValve() {
    static const auto report = evaluated(455, "offset-nps4");
    return report;
}

const refhost::PartReport& operatorValve() {
    static const auto report = evaluated(2046, "operated-nps4", [](refhost::PartSpec& part) {
        part.valveOperator =
            refhost::OperatorSpec{"handwheel operator", {{"HandwheelDiameter", 0.25}, {"OffsetFrmValCen", 0.3}}};
    });
    return report;
}

const refhost::PartReport& nanPortValve() {
    static const auto report = [] {
        auto part = twoPortPart(1);
        part.name = "nan-port";
        part.inputs["FacetoFace"] = 0.292;
        part.ports[1].pipeOD = std::nan("");
        return refhost::evaluatePart(part, {"Physical"});
    }();
    return report;
}

const refhost::PartReport& failingValve() {
    static const auto report = evaluated(2256, "wafer-flats-too-wide", [](refhost::PartSpec& part) {
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

} // namespace tcv::test::exports
