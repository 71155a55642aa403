#include "tarncheckvalve/refhost/Records.h"

namespace tcv::refhost {

const char* outputKindName(OutputKind kind) {
    switch (kind) {
    case OutputKind::Solid:
        return "solid";
    case OutputKind::Surface:
        return "surface";
    case OutputKind::Curve:
        return "curve";
    case OutputKind::Nozzle:
        return "nozzle";
    case OutputKind::Occurrence:
        return "occurrence";
    case OutputKind::Other:
        break;
    }
    return "other";
}

} // namespace tcv::refhost
