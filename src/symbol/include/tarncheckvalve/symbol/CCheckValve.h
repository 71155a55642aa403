// The check-valve symbol: its constant input, output and aspect tables, its declaration to a host
// definition, and the dispatch of a representation request to the Physical or Insulation aspect.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::symbol {

struct InputDescriptor {
    std::string name;
    std::string description;
    std::int32_t properties;
    double defaultValue;
};

struct OutputDescriptor {
    std::string name;
    std::string description;
    std::int32_t aspectMask;
};

struct AspectDescriptor {
    std::string name;
    std::string description;
    std::int32_t aspectCode;
};

inline constexpr std::int32_t kPhysicalAspect = aspectCode(contract::Aspect::Physical);
inline constexpr std::int32_t kInsulationAspect = aspectCode(contract::Aspect::Insulation);

// The symbol's ProgID, "TarnCheckValve.CCheckValve".
inline constexpr const char* kCheckValveProgId = "TarnCheckValve.CCheckValve";

// Creates the symbol class a host names by ProgID; nullptr for a ProgID this library does not serve.
TCV_EXPORT std::unique_ptr<host::IZDUserSymbolServices> createSymbol(const std::string& progId);

// Every PartDataBasis the symbol draws: the default bodies first, then the values of the variant
// registry ascending, each once.
TCV_EXPORT std::vector<std::int32_t> servedPartDataBases();

class TCV_EXPORT CCheckValve : public host::IZDUserSymbolServices {
public:
    CCheckValve();
    ~CCheckValve() override;

    host::ObjectPtr InstanciateDefinition(const std::string& CodeBase, const host::Variant& defParameters,
                                          const host::ObjectPtr& ActiveConnection) override;
    std::string GetDefinitionName(const host::Variant& definitionParameters) override;
    void InitializeSymbolDefinition(const host::ObjectPtr& pSymbolDefinition) override;
    void InvokeRepresentation(const host::ObjectPtr& sblOcc, const std::string& repName,
                              const host::ObjectPtr& OutputColl, const host::VariantArray& arrayofinputs) override;
    bool EditOccurence(const host::ObjectPtr& pSymbolOccurence, const host::ObjectPtr& transactionMgr) override;

    // The constant tables, 0-based here (entry i of the tables is element i - 1).
    const std::vector<InputDescriptor>& inputTable() const { return m_inputs; }
    const std::vector<OutputDescriptor>& outputTable() const { return m_outputs; }
    const std::vector<AspectDescriptor>& aspectTable() const { return m_aspects; }

private:
    std::string m_progId;
    std::vector<InputDescriptor> m_inputs;
    std::vector<OutputDescriptor> m_outputs;
    std::vector<AspectDescriptor> m_aspects;
};

} // namespace tcv::symbol
