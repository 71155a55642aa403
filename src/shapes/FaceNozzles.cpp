#include "shapes/FaceNozzles.h"

#include "ports/Nozzles.h"

namespace tcv::inline_bodies {

namespace {

host::NozzlePtr makeNozzle(NozzleRoutine routine, std::int16_t portIndex, const host::ObjectPtr& part,
                           const host::OutputCollectionPtr& outputColl, const host::DVector& direction,
                           const host::DPosition& position) {
    if (routine == NozzleRoutine::Direct) return CreateNozzleDirect(portIndex, part, outputColl, direction, position);
    return CreateNozzle(portIndex, part, outputColl, direction, position);
}

} // namespace

void addFaceNozzles(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part,
                    const host::StringArray& arrayOfOutputs, double faceToFace, PortDataRecord& port,
                    NozzleRoutine routine, std::optional<double> nozzle1Length) {
    const host::DVector inletDirection(-1, 0, 0);
    const host::DPosition inletPoint(-faceToFace / 2 - port.cptOffset + port.depth, 0, 0);
    std::int16_t portIndex = 1;
    host::NozzlePtr nozzle1 =
        nozzle1Length ? CreateNozzleWithLength(portIndex, part, outputColl, inletDirection, inletPoint, *nozzle1Length)
                      : makeNozzle(routine, portIndex, part, outputColl, inletDirection, inletPoint);
    outputColl->AddOutput(arrayOfOutputs.at(2), nozzle1);

    RetrievePortData(2, part, outputColl, port);
    const host::DPosition outletPoint(faceToFace / 2 + port.cptOffset - port.depth, 0, 0);
    outputColl->AddOutput(arrayOfOutputs.at(3), makeNozzle(routine, 2, part, outputColl, {1, 0, 0}, outletPoint));
}

} // namespace tcv::inline_bodies
