// The five-port domed body: the run (ports 1 and 2 along x), a cross run (ports 3 and 4 along z) and
// a bottom port (5, looking down); a vertical body with an elliptical bottom, closed by a domed cap
// that carries a lifting ring.
// The insulated five-port domed body, from cylinders only: shells over the three runs, one shell
// over the whole body height and one over each end flange that has a thickness.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include "Variants.h"
#include "tarncheckvalve/base/Constants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/shapes/MultiPortDimensions.h"
#include "tarncheckvalve/shapes/MultiPortEnds.h"
#include "tarncheckvalve/shapes/ProfileCurves.h"

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

void runPDB3183(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB3183", [&] {
        auto part = readPart(arrayofinputs);
        const auto dims = readDomedBodyDimensions(arrayofinputs, part, outputColl);
        const double F = dims.F, D = dims.D, H = dims.H, Yo = dims.Yo, Zi = dims.Zi;
        const auto& port = dims.port;

        // Profiles lie in the xy plane at x >= 0; the host's ellipse wants minor / major <= 1, so the
        // major axis runs along the longer semi-axis.
        const DVector normal(0, 0, -1);
        const DVector axis(0, 1, 0);
        const DPosition origin(0, 0, 0);

        // Body: flat top at 0.775 H, wall down to -0.725 Yo, a quarter ellipse of depth 0.075 Yo to the axis.
        const double bodyRadius = 0.5 * D, bottomDepth = 0.075 * Yo;
        const DPosition bottomCentre(0, -0.725 * Yo, 0);
        ProfileCurves body;
        body.line(DPosition(0, 0.775 * H, 0), DPosition(bodyRadius, 0.775 * H, 0));
        body.line(DPosition(bodyRadius, 0.775 * H, 0), DPosition(bodyRadius, -0.725 * Yo, 0));
        if (CmpDblGreaterthan(checked::divide(bottomDepth, bodyRadius), 1, kTolerance))
            body.ellipticalArc(bottomCentre, normal, DVector(0, -bottomDepth, 0),
                               checked::divide(bodyRadius, bottomDepth), -kPi / 2, kPi / 2);
        else
            body.ellipticalArc(bottomCentre, normal, DVector(bodyRadius, 0, 0),
                               checked::divide(bottomDepth, bodyRadius), 0, kPi / 2);
        auto bodyProfile = body.chainFrom(DPosition(0, 0.775 * H, 0));

        // Cap: a quarter ellipse from its crown at 0.925 H down to 0.875 H, then its wall to 0.775 H.
        const double capRadius = 0.4 * D, domeHeight = 0.05 * H;
        const DPosition domeCentre(0, 0.875 * H, 0);
        ProfileCurves cap;
        if (CmpDblGreaterthan(checked::divide(domeHeight, capRadius), 1, kTolerance))
            cap.ellipticalArc(domeCentre, normal, DVector(0, domeHeight, 0), checked::divide(capRadius, domeHeight), 0,
                              kPi / 2);
        else
            cap.ellipticalArc(domeCentre, normal, DVector(capRadius, 0, 0), checked::divide(domeHeight, capRadius),
                              -kPi / 2, kPi / 2);
        cap.line(DPosition(capRadius, 0.875 * H, 0), DPosition(capRadius, 0.775 * H, 0));
        auto capProfile = cap.chainFrom(DPosition(0, 0.925 * H, 0));

        outputColl->AddOutput("Output1", PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0), DPosition(F / 2, 0, 0),
                                                       port[1].pipeOD, true));
        outputColl->AddOutput("Output2",
                              PlaceCylinder(outputColl, DPosition(0, 0, Zi), DPosition(0, 0, -Zi), dims.D34, true));
        outputColl->AddOutput("Output3", PlaceCylinder(outputColl, origin, DPosition(0, -Yo, 0), port[5].pipeOD, true));
        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceRevolution(outputColl, bodyProfile, axis, origin, 2 * kPi, true));
        outputColl->AddOutput("Output5", PlaceRevolution(outputColl, capProfile, axis, origin, 2 * kPi, true));
        // The lifting ring stands on the dome's crown (0.925 H) and reaches up to H.
        outputColl->AddOutput("Output6", PlaceTorus(outputColl, DPosition(0, 0.925 * H + 0.075 * H / 2, 0),
                                                    DVector(0, 0, 1), 0.0375 * H - 0.0075 * H, 0.015 * H / 2));

        addPortNozzle(outputColl, part, arrayOfOutputs.at(2), 1, DVector(-1, 0, 0),
                      DPosition(-F / 2 - port[1].cptOffset + port[1].depth, 0, 0));
        addPortNozzle(outputColl, part, arrayOfOutputs.at(3), 2, DVector(1, 0, 0),
                      DPosition(F / 2 + port[2].cptOffset - port[2].depth, 0, 0));
        addPortNozzle(outputColl, part, "PNoz3", 3, DVector(0, 0, 1),
                      DPosition(0, 0, Zi + port[3].cptOffset - port[3].depth));
        addPortNozzle(outputColl, part, "PNoz4", 4, DVector(0, 0, -1),
                      DPosition(0, 0, -Zi - port[4].cptOffset + port[4].depth));
        addPortNozzle(outputColl, part, "PNoz5", 5, DVector(0, -1, 0),
                      DPosition(0, -Yo - port[5].cptOffset + port[5].depth, 0));
    });
}

