#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "tarncheckvalve/kernel/OccKernel.h"

namespace tcv::test {

namespace {
// Every test evaluates with B-rep geometry built by the kernel unless it asks for the record-only mode.
const bool kernelInstalled = (kernel::installOccKernel(), true);
} // namespace

refhost::PortSpec flangedPort4in(std::int16_t index) {
    refhost::PortSpec port;
    port.index = index;
    port.terminationClass = 5;
    port.pipeOD = 0.1143;
    port.flangeOD = 0.2286;
    port.flangeThickness = 0.0239;
    port.length = 0.0239;
    port.npd = 4;
    port.npdUnit = "in";
    return port;
}

refhost::PortSpec flangedEnd(std::int16_t index, double pipeOD, double flangeOD, double thickness, double npd) {
    refhost::PortSpec port = flangedPort4in(index);
    port.pipeOD = pipeOD;
    port.flangeOD = flangeOD;
    port.flangeThickness = thickness;
    port.length = thickness;
    port.npd = npd;
    return port;
}

refhost::PortSpec plainPort(std::int16_t index, double pipeOD) {
    refhost::PortSpec port;
    port.index = index;
    port.terminationClass = 10;
    port.endType = 10;
    port.pipeOD = pipeOD;
    port.length = 0.05;
    return port;
}

refhost::CatalogPart twoPortPart(std::int32_t partDataBasis) {
    refhost::CatalogPart partSpec;
    partSpec.name = "test part " + std::to_string(partDataBasis);
    partSpec.partDataBasis = partDataBasis;
    partSpec.ports = {flangedPort4in(1), flangedPort4in(2)};
    return partSpec;
}

std::vector<std::string> outputNames(const refhost::AspectResult& result) { return result.outputs->names(); }

const refhost::RecordedObject& recorded(const refhost::AspectResult& result, std::size_t i) {
    const auto& outputs = result.outputs->outputs();
    if (i >= outputs.size()) throw std::out_of_range("no output " + std::to_string(i));
    auto* object = dynamic_cast<const refhost::RecordedObject*>(outputs[i].object.get());
    if (!object) throw std::logic_error("output " + outputs[i].name + " records nothing");
    return *object;
}

refhost::ShapeMeasure measured(const refhost::AspectResult& result, std::size_t i) {
    const auto& object = recorded(result, i);
    return kernel::measureShape(kernel::occShape(object.shape()), object.outputKind() == refhost::OutputKind::Solid);
}

std::vector<double> recordedTriple(const refhost::Creation& creation, const std::string& name) {
    const auto* value = creation.find(name);
    if (!value) throw std::out_of_range(creation.kind + " records no '" + name + "'");
    return std::get<std::vector<double>>(*value);
}

double recordedNumber(const refhost::Creation& creation, const std::string& name) {
    const auto* value = creation.find(name);
    if (!value) throw std::out_of_range(creation.kind + " records no '" + name + "'");
    if (const auto* d = std::get_if<double>(value)) return *d;
    return static_cast<double>(std::get<std::int64_t>(*value));
}

std::vector<std::size_t> indicesOf(const refhost::AspectResult& result, const std::string& name) {
    std::vector<std::size_t> indices;
    const auto names = outputNames(result);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) indices.push_back(i);
    return indices;
}

std::array<double, 6> unitedBox(const refhost::AspectResult& result, const std::string& name, std::size_t* count) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::array<double, 6> box = {inf, inf, inf, -inf, -inf, -inf};
    const auto indices = indicesOf(result, name);
    for (std::size_t i : indices) {
        const auto b = measured(result, i).bbox;
        for (std::size_t k = 0; k < 3; ++k)
            box[k] = std::min(box[k], b[k]), box[k + 3] = std::max(box[k + 3], b[k + 3]);
    }
    if (count) *count = indices.size();
    return box;
}

void expectBoxNear(const std::array<double, 6>& actual, const std::array<double, 6>& expected, double tolerance) {
    for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(actual[k], expected[k], tolerance) << "bbox component " << k;
}

} // namespace tcv::test
