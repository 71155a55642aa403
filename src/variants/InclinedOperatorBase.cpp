// Check valves with an inclined operator base, a mounting flange and an equalizer: the body lies
// off-centre along the flow axis, the operator base rises from the valve centre at 45 degrees with the
// mounting flange on its top, and the equalizer pipe runs beside the body to below the base.
// Insulation of the check valves with an inclined operator base: the off-centre body, the operator
// base at 45 degrees, its mounting flange and the swept equalizer, each grown by the insulation
// thickness, and for two of the valves the port ends.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include "OperatorBaseInsulation.h"
#include "ValveOperator.h"
#include "Variants.h"
#include "tarncheckvalve/base/Constants.h"
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
using operator_base::InclinedBaseHeights;
using operator_base::InclinedValveLayout;
using operator_base::ValveInputs;

namespace {

// ---- Physical

namespace {

// Adds the body ("Body"), the operator base, the mounting flange and the equalizer solids.
void addInclinedValve(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs,
                      const ValveInputs& in, const InclinedValveLayout& layout, const InclinedBaseHeights& heights,
                      double t) {
    const double OD = in.port1.pipeOD;
    outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(layout.bodyStartX, 0, 0),
                                                              DPosition(layout.bodyEndX, 0, 0), OD, true));

    const DPosition baseTop = operator_base::inclinedAxisPoint(heights.baseTop, t);
    outputColl->AddOutput("OperatorBase", PlaceCylinder(outputColl, DPosition(0, 0, 0), baseTop, OD, true));
    outputColl->AddOutput("MountingFlange",
                          PlaceCylinder(outputColl, baseTop, operator_base::inclinedAxisPoint(heights.flangeTop, t),
                                        in.flangeDiameter, true));

    const DPosition equalizerTop = operator_base::inclinedAxisPoint(heights.equalizerTop, t);
    operator_base::addEqualizer(
        outputColl,
        operator_base::equalizerPath(layout.equalizerX, equalizerTop.x(), equalizerTop.y(), OD, in.clearance), 0.1 * OD,
        "Equalizer_");
}

// The operator sits at the valve centre with its second axis along the inclined base (the identity
// turned by A - kPi/2 about z), turned then by the handwheel angle a about y; its attribute
// "OffsetFrmValCen" is the offset measured along the base.
OperatorPlacement inclinedOperator(double A, double a, double offset) {
    host::DT4x4 axes;
    axes.loadIdentity();
    axes.rotate(A - kPi / 2, DVector(0, 0, 1));
    axes.rotate(a, DVector(0, 1, 0));
    OperatorPlacement placement;
    placement.source = OperatorPlacement::Source::ByPipingComponentCode;
    placement.placed = true;
    placement.position = DPosition(0, 0, 0);
    placement.firstAxis = DVector(axes.indexValue(0), axes.indexValue(1), axes.indexValue(2));
    placement.secondAxis = DVector(axes.indexValue(4), axes.indexValue(5), axes.indexValue(6));
    placement.thirdAxis = DVector(axes.indexValue(8), axes.indexValue(9), axes.indexValue(10));
    placement.offsetFrmValCen = checked::divide(offset, checked::cosine(A));
    return placement;
}

} // namespace

void runPDB2198(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2198", [&] {
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        const double a = readDimension(arrayofinputs, input::HandwheelAngle);
        const double O = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        const double A = kPi / 4;
        const auto layout = operator_base::offCentreLayout(F, in.port1.flangeThickness);
        addInclinedValve(outputColl, arrayOfOutputs, in, layout, operator_base::heightsFromOffset(O),
                         checked::tangent(A));
        if (!PlaceValveOperator(outputColl, arrayofinputs, inclinedOperator(A, a, O))) return;
        operator_base::addFaceNozzles(outputColl, arrayOfOutputs, in.part, in.port1, layout.face1X, layout.face2X);
    });
}

void runPDB2144(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2144", [&] {
        const double a = readDimension(arrayofinputs, input::HandwheelAngle);
        const double O = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const auto faces = operator_base::readFaceToCentre(arrayofinputs);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        const double A = kPi / 4;
        const auto layout = operator_base::faceToCentreLayout(faces, in.port1.flangeThickness);
        addInclinedValve(outputColl, arrayOfOutputs, in, layout, operator_base::heightsFromOffset(O),
                         checked::tangent(A));
        if (!PlaceValveOperator(outputColl, arrayofinputs, inclinedOperator(A, a, O))) return;
        operator_base::addFaceNozzles(outputColl, arrayOfOutputs, in.part, in.port1, layout.face1X, layout.face2X);
    });
}

void runPDB2142(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2142", [&] {
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        const double H = readDimension(arrayofinputs, input::HeightFrmValCen);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        const double A = kPi / 4;
        const auto layout = operator_base::offCentreLayout(F, in.port1.flangeThickness);
        addInclinedValve(outputColl, arrayOfOutputs, in, layout,
                         operator_base::heightsFromFlangeHeight(H, in.flangeDiameter, checked::cosine(A)),
                         checked::tangent(A));
        // This valve carries no operator.
        operator_base::addFaceNozzles(outputColl, arrayOfOutputs, in.part, in.port1, layout.face1X, layout.face2X);
    });
}

