// Constructions shared by the wafer, lug, shaped in-line, cone, collar and bulb bodies and by their
// insulation envelopes. Where both aspects draw the same shapes, one function draws them and takes the
// insulation thickness as `growth` (0 for the Physical aspect), so the two aspects cannot drift apart.
#pragma once

#include <cstdint>
#include <string>

#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace tcv::shapes::inline_bodies {

// A dimension that is zero within the tolerance.
inline bool isZeroDim(double x) { return geometry::CmpDblEqual(x, 0, geometry::kTolerance); }
// A dimension that is strictly positive.
inline bool isPositiveDim(double x) {
    return geometry::CmpDblGreaterthan(x, geometry::kTolerance, geometry::kTolerance);
}

// What every builder of these bodies reads first: the part, the face-to-face length and the insulation
// thickness (which the Physical aspect reads and does not use).
struct CommonInputs {
    host::ObjectPtr part;
    double faceToFace = 0;
    double insulationThickness = 0;
};
TCV_EXPORT CommonInputs readCommonInputs(const host::VariantArray& arrayofinputs);

// The wafer and lug bodies also read their height (which the lugged body reads and does not use) and
// then port 1's values.
struct WaferInputs {
    host::ObjectPtr part;
    double faceToFace = 0;
    double insulationThickness = 0;
    double height = 0;
    ports::PortDataRecord port;
};
TCV_EXPORT WaferInputs readWaferInputs(const host::VariantArray& arrayofinputs,
                                       const host::OutputCollectionPtr& outputColl);

// The end-type code of the first port in the part's port collection (by position, not by index).
TCV_EXPORT std::int32_t firstPortEndType(const host::ObjectPtr& part);

// Top of the web of the bored wafer body: the given height, or 1.1 x the flange diameter without one.
inline double waferWebTop(double height, double flangeDiameter) {
    return isZeroDim(height) ? 1.1 * flangeDiameter : height;
}

// The end discs of the flat-sided wafer body, fixed before its bore is drawn.
struct FlatSidedEnds {
    double acrossFlats = 0;   // distance between the two flats, D
    double discDiameter = 0;  // the flange diameter, with the female-end fallback applied
    double discThickness = 0; // t: the flange thickness, or 0.15 x face-to-face for a disc of no thickness
};
TCV_EXPORT FlatSidedEnds flatSidedEnds(const host::ObjectPtr& part, double faceToFace, double height,
                                       const ports::PortDataRecord& port1);

// The web between the flats, found after the bore is drawn: a disc narrower than its flats fails here.
struct FlatSidedWeb {
    double flatsWidth = 0; // W, the width of each flat
    double webWidth = 0;   // w = 0.4 W
    double webBottom = 0;  // b, where the web meets the bore
};
TCV_EXPORT FlatSidedWeb flatSidedWeb(const FlatSidedEnds& ends, double pipeOD);

// The closed outline of a disc cut by the flats y = +-halfHeight, in the plane x = `x`: the top flat,
// the arc on the +Z side, the bottom flat and the arc on the -Z side, chained from (x, halfHeight, -halfWidth).
TCV_EXPORT host::CurvePtr flatSidedDiscProfile(double x, double halfHeight, double halfWidth);
// The two flat-sided discs: one at each face, extruded inwards by `length`.
TCV_EXPORT void addFlatSidedDiscs(const host::OutputCollectionPtr& outputColl, const std::string& inletName,
                                  const std::string& outletName, double faceToFace, double halfHeight, double halfWidth,
                                  double length);

// The flange diameter a lugged body is sized from: the port's, or twice the pipe diameter without one.
inline double lugFlangeDiameter(const ports::PortDataRecord& port) {
    return isZeroDim(port.flangeDiameter) ? 2 * port.pipeOD : port.flangeDiameter;
}

// The half-profile of a bulb body in the XY plane, to be revolved about X: straight pipe-radius runs from
// the inner flange faces to the bulge and a half ellipse over the crest height between them. A
// face-to-face of zero makes the ellipse undefined and fails.
TCV_EXPORT host::CurvePtr bulgeProfile(double faceToFace, double flangeThk, double pipeOD, double crestHeight);
// The same profile grown by the insulation thickness: the runs rise by `growth`, the bulge lengthens by
// it up to the inner flange faces, and the runs are left out where the grown bulge reaches them.
TCV_EXPORT host::CurvePtr insulatedBulgeProfile(double faceToFace, double flangeThk, double pipeOD, double crestHeight,
                                                double growth);

// Revolves a bulb profile a full turn about the flow axis and adds it under `name`.
TCV_EXPORT void addRevolvedBody(const host::OutputCollectionPtr& outputColl, const std::string& name,
                                const host::CurvePtr& profile);

// Shaped in-line body with two ruled transitions, end cones, a vertical bonnet and a cross shaft:
// the first shape goes under `firstName`, the six others under "CheckValve_".
TCV_EXPORT void addTransitionBody(const host::OutputCollectionPtr& outputColl, const std::string& firstName,
                                  double faceToFace, double pipeOD, double diameter, double heightFromCentre,
                                  double width, double growth);

// The in-line body with a flat plate and a vertical bowl, an optional plug on top and two optional flush
// connections below, each drawn only when its diameter is non-zero.
struct PlateBowlInputs {
    double faceToFace = 0, bodyLength = 0, height = 0;
    double plugDiameter = 0, flushDiameter1 = 0, flushDiameter2 = 0;
};
// Reads the height, plug and flush diameters; the caller sets the body length, L less port 1's flange
// thickness, once port 1 is read.
TCV_EXPORT PlateBowlInputs readPlateBowlInputs(const host::VariantArray& arrayofinputs, double faceToFace);
TCV_EXPORT void addPlateBowlBody(const host::OutputCollectionPtr& outputColl, const std::string& firstName,
                                 const PlateBowlInputs& in, double growth);

// The in-line body with a collar at its inlet, an optional plug and a pair of optional flush connections
// of one diameter.
struct CollarBodyInputs {
    double bodyLength = 0, height = 0, plugDiameter = 0, flushDiameter = 0;
};
// Reads the height, plug and flush diameters; the caller sets the body length, L less port 1's flange
// thickness, once port 1 is read.
TCV_EXPORT CollarBodyInputs readCollarBodyInputs(const host::VariantArray& arrayofinputs);
TCV_EXPORT void addCollarBody(const host::OutputCollectionPtr& outputColl, const std::string& firstName,
                              const CollarBodyInputs& in, double growth);

// Two cones meeting at the valve centre and a vertical cylinder through it.
inline double verticalCylinderDiameter(double faceToFace, double diameter) {
    return isZeroDim(diameter) ? 0.5 * faceToFace : diameter;
}
struct DoubleConeNames {
    std::string leftCone, rightCone, verticalCylinder;
};
TCV_EXPORT void addDoubleConeBody(const host::OutputCollectionPtr& outputColl, const DoubleConeNames& names,
                                  double faceToFace, double flangeThk, double pipeOD, double heightFromCentre,
                                  double verticalDiameter, double growth);

// Thickness of the end collars of the collared bore body: the flange thickness, or 0.15 x face-to-face.
inline double collarThickness(double faceToFace, double flangeThk) {
    return isZeroDim(flangeThk) ? 0.15 * faceToFace : flangeThk;
}

} // namespace tcv::shapes::inline_bodies
