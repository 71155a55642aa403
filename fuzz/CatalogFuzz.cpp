// Fuzz target: the parts-catalogue JSON reader. Any text either loads or is refused with a catalogue
// error free of control characters; a part that loads can be offered to the symbol, and evaluating it
// (recording only, for speed) fails at most with the generic failure code.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "tarncheckvalve/catalog/Catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tcv;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<refhost::CatalogPart> parts;
    try {
        parts = catalog::parseCatalog(text, "fuzz.json");
    } catch (const catalog::CatalogError& error) {
        // A refusal is fit to print to a terminal however the text was made: no control characters.
        for (const char c : std::string(error.what()))
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
        return 0;
    }
    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    for (const auto& part : parts) {
        catalog::plausibilityWarnings(part);
        for (const contract::Aspect aspect : contract::kAspects)
            fuzz::checkOutcome(refhost::evaluateAspect(part, aspect, options));
    }
    return 0;
}
