// The jacketed six-port body: inlet and outlet stubs, a web under the outlet end, a jacket lofted
// from a circle near the inlet to a "D" near the outlet, and six nozzles (inlet and outlet on the
// flow axis, two side ports across it and two ports slanting down at 45 degrees).
// The insulated jacketed six-port body: insulated inlet and outlet stubs, the jacket lofted between
// two sections grown by the insulation thickness, and insulated end collars. The web and the side
// and slanted ports have no insulation.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include <cmath>

#include "Variants.h"
#include "tarncheckvalve/base/Constants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/shapes/JacketLoft.h"
#include "tarncheckvalve/shapes/MultiPortEnds.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using host::DPosition;
using host::DVector;

namespace {

// ---- Physical

void runPDB2381(const host::Variant& outputCollValue, const host::VariantArray& arrayofinputs,
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
        const double c45 = std::cos(kPi / 4), s45 = std::sin(kPi / 4);
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

// ---- Insulation

void runInsPDB2381(const host::Variant& outputCollValue, const host::VariantArray& arrayofinputs,
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

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
// Both builders take the output collection as a generic value holding the object.
const Variant kVariants[] = {
    {{2381},
     [](const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
        const host::StringArray& arrayOfOutputs) {
         runPDB2381(host::Variant(host::ObjectPtr(outputColl)), arrayofinputs, arrayOfOutputs);
     },
     [](const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
        const host::StringArray& arrayOfOutputs) {
         runInsPDB2381(host::Variant(host::ObjectPtr(outputColl)), arrayofinputs, arrayOfOutputs);
     }},
};

} // namespace

extern const std::span<const Variant> kJacketedSixPortFamily{kVariants};

} // namespace tcv::variants
