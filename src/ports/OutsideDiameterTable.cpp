#include "tarncheckvalve/ports/OutsideDiameterTable.h"

#include <cmath>
#include <ctime>
#include <mutex>

#include <sys/stat.h>

#include <pugixml.hpp>

#include "tarncheckvalve/base/Text.h"
#include "tarncheckvalve/host/Units.h"
#include "tarncheckvalve/host/Value.h"

namespace tcv::ports {

using namespace tcv::base;

namespace {

constexpr const char* kRoot = "OutsideDiameterforSymbolGraphicsConstruction";

void appendCharacterData(const pugi::xml_node& node, std::string& text) {
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
        else if (child.type() == pugi::node_element)
            appendCharacterData(child, text);
    }
}

// The text of an element as a document reader reports it: all character data below it, trimmed.
std::string elementText(const pugi::xml_node& element) {
    std::string text;
    appendCharacterData(element, text);
    return trim(text);
}

std::optional<std::string> attributeText(const pugi::xml_node& node, const char* name) {
    if (const pugi::xml_attribute attribute = node.attribute(name)) return std::string(attribute.value());
    return std::nullopt;
}

// A number as the host reads one from text; none when it does not read as a finite number.
std::optional<double> numberOf(const std::string& text) {
    try {
        const double number = host::toDouble(host::Variant(trim(text)));
        if (std::isfinite(number)) return number;
    } catch (...) {
    }
    return std::nullopt;
}

// The identity of a file's version: an edit changes its size or times, a replacement its inode.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

// File times tick in steps of a few milliseconds: a file changed within the last two seconds could be
// written again with the same size and times, so its table is not kept.
bool settled(const FileIdentity& identity) {
    const std::time_t now = std::time(nullptr);
    return now - identity.modified.tv_sec > 2 && now - identity.changed.tv_sec > 2;
}

} // namespace

OutsideDiameterTable::OutsideDiameterTable(const std::string& path) : path_(path) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_file(path.c_str());
    if (!parsed) {
        error_ = path + ": " + parsed.description() + " at byte " + std::to_string(parsed.offset);
        return;
    }
    for (const pugi::xml_node& root : document.children(kRoot)) {
        for (const pugi::xml_node& basis : root.children("BasisforGraphicsCreation"))
            for (const pugi::xml_node& entry : basis.children("PartDataBasis"))
                if (const pugi::xml_attribute value = entry.attribute("Value"))
                    entries_.emplace(value.value(), elementText(entry));
        for (const pugi::xml_node& table : root.children("NPDandPipingODInInchesTable"))
            for (const pugi::xml_node& row : table.children("NPD"))
                rows_.push_back({attributeText(row, "SizeInInch"), attributeText(row, "SizeInMM"), elementText(row)});
        for (const pugi::xml_node& factors : root.children("FactoronFlangeorHuborMechanicalOutsideDiameter"))
            for (const pugi::xml_node& factor : factors.children("TerminationClass"))
                if (const pugi::xml_attribute type = factor.attribute("Type"))
                    factors_.emplace(type.value(), elementText(factor));
    }
    for (const auto& row : rows_) {
        const auto inches = numberOf(row.diameterInInches);
        if (!inches || !(*inches > 0)) continue;
        const double metres = *inches * host::kMetresPerInch;
        if (row.sizeInInch)
            if (const auto size = numberOf(*row.sizeInInch)) byInch_.emplace(*size, metres);
        if (row.sizeInMM)
            if (const auto size = numberOf(*row.sizeInMM)) byMillimetre_.emplace(*size, metres);
    }
}

std::optional<std::string> OutsideDiameterTable::entryText(std::int32_t partDataBasis) const {
    const auto found = entries_.find(std::to_string(partDataBasis));
    if (found == entries_.end()) return std::nullopt;
    return found->second;
}

std::optional<std::string> OutsideDiameterTable::factorText(const std::string& type) const {
    const auto found = factors_.find(type);
    if (found == factors_.end()) return std::nullopt;
    return found->second;
}

const std::map<double, double>& OutsideDiameterTable::diametersBySize(const std::string& sizeUnit) const {
    return sizeUnit == "in" ? byInch_ : byMillimetre_;
}

std::string outsideDiameterFilePath(const std::string& dataDirectory) {
    return dataDirectory + "/xml/" + kOutsideDiameterFileName;
}

std::shared_ptr<const OutsideDiameterTable> loadOutsideDiameterTable(const std::string& path) {
    struct Kept {
        FileIdentity identity;
        std::shared_ptr<const OutsideDiameterTable> table;
    };
    static std::mutex mutex;
    static std::map<std::string, Kept> kept;

    const auto identity = identityOf(path);
    if (!identity) return nullptr;
    {
        const std::lock_guard lock(mutex);
        const auto found = kept.find(path);
        if (found != kept.end() && found->second.identity == *identity) return found->second.table;
    }
    // Parsed outside the lock: another thread's lookup of a kept table does not wait for it.
    auto table = std::make_shared<const OutsideDiameterTable>(path);
    const std::lock_guard lock(mutex);
    if (settled(*identity))
        kept[path] = Kept{*identity, table};
    else
        kept.erase(path);
    return table;
}

} // namespace tcv::ports
