#include "tarncheckvalve/shapes/FaceNozzles.h"

#include "tarncheckvalve/ports/Nozzles.h"

namespace tcv::shapes {

using namespace tcv::ports;

namespace {

host::NozzlePtr makeNozzle(NozzleRoutine routine, std::int16_t portIndex, const host::ObjectPtr& part,
                           const host::OutputCollectionPtr& outputColl, const host::DVector& direction,
                           const host::DPosition& position) {
    if (routine == NozzleRoutine::Direct) return CreateNozzleDirect(portIndex, part, outputColl, direction, position);
    return CreateNozzle(portIndex, part, outputColl, direction, position);
}

} // namespace

void makeFaceNozzles(const host::ObjectPtr& part, const host::OutputCollectionPtr& outputColl,
                     const FaceNozzleLayout& layout, const PortDataRecord& port1, PortDataRecord& port2, bool readPort2,
                     const FaceNozzleSink& add) {
    const host::DVector inletDirection(-1, 0, 0);
    const host::DPosition inletPoint(layout.face1X - port1.cptOffset + port1.depth, layout.port1Y, 0);
    std::int16_t portIndex = 1;
    add(1, layout.nozzle1Length
               ? CreateNozzleWithLength(portIndex, part, outputColl, inletDirection, inletPoint, *layout.nozzle1Length)
               : makeNozzle(layout.routine, portIndex, part, outputColl, inletDirection, inletPoint));

    if (readPort2) RetrievePortData(2, part, outputColl, port2);
    const host::DPosition outletPoint(layout.face2X + port2.cptOffset - port2.depth, 0, 0);
    add(2, makeNozzle(layout.routine, 2, part, outputColl, {1, 0, 0}, outletPoint));
}

namespace inline_bodies {

void addFaceNozzles(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part,
                    const host::StringArray& arrayOfOutputs, double faceToFace, PortDataRecord& port,
                    NozzleRoutine routine, std::optional<double> nozzle1Length) {
    const PortDataRecord port1 = port;
    makeFaceNozzles(
        part, outputColl,
        {.face1X = -faceToFace / 2, .face2X = faceToFace / 2, .routine = routine, .nozzle1Length = nozzle1Length},
        port1, port, true, [&](std::int16_t portIndex, const host::NozzlePtr& nozzle) {
            outputColl->AddOutput(arrayOfOutputs.at(portIndex + 1), nozzle);
        });
}

} // namespace inline_bodies

} // namespace tcv::shapes
