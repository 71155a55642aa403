// The API's handlers. Evaluations and exports run on the server's evaluation threads, at most as many at
// once as there are slots; everything else is answered from documents built once.
#include "Api.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>
#include <random>
#include <thread>

#include "CliJson.h"
#include "Commands.h"
#include "ExportProcess.h"
#include "VariantsJson.h"
#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/CatalogCsv.h"
#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/exports/ContentKey.h"
#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/exports/Formats.h"
#include "tarncheckvalve/refhost/Records.h"

namespace tcv::cli {

namespace {

constexpr const char* kJson = "application/json";
constexpr const char* kOrigin = "request";

// Recent exports kept: enough for the states a configurator session goes back and forth between, for
// long enough to download what was just viewed.
constexpr std::size_t kCachedExports = 64;
constexpr std::size_t kCachedExportBytes = std::size_t{64} << 20;
constexpr std::chrono::seconds kCachedExportLifetime{30};

// Splits a catalogue message ("request: part 'x': inputs.FacetoFace: expected ...") into the field and
// what is wrong with it.
std::pair<std::string, std::string> fieldAndMessage(const std::string& text) {
    std::string rest = text;
    const std::string origin = std::string(kOrigin) + ": ";
    if (rest.rfind(origin, 0) == 0) rest = rest.substr(origin.size());
    if (rest.rfind("part '", 0) == 0) {
        const auto end = rest.find("': ");
        if (end != std::string::npos) rest = rest.substr(end + 3);
    }
    const auto colon = rest.find(": ");
    if (colon == std::string::npos) return {"", rest};
    const std::string field = rest.substr(0, colon);
    // A field is a path of names and indices; anything else is part of the message.
    const bool isField = std::all_of(field.begin(), field.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '[' || c == ']' || c == '_';
    });
    if (!isField || field.empty()) return {"", rest};
    return {field, rest.substr(colon + 2)};
}

// A file name made of the part's name: letters, digits, dot, dash and underscore.
std::string safeFileName(const std::string& name) {
    std::string out;
    for (unsigned char c : name)
        out += std::isalnum(c) || c == '-' || c == '_' || c == '.' ? static_cast<char>(c) : '_';
    if (out.empty() || out.front() == '.') out.insert(out.begin(), 'p');
    return out;
}

// A slot for one evaluation, waited for until `wait` after the request arrived and given back when the
// request is done (`hold` later, or as soon as the request is cancelled).
class Slot {
public:
    Slot(std::counting_semaphore<>& slots, const HttpRequest& request, std::chrono::milliseconds wait,
         std::chrono::milliseconds hold)
        : slots_(slots), held_(slots.try_acquire_until(request.received + wait)), hold_(hold),
          cancelled_(request.cancelled) {}
    ~Slot() {
        if (!held_) return;
        const auto until = std::chrono::steady_clock::now() + hold_;
        while (std::chrono::steady_clock::now() < until && !cancelled_->load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        slots_.release();
    }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    bool held() const { return held_; }

private:
    std::counting_semaphore<>& slots_;
    bool held_;
    std::chrono::milliseconds hold_;
    std::shared_ptr<std::atomic<bool>> cancelled_;
};

void busy(HttpResponse& response) {
    response.setHeader("Retry-After", "1");
    sendError(response, 503, "", "every evaluation slot is busy; try again in a second");
}

// One part of a multipart/form-data answer.
struct FormPart {
    std::string name;
    std::string fileName; // empty: not a file
    std::string contentType;
    std::string content;
};

// The parts as a multipart/form-data body (RFC 7578, which browsers read with Response.formData()),
// under a random boundary that none of the parts holds; returns the body and its content type.
std::pair<std::string, std::string> multipartFormData(const std::vector<FormPart>& parts) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    std::string boundary;
    const auto occurs = [&] {
        return std::any_of(parts.begin(), parts.end(),
                           [&](const FormPart& part) { return part.content.find(boundary) != std::string::npos; });
    };
    do {
        char text[40];
        std::snprintf(text, sizeof text, "tcv-%016llx%016llx", static_cast<unsigned long long>(random()),
                      static_cast<unsigned long long>(random()));
        boundary = text;
    } while (occurs());
    std::string body;
    for (const auto& part : parts) {
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + part.name + "\"";
        if (!part.fileName.empty()) body += "; filename=\"" + part.fileName + "\"";
        body += "\r\nContent-Type: " + part.contentType + "\r\n\r\n";
        body += part.content;
        body += "\r\n";
    }
    body += "--" + boundary + "--\r\n";
    return {std::move(body), "multipart/form-data; boundary=" + boundary};
}

// Milliseconds since `start`, for the Server-Timing header.
std::string millisecondsSince(std::chrono::steady_clock::time_point start) {
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(micros) / 1000.0);
    return text;
}

