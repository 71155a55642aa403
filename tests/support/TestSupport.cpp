#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tcv::test {

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

refhost::PartSpec twoPortPart(std::int32_t partDataBasis) {
    refhost::PartSpec partSpec;
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
    return refhost::measureShape(object.shape(), object.outputKind() == refhost::OutputKind::Solid);
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

} // namespace tcv::test
