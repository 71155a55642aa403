// The insulated flange rings at the two end faces of a valve, shared by the insulated bonneted bodies.
#pragma once

#include "host/Symbol.h"
#include "ports/basPipePortParameters.h"

namespace tcv {

// Adds an "InsVal_" ring for each port that has both a flange diameter and a flange thickness, port 1
// first: a cylinder 2 * T wider than the flange, from the end face at x = -faceX (port 1) or +faceX
// (port 2) inwards by the flange thickness plus T. A ring longer than the valve (span = the distance
// between the two faces) starts at the opposite face instead, so it covers the valve from end to end.
void AddInsulatedFlangeRings(const host::OutputCollectionPtr& outputColl, double faceX, double span,
                             const PortDataRecord& port1, const PortDataRecord& port2, double insulationThickness);

} // namespace tcv
