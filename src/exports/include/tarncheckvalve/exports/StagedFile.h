// Writing a file so that a failure never leaves a half-written one and no other writer, link or file in
// the destination folder can be written through: the content goes to a temporary file beside the
// destination, created exclusively under an unpredictable name without following links, and only a
// finished, flushed file is renamed into place. Two writers of one destination each produce a whole
// file; the last rename wins. A destination that is a character device (/dev/null, /dev/stdout on a
// terminal or pipe) is written straight into instead, never replaced; one that is a folder, a named pipe,
// a socket, a block device or a link to a folder is refused.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::exports {

class TCV_EXPORT StagedFile {
public:
    // Checks that the destination's folder exists and creates the temporary file in it (or opens the
    // device); `format` names the file in messages ("STEP"). Raises ExportError, naming the path, when the
    // folder is missing or cannot be written or the destination is refused.
    StagedFile(const std::string& path, std::string format);
    // Closes and removes the temporary file unless it was committed.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Appends to the temporary file.
    void write(std::string_view bytes);
    // Flushes the temporary file to disk and renames it over the destination (a link there is replaced,
    // never followed); a device is only closed.
    void commit();
    // Raises ExportError "cannot write <format> file '<path>': <why>".
    [[noreturn]] void fail(const std::string& why) const;

private:
    void openDirect();

    std::string path_;
    std::string format_;
    std::string temporary_;
    int descriptor_ = -1;
    bool committed_ = false;
    bool direct_ = false; // writing straight into a device, without a temporary file
};

// A folder of the process's own for a writer that insists on writing by file name (and may add side files
// of its own): made with owner-only access under an unpredictable name in the system's temporary folder,
// removed with everything in it when done.
class TCV_EXPORT ScratchFolder {
public:
    // Raises ExportError when no folder can be made.
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // A path for `name` inside the folder.
    std::string path(const std::string& name) const;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

// Writes a whole file through a StagedFile.
TCV_EXPORT void writeFileStaged(const std::string& path, const std::string& format, std::string_view bytes);

// Writes the bytes `render` makes (it is given the destination's file name) through a StagedFile. The
// destination is checked before the work starts; a render that fails with an ExportError fails the file
// with its reason, and nothing is written.
TCV_EXPORT void writeRenderedStaged(const std::string& path, const std::string& format,
                                    const std::function<std::string(const std::string& fileName)>& render);

// The whole content of a file; raises ExportError when it cannot be read.
TCV_EXPORT std::string readFileBytes(const std::string& path);

} // namespace tcv::exports
