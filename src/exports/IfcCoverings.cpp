// The insulation's covering in the IFC file: each solid of the Insulation aspect less the valve body's
// solids, so that a clash check does not find every valve inside its own insulation and the covering's
// volume is the insulation's own. The cut is a boolean of the geometry kernel, made once per document and
// meshed at the part's deflections; it runs under the part's budget, and may take at most half of the
// part's time limit, so that the file is still written when it cannot finish. Where the cut fails, gives
// no valid solid, does not finish in that time or its triangles do not fit the part's triangle limit, the
// covering is the envelope the aspect builds, valve body included, and its type says so.
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <Message_ProgressIndicator.hxx>
#include <OSD_Parallel.hxx>
#include <Poly_Triangulation.hxx>
#include <Standard_Failure.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

#include "IfcBuilder.h"
#include "MeshEstimate.h"
#include "Meshing.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::exports {

namespace {

// The covering type's Description and TarnCheckValve_Covering's Geometry, by what the covering shows.
constexpr const char* kCutText = "insulation less the valve body";
constexpr const char* kEnvelopeText = "envelope including the valve body";

// Asks the kernel to break once the part's budget ends the work or the cut's own time is up.
class CutProgress final : public Message_ProgressIndicator {
public:
    CutProgress(const refhost::WorkBudget* work, const refhost::WorkBudget& allowance)
        : work_(work), allowance_(allowance) {}
    Standard_Boolean UserBreak() override {
        return (work_ && work_->stopped()) || refhost::interruptSignal() != 0 || allowance_.stopped();
    }
    void Show(const Message_ProgressScope&, const Standard_Boolean) override {}

private:
    const refhost::WorkBudget* work_;
    const refhost::WorkBudget& allowance_;
};

const TopoDS_Shape* solidShape(const ExportedOutput& output) {
    if (output.kind != refhost::OutputKind::Solid || output.shapes.empty() || output.shapes.front().IsNull())
        return nullptr;
    return &output.shapes.front();
}

double volumeOf(const TopoDS_Shape& shape) {
    GProp_GProps properties;
    BRepGProp::VolumeProperties(shape, properties);
    return properties.Mass();
}

// The shape's box, a little larger than its tolerance, so that solids that touch are cut by each other.
Bnd_Box boxOf(const TopoDS_Shape& shape) {
    Bnd_Box box;
    BRepBndLib::Add(shape, box, Standard_False);
    box.Enlarge(1e-6);
    return box;
}

bool hasSolid(const TopoDS_Shape& shape) { return TopExp_Explorer(shape, TopAbs_SOLID).More(); }

// The triangles on the shape's faces; none when a face has none.
std::optional<std::size_t> triangles(const TopoDS_Shape& shape) {
    std::size_t count = 0;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation)& mesh = BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        if (mesh.IsNull() || mesh->NbTriangles() == 0) return std::nullopt;
        count += static_cast<std::size_t>(mesh->NbTriangles());
    }
    return count;
}

// One of the insulation's solids to cut: the body's solids that can reach it, and what came of it.
struct Piece {
    std::size_t output = 0; // its place among the aspect's outputs
    const std::string* name = nullptr;
    TopoDS_Shape solid;
    TopTools_ListOfShape tools;
    TopoDS_Shape cut;                   // null: wholly inside the body
    std::optional<std::string> why;     // why it cannot be shown
    std::optional<std::string> stopped; // why the part's budget ended the work
};

// The cut's own time: half the part's time limit (none without one), from the start of the cuts.
class Allowance {
public:
    explicit Allowance(const refhost::WorkBudget* work)
        : budget_(refhost::WorkLimits{(work ? work->limits().time : std::chrono::microseconds(0)) / 2, 0}) {}
    const refhost::WorkBudget& budget() const { return budget_; }
    // Why `doing` broke off, when the allowance ended it.
    std::optional<std::string> spent(const std::string& doing) const {
        if (!budget_.stopped()) return std::nullopt;
        return doing + " takes longer than " +
               geometry::checked::shortNumber(static_cast<double>(budget_.limits().time.count()) / 1e6) +
               " s, half the time limit of the part";
    }

private:
    const refhost::WorkBudget budget_;
};

