// The gallery's browser viewer as the program finds it (export/ViewerAssets.h copies it).
#pragma once

#include <string>

#include "tarncheckvalve/exports/ViewerAssets.h"

namespace tcv::cli {

// The folder holding the viewer's pages: $TCV_VIEWER_DIR when set, else the installed share/tarncheckvalve/
// viewer beside the program, else the viewer/ of the source tree the program was built from.
std::string viewerDirectory();

using exports::checkViewerDestination;

// Copies the program's viewer into `outdir` (exports::writeViewer).
void writeViewer(const std::string& outdir);

} // namespace tcv::cli
