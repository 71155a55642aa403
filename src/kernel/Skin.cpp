// Skins (lofts). Without guides the loft runs through the sections alone. With guides it must also
// follow them, which a loft through the sections alone would not do (it loses the bulges the guides
// describe): sections are fitted between the given ones so that each passes through the guides where
// they cross its station, and the loft runs through all of them.
//
// The fitted sections are made like this. The loft runs square to its sections (along the mean of their
// normals); every section and every guide crossing has a station along that direction. Each closed
// section is sampled by arc length between the points where the guides meet it, so that sample i of
// every section belongs to the same place between the same two guides. A section at a station between
// two given ones starts as the blend of their samples; then it is displaced so that its guide points
// land on the guides, each guide's displacement fading out towards the neighbouring guides. All
// sections, given and fitted, become periodic curves through their samples with one shared
// parametrisation, so the loft needs no matching of its sections. The surface through them and the solid
// made of it are LoftSurface.cpp's.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include <BRepAdaptor_CompCurve.hxx>
#include <BRepAdaptor_Curve.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <Geom2d_Line.hxx>
#include <GeomAPI_Interpolate.hxx>
#include <GeomConvert_CompCurveToBSplineCurve.hxx>
#include <Geom_BSplineCurve.hxx>
#include <Geom_BSplineSurface.hxx>
#include <TColStd_Array1OfInteger.hxx>
#include <TColStd_Array2OfReal.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_Array2OfPnt.hxx>
#include <TColgp_HArray1OfPnt.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Vertex.hxx>
#include <gp_Dir2d.hxx>
#include <gp_Pln.hxx>
#include <gp_Pnt2d.hxx>

#include "Constructions.h"
#include "tarncheckvalve/kernel/KernelGuard.h"
#include "tarncheckvalve/kernel/WorkProgress.h"

namespace tcv::kernel {

using namespace tcv::refhost;

namespace {

constexpr const char* kWhat = "skin";
constexpr int kSectionSamples = 256;
constexpr int kGuideSamples = 128;
// Samples around each fitted section (shared out between the spans from guide to guide).
constexpr int kSamplesAround = 32;
// Sections in a loft between two given ones, given and fitted together. A guide may turn a corner (a
// bulge that leaves a straight line square to it); with this many the volume settles within 0.05%.
constexpr int kSectionsPerLoft = 17;
// Pieces of a section that meet at more than this angle (radians) make a corner.
constexpr double kCornerAngle = 0.035;
// Corners closer than this (as a fraction of the span) to a guide are left to the guide's sample; corners
// of different sections closer than kCornerMerge to each other are one corner of the loft.
constexpr double kCornerMargin = 0.02;
constexpr double kCornerMerge = 0.1;

// A curve sampled densely with its arc length, for points by arc length and nearest points.
class SampledCurve {
public:
    SampledCurve(const TopoDS_Wire& wire, int samples) : curve_(new BRepAdaptor_CompCurve(wire)) {
        const double first = curve_->FirstParameter(), last = curve_->LastParameter();
        for (int i = 0; i <= samples; ++i) {
            const double t = first + (last - first) * i / samples;
            params_.push_back(t);
            points_.push_back(curve_->Value(t).XYZ());
            arcs_.push_back(
                i == 0 ? 0.0 : arcs_.back() + (points_[points_.size() - 1] - points_[points_.size() - 2]).Modulus());
        }
        for (std::size_t i = 0; i + 1 < points_.size(); ++i) {
            centroid_ += points_[i];
            normal_ += points_[i].Crossed(points_[i + 1]);
        }
        centroid_ /= static_cast<double>(points_.size() - 1);
    }

    double length() const { return arcs_.back(); }
    const gp_XYZ& centroid() const { return centroid_; }
    // Newell's normal of the closed polygon of samples: its sense is the curve's turning sense.
    const gp_XYZ& normal() const { return normal_; }
    const std::vector<gp_XYZ>& points() const { return points_; }
    const std::vector<double>& params() const { return params_; }
    gp_XYZ value(double t) const { return curve_->Value(t).XYZ(); }

