// The host's geometry services: curves, planes, persistent solids and surfaces, collections, the
// geometry factory that creates them, and the box symbol placed as a nested symbol.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Math.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::host {

// A curve (line, arc, circle, elliptical arc, line string, complex string, B-spline). Transient
// curves serve as profiles, paths, guides and sections.
class TCV_EXPORT ICurve : public virtual IObject {
public:
    virtual void EndPoints(DPosition& start, DPosition& end) const = 0;
    virtual void Transform(const DT4x4& matrix) = 0;
};
using CurvePtr = std::shared_ptr<ICurve>;

// A bounded plane made from a closed polygon of points.
class TCV_EXPORT IPlane : public virtual IObject {
public:
    virtual void Transform(const DT4x4& matrix) = 0;
};
using PlanePtr = std::shared_ptr<IPlane>;

// A persistent graphic (solid or surface) owned by a resource manager.
class TCV_EXPORT IGraphic : public virtual IObject {
public:
    virtual void Transform(const DT4x4& matrix) = 0;
};
using GraphicPtr = std::shared_ptr<IGraphic>;

// An ordered host collection (curve collections, element sets, the results of sweeps and lofts).
// Members are numbered from 1.
class TCV_EXPORT ICollection : public virtual IObject {
public:
    virtual int Count() const = 0;
    virtual ObjectPtr Item(int index) const = 0;
    virtual void Add(const ObjectPtr& member) = 0;
    virtual void Clear() = 0;
};
using CollectionPtr = std::shared_ptr<ICollection>;

// The geometry factory. Every creation takes a resource manager first: persistent creations get the
// output collection's "ResourceManager", transient ones get nullptr. Creations the host cannot make
// (zero-length axis, non-finite value, kernel failure) raise a HostError.
class TCV_EXPORT IGeometryFactory : public virtual IObject {
public:
    // Curves and planes.
    virtual CurvePtr CreateLine(const ResourceManagerPtr& rm, const DPosition& start, const DPosition& end) = 0;
    virtual CurvePtr CreateArcBy3Points(const ResourceManagerPtr& rm, const DPosition& start, const DPosition& onArc,
                                        const DPosition& end) = 0;
    virtual CurvePtr CreateArcByCenter(const ResourceManagerPtr& rm, const DPosition& centre, const DPosition& start,
                                       const DPosition& end) = 0;
    virtual CurvePtr CreateArcByCenterNormal(const ResourceManagerPtr& rm, const DPosition& centre,
                                             const DVector& normal, const DPosition& start, const DPosition& end) = 0;
    virtual CurvePtr CreateCircle(const ResourceManagerPtr& rm, const DPosition& centre, const DVector& normal,
                                  double radius) = 0;
    virtual CurvePtr CreateCircleBy3Points(const ResourceManagerPtr& rm, const DPosition& p1, const DPosition& p2,
                                           const DPosition& p3) = 0;
    // majorAxis runs from the centre to the end of the major axis; its length is the major radius.
    virtual CurvePtr CreateEllipticalArc(const ResourceManagerPtr& rm, const DPosition& centre, const DVector& normal,
                                         const DVector& majorAxis, double minorMajorRatio, double startAngle,
                                         double sweepAngle) = 0;
    virtual CurvePtr CreateLineString(const ResourceManagerPtr& rm, int pointCount,
                                      const std::vector<double>& coordinates) = 0;
    virtual PlanePtr CreatePlane(const ResourceManagerPtr& rm, int pointCount,
                                 const std::vector<double>& coordinates) = 0;
    virtual CurvePtr CreateComplexString(const ResourceManagerPtr& rm, const std::vector<CurvePtr>& curves) = 0;
    virtual CurvePtr CreateBSpline(const ResourceManagerPtr& rm, int order, int poleCount,
                                   const std::vector<double>& poles, const std::vector<double>& weights,
                                   const std::vector<double>& knots, bool periodic) = 0;

    // Persistent solids and surfaces.
    virtual GraphicPtr CreateProjection(const ResourceManagerPtr& rm, const CurvePtr& curve, const DVector& direction,
                                        double length, bool capped) = 0;
    virtual GraphicPtr CreateRevolution(const ResourceManagerPtr& rm, const CurvePtr& curve, const DVector& axis,
                                        const DPosition& centre, double angle, bool capped) = 0;
    virtual GraphicPtr CreateCone(const ResourceManagerPtr& rm, const DPosition& baseCentre, const DPosition& topCentre,
                                  const DPosition& onBase, const DPosition& onTop, bool capped) = 0;
    virtual GraphicPtr CreateTorus(const ResourceManagerPtr& rm, const DPosition& centre, const DVector& axis,
                                   const DVector& majorDirection, double ringRadius, double tubeRadius,
                                   bool capped) = 0;
    // Between two curves or two planes.
    virtual GraphicPtr CreateRuledSurface(const ResourceManagerPtr& rm, const ObjectPtr& first, const ObjectPtr& second,
                                          bool capped) = 0;
    // A cross-section swept along a path; returns a collection of solids. The two optional out-values
    // receive the start and end caps where the host makes them.
    virtual CollectionPtr CreateSingleSweep(const ResourceManagerPtr& rm, const CurvePtr& path, const CurvePtr& section,
                                            std::int32_t cornerOption, std::int32_t stepOption, ObjectPtr& startCap,
                                            ObjectPtr& endCap, std::int32_t flag) = 0;
    // A skin or loft through the sections along the guides; returns a collection of surfaces
    // (a closed solid where capped is non-zero).
    virtual CollectionPtr CreateSkin(const ResourceManagerPtr& rm, const CollectionPtr& guides,
                                     const CollectionPtr& sections, std::int32_t capped) = 0;
};
using GeometryFactoryPtr = std::shared_ptr<IGeometryFactory>;

// One indexed value of a nested symbol's values collection.
struct ParameterEntry {
    std::int16_t index = 0;
    ParameterContentPtr content;
};

// "IZDValuesArg": a nested symbol occurrence takes its indexed values, then is told to recompute.
class TCV_EXPORT IZDValuesArg {
public:
    virtual ~IZDValuesArg() = default;
    virtual void SetValues(const std::vector<ParameterEntry>& values) = 0;
};

class TCV_EXPORT ISymbolOccurrenceCompute {
public:
    virtual ~ISymbolOccurrenceCompute() = default;
    virtual void Compute() = 0;
};

class TCV_EXPORT IDefinitionCollection : public virtual IObject {
public:
    virtual ObjectPtr GetDefinitionByProgId(const std::string& progId, const std::string& codeBase) = 0;
};
using DefinitionCollectionPtr = std::shared_ptr<IDefinitionCollection>;

// The symbol factory through which nested symbols such as "Box.BoxServices" are placed.
class TCV_EXPORT ISymbolFactory : public virtual IObject {
public:
    virtual DefinitionCollectionPtr DefinitionCollection(const ResourceManagerPtr& rm) = 0;
    virtual ObjectPtr PlaceSymbol(const ObjectPtr& definition, const ResourceManagerPtr& rm) = 0;
};
using SymbolFactoryPtr = std::shared_ptr<ISymbolFactory>;

} // namespace tcv::host
