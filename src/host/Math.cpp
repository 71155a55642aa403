#include "tarncheckvalve/host/Math.h"

#include <cmath>

#include "tarncheckvalve/host/Value.h"

namespace tcv::host {

double DVector::length() const { return std::sqrt(x_ * x_ + y_ * y_ + z_ * z_); }

void DVector::setLength(double length) {
    double current = this->length();
    if (current == 0.0 || !std::isfinite(current)) throw HostError(kInvalidCall, "cannot rescale a zero vector");
    double scale = length / current;
    x_ *= scale, y_ *= scale, z_ *= scale;
}

DVector DVector::cross(const DVector& o) const {
    return {y_ * o.z_ - z_ * o.y_, z_ * o.x_ - x_ * o.z_, x_ * o.y_ - y_ * o.x_};
}

double DVector::dot(const DVector& o) const { return x_ * o.x_ + y_ * o.y_ + z_ * o.z_; }

void DT4x4::loadIdentity() {
    m_.fill(0.0);
    m_[0] = m_[5] = m_[10] = m_[15] = 1.0;
}

void DT4x4::multiplyBefore(const DT4x4& other) {
    // this = other * this (column-major storage: element (row r, column c) at c * 4 + r).
    std::array<double, 16> result{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += other.m_[k * 4 + r] * m_[c * 4 + k];
            result[c * 4 + r] = sum;
        }
    m_ = result;
}

void DT4x4::rotate(double angle, const DVector& axis) {
    double len = axis.length();
    if (len == 0.0 || !std::isfinite(len)) throw HostError(kInvalidCall, "rotation axis has no direction");
    double x = axis.x() / len, y = axis.y() / len, z = axis.z() / len;
    double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    DT4x4 r;
    // Columns of the rotation matrix (Rodrigues' formula).
    r.m_ = {t * x * x + c,
            t * x * y + s * z,
            t * x * z - s * y,
            0,
            t * x * y - s * z,
            t * y * y + c,
            t * y * z + s * x,
            0,
            t * x * z + s * y,
            t * y * z - s * x,
            t * z * z + c,
            0,
            0,
            0,
            0,
            1};
    multiplyBefore(r);
}

void DT4x4::translate(const DVector& by) {
    DT4x4 t;
    t.m_[12] = by.x(), t.m_[13] = by.y(), t.m_[14] = by.z();
    multiplyBefore(t);
}

DPosition DT4x4::transformPosition(const DPosition& p) const {
    return {m_[0] * p.x() + m_[4] * p.y() + m_[8] * p.z() + m_[12],
            m_[1] * p.x() + m_[5] * p.y() + m_[9] * p.z() + m_[13],
            m_[2] * p.x() + m_[6] * p.y() + m_[10] * p.z() + m_[14]};
}

DVector DT4x4::transformVector(const DVector& v) const {
    return {m_[0] * v.x() + m_[4] * v.y() + m_[8] * v.z(), m_[1] * v.x() + m_[5] * v.y() + m_[9] * v.z(),
            m_[2] * v.x() + m_[6] * v.y() + m_[10] * v.z()};
}

} // namespace tcv::host
