// The Physical aspect: the driver `run` with its dispatch by PartDataBasis, the default bodies it builds
// itself, the valve operator, and one private builder per catalogue variant (one source file per family).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/AspectDispatch.h"
#include "host/Export.h"
#include "host/Math.h"
#include "host/Occurrence.h"
#include "host/Symbol.h"
#include "host/Value.h"
#include "ports/basPipePortParameters.h"

namespace tcv {

// Where and how a valve operator is placed as the child occurrence "ValveOperator".
struct OperatorPlacement {
    enum class Source {
        ValveOperatorPart,     // the part's valve-operator part
        ByPipingComponentCode, // code 5: the valve-operator part; 10: member 1 of the operator collection
    };
    Source source = Source::ValveOperatorPart;
    // False hands the position and axes over as freshly created objects, with nothing set.
    bool placed = true;
    host::DPosition position;
    host::DVector firstAxis, secondAxis, thirdAxis;
    // When given, the operator's attribute "OffsetFrmValCen" (and its symbol argument) is set to it.
    std::optional<double> offsetFrmValCen;
};

class TCV_EXPORT CPhysical {
public:
    CPhysical();

    // The PartDataBasis values `run` builds a default body for itself (so does every value below 0).
    static constexpr std::array<std::int32_t, 7> kDefaultBodyBases{0, 1, 455, 456, 2021, 2046, 2047};
    // Every PartDataBasis the aspect serves: the default bodies, then the dispatch table's values ascending.
    static std::vector<std::int32_t> servedPartDataBases();

    void run(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
             const host::StringArray& arrayOfOutputs);

private:
    // The variant builders by PartDataBasis, in the order `run` tests them.
    static const AspectDispatch<CPhysical>::Entry kDispatchTable[];

    // Places the valve operator. Returns false when the host reports that the operator is absent
    // (0x80040400): the caller then ends normally, keeping what it has added.
    bool PlaceValveOperator(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                            const OperatorPlacement& placement);
    host::EditArgumentPtr GetIZDEditZDArgument(const host::ObjectPtr& operatorOccurrence);
    void UpdateOperatorAttributes(const host::ObjectPtr& operatorOccurrence, const std::string& interfaceName,
                                  const std::string& attributeName, const host::Variant& value,
                                  const host::EditArgumentPtr& editArgument);
    void UpdateSymbolArgument(double value, std::int16_t position, const host::EditArgumentPtr& editArgument);

    // What `run` reads before it selects the body: the part, the common inputs, port 1 and the
    // PartDataBasis, with the output counter of the declared names.
    struct RunState {
        host::ObjectPtr part;
        double faceToFace = 0;
        double handwheelAngle = 0;
        PortDataRecord port1;
        std::int32_t partDataBasis = 0;
        std::int16_t outputCounter = 0;
    };
    // The default bodies `run` builds itself, with their nozzles and operator; false when the
    // PartDataBasis is not one of them.
    bool buildDefaultBody(RunState& state, const host::OutputCollectionPtr& outputColl,
                          const host::VariantArray& arrayofinputs, const host::StringArray& arrayOfOutputs);

    // Check valves with an inclined operator base, a mounting flange and an equalizer (InclinedOperatorBase.cpp).
    void runPDB2198(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2144(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2142(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    // Check valves with a skinned main body and a vertical operator (SkinnedBody.cpp).
    void runPDB2157and2199(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs);
    void runPDB2143(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    // Wafer and lug bodies (WaferLug.cpp).
    void runPDB2255(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2256(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2258(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    // Shaped in-line bodies (ShapedInline.cpp).
    void runPDB2200(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2269(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2270(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2271(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    // Cone, collar and bulb bodies (ConeCollarBulb.cpp).
    void runPDB2232(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2267(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2268(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    // The jacketed six-port body (JacketedSixPort.cpp).
    void runPDB2381(const host::Variant& outputCollValue, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    // Check valves with nipple ends (NippleEnds.cpp).
    void runPDB2856orPDB2857(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                             const host::StringArray& arrayOfOutputs);
    void runPDB2858orPDB2859(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                             const host::StringArray& arrayOfOutputs);
    void runPDB2860orPDB2861(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                             const host::StringArray& arrayOfOutputs);
    // Port-sized bonneted bodies (BonnetedBodies.cpp).
    void runPDB2459(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2469(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB2470(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    // Bore bodies with flanged revolved covers (CoveredBodies.cpp).
    void runPDB5_10(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB13(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                  const host::StringArray& arrayOfOutputs);
    // Check valves with an angled branch (AngledBranch.cpp).
    void runPDB385_386_387(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                           const host::StringArray& arrayOfOutputs);
    // Four-port jacketed bodies (FourPortJacketed.cpp).
    void runPDB3124(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB3125(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    void runPDB3146(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);
    // The five-port domed body (DomedFivePort.cpp).
    void runPDB3183(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                    const host::StringArray& arrayOfOutputs);

    double PI;
};

} // namespace tcv
