// Reading the symbol's inputs from the host's input array: position 1 is the part, positions 2 to 35
// the dimensions of the input table.
#pragma once

#include <cstdint>

#include "host/Export.h"
#include "host/Piping.h"
#include "host/Value.h"

namespace tcv {

// Positions of the inputs in the input array (entry i of the input table sits at position i + 1).
namespace input {
inline constexpr int Part = 1;
inline constexpr int FacetoFace = 2;
inline constexpr int InsulationThickness = 3;
inline constexpr int HandwheelAngle = 4;
inline constexpr int BodyDiameter = 5;
inline constexpr int PortVOffset = 6;
inline constexpr int B = 7;
inline constexpr int OffsetFrmValCen = 8;
inline constexpr int Length2 = 9;
inline constexpr int OffsetfromPort1 = 10;
inline constexpr int EqualizerClearance = 11;
inline constexpr int Diameter = 12;
inline constexpr int HeightFrmValCen = 13;
inline constexpr int Width = 14;
inline constexpr int Height = 15;
inline constexpr int PlugDiameter = 16;
inline constexpr int FlushDiameter1 = 17;
inline constexpr int FlushDiameter2 = 18;
inline constexpr int FlushDiameter = 19;
inline constexpr int A = 20;
inline constexpr int C = 21;
inline constexpr int D = 22;
inline constexpr int E = 23;
inline constexpr int ValveFacetoFace = 24;
inline constexpr int NippleLength = 25;
inline constexpr int EndtoEnd = 26;
inline constexpr int XOffJacketInlet = 27;
inline constexpr int YOffJacketOutlet = 28;
inline constexpr int ZOffJacketInlet = 29;
inline constexpr int YOffJacketInlet = 30;
inline constexpr int ValveHeight = 31;
inline constexpr int Face1toCenter = 32;
inline constexpr int Face2toCenter = 33;
inline constexpr int FacetoCenter = 34;
inline constexpr int BranchLength = 35;
} // namespace input

// The dimension at a position, as a double.
inline double readDimension(const host::VariantArray& inputs, int position) {
    return host::toDouble(inputs.at(position));
}

// The part at position 1.
inline host::ObjectPtr readPart(const host::VariantArray& inputs) { return host::toObject(inputs.at(input::Part)); }

// The part's piping-component interface; a part without one is a host error.
TCV_EXPORT host::PipingComponentPtr pipingComponent(const host::ObjectPtr& part);

// The part's PartDataBasis, read through its piping-component interface.
TCV_EXPORT std::int32_t readPartDataBasis(const host::ObjectPtr& part);

} // namespace tcv
