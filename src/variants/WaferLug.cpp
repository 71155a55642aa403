// Wafer and lug bodies: short flangeless check valves clamped between two pipe flanges.
// Insulated wafer and lug bodies.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include "InsulatedEnds.h"
#include "Variants.h"
#include "tarncheckvalve/base/Constants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/shapes/FaceNozzles.h"
#include "tarncheckvalve/shapes/InlineBodyShapes.h"

namespace tcv::variants {

using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using host::DPosition;
using host::DT4x4;
using host::DVector;
using namespace inline_bodies;

namespace {

// ---- Physical

namespace {

// The outline of one lug in the plane x: a bar of width s running from the body circle of radius
// 0.4 Fd out to 0.45 Fd along +Y, its outer end rounded.
host::CurvePtr lugProfile(double x, double lugFlangeDia) {
    const double s = 0.1 * lugFlangeDia;
    const double bodyRadius = 0.4 * lugFlangeDia;
    const double r = checked::squareRoot(bodyRadius * bodyRadius - s * s / 4);
    const double outer = 0.45 * lugFlangeDia;
    const DPosition p1(x, r, -s / 2), p2(x, outer, -s / 2), p3(x, r, s / 2), p4(x, outer, s / 2);
    auto& rt = host::runtime();
    auto factory = rt.CreateGeometryFactory();
    auto curves = rt.CreateCollection();
    curves->Add(factory->CreateLine(nullptr, p1, p2));
    curves->Add(factory->CreateArcByCenterNormal(nullptr, {x, outer, 0}, {1, 0, 0}, p2, p4));
    curves->Add(factory->CreateLine(nullptr, p4, p3));
    curves->Add(factory->CreateLine(nullptr, p3, p1));
    DPosition start = p1;
    return PlaceTrCString(start, curves);
}

} // namespace

void runPDB2255(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2255", [&] {
        auto [part, L, T, H, port] = readWaferInputs(arrayofinputs, outputColl);

        const double webTop = waferWebTop(H, port.flangeDiameter);
        const double inner = L / 2 - port.flangeThickness;
        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, {-inner, 0, 0}, {inner, 0, 0}, port.pipeOD, true));
        outputColl->AddOutput("Web", PlaceBox(outputColl, {-inner, 0.5 * port.pipeOD, -0.2 * port.pipeOD},
                                              {inner, webTop - 0.5 * port.flangeDiameter, 0.2 * port.pipeOD}));
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard);
    });
}

void runPDB2256(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2256", [&] {
        auto [part, L, T, H, port] = readWaferInputs(arrayofinputs, outputColl);

        const FlatSidedEnds ends = flatSidedEnds(part, L, H, port);
        const double t = ends.discThickness;
        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0}, port.pipeOD, true));

        // A disc narrower than the distance across its flats fails here, after the bore.
        const FlatSidedWeb web = flatSidedWeb(ends, port.pipeOD);
        outputColl->AddOutput("Web", PlaceBox(outputColl, {-L / 2 + t, web.webBottom, -web.webWidth / 2},
                                              {L / 2 - t, ends.acrossFlats / 2, web.webWidth / 2}));

        if (isPositiveDim(ends.discDiameter))
            addFlatSidedDiscs(outputColl, "Port1", "Port2", L, ends.acrossFlats / 2, web.flatsWidth / 2, t);
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Direct);
    });
}

void runPDB2258(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2258", [&] {
        // The lugged body is sized from its flange alone; its height has no effect.
        auto [part, L, T, H, port] = readWaferInputs(arrayofinputs, outputColl);
        const double Fd = lugFlangeDiameter(port);

        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, {-L / 2, 0, 0}, {L / 2, 0, 0}, 0.8 * Fd, true));

        // Twelve stations 30 degrees apart, from -15 degrees about the flow axis (measured from +Y). The
        // four next to the vertical (i = 0, 1, 6, 7) are left free for the top and bottom blocks.
        auto profile = lugProfile(-L / 2, Fd);
        const DVector axis(1, 0, 0);
        DT4x4 rotation;
        for (int i = 0; i <= 11; ++i) {
            const double theta = -kPi / 12 + i * kPi / 6;
            rotation.rotate(theta, axis);
            if (i != 0 && i != 1 && i != 6 && i != 7) {
                auto lug = PlaceProjection(outputColl, profile, axis, L, true);
                lug->Transform(rotation);
                outputColl->AddOutput("LugBody", lug);
            }
            rotation.loadIdentity();
        }

        const double w = 0.5 * Fd * checked::sine(kPi / 12);
        const double bodyRadius = 0.4 * Fd;
        const double r2 = checked::squareRoot(bodyRadius * bodyRadius - w * w);
        outputColl->AddOutput("LugBody", PlaceBox(outputColl, {-L / 2, r2, -w}, {L / 2, 0.5 * Fd, w}));
        outputColl->AddOutput("LugBody", PlaceBox(outputColl, {-L / 2, -r2, -w}, {L / 2, -0.5 * Fd, w}));

        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Direct);
    });
}

