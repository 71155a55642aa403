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
//     IfcCoveringType (INSULATION) with the insulation's RepresentationMaps, when the part has any: its
//       solids less the valve body's as triangles, or the envelope where that cut cannot be made, which
//       its Description and TarnCheckValve_Covering say (IfcCoverings.cpp)
//   per placed valve: an IfcValve typed by its part's IfcValveType, its 'Body' an IfcMappedItem of each of
//     the type's maps; its own ports nested as on the type, placed relative to the valve and sharing the
//     type ports' property sets; an IfcCovering (mapped likewise) covering the valve
//
// The valve's own axes: x along the run, y towards its top (operator). A single part stands upright (its y
// is the storey's Z); a placed valve turns its x and y to the directions given. A library file declares the
// types in an IfcProjectLibrary instead of placing them. With IfcGeometry::Mesh every body item is an
// IfcTriangulatedFaceSet of the GLB's triangles. GlobalIds are derived from names (the part's, and an
// instance's id), so exporting the same parts again gives the same file. A destination named *.ifczip
// receives the file as IFC-ZIP: one deflated <name>.ifc in a zip archive (IfcZip.cpp).
#include <algorithm>
#include <functional>
#include <limits>
#include <stdexcept>

#include "IfcBuilder.h"
#include "IfcZip.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/kernel/KernelGuard.h"

