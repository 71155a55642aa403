// The curves of the reference host with a geometry of their own: lines, line strings, arcs, circles and
// elliptical arcs (CompositeCurves.cpp holds those made of other curves or of poles).
#include "tarncheckvalve/refhost/Curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tarncheckvalve/refhost/GeometryKernel.h"
#include "tarncheckvalve/refhost/Refusal.h"

namespace tcv::refhost {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A unit vector, or a refusal naming the value.
Vec3 unit(const Vec3& v, const char* what, const char* value) {
    const double length = v.Modulus();
    if (!(length > 1e-12)) refuse(what, std::string("the ") + value + " has no length");
    return v / length;
}

// The angle of `v` counter-clockwise about `normal` from `xAxis`, in [0, 2π).
double angleAbout(const Vec3& xAxis, const Vec3& normal, const Vec3& v) {
    double angle = std::atan2(normal.Crossed(xAxis).Dot(v), xAxis.Dot(v));
    return angle < 0 ? angle + kTwoPi : angle;
}

// Refuses a map a circular curve cannot follow (one that does not keep angles).
double requireSimilarity(const AffineMap& map, const char* what) {
    auto scale = map.similarityScale();
    if (!scale) refuse(what, "a transform that does not keep angles would turn the curve into another kind");
    return *scale;
}

class Line final : public RefCurve {
public:
    Line(const Vec3& start, const Vec3& end, KernelPtr kernel)
        : RefCurve(std::move(kernel)), start_(start), end_(end) {}
    Vec3 startPoint() const override { return start_; }
    Vec3 endPoint() const override { return end_; }
    RecordSheet record() const override {
        RecordSheet sheet("line");
        sheet.point("start", start_).point("end", end_);
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<Line>(*this); }
    void visit(CurvePieces& pieces) const override {
        if ((end_ - start_).Modulus() < kPointTolerance) refuse("line", "the line has no length");
        pieces.segment(start_, end_, "line");
    }
    bool appendPolyline(std::vector<Vec3>& points) const override {
        if (points.empty()) points.push_back(start_);
        points.push_back(end_);
        return true;
    }

protected:
    void apply(const AffineMap& map) override {
        start_ = map.point(start_);
        end_ = map.point(end_);
    }

private:
    Vec3 start_, end_;
};

class LineString final : public RefCurve {
public:
    LineString(std::vector<Vec3> points, KernelPtr kernel) : RefCurve(std::move(kernel)), points_(std::move(points)) {}
    Vec3 startPoint() const override { return points_.front(); }
    Vec3 endPoint() const override { return points_.back(); }
    RecordSheet record() const override {
        std::vector<double> xyz;
        for (const auto& p : points_) xyz.insert(xyz.end(), {p.X(), p.Y(), p.Z()});
        RecordSheet sheet("lineString");
        sheet.points("points", std::move(xyz));
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<LineString>(*this); }
    void visit(CurvePieces& pieces) const override {
        bool any = false;
        Vec3 from = points_.front();
        for (std::size_t i = 1; i < points_.size(); ++i) {
            if ((points_[i] - from).Modulus() < kPointTolerance) continue;
            pieces.segment(from, points_[i], "line string");
            any = true;
            from = points_[i];
        }
        if (!any) refuse("line string", "all points of the line string coincide");
    }
    bool appendPolyline(std::vector<Vec3>& points) const override {
        for (const auto& p : points_)
            if (points.empty() || (p - points.back()).Modulus() >= kPointTolerance) points.push_back(p);
        return true;
    }

protected:
    void apply(const AffineMap& map) override {
        for (auto& p : points_) p = map.point(p);
    }

private:
    std::vector<Vec3> points_;
};

// Arcs in their three forms: the given values are kept (and recorded); the circle frame follows them.
class Arc final : public RefCurve {
public:
    enum class Form { ThreePoints, Centre, CentreNormal };

