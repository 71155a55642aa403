// Check valves with a skinned main body and a vertical operator: a bulged body skinned through three
// circles along two B-spline profiles, a vertical operator base with its mounting flange at the
// valve centre, and an equalizer pipe from beside the body to below the base.
// Insulation of the check valves with a skinned main body: the skinned body with its sections grown
// by the insulation thickness, the vertical operator base with its mounting flange, the swept
// equalizer and the port ends.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include "OperatorBaseInsulation.h"
#include "ValveOperator.h"
#include "Variants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/shapes/OperatorBaseGeometry.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;

using host::DPosition;
using host::DVector;
using operator_base::ValveInputs;

namespace {

// ---- Physical

namespace {

// Adds the main body surfaces ("mainBody"), the operator base ("Body"), the mounting flange and the
// equalizer solids. V is the height of the flange's top above the flow axis.
void addSkinnedValve(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs,
                     const operator_base::ValveInputs& in, const operator_base::SkinnedValveLayout& layout, double V) {
    const double OD = in.port1.pipeOD;
    operator_base::addSkinnedBody(outputColl, layout.stations, OD, 0, "mainBody");

    const DPosition baseTop(0, 0.95 * V, 0);
    outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(0, 0, 0), baseTop, OD, true));
    outputColl->AddOutput("MountingFlange",
                          PlaceCylinder(outputColl, baseTop, DPosition(0, V, 0), in.flangeDiameter, true));

    operator_base::addEqualizer(outputColl,
                                operator_base::equalizerPath(layout.equalizerX, 0, 0.8 * V, OD, in.clearance), 0.1 * OD,
                                "Equalizer_");
}

// The operator stands upright at the valve centre, turned by the handwheel angle a about the vertical;
// its attribute "OffsetFrmValCen" is the height of the mounting flange.
OperatorPlacement verticalOperator(double a, double V) {
    OperatorPlacement placement;
    placement.source = OperatorPlacement::Source::ByPipingComponentCode;
    placement.placed = true;
    placement.position = DPosition(0, 0, 0);
    placement.firstAxis = DVector(checked::cosine(a), 0, checked::sine(a));
    placement.secondAxis = DVector(0, 1, 0);
    placement.thirdAxis = DVector(-checked::sine(a), 0, checked::cosine(a));
    placement.offsetFrmValCen = V;
    return placement;
}

} // namespace

void runPDB2157and2199(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2157and2199", [&] {
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        const double a = readDimension(arrayofinputs, input::HandwheelAngle);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);
        const double V = operator_base::readSkinnedOperatorHeight(arrayofinputs, in.part).height;

        const auto layout = operator_base::faceToFaceSkin(F);
        addSkinnedValve(outputColl, arrayOfOutputs, in, layout, V);
        if (!PlaceValveOperator(outputColl, arrayofinputs, verticalOperator(a, V))) return;
        operator_base::addFaceNozzles(outputColl, arrayOfOutputs, in.part, in.port1, layout.face1X(), layout.face2X());
    });
}

void runPDB2143(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2143", [&] {
        const double a = readDimension(arrayofinputs, input::HandwheelAngle);
        const double V = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const auto faces = operator_base::readFaceToCentre(arrayofinputs);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        const auto layout = operator_base::faceToCentreSkin(faces);
        addSkinnedValve(outputColl, arrayOfOutputs, in, layout, V);
        if (!PlaceValveOperator(outputColl, arrayofinputs, verticalOperator(a, V))) return;
        operator_base::addFaceNozzles(outputColl, arrayOfOutputs, in.part, in.port1, layout.face1X(), layout.face2X());
    });
}

// ---- Insulation

namespace {

// The equalizer's insulated radius: the pipe's radius grown by T, unless that exceeds half the
// crossing leg in plan or the clearance; then 0.99 of the clearance where half the leg is at least as
// long as the clearance, else 0.44 of the leg.
double insulatedEqualizerRadius(const operator_base::EqualizerPath& path, const ValveInputs& in) {
    const double EC = in.clearance;
    double r = 0.1 * in.port1.pipeOD + in.insulation;
    const double leg = operator_base::crossingLegInPlan(path);
    if (CmpDblGreaterthan(r, leg / 2, kTolerance) || CmpDblGreaterthan(r, EC, kTolerance))
        r = CmpDblGreaterthan(leg / 2, EC, kTolerance) ? 0.99 * EC : 0.44 * leg;
    return r;
}

// Adds the insulated main body under `mainBodyName`, the insulated operator base ("InsulatedBody") up
// to T below the flange, the insulated mounting flange up to flangeTop, the insulated equalizer
// ("EqualizerIns_") and the port ends. V is the height of the physical flange's top; the port ends stop
// at the valve centre with `stopAtCentre`.
void addInsulatedSkinnedValve(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs,
                              const ValveInputs& in, const operator_base::SkinnedValveLayout& layout,
                              const char* mainBodyName, double V, double flangeTop, bool stopAtCentre) {
    const double OD = in.port1.pipeOD, T = in.insulation;
    operator_base::addSkinnedBody(outputColl, layout.stations, OD, T, mainBodyName);

    const DPosition baseTop(0, 0.95 * V - T, 0);
    outputColl->AddOutput(arrayOfOutputs.at(1),
                          PlaceCylinder(outputColl, DPosition(0, 0, 0), baseTop, OD + 2 * T, true));
    outputColl->AddOutput("MountingFlangeIns", PlaceCylinder(outputColl, baseTop, DPosition(0, flangeTop, 0),
                                                             in.flangeDiameter + 2 * T, true));

    const auto path = operator_base::equalizerPath(layout.equalizerX, 0, 0.8 * V, OD, in.clearance);
    operator_base::addEqualizer(outputColl, path, insulatedEqualizerRadius(path, in), "EqualizerIns_");
    operator_base::addInsulatedPortEnds(outputColl, in.part, T, layout.face1X(), layout.face2X(), stopAtCentre);
}

} // namespace

void runInsPDB2157and2199(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                          const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2157and2199", [&] {
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        readDimension(arrayofinputs, input::HandwheelAngle);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);
        const auto V = operator_base::readSkinnedOperatorHeight(arrayofinputs, in.part);

        // The flange's insulation stops at the operator's seat for 2157 and covers it for 2199.
        addInsulatedSkinnedValve(outputColl, arrayOfOutputs, in, operator_base::faceToFaceSkin(F), "mainBodyIns",
                                 V.height, V.givenAsOffset ? V.height : V.height + in.insulation, false);
    });
}

void runInsPDB2143(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2143", [&] {
        readDimension(arrayofinputs, input::HandwheelAngle);
        const double V = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const auto faces = operator_base::readFaceToCentre(arrayofinputs);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        addInsulatedSkinnedValve(outputColl, arrayOfOutputs, in, operator_base::faceToCentreSkin(faces), "mainBodyIns_",
                                 V, V, true);
    });
}

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{2157, 2199}, runPDB2157and2199, runInsPDB2157and2199},
    {{2143}, runPDB2143, runInsPDB2143},
};

} // namespace

extern const std::span<const Variant> kSkinnedBodyFamily{kVariants};

} // namespace tcv::variants
