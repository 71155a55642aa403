#include "tarncheckvalve/refhost/WorkBudget.h"

#include <cmath>
#include <csignal>
#include <cstring>

#include "tarncheckvalve/geometry/CheckedMath.h"

namespace tcv::refhost {

namespace {

std::atomic<int> interruptedBy{0};
static_assert(std::atomic<int>::is_always_lock_free, "the interrupt is noted from a signal handler");

thread_local WorkBudget* threadBudget = nullptr;

std::string secondsText(std::chrono::microseconds time) {
    return geometry::checked::shortNumber(static_cast<double>(time.count()) / 1e6) + " s";
}

} // namespace

WorkStopped::WorkStopped(const std::string& reason) : host::HostError(host::kGenericFailure, reason) {}

WorkBudget::WorkBudget(WorkLimits limits, std::shared_ptr<const std::atomic<bool>> cancelled)
    : limits_(limits), deadline_(std::chrono::steady_clock::now() + limits.time), external_(std::move(cancelled)) {}

bool WorkBudget::stopped() const {
    if (cancelled_.load(std::memory_order_relaxed) || interruptedBy.load(std::memory_order_relaxed) != 0) return true;
    if (external_ && external_->load(std::memory_order_relaxed)) return true;
    if (limits_.triangles > 0 && triangles_.load(std::memory_order_relaxed) > limits_.triangles) return true;
    return limits_.time.count() > 0 && std::chrono::steady_clock::now() >= deadline_;
}

std::string WorkBudget::reason(const std::string& doing) const {
    std::string why;
    if (const int signal = interruptedBy.load())
        why = interruptText(signal);
    else if (cancelled_.load() || (external_ && external_->load()))
        why = "cancelled";
    else if (limits_.triangles > 0 && triangles_.load() > limits_.triangles)
        why = "meshing exceeded " + std::to_string(limits_.triangles) + " triangles";
    else if (limits_.time.count() > 0 && std::chrono::steady_clock::now() >= deadline_)
        why = "time limit of " + secondsText(limits_.time) + " reached";
    if (why.empty()) return why;
    return doing.empty() ? why : why + " while " + doing;
}

void WorkBudget::check(const std::string& doing) const {
    if (stopped()) throw WorkStopped(reason(doing));
}

bool WorkBudget::addTriangles(std::size_t count) {
    const std::size_t total = triangles_.fetch_add(count) + count;
    return limits_.triangles == 0 || total <= limits_.triangles;
}

std::chrono::microseconds timeLimitOf(double seconds) {
    return std::chrono::microseconds(static_cast<long long>(std::ceil(seconds * 1e6)));
}

WorkBudget* currentBudget() { return threadBudget; }

BudgetScope::BudgetScope(WorkBudget* budget) : previous_(threadBudget) { threadBudget = budget; }
BudgetScope::~BudgetScope() { threadBudget = previous_; }

void checkWork(const std::string& doing) {
    if (const WorkBudget* budget = threadBudget) return budget->check(doing);
    if (const int signal = interruptedBy.load(std::memory_order_relaxed))
        throw WorkStopped(interruptText(signal) + (doing.empty() ? "" : " while " + doing));
}

void requestInterrupt(int signal) noexcept {
    int none = 0;
    interruptedBy.compare_exchange_strong(none, signal);
}

int interruptSignal() noexcept { return interruptedBy.load(); }

std::string interruptText(int signal) {
    switch (signal) {
    case SIGINT:
        return "interrupted by SIGINT";
    case SIGTERM:
        return "interrupted by SIGTERM";
    case SIGHUP:
        return "interrupted by SIGHUP";
    case SIGQUIT:
        return "interrupted by SIGQUIT";
    default:
        return "interrupted by signal " + std::to_string(signal);
    }
}

} // namespace tcv::refhost