    Arc(Form form, std::vector<Vec3> given, KernelPtr kernel)
        : RefCurve(std::move(kernel)), form_(form), given_(std::move(given)) {
        resolve();
    }
    Vec3 startPoint() const override { return frame_.at(0); }
    Vec3 endPoint() const override { return frame_.at(frame_.sweep); }
    RecordSheet record() const override {
        RecordSheet sheet("arc");
        switch (form_) {
        case Form::ThreePoints:
            sheet.point("start", given_[0]).point("onArc", given_[1]).point("end", given_[2]);
            break;
        case Form::Centre:
            sheet.point("centre", given_[0]).point("start", given_[1]).point("end", given_[2]);
            break;
        case Form::CentreNormal:
            sheet.point("centre", given_[0])
                .normal("normal", given_[1])
                .point("start", given_[2])
                .point("end", given_[3]);
            break;
        }
        if (form_ != Form::CentreNormal) {
            if (form_ == Form::ThreePoints) sheet.point("centre", frame_.centre);
            sheet.normal("normal", frame_.normal);
        }
        sheet.length("radius", frame_.radius).number("sweepAngle", frame_.sweep);
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<Arc>(*this); }
    void visit(CurvePieces& pieces) const override { pieces.circular(frame_); }
    std::optional<CircleFrame> fullCircle() const override {
        if (frame_.sweep >= kTwoPi - 1e-12) return frame_;
        return std::nullopt;
    }

protected:
    void apply(const AffineMap& map) override {
        requireSimilarity(map, "arc");
        for (std::size_t i = 0; i < given_.size(); ++i)
            given_[i] = form_ == Form::CentreNormal && i == 1 ? map.normal(given_[i]) : map.point(given_[i]);
        resolve();
    }

private:
    void resolve() {
        switch (form_) {
        case Form::ThreePoints:
            resolveThreePoints();
            break;
        case Form::Centre:
            resolveCentre();
            break;
        case Form::CentreNormal:
            resolveCentreNormal();
            break;
        }
    }

    void resolveThreePoints() {
        if ((given_[2] - given_[0]).Modulus() < kPointTolerance)
            refuse("arc", "an arc by three points cannot start and end at one point");
        frame_ = frameThroughThreePoints(given_[0], given_[1], given_[2], "arc");
    }

    void resolveCentre() {
        const Vec3 u = given_[1] - given_[0], w = given_[2] - given_[0];
        const Vec3 n = u.Crossed(w);
        if (u.Modulus() < kPointTolerance || w.Modulus() < kPointTolerance)
            refuse("arc", "the arc's start or end lies on its centre");
        if (!(n.Modulus() > 1e-12 * u.Modulus() * w.Modulus()))
            refuse("arc", "start, centre and end of the arc are in line, so its plane is not known");
        frame_.centre = given_[0];
        frame_.normal = n.Normalized();
        frame_.xAxis = u.Normalized();
        frame_.radius = u.Modulus();
        frame_.sweep = angleAbout(frame_.xAxis, frame_.normal, w);
    }

    void resolveCentreNormal() {
        const Vec3 n = unit(given_[1], "arc", "normal");
        Vec3 u = given_[2] - given_[0];
        u -= n * n.Dot(u);
        Vec3 w = given_[3] - given_[0];
        w -= n * n.Dot(w);
        if (u.Modulus() < kPointTolerance || w.Modulus() < kPointTolerance)
            refuse("arc", "the arc's start or end lies on its axis");
        frame_.centre = given_[0];
        frame_.normal = n;
        frame_.xAxis = u.Normalized();
        frame_.radius = u.Modulus();
        const double sweep = angleAbout(frame_.xAxis, n, w);
        frame_.sweep = sweep * frame_.radius < kPointTolerance ? kTwoPi : sweep;
    }

