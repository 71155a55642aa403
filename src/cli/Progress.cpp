#include "Progress.h"

#include <cstdio>
#include <unistd.h>

namespace tcv::cli {

Progress::Progress(std::string label, std::size_t total)
    : label_(std::move(label)), total_(total), terminal_(isatty(fileno(stderr)) != 0) {}

void Progress::advance() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++done_;
    draw();
}

void Progress::draw() {
    if (terminal_) {
        const int width = 30;
        const int filled = total_ ? static_cast<int>(width * done_ / total_) : width;
        std::fprintf(stderr, "\r%s [%-*s] %zu/%zu", label_.c_str(), width,
                     std::string(static_cast<std::size_t>(filled), '#').c_str(), done_, total_);
        std::fflush(stderr);
    } else if (done_ == total_ || done_ - lastPrinted_ >= std::max<std::size_t>(1, total_ / 10)) {
        // Without a terminal, about ten plain lines over the whole run.
        std::fprintf(stderr, "%s: %zu/%zu\n", label_.c_str(), done_, total_);
        lastPrinted_ = done_;
    }
}

void Progress::finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (terminal_) std::fprintf(stderr, "\n");
}

} // namespace tcv::cli
