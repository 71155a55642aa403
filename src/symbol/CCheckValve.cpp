#include "symbol/CCheckValve.h"

#include <algorithm>

#include "base/Text.h"
#include "base/basCCheckValve.h"
#include "host/Runtime.h"
#include "insulation/CInsulation.h"
#include "physical/CPhysical.h"
#include "ports/basPipePortParameters.h"

namespace tcv {

namespace {

constexpr const char* kPrefix = "CCheckValve:";
constexpr const char* kProjectName = "TarnCheckValve";
constexpr const char* kClassName = "CCheckValve";

// Values handed to the host as they are; their meaning lies with the host.
constexpr std::int32_t kDimensionInputProperties = 264;  // every input but the insulation thickness
constexpr std::int32_t kInsulationInputProperties = 256; // the insulation thickness
constexpr std::int32_t kRepresentationFlags = 16;        // each representation and each of its outputs
constexpr std::int32_t kEvaluationFlags = 1;
constexpr std::int32_t kEvaluationKind = 512;
constexpr std::int32_t kDefinitionOptions = 256;
constexpr std::int16_t kDefaultValueType = 2;
constexpr std::int32_t kDefinitionEntityKind = 1;
constexpr std::int32_t kAuxiliaryArgument = 1;

template <class T>
std::shared_ptr<T> require(const host::ObjectPtr& object, const char* what) {
    auto typed = host::queryInterface<T>(object);
    if (!typed)
        throw host::HostError(host::kTypeMismatch, std::string(what) + " does not offer the expected interface");
    return typed;
}

} // namespace

CCheckValve::CCheckValve() {
    withErrorReport(kPrefix, "Class_Initialize:", [&] {
        m_progId = std::string(kProjectName) + "." + kClassName;

        m_inputs = {
            {"FacetoFace", "Face to Face", kDimensionInputProperties, 0},
            {"InsulationThickness", "Insulation Thickness", kInsulationInputProperties, 0.025},
            {"HandwheelAngle", "Rotation of Operator", kDimensionInputProperties, 0},
            {"BodyDiameter", "Body Diameter", kDimensionInputProperties, 0.192},
            {"PortVOffset", "Vertical Port Offset", kDimensionInputProperties, 0.092},
            {"B", "Major Body Diameter", kDimensionInputProperties, 0},
            {"OffsetFrmValCen", "Offset from Valve Centerline", kDimensionInputProperties, 0},
            {"Length2", "Length2", kDimensionInputProperties, 0},
            {"OffsetfromPort1", "Offset from Port 1", kDimensionInputProperties, 0},
            {"EqualizerClearance", "Equalizer Clearance", kDimensionInputProperties, 0},
            {"Diameter", "Diameter", kDimensionInputProperties, 0},
            {"HeightFrmValCen", "Height from Valve Centerline", kDimensionInputProperties, 0},
            {"Width", "Width", kDimensionInputProperties, 0},
            {"Height", "Height", kDimensionInputProperties, 0},
            {"PlugDiameter", "Plug Diameter", kDimensionInputProperties, 0},
            {"FlushDiameter1", "Flush Diameter 1", kDimensionInputProperties, 0},
            {"FlushDiameter2", "Flush Diameter 2", kDimensionInputProperties, 0},
            {"FlushDiameter", "Flush Diameter", kDimensionInputProperties, 0},
            {"A", "A", kDimensionInputProperties, 0},
            {"C", "C", kDimensionInputProperties, 0},
            {"D", "D", kDimensionInputProperties, 0},
            {"E", "E", kDimensionInputProperties, 0},
            {"ValveFacetoFace", "Valve Face to Face", kDimensionInputProperties, 0},
            {"NippleLength", "Nipple Length", kDimensionInputProperties, 0},
            {"EndtoEnd", "End to End", kDimensionInputProperties, 0},
            {"XOffJacketInlet", "XOffJacketInlet", kDimensionInputProperties, 0},
            {"YOffJacketOutlet", "YOffJacketOutlet", kDimensionInputProperties, 0},
            {"ZOffJacketInlet", "ZOffJacketInlet", kDimensionInputProperties, 0},
            {"YOffJacketInlet", "YOffJacketInlet", kDimensionInputProperties, 0},
            {"ValveHeight", "Valve height", kDimensionInputProperties, 0},
            {"Face1toCenter", "Face to Center Port 1", kDimensionInputProperties, 0},
            {"Face2toCenter", "Face to Center Port 2", kDimensionInputProperties, 0},
            {"FacetoCenter", "Face to Center", kDimensionInputProperties, 0},
            {"BranchLength", "Branch Length", kDimensionInputProperties, 0},
        };
        m_outputs = {
            {"Body", "Check Valve Body", kPhysicalAspect},
            {"InsulatedBody", "Check Valve Insulated Body", kInsulationAspect},
            {"PNoz1", "Nozzle 1", kPhysicalAspect},
            {"PNoz2", "Nozzle 2", kPhysicalAspect},
        };
        m_aspects = {
            {"Physical", "Physical", kPhysicalAspect},
            {"Insulation", "Insulation", kInsulationAspect},
        };
    });
}

CCheckValve::~CCheckValve() = default;

host::ObjectPtr CCheckValve::InstanciateDefinition(const std::string& CodeBase, const host::Variant& /*defParameters*/,
                                                   const host::ObjectPtr& ActiveConnection) {
    return withErrorReport(kPrefix, "IZDUserSymbolServices_InstanciateDefinition:", [&] {
        auto factory = host::runtime().CreateSymbolEntitiesFactory();
        host::ObjectPtr definitionObject = factory->createEntity(kDefinitionEntityKind, ActiveConnection);
        factory.reset();
        InitializeSymbolDefinition(definitionObject);
        auto definition = require<host::ISymbolDefinition>(definitionObject, "the definition");
        definition->setProgId(m_progId);
        definition->setCodeBase(CodeBase);
        definition->setName(definition->name());
        return definitionObject;
    });
}

std::string CCheckValve::GetDefinitionName(const host::Variant& /*definitionParameters*/) { return m_progId; }

void CCheckValve::InitializeSymbolDefinition(const host::ObjectPtr& pSymbolDefinition) {
    withErrorReport(kPrefix, "IZDUserSymbolServices_InitializeSymbolDefinition:", [&] {
        auto& rt = host::runtime();
        auto definition = require<host::ISymbolDefinition>(pSymbolDefinition, "the definition");
        definition->clearInputs();
        definition->clearRepresentations();
        definition->clearEvaluations();

        rt.CreateDefinitionAuxiliary()->initialize(definition, kAuxiliaryArgument);

        // One default-value object serves every input; each input keeps a copy.
        auto defaultValue = rt.CreateParameterContent();
        defaultValue->setType(kDefaultValueType);
        const auto inputCount = static_cast<std::int16_t>(m_inputs.size());
        for (std::int16_t i = 1; i <= inputCount; ++i) {
            const auto& entry = m_inputs[static_cast<std::size_t>(i - 1)];
            auto input = rt.CreateInput();
            input->setName(entry.name);
            input->setDescription(entry.description);
            input->setProperties(entry.properties);
            defaultValue->setUomValue(entry.defaultValue);
            input->setDefaultValue(defaultValue);
            definition->addInput(input, static_cast<std::int16_t>(i + 1));
        }

        for (const auto& aspect : m_aspects) {
            auto representation = rt.CreateRepresentation();
            representation->setName(aspect.name);
            representation->setDescription(aspect.description);
            representation->setFlags(kRepresentationFlags);
            representation->setIdentifier(aspect.aspectCode);
            // One output object serves every output of the representation; the host copies it.
            auto output = rt.CreateOutputDescription();
            for (const auto& entry : m_outputs) {
                if ((entry.aspectMask & aspect.aspectCode) == 0) continue;
                output->setName(entry.name);
                output->setDescription(entry.description);
                output->setFlags(kRepresentationFlags);
                representation->addOutput(output);
            }
            definition->addRepresentation(representation);
        }

        for (const auto& aspect : m_aspects) {
            auto evaluation = rt.CreateEvaluation();
            evaluation->setName(aspect.name);
            evaluation->setDescription(aspect.description);
            evaluation->setFlags(kEvaluationFlags);
            evaluation->setKind(kEvaluationKind);
            evaluation->setProgId(m_progId);
            definition->addEvaluation(evaluation);
        }

        definition->setOptions(kDefinitionOptions);
    });
}

void CCheckValve::InvokeRepresentation(const host::ObjectPtr& /*sblOcc*/, const std::string& repName,
                                       const host::ObjectPtr& OutputColl, const host::VariantArray& arrayofinputs) {
    withErrorReport(kPrefix, "IZDUserSymbolServices_InvokeRepresentation:", [&] {
        beginPortLookups();
        const AspectDescriptor* aspect = nullptr;
        for (const auto& entry : m_aspects)
            if (entry.name == repName) {
                aspect = &entry;
                break;
            }
        if (!aspect) return;

        host::StringArray arrayOfOutputs;
        for (const auto& entry : m_outputs)
            if (entry.aspectMask == aspect->aspectCode) arrayOfOutputs.push_back(entry.name);

        auto outputColl = host::queryInterface<host::IOutputCollection>(OutputColl);
        if (equalsIgnoringCase(repName, "Physical")) {
            CPhysical physical;
            physical.run(outputColl, arrayofinputs, arrayOfOutputs);
        }
        if (equalsIgnoringCase(repName, "Insulation")) {
            CInsulation insulation;
            insulation.run(outputColl, arrayofinputs, arrayOfOutputs);
        }
    });
}

std::vector<std::int32_t> servedPartDataBases() {
    std::vector<std::int32_t> served = CPhysical::servedPartDataBases();
    for (std::int32_t value : CInsulation::servedPartDataBases())
        if (std::find(served.begin(), served.end(), value) == served.end()) served.push_back(value);
    return served;
}

bool CCheckValve::EditOccurence(const host::ObjectPtr& /*pSymbolOccurence*/,
                                const host::ObjectPtr& /*transactionMgr*/) {
    return false;
}

std::unique_ptr<host::IZDUserSymbolServices> createSymbol(const std::string& progId) {
    if (progId != kCheckValveProgId) return nullptr;
    return std::make_unique<CCheckValve>();
}

} // namespace tcv
