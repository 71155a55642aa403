// Insulation of the check valves with a skinned main body: the skinned body with its sections grown
// by the insulation thickness, the vertical operator base with its mounting flange, the swept
// equalizer and the port ends.
#include "OperatorBaseInsulation.h"
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/Comparisons.h"
#include "insulation/CInsulation.h"
#include "shapes/OperatorBaseGeometry.h"

namespace tcv {

using host::DPosition;

namespace {

using operator_base::ValveInputs;

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

void CInsulation::runInsPDB2157and2199(const host::OutputCollectionPtr& outputColl,
                                       const host::VariantArray& arrayofinputs,
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

void CInsulation::runInsPDB2143(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

} // namespace tcv
