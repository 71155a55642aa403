// Shared test helpers: a reference host installed for the test, sample ports and parts, and access to
// what an evaluated aspect recorded.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tarncheckvalve/kernel/Measure.h"
#include "tarncheckvalve/refhost/Evaluator.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::test {

// The PartDataBasis values of the default bodies, which the driver builds itself; the symbol serves them
// first, then the variant registry's values.
inline const std::vector<std::int32_t> kDefaultBodies{0, 1, 455, 456, 2021, 2046, 2047};

// Installs a reference-host runtime on the test's thread for the test's lifetime.
class HostFixtureScope {
public:
    explicit HostFixtureScope(refhost::HostOptions options = refhost::RefRuntime::defaultOptions())
        : runtime_(std::make_shared<refhost::RefRuntime>(std::move(options))), scope_(runtime_) {}
    refhost::RefRuntime& runtime() { return *runtime_; }

private:
    std::shared_ptr<refhost::RefRuntime> runtime_;
    host::RuntimeScope scope_;
};

// A class 150 flanged NPS 4 port: pipe OD 114.3 mm, flange OD 228.6 mm, thickness 23.9 mm.
refhost::PortSpec flangedPort4in(std::int16_t index);
// A class 150 flanged end (termination class 5) of the given sizes; the port's length is the flange
// thickness.
refhost::PortSpec flangedEnd(std::int16_t index, double pipeOD, double flangeOD, double thickness, double npd);
// A plain-end port (termination class 10) of the given pipe OD, no flange.
refhost::PortSpec plainPort(std::int16_t index, double pipeOD);
// A part of the given PartDataBasis with two NPS 4 flanged ports.
refhost::CatalogPart twoPortPart(std::int32_t partDataBasis);

// The output names of an evaluated aspect, in order.
std::vector<std::string> outputNames(const refhost::AspectResult& result);
// The recorded object of output i (0-based); fails the test when it has none.
const refhost::RecordedObject& recorded(const refhost::AspectResult& result, std::size_t i);
// The measured shape of output i (0-based).
refhost::ShapeMeasure measured(const refhost::AspectResult& result, std::size_t i);
// A recorded coordinate triple or number.
std::vector<double> recordedTriple(const refhost::Creation& creation, const std::string& name);
double recordedNumber(const refhost::Creation& creation, const std::string& name);

// The indices of the outputs with the given name, in order.
std::vector<std::size_t> indicesOf(const refhost::AspectResult& result, const std::string& name);
// The united bounding box (xmin, ymin, zmin, xmax, ymax, zmax) of every output with the name; `count`,
// when given, receives how many there are.
std::array<double, 6> unitedBox(const refhost::AspectResult& result, const std::string& name,
                                std::size_t* count = nullptr);
void expectBoxNear(const std::array<double, 6>& actual, const std::array<double, 6>& expected, double tolerance = 1e-6);

} // namespace tcv::test
