// The insulation's IFC covering as a coordinator's clash check and quantity take-off meet it: its
// triangles leave the valve body out, its NetVolume is the volume they enclose, and a covering whose cut
// does not fit the part's budget is the envelope, which its type says.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <BRepBndLib.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <Bnd_Box.hxx>

#include "exports/ExportSupport.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/StagedFile.h"
#include "tarncheckvalve/kernel/OccKernel.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv {
namespace {

namespace ex = test::exports;
using Point = std::array<double, 3>;

// The entities of a file by id: their type and attributes as written.
struct Entities {
    std::map<std::string, std::pair<std::string, std::string>> byId;

    explicit Entities(const std::string& text) {
        for (std::size_t at = text.find("\n#"); at != std::string::npos; at = text.find("\n#", at + 1)) {
            const std::size_t equals = text.find('=', at), open = text.find('(', at), end = text.find(";\n", at);
            if (equals == std::string::npos || open == std::string::npos || end == std::string::npos) break;
            byId[text.substr(at + 1, equals - at - 1)] = {text.substr(equals + 1, open - equals - 1),
                                                          text.substr(open, end - open)};
        }
    }
    const std::string& type(const std::string& id) const { return byId.at(id).first; }
    const std::string& attributes(const std::string& id) const { return byId.at(id).second; }
    std::vector<std::string> ofType(const std::string& type) const {
        std::vector<std::string> found;
        for (const auto& [id, entity] : byId)
            if (entity.first == type) found.push_back(id);
        return found;
    }
    std::vector<std::string> refs(const std::string& id) const {
        std::vector<std::string> found;
        static const std::regex ref("#[0-9]+");
        const std::string& text = attributes(id);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), ref); it != std::sregex_iterator(); ++it)
            found.push_back(it->str());
        return found;
    }
};

struct Mesh {
    std::vector<Point> points;
    std::vector<std::array<std::size_t, 3>> triangles;

    // The volume enclosed, by the divergence theorem over the triangles as they turn.
    double volume() const {
        double sum = 0;
        for (const auto& t : triangles) {
            const Point &a = points[t[0]], &b = points[t[1]], &c = points[t[2]];
            sum += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                   a[2] * (b[0] * c[1] - b[1] * c[0]);
        }
        return sum / 6;
    }

