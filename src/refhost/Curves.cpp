#include "refhost/Curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRep_Tool.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_Circle.hxx>
#include <Geom_Ellipse.hxx>
#include <Geom_TrimmedCurve.hxx>
#include <ShapeFix_Wire.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array1OfReal.hxx>
#include <TColgp_Array1OfPnt.hxx>
#include <TopoDS.hxx>
#include <gp_Ax2.hxx>
#include <gp_Circ.hxx>
#include <gp_Elips.hxx>

#include "refhost/KernelGuard.h"

namespace tcv::refhost {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

gp_Pnt toPnt(const gp_XYZ& p) { return gp_Pnt(p); }

// A unit vector, or a refusal naming the value.
gp_XYZ unit(const gp_XYZ& v, const char* what, const char* value) {
    const double length = v.Modulus();
    if (!(length > 1e-12)) refuse(what, std::string("the ") + value + " has no length");
    return v / length;
}

// The angle of `v` counter-clockwise about `normal` from `xAxis`, in [0, 2π).
double angleAbout(const gp_XYZ& xAxis, const gp_XYZ& normal, const gp_XYZ& v) {
    double angle = std::atan2(normal.Crossed(xAxis).Dot(v), xAxis.Dot(v));
    return angle < 0 ? angle + kTwoPi : angle;
}

// Refuses a map a circular curve cannot follow (one that does not keep angles).
double requireSimilarity(const AffineMap& map, const char* what) {
    auto scale = map.similarityScale();
    if (!scale) refuse(what, "a transform that does not keep angles would turn the curve into another kind");
    return *scale;
}

// The edge of a circle frame from its start through its sweep.
TopoDS_Edge circleEdge(const CircleFrame& frame) {
    gp_Ax2 axes(toPnt(frame.centre), gp_Dir(frame.normal), gp_Dir(frame.xAxis));
    if (frame.sweep >= kTwoPi - 1e-12) {
        BRepBuilderAPI_MakeEdge edge(gp_Circ(axes, frame.radius));
        if (!edge.IsDone()) refuse("circle", "the geometry kernel cannot make the circle");
        return edge.Edge();
    }
    Handle(Geom_Circle) circle = new Geom_Circle(axes, frame.radius);
    BRepBuilderAPI_MakeEdge edge(circle, 0.0, frame.sweep);
    if (!edge.IsDone()) refuse("arc", "the geometry kernel cannot make the arc");
    return edge.Edge();
}

class Line final : public RefCurve {
public:
    Line(const gp_XYZ& start, const gp_XYZ& end, bool build) : RefCurve(build), start_(start), end_(end) {}
    gp_XYZ startPoint() const override { return start_; }
    gp_XYZ endPoint() const override { return end_; }
    RecordSheet record() const override {
        RecordSheet sheet("line");
        sheet.point("start", start_).point("end", end_);
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<Line>(*this); }
    void appendEdges(std::vector<TopoDS_Edge>& edges) const override {
        if ((end_ - start_).Modulus() < kPointTolerance) refuse("line", "the line has no length");
        BRepBuilderAPI_MakeEdge edge(toPnt(start_), toPnt(end_));
        if (!edge.IsDone()) refuse("line", "the geometry kernel cannot make the line");
        edges.push_back(edge.Edge());
    }
    bool appendPolyline(std::vector<gp_XYZ>& points) const override {
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
    gp_XYZ start_, end_;
};

class LineString final : public RefCurve {
public:
    LineString(std::vector<gp_XYZ> points, bool build) : RefCurve(build), points_(std::move(points)) {}
    gp_XYZ startPoint() const override { return points_.front(); }
    gp_XYZ endPoint() const override { return points_.back(); }
    RecordSheet record() const override {
        std::vector<double> xyz;
        for (const auto& p : points_) xyz.insert(xyz.end(), {p.X(), p.Y(), p.Z()});
        RecordSheet sheet("lineString");
        sheet.points("points", std::move(xyz));
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<LineString>(*this); }
    void appendEdges(std::vector<TopoDS_Edge>& edges) const override {
        const std::size_t before = edges.size();
        gp_XYZ from = points_.front();
        for (std::size_t i = 1; i < points_.size(); ++i) {
            if ((points_[i] - from).Modulus() < kPointTolerance) continue;
            BRepBuilderAPI_MakeEdge edge(toPnt(from), toPnt(points_[i]));
            if (!edge.IsDone()) refuse("line string", "the geometry kernel cannot make a segment");
            edges.push_back(edge.Edge());
            from = points_[i];
        }
        if (edges.size() == before) refuse("line string", "all points of the line string coincide");
    }
    bool appendPolyline(std::vector<gp_XYZ>& points) const override {
        for (const auto& p : points_)
            if (points.empty() || (p - points.back()).Modulus() >= kPointTolerance) points.push_back(p);
        return true;
    }

protected:
    void apply(const AffineMap& map) override {
        for (auto& p : points_) p = map.point(p);
    }

private:
    std::vector<gp_XYZ> points_;
};

// Arcs in their three forms: the given values are kept (and recorded); the circle frame follows them.
class Arc final : public RefCurve {
public:
    enum class Form { ThreePoints, Centre, CentreNormal };

