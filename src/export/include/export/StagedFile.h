// Writing a file so that a failure never leaves a half-written one: the writer fills a temporary file
// beside the destination, and only a finished file is renamed into place.
#pragma once

#include <string>

namespace tcv::exports {

class StagedFile {
public:
    // Checks that the destination's folder exists; `format` names the file in messages ("STEP").
    // Raises ExportError otherwise.
    StagedFile(const std::string& path, std::string format);
    // Removes the temporary file unless it was committed.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Where the writer writes.
    const std::string& temporaryPath() const { return temporary_; }
    // Moves the finished temporary file to the destination.
    void commit();
    // Raises ExportError "cannot write <format> file '<path>': <why>".
    [[noreturn]] void fail(const std::string& why) const;

private:
    std::string path_;
    std::string format_;
    std::string temporary_;
    bool committed_ = false;
};

// The whole content of a file; raises ExportError when it cannot be read.
std::string readFileBytes(const std::string& path);
// Replaces the content of a file; raises ExportError when it cannot be written.
void writeFileBytes(const std::string& path, const std::string& bytes);

} // namespace tcv::exports
