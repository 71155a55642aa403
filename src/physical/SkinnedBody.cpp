// Check valves with a skinned main body and a vertical operator: a bulged body skinned through three
// circles along two B-spline profiles, a vertical operator base with its mounting flange at the
// valve centre, and an equalizer pipe from beside the body to below the base.
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

void CPhysical::runPDB2157and2199(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

void CPhysical::runPDB2143(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

} // namespace tcv
