// The Insulation aspect: the driver `run` with its dispatch by PartDataBasis, the default insulated
// bodies it builds itself, and one private builder per catalogue variant (one source file per family).
#pragma once

#include "base/AspectDispatch.h"
#include "host/Symbol.h"
#include "host/Value.h"
#include "ports/basPipePortParameters.h"
#include <array>
#include <cstdint>
#include <vector>

#include "host/Export.h"

namespace tcv {

class TCV_EXPORT CInsulation {
public:
    CInsulation();

    // The PartDataBasis values `run` builds a default body for itself (so does every value below 0).
    static constexpr std::array<std::int32_t, 7> kDefaultBodyBases{0, 1, 455, 456, 2021, 2046, 2047};
    // Every PartDataBasis the aspect serves: the default bodies, then the dispatch table's values ascending.
    static std::vector<std::int32_t> servedPartDataBases();

    void run(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
             const host::StringArray& arrayOfOutputs);

private:
    // The variant builders by PartDataBasis, in the order `run` tests them.
    static const AspectDispatch<CInsulation>::Entry kDispatchTable[];

    // What `run` reads before it selects the body.
    struct RunState {
        host::ObjectPtr part;
        double faceToFace = 0;
        double insulationThickness = 0;
        PortDataRecord port1, port2;
        std::int32_t partDataBasis = 0;
    };
    // The default insulated bodies `run` builds itself; false when the PartDataBasis is not one of them.
    bool buildDefaultBody(const RunState& state, const host::OutputCollectionPtr& outputColl,
                          const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs);

    // Insulation of the check valves with an inclined operator base (InclinedOperatorBase.cpp).
    void runInsPDB2198(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB2142(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB2144(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    // Insulation of the check valves with a skinned main body (SkinnedBody.cpp).
    void runInsPDB2157and2199(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                              const host::StringArray& arrayOfOutputs);
    void runInsPDB2143(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    // Insulated wafer and lug bodies (WaferLug.cpp).
    void runInsPDB2255(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB2256(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB2258(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    // Insulated shaped in-line bodies (ShapedInline.cpp).
    void runInsPDB2200(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB2269(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB2270(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB2271(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    // Insulated cone, collar and bulb bodies (ConeCollarBulb.cpp).
    void runInsPDB2232(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB2267(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB2268(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    // The insulated jacketed six-port body (JacketedSixPort.cpp).
    void runInsPDB2381(const host::Variant& outputCollValue, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    // Insulation of check valves with nipple ends (NippleEnds.cpp).
    void runCheckVWithNippleEnds(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                 const host::StringArray& arrayOfOutputs);
    // Insulation of port-sized bonneted bodies (BonnetedBodies.cpp).
    void runINSPDB2459(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runINSPDB2469(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runINSPDB2470(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    // Insulation of bore bodies with covers or branches (CoveredBodies.cpp).
    void runInsPDB5_10(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB13(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                     const host::StringArray& arrayOfOutputs);
    void runInsPDB385_386_387(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                              const host::StringArray& arrayOfOutputs);
    // Insulated four-port jacketed bodies (FourPortJacketed.cpp).
    void runINSPDB3124(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runINSPDB3125(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    void runInsPDB3146(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);
    // The insulated five-port domed body (DomedFivePort.cpp).
    void runINSPDB3183(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                       const host::StringArray& arrayOfOutputs);

    double PI;
};

} // namespace tcv