// The answer to a request whose client went away or whose server is stopping: nobody reads it.
void gone(HttpResponse& response) { sendError(response, 503, "", "the request was cancelled"); }

} // namespace

void sendError(HttpResponse& response, int status, const std::string& field, const std::string& message) {
    nlohmann::ordered_json error{{"field", field.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(field)},
                                 {"message", message}};
    response.status = status;
    response.setContent(
        nlohmann::ordered_json{{"error", error}}.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
        kJson);
}

Api::Api(unsigned evaluations, std::chrono::milliseconds wait, std::chrono::milliseconds hold,
         std::size_t meshCacheBytes, refhost::WorkLimits work)
    : samples_(catalog::loadSampleCatalog()), definitionText_(catalog::definitionJson().dump(2) + "\n"),
      samplesText_(catalog::samplesJson(samples_).dump(2) + "\n"),
      slots_(static_cast<std::ptrdiff_t>(std::max(1u, evaluations))), wait_(wait), hold_(hold),
      exports_(kCachedExports, kCachedExportBytes, kCachedExportLifetime), work_(work) {
    if (meshCacheBytes > 0) mesh_.cache = std::make_shared<exports::MeshCache>(meshCacheBytes);
    // A shape with a face the mesher would take long over is meshed where a cancelled request can end it.
    mesh_.isolatedMesher = meshInChild;
    // Four times the chord deviation and a wider angle: about a third of the triangles, still smooth at the
    // size the configurator draws the part. The cache keeps both kinds apart by their settings.
    previewMesh_ = mesh_;
    previewMesh_.relativeDeflection = 4 * mesh_.relativeDeflection;
    previewMesh_.angularDeflection = 0.6;
    // Found by evaluating every sample part many times without kernel geometry (about a second): started
    // now, waited for by the first request that needs it.
    variantsText_ =
        std::async(std::launch::async, [this] { return variantsJson(samples_, startup_).dump(2) + "\n"; }).share();
}

std::shared_ptr<refhost::WorkBudget> Api::budgetFor(const HttpRequest& request) const {
    return std::make_shared<refhost::WorkBudget>(work_, request.cancelled);
}

std::string Api::contentKeyOf(const refhost::CatalogPart& part, const std::string& fileName) const {
    return exports::partContentKey(part, fileName, refhost::RefRuntime::defaultOptions().dataDirectory,
                                   exports::exportSettingsText({}, work_));
}

Api::~Api() {
    // The variants may still be being worked out: a server that stops does not wait for them.
    startup_->cancel();
}

std::vector<Route> Api::routes() {
    using Request = const HttpRequest&;
    using Response = HttpResponse&;
    return {
        {"GET", "/api/definition", false, [this](Request, Response r) { definition(r); }},
        {"GET", "/api/samples", false, [this](Request, Response r) { samples(r); }},
        {"GET", "/api/part", false, [this](Request q, Response r) { samplePart(q, r); }},
        {"GET", "/api/variants", false, [this](Request, Response r) { variants(r); }},
        {"POST", "/api/evaluate", true, [this](Request q, Response r) { evaluate(q, r); }},
        {"POST", "/api/export", true, [this](Request q, Response r) { exportPart(q, r); }},
        {"POST", "/api/build", true, [this](Request q, Response r) { build(q, r); }},
    };
}

void Api::definition(HttpResponse& response) const { response.setContent(definitionText_, kJson); }

void Api::samples(HttpResponse& response) const { response.setContent(samplesText_, kJson); }

void Api::samplePart(const HttpRequest& request, HttpResponse& response) const {
    const std::string name = request.param("sample");
    for (const auto& part : samples_)
        if (part.name == name) return response.setContent(catalog::partJson(part).dump(2) + "\n", kJson);
    std::vector<std::string> names;
    for (const auto& part : samples_) names.push_back(part.name);
    const std::string hint = catalog::closestName(name, names);
    sendError(response, 404, "sample",
              "no sample part '" + name + "'" + (hint.empty() ? "" : "; did you mean '" + hint + "'?"));
}

void Api::variants(HttpResponse& response) const { response.setContent(variantsText_.get(), kJson); }

