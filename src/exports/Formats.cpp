#include "tarncheckvalve/exports/Formats.h"

#include <array>

namespace tcv::exports {

namespace {

constexpr std::array<ExportFormat, 4> kFormats{{
    {"glb", "GLB", ".glb", "model/gltf-binary", "the evaluated aspects as binary glTF with port data in extras",
     [](ExportDocument& d, const std::string& path, const IfcOptions&) { d.writeGlb(path); },
     [](ExportDocument& d, const std::string&, const IfcOptions&) { return d.renderGlb(); }, false, true, false},
    {"step", "STEP", ".step", "model/step", "the evaluated aspects as STEP AP214 (lengths in metres)",
     [](ExportDocument& d, const std::string& path, const IfcOptions&) { d.writeStep(path); },
     [](ExportDocument& d, const std::string&, const IfcOptions&) { return d.renderStep(); }, false, true, true},
    {"stl", "STL", ".stl", "model/stl", "the Physical aspect as binary STL (metres)",
     [](ExportDocument& d, const std::string& path, const IfcOptions&) { d.writeStl(path); },
     [](ExportDocument& d, const std::string&, const IfcOptions&) { return d.renderStl(); }, true, false, false},
    {"ifc", "IFC", ".ifc", "application/x-step",
     "IFC4: the valve with its ports and body, the insulation as a covering (metres)",
     [](ExportDocument& d, const std::string& path, const IfcOptions& options) { d.writeIfc(path, options); },
     [](ExportDocument& d, const std::string& name, const IfcOptions& options) { return d.renderIfc(name, options); },
     false, true, false},
}};

} // namespace

std::span<const ExportFormat> exportFormats() { return kFormats; }

const ExportFormat* findExportFormat(std::string_view name) {
    for (const auto& format : kFormats)
        if (name == format.name) return &format;
    return nullptr;
}

} // namespace tcv::exports