    Form form_;
    std::vector<Vec3> given_;
    CircleFrame frame_;
};

class Circle final : public RefCurve {
public:
    Circle(const CircleFrame& frame, std::vector<Vec3> throughPoints, KernelPtr kernel)
        : RefCurve(std::move(kernel)), frame_(frame), through_(std::move(throughPoints)) {}
    Vec3 startPoint() const override { return frame_.at(0); }
    Vec3 endPoint() const override { return frame_.at(0); }
    RecordSheet record() const override {
        RecordSheet sheet("circle");
        for (std::size_t i = 0; i < through_.size(); ++i) sheet.point("point" + std::to_string(i + 1), through_[i]);
        sheet.point("centre", frame_.centre).normal("normal", frame_.normal).length("radius", frame_.radius);
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<Circle>(*this); }
    void visit(CurvePieces& pieces) const override { pieces.circular(frame_); }
    std::optional<CircleFrame> fullCircle() const override { return frame_; }

protected:
    void apply(const AffineMap& map) override {
        const double scale = requireSimilarity(map, "circle");
        frame_.centre = map.point(frame_.centre);
        frame_.normal = map.normal(frame_.normal);
        frame_.xAxis = map.vector(frame_.xAxis) / scale;
        frame_.radius *= scale;
        for (auto& p : through_) p = map.point(p);
    }

private:
    CircleFrame frame_;
    std::vector<Vec3> through_;
};

class EllipticalArc final : public RefCurve {
public:
    EllipticalArc(const Vec3& centre, const Vec3& normal, const Vec3& major, double ratio, double start, double sweep,
                  KernelPtr kernel)
        : RefCurve(std::move(kernel)), centre_(centre), normal_(normal), major_(major), ratio_(ratio), start_(start),
          sweep_(sweep) {
        resolve();
    }
    Vec3 startPoint() const override { return at(start_); }
    Vec3 endPoint() const override { return at(start_ + sweep_); }
    RecordSheet record() const override {
        RecordSheet sheet("ellipticalArc");
        sheet.point("centre", centre_).normal("normal", normal_).vector("majorAxis", major_);
        sheet.number("ratio", ratio_).number("startAngle", start_).number("sweepAngle", sweep_);
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<EllipticalArc>(*this); }

    void visit(CurvePieces& pieces) const override {
        if (std::fabs(sweep_) * std::max(a_, b_) < kPointTolerance) refuse("elliptical arc", "the arc has no sweep");
        if (flat()) {
            const std::vector<Vec3> corners = flatCorners();
            for (std::size_t i = 1; i < corners.size(); ++i) {
                const Vec3 &from = corners[i - 1], &to = corners[i];
                if ((to - from).Modulus() < kPointTolerance) continue;
                pieces.segment(from, to, "elliptical arc");
            }
            return;
        }
        // The kernel's ellipse runs counter-clockwise about its normal from its major axis, with the major
        // radius not below the minor one: a clockwise sweep turns the normal over, and a "major" axis
        // shorter than the minor one swaps the two and shifts the angles by a quarter turn.
        EllipseFrame frame{centre_, unitNormal_, u_, a_, b_, start_, sweep_};
        Vec3 v = v_;
        if (frame.sweep < 0) {
            frame.normal.Reverse(), v.Reverse(), frame.start = -frame.start, frame.sweep = -frame.sweep;
        }
        if (frame.minorRadius > frame.majorRadius) {
            const Vec3 oldU = frame.xAxis;
            frame.xAxis = v, v = oldU.Reversed();
            std::swap(frame.majorRadius, frame.minorRadius);
            frame.start -= kTwoPi / 4;
        }
        pieces.elliptical(frame);
    }

protected:
    void apply(const AffineMap& map) override {
        requireSimilarity(map, "elliptical arc");
        centre_ = map.point(centre_);
        normal_ = map.normal(normal_);
        major_ = map.vector(major_);
        resolve();
    }

private:
    void resolve() {
        unitNormal_ = unit(normal_, "elliptical arc", "normal");
        Vec3 inPlane = major_ - unitNormal_ * unitNormal_.Dot(major_);
        a_ = inPlane.Modulus();
        if (!(a_ > kPointTolerance)) refuse("elliptical arc", "the major axis has no length in the arc's plane");
        // A ratio of zero (within rounding) flattens the arc onto its major axis.
        if (!(ratio_ > -kFlatRatio)) refuse("elliptical arc", "the minor-to-major ratio must not be negative");
        u_ = inPlane / a_;
        v_ = unitNormal_.Crossed(u_);
        b_ = std::max(ratio_, 0.0) * a_;
        sweep_ = std::clamp(sweep_, -kTwoPi, kTwoPi);
    }
    Vec3 at(double angle) const { return centre_ + u_ * (a_ * std::cos(angle)) + v_ * (b_ * std::sin(angle)); }
    bool flat() const { return ratio_ < kFlatRatio; }
    // A flat arc runs straight along its major axis, turning back at the axis ends it passes.
    std::vector<Vec3> flatCorners() const {
        std::vector<Vec3> corners{at(start_)};
        const double from = std::min(start_, start_ + sweep_), to = std::max(start_, start_ + sweep_);
        std::vector<double> turns;
        for (double k = std::ceil(from / (kTwoPi / 2)); k * (kTwoPi / 2) < to; ++k)
            if (k * (kTwoPi / 2) > from) turns.push_back(k * (kTwoPi / 2));
        if (sweep_ < 0) std::reverse(turns.begin(), turns.end());
        for (double angle : turns) corners.push_back(at(angle));
        corners.push_back(at(start_ + sweep_));
        return corners;
    }
    bool appendPolyline(std::vector<Vec3>& points) const override {
        if (!flat()) return false;
        for (const auto& corner : flatCorners())
            if (points.empty() || (corner - points.back()).Modulus() >= kPointTolerance) points.push_back(corner);
        return true;
    }

