// The diagnostic trail of one evaluation: why the symbol failed, in words, and which values it read.
//
// The symbol's failure contract does not change: a failed aspect still raises the bare generic failure
// code. Alongside, every trap of the symbol notes on the calling thread's trail the routine it guards and
// what went wrong, and the host notes which inputs and port fields the symbol read. A host that wants
// the reasons installs a trail for the evaluation and reads it afterwards; without one, noting is a
// no-op.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::host {

// One step of a failure on its way out of the symbol, or a failure the symbol caught and went on from.
struct TCV_EXPORT Diagnostic {
    std::string where;      // the routine whose trap noted it: "runPDB2256", "PlaceCylinder"
    std::string message;    // what went wrong, in words; empty when the step only passed a failure on
    bool recovered = false; // caught on purpose: the evaluation went on
};

// A value the symbol read: an input by its position in the input array, or a field of a port (port
// index and field name, "port2.flangeOD").
struct TCV_EXPORT ReadValue {
    int inputPosition = 0; // 0 for a port field
    int portIndex = 0;
    const char* field = nullptr; // a name with static storage
    Variant value;

    // "FacetoFace" style names are the host's to give (from the input's position); this gives the rest.
    std::string fieldName() const;
};

class TCV_EXPORT EvaluationTrail {
public:
    // Records reads of this input array (the one the host passed to the symbol).
    void watchInputs(const VariantArray* inputs) { watched_ = inputs; }
    void noteInputRead(const VariantArray* array, int position, const Variant& value);
    void noteFieldRead(int portIndex, const char* field, const Variant& value);

    // Notes the failure `error`, trapped by `where`. A failure already noted (raised again by an inner
    // trap) adds a step that only names the routine it passed through.
    void noteFailure(const std::string& where, const std::exception_ptr& error);
    // Notes that `where` caught `error` on purpose and went on; the steps of that failure are marked
    // recovered.
    void noteRecovered(const std::string& where, const std::exception_ptr& error);
    // Makes `raised` known as the failure last noted (a trap raising its own error in its place).
    void passOn(const std::exception_ptr& raised) { inFlight_ = raised; }

    const std::vector<Diagnostic>& steps() const { return steps_; }
    const std::vector<ReadValue>& reads() const { return reads_; }

    // While paused, reads are the host's own and are not recorded.
    class PauseReads {
    public:
        explicit PauseReads(EvaluationTrail* trail);
        ~PauseReads();
        PauseReads(const PauseReads&) = delete;
        PauseReads& operator=(const PauseReads&) = delete;

    private:
        EvaluationTrail* trail_;
    };

private:
    std::vector<Diagnostic> steps_;
    std::vector<ReadValue> reads_;
    const VariantArray* watched_ = nullptr;
    std::exception_ptr inFlight_;
    std::size_t failureStart_ = 0; // the first step of the failure in flight
    int paused_ = 0;
};

// The trail of the calling thread's evaluation, or nullptr when the host keeps none.
TCV_EXPORT EvaluationTrail* currentTrail();

// Installs a trail for the calling thread for the lifetime of the scope; restores the previous one.
class TCV_EXPORT TrailScope {
public:
    explicit TrailScope(EvaluationTrail& trail);
    ~TrailScope();
    TrailScope(const TrailScope&) = delete;
    TrailScope& operator=(const TrailScope&) = delete;

private:
    EvaluationTrail* previous_;
};

// What an exception says, in words: a host error's text (or its number), a standard exception's message.
TCV_EXPORT std::string describeFailure(const std::exception_ptr& error);

// For a trap, inside its catch block: notes the exception being handled under `where`.
TCV_EXPORT void noteTrappedFailure(const std::string& where);
// For a handler that swallows a failure on purpose, inside its catch block.
TCV_EXPORT void noteRecoveredFailure(const std::string& where);
// Raises `error` in place of the failure being handled, known to outer traps as that same failure.
[[noreturn]] TCV_EXPORT void raiseInPlace(const HostError& error);

} // namespace tcv::host
