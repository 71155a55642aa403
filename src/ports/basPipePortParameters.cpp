// Port data and the pipe outside diameter. The diameter lookup swallows every failure and keeps the
// value it has so far: a catalogue part with odd data still gets graphics.
#include "ports/basPipePortParameters.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

#include <sys/stat.h>

#include <pugixml.hpp>

#include "base/Inputs.h"
#include "base/Text.h"
#include "geometry/Comparisons.h"
#include "host/Diagnostics.h"
#include "host/Runtime.h"

namespace tcv {

namespace {

constexpr const char* kDataFileName = "OutsideDiameterforSymbolGraphics.xml";
constexpr const char* kDataServerVariable = "OLE_SERVER";
constexpr char kPathSeparator = '/';

constexpr std::int32_t kFlanged = 5;
constexpr std::int32_t kPlainOwnDiameter = 10;
constexpr std::int32_t kFemale = 15;
constexpr std::int32_t kMechanical = 20;

// Module state of the calling thread: the host context made on first use, and the full path and file
// status of the data file found by the last existence check.
thread_local host::ContextPtr moduleContext;
thread_local std::string moduleDataFilePath;
thread_local struct stat moduleDataFileStatus {};

// The data file as last parsed by the calling thread, with the file's identity when it was read.
// Parsing the file for every port of every part was most of the time a part took when no geometry is
// built; now a lookup compares the status the existence check found with the one of the file parsed.
struct ParsedDataFile {
    std::string path;
    struct stat identity {};
    std::shared_ptr<const pugi::xml_document> document;
};
thread_local ParsedDataFile parsedDataFile;

// What the lookups of the calling thread's current evaluation found: whether the data file exists, its
// document, and the part's entry in it. `evaluation` 0 is no evaluation: nothing is kept.
struct EvaluationLookups {
    std::uint64_t evaluation = 0;
    std::uint64_t checked = 0; // the evaluation whose data file was checked
    bool dataFileExists = false;
    std::shared_ptr<const pugi::xml_document> document;
    std::uint64_t basisFound = 0; // the evaluation whose part entry was found
    std::int32_t basisPartDataBasis = 0;
    pugi::xml_node basis;
};
thread_local EvaluationLookups evaluationLookups;
thread_local std::uint64_t evaluationCount = 0;

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// File times tick in steps of a few milliseconds: a file changed within the last two seconds could
// be written again with the same size and time, so it is not kept.
bool settled(const struct stat& identity) {
    const std::time_t now = std::time(nullptr);
    return now - identity.st_mtim.tv_sec > 2 && now - identity.st_ctim.tv_sec > 2;
}

// The parsed document of the data file at `path`, whose status `identity` the existence check just
// found; a file that cannot be read or parsed reads as an empty document, in which no node is found.
std::shared_ptr<const pugi::xml_document> dataFileDocument(const std::string& path, const struct stat& identity) {
    if (parsedDataFile.document && parsedDataFile.path == path && sameFile(parsedDataFile.identity, identity))
        return parsedDataFile.document;

    auto document = std::make_shared<pugi::xml_document>();
    if (!document->load_file(path.c_str())) document->reset();
    if (settled(identity))
        parsedDataFile = ParsedDataFile{path, identity, document};
    else
        parsedDataFile = ParsedDataFile{};
    return document;
}

// Runs one statement of the diameter lookup; a failure is dropped (with a note on the evaluation's
// trail) and the lookup goes on.
void attempt(const std::function<void()>& statement) {
    try {
        statement();
    } catch (...) {
        host::noteRecoveredFailure("pipe outside diameter lookup");
    }
}

// The data file's entry for a PartDataBasis: the first PartDataBasis element under
// /OutsideDiameterforSymbolGraphicsConstruction/BasisforGraphicsCreation whose Value is its number.
pugi::xml_node partEntry(const pugi::xml_document& document, std::int32_t partDataBasis) {
    const std::string value = std::to_string(partDataBasis);
    for (const pugi::xml_node& root : document.children("OutsideDiameterforSymbolGraphicsConstruction"))
        for (const pugi::xml_node& basis : root.children("BasisforGraphicsCreation"))
            for (const pugi::xml_node& entry : basis.children("PartDataBasis"))
                if (const pugi::xml_attribute attribute = entry.attribute("Value");
                    attribute && value == attribute.value())
                    return entry;
    return {};
}

host::PortCollectionPtr portsOf(const host::PipingComponentPtr& component) {
    auto ports = component->Ports();
    if (!ports) throw host::HostError(host::kGenericFailure, "the part has no port collection");
    return ports;
}

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

double numberFrom(const std::string& text) { return host::toDouble(host::Variant(trim(text))); }

std::string textOf(const host::Variant& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (host::isEmpty(value)) return {};
    // A number stands for its decimal text.
    double number = host::toDouble(value);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", number);
    return buffer;
}

const char* factorTypeOf(std::int32_t terminationClass) {
    switch (terminationClass) {
    case kFlanged:
        return "Flanged";
    case kFemale:
        return "Female";
    case kMechanical:
        return "Mechanical";
    default:
        return nullptr;
    }
}

// The nominal size → outside diameter table of the data file; keys in the port's size unit, values
// converted from inches by the host's units service. Rows that cannot be read are left out; of two
// rows with the same size the first one counts.
std::map<double, double> readSizeTable(const pugi::xml_document& document, const std::string& sizeUnit) {
    std::map<double, double> table;
    const char* sizeAttribute = sizeUnit == "in" ? "@SizeInInch" : "@SizeInMM";
    auto units = host::runtime().CreateUnitsService();
    auto rows = document.select_nodes("/OutsideDiameterforSymbolGraphicsConstruction/NPDandPipingODInInchesTable/NPD");
    for (const pugi::xpath_node& row : rows) {
        attempt([&] {
            pugi::xpath_node size = row.node().select_node(sizeAttribute);
            if (!size.attribute()) return;
            double key = numberFrom(size.attribute().value());
            if (!std::isfinite(key)) return;
            double diameter = units->ParseUnit(1, elementText(row.node()) + "in");
            table.emplace(key, diameter);
        });
    }
    return table;
}

double factorFor(const pugi::xml_document& document, std::int32_t terminationClass) {
    const char* type = factorTypeOf(terminationClass);
    if (!type) return 0;
    std::string query = "/OutsideDiameterforSymbolGraphicsConstruction/FactoronFlangeorHuborMechanicalOutsideDiameter/"
                        "TerminationClass[@Type='" +
                        std::string(type) + "']";
    pugi::xpath_node node = document.select_node(query.c_str());
    if (!node.node()) return 0;
    return numberFrom(elementText(node.node()));
}

template <class Write>
bool findPortAndWrite(std::int16_t portIndex, const host::ObjectPtr& part, Write&& write) {
    auto ports = portsOf(pipingComponent(part));
    std::int16_t count = ports->Count();
    for (std::int16_t position = 1; position <= count; ++position) {
        auto port = ports->Item(position);
        if (port && port->PortIndex() == portIndex) {
            write(*port);
            return true;
        }
    }
    return false;
}

void readPortValues(const host::IPipePort& port, const host::ObjectPtr& part, std::int16_t portIndex, double& pipeOD,
                    double& flangeThickness, double& flangeDiameter, double& cptOffset, double& depth) {
    // The diameter goes by position in the ports collection, as the lookup itself does.
    pipeOD = GetPipeOutsideDiamter(part, portIndex);
    flangeThickness = port.FlangeOrHubThickness();
    flangeDiameter = port.FlangeOrHubOutsideDiameter();
    cptOffset = port.CptOffset();
    depth = port.Depth();
}

void clearFlangedOffset(const host::IPipePort& port, bool flanged, double& cptOffset) {
    if (port.TerminationClass() == kFlanged && flanged) cptOffset = 0;
}

} // namespace

void RetrievePortData(std::int16_t& portIndex, const host::ObjectPtr& part, const host::OutputCollectionPtr&,
                      double& pipeOD, double& flangeThickness, double& flangeDiameter, double& cptOffset, double& depth,
                      bool flanged) {
    findPortAndWrite(portIndex, part, [&](const host::IPipePort& port) {
        readPortValues(port, part, portIndex, pipeOD, flangeThickness, flangeDiameter, cptOffset, depth);
        clearFlangedOffset(port, flanged, cptOffset);
    });
}

void RetrievePortDataEx(std::int16_t& portIndex, const host::ObjectPtr& part, const host::OutputCollectionPtr&,
                        double& pipeOD, double& flangeThickness, double& flangeDiameter, double& cptOffset,
                        double& depth, std::int32_t& attribute, bool flanged) {
    findPortAndWrite(portIndex, part, [&](const host::IPipePort& port) {
        readPortValues(port, part, portIndex, pipeOD, flangeThickness, flangeDiameter, cptOffset, depth);
        attribute = port.Attribute();
        clearFlangedOffset(port, flanged, cptOffset);
    });
}

void RetrievePortData(std::int16_t portIndex, const host::ObjectPtr& part, const host::OutputCollectionPtr& outputColl,
                      PortDataRecord& record) {
    RetrievePortData(portIndex, part, outputColl, record.pipeOD, record.flangeThickness, record.flangeDiameter,
                     record.cptOffset, record.depth, true);
}

double GetPipeOutsideDiamter(const host::ObjectPtr& part, std::int16_t portIndex) {
    double result = 0;
    try {
        auto component = pipingComponent(part);
        // The port at the 1-based position `portIndex`, whatever its own port index.
        auto port = portsOf(component)->Item(portIndex);
        if (!port) return result;

        std::int32_t terminationClass = 0;
        attempt([&] { terminationClass = port->TerminationClass(); });
        if (terminationClass == kPlainOwnDiameter) {
            attempt([&] { result = port->PipingOutsideDiameter(); });
            return result;
        }

        EvaluationLookups& memo = evaluationLookups;
        const bool remembered = memo.evaluation != 0 && memo.checked == memo.evaluation;
        bool dataFileExists = remembered && memo.dataFileExists;
        if (!remembered) attempt([&] { dataFileExists = CheckXMLExists(kDataFileName); });
        if (!dataFileExists) {
            if (memo.evaluation != 0) {
                memo.checked = memo.evaluation;
                memo.dataFileExists = false;
            }
            attempt([&] { result = port->PipingOutsideDiameter(); });
            return result;
        }

        std::shared_ptr<const pugi::xml_document> parsed = remembered ? memo.document : nullptr;
        if (!parsed) {
            parsed = std::make_shared<pugi::xml_document>();
            attempt([&] { parsed = dataFileDocument(moduleDataFilePath, moduleDataFileStatus); });
            if (memo.evaluation != 0) {
                memo.checked = memo.evaluation;
                memo.dataFileExists = true;
                memo.document = parsed;
            }
        }
        const pugi::xml_document& document = *parsed;

        pugi::xml_node basis;
        std::int32_t partDataBasis = 0;
        bool basisRead = false;
        attempt([&] {
            partDataBasis = component->PartDataBasis();
            basisRead = true;
        });
        if (basisRead && memo.evaluation != 0 && memo.basisFound == memo.evaluation &&
            memo.basisPartDataBasis == partDataBasis) {
            basis = memo.basis;
        } else if (basisRead) {
            attempt([&] { basis = partEntry(document, partDataBasis); });
            if (memo.evaluation != 0) {
                memo.basisFound = memo.evaluation;
                memo.basisPartDataBasis = partDataBasis;
                memo.basis = basis;
            }
        }

        if (basis) {
            std::string text;
            attempt([&] { text = toLower(elementText(basis)); });
            if (text == "estimatedpipeodbased") {
                attempt([&] {
                    std::map<double, double> sizeTable = readSizeTable(document, port->NominalSizeUnits());
                    result = InterpolatePipeOutsideDiameter(sizeTable, port->NominalSize());
                });
            }
            return result;
        }

        attempt([&] { result = port->PipingOutsideDiameter(); });
        if (CmpDblLessThanOrEqualTo(result, 0, kTolerance)) {
            double factor = 0;
            attempt([&] { factor = factorFor(document, terminationClass); });
            attempt([&] { result = factor * port->FlangeOrHubOutsideDiameter(); });
        }
    } catch (...) {
        // The lookup never raises; the diameter found so far stands.
        host::noteRecoveredFailure("pipe outside diameter lookup");
    }
    return result;
}

void beginPortLookups() {
    evaluationLookups = {};
    evaluationLookups.evaluation = ++evaluationCount;
}

bool CheckXMLExists(const std::string& fileName) {
    if (!moduleContext) {
        try {
            moduleContext = host::runtime().CreateContext();
        } catch (...) {
            moduleContext = nullptr;
        }
    }
    if (!moduleContext) return false;

    std::string directory = textOf(moduleContext->GetVariable(kDataServerVariable));
    moduleDataFilePath = directory + kPathSeparator + "xml" + kPathSeparator + fileName;
    moduleDataFileStatus = {};
    return ::stat(moduleDataFilePath.c_str(), &moduleDataFileStatus) == 0 && S_ISREG(moduleDataFileStatus.st_mode);
}

double InterpolatePipeOutsideDiameter(std::map<double, double>& sizeTable, double nominalSize) {
    double result = 0;
    if (!std::isfinite(nominalSize)) return result;
    auto exact = sizeTable.find(nominalSize);
    if (exact != sizeTable.end()) return exact->second;

    std::vector<double> sizes;
    for (const auto& entry : sizeTable) sizes.push_back(entry.first);
    SortCollection(sizes);
    // Fewer than two sizes give no pair to interpolate between.
    if (sizes.size() < 2) return result;

    std::size_t upper = 0;
    if (sizes.front() > nominalSize) {
        upper = 1;
    } else if (sizes.back() < nominalSize) {
        upper = sizes.size() - 1;
    } else {
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            if (sizes[i] > nominalSize) {
                upper = i;
                break;
            }
        }
        if (upper == 0) return result;
    }
    double a = sizes[upper - 1];
    double b = sizes[upper];
    double da = sizeTable.at(a);
    double db = sizeTable.at(b);
    double value = da + (nominalSize - a) * (db - da) / (b - a);
    if (std::isfinite(value)) result = value;
    return result;
}

void SortCollection(std::vector<double>& numbers) {
    std::vector<double> sorted;
    sorted.reserve(numbers.size());
    for (double number : numbers) sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), number), number);
    numbers.swap(sorted);
}

void resetPortModuleState() {
    moduleContext.reset();
    moduleDataFilePath.clear();
    moduleDataFileStatus = {};
    parsedDataFile = {};
    evaluationLookups = {};
}

} // namespace tcv
