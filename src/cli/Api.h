// The JSON API of `checkvalve serve`: the definition, the sample parts and the variants, and evaluating or
// exporting one part sent as catalogue JSON. The documents are those of `checkvalve definition --json`,
// `samples --json` and `eval --json`.
#pragma once

#include <chrono>
#include <future>
#include <optional>
#include <semaphore>
#include <string>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "ExportCache.h"
#include "export/Export.h"
#include "export/MeshCache.h"
#include "refhost/Parts.h"

namespace tcv::cli {

class Api {
public:
    // `evaluations`: how many evaluations or exports may run at once; a request finding none free waits
    // up to `wait` for one, then gets 503 with Retry-After. `hold` keeps every slot that much longer
    // after its work (zero but in the tests that fill the slots). Exports keep up to `meshCacheBytes` of
    // triangles for later exports of the same shapes.
    Api(unsigned evaluations, std::chrono::milliseconds wait,
        std::chrono::milliseconds hold = std::chrono::milliseconds{0}, std::size_t meshCacheBytes = 0);

    // Adds the routes under /api/ to the server.
    void addRoutes(httplib::Server& server);

private:
    void definition(httplib::Response& response) const;
    void samples(httplib::Response& response) const;
    // A sample part as catalogue JSON: GET /api/part?sample=NAME.
    void samplePart(const httplib::Request& request, httplib::Response& response) const;
    void variants(httplib::Response& response) const;
    void evaluate(const httplib::Request& request, httplib::Response& response);
    void exportPart(const httplib::Request& request, httplib::Response& response);

    // The one part of a request body, or nothing when the response already says what was wrong.
    std::optional<refhost::PartSpec> partOf(const httplib::Request& request, httplib::Response& response) const;

    std::vector<refhost::PartSpec> samples_;
    std::string definitionText_;
    std::string samplesText_;
    std::shared_future<std::string> variantsText_;
    std::counting_semaphore<> slots_;
    std::chrono::milliseconds wait_;
    std::chrono::milliseconds hold_;
    ExportCache exports_;
    // The triangles of shapes exported lately: a part sent again with a change meshes only the shapes the
    // change touched.
    exports::MeshSettings mesh_;
};

// {"error": {"field": ..., "message": ...}} sent with `status`; an empty field is null.
void sendError(httplib::Response& response, int status, const std::string& field, const std::string& message);

} // namespace tcv::cli
