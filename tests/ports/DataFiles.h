// Temporary data directories holding a pipe outside-diameter data file, for tests that point the
// host's "OLE_SERVER" at them.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tcv::test {

class TempDataDirectory {
public:
    TempDataDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tcv-ports-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
        path_ = pattern;
        std::filesystem::create_directories(path_ / "xml");
    }
    ~TempDataDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDataDirectory(const TempDataDirectory&) = delete;
    TempDataDirectory& operator=(const TempDataDirectory&) = delete;

    std::string path() const { return path_.string(); }
    std::filesystem::path dataFile() const { return path_ / "xml" / "OutsideDiameterforSymbolGraphics.xml"; }
    void write(const std::string& content) const { std::ofstream(dataFile()) << content; }

private:
    std::filesystem::path path_;
};

// The parts of a data file; each string is inserted as it stands.
struct DataFileContent {
    std::vector<std::string> bases;   // e.g. R"(<PartDataBasis Value="2256">EstimatedPipeODBased</PartDataBasis>)"
    std::vector<std::string> sizes;   // e.g. R"(<NPD SizeInInch="2" SizeInMM="50">2.375</NPD>)"
    std::vector<std::string> factors; // e.g. R"(<TerminationClass Type="Flanged">0.5</TerminationClass>)"

    std::string text() const {
        std::string xml = "<?xml version=\"1.0\"?>\n<OutsideDiameterforSymbolGraphicsConstruction>\n"
                          "<BasisforGraphicsCreation>\n";
        for (const auto& line : bases) xml += line + "\n";
        xml += "</BasisforGraphicsCreation>\n<NPDandPipingODInInchesTable>\n";
        for (const auto& line : sizes) xml += line + "\n";
        xml += "</NPDandPipingODInInchesTable>\n<FactoronFlangeorHuborMechanicalOutsideDiameter>\n";
        for (const auto& line : factors) xml += line + "\n";
        xml += "</FactoronFlangeorHuborMechanicalOutsideDiameter>\n</OutsideDiameterforSymbolGraphicsConstruction>\n";
        return xml;
    }
};

inline std::string basisEntry(int partDataBasis, const std::string& text) {
    return "<PartDataBasis Value=\"" + std::to_string(partDataBasis) + "\">" + text + "</PartDataBasis>";
}

} // namespace tcv::test
