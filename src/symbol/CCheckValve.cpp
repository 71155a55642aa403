#include "tarncheckvalve/symbol/CCheckValve.h"

#include <optional>

#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"
#include "tarncheckvalve/variants/Aspects.h"

namespace tcv::symbol {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::ports;
using namespace tcv::variants;

namespace {

constexpr const char* kPrefix = "CCheckValve:";
constexpr const char* kProjectName = "TarnCheckValve";
constexpr const char* kClassName = "CCheckValve";

// Values handed to the host as they are; their meaning lies with the host.
constexpr std::int32_t kRepresentationFlags = 16; // each representation and each of its outputs
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

        for (const auto& entry : kInputContract)
            m_inputs.push_back(
                {std::string(entry.name), std::string(entry.description), entry.properties, entry.defaultValue});
        for (const auto& entry : kOutputContract)
            m_outputs.push_back({std::string(entry.name), std::string(entry.description), aspectCode(entry.aspect)});
        for (Aspect aspect : kAspects)
            m_aspects.push_back({std::string(aspectName(aspect)), std::string(aspectName(aspect)), aspectCode(aspect)});
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
        // The representation is named as the definition declares it; any other name draws nothing.
        const std::optional<Aspect> aspect = aspectNamed(repName);
        if (!aspect || aspectName(*aspect) != repName) return;

        host::StringArray arrayOfOutputs;
        for (const auto& entry : kOutputContract)
            if (entry.aspect == *aspect) arrayOfOutputs.push_back(std::string(entry.name));

        auto outputColl = host::queryInterface<host::IOutputCollection>(OutputColl);
        switch (*aspect) {
        case Aspect::Physical:
            CPhysical().run(outputColl, arrayofinputs, arrayOfOutputs);
            break;
        case Aspect::Insulation:
            CInsulation().run(outputColl, arrayofinputs, arrayOfOutputs);
            break;
        }
    });
}

bool CCheckValve::EditOccurence(const host::ObjectPtr& /*pSymbolOccurence*/,
                                const host::ObjectPtr& /*transactionMgr*/) {
    return false;
}

std::unique_ptr<host::IZDUserSymbolServices> createSymbol(const std::string& progId) {
    if (progId != kCheckValveProgId) return nullptr;
    return std::make_unique<CCheckValve>();
}

std::vector<std::int32_t> servedPartDataBases() { return variants::drawnPartDataBases(); }

} // namespace tcv::symbol
