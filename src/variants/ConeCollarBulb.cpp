// Cone, collar and bulb bodies.
// Insulated cone, collar and bulb bodies.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include "InsulatedEnds.h"
#include "Variants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/shapes/FaceNozzles.h"
#include "tarncheckvalve/shapes/InlineBodyShapes.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using namespace inline_bodies;
using host::DPosition;

namespace {

// The double-cone body's dimensions (2232), in the order both aspects read them: the common inputs, the
// vertical cylinder's diameter and height, then port 1.
struct DoubleConeDimensions {
    host::ObjectPtr part;
    double L, T, Hc, Dv;
    PortDataRecord port;
};

DoubleConeDimensions readDoubleConeDimensions(const host::VariantArray& arrayofinputs,
                                              const host::OutputCollectionPtr& outputColl) {
    const auto [part, L, T] = readCommonInputs(arrayofinputs);
    const double Dm = readDimension(arrayofinputs, input::Diameter);
    const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
    DoubleConeDimensions dims{part, L, T, Hc, verticalCylinderDiameter(L, Dm), {}};
    RetrievePortData(1, part, outputColl, dims.port);
    return dims;
}

// The collared bore's dimensions (2267), in the order both aspects read them: the common inputs, then
// port 1, whose collar thickness t serves both collars.
struct CollarDimensions {
    host::ObjectPtr part;
    double L, T, t;
    PortDataRecord port1;
};

CollarDimensions readCollarDimensions(const host::VariantArray& arrayofinputs,
                                      const host::OutputCollectionPtr& outputColl) {
    const auto [part, L, T] = readCommonInputs(arrayofinputs);
    CollarDimensions dims{part, L, T, 0, {}};
    RetrievePortData(1, part, outputColl, dims.port1);
    dims.t = collarThickness(L, dims.port1.flangeThickness);
    return dims;
}

// ---- Physical

void runPDB2232(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2232", [&] {
        auto [part, L, T, Hc, Dv, port] = readDoubleConeDimensions(arrayofinputs, outputColl);

        addDoubleConeBody(outputColl, {arrayOfOutputs.at(1), "MainBodyRighttCone", "VerticalCylinder"}, L,
                          port.flangeThickness, port.pipeOD, Hc, Dv, 0);
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard);
    });
}

void runPDB2267(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2267", [&] {
        auto [part, L, T, t, port1] = readCollarDimensions(arrayofinputs, outputColl);

        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceCylinder(outputColl, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0}, port1.pipeOD, true));

        // Each collar is as wide as its flange and never narrower than its pipe.
        RetrievePortData(1, part, outputColl, port1);
        outputColl->AddOutput("Port1", PlaceCylinder(outputColl, {-L / 2, 0, 0}, {-L / 2 + t, 0, 0},
                                                     GreaterDim(port1.pipeOD, port1.flangeDiameter), true));
        PortDataRecord port2;
        RetrievePortData(2, part, outputColl, port2);
        outputColl->AddOutput("Port2", PlaceCylinder(outputColl, {L / 2, 0, 0}, {L / 2 - t, 0, 0},
                                                     GreaterDim(port2.pipeOD, port2.flangeDiameter), true));

        // Nozzle 1 keeps port 1's offset and depth; port 2 is read again for nozzle 2.
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port1, NozzleRoutine::Direct);
    });
}

void runPDB2268(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2268", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        auto profile = bulgeProfile(L, port.flangeThickness, port.pipeOD, 0.7 * Hc);
        addRevolvedBody(outputColl, arrayOfOutputs.at(1), profile);
        outputColl->AddOutput("BottomCylinder",
                              PlaceCylinder(outputColl, {0, -0.65 * Hc, 0}, {0, -0.75 * Hc, 0}, 0.2 * L, true));
        outputColl->AddOutput("TopCylinder1", PlaceCylinder(outputColl, {0, 0, 0}, {0, 0.95 * Hc, 0}, 0.65 * L, true));
        outputColl->AddOutput("TopCylinder2", PlaceCylinder(outputColl, {0, 0.95 * Hc, 0}, {0, Hc, 0}, 0.75 * L, true));
        addFaceNozzles(outputColl, part, arrayOfOutputs, L, port, NozzleRoutine::Standard);
    });
}

// ---- Insulation

namespace {

// A grown diameter, kept within the face-to-face length so the envelope does not reach past the faces.
double withinFaceToFace(double diameter, double faceToFace) {
    return CmpDblGreaterthan(diameter, faceToFace, kTolerance) ? faceToFace : diameter;
}

} // namespace

void runInsPDB2232(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2232", [&] {
        auto [part, L, T, Hc, Dv, port] = readDoubleConeDimensions(arrayofinputs, outputColl);

        addDoubleConeBody(outputColl, {arrayOfOutputs.at(1), "MainBodyRighttConeIns", "VerticalCylinderIns"}, L,
                          port.flangeThickness, port.pipeOD, Hc, withinFaceToFace(Dv + 2 * T, L), T);
        RetrievePortData(1, part, outputColl, port);
        addInsulatedPortEnds(outputColl, part, L, T, port);
    });
}

void runInsPDB2267(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2267", [&] {
        auto [part, L, T, t, port] = readCollarDimensions(arrayofinputs, outputColl);

        outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, {-L / 2 + t, 0, 0}, {L / 2 - t, 0, 0},
                                                                  port.pipeOD + 2 * T, true));

        // Both collars are always insulated, inwards by t + T, or to the opposite face when that is longer
        // than the valve.
        const double inner = CmpDblGreaterthan(L, T + t, kTolerance) ? L / 2 - t - T : -L / 2;
        RetrievePortData(1, part, outputColl, port);
        outputColl->AddOutput("Port1Ins", PlaceCylinder(outputColl, {-L / 2, 0, 0}, {-inner, 0, 0},
                                                        InsulatedDiameter(port.flangeDiameter, port.pipeOD, T), true));
        RetrievePortData(2, part, outputColl, port);
        outputColl->AddOutput("Port2Ins", PlaceCylinder(outputColl, {L / 2, 0, 0}, {inner, 0, 0},
                                                        InsulatedDiameter(port.flangeDiameter, port.pipeOD, T), true));
    });
}

void runInsPDB2268(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2268", [&] {
        const auto [part, L, T] = readCommonInputs(arrayofinputs);
        const double Hc = readDimension(arrayofinputs, input::HeightFrmValCen);
        PortDataRecord port;
        RetrievePortData(1, part, outputColl, port);

        auto profile = insulatedBulgeProfile(L, port.flangeThickness, port.pipeOD, 0.7 * Hc, T);
        addRevolvedBody(outputColl, arrayOfOutputs.at(1), profile);
        // The bottom boss has no insulation of its own; the two-step top does.
        const DPosition topStep(0, 0.95 * Hc - T, 0);
        outputColl->AddOutput("TopCylinder1Ins", PlaceCylinder(outputColl, {0, 0, 0}, topStep,
                                                               withinFaceToFace(0.65 * L + 2 * T, L), true));
        outputColl->AddOutput("TopCylinder2Ins", PlaceCylinder(outputColl, topStep, {0, Hc, 0},
                                                               withinFaceToFace(0.75 * L + 2 * T, L), true));
        RetrievePortData(1, part, outputColl, port);
        addInsulatedPortEnds(outputColl, part, L, T, port);
    });
}

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{2232}, runPDB2232, runInsPDB2232},
    {{2267}, runPDB2267, runInsPDB2267},
    {{2268}, runPDB2268, runInsPDB2268},
};

} // namespace

extern const std::span<const Variant> kConeCollarBulbFamily{kVariants};

} // namespace tcv::variants
