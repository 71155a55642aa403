#include "tarncheckvalve/kernel/ProcessMemory.h"

#include <malloc.h>

namespace tcv::kernel {

void keepFreedMemoryForKernel() {
#ifdef M_TOP_PAD
    constexpr int kTopPad = 16 * 1024 * 1024;
    mallopt(M_TOP_PAD, kTopPad);
#endif
}

} // namespace tcv::kernel
