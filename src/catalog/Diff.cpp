#include "tarncheckvalve/catalog/Diff.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "tarncheckvalve/catalog/MessageText.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::catalog {

using namespace tcv::refhost;

namespace {

using Json = nlohmann::ordered_json;

// Lengths (and coordinates) count as changed beyond 1e-6 m or 1e-6 of their size, whichever is larger;
// volumes beyond 1e-6 of their size.
constexpr double kLengthTolerance = 1e-6;
constexpr double kRelativeTolerance = 1e-6;
constexpr double kVolumeFloor = 1e-18; // (1e-6 m)^3

bool numbersDiffer(double a, double b, double absolute) {
    return std::abs(a - b) > std::max(absolute, kRelativeTolerance * std::max(std::abs(a), std::abs(b)));
}

// Whether two measured values (numbers, arrays of them, null) differ beyond the tolerance.
bool valuesDiffer(const Json& a, const Json& b, double absolute) {
    if (a.is_number() && b.is_number()) return numbersDiffer(a.get<double>(), b.get<double>(), absolute);
    if (a.is_array() && b.is_array()) {
        if (a.size() != b.size()) return true;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (valuesDiffer(a[i], b[i], absolute)) return true;
        return false;
    }
    return a != b;
}

// A part's data as fields named like the CSV columns: "FacetoFace", "port2.flangeThickness", ...
std::map<std::string, Json> partFields(const CatalogPart& part) {
    std::map<std::string, Json> fields;
    fields["description"] = part.description;
    fields["PartDataBasis"] = part.partDataBasis;
    for (const auto& [name, value] : part.inputs) fields[name] = value;
    for (std::size_t i = 0; i < part.ports.size(); ++i) {
        const auto& port = part.ports[i];
        std::string prefix = "port" + std::to_string(port.index);
        if (fields.count(prefix + ".terminationClass")) prefix = "ports[" + std::to_string(i) + "]";
        prefix += ".";
        fields[prefix + "terminationClass"] = port.terminationClass;
        fields[prefix + "endType"] = port.endType;
        fields[prefix + "attribute"] = port.attribute;
        fields[prefix + "pipeOD"] = port.pipeOD;
        fields[prefix + "flangeOD"] = port.flangeOD;
        fields[prefix + "flangeThickness"] = port.flangeThickness;
        fields[prefix + "cptOffset"] = port.cptOffset;
        fields[prefix + "depth"] = port.depth;
        fields[prefix + "length"] = port.length;
        fields[prefix + "npd"] = port.npd;
        fields[prefix + "npdUnit"] = port.npdUnit;
    }
    if (part.valveOperator) {
        fields["operator.name"] = part.valveOperator->name;
        for (const auto& [name, value] : part.valveOperator->inputs) fields["operator." + name] = value;
    }
    fields["operatorSourceCode"] = part.operatorSourceCode;
    fields["operatorText"] = part.operatorText;
    return fields;
}

std::vector<DataChange> dataChanges(const CatalogPart& before, const CatalogPart& after) {
    const auto a = partFields(before);
    const auto b = partFields(after);
    std::map<std::string, DataChange> changes;
    for (const auto& [field, value] : a) {
        auto found = b.find(field);
        if (found == b.end())
            changes[field] = {field, value, Json()};
        else if (found->second != value)
            changes[field] = {field, value, found->second};
    }
    for (const auto& [field, value] : b)
        if (!a.count(field)) changes[field] = {field, Json(), value};
    std::vector<DataChange> out;
    for (auto& [field, change] : changes) out.push_back(std::move(change));
    return out;
}

std::string statusText(const Json& aspect) {
    if (aspect["ok"].get<bool>()) return "ok";
    return "failed with " + (aspect["error"].is_object() ? aspect["error"]["code"].get<std::string>() : "an error");
}

// The status with the failure's reason, as shown: "failed with 0x80004005: zero-length cylinder axis (in
// PlaceCylinder)". Statuses compare without the reason, whose values change with any dimension.
std::string shownStatus(const Json& aspect) {
    std::string text = statusText(aspect);
    const Json& error = aspect.contains("error") ? aspect["error"] : Json();
    if (error.is_object() && error.value("message", std::string()) != "") {
        text += ": " + error["message"].get<std::string>();
        if (error.contains("where") && error["where"].is_string())
            text += " (in " + error["where"].get<std::string>() + ")";
    }
    return text;
}

// The facts of one output present in both versions (under `name`, its name in the new version).
void compareOutput(const std::string& aspect, const std::string& name, const Json& a, const Json& b,
                   std::vector<GraphicsChange>& changes) {
    auto add = [&](const char* change, const Json& oldValue, const Json& newValue) {
        changes.push_back({aspect, name, change, oldValue, newValue});
    };
    auto member = [](const Json& output, const char* key) { return output.contains(key) ? output[key] : Json(); };
    if (a["kind"] != b["kind"]) add("kind", a["kind"], b["kind"]);
    if (valuesDiffer(member(a, "bbox"), member(b, "bbox"), kLengthTolerance))
        add("bbox", member(a, "bbox"), member(b, "bbox"));
    if (valuesDiffer(member(a, "volume"), member(b, "volume"), kVolumeFloor))
        add("volume", member(a, "volume"), member(b, "volume"));
    if (member(a, "valid") != member(b, "valid")) add("valid", member(a, "valid"), member(b, "valid"));
    if (valuesDiffer(member(a, "position"), member(b, "position"), kLengthTolerance))
        add("moved", member(a, "position"), member(b, "position"));
    // Directions and axes are unit vectors: a change of 1e-6 in a component is a turn of about 1e-6 rad.
    const char* turn = a["kind"] == "nozzle" ? "direction" : "axes";
    if (valuesDiffer(member(a, turn), member(b, turn), kRelativeTolerance))
        add("turned", member(a, turn), member(b, turn));
}

// The outputs of an aspect by key: the name, with "#2", "#3", ... added to the second and later
// outputs of one name, so that outputs sharing a name pair up in order.
std::vector<std::string> outputKeys(const Json& outputs) {
    std::map<std::string, int> seen;
    std::vector<std::string> keys;
    for (const auto& output : outputs) {
        const std::string name = output["name"].get<std::string>();
        const int count = ++seen[name];
        keys.push_back(count == 1 ? name : name + "#" + std::to_string(count));
    }
    return keys;
}

// The graphics facts of one aspect: its status, outputs added, removed or renamed, and what changed in
// the outputs both versions have. An output renamed is one whose name is new at the position of a name
// gone, with the same kind.
void compareAspect(const Json& a, const Json& b, std::vector<GraphicsChange>& changes) {
    const std::string aspect = a["name"].get<std::string>();
    if (statusText(a) != statusText(b)) changes.push_back({aspect, "", "status", shownStatus(a), shownStatus(b)});
    const Json& before = a["outputs"];
    const Json& after = b["outputs"];
    const std::vector<std::string> oldKeys = outputKeys(before);
    const std::vector<std::string> newKeys = outputKeys(after);
    auto position = [](const std::vector<std::string>& keys, const std::string& key) {
        return static_cast<std::size_t>(std::find(keys.begin(), keys.end(), key) - keys.begin());
    };
    std::vector<GraphicsChange> outputChanges;
    std::vector<std::string> renamedFrom;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const std::string& key = newKeys[i];
        if (const std::size_t old = position(oldKeys, key); old < oldKeys.size()) {
            compareOutput(aspect, key, before[old], after[i], outputChanges);
            continue;
        }
        const bool renamed = i < before.size() && position(newKeys, oldKeys[i]) == newKeys.size() &&
                             before[i]["kind"] == after[i]["kind"];
        if (renamed) {
            renamedFrom.push_back(oldKeys[i]);
            outputChanges.push_back({aspect, key, "renamed", oldKeys[i], key});
            compareOutput(aspect, key, before[i], after[i], outputChanges);
        } else {
            outputChanges.push_back({aspect, key, "added", Json(), after[i]["kind"]});
        }
    }
    for (std::size_t i = 0; i < before.size(); ++i)
        if (position(newKeys, oldKeys[i]) == newKeys.size() &&
            std::find(renamedFrom.begin(), renamedFrom.end(), oldKeys[i]) == renamedFrom.end())
            outputChanges.push_back({aspect, oldKeys[i], "removed", before[i]["kind"], Json()});
    // Sorted by output name; the facts of one output keep their fixed order.
    std::stable_sort(outputChanges.begin(), outputChanges.end(),
                     [](const GraphicsChange& x, const GraphicsChange& y) { return x.output < y.output; });
    changes.insert(changes.end(), outputChanges.begin(), outputChanges.end());
}

