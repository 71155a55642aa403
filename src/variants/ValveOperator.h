// The valve operator of the physical bodies: placed as the child occurrence "ValveOperator", with its
// attribute "OffsetFrmValCen" and the matching symbol argument kept in step with the body.
#pragma once

#include <optional>

#include "tarncheckvalve/host/Math.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"

namespace tcv::variants {

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

// Places the valve operator. Returns false when the host reports that the operator is absent
// (0x80040400): the caller then ends normally, keeping what it has added.
bool PlaceValveOperator(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                        const OperatorPlacement& placement);

} // namespace tcv::variants
