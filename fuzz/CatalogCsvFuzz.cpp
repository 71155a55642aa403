// Fuzz target: the spreadsheet (CSV) catalogue reader and writer. Any text either loads or is refused
// with a catalogue error free of control characters; a catalogue that loads is written back as CSV
// without a refusal, and that CSV reads back to the same parts.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "tarncheckvalve/catalog/CatalogCsv.h"

namespace {

bool sameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameParts(const std::vector<tcv::refhost::CatalogPart>& a, const std::vector<tcv::refhost::CatalogPart>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto &x = a[i], &y = b[i];
        if (x.name != y.name || x.description != y.description || x.partDataBasis != y.partDataBasis ||
            x.operatorSourceCode != y.operatorSourceCode || x.operatorText != y.operatorText ||
            x.inputs.size() != y.inputs.size() || x.ports.size() != y.ports.size() ||
            x.valveOperator.has_value() != y.valveOperator.has_value())
            return false;
        for (auto p = x.inputs.begin(), q = y.inputs.begin(); p != x.inputs.end(); ++p, ++q)
            if (p->first != q->first || !sameDouble(p->second, q->second)) return false;
        for (std::size_t j = 0; j < x.ports.size(); ++j) {
            const auto &p = x.ports[j], &q = y.ports[j];
            if (p.index != q.index || p.terminationClass != q.terminationClass || p.endType != q.endType ||
                p.attribute != q.attribute || !sameDouble(p.pipeOD, q.pipeOD) || !sameDouble(p.flangeOD, q.flangeOD) ||
                !sameDouble(p.flangeThickness, q.flangeThickness) || !sameDouble(p.cptOffset, q.cptOffset) ||
                !sameDouble(p.depth, q.depth) || !sameDouble(p.length, q.length) || !sameDouble(p.npd, q.npd) ||
                p.npdUnit != q.npdUnit)
                return false;
        }
        if (x.valveOperator && (x.valveOperator->name != y.valveOperator->name ||
                                x.valveOperator->inputs.size() != y.valveOperator->inputs.size()))
            return false;
        if (x.valveOperator)
            for (std::size_t j = 0; j < x.valveOperator->inputs.size(); ++j)
                if (x.valveOperator->inputs[j].first != y.valveOperator->inputs[j].first ||
                    !sameDouble(x.valveOperator->inputs[j].second, y.valveOperator->inputs[j].second))
                    return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tcv;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<refhost::CatalogPart> parts;
    nlohmann::json document;
    try {
        parts = catalog::parseCsvCatalog(text, "fuzz.csv");
        document = catalog::csvCatalogJson(text, "fuzz.csv");
    } catch (const catalog::CatalogError& error) {
        // A refusal is fit to print to a terminal however the text was made: no control characters.
        for (const char c : std::string(error.what()))
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
        return 0;
    }
    // What was read from CSV can always be written as CSV, and reads back the same.
    const std::string written = catalog::catalogCsvText(document, "fuzz.csv");
    if (!sameParts(parts, catalog::parseCsvCatalog(written, "written.csv"))) __builtin_trap();
    return 0;
}