    Arc(Form form, std::vector<gp_XYZ> given, bool build) : RefCurve(build), form_(form), given_(std::move(given)) {
        resolve();
    }
    gp_XYZ startPoint() const override { return frame_.at(0); }
    gp_XYZ endPoint() const override { return frame_.at(frame_.sweep); }
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
    void appendEdges(std::vector<TopoDS_Edge>& edges) const override { edges.push_back(circleEdge(frame_)); }
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
        const gp_XYZ u = given_[1] - given_[0], w = given_[2] - given_[0];
        const gp_XYZ n = u.Crossed(w);
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
        const gp_XYZ n = unit(given_[1], "arc", "normal");
        gp_XYZ u = given_[2] - given_[0];
        u -= n * n.Dot(u);
        gp_XYZ w = given_[3] - given_[0];
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
    std::vector<gp_XYZ> given_;
    CircleFrame frame_;
};

class Circle final : public RefCurve {
public:
    Circle(const CircleFrame& frame, std::vector<gp_XYZ> throughPoints, bool build)
        : RefCurve(build), frame_(frame), through_(std::move(throughPoints)) {}
    gp_XYZ startPoint() const override { return frame_.at(0); }
    gp_XYZ endPoint() const override { return frame_.at(0); }
    RecordSheet record() const override {
        RecordSheet sheet("circle");
        for (std::size_t i = 0; i < through_.size(); ++i) sheet.point("point" + std::to_string(i + 1), through_[i]);
        sheet.point("centre", frame_.centre).normal("normal", frame_.normal).length("radius", frame_.radius);
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<Circle>(*this); }
    void appendEdges(std::vector<TopoDS_Edge>& edges) const override { edges.push_back(circleEdge(frame_)); }
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
    std::vector<gp_XYZ> through_;
};

class EllipticalArc final : public RefCurve {
public:
    EllipticalArc(const gp_XYZ& centre, const gp_XYZ& normal, const gp_XYZ& major, double ratio, double start,
                  double sweep, bool build)
        : RefCurve(build), centre_(centre), normal_(normal), major_(major), ratio_(ratio), start_(start),
          sweep_(sweep) {
        resolve();
    }
    gp_XYZ startPoint() const override { return at(start_); }
    gp_XYZ endPoint() const override { return at(start_ + sweep_); }
    RecordSheet record() const override {
        RecordSheet sheet("ellipticalArc");
        sheet.point("centre", centre_).normal("normal", normal_).vector("majorAxis", major_);
        sheet.number("ratio", ratio_).number("startAngle", start_).number("sweepAngle", sweep_);
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<EllipticalArc>(*this); }

