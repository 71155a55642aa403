// The insulated jacketed six-port body: insulated inlet and outlet stubs, the jacket lofted between
// two sections grown by the insulation thickness, and insulated end collars. The web and the side
// and slanted ports have no insulation.
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "insulation/CInsulation.h"
#include "shapes/JacketLoft.h"
#include "shapes/MultiPortEnds.h"

namespace tcv {

using host::DPosition;

void CInsulation::runInsPDB2381(const host::Variant& outputCollValue, const host::VariantArray& arrayofinputs,
                                const host::StringArray&) {
    withErrorReport("Insulation:", "runInsPDB2381", [&] {
        auto outputColl = host::queryInterface<host::IOutputCollection>(host::toObject(outputCollValue));
        if (!outputColl) throw host::HostError(host::kTypeMismatch, "the value holds no output collection");

        auto part = readPart(arrayofinputs);
        const double L = readDimension(arrayofinputs, input::FacetoFace);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double A = readDimension(arrayofinputs, input::A);
        const double B = readDimension(arrayofinputs, input::B);
        const double C = readDimension(arrayofinputs, input::C);
        const double E = readDimension(arrayofinputs, input::E);
        const auto port = RetrievePortsData<6>(part, outputColl, true);

        outputColl->AddOutput("InsulatedBody", PlaceCylinder(outputColl, DPosition(-L / 2, 0, 0),
                                                             DPosition(-0.25 * L, 0, 0), port[1].pipeOD + 2 * T, true));
        outputColl->AddOutput("InsulatedBody1",
                              PlaceCylinder(outputColl, DPosition(L / 2, 0, 0), DPosition(L / 2 - 1.3 * C, 0, 0),
                                            port[2].pipeOD + 2 * T, true));

        // Each section moves outwards by T, but never past the valve's faces.
        JacketLoftShape jacket;
        jacket.inletCentreY = (A - port[1].pipeOD / 2) / 2;
        jacket.inletRadius = port[1].pipeOD / 2 + jacket.inletCentreY + T;
        jacket.inletX = CmpDblGreaterthan(0.25 * L + T, 0.5 * L, kTolerance) ? -L / 2 : -0.25 * L - T;
        jacket.outletX = CmpDblGreaterthan(L / 2 - 1.3 * C + T, L / 2, kTolerance) ? L / 2 : L / 2 - 1.3 * C + T;
        jacket.A = A;
        jacket.B = B;
        jacket.E = E;
        jacket.T = T;
        addJacketLoft(outputColl, jacket, "InsulatedBody2_");

        // End collars: flange plus insulation, or a token 0.0001 where the port has no flange thickness.
        const auto collarDiameter = [&](const PortDataRecord& p) {
            return CmpDblGreaterthan(p.flangeDiameter, p.pipeOD, kTolerance) ? p.flangeDiameter + 2 * T
                                                                             : p.pipeOD + 2 * T;
        };
        const double inletCollarEnd = CmpDblEqual(port[1].flangeThickness, 0, kTolerance)
                                          ? -L / 2 + 0.0001
                                          : -L / 2 + port[1].flangeThickness + T;
        outputColl->AddOutput("InsulatedBody3",
                              PlaceCylinder(outputColl, DPosition(-L / 2, 0, 0), DPosition(inletCollarEnd, 0, 0),
                                            collarDiameter(port[1]), true));
        const double outletCollarEnd =
            CmpDblEqual(port[2].flangeThickness, 0, kTolerance) ? L / 2 + 0.0001 : L / 2 - port[2].flangeThickness - T;
        outputColl->AddOutput("InsulatedBody4",
                              PlaceCylinder(outputColl, DPosition(L / 2, 0, 0), DPosition(outletCollarEnd, 0, 0),
                                            collarDiameter(port[2]), true));
    });
}

} // namespace tcv