std::optional<refhost::CatalogPart> Api::partOf(const HttpRequest& request, HttpResponse& response) const {
    std::string type = request.header("Content-Type");
    type = type.substr(0, type.find(';'));
    type.erase(std::remove_if(type.begin(), type.end(), [](unsigned char c) { return std::isspace(c); }), type.end());
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
    if (type != "application/json") {
        sendError(response, 415, "",
                  "send the part as JSON with Content-Type: application/json" +
                      (type.empty() ? std::string() : " (got " + type + ")"));
        return std::nullopt;
    }
    if (!isValidUtf8(request.body)) {
        sendError(response, 400, "", "the body is not valid UTF-8");
        return std::nullopt;
    }
    if (!nlohmann::json::accept(request.body)) {
        try {
            const auto ignored = nlohmann::json::parse(request.body);
        } catch (const nlohmann::json::exception& error) {
            sendError(response, 415, "", std::string("the body is not JSON: ") + error.what());
            return std::nullopt;
        }
    }
    std::vector<refhost::CatalogPart> parts;
    try {
        parts = catalog::parseCatalog(request.body, kOrigin);
    } catch (const catalog::CatalogError& error) {
        const auto [field, message] = fieldAndMessage(error.what());
        sendError(response, 400, field, message);
        return std::nullopt;
    }
    if (parts.size() != 1) {
        sendError(response, 400, "parts", "send one part, not " + std::to_string(parts.size()));
        return std::nullopt;
    }
    return std::move(parts.front());
}

void Api::evaluate(const HttpRequest& request, HttpResponse& response) {
    const auto part = partOf(request, response);
    if (!part) return;
    Slot slot(slots_, request, wait_, hold_);
    if (!slot.held()) return busy(response);
    if (request.cancelled->load()) return gone(response);
    // A failing aspect is still a report: it says which aspect failed, why, and what it added before.
    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    options.budget = budgetFor(request);
    const auto report = catalog::evaluatePart(*part, aspectsFor("both"), options);
    response.setContent(catalog::reportJson(report).dump(2) + "\n", kJson);
}

