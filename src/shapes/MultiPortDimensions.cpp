#include "tarncheckvalve/shapes/MultiPortDimensions.h"

#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/shapes/MultiPortEnds.h"

namespace tcv::shapes {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;

FourPortJacketDimensions readFourPortJacketDimensions(const host::VariantArray& arrayofinputs, int jacketInletInput) {
    FourPortJacketDimensions dims;
    dims.F = readDimension(arrayofinputs, input::FacetoFace);
    dims.H = readDimension(arrayofinputs, input::HeightFrmValCen);
    dims.W = readDimension(arrayofinputs, input::Width);
    dims.Yo = readDimension(arrayofinputs, input::YOffJacketOutlet);
    dims.Zi = readDimension(arrayofinputs, input::ZOffJacketInlet);
    dims.jacketInletOffset = readDimension(arrayofinputs, jacketInletInput);
    return dims;
}

DomedBodyDimensions readDomedBodyDimensions(const host::VariantArray& arrayofinputs, const host::ObjectPtr& part,
                                            const host::OutputCollectionPtr& outputColl) {
    DomedBodyDimensions dims;
    dims.F = readDimension(arrayofinputs, input::FacetoFace);
    dims.D = readDimension(arrayofinputs, input::Diameter);
    dims.H = readDimension(arrayofinputs, input::HeightFrmValCen);
    dims.Yo = readDimension(arrayofinputs, input::YOffJacketOutlet);
    dims.Zi = readDimension(arrayofinputs, input::ZOffJacketInlet);
    dims.port = RetrievePortsData<5>(part, outputColl, true);
    if (CmpDblEqual(dims.D, 0, kTolerance)) dims.D = 0.5 * dims.F;
    const double od3 = dims.port[3].pipeOD, od4 = dims.port[4].pipeOD;
    dims.D34 = CmpDblGreaterthan(od3, od4, kTolerance) ? od3 : od4;
    return dims;
}

} // namespace tcv::shapes
