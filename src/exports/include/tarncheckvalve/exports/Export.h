// Exports of evaluated parts: one assembly document (names, colours, port data) written as STEP (AP214),
// binary glTF (GLB), binary STL and IFC4.
//
// The document holds, per part, an assembly named after the part with one assembly per evaluated aspect
// ("Physical", "Insulation"); each aspect holds its outputs as named components in output order (repeated
// literal names such as "Body_" stay repeated). The valve operator is a sub-assembly of its own (its stem
// and handwheel inside), nozzles are components carrying their port graphics. Lengths are metres in
// every format. Outputs a failing aspect added before it failed are exported like any other.
//
// Thread use: one document belongs to one thread. Documents of different parts may be built, meshed and
// written as GLB or STL on different threads at once; STEP writing goes through the translator's global
// parameters and is serialised inside writeStep.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tarncheckvalve/catalog/PartReport.h"
#include "tarncheckvalve/exports/IsolatedMesh.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::exports {

// A file that could not be written. Nothing is left at the destination when it is raised.
class TCV_EXPORT ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MeshCache;

// How finely faces are triangulated for GLB, STL and IFC, and the budget the export works under.
//
// The linear deflection is a fraction of the part's overall size (the diagonal of the bounding box of all
// its shapes' edges, insulation included), rounded down to a quarter power of two, so that a valve whose
// size changes a little is meshed as finely as before; the smallest element the mesher makes is as long
// as the deflection. Each shape is meshed as its copy scaled down to unit size would be, and the triangles
// scaled back onto it, so that a valve scaled by any factor meshes into about as many triangles: 0.49 mm
// for an NPS 4 swing check. 0.35 rad of angular
// deflection draws a full circle with 18 segments, so pipes look round at every size while a 4 in valve's GLB stays
// well under 1 MB.
//
// A part whose meshes would hold more triangles than its budget allows (a body hundreds of metres long
// and a few centimetres across) is meshed more coarsely, down to six segments a circle, and refused when
// even that is too many. A valve too small for the geometry kernel's tolerance to mesh is refused.
struct MeshSettings {
    double relativeDeflection = 0.001;
    double angularDeflection = 0.35; // radians
    // Where given, shapes meshed before with the same settings take their triangles from here, and the
    // shapes this document meshes are added to it.
    std::shared_ptr<MeshCache> cache;
    // The budget that meshing and writing run under: its time limit and triangle limit, cancellation.
    // None: the budget of the calling thread's work (refhost::BudgetScope), if any.
    std::shared_ptr<refhost::WorkBudget> budget;
    // Where given, shapes with a face too large to be meshed between two looks at the budget are meshed
    // by this instead (IsolatedMesh.h).
    IsolatedMesher isolatedMesher;
};

// The names the export gives the parts of the valve operator's picture inside its sub-assembly.
inline constexpr const char* kOperatorStemName = "Stem";
inline constexpr const char* kOperatorHandwheelName = "Handwheel";

// How IFC states the bodies: as exact swept solids where the creation has such a form (the rest as
// triangles), or every body as triangles, for readers that want meshes.
enum class IfcGeometry { Exact, Mesh };

// How exact items state their profiles and paths: as IfcIndexedPolyCurve (lines and arcs by point
// indices), or as IfcCompositeCurve of IfcPolyline and IfcTrimmedCurve pieces of IfcCircle, which
// readers without indexed poly curves draw; these get a straight piece of a swept tube as the extrusion
// of its circle, which they draw more surely than a swept disk.
enum class IfcCurves { Indexed, Composite };

// What an insulation covering shows: the insulation less the valve body, cut by the geometry kernel within
// the part's budget (where it cannot be, the envelope, and the covering's type says why), or the envelope
// the Insulation aspect builds, valve body included, which costs no cut.
enum class IfcCoverings { Cut, Envelope };

struct IfcOptions {
    IfcGeometry geometry = IfcGeometry::Exact;
    IfcCurves curves = IfcCurves::Indexed;
    IfcCoverings coverings = IfcCoverings::Cut;
    // A model's name: the IfcProject's Name and the namespace its placed valves' GlobalIds are derived in
    // together with their instance ids, so that the same instance id in two models (say two plant areas,
    // each with a V-101) gives two valves, two sets of ports and two coverings. Empty: the project is
    // named "TarnCheckValve model" and the GlobalIds come from the instance ids alone.
    std::string project;
};

