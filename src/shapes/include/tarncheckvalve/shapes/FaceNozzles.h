// The two piping nozzles of a two-port valve at its faces: port 1's looking along -X, port 2's along +X.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace tcv::shapes {

// The nozzle routine a builder makes its nozzles with: through the graphics utility when the host has
// it (`CreateNozzle`), or always through the nozzle factory (`CreateNozzleDirect`).
enum class NozzleRoutine { Standard, Direct };

// Where the faces sit and how the nozzles are made. With `nozzle1Length`, nozzle 1 is made by
// `CreateNozzleWithLength` with that length instead.
struct FaceNozzleLayout {
    double face1X = 0;
    double face2X = 0;
    double port1Y = 0; // nozzle 1's height on its face
    NozzleRoutine routine = NozzleRoutine::Standard;
    std::optional<double> nozzle1Length = std::nullopt;
};

// Receives each nozzle as soon as it is made, with its port index.
using FaceNozzleSink = std::function<void(std::int16_t portIndex, const host::NozzlePtr& nozzle)>;

// Makes nozzle 1 at face1X - cpt offset + depth of `port1` and hands it to `add`; then, when `readPort2`,
// reads port 2 into `port2`; then makes nozzle 2 at face2X + cpt offset - depth of `port2` and hands it
// to `add`. A failure reading port 2 leaves nozzle 1 added.
TCV_EXPORT void makeFaceNozzles(const host::ObjectPtr& part, const host::OutputCollectionPtr& outputColl,
                                const FaceNozzleLayout& layout, const ports::PortDataRecord& port1,
                                ports::PortDataRecord& port2, bool readPort2, const FaceNozzleSink& add);

namespace inline_bodies {

// The nozzles of an in-line body of face-to-face length L with the values `port` holds (port 1's),
// added under the declared names 2 and 3 ("PNoz1", "PNoz2"); port 2 is then read into `port`,
// overwriting it.
TCV_EXPORT void addFaceNozzles(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part,
                               const host::StringArray& arrayOfOutputs, double faceToFace, ports::PortDataRecord& port,
                               NozzleRoutine routine, std::optional<double> nozzle1Length = std::nullopt);

} // namespace inline_bodies

} // namespace tcv::shapes
