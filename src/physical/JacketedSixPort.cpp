// The jacketed six-port body: inlet and outlet stubs, a web under the outlet end, a jacket lofted
// from a circle near the inlet to a "D" near the outlet, and six nozzles (inlet and outlet on the
// flow axis, two side ports across it and two ports slanting down at 45 degrees).
#include <cmath>

#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/basGeom3d.h"
#include "geometry/basGeom3dEx.h"
#include "physical/CPhysical.h"
#include "shapes/JacketLoft.h"
#include "shapes/MultiPortEnds.h"

namespace tcv {

using host::DPosition;
using host::DVector;

void CPhysical::runPDB2381(const host::Variant& outputCollValue, const host::VariantArray& arrayofinputs,
                           const host::StringArray&) {
    withErrorReport("Physical:", "runPDB2381", [&] {
        // The collection arrives as a generic value; every call on it goes through its interface.
        auto outputColl = host::queryInterface<host::IOutputCollection>(host::toObject(outputCollValue));
        if (!outputColl) throw host::HostError(host::kTypeMismatch, "the value holds no output collection");

        auto part = readPart(arrayofinputs);
        const double L = readDimension(arrayofinputs, input::FacetoFace);
        readDimension(arrayofinputs, input::InsulationThickness);
        const double A = readDimension(arrayofinputs, input::A);
        const double B = readDimension(arrayofinputs, input::B);
        const double C = readDimension(arrayofinputs, input::C);
        const double D = readDimension(arrayofinputs, input::D);
        const double E = readDimension(arrayofinputs, input::E);
        const auto port = RetrievePortsData<6>(part, outputColl, true);

        const double outletEnd = L / 2 - 1.3 * C;
        outputColl->AddOutput("Body", PlaceCylinder(outputColl, DPosition(-L / 2, 0, 0), DPosition(-0.25 * L, 0, 0),
                                                    port[1].pipeOD, true));
        outputColl->AddOutput("Body1", PlaceCylinder(outputColl, DPosition(L / 2, 0, 0), DPosition(outletEnd, 0, 0),
                                                     port[2].pipeOD, true));
        outputColl->AddOutput(
            "Body2", PlaceBox(outputColl,
                              DPosition(L / 2 - port[2].flangeThickness, -0.4 * port[2].pipeOD, 0.15 * port[2].pipeOD),
                              DPosition(outletEnd, -B, -0.15 * port[2].pipeOD)));

        // The inlet circle spans from the bottom of the inlet pipe up to the jacket top A.
        JacketLoftShape jacket;
        jacket.inletX = -0.25 * L;
        jacket.inletCentreY = (A - port[1].pipeOD / 2) / 2;
        jacket.inletRadius = port[1].pipeOD / 2 + (A - port[1].pipeOD / 2) / 2;
        jacket.outletX = outletEnd;
        jacket.A = A;
        jacket.B = B;
        jacket.E = E;
        addJacketLoft(outputColl, jacket, "Body3_");

        // Side and slanted ports sit at the outlet pipe's radius from the axis, corrected by their own
        // depth and cpt offset.
        const double r2 = port[2].pipeOD / 2;
        const double c45 = std::cos(PI / 4), s45 = std::sin(PI / 4);
        addPortNozzle(outputColl, part, "PNoz1", 1, DVector(-1, 0, 0),
                      DPosition(-L / 2 - port[1].cptOffset + port[1].depth, 0, 0));
        addPortNozzle(outputColl, part, "PNoz2", 2, DVector(1, 0, 0),
                      DPosition(L / 2 + port[2].cptOffset - port[2].depth, 0, 0));
        addPortNozzle(outputColl, part, "PNoz3", 3, DVector(0, 0, 1),
                      DPosition(L / 2 - C, 0, r2 - port[3].depth + port[3].cptOffset));
        addPortNozzle(outputColl, part, "PNoz4", 4, DVector(0, 0, -1),
                      DPosition(L / 2 - C, 0, -r2 + port[4].depth - port[4].cptOffset));
        addPortNozzle(outputColl, part, "PNoz5", 5, DVector(0, -c45, s45),
                      DPosition(L / 2 - D, (-r2 + port[5].depth - port[5].cptOffset) * c45,
                                (r2 - port[5].depth + port[5].cptOffset) * s45));
        addPortNozzle(outputColl, part, "PNoz6", 6, DVector(0, -c45, -s45),
                      DPosition(L / 2 - D, (-r2 + port[6].depth - port[6].cptOffset) * c45,
                                (-r2 + port[6].depth - port[6].cptOffset) * s45));
    });
}

} // namespace tcv
