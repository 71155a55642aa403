// The reference host's geometry kernel on Open CASCADE, as a program installs it: without any of the
// kernel's own headers. kernel/OccKernel.h holds the kernel's shapes for the exports.
#pragma once

#include <string>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Shape.h"

namespace tcv::kernel {

// The geometry kernel on Open CASCADE.
TCV_EXPORT refhost::KernelPtr makeOccKernel();
// Makes the kernel on Open CASCADE the one the reference host's default options hand out.
TCV_EXPORT void installOccKernel();

// A shape as Open CASCADE's BRep text (what BRepTools::Read and FreeCAD's importBrepFromString read); ""
// for a shape the kernel did not build (record-only, or no geometry).
TCV_EXPORT std::string brepText(const refhost::ShapePtr& shape);

} // namespace tcv::kernel
