// Building the assembly document from evaluated parts, and meshing its shapes.
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GeomAdaptor_Surface.hxx>
#include <Geom_Surface.hxx>
#include <IMeshTools_Parameters.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>
#include <NCollection_DataMap.hxx>
#include <OSD_Parallel.hxx>
#include <Poly_Triangulation.hxx>
#include <Precision.hxx>
#include <Quantity_ColorRGBA.hxx>
#include <TDataStd_Name.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Iterator.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include "DocumentModel.h"
#include "MeshCacheImpl.h"
#include "MeshEstimate.h"
#include "Meshing.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/kernel/OccKernel.h"
#include "tarncheckvalve/kernel/WorkProgress.h"

namespace tcv::exports {

namespace {

// Colours by what an output is, given in sRGB as a viewer shows them.
Quantity_ColorRGBA srgb(double r, double g, double b, float alpha = 1.0f) {
    return Quantity_ColorRGBA(Quantity_Color(r, g, b, Quantity_TOC_sRGB), alpha);
}
const Quantity_ColorRGBA& bodyColour() {
    static const Quantity_ColorRGBA colour = srgb(0.62, 0.64, 0.67); // metal grey
    return colour;
}
const Quantity_ColorRGBA& insulationColour() {
    static const Quantity_ColorRGBA colour = srgb(0.98, 0.91, 0.62, 0.35f); // light, see-through
    return colour;
}
const Quantity_ColorRGBA& nozzleColour() {
    static const Quantity_ColorRGBA colour = srgb(0.93, 0.46, 0.12); // orange port graphics
    return colour;
}
const Quantity_ColorRGBA& operatorColour() {
    static const Quantity_ColorRGBA colour = srgb(0.16, 0.38, 0.80); // blue operator
    return colour;
}

bool hasToroidalFace(const TopoDS_Shape& shape) {
    for (TopExp_Explorer faces(shape, TopAbs_FACE); faces.More(); faces.Next())
        if (GeomAdaptor_Surface(BRep_Tool::Surface(TopoDS::Face(faces.Current()))).GetType() == GeomAbs_Torus)
            return true;
    return false;
}

// The shape an output draws; graphics the host cannot make leave the output without shapes.
TopoDS_Shape shapeOf(const refhost::RecordedObject& recorded) {
    try {
        return kernel::occShape(recorded.shape());
    } catch (const std::exception&) {
        return {};
    }
}

ExportedOutput exportedOutput(const refhost::NamedOutput& output) {
    ExportedOutput exported;
    exported.name = output.name;
    const auto* recorded = dynamic_cast<const refhost::RecordedObject*>(output.object.get());
    if (!recorded) return exported;
    exported.kind = recorded->outputKind();
    exported.recorded = true;
    exported.creation = recorded->creation();
    if (exported.kind == refhost::OutputKind::Nozzle) exported.nozzle = nozzleRecordOf(exported.creation);
    if (exported.kind == refhost::OutputKind::Occurrence)
        exported.operatorOccurrence = operatorRecordOf(exported.creation);
    TopoDS_Shape shape = shapeOf(*recorded);
    if (shape.IsNull()) return exported;
    if (exported.kind == refhost::OutputKind::Solid) exported.solid = shape;
    if (exported.kind == refhost::OutputKind::Occurrence && shape.ShapeType() == TopAbs_COMPOUND) {
        // The operator's picture: a stem (a cylinder, when the operator stands off the body) and a handwheel.
        for (TopoDS_Iterator it(shape); it.More(); it.Next()) {
            exported.shapes.push_back(it.Value());
            exported.shapeNames.push_back(hasToroidalFace(it.Value()) ? kOperatorHandwheelName : kOperatorStemName);
        }
    } else {
        exported.shapes.push_back(shape);
        exported.shapeNames.push_back(output.name);
    }
    return exported;
}

ExportedPart exportedPart(const catalog::PartReport& report) {
    ExportedPart part;
    part.name = report.part.name;
    part.partDataBasis = report.part.partDataBasis;
    part.description = report.part.description;
    part.ports = report.part.ports;
    for (const auto& result : report.aspects) {
        ExportedAspect aspect;
        aspect.name = result.aspect;
        const auto& outputs = result.outputs ? result.outputs->outputs() : std::vector<refhost::NamedOutput>{};
        aspect.ok = result.ok;
        aspect.errorCode = result.errorCode;
        for (const auto& output : outputs) aspect.outputs.push_back(exportedOutput(output));
        part.aspects.push_back(std::move(aspect));
    }
    return part;
}

// Names the label, and keeps the name whole in `names`: the label's name attribute ends at a NUL byte.
void setName(LabelNames& names, const TDF_Label& label, const std::string& name) {
    TDataStd_Name::Set(label, TCollection_ExtendedString(name.c_str(), Standard_True));
    names.emplace_back(label, name);
}

// A named component of `assembly` referring to `shapeLabel`, placed at `location`.
void addComponent(LabelNames& names, const Handle(XCAFDoc_ShapeTool) & shapes, const TDF_Label& assembly,
                  const TDF_Label& shapeLabel, const std::string& name,
                  const TopLoc_Location& location = TopLoc_Location()) {
    TDF_Label component = shapes->AddComponent(assembly, shapeLabel, location);
    if (component.IsNull()) throw ExportError("the assembly document refused the component '" + name + "'");
    setName(names, component, name);
}

// A named leaf shape coloured by its kind, as it lies before it is moved into place (its component carries
// the move: see placeOf); an empty assembly when the output draws nothing, so that it keeps its place
// among the outputs. A shape placed several times is one leaf, which each placement refers to.
TDF_Label addLeaf(LabelNames& names, const Handle(XCAFDoc_ShapeTool) & shapes,
                  const Handle(XCAFDoc_ColorTool) & colours, const TopoDS_Shape& shape, const std::string& name,
                  const Quantity_ColorRGBA& colour) {
    TDF_Label label = shape.IsNull()
                          ? shapes->NewShape()
                          : shapes->AddShape(shape.Located(TopLoc_Location()), Standard_False, Standard_False);
    setName(names, label, name);
    if (!shape.IsNull()) {
        colours->SetColor(label, colour, XCAFDoc_ColorGen);
        colours->SetColor(label, colour, XCAFDoc_ColorSurf);
    }
    return label;
}

// Where a leaf's component puts it: the move of a shape that was moved into place.
TopLoc_Location placeOf(const TopoDS_Shape& shape) { return shape.IsNull() ? TopLoc_Location() : shape.Location(); }

double overallSize(const ExportedPart& part) {
    Bnd_Box box;
    for (const auto& aspect : part.aspects)
        for (const auto& output : aspect.outputs)
            for (const auto& shape : output.shapes)
                // The edges' box: as good a measure of size as the faces' and far cheaper for faces that
                // curve two ways (a handwheel's torus takes a search over the surface).
                for (TopExp_Explorer edge(shape, TopAbs_EDGE); edge.More(); edge.Next())
                    BRepBndLib::Add(edge.Current(), box, Standard_False);
    if (box.IsVoid()) return 0;
    const double diagonal = std::sqrt(box.SquareExtent());
    return std::isfinite(diagonal) ? diagonal : 0;
}

} // namespace

const Quantity_ColorRGBA& colourOf(refhost::OutputKind kind, const std::string& aspect) {
    if (kind == refhost::OutputKind::Nozzle) return nozzleColour();
    if (kind == refhost::OutputKind::Occurrence) return operatorColour();
    return aspect == contract::aspectName(contract::Aspect::Insulation) ? insulationColour() : bodyColour();
}

void quietTranslators() {
    static std::once_flag once;
    std::call_once(once, [] {
        const Handle(Message_Messenger)& messenger = Message::DefaultMessenger();
        messenger->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
        messenger->AddPrinter(new Message_PrinterOStream("cerr", Standard_False, Message_Fail));
    });
}

void ExportDocument::Impl::build(const std::vector<catalog::PartReport>& reports) {
    quietTranslators();
    kernel::runGuarded("building the assembly document", [&] {
        document = new TDocStd_Document("BinXCAF");
        XCAFDoc_DocumentTool::Set(document->Main());
        XCAFDoc_DocumentTool::SetLengthUnit(document, 1.0); // the shapes' lengths are metres
        Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(document->Main());
        Handle(XCAFDoc_ColorTool) colours = XCAFDoc_DocumentTool::ColorTool(document->Main());

        NCollection_DataMap<TopoDS_Shape, std::string, TopTools_ShapeMapHasher> productNames;
        for (const auto& report : reports) {
            ExportedPart part = exportedPart(report);
            const double size = overallSize(part);
            part.size = size;
            part.linearDeflection =
                size > 0 ? std::exp2(std::floor(4 * std::log2(mesh.relativeDeflection * size)) / 4) : 0;
            part.angularDeflection = mesh.angularDeflection;

            // The translators key products by shape as it lies unmoved: one solid placed twice under one
            // name is one product with two placements, but a solid added under a second name gets a copy,
            // so that each name stays a product of its own.
            for (auto& aspect : part.aspects)
                for (auto& output : aspect.outputs)
                    for (std::size_t i = 0; i < output.shapes.size(); ++i) {
                        TopoDS_Shape& shape = output.shapes[i];
                        if (shape.IsNull()) continue;
                        const std::string& name =
                            output.kind == refhost::OutputKind::Occurrence ? output.shapeNames[i] : output.name;
                        const TopoDS_Shape unmoved = shape.Located(TopLoc_Location());
                        const std::string* known = productNames.Seek(unmoved);
                        if (!known)
                            productNames.Bind(unmoved, name);
                        else if (*known != name)
                            shape = BRepBuilderAPI_Copy(unmoved).Shape().Located(shape.Location());
                    }

            TDF_Label partLabel = shapes->NewShape();
            setName(labelNames, partLabel, part.name);
            for (const auto& aspect : part.aspects) {
                TDF_Label aspectLabel = shapes->NewShape();
                setName(labelNames, aspectLabel, aspect.name);
                for (const auto& output : aspect.outputs) {
                    const Quantity_ColorRGBA& colour = colourOf(output.kind, aspect.name);
                    TDF_Label outputLabel;
                    if (output.kind == refhost::OutputKind::Occurrence) {
                        outputLabel = shapes->NewShape();
                        setName(labelNames, outputLabel, output.name);
                        for (std::size_t i = 0; i < output.shapes.size(); ++i)
                            addComponent(
                                labelNames, shapes, outputLabel,
                                addLeaf(labelNames, shapes, colours, output.shapes[i], output.shapeNames[i], colour),
                                output.shapeNames[i], placeOf(output.shapes[i]));
                    } else {
                        outputLabel = addLeaf(labelNames, shapes, colours,
                                              output.shapes.empty() ? TopoDS_Shape() : output.shapes.front(),
                                              output.name, colour);
                    }
                    const bool leaf = output.kind != refhost::OutputKind::Occurrence && !output.shapes.empty();
                    addComponent(labelNames, shapes, aspectLabel, outputLabel, output.name,
                                 leaf ? placeOf(output.shapes.front()) : TopLoc_Location());
                }
                addComponent(labelNames, shapes, partLabel, aspectLabel, aspect.name);
            }
            parts.push_back(std::move(part));
        }
        shapes->UpdateAssemblies();
    });
}

// The mesher's settings for a part. The Delabella triangulation gives the same triangles within the same
// deflections as the default Watson insertion (the same counts within 0.5%, the same volume error) in a
// third of the time, which is most of the time of a GLB. The faces of a shape are meshed in parallel: each
// face's triangles depend on that face and its edges alone, so the result is the same as one by one.
static IMeshTools_Parameters meshParameters(double linearDeflection, double angularDeflection) {
    IMeshTools_Parameters parameters;
    parameters.Deflection = linearDeflection;
    parameters.Angle = angularDeflection;
    parameters.Relative = Standard_False;
    parameters.InParallel = Standard_True;
    parameters.MeshAlgo = IMeshTools_MeshAlgoType_Delabella;
    // No element shorter than the deflection: the mesher would otherwise split a long narrowing cone into
    // rows as short as its narrow end is round, whatever the part's size.
    parameters.MinSize = linearDeflection;
    return parameters;
}

namespace {

struct MeshJob {
    const TopoDS_Shape* shape;
    const std::string* name;
    ExportedPart* part;
};

// The smallest feature a shape is meshed at after scaling: a thousand times the kernel's tolerance, so that
// no edge of it falls to the size where the kernel takes points as one.
constexpr double kSmallestScaledFeature = 1e-4;

// The extent of the shape's smallest edge (the diagonal of its box), or 0 for a shape without edges.
double smallestEdge(const TopoDS_Shape& shape) {
    double smallest = 0;
    for (TopExp_Explorer edges(shape, TopAbs_EDGE); edges.More(); edges.Next()) {
        if (BRep_Tool::Degenerated(TopoDS::Edge(edges.Current()))) continue;
        Bnd_Box box;
        BRepBndLib::Add(edges.Current(), box, Standard_False);
        if (box.IsVoid()) continue;
        const double extent = std::sqrt(box.SquareExtent());
        if (extent > 0 && (smallest == 0 || extent < smallest)) smallest = extent;
    }
    return smallest;
}

} // namespace

// Meshes `shape` as its copy scaled down by `size` would be meshed, and puts those triangles, scaled back,
// on its own faces. The mesher compares some of its quantities (a surface's derivatives, the distance
// between points) with the kernel's fixed tolerances, so a valve drawn 10^4 times larger would otherwise
// mesh its free-form faces differently; meshed at one scale, it meshes alike at any. A shape whose
// smallest edge would shrink below kSmallestScaledFeature (a pipe of a body kilometres long) is scaled
// down only that far.
void meshAtUnitScale(const TopoDS_Shape& shape, double size, double linear, double angular,
                     const Message_ProgressRange& range) {
    const TopoDS_Shape base = shape.Located(TopLoc_Location());
    const double smallest = smallestEdge(base);
    const double factor = smallest > 0 ? std::max(1 / size, kSmallestScaledFeature / smallest) : 1 / size;
    size = 1 / factor;
    gp_Trsf toUnit;
    toUnit.SetScale(gp_Pnt(0, 0, 0), factor);
    BRepBuilderAPI_Transform scaling(base, toUnit, Standard_True);
    if (!scaling.IsDone()) {
        BRepMesh_IncrementalMesh(base, meshParameters(linear, angular), range);
        return;
    }
    BRepMesh_IncrementalMesh(scaling.Shape(), meshParameters(linear / size, angular), range);
    const gp_Trsf fromUnit = toUnit.Inverted();
    BRep_Builder builder;
    for (TopExp_Explorer it(base, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face face = TopoDS::Face(it.Current());
        const TopoDS_Shape modified = scaling.ModifiedShape(face);
        if (modified.IsNull() || modified.ShapeType() != TopAbs_FACE) continue;
        TopLoc_Location unitLocation;
        const Handle(Poly_Triangulation)& unit = BRep_Tool::Triangulation(TopoDS::Face(modified), unitLocation);
        if (unit.IsNull()) continue;
        // From the scaled face's own frame to this face's own frame.
        const gp_Trsf back = face.Location().Transformation().Inverted() * fromUnit * unitLocation.Transformation();
        TopLoc_Location surfaceLocation;
        const Handle(Geom_Surface) unitSurface = BRep_Tool::Surface(TopoDS::Face(modified), surfaceLocation);
        Handle(Poly_Triangulation) triangles =
            new Poly_Triangulation(unit->NbNodes(), unit->NbTriangles(), unit->HasUVNodes());
        for (Standard_Integer i = 1; i <= unit->NbNodes(); ++i) {
            triangles->SetNode(i, unit->Node(i).Transformed(back));
            if (!unit->HasUVNodes()) continue;
            Standard_Real u = unit->UVNode(i).X(), v = unit->UVNode(i).Y();
            unitSurface->TransformParameters(u, v, back);
            triangles->SetUVNode(i, gp_Pnt2d(u, v));
        }
        for (Standard_Integer i = 1; i <= unit->NbTriangles(); ++i) triangles->SetTriangle(i, unit->Triangle(i));
        triangles->Deflection(unit->Deflection() * size);
        builder.UpdateFace(face, triangles);
    }
}

namespace {

// True when no face is used by two of the shapes (each shape is taken once however often it is placed,
// but two shapes could still be built on one face): such shapes can be meshed at the same time, each
// writing only its own faces' triangles.
bool facesUnshared(const std::vector<MeshJob>& jobs) {
    TopTools_MapOfShape faces;
    for (const auto& job : jobs) {
        TopTools_MapOfShape own;
        for (TopExp_Explorer it(*job.shape, TopAbs_FACE); it.More(); it.Next()) {
            const TopoDS_Shape face = it.Current().Located(TopLoc_Location());
            if (own.Add(face) && !faces.Add(face)) return false;
        }
    }
    return true;
}

// "output Body is 292 m long and 0.114 m across": a shape's two largest extents.
std::string extentText(const TopoDS_Shape& shape, const std::string& name) {
    Bnd_Box box;
    BRepBndLib::Add(shape, box, Standard_False);
    if (box.IsVoid()) return "output " + name;
    double x1, y1, z1, x2, y2, z2;
    box.Get(x1, y1, z1, x2, y2, z2);
    double extents[3] = {x2 - x1, y2 - y1, z2 - z1};
    std::sort(extents, extents + 3);
    return "output " + name + " is " + geometry::checked::shortNumber(extents[2]) + " m long and " +
           geometry::checked::shortNumber(extents[1]) + " m across";
}

// The coarsest angular deflection a part's meshes are given to fit its triangle budget: six segments a
// circle.
constexpr double kCoarsestAngle = M_PI / 3;
// The most triangles one face may take: the mesher's time grows with the square of a face's triangles, and
// a face of this many takes it one to two seconds.
constexpr double kFaceTriangleLimit = 60'000;
// The finest linear deflection the mesher is asked for: ten times the kernel's own tolerance, below which
// its points merge.
const double kFinestDeflection = 10 * Precision::Confusion();

// Fits each part's deflections to the triangle budget and to the face limit, by the estimate of what the
// mesher will make; a part that does not fit even at the coarsest, or that is too small to mesh, gets the
// reason in its `failure`.
void fitToBudget(std::vector<ExportedPart>& parts, const std::vector<MeshJob>& jobs, std::size_t limit) {
    const double budget = limit > 0 ? static_cast<double>(limit) : std::numeric_limits<double>::infinity();
    for (auto& part : parts) {
        if (part.size <= 0) continue;
        if (part.linearDeflection < kFinestDeflection) {
            part.failure = "cannot mesh part '" + part.name + "': it is " + geometry::checked::shortNumber(part.size) +
                           " m across, too small for the geometry kernel's tolerance of " +
                           geometry::checked::shortNumber(Precision::Confusion()) + " m";
            continue;
        }
        for (;;) {
            double total = 0, largest = 0, largestFace = 0;
            const MeshJob* worst = nullptr;
            for (const auto& job : jobs) {
                if (job.part != &part) continue;
                const TriangleEstimate estimate =
                    estimateTriangles(*job.shape, part.linearDeflection, part.angularDeflection);
                total += estimate.total;
                largestFace = std::max(largestFace, estimate.largestFace);
                if (estimate.total > largest) largest = estimate.total, worst = &job;
            }
            if (total <= budget && largestFace <= kFaceTriangleLimit) break;
            if (part.angularDeflection >= kCoarsestAngle) {
                const std::string extent = "(" + extentText(*worst->shape, *worst->name) + ")";
                part.failure = total > budget
                                   ? "meshing would exceed " + std::to_string(limit) + " triangles " + extent
                                   : "meshing would put more than " + std::to_string(std::lround(kFaceTriangleLimit)) +
                                         " triangles on one face " + extent;
                break;
            }
            // Triangles go with the inverse square of the step along and around a surface.
            const double factor = std::sqrt(std::max(total / budget, largestFace / kFaceTriangleLimit)) * 1.1;
            part.angularDeflection = std::min(kCoarsestAngle, part.angularDeflection * factor);
            part.linearDeflection *= factor;
        }
    }
}

// The shapes of the parts that can be meshed, each once however often it is placed: the triangles sit on
// its faces, which its located copies (the same solid moved into other places) share.
std::vector<MeshJob> meshJobs(std::vector<ExportedPart>& parts) {
    std::vector<MeshJob> jobs;
    TopTools_MapOfShape placed;
    for (auto& part : parts)
        if (part.failure.empty())
            for (const auto& aspect : part.aspects)
                for (const auto& output : aspect.outputs)
                    for (const auto& shape : output.shapes)
                        if (!shape.IsNull() && placed.Add(shape.Located(TopLoc_Location())))
                            jobs.push_back({&shape, &output.name, &part});
    return jobs;
}

} // namespace

std::size_t triangleCount(const TopoDS_Shape& shape) {
    std::size_t count = 0;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation)& triangulation =
            BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location);
        if (!triangulation.IsNull()) count += static_cast<std::size_t>(triangulation->NbTriangles());
    }
    return count;
}

