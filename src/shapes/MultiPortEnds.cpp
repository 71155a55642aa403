#include "tarncheckvalve/shapes/MultiPortEnds.h"

#include "tarncheckvalve/geometry/Comparisons.h"

namespace tcv::shapes {

using namespace tcv::geometry;
using namespace tcv::ports;

double stubDiameter(const PortDataRecord& port) {
    return CmpDblLessThan(port.pipeOD, port.flangeDiameter, kTolerance) ? port.flangeDiameter : port.pipeOD;
}

void fillMissingFlangeThickness(double& port1Thickness, double& port2Thickness) {
    if (CmpDblLessThanOrEqualTo(port1Thickness, -kTolerance, kTolerance))
        port1Thickness = 0.0001;
    else if (CmpDblLessThanOrEqualTo(port2Thickness, -kTolerance, kTolerance))
        port2Thickness = 0.0001;
}

void addPortNozzle(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, const std::string& name,
                   std::int16_t portIndex, const host::DVector& direction, const host::DPosition& position) {
    outputColl->AddOutput(name, CreateNozzle(portIndex, part, outputColl, direction, position));
}

} // namespace tcv::shapes
