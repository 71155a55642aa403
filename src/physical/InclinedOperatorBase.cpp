// Check valves with an inclined operator base, a mounting flange and an equalizer: the body lies
// off-centre along the flow axis, the operator base rises from the valve centre at 45 degrees with the
// mounting flange on its top, and the equalizer pipe runs beside the body to below the base.
#include "base/Constants.h"
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/CheckedMath.h"
#include "geometry/Comparisons.h"
#include "physical/CPhysical.h"
#include "shapes/OperatorBaseGeometry.h"

namespace tcv {

using host::DPosition;
using host::DVector;

namespace {

using operator_base::InclinedBaseHeights;
using operator_base::InclinedValveLayout;
using operator_base::ValveInputs;

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

void CPhysical::runPDB2198(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2198", [&] {
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        const double a = readDimension(arrayofinputs, input::HandwheelAngle);
        const double O = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        const double A = PI / 4;
        const auto layout = operator_base::offCentreLayout(F, in.port1.flangeThickness);
        addInclinedValve(outputColl, arrayOfOutputs, in, layout, operator_base::heightsFromOffset(O),
                         checked::tangent(A));
        if (!PlaceValveOperator(outputColl, arrayofinputs, inclinedOperator(A, a, O))) return;
        operator_base::addFaceNozzles(outputColl, arrayOfOutputs, in.part, in.port1, layout.face1X, layout.face2X);
    });
}

void CPhysical::runPDB2144(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2144", [&] {
        const double a = readDimension(arrayofinputs, input::HandwheelAngle);
        const double O = readDimension(arrayofinputs, input::OffsetFrmValCen);
        const auto faces = operator_base::readFaceToCentre(arrayofinputs);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        const double A = PI / 4;
        const auto layout = operator_base::faceToCentreLayout(faces, in.port1.flangeThickness);
        addInclinedValve(outputColl, arrayOfOutputs, in, layout, operator_base::heightsFromOffset(O),
                         checked::tangent(A));
        if (!PlaceValveOperator(outputColl, arrayofinputs, inclinedOperator(A, a, O))) return;
        operator_base::addFaceNozzles(outputColl, arrayOfOutputs, in.part, in.port1, layout.face1X, layout.face2X);
    });
}

void CPhysical::runPDB2142(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2142", [&] {
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        const double H = readDimension(arrayofinputs, input::HeightFrmValCen);
        const auto in = operator_base::readValveInputs(arrayofinputs, outputColl);

        const double A = PI / 4;
        const auto layout = operator_base::offCentreLayout(F, in.port1.flangeThickness);
        addInclinedValve(outputColl, arrayOfOutputs, in, layout,
                         operator_base::heightsFromFlangeHeight(H, in.flangeDiameter, checked::cosine(A)),
                         checked::tangent(A));
        // This valve carries no operator.
        operator_base::addFaceNozzles(outputColl, arrayOfOutputs, in.part, in.port1, layout.face1X, layout.face2X);
    });
}

} // namespace tcv
