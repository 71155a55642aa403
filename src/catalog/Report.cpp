#include "tarncheckvalve/catalog/Report.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/catalog/FailureHints.h"
#include "tarncheckvalve/catalog/MessageText.h"
#include "tarncheckvalve/catalog/Warnings.h"
#include "tarncheckvalve/refhost/Records.h"

namespace tcv::catalog {

using namespace tcv::refhost;

namespace {

using Json = nlohmann::ordered_json;

Json recordValueJson(const RecordValue& value) {
    return std::visit([](const auto& v) { return Json(v); }, value);
}

Json creationJson(const Creation& creation) {
    Json json;
    json["kind"] = creation.kind;
    for (const auto& [name, value] : creation.values) json[name] = recordValueJson(value);
    return json;
}

// The value of a recorded field, or null.
Json field(const Creation& creation, const char* name) {
    const RecordValue* value = creation.find(name);
    return value ? recordValueJson(*value) : Json();
}

Json variantJson(const host::Variant& value) {
    struct Visitor {
        Json operator()(std::monostate) const { return Json(); }
        Json operator()(bool b) const { return Json(b); }
        Json operator()(std::int16_t i) const { return Json(i); }
        Json operator()(std::int32_t i) const { return Json(i); }
        Json operator()(double d) const { return Json(d); }
        Json operator()(const std::string& s) const { return Json(s); }
        Json operator()(const host::ObjectPtr&) const { return Json("(object)"); }
    };
    return std::visit(Visitor{}, value);
}

// Values as "Height=0.3, port1.flangeOD=0.2286" for the table.
std::string readsText(const std::vector<std::pair<std::string, host::Variant>>& reads) {
    std::string text;
    for (const auto& [name, value] : reads) {
        if (!text.empty()) text += ", ";
        Json json = variantJson(value);
        text += name + "=" + (json.is_string() ? json.get<std::string>() : json.dump());
    }
    return text;
}

} // namespace

Json errorJson(const AspectResult& aspect) {
    if (!aspect.errorCode) return Json();
    const AspectResult::Reason reason = aspect.reason();
    Json json;
    json["code"] = errorCodeText(*aspect.errorCode);
    json["message"] = reason.message;
    json["where"] = reason.where.empty() ? Json() : Json(reason.where);
    if (!aspect.reads.empty()) {
        Json values = Json::object();
        for (const auto& [name, value] : aspect.reads) values[name] = variantJson(value);
        json["values"] = values;
    }
    if (!aspect.hint.empty()) json["hint"] = aspect.hint;
    if (aspect.trail.size() > 1) {
        Json trail = Json::array();
        for (const auto& step : aspect.trail) {
            Json entry;
            entry["where"] = step.where;
            if (!step.message.empty()) entry["message"] = step.message;
            if (step.recovered) entry["recovered"] = true;
            trail.push_back(entry);
        }
        json["trail"] = trail;
    }
    return json;
}

std::string failureText(const AspectResult& aspect) {
    const auto& outputs = aspect.outputs->outputs();
    std::string text = aspect.aspect + " failed with " + errorCodeText(aspect.errorCode.value_or(0));
    text += outputs.empty() ? " before any output"
                            : " after output " + std::to_string(outputs.size()) + " \"" + outputs.back().name + "\"";
    const AspectResult::Reason reason = aspect.reason();
    if (!reason.message.empty()) text += ": " + reason.message;
    if (!reason.where.empty()) text += " (in " + reason.where + ")";
    if (!aspect.hint.empty()) text += "; what to change: " + aspect.hint;
    return text;
}

bool PartReport::ok() const {
    for (const auto& aspect : aspects)
        if (!aspect.ok) return false;
    return true;
}

PartReport evaluatePart(const CatalogPart& part, const std::vector<std::string>& aspects, const HostOptions& options) {
    PartReport report{part, {}, {}};
    for (const auto& name : aspects) {
        // The callers take the names from the contract's own spellings; any other is a fault of the caller.
        const auto aspect = contract::aspectNamed(name);
        if (!aspect) throw std::invalid_argument("no aspect is named \"" + name + "\"");
        report.aspects.push_back(evaluateAspect(part, *aspect, options));
        AspectResult& result = report.aspects.back();
        if (!result.ok) result.hint = failureHint(part.partDataBasis, result.reads);
    }
    for (const auto& more : {physicalWarnings(part, options.dataDirectory), plausibilityWarnings(part)})
        for (const auto& warning : more)
            if (std::find(report.warnings.begin(), report.warnings.end(), warning) == report.warnings.end())
                report.warnings.push_back(warning);
    return report;
}

std::string errorCodeText(std::int32_t code) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(code));
    return buffer;
}

