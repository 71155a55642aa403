// The insulated five-port domed body, from cylinders only: shells over the three runs, one shell
// over the whole body height and one over each end flange that has a thickness.
#include "base/Inputs.h"
#include "base/basCCheckValve.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "insulation/CInsulation.h"
#include "shapes/MultiPortDimensions.h"

namespace tcv {

using host::DPosition;
using host::DVector;

void CInsulation::runINSPDB3183(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
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

} // namespace tcv
