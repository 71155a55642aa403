// Placeholder until port data lands.
#include "ports/basPipePortParameters.h"

namespace tcv {

void RetrievePortData(std::int16_t&, const host::ObjectPtr&, const host::OutputCollectionPtr&, double&, double&,
                      double&, double&, double&, bool) {
    throw host::HostError(host::kGenericFailure, "port data not available yet");
}
void RetrievePortDataEx(std::int16_t&, const host::ObjectPtr&, const host::OutputCollectionPtr&, double&, double&,
                        double&, double&, double&, std::int32_t&, bool) {
    throw host::HostError(host::kGenericFailure, "port data not available yet");
}
void RetrievePortData(std::int16_t, const host::ObjectPtr&, const host::OutputCollectionPtr&, PortDataRecord&) {
    throw host::HostError(host::kGenericFailure, "port data not available yet");
}
double GetPipeOutsideDiamter(const host::ObjectPtr&, std::int16_t) { return 0; }
bool CheckXMLExists(const std::string&) { return false; }
double InterpolatePipeOutsideDiameter(std::map<double, double>&, double) { return 0; }
void SortCollection(std::vector<double>&) {}
void ResetPortModuleState() {}

} // namespace tcv
