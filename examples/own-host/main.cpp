// A host of one's own for the check-valve symbol, without any geometry kernel. It creates the symbol
// by its ProgID, has it declare its definition (printed), then evaluates one aspect of a part given on
// the command line and prints every creation the symbol makes as a bill of primitives.
//
//   own-host PARTDATABASIS [--aspect Physical|Insulation] [NAME=VALUE ...]
//
// NAME is one of the definition's inputs (lengths in metres, angles in radians); inputs left out take
// the definition's defaults. The part has two ports of NPS 4 class 150 flanges.
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <tarncheckvalve/host/Runtime.h>
#include <tarncheckvalve/host/Version.h>
#include <tarncheckvalve/symbol/CCheckValve.h>

using namespace tcv;
using namespace tcv::host;

namespace {

int g_line = 0;
std::ostream& bill() { return std::cout << "  " << ++g_line << ". "; }
std::ostream& operator<<(std::ostream& out, const DPosition& p) {
    return out << "(" << p.x() << ", " << p.y() << ", " << p.z() << ")";
}
std::ostream& operator<<(std::ostream& out, const DVector& v) {
    return out << "<" << v.x() << ", " << v.y() << ", " << v.z() << ">";
}

// --- The symbol-entities library: the definition the symbol declares itself to. -------------------
struct Content : IParameterContent {
    std::int32_t type_ = 0, flag_ = 0;
    double value_ = 0;
    void setType(std::int32_t type) override { type_ = type; }
    void setUomValue(double value) override { value_ = value; }
    void setSecondFlag(std::int32_t flag) override { flag_ = flag; }
    std::int32_t type() const override { return type_; }
    std::int32_t secondFlag() const override { return flag_; }
    double uomValue() const override { return value_; }
};
struct Input : IInput {
    std::string name;
    double defaultValue = 0;
    void setName(const std::string& n) override { name = n; }
    void setDescription(const std::string&) override {}
    void setProperties(std::int32_t) override {}
    void setDefaultValue(const ParameterContentPtr& value) override { defaultValue = value->uomValue(); }
};
struct Output : IOutputDescription {
    std::string name;
    void setName(const std::string& n) override { name = n; }
    void setDescription(const std::string&) override {}
    void setFlags(std::int32_t) override {}
};
struct Representation : IRepresentation {
    std::string name;
    std::int32_t id = 0;
    std::vector<std::string> outputs;
    void setName(const std::string& n) override { name = n; }
    void setDescription(const std::string&) override {}
    void setFlags(std::int32_t) override {}
    void setIdentifier(std::int32_t identifier) override { id = identifier; }
    void addOutput(const OutputDescriptionPtr& output) override {
        outputs.push_back(std::dynamic_pointer_cast<Output>(output)->name);
    }
};
struct Evaluation : IEvaluation {
    void setName(const std::string&) override {}
    void setDescription(const std::string&) override {}
    void setFlags(std::int32_t) override {}
    void setKind(std::int32_t) override {}
    void setProgId(const std::string&) override {}
};
struct Definition : ISymbolDefinition {
    std::string progId, name_ = "Definition";
    std::map<std::int16_t, std::shared_ptr<Input>> inputs;
    std::vector<std::shared_ptr<Representation>> representations;
    void setProgId(const std::string& p) override { progId = p; }
    void setCodeBase(const std::string&) override {}
    void setName(const std::string& n) override { name_ = n; }
    std::string name() const override { return name_; }
    void clearInputs() override { inputs.clear(); }
    void addInput(const InputPtr& input, std::int16_t position) override {
        inputs[position] = std::make_shared<Input>(*std::dynamic_pointer_cast<Input>(input));
    }
    void clearRepresentations() override { representations.clear(); }
    void addRepresentation(const RepresentationPtr& r) override {
        representations.push_back(std::make_shared<Representation>(*std::dynamic_pointer_cast<Representation>(r)));
    }
    void clearEvaluations() override {}
    void addEvaluation(const EvaluationPtr&) override {}
    void setOptions(std::int32_t) override {}
};
struct EntitiesFactory : ISymbolEntitiesFactory {
    ObjectPtr createEntity(std::int32_t, const ObjectPtr&) override { return std::make_shared<Definition>(); }
};
struct Auxiliary : IDefinitionAuxiliary {
    void initialize(const SymbolDefinitionPtr&, std::int32_t) override {}
};

// --- Geometry: every creation is a line of the bill; curves keep their end points. -----------------
struct Curve : ICurve {
    DPosition start, end;
    void EndPoints(DPosition& s, DPosition& e) const override { s = start, e = end; }
    void Transform(const DT4x4& m) override { start = m.transformPosition(start), end = m.transformPosition(end); }
};
struct Plane : IPlane {
    void Transform(const DT4x4&) override {}
};
struct Graphic : IGraphic {
    void Transform(const DT4x4&) override {}
};
struct Collection : ICollection {
    std::vector<ObjectPtr> members;
    int Count() const override { return static_cast<int>(members.size()); }
    ObjectPtr Item(int index) const override {
        if (index < 1 || index > Count()) throw HostError(kBadIndex);
        return members[static_cast<std::size_t>(index - 1)];
    }
    void Add(const ObjectPtr& member) override { members.push_back(member); }
    void Clear() override { members.clear(); }
};
CurvePtr curve(const DPosition& s, const DPosition& e) {
    auto c = std::make_shared<Curve>();
    c->start = s, c->end = e;
    return c;
}
const char* kind(const ResourceManagerPtr& rm) { return rm ? "" : " (transient)"; }

struct Geometry : IGeometryFactory {
    CurvePtr CreateLine(const ResourceManagerPtr& rm, const DPosition& s, const DPosition& e) override {
        bill() << "line " << s << " to " << e << kind(rm) << "\n";
        return curve(s, e);
    }
    CurvePtr CreateArcBy3Points(const ResourceManagerPtr& rm, const DPosition& s, const DPosition& m,
                                const DPosition& e) override {
        bill() << "arc " << s << " through " << m << " to " << e << kind(rm) << "\n";
        return curve(s, e);
    }
    CurvePtr CreateArcByCenter(const ResourceManagerPtr& rm, const DPosition& c, const DPosition& s,
                               const DPosition& e) override {
        bill() << "arc about " << c << " from " << s << " to " << e << kind(rm) << "\n";
        return curve(s, e);
    }
    CurvePtr CreateArcByCenterNormal(const ResourceManagerPtr& rm, const DPosition& c, const DVector& n,
                                     const DPosition& s, const DPosition& e) override {
        bill() << "arc about " << c << " normal " << n << " from " << s << " to " << e << kind(rm) << "\n";
        return curve(s, e);
    }
    CurvePtr CreateCircle(const ResourceManagerPtr& rm, const DPosition& c, const DVector& n, double r) override {
        bill() << "circle at " << c << " normal " << n << " radius " << r << kind(rm) << "\n";
        return curve(c, c);
    }
    CurvePtr CreateCircleBy3Points(const ResourceManagerPtr& rm, const DPosition& a, const DPosition& b,
                                   const DPosition& c) override {
        bill() << "circle through " << a << " " << b << " " << c << kind(rm) << "\n";
        return curve(a, a);
    }
    CurvePtr CreateEllipticalArc(const ResourceManagerPtr& rm, const DPosition& c, const DVector& n,
                                 const DVector& major, double ratio, double start, double sweep) override {
        bill() << "elliptical arc at " << c << " normal " << n << " major " << major << " ratio " << ratio << " from "
               << start << " rad over " << sweep << " rad" << kind(rm) << "\n";
        return curve(c, c);
    }
    CurvePtr CreateLineString(const ResourceManagerPtr& rm, int count, const std::vector<double>& xyz) override {
        bill() << "line string of " << count << " points" << kind(rm) << "\n";
        if (count < 2 || xyz.size() < static_cast<std::size_t>(3 * count)) throw HostError(kGenericFailure);
        const std::size_t last = static_cast<std::size_t>(3 * (count - 1));
        return curve({xyz[0], xyz[1], xyz[2]}, {xyz[last], xyz[last + 1], xyz[last + 2]});
    }
    PlanePtr CreatePlane(const ResourceManagerPtr& rm, int count, const std::vector<double>&) override {
        bill() << "plane of " << count << " points" << kind(rm) << "\n";
        return std::make_shared<Plane>();
    }
    CurvePtr CreateComplexString(const ResourceManagerPtr& rm, const std::vector<CurvePtr>& curves) override {
        bill() << "complex string of " << curves.size() << " curves" << kind(rm) << "\n";
        if (curves.empty()) throw HostError(kGenericFailure);
        DPosition s, e, ignored;
        curves.front()->EndPoints(s, ignored);
        curves.back()->EndPoints(ignored, e);
        return curve(s, e);
    }
    CurvePtr CreateBSpline(const ResourceManagerPtr& rm, int order, int poles, const std::vector<double>& xyz,
                           const std::vector<double>&, const std::vector<double>&, bool) override {
        bill() << "B-spline of order " << order << ", " << poles << " poles" << kind(rm) << "\n";
        if (poles < 2 || xyz.size() < static_cast<std::size_t>(3 * poles)) throw HostError(kGenericFailure);
        const std::size_t last = static_cast<std::size_t>(3 * (poles - 1));
        return curve({xyz[0], xyz[1], xyz[2]}, {xyz[last], xyz[last + 1], xyz[last + 2]});
    }
    GraphicPtr CreateProjection(const ResourceManagerPtr&, const CurvePtr&, const DVector& d, double length,
                                bool capped) override {
        bill() << "PROJECTION along " << d << " by " << length << (capped ? ", capped" : "") << "\n";
        return std::make_shared<Graphic>();
    }
    GraphicPtr CreateRevolution(const ResourceManagerPtr&, const CurvePtr&, const DVector& axis, const DPosition& c,
                                double angle, bool capped) override {
        bill() << "REVOLUTION about " << axis << " through " << c << " by " << angle << " rad"
               << (capped ? ", capped" : "") << "\n";
        return std::make_shared<Graphic>();
    }
    GraphicPtr CreateCone(const ResourceManagerPtr&, const DPosition& base, const DPosition& top,
                          const DPosition& onBase, const DPosition& onTop, bool capped) override {
        bill() << "CONE base " << base << " radius " << base.distance(onBase) << ", top " << top << " radius "
               << top.distance(onTop) << (capped ? ", capped" : "") << "\n";
        return std::make_shared<Graphic>();
    }
    GraphicPtr CreateTorus(const ResourceManagerPtr&, const DPosition& c, const DVector& axis, const DVector&,
                           double ring, double tube, bool) override {
        bill() << "TORUS at " << c << " axis " << axis << " radii " << ring << " and " << tube << "\n";
        return std::make_shared<Graphic>();
    }
    GraphicPtr CreateRuledSurface(const ResourceManagerPtr&, const ObjectPtr&, const ObjectPtr&, bool capped) override {
        bill() << "RULED SURFACE" << (capped ? ", capped" : "") << "\n";
        return std::make_shared<Graphic>();
    }
    CollectionPtr CreateSingleSweep(const ResourceManagerPtr&, const CurvePtr&, const CurvePtr&, std::int32_t,
                                    std::int32_t, ObjectPtr&, ObjectPtr&, std::int32_t) override {
        bill() << "SWEEP\n";
        auto result = std::make_shared<Collection>();
        result->Add(std::make_shared<Graphic>());
        return result;
    }
    CollectionPtr CreateSkin(const ResourceManagerPtr&, const CollectionPtr& guides, const CollectionPtr& sections,
                             std::int32_t capped) override {
        bill() << "SKIN through " << sections->Count() << " sections along " << (guides ? guides->Count() : 0)
               << " guides" << (capped ? ", capped" : "") << "\n";
        auto result = std::make_shared<Collection>();
        result->Add(std::make_shared<Graphic>());
        return result;
    }
};

// --- The nested box symbol, placed through the symbol factory. ------------------------------------
struct Box : IObject, IZDValuesArg, ISymbolOccurrenceCompute {
    std::size_t values = 0;
    void SetValues(const std::vector<ParameterEntry>& v) override { values = v.size(); }
    void Compute() override { bill() << "BOX symbol from " << values << " values\n"; }
};
struct Definitions : IDefinitionCollection {
    ObjectPtr GetDefinitionByProgId(const std::string& progId, const std::string&) override {
        std::cout << "  (nested definition " << progId << ")\n";
        return std::make_shared<Definition>();
    }
};
struct SymbolFactory : ISymbolFactory {
    DefinitionCollectionPtr DefinitionCollection(const ResourceManagerPtr&) override {
        return std::make_shared<Definitions>();
    }
    ObjectPtr PlaceSymbol(const ObjectPtr&, const ResourceManagerPtr&) override { return std::make_shared<Box>(); }
};

// --- Piping: the part with two ports, nozzles, context and units. ---------------------------------
struct Port : IPipePort {
    std::int16_t index = 1;
    std::int16_t PortIndex() const override { return index; }
    std::int32_t TerminationClass() const override { return 5; }
    std::int32_t EndType() const override { return 5; }
    std::int32_t Attribute() const override { return 0; }
    double PipingOutsideDiameter() const override { return 0.1143; }
    double FlangeOrHubOutsideDiameter() const override { return 0.2286; }
    double FlangeOrHubThickness() const override { return 0.0239; }
    double CptOffset() const override { return 0.0016; }
    double Depth() const override { return 0.0016; }
    double NozzleLength() const override { return 0.0239; }
    double NominalSize() const override { return 4; }
    std::string NominalSizeUnits() const override { return "in"; }
};
struct Ports : IPortCollection {
    std::int16_t Count() const override { return 2; }
    PipePortPtr Item(std::int16_t position) const override {
        if (position < 1 || position > 2) throw HostError(kBadIndex);
        auto port = std::make_shared<Port>();
        port->index = position;
        return port;
    }
};
struct Part : IPipingComponent {
    std::int32_t basis = 1;
    std::int32_t PartDataBasis() const override { return basis; }
    ObjectPtr ValveOperatorPart() const override { return nullptr; } // no valve operator
    std::int32_t OperatorSourceCode() const override { return 5; }
    CollectionPtr OperatorCollection() const override { return std::make_shared<Collection>(); }
    std::string OperatorText() const override { return ""; }
    PortCollectionPtr Ports() const override { return std::make_shared<::Ports>(); }
};
struct Nozzle : INozzle {
    void SetDirection(const DVector& d) override { std::cout << "     direction " << d << "\n"; }
    void SetPosition(const DPosition& p) override { std::cout << "     position " << p << "\n"; }
    void SetLength(double length) override { std::cout << "     length " << length << "\n"; }
    double PortLength() const override { return 0.0239; }
};
struct NozzleFactory : INozzleFactory {
    NozzlePtr CreatePipeNozzleFromPart(const ObjectPtr&, std::int16_t port, bool, const ResourceManagerPtr&) override {
        bill() << "NOZZLE of port " << port << "\n";
        return std::make_shared<Nozzle>();
    }
};
struct Context : IContext {
    // "OLE_SERVER": $TCV_DATA_DIR, else the installed data folder; it holds xml/OutsideDiameterforSymbolGraphics.xml.
    Variant GetVariable(const std::string& name) const override {
        if (name != "OLE_SERVER") return {};
        const char* data = std::getenv("TCV_DATA_DIR");
        return std::string(data && *data ? data : TCV_EXAMPLE_DATA_DIR);
    }
};
struct Units : IUnitsService {
    double ParseUnit(std::int32_t, const std::string& text) const override {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        const std::string unit = text.substr(used);
        if (unit == "mm") return value / 1000;
        if (unit == "in") return value * 0.0254;
        if (unit == "m" || unit.empty()) return value;
        throw HostError(kGenericFailure, "unknown unit in '" + text + "'");
    }
};

struct Store : IResourceManager {};
struct Outputs : IOutputCollection {
    ResourceManagerPtr rm = std::make_shared<Store>();
    std::vector<std::string> names;
    void AddOutput(const std::string& name, const ObjectPtr&) override {
        names.push_back(name);
        std::cout << "     -> output \"" << name << "\"\n";
    }
    ResourceManagerPtr ResourceManager() const override { return rm; }
};

// Child occurrences: this host has no operator parts, so it never places one.
struct Children : IChildOccurrenceService {
    void SetOutputCollection(const OutputCollectionPtr&) override {}
    ObjectPtr CreateChildOccurrence(const std::string& name, const ObjectPtr&, const DPosition&, const DVector&,
                                    const DVector&, const DVector&) override {
        throw HostError(kOperatorAbsent, "this host places no child occurrence '" + name + "'");
    }
};

// The runtime: the one place the symbol gets host objects from. This host offers no graphics utility
// (nozzles come from the nozzle factory) and no child occurrences (its parts have no operator).
struct Runtime : IRuntime {
    SymbolEntitiesFactoryPtr CreateSymbolEntitiesFactory() override { return std::make_shared<EntitiesFactory>(); }
    DefinitionAuxiliaryPtr CreateDefinitionAuxiliary() override { return std::make_shared<Auxiliary>(); }
    ParameterContentPtr CreateParameterContent() override { return std::make_shared<Content>(); }
    InputPtr CreateInput() override { return std::make_shared<Input>(); }
    RepresentationPtr CreateRepresentation() override { return std::make_shared<Representation>(); }
    OutputDescriptionPtr CreateOutputDescription() override { return std::make_shared<Output>(); }
    EvaluationPtr CreateEvaluation() override { return std::make_shared<Evaluation>(); }
    GeometryFactoryPtr CreateGeometryFactory() override { return std::make_shared<Geometry>(); }
    SymbolFactoryPtr CreateSymbolFactory() override { return std::make_shared<::SymbolFactory>(); }
    CollectionPtr CreateCollection() override { return std::make_shared<Collection>(); }
    NozzleFactoryPtr CreateNozzleFactory() override { return std::make_shared<::NozzleFactory>(); }
    SymbolUtilitiesPtr CreateSymbolUtilities() override {
        throw HostError(kGenericFailure, "SymbolUtilities.SyUtilities is not offered by this host");
    }
    ContextPtr CreateContext() override { return std::make_shared<Context>(); }
    UnitsServicePtr CreateUnitsService() override { return std::make_shared<Units>(); }
    ChildOccurrenceServicePtr CreateChildOccurrenceService() override { return std::make_shared<Children>(); }
    ArgumentPtr CreateArgument() override { throw HostError(kOperatorAbsent); }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: own-host PARTDATABASIS [--aspect Physical|Insulation] [NAME=VALUE ...]\n";
        return 2;
    }
    try {
        std::cout << "TarnCheckValve " << TCV_VERSION_STRING << "\n";
        RuntimeScope scope(std::make_shared<Runtime>());

        auto symbol = tcv::symbol::createSymbol(tcv::symbol::kCheckValveProgId);
        if (!symbol) throw std::runtime_error(std::string("no symbol ") + tcv::symbol::kCheckValveProgId);
        auto definition = std::make_shared<Definition>();
        symbol->InitializeSymbolDefinition(definition);
        std::cout << "definition " << symbol->GetDefinitionName({}) << ": " << definition->inputs.size() << " inputs\n";
        for (const auto& r : definition->representations)
            std::cout << "  aspect " << r->name << " (" << r->id << "): " << r->outputs.size() << " outputs\n";

        auto part = std::make_shared<Part>();
        part->basis = std::stoi(argv[1]);
        std::string aspect = "Physical";
        std::map<std::string, double> given;
        for (int i = 2; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--aspect" && i + 1 < argc) {
                aspect = argv[++i];
            } else if (auto eq = arg.find('='); eq != std::string::npos) {
                given[arg.substr(0, eq)] = std::stod(arg.substr(eq + 1));
            } else {
                throw std::invalid_argument("not NAME=VALUE: " + arg);
            }
        }
        // The input array: position 1 the part, then every input at its declared position.
        VariantArray inputs;
        inputs.push_back(ObjectPtr(part));
        for (const auto& [position, input] : definition->inputs) {
            const auto it = given.find(input->name);
            inputs.push_back(it != given.end() ? it->second : input->defaultValue);
            if (it != given.end()) given.erase(it);
        }
        if (!given.empty()) throw std::invalid_argument("no input named " + given.begin()->first);

        std::cout << "bill of primitives, PartDataBasis " << part->basis << ", aspect " << aspect << ":\n";
        auto outputs = std::make_shared<Outputs>();
        symbol->InvokeRepresentation(nullptr, aspect, outputs, inputs);
        std::cout << outputs->names.size() << " outputs\n";
        return 0;
    } catch (const HostError& error) {
        std::cerr << "own-host: the symbol failed: " << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "own-host: " << error.what() << "\n";
        return 2;
    }
}