refhost::WorkBudget* ExportDocument::Impl::budget() const {
    return mesh.budget ? mesh.budget.get() : refhost::currentBudget();
}

void ExportDocument::Impl::ensureMeshed(bool leaveOutFailures) {
    refhost::WorkBudget* work = budget();
    if (!fitted) {
        fitToBudget(parts, meshJobs(parts), work ? work->limits().triangles : 0);
        fitted = true;
    }
    if (!leaveOutFailures)
        for (const auto& part : parts)
            if (!part.failure.empty()) throw ExportError(part.failure);
    if (meshed) return;
    const std::vector<MeshJob> jobs = meshJobs(parts);
    MeshCache::Impl* cache = mesh.cache ? &mesh.cache->impl() : nullptr;
    std::mutex stopMutex;
    std::string stoppedAt;  // the output being meshed when the budget ended the work
    std::string stoppedWhy; // and what the work was told then
    const auto meshOne = [&](int i) {
        const MeshJob& job = jobs[static_cast<std::size_t>(i)];
        const std::string doing = "meshing output " + *job.name;
        // A shape the mesher cannot triangulate is left without triangles rather than losing the whole
        // export; its node still carries its name and data. A shape whose meshing the budget ended
        // ends the export.
        try {
            const refhost::BudgetScope scope(work);
            kernel::runGuarded(doing, [&] {
                const double linear = job.part->linearDeflection, angular = job.part->angularDeflection;
                const std::string key = cache ? MeshCache::Impl::keyOf(*job.shape, linear, angular) : "";
                if (cache && cache->apply(key, *job.shape)) return;
                const double size = linear / mesh.relativeDeflection;
                if (mesh.isolatedMesher &&
                    estimateTriangles(*job.shape, linear, angular).largestFace > kIsolatedFaceTriangles) {
                    meshIsolated(*job.shape, size, linear, angular, mesh.isolatedMesher, work);
                } else {
                    kernel::WorkProgressRange progress(work);
                    meshAtUnitScale(*job.shape, size, linear, angular, progress.range());
                }
                if (work) work->addTriangles(triangleCount(*job.shape));
                // A mesh the budget broke off is no mesh to keep.
                refhost::checkWork(doing);
                if (cache) cache->keep(key, *job.shape);
            });
        } catch (const refhost::WorkStopped& stopped) {
            std::lock_guard<std::mutex> lock(stopMutex);
            if (stoppedAt.empty()) stoppedAt = doing, stoppedWhy = stopped.what();
        } catch (const host::HostError&) {
        }
    };
    // The shapes of a document in parallel too: a part's outputs differ much in size (a handwheel's torus
    // takes longer than all the rest), so one large shape does not hold the small ones up.
    OSD_Parallel::For(0, static_cast<int>(jobs.size()), meshOne, !facesUnshared(jobs));
    if (!stoppedAt.empty()) {
        const int signal = refhost::interruptSignal();
        std::string reason = work ? work->reason(stoppedAt) : signal ? refhost::interruptText(signal) : "";
        if (reason.empty()) reason = stoppedWhy.empty() ? "stopped while " + stoppedAt : stoppedWhy;
        throw refhost::WorkStopped(reason);
    }
    meshed = true;
}

ExportDocument::ExportDocument(const std::vector<catalog::PartReport>& reports, MeshSettings mesh)
    : impl_(std::make_unique<Impl>()) {
    impl_->mesh = mesh;
    try {
        impl_->build(reports);
    } catch (const host::HostError& error) {
        throw ExportError(error.what());
    }
}

ExportDocument::ExportDocument(const catalog::PartReport& report, MeshSettings mesh)
    : ExportDocument(std::vector<catalog::PartReport>{report}, mesh) {}

ExportDocument::~ExportDocument() = default;

double ExportDocument::linearDeflection(std::size_t partIndex) const {
    return impl_->parts.at(partIndex).linearDeflection;
}

} // namespace tcv::exports
