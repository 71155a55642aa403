// The kernel's progress mechanism bound to a work budget: the long algorithms (meshing, the STEP
// translator, lofts) ask their progress indicator whether to break, and this one says yes once the budget
// of the work they do has run out, was cancelled, or the process was asked to stop.
#pragma once

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressRange.hxx>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::kernel {

class TCV_EXPORT WorkProgress final : public Message_ProgressIndicator {
public:
    // `budget` may be null: the work then breaks only when the process is asked to stop.
    explicit WorkProgress(const refhost::WorkBudget* budget) : budget_(budget) {}

    Standard_Boolean UserBreak() override;
    void Show(const Message_ProgressScope&, const Standard_Boolean) override {}

private:
    const refhost::WorkBudget* budget_;
};

// One progress indicator for one kernel call: hand `range()` to the algorithm. The indicator lives as
// long as this object, which must outlive the call.
class TCV_EXPORT WorkProgressRange {
public:
    explicit WorkProgressRange(const refhost::WorkBudget* budget);
    Message_ProgressRange range() { return indicator_->Start(); }

private:
    Handle(WorkProgress) indicator_;
};

} // namespace tcv::kernel
