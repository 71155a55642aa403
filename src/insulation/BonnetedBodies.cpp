// Insulation of port-sized bonneted bodies: the insulated body, bonnet block and downward bulge, the
// insulated neck of the eight-nut bonnet, and insulated flange rings.
#include "insulation/CInsulation.h"

#include "InsulatedFlangeRings.h"
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "shapes/BonnetedValveSizes.h"
#include "shapes/ValveBonnet.h"

namespace tcv {

using host::DPosition;

namespace {

// The two bonnet shapes the insulation tells apart: the plate bonnets (four nuts, or a ruled cap) keep
// their insulation within the valve's faces where it would end short of them; the neck bonnet has an
// insulated neck and keeps its own extents.
enum class Bonnet { Plate, Neck };

void buildInsulatedBonnetedBody(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs, Bonnet bonnet) {
    const auto part = readPart(arrayofinputs);
    const double F = readDimension(arrayofinputs, input::FacetoFace);
    const double T = readDimension(arrayofinputs, input::InsulationThickness);
    const double H = readDimension(arrayofinputs, input::HeightFrmValCen);
    readPartDataBasis(part);
    const EndTypeCodes codes = readEndTypeCodes(part);
    PortDataRecord port1, port2;
    RetrievePortData(1, part, outputColl, port1);
    RetrievePortData(2, part, outputColl, port2);
    const double B = portSizedBodyDiameter(codes, port1, port2);
    const double E = F - port1.flangeThickness - port2.flangeThickness;

    outputColl->AddOutput(arrayOfOutputs.at(1),
                          PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0), DPosition(F / 2, 0, 0), 2 * T + B, true));

    double left = -0.45 * (F - port1.flangeThickness) - T;
    double right = 0.45 * (F - port2.flangeThickness) + T;
    if (bonnet == Bonnet::Plate && !CmpDblLessThan(F / 2, right, kTolerance)) {
        left = -F / 2;
        right = F / 2;
    }
    addBonnetBox(outputColl, "Body2", left, right, 0.75 * B + T, 0.5 * B - T, H + T);

    if (bonnet == Bonnet::Neck)
        outputColl->AddOutput("InsBody3",
                              PlaceCylinder(outputColl, DPosition(0, 0.5 * B, 0),
                                            DPosition(0, 0.5 * B + 0.2 * (H - 0.5 * B), 0), 0.35 * E + 2 * T, true));

    double bulgeDiameter = 0.75 * E + 2 * T;
    if (bonnet == Bonnet::Plate && CmpDblGreaterthan(bulgeDiameter, F, kTolerance)) bulgeDiameter = F;
    outputColl->AddOutput("InsValvBody", PlaceCylinder(outputColl, DPosition(0, 0.5 * B, 0),
                                                       DPosition(0, -0.75 * B - T, 0), bulgeDiameter, true));

    AddInsulatedFlangeRings(outputColl, F / 2, F, port1, port2, T);
}

} // namespace

void CInsulation::runINSPDB2459(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB2459",
                    [&] { buildInsulatedBonnetedBody(outputColl, arrayofinputs, arrayOfOutputs, Bonnet::Plate); });
}

void CInsulation::runINSPDB2469(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB2469",
                    [&] { buildInsulatedBonnetedBody(outputColl, arrayofinputs, arrayOfOutputs, Bonnet::Plate); });
}

void CInsulation::runINSPDB2470(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB2470",
                    [&] { buildInsulatedBonnetedBody(outputColl, arrayofinputs, arrayOfOutputs, Bonnet::Neck); });
}

} // namespace tcv
