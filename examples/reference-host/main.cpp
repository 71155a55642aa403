// Evaluates one part of a catalogue on the reference host (Open CASCADE geometry) and writes a GLB.
//   reference-host CATALOG.json PART OUT.glb
#include <cstdlib>
#include <iostream>

#include <tarncheckvalve/catalog/Catalog.h>
#include <tarncheckvalve/catalog/Report.h>
#include <tarncheckvalve/exports/Export.h>
#include <tarncheckvalve/kernel/Kernel.h>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: reference-host CATALOG.json PART OUT.glb\n";
        return 2;
    }
    using namespace tcv;
    try {
        // Hand out the Open CASCADE kernel to every runtime made with the default options.
        kernel::installOccKernel();
        refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
        // The pipe outside-diameter data file: $TCV_DATA_DIR, else the installed data folder.
        const char* dataDir = std::getenv("TCV_DATA_DIR");
        options.dataDirectory = dataDir && *dataDir ? dataDir : TCV_EXAMPLE_DATA_DIR;

        for (const auto& part : catalog::loadCatalogFile(argv[1])) {
            if (part.name != argv[2]) continue;
            const catalog::PartReport report = catalog::evaluatePart(part, {"Physical", "Insulation"}, options);
            for (const auto& aspect : report.aspects)
                std::cout << aspect.aspect << ": " << aspect.outputs->outputs().size() << " outputs"
                          << (aspect.ok ? "" : " (failed: " + aspect.errorText + ")") << "\n";
            exports::ExportDocument document(report);
            document.writeGlb(argv[3]);
            std::cout << "wrote " << argv[3] << "\n";
            return 0;
        }
        std::cerr << "reference-host: no part named '" << argv[2] << "' in " << argv[1] << "\n";
        return 2;
    } catch (const std::exception& failure) {
        std::cerr << "reference-host: " << failure.what() << "\n";
        return 1;
    }
}
