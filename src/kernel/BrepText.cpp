// Shapes as Open CASCADE's BRep text, for programs that read shapes rather than files (the Python module).
#include <sstream>

#include <BRepTools.hxx>

#include "tarncheckvalve/kernel/Kernel.h"
#include "tarncheckvalve/kernel/OccKernel.h"

namespace tcv::kernel {

using namespace tcv::refhost;

std::string brepText(const ShapePtr& shape) {
    if (!shape) return {};
    const TopoDS_Shape& occ = occShape(shape);
    if (occ.IsNull()) return {};
    std::ostringstream text;
    BRepTools::Write(occ, text, Standard_False, Standard_False, TopTools_FormatVersion_CURRENT);
    return text.str();
}

} // namespace tcv::kernel
