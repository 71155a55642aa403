// The two piping nozzles of a two-port in-line valve, placed at the faces x = -L/2 and x = +L/2 of its
// face-to-face length L.
#pragma once

#include <optional>

#include "host/Symbol.h"
#include "host/Value.h"
#include "ports/basPipePortParameters.h"

namespace tcv::inline_bodies {

// The nozzle routine a builder makes its nozzles with: through the graphics utility when the host has
// it (`CreateNozzle`), or always through the nozzle factory (`CreateNozzleDirect`).
enum class NozzleRoutine { Standard, Direct };

// Places nozzle 1 looking along -X at -L/2 - cpt offset + depth with the values `port` holds (port 1's),
// then reads port 2 into `port`, overwriting them, and places nozzle 2 looking along +X at
// L/2 + cpt offset - depth. They are added under the declared names 2 and 3 ("PNoz1", "PNoz2"). With
// `nozzle1Length`, nozzle 1 is made by `CreateNozzleWithLength` with that length instead.
void addFaceNozzles(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part,
                    const host::StringArray& arrayOfOutputs, double faceToFace, PortDataRecord& port,
                    NozzleRoutine routine, std::optional<double> nozzle1Length = std::nullopt);

} // namespace tcv::inline_bodies
