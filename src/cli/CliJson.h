// The JSON documents the command line prints and the server answers with, built in one place so that
// `checkvalve definition --json` and GET /api/definition (and the sample list likewise) never differ.
#pragma once

#include <vector>

#include <nlohmann/json.hpp>

#include "refhost/Parts.h"

namespace tcv::cli {

// The definition the symbol declares: progId, inputs, aspects with their outputs, evaluations.
nlohmann::ordered_json definitionJson();

// The sample parts as {"parts": [{"name", "partDataBasis", "description"}, ...]}.
nlohmann::ordered_json samplesJson(const std::vector<refhost::PartSpec>& parts);

// A part as catalogue JSON (lengths in metres, angles in radians): what `parseCatalog` reads back to the
// same part.
nlohmann::ordered_json partJson(const refhost::PartSpec& part);

} // namespace tcv::cli