// Cuts the piece's solid by its tools and checks what came of it.
void cutPiece(Piece& piece, const refhost::WorkBudget* work, const Allowance& allowance) {
    const std::string doing = "cutting the valve body out of output " + *piece.name;
    if (piece.tools.IsEmpty()) {
        piece.cut = piece.solid; // nothing reaches it: as the document meshed it
        return;
    }
    Handle(CutProgress) progress = new CutProgress(work, allowance.budget());
    BRepAlgoAPI_Cut algorithm;
    TopTools_ListOfShape arguments;
    arguments.Append(piece.solid);
    algorithm.SetArguments(arguments);
    algorithm.SetTools(piece.tools);
    // The document's shapes keep their geometry and triangles: the GLB and the envelope show them.
    algorithm.SetNonDestructive(Standard_True);
    algorithm.SetRunParallel(Standard_False);
    algorithm.Build(progress->Start());
    if ((piece.why = allowance.spent(doing))) return;
    if (!algorithm.IsDone() || algorithm.HasErrors() || algorithm.Shape().IsNull()) {
        piece.why = "the geometry kernel could not cut the valve body out of output " + *piece.name;
        return;
    }
    if (algorithm.IsDeleted(piece.solid)) return; // wholly inside the body
    const TopTools_ListOfShape& modified = algorithm.Modified(piece.solid);
    if (modified.IsEmpty()) {
        piece.cut = piece.solid; // not cut
        return;
    }
    TopoDS_Compound pieces;
    BRep_Builder builder;
    builder.MakeCompound(pieces);
    for (const TopoDS_Shape& split : modified) builder.Add(pieces, split);
    // A copy of its own, so that meshing it leaves the faces it shares with the document's shapes alone.
    const TopoDS_Shape result = BRepBuilderAPI_Copy(pieces, Standard_True, Standard_False).Shape();
    const double volume = volumeOf(result);
    if (!hasSolid(result) || !BRepCheck_Analyzer(result).IsValid() || !(volume > 0) || !std::isfinite(volume) ||
        volume > volumeOf(piece.solid) * (1 + 1e-6)) {
        piece.why = doing + " gave no valid solid";
        return;
    }
    piece.cut = result;
}

// Why the piece's cut cannot be shown; meshes it at the part's deflections, within what the part's
// triangle limit leaves.
std::optional<std::string> meshPiece(Piece& piece, const ExportedPart& part, double relativeDeflection,
                                     refhost::WorkBudget* work, const Allowance& allowance) {
    if (piece.cut.IsNull() || piece.cut.IsSame(piece.solid)) return std::nullopt;
    const std::string doing = "meshing the cut of output " + *piece.name;
    const std::size_t limit = work ? work->limits().triangles : 0;
    const std::size_t used = work ? work->triangles() : 0;
    const std::size_t left = limit > used ? limit - used : 0;
    const std::string tooMany =
        doing + " would exceed the " + std::to_string(left) + " triangles left of the triangle limit of the part";
    if (limit > 0 &&
        estimateTriangles(piece.cut, part.linearDeflection, part.angularDeflection).total > static_cast<double>(left))
        return tooMany;
    Handle(CutProgress) progress = new CutProgress(work, allowance.budget());
    meshAtUnitScale(piece.cut, part.linearDeflection / relativeDeflection, part.linearDeflection,
                    part.angularDeflection, progress->Start());
    refhost::checkWork(doing);
    if (auto why = allowance.spent(doing)) return why;
    const std::optional<std::size_t> made = triangles(piece.cut);
    if (!made) return "the cut of output " + *piece.name + " could not be meshed";
    if (limit > 0 && *made > left) return tooMany;
    if (work) work->addTriangles(*made);
    return std::nullopt;
}

InsulationCover coverOf(const ExportedPart& part, const ExportedAspect& insulation, double relativeDeflection,
                        refhost::WorkBudget* work) {
    InsulationCover cover;
    const auto envelope = [&](std::string why) {
        cover.cuts.clear();
        cover.volume = 0;
        cover.envelopeReason = std::move(why);
        return cover;
    };
    std::vector<std::pair<const TopoDS_Shape*, Bnd_Box>> body;
    if (const ExportedAspect* physical = ifcfile::IfcBuilder::aspectOf(part, ifcfile::kPhysical))
        for (const auto& output : physical->outputs)
            if (const TopoDS_Shape* shape = solidShape(output)) body.emplace_back(shape, boxOf(*shape));
    // Each solid is cut alone by the body's solids that can reach it: cut together, the insulation's
    // solids, which overlap and touch one another, cost more than apart.
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < insulation.outputs.size(); ++i)
        if (const TopoDS_Shape* solid = solidShape(insulation.outputs[i])) {
            Piece& piece = pieces.emplace_back();
            piece.output = i;
            piece.name = &insulation.outputs[i].name;
            piece.solid = *solid;
            const Bnd_Box reach = boxOf(*solid);
            for (const auto& [shape, box] : body)
                if (!reach.IsOut(box)) piece.tools.Append(*shape);
        }
    if (pieces.empty()) return envelope("the insulation has no solid to cut the valve body out of");
    if (body.empty()) return envelope("the valve body has no solid to cut out of the insulation");

    const Allowance allowance(work);
    // The pieces in parallel, as the shapes are meshed: each is a boolean of its own.
    OSD_Parallel::For(
        0, static_cast<int>(pieces.size()),
        [&](int i) {
            Piece& piece = pieces[static_cast<std::size_t>(i)];
            const std::string doing = "cutting the valve body out of output " + *piece.name;
            try {
                const refhost::BudgetScope scope(work);
                kernel::runGuarded(doing, [&] { cutPiece(piece, work, allowance); });
            } catch (const refhost::WorkStopped& stopped) {
                piece.stopped = stopped.what();
            } catch (const host::HostError&) {
                piece.why = allowance.spent(doing).value_or("the geometry kernel failed " + doing);
            }
        },
        pieces.size() < 2);
    for (const Piece& piece : pieces)
        if (piece.stopped) throw refhost::WorkStopped(*piece.stopped);
    for (const Piece& piece : pieces)
        if (piece.why) return envelope(*piece.why);
    cover.cuts.resize(insulation.outputs.size());
    for (Piece& piece : pieces) {
        try {
            if (auto why = meshPiece(piece, part, relativeDeflection, work, allowance))
                return envelope(std::move(*why));
        } catch (const Standard_Failure&) {
            refhost::checkWork("meshing the cut of output " + *piece.name);
            return envelope("the geometry kernel failed meshing the cut of output " + *piece.name);
        }
        cover.cuts[piece.output] = piece.cut;
        if (!piece.cut.IsNull()) cover.volume += volumeOf(piece.cut);
    }
    return cover;
}

} // namespace

