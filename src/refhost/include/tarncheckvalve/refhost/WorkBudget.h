// The work budget of one part: how long its evaluation and exports may take and how many triangles its
// meshes may hold. Long work polls the budget (the kernel's progress indicator asks it whether to break,
// the host asks it before every construction), so that a part typed in the wrong unit, a client that went
// away or Ctrl-C ends the work where it is instead of after it. A budget stopped for any reason stays
// stopped; the reason says which limit ended the work and what was being done.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::refhost {

// The triangles a part's meshes may hold unless told otherwise: a valve's GLB is some ten thousand.
inline constexpr std::size_t kDefaultTriangleLimit = 2'000'000;

struct WorkLimits {
    std::chrono::microseconds time{0}; // from the budget's start; 0: no limit
    std::size_t triangles = 0;         // 0: no limit
};

// Raised where a budget ends work: a host error with the generic failure code, so that the symbol's traps
// pass it on like any refusal of the host, carrying the reason as its text.
class TCV_EXPORT WorkStopped : public host::HostError {
public:
    explicit WorkStopped(const std::string& reason);
};

class TCV_EXPORT WorkBudget {
public:
    // Starts the clock. `cancelled`, when given, is a flag another party sets to end the work (the
    // server's, when the client goes away).
    explicit WorkBudget(WorkLimits limits = {}, std::shared_ptr<const std::atomic<bool>> cancelled = nullptr);

    const WorkLimits& limits() const { return limits_; }

    // Ends the work from any thread.
    void cancel() { cancelled_.store(true); }
    // True once the work must end: the time is up, the budget or its flag was cancelled, the triangles are
    // spent, or the process was asked to stop. Cheap enough to poll from the kernel's inner loops; any thread.
    bool stopped() const;
    // "<which limit> while <doing>": why the work ended; "" while it has not.
    std::string reason(const std::string& doing) const;
    // Raises WorkStopped with the reason when the work must end.
    void check(const std::string& doing) const;

    // Counts triangles made; false once more than the limit are made (the budget is then stopped).
    bool addTriangles(std::size_t count);
    std::size_t triangles() const { return triangles_.load(); }

private:
    WorkLimits limits_;
    std::chrono::steady_clock::time_point deadline_;
    std::shared_ptr<const std::atomic<bool>> external_;
    std::atomic<bool> cancelled_{false};
    std::atomic<std::size_t> triangles_{0};
};

// A time limit given in seconds (0: none), to the next microsecond.
TCV_EXPORT std::chrono::microseconds timeLimitOf(double seconds);

// The budget of the work on this thread: the one a BudgetScope installed, or none.
TCV_EXPORT WorkBudget* currentBudget();

// Installs a budget for the calling thread for the scope's life (none: no budget), restoring the one before.
class TCV_EXPORT BudgetScope {
public:
    explicit BudgetScope(WorkBudget* budget);
    ~BudgetScope();
    BudgetScope(const BudgetScope&) = delete;
    BudgetScope& operator=(const BudgetScope&) = delete;

private:
    WorkBudget* previous_;
};

// Raises WorkStopped when the work on this thread must end: its budget says so, or, without a budget,
// the process was asked to stop.
TCV_EXPORT void checkWork(const std::string& doing);

// The process was asked to stop by `signal` (SIGINT, SIGTERM, ...): every budget stops, and work without
// one stops at its next check. Safe to call from a signal handler.
TCV_EXPORT void requestInterrupt(int signal) noexcept;
// The signal that asked the process to stop, or 0.
TCV_EXPORT int interruptSignal() noexcept;
// "interrupted by SIGINT" and the like.
TCV_EXPORT std::string interruptText(int signal);

} // namespace tcv::refhost
