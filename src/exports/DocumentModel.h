// The inside of an export document, shared by the writers: the assembly document and, beside it, what the
// writers need to know of every part, aspect and output: its typed records (DocumentRecords.h) and the
// shapes to mesh.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <Quantity_ColorRGBA.hxx>
#include <TDF_Label.hxx>
#include <TDocStd_Document.hxx>
#include <TopoDS_Shape.hxx>

#include "DocumentRecords.h"
#include "tarncheckvalve/exports/Export.h"

namespace tcv::exports {

struct ExportedOutput : OutputRecord {
    // The shapes drawn for the output: one for a solid, surface or nozzle (none when it has no graphics),
    // the stem and handwheel for the valve operator.
    std::vector<TopoDS_Shape> shapes;
    // Names of the sub-assembly's components when the output is the valve operator, beside `shapes`.
    std::vector<std::string> shapeNames;
    // What the host recorded of the output's creation (its kind and defining values, where it now lies).
    refhost::Creation creation;
    // A solid output's shape as the host built it (never moved or copied): its volume is measured on it,
    // the same number the part's report gives. Null for other outputs.
    TopoDS_Shape solid;
};

struct ExportedAspect : AspectRecord {
    std::vector<ExportedOutput> outputs;
};

// What the IFC covering of a part's insulation shows: each of the Insulation aspect's solids less the
// valve body's solids, or, where that cut cannot be made, is no valid solid or does not fit the part's
// budget, the envelope the aspect builds, and why (IfcCoverings.cpp).
struct InsulationCover {
    // Beside the aspect's outputs: a solid output's cut, meshed at the part's deflections; null for the
    // other outputs and a solid wholly inside the body. Empty where the envelope is shown.
    std::vector<TopoDS_Shape> cuts;
    double volume = 0;          // the cuts' volumes summed, cubic metres
    std::string envelopeReason; // empty where the cuts are shown
    bool cut() const { return envelopeReason.empty(); }
};

struct ExportedPart : PartRecord {
    std::vector<ExportedAspect> aspects;
    double size = 0; // the diagonal of the box of its shapes' edges, metres
    double linearDeflection = 0;
    double angularDeflection = 0;
    // Why the part cannot be meshed (its meshes would not fit its budget, or it is too small); empty when
    // it can. Set when the parts are fitted to their budget.
    std::string failure;
    // The insulation's covering, made once for the document's IFC files (null until then, or without an
    // Insulation aspect).
    std::shared_ptr<const InsulationCover> cover;
};

// Every name given to a label of the assembly document, byte for byte as the records have it: the label's
// name attribute holds a name only up to its first NUL byte.
using LabelNames = std::vector<std::pair<TDF_Label, std::string>>;

struct ExportDocument::Impl {
    MeshSettings mesh;
    Handle(TDocStd_Document) document;
    LabelNames labelNames;
    std::vector<ExportedPart> parts;
    bool fitted = false;
    bool meshed = false;
    bool covered = false;

    void build(const std::vector<catalog::PartReport>& reports);
    // Triangulates every shape once, for GLB, STL and IFC; raises ExportError for the first part that
    // cannot be meshed (its meshes would not fit its triangle budget, or it is too small), before any
    // meshing, and refhost::WorkStopped when the budget ends the work. With `leaveOutFailures`, such parts
    // keep their reason in `failure` and the others are meshed.
    void ensureMeshed(bool leaveOutFailures = false);
    // Makes each meshed part's insulation cover, once (IfcCoverings.cpp); raises refhost::WorkStopped when
    // the budget ends the work.
    void ensureCovered();
    // The budget the export works under: the settings' or the calling thread's.
    refhost::WorkBudget* budget() const;
};

// The colour an output is drawn in, by what it is and the aspect it belongs to (given in sRGB).
const Quantity_ColorRGBA& colourOf(refhost::OutputKind kind, const std::string& aspect);

// Silences the translators' progress chatter on stdout; failures still reach stderr. Once per process.
void quietTranslators();

} // namespace tcv::exports
