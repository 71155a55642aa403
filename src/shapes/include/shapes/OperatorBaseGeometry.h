// Shapes shared by the check valves that carry an operator base, in the Physical aspect and in its
// insulated twin: the equalizer pipe swept along its four-point path, the bulged main body skinned
// through three circular sections along two B-spline profiles, the inclined base axis and the two
// nozzles at the valve's faces.
#pragma once

#include <cstdint>
#include <vector>

#include "base/Inputs.h"
#include "geometry/CheckedMath.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "geometry/basGeom3dEx.h"
#include "host/Runtime.h"
#include "ports/Nozzles.h"
#include "ports/basPipePortParameters.h"

namespace tcv::operator_base {

// What every valve of the family reads besides its lengths, operator height and handwheel angle: the
// insulation thickness, the equalizer clearance, the mounting flange's diameter, the part and the
// values of its port 1.
struct ValveInputs {
    double insulation, clearance, flangeDiameter;
    host::ObjectPtr part;
    PortDataRecord port1;
};

inline ValveInputs readValveInputs(const host::VariantArray& arrayofinputs,
                                   const host::OutputCollectionPtr& outputColl) {
    ValveInputs in{readDimension(arrayofinputs, input::InsulationThickness),
                   readDimension(arrayofinputs, input::EqualizerClearance),
                   readDimension(arrayofinputs, input::Diameter),
                   readPart(arrayofinputs),
                   {}};
    RetrievePortData(1, in.part, outputColl, in.port1);
    return in;
}

// The lengths from the valve centre to the faces of port 1 and port 2 ("Face1toCenter",
// "Face2toCenter"); a face 2 length not greater than 0 takes face 1's, making the valve symmetric.
struct FaceToCentre {
    double face1, face2;
};

inline FaceToCentre readFaceToCentre(const host::VariantArray& arrayofinputs) {
    FaceToCentre f{readDimension(arrayofinputs, input::Face1toCenter),
                   readDimension(arrayofinputs, input::Face2toCenter)};
    if (CmpDblLessThanOrEqualTo(f.face2, 0, kTolerance)) f.face2 = f.face1;
    return f;
}

// The equalizer runs from beside the body down to the clearance, across to below the operator base
// and back up towards the flow axis.
struct EqualizerPath {
    DPosition p1, p2, p3, p4;
};

// The path from the leg at x = startX to the leg under the base point (topX, topY); OD is the pipe
// outside diameter of port 1 and clearance the "EqualizerClearance".
inline EqualizerPath equalizerPath(double startX, double topX, double topY, double OD, double clearance) {
    const double nearZ = -0.4 * OD;
    const double farZ = -clearance + 0.1 * OD;
    return {{startX, 0, nearZ}, {startX, 0, farZ}, {topX, topY, farZ}, {topX, topY, nearZ}};
}

// The length of the path's crossing leg seen in the xy plane (from above the clearance plane).
inline double crossingLegInPlan(const EqualizerPath& path) {
    const double dx = path.p1.x() - path.p3.x();
    const double dy = path.p1.y() - path.p3.y();
    return checked::squareRoot(dx * dx + dy * dy);
}

// Sweeps a circle of the radius, centred on the path's start in the plane normal to z, along the path
// (the tube stays round through the corners) and adds every solid of the sweep under `name`.
inline void addEqualizer(const host::OutputCollectionPtr& outputColl, const EqualizerPath& path, double radius,
                         const char* name) {
    auto factory = host::runtime().CreateGeometryFactory();
    const std::vector<double> corners = {path.p1.x(), path.p1.y(), path.p1.z(), path.p2.x(), path.p2.y(), path.p2.z(),
                                         path.p3.x(), path.p3.y(), path.p3.z(), path.p4.x(), path.p4.y(), path.p4.z()};
    auto line = factory->CreateLineString(nullptr, 4, corners);
    auto section = factory->CreateCircle(nullptr, path.p1, DVector(0, 0, 1), radius);
    host::ObjectPtr startCap, endCap;
    auto solids = factory->CreateSingleSweep(outputColl->ResourceManager(), line, section, 1, 2, startCap, endCap, 0);
    for (int i = 1; i <= solids->Count(); ++i) outputColl->AddOutput(name, solids->Item(i));
}

// The stations along the flow axis of the skinned body: the port 1 end, the quarter points, the
// centre and the port 2 end. The end sections sit at the first and last station.
struct SkinStations {
    double x[5];
};

// Skins the bulged main body through its three circular sections (each radius grown by `grow`) along
// the upper and lower B-spline profiles of the pipe outside diameter OD, and adds every surface of
// the result under `name`.
inline void addSkinnedBody(const host::OutputCollectionPtr& outputColl, const SkinStations& at, double OD, double grow,
                           const char* name) {
    auto& rt = host::runtime();
    auto factory = rt.CreateGeometryFactory();
    const double* x = at.x;

    auto profiles = rt.CreateCollection();
    int order = 4;
    profiles->Add(PlaceTrBspline(
        order, {{x[0], OD / 2, 0}, {x[1], 0.4 * OD, 0}, {x[2], 0.7 * OD, 0}, {x[3], 0.6 * OD, 0}, {x[4], OD / 2, 0}}));
    order = 4;
    profiles->Add(PlaceTrBspline(
        order,
        {{x[0], -OD / 2, 0}, {x[1], -0.85 * OD, 0}, {x[2], -0.85 * OD, 0}, {x[3], -0.5 * OD, 0}, {x[4], -OD / 2, 0}}));

    // The middle section is lowered and wider than the end sections: the body bulges below the axis.
    const DVector alongFlow(1, 0, 0);
    auto sections = rt.CreateCollection();
    sections->Add(factory->CreateCircle(nullptr, DPosition(x[0], 0, 0), alongFlow, OD / 2 + grow));
    sections->Add(factory->CreateCircle(nullptr, DPosition(0, -0.075 * OD, 0), alongFlow, 0.775 * OD + grow));
    sections->Add(factory->CreateCircle(nullptr, DPosition(x[4], 0, 0), alongFlow, OD / 2 + grow));

    // The body is a closed solid: the skin is closed through its end sections.
    auto surfaces = factory->CreateSkin(outputColl->ResourceManager(), profiles, sections, 1);
    for (int i = 1; i <= surfaces->Count(); ++i) outputColl->AddOutput(name, surfaces->Item(i));
}

// The point at height h on the operator base axis, which rises from the valve centre at the angle
// whose tangent is t.
inline DPosition inclinedAxisPoint(double h, double t) { return {checked::divide(h, t), h, 0}; }

// The heights along the inclined base: the top of the operator base (where the mounting flange
// starts), the top of the mounting flange, and where the equalizer meets the base.
struct InclinedBaseHeights {
    double baseTop, flangeTop, equalizerTop;
};

// From the operator's offset from the valve centreline, measured vertically.
inline InclinedBaseHeights heightsFromOffset(double offset) { return {0.95 * offset, offset, 0.75 * offset}; }

// From the height of the flange's centre above the valve centreline: the flange of diameter DF is
// lowered by half its diameter times the cosine c of the inclination.
inline InclinedBaseHeights heightsFromFlangeHeight(double height, double DF, double c) {
    const double baseTop = 0.95 * height - 0.5 * DF * c;
    return {baseTop, height - 0.5 * DF * c, 0.75 * baseTop};
}

// Where a valve with an inclined base puts its shapes along the flow axis.
struct InclinedValveLayout {
    double bodyStartX, bodyEndX; // the body between the flanges' inner faces
    double equalizerX;           // the equalizer's first leg beside the body
    double face1X, face2X;       // the port faces
};

// The body lies off-centre: its port faces at -F/4 and 3F/4 of the face-to-face length F; FT is port
// 1's flange thickness.
inline InclinedValveLayout offCentreLayout(double F, double FT) {
    return {-0.25 * F + FT, 0.75 * F - FT, 0.5 * F, -0.25 * F, 0.75 * F};
}

inline InclinedValveLayout faceToCentreLayout(const FaceToCentre& f, double FT) {
    return {-f.face1 + FT, f.face2 - FT, 0.67 * f.face2, -f.face1, f.face2};
}

// Where a valve with a skinned body puts its shapes along the flow axis; its port faces are the first
// and last station.
struct SkinnedValveLayout {
    SkinStations stations;
    double equalizerX; // the equalizer's first leg beside the body
    double face1X() const { return stations.x[0]; }
    double face2X() const { return stations.x[4]; }
};

inline SkinnedValveLayout faceToFaceSkin(double F) { return {{{-0.5 * F, -0.25 * F, 0, 0.25 * F, 0.5 * F}}, 0.4 * F}; }

inline SkinnedValveLayout faceToCentreSkin(const FaceToCentre& f) {
    return {{{-f.face1, -0.5 * f.face1, 0, 0.5 * f.face2, f.face2}}, 0.8 * f.face2};
}

// The operator height of the skinned valves 2157 and 2199, chosen by the part's PartDataBasis: 2157
// gives it as the offset from the valve centreline, 2199 as the height from it.
struct SkinnedOperatorHeight {
    double height;
    bool givenAsOffset;
};

inline SkinnedOperatorHeight readSkinnedOperatorHeight(const host::VariantArray& arrayofinputs,
                                                       const host::ObjectPtr& part) {
    const bool givenAsOffset = readPartDataBasis(part) == 2157;
    return {readDimension(arrayofinputs, givenAsOffset ? input::OffsetFrmValCen : input::HeightFrmValCen),
            givenAsOffset};
}

// The two nozzles of a two-port valve whose faces sit at face1X (port 1, looking along -x) and
// face2X (port 2, looking along +x), added under the declared names "PNoz1" and "PNoz2". Port 1's
// record is the builder's; port 2 is fetched here.
inline void addFaceNozzles(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs,
                           const host::ObjectPtr& part, const PortDataRecord& port1, double face1X, double face2X) {
    std::int16_t portIndex = 1;
    auto nozzle1 = CreateNozzle(portIndex, part, outputColl, DVector(-1, 0, 0),
                                DPosition(face1X - port1.cptOffset + port1.depth, 0, 0));
    outputColl->AddOutput(arrayOfOutputs.at(2), nozzle1);

    PortDataRecord port2;
    RetrievePortData(2, part, outputColl, port2);
    portIndex = 2;
    auto nozzle2 = CreateNozzle(portIndex, part, outputColl, DVector(1, 0, 0),
                                DPosition(face2X + port2.cptOffset - port2.depth, 0, 0));
    outputColl->AddOutput(arrayOfOutputs.at(3), nozzle2);
}

} // namespace tcv::operator_base
