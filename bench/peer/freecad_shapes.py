#!/usr/bin/python3
"""The peer of `checkvalve bench`: the same shapes built by a FreeCAD Part script.

Reads the JSON reports of `checkvalve eval --sample NAME --json` (both aspects) and builds every output
again with FreeCAD's Part module, from the values its `creation` record holds: curves become edges and
wires, projections faces extruded, revolutions faces revolved, cones, tori and boxes Part's primitives,
ruled surfaces and skins lofts, sweeps of a circle along a polyline the tube pieces (cylinders, bends and
balls) our host makes of them. Nozzles get their flange disc or pipe stub, operators their stem and
handwheel.

Every built shape is checked against the report (volume of a solid, bounding box, solid or surface);
a part whose shapes do not match is reported as "shape mismatch" and not timed. Then each part is built
ROUNDS times after one warm-up, each aspect timed on its own with time.thread_time() (the CPU time of
this thread, the clock `checkvalve bench` uses), and the median per aspect is written as JSON. The
timed span builds the shapes from values already read; like the peer as it is normally written, it
checks nothing. Two plans are made beforehand, outside it, in the peer's favour: the pieces of a swept
tube, and where the guides of a guided skin cross its sections' stations. Nozzle discs and operator
pictures are timed apart (ports_us): the host builds them only when a report or an export asks for
them, not in the evaluation `checkvalve bench` times.

Run with Debian's /usr/bin/python3 (FreeCAD's lib folder is put on sys.path):
  freecad_shapes.py [--rounds N] [--check] [--json OUT] REPORT.json...
A report file holds one part (`eval --sample NAME --json`) or all of a catalogue's (`eval FILE --json`).
--check builds every part once and exits 1 when any shape does not match (2 on bad input).
"""

import argparse
import json
import math
import os
import statistics
import sys
import time

sys.path.append(os.environ.get("FREECAD_LIB", "/usr/lib/freecad-python3/lib"))
import FreeCAD  # noqa: E402
import Part  # noqa: E402

V = FreeCAD.Vector
TWO_PI = 2 * math.pi
POINT_TOLERANCE = 1e-7
# Relative agreement asked of a volume, and of a bounding box (against its diagonal).
TOLERANCE = 1e-3


class BadInput(Exception):
    """A report this script cannot build from: the message names the part, output and what was wrong."""


# --- reading records ----------------------------------------------------------------------------------


class Record:
    """The values of one creation record, or of one nested under a prefix ("profile.", "guide1.")."""

    def __init__(self, values, prefix=""):
        self.values = values
        self.prefix = prefix

    def has(self, name):
        return self.prefix + name in self.values

    def get(self, name):
        key = self.prefix + name
        if key not in self.values:
            raise BadInput(f"record value '{key}' is missing")
        return self.values[key]

    def number(self, name):
        value = self.get(name)
        if isinstance(value, bool) or not isinstance(value, (int, float)) or not math.isfinite(value):
            raise BadInput(f"record value '{self.prefix + name}' is not a finite number")
        return float(value)

    def point(self, name):
        value = self.get(name)
        if not isinstance(value, list) or len(value) != 3:
            raise BadInput(f"record value '{self.prefix + name}' is not a point")
        return tuple(float(v) for v in value)

    def points(self, name):
        value = self.get(name)
        if not isinstance(value, list) or len(value) % 3 or not value:
            raise BadInput(f"record value '{self.prefix + name}' is not a list of points")
        return [tuple(float(v) for v in value[i : i + 3]) for i in range(0, len(value), 3)]

    def nested(self, prefix):
        return Record(self.values, self.prefix + prefix)

    @property
    def kind(self):
        return self.get("kind")


