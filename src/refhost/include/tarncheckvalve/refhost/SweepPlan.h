// Sweeps as the host plans them before any kernel work: one solid per piece.
#pragma once

#include <vector>

#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Curves.h"
#include "tarncheckvalve/refhost/Vec3.h"

namespace tcv::refhost {

// One solid of a sweep. A circle swept along a polyline is a tube of straight pieces and bends (or, where
// the legs leave no room for a bend, balls at the corners); any other sweep is one pipe.
struct SweepPiece {
    enum class Kind { Straight, Bend, Ball, Pipe };
    Kind kind = Kind::Pipe;
    Vec3 origin;           // start of a straight piece; centre of a bend or ball
    Vec3 direction;        // along a straight piece; the axis a bend turns about
    Vec3 xAxis;            // from a bend's centre to where it starts
    double extent = 0;     // length of a straight piece; angle of a bend
    double bendRadius = 0; // centre-line radius of a bend
    double tubeRadius = 0;
    bool solid = true; // false for a pipe of an open section
};

// The pieces of the sweep; refuses a path that turns back on itself.
TCV_EXPORT std::vector<SweepPiece> planSweep(const RefCurve& path, const RefCurve& section);
TCV_EXPORT const char* sweepPieceName(SweepPiece::Kind kind);

} // namespace tcv::refhost
