// Port values and nozzles of the multi-port bodies (jacketed, domed, covered and branched valves):
// the values of ports 1 to N read in port order, the stub diameter of a jacket port, and a nozzle
// created for a port and added under its output name.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tarncheckvalve/host/Math.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/ports/Nozzles.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace tcv::shapes {

// The values of ports 1 to N, indexed by port index (slot 0 stays empty). A port the part lacks
// leaves its slot at zero. `flanged` true reports a flanged port's cpt offset as 0.
template <std::size_t N>
std::array<ports::PortDataRecord, N + 1> RetrievePortsData(const host::ObjectPtr& part,
                                                           const host::OutputCollectionPtr& outputColl, bool flanged) {
    std::array<ports::PortDataRecord, N + 1> ports{};
    for (std::size_t k = 1; k <= N; ++k) {
        auto portIndex = static_cast<std::int16_t>(k);
        ports::PortDataRecord& p = ports[k];
        ports::RetrievePortData(portIndex, part, outputColl, p.pipeOD, p.flangeThickness, p.flangeDiameter, p.cptOffset,
                                p.depth, flanged);
    }
    return ports;
}

// The stub of a jacket port is as wide as the larger of its flange and its pipe; the flange wins
// within the tolerance.
TCV_EXPORT double stubDiameter(const ports::PortDataRecord& port);

// A run flange that reports no thickness gets a token 0.0001: port 1's when it has none, otherwise
// port 2's; never both in one call.
TCV_EXPORT void fillMissingFlangeThickness(double& port1Thickness, double& port2Thickness);

// Creates the nozzle of the port looking along `direction` at `position` and adds it as `name`.
TCV_EXPORT void addPortNozzle(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part,
                              const std::string& name, std::int16_t portIndex, const host::DVector& direction,
                              const host::DPosition& position);

} // namespace tcv::shapes
