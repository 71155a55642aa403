// Test helpers for the wafer, lug, shaped in-line, cone, collar and bulb bodies of both aspects: sample
// parts with the inputs each body needs, and readers for the recorded cylinders, boxes and nozzles.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace tcv::test::inline_bodies {

inline constexpr double kTight = 1e-9;    // recorded values: exact arithmetic up to rounding
inline constexpr double kMeasured = 1e-5; // measured bounding boxes: tight within 1e-6 m

// Face-to-face lengths: a wafer (API 594 class 150, NPS 4) and a swing check (ASME B16.10 class 150, NPS 4).
inline constexpr double kWaferLength = 0.073;
inline constexpr double kSwingLength = 0.292;

// The inputs each body needs to be drawn at NPS 4, by PartDataBasis.
inline std::map<std::string, double> standardInputs(std::int32_t partDataBasis) {
    switch (partDataBasis) {
    case 2255:
    case 2256:
    case 2258:
        return {{"FacetoFace", kWaferLength}};
    case 2200:
        return {{"FacetoFace", kSwingLength}, {"Diameter", 0.15}, {"HeightFrmValCen", 0.2}, {"Width", 0.25}};
    case 2269:
        return {{"FacetoFace", kSwingLength},
                {"Height", 0.25},
                {"PlugDiameter", 0.03},
                {"FlushDiameter1", 0.02},
                {"FlushDiameter2", 0.02}};
    case 2270:
        return {{"FacetoFace", kSwingLength}, {"Height", 0.25}, {"PlugDiameter", 0.03}, {"FlushDiameter", 0.02}};
    case 2271:
        return {{"FacetoFace", kSwingLength}, {"Width", 0.2}};
    case 2232:
        return {{"FacetoFace", kSwingLength}, {"Diameter", 0.12}, {"HeightFrmValCen", 0.2}};
    case 2267:
        return {{"FacetoFace", kSwingLength}};
    case 2268:
        return {{"FacetoFace", kSwingLength}, {"HeightFrmValCen", 0.15}};
    default:
        return {};
    }
}

// A part of the PartDataBasis with two class 150 NPS 4 flanged ports and the body's standard inputs.
inline refhost::PartSpec inlinePart(std::int32_t partDataBasis) {
    refhost::PartSpec partSpec = twoPortPart(partDataBasis);
    partSpec.inputs = standardInputs(partDataBasis);
    return partSpec;
}

// A port whose cpt offset is kept (not flanged): a mechanical joint with the NPS 4 flange data.
inline refhost::PortSpec mechanicalPort(std::int16_t index, double cptOffset, double depth) {
    refhost::PortSpec port = flangedPort4in(index);
    port.terminationClass = 20;
    port.cptOffset = cptOffset;
    port.depth = depth;
    return port;
}

inline refhost::AspectResult physical(const refhost::PartSpec& partSpec) {
    return refhost::evaluateAspect(partSpec, "Physical");
}
inline refhost::AspectResult insulation(const refhost::PartSpec& partSpec) {
    return refhost::evaluateAspect(partSpec, "Insulation");
}

inline std::string recordedText(const refhost::Creation& creation, const std::string& name) {
    const auto* value = creation.find(name);
    if (!value) throw std::out_of_range(creation.kind + " records no '" + name + "'");
    return std::get<std::string>(*value);
}

inline std::array<double, 3> triple(const std::vector<double>& v) { return {v.at(0), v.at(1), v.at(2)}; }

inline void expectNear(const std::vector<double>& actual, std::array<double, 3> expected) {
    ASSERT_EQ(actual.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], expected[k], kTight) << "coordinate " << k;
}

// A cylinder as PlaceCylinder records it: a circle at the start projected along the axis.
struct Cylinder {
    std::array<double, 3> start{}, end{};
    double diameter = 0;
};

inline Cylinder cylinderOf(const refhost::AspectResult& result, std::size_t i) {
    const auto& creation = recorded(result, i).creation();
    EXPECT_EQ(creation.kind, "projection") << "output " << i;
    EXPECT_EQ(recordedText(creation, "profile.kind"), "circle") << "output " << i;
    Cylinder cylinder;
    cylinder.start = triple(recordedTriple(creation, "profile.centre"));
    const auto direction = recordedTriple(creation, "direction");
    const double length = recordedNumber(creation, "length");
    for (std::size_t k = 0; k < 3; ++k) cylinder.end[k] = cylinder.start[k] + direction[k] * length;
    cylinder.diameter = 2 * recordedNumber(creation, "profile.radius");
    return cylinder;
}

inline void expectCylinder(const refhost::AspectResult& result, std::size_t i, std::array<double, 3> start,
                           std::array<double, 3> end, double diameter) {
    SCOPED_TRACE("cylinder " + std::to_string(i) + " " + result.outputs->outputs().at(i).name);
    const Cylinder c = cylinderOf(result, i);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(c.start[k], start[k], kTight) << "start " << k;
        EXPECT_NEAR(c.end[k], end[k], kTight) << "end " << k;
    }
    EXPECT_NEAR(c.diameter, diameter, kTight);
}

inline void expectBox(const refhost::AspectResult& result, std::size_t i, std::array<double, 3> corner1,
                      std::array<double, 3> corner2) {
    SCOPED_TRACE("box " + std::to_string(i));
    const auto& creation = recorded(result, i).creation();
    ASSERT_EQ(creation.kind, "box");
    const auto c1 = recordedTriple(creation, "corner1"), c2 = recordedTriple(creation, "corner2");
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(c1[k], corner1[k], kTight) << "corner1 " << k;
        EXPECT_NEAR(c2[k], corner2[k], kTight) << "corner2 " << k;
    }
}

// A nozzle as the host recorded it, with the routine that made it: "utility" for CreateNozzle with the
// graphics utility present, "factory" with flag true for CreateNozzleDirect.
struct Nozzle {
    std::int64_t port = 0;
    std::array<double, 3> position{}, direction{};
    double length = 0;
    std::string via;
    bool direct = false;
};

inline Nozzle nozzleOf(const refhost::AspectResult& result, std::size_t i) {
    const auto& creation = recorded(result, i).creation();
    EXPECT_EQ(creation.kind, "nozzle");
    Nozzle nozzle;
    nozzle.port = static_cast<std::int64_t>(recordedNumber(creation, "port"));
    nozzle.position = triple(recordedTriple(creation, "position"));
    nozzle.direction = triple(recordedTriple(creation, "direction"));
    nozzle.length = recordedNumber(creation, "length");
    nozzle.via = recordedText(creation, "via");
    if (const auto* flag = creation.find("flag")) nozzle.direct = std::get<bool>(*flag);
    return nozzle;
}

// Every output that carries a shape is valid (solids closed with a positive volume).
inline void expectAllValid(const refhost::AspectResult& result) {
    for (std::size_t i = 0; i < result.outputs->outputs().size(); ++i)
        EXPECT_TRUE(measured(result, i).valid) << "output " << i << " " << result.outputs->outputs()[i].name;
}

// The names followed by `count` copies of `name`.
inline std::vector<std::string> repeated(std::vector<std::string> names, std::size_t count, const char* name) {
    names.insert(names.end(), count, name);
    return names;
}

} // namespace tcv::test::inline_bodies
