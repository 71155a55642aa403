// What a catalogue change did: the parts added, removed and changed between two catalogues (matched by
// name), the data fields that changed, and what that did to the graphics of each aspect, as the text and
// JSON `checkvalve diff` prints. The Python module's distributed diff uses the same.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "tarncheckvalve/catalog/Report.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Parts.h"

namespace tcv::catalog {

struct TCV_EXPORT DataChange {
    std::string field;
    nlohmann::ordered_json oldValue; // null when the field is absent
    nlohmann::ordered_json newValue;
};

// One graphics fact of a changed part.
struct TCV_EXPORT GraphicsChange {
    std::string aspect;
    std::string output; // empty for the aspect's status
    std::string change; // status, added, removed, renamed, kind, bbox, volume, valid, moved, turned
    nlohmann::ordered_json oldValue;
    nlohmann::ordered_json newValue;
};

struct TCV_EXPORT PartDiff {
    std::string name;
    std::vector<DataChange> data;
    std::vector<GraphicsChange> graphics;
};

// The parts of two catalogues matched by name, before anything is evaluated: names added and removed,
// the parts whose data changed (in name order, graphics still empty) and how many are unchanged.
struct TCV_EXPORT CatalogDiff {
    std::vector<std::string> added;
    std::vector<std::string> removed;
    std::vector<PartDiff> changed;
    std::size_t unchanged = 0;
};

TCV_EXPORT CatalogDiff planCatalogDiff(const std::vector<refhost::CatalogPart>& before,
                                       const std::vector<refhost::CatalogPart>& after);

// The old and the new version of every changed part of `diff` (planned from `before` and `after`), in its
// order: the parts whose evaluations decide the graphics facts.
TCV_EXPORT std::vector<std::pair<const refhost::CatalogPart*, const refhost::CatalogPart*>>
changedPartVersions(const CatalogDiff& diff, const std::vector<refhost::CatalogPart>& before,
                    const std::vector<refhost::CatalogPart>& after);

// Runs work(i) for every i below `count`, in any order and on any of the caller's threads.
using ParallelLoop = std::function<void(std::size_t count, const std::function<void(std::size_t)>& work)>;

// Evaluates both versions of every changed part with `evaluate`, through `forEach`, and fills in each
// changed part's graphics facts. Returns false, with no facts filled in, when a stop signal cut the
// evaluations short.
TCV_EXPORT bool compareChangedGraphics(CatalogDiff& diff, const std::vector<refhost::CatalogPart>& before,
                                       const std::vector<refhost::CatalogPart>& after,
                                       const std::function<PartReport(const refhost::CatalogPart&)>& evaluate,
                                       const ParallelLoop& forEach);

// A part's report as diff compares it: reportJson without the recorded creations.
TCV_EXPORT nlohmann::ordered_json diffReportJson(const PartReport& report);

// The graphics facts between the old and the new report of one part (as diffReportJson gives them).
TCV_EXPORT std::vector<GraphicsChange> graphicsChanges(const nlohmann::ordered_json& before,
                                                       const nlohmann::ordered_json& after);

// What diff prints once every changed part has its graphics facts: `text` for stdout (one fact per line,
// or the JSON document), `summary` for stderr (without the command's name), and the exit code (1 when
// graphics changed or a part was added or removed, else 0).
struct TCV_EXPORT DiffOutput {
    std::string text;
    std::string summary;
    int exitCode = 0;
};
TCV_EXPORT DiffOutput renderCatalogDiff(const CatalogDiff& diff, bool json);

} // namespace tcv::catalog
