// A profile as the covered and domed bodies build it: transient curves created through the host's
// geometry factory without a resource manager, collected in order and chained end to start from the
// profile's first point.
#pragma once

#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::shapes {

class TCV_EXPORT ProfileCurves {
public:
    ProfileCurves() : factory_(host::runtime().CreateGeometryFactory()), curves_(host::runtime().CreateCollection()) {}

    ProfileCurves& line(const host::DPosition& from, const host::DPosition& to) {
        curves_->Add(factory_->CreateLine(nullptr, from, to));
        return *this;
    }
    // An arc from `from` through `onArc` to `to`.
    ProfileCurves& arcThrough(const host::DPosition& from, const host::DPosition& onArc, const host::DPosition& to) {
        curves_->Add(factory_->CreateArcBy3Points(nullptr, from, onArc, to));
        return *this;
    }
    // An arc about `centre` from `from` to `to`, as the host builds it from the three points.
    ProfileCurves& arcAbout(const host::DPosition& centre, const host::DPosition& from, const host::DPosition& to) {
        curves_->Add(factory_->CreateArcByCenter(nullptr, centre, from, to));
        return *this;
    }
    ProfileCurves& ellipticalArc(const host::DPosition& centre, const host::DVector& normal,
                                 const host::DVector& majorAxis, double minorMajorRatio, double startAngle,
                                 double sweepAngle) {
        curves_->Add(
            factory_->CreateEllipticalArc(nullptr, centre, normal, majorAxis, minorMajorRatio, startAngle, sweepAngle));
        return *this;
    }
    // The complex string of the curves chained from `start`; the collection is emptied.
    host::CurvePtr chainFrom(host::DPosition start) {
        auto chained = geometry::PlaceTrCString(start, curves_);
        curves_->Clear();
        return chained;
    }

private:
    host::GeometryFactoryPtr factory_;
    host::CollectionPtr curves_;
};

} // namespace tcv::shapes
