// The curves made of other curves or of poles: complex strings (a chain of member curves) and B-splines.
#include <memory>
#include <string>
#include <vector>

#include "tarncheckvalve/refhost/Curves.h"
#include "tarncheckvalve/refhost/GeometryKernel.h"
#include "tarncheckvalve/refhost/Refusal.h"

namespace tcv::refhost {

namespace {

class ComplexString final : public RefCurve {
public:
    ComplexString(std::vector<RefCurvePtr> members, KernelPtr kernel)
        : RefCurve(std::move(kernel)), members_(std::move(members)) {}
    Vec3 startPoint() const override { return members_.empty() ? Vec3() : members_.front()->startPoint(); }
    Vec3 endPoint() const override { return members_.empty() ? Vec3() : members_.back()->endPoint(); }
    RecordSheet record() const override {
        RecordSheet sheet("complexString");
        sheet.integer("count", static_cast<std::int64_t>(members_.size()));
        for (std::size_t i = 0; i < members_.size(); ++i)
            sheet.nest("curve" + std::to_string(i + 1) + ".", members_[i]->record());
        return sheet;
    }
    RefCurvePtr clone() const override {
        std::vector<RefCurvePtr> copies;
        for (const auto& member : members_) copies.push_back(member->clone());
        return std::make_shared<ComplexString>(std::move(copies), kernel());
    }
    void visit(CurvePieces& pieces) const override {
        if (members_.empty()) refuse("complex string", "the string holds no curves");
        for (const auto& member : members_) member->visit(pieces);
    }
    std::optional<CircleFrame> fullCircle() const override {
        return members_.size() == 1 ? members_.front()->fullCircle() : std::nullopt;
    }
    bool appendPolyline(std::vector<Vec3>& points) const override {
        if (members_.empty()) return false;
        for (const auto& member : members_)
            if (!member->appendPolyline(points)) return false;
        return true;
    }

protected:
    void apply(const AffineMap& map) override {
        for (auto& member : members_) member->transformBy(map);
    }

private:
    std::vector<RefCurvePtr> members_;
};

class BSpline final : public RefCurve {
public:
    BSpline(int order, std::vector<Vec3> poles, std::vector<double> weights, std::vector<double> knots,
            KernelPtr kernel)
        : RefCurve(std::move(kernel)), order_(order), poles_(std::move(poles)), weights_(std::move(weights)),
          knots_(std::move(knots)) {}
    Vec3 startPoint() const override { return evaluate(knots_[static_cast<std::size_t>(order_ - 1)]); }
    Vec3 endPoint() const override { return evaluate(knots_[poles_.size()]); }
    RecordSheet record() const override {
        std::vector<double> xyz;
        for (const auto& p : poles_) xyz.insert(xyz.end(), {p.X(), p.Y(), p.Z()});
        RecordSheet sheet("bspline");
        sheet.integer("order", order_).points("poles", std::move(xyz)).add("weights", weights_).add("knots", knots_);
        sheet.flag("periodic", false);
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<BSpline>(*this); }

    void visit(CurvePieces& pieces) const override { pieces.bspline(order_, poles_, weights_, knots_); }

protected:
    void apply(const AffineMap& map) override {
        for (auto& p : poles_) p = map.point(p);
    }

private:
    // De Boor's algorithm in homogeneous coordinates.
    Vec3 evaluate(double t) const {
        const std::size_t p = static_cast<std::size_t>(order_ - 1);
        const std::size_t n = poles_.size();
        std::size_t span = p;
        while (span + 1 < n && knots_[span + 1] <= t) ++span;
        std::vector<Vec3> points(p + 1);
        std::vector<double> weights(p + 1);
        for (std::size_t j = 0; j <= p; ++j) {
            const std::size_t i = span - p + j;
            weights[j] = weights_[i];
            points[j] = poles_[i] * weights_[i];
        }
        for (std::size_t r = 1; r <= p; ++r)
            for (std::size_t j = p; j >= r; --j) {
                const std::size_t i = span - p + j;
                const double denominator = knots_[i + p - r + 1] - knots_[i];
                const double alpha = denominator > 0 ? (t - knots_[i]) / denominator : 0.0;
                points[j] = points[j - 1] * (1 - alpha) + points[j] * alpha;
                weights[j] = weights[j - 1] * (1 - alpha) + weights[j] * alpha;
            }
        return points[p] / weights[p];
    }

    int order_;
    std::vector<Vec3> poles_;
    std::vector<double> weights_;
    std::vector<double> knots_;
};

} // namespace

RefCurvePtr makeComplexString(std::vector<RefCurvePtr> members, KernelPtr kernel) {
    return std::make_shared<ComplexString>(std::move(members), std::move(kernel));
}

RefCurvePtr makeBSpline(int order, std::vector<Vec3> poles, std::vector<double> weights, std::vector<double> knots,
                        KernelPtr kernel) {
    const std::size_t n = poles.size();
    if (order < 2) refuse("B-spline", "the order must be at least 2");
    if (n < static_cast<std::size_t>(order)) refuse("B-spline", "a B-spline needs at least as many poles as its order");
    if (weights.empty()) weights.assign(n, 1.0);
    if (weights.size() != n) refuse("B-spline", "there must be one weight per pole");
    for (double w : weights)
        if (!(w > 0)) refuse("B-spline", "every weight must be positive");
    if (knots.size() != n + static_cast<std::size_t>(order))
        refuse("B-spline", "the knot vector must hold pole count + order values");
    for (std::size_t i = 1; i < knots.size(); ++i)
        if (knots[i] < knots[i - 1]) refuse("B-spline", "the knots must not decrease");
    if (!(knots[n] > knots[static_cast<std::size_t>(order - 1)]))
        refuse("B-spline", "the knots span no parameter range");
    return std::make_shared<BSpline>(order, std::move(poles), std::move(weights), std::move(knots), std::move(kernel));
}

} // namespace tcv::refhost