// ---- Insulation

namespace {

// The equalizer's insulated radius: the pipe's radius grown by T, unless that exceeds the clearance or
// the crossing leg in plan; then 0.99 of the clearance where the leg is at least as long as the
// clearance, else 0.49 of the leg.
double insulatedEqualizerRadius(const operator_base::EqualizerPath& path, const ValveInputs& in) {
    const double EC = in.clearance;
    double r = 0.1 * in.port1.pipeOD + in.insulation;
    const double leg = operator_base::crossingLegInPlan(path);
    if (CmpDblGreaterthan(r, EC, kTolerance) || CmpDblGreaterthan(r, leg, kTolerance))
        r = CmpDblGreaterthan(leg, EC, kTolerance) ? 0.99 * EC : 0.49 * leg;
    return r;
}

// Adds the insulated body ("InsulatedBody"), the insulated operator base up to the base top, and the
// insulated mounting flange from T below the base top along the base axis to the flange top moved out
// by `flangeTopGrow` along the axis, then the insulated equalizer under `equalizerName`.
void addInsulatedInclinedValve(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs,
                               const ValveInputs& in, const InclinedValveLayout& layout,
                               const InclinedBaseHeights& heights, double flangeTopGrow, double A,
                               const char* equalizerName) {
    const double OD = in.port1.pipeOD, T = in.insulation;
    const double t = checked::tangent(A), c = checked::cosine(A), s = checked::sine(A);
    outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(layout.bodyStartX, 0, 0),
                                                              DPosition(layout.bodyEndX, 0, 0), OD + 2 * T, true));

    const DPosition baseTop = operator_base::inclinedAxisPoint(heights.baseTop, t);
    outputColl->AddOutput("OperatorBaseIns", PlaceCylinder(outputColl, DPosition(0, 0, 0), baseTop, OD + 2 * T, true));
    const DPosition flangeTop = operator_base::inclinedAxisPoint(heights.flangeTop, t);
    const DPosition flangeStart(baseTop.x() - c * T, baseTop.y() - s * T, 0);
    const DPosition flangeEnd(flangeTop.x() + c * flangeTopGrow, flangeTop.y() + s * flangeTopGrow, 0);
    outputColl->AddOutput("MountingFlangeIns",
                          PlaceCylinder(outputColl, flangeStart, flangeEnd, in.flangeDiameter + 2 * T, true));

    const DPosition equalizerTop = operator_base::inclinedAxisPoint(heights.equalizerTop, t);
    const auto path =
        operator_base::equalizerPath(layout.equalizerX, equalizerTop.x(), equalizerTop.y(), OD, in.clearance);
    operator_base::addEqualizer(outputColl, path, insulatedEqualizerRadius(path, in), equalizerName);
}

} // namespace

void runInsPDB2198(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2198", [&] {
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        readDimension(arrayofinputs, input::HandwheelAngle);
        const double O = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        addInsulatedInclinedValve(outputColl, arrayOfOutputs, in,
                                  operator_base::offCentreLayout(F, in.port1.flangeThickness),
                                  operator_base::heightsFromOffset(O), 0, kPi / 4, "Equalizer_");
    });
}

void runInsPDB2142(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2142", [&] {
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        const double H = readDimension(arrayofinputs, input::HeightFrmValCen);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        const double A = kPi / 4;
        const auto layout = operator_base::offCentreLayout(F, in.port1.flangeThickness);
        // The flange's insulation runs T beyond both of its ends.
        addInsulatedInclinedValve(outputColl, arrayOfOutputs, in, layout,
                                  operator_base::heightsFromFlangeHeight(H, in.flangeDiameter, checked::cosine(A)),
                                  in.insulation, A, "EqualizerIns_");
        operator_base::addInsulatedPortEnds(outputColl, in.part, in.insulation, layout.face1X, layout.face2X, false);
    });
}

void runInsPDB2144(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB2144", [&] {
        readDimension(arrayofinputs, input::HandwheelAngle);
        const double O = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const auto faces = operator_base::readFaceToCentre(arrayofinputs);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        const auto layout = operator_base::faceToCentreLayout(faces, in.port1.flangeThickness);
        addInsulatedInclinedValve(outputColl, arrayOfOutputs, in, layout, operator_base::heightsFromOffset(O), 0,
                                  kPi / 4, "Equalizer_");
        operator_base::addInsulatedPortEnds(outputColl, in.part, in.insulation, layout.face1X, layout.face2X, true);
    });
}

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{2142}, runPDB2142, runInsPDB2142},
    {{2198}, runPDB2198, runInsPDB2198},
    {{2144}, runPDB2144, runInsPDB2144},
};

} // namespace

extern const std::span<const Variant> kInclinedOperatorBaseFamily{kVariants};

} // namespace tcv::variants
