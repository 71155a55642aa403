// The error trap of the geometry routines: any failure leaves through RaiseGeom3dError.
#pragma once

#include <utility>

#include "tarncheckvalve/geometry/basGeom3d.h"

namespace tcv::geometry {

template <class Body>
decltype(auto) geom3dTrap(const char* methodText, Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        RaiseGeom3dError("Geom3d/Nozzle", methodText);
    }
}

} // namespace tcv::geometry
