// Shapes shared by the check valves that carry an operator base, in the Physical aspect and in its
// insulated twin: the equalizer pipe swept along its four-point path, the bulged main body skinned
// through three circular sections along two B-spline profiles, the inclined base axis and the two
// nozzles at the valve's faces.
#pragma once

#include <cstdint>
#include <vector>

#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/ports/Nozzles.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace tcv::shapes::operator_base {

// What every valve of the family reads besides its lengths, operator height and handwheel angle: the
// insulation thickness, the equalizer clearance, the mounting flange's diameter, the part and the
// values of its port 1.
struct ValveInputs {
    double insulation, clearance, flangeDiameter;
    host::ObjectPtr part;
    ports::PortDataRecord port1;
};

TCV_EXPORT ValveInputs readValveInputs(const host::VariantArray& arrayofinputs,
                                       const host::OutputCollectionPtr& outputColl);

// The lengths from the valve centre to the faces of port 1 and port 2 ("Face1toCenter",
// "Face2toCenter"); a face 2 length not greater than 0 takes face 1's, making the valve symmetric.
struct FaceToCentre {
    double face1, face2;
};

TCV_EXPORT FaceToCentre readFaceToCentre(const host::VariantArray& arrayofinputs);

// The equalizer runs from beside the body down to the clearance, across to below the operator base
// and back up towards the flow axis.
struct EqualizerPath {
    host::DPosition p1, p2, p3, p4;
};

// The path from the leg at x = startX to the leg under the base point (topX, topY); OD is the pipe
// outside diameter of port 1 and clearance the "EqualizerClearance".
TCV_EXPORT EqualizerPath equalizerPath(double startX, double topX, double topY, double OD, double clearance);

// The length of the path's crossing leg seen in the xy plane (from above the clearance plane).
TCV_EXPORT double crossingLegInPlan(const EqualizerPath& path);

// Sweeps a circle of the radius, centred on the path's start in the plane normal to z, along the path
// (the tube stays round through the corners) and adds every solid of the sweep under `name`.
TCV_EXPORT void addEqualizer(const host::OutputCollectionPtr& outputColl, const EqualizerPath& path, double radius,
                             const char* name);

// The stations along the flow axis of the skinned body: the port 1 end, the quarter points, the
// centre and the port 2 end. The end sections sit at the first and last station.
struct SkinStations {
    double x[5];
};

// Skins the bulged main body through its three circular sections (each radius grown by `grow`) along
// the upper and lower B-spline profiles of the pipe outside diameter OD, and adds every surface of
// the result under `name`.
TCV_EXPORT void addSkinnedBody(const host::OutputCollectionPtr& outputColl, const SkinStations& at, double OD,
                               double grow, const char* name);

// The point at height h on the operator base axis, which rises from the valve centre at the angle
// whose tangent is t.
inline host::DPosition inclinedAxisPoint(double h, double t) { return {geometry::checked::divide(h, t), h, 0}; }

// The heights along the inclined base: the top of the operator base (where the mounting flange
// starts), the top of the mounting flange, and where the equalizer meets the base.
struct InclinedBaseHeights {
    double baseTop, flangeTop, equalizerTop;
};

// From the operator's offset from the valve centreline, measured vertically.
inline InclinedBaseHeights heightsFromOffset(double offset) { return {0.95 * offset, offset, 0.75 * offset}; }

// From the height of the flange's centre above the valve centreline: the flange of diameter DF is
// lowered by half its diameter times the cosine c of the inclination.
TCV_EXPORT InclinedBaseHeights heightsFromFlangeHeight(double height, double DF, double c);

// Where a valve with an inclined base puts its shapes along the flow axis.
struct InclinedValveLayout {
    double bodyStartX, bodyEndX; // the body between the flanges' inner faces
    double equalizerX;           // the equalizer's first leg beside the body
    double face1X, face2X;       // the port faces
};

// The body lies off-centre: its port faces at -F/4 and 3F/4 of the face-to-face length F; FT is port
// 1's flange thickness.
TCV_EXPORT InclinedValveLayout offCentreLayout(double F, double FT);

TCV_EXPORT InclinedValveLayout faceToCentreLayout(const FaceToCentre& f, double FT);

// Where a valve with a skinned body puts its shapes along the flow axis; its port faces are the first
// and last station.
struct SkinnedValveLayout {
    SkinStations stations;
    double equalizerX; // the equalizer's first leg beside the body
    double face1X() const { return stations.x[0]; }
    double face2X() const { return stations.x[4]; }
};

inline SkinnedValveLayout faceToFaceSkin(double F) { return {{{-0.5 * F, -0.25 * F, 0, 0.25 * F, 0.5 * F}}, 0.4 * F}; }

TCV_EXPORT SkinnedValveLayout faceToCentreSkin(const FaceToCentre& f);

// The operator height of the skinned valves 2157 and 2199, chosen by the part's PartDataBasis: 2157
// gives it as the offset from the valve centreline, 2199 as the height from it.
struct SkinnedOperatorHeight {
    double height;
    bool givenAsOffset;
};

TCV_EXPORT SkinnedOperatorHeight readSkinnedOperatorHeight(const host::VariantArray& arrayofinputs,
                                                           const host::ObjectPtr& part);

// The two nozzles of a two-port valve whose faces sit at face1X (port 1, looking along -x) and
// face2X (port 2, looking along +x), added under the declared names "PNoz1" and "PNoz2". Port 1's
// record is the builder's; port 2 is fetched here.
TCV_EXPORT void addFaceNozzles(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs,
                               const host::ObjectPtr& part, const ports::PortDataRecord& port1, double face1X,
                               double face2X);

} // namespace tcv::shapes::operator_base
