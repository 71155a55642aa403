#include "tarncheckvalve/exports/IsolatedMesh.h"

#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <BinTools.hxx>
#include <Poly_Triangulation.hxx>
#include <Standard_Failure.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Face.hxx>

#include "Meshing.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/StagedFile.h"

namespace tcv::exports {

namespace {

TopoDS_Shape readShape(const std::string& path) {
    TopoDS_Shape shape;
    try {
        if (BinTools::Read(shape, path.c_str()) && !shape.IsNull()) return shape;
    } catch (const Standard_Failure&) {
    }
    throw ExportError("cannot read the shape file '" + path + "'");
}

void writeShape(const TopoDS_Shape& shape, const std::string& path, bool withTriangles) {
    bool written = false;
    try {
        written = BinTools::Write(shape, path.c_str(), withTriangles, withTriangles, BinTools_FormatVersion_CURRENT);
    } catch (const Standard_Failure&) {
    }
    if (!written) throw ExportError("cannot write the shape file '" + path + "'");
}

} // namespace

void meshShapeFile(const IsolatedMeshJob& job) {
    const TopoDS_Shape shape = readShape(job.shapeFile);
    try {
        meshAtUnitScale(shape, job.size, job.linearDeflection, job.angularDeflection, Message_ProgressRange());
    } catch (const Standard_Failure& failure) {
        throw ExportError(std::string("cannot mesh the shape: ") + failure.GetMessageString());
    }
    writeShape(shape, job.meshedFile, true);
}

void meshIsolated(const TopoDS_Shape& shape, double size, double linear, double angular, const IsolatedMesher& mesher,
                  const refhost::WorkBudget* budget) {
    // The shape as it is meshed in place: without its own placement.
    const TopoDS_Shape base = shape.Located(TopLoc_Location());
    const ScratchFolder scratch;
    const IsolatedMeshJob job{scratch.path("shape.brep"), scratch.path("meshed.brep"), size, linear, angular};
    writeShape(base, job.shapeFile, false);
    mesher(job, budget);
    const TopoDS_Shape meshed = readShape(job.meshedFile);
    // The file holds the same faces in the same order (the binary format keeps the structure whole).
    BRep_Builder builder;
    TopExp_Explorer own(base, TopAbs_FACE), theirs(meshed, TopAbs_FACE);
    for (; own.More() && theirs.More(); own.Next(), theirs.Next()) {
        TopLoc_Location location;
        const Handle(Poly_Triangulation)& triangles =
            BRep_Tool::Triangulation(TopoDS::Face(theirs.Current()), location);
        if (!triangles.IsNull()) builder.UpdateFace(TopoDS::Face(own.Current()), triangles);
    }
    if (own.More() || theirs.More()) throw ExportError("the meshed shape file does not hold the shape's faces");
}

} // namespace tcv::exports
