// Parts of the nipple-end valves and the port-sized bonneted bodies for the tests of both aspects: part
// makers, the sample parts of the catalogue, and measures over a group of outputs.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"

namespace tcv::test::nipple_bonnet {

// A plain pipe end of a nipple (socket-weld or threaded connection): no flange.
inline refhost::PortSpec nippleEnd(std::int16_t index, double pipeOD, double npd) {
    refhost::PortSpec port = plainPort(index, pipeOD);
    port.length = 0.025;
    port.npd = npd;
    return port;
}

inline bool isEven(std::int32_t partDataBasis) { return partDataBasis % 2 == 0; }

// A nipple-end valve of body length V, nipple length N and bonnet height H. The even PartDataBasis of
// each pair takes N as "NippleLength", the odd one as "EndtoEnd" = V + 2N.
inline refhost::CatalogPart nippleValve(std::int32_t partDataBasis, double V, double N, double H,
                                        const refhost::PortSpec& port1, const refhost::PortSpec& port2,
                                        double insulation = 0.025) {
    refhost::CatalogPart partSpec;
    partSpec.name = "nipple-" + std::to_string(partDataBasis);
    partSpec.partDataBasis = partDataBasis;
    partSpec.ports = {port1, port2};
    partSpec.inputs = {{"ValveFacetoFace", V}, {"HeightFrmValCen", H}, {"InsulationThickness", insulation}};
    if (isEven(partDataBasis))
        partSpec.inputs["NippleLength"] = N;
    else
        partSpec.inputs["EndtoEnd"] = V + 2 * N;
    return partSpec;
}

// A port-sized bonneted body of face-to-face F and bonnet height H.
inline refhost::CatalogPart bonnetedBody(std::int32_t partDataBasis, double F, double H, const refhost::PortSpec& port1,
                                         const refhost::PortSpec& port2, double insulation = 0.05) {
    refhost::CatalogPart partSpec;
    partSpec.name = "bonnet-" + std::to_string(partDataBasis);
    partSpec.partDataBasis = partDataBasis;
    partSpec.ports = {port1, port2};
    partSpec.inputs = {{"FacetoFace", F}, {"HeightFrmValCen", H}, {"InsulationThickness", insulation}};
    return partSpec;
}

// The sample part of the given PartDataBasis from data/catalog/nipple-bonnet.json.
inline refhost::CatalogPart samplePart(std::int32_t partDataBasis) {
    for (auto& part : catalog::loadCatalogFile(refhost::defaultDataDirectory() + "/catalog/nipple-bonnet.json"))
        if (part.partDataBasis == partDataBasis) return part;
    ADD_FAILURE() << "no sample part " << partDataBasis;
    return {};
}

using test::expectBoxNear;
using test::indicesOf;
using test::unitedBox;

// The bounding box of one output.
inline std::array<double, 6> boxOf(const refhost::AspectResult& result, std::size_t i) {
    return measured(result, i).bbox;
}

// Every solid and surface output is valid; nozzles and other outputs are left to their own tests.
inline void expectAllGeometryValid(const refhost::AspectResult& result) {
    const auto& outputs = result.outputs->outputs();
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto kind = recorded(result, i).outputKind();
        if (kind != refhost::OutputKind::Solid && kind != refhost::OutputKind::Surface) continue;
        EXPECT_TRUE(measured(result, i).valid) << "output " << i << " " << outputs[i].name;
    }
}

} // namespace tcv::test::nipple_bonnet
