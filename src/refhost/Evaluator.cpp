#include "tarncheckvalve/refhost/Evaluator.h"

#include <algorithm>
#include <stdexcept>

#include "tarncheckvalve/refhost/WorkBudget.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv::refhost {

const std::vector<std::string>& inputNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> result;
        for (const auto& input : contract::kInputContract) result.emplace_back(input.name);
        return result;
    }();
    return names;
}

host::VariantArray buildInputArray(const std::shared_ptr<RefPart>& part) {
    static const std::vector<symbol::InputDescriptor> table = symbol::CCheckValve().inputTable();
    // Values are copied from lvalues into a vector: moving temporaries of the variant makes GCC 12's optimiser
    // warn falsely of an uninitialised string.
    std::vector<host::Variant> inputs;
    inputs.reserve(table.size() + 1);
    inputs.emplace_back(host::ObjectPtr(part));
    for (const auto& descriptor : table) {
        auto given = part->partSpec().inputs.find(descriptor.name);
        const host::Variant& value = given != part->partSpec().inputs.end() ? given->second : descriptor.defaultValue;
        inputs.push_back(value);
    }
    return host::VariantArray(std::move(inputs));
}

AspectResult evaluateAspect(const CatalogPart& partSpec, contract::Aspect aspect, const HostOptions& options) {
    host::RuntimeScope scope(std::make_shared<RefRuntime>(options));
    AspectResult result;
    result.aspect = contract::aspectName(aspect);
    result.code = contract::aspectCode(aspect);
    result.outputs = std::make_shared<RefOutputCollection>();
    host::EvaluationTrail trail;
    host::TrailScope trailScope(trail);
    BudgetScope budgetScope(options.budget ? options.budget.get() : currentBudget());
    try {
        // A part the host cannot offer (more ports than it can count) fails the aspect like any other
        // host error, before the symbol is called.
        auto part = makePart(partSpec);
        host::VariantArray inputs = buildInputArray(part);
        trail.watchInputs(&inputs);
        // One symbol object per thread, as a host keeps the symbol it loaded: it holds no state between
        // invocations, and building its tables is a tenth of a record-only evaluation.
        thread_local symbol::CCheckValve symbol;
        symbol.InvokeRepresentation(nullptr, result.aspect, result.outputs, inputs);
    } catch (const host::HostError& error) {
        result.ok = false;
        result.errorCode = error.code();
        result.errorText = error.text();
    } catch (const std::exception& error) {
        // Anything else escaping the symbol is a fault of the library; report it as such.
        result.ok = false;
        result.errorCode = host::kGenericFailure;
        result.errorText = error.what();
    }
    result.trail = trail.steps();
    for (const auto& read : trail.reads()) {
        if (read.inputPosition == contract::kPartPosition) continue; // the part object itself, read by every variant
        std::string name;
        if (read.inputPosition == 0) {
            name = read.fieldName();
        } else {
            const contract::InputContract* input = contract::inputAt(read.inputPosition);
            if (!input) throw std::out_of_range("input position " + std::to_string(read.inputPosition));
            name = input->name;
        }
        auto seen =
            std::find_if(result.reads.begin(), result.reads.end(), [&](const auto& r) { return r.first == name; });
        if (seen == result.reads.end()) result.reads.emplace_back(name, read.value);
    }
    return result;
}

AspectResult::Reason AspectResult::reason() const {
    // The failure that escaped is the last one not recovered; its first step holds the reason.
    for (auto step = trail.rbegin(); step != trail.rend(); ++step) {
        if (step->recovered || step->message.empty()) continue;
        return {step->message, step->where};
    }
    return {errorText, ""};
}

} // namespace tcv::refhost
