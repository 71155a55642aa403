// Meshing shared by the export document and the isolated mesher (IsolatedMesh.h).
#pragma once

#include <Message_ProgressRange.hxx>
#include <TopoDS_Shape.hxx>

#include "tarncheckvalve/exports/IsolatedMesh.h"

namespace tcv::exports {

// Meshes `shape` as its copy scaled down by `size` would be meshed, and puts those triangles, scaled back,
// on its own faces (Document.cpp says why).
void meshAtUnitScale(const TopoDS_Shape& shape, double size, double linear, double angular,
                     const Message_ProgressRange& range);

// The same triangles made by `mesher` elsewhere and put on the shape's faces. Raises what the mesher raises,
// and ExportError when what it wrote does not fit the shape.
void meshIsolated(const TopoDS_Shape& shape, double size, double linear, double angular, const IsolatedMesher& mesher,
                  const refhost::WorkBudget* budget);

// The triangles on the shape's faces as meshed (none for a face without any).
std::size_t triangleCount(const TopoDS_Shape& shape);

} // namespace tcv::exports
