#include "tarncheckvalve/shapes/BonnetedValveSizes.h"

#include <string>

#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/geometry/Comparisons.h"

namespace tcv::shapes {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;

NippleSpan readNippleSpan(const host::VariantArray& arrayofinputs, std::int32_t partDataBasis) {
    NippleSpan span;
    switch (partDataBasis) {
    case 2856:
    case 2858:
    case 2860:
        span.valveFacetoFace = readDimension(arrayofinputs, input::ValveFacetoFace);
        span.nippleLength = readDimension(arrayofinputs, input::NippleLength);
        break;
    case 2857:
    case 2859:
    case 2861:
        span.valveFacetoFace = readDimension(arrayofinputs, input::ValveFacetoFace);
        span.nippleLength = (readDimension(arrayofinputs, input::EndtoEnd) - span.valveFacetoFace) / 2;
        break;
    default:
        break;
    }
    return span;
}

EndTypeCodes readEndTypeCodes(const host::ObjectPtr& part) {
    auto ports = pipingComponent(part)->Ports();
    if (!ports) throw host::HostError(host::kBadIndex, "the part has no ports");
    auto codeAt = [&](std::int16_t position) {
        auto port = ports->Item(position);
        if (!port) throw host::HostError(host::kBadIndex, "the part has no port " + std::to_string(position));
        return port->EndType();
    };
    EndTypeCodes codes;
    codes.port1 = codeAt(1);
    codes.port2 = codeAt(2);
    return codes;
}

double portSizedBodyDiameter(const EndTypeCodes& codes, const PortDataRecord& port1, const PortDataRecord& port2) {
    // The end type whose body the catalogue sizes by the flange rather than by the pipe.
    constexpr std::int32_t kFlangeSizedEndType = 15;
    if (codes.port1 == kFlangeSizedEndType || codes.port2 == kFlangeSizedEndType)
        return GreaterDim(port1.flangeDiameter, port2.flangeDiameter);
    return GreaterDim(port1.pipeOD, port2.pipeOD);
}

} // namespace tcv::shapes