std::string valueText(const Json& value) {
    if (value.is_null()) return "(none)";
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_float()) {
        std::ostringstream out;
        out.precision(6);
        out << value.get<double>();
        return out.str();
    }
    if (value.is_array()) {
        std::string out = "[";
        for (std::size_t i = 0; i < value.size(); ++i) out += (i ? ", " : "") + valueText(value[i]);
        return out + "]";
    }
    return value.dump();
}

std::string graphicsLine(const GraphicsChange& change) {
    const std::string where = change.aspect + ": ";
    if (change.change == "status")
        return where + "status: " + valueText(change.oldValue) + " -> " + valueText(change.newValue);
    const std::string output = where + "output " + change.output + ": ";
    if (change.change == "added") return output + "added";
    if (change.change == "removed") return output + "removed";
    if (change.change == "renamed") return output + "renamed from " + valueText(change.oldValue);
    const std::map<std::string, std::string> label = {{"kind", "kind"},     {"bbox", "bounding box"},
                                                      {"volume", "volume"}, {"valid", "valid"},
                                                      {"moved", "moved"},   {"turned", "turned"}};
    return output + label.at(change.change) + " " + valueText(change.oldValue) + " -> " + valueText(change.newValue);
}

} // namespace

CatalogDiff planCatalogDiff(const std::vector<CatalogPart>& before, const std::vector<CatalogPart>& after) {
    std::map<std::string, const CatalogPart*> oldByName, newByName;
    for (const auto& part : before) oldByName[part.name] = &part;
    for (const auto& part : after) newByName[part.name] = &part;
    CatalogDiff diff;
    for (const auto& [name, part] : oldByName)
        if (!newByName.count(name)) diff.removed.push_back(name);
    for (const auto& [name, part] : newByName) {
        auto old = oldByName.find(name);
        if (old == oldByName.end()) {
            diff.added.push_back(name);
            continue;
        }
        auto data = dataChanges(*old->second, *part);
        if (data.empty())
            ++diff.unchanged;
        else
            diff.changed.push_back(PartDiff{name, std::move(data), {}});
    }
    return diff;
}

