// The exact IFC form of a solid, where it has one: a creation the host recorded (a prism or revolution of a
// profile of lines and circular arcs, a cone, a ruled solid between two parallel circles, a torus, a piece
// of a tube swept along a polyline, a box) or
// a shape that is plainly a cylinder or a torus (nozzle graphics, the operator's stem and handwheel),
// described as one of IFC4's swept solids in the coordinates of the output. Everything else has no such
// form here and is triangulated by the writer.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include <TopoDS_Shape.hxx>

#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/Vec3.h"

namespace tcv::exports::ifc {

using refhost::Vec3;

// A right-handed frame: origin, Z axis and X direction (square to Z).
struct Frame {
    Vec3 origin;
    Vec3 z{0, 0, 1};
    Vec3 x{1, 0, 0};
};

// A closed area in the XY plane of a frame: a circle about a centre, a rectangle about its centre, or a
// loop of lines and circular arcs through numbered points (an IfcIndexedPolyCurve: a segment of two
// indices is a line, of three an arc through the middle point; indices from 1).
struct Profile {
    enum class Kind { Circle, Rectangle, Loop };
    Kind kind = Kind::Loop;
    std::array<double, 2> centre{0, 0};
    double radius = 0;                         // circle
    double xDim = 0, yDim = 0;                 // rectangle
    std::vector<std::array<double, 2>> points; // loop
    std::vector<std::vector<int>> segments;    // loop
};

// A polyline or arc path in the output's coordinates for a swept disk (same index convention).
struct Directrix {
    std::vector<Vec3> points;
    std::vector<std::vector<int>> segments;
};

struct ExactSolid {
    enum class Kind { Extrusion, Revolution, SweptDisk };
    Kind kind = Kind::Extrusion;
    Frame position;      // extrusion, revolution: the frame whose XY plane holds the profile
    Profile profile;     // extrusion, revolution
    Vec3 direction;      // extrusion: unit direction in the frame's coordinates (positive z)
    double depth = 0;    // extrusion
    double angle = 0;    // revolution: radians about the frame's X axis through its origin (0 < angle <= 2 pi)
    Directrix directrix; // swept disk: a straight tube piece
    double radius = 0;   // swept disk
    double volume = 0;   // what the form encloses, to check it against the built solid
    // The profile's elliptical arcs are written as circular arcs within 0.01 mm of them: IFC4's Reference
    // View has no ellipse in a profile. Such a solid is as good as exact to 0.01 mm but not exact.
    bool fitted = false;
};

// The exact form of a recorded creation; nothing where it has none (surfaces, skins, ruled surfaces other
// than between parallel circles, B-spline profiles, profiles that are not plane and closed). A profile with
// elliptical arcs gets circular arcs within 0.01 mm of them, and the solid is marked `fitted`.
std::optional<ExactSolid> exactSolidOf(const refhost::Creation& creation);

// The exact form of a shape that is one right circular cylinder or one full torus (a solid of its three
// or one faces); nothing for any other shape.
std::optional<ExactSolid> exactSolidOfShape(const TopoDS_Shape& shape);

// A straight piece of a swept tube (a swept disk along one line) as the extrusion of its circle along that
// line: the same cylinder, for readers that draw an extrusion more surely than a swept disk; nothing for
// any other solid.
std::optional<ExactSolid> extrudedDisk(const ExactSolid& disk);

// True when the form encloses the same volume as the built solid (within 1e-4 of it): a record that does
// not describe its shape (a creation moved by a map that is not a similarity keeps its lengths) is
// written as triangles instead.
bool sameVolume(const ExactSolid& solid, const TopoDS_Shape& shape);

// How many triangles a reader draws of the form when it draws every circular arc of a profile with a whole
// circle's `circleSegments` segments, however short the arc, and a revolution with that many a turn: what
// the common readers do, and what makes a profile of many fitted arcs cost far more than its mesh.
std::size_t drawnTriangles(const ExactSolid& solid, std::size_t circleSegments);

} // namespace tcv::exports::ifc
