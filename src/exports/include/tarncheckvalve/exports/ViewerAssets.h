// The browser viewer that goes with a gallery: its pages and the three.js modules they import, copied
// into the gallery folder so that any static file server (`checkvalve serve`) shows it, offline. Used by
// `checkvalve gallery` and `serve` and by the Python module's distributed gallery.
#pragma once

#include <string>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::exports {

// Raises ExportError, naming the path, when the viewer's folders in `outdir` (app/, app/three/) exist as
// anything but real folders: a link there would lead the copies elsewhere.
TCV_EXPORT void checkViewerDestination(const std::string& outdir);

// Copies the viewer of `viewerDirectory` into `outdir` (index.html, part.html, app/ and app/three/). When
// the pages or the three.js package (viewer/node_modules) are missing it copies what it has and prints a
// warning that says how to install them; the gallery's data stays usable either way. A link at any folder
// it writes into is never written through: the copying stops there with a warning.
TCV_EXPORT void writeViewer(const std::string& outdir, const std::string& viewerDirectory);

// True when `outdir` holds the viewer's pages and three.js (so that `checkvalve serve` shows models).
TCV_EXPORT bool hasViewer(const std::string& outdir);

} // namespace tcv::exports
