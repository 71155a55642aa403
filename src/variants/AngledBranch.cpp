// Check valves with an angled branch: a straight bore with a cylindrical branch rising at 45 degrees
// towards port 2 and, where the branch is at least as wide as the bore, a conical filler at its root.
// 385 gives the face-to-face length, 386 one face-to-centre distance, 387 two.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include <cmath>

#include "InsulatedFlangeRings.h"
#include "Variants.h"
#include "tarncheckvalve/base/Constants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/shapes/AngledBranchLayout.h"
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

namespace {

// The "Filler" cone narrows from the branch root to this fraction of the bore diameter at the bore's
// bottom line, so that it stays in proportion to the valve whatever its size.
constexpr double kFillerTopRadiusPerBore = 0.25;

} // namespace

void runPDB385_386_387(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray&) {
    withErrorReport("Physical:", "runPDB385_386_387", [&] {
        auto part = readPart(arrayofinputs);
        readDimension(arrayofinputs, input::InsulationThickness);
        auto port = RetrievePortsData<2>(part, outputColl, true);
        const auto layout = readAngledBranchLayout(arrayofinputs, readPartDataBasis(part));
        const double A = layout.A, B = layout.B, x0 = layout.rootX, Lb = layout.length;
        fillMissingFlangeThickness(port[1].flangeThickness, port[2].flangeThickness);

        const double d = port[1].pipeOD, t1 = port[1].flangeThickness, t2 = port[2].flangeThickness;
        outputColl->AddOutput("Body",
                              PlaceCylinder(outputColl, DPosition(-A + t1, 0, 0), DPosition(B - t2, 0, 0), d, true));

        const double theta = kPi / 4;
        const double Db = angledBranchDiameter(d, A, B, theta);
        const DPosition root(x0, 0, 0);
        outputColl->AddOutput(
            "Branch",
            PlaceCylinder(outputColl, root, DPosition(x0 + Lb * std::cos(theta), Lb * std::sin(theta), 0), Db, true));
        if (CmpDblGreaterthan(Db, d, kTolerance)) {
            // Points from the branch root down and back towards port 1, opposite to the branch.
            const DPosition top(x0 - checked::divide(d, 2 * checked::tangent(theta)), -d / 2, 0);
            outputColl->AddOutput("Filler",
                                  PlaceCone(outputColl, root, top, Db / 2, kFillerTopRadiusPerBore * d, true));
        }

        addPortNozzle(outputColl, part, "PNoz1", 1, DVector(-1, 0, 0),
                      DPosition(-A - port[1].cptOffset + port[1].depth, 0, 0));
        addPortNozzle(outputColl, part, "PNoz2", 2, DVector(1, 0, 0),
                      DPosition(B + port[2].cptOffset - port[2].depth, 0, 0));
    });
}

// ---- Insulation

void runInsPDB385_386_387(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                          const host::StringArray&) {
    withErrorReport("Insulation:", "runInsPDB385_386_387", [&] {
        auto part = readPart(arrayofinputs);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const auto layout = readAngledBranchLayout(arrayofinputs, readPartDataBasis(part));
        const double A = layout.A, B = layout.B, x0 = layout.rootX, Lb = layout.length;
        PortDataRecord port1;
        RetrievePortData(1, part, outputColl, port1);
        const double d = port1.pipeOD;
        const double theta = kPi / 4;
        const double Db = angledBranchDiameter(d, A, B, theta);

        outputColl->AddOutput("InsulatedBody",
                              PlaceCylinder(outputColl, DPosition(x0, 0, 0),
                                            DPosition(x0 + Lb * std::cos(theta), Lb * std::sin(theta), 0), 2 * T + Db,
                                            true));
        addInsulatedBoreAndRings(outputColl, part, A, B, T, boreOrFlangeDiameter(d, port1.flangeDiameter, T));
    });
}

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{385, 386, 387}, runPDB385_386_387, runInsPDB385_386_387},
};

} // namespace

extern const std::span<const Variant> kAngledBranchFamily{kVariants};

} // namespace tcv::variants
