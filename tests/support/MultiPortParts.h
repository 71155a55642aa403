// Parts of the jacketed, covered, branched and domed multi-port bodies for the tests of both aspects:
// end makers, the sample parts of data/catalog/multi-port.json, and measures over groups of outputs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace tcv::test::multi_port {

// Pipe outside diameters, ASME B36.10M.
inline constexpr double kOdNps1Half = 0.0213, kOdNps1 = 0.0334, kOdNps2 = 0.0603, kOdNps4 = 0.1143, kOdNps6 = 0.1683;

inline refhost::PortSpec flangedNps2(std::int16_t index) { return flangedEnd(index, kOdNps2, 0.1524, 0.0191, 2); }
inline refhost::PortSpec flangedNps4(std::int16_t index) { return flangedEnd(index, kOdNps4, 0.2286, 0.0239, 4); }
inline refhost::PortSpec flangedNps6(std::int16_t index) { return flangedEnd(index, kOdNps6, 0.2794, 0.0254, 6); }

// A socket-weld end: no flange.
inline refhost::PortSpec socketEnd(std::int16_t index, double pipeOD, double npd) {
    refhost::PortSpec port = plainPort(index, pipeOD);
    port.length = 0.02;
    port.npd = npd;
    return port;
}

inline refhost::PartSpec part(std::int32_t partDataBasis, std::vector<refhost::PortSpec> ports,
                              std::map<std::string, double> inputs) {
    refhost::PartSpec partSpec;
    partSpec.name = "multi-port-" + std::to_string(partDataBasis);
    partSpec.partDataBasis = partDataBasis;
    partSpec.ports = std::move(ports);
    partSpec.inputs = std::move(inputs);
    return partSpec;
}

// The sample parts of data/catalog/multi-port.json, one per PartDataBasis, in that file's order.
// Face-to-face lengths of the swing and Y-pattern checks from ASME B16.10 class 150 (NPS 2: 203, NPS 4:
// 292, NPS 6: 356 mm); the covered bodies are long-pattern lift checks, long enough for their cover
// square to clear the bore twice over; flanges from ASME B16.5 class 150; pipe diameters from ASME
// B36.10M.
inline std::vector<refhost::PartSpec> sampleParts() {
    return {
        part(2381,
             {flangedNps4(1), flangedNps4(2), socketEnd(3, kOdNps1, 1), socketEnd(4, kOdNps1, 1),
              socketEnd(5, kOdNps1Half, 0.5), socketEnd(6, kOdNps1Half, 0.5)},
             {{"FacetoFace", 0.292},
              {"InsulationThickness", 0.04},
              {"A", 0.15},
              {"B", 0.10},
              {"C", 0.07},
              {"D", 0.045},
              {"E", 0.22}}),
        part(5, {flangedNps2(1), flangedNps2(2)},
             {{"FacetoFace", 0.267}, {"InsulationThickness", 0.04}, {"ValveHeight", 0.16}}),
        part(10, {flangedNps4(1), flangedNps4(2)},
             {{"FacetoCenter", 0.19}, {"InsulationThickness", 0.05}, {"ValveHeight", 0.26}}),
        part(13, {flangedNps2(1), flangedNps2(2)},
             {{"Face1toCenter", 0.14}, {"Face2toCenter", 0.127}, {"InsulationThickness", 0.04}, {"ValveHeight", 0.16}}),
        part(385, {flangedNps4(1), flangedNps4(2)},
             {{"FacetoFace", 0.292}, {"InsulationThickness", 0.05}, {"BranchLength", 0.25}}),
        part(386, {flangedNps6(1), flangedNps6(2)},
             {{"FacetoCenter", 0.178}, {"InsulationThickness", 0.05}, {"BranchLength", 0.30}}),
        part(387, {flangedNps4(1), flangedNps4(2)},
             {{"Face1toCenter", 0.16}, {"Face2toCenter", 0.20}, {"InsulationThickness", 0.05}, {"BranchLength", 0.25}}),
        part(3124, {flangedNps2(1), flangedNps2(2), socketEnd(3, kOdNps1Half, 0.5), socketEnd(4, kOdNps1Half, 0.5)},
             {{"FacetoFace", 0.203},
              {"InsulationThickness", 0.025},
              {"HeightFrmValCen", 0.16},
              {"Width", 0.10},
              {"XOffJacketInlet", 0.05},
              {"YOffJacketOutlet", 0.11},
              {"ZOffJacketInlet", 0.09}}),
        part(3125, {flangedNps2(1), flangedNps2(2), socketEnd(3, kOdNps1Half, 0.5), socketEnd(4, kOdNps1Half, 0.5)},
             {{"FacetoFace", 0.203},
              {"InsulationThickness", 0.025},
              {"HeightFrmValCen", 0.15},
              {"Width", 0.12},
              {"YOffJacketOutlet", 0.10},
              {"ZOffJacketInlet", 0.10},
              {"YOffJacketInlet", 0.03}}),
        part(3146, {flangedNps2(1), flangedNps2(2), socketEnd(3, kOdNps1Half, 0.5), socketEnd(4, kOdNps1Half, 0.5)},
             {{"FacetoFace", 0.203},
              {"InsulationThickness", 0.025},
              {"HeightFrmValCen", 0.15},
              {"Width", 0.10},
              {"YOffJacketOutlet", 0.10},
              {"ZOffJacketInlet", 0.10},
              {"YOffJacketInlet", 0.03}}),
        part(3183, {flangedNps4(1), flangedNps4(2), flangedNps2(3), flangedNps2(4), socketEnd(5, kOdNps1, 1)},
             {{"FacetoFace", 0.292},
              {"InsulationThickness", 0.05},
              {"Diameter", 0.20},
              {"HeightFrmValCen", 0.30},
              {"YOffJacketOutlet", 0.20},
              {"ZOffJacketInlet", 0.15}}),
    };
}

inline refhost::PartSpec samplePart(std::int32_t partDataBasis) {
    for (auto& partSpec : sampleParts())
        if (partSpec.partDataBasis == partDataBasis) return partSpec;
    throw std::out_of_range("no sample part " + std::to_string(partDataBasis));
}

using Box = std::array<double, 6>; // xmin, ymin, zmin, xmax, ymax, zmax

// The united bounding box of every output with the name, and how many there are.
inline Box boxOfAll(const refhost::AspectResult& result, const std::string& name, std::size_t* count = nullptr) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    Box box = {inf, inf, inf, -inf, -inf, -inf};
    std::size_t found = 0;
    const auto& outputs = result.outputs->outputs();
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].name != name) continue;
        ++found;
        const auto b = measured(result, i).bbox;
        for (std::size_t k = 0; k < 3; ++k)
            box[k] = std::min(box[k], b[k]), box[k + 3] = std::max(box[k + 3], b[k + 3]);
    }
    if (count) *count = found;
    return box;
}

// The index of the first output with the name; fails the test when there is none.
inline std::size_t indexOf(const refhost::AspectResult& result, const std::string& name) {
    const auto names = outputNames(result);
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end()) throw std::out_of_range("no output " + name);
    return static_cast<std::size_t>(it - names.begin());
}

inline Box boxOf(const refhost::AspectResult& result, const std::string& name) {
    return measured(result, indexOf(result, name)).bbox;
}

inline void expectBox(const Box& actual, const Box& expected, double tolerance = 1e-6) {
    for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(actual[k], expected[k], tolerance) << "bbox component " << k;
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
