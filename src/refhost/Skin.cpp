// Skins (lofts). Without guides the loft runs through the sections alone. With guides it must also
// follow them, which a loft through the sections alone would not do (it loses the bulges the guides
// describe): sections are fitted between the given ones so that each passes through the guides where
// they cross its station, and the loft runs through all of them.
//
// The fitted sections are made like this. The loft runs along the line from the first section's centre
// to the last one's; every section and every guide crossing has a station on that line. Each closed
// section is sampled by arc length between the points where the guides meet it, so that sample i of
// every section belongs to the same place between the same two guides. A section at a station between
// two given ones starts as the blend of their samples; then it is displaced so that its guide points
// land on the guides, each guide's displacement fading out towards the neighbouring guides. All
// sections, given and fitted, become periodic curves through their samples with one shared
// parametrisation, so the loft needs no matching of its sections.
#include <algorithm>
#include <cmath>
#include <numbers>

#include <BRepAdaptor_CompCurve.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeWire.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <GeomAPI_Interpolate.hxx>
#include <Geom_BSplineCurve.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_HArray1OfPnt.hxx>

#include "refhost/Constructions.h"
#include "refhost/KernelGuard.h"

namespace tcv::refhost {

namespace {

constexpr const char* kWhat = "skin";
constexpr int kSectionSamples = 256;
constexpr int kGuideSamples = 128;
// Samples around each fitted section (shared out between the spans from guide to guide).
constexpr int kSamplesAround = 32;
// Sections in a loft between two given ones, given and fitted together.
constexpr int kSectionsPerLoft = 9;

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

TopoDS_Wire periodicWire(const std::vector<gp_XYZ>& samples) {
    const int n = static_cast<int>(samples.size());
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
    return BRepBuilderAPI_MakeWire(BRepBuilderAPI_MakeEdge(interpolation.Curve()).Edge()).Wire();
}

TopoDS_Shape loft(const std::vector<TopoDS_Wire>& wires, bool capped, bool matched) {
    BRepOffsetAPI_ThruSections maker(capped ? Standard_True : Standard_False, Standard_False);
    for (const auto& wire : wires) maker.AddWire(wire);
    maker.CheckCompatibility(matched ? Standard_False : Standard_True);
    maker.Build();
    if (!maker.IsDone()) refuse(kWhat, "the geometry kernel cannot loft through the sections");
    return checkedShape(kWhat, maker.Shape(), capped);
}

TopoDS_Shape guidedLoft(const std::vector<const RefCurve*>& guideCurves,
                        const std::vector<const RefCurve*>& sectionCurves, bool capped) {
    std::vector<Section> sections;
    for (const auto* curve : sectionCurves) sections.push_back({SampledCurve(curveWire(*curve), kSectionSamples)});
    const gp_XYZ origin = sections.front().curve.centroid();
    const gp_XYZ run = sections.back().curve.centroid() - origin;
    if (run.Modulus() < kPointTolerance) refuse(kWhat, "the first and last sections lie at one place");
    const gp_XYZ axis = run.Normalized();
    for (std::size_t k = 0; k < sections.size(); ++k) {
        sections[k].station = (sections[k].curve.centroid() - origin).Dot(axis);
        sections[k].reversed = sections[k].curve.normal().Dot(axis) < 0;
        if (k > 0 && !(sections[k].station > sections[k - 1].station + kPointTolerance))
            refuse(kWhat, "the sections do not follow one another along the skin");
    }
    std::vector<Guide> guides;
    for (const auto* curve : guideCurves) guides.emplace_back(curveWire(*curve), origin, axis);
    const std::size_t guideCount = guides.size();

    // Where each guide meets each section, and by how much it misses it.
    std::vector<std::vector<double>> arcs(sections.size(), std::vector<double>(guideCount));
    std::vector<std::vector<gp_XYZ>> misses(sections.size(), std::vector<gp_XYZ>(guideCount));
    for (std::size_t k = 0; k < sections.size(); ++k)
        for (std::size_t j = 0; j < guideCount; ++j) {
            const gp_XYZ onGuide = guides[j].at(sections[k].station);
            arcs[k][j] = sections[k].arcOf(onGuide);
            misses[k][j] = onGuide - sections[k].at(arcs[k][j]);
        }
    // The guides in their order round the first section; every section must see them in that order.
    std::vector<std::size_t> order(guideCount);
    for (std::size_t j = 0; j < guideCount; ++j) order[j] = j;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return arcs[0][a] < arcs[0][b]; });
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const double length = sections[k].length();
        double previous = -1;
        for (std::size_t q = 0; q < guideCount; ++q) {
            const double relative = std::fmod(arcs[k][order[q]] - arcs[k][order[0]] + 2 * length, length);
            if (q > 0 && !(relative > previous)) refuse(kWhat, "the guides cross one another between the sections");
            previous = relative;
        }
    }

    // The samples of each given section, span by span from guide to guide.
    const std::size_t perSpan = std::max<std::size_t>(6, kSamplesAround / guideCount);
    const std::size_t around = perSpan * guideCount;
    std::vector<std::vector<gp_XYZ>> samples(sections.size());
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const double length = sections[k].length();
        for (std::size_t q = 0; q < guideCount; ++q) {
            const double from = arcs[k][order[q]];
            double to = arcs[k][order[(q + 1) % guideCount]];
            while (to <= from + 1e-12 * length) to += length;
            for (std::size_t s = 0; s < perSpan; ++s)
                samples[k].push_back(
                    sections[k].at(from + (to - from) * static_cast<double>(s) / static_cast<double>(perSpan)));
        }
    }

    // Given sections and fitted ones between them.
    const std::size_t spans = sections.size() - 1;
    const std::size_t fitted = std::max<std::size_t>(1, (kSectionsPerLoft - 1) / spans - 1) | 1;
    std::vector<TopoDS_Wire> wires;
    for (std::size_t k = 0; k < spans; ++k) {
        wires.push_back(periodicWire(samples[k]));
        for (std::size_t f = 1; f <= fitted; ++f) {
            const double u = static_cast<double>(f) / static_cast<double>(fitted + 1);
            const double station = sections[k].station + u * (sections[k + 1].station - sections[k].station);
            std::vector<gp_XYZ> blend(around);
            for (std::size_t i = 0; i < around; ++i) blend[i] = samples[k][i] * (1 - u) + samples[k + 1][i] * u;
            // Each guide's displacement, less the part that its misses of the given sections account for.
            std::vector<gp_XYZ> shift(guideCount);
            for (std::size_t q = 0; q < guideCount; ++q) {
                const std::size_t j = order[q];
                shift[q] = guides[j].at(station) - blend[q * perSpan] - (misses[k][j] * (1 - u) + misses[k + 1][j] * u);
            }
            for (std::size_t q = 0; q < guideCount; ++q)
                for (std::size_t s = 0; s < perSpan; ++s) {
                    const double w =
                        (1 - std::cos(std::numbers::pi * static_cast<double>(s) / static_cast<double>(perSpan))) / 2;
                    blend[q * perSpan + s] += shift[q] * (1 - w) + shift[(q + 1) % guideCount] * w;
                }
            wires.push_back(periodicWire(blend));
        }
    }
    wires.push_back(periodicWire(samples.back()));
    return loft(wires, capped, true);
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
    return loft(wires, capped, false);
}

} // namespace tcv::refhost
