// Evaluating a catalogue part with the symbol: builds the input array (the part, then the 34 inputs
// with the definition's defaults where the part gives none), calls InvokeRepresentation for an aspect
// and keeps what the symbol added, also when it failed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/host/Diagnostics.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/OutputCollection.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::refhost {

struct TCV_EXPORT AspectResult {
    std::string aspect;    // "Physical" or "Insulation"
    std::int32_t code = 0; // 1 or 32
    bool ok = true;
    std::optional<std::int32_t> errorCode;
    std::string errorText; // the host's own diagnostic of the first error, when there is one
    std::shared_ptr<RefOutputCollection> outputs;
    // The evaluation's diagnostic trail: the steps of a failure and the failures the symbol went on
    // from, innermost first.
    std::vector<host::Diagnostic> trail;
    // What the symbol read, in order and once each: input names ("FacetoFace") and port fields
    // ("port2.flangeOD"), with the values read.
    std::vector<std::pair<std::string, host::Variant>> reads;
    // For a failure: what to change, where the values read break a relation the variant needs (filled in
    // by the catalogue's evaluation, catalog::evaluatePart); "" otherwise.
    std::string hint;

    // The failure in words: the reason and the routine that noted it. When the symbol noted none, the
    // host's own text and "" for the routine.
    struct Reason {
        std::string message;
        std::string where;
    };
    Reason reason() const;
};

// The input array for a part: position 1 the part object, then the inputs at positions 2..35.
TCV_EXPORT host::VariantArray buildInputArray(const std::shared_ptr<RefPart>& part);

// Evaluates one aspect of the part on the calling thread, with a runtime of the given options
// installed for the call.
TCV_EXPORT AspectResult evaluateAspect(const CatalogPart& partSpec, contract::Aspect aspect,
                                       const HostOptions& options = RefRuntime::defaultOptions());

// The names of the 34 inputs, in table order (position = index + 2).
TCV_EXPORT const std::vector<std::string>& inputNames();

} // namespace tcv::refhost
