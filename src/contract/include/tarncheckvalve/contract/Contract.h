// The symbol's contract with its host, written once: the 34 dimension inputs (name, position in the input
// array, unit kind, default value, description), the outputs and the two aspects. The definition the
// symbol declares, the input positions the builders read, the reference host's evaluator and every
// document of the definition are derived from these tables.
//
// A layer of its own just above host/, so that the builders below the symbol class read their positions
// from it; it holds nothing but these constants and the aspect-name match.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::contract {

// The symbol's two aspects, valued as the aspect codes the definition declares.
enum class Aspect : std::int32_t {
    Physical = 1,
    Insulation = 32,
};

inline constexpr std::array<Aspect, 2> kAspects{Aspect::Physical, Aspect::Insulation};

// The aspect's name, as the definition declares its representation and evaluation.
constexpr std::string_view aspectName(Aspect aspect) {
    return aspect == Aspect::Insulation ? "Insulation" : "Physical";
}

// The aspect code of the definition (1 or 32).
constexpr std::int32_t aspectCode(Aspect aspect) { return static_cast<std::int32_t>(aspect); }

// The aspect a name means, matched ignoring case; nothing for any other name.
TCV_EXPORT std::optional<Aspect> aspectNamed(std::string_view name);

// Every aspect's name in declaration order ("Physical", "Insulation"): what a host evaluates by default.
TCV_EXPORT std::vector<std::string> allAspectNames();

// What an input's value measures: a length in metres or an angle in radians.
enum class UnitKind { Length, Angle };

// Input properties handed to the host as they are; their meaning lies with the host.
inline constexpr std::int32_t kDimensionInputProperties = 264;  // every input but the insulation thickness
inline constexpr std::int32_t kInsulationInputProperties = 256; // the insulation thickness

struct InputContract {
    std::string_view name;
    std::int16_t position; // in the input array: 1 is the part, the dimensions follow from 2
    UnitKind unit;
    double defaultValue;
    std::string_view description;
    std::int32_t properties = kDimensionInputProperties;
};

// Position 1 of the input array: the part itself.
inline constexpr std::int16_t kPartPosition = 1;

// The dimension inputs in declaration order; input i of the table sits at position i + 2.
inline constexpr std::array<InputContract, 34> kInputContract{{
    {"FacetoFace", 2, UnitKind::Length, 0, "Face to Face"},
    {"InsulationThickness", 3, UnitKind::Length, 0.025, "Insulation Thickness", kInsulationInputProperties},
    {"HandwheelAngle", 4, UnitKind::Angle, 0, "Rotation of Operator"},
    {"BodyDiameter", 5, UnitKind::Length, 0.192, "Body Diameter"},
    {"PortVOffset", 6, UnitKind::Length, 0.092, "Vertical Port Offset"},
    {"B", 7, UnitKind::Length, 0, "Major Body Diameter"},
    {"OffsetFrmValCen", 8, UnitKind::Length, 0, "Offset from Valve Centerline"},
    {"Length2", 9, UnitKind::Length, 0, "Length2"},
    {"OffsetfromPort1", 10, UnitKind::Length, 0, "Offset from Port 1"},
    {"EqualizerClearance", 11, UnitKind::Length, 0, "Equalizer Clearance"},
    {"Diameter", 12, UnitKind::Length, 0, "Diameter"},
    {"HeightFrmValCen", 13, UnitKind::Length, 0, "Height from Valve Centerline"},
    {"Width", 14, UnitKind::Length, 0, "Width"},
    {"Height", 15, UnitKind::Length, 0, "Height"},
    {"PlugDiameter", 16, UnitKind::Length, 0, "Plug Diameter"},
    {"FlushDiameter1", 17, UnitKind::Length, 0, "Flush Diameter 1"},
    {"FlushDiameter2", 18, UnitKind::Length, 0, "Flush Diameter 2"},
    {"FlushDiameter", 19, UnitKind::Length, 0, "Flush Diameter"},
    {"A", 20, UnitKind::Length, 0, "A"},
    {"C", 21, UnitKind::Length, 0, "C"},
    {"D", 22, UnitKind::Length, 0, "D"},
    {"E", 23, UnitKind::Length, 0, "E"},
    {"ValveFacetoFace", 24, UnitKind::Length, 0, "Valve Face to Face"},
    {"NippleLength", 25, UnitKind::Length, 0, "Nipple Length"},
    {"EndtoEnd", 26, UnitKind::Length, 0, "End to End"},
    {"XOffJacketInlet", 27, UnitKind::Length, 0, "XOffJacketInlet"},
    {"YOffJacketOutlet", 28, UnitKind::Length, 0, "YOffJacketOutlet"},
    {"ZOffJacketInlet", 29, UnitKind::Length, 0, "ZOffJacketInlet"},
    {"YOffJacketInlet", 30, UnitKind::Length, 0, "YOffJacketInlet"},
    {"ValveHeight", 31, UnitKind::Length, 0, "Valve height"},
    {"Face1toCenter", 32, UnitKind::Length, 0, "Face to Center Port 1"},
    {"Face2toCenter", 33, UnitKind::Length, 0, "Face to Center Port 2"},
    {"FacetoCenter", 34, UnitKind::Length, 0, "Face to Center"},
    {"BranchLength", 35, UnitKind::Length, 0, "Branch Length"},
}};

