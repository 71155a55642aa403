// The default bodies that `run` builds itself.
#include "physical/CPhysical.h"

namespace tcv {

bool CPhysical::buildDefaultBody(RunState&, const host::OutputCollectionPtr&, const host::VariantArray&,
                                 const host::StringArray&) {
    return false;
}

bool CPhysical::PlaceValveOperator(const host::OutputCollectionPtr&, const host::VariantArray&,
                                   const OperatorPlacement&) {
    return true;
}

host::EditArgumentPtr CPhysical::GetIZDEditZDArgument(const host::ObjectPtr&) { return nullptr; }
void CPhysical::UpdateOperatorAttributes(const host::ObjectPtr&, const std::string&, const std::string&,
                                         const host::Variant&, const host::EditArgumentPtr&) {}
void CPhysical::UpdateSymbolArgument(double, std::int16_t, const host::EditArgumentPtr&) {}

} // namespace tcv
