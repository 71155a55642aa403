// Piping nozzles at the faces of the valve. The routines do not add the nozzle; the builder adds it
// under its output name.
#pragma once

#include <cstdint>

#include "tarncheckvalve/host/Math.h"
#include "tarncheckvalve/host/Piping.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::ports {

// A nozzle through the graphics utility when the host offers it, otherwise the nozzle factory; its
// length is the one its port reports.
TCV_EXPORT host::NozzlePtr CreateNozzle(std::int16_t& portIndex, const host::ObjectPtr& part,
                                        const host::OutputCollectionPtr& outputColl, const host::DVector& direction,
                                        const host::DPosition& point);
// As CreateNozzle, with the given length.
TCV_EXPORT host::NozzlePtr CreateNozzleWithLength(std::int16_t& portIndex, const host::ObjectPtr& part,
                                                  const host::OutputCollectionPtr& outputColl,
                                                  const host::DVector& direction, const host::DPosition& point,
                                                  double length);
// Always through the nozzle factory.
TCV_EXPORT host::NozzlePtr CreateNozzleDirect(std::int16_t& portIndex, const host::ObjectPtr& part,
                                              const host::OutputCollectionPtr& outputColl,
                                              const host::DVector& direction, const host::DPosition& point);

} // namespace tcv::ports
