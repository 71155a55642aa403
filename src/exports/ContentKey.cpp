#include "tarncheckvalve/exports/ContentKey.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "tarncheckvalve/catalog/Documents.h"
#include "tarncheckvalve/host/Version.h"
#include "tarncheckvalve/ports/OutsideDiameterTable.h"

namespace tcv::exports {

using Json = nlohmann::ordered_json;

std::string contentDigest(std::string_view bytes) {
    const XXH128_hash_t hash = XXH3_128bits(bytes.data(), bytes.size());
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hash.high64),
                  static_cast<unsigned long long>(hash.low64));
    return text;
}

namespace {

// The GNU build id note of a loaded object, as hexadecimal digits; empty when it has none.
std::string buildIdOf(const dl_phdr_info& info) {
    for (int i = 0; i < info.dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info.dlpi_phdr[i];
        if (header.p_type != PT_NOTE) continue;
        const char* at = reinterpret_cast<const char*>(info.dlpi_addr + header.p_vaddr);
        const char* end = at + header.p_memsz;
        while (at + sizeof(ElfW(Nhdr)) <= end) {
            ElfW(Nhdr) note;
            std::memcpy(&note, at, sizeof note);
            const char* name = at + sizeof note;
            const char* description = name + ((note.n_namesz + 3) & ~3u);
            if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && std::memcmp(name, "GNU", 4) == 0) {
                std::string hex;
                char digits[3];
                for (unsigned j = 0; j < note.n_descsz; ++j) {
                    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(description[j]));
                    hex += digits;
                }
                return hex;
            }
            at = description + ((note.n_descsz + 3) & ~3u);
        }
    }
    return {};
}

struct BuildIds {
    const void* ownCode = nullptr; // an address in the object that holds this file's code
    std::set<std::string> ids;     // "name:id", sorted so the identity does not depend on load order
};

int collectBuildId(dl_phdr_info* info, std::size_t, void* data) {
    auto& found = *static_cast<BuildIds*>(data);
    const std::string path = info->dlpi_name ? info->dlpi_name : "";
    const std::string name = path.substr(path.find_last_of('/') + 1);
    bool own = false;
    for (int i = 0; i < info->dlpi_phnum && !own; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        const auto start = info->dlpi_addr + header.p_vaddr;
        const auto at = reinterpret_cast<ElfW(Addr)>(found.ownCode);
        own = header.p_type == PT_LOAD && at >= start && at < start + header.p_memsz;
    }
    // The project's own libraries (a shared build) and the geometry kernel's, whose version shapes meshes
    // and STEP files; the object holding this code is the program or module itself in a static build.
    if (own || name.rfind("libtarncheckvalve", 0) == 0 || name.rfind("libTK", 0) == 0)
        found.ids.insert((own ? std::string("self") : name) + ":" + buildIdOf(*info));
    return 0;
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

const char* factorTypeOf(std::int32_t terminationClass) {
    switch (terminationClass) {
    case 5:
        return "Flanged";
    case 15:
        return "Female";
    case 20:
        return "Mechanical";
    default:
        return nullptr;
    }
}

// The size unit a port's nominal size is looked up in: inches for "in", millimetres for any other.
std::string sizeUnitOf(const refhost::PortSpec& port) { return port.npdUnit == "in" ? "in" : "mm"; }

} // namespace

const std::string& programIdentity() {
    static const std::string identity = [] {
        BuildIds found;
        found.ownCode = reinterpret_cast<const void*>(&collectBuildId);
        dl_iterate_phdr(collectBuildId, &found);
        std::string ids;
        for (const auto& id : found.ids) ids += id + "\n";
        return std::string(TCV_VERSION_STRING) + " " + contentDigest(ids);
    }();
    return identity;
}

std::string exportSettingsText(const IfcOptions& ifc, const refhost::WorkLimits& limits) {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    return std::string("ifc-geometry=") + (ifc.geometry == IfcGeometry::Mesh ? "mesh" : "exact") +
           " ifc-curves=" + (ifc.curves == IfcCurves::Composite ? "composite" : "indexed") +
           " ifc-coverings=" + (ifc.coverings == IfcCoverings::Envelope ? "envelope" : "cut") +
           " time-limit-us=" + std::to_string(limits.time.count()) +
           " triangle-limit=" + std::to_string(limits.triangles) +
           " source-date-epoch=" + (epoch && *epoch ? epoch : "unset");
}

Json outsideDiameterReads(const refhost::CatalogPart& part, const std::string& dataDirectory) {
    Json reads = Json::object();
    const auto table = ports::loadOutsideDiameterTable(ports::outsideDiameterFilePath(dataDirectory));
    if (!table) {
        reads["file"] = "absent";
        return reads;
    }
    reads["file"] = table->error().empty() ? "read" : table->error();
    const auto entry = table->entryText(part.partDataBasis);
    reads["entry"] = entry ? Json(*entry) : Json(nullptr);
    std::set<std::string> units;
    std::set<std::string> factorTypes;
    for (const auto& port : part.ports) {
        units.insert(sizeUnitOf(port));
        if (const char* type = factorTypeOf(port.terminationClass)) factorTypes.insert(type);
    }
    // An estimated diameter is interpolated between the rows nearest the size: any row of the unit counts.
    if (entry && lowered(*entry) == "estimatedpipeodbased") {
        Json rows = Json::object();
        for (const auto& unit : units) {
            Json list = Json::array();
            for (const auto& row : table->rows()) {
                const auto& size = unit == "in" ? row.sizeInInch : row.sizeInMM;
                if (size) list.push_back(Json::array({*size, row.diameterInInches}));
            }
            rows[unit] = std::move(list);
        }
        reads["rows"] = std::move(rows);
    }
    if (!entry) {
        Json factors = Json::object();
        for (const auto& type : factorTypes) {
            const auto text = table->factorText(type);
            factors[type] = text ? Json(*text) : Json(nullptr);
        }
        reads["factors"] = std::move(factors);
    }
    // The diameters the plausibility warnings compare each port's pipe OD with.
    Json tabled = Json::array();
    for (const auto& port : part.ports) {
        double diameter = 0;
        for (const auto& [size, od] : table->diametersBySize(port.npdUnit))
            if (std::fabs(size - port.npd) <= 1e-9 * std::max(1.0, size)) {
                diameter = od;
                break;
            }
        tabled.push_back(diameter);
    }
    reads["tabled"] = std::move(tabled);
    return reads;
}

std::string partContentKey(const refhost::CatalogPart& part, const std::string& fileStem,
                           const std::string& dataDirectory, const std::string& settings) {
    Json record = catalog::partJson(part);
    if (part.valveOperator) record["operatorSymbolMissing"] = part.valveOperator->symbolMissing;
    std::string material = programIdentity();
    material += '\n';
    material += settings;
    material += '\n';
    material += fileStem;
    material += '\n';
    material += record.dump();
    material += '\n';
    material += outsideDiameterReads(part, dataDirectory).dump();
    return contentDigest(material);
}

} // namespace tcv::exports
