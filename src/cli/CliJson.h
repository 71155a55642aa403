// The JSON documents the command line prints and the server answers with (built by the catalogue layer,
// which the Python module shares), so that `checkvalve definition --json` and GET /api/definition (and the
// sample list likewise) never differ.
#pragma once

#include "tarncheckvalve/catalog/Documents.h"

namespace tcv::cli {

using catalog::definitionJson;
using catalog::partJson;
using catalog::samplesJson;

} // namespace tcv::cli
