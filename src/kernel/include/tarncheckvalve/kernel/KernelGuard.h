// The one trap around kernel work: every exception or signal the geometry kernel raises inside the
// guarded work becomes a host error with a text that says what the host was doing.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include <TopoDS_Shape.hxx>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Refusal.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::kernel {

// Runs `work`; a kernel exception or signal inside it leaves as HostError(kGenericFailure, "<what>: ...").
// Host errors pass unchanged.
TCV_EXPORT void runGuarded(const std::string& what, const std::function<void()>& work);

// The same for work that produces a value.
template <class Work>
auto guarded(const std::string& what, Work&& work) {
    using Result = std::invoke_result_t<Work&>;
    if constexpr (std::is_void_v<Result>) {
        runGuarded(what, std::forward<Work>(work));
    } else {
        std::optional<Result> result;
        runGuarded(what, [&] { result.emplace(work()); });
        return std::move(*result);
    }
}

// How much checking a kernel result needs before the host hands it on.
enum class ShapeCheck {
    // Made by a kernel primitive or by the host's own construction from checked values: valid by making.
    Trusted,
    // Made by the host's own construction from kernel curves that bad input can spoil (a loft through
    // sections that cross themselves): the kernel's own validity check, without the cost of measuring.
    Validity,
    // Made by a general kernel algorithm, which can return shapes that are not valid: the kernel's own
    // validity check, a finite non-empty extent and, for solids, a positive volume (a solid whose faces
    // all point inwards is turned inside out first).
    Full,
};

// Applies the checks; refuses a shape that fails them. Returns the checked (possibly turned) shape.
TCV_EXPORT TopoDS_Shape checkedShape(const std::string& what, TopoDS_Shape shape, bool solid, ShapeCheck check);

} // namespace tcv::kernel
