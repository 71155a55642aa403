// The host's transient curves and planes. Each keeps its defining values and computes its end points
// analytically, so that curves behave the same whether or not kernel shapes are built; the kernel
// edges are made only when a solid or surface needs them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/RecordSheet.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/Shape.h"
#include "tarncheckvalve/refhost/Vec3.h"

namespace tcv::refhost {

// Two points closer than this are one point (metres).
inline constexpr double kPointTolerance = 1e-7;

// A circle or circular arc: centre, unit normal, unit direction to the start, radius and the sweep
// counter-clockwise about the normal (2π for a full circle).
struct TCV_EXPORT CircleFrame {
    Vec3 centre, normal, xAxis;
    double radius = 0;
    double sweep = 0;

    Vec3 yAxis() const { return normal.Crossed(xAxis); }
    Vec3 at(double angle) const;
};

// An elliptical arc as a kernel draws it: counter-clockwise about the unit normal from the major axis,
// the major radius not below the minor one.
struct EllipseFrame {
    Vec3 centre, normal, xAxis;
    double majorRadius = 0, minorRadius = 0;
    double start = 0, sweep = 0;
};

// What a curve is made of, piece by piece in order; a geometry kernel makes its edges from these.
class TCV_EXPORT CurvePieces {
public:
    virtual ~CurvePieces() = default;
    // A straight piece between two distinct points; `what` names the curve it belongs to.
    virtual void segment(const Vec3& from, const Vec3& to, const char* what) = 0;
    virtual void circular(const CircleFrame& frame) = 0;
    virtual void elliptical(const EllipseFrame& frame) = 0;
    // A non-periodic B-spline: its order, poles, one weight per pole and the flat knot vector.
    virtual void bspline(int order, const std::vector<Vec3>& poles, const std::vector<double>& weights,
                         const std::vector<double>& knots) = 0;
};

// The circle from p1 through p2 to p3, swept from p1 to p3; refuses points in line.
TCV_EXPORT CircleFrame frameThroughThreePoints(const Vec3& p1, const Vec3& p2, const Vec3& p3, const char* what);

class TCV_EXPORT RefCurve : public host::ICurve, public RecordedObject {
public:
    explicit RefCurve(KernelPtr kernel) : kernel_(std::move(kernel)) {}

    void EndPoints(host::DPosition& start, host::DPosition& end) const override;
    void Transform(const host::DT4x4& matrix) override;
    void transformBy(const AffineMap& map);

    const Creation& creation() const override;
    OutputKind outputKind() const override { return OutputKind::Curve; }
    // The curve's wire, made on first use; null in the record-only mode or when the kernel cannot make it.
    const ShapePtr& shape() const override;

    virtual Vec3 startPoint() const = 0;
    virtual Vec3 endPoint() const = 0;
    bool isClosed() const { return (endPoint() - startPoint()).Modulus() < kPointTolerance; }
    // The record of the curve as it stands now.
    virtual RecordSheet record() const = 0;
    virtual std::shared_ptr<RefCurve> clone() const = 0;
    const KernelPtr& kernel() const { return kernel_; }

    // Hands the pieces of the curve to `pieces` in order; refuses a curve that has no pieces to give.
    virtual void visit(CurvePieces& pieces) const = 0;
    // The circle when the curve is a full circle.
    virtual std::optional<CircleFrame> fullCircle() const { return std::nullopt; }
    // Appends the corner points when the curve is made of straight pieces only (first point included
    // where `points` is empty); false otherwise.
    virtual bool appendPolyline(std::vector<Vec3>&) const { return false; }

protected:
    // Applies the map to the defining values; refuses maps the curve cannot follow.
    virtual void apply(const AffineMap& map) = 0;

private:
    KernelPtr kernel_;
    mutable std::optional<RecordSheet> sheet_;
    mutable std::optional<ShapePtr> wire_;
};
using RefCurvePtr = std::shared_ptr<RefCurve>;

// A bounded plane: a closed polygon and the face it bounds.
class TCV_EXPORT RefPlane : public host::IPlane, public RecordedObject {
public:
    RefPlane(std::vector<Vec3> points, KernelPtr kernel);

    void Transform(const host::DT4x4& matrix) override;
    const Creation& creation() const override { return sheet_.creation(); }
    OutputKind outputKind() const override { return OutputKind::Surface; }
    const ShapePtr& shape() const override;

    // The corners, first point not repeated at the end.
    const std::vector<Vec3>& corners() const { return corners_; }
    RecordSheet record() const;

private:
    std::vector<Vec3> points_;
    std::vector<Vec3> corners_;
    KernelPtr kernel_;
    RecordSheet sheet_;
    mutable std::optional<ShapePtr> face_;
};
using RefPlanePtr = std::shared_ptr<RefPlane>;

// Creation of the curves; each refuses defining values that give no curve.
TCV_EXPORT RefCurvePtr makeLine(const Vec3& start, const Vec3& end, KernelPtr kernel);
TCV_EXPORT RefCurvePtr makeArcBy3Points(const Vec3& start, const Vec3& onArc, const Vec3& end, KernelPtr kernel);
TCV_EXPORT RefCurvePtr makeArcByCentre(const Vec3& centre, const Vec3& start, const Vec3& end, KernelPtr kernel);
TCV_EXPORT RefCurvePtr makeArcByCentreNormal(const Vec3& centre, const Vec3& normal, const Vec3& start, const Vec3& end,
                                             KernelPtr kernel);
TCV_EXPORT RefCurvePtr makeCircle(const Vec3& centre, const Vec3& normal, double radius, KernelPtr kernel);
TCV_EXPORT RefCurvePtr makeCircleBy3Points(const Vec3& p1, const Vec3& p2, const Vec3& p3, KernelPtr kernel);
TCV_EXPORT RefCurvePtr makeEllipticalArc(const Vec3& centre, const Vec3& normal, const Vec3& majorAxis, double ratio,
                                         double startAngle, double sweepAngle, KernelPtr kernel);
TCV_EXPORT RefCurvePtr makeLineString(std::vector<Vec3> points, KernelPtr kernel);
TCV_EXPORT RefCurvePtr makeComplexString(std::vector<RefCurvePtr> members, KernelPtr kernel);
TCV_EXPORT RefCurvePtr makeBSpline(int order, std::vector<Vec3> poles, std::vector<double> weights,
                                   std::vector<double> knots, KernelPtr kernel);

} // namespace tcv::refhost
