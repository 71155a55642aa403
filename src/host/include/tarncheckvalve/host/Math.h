// The host's math objects as small value types: a point, a vector and a 4x4 transformation matrix.
#pragma once

#include <array>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::host {

class TCV_EXPORT DVector {
public:
    DVector() = default;
    DVector(double x, double y, double z) : x_(x), y_(y), z_(z) {}

    double x() const { return x_; }
    double y() const { return y_; }
    double z() const { return z_; }
    void set(double x, double y, double z) { x_ = x, y_ = y, z_ = z; }

    double length() const;
    // Rescales the vector to the given length; a zero vector cannot be rescaled (host error).
    void setLength(double length);
    DVector cross(const DVector& other) const;
    double dot(const DVector& other) const;

private:
    double x_ = 0, y_ = 0, z_ = 0;
};

class TCV_EXPORT DPosition {
public:
    DPosition() = default;
    DPosition(double x, double y, double z) : x_(x), y_(y), z_(z) {}

    double x() const { return x_; }
    double y() const { return y_; }
    double z() const { return z_; }
    void set(double x, double y, double z) { x_ = x, y_ = y, z_ = z; }

    // A new position moved by the vector.
    DPosition offset(const DVector& by) const { return {x_ + by.x(), y_ + by.y(), z_ + by.z()}; }
    // The vector from `from` to this position.
    DVector subtract(const DPosition& from) const { return {x_ - from.x_, y_ - from.y_, z_ - from.z_}; }
    double distance(const DPosition& other) const { return subtract(other).length(); }

private:
    double x_ = 0, y_ = 0, z_ = 0;
};

// A transformation stored column by column: index values 0..2 are the image of the x axis,
// 4..6 of the y axis, 8..10 of the z axis and 12..14 the translation.
class TCV_EXPORT DT4x4 {
public:
    DT4x4() { loadIdentity(); }

    void loadIdentity();
    // Applies a rotation by `angle` about `axis` (through the origin) after the current transform.
    void rotate(double angle, const DVector& axis);
    // Applies a translation after the current transform.
    void translate(const DVector& by);
    // Applies `other` after the current transform.
    void multiplyBefore(const DT4x4& other);

    double indexValue(int index) const { return m_.at(static_cast<std::size_t>(index)); }
    void setIndexValue(int index, double value) { m_.at(static_cast<std::size_t>(index)) = value; }

    DPosition transformPosition(const DPosition& p) const;
    DVector transformVector(const DVector& v) const;

private:
    std::array<double, 16> m_{};
};

} // namespace tcv::host
