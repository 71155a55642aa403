// Memory settings for a process that builds and meshes kernel geometry.
#pragma once

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::kernel {

// Lets the C library keep a pad of freed memory at the top of each heap instead of handing it back to the
// system after every kernel call. The kernel's algorithms and its mesher take and free blocks of some
// hundred kilobytes per call; with the library's default each call then faults fresh pages in again,
// which costs about a third of the CPU time of evaluating, meshing and writing a part. The pad keeps at
// most 16 MB per heap that a process would have used anyway. Call once, early in main; a process that
// embeds the symbol in a host of its own decides for itself.
TCV_EXPORT void keepFreedMemoryForKernel();

} // namespace tcv::kernel
