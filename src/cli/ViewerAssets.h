// The browser viewer that goes with a gallery: its pages and the three.js modules they import, copied
// into the gallery folder so that any static file server (`checkvalve serve`) shows it, offline.
#pragma once

#include <string>

namespace tcv::cli {

// The folder holding the viewer's pages: $TCV_VIEWER_DIR when set, else the installed share/tarncheckvalve/
// viewer beside the program, else the viewer/ of the source tree the program was built from.
std::string viewerDirectory();

// Raises exports::ExportError, naming the path, when the viewer's folders in `outdir` (app/, app/three/)
// exist as anything but real folders: a link there would lead the copies elsewhere.
void checkViewerDestination(const std::string& outdir);

// Copies the viewer into `outdir` (index.html, part.html, app/ and app/three/). When the pages or the
// three.js package (viewer/node_modules) are missing it copies what it has and prints a warning that
// says how to install them; the gallery's data stays usable either way. A link at any folder it writes
// into is never written through: the copying stops there with a warning.
void writeViewer(const std::string& outdir);

} // namespace tcv::cli
