#include "tarncheckvalve/catalog/ValidateReport.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>
#include <stdexcept>

#include <pugixml.hpp>

#include "tarncheckvalve/catalog/MessageText.h"

namespace tcv::catalog {

namespace {

using Json = nlohmann::ordered_json;

std::string extensionOf(const std::string& path) {
    auto dot = path.find_last_of('.');
    auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::size_t failedCount(const ValidateSummary& summary) {
    return static_cast<std::size_t>(
        std::count_if(summary.parts.begin(), summary.parts.end(), [](const auto& p) { return !p.ok(); }));
}

std::size_t warningCount(const ValidateSummary& summary) {
    std::size_t count = 0;
    for (const auto& part : summary.parts) count += part.warnings.size();
    return count;
}

std::string renderJson(const ValidateSummary& summary) {
    Json json;
    json["catalog"] = summary.catalog;
    json["strict"] = summary.strict;
    json["summary"] = {{"parts", summary.parts.size()},
                       {"ok", summary.parts.size() - failedCount(summary)},
                       {"failed", failedCount(summary)},
                       {"warnings", warningCount(summary)}};
    json["parts"] = Json::array();
    for (const auto& part : summary.parts) {
        Json p;
        p["name"] = part.name;
        p["partDataBasis"] = part.partDataBasis;
        p["status"] = part.ok() ? "ok" : "failed";
        p["aspects"] = Json::array();
        for (const auto& aspect : part.aspects)
            p["aspects"].push_back({{"name", aspect.name},
                                    {"status", aspect.ok ? "ok" : "failed"},
                                    {"error", aspect.error},
                                    {"outputs", aspect.outputs}});
        p["warnings"] = part.warnings;
        json["parts"].push_back(p);
    }
    return json.dump(2) + "\n";
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    // XML cannot carry control characters: they are shown escaped, as on a terminal.
    for (const auto& line : lines) text += escapedControls(line) + "\n";
    return text;
}

// JUnit: one test case per part and aspect. A failed aspect is a failure; warnings are the case's
// output and, under --strict, a failure too.
std::string renderJUnit(const ValidateSummary& summary) {
    pugi::xml_document document;
    auto declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    auto suites = document.append_child("testsuites");
    auto suite = suites.append_child("testsuite");
    suite.append_attribute("name") = ("checkvalve validate " + summary.catalog).c_str();
    std::size_t tests = 0;
    std::size_t failures = 0;
    for (const auto& part : summary.parts) {
        for (const auto& aspect : part.aspects) {
            ++tests;
            auto testcase = suite.append_child("testcase");
            // XML cannot carry control characters: they are shown escaped, as on a terminal.
            testcase.append_attribute("classname") = escapedControls(part.name).c_str();
            testcase.append_attribute("name") = aspect.name.c_str();
            if (!aspect.ok) {
                ++failures;
                auto failure = testcase.append_child("failure");
                failure.append_attribute("message") = escapedControls(aspect.failure).c_str();
                failure.append_attribute("type") =
                    aspect.error.is_object() ? aspect.error.value("code", std::string("error")).c_str() : "error";
                failure.text().set(aspect.error.dump(2).c_str());
            } else if (summary.strict && !part.warnings.empty()) {
                ++failures;
                auto failure = testcase.append_child("failure");
                failure.append_attribute("message") = (std::to_string(part.warnings.size()) + " warning(s)").c_str();
                failure.append_attribute("type") = "warning";
                failure.text().set(joined(part.warnings).c_str());
            }
            if (!part.warnings.empty()) testcase.append_child("system-out").text().set(joined(part.warnings).c_str());
        }
    }
    for (auto* node : {&suites, &suite}) {
        node->append_attribute("tests") = tests;
        node->append_attribute("failures") = failures;
        node->append_attribute("errors") = 0;
    }
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

std::string html(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

constexpr const char* kPageStyle = R"(body{font:14px/1.45 system-ui,sans-serif;margin:2em;color:#222}
h1{font-size:1.4em}table{border-collapse:collapse;width:100%}td,th{border-bottom:1px solid #ddd;padding:4px 8px;
text-align:left;vertical-align:top}tr.failed td:first-child{border-left:4px solid #c0392b}
tr.warned td:first-child{border-left:4px solid #e6a700}.summary span{margin-right:1.5em}
input{font:inherit;padding:4px 8px;width:30em;margin:1em 0}.reason{color:#c0392b}.warning{color:#8a6d00})";

constexpr const char* kPageScript = R"(const box=document.getElementById('filter');
box.addEventListener('input',()=>{const q=box.value.toLowerCase();
for(const row of document.querySelectorAll('tbody tr'))row.hidden=q&&!row.textContent.toLowerCase().includes(q);});)";

// One page: the summary, then the parts that failed with their reasons, then those with warnings, then
// the rest; a search box filters the rows.
std::string renderHtml(const ValidateSummary& summary) {
    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>checkvalve validate "
        << html(summary.catalog) << "</title><style>" << kPageStyle << "</style></head><body>\n";
    out << "<h1>checkvalve validate: " << html(summary.catalog) << "</h1>\n<p class=\"summary\"><span>"
        << summary.parts.size() << " part(s)</span><span>" << summary.parts.size() - failedCount(summary)
        << " ok</span><span>" << failedCount(summary) << " failed</span><span>" << warningCount(summary)
        << " warning(s)</span>" << (summary.strict ? "<span>strict: warnings fail</span>" : "") << "</p>\n";
    out << "<input id=\"filter\" type=\"search\" placeholder=\"Search parts, reasons, warnings\">\n";
    out << "<table><thead><tr><th>part</th><th>PartDataBasis</th><th>status</th><th>details</th></tr></thead>"
           "<tbody>\n";
    std::vector<const PartOutcome*> order;
    for (const auto& part : summary.parts) order.push_back(&part);
    auto rank = [](const PartOutcome* p) { return !p->ok() ? 0 : !p->warnings.empty() ? 1 : 2; };
    std::stable_sort(order.begin(), order.end(), [&](auto* a, auto* b) { return rank(a) < rank(b); });
    for (const PartOutcome* part : order) {
        const int r = rank(part);
        out << "<tr class=\""
            << (r == 0   ? "failed"
                : r == 1 ? "warned"
                         : "ok")
            << "\"><td>" << html(part->name) << "</td><td>" << part->partDataBasis << "</td><td>"
            << (r == 0   ? "failed"
                : r == 1 ? "warnings"
                         : "ok")
            << "</td><td>";
        for (const auto& aspect : part->aspects)
            if (!aspect.ok) out << "<div class=\"reason\">" << html(aspect.failure) << "</div>";
        for (const auto& warning : part->warnings)
            out << "<div class=\"warning\">warning: " << html(warning) << "</div>";
        out << "</td></tr>\n";
    }
    out << "</tbody></table>\n<script>" << kPageScript << "</script>\n</body></html>\n";
    return out.str();
}

std::string partLine(const PartOutcome& part) {
    const std::string id = part.name + " (PartDataBasis " + std::to_string(part.partDataBasis) + ")";
    if (part.ok()) return (part.warnings.empty() ? "ok      " : "warned  ") + id;
    std::string line = "FAILED  " + id + ":";
    for (const auto& aspect : part.aspects)
        if (!aspect.ok) line += " " + aspect.failure + ";";
    line.pop_back();
    return line;
}

// Each distinct warning once, with the parts it concerns (the first few by name).
void printWarnings(std::ostream& out, const std::vector<PartOutcome>& parts) {
    std::map<std::string, std::vector<std::string>> partsByWarning;
    std::vector<std::string> order;
    for (const auto& part : parts)
        for (const auto& warning : part.warnings) {
            auto& names = partsByWarning[warning];
            if (names.empty()) order.push_back(warning);
            names.push_back(part.name);
        }
    if (order.empty()) return;
    out << "warnings:\n";
    for (const auto& warning : order) {
        const auto& names = partsByWarning[warning];
        std::string who = names.front();
        for (std::size_t i = 1; i < std::min<std::size_t>(names.size(), 3); ++i) who += ", " + names[i];
        if (names.size() > 3) who += ", ...";
        out << "  " << escapedControls(warning) << "  ["
            << (names.size() > 1 ? std::to_string(names.size()) + " parts: " : "") << escapedControls(who) << "]\n";
    }
}

} // namespace

std::string renderValidateText(const ValidateSummary& summary, bool quiet) {
    std::ostringstream out;
    for (const auto& part : summary.parts)
        if (!quiet || !part.ok()) out << escapedControls(partLine(part)) << "\n";
    printWarnings(out, summary.parts);
    const std::size_t warnings = warningCount(summary);
    out << summary.parts.size() << " part(s): " << summary.parts.size() - failedCount(summary) << " ok, "
        << failedCount(summary) << " failed, " << warnings << " warning(s)"
        << (summary.strict && warnings ? " (failing: --strict)" : "") << "\n";
    return out.str();
}

int validateExitCode(const ValidateSummary& summary) {
    if (failedCount(summary) > 0) return 1;
    return summary.strict && warningCount(summary) > 0 ? 1 : 0;
}

bool PartOutcome::ok() const {
    return std::all_of(aspects.begin(), aspects.end(), [](const auto& a) { return a.ok; });
}

PartOutcome outcomeOf(const PartReport& report, std::vector<std::string> warnings) {
    PartOutcome outcome;
    outcome.name = report.part.name;
    outcome.partDataBasis = report.part.partDataBasis;
    for (const auto& aspect : report.aspects)
        outcome.aspects.push_back({aspect.aspect, aspect.ok, errorJson(aspect),
                                   aspect.ok ? std::string() : failureText(aspect), aspect.outputs->outputs().size()});
    outcome.warnings = std::move(warnings);
    return outcome;
}

bool knownReportExtension(const std::string& path) {
    const std::string extension = extensionOf(path);
    return extension == ".json" || extension == ".xml" || extension == ".html" || extension == ".htm";
}

std::string renderValidateReport(const ValidateSummary& summary, const std::string& path) {
    const std::string extension = extensionOf(path);
    if (extension == ".json") return renderJson(summary);
    if (extension == ".xml") return renderJUnit(summary);
    if (extension == ".html" || extension == ".htm") return renderHtml(summary);
    throw std::invalid_argument("a report ends in .json, .xml or .html");
}

} // namespace tcv::catalog