    // The point at the arc length (on the curve itself; the arc length is exact to the sampling).
    gp_XYZ at(double arc) const {
        arc = std::clamp(arc, 0.0, length());
        auto it = std::upper_bound(arcs_.begin(), arcs_.end(), arc);
        const std::size_t i = std::min<std::size_t>(static_cast<std::size_t>(it - arcs_.begin()), arcs_.size() - 1);
        const std::size_t j = i == 0 ? 0 : i - 1;
        const double span = arcs_[i] - arcs_[j];
        const double f = span > 0 ? (arc - arcs_[j]) / span : 0.0;
        return value(params_[j] + f * (params_[i] - params_[j]));
    }

    // The arc length of the curve's point nearest to p.
    double arcOfNearest(const gp_XYZ& p) const {
        std::size_t nearest = 0;
        for (std::size_t i = 1; i < points_.size(); ++i)
            if ((points_[i] - p).SquareModulus() < (points_[nearest] - p).SquareModulus()) nearest = i;
        double bestArc = arcs_[nearest], bestDistance = (points_[nearest] - p).Modulus();
        for (std::size_t i : {nearest == 0 ? nearest : nearest - 1, nearest}) {
            if (i + 1 >= points_.size()) continue;
            const gp_XYZ segment = points_[i + 1] - points_[i];
            const double squared = segment.SquareModulus();
            if (squared <= 0) continue;
            const double f = std::clamp((p - points_[i]).Dot(segment) / squared, 0.0, 1.0);
            const double distance = (points_[i] + segment * f - p).Modulus();
            if (distance < bestDistance) bestDistance = distance, bestArc = arcs_[i] + f * (arcs_[i + 1] - arcs_[i]);
        }
        return bestArc;
    }

private:
    Handle(BRepAdaptor_CompCurve) curve_;
    std::vector<double> params_, arcs_;
    std::vector<gp_XYZ> points_;
    gp_XYZ centroid_, normal_;
};

// A closed section run in the loft's turning sense, positions measured by arc length from its start.
struct Section {
    SampledCurve curve;
    bool reversed = false;
    double station = 0;

    double length() const { return curve.length(); }
    gp_XYZ at(double arc) const {
        arc = std::fmod(std::fmod(arc, length()) + length(), length());
        return curve.at(reversed ? length() - arc : arc);
    }
    double arcOf(const gp_XYZ& p) const {
        const double arc = curve.arcOfNearest(p);
        return reversed ? std::fmod(length() - arc, length()) : arc;
    }
};

// A guide and where it crosses the stations of the loft.
class Guide {
public:
    Guide(const TopoDS_Wire& wire, const gp_XYZ& origin, const gp_XYZ& axis)
        : curve_(wire, kGuideSamples), origin_(origin), axis_(axis) {}

    // The guide's point at the station; beyond its ends, the nearer end.
    gp_XYZ at(double station) const {
        const auto& params = curve_.params();
        const auto& points = curve_.points();
        for (std::size_t i = 0; i + 1 < points.size(); ++i) {
            double a = stationOf(points[i]) - station, b = stationOf(points[i + 1]) - station;
            if (a * b > 0) continue;
            double lo = params[i], hi = params[i + 1];
            for (int iteration = 0; iteration < 40 && a != 0; ++iteration) {
                const double mid = (lo + hi) / 2;
                const double m = stationOf(curve_.value(mid)) - station;
                if ((m <= 0) == (a <= 0))
                    lo = mid, a = m;
                else
                    hi = mid;
            }
            return curve_.value(a == 0 ? lo : (lo + hi) / 2);
        }
        const gp_XYZ& first = points.front();
        const gp_XYZ& last = points.back();
        return std::fabs(stationOf(first) - station) <= std::fabs(stationOf(last) - station) ? first : last;
    }

private:
    double stationOf(const gp_XYZ& p) const { return (p - origin_).Dot(axis_); }

