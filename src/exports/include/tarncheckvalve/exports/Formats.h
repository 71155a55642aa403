// The export formats: the one table that `checkvalve eval`'s file options, the gallery's files and the
// server's /api/export are made from. A new format is a writer on ExportDocument and one row here.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tarncheckvalve/exports/Export.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::exports {

struct ExportFormat {
    const char* name;      // "glb": the API's format= value and eval's option --glb
    const char* label;     // "GLB": how messages name a file of the format
    const char* extension; // ".glb"
    const char* mediaType; // the Content-Type it is sent with
    const char* contents;  // what a file of it holds, for the option's help
    // Writes the document's file to `path`, whole or not at all (ExportError saying what failed).
    void (*write)(ExportDocument& document, const std::string& path, const IfcOptions& options);
    // The same file's bytes in memory; the IFC header names `fileName`.
    std::string (*render)(ExportDocument& document, const std::string& fileName, const IfcOptions& options);
    bool physicalOnly; // holds the Physical aspect alone
    bool inGallery;    // written for every part of a gallery
    // The writer goes through process-wide state and writes one file at a time (STEP's translator): a
    // server that must not wait for it writes it in a process of its own.
    bool serialised;
};

// Every format, in the order the API lists them: glb, step, stl, ifc.
TCV_EXPORT std::span<const ExportFormat> exportFormats();
// The format of that name, or null.
TCV_EXPORT const ExportFormat* findExportFormat(std::string_view name);

} // namespace tcv::exports
