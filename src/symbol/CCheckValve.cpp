#include "symbol/CCheckValve.h"

#include "base/Text.h"
#include "base/basCCheckValve.h"
#include "host/Runtime.h"
#include "insulation/CInsulation.h"
#include "physical/CPhysical.h"

namespace tcv {

namespace {

constexpr const char* kPrefix = "CCheckValve:";

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
        m_projectName = "TarnCheckValve";
        m_className = "CCheckValve";
        m_progId = m_projectName + "." + m_className;

        m_inputs = {
            {"FacetoFace", "Face to Face", 264, 0},
            {"InsulationThickness", "Insulation Thickness", 256, 0.025},
            {"HandwheelAngle", "Rotation of Operator", 264, 0},
            {"BodyDiameter", "Body Diameter", 264, 0.192},
            {"PortVOffset", "Vertical Port Offset", 264, 0.092},
            {"B", "Major Body Diameter", 264, 0},
            {"OffsetFrmValCen", "Offset from Valve Centerline", 264, 0},
            {"Length2", "Length2", 264, 0},
            {"OffsetfromPort1", "Offset from Port 1", 264, 0},
            {"EqualizerClearance", "Equalizer Clearance", 264, 0},
            {"Diameter", "Diameter", 264, 0},
            {"HeightFrmValCen", "Height from Valve Centerline", 264, 0},
            {"Width", "Width", 264, 0},
            {"Height", "Height", 264, 0},
            {"PlugDiameter", "Plug Diameter", 264, 0},
            {"FlushDiameter1", "Flush Diameter 1", 264, 0},
            {"FlushDiameter2", "Flush Diameter 2", 264, 0},
            {"FlushDiameter", "Flush Diameter", 264, 0},
            {"A", "A", 264, 0},
            {"C", "C", 264, 0},
            {"D", "D", 264, 0},
            {"E", "E", 264, 0},
            {"ValveFacetoFace", "Valve Face to Face", 264, 0},
            {"NippleLength", "Nipple Length", 264, 0},
            {"EndtoEnd", "End to End", 264, 0},
            {"XOffJacketInlet", "XOffJacketInlet", 264, 0},
            {"YOffJacketOutlet", "YOffJacketOutlet", 264, 0},
            {"ZOffJacketInlet", "ZOffJacketInlet", 264, 0},
            {"YOffJacketInlet", "YOffJacketInlet", 264, 0},
            {"ValveHeight", "Valve height", 264, 0},
            {"Face1toCenter", "Face to Center Port 1", 264, 0},
            {"Face2toCenter", "Face to Center Port 2", 264, 0},
            {"FacetoCenter", "Face to Center", 264, 0},
            {"BranchLength", "Branch Length", 264, 0},
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
        m_inputCount = static_cast<std::int16_t>(m_inputs.size());
        m_outputCount = static_cast<std::int16_t>(m_outputs.size());
        m_aspectCount = static_cast<std::int16_t>(m_aspects.size());
    });
}

CCheckValve::~CCheckValve() { m_symbolFactory.reset(); }

host::ObjectPtr CCheckValve::InstanciateDefinition(const std::string& CodeBase, const host::Variant& /*defParameters*/,
                                                   const host::ObjectPtr& ActiveConnection) {
    return withErrorReport(kPrefix, "IZDUserSymbolServices_InstanciateDefinition:", [&] {
        auto factory = host::runtime().CreateSymbolEntitiesFactory();
        m_symbolFactory = factory;
        host::ObjectPtr definitionObject = factory->createEntity(1, ActiveConnection);
        m_symbolFactory.reset();
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

        rt.CreateDefinitionAuxiliary()->initialize(definition, 1);

        // One default-value object serves every input; each input keeps a copy.
        auto defaultValue = rt.CreateParameterContent();
        defaultValue->setType(2);
        for (std::int16_t i = 1; i <= m_inputCount; ++i) {
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
            representation->setFlags(16);
            representation->setIdentifier(aspect.aspectCode);
            // One output object serves every output of the representation; the host copies it.
            auto output = rt.CreateOutputDescription();
            for (const auto& entry : m_outputs) {
                if ((entry.aspectMask & aspect.aspectCode) == 0) continue;
                output->setName(entry.name);
                output->setDescription(entry.description);
                output->setFlags(16);
                representation->addOutput(output);
            }
            definition->addRepresentation(representation);
        }

        for (const auto& aspect : m_aspects) {
            auto evaluation = rt.CreateEvaluation();
            evaluation->setName(aspect.name);
            evaluation->setDescription(aspect.description);
            evaluation->setFlags(1);
            evaluation->setKind(512);
            evaluation->setProgId(m_progId);
            definition->addEvaluation(evaluation);
        }

        definition->setOptions(256);
    });
}

void CCheckValve::InvokeRepresentation(const host::ObjectPtr& /*sblOcc*/, const std::string& repName,
                                       const host::ObjectPtr& OutputColl, const host::VariantArray& arrayofinputs) {
    withErrorReport(kPrefix, "IZDUserSymbolServices_InvokeRepresentation:", [&] {
        m_outputColl = OutputColl;

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

bool CCheckValve::EditOccurence(const host::ObjectPtr& /*pSymbolOccurence*/,
                                const host::ObjectPtr& /*transactionMgr*/) {
    return false;
}

} // namespace tcv
