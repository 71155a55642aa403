// Insulated flange rings at the two end faces of a valve, and the insulated bore with its rings: shared
// by the insulated bonneted, nipple-end, covered and angled-branch bodies.
#pragma once

#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace tcv::variants {

// Adds an "InsVal_" ring for each port that has both a flange diameter and a flange thickness, port 1
// first: a cylinder 2 * T wider than the flange, from the end face at x = -faceX (port 1) or +faceX
// (port 2) inwards by the flange thickness plus T. A ring longer than the valve (span = the distance
// between the two faces) starts at the opposite face instead, so it covers the valve from end to end.
void AddInsulatedFlangeRings(const host::OutputCollectionPtr& outputColl, double faceX, double span,
                             const ports::PortDataRecord& port1, const ports::PortDataRecord& port2,
                             double insulationThickness);

// The insulated bore over the pipe or over the flange, whichever is wider (a flange of no diameter
// counts as 0.0001).
double boreOrFlangeDiameter(double d, double flangeDiameter, double T);

// The insulated bore "InsOutput2" from x = -A to x = B, then ports 1 and 2 read and a ring "InsPNoz1",
// "InsPNoz2" over each flange that has a thickness (port 1's above zero, port 2's other than zero); a
// ring thicker than its face-to-centre distance stops at the valve centre.
void addInsulatedBoreAndRings(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double A,
                              double B, double T, double boreDiameter);

} // namespace tcv::variants
