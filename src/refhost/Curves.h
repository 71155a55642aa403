// The host's transient curves and planes. Each keeps its defining values and computes its end points
// analytically, so that curves behave the same whether or not kernel shapes are built; the kernel
// edges are made only when a solid or surface needs them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <TopoDS_Edge.hxx>
#include <TopoDS_Shape.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_XYZ.hxx>

#include "host/Geometry.h"
#include "refhost/RecordSheet.h"
#include "refhost/Records.h"

namespace tcv::refhost {

// Two points closer than this are one point (metres).
inline constexpr double kPointTolerance = 1e-7;

// A circle or circular arc: centre, unit normal, unit direction to the start, radius and the sweep
// counter-clockwise about the normal (2π for a full circle).
struct CircleFrame {
    gp_XYZ centre, normal, xAxis;
    double radius = 0;
    double sweep = 0;

    gp_XYZ yAxis() const { return normal.Crossed(xAxis); }
    gp_XYZ at(double angle) const;
};

// The circle from p1 through p2 to p3, swept from p1 to p3; refuses points in line.
CircleFrame frameThroughThreePoints(const gp_XYZ& p1, const gp_XYZ& p2, const gp_XYZ& p3, const char* what);

class RefCurve : public host::ICurve, public RecordedObject {
public:
    explicit RefCurve(bool buildShapes) : buildShapes_(buildShapes) {}

    void EndPoints(host::DPosition& start, host::DPosition& end) const override;
    void Transform(const host::DT4x4& matrix) override;
    void transformBy(const AffineMap& map);

    const Creation& creation() const override;
    OutputKind outputKind() const override { return OutputKind::Curve; }
    // The curve's wire, made on first use; null in the record-only mode or when the kernel cannot make it.
    const TopoDS_Shape& shape() const override;

    virtual gp_XYZ startPoint() const = 0;
    virtual gp_XYZ endPoint() const = 0;
    bool isClosed() const { return (endPoint() - startPoint()).Modulus() < kPointTolerance; }
    // The record of the curve as it stands now.
    virtual RecordSheet record() const = 0;
    virtual std::shared_ptr<RefCurve> clone() const = 0;
    bool buildsShapes() const { return buildShapes_; }

    // The kernel edges of the curve in order (throws kernel failures; call under the guard).
    virtual void appendEdges(std::vector<TopoDS_Edge>& edges) const = 0;
    // The circle when the curve is a full circle.
    virtual std::optional<CircleFrame> fullCircle() const { return std::nullopt; }
    // Appends the corner points when the curve is made of straight pieces only (first point included
    // where `points` is empty); false otherwise.
    virtual bool appendPolyline(std::vector<gp_XYZ>&) const { return false; }

protected:
    // Applies the map to the defining values; refuses maps the curve cannot follow.
    virtual void apply(const AffineMap& map) = 0;

private:
    bool buildShapes_;
    mutable std::optional<RecordSheet> sheet_;
    mutable std::optional<TopoDS_Shape> wire_;
};
using RefCurvePtr = std::shared_ptr<RefCurve>;

// A bounded plane: a closed polygon and the face it bounds.
class RefPlane : public host::IPlane, public RecordedObject {
public:
    RefPlane(std::vector<gp_XYZ> points, bool buildShapes);

    void Transform(const host::DT4x4& matrix) override;
    const Creation& creation() const override { return sheet_.creation(); }
    OutputKind outputKind() const override { return OutputKind::Surface; }
    const TopoDS_Shape& shape() const override;

    // The corners, first point not repeated at the end.
    const std::vector<gp_XYZ>& corners() const { return corners_; }
    RecordSheet record() const;

private:
    std::vector<gp_XYZ> points_;
    std::vector<gp_XYZ> corners_;
    bool buildShapes_;
    RecordSheet sheet_;
    mutable std::optional<TopoDS_Shape> face_;
};
using RefPlanePtr = std::shared_ptr<RefPlane>;

// Creation of the curves; each refuses defining values that give no curve.
RefCurvePtr makeLine(const gp_XYZ& start, const gp_XYZ& end, bool buildShapes);
RefCurvePtr makeArcBy3Points(const gp_XYZ& start, const gp_XYZ& onArc, const gp_XYZ& end, bool buildShapes);
RefCurvePtr makeArcByCentre(const gp_XYZ& centre, const gp_XYZ& start, const gp_XYZ& end, bool buildShapes);
RefCurvePtr makeArcByCentreNormal(const gp_XYZ& centre, const gp_XYZ& normal, const gp_XYZ& start, const gp_XYZ& end,
                                  bool buildShapes);
RefCurvePtr makeCircle(const gp_XYZ& centre, const gp_XYZ& normal, double radius, bool buildShapes);
RefCurvePtr makeCircleBy3Points(const gp_XYZ& p1, const gp_XYZ& p2, const gp_XYZ& p3, bool buildShapes);
RefCurvePtr makeEllipticalArc(const gp_XYZ& centre, const gp_XYZ& normal, const gp_XYZ& majorAxis, double ratio,
                              double startAngle, double sweepAngle, bool buildShapes);
RefCurvePtr makeLineString(std::vector<gp_XYZ> points, bool buildShapes);
RefCurvePtr makeComplexString(std::vector<RefCurvePtr> members, bool buildShapes);
RefCurvePtr makeBSpline(int order, std::vector<gp_XYZ> poles, std::vector<double> weights, std::vector<double> knots,
                        bool buildShapes);

// The kernel wire of a curve (call under the guard). A curve whose ends meet gives a closed wire.
TopoDS_Wire curveWire(const RefCurve& curve);

} // namespace tcv::refhost