# --- small vector helpers on tuples (reading only; shapes use FreeCAD.Vector) ---------------------------


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def scale(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def norm(a):
    return math.sqrt(dot(a, a))


def unit(a):
    n = norm(a)
    if not n > 0:
        raise BadInput("a direction is a zero vector")
    return scale(a, 1 / n)


def lerp(a, b, u):
    return add(scale(a, 1 - u), scale(b, u))


# --- curves: each read into a maker of its edges --------------------------------------------------------


class Curve:
    """A curve read from its record: `edges()` builds its FreeCAD edges; start, end and closed as read."""

    def __init__(self, make, start, end, closed=None, circle=None, segments=None):
        self.make = make
        self.start, self.end = start, end
        self.closed = closed if closed is not None else norm(sub(end, start)) < POINT_TOLERANCE
        self.circle = circle  # (centre, normal, radius) of a full circle
        self.segments = segments  # the corners of a straight-sided curve

    def edges(self):
        return self.make()

    def wire(self):
        return Part.Wire(self.make())


def rotate_about(v, n, angle):
    """v turned by angle counter-clockwise about the unit vector n (Rodrigues)."""
    c, s = math.cos(angle), math.sin(angle)
    return add(add(scale(v, c), scale(cross(n, v), s)), scale(n, dot(n, v) * (1 - c)))


def read_curve(rec):
    kind = rec.kind
    if kind == "line":
        s, e = rec.point("start"), rec.point("end")
        return Curve(lambda: [Part.LineSegment(V(*s), V(*e)).toShape()], s, e, segments=[s, e])
    if kind in ("arc", "circle"):
        c, n, r = rec.point("centre"), unit(rec.point("normal")), rec.number("radius")
        if kind == "circle":
            return Curve(lambda: [Part.Circle(V(*c), V(*n), r).toShape()], None, None, True, circle=(c, n, r))
        start, sweep = rec.point("start"), rec.number("sweepAngle")
        x_axis = unit(sub(sub(start, c), scale(n, dot(n, sub(start, c)))))
        first = add(c, scale(x_axis, r))
        last = add(c, scale(rotate_about(x_axis, n, sweep), r))

        def arc():
            circle = Part.Circle(V(*c), V(*n), r)
            circle.XAxis = V(*x_axis)
            if sweep >= TWO_PI - 1e-12:
                return [circle.toShape()]
            return [Part.ArcOfCircle(circle, 0.0, sweep).toShape()]

        return Curve(arc, first, last, sweep >= TWO_PI - 1e-12, circle=(c, n, r) if sweep >= TWO_PI - 1e-12 else None)
    if kind == "ellipticalArc":
        c, n = rec.point("centre"), unit(rec.point("normal"))
        major, ratio = rec.point("majorAxis"), rec.number("ratio")
        start, sweep = rec.number("startAngle"), rec.number("sweepAngle")
        a = norm(major)
        u = unit(major)
        v = cross(n, u)
        b = a * ratio
        if b > a:  # the longer axis leads: the same points at angles a quarter turn back
            u, v, a, b = v, scale(u, -1), b, a
            start -= math.pi / 2

        def point(t):
            return add(c, add(scale(u, a * math.cos(t)), scale(v, b * math.sin(t))))

        def ellipse():
            if abs(a - b) < 1e-12 * a:
                curve = Part.Circle(V(*c), V(*n), a)
                curve.XAxis = V(*u)
            else:
                curve = Part.Ellipse(V(*add(c, scale(u, a))), V(*add(c, scale(v, b))), V(*c))
            if sweep >= TWO_PI - 1e-12:
                return [curve.toShape()]
            cls = Part.ArcOfCircle if isinstance(curve, Part.Circle) else Part.ArcOfEllipse
            return [cls(curve, start, start + sweep).toShape()]

        return Curve(ellipse, point(start), point(start + sweep), sweep >= TWO_PI - 1e-12)
    if kind == "lineString":
        pts = rec.points("points")
        if len(pts) < 2:
            raise BadInput("a line string needs two points")
        return Curve(lambda: Part.makePolygon([V(*p) for p in pts]).Edges, pts[0], pts[-1], segments=pts)
    if kind == "complexString":
        count = int(rec.number("count"))
        members = [read_curve(rec.nested(f"curve{i}.")) for i in range(1, count + 1)]
        if not members:
            raise BadInput("a complex string has no curves")
        segments = None
        if all(m.segments for m in members):
            segments = [p for m in members for p in m.segments]

        def complex_string():
            return [edge for m in members for edge in m.edges()]

        return Curve(complex_string, members[0].start, members[-1].end, segments=segments)
    if kind == "bspline":
        order = int(rec.number("order"))
        poles = rec.points("poles")
        weights = [float(w) for w in rec.get("weights")]
        flat = [float(k) for k in rec.get("knots")]
        periodic = bool(rec.get("periodic"))
        knots, mults = [], []
        for k in flat:
            if knots and k - knots[-1] <= 1e-12 * max(1.0, abs(k)):
                mults[-1] += 1
            else:
                knots.append(k)
                mults.append(1)
        mults = [min(m, order) for m in mults]
        rational = weights if any(w != 1 for w in weights) else None

        def bspline():
            curve = Part.BSplineCurve()
            curve.buildFromPolesMultsKnots(
                [V(*p) for p in poles], mults, knots, periodic, order - 1, rational
            )
            return [curve.toShape()]

        return Curve(bspline, poles[0], poles[-1], periodic or None)
    if kind == "plane":
        pts = rec.points("points")
        outline = pts + [pts[0]]
        return Curve(lambda: Part.makePolygon([V(*p) for p in outline]).Edges, pts[0], pts[0], True, segments=pts)
    raise BadInput(f"unknown curve kind '{kind}'")


def closed_wire(curve, closing=()):
    """The curve's wire, an open one closed through the closing points and back to its start."""
    edges = curve.edges()
    if not curve.closed:
        path = list(closing) + [curve.start]
        at = curve.end
        for to in path:
            if norm(sub(to, at)) >= POINT_TOLERANCE:
                edges.append(Part.LineSegment(V(*at), V(*to)).toShape())
                at = to
    return Part.Wire(edges)


# --- the solids and surfaces ----------------------------------------------------------------------------


def read_projection(rec):
    profile = read_curve(rec.nested("profile."))
    step = scale(unit(rec.point("direction")), rec.number("length"))
    if not rec.get("capped"):
        return lambda: profile.wire().extrude(V(*step))
    return lambda: Part.Face(closed_wire(profile)).extrude(V(*step))


def read_revolution(rec):
    profile = read_curve(rec.nested("profile."))
    axis, centre, angle = unit(rec.point("axis")), rec.point("centre"), rec.number("angle")
    direction = scale(axis, -1) if angle < 0 else axis
    degrees = math.degrees(min(abs(angle), TWO_PI))
    if not rec.get("capped"):
        return lambda: profile.wire().revolve(V(*centre), V(*direction), degrees)

    def foot(p):
        return add(centre, scale(axis, dot(axis, sub(p, centre))))

    closing = () if profile.closed else (foot(profile.end), foot(profile.start))
    return lambda: Part.Face(closed_wire(profile, closing)).revolve(V(*centre), V(*direction), degrees)


def lateral(shape):
    """The faces of a primitive other than its planar caps, as a shell."""
    return Part.Shell([f for f in shape.Faces if not isinstance(f.Surface, Part.Plane)])


def read_cone(rec):
    base, top = rec.point("baseCentre"), rec.point("topCentre")
    r1, r2, capped = rec.number("baseRadius"), rec.number("topRadius"), rec.get("capped")
    axis = sub(top, base)
    height = norm(axis)

    def cone():
        if abs(r1 - r2) < POINT_TOLERANCE:
            solid = Part.makeCylinder(r1, height, V(*base), V(*axis))
        else:
            solid = Part.makeCone(max(r1, 0.0), max(r2, 0.0), height, V(*base), V(*axis))
        return solid if capped else lateral(solid)

    return cone


def read_torus(rec):
    centre, axis = rec.point("centre"), rec.point("axis")
    ring, tube, capped = rec.number("ringRadius"), rec.number("tubeRadius"), rec.get("capped")

    def torus():
        solid = Part.makeTorus(ring, tube, V(*centre), V(*axis))
        return solid if capped else lateral(solid)

    return torus


def read_box(rec):
    c1, c2 = rec.point("corner1"), rec.point("corner2")
    low = tuple(min(a, b) for a, b in zip(c1, c2))
    size = tuple(abs(a - b) for a, b in zip(c1, c2))
    return lambda: Part.makeBox(size[0], size[1], size[2], V(*low))


def read_ruled(rec):
    first, second = read_curve(rec.nested("first.")), read_curve(rec.nested("second."))
    solid = bool(rec.get("capped")) and first.closed and second.closed
    if first.circle and second.circle:
        # Two circles start in one direction, so that the rulings join them without a twist.
        (c1, n1, r1), (c2, n2, r2) = first.circle, second.circle
        if dot(n1, n2) < 0:
            n2 = scale(n2, -1)
        reference = (1, 0, 0) if abs(n1[0]) < 0.6 else (0, 1, 0)
        x1 = unit(sub(reference, scale(n1, dot(n1, reference))))
        x2 = unit(sub(x1, scale(n2, dot(n2, x1))))

        def circles():
            a, b = Part.Circle(V(*c1), V(*n1), r1), Part.Circle(V(*c2), V(*n2), r2)
            a.XAxis, b.XAxis = V(*x1), V(*x2)
            return Part.makeLoft([Part.Wire(a.toShape()), Part.Wire(b.toShape())], solid, True)

        return circles
    return lambda: Part.makeLoft([first.wire(), second.wire()], solid, True)


# The tube of a circle swept along a polyline, as our host plans it: straight pieces, and at each corner
# a bend of three tube radii (less where the legs leave no room, down to 1.05) or a ball.
BEND_RADIUS = 3.0
TIGHTEST_BEND = 1.05


def tube_pieces(points, centre, r):
    shift = sub(centre, points[0])
    path = [add(points[0], shift)]
    for p in points[1:]:
        nxt = add(p, shift)
        if len(path) >= 2:
            a, b = unit(sub(path[-1], path[-2])), unit(sub(nxt, path[-1]))
            if norm(cross(a, b)) < 1e-9 and dot(a, b) > 0:
                path.pop()
        path.append(nxt)
    segments = len(path) - 1
    lengths = [norm(sub(path[i + 1], path[i])) for i in range(segments)]
    dirs = [scale(sub(path[i + 1], path[i]), 1 / lengths[i]) for i in range(segments)]
    corners = [(0.0, 0.0, 0.0)] * (segments + 1)  # turn, bend radius, tangent length
    for i in range(1, segments):
        turn = math.acos(max(-1.0, min(1.0, dot(dirs[i - 1], dirs[i]))))
        before = lengths[i - 1] * (1.0 if i - 1 == 0 else 0.5)
        after = lengths[i] * (1.0 if i + 1 == segments else 0.5)
        radius = min(BEND_RADIUS * r, min(before, after) / math.tan(turn / 2))
        corners[i] = (turn, radius, radius * math.tan(turn / 2)) if radius >= TIGHTEST_BEND * r else (turn, 0.0, 0.0)
    pieces = []
    for i in range(segments):
        extent = lengths[i] - corners[i][2] - corners[i + 1][2]
        if extent > POINT_TOLERANCE:
            pieces.append(("straight", add(path[i], scale(dirs[i], corners[i][2])), dirs[i], extent))
        if i + 1 == segments:
            break
        turn, bend, tangent = corners[i + 1]
        if bend == 0:
            pieces.append(("ball", path[i + 1]))
            continue
        d0, d1 = dirs[i], dirs[i + 1]
        inwards = unit(sub(d1, scale(d0, dot(d0, d1))))
        origin = add(sub(path[i + 1], scale(d0, tangent)), scale(inwards, bend))
        pieces.append(("bend", origin, unit(cross(d0, d1)), scale(inwards, -1), bend, turn))
    return pieces


def read_sweep(rec):
    path, section = rec.nested("path."), read_curve(rec.nested("section."))
    if path.kind != "lineString" or not section.circle:
        raise BadInput(f"a sweep of a {section_kind(rec)} along a {path.kind} is not built by this script")
    centre, _, r = section.circle
    pieces = tube_pieces(path.points("points"), centre, r)
    member, count = int(rec.number("member")), int(rec.number("memberCount"))
    if count != len(pieces) or not 1 <= member <= count or pieces[member - 1][0] != rec.get("piece"):
        raise BadInput(f"the sweep plan here has {len(pieces)} pieces, the report's member {member} of {count}")
    # The plan (a few points of arithmetic for the whole sweep) is made once here, outside the timed span:
    # the peer is timed for the kernel's work of each piece only.
    piece = pieces[member - 1]
    if piece[0] == "straight":
        _, origin, direction, extent = piece
        return lambda: Part.makeCylinder(r, extent, V(*origin), V(*direction))
    if piece[0] == "ball":
        return lambda: Part.makeSphere(r, V(*piece[1]))
    _, origin, normal, x_axis, bend, turn = piece

    def bend_piece():
        torus = Part.makeTorus(bend, r, V(0, 0, 0), V(0, 0, 1), -180, 180, math.degrees(turn))
        rotation = FreeCAD.Rotation(V(*x_axis), V(*cross(normal, x_axis)), V(*normal), "ZXY")
        torus.Placement = FreeCAD.Placement(V(*origin), rotation)
        return torus

    return bend_piece


def section_kind(rec):
    return rec.get("section.kind") if rec.has("section.kind") else "section"


# Sections of a guided skin between two given ones, and in all: our host's loft places 17 along it.
SKIN_SECTIONS = 17


def guide_at(guide, station, origin, axis):
    """The point where the guide (a list of sampled points, dense) crosses the station."""
    best = None
    for a, b in zip(guide, guide[1:]):
        sa, sb = dot(sub(a, origin), axis) - station, dot(sub(b, origin), axis) - station
        if sa * sb <= 0:
            f = 0.0 if sa == sb else sa / (sa - sb)
            return lerp(a, b, f)
        near = a if abs(sa) <= abs(sb) else b
        if best is None or abs(dot(sub(near, origin), axis) - station) < abs(dot(sub(best, origin), axis) - station):
            best = near
    return best


def traversal(wire):
    """The edges of a wire in order, each with its start and end as the wire runs through it."""
    result = []
    for edge in wire.OrderedEdges:
        first, last = edge.Vertexes[0].Point, edge.Vertexes[-1].Point
        result.append((edge, first, last) if edge.Orientation == "Forward" else (edge, last, first))
    return result


def arc_position(pieces, point):
    """The length along the wire, from its start, of the wire's point nearest to `point`."""
    at, best, best_distance = 0.0, 0.0, math.inf
    vertex = Part.Vertex(V(*point))
    for edge, _, _ in pieces:
        distance, pairs, _ = edge.distToShape(vertex)
        if distance < best_distance:
            parameter = edge.Curve.parameter(pairs[0][0])
            length = edge.Curve.length(edge.FirstParameter, parameter) if parameter > edge.FirstParameter else 0.0
            best = at + (length if edge.Orientation == "Forward" else edge.Length - length)
            best_distance = distance
        at += edge.Length
    return best


def cut_at(pieces, total, positions):
    """The wire's edges cut at the given lengths along it (where it has no vertex there already)."""
    edges, at = [], 0.0
    tolerance = 1e-9 + 1e-7 * total
    for edge, _, _ in pieces:
        inside = [q - at for q in positions if at + tolerance < q < at + edge.Length - tolerance]
        if inside:
            # Lengths from the edge's own start: a reversed edge runs from its end.
            own = sorted(q if edge.Orientation == "Forward" else edge.Length - q for q in inside)
            edges.extend(edge.split([edge.getParameterByLength(q) for q in own]).Edges)
        else:
            edges.append(edge)
        at += edge.Length
    return edges


def matched_sections(wires, guide_ends):
    """The sections with a vertex wherever any of them has one, at the same fraction of the stretch
    between the same two guides, each starting at the first guide: a loft then joins them piece to
    piece, as the guides pair their points."""
    runs = []
    for wire in wires:
        pieces = traversal(wire)
        total = sum(edge.Length for edge, _, _ in pieces)
        vertices = [sum(edge.Length for edge, _, _ in pieces[:i]) for i in range(len(pieces))]
        # Where each guide meets the section: at the nearer of its ends.
        meets = []
        for ends in guide_ends:
            point = min(ends, key=lambda q: wire.distToShape(Part.Vertex(V(*q)))[0])
            meets.append((point, arc_position(pieces, point)))
        runs.append((pieces, total, vertices, meets))
    order = sorted(range(len(guide_ends)), key=lambda j: runs[0][3][j][1])

    def spans(run):
        _, total, _, meets = run
        starts = [meets[j][1] for j in order]
        return [(s, (starts[(i + 1) % len(starts)] - s) % total or total) for i, s in enumerate(starts)]

    fractions = [set() for _ in order]
    for run in runs:
        for i, (start, length) in enumerate(spans(run)):
            for vertex in run[2]:
                f = ((vertex - start) % run[1]) / length
                if 1e-6 < f < 1 - 1e-6:
                    fractions[i].add(round(f, 9))
    matched = []
    for run in runs:
        pieces, total, _, meets = run
        cuts = [meets[j][1] for j in order]
        for i, (start, length) in enumerate(spans(run)):
            cuts.extend((start + f * length) % total for f in fractions[i])
        ordered = traversal(Part.Wire(cut_at(pieces, total, cuts)))
        first = V(*meets[order[0]][0])
        k = min(range(len(ordered)), key=lambda i: (ordered[i][1] - first).Length)
        matched.append(Part.Wire([edge for edge, _, _ in ordered[k:] + ordered[:k]]))
    return matched


def read_skin(rec):
    capped = bool(rec.get("capped"))
    guides = [read_curve(rec.nested(f"guide{i}.")) for i in range(1, int(rec.number("guideCount")) + 1)]
    sections = [read_curve(rec.nested(f"section{i}.")) for i in range(1, int(rec.number("sectionCount")) + 1)]
    if not guides:
        return lambda: Part.makeLoft([s.wire() for s in sections], capped, False)
    if all(g.segments and len(g.segments) == 2 for g in guides):
        # Straight guides from section to section: the loft through the sections is the skin, once the
        # sections are cut so that their pieces pair up as the guides pair their points.
        ends = [(g.start, g.end) for g in guides]
        return lambda: Part.makeLoft(matched_sections([s.wire() for s in sections], ends), capped, False)
    if len(guides) != 2 or not all(s.circle for s in sections):
        raise BadInput(f"a skin of {len(sections)} sections along {len(guides)} curved guides is not built here")
    # Where the guides cross the stations is worked out here, before the timed span (sampling the guides
    # in Python costs more than the loft itself): the peer is timed for its sections and the loft only.
    ellipses = fitted_ellipses(guides, [s.circle for s in sections])
    return lambda: Part.makeLoft([section_wire(*e) for e in ellipses], capped, False)


def fitted_ellipses(guides, circles):
    """The sections of a loft along two guides through circles. The section at a station between two given
    ones is the blend of their circles, stretched so that it runs through both guides there: an ellipse
    whose one axis spans from guide to guide (less what the guides miss the given circles by), the other
    the blended radius. Our host's loft places SKIN_SECTIONS of them along the skin."""
    run = sub(circles[-1][0], circles[0][0])
    axis = unit(tuple(map(sum, zip(*(n if dot(n, run) >= 0 else scale(n, -1) for _, n, _ in circles)))))
    origin = circles[0][0]
    stations = [dot(sub(c, origin), axis) for c, _, _ in circles]
    sampled = [[tuple(p) for p in g.wire().discretize(Number=512)] for g in guides]
    misses = []
    for (c, n, r), station in zip(circles, stations):
        miss = []
        for g in sampled:
            p = guide_at(g, station, origin, axis)
            towards = sub(p, c)
            miss.append(sub(p, add(c, scale(unit(sub(towards, scale(n, dot(n, towards)))), r))))
        misses.append(miss)
    spans = len(circles) - 1
    fitted = max(1, (SKIN_SECTIONS - 1) // spans - 1) | 1
    ellipses = []
    for k in range(spans + 1):
        for f in range(fitted + 1 if k < spans else 1):
            u = f / (fitted + 1)
            station = stations[k] + u * (stations[k + 1] - stations[k]) if k < spans else stations[k]
            after = min(k + 1, spans)
            top, bottom = [
                sub(guide_at(sampled[j], station, origin, axis), lerp(misses[k][j], misses[after][j], u))
                for j in (0, 1)
            ]
            other = circles[k][2] * (1 - u) + circles[after][2] * u
            across = unit(sub(top, bottom))
            half = norm(sub(top, bottom)) / 2
            ellipses.append((lerp(top, bottom, 0.5), across, unit(cross(axis, across)), half, other, axis))
    return ellipses


def section_wire(centre, across, side, half, other, n):
    """The closed wire of a fitted section, starting at the first guide."""
    if abs(half - other) < 1e-9 * half:
        curve = Part.Circle(V(*centre), V(*n), half)
        curve.XAxis = V(*across)
        return Part.Wire(curve.toShape())
    if half > other:
        ellipse = Part.Ellipse(V(*add(centre, scale(across, half))), V(*add(centre, scale(side, other))), V(*centre))
        return Part.Wire(ellipse.toShape())
    # The longer axis across the guides' plane: the seam at the first guide all the same.
    ellipse = Part.Ellipse(V(*add(centre, scale(side, other))), V(*sub(centre, scale(across, half))), V(*centre))
    return Part.Wire(Part.ArcOfEllipse(ellipse, 1.5 * math.pi, 3.5 * math.pi).toShape())


# --- nozzles and operators ------------------------------------------------------------------------------

FLANGED = 5
DEFAULT_STUB = 0.02
SMALLEST = 1e-7
# The operator picture's stem diameter and rim thickness, as parts of the handwheel's diameter.
HANDWHEEL_PER_STEM_DIAMETER = 10
HANDWHEEL_PER_RIM = 25


def read_nozzle(rec):
    position, direction = rec.point("position"), unit(rec.point("direction"))
    length = rec.number("length")
    pipe, flange, thickness = rec.number("pipeOD"), rec.number("flangeOD"), rec.number("flangeThickness")
    disc = int(rec.number("terminationClass")) == FLANGED and flange > SMALLEST and thickness > SMALLEST
    diameter = flange if disc else (pipe if pipe > SMALLEST else flange)
    extent = thickness if disc else (length if length > SMALLEST else DEFAULT_STUB)
    if diameter <= SMALLEST:
        return None
    base = sub(position, scale(direction, extent))
    return lambda: Part.makeCylinder(diameter / 2, extent, V(*base), V(*direction))


def read_occurrence(rec, bbox):
    position = rec.point("position")
    up = rec.point("secondAxis")
    up = unit(up) if norm(up) > 1e-9 else (0.0, 1.0, 0.0)
    height = rec.number("attribute.OffsetFrmValCen") if rec.has("attribute.OffsetFrmValCen") else 0.0
    stem = height if math.isfinite(height) and height > 1e-6 else 0.0
    if not bbox:
        return None
    # The record does not carry the handwheel's diameter (an input of the operator part): it is read from
    # the picture's extent across the stem in the report.
    span = [bbox[i + 3] - bbox[i] for i in range(3)]
    across = max(s for s, u in zip(span, up) if abs(u) < 0.5)
    rim = across / HANDWHEEL_PER_RIM
    wheel = across / 2 - rim
    top = add(position, scale(up, stem))

    def picture():
        shapes = [Part.makeTorus(wheel, rim, V(*top), V(*up))]
        if stem > 0:
            shapes.insert(0, Part.makeCylinder(across / HANDWHEEL_PER_STEM_DIAMETER / 2, stem, V(*position), V(*up)))
        return Part.makeCompound(shapes)

    return picture


# --- parts ----------------------------------------------------------------------------------------------


class Output:
    def __init__(self, part, aspect, name, kind, build, expected, timed):
        self.part, self.aspect, self.name, self.kind = part, aspect, name, kind
        self.build, self.expected, self.timed = build, expected, timed


def read_output(part, aspect, output):
    name, kind = output.get("name", "?"), output.get("kind")
    creation = output.get("creation")
    if not isinstance(creation, dict) or "kind" not in creation:
        raise BadInput(f"{part} {aspect} output '{name}': no creation record")
    rec = Record(creation)
    what = creation["kind"]
    try:
        if kind == "nozzle":
            return Output(part, aspect, name, kind, read_nozzle(rec), output, False)
        if kind == "occurrence":
            return Output(part, aspect, name, kind, read_occurrence(rec, output.get("bbox")), output, False)
        readers = {
            "projection": read_projection,
            "revolution": read_revolution,
            "cone": read_cone,
            "torus": read_torus,
            "box": read_box,
            "ruledSurface": read_ruled,
            "sweep": read_sweep,
            "skin": read_skin,
        }
        if kind not in ("solid", "surface") or what not in readers:
            raise BadInput(f"unknown kind '{kind}' made by '{what}'")
        return Output(part, aspect, name, kind, readers[what](rec), output, True)
    except BadInput as error:
        raise BadInput(f"{part} {aspect} output '{name}' ({what}): {error}") from None
    except (TypeError, ValueError, KeyError, IndexError, AttributeError, ZeroDivisionError) as error:
        raise BadInput(f"{part} {aspect} output '{name}' ({what}): a record value of the wrong form ({error})") \
            from None


def read_reports(path):
    """The parts of a report file: one part's report, or {"parts": [...]} of a catalogue's."""
    try:
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
    except (OSError, ValueError) as error:
        raise BadInput(f"{path}: not a readable JSON report ({error})") from None
    reports = document.get("parts") if isinstance(document, dict) and "aspects" not in document else [document]
    if not isinstance(reports, list) or not reports:
        raise BadInput(f"{path}: not a report of `checkvalve eval --json` (no part and aspects)")
    return [read_part(path, report) for report in reports]


def read_part(path, report):
    if not isinstance(report, dict) or not isinstance(report.get("aspects"), list) or "part" not in report:
        raise BadInput(f"{path}: not a report of `checkvalve eval --json` (no part and aspects)")
    part = report["part"]
    aspects = {}
    for aspect in report["aspects"]:
        if not isinstance(aspect, dict) or not isinstance(aspect.get("outputs", []), list):
            raise BadInput(f"{path}: {part}: an aspect of the report is not an object with a list of outputs")
        if not all(isinstance(o, dict) for o in aspect.get("outputs", [])):
            raise BadInput(f"{path}: {part} {aspect.get('name')}: an output is not an object")
        if not aspect.get("ok"):
            raise BadInput(f"{part} {aspect.get('name')}: the aspect failed in the report, nothing to build")
        aspects[aspect["name"]] = [read_output(part, aspect["name"], o) for o in aspect.get("outputs", [])]
    for needed in ("Physical", "Insulation"):
        if needed not in aspects:
            raise BadInput(f"{part}: the report has no {needed} aspect (run eval with --aspect both)")
    return part, aspects


# --- checks ---------------------------------------------------------------------------------------------


def mismatch(output, shape):
    """What differs between the built shape and the report's measures, or None."""
    expected = output.expected
    if shape is None:
        return "no shape built" if expected.get("bbox") else None
    if not expected.get("bbox"):
        return "built a shape where the report has none"
    if output.kind == "solid" and not shape.Solids:
        return f"a {shape.ShapeType} where the report has a solid"
    if output.kind == "surface" and shape.Solids:
        return "a solid where the report has a surface"
    box = shape.optimalBoundingBox() if hasattr(shape, "optimalBoundingBox") else shape.BoundBox
    got = [box.XMin, box.YMin, box.ZMin, box.XMax, box.YMax, box.ZMax]
    want = expected["bbox"]
    size = math.dist(want[:3], want[3:])
    worst = max(abs(g - w) for g, w in zip(got, want))
    if worst > TOLERANCE * size:
        return f"bounding box off by {worst:.3g} m: built {fmt(got)}, report {fmt(want)}"
    volume = expected.get("volume")
    if output.kind == "solid" and isinstance(volume, (int, float)):
        if abs(shape.Volume - volume) > TOLERANCE * abs(volume):
            return f"volume {shape.Volume:.6g} m3, report {volume:.6g} m3"
    return None


def fmt(values):
    return "[" + ", ".join(f"{v:.5g}" for v in values) + "]"


def check_part(aspects, largest):
    """The mismatches of a part's shapes; `largest` keeps the largest relative volume difference seen."""
    problems = []
    for outputs in aspects.values():
        for output in outputs:
            try:
                shape = output.build() if output.build else None
            except Exception as error:  # the kernel's own failure, as FreeCAD raises it
                problems.append(f"{output.aspect} {output.name}: FreeCAD failed: {error}")
                continue
            problem = mismatch(output, shape)
            if problem:
                problems.append(f"{output.aspect} {output.name}: {problem}")
            elif output.kind == "solid" and output.expected.get("volume"):
                difference = abs(shape.Volume / output.expected["volume"] - 1)
                if difference >= largest[0]:
                    largest[:] = [difference, f"{output.part} {output.aspect} {output.name}"]
    return problems


# --- timing ---------------------------------------------------------------------------------------------


def timed(builds):
    start = time.thread_time()
    shapes = [build() for build in builds]
    del shapes  # released inside the timed span, as our host releases an evaluation's geometry
    return (time.thread_time() - start) * 1e6


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("reports", nargs="+", help="JSON reports of `checkvalve eval --json` (one part or a catalogue)")
    parser.add_argument("--rounds", type=int, default=20, help="timed rounds after one warm-up (default 20)")
    parser.add_argument("--check", action="store_true", help="build every part once, exit 1 on a shape mismatch")
    parser.add_argument("--json", help="write the timings to this file (default: standard output)")
    args = parser.parse_args(argv)
    if args.rounds < 1:
        parser.error("--rounds must be at least 1")

    try:
        parts = [part for path in args.reports for part in read_reports(path)]
    except BadInput as error:
        print(f"freecad_shapes: {error}", file=sys.stderr)
        return 2

    results, matching, largest = [], [], [0.0, ""]
    for part, aspects in parts:
        problems = check_part(aspects, largest)
        for problem in problems:
            print(f"shape mismatch: {part} {problem}", file=sys.stderr)
        outputs = sum(len(o) for o in aspects.values())
        results.append({"part": part, "outputs": outputs, "status": "shape mismatch" if problems else "ok",
                        "mismatches": problems})
        if not problems:
            matching.append((results[-1], aspects))
    mismatched = [r["part"] for r in results if r["status"] != "ok"]
    if args.check:
        print(f"freecad_shapes: {len(results) - len(mismatched)} of {len(results)} parts build matching shapes"
              + (f"; mismatched: {', '.join(mismatched)}" if mismatched else ""))
        if largest[1]:
            print(f"freecad_shapes: largest volume difference of a matching solid {largest[0]:.2e} ({largest[1]})")
        return 1 if mismatched else 0

    plans = []
    for result, aspects in matching:
        plan = {name: [o.build for o in outputs if o.timed] for name, outputs in aspects.items()}
        ports = [o.build for outputs in aspects.values() for o in outputs if not o.timed and o.build]
        plans.append((result, plan, ports))
    samples = {id(result): {"Physical": [], "Insulation": [], "ports": []} for result, _, _ in plans}
    for round_index in range(args.rounds + 1):
        for result, plan, ports in plans:
            times = samples[id(result)]
            physical, insulation, port_time = timed(plan["Physical"]), timed(plan["Insulation"]), timed(ports)
            if round_index == 0:
                continue  # the warm-up
            times["Physical"].append(physical)
            times["Insulation"].append(insulation)
            times["ports"].append(port_time)
        print(f"freecad_shapes: round {round_index}/{args.rounds}", file=sys.stderr)
    for result, _, _ in plans:
        times = samples[id(result)]
        result["physical_us"] = round(statistics.median(times["Physical"]), 1)
        result["insulation_us"] = round(statistics.median(times["Insulation"]), 1)
        result["ports_us"] = round(statistics.median(times["ports"]), 1)

    document = {
        "rounds": args.rounds,
        "clock": "thread-cpu",
        "freecad": ".".join(FreeCAD.Version()[:3]),
        "occt": Part.OCC_VERSION,
        "parts": results,
    }
    text = json.dumps(document, indent=2) + "\n"
    if args.json:
        with open(args.json, "w", encoding="utf-8") as f:
            f.write(text)
    else:
        sys.stdout.write(text)
    return 1 if mismatched else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
