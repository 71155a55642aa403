// The binary glTF container: a 12-byte header ("glTF", version 2, total length), a JSON chunk padded with
// spaces and an optional binary chunk padded with zeros, each to 4 bytes.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::exports {

struct GlbContent {
    nlohmann::ordered_json json;
    std::string binary; // the binary chunk without its padding; empty when the file has none
    bool hasBinary = false;
};

// Splits GLB bytes into their chunks; raises ExportError on anything that is not a valid container.
TCV_EXPORT GlbContent parseGlb(const std::string& bytes);
// Assembles GLB bytes with correct chunk lengths and padding.
TCV_EXPORT std::string serializeGlb(const GlbContent& content);

} // namespace tcv::exports