    void appendEdges(std::vector<TopoDS_Edge>& edges) const override {
        if (std::fabs(sweep_) * std::max(a_, b_) < kPointTolerance) refuse("elliptical arc", "the arc has no sweep");
        if (flat()) {
            const std::vector<gp_XYZ> corners = flatCorners();
            for (std::size_t i = 1; i < corners.size(); ++i) {
                const gp_XYZ &from = corners[i - 1], &to = corners[i];
                if ((to - from).Modulus() < kPointTolerance) continue;
                BRepBuilderAPI_MakeEdge edge{gp_Pnt(from), gp_Pnt(to)};
                if (!edge.IsDone()) refuse("elliptical arc", "the geometry kernel cannot make the flat arc");
                edges.push_back(edge.Edge());
            }
            return;
        }
        // The kernel's ellipse runs counter-clockwise about its normal from its major axis, with the major
        // radius not below the minor one: a clockwise sweep turns the normal over, and a "major" axis
        // shorter than the minor one swaps the two and shifts the angles by a quarter turn.
        gp_XYZ n = unitNormal_, u = u_, v = v_;
        double start = start_, sweep = sweep_, a = a_, b = b_;
        if (sweep < 0) {
            n.Reverse(), v.Reverse(), start = -start, sweep = -sweep;
        }
        if (b > a) {
            const gp_XYZ oldU = u;
            u = v, v = oldU.Reversed();
            std::swap(a, b);
            start -= kTwoPi / 4;
        }
        const gp_Ax2 axes{gp_Pnt{centre_}, gp_Dir{n}, gp_Dir{u}};
        if (sweep >= kTwoPi - 1e-12) {
            BRepBuilderAPI_MakeEdge edge(gp_Elips(axes, a, b));
            if (!edge.IsDone()) refuse("elliptical arc", "the geometry kernel cannot make the ellipse");
            edges.push_back(edge.Edge());
            return;
        }
        Handle(Geom_Ellipse) ellipse = new Geom_Ellipse(axes, a, b);
        BRepBuilderAPI_MakeEdge edge(ellipse, start, start + sweep);
        if (!edge.IsDone()) refuse("elliptical arc", "the geometry kernel cannot make the arc");
        edges.push_back(edge.Edge());
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
        gp_XYZ inPlane = major_ - unitNormal_ * unitNormal_.Dot(major_);
        a_ = inPlane.Modulus();
        if (!(a_ > kPointTolerance)) refuse("elliptical arc", "the major axis has no length in the arc's plane");
        // A ratio of zero (within rounding) flattens the arc onto its major axis.
        if (!(ratio_ > -kFlatRatio)) refuse("elliptical arc", "the minor-to-major ratio must not be negative");
        u_ = inPlane / a_;
        v_ = unitNormal_.Crossed(u_);
        b_ = std::max(ratio_, 0.0) * a_;
        sweep_ = std::clamp(sweep_, -kTwoPi, kTwoPi);
    }
    gp_XYZ at(double angle) const { return centre_ + u_ * (a_ * std::cos(angle)) + v_ * (b_ * std::sin(angle)); }
    bool flat() const { return ratio_ < kFlatRatio; }
    // A flat arc runs straight along its major axis, turning back at the axis ends it passes.
    std::vector<gp_XYZ> flatCorners() const {
        std::vector<gp_XYZ> corners{at(start_)};
        const double from = std::min(start_, start_ + sweep_), to = std::max(start_, start_ + sweep_);
        std::vector<double> turns;
        for (double k = std::ceil(from / (kTwoPi / 2)); k * (kTwoPi / 2) < to; ++k)
            if (k * (kTwoPi / 2) > from) turns.push_back(k * (kTwoPi / 2));
        if (sweep_ < 0) std::reverse(turns.begin(), turns.end());
        for (double angle : turns) corners.push_back(at(angle));
        corners.push_back(at(start_ + sweep_));
        return corners;
    }
    bool appendPolyline(std::vector<gp_XYZ>& points) const override {
        if (!flat()) return false;
        for (const auto& corner : flatCorners())
            if (points.empty() || (corner - points.back()).Modulus() >= kPointTolerance) points.push_back(corner);
        return true;
    }