std::vector<std::pair<const CatalogPart*, const CatalogPart*>>
changedPartVersions(const CatalogDiff& diff, const std::vector<CatalogPart>& before,
                    const std::vector<CatalogPart>& after) {
    // Matched as planCatalogDiff matches them: by name, the last part of a name counting.
    std::map<std::string, const CatalogPart*> oldByName, newByName;
    for (const auto& part : before) oldByName[part.name] = &part;
    for (const auto& part : after) newByName[part.name] = &part;
    std::vector<std::pair<const CatalogPart*, const CatalogPart*>> versions;
    for (const auto& part : diff.changed) versions.emplace_back(oldByName.at(part.name), newByName.at(part.name));
    return versions;
}

bool compareChangedGraphics(CatalogDiff& diff, const std::vector<CatalogPart>& before,
                            const std::vector<CatalogPart>& after,
                            const std::function<PartReport(const CatalogPart&)>& evaluate,
                            const ParallelLoop& forEach) {
    const auto versions = changedPartVersions(diff, before, after);
    // Old and new version of changed part i at 2i and 2i + 1; parts with the same data are not evaluated.
    std::vector<Json> reports(versions.size() * 2);
    forEach(reports.size(), [&](std::size_t i) {
        const auto& [old, current] = versions[i / 2];
        reports[i] = diffReportJson(evaluate(i % 2 == 0 ? *old : *current));
    });
    if (interruptSignal()) return false;
    for (std::size_t i = 0; i < diff.changed.size(); ++i)
        diff.changed[i].graphics = graphicsChanges(reports[2 * i], reports[2 * i + 1]);
    return true;
}