    static constexpr double kFlatRatio = 1e-9;
    Vec3 centre_, normal_, major_;
    double ratio_, start_, sweep_;
    Vec3 unitNormal_, u_, v_;
    double a_ = 0, b_ = 0;
};

} // namespace

CircleFrame frameThroughThreePoints(const Vec3& p1, const Vec3& p2, const Vec3& p3, const char* what) {
    const Vec3 a = p1 - p3, b = p2 - p3;
    const Vec3 n = a.Crossed(b);
    const double scale = std::max({a.Modulus(), b.Modulus(), (p2 - p1).Modulus()});
    if (!(n.Modulus() > 1e-12 * scale * scale)) refuse(what, "the three points are in line");
    CircleFrame frame;
    frame.centre = p3 + (b * a.SquareModulus() - a * b.SquareModulus()).Crossed(n) / (2 * n.SquareModulus());
    frame.normal = (p2 - p1).Crossed(p3 - p2).Normalized();
    frame.xAxis = (p1 - frame.centre).Normalized();
    frame.radius = (p1 - frame.centre).Modulus();
    frame.sweep = angleAbout(frame.xAxis, frame.normal, p3 - frame.centre);
    return frame;
}

Vec3 CircleFrame::at(double angle) const {
    return centre + xAxis * (radius * std::cos(angle)) + yAxis() * (radius * std::sin(angle));
}

void RefCurve::EndPoints(host::DPosition& start, host::DPosition& end) const {
    start = toPosition(startPoint());
    end = toPosition(endPoint());
}

void RefCurve::Transform(const host::DT4x4& matrix) { transformBy(AffineMap::from(matrix)); }

void RefCurve::transformBy(const AffineMap& map) {
    apply(map);
    sheet_.reset();
    wire_.reset();
}

const Creation& RefCurve::creation() const {
    if (!sheet_) sheet_.emplace(record());
    return sheet_->creation();
}

const ShapePtr& RefCurve::shape() const {
    if (!wire_) {
        wire_.emplace();
        if (kernel_) {
            try {
                *wire_ = kernel_->curveWire(*this);
            } catch (const host::HostError&) {
                // A curve the kernel cannot make shows as no shape; solids made from it refuse it themselves.
            }
        }
    }
    return *wire_;
}

RefPlane::RefPlane(std::vector<Vec3> points, KernelPtr kernel)
    : points_(std::move(points)), kernel_(std::move(kernel)), sheet_("plane") {
    for (const auto& p : points_)
        if (corners_.empty() || (p - corners_.back()).Modulus() >= kPointTolerance) corners_.push_back(p);
    if (corners_.size() > 1 && (corners_.back() - corners_.front()).Modulus() < kPointTolerance) corners_.pop_back();
    if (corners_.size() < 3) refuse("plane", "a plane needs at least three distinct points");
    Vec3 normal;
    for (std::size_t i = 0; i < corners_.size(); ++i)
        normal += corners_[i].Crossed(corners_[(i + 1) % corners_.size()]);
    double extent = 0;
    for (const auto& p : corners_) extent = std::max(extent, (p - corners_.front()).Modulus());
    if (!(normal.Modulus() > 1e-12 * extent * extent)) refuse("plane", "the points of the plane are in line");
    sheet_ = record();
}

