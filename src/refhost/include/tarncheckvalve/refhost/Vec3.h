// A point or vector of the host's own geometry, with the arithmetic its analytic curves, records and
// sweep plans need. The operations round exactly as written here, so that the host's analytic values
// do not depend on which geometry kernel, if any, builds the shapes.
#pragma once

#include <cmath>
#include <limits>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::refhost {

class TCV_EXPORT Vec3 {
public:
    constexpr Vec3() = default;
    constexpr Vec3(double x, double y, double z) : x_(x), y_(y), z_(z) {}

    constexpr double X() const { return x_; }
    constexpr double Y() const { return y_; }
    constexpr double Z() const { return z_; }
    // The coordinate by its number, 1 to 3.
    constexpr double Coord(int index) const { return index == 1 ? x_ : index == 2 ? y_ : z_; }

    double Modulus() const { return std::sqrt(x_ * x_ + y_ * y_ + z_ * z_); }
    constexpr double SquareModulus() const { return x_ * x_ + y_ * y_ + z_ * z_; }
    constexpr double Dot(const Vec3& o) const { return x_ * o.x_ + y_ * o.y_ + z_ * o.z_; }
    constexpr Vec3 Crossed(const Vec3& o) const {
        return {y_ * o.z_ - z_ * o.y_, z_ * o.x_ - x_ * o.z_, x_ * o.y_ - y_ * o.x_};
    }
    // The unit vector along this one; a vector without length has no direction and is a host error.
    Vec3 Normalized() const {
        const double length = Modulus();
        if (length <= std::numeric_limits<double>::min())
            throw host::HostError(host::kGenericFailure, "a vector without length has no direction");
        return {x_ / length, y_ / length, z_ / length};
    }
    constexpr Vec3 Reversed() const { return {-x_, -y_, -z_}; }
    constexpr void Reverse() { x_ = -x_, y_ = -y_, z_ = -z_; }

    constexpr Vec3 operator+(const Vec3& o) const { return {x_ + o.x_, y_ + o.y_, z_ + o.z_}; }
    constexpr Vec3 operator-(const Vec3& o) const { return {x_ - o.x_, y_ - o.y_, z_ - o.z_}; }
    constexpr Vec3 operator*(double s) const { return {x_ * s, y_ * s, z_ * s}; }
    constexpr Vec3 operator/(double s) const { return {x_ / s, y_ / s, z_ / s}; }
    constexpr Vec3& operator+=(const Vec3& o) { return *this = *this + o; }
    constexpr Vec3& operator-=(const Vec3& o) { return *this = *this - o; }
    constexpr Vec3& operator*=(double s) { return *this = *this * s; }
    constexpr Vec3& operator/=(double s) { return *this = *this / s; }

private:
    double x_ = 0, y_ = 0, z_ = 0;
};

constexpr Vec3 operator*(double s, const Vec3& v) { return v * s; }

} // namespace tcv::refhost