// ---- Insulation

void runINSPDB3183(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB3183", [&] {
        auto part = readPart(arrayofinputs);
        const auto dims = readDomedBodyDimensions(arrayofinputs, part, outputColl);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        const double F = dims.F, D = dims.D, H = dims.H, Yo = dims.Yo, Zi = dims.Zi;
        const auto& port = dims.port;

        outputColl->AddOutput("InsOutput1", PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0), DPosition(F / 2, 0, 0),
                                                          port[1].pipeOD + 2 * T, true));
        outputColl->AddOutput(
            "InsOutput2", PlaceCylinder(outputColl, DPosition(0, 0, Zi), DPosition(0, 0, -Zi), dims.D34 + 2 * T, true));
        outputColl->AddOutput("InsOutput3", PlaceCylinder(outputColl, DPosition(0, 0, 0), DPosition(0, -Yo, 0),
                                                          port[5].pipeOD + 2 * T, true));
        // The body shell is widened by one thickness only, and never beyond the face-to-face length.
        const double bodyShell = CmpDblGreaterthan(D + T, F, kTolerance) ? F : D + T;
        outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(0, -0.85 * Yo - T, 0),
                                                                  DPosition(0, H + T, 0), bodyShell, true));

        // A flange shell from each face inwards by its thickness plus T, where the flange has a thickness.
        struct FlangeShell {
            const char* name;
            int portIndex;
            DPosition face;
            DVector inwards;
        };
        const FlangeShell shells[] = {
            {"InsPNoz1", 1, DPosition(-F / 2, 0, 0), DVector(1, 0, 0)},
            {"InsPNoz2", 2, DPosition(F / 2, 0, 0), DVector(-1, 0, 0)},
            {"InsPNoz3", 3, DPosition(0, 0, Zi), DVector(0, 0, -1)},
            {"InsPNoz4", 4, DPosition(0, 0, -Zi), DVector(0, 0, 1)},
            {"InsPNoz5", 5, DPosition(0, -Yo, 0), DVector(0, 1, 0)},
        };
        for (const auto& shell : shells) {
            const PortDataRecord& p = port[static_cast<std::size_t>(shell.portIndex)];
            if (CmpDblEqual(p.flangeThickness, 0, kTolerance)) continue;
            const double depth = p.flangeThickness + T;
            const DPosition inner(shell.face.x() + depth * shell.inwards.x(),
                                  shell.face.y() + depth * shell.inwards.y(),
                                  shell.face.z() + depth * shell.inwards.z());
            outputColl->AddOutput(shell.name,
                                  PlaceCylinder(outputColl, shell.face, inner, p.flangeDiameter + 2 * T, true));
        }
    });
}

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{3183}, runPDB3183, runINSPDB3183},
};

} // namespace

extern const std::span<const Variant> kDomedFivePortFamily{kVariants};

} // namespace tcv::variants