    SampledCurve curve_;
    gp_XYZ origin_, axis_;
};

// The arc-length positions on the section where its curve turns a corner (where two of its pieces meet
// at an angle).
std::vector<double> cornersOf(const TopoDS_Wire& wire, const Section& section) {
    struct Piece {
        gp_Pnt start;
        gp_Vec startTangent, endTangent;
    };
    std::vector<Piece> pieces;
    for (BRepTools_WireExplorer explorer(wire); explorer.More(); explorer.Next()) {
        BRepAdaptor_Curve curve(explorer.Current());
        const bool reversed = explorer.Current().Orientation() == TopAbs_REVERSED;
        Piece piece;
        gp_Pnt end;
        curve.D1(reversed ? curve.LastParameter() : curve.FirstParameter(), piece.start, piece.startTangent);
        curve.D1(reversed ? curve.FirstParameter() : curve.LastParameter(), end, piece.endTangent);
        if (reversed) piece.startTangent.Reverse(), piece.endTangent.Reverse();
        pieces.push_back(piece);
    }
    std::vector<double> corners;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& next = pieces[(i + 1) % pieces.size()];
        const gp_Vec& before = pieces[i].endTangent;
        const gp_Vec& after = next.startTangent;
        if (before.Magnitude() < 1e-12 || after.Magnitude() < 1e-12) continue;
        if (before.Angle(after) > kCornerAngle) corners.push_back(section.arcOf(next.start.XYZ()));
    }
    return corners;
}

// How the samples lie round every section: spans from guide to guide (in the guides' order round the
// loft), each split where any section turns a corner, so that corners fall on samples.
struct Layout {
    std::vector<std::size_t> spanStart;          // the sample at each guide, in the guides' order
    std::vector<double> inSpan;                  // for each sample, how far along its span it lies (0 to 1)
    std::vector<std::size_t> corners;            // samples at which the fitted sections may turn a corner
    std::vector<std::vector<double>> breaks;     // per span: the nominal fractions of its corners
    std::vector<std::vector<std::size_t>> steps; // per span: the sample steps between its breaks
    std::size_t count() const { return inSpan.size(); }
};

Handle(Geom_BSplineCurve) fittedCurve(const std::vector<gp_XYZ>& samples, const Layout& layout) {
    const int n = static_cast<int>(samples.size());
    if (layout.corners.empty()) {
        // A smooth section: one periodic curve through all samples.
        Handle(TColgp_HArray1OfPnt) points = new TColgp_HArray1OfPnt(1, n);
        Handle(TColStd_HArray1OfReal) parameters = new TColStd_HArray1OfReal(1, n + 1);
        for (int i = 0; i < n; ++i) {
            points->SetValue(i + 1, gp_Pnt(samples[static_cast<std::size_t>(i)]));
            parameters->SetValue(i + 1, static_cast<double>(i) / n);
        }
        parameters->SetValue(n + 1, 1.0);
        GeomAPI_Interpolate interpolation(points, parameters, Standard_True, kPointTolerance);
        interpolation.Perform();
        if (!interpolation.IsDone()) refuse(kWhat, "the geometry kernel cannot fit a section");
        return interpolation.Curve();
    }
    // A section with corners: one curve from corner to corner, each with its own end tangents, joined.
    GeomConvert_CompCurveToBSplineCurve joined;
    const std::size_t m = layout.corners.size();
    for (std::size_t c = 0; c < m; ++c) {
        const std::size_t from = layout.corners[c];
        std::size_t to = layout.corners[(c + 1) % m];
        if (to <= from) to += samples.size();
        const int intervals = static_cast<int>(to - from);
        Handle(TColgp_HArray1OfPnt) points = new TColgp_HArray1OfPnt(1, intervals + 1);
        Handle(TColStd_HArray1OfReal) parameters = new TColStd_HArray1OfReal(1, intervals + 1);
        std::vector<gp_XYZ> piece;
        for (std::size_t i = from; i <= to; ++i) piece.push_back(samples[i % samples.size()]);
        for (int i = 0; i <= intervals; ++i) {
            points->SetValue(i + 1, gp_Pnt(piece[static_cast<std::size_t>(i)]));
            parameters->SetValue(i + 1, static_cast<double>(i) / intervals);
        }
        // One-sided differences of second order give the tangents at the corners.
        const std::size_t last = piece.size() - 1;
        const gp_XYZ startTangent = (piece[1] * 4 - piece[0] * 3 - piece[2]) * (intervals / 2.0);
        const gp_XYZ endTangent = (piece[last] * 3 - piece[last - 1] * 4 + piece[last - 2]) * (intervals / 2.0);
        GeomAPI_Interpolate interpolation(points, parameters, Standard_False, kPointTolerance);
        interpolation.Load(gp_Vec(startTangent), gp_Vec(endTangent), Standard_False);
        interpolation.Perform();
        if (!interpolation.IsDone()) refuse(kWhat, "the geometry kernel cannot fit a section");
        if (!joined.Add(interpolation.Curve(), 10 * kPointTolerance, Standard_True, Standard_False))
            refuse(kWhat, "the pieces of a fitted section do not join");
    }
    return joined.BSplineCurve();
}

TopoDS_Shape throughSections(const std::vector<TopoDS_Wire>& wires, bool capped) {
    BRepOffsetAPI_ThruSections maker(capped ? Standard_True : Standard_False, Standard_False);
    for (const auto& wire : wires) maker.AddWire(wire);
    WorkProgressRange progress(currentBudget());
    maker.Build(progress.range());
    if (!maker.IsDone()) refuse(kWhat, "the geometry kernel cannot loft through the sections");
    return checkedShape(kWhat, maker.Shape(), capped, ShapeCheck::Full);
}

// A loft through the sections that follows the guides, worked out in phases: the sections placed along
// the loft's axis, where the guides cross them, the corners shared by all sections, the samples of each
// given section, and the fitted sections between them.
class GuidedLoft {
public:
    GuidedLoft(const std::vector<const RefCurve*>& guideCurves, const std::vector<const RefCurve*>& sectionCurves) {
        placeSections(sectionCurves);
        for (const auto* curve : guideCurves) guides_.emplace_back(curveWire(*curve), origin_, axis_);
        guideCount_ = guides_.size();
        crossGuides();
        mergeCorners();
        sampleSections();
    }

