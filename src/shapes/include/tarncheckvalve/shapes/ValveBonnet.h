// Constructions shared by the bonneted valve bodies (the nipple-end valves and the port-sized bonneted
// bodies): the lofted body that bulges below the flow axis, the hexagon nuts on the bonnet, the ruled
// transition between a bonnet plate and its cap, and the two nozzles at the end faces.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Piping.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace tcv::shapes {

// Adds under `name` a bonnet box from x1 to x2 along the flow axis, +-halfWidth across it and from
// yBottom to yTop in height.
TCV_EXPORT void addBonnetBox(const host::OutputCollectionPtr& outputColl, const std::string& name, double x1, double x2,
                             double halfWidth, double yBottom, double yTop);

// Lofts a body of the given length and diameter about the flow axis, centred on the valve centre: circular
// at both ends, its lower guide bulging down to y = -0.75 * diameter at x = 0. Every surface the loft
// returns is added under `name`, in the order the host returns them.
TCV_EXPORT void addLoftedBody(const host::OutputCollectionPtr& outputColl, double length, double diameter,
                              const std::string& name);

// Where one nut stands on the bonnet.
struct NutPosition {
    double x = 0;
    double z = 0;
};

// The nuts along the two ends of a bonnet plate reaching from x = left to x = right, in the order they are
// placed: one pair (z = -c, +c) two nut sizes t in from the left end, one pair two sizes in from the right
// end; with `inner` given, four more `inner` sizes in from the ends: right +c, left +c, right -c, left -c.
TCV_EXPORT std::vector<NutPosition> bonnetNutPositions(double left, double right, double c, double t,
                                                       std::optional<double> inner);

// Adds one hexagon nut per position, in order, each as "Nut_": a six-sided prism 3 * t across the flats
// and `height` high, standing upright on the plane y = `y`.
TCV_EXPORT void addHexagonNuts(const host::OutputCollectionPtr& outputColl, double t, double height, double y,
                               const std::vector<NutPosition>& positions);

// A horizontal rectangle of the bonnet at height y, from x1 to x2 along the flow axis and
// +-halfWidth across it.
struct BonnetRectangle {
    double x1 = 0;
    double x2 = 0;
    double halfWidth = 0;
    double y = 0;
};

// Adds a tapered bonnet: the plate under `plateName` from plateBottom up to the rectangle plateTop,
// "RuledSurface" (the capped ruled solid from plateTop to capBase) and the cap block under `capName` from
// capBase up to capTop.
TCV_EXPORT void addTaperedBonnet(const host::OutputCollectionPtr& outputColl, const std::string& plateName,
                                 double plateBottom, const BonnetRectangle& plateTop, const BonnetRectangle& capBase,
                                 const std::string& capName, double capTop);

// Adds "PNoz1" and "PNoz2" for end faces at x = -faceX and x = +faceX, each at its port's connection
// point (face moved by depth and cpt offset) and looking outwards along the flow axis.
TCV_EXPORT void addBonnetFaceNozzles(const host::ObjectPtr& part, const host::OutputCollectionPtr& outputColl,
                                     double faceX, const ports::PortDataRecord& port1,
                                     const ports::PortDataRecord& port2);

} // namespace tcv::shapes