void ExportDocument::Impl::ensureCovered() {
    if (covered) return;
    refhost::WorkBudget* work = budget();
    for (auto& part : parts) {
        if (!part.failure.empty() || part.cover) continue;
        const ExportedAspect* insulation = ifcfile::IfcBuilder::aspectOf(part, ifcfile::kInsulation);
        if (!insulation) continue;
        part.cover = std::make_shared<const InsulationCover>(coverOf(part, *insulation, mesh.relativeDeflection, work));
    }
    covered = true;
}

namespace ifcfile {

// The covering's items: each cut as a face set, named and coloured as its output, and the insulation's
// other outputs as the body's are; the envelope's items where no cut is shown.
IfcBuilder::ItemGroups IfcBuilder::coveringItems(const ExportedPart& part, const ExportedAspect& insulation) {
    const InsulationCover* cover = coverOf(part);
    if (!cover || !cover->cut()) return bodyItems(insulation);
    ItemGroups groups;
    for (std::size_t i = 0; i < insulation.outputs.size(); ++i) {
        const ExportedOutput& output = insulation.outputs[i];
        if (!solidShape(output)) {
            ExportedAspect alone;
            alone.name = insulation.name;
            alone.outputs.push_back(output);
            const ItemGroups items = bodyItems(alone);
            groups.swept.insert(groups.swept.end(), items.swept.begin(), items.swept.end());
            groups.advanced.insert(groups.advanced.end(), items.advanced.begin(), items.advanced.end());
            groups.tessellated.insert(groups.tessellated.end(), items.tessellated.begin(), items.tessellated.end());
            continue;
        }
        if (i >= cover->cuts.size() || cover->cuts[i].IsNull()) continue; // wholly inside the body
        const std::size_t item = faceSet(cover->cuts[i]);
        if (!item) continue;
        w_.add("IfcStyledItem", {p21::ref(item), p21::list({p21::ref(style(colourOf(output.kind, insulation.name)))}),
                                 p21::string(output.name)});
        groups.tessellated.push_back(p21::ref(item));
    }
    return groups;
}

// The part's IfcCoveringType when its insulation built anything: its maps, and in its Description and
// TarnCheckValve_Covering whether it shows the insulation less the valve body or the envelope, and why.
void IfcBuilder::addCoveringType(const ExportedPart& part, PartType& type) {
    const ExportedAspect* insulation = aspectOf(part, kInsulation);
    const ItemGroups items = insulation ? coveringItems(part, *insulation) : ItemGroups{};
    if (items.empty()) return;
    type.insulationMaps = representationMaps(items);
    const InsulationCover* cover = coverOf(part);
    const bool cut = cover && cover->cut();
    const std::string reason = cover                                          ? cover->envelopeReason
                               : options_.coverings == IfcCoverings::Envelope ? "envelopes were asked for"
                                                                              : "the insulation was not cut";
    std::vector<Value> properties{single("Geometry", label(cut ? kCutText : kEnvelopeText))};
    if (!cut) properties.push_back(single("EnvelopeReason", p21::typed("IFCTEXT", p21::string(reason))));
    const std::size_t set = propertySet(type.key + "|TarnCheckValve_Covering", "TarnCheckValve_Covering", properties);
    const std::string description = cut ? kCutText : std::string(kEnvelopeText) + ": " + reason;
    type.coveringType =
        w_.add("IfcCoveringType",
               {guid(type.key + "|IfcCoveringType"), owner_, p21::string(part.name + " insulation"),
                p21::string(description), p21::kUnset, p21::list({p21::ref(set)}), listOrUnset(type.insulationMaps),
                p21::kUnset, p21::kUnset, p21::enumeration("INSULATION")});
}

// The covering's volume: its cuts' where it shows them, else the insulation's solids' as the report sums them.
std::optional<double> IfcBuilder::coveringVolume(const ExportedPart& part) const {
    if (const InsulationCover* cover = coverOf(part); cover && cover->cut()) return cover->volume;
    return solidsVolume(aspectOf(part, kInsulation));
}

const InsulationCover* IfcBuilder::coverOf(const ExportedPart& part) const {
    return options_.coverings == IfcCoverings::Cut ? part.cover.get() : nullptr;
}

} // namespace ifcfile

} // namespace tcv::exports
