// Progress of long work: a bar on a terminal, plain occasional lines otherwise (both on stderr).
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace tcv::cli {

class Progress {
public:
    Progress(std::string label, std::size_t total);
    // Marks one more item done.
    void advance();
    // Ends the bar's line.
    void finish();

private:
    void draw();
    std::string label_;
    std::size_t total_;
    std::size_t done_ = 0;
    bool terminal_;
    std::size_t lastPrinted_ = 0;
    std::mutex mutex_;
};

} // namespace tcv::cli