// One valve placed in an IFC model: an instance id (its name, and the source of its GlobalIds), the
// document's part it is (0-based), where its centre lies, the direction its run looks in (its x axis,
// from port 1 towards port 2) and its up direction (its y axis, towards the top); metres.
struct IfcPlacement {
    std::string instance;
    std::size_t part = 0;
    std::array<double, 3> position{0, 0, 0};
    std::array<double, 3> direction{1, 0, 0};
    std::array<double, 3> up{0, 0, 1};
    // The building storey it stands in (empty: the model's one unnamed storey) and the distribution system it
    // belongs to (empty: none). A named storey's elevation is the lowest z of its valves.
    std::string storey{};
    std::string system{};
};

// A part an IFC model or library was written without, and why.
struct LeftOutPart {
    std::size_t part = 0; // its place among the document's parts (0-based)
    std::string name;
    std::string reason;
};

// An IFC model or library of which no part could be written: nothing was written. `leftOut` names each
// part with its reason.
class TCV_EXPORT NoPartWritten : public ExportError {
public:
    explicit NoPartWritten(std::vector<LeftOutPart> parts);
    std::vector<LeftOutPart> leftOut;
};

class TCV_EXPORT ExportDocument {
public:
    // Builds the document for the parts; the reports need not outlive it.
    explicit ExportDocument(const std::vector<catalog::PartReport>& reports, MeshSettings mesh = {});
    explicit ExportDocument(const catalog::PartReport& report, MeshSettings mesh = {});
    ~ExportDocument();
    ExportDocument(const ExportDocument&) = delete;
    ExportDocument& operator=(const ExportDocument&) = delete;

    // STEP AP214 with part, aspect and output names and colours; lengths in metres.
    void writeStep(const std::string& path) const;
    // Binary glTF of every aspect; every output node carries extras {"kind", "aspect", "index"} (index:
    // place in the aspect's output order, from 1) and nozzle nodes their port data.
    void writeGlb(const std::string& path);
    // Binary STL of the Physical aspect of every part.
    void writeStl(const std::string& path);
    // IFC4 (ISO 10303-21 text): per part an IfcValveType carrying the body (and an IfcCoveringType the
    // insulation) and, in one storey, an IfcValve showing it by mapped items, with its ports; lengths in
    // metres, angles in radians. The same parts give the same file.
    void writeIfc(const std::string& path, const IfcOptions& options = {});
    // IFC4 content library: an IfcProjectLibrary declaring each part's IfcValveType (and IfcCoveringType)
    // with its geometry, ports and property sets. A part that cannot be written (its meshes would not fit
    // its budget, it is too small to mesh, or its entities cannot be written) is left out, and returned
    // with its reason; the others are written. Raises NoPartWritten, writing nothing, when no part can be.
    [[nodiscard]] std::vector<LeftOutPart> writeIfcLibrary(const std::string& path, const IfcOptions& options = {});
    // IFC4 model: one IfcValve per placement in one storey, each mapped from its part's type (each type
    // written once). Raises ExportError, before any work, for a placement that names no part or whose
    // directions are parallel or without length. A part that cannot be written is left out as from a
    // library, with the valves placed of it; NoPartWritten when no placement's part can be written.
    [[nodiscard]] std::vector<LeftOutPart>
    writeIfcModel(const std::string& path, const std::vector<IfcPlacement>& placements, const IfcOptions& options = {});

    // The same files' bytes in memory, for a caller that sends them on rather than keeping them (the
    // server's exports); each raises ExportError saying what failed. The IFC header names `fileName`.
    std::string renderStep() const;
    std::string renderGlb();
    std::string renderStl();
    std::string renderIfc(const std::string& fileName, const IfcOptions& options = {});

    // The linear deflection used for the part at `partIndex` (0-based), in metres.
    double linearDeflection(std::size_t partIndex) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace tcv::exports