// The positions follow the order: a table edited out of step does not compile.
constexpr bool inputPositionsInOrder() {
    for (std::size_t i = 0; i < kInputContract.size(); ++i)
        if (kInputContract[i].position != static_cast<std::int16_t>(i + 2)) return false;
    return true;
}
static_assert(inputPositionsInOrder(), "input i of the contract sits at position i + 2");

// The input of a name; a name the table does not hold does not compile where it is a constant.
constexpr const InputContract& inputNamed(std::string_view name) {
    for (const auto& entry : kInputContract)
        if (entry.name == name) return entry;
    throw std::invalid_argument("no input of that name");
}

// Whether the input of a name is an angle (radians, given in degrees in catalogues); false for a
// length and for a name the table does not hold.
constexpr bool isAngleInput(std::string_view name) {
    for (const auto& entry : kInputContract)
        if (entry.name == name) return entry.unit == UnitKind::Angle;
    return false;
}

struct OutputContract {
    std::string_view name;
    std::string_view description;
    Aspect aspect;
};

// The declared outputs in order; each aspect names its own in this order.
inline constexpr std::array<OutputContract, 4> kOutputContract{{
    {"Body", "Check Valve Body", Aspect::Physical},
    {"InsulatedBody", "Check Valve Insulated Body", Aspect::Insulation},
    {"PNoz1", "Nozzle 1", Aspect::Physical},
    {"PNoz2", "Nozzle 2", Aspect::Physical},
}};

// The positions of the inputs in the input array, by name, read from the table.
namespace input {
inline constexpr int Part = kPartPosition;
inline constexpr int FacetoFace = inputNamed("FacetoFace").position;
inline constexpr int InsulationThickness = inputNamed("InsulationThickness").position;
inline constexpr int HandwheelAngle = inputNamed("HandwheelAngle").position;
inline constexpr int BodyDiameter = inputNamed("BodyDiameter").position;
inline constexpr int PortVOffset = inputNamed("PortVOffset").position;
inline constexpr int B = inputNamed("B").position;
inline constexpr int OffsetFrmValCen = inputNamed("OffsetFrmValCen").position;
inline constexpr int Length2 = inputNamed("Length2").position;
inline constexpr int OffsetfromPort1 = inputNamed("OffsetfromPort1").position;
inline constexpr int EqualizerClearance = inputNamed("EqualizerClearance").position;
inline constexpr int Diameter = inputNamed("Diameter").position;
inline constexpr int HeightFrmValCen = inputNamed("HeightFrmValCen").position;
inline constexpr int Width = inputNamed("Width").position;
inline constexpr int Height = inputNamed("Height").position;
inline constexpr int PlugDiameter = inputNamed("PlugDiameter").position;
inline constexpr int FlushDiameter1 = inputNamed("FlushDiameter1").position;
inline constexpr int FlushDiameter2 = inputNamed("FlushDiameter2").position;
inline constexpr int FlushDiameter = inputNamed("FlushDiameter").position;
inline constexpr int A = inputNamed("A").position;
inline constexpr int C = inputNamed("C").position;
inline constexpr int D = inputNamed("D").position;
inline constexpr int E = inputNamed("E").position;
inline constexpr int ValveFacetoFace = inputNamed("ValveFacetoFace").position;
inline constexpr int NippleLength = inputNamed("NippleLength").position;
inline constexpr int EndtoEnd = inputNamed("EndtoEnd").position;
inline constexpr int XOffJacketInlet = inputNamed("XOffJacketInlet").position;
inline constexpr int YOffJacketOutlet = inputNamed("YOffJacketOutlet").position;
inline constexpr int ZOffJacketInlet = inputNamed("ZOffJacketInlet").position;
inline constexpr int YOffJacketInlet = inputNamed("YOffJacketInlet").position;
inline constexpr int ValveHeight = inputNamed("ValveHeight").position;
inline constexpr int Face1toCenter = inputNamed("Face1toCenter").position;
inline constexpr int Face2toCenter = inputNamed("Face2toCenter").position;
inline constexpr int FacetoCenter = inputNamed("FacetoCenter").position;
inline constexpr int BranchLength = inputNamed("BranchLength").position;
} // namespace input

// The input at a position of the input array; nullptr for the part and for positions past the table.
constexpr const InputContract* inputAt(int position) {
    const int index = position - 2;
    if (index < 0 || index >= static_cast<int>(kInputContract.size())) return nullptr;
    return &kInputContract[static_cast<std::size_t>(index)];
}

} // namespace tcv::contract