RecordSheet RefPlane::record() const {
    std::vector<double> xyz;
    for (const auto& p : points_) xyz.insert(xyz.end(), {p.X(), p.Y(), p.Z()});
    RecordSheet sheet("plane");
    sheet.points("points", std::move(xyz));
    return sheet;
}

void RefPlane::Transform(const host::DT4x4& matrix) {
    const AffineMap map = AffineMap::from(matrix);
    for (auto& p : points_) p = map.point(p);
    for (auto& p : corners_) p = map.point(p);
    sheet_ = record();
    face_.reset();
}

const ShapePtr& RefPlane::shape() const {
    if (!face_) {
        face_.emplace();
        if (kernel_) {
            try {
                *face_ = kernel_->planeFace(corners_);
            } catch (const host::HostError&) {
            }
        }
    }
    return *face_;
}

RefCurvePtr makeLine(const Vec3& start, const Vec3& end, KernelPtr kernel) {
    return std::make_shared<Line>(start, end, std::move(kernel));
}

RefCurvePtr makeArcBy3Points(const Vec3& start, const Vec3& onArc, const Vec3& end, KernelPtr kernel) {
    return std::make_shared<Arc>(Arc::Form::ThreePoints, std::vector<Vec3>{start, onArc, end}, std::move(kernel));
}

RefCurvePtr makeArcByCentre(const Vec3& centre, const Vec3& start, const Vec3& end, KernelPtr kernel) {
    return std::make_shared<Arc>(Arc::Form::Centre, std::vector<Vec3>{centre, start, end}, std::move(kernel));
}

RefCurvePtr makeArcByCentreNormal(const Vec3& centre, const Vec3& normal, const Vec3& start, const Vec3& end,
                                  KernelPtr kernel) {
    return std::make_shared<Arc>(Arc::Form::CentreNormal, std::vector<Vec3>{centre, normal, start, end},
                                 std::move(kernel));
}

RefCurvePtr makeCircle(const Vec3& centre, const Vec3& normal, double radius, KernelPtr kernel) {
    if (!(radius > 0)) refuse("circle", "the radius must be positive");
    CircleFrame frame;
    frame.centre = centre;
    frame.normal = unit(normal, "circle", "normal");
    // The start of the circle: the direction of the world axis least in line with the normal, made
    // perpendicular to it.
    const Vec3& n = frame.normal;
    Vec3 reference = std::fabs(n.X()) <= std::fabs(n.Y()) && std::fabs(n.X()) <= std::fabs(n.Z()) ? Vec3(1, 0, 0)
                     : std::fabs(n.Y()) <= std::fabs(n.Z())                                       ? Vec3(0, 1, 0)
                                                                                                  : Vec3(0, 0, 1);
    frame.xAxis = (reference - n * n.Dot(reference)).Normalized();
    frame.radius = radius;
    frame.sweep = kTwoPi;
    return std::make_shared<Circle>(frame, std::vector<Vec3>{}, std::move(kernel));
}

RefCurvePtr makeCircleBy3Points(const Vec3& p1, const Vec3& p2, const Vec3& p3, KernelPtr kernel) {
    if ((p3 - p1).Modulus() < kPointTolerance || (p2 - p1).Modulus() < kPointTolerance ||
        (p3 - p2).Modulus() < kPointTolerance)
        refuse("circle", "a circle needs three distinct points");
    // The circle of the arc from p1 through p2 to p3, closed.
    CircleFrame frame = frameThroughThreePoints(p1, p2, p3, "circle");
    frame.sweep = kTwoPi;
    return std::make_shared<Circle>(frame, std::vector<Vec3>{p1, p2, p3}, std::move(kernel));
}

RefCurvePtr makeEllipticalArc(const Vec3& centre, const Vec3& normal, const Vec3& majorAxis, double ratio,
                              double startAngle, double sweepAngle, KernelPtr kernel) {
    return std::make_shared<EllipticalArc>(centre, normal, majorAxis, ratio, startAngle, sweepAngle, std::move(kernel));
}

RefCurvePtr makeLineString(std::vector<Vec3> points, KernelPtr kernel) {
    if (points.size() < 2) refuse("line string", "a line string needs at least two points");
    return std::make_shared<LineString>(std::move(points), std::move(kernel));
}

} // namespace tcv::refhost