void Api::exportPart(const HttpRequest& request, HttpResponse& response) {
    const std::string name = request.param("format");
    const exports::ExportFormat* format = exports::findExportFormat(name);
    if (!format && name != "csv") {
        std::string known;
        for (const auto& candidate : exports::exportFormats())
            known += known.empty() ? candidate.name : std::string("|") + candidate.name;
        return sendError(response, 400, "format", "expected format=" + known + "|csv, got '" + name + "'");
    }
    const auto part = partOf(request, response);
    if (!part) return;
    if (!format) {
        // The part as a row of a CSV catalogue, in the columns `checkvalve convert` writes: no evaluation.
        std::string text;
        try {
            text = catalog::catalogCsvText(nlohmann::json::parse(request.body), kOrigin);
        } catch (const catalog::CatalogError& error) {
            return sendError(response, 422, "", error.what());
        }
        response.setHeader("Content-Disposition", "attachment; filename=\"" + safeFileName(part->name) + ".csv\"");
        return response.setContent(std::move(text), "text/csv; charset=utf-8");
    }
    const std::string fileName = safeFileName(part->name) + format->extension;
    const auto send = [&](std::shared_ptr<const std::string> file) {
        response.setHeader("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
        response.setContent(*file, format->mediaType);
    };
    const std::string partKey = contentKeyOf(*part, fileName);
    if (const auto cached = exports_.find(format->name, partKey)) return send(*cached);

    Slot slot(slots_, request, wait_, hold_);
    if (!slot.held()) return busy(response);
    if (request.cancelled->load()) return gone(response);
    std::shared_ptr<const std::string> file;
    const auto budget = budgetFor(request);
    try {
        // A format whose writer writes one file at a time in the whole process is written by a process of its
        // own (ExportProcess.h), so that other exports need not wait for it.
        if (format->serialised) {
            file = std::make_shared<const std::string>(renderInChild(*format, request.body, *budget));
        } else {
            // Outputs an aspect added before it failed are exported like any other.
            refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
            options.budget = budget;
            const auto report = catalog::evaluatePart(*part, aspectsFor("both"), options);
            exports::MeshSettings mesh = mesh_;
            mesh.budget = budget;
            exports::ExportDocument document(report, mesh);
            file = std::make_shared<const std::string>(format->render(document, fileName, {}));
        }
    } catch (const exports::ExportError& error) {
        return sendError(response, 422, "", error.what());
    } catch (const refhost::WorkStopped& error) {
        return sendError(response, 422, "", error.what());
    }
    exports_.store(format->name, partKey, file);
    send(file);
}

namespace {

// The report of a build asked for with `report=outline`: every aspect's outcome, error and outputs by name
// and kind, and the warnings, as in the full report, but without measuring each output's shape (box,
// volume, validity), which for a many-ported body takes longer than its evaluation. It is what a page
// that rebuilds on every edit reads.
nlohmann::ordered_json reportOutline(const catalog::PartReport& report) {
    nlohmann::ordered_json json;
    json["part"] = report.part.name;
    json["partDataBasis"] = report.part.partDataBasis;
    json["aspects"] = nlohmann::ordered_json::array();
    for (const auto& aspect : report.aspects) {
        nlohmann::ordered_json entry;
        entry["name"] = aspect.aspect;
        entry["code"] = aspect.code;
        entry["ok"] = aspect.ok;
        entry["error"] = catalog::errorJson(aspect);
        entry["outputs"] = nlohmann::ordered_json::array();
        for (const auto& output : aspect.outputs->outputs()) {
            const auto* recorded = dynamic_cast<const refhost::RecordedObject*>(output.object.get());
            entry["outputs"].push_back(
                {{"name", output.name},
                 {"kind", recorded ? refhost::outputKindName(recorded->outputKind()) : "other"}});
        }
        json["aspects"].push_back(entry);
    }
    json["warnings"] = report.warnings;
    return json;
}

} // namespace

void Api::build(const HttpRequest& request, HttpResponse& response) {
    const std::string format = request.param("format");
    if (!format.empty() && format != "glb")
        return sendError(response, 400, "format", "expected format=glb, got '" + format + "'");
    const std::string detail = request.param("detail");
    if (!detail.empty() && detail != "full" && detail != "preview")
        return sendError(response, 400, "detail", "expected detail=full|preview, got '" + detail + "'");
    const bool preview = detail == "preview";
    const std::string reportParam = request.param("report");
    if (!reportParam.empty() && reportParam != "full" && reportParam != "outline")
        return sendError(response, 400, "report", "expected report=full|outline, got '" + reportParam + "'");
    const bool outline = reportParam == "outline";
    const auto part = partOf(request, response);
    if (!part) return;
    const std::string cacheKey = std::string(preview ? "build:preview" : "build:full") + (outline ? ":outline" : "");
    const std::string fileName = safeFileName(part->name) + ".glb";
    const std::string partKey = contentKeyOf(*part, fileName);
    if (const auto cached = exports_.find(cacheKey, partKey)) {
        // The content type (with its boundary) is the first line of the kept answer.
        const std::string& kept = **cached;
        const auto end = kept.find('\n');
        response.setHeader("Server-Timing", "cache");
        return response.setContent(kept.substr(end + 1), kept.substr(0, end));
    }

    Slot slot(slots_, request, wait_, hold_);
    if (!slot.held()) return busy(response);
    if (request.cancelled->load()) return gone(response);
    const auto budget = budgetFor(request);
    const auto started = std::chrono::steady_clock::now();
    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    options.budget = budget;
    const auto report = catalog::evaluatePart(*part, aspectsFor("both"), options);
    const std::string evaluated = millisecondsSince(started);
    if (request.cancelled->load()) return gone(response);
    std::vector<FormPart> parts{
        {"report", "", kJson, (outline ? reportOutline(report) : catalog::reportJson(report)).dump(2) + "\n"}};
    const auto meshing = std::chrono::steady_clock::now();
    std::shared_ptr<const std::string> glb;
    try {
        exports::MeshSettings mesh = preview ? previewMesh_ : mesh_;
        mesh.budget = budget;
        exports::ExportDocument document(report, mesh);
        glb = std::make_shared<const std::string>(document.renderGlb());
    } catch (const exports::ExportError& error) {
        parts.push_back({"exportError", "", "text/plain; charset=utf-8", error.what()});
    } catch (const refhost::WorkStopped& error) {
        parts.push_back({"exportError", "", "text/plain; charset=utf-8", error.what()});
    }
    if (request.cancelled->load()) return gone(response);
    if (glb) {
        parts.push_back({"model", fileName, "model/gltf-binary", *glb});
        // A download of the model just viewed is then answered at once.
        if (!preview) exports_.store("glb", partKey, glb);
    }
    auto [body, type] = multipartFormData(parts);
    response.setHeader("Server-Timing", "evaluate;dur=" + evaluated + ", mesh;dur=" + millisecondsSince(meshing));
    if (glb) exports_.store(cacheKey, partKey, std::make_shared<const std::string>(type + "\n" + body));
    response.setContent(std::move(body), type);
}

} // namespace tcv::cli
