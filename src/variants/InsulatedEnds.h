// Insulated ends shared by the envelopes of the wafer, lug, shaped in-line, cone, collar and bulb bodies:
// the insulation that covers each port's flange or pipe end at the faces x = -L/2 and x = +L/2.
#pragma once

#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"
#include "tarncheckvalve/shapes/InlineBodyShapes.h"

namespace tcv::variants::inline_bodies {

// The in-line bodies' constructions of the shapes layer, which these ends complete, are found here too.
using namespace tcv::shapes::inline_bodies;

// Which face an end sits on: port 1 at x = -L/2, port 2 at x = +L/2.
enum class Face { Inlet, Outlet };

// A "CheckValve_" collar over a flange: from the face inwards by flange thickness + T, of diameter
// flange diameter + 2T; nothing when either the flange diameter or the flange thickness is zero.
void addFlangeCollar(const host::OutputCollectionPtr& outputColl, Face face, double faceToFace, double flangeDiameter,
                     double flangeThk, double thickness);

// The collars of both ports: port 1 is read again into `port` and collared, then port 2 is read into it,
// overwriting port 1's values, and collared.
void addEndCollars(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double faceToFace,
                   double thickness, ports::PortDataRecord& port);

// "Port1Ins" from the values `port` holds (port 1's), then port 2 read into `port` and "Port2Ins": each,
// when its flange thickness is positive, from its face inwards by flange thickness + T, of the larger of
// flange and pipe diameter + 2T. With `stopAtOppositeFace`, an end whose inner face would not lie short
// of L (measured from the valve centre) runs to the opposite face instead.
void addInsulatedPortEnds(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part, double faceToFace,
                          double thickness, ports::PortDataRecord& port, bool stopAtOppositeFace = false);

} // namespace tcv::variants::inline_bodies