Json outputJson(const NamedOutput& output) {
    Json json;
    json["name"] = output.name;
    const auto* recorded = dynamic_cast<const RecordedObject*>(output.object.get());
    if (!recorded) {
        json["kind"] = "other";
        return json;
    }
    const OutputKind kind = recorded->outputKind();
    json["kind"] = outputKindName(kind);
    const Creation& creation = recorded->creation();
    const ShapePtr& shape = recorded->shape();
    const ShapeMeasure measure = shape ? shape->measure(kind == OutputKind::Solid) : ShapeMeasure{};
    json["bbox"] = measure.empty ? Json() : Json(measure.bbox);
    if (kind == OutputKind::Solid) json["volume"] = measure.volume ? Json(*measure.volume) : Json();
    // Without kernel geometry (record-only) validity is not measured.
    json["valid"] = measure.empty ? Json() : Json(measure.valid);
    if (kind == OutputKind::Nozzle) {
        json["port"] = field(creation, "port");
        json["position"] = field(creation, "position");
        json["direction"] = field(creation, "direction");
        json["length"] = field(creation, "length");
    } else if (kind == OutputKind::Occurrence) {
        json["position"] = field(creation, "position");
        json["axes"] =
            Json::array({field(creation, "firstAxis"), field(creation, "secondAxis"), field(creation, "thirdAxis")});
        Json attributes = Json::object();
        for (const auto& [name, value] : creation.values)
            if (name.rfind("attribute.", 0) == 0) attributes[name.substr(10)] = recordValueJson(value);
        json["attributes"] = attributes;
    }
    json["creation"] = creationJson(creation);
    return json;
}

Json reportJson(const PartReport& report) {
    Json json;
    json["part"] = report.part.name;
    json["partDataBasis"] = report.part.partDataBasis;
    json["aspects"] = Json::array();
    for (const auto& aspect : report.aspects) {
        Json a;
        a["name"] = aspect.aspect;
        a["code"] = aspect.code;
        a["ok"] = aspect.ok;
        a["error"] = errorJson(aspect);
        a["outputs"] = Json::array();
        for (const auto& output : aspect.outputs->outputs()) a["outputs"].push_back(outputJson(output));
        json["aspects"].push_back(a);
    }
    json["warnings"] = report.warnings;
    return json;
}

void printReportTable(std::ostream& out, const PartReport& report) {
    out << escapedControls(report.part.name) << "  (PartDataBasis " << report.part.partDataBasis << ")\n";
    if (!report.part.description.empty()) out << "  " << escapedControls(report.part.description) << "\n";
    for (const auto& warning : report.warnings) out << "  warning: " << escapedControls(warning) << "\n";
    for (const auto& aspect : report.aspects) {
        const auto& outputs = aspect.outputs->outputs();
        out << "\n  " << aspect.aspect << " (code " << aspect.code << "): "
            << (aspect.ok ? "ok"
                          : "FAILED with " + errorCodeText(*aspect.errorCode) + " after " +
                                std::to_string(outputs.size()) + " output(s)")
            << "\n";
        if (!aspect.ok) {
            const AspectResult::Reason reason = aspect.reason();
            out << "    reason: " << escapedControls(reason.message.empty() ? "(none given)" : reason.message)
                << (reason.where.empty() ? "" : " (in " + reason.where + ")") << "\n";
            if (!aspect.reads.empty()) out << "    values read: " << escapedControls(readsText(aspect.reads)) << "\n";
            if (!aspect.hint.empty()) out << "    what to change: " << escapedControls(aspect.hint) << "\n";
        }
        out << "    " << std::left << std::setw(4) << "#" << std::setw(18) << "name" << std::setw(11) << "kind"
            << std::setw(14) << "creation" << std::setw(12) << "volume m3"
            << "bounding box (m)\n";
        int index = 1;
        for (const auto& output : outputs) {
            Json json = outputJson(output);
            out << "    " << std::left << std::setw(4) << index++ << std::setw(18) << output.name << std::setw(11)
                << json["kind"].get<std::string>() << std::setw(14)
                << (json.contains("creation") ? json["creation"]["kind"].get<std::string>() : std::string("-"));
            std::ostringstream volume;
            if (json.contains("volume") && json["volume"].is_number())
                volume << std::setprecision(4) << json["volume"].get<double>();
            else
                volume << "-";
            out << std::setw(12) << volume.str();
            if (json.contains("bbox") && json["bbox"].is_array()) {
                const auto& b = json["bbox"];
                out << std::fixed << std::setprecision(4) << "[" << b[0].get<double>() << ", " << b[1].get<double>()
                    << ", " << b[2].get<double>() << "] .. [" << b[3].get<double>() << ", " << b[4].get<double>()
                    << ", " << b[5].get<double>() << "]" << std::defaultfloat;
            }
            if (json.contains("valid") && json["valid"].is_boolean() && !json["valid"].get<bool>()) out << "  INVALID";
            out << "\n";
        }
    }
}

} // namespace tcv::catalog