Json diffReportJson(const PartReport& report) {
    Json json = reportJson(report);
    // The recorded creations are not compared; dropped, they hold no memory while the rest evaluate.
    for (auto& aspect : json["aspects"])
        for (auto& output : aspect["outputs"]) output.erase("creation");
    return json;
}

std::vector<GraphicsChange> graphicsChanges(const Json& before, const Json& after) {
    std::vector<GraphicsChange> changes;
    for (std::size_t i = 0; i < before["aspects"].size() && i < after["aspects"].size(); ++i)
        compareAspect(before["aspects"][i], after["aspects"][i], changes);
    return changes;
}

DiffOutput renderCatalogDiff(const CatalogDiff& diff, bool json) {
    std::size_t withGraphics = 0;
    for (const auto& part : diff.changed) withGraphics += !part.graphics.empty();
    const bool graphicsChanged = !diff.added.empty() || !diff.removed.empty() || withGraphics > 0;
    std::ostringstream text;
    if (json) {
        Json out{{"added", diff.added}, {"removed", diff.removed}, {"changed", Json::array()}};
        for (const auto& part : diff.changed) {
            Json entry{{"part", part.name}, {"data", Json::array()}, {"graphics", Json::array()}};
            for (const auto& change : part.data)
                entry["data"].push_back({{"field", change.field}, {"old", change.oldValue}, {"new", change.newValue}});
            for (const auto& change : part.graphics) {
                Json fact{{"aspect", change.aspect}};
                if (!change.output.empty()) fact["output"] = change.output;
                fact["change"] = change.change;
                fact["old"] = change.oldValue;
                fact["new"] = change.newValue;
                entry["graphics"].push_back(fact);
            }
            out["changed"].push_back(entry);
        }
        out["unchanged"] = diff.unchanged;
        out["graphicsChanged"] = graphicsChanged;
        text << out.dump(2) << "\n";
    } else {
        // One fact per line, sorted by part name; a part's data first, then its aspects.
        std::map<std::string, std::vector<std::string>> lines;
        for (const auto& name : diff.added) lines[name].push_back("added part " + name);
        for (const auto& name : diff.removed) lines[name].push_back("removed part " + name);
        for (const auto& part : diff.changed) {
            const std::string prefix = "changed part " + part.name + ": ";
            for (const auto& change : part.data)
                lines[part.name].push_back(prefix + "data: " + change.field + ": " + valueText(change.oldValue) +
                                           " -> " + valueText(change.newValue));
            for (const auto& change : part.graphics) lines[part.name].push_back(prefix + graphicsLine(change));
        }
        for (const auto& [name, partLines] : lines)
            for (const auto& line : partLines) text << escapedControls(line) << "\n";
    }
    DiffOutput output;
    output.text = text.str();
    output.summary = std::to_string(diff.added.size()) + " part(s) added, " + std::to_string(diff.removed.size()) +
                     " removed, " + std::to_string(diff.changed.size()) + " changed (" + std::to_string(withGraphics) +
                     " with graphics changes), " + std::to_string(diff.unchanged) + " unchanged";
    output.exitCode = graphicsChanged ? 1 : 0;
    return output;
}

} // namespace tcv::catalog