namespace tcv::exports {

namespace {

using ifcfile::IfcBuilder;

// Runs a writer of the document's IFC text, turning the ways it can fail into ExportError.
template <class Build>
std::string renderGuarded(ExportDocument::Impl& impl, const IfcOptions& options, Build&& build) {
    std::string text;
    const refhost::BudgetScope budget(impl.budget());
    try {
        kernel::runGuarded("writing IFC", [&] {
            impl.ensureMeshed();
            if (options.coverings == IfcCoverings::Cut) impl.ensureCovered();
            text = build();
        });
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    } catch (const std::invalid_argument& error) {
        throw ExportError(error.what());
    }
    return text;
}

constexpr std::size_t kLeftOut = std::numeric_limits<std::size_t>::max();

// Raised by a build that has nothing left to write; NoPartWritten once outside the staged file, which
// would take an ExportError for a failure to write it.
struct NothingLeft {};

// Why the IFC entities of a part alone cannot be written; empty when they can.
std::string entityFailure(const ExportedPart& part, const IfcOptions& options) {
    try {
        kernel::runGuarded("writing IFC", [&] { IfcBuilder({part}, options).buildLibrary("part.ifc"); });
    } catch (const refhost::WorkStopped&) {
        throw;
    } catch (const host::HostError& error) {
        return error.what();
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return {};
}

// Leaves out, beside the parts already in `leftOut`, those whose entities cannot be written alone; false
// when every other part's can. `leftOut` stays in part order.
bool leaveOutFailingParts(const ExportDocument::Impl& impl, const IfcOptions& options,
                          std::vector<LeftOutPart>& leftOut) {
    bool found = false;
    for (std::size_t i = 0; i < impl.parts.size(); ++i) {
        if (std::any_of(leftOut.begin(), leftOut.end(), [&](const LeftOutPart& out) { return out.part == i; }))
            continue;
        std::string why = entityFailure(impl.parts[i], options);
        if (why.empty()) continue;
        leftOut.push_back({i, impl.parts[i].name, std::move(why)});
        found = true;
    }
    std::sort(leftOut.begin(), leftOut.end(),
              [](const LeftOutPart& a, const LeftOutPart& b) { return a.part < b.part; });
    return found;
}

// The text `build` makes of the parts that can be written, given them and, per part of the document, its
// place among them (kLeftOut for a part left out). A part that cannot be meshed is left out at once; when
// writing the others fails, each is tried alone and those that fail alone are left out too, so that a
// file of good parts costs no more than before. A failure that no part has alone fails the file.
template <class Build>
std::string renderLeavingOut(ExportDocument::Impl& impl, const IfcOptions& options, std::vector<LeftOutPart>& leftOut,
                             Build&& build) {
    leftOut.clear();
    std::string text;
    const refhost::BudgetScope budget(impl.budget());
    const std::vector<ExportedPart>& parts = impl.parts;
    const auto attempt = [&] {
        if (leftOut.empty()) {
            std::vector<std::size_t> place(parts.size());
            for (std::size_t i = 0; i < parts.size(); ++i) place[i] = i;
            return build(parts, place);
        }
        std::vector<ExportedPart> kept;
        std::vector<std::size_t> place(parts.size(), kLeftOut);
        for (std::size_t i = 0, next = 0; i < parts.size(); ++i) {
            if (next < leftOut.size() && leftOut[next].part == i) {
                ++next;
                continue;
            }
            place[i] = kept.size();
            kept.push_back(parts[i]);
        }
        return build(kept, place);
    };
    try {
        kernel::runGuarded("writing IFC", [&] {
            impl.ensureMeshed(true);
            if (options.coverings == IfcCoverings::Cut) impl.ensureCovered();
            for (std::size_t i = 0; i < parts.size(); ++i)
                if (!parts[i].failure.empty()) leftOut.push_back({i, parts[i].name, parts[i].failure});
            try {
                text = attempt();
                return;
            } catch (const refhost::WorkStopped&) {
                throw;
            } catch (const host::HostError&) {
                if (!leaveOutFailingParts(impl, options, leftOut)) throw;
            } catch (const std::invalid_argument&) {
                if (!leaveOutFailingParts(impl, options, leftOut)) throw;
            }
            text = attempt();
        });
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    } catch (const std::invalid_argument& error) {
        throw ExportError(error.what());
    }
    return text;
}

// Writes the IFC text `render` makes for a file name through a staged file: for a destination named
// *.ifczip the IFC-ZIP archive holding it as <name>.ifc (whose header names that entry), else the text.
void writeIfcFile(const std::string& path, const std::function<std::string(const std::string& fileName)>& render) {
    if (!isIfcZipPath(path)) {
        writeRenderedStaged(path, "IFC", render);
        return;
    }
    const std::string entry = ifcZipEntryName(path);
    writeRenderedStaged(path, "IFC-ZIP",
                        [&](const std::string&) { return ifcZipArchive(entry, render(entry), p21::fileMoment()); });
}

} // namespace

NoPartWritten::NoPartWritten(std::vector<LeftOutPart> parts)
    : ExportError([&] {
          std::string text = "no part could be written";
          for (const auto& part : parts) text += "; part '" + part.name + "': " + part.reason;
          return text;
      }()),
      leftOut(std::move(parts)) {}

std::string ExportDocument::renderIfc(const std::string& fileName, const IfcOptions& options) {
    return renderGuarded(*impl_, options, [&] { return IfcBuilder(impl_->parts, options).buildProject(fileName); });
}

void ExportDocument::writeIfc(const std::string& path, const IfcOptions& options) {
    writeIfcFile(path, [&](const std::string& name) { return renderIfc(name, options); });
}

std::vector<LeftOutPart> ExportDocument::writeIfcLibrary(const std::string& path, const IfcOptions& options) {
    std::vector<LeftOutPart> leftOut;
    try {
        writeIfcFile(path, [&](const std::string& name) {
            return renderLeavingOut(*impl_, options, leftOut,
                                    [&](const std::vector<ExportedPart>& parts, const std::vector<std::size_t>&) {
                                        if (parts.empty() && !impl_->parts.empty()) throw NothingLeft{};
                                        return IfcBuilder(parts, options).buildLibrary(name);
                                    });
        });
    } catch (const NothingLeft&) {
        throw NoPartWritten(leftOut);
    }
    return leftOut;
}

std::vector<LeftOutPart> ExportDocument::writeIfcModel(const std::string& path,
                                                       const std::vector<IfcPlacement>& placements,
                                                       const IfcOptions& options) {
    std::vector<LeftOutPart> leftOut;
    try {
        writeIfcFile(path, [&](const std::string& name) {
            // Placements that cannot be placed are the caller's mistake: refused before any work.
            try {
                for (const auto& placement : placements) IfcBuilder::placementAxes(placement, impl_->parts.size());
            } catch (const std::invalid_argument& error) {
                throw ExportError(error.what());
            }
            return renderLeavingOut(*impl_, options, leftOut,
                                    [&](const std::vector<ExportedPart>& parts, const std::vector<std::size_t>& place) {
                                        if (parts.size() == impl_->parts.size())
                                            return IfcBuilder(parts, options).buildModel(name, placements);
                                        std::vector<IfcPlacement> kept;
                                        for (const auto& placement : placements)
                                            if (place[placement.part] != kLeftOut) {
                                                kept.push_back(placement);
                                                kept.back().part = place[placement.part];
                                            }
                                        if (kept.empty() && !placements.empty()) throw NothingLeft{};
                                        return IfcBuilder(parts, options).buildModel(name, kept);
                                    });
        });
    } catch (const NothingLeft&) {
        throw NoPartWritten(leftOut);
    }
    return leftOut;
}

} // namespace tcv::exports
