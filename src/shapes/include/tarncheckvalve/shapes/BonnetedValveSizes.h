// Sizes that the Physical and Insulation aspects of the bonneted valve bodies both derive from the part:
// the body and nipple lengths of the nipple-end valves, and the port-sized body diameter.
#pragma once

#include <cstdint>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace tcv::shapes {

// The valve body length V ("ValveFacetoFace") and the nipple length N of a nipple-end valve. The even
// PartDataBasis of each pair (2856, 2858, 2860) gives N as "NippleLength"; the odd one (2857, 2859,
// 2861) derives it from "EndtoEnd" as (EndtoEnd - V) / 2. Any other value reads neither and leaves both 0.
struct NippleSpan {
    double valveFacetoFace = 0;
    double nippleLength = 0;
};
TCV_EXPORT NippleSpan readNippleSpan(const host::VariantArray& arrayofinputs, std::int32_t partDataBasis);

// The end-type codes of the first and second port of the part, by position in its port collection;
// a part with fewer than two ports is a host error.
struct EndTypeCodes {
    std::int32_t port1 = 0;
    std::int32_t port2 = 0;
};
TCV_EXPORT EndTypeCodes readEndTypeCodes(const host::ObjectPtr& part);

// The body diameter of a port-sized bonneted body: the larger flange diameter when either port has
// end-type code 15, otherwise the larger pipe outside diameter; port 1 wins a tie.
TCV_EXPORT double portSizedBodyDiameter(const EndTypeCodes& codes, const ports::PortDataRecord& port1,
                                        const ports::PortDataRecord& port2);

} // namespace tcv::shapes
