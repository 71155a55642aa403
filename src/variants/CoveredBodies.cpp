// Bore bodies with flanged revolved covers: a bore cylinder carrying a filler block, a pair of square
// cover flanges with rounded corners, two side fillers under the flanges and a cover revolved about
// the vertical axis. The two builders differ only in their face-to-centre distances and in the size
// that governs the cover.
// Insulation of bore bodies with covers or branches: one insulated body (a box around the cover, or
// the insulated branch), the insulated bore and two insulated flange rings.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include <array>
#include <cmath>

#include "InsulatedFlangeRings.h"
#include "Variants.h"
#include "tarncheckvalve/base/Constants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/shapes/MultiPortEnds.h"
#include "tarncheckvalve/shapes/ProfileCurves.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using host::DPosition;
using host::DVector;

namespace {

// ---- Physical

namespace {

struct CoverDimensions {
    double A = 0, B = 0; // face-to-centre distances of ports 1 and 2
    double S = 0;        // the face-to-centre distance that governs the cover
    double valveHeight = 0;
};

// A square plate of half-size a at height y whose corners are rounded about the bore's corners
// (±r, ±r), projected up by its thickness.
host::GraphicPtr coverFlange(const host::OutputCollectionPtr& outputColl, double a, double r, double y,
                             double thickness) {
    const auto p = [y](double x, double z) { return DPosition(x, y, z); };
    const std::array<DPosition, 12> P = {p(a, r),   p(r, r),   p(r, a),   p(-r, a), p(-r, r), p(-a, r),
                                         p(-a, -r), p(-r, -r), p(-r, -a), p(r, -a), p(r, -r), p(a, -r)};
    ProfileCurves outline;
    outline.arcAbout(P[1], P[0], P[2]).line(P[2], P[3]);
    outline.arcAbout(P[4], P[3], P[5]).line(P[5], P[6]);
    outline.arcAbout(P[7], P[6], P[8]).line(P[8], P[9]);
    outline.arcAbout(P[10], P[9], P[11]).line(P[11], P[0]);
    return PlaceProjection(outputColl, outline.chainFrom(P[0]), DVector(0, 1, 0), thickness, true);
}

// The filler under one flange arm, in the plane x = r, projected across the bore; `side` is -1 for the
// arm on the -z side and +1 for its mirror.
host::GraphicPtr flangeFiller(const host::OutputCollectionPtr& outputColl, double a, double r, double d, double side) {
    const DPosition q0(r, r, side * a), q1(r, r, side * r), q2(r, 0, side * r), q3(r, d / 4, side * 0.6 * a);
    ProfileCurves outline;
    outline.line(q0, q1).line(q1, q2).arcThrough(q2, q3, q0);
    return PlaceProjection(outputColl, outline.chainFrom(q0), DVector(-1, 0, 0), d, true);
}

void buildCoveredBody(const host::OutputCollectionPtr& outputColl, const host::ObjectPtr& part,
                      const CoverDimensions& dims, std::array<PortDataRecord, 3> port) {
    fillMissingFlangeThickness(port[1].flangeThickness, port[2].flangeThickness);
    const double t1 = port[1].flangeThickness, t2 = port[2].flangeThickness;

    const double A = dims.A, B = dims.B, S = dims.S, VH = dims.valveHeight;
    const double d = port[1].pipeOD;
    const double r = d / 2;
    const double a = S - 2 * t1;
    const double y0 = 2 * t1 + r + 0.002;

    outputColl->AddOutput("Body",
                          PlaceCylinder(outputColl, DPosition(-A + t1, 0, 0), DPosition(B - t2, 0, 0), d, true));

    // The two upper corners between the bore and a square of side 2r.
    const DPosition f0(a, 0, r), f1(a, r, r), f2(a, r, 0);
    ProfileCurves filler;
    filler.line(f0, f1).line(f1, DPosition(a, r, -r)).line(DPosition(a, r, -r), DPosition(a, 0, -r));
    filler.arcThrough(DPosition(a, 0, -r), f2, f0);
    outputColl->AddOutput("FillerBody",
                          PlaceProjection(outputColl, filler.chainFrom(f0), DVector(-1, 0, 0), 2 * a, true));

    outputColl->AddOutput("BotRectFlange", coverFlange(outputColl, a, r, r, t1));
    outputColl->AddOutput("TopRectFlange", coverFlange(outputColl, a, r, r + t1 + 0.002, t1));
    outputColl->AddOutput("FlangeFiller1", flangeFiller(outputColl, a, r, d, -1));
    outputColl->AddOutput("FlangeFiller2", flangeFiller(outputColl, a, r, d, 1));

    // The cover: from the top flange's top face out to the square's edge, up an elliptical shoulder,
    // a neck and a rounded top back to the vertical axis.
    const DPosition R0(0, y0, 0), R1(S - 3 * t1, y0, 0), R2(0.3 * a, y0, 0), R3(0.3 * a, 0.6 * VH, 0),
        R4(0.3 * a, 0.75 * VH, 0), R5(0.2 * a, 0.75 * VH, 0), R6(0.2 * a, VH, 0), R7(0, VH, 0);
    const double shoulderWidth = 0.7 * a - t1;
    ProfileCurves cover;
    cover.line(R0, R1);
    cover.ellipticalArc(R2, DVector(0, 0, 1), DVector(shoulderWidth, 0, 0),
                        checked::divide(0.6 * VH - (2 * t1 + r), shoulderWidth), 0, kPi / 2);
    cover.line(R3, R4).arcAbout(R5, R4, R6).line(R6, R7);
    outputColl->AddOutput("ValBodyRev", PlaceRevolution(outputColl, cover.chainFrom(R0), DVector(0, 1, 0),
                                                        DPosition(0, VH / 2, 0), 2 * kPi, true));

    addPortNozzle(outputColl, part, "PNoz1", 1, DVector(-1, 0, 0),
                  DPosition(-A - port[1].cptOffset + port[1].depth, 0, 0));
    addPortNozzle(outputColl, part, "PNoz2", 2, DVector(1, 0, 0),
                  DPosition(B + port[2].cptOffset - port[2].depth, 0, 0));
}

} // namespace

void runPDB5_10(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray&) {
    withErrorReport("Physical:", "runPDB5_10", [&] {
        auto part = readPart(arrayofinputs);
        readDimension(arrayofinputs, input::InsulationThickness);
        CoverDimensions dims;
        dims.valveHeight = readDimension(arrayofinputs, input::ValveHeight);
        const auto port = RetrievePortsData<2>(part, outputColl, true);
        // 5 gives the face-to-face length, 10 the face-to-centre distance.
        if (readPartDataBasis(part) == 10)
            dims.A = readDimension(arrayofinputs, input::FacetoCenter);
        else
            dims.A = readDimension(arrayofinputs, input::FacetoFace) / 2;
        dims.B = dims.A;
        dims.S = dims.A;
        buildCoveredBody(outputColl, part, dims, port);
    });
}

void runPDB13(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
              const host::StringArray&) {
    withErrorReport("Physical:", "runPDB13", [&] {
        auto part = readPart(arrayofinputs);
        readDimension(arrayofinputs, input::InsulationThickness);
        readDimension(arrayofinputs, input::HandwheelAngle);
        CoverDimensions dims;
        dims.valveHeight = readDimension(arrayofinputs, input::ValveHeight);
        dims.A = readDimension(arrayofinputs, input::Face1toCenter);
        dims.B = readDimension(arrayofinputs, input::Face2toCenter);
        const auto port = RetrievePortsData<2>(part, outputColl, true);
        // The shorter side governs the cover; equal sides keep port 1's.
        dims.S = CmpDblLessThan(dims.A, dims.B, kTolerance) ? dims.A : dims.B;
        buildCoveredBody(outputColl, part, dims, port);
    });
}

// ---- Insulation

namespace {

// The box around the cover: on the cover square (half-size k) grown by T, lengthened to the faces
// when the square is wider than the insulation is thick. It rises from the axis to T above the valve
// height (measured from the bore's bottom).
void addInsulatedCoverBox(const host::OutputCollectionPtr& outputColl, double S, double k, double T, double valveHeight,
                          double d) {
    const double top = T + valveHeight - d / 2;
    if (CmpDblLessThanOrEqualTo(k, T, kTolerance))
        outputColl->AddOutput("InsulatedBody", CreateBoxWithProjection(outputColl, DPosition(-k - T, top, -k - T),
                                                                       DPosition(k + T, 0, k + T)));
    else
        outputColl->AddOutput("InsulatedBody",
                              CreateBoxWithProjection(outputColl, DPosition(-S, top, -k - T), DPosition(S, 0, k + T)));
}

} // namespace

void runInsPDB5_10(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray&) {
    withErrorReport("Insulation:", "runInsPDB5_10", [&] {
        auto part = readPart(arrayofinputs);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double VH = readDimension(arrayofinputs, input::ValveHeight);
        // 5 gives the face-to-face length, 10 the face-to-centre distance.
        const double A = readPartDataBasis(part) == 10 ? readDimension(arrayofinputs, input::FacetoCenter)
                                                       : readDimension(arrayofinputs, input::FacetoFace) / 2;
        const double B = A;
        PortDataRecord port1;
        RetrievePortData(1, part, outputColl, port1);
        const double d = port1.pipeOD;
        const double S = A;
        const double k = S - 2 * port1.flangeThickness;

        addInsulatedCoverBox(outputColl, S, k, T, VH, d);
        addInsulatedBoreAndRings(outputColl, part, A, B, T, 2 * T + d);
    });
}

void runInsPDB13(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                 const host::StringArray&) {
    withErrorReport("Insulation:", "runInsPDB13", [&] {
        auto part = readPart(arrayofinputs);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double VH = readDimension(arrayofinputs, input::ValveHeight);
        const double A = readDimension(arrayofinputs, input::Face1toCenter);
        const double B = readDimension(arrayofinputs, input::Face2toCenter);
        PortDataRecord port1;
        RetrievePortData(1, part, outputColl, port1);
        const double d = port1.pipeOD;
        // The shorter side governs the cover; equal sides keep port 1's.
        const double S = CmpDblLessThan(A, B, kTolerance) ? A : B;
        const double k = S - 2 * port1.flangeThickness;

        addInsulatedCoverBox(outputColl, S, k, T, VH, d);
        addInsulatedBoreAndRings(outputColl, part, A, B, T, boreOrFlangeDiameter(d, port1.flangeDiameter, T));
    });
}

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{5, 10}, runPDB5_10, runInsPDB5_10},
    {{13}, runPDB13, runInsPDB13},
};

} // namespace

extern const std::span<const Variant> kCoveredBodiesFamily{kVariants};

} // namespace tcv::variants
