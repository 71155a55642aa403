#include "ViewerDirectory.h"

#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::cli {

std::string viewerDirectory() { return refhost::shippedDirectory("viewer", "TCV_VIEWER_DIR"); }

void writeViewer(const std::string& outdir) { exports::writeViewer(outdir, viewerDirectory()); }

} // namespace tcv::cli
