// Parts of the jacketed, covered, branched and domed multi-port bodies for the tests of both aspects:
// end makers, the sample parts of data/catalog/multi-port.json, and measures over groups of outputs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"

namespace tcv::test::multi_port {

// Pipe outside diameters, ASME B36.10M.
inline constexpr double kOdNps1Half = 0.0213, kOdNps2 = 0.0603, kOdNps4 = 0.1143;

inline refhost::PortSpec flangedNps4(std::int16_t index) { return flangedEnd(index, kOdNps4, 0.2286, 0.0239, 4); }

// A socket-weld end: no flange.
inline refhost::PortSpec socketEnd(std::int16_t index, double pipeOD, double npd) {
    refhost::PortSpec port = plainPort(index, pipeOD);
    port.length = 0.02;
    port.npd = npd;
    return port;
}

// The sample part of the given PartDataBasis from data/catalog/multi-port.json.
inline refhost::CatalogPart samplePart(std::int32_t partDataBasis) {
    for (auto& partSpec : catalog::loadCatalogFile(refhost::defaultDataDirectory() + "/catalog/multi-port.json"))
        if (partSpec.partDataBasis == partDataBasis) return partSpec;
    throw std::out_of_range("no sample part " + std::to_string(partDataBasis));
}

using Box = std::array<double, 6>; // xmin, ymin, zmin, xmax, ymax, zmax

// The index of the first output with the name; fails the test when there is none.
inline std::size_t indexOf(const refhost::AspectResult& result, const std::string& name) {
    const auto at = indicesOf(result, name);
    if (at.empty()) throw std::out_of_range("no output " + name);
    return at.front();
}

inline Box boxOf(const refhost::AspectResult& result, const std::string& name) {
    return measured(result, indexOf(result, name)).bbox;
}

// The evaluation failed with the generic failure, keeping exactly the outputs added before.
inline void expectFailureKeeping(const refhost::AspectResult& result, const std::vector<std::string>& kept) {
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, host::kGenericFailure);
    EXPECT_EQ(outputNames(result), kept);
}

// Every output that carries geometry (solids, surfaces, box occurrences) is valid.
inline void expectAllShapesValid(const refhost::AspectResult& result) {
    const auto& outputs = result.outputs->outputs();
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (recorded(result, i).outputKind() == refhost::OutputKind::Nozzle) continue;
        EXPECT_TRUE(measured(result, i).valid) << "output " << i << " " << outputs[i].name;
    }
}

} // namespace tcv::test::multi_port
