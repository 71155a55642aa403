// Writes a parts catalogue of random parts for robustness runs of `checkvalve validate`. Each part is
// a sample catalogue part (so every PartDataBasis appears, in turn) scaled by a random factor; two in
// five keep plausible values throughout, the others have values out of range (zero, negative, tiny,
// huge) with a chance of their own, ports left out, added, renumbered or of another termination class,
// and operators taken away. Now and then a part has a PartDataBasis nobody serves. The same seed always
// gives the same catalogue.
//
//   random_catalog COUNT SEED FILE
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/refhost/Evaluator.h"

namespace {

using Json = nlohmann::ordered_json;

// A small generator with its own mapping to numbers, so that a seed gives the same catalogue with
// any standard library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t next() {
        // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double between(double low, double high) { return low + (high - low) * uniform(); }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool chance(double p) { return uniform() < p; }

private:
    std::uint64_t state_;
};

// A length: `typical` within a few per cent, or with the chance `oddness` zero, negative, tiny or huge.
double length(Random& random, double typical, double oddness) {
    if (!random.chance(oddness)) return typical * random.between(0.97, 1.03);
    switch (random.below(4)) {
    case 0:
        return 0;
    case 1:
        return -typical * random.between(0.01, 3.0);
    case 2:
        return std::pow(10.0, random.between(-12, -5));
    default:
        return std::pow(10.0, random.between(1, 6));
    }
}

// A port of the template, scaled; with the chance `oddness` a value is odd, and with less its index or
// termination class.
Json portJson(Random& random, const tcv::refhost::PortSpec& port, double scale, double oddness) {
    static const int classes[] = {5, 10, 15, 20, 0};
    auto vary = [&](double plausible) { return length(random, plausible * scale, oddness); };
    Json json;
    json["index"] = random.chance(oddness / 2) ? random.below(7) - 1 : port.index; // duplicated, 0 or -1
    json["terminationClass"] = random.chance(oddness / 2) ? classes[random.below(5)] : port.terminationClass;
    json["endType"] = port.endType;
    json["pipeOD"] = vary(port.pipeOD);
    json["flangeOD"] = vary(port.flangeOD);
    json["flangeThickness"] = vary(port.flangeThickness);
    json["cptOffset"] = vary(port.cptOffset);
    json["depth"] = vary(port.depth);
    json["length"] = vary(port.length);
    json["npd"] = random.chance(oddness) ? length(random, port.npd, 1) : port.npd;
    json["npdUnit"] = port.npdUnit;
    return json;
}

Json part(Random& random, int number, const std::vector<tcv::refhost::CatalogPart>& templates) {
    const auto& model = templates[static_cast<std::size_t>(number) % templates.size()];
    Json json;
    json["name"] = "random-" + std::to_string(number);
    // Now and then a value nobody serves.
    json["partDataBasis"] =
        random.chance(0.03) ? static_cast<std::int32_t>(random.between(-10, 4000)) : model.partDataBasis;
    // Two parts in five are plausible throughout (the template scaled); the others have odd values with
    // a chance of their own.
    const double scale = random.between(0.25, 4);
    const double oddness = random.chance(0.4) ? 0 : random.between(0.02, 0.4);
    json["description"] = (oddness == 0 ? "plausible" : "odd values (chance " + std::to_string(oddness) + ")") +
                          std::string(": ") + model.name + " scaled by " + std::to_string(scale);

    Json inputs = Json::object();
    for (const auto& name : tcv::refhost::inputNames()) {
        const auto given = model.inputs.find(name);
        if (name == "HandwheelAngle") {
            if (given != model.inputs.end() || random.chance(oddness)) inputs[name] = random.between(-7, 7);
            continue;
        }
        // The template's inputs, scaled; with the chance `oddness` also inputs the template leaves at their
        // defaults.
        if (given != model.inputs.end())
            inputs[name] = length(random, given->second * scale, oddness);
        else if (random.chance(oddness))
            inputs[name] = length(random, 0.3 * scale, 1);
    }
    json["inputs"] = inputs;

    Json ports = Json::array();
    for (const auto& port : model.ports)
        if (!random.chance(oddness / 3)) ports.push_back(portJson(random, port, scale, oddness)); // or left out
    if (random.chance(oddness / 3) && !model.ports.empty())                                       // one port too many
        ports.push_back(portJson(random, model.ports.front(), scale, oddness));
    json["ports"] = ports;

    if (model.valveOperator && !random.chance(oddness / 2)) {
        Json valveOperator;
        valveOperator["name"] = model.valveOperator->name;
        Json operatorInputs = Json::object();
        for (const auto& [name, value] : model.valveOperator->inputs)
            operatorInputs[name] = random.chance(oddness) ? length(random, 0.2 * scale, 1) : value * scale;
        valveOperator["inputs"] = operatorInputs;
        json["operator"] = valveOperator;
    }
    // Sometimes the other source of the operator (5 the valve-operator part, 10 the operator collection).
    json["operatorSourceCode"] = random.chance(oddness / 2) ? 15 - model.operatorSourceCode : model.operatorSourceCode;
    if (!model.operatorText.empty()) json["operatorText"] = model.operatorText;
    return json;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: random_catalog COUNT SEED FILE\n";
        return 2;
    }
    const int count = std::atoi(argv[1]);
    Random random(std::strtoull(argv[2], nullptr, 10));
    Json catalogue;
    catalogue["description"] = "Random parts for robustness runs (seed " + std::string(argv[2]) + ")";
    catalogue["parts"] = Json::array();
    const auto templates = tcv::catalog::loadSampleCatalog();
    for (int i = 0; i < count; ++i) catalogue["parts"].push_back(part(random, i, templates));
    std::ofstream out(argv[3]);
    out << catalogue.dump(1) << "\n";
    if (!out) {
        std::cerr << "random_catalog: cannot write " << argv[3] << "\n";
        return 1;
    }
    return 0;
}