// ---- Insulation

void runInsPDB2255(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2255", [&] {
        auto [part, L, T, H, port] = readWaferInputs(arrayofinputs, outputColl);
        const double webTop = waferWebTop(H, port.flangeDiameter);
        const double inner = L / 2 - port.flangeThickness;

        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, {-inner, 0, 0}, {inner, 0, 0}, port.pipeOD + 2 * T, true));
        // The web's insulation grows past the flanges only where they are thicker than the insulation;
        // otherwise it spans the whole face-to-face length.
        const double webEnd = CmpDblGreaterthan(port.flangeThickness, T, kTolerance) ? inner + T : L / 2;
        outputColl->AddOutput("webIns",
                              PlaceBox(outputColl, {-webEnd, 0.5 * port.pipeOD, -0.2 * port.pipeOD - T},
                                       {webEnd, webTop - 0.5 * port.flangeDiameter + T, 0.2 * port.pipeOD + T}));

        RetrievePortData(1, part, outputColl, port);
        addInsulatedPortEnds(outputColl, part, L, T, port, true);
    });
}

void runInsPDB2256(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2256", [&] {
        auto [part, L, T, H, port] = readWaferInputs(arrayofinputs, outputColl);
        const FlatSidedEnds ends = flatSidedEnds(part, L, H, port);
        const double t = ends.discThickness;

        outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0},
                                                                  port.pipeOD + 2 * T, true));
        // A disc narrower than the distance across its flats fails here, after the bore.
        const FlatSidedWeb web = flatSidedWeb(ends, port.pipeOD);
        outputColl->AddOutput("WebIns", PlaceBox(outputColl, {-L / 2 + t, web.webBottom, -web.webWidth / 2 - T},
                                                 {L / 2 - t, ends.acrossFlats / 2 + T, web.webWidth / 2 + T}));

        if (isPositiveDim(ends.discDiameter)) {
            // The discs' insulation reaches inwards by t + T, but never past the opposite face.
            const double length = CmpDblGreaterthan(L, t + T, kTolerance) ? t + T : L;
            addFlatSidedDiscs(outputColl, "Port1Ins", "Port2Ins", L, ends.acrossFlats / 2 + T, web.flatsWidth / 2 + T,
                              length);
        }
    });
}

void runInsPDB2258(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2258", [&] {
        // The lugged body is sized from its flange alone; its height has no effect.
        auto [part, L, T, H, port] = readWaferInputs(arrayofinputs, outputColl);
        const double Fd = lugFlangeDiameter(port);

        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, {-L / 2, 0, 0}, {L / 2, 0, 0}, 0.8 * Fd + 2 * T, true));
        // The lugs have no insulation of their own; the flanges they are clamped between do. Port 2's
        // flange diameter is taken as it is, without the lug fallback.
        addFlangeCollar(outputColl, Face::Inlet, L, Fd, port.flangeThickness, T);
        RetrievePortData(2, part, outputColl, port);
        addFlangeCollar(outputColl, Face::Outlet, L, port.flangeDiameter, port.flangeThickness, T);
    });
}

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{2255}, runPDB2255, runInsPDB2255},
    {{2256}, runPDB2256, runInsPDB2256},
    {{2258}, runPDB2258, runInsPDB2258},
};

} // namespace

extern const std::span<const Variant> kWaferLugFamily{kVariants};

} // namespace tcv::variants
