#include "physical/CPhysical.h"

#include <algorithm>
#include <cmath>

#include "base/AspectDispatch.h"
#include "base/Inputs.h"
#include "base/basCCheckValve.h"

namespace tcv {

CPhysical::CPhysical() : PI(4 * std::atan(1.0)) {}

// The variant builders, in the order `run` tests them.
const AspectDispatch<CPhysical>::Entry CPhysical::kDispatchTable[] = {
    {{2142}, &CPhysical::runPDB2142},
    {{2198}, &CPhysical::runPDB2198},
    {{2157, 2199}, &CPhysical::runPDB2157and2199},
    {{2200}, &CPhysical::runPDB2200},
    {{2232}, &CPhysical::runPDB2232},
    {{2255}, &CPhysical::runPDB2255},
    {{2256}, &CPhysical::runPDB2256},
    {{2258}, &CPhysical::runPDB2258},
    {{2267}, &CPhysical::runPDB2267},
    {{2268}, &CPhysical::runPDB2268},
    {{2269}, &CPhysical::runPDB2269},
    {{2270}, &CPhysical::runPDB2270},
    {{2271}, &CPhysical::runPDB2271},
    {{2381}, &CPhysical::runPDB2381},
    {{2856, 2857}, &CPhysical::runPDB2856orPDB2857},
    {{2858, 2859}, &CPhysical::runPDB2858orPDB2859},
    {{2860, 2861}, &CPhysical::runPDB2860orPDB2861},
    {{2459}, &CPhysical::runPDB2459},
    {{2469}, &CPhysical::runPDB2469},
    {{2470}, &CPhysical::runPDB2470},
    {{3124}, &CPhysical::runPDB3124},
    {{3125}, &CPhysical::runPDB3125},
    {{3183}, &CPhysical::runPDB3183},
    {{5, 10}, &CPhysical::runPDB5_10},
    {{13}, &CPhysical::runPDB13},
    {{385, 386, 387}, &CPhysical::runPDB385_386_387},
    {{3146}, &CPhysical::runPDB3146},
    {{2143}, &CPhysical::runPDB2143},
    {{2144}, &CPhysical::runPDB2144},
};

std::vector<std::int32_t> CPhysical::servedPartDataBases() {
    std::vector<std::int32_t> served(kDefaultBodyBases.begin(), kDefaultBodyBases.end());
    for (std::int32_t value : AspectDispatch<CPhysical>::values(kDispatchTable))
        if (std::find(served.begin(), served.end(), value) == served.end()) served.push_back(value);
    return served;
}

void CPhysical::run(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "run", [&] {
        RunState state;
        state.part = readPart(arrayofinputs);
        state.faceToFace = readDimension(arrayofinputs, input::FacetoFace);
        readDimension(arrayofinputs, input::InsulationThickness);
        state.handwheelAngle = arrayofinputs.upperBound() >= input::HandwheelAngle
                                   ? readDimension(arrayofinputs, input::HandwheelAngle)
                                   : 0;
        RetrievePortData(1, state.part, outputColl, state.port1);
        state.partDataBasis = readPartDataBasis(state.part);

        if (buildDefaultBody(state, outputColl, arrayofinputs, arrayOfOutputs)) return;

        if (AspectDispatch<CPhysical>::call(kDispatchTable, state.partDataBasis, *this, outputColl, arrayofinputs,
                                            arrayOfOutputs))
            return;
        throw host::HostError(host::kGenericFailure,
                              "PartDataBasis " + std::to_string(state.partDataBasis) + " has no physical graphics");
    });
}

} // namespace tcv