    // Inside by the parity of the triangles a ray from `p` crosses (along a direction no face of a valve
    // runs along).
    bool contains(const Point& p) const {
        const Point d{0.5773, 0.6172, 0.5345};
        int crossings = 0;
        for (const auto& t : triangles) {
            const Point &a = points[t[0]], &b = points[t[1]], &c = points[t[2]];
            const Point e1{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            const Point h{d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
            const double det = e1[0] * h[0] + e1[1] * h[1] + e1[2] * h[2];
            if (std::abs(det) < 1e-18) continue;
            const Point s{p[0] - a[0], p[1] - a[1], p[2] - a[2]};
            const double u = (s[0] * h[0] + s[1] * h[1] + s[2] * h[2]) / det;
            if (u < 0 || u > 1) continue;
            const Point q{s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
            const double v = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) / det;
            if (v < 0 || u + v > 1) continue;
            if ((e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) / det > 0) ++crossings;
        }
        return crossings % 2 == 1;
    }
};

// What a part's file says of its covering.
struct Covering {
    std::string description;
    std::string geometry;       // TarnCheckValve_Covering's Geometry
    std::string envelopeReason; // and its EnvelopeReason, where it has one
    std::optional<double> netVolume;
    std::vector<Mesh> items; // its type's face sets, in the valve's own axes
    bool exact = false;      // an item of the type is not a face set

    double volume() const {
        double sum = 0;
        for (const auto& item : items) sum += item.volume();
        return sum;
    }
    // Inside one of its items (which may overlap, as the insulation's solids may).
    bool contains(const Point& p) const {
        for (const auto& item : items)
            if (item.contains(p)) return true;
        return false;
    }
};

std::string stringIn(const std::string& text) {
    std::smatch match;
    return std::regex_search(text, match, std::regex("'([^']*)'")) ? match[1].str() : std::string();
}

Covering coveringOf(const std::string& text) {
    const Entities file(text);
    Covering covering;
    const auto types = file.ofType("IFCCOVERINGTYPE");
    if (types.size() != 1) return covering;
    std::smatch match;
    const std::string& type = file.attributes(types[0]);
    if (std::regex_search(type, match, std::regex("^\\('[^']{22}',#[0-9]+,'[^']*',(?:'([^']*)'|\\$),")))
        covering.description = match[1].str();
    for (const std::string& ref : file.refs(types[0])) {
        if (file.type(ref) == "IFCPROPERTYSET") {
            for (const std::string& property : file.refs(ref)) {
                if (file.type(property) != "IFCPROPERTYSINGLEVALUE") continue;
                const std::string& attributes = file.attributes(property);
                const std::string value = attributes.substr(attributes.find(",$,") + 3);
                if (stringIn(attributes) == "Geometry") covering.geometry = stringIn(value);
                if (stringIn(attributes) == "EnvelopeReason") covering.envelopeReason = stringIn(value);
            }
        }
        if (file.type(ref) != "IFCREPRESENTATIONMAP") continue;
        const std::string representation = file.refs(ref).at(1);
        const auto items = file.refs(representation);
        for (std::size_t i = 1; i < items.size(); ++i) {
            if (file.type(items[i]) != "IFCTRIANGULATEDFACESET") {
                covering.exact = true;
                continue;
            }
            Mesh& mesh = covering.items.emplace_back();
            static const std::regex triple("\\(([^(),]+),([^(),]+),([^(),]+)\\)");
            const std::string& list = file.attributes(file.refs(items[i]).at(0));
            for (auto it = std::sregex_iterator(list.begin(), list.end(), triple); it != std::sregex_iterator(); ++it)
                mesh.points.push_back({std::strtod((*it)[1].str().c_str(), nullptr),
                                       std::strtod((*it)[2].str().c_str(), nullptr),
                                       std::strtod((*it)[3].str().c_str(), nullptr)});
            const std::string& faces = file.attributes(items[i]);
            for (auto it = std::sregex_iterator(faces.begin(), faces.end(), triple); it != std::sregex_iterator(); ++it)
                mesh.triangles.push_back(
                    {std::stoul((*it)[1].str()) - 1, std::stoul((*it)[2].str()) - 1, std::stoul((*it)[3].str()) - 1});
        }
    }
    for (const std::string& id : file.ofType("IFCELEMENTQUANTITY")) {
        if (file.attributes(id).find("'Qto_CoveringBaseQuantities'") == std::string::npos) continue;
        const std::string& quantity = file.attributes(file.refs(id).back());
        if (std::regex_match(quantity, match, std::regex("\\('NetVolume',\\$,\\$,([^,]+),\\$\\)")))
            covering.netVolume = std::strtod(match[1].str().c_str(), nullptr);
    }
    return covering;
}

Covering writtenCovering(const catalog::PartReport& report, exports::MeshSettings settings = {}) {
    ex::ScratchFolder folder;
    exports::IfcOptions mesh;
    mesh.geometry = exports::IfcGeometry::Mesh; // the envelope too is triangles, to look inside
    exports::ExportDocument(report, settings).writeIfc(folder.path("part.ifc").string(), mesh);
    return coveringOf(exports::readFileBytes(folder.path("part.ifc").string()));
}

// The shapes of an aspect's solid outputs, as the host built them.
std::vector<TopoDS_Shape> solidsOf(const catalog::PartReport& report, const std::string& aspect) {
    std::vector<TopoDS_Shape> solids;
    for (const auto& result : report.aspects) {
        if (result.aspect != aspect || !result.outputs) continue;
        for (const auto& output : result.outputs->outputs()) {
            const auto* recorded = dynamic_cast<const refhost::RecordedObject*>(output.object.get());
            if (recorded && recorded->outputKind() == refhost::OutputKind::Solid && recorded->shape())
                solids.push_back(kernel::occShape(recorded->shape()));
        }
    }
    return solids;
}

// Whether `p` and the points `margin` from it along each axis all lie in `state` of the solid.
bool allIn(const TopoDS_Shape& solid, const Point& p, double margin, TopAbs_State state) {
    for (int k = -1; k < 6; ++k) {
        Point q = p;
        if (k >= 0) q[static_cast<std::size_t>(k / 2)] += k % 2 ? margin : -margin;
        BRepClass3d_SolidClassifier classifier(solid, gp_Pnt(q[0], q[1], q[2]), 1e-7);
        if (classifier.State() != state) return false;
    }
    return true;
}

// Whether `p` lies inside one of the solids, `margin` clear of its faces along each axis.
bool deepInside(const std::vector<TopoDS_Shape>& solids, const Point& p, double margin) {
    for (const auto& solid : solids)
        if (allIn(solid, p, margin, TopAbs_IN)) return true;
    return false;
}

// Whether `p` lies outside every solid, `margin` clear of its faces along each axis.
bool clearOf(const std::vector<TopoDS_Shape>& solids, const Point& p, double margin) {
    for (const auto& solid : solids)
        if (!allIn(solid, p, margin, TopAbs_OUT)) return false;
    return true;
}

// The sum of the volumes the report gives the Insulation aspect's solids.
double reportedInsulationVolume(const catalog::PartReport& report) {
    double sum = 0;
    const auto json = catalog::reportJson(report);
    for (const auto& aspect : json["aspects"])
        if (aspect["name"] == "Insulation")
            for (const auto& output : aspect["outputs"])
                if (output["kind"] == "solid" && output.contains("volume") && output["volume"].is_number())
                    sum += output["volume"].get<double>();
    return sum;
}

struct InsulatedPart {
    const char* what;
    const catalog::PartReport& (*report)();
};
void PrintTo(const InsulatedPart& part, std::ostream* os) { *os << part.what; }

class IfcCovering : public testing::TestWithParam<InsulatedPart> {};

// Points on a grid over the valve body: those deep inside the body and the insulation's envelope lie
// outside the covering's triangles, those deep inside the envelope and clear of the body inside them;
// the covering's NetVolume is the volume its triangles enclose (within the meshes' deviation), less than
// the envelope's by the body's share of it.
TEST_P(IfcCovering, LeavesTheValveBodyOutAndCarriesItsOwnVolume) {
    const catalog::PartReport& report = GetParam().report();
    const Covering covering = writtenCovering(report);
    EXPECT_EQ(covering.description, "insulation less the valve body");
    EXPECT_EQ(covering.geometry, "insulation less the valve body");
    EXPECT_TRUE(covering.envelopeReason.empty()) << covering.envelopeReason;
    ASSERT_FALSE(covering.exact);
    ASSERT_FALSE(covering.items.empty());
    ASSERT_TRUE(covering.netVolume);
    EXPECT_NEAR(covering.volume() / *covering.netVolume, 1, 0.01);
    EXPECT_LT(*covering.netVolume, reportedInsulationVolume(report) * 0.999);

    const auto body = solidsOf(report, "Physical");
    const auto insulation = solidsOf(report, "Insulation");
    Bnd_Box box;
    for (const auto& solid : insulation) BRepBndLib::Add(solid, box, Standard_False);
    double x1, y1, z1, x2, y2, z2;
    box.Get(x1, y1, z1, x2, y2, z2);
    const double margin = 0.005 * std::sqrt(box.SquareExtent());
    // At most this many points of each kind, spread over the grid: the classifier is slow on the larger bodies.
    constexpr std::size_t kEnough = 30;
    constexpr int kSteps = 12;
    std::size_t inBody = 0, inInsulation = 0;
    for (int n = 0; n < kSteps * kSteps * kSteps && (inBody < kEnough || inInsulation < kEnough); ++n) {
        // Every 7th point, round the grid: 7 shares no factor with its 1728 points.
        const int at = (n * 7) % (kSteps * kSteps * kSteps);
        const int i = at / (kSteps * kSteps), j = at / kSteps % kSteps, k = at % kSteps;
        const Point p{x1 + (x2 - x1) * (i + 0.5) / kSteps, y1 + (y2 - y1) * (j + 0.5) / kSteps,
                      z1 + (z2 - z1) * (k + 0.5) / kSteps};
        if (!deepInside(insulation, p, margin)) continue;
        if (inBody < kEnough && deepInside(body, p, margin)) {
            ++inBody;
            EXPECT_FALSE(covering.contains(p)) << p[0] << " " << p[1] << " " << p[2] << " in the body";
        } else if (inInsulation < kEnough && clearOf(body, p, margin)) {
            ++inInsulation;
            EXPECT_TRUE(covering.contains(p)) << p[0] << " " << p[1] << " " << p[2] << " in the insulation";
        }
    }
    EXPECT_GT(inBody, 0u);
    EXPECT_GT(inInsulation, 0u);
}

INSTANTIATE_TEST_SUITE_P(InsulatedParts, IfcCovering,
                         testing::Values(InsulatedPart{"plain", &ex::plainValve},
                                         InsulatedPart{"operator", &ex::operatorValve},
                                         InsulatedPart{"failed Physical aspect", &ex::failingValve},
                                         InsulatedPart{"repeated output names", &ex::repeatedNamesValve}),
                         [](const testing::TestParamInfo<InsulatedPart>& part) {
                             std::string name = part.param.what;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// A cut whose triangles would not fit what the part's triangle limit leaves once its other meshes are
// made is not shown: the covering is the envelope, its type says so and why, and its NetVolume is the
// report's sum again. The file is still written, the same each time.
TEST(IfcCoveringBudget, ACutThatDoesNotFitTheTriangleLimitLeavesTheEnvelopeAndSaysSo) {
    const catalog::PartReport& report = ex::plainValve();
    const auto counting = std::make_shared<refhost::WorkBudget>();
    exports::MeshSettings counted;
    counted.budget = counting;
    {
        ex::ScratchFolder folder;
        exports::ExportDocument(report, counted).writeGlb(folder.path("part.glb").string());
    }
    const std::size_t meshed = counting->triangles();
    ASSERT_GT(meshed, 0u);
    const auto tight = [&] {
        exports::MeshSettings settings;
        settings.budget = std::make_shared<refhost::WorkBudget>(refhost::WorkLimits{{}, meshed + 10});
        return settings;
    };
    const Covering covering = writtenCovering(report, tight());
    EXPECT_EQ(covering.geometry, "envelope including the valve body");
    EXPECT_TRUE(std::regex_match(covering.envelopeReason,
                                 std::regex("meshing the cut of output InsulatedBody would exceed the [0-9]+ "
                                            "triangles left of the triangle limit of the part")))
        << covering.envelopeReason;
    EXPECT_EQ(covering.description, "envelope including the valve body: " + covering.envelopeReason);
    ASSERT_TRUE(covering.netVolume);
    EXPECT_EQ(*covering.netVolume, reportedInsulationVolume(report));
    EXPECT_NEAR(covering.volume() / *covering.netVolume, 1, 0.01);
    EXPECT_EQ(writtenCovering(report, tight()).items.front().points, covering.items.front().points);

    // With room for its triangles, the same part's covering is cut.
    EXPECT_EQ(writtenCovering(report).geometry, "insulation less the valve body");
}

} // namespace
} // namespace tcv
