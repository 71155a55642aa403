#include "refhost/Measure.h"

#include <cmath>

#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <TopoDS_Iterator.hxx>

#include "refhost/KernelGuard.h"

namespace tcv::refhost {

ShapeMeasure measureShape(const TopoDS_Shape& shape, bool isSolid) {
    ShapeMeasure measure;
    if (shape.IsNull() || (shape.ShapeType() <= TopAbs_SHELL && !TopoDS_Iterator(shape).More())) return measure;
    measure.empty = false;
    try {
        runGuarded("measure", [&] {
            // The tight box of the exact geometry: no triangulation, no enlargement by shape tolerances.
            Bnd_Box box;
            BRepBndLib::AddOptimal(shape, box, Standard_False, Standard_False);
            bool finite = !box.IsVoid() && !box.IsOpen();
            if (finite) {
                box.SetGap(0.0);
                box.Get(measure.bbox[0], measure.bbox[1], measure.bbox[2], measure.bbox[3], measure.bbox[4],
                        measure.bbox[5]);
                for (double v : measure.bbox) finite = finite && std::isfinite(v);
            }
            bool positive = true;
            if (isSolid) {
                // Integration to a relative error bound: the fixed Gauss rule misjudges faces whose
                // surfaces have creases inside them.
                GProp_GProps properties;
                BRepGProp::VolumeProperties(shape, properties, 1e-9);
                measure.volume = properties.Mass();
                positive = *measure.volume > 0;
            }
            measure.valid = finite && positive && BRepCheck_Analyzer(shape).IsValid();
        });
    } catch (const host::HostError&) {
        measure.valid = false;
    }
    return measure;
}

} // namespace tcv::refhost
