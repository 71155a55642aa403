// The dimensions the four-port jacketed bodies and the five-port domed body read, shared by the bare
// bodies and their insulation envelopes.
#pragma once

#include <array>

#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace tcv::shapes {

// "FacetoFace", "HeightFrmValCen", "Width", "YOffJacketOutlet", "ZOffJacketInlet" and the jacket
// inlet's offset along the stem ("YOffJacketInlet") or along the run ("XOffJacketInlet").
struct FourPortJacketDimensions {
    double F = 0, H = 0, W = 0, Yo = 0, Zi = 0;
    double jacketInletOffset = 0;
};
TCV_EXPORT FourPortJacketDimensions readFourPortJacketDimensions(const host::VariantArray& arrayofinputs,
                                                                 int jacketInletInput);

// "FacetoFace", "Diameter" (half the face-to-face length when 0), "HeightFrmValCen",
// "YOffJacketOutlet", "ZOffJacketInlet", the values of ports 1 to 5 and the cross-run diameter D34,
// the larger of ports 3 and 4 (port 3's within the tolerance).
struct DomedBodyDimensions {
    double F = 0, D = 0, H = 0, Yo = 0, Zi = 0;
    std::array<ports::PortDataRecord, 6> port{};
    double D34 = 0;
};
TCV_EXPORT DomedBodyDimensions readDomedBodyDimensions(const host::VariantArray& arrayofinputs,
                                                       const host::ObjectPtr& part,
                                                       const host::OutputCollectionPtr& outputColl);

} // namespace tcv::shapes
