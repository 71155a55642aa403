// Nozzles at the faces of the valve. The graphics utility is optional: when the host does not offer
// it, the nozzle factory makes the nozzle. Other failures pass to the calling builder.
#include "tarncheckvalve/ports/Nozzles.h"

#include "tarncheckvalve/host/Runtime.h"

namespace tcv::ports {

namespace {

// The graphics utility, or nullptr when the host cannot make it; the failed attempt leaves nothing
// behind.
host::SymbolUtilitiesPtr tryCreateSymbolUtilities() {
    try {
        return host::runtime().CreateSymbolUtilities();
    } catch (...) {
        return nullptr;
    }
}

host::NozzlePtr nozzleFromFactory(std::int16_t portIndex, const host::ObjectPtr& part,
                                  const host::OutputCollectionPtr& outputColl, bool flag) {
    if (!outputColl) throw host::HostError(host::kGenericFailure, "a nozzle needs an output collection");
    auto factory = host::runtime().CreateNozzleFactory();
    if (!factory) throw host::HostError(host::kGenericFailure, "the host made no nozzle factory");
    return factory->CreatePipeNozzleFromPart(part, portIndex, flag, outputColl->ResourceManager());
}

host::NozzlePtr nozzleFromUtilityOrFactory(std::int16_t portIndex, const host::ObjectPtr& part,
                                           const host::OutputCollectionPtr& outputColl, const host::DVector& direction,
                                           const host::DPosition& point, std::optional<double> length) {
    auto utility = tryCreateSymbolUtilities();
    if (!utility) return nozzleFromFactory(portIndex, part, outputColl, false);
    return utility->CreatePortGraphics(portIndex, part, outputColl, direction, point, length);
}

// Direction, length and placement point, in this order; the nozzle's length defaults to the one its
// port reports.
host::NozzlePtr placed(host::NozzlePtr nozzle, const host::DVector& direction, const host::DPosition& point,
                       std::optional<double> length) {
    if (!nozzle) throw host::HostError(host::kGenericFailure, "the host made no nozzle");
    nozzle->SetDirection(direction);
    nozzle->SetLength(length ? *length : nozzle->PortLength());
    nozzle->SetPosition(point);
    return nozzle;
}

} // namespace

host::NozzlePtr CreateNozzle(std::int16_t& portIndex, const host::ObjectPtr& part,
                             const host::OutputCollectionPtr& outputColl, const host::DVector& direction,
                             const host::DPosition& point) {
    return placed(nozzleFromUtilityOrFactory(portIndex, part, outputColl, direction, point, std::nullopt), direction,
                  point, std::nullopt);
}

host::NozzlePtr CreateNozzleWithLength(std::int16_t& portIndex, const host::ObjectPtr& part,
                                       const host::OutputCollectionPtr& outputColl, const host::DVector& direction,
                                       const host::DPosition& point, double length) {
    return placed(nozzleFromUtilityOrFactory(portIndex, part, outputColl, direction, point, length), direction, point,
                  length);
}

host::NozzlePtr CreateNozzleDirect(std::int16_t& portIndex, const host::ObjectPtr& part,
                                   const host::OutputCollectionPtr& outputColl, const host::DVector& direction,
                                   const host::DPosition& point) {
    return placed(nozzleFromFactory(portIndex, part, outputColl, true), direction, point, std::nullopt);
}

} // namespace tcv::ports
