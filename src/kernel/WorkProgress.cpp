#include "tarncheckvalve/kernel/WorkProgress.h"

namespace tcv::kernel {

using namespace tcv::refhost;

Standard_Boolean WorkProgress::UserBreak() {
    if (budget_) return budget_->stopped();
    return interruptSignal() != 0;
}

WorkProgressRange::WorkProgressRange(const WorkBudget* budget) : indicator_(new WorkProgress(budget)) {}

} // namespace tcv::kernel
