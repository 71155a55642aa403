#include "insulation/CInsulation.h"

#include <algorithm>
#include <cmath>

#include "base/AspectDispatch.h"
#include "base/Inputs.h"
#include "base/basCCheckValve.h"

namespace tcv {

CInsulation::CInsulation() : PI(4 * std::atan(1.0)) {}

// The variant builders, in the order `run` tests them.
const AspectDispatch<CInsulation>::Entry CInsulation::kDispatchTable[] = {
    {{2142}, &CInsulation::runInsPDB2142},
    {{2198}, &CInsulation::runInsPDB2198},
    {{2157, 2199}, &CInsulation::runInsPDB2157and2199},
    {{2200}, &CInsulation::runInsPDB2200},
    {{2232}, &CInsulation::runInsPDB2232},
    {{2255}, &CInsulation::runInsPDB2255},
    {{2256}, &CInsulation::runInsPDB2256},
    {{2258}, &CInsulation::runInsPDB2258},
    {{2267}, &CInsulation::runInsPDB2267},
    {{2268}, &CInsulation::runInsPDB2268},
    {{2269}, &CInsulation::runInsPDB2269},
    {{2270}, &CInsulation::runInsPDB2270},
    {{2271}, &CInsulation::runInsPDB2271},
    {{2381}, &CInsulation::runInsPDB2381},
    {{2856, 2857, 2858, 2859, 2860, 2861}, &CInsulation::runCheckVWithNippleEnds},
    {{2459}, &CInsulation::runINSPDB2459},
    {{2469}, &CInsulation::runINSPDB2469},
    {{2470}, &CInsulation::runINSPDB2470},
    {{3124}, &CInsulation::runINSPDB3124},
    {{3125}, &CInsulation::runINSPDB3125},
    {{3183}, &CInsulation::runINSPDB3183},
    {{5, 10}, &CInsulation::runInsPDB5_10},
    {{13}, &CInsulation::runInsPDB13},
    {{385, 386, 387}, &CInsulation::runInsPDB385_386_387},
    {{3146}, &CInsulation::runInsPDB3146},
    {{2143}, &CInsulation::runInsPDB2143},
    {{2144}, &CInsulation::runInsPDB2144},
};

std::vector<std::int32_t> CInsulation::servedPartDataBases() {
    std::vector<std::int32_t> served(kDefaultBodyBases.begin(), kDefaultBodyBases.end());
    for (std::int32_t value : AspectDispatch<CInsulation>::values(kDispatchTable))
        if (std::find(served.begin(), served.end(), value) == served.end()) served.push_back(value);
    return served;
}

void CInsulation::run(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                      const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "run", [&] {
        RunState state;
        state.part = readPart(arrayofinputs);
        state.faceToFace = readDimension(arrayofinputs, input::FacetoFace);
        state.insulationThickness = readDimension(arrayofinputs, input::InsulationThickness);
        if (arrayofinputs.upperBound() >= input::HandwheelAngle) readDimension(arrayofinputs, input::HandwheelAngle);
        RetrievePortData(1, state.part, outputColl, state.port1);
        RetrievePortData(2, state.part, outputColl, state.port2);
        state.partDataBasis = readPartDataBasis(state.part);

        if (buildDefaultBody(state, outputColl, arrayofinputs, arrayOfOutputs)) return;

        if (AspectDispatch<CInsulation>::call(kDispatchTable, state.partDataBasis, *this, outputColl, arrayofinputs,
                                              arrayOfOutputs))
            return;
        throw host::HostError(host::kGenericFailure,
                              "PartDataBasis " + std::to_string(state.partDataBasis) + " has no insulation graphics");
    });
}

} // namespace tcv
