// Observing a variant instead of listing it by hand: an input counts as read when changing it changes the
// recorded creations of either aspect (or makes an aspect fail). The variant registry stays the one place
// that says which builder serves which PartDataBasis.
#include "VariantsJson.h"

#include <set>
#include <string>

#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/refhost/Evaluator.h"

namespace tcv::cli {

namespace {

const std::vector<std::string> kAspects = contract::allAspectNames();

refhost::HostOptions recordOnly(const std::shared_ptr<refhost::WorkBudget>& budget) {
    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    options.kernel.reset();
    options.budget = budget;
    return options;
}

// Everything the symbol did with the part, as comparable text.
std::string fingerprint(const refhost::CatalogPart& part, const refhost::HostOptions& options) {
    return catalog::reportJson(catalog::evaluatePart(part, kAspects, options)).dump();
}

double inputValue(const refhost::CatalogPart& part, const std::string& name, const nlohmann::ordered_json& defaults) {
    auto given = part.inputs.find(name);
    if (given != part.inputs.end()) return given->second;
    return defaults.contains(name) && defaults[name].is_number() ? defaults[name].get<double>() : 0.0;
}

// One variant as its sample part shows it: the sample's description, the inputs that change what the
// symbol does, the ports that become nozzles and whether it takes a valve operator.
nlohmann::ordered_json describe(const refhost::CatalogPart& sample, const nlohmann::ordered_json& defaults,
                                const std::shared_ptr<refhost::WorkBudget>& budget) {
    const refhost::HostOptions options = recordOnly(budget);
    const std::string base = fingerprint(sample, options);

    nlohmann::ordered_json inputs = nlohmann::ordered_json::array();
    for (const std::string& name : refhost::inputNames()) {
        refhost::CatalogPart changed = sample;
        const double value = inputValue(sample, name, defaults);
        // A change no builder could mistake for the old value, also for a zero default.
        changed.inputs[name] = value * 1.37 + 0.0123;
        if (fingerprint(changed, options) != base) inputs.push_back(name);
    }

    std::set<int> ports;
    bool placesOperator = false;
    const auto report = catalog::reportJson(catalog::evaluatePart(sample, kAspects, options));
    for (const auto& aspect : report["aspects"])
        for (const auto& output : aspect["outputs"]) {
            if (output.value("kind", "") == "nozzle" && output.contains("port") && output["port"].is_number())
                ports.insert(output["port"].get<int>());
            if (output.value("kind", "") == "occurrence") placesOperator = true;
        }
    // A variant that takes an operator may be delivered without one: taking the operator away changes
    // what such a variant does with a part that has one.
    bool takesOperator = placesOperator;
    if (!takesOperator && sample.valveOperator) {
        refhost::CatalogPart without = sample;
        without.valveOperator.reset();
        takesOperator = fingerprint(without, options) != base;
    }
    return {{"partDataBasis", sample.partDataBasis},
            {"description", sample.description},
            {"sample", sample.name},
            {"inputs", inputs},
            {"ports", ports},
            {"operator", takesOperator}};
}

} // namespace

nlohmann::ordered_json variantsJson(const std::vector<refhost::CatalogPart>& samples,
                                    const std::shared_ptr<refhost::WorkBudget>& budget) {
    nlohmann::ordered_json defaults = nlohmann::ordered_json::object();
    // The definition's defaults, from the same input array the host builds for a part without inputs.
    {
        refhost::CatalogPart empty;
        const auto array = refhost::buildInputArray(refhost::makePart(empty));
        const auto& names = refhost::inputNames();
        for (std::size_t i = 0; i < names.size(); ++i) {
            const auto& value = array.at(static_cast<int>(i) + 2);
            try {
                defaults[names[i]] = host::toDouble(value);
            } catch (...) {
                // A default that is no number stays out; the input then counts from zero.
            }
        }
    }
    nlohmann::ordered_json out{{"variants", nlohmann::ordered_json::array()}};
    std::set<std::int32_t> seen;
    for (const auto& sample : samples) {
        if (budget && budget->stopped()) break;
        if (!seen.insert(sample.partDataBasis).second) continue;
        out["variants"].push_back(describe(sample, defaults, budget));
    }
    return out;
}

} // namespace tcv::cli
