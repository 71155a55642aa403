// The JSON documents of the symbol's definition, of a list of parts and of one part, built in one place so
// that the command line, the server and the Python module never differ.
#pragma once

#include "tarncheckvalve/host/Visibility.h"

#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/refhost/Parts.h"

namespace tcv::catalog {

// The definition the symbol declares: progId, inputs, aspects with their outputs, evaluations.
TCV_EXPORT nlohmann::ordered_json definitionJson();

// The sample parts as {"parts": [{"name", "partDataBasis", "description"}, ...]}.
TCV_EXPORT nlohmann::ordered_json samplesJson(const std::vector<refhost::CatalogPart>& parts);

// A part as catalogue JSON (lengths in metres, angles in radians): what `parseCatalog` reads back to the
// same part.
TCV_EXPORT nlohmann::ordered_json partJson(const refhost::CatalogPart& part);

} // namespace tcv::catalog