    TopoDS_Shape build(bool capped) {
        fitSections();
        return loftSurface(loft_, capped);
    }

private:
    // The loft runs square to its sections: along the mean of their normals, each turned along the run.
    // (Stations measured along the line between the section centres would cut sections that are offset
    // across the flow at a slant.)
    void placeSections(const std::vector<const RefCurve*>& sectionCurves) {
        for (const auto* curve : sectionCurves) {
            sectionWires_.push_back(curveWire(*curve));
            sections_.push_back({SampledCurve(sectionWires_.back(), kSectionSamples)});
        }
        origin_ = sections_.front().curve.centroid();
        const gp_XYZ run = sections_.back().curve.centroid() - origin_;
        if (run.Modulus() < kPointTolerance) refuse(kWhat, "the first and last sections lie at one place");
        gp_XYZ across;
        for (const auto& section : sections_) {
            const gp_XYZ n = section.curve.normal();
            if (n.Modulus() > 0) across += (n.Dot(run) < 0 ? n.Reversed() : n).Normalized();
        }
        if (!(across.Dot(run) > 0)) refuse(kWhat, "the sections do not follow one another along the skin");
        axis_ = across.Normalized();
        for (std::size_t k = 0; k < sections_.size(); ++k) {
            sections_[k].station = (sections_[k].curve.centroid() - origin_).Dot(axis_);
            sections_[k].reversed = sections_[k].curve.normal().Dot(axis_) < 0;
            if (k > 0 && !(sections_[k].station > sections_[k - 1].station + kPointTolerance))
                refuse(kWhat, "the sections do not follow one another along the skin");
        }
    }

    // Where each guide meets each section, and by how much it misses it; the guides in their order round
    // the first section, which every section must see them in.
    void crossGuides() {
        arcs_.assign(sections_.size(), std::vector<double>(guideCount_));
        misses_.assign(sections_.size(), std::vector<gp_XYZ>(guideCount_));
        for (std::size_t k = 0; k < sections_.size(); ++k)
            for (std::size_t j = 0; j < guideCount_; ++j) {
                const gp_XYZ onGuide = guides_[j].at(sections_[k].station);
                arcs_[k][j] = sections_[k].arcOf(onGuide);
                misses_[k][j] = onGuide - sections_[k].at(arcs_[k][j]);
            }
        order_.resize(guideCount_);
        for (std::size_t j = 0; j < guideCount_; ++j) order_[j] = j;
        std::sort(order_.begin(), order_.end(),
                  [&](std::size_t a, std::size_t b) { return arcs_[0][a] < arcs_[0][b]; });
        for (std::size_t k = 0; k < sections_.size(); ++k) {
            double covered = 0;
            for (std::size_t q = 0; q < guideCount_; ++q) covered += span(k, q).second;
            if (covered > sections_[k].length() * (1 + 1e-9))
                refuse(kWhat, "the guides cross one another between the sections");
        }
    }

