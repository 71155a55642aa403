// Choosing the parts and aspects a command works on.
#include <algorithm>

#include "Commands.h"
#include "catalog/Catalog.h"

namespace tcv::cli {

std::vector<refhost::PartSpec> selectParts(const std::string& file, const std::string& partName) {
    std::vector<refhost::PartSpec> parts = file.empty() ? refhost::loadSampleCatalog() : refhost::loadCatalogFile(file);
    if (partName.empty()) return parts;
    auto found = std::find_if(parts.begin(), parts.end(), [&](const auto& p) { return p.name == partName; });
    if (found == parts.end()) {
        std::vector<std::string> names;
        for (const auto& p : parts) names.push_back(p.name);
        std::string hint = refhost::closestName(partName, names);
        throw refhost::CatalogError((file.empty() ? std::string("the built-in samples") : file) + " hold no part '" +
                                    partName + "'" + (hint.empty() ? "" : "; did you mean '" + hint + "'?"));
    }
    return {*found};
}

std::vector<std::string> aspectsFor(const std::string& choice) {
    if (choice == "physical") return {"Physical"};
    if (choice == "insulation") return {"Insulation"};
    return {"Physical", "Insulation"};
}

} // namespace tcv::cli
