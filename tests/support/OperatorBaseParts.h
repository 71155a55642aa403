// Parts of the check valves with an operator base (inclined: 2142, 2144, 2198; skinned body with a
// vertical operator: 2143, 2157, 2199) for the tests of both aspects: part makers, the sample parts of
// data/catalog/operator-base.json, and what a host observes of the equalizer and the operator.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "support/NippleBonnetParts.h"
#include "support/TestSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/refhost/Occurrences.h"

namespace tcv::test::operator_base {

using nipple_bonnet::boxOf;
using nipple_bonnet::expectAllGeometryValid;
using nipple_bonnet::indicesOf;
using nipple_bonnet::unitedBox;

inline bool isInclined(std::int32_t pdb) { return pdb == 2142 || pdb == 2144 || pdb == 2198; }
// The variants that take their length as face-to-centre dimensions rather than a face-to-face length.
inline bool isFaceToCentre(std::int32_t pdb) { return pdb == 2143 || pdb == 2144; }

// An operator whose own symbol has the input "OffsetFrmValCen" (at position 2).
inline refhost::OperatorSpec sampleOperator(const std::string& name) {
    refhost::OperatorSpec op;
    op.name = name;
    op.inputs = {{"OffsetFrmValCen", 0.0}, {"HandwheelDiameter", 0.2}};
    return op;
}

// A valve of the family with both ports alike. `length` is the face-to-face length, or for 2143 and
// 2144 the face-to-centre length of port 1 (port 2 left 0: the same); `height` the operator height
// ("OffsetFrmValCen", or "HeightFrmValCen" for 2142 and 2199); `clearance` the equalizer clearance and
// `flangeDiameter` the mounting flange's diameter.
inline refhost::CatalogPart operatorBaseValve(std::int32_t pdb, const refhost::PortSpec& port, double length,
                                              double height, double clearance, double flangeDiameter,
                                              double insulation = 0.05) {
    refhost::CatalogPart partSpec;
    partSpec.name = "operator-base-" + std::to_string(pdb);
    partSpec.partDataBasis = pdb;
    refhost::PortSpec port2 = port;
    port2.index = 2;
    refhost::PortSpec port1 = port;
    port1.index = 1;
    partSpec.ports = {port1, port2};
    partSpec.inputs = {
        {"EqualizerClearance", clearance}, {"Diameter", flangeDiameter}, {"InsulationThickness", insulation}};
    if (isFaceToCentre(pdb))
        partSpec.inputs["Face1toCenter"] = length;
    else
        partSpec.inputs["FacetoFace"] = length;
    partSpec.inputs[pdb == 2142 || pdb == 2199 ? "HeightFrmValCen" : "OffsetFrmValCen"] = height;
    if (pdb != 2142) partSpec.valveOperator = sampleOperator("operator-" + std::to_string(pdb));
    return partSpec;
}

// An NPS 4 class 150 valve: pipe OD 114.3 mm, flange 228.6 mm x 23.9 mm, 292 mm face to face.
inline refhost::CatalogPart nps4Valve(std::int32_t pdb, double height = 0.35) {
    const double length = isFaceToCentre(pdb) ? 0.146 : 0.292;
    return operatorBaseValve(pdb, flangedEnd(1, 0.1143, 0.2286, 0.0239, 4), length, height, 0.15, 0.15);
}

// The sample parts of data/catalog/operator-base.json, one per PartDataBasis.
inline std::vector<refhost::CatalogPart> sampleParts() {
    return catalog::loadCatalogFile(refhost::defaultDataDirectory() + "/catalog/operator-base.json");
}

// The output names with each run of one name shown once ("Equalizer_" x 5 -> "Equalizer_"), leaving
// out the operator occurrence.
inline std::vector<std::string> collapsedNames(const refhost::AspectResult& result) {
    std::vector<std::string> names;
    for (const auto& name : outputNames(result))
        if (name != "ValveOperator" && (names.empty() || names.back() != name)) names.push_back(name);
    return names;
}

// The valve operators the host placed for the evaluation.
inline std::vector<std::shared_ptr<refhost::RefOperatorOccurrence>> operators(const refhost::AspectResult& result) {
    std::vector<std::shared_ptr<refhost::RefOperatorOccurrence>> found;
    for (const auto& output : result.outputs->outputs())
        if (auto op = std::dynamic_pointer_cast<refhost::RefOperatorOccurrence>(output.object)) found.push_back(op);
    return found;
}

// The start, end and radius of a cylinder made by PlaceCylinder (a projected circle).
struct CylinderAxis {
    std::vector<double> start, end;
    double radius;
};

inline CylinderAxis cylinderAxis(const refhost::AspectResult& result, std::size_t i) {
    const auto& creation = recorded(result, i).creation();
    const auto centre = recordedTriple(creation, "profile.centre");
    const auto direction = recordedTriple(creation, "direction");
    const double length = recordedNumber(creation, "length");
    std::vector<double> end(3);
    for (std::size_t k = 0; k < 3; ++k) end[k] = centre[k] + direction[k] * length;
    return {centre, end, recordedNumber(creation, "profile.radius")};
}

// The cylinder of the first output with the given name.
inline CylinderAxis cylinderNamed(const refhost::AspectResult& result, const std::string& name) {
    const auto at = indicesOf(result, name);
    if (at.empty()) throw std::out_of_range("no output " + name);
    return cylinderAxis(result, at.front());
}

inline void expectPointNear(const std::vector<double>& actual, const std::vector<double>& expected,
                            double tolerance = 1e-9) {
    ASSERT_EQ(actual.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
}

// The summed volume of the outputs with the given name.
inline double totalVolume(const refhost::AspectResult& result, const std::string& name) {
    double volume = 0;
    for (std::size_t i : indicesOf(result, name)) volume += measured(result, i).volume.value_or(0);
    return volume;
}

} // namespace tcv::test::operator_base
