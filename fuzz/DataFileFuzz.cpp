// Fuzz target: the pipe outside-diameter data file. The fuzz bytes choose a part whose port needs the
// diameter from the file (a few leading bytes) and give the file itself (the rest). The lookup never
// raises, whatever the file holds, and the symbol evaluated with it fails at most with the generic
// failure code.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"

namespace {

// A data directory of this process, holding xml/ and removed at exit.
class DataDirectory {
public:
    DataDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tcv-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
        path_ = pattern;
        std::filesystem::create_directories(path_ / "xml");
    }
    ~DataDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string path() const { return path_.string(); }
    void write(const std::string& content) const {
        std::ofstream(path_ / "xml" / "OutsideDiameterforSymbolGraphics.xml", std::ios::binary | std::ios::trunc)
            << content;
    }

private:
    std::filesystem::path path_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tcv;
    static const DataDirectory directory;

    fuzz::ByteReader in(data, size);
    refhost::CatalogPart part;
    part.name = "fuzz";
    part.partDataBasis = fuzz::decodePartDataBasis(in);
    refhost::PortSpec port;
    static const std::int32_t classes[] = {5, 15, 20, 0};
    port.terminationClass = classes[in.byte() % 4];
    static const char* units[] = {"in", "mm", "IN", ""};
    port.npdUnit = units[in.byte() % 4];
    // The estimate is needed when the port carries no diameter of its own.
    port.pipeOD = in.byte() % 4 == 3 ? 0.1143 : 0;
    port.npd = fuzz::decodePortValue(in, 4);
    port.flangeOD = fuzz::decodePortValue(in, 0.2286);
    port.flangeThickness = 0.0239;
    port.length = 0.0239;
    part.ports = {port, port};
    part.ports[1].index = 2;
    directory.write(in.rest());

    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    options.dataDirectory = directory.path();
    {
        host::RuntimeScope scope(std::make_shared<refhost::RefRuntime>(options));
        auto object = refhost::makePart(part);
        try {
            ports::GetPipeOutsideDiamter(object, 1);
            ports::PortDataRecord record;
            ports::RetrievePortData(2, object, nullptr, record);
        } catch (...) {
            fuzz::violated("the pipe outside-diameter lookup raised");
        }
    }
    fuzz::checkOutcome(refhost::evaluateAspect(part, contract::Aspect::Physical, options));
    return 0;
}
