#include "tarncheckvalve/refhost/RecordSheet.h"

#include <cmath>

#include "tarncheckvalve/refhost/Refusal.h"

namespace tcv::refhost {

AffineMap AffineMap::from(const host::DT4x4& matrix) {
    AffineMap map;
    for (int c = 0; c < 3; ++c)
        map.column[c] = Vec3(matrix.indexValue(4 * c), matrix.indexValue(4 * c + 1), matrix.indexValue(4 * c + 2));
    map.translation = Vec3(matrix.indexValue(12), matrix.indexValue(13), matrix.indexValue(14));
    bool finite = std::isfinite(map.translation.Modulus());
    for (const auto& c : map.column) finite = finite && std::isfinite(c.Modulus());
    if (!finite) refuse("transform", "the matrix holds a value that is not a finite number");
    for (int i = 1; i <= 3; ++i)
        if (!withinModel(map.translation.Coord(i)))
            refuse("transform", "the matrix moves beyond the host's model space");
    if (!(std::fabs(map.determinant()) > 1e-300)) refuse("transform", "the matrix flattens space");
    return map;
}

std::optional<double> AffineMap::similarityScale() const {
    const double s = column[0].Modulus();
    if (!(s > 0) || !std::isfinite(s)) return std::nullopt;
    const double tolerance = 1e-9 * s * s;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(column[i].SquareModulus() - s * s) > tolerance) return std::nullopt;
        for (int j = i + 1; j < 3; ++j)
            if (std::fabs(column[i].Dot(column[j])) > tolerance) return std::nullopt;
    }
    return s;
}

Vec3 AffineMap::normal(const Vec3& n) const {
    Vec3 image = vector(n);
    const double length = image.Modulus();
    if (length > 0) image /= length;
    return determinant() < 0 ? image.Reversed() : image;
}

RecordSheet& RecordSheet::add(std::string name, RecordValue value, ValueRole role) {
    creation_.add(std::move(name), std::move(value));
    roles_.push_back(role);
    return *this;
}

RecordSheet& RecordSheet::nest(const std::string& prefix, const RecordSheet& other) {
    add(prefix + "kind", other.creation_.kind);
    for (std::size_t i = 0; i < other.roles_.size(); ++i)
        add(prefix + other.creation_.values[i].first, other.creation_.values[i].second, other.roles_[i]);
    return *this;
}

void RecordSheet::transform(const AffineMap& map) {
    const auto scale = map.similarityScale();
    for (std::size_t i = 0; i < roles_.size(); ++i) {
        auto& value = creation_.values[i].second;
        auto* numbers = std::get_if<std::vector<double>>(&value);
        switch (roles_[i]) {
        case ValueRole::Plain:
            break;
        case ValueRole::Length:
            if (auto* d = std::get_if<double>(&value); d && scale) *d *= *scale;
            break;
        case ValueRole::Point:
        case ValueRole::Vector:
        case ValueRole::Normal:
        case ValueRole::Points:
            if (!numbers) break;
            for (std::size_t k = 0; k + 2 < numbers->size(); k += 3) {
                Vec3 p((*numbers)[k], (*numbers)[k + 1], (*numbers)[k + 2]);
                Vec3 q = roles_[i] == ValueRole::Vector   ? map.vector(p)
                         : roles_[i] == ValueRole::Normal ? map.normal(p)
                                                          : map.point(p);
                (*numbers)[k] = q.X(), (*numbers)[k + 1] = q.Y(), (*numbers)[k + 2] = q.Z();
            }
            break;
        }
    }
}

} // namespace tcv::refhost
