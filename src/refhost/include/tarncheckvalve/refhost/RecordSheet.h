// The records the geometry host keeps, with what each recorded value means geometrically, so that a
// transform applied to a curve or a solid moves its record along with its shape.
//
// Record names by kind of creation (values in the order the creation takes them; derived values after):
//   line           start, end
//   arc            three-point form: start, onArc, end; centre form: centre, start, end; centre-normal
//                  form: centre, normal, start, end; then always centre, normal, radius, sweepAngle
//                  (counter-clockwise about normal from start)
//   circle         centre, normal, radius (three-point form: point1, point2, point3 first)
//   ellipticalArc  centre, normal, majorAxis, ratio, startAngle, sweepAngle
//   lineString     points (x, y, z of each point in turn)
//   plane          points
//   complexString  count, then curve1.kind, curve1.<values>, curve2.kind, ...
//   bspline        order, poles, weights, knots, periodic
//   projection     direction, length, capped, profile.kind, profile.<values>
//   revolution     axis, centre, angle, capped, profile.kind, profile.<values>
//   cone           baseCentre, topCentre, onBase, onTop, baseRadius, topRadius, capped
//   torus          centre, axis, majorDirection, ringRadius, tubeRadius, capped
//   ruledSurface   capped, first.kind, first.<values>, second.kind, second.<values>
//   sweep          cornerOption, stepOption, flag, path.kind, path.<values>, section.kind,
//                  section.<values>, member, memberCount (one record per solid of the sweep)
//   skin           capped, guideCount, sectionCount, guide1.kind, guide1.<values>, ..., section1.kind, ...
//   box            corner1, corner2
//   collection     count
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Math.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/Vec3.h"

namespace tcv::refhost {

// An affine map of space, read from a host transformation matrix.
struct TCV_EXPORT AffineMap {
    Vec3 column[3];
    Vec3 translation;

    // The map of a transform handed to the host; refuses one that holds a value that is not a finite
    // number or that flattens space.
    static AffineMap from(const host::DT4x4& matrix);
    Vec3 point(const Vec3& p) const { return column[0] * p.X() + column[1] * p.Y() + column[2] * p.Z() + translation; }
    Vec3 vector(const Vec3& v) const { return column[0] * v.X() + column[1] * v.Y() + column[2] * v.Z(); }
    double determinant() const { return column[0].Dot(column[1].Crossed(column[2])); }
    // The scale factor of a map that keeps angles (a rotation or reflection with a uniform scale);
    // nothing for any other map.
    std::optional<double> similarityScale() const;
    // The image of a unit normal of a plane curve such that the curve's sense about it is kept: a
    // reflection reverses the sense, so its normal turns over.
    Vec3 normal(const Vec3& n) const;
};

enum class ValueRole { Plain, Point, Vector, Normal, Length, Points };

class TCV_EXPORT RecordSheet {
public:
    explicit RecordSheet(std::string kind) { creation_.kind = std::move(kind); }

    RecordSheet& add(std::string name, RecordValue value, ValueRole role = ValueRole::Plain);
    RecordSheet& point(std::string name, const Vec3& p) { return add(std::move(name), triple(p), ValueRole::Point); }
    RecordSheet& vector(std::string name, const Vec3& v) { return add(std::move(name), triple(v), ValueRole::Vector); }
    RecordSheet& normal(std::string name, const Vec3& n) { return add(std::move(name), triple(n), ValueRole::Normal); }
    RecordSheet& length(std::string name, double value) { return add(std::move(name), value, ValueRole::Length); }
    RecordSheet& number(std::string name, double value) { return add(std::move(name), value); }
    RecordSheet& integer(std::string name, std::int64_t value) { return add(std::move(name), value); }
    RecordSheet& flag(std::string name, bool value) { return add(std::move(name), value); }
    RecordSheet& points(std::string name, std::vector<double> xyz) {
        return add(std::move(name), std::move(xyz), ValueRole::Points);
    }
    // Appends another record under a prefix: "<prefix>kind" then each of its values as "<prefix><name>".
    RecordSheet& nest(const std::string& prefix, const RecordSheet& other);

    // Moves every geometric value by the map (lengths scale only under maps that keep angles).
    void transform(const AffineMap& map);

    const Creation& creation() const { return creation_; }

private:
    static std::vector<double> triple(const Vec3& p) { return {p.X(), p.Y(), p.Z()}; }

    Creation creation_;
    std::vector<ValueRole> roles_;
};

inline Vec3 toXYZ(const host::DPosition& p) { return {p.x(), p.y(), p.z()}; }
inline Vec3 toXYZ(const host::DVector& v) { return {v.x(), v.y(), v.z()}; }
inline host::DPosition toPosition(const Vec3& p) { return {p.X(), p.Y(), p.Z()}; }

} // namespace tcv::refhost