    // The span of section k from guide order[q] to the next one: its start and its length along the section.
    std::pair<double, double> span(std::size_t k, std::size_t q) const {
        const double length = sections_[k].length();
        const double from = arcs_[k][order_[q]];
        double to = arcs_[k][order_[(q + 1) % guideCount_]];
        while (to <= from + 1e-9 * length) to += length;
        return std::pair{from, to - from};
    }

    // The corners of every section, as fractions of the spans they lie in, merged across the sections,
    // and the sampling of each span that puts a sample on every merged corner.
    void mergeCorners() {
        ownCorners_.assign(sections_.size(), std::vector<std::vector<double>>(guideCount_));
        layout_.breaks.resize(guideCount_);
        for (std::size_t k = 0; k < sections_.size(); ++k)
            for (double corner : cornersOf(sectionWires_[k], sections_[k]))
                for (std::size_t q = 0; q < guideCount_; ++q) {
                    const auto [from, length] = span(k, q);
                    const double f =
                        std::fmod(corner - from + 2 * sections_[k].length(), sections_[k].length()) / length;
                    if (f > kCornerMargin && f < 1 - kCornerMargin) ownCorners_[k][q].push_back(f);
                }
        for (std::size_t q = 0; q < guideCount_; ++q) {
            std::vector<double> all;
            for (const auto& corners : ownCorners_) all.insert(all.end(), corners[q].begin(), corners[q].end());
            std::sort(all.begin(), all.end());
            for (std::size_t i = 0; i < all.size();) {
                std::size_t j = i;
                double sum = 0;
                while (j < all.size() && all[j] - all[i] < kCornerMerge) sum += all[j++];
                layout_.breaks[q].push_back(sum / static_cast<double>(j - i));
                i = j;
            }
        }
        const std::size_t perSpan = std::max<std::size_t>(6, kSamplesAround / guideCount_);
        layout_.steps.resize(guideCount_);
        for (std::size_t q = 0; q < guideCount_; ++q) {
            std::vector<double> edges{0.0};
            edges.insert(edges.end(), layout_.breaks[q].begin(), layout_.breaks[q].end());
            edges.push_back(1.0);
            layout_.spanStart.push_back(layout_.count());
            for (std::size_t b = 0; b + 1 < edges.size(); ++b) {
                const auto steps = std::max<std::size_t>(
                    2, static_cast<std::size_t>(std::lround(static_cast<double>(perSpan) * (edges[b + 1] - edges[b]))));
                layout_.steps[q].push_back(steps);
                if (b > 0) layout_.corners.push_back(layout_.count());
                for (std::size_t step = 0; step < steps; ++step)
                    layout_.inSpan.push_back(edges[b] + (edges[b + 1] - edges[b]) * static_cast<double>(step) /
                                                            static_cast<double>(steps));
            }
        }
    }

    // The samples of each given section. A section's own corner, where it has one near a break, takes the
    // break's place, so that the corner itself is sampled.
    void sampleSections() {
        samples_.resize(sections_.size());
        for (std::size_t k = 0; k < sections_.size(); ++k)
            for (std::size_t q = 0; q < guideCount_; ++q) {
                const auto [from, length] = span(k, q);
                std::vector<double> edges{0.0};
                for (double nominal : layout_.breaks[q]) {
                    double own = nominal;
                    for (double f : ownCorners_[k][q])
                        if (std::fabs(f - nominal) < std::fabs(own - nominal) || own == nominal)
                            if (std::fabs(f - nominal) < kCornerMerge) own = f;
                    edges.push_back(std::max(own, edges.back()));
                }
                edges.push_back(1.0);
                for (std::size_t b = 0; b + 1 < edges.size(); ++b) {
                    const auto steps = layout_.steps[q][b];
                    for (std::size_t step = 0; step < steps; ++step) {
                        const double f = edges[b] + (edges[b + 1] - edges[b]) * static_cast<double>(step) /
                                                        static_cast<double>(steps);
                        samples_[k].push_back(sections_[k].at(from + length * f));
                    }
                }
            }
    }

