// The pipe outside-diameter data file "OutsideDiameterforSymbolGraphics.xml", read in one place: the part
// entries that ask for an estimated diameter, the nominal size → outside diameter table and the factors
// on a flange's or hub's diameter. The symbol's diameter lookup (basPipePortParameters.h) and the
// reference host's plausibility warnings both take it from here, so that both see the same table.
//
// A file is parsed once per version and shared by every thread: the table of a path is kept with the
// file's identity (device, inode, size and times) and parsed again only when that changes, so that an
// edited file is seen by the next evaluation. A file changed within the last two seconds is not kept, as
// its times might not show a further edit made within the same tick.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::ports {

inline constexpr const char* kOutsideDiameterFileName = "OutsideDiameterforSymbolGraphics.xml";

// One row of the size table as the file writes it: the texts of its nominal sizes (none when the row has
// no such attribute) and of its outside diameter in inches (all character data of the row, trimmed).
struct OutsideDiameterRow {
    std::optional<std::string> sizeInInch;
    std::optional<std::string> sizeInMM;
    std::string diameterInInches;
};

class TCV_EXPORT OutsideDiameterTable {
public:
    // An empty table: no entries, no rows, no factors.
    OutsideDiameterTable() = default;
    // Parses the file at `path`; a file that cannot be read or parsed gives an empty table whose error()
    // says why.
    explicit OutsideDiameterTable(const std::string& path);

    const std::string& path() const { return path_; }
    // "<path>: <what is wrong> at byte <n>"; empty when the file was read.
    const std::string& error() const { return error_; }

    // The text of the part's entry, trimmed: the first PartDataBasis element under
    // BasisforGraphicsCreation whose Value is the number's decimal text. None when the part is not listed.
    std::optional<std::string> entryText(std::int32_t partDataBasis) const;
    // The rows of the size table, in file order.
    const std::vector<OutsideDiameterRow>& rows() const { return rows_; }
    // The trimmed text of the first factor for a termination class type ("Flanged", "Female",
    // "Mechanical"); none when the file gives none.
    std::optional<std::string> factorText(const std::string& type) const;

    // Outside diameters in metres by nominal size: the inch sizes for the size unit "in", the millimetre
    // sizes for every other unit. Rows whose size or diameter is not a number, or whose diameter is not
    // above zero, are left out; of two rows with the same size the first counts.
    const std::map<double, double>& diametersBySize(const std::string& sizeUnit) const;

private:
    std::string path_;
    std::string error_;
    std::map<std::string, std::string> entries_; // PartDataBasis Value → text, the first of each
    std::vector<OutsideDiameterRow> rows_;
    std::map<std::string, std::string> factors_; // termination class type → text, the first of each
    std::map<double, double> byInch_;
    std::map<double, double> byMillimetre_;
};

// <directory>/xml/OutsideDiameterforSymbolGraphics.xml: where the data file lies in a data directory.
TCV_EXPORT std::string outsideDiameterFilePath(const std::string& dataDirectory);

// The table of the data file at `path`, parsed once per version of the file and shared; null when no
// regular file is there. Safe to call from any thread.
TCV_EXPORT std::shared_ptr<const OutsideDiameterTable> loadOutsideDiameterTable(const std::string& path);

} // namespace tcv::ports
