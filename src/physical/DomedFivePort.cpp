// The five-port domed body: the run (ports 1 and 2 along x), a cross run (ports 3 and 4 along z) and
// a bottom port (5, looking down); a vertical body with an elliptical bottom, closed by a domed cap
// that carries a lifting ring.
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/CheckedMath.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "physical/CPhysical.h"
#include "shapes/MultiPortDimensions.h"
#include "shapes/MultiPortEnds.h"
#include "shapes/ProfileCurves.h"

namespace tcv {

using host::DPosition;
using host::DVector;

void CPhysical::runPDB3183(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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
                               checked::divide(bodyRadius, bottomDepth), -PI / 2, PI / 2);
        else
            body.ellipticalArc(bottomCentre, normal, DVector(bodyRadius, 0, 0),
                               checked::divide(bottomDepth, bodyRadius), 0, PI / 2);
        auto bodyProfile = body.chainFrom(DPosition(0, 0.775 * H, 0));

        // Cap: a quarter ellipse from its crown at 0.925 H down to 0.875 H, then its wall to 0.775 H.
        const double capRadius = 0.4 * D, domeHeight = 0.05 * H;
        const DPosition domeCentre(0, 0.875 * H, 0);
        ProfileCurves cap;
        if (CmpDblGreaterthan(checked::divide(domeHeight, capRadius), 1, kTolerance))
            cap.ellipticalArc(domeCentre, normal, DVector(0, domeHeight, 0), checked::divide(capRadius, domeHeight), 0,
                              PI / 2);
        else
            cap.ellipticalArc(domeCentre, normal, DVector(capRadius, 0, 0), checked::divide(domeHeight, capRadius),
                              -PI / 2, PI / 2);
        cap.line(DPosition(capRadius, 0.875 * H, 0), DPosition(capRadius, 0.775 * H, 0));
        auto capProfile = cap.chainFrom(DPosition(0, 0.925 * H, 0));

        outputColl->AddOutput("Output1", PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0), DPosition(F / 2, 0, 0),
                                                       port[1].pipeOD, true));
        outputColl->AddOutput("Output2",
                              PlaceCylinder(outputColl, DPosition(0, 0, Zi), DPosition(0, 0, -Zi), dims.D34, true));
        outputColl->AddOutput("Output3", PlaceCylinder(outputColl, origin, DPosition(0, -Yo, 0), port[5].pipeOD, true));
        outputColl->AddOutput(arrayOfOutputs.at(1),
                              PlaceRevolution(outputColl, bodyProfile, axis, origin, 2 * PI, true));
        outputColl->AddOutput("Output5", PlaceRevolution(outputColl, capProfile, axis, origin, 2 * PI, true));
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

} // namespace tcv
