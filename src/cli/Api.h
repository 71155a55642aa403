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

#include <nlohmann/json.hpp>

#include "ExportCache.h"
#include "HttpMessage.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/MeshCache.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::cli {

class Api {
public:
    // `evaluations`: how many evaluations or exports may run at once; a request finding none free waits
    // up to `wait` for one, then gets 503 with Retry-After. `hold` keeps every slot that much longer
    // after its work (zero but in the tests that fill the slots). Exports keep up to `meshCacheBytes` of
    // triangles for later exports of the same shapes. Each evaluation or export works under `work`'s
    // limits and ends as soon as its client goes away.
    Api(unsigned evaluations, std::chrono::milliseconds wait,
        std::chrono::milliseconds hold = std::chrono::milliseconds{0}, std::size_t meshCacheBytes = 0,
        refhost::WorkLimits work = {});

    ~Api();
    Api(const Api&) = delete;
    Api& operator=(const Api&) = delete;

    // The routes under /api/: the one table the server routes by and derives its 405 answers from.
    std::vector<Route> routes();

private:
    void definition(HttpResponse& response) const;
    void samples(HttpResponse& response) const;
    // A sample part as catalogue JSON: GET /api/part?sample=NAME.
    void samplePart(const HttpRequest& request, HttpResponse& response) const;
    void variants(HttpResponse& response) const;
    // Evaluations and exports: the request's `cancelled` flag says when nobody waits for the answer any
    // more; a request cancelled before it gets its slot is not evaluated.
    void evaluate(const HttpRequest& request, HttpResponse& response);
    void exportPart(const HttpRequest& request, HttpResponse& response);
    // The configurator's rebuild: one evaluation gives both the report and the GLB made from it, sent
    // together as multipart/form-data (parts "report", then "model", or "exportError" when no file could
    // be made). `detail=preview` meshes coarser, for a quick picture while the part is being edited.
    void build(const HttpRequest& request, HttpResponse& response);

    // The one part of a request body, or nothing when the response already says what was wrong.
    std::optional<refhost::CatalogPart> partOf(const HttpRequest& request, HttpResponse& response) const;
    // The budget of a request's work: the server's limits, ended early when the client goes away.
    std::shared_ptr<refhost::WorkBudget> budgetFor(const HttpRequest& request) const;
    // What the exports of `part` saved as `fileName` are kept by (ExportCache): its content key under the
    // server's limits.
    std::string contentKeyOf(const refhost::CatalogPart& part, const std::string& fileName) const;

    std::vector<refhost::CatalogPart> samples_;
    std::string definitionText_;
    std::string samplesText_;
    // Ends the start-up work of finding the variants when the server stops first.
    std::shared_ptr<refhost::WorkBudget> startup_ = std::make_shared<refhost::WorkBudget>();
    std::shared_future<std::string> variantsText_;
    std::counting_semaphore<> slots_;
    std::chrono::milliseconds wait_;
    std::chrono::milliseconds hold_;
    ExportCache exports_;
    // The triangles of shapes exported lately: a part sent again with a change meshes only the shapes the
    // change touched.
    exports::MeshSettings mesh_;
    // The same with a coarser deflection: the preview the configurator draws while a part is edited.
    exports::MeshSettings previewMesh_;
    refhost::WorkLimits work_;
};

// {"error": {"field": ..., "message": ...}} sent with `status`; an empty field is null. Bytes of the
// message that are not UTF-8 are replaced, so that the document is always valid JSON.
void sendError(HttpResponse& response, int status, const std::string& field, const std::string& message);

} // namespace tcv::cli
