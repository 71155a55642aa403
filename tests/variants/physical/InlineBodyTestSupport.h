// Test helpers for the wafer, lug, shaped in-line, cone, collar and bulb bodies of both aspects: sample
// parts with the inputs each body needs, and readers for the recorded cylinders, boxes and nozzles.
#pragma once

#include <gtest/gtest.h>

#include <array>
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

// A part of the PartDataBasis with two class 150 NPS 4 flanged ports and the inputs its body needs.
inline refhost::CatalogPart inlinePart(std::int32_t partDataBasis) {
    using Inputs = std::map<std::string, double>;
    const double L = kSwingLength;
    static const std::map<std::int32_t, Inputs> inputs = {
        {2255, {{"FacetoFace", kWaferLength}}},
        {2256, {{"FacetoFace", kWaferLength}}},
        {2258, {{"FacetoFace", kWaferLength}}},
        {2200, {{"FacetoFace", L}, {"Diameter", 0.15}, {"HeightFrmValCen", 0.2}, {"Width", 0.25}}},
        {2269,
         {{"FacetoFace", L},
          {"Height", 0.25},
          {"PlugDiameter", 0.03},
          {"FlushDiameter1", 0.02},
          {"FlushDiameter2", 0.02}}},
        {2270, {{"FacetoFace", L}, {"Height", 0.25}, {"PlugDiameter", 0.03}, {"FlushDiameter", 0.02}}},
        {2271, {{"FacetoFace", L}, {"Width", 0.2}}},
        {2232, {{"FacetoFace", L}, {"Diameter", 0.12}, {"HeightFrmValCen", 0.2}}},
        {2267, {{"FacetoFace", L}}},
        {2268, {{"FacetoFace", L}, {"HeightFrmValCen", 0.15}}},
    };
    refhost::CatalogPart partSpec = twoPortPart(partDataBasis);
    if (const auto it = inputs.find(partDataBasis); it != inputs.end()) partSpec.inputs = it->second;
    return partSpec;
}

inline refhost::AspectResult physical(const refhost::CatalogPart& partSpec) {
    return refhost::evaluateAspect(partSpec, contract::Aspect::Physical);
}
inline refhost::AspectResult insulation(const refhost::CatalogPart& partSpec) {
    return refhost::evaluateAspect(partSpec, contract::Aspect::Insulation);
}

inline std::string recordedText(const refhost::Creation& creation, const std::string& name) {
    const auto* value = creation.find(name);
    if (!value) throw std::out_of_range(creation.kind + " records no '" + name + "'");
    return std::get<std::string>(*value);
}

// Output i is a cylinder as PlaceCylinder records it (a circle at the start projected along the axis)
// from `start` to `end` of the diameter.
inline void expectCylinder(const refhost::AspectResult& result, std::size_t i, std::array<double, 3> start,
                           std::array<double, 3> end, double diameter) {
    SCOPED_TRACE("cylinder " + std::to_string(i) + " " + result.outputs->outputs().at(i).name);
    const auto& creation = recorded(result, i).creation();
    EXPECT_EQ(creation.kind, "projection");
    EXPECT_EQ(recordedText(creation, "profile.kind"), "circle");
    const auto centre = recordedTriple(creation, "profile.centre"), direction = recordedTriple(creation, "direction");
    const double length = recordedNumber(creation, "length");
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(centre[k], start[k], kTight) << "start " << k;
        EXPECT_NEAR(centre[k] + direction[k] * length, end[k], kTight) << "end " << k;
    }
    EXPECT_NEAR(2 * recordedNumber(creation, "profile.radius"), diameter, kTight);
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