    // The given sections and fitted ones between them: a blend of the neighbouring given sections, moved
    // so that it passes where the guides are at its station.
    void fitSections() {
        const std::size_t spans = sections_.size() - 1;
        const std::size_t fitted = std::max<std::size_t>(1, (kSectionsPerLoft - 1) / spans - 1) | 1;
        for (std::size_t k = 0; k < spans; ++k) {
            add(samples_[k], sections_[k].station);
            for (std::size_t f = 1; f <= fitted; ++f) {
                const double u = static_cast<double>(f) / static_cast<double>(fitted + 1);
                const double station = sections_[k].station + u * (sections_[k + 1].station - sections_[k].station);
                std::vector<gp_XYZ> blend(layout_.count());
                for (std::size_t i = 0; i < blend.size(); ++i)
                    blend[i] = samples_[k][i] * (1 - u) + samples_[k + 1][i] * u;
                // Each guide's displacement, less the part that its misses of the given sections account for.
                std::vector<gp_XYZ> shift(guideCount_);
                for (std::size_t q = 0; q < guideCount_; ++q) {
                    const std::size_t j = order_[q];
                    shift[q] = guides_[j].at(station) - blend[layout_.spanStart[q]] -
                               (misses_[k][j] * (1 - u) + misses_[k + 1][j] * u);
                }
                for (std::size_t q = 0; q < guideCount_; ++q) {
                    const std::size_t end = q + 1 < guideCount_ ? layout_.spanStart[q + 1] : layout_.count();
                    for (std::size_t i = layout_.spanStart[q]; i < end; ++i) {
                        const double w = (1 - std::cos(std::numbers::pi * layout_.inSpan[i])) / 2;
                        blend[i] += shift[q] * (1 - w) + shift[(q + 1) % guideCount_] * w;
                    }
                }
                add(blend, station);
            }
        }
        add(samples_.back(), sections_.back().station);
    }

    void add(const std::vector<gp_XYZ>& points, double station) {
        gp_XYZ centre, normal;
        for (std::size_t i = 0; i < points.size(); ++i) {
            centre += points[i];
            normal += points[i].Crossed(points[(i + 1) % points.size()]);
        }
        if (normal.Modulus() < 1e-300) refuse(kWhat, "a section encloses no area");
        loft_.push_back(
            {fittedCurve(points, layout_), station, centre / static_cast<double>(points.size()), normal.Normalized()});
    }

    std::vector<Section> sections_;
    std::vector<TopoDS_Wire> sectionWires_;
    gp_XYZ origin_, axis_;
    std::vector<Guide> guides_;
    std::size_t guideCount_ = 0;
    std::vector<std::vector<double>> arcs_;
    std::vector<std::vector<gp_XYZ>> misses_;
    std::vector<std::size_t> order_;
    std::vector<std::vector<std::vector<double>>> ownCorners_;
    Layout layout_;
    std::vector<std::vector<gp_XYZ>> samples_;
    std::vector<LoftSection> loft_;
};

TopoDS_Shape guidedLoft(const std::vector<const RefCurve*>& guideCurves,
                        const std::vector<const RefCurve*>& sectionCurves, bool capped) {
    return GuidedLoft(guideCurves, sectionCurves).build(capped);
}

} // namespace

TopoDS_Shape buildSkin(const std::vector<const RefCurve*>& guides, const std::vector<const RefCurve*>& sections,
                       bool capped) {
    if (sections.size() < 2) refuse(kWhat, "a skin needs at least two sections");
    const bool allClosed =
        std::all_of(sections.begin(), sections.end(), [](const RefCurve* c) { return c->isClosed(); });
    if (capped && !allClosed) refuse(kWhat, "a closed skin needs closed sections");
    if (!guides.empty() && allClosed) return guidedLoft(guides, sections, capped);
    std::vector<TopoDS_Wire> wires;
    for (const auto* section : sections) wires.push_back(curveWire(*section));
    return throughSections(wires, capped);
}

} // namespace tcv::kernel
