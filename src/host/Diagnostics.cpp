#include "tarncheckvalve/host/Diagnostics.h"

namespace tcv::host {

namespace {

thread_local EvaluationTrail* tCurrentTrail = nullptr;

} // namespace

void EvaluationTrail::noteInputRead(const VariantArray* array, int position, const Variant& value) {
    if (array != watched_ || paused_ > 0) return;
    reads_.push_back({position, 0, nullptr, value});
}

void EvaluationTrail::noteFieldRead(int portIndex, const char* field, const Variant& value) {
    if (paused_ > 0) return;
    reads_.push_back({0, portIndex, field, value});
}

std::string ReadValue::fieldName() const { return "port" + std::to_string(portIndex) + "." + (field ? field : "?"); }

void EvaluationTrail::noteFailure(const std::string& where, const std::exception_ptr& error) {
    if (error && error == inFlight_) {
        steps_.push_back({where, {}, false});
        return;
    }
    failureStart_ = steps_.size();
    steps_.push_back({where, describeFailure(error), false});
    inFlight_ = error;
}

void EvaluationTrail::noteRecovered(const std::string& where, const std::exception_ptr& error) {
    if (error && error == inFlight_) {
        for (std::size_t i = failureStart_; i < steps_.size(); ++i) steps_[i].recovered = true;
        // The routine that went on already gave the reason; its step says only that it recovered.
        steps_.push_back({where, {}, true});
    } else {
        steps_.push_back({where, describeFailure(error), true});
    }
    inFlight_ = nullptr;
    failureStart_ = steps_.size();
}

EvaluationTrail::PauseReads::PauseReads(EvaluationTrail* trail) : trail_(trail) {
    if (trail_) ++trail_->paused_;
}

EvaluationTrail::PauseReads::~PauseReads() {
    if (trail_) --trail_->paused_;
}

EvaluationTrail* currentTrail() { return tCurrentTrail; }

TrailScope::TrailScope(EvaluationTrail& trail) : previous_(tCurrentTrail) { tCurrentTrail = &trail; }

TrailScope::~TrailScope() { tCurrentTrail = previous_; }

std::string describeFailure(const std::exception_ptr& error) {
    if (!error) return "failed";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return "an exception of unknown kind";
    }
}

void noteTrappedFailure(const std::string& where) {
    if (auto* trail = currentTrail()) trail->noteFailure(where, std::current_exception());
}

void noteRecoveredFailure(const std::string& where) {
    if (auto* trail = currentTrail()) trail->noteRecovered(where, std::current_exception());
}

void raiseInPlace(const HostError& error) {
    std::exception_ptr raised = std::make_exception_ptr(error);
    if (auto* trail = currentTrail()) trail->passOn(raised);
    std::rethrow_exception(raised);
}

} // namespace tcv::host