    static constexpr double kFlatRatio = 1e-9;
    gp_XYZ centre_, normal_, major_;
    double ratio_, start_, sweep_;
    gp_XYZ unitNormal_, u_, v_;
    double a_ = 0, b_ = 0;
};

class ComplexString final : public RefCurve {
public:
    ComplexString(std::vector<RefCurvePtr> members, bool build) : RefCurve(build), members_(std::move(members)) {}
    gp_XYZ startPoint() const override { return members_.empty() ? gp_XYZ() : members_.front()->startPoint(); }
    gp_XYZ endPoint() const override { return members_.empty() ? gp_XYZ() : members_.back()->endPoint(); }
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
        return std::make_shared<ComplexString>(std::move(copies), buildsShapes());
    }
    void appendEdges(std::vector<TopoDS_Edge>& edges) const override {
        if (members_.empty()) refuse("complex string", "the string holds no curves");
        for (const auto& member : members_) member->appendEdges(edges);
    }
    std::optional<CircleFrame> fullCircle() const override {
        return members_.size() == 1 ? members_.front()->fullCircle() : std::nullopt;
    }
    bool appendPolyline(std::vector<gp_XYZ>& points) const override {
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
    BSpline(int order, std::vector<gp_XYZ> poles, std::vector<double> weights, std::vector<double> knots, bool build)
        : RefCurve(build), order_(order), poles_(std::move(poles)), weights_(std::move(weights)),
          knots_(std::move(knots)) {}
    gp_XYZ startPoint() const override { return evaluate(knots_[static_cast<std::size_t>(order_ - 1)]); }
    gp_XYZ endPoint() const override { return evaluate(knots_[poles_.size()]); }
    RecordSheet record() const override {
        std::vector<double> xyz;
        for (const auto& p : poles_) xyz.insert(xyz.end(), {p.X(), p.Y(), p.Z()});
        RecordSheet sheet("bspline");
        sheet.integer("order", order_).points("poles", std::move(xyz)).add("weights", weights_).add("knots", knots_);
        sheet.flag("periodic", false);
        return sheet;
    }
    RefCurvePtr clone() const override { return std::make_shared<BSpline>(*this); }

    void appendEdges(std::vector<TopoDS_Edge>& edges) const override {
        const int n = static_cast<int>(poles_.size());
        TColgp_Array1OfPnt poles(1, n);
        TColStd_Array1OfReal weights(1, n);
        for (int i = 0; i < n; ++i) {
            poles.SetValue(i + 1, gp_Pnt(poles_[static_cast<std::size_t>(i)]));
            weights.SetValue(i + 1, weights_[static_cast<std::size_t>(i)]);
        }
        // The flat knot vector with repeats becomes distinct knots with multiplicities.
        std::vector<double> distinct;
        std::vector<int> multiplicities;
        for (double k : knots_) {
            if (!distinct.empty() && k - distinct.back() <= 1e-12 * std::max(1.0, std::fabs(k)))
                ++multiplicities.back();
            else
                distinct.push_back(k), multiplicities.push_back(1);
        }
        const int degree = order_ - 1;
        for (std::size_t i = 1; i + 1 < multiplicities.size(); ++i)
            if (multiplicities[i] > degree)
                refuse("B-spline", "an inner knot repeats more often than the degree allows");
        const int count = static_cast<int>(distinct.size());
        TColStd_Array1OfReal knots(1, count);
        TColStd_Array1OfInteger mults(1, count);
        for (int i = 0; i < count; ++i) {
            knots.SetValue(i + 1, distinct[static_cast<std::size_t>(i)]);
            mults.SetValue(i + 1, std::min(multiplicities[static_cast<std::size_t>(i)], order_));
        }
        if (multiplicities.front() > order_ || multiplicities.back() > order_)
            refuse("B-spline", "an end knot repeats more often than the order");
        Handle(Geom_BSplineCurve) curve = new Geom_BSplineCurve(poles, weights, knots, mults, degree);
        BRepBuilderAPI_MakeEdge edge(curve);
        if (!edge.IsDone()) refuse("B-spline", "the geometry kernel cannot make the curve");
        edges.push_back(edge.Edge());
    }

protected:
    void apply(const AffineMap& map) override {
        for (auto& p : poles_) p = map.point(p);
    }

private:
    // De Boor's algorithm in homogeneous coordinates.
    gp_XYZ evaluate(double t) const {
        const std::size_t p = static_cast<std::size_t>(order_ - 1);
        const std::size_t n = poles_.size();
        std::size_t span = p;
        while (span + 1 < n && knots_[span + 1] <= t) ++span;
        std::vector<gp_XYZ> points(p + 1);
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
    std::vector<gp_XYZ> poles_;
    std::vector<double> weights_;
    std::vector<double> knots_;
};

} // namespace

CircleFrame frameThroughThreePoints(const gp_XYZ& p1, const gp_XYZ& p2, const gp_XYZ& p3, const char* what) {
    const gp_XYZ a = p1 - p3, b = p2 - p3;
    const gp_XYZ n = a.Crossed(b);
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

gp_XYZ CircleFrame::at(double angle) const {
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

const TopoDS_Shape& RefCurve::shape() const {
    if (!wire_) {
        wire_.emplace();
        if (buildShapes_) {
            try {
                *wire_ = guarded("curve", [&] { return TopoDS_Shape(curveWire(*this)); });
            } catch (const host::HostError&) {
                // A curve the kernel cannot make shows as no shape; solids made from it refuse it themselves.
            }
        }
    }
    return *wire_;
}

TopoDS_Wire curveWire(const RefCurve& curve) {
    std::vector<TopoDS_Edge> edges;
    curve.appendEdges(edges);
    BRepBuilderAPI_MakeWire maker;
    for (const auto& edge : edges) {
        maker.Add(edge);
        if (!maker.IsDone()) refuse("curve", "the pieces of the curve do not join end to start");
    }
    TopoDS_Wire wire = maker.Wire();
    if (curve.isClosed() && !BRep_Tool::IsClosed(wire)) {
        // Ends that meet within the host's tolerance but not the kernel's: let the kernel join them.
        ShapeFix_Wire fix;
        fix.Load(wire);
        fix.SetPrecision(kPointTolerance * 10);
        fix.ClosedWireMode() = Standard_True;
        fix.FixConnected();
        wire = fix.Wire();
    }
    return wire;
}

RefPlane::RefPlane(std::vector<gp_XYZ> points, bool buildShapes)
    : points_(std::move(points)), buildShapes_(buildShapes), sheet_("plane") {
    for (const auto& p : points_)
        if (corners_.empty() || (p - corners_.back()).Modulus() >= kPointTolerance) corners_.push_back(p);
    if (corners_.size() > 1 && (corners_.back() - corners_.front()).Modulus() < kPointTolerance) corners_.pop_back();
    if (corners_.size() < 3) refuse("plane", "a plane needs at least three distinct points");
    gp_XYZ normal;
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

const TopoDS_Shape& RefPlane::shape() const {
    if (!face_) {
        face_.emplace();
        if (buildShapes_) {
            try {
                *face_ = guarded("plane", [&] {
                    BRepBuilderAPI_MakePolygon polygon;
                    for (const auto& p : corners_) polygon.Add(gp_Pnt(p));
                    polygon.Close();
                    BRepBuilderAPI_MakeFace face(polygon.Wire(), Standard_True);
                    if (!face.IsDone()) refuse("plane", "the points of the plane do not lie in one plane");
                    return TopoDS_Shape(face.Face());
                });
            } catch (const host::HostError&) {
            }
        }
    }
    return *face_;
}

RefCurvePtr makeLine(const gp_XYZ& start, const gp_XYZ& end, bool buildShapes) {
    return std::make_shared<Line>(start, end, buildShapes);
}

RefCurvePtr makeArcBy3Points(const gp_XYZ& start, const gp_XYZ& onArc, const gp_XYZ& end, bool buildShapes) {
    return std::make_shared<Arc>(Arc::Form::ThreePoints, std::vector<gp_XYZ>{start, onArc, end}, buildShapes);
}

RefCurvePtr makeArcByCentre(const gp_XYZ& centre, const gp_XYZ& start, const gp_XYZ& end, bool buildShapes) {
    return std::make_shared<Arc>(Arc::Form::Centre, std::vector<gp_XYZ>{centre, start, end}, buildShapes);
}

RefCurvePtr makeArcByCentreNormal(const gp_XYZ& centre, const gp_XYZ& normal, const gp_XYZ& start, const gp_XYZ& end,
                                  bool buildShapes) {
    return std::make_shared<Arc>(Arc::Form::CentreNormal, std::vector<gp_XYZ>{centre, normal, start, end}, buildShapes);
}

RefCurvePtr makeCircle(const gp_XYZ& centre, const gp_XYZ& normal, double radius, bool buildShapes) {
    if (!(radius > 0)) refuse("circle", "the radius must be positive");
    CircleFrame frame;
    frame.centre = centre;
    frame.normal = unit(normal, "circle", "normal");
    // The start of the circle: the direction of the world axis least in line with the normal, made
    // perpendicular to it.
    const gp_XYZ& n = frame.normal;
    gp_XYZ reference = std::fabs(n.X()) <= std::fabs(n.Y()) && std::fabs(n.X()) <= std::fabs(n.Z()) ? gp_XYZ(1, 0, 0)
                       : std::fabs(n.Y()) <= std::fabs(n.Z())                                       ? gp_XYZ(0, 1, 0)
                                                                                                    : gp_XYZ(0, 0, 1);
    frame.xAxis = (reference - n * n.Dot(reference)).Normalized();
    frame.radius = radius;
    frame.sweep = kTwoPi;
    return std::make_shared<Circle>(frame, std::vector<gp_XYZ>{}, buildShapes);
}

RefCurvePtr makeCircleBy3Points(const gp_XYZ& p1, const gp_XYZ& p2, const gp_XYZ& p3, bool buildShapes) {
    if ((p3 - p1).Modulus() < kPointTolerance || (p2 - p1).Modulus() < kPointTolerance ||
        (p3 - p2).Modulus() < kPointTolerance)
        refuse("circle", "a circle needs three distinct points");
    // The circle of the arc from p1 through p2 to p3, closed.
    CircleFrame frame = frameThroughThreePoints(p1, p2, p3, "circle");
    frame.sweep = kTwoPi;
    return std::make_shared<Circle>(frame, std::vector<gp_XYZ>{p1, p2, p3}, buildShapes);
}

RefCurvePtr makeEllipticalArc(const gp_XYZ& centre, const gp_XYZ& normal, const gp_XYZ& majorAxis, double ratio,
                              double startAngle, double sweepAngle, bool buildShapes) {
    return std::make_shared<EllipticalArc>(centre, normal, majorAxis, ratio, startAngle, sweepAngle, buildShapes);
}

RefCurvePtr makeLineString(std::vector<gp_XYZ> points, bool buildShapes) {
    if (points.size() < 2) refuse("line string", "a line string needs at least two points");
    return std::make_shared<LineString>(std::move(points), buildShapes);
}

RefCurvePtr makeComplexString(std::vector<RefCurvePtr> members, bool buildShapes) {
    return std::make_shared<ComplexString>(std::move(members), buildShapes);
}

RefCurvePtr makeBSpline(int order, std::vector<gp_XYZ> poles, std::vector<double> weights, std::vector<double> knots,
                        bool buildShapes) {
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
    return std::make_shared<BSpline>(order, std::move(poles), std::move(weights), std::move(knots), buildShapes);
}

} // namespace tcv::refhost
