// Port data: the five values of a port that shape the ends of a valve, and the pipe outside diameter
// with its estimate from the data file "OutsideDiameterforSymbolGraphics.xml".
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Piping.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::ports {

// The five values of one port, as RetrievePortData returns them.
struct PortDataRecord {
    double pipeOD = 0;
    double flangeThickness = 0;
    double flangeDiameter = 0;
    double cptOffset = 0;
    double depth = 0;
};

// Finds the part's port whose port index equals `portIndex` and writes its values; a part without
// such a port leaves every output as the caller held it. With `flanged` true, a flanged port
// (termination class 5) reports a cpt offset of 0.
TCV_EXPORT void RetrievePortData(std::int16_t& portIndex, const host::ObjectPtr& part,
                                 const host::OutputCollectionPtr& outputColl, double& pipeOD, double& flangeThickness,
                                 double& flangeDiameter, double& cptOffset, double& depth, bool flanged = false);
// As RetrievePortData, also reading the port's further integer attribute.
TCV_EXPORT void RetrievePortDataEx(std::int16_t& portIndex, const host::ObjectPtr& part,
                                   const host::OutputCollectionPtr& outputColl, double& pipeOD, double& flangeThickness,
                                   double& flangeDiameter, double& cptOffset, double& depth, std::int32_t& attribute,
                                   bool flanged = false);

// Convenience for builders: RetrievePortData with the flag the builders pass (true) into `record`,
// which keeps its values where the part has no such port.
TCV_EXPORT void RetrievePortData(std::int16_t portIndex, const host::ObjectPtr& part,
                                 const host::OutputCollectionPtr& outputColl, PortDataRecord& record);

// The pipe outside diameter of the port at position `portIndex` of the part's ports; never raises.
TCV_EXPORT double GetPipeOutsideDiamter(const host::ObjectPtr& part, std::int16_t portIndex);
// True when the data file exists in the host's data directory; remembers its full path.
TCV_EXPORT bool CheckXMLExists(const std::string& fileName);
// Linear interpolation (or extrapolation from the two nearest sizes) in the size table.
TCV_EXPORT double InterpolatePipeOutsideDiameter(std::map<double, double>& sizeTable, double nominalSize);
// Replaces the numbers by the same numbers in ascending order.
TCV_EXPORT void SortCollection(std::vector<double>& numbers);

// Forgets the calling thread's module state (context object and stored data-file path).
TCV_EXPORT void resetPortModuleState();

// Starts an evaluation on the calling thread: within it, the diameter lookup checks the data file and
// finds the part's entry in it once, not again for every port. Without it every lookup checks anew.
TCV_EXPORT void beginPortLookups();

} // namespace tcv::ports
