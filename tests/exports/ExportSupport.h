// Test helpers for the exports: sample parts evaluated once per test program, a scratch folder, and
// readers that look at written files the way another program would.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <TopoDS_Shape.hxx>
#include <nlohmann/json.hpp>

#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/Export.h"

namespace tcv::test::exports {

// The parts the export tests use, each evaluated in both aspects once per test program:
// an NPS 4 swing check (Body, PNoz1, PNoz2), the offset body with three "Body_" outputs, a body with
// a valve operator, and a wafer whose flats are wider than its flange, so that Physical fails after "Body".
const catalog::PartReport& plainValve();
const catalog::PartReport& repeatedNamesValve();
const catalog::PartReport& operatorValve();
const catalog::PartReport& failingValve();
// The plain valve, Physical only, whose port 2 has a pipe OD that is not a number (the symbol and the
// nozzle take it as it is).
const catalog::PartReport& nanPortValve();

// Every file format the document writes: its name in error messages, a file name and the writer.
struct Writer {
    const char* format;
    const char* fileName;
    std::function<void(tcv::exports::ExportDocument&, const std::string&)> write;
};
inline void PrintTo(const Writer& writer, std::ostream* os) { *os << writer.format; }
extern const std::vector<Writer> kWriters;

// A fresh folder for the test, removed with everything in it when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::filesystem::path path(const std::string& name) const { return folder_ / name; }
    std::vector<std::string> entries() const;

private:
    std::filesystem::path folder_;
};

// A node of an assembly read back from a STEP file: the product name, its shape and its components.
struct StepNode {
    std::string name;
    TopoDS_Shape shape;
    // The shape where its component puts it within its parent.
    TopoDS_Shape placed;
    std::vector<StepNode> children;
    std::vector<std::string> childNames() const;
    const StepNode& child(const std::string& childName) const;
};

// The free assemblies of a STEP file read with lengths in metres.
std::vector<StepNode> readStep(const std::string& path);

// The JSON chunk of a GLB file.
nlohmann::ordered_json glbJson(const std::string& path);
// The node of a glTF document reached by names from the scene roots: {"part", "Physical", "Body"}.
const nlohmann::ordered_json& gltfNode(const nlohmann::ordered_json& gltf, const std::vector<std::string>& path);
std::vector<std::string> gltfChildNames(const nlohmann::ordered_json& gltf, const nlohmann::ordered_json& node);

// The box in scene space (every parent's transform applied) of the vertices of each mesh node of a GLB
// file, by the node's path of names ("part/Physical/Body"), in the order the scene lists them.
struct GltfMeshBox {
    std::string path;
    std::array<double, 6> box; // xmin, ymin, zmin, xmax, ymax, zmax
};
std::vector<GltfMeshBox> glbMeshBoxes(const std::string& path);

} // namespace tcv::test::exports
