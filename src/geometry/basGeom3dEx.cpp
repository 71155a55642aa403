#include "tarncheckvalve/geometry/basGeom3dEx.h"

#include <cmath>

#include "ErrorTrap.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/host/Runtime.h"

namespace tcv::geometry {

using namespace tcv::base;

using host::DPosition;
using host::DT4x4;
using host::DVector;

host::ObjectPtr PlaceBox(const host::OutputCollectionPtr& outputColl, const DPosition& firstCorner,
                         const DPosition& secondCorner) {
    return geom3dTrap("PlaceBox:", [&] {
        auto& rt = host::runtime();
        auto symbolFactory = rt.CreateSymbolFactory();
        auto resourceManager = outputColl->ResourceManager();
        auto definitions = symbolFactory->DefinitionCollection(resourceManager);
        auto definition = definitions->GetDefinitionByProgId("Box.BoxServices", "");
        auto occurrence = symbolFactory->PlaceSymbol(definition, resourceManager);

        const double coordinates[6] = {firstCorner.x(),  firstCorner.y(),  firstCorner.z(),
                                       secondCorner.x(), secondCorner.y(), secondCorner.z()};
        std::vector<host::ParameterEntry> values;
        for (int i = 0; i < 6; ++i) {
            auto content = rt.CreateParameterContent();
            content->setUomValue(coordinates[i]);
            content->setType(2);
            content->setSecondFlag(1);
            values.push_back({static_cast<std::int16_t>(i + 1), content});
        }
        auto valuesArg = std::dynamic_pointer_cast<host::IZDValuesArg>(occurrence);
        auto compute = std::dynamic_pointer_cast<host::ISymbolOccurrenceCompute>(occurrence);
        if (!valuesArg || !compute) throw host::HostError(host::kTypeMismatch, "the box occurrence takes no values");
        valuesArg->SetValues(values);
        compute->Compute();
        return occurrence;
    });
}

host::GraphicPtr CreateBoxWithProjection(const host::OutputCollectionPtr& outputColl, const DPosition& firstCorner,
                                         const DPosition& secondCorner) {
    return withErrorReport("Geom3d/Nozzle", "CreateBoxWithProjection", [&] {
        const double x1 = firstCorner.x(), y1 = firstCorner.y(), z1 = firstCorner.z();
        const double x2 = secondCorner.x(), y2 = secondCorner.y(), z2 = secondCorner.z();
        std::vector<double> rectangle = {x1, y1, z1, x1, y1, z2, x1, y2, z2, x1, y2, z1, x1, y1, z1};
        auto factory = host::runtime().CreateGeometryFactory();
        auto profile = factory->CreateLineString(nullptr, 5, rectangle);
        const double depth = x2 - x1;
        if (CmpDblLessThan(depth, 0, kTolerance))
            return factory->CreateProjection(outputColl->ResourceManager(), profile, DVector(-1, 0, 0),
                                             std::fabs(depth), true);
        return factory->CreateProjection(outputColl->ResourceManager(), profile, DVector(1, 0, 0), depth, true);
    });
}

host::CurvePtr PlaceTrCString(DPosition& start, const host::CollectionPtr& curves) {
    return geom3dTrap("PlaceTrCString:", [&] {
        std::vector<host::CurvePtr> chain;
        for (int i = 1; i <= curves->Count(); ++i) {
            auto curve = std::dynamic_pointer_cast<host::ICurve>(curves->Item(i));
            if (!curve) throw host::HostError(host::kTypeMismatch, "member of the curve collection is not a curve");
            DPosition s, e;
            curve->EndPoints(s, e);
            if (e.distance(s) < kTolerance) break;
            DT4x4 move;
            move.translate(start.subtract(s));
            curve->Transform(move);
            chain.push_back(curve);
            curve->EndPoints(s, e);
            start = e;
        }
        return host::runtime().CreateGeometryFactory()->CreateComplexString(nullptr, chain);
    });
}

host::CurvePtr PlaceTrBspline(int& order, const std::vector<DPosition>& points) {
    return geom3dTrap("PlaceTrBspline:", [&]() -> host::CurvePtr {
        const int n = static_cast<int>(points.size());
        if (n < 4) return nullptr;
        if (order >= 33 || order > n || order < 2) order = 4;
        std::vector<double> poles;
        for (const auto& p : points) poles.insert(poles.end(), {p.x(), p.y(), p.z()});
        std::vector<double> weights(static_cast<std::size_t>(n), 1.0);
        std::vector<double> knots(static_cast<std::size_t>(n + order), 0.0);
        for (int i = 0; i < n + order; ++i) {
            if (i < order)
                knots[static_cast<std::size_t>(i)] = 0.0;
            else if (i >= n)
                knots[static_cast<std::size_t>(i)] = 1.0;
            else
                knots[static_cast<std::size_t>(i)] = static_cast<double>(i - order + 1) / (n - order + 1);
        }
        return host::runtime().CreateGeometryFactory()->CreateBSpline(nullptr, order, n, poles, weights, knots, false);
    });
}

} // namespace tcv::geometry
