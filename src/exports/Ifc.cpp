// IFC4 from the export document. The structure, in one place:
//
//   IfcProject (units: metre, radian, square and cubic metre; one 3D 'Model' context with a 'Body' subcontext)
//     └ IfcRelAggregates → IfcSite → IfcBuilding → IfcBuildingStorey
//         └ IfcRelContainedInSpatialStructure: the valves (IfcValve) and their insulation (IfcCovering)
//   per part, written once however often it is placed:
//     IfcValveType (CHECK; Pset_ValveTypeCommon, TarnCheckValve_Part) with the body as RepresentationMaps:
//       one 'Body' representation per kind of item: 'SweptSolid' (IfcExtrudedAreaSolid, IfcRevolvedAreaSolid
//       of circle, rectangle or line-and-arc profiles: prisms, revolutions, cylinders, cones, tori, tube
//       bends), 'AdvancedSweptSolid' (IfcSweptDiskSolid: straight tube pieces) and 'Tessellation'
//       (IfcTriangulatedFaceSet: skins, ruled surfaces and whatever else has no exact form), each item
//       named and coloured by an IfcStyledItem
//     IfcRelNests: the type → one IfcDistributionPort per nozzle, placed in the type's frame at the nozzle's
//       connection point with its Z axis along the nozzle's direction; Pset_DistributionPortTypePipe and
//       TarnCheckValve_PortData on each
//     IfcCoveringType (INSULATION) with the insulation's RepresentationMaps, when the part has any
//   per placed valve: an IfcValve typed by its part's IfcValveType, its 'Body' an IfcMappedItem of each of
//     the type's maps; its own ports nested as on the type, placed relative to the valve and sharing the
//     type ports' property sets; an IfcCovering (mapped likewise) covering the valve
//
// The valve's own axes: x along the run, y towards its top (operator). A single part stands upright (its y
// is the storey's Z); a placed valve turns its x and y to the directions given. A library file declares the
// types in an IfcProjectLibrary instead of placing them. With IfcGeometry::Mesh every body item is an
// IfcTriangulatedFaceSet of the GLB's triangles. GlobalIds are derived from names (the part's, and an
// instance's id), so exporting the same parts again gives the same file.
#include <stdexcept>

#include "IfcBuilder.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/kernel/KernelGuard.h"

namespace tcv::exports {

namespace {

using ifcfile::IfcBuilder;

// Runs a writer of the document's IFC text, turning the ways it can fail into ExportError.
template <class Build>
std::string renderGuarded(ExportDocument::Impl& impl, Build&& build) {
    std::string text;
    const refhost::BudgetScope budget(impl.budget());
    try {
        kernel::runGuarded("writing IFC", [&] {
            impl.ensureMeshed();
            text = build();
        });
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    } catch (const std::invalid_argument& error) {
        throw ExportError(error.what());
    }
    return text;
}

} // namespace

std::string ExportDocument::renderIfc(const std::string& fileName, const IfcOptions& options) {
    return renderGuarded(*impl_, [&] { return IfcBuilder(impl_->parts, options).buildProject(fileName); });
}

void ExportDocument::writeIfc(const std::string& path, const IfcOptions& options) {
    writeRenderedStaged(path, "IFC", [&](const std::string& name) { return renderIfc(name, options); });
}

void ExportDocument::writeIfcLibrary(const std::string& path, const IfcOptions& options) {
    writeRenderedStaged(path, "IFC", [&](const std::string& name) {
        return renderGuarded(*impl_, [&] { return IfcBuilder(impl_->parts, options).buildLibrary(name); });
    });
}

void ExportDocument::writeIfcModel(const std::string& path, const std::vector<IfcPlacement>& placements,
                                   const IfcOptions& options) {
    writeRenderedStaged(path, "IFC", [&](const std::string& name) {
        return renderGuarded(*impl_, [&] { return IfcBuilder(impl_->parts, options).buildModel(name, placements); });
    });
}

} // namespace tcv::exports
