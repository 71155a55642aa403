// Work over many parts on several threads, with progress.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace tcv::cli {

// Runs `work(i)` for every i below `count` on up to `jobs` threads (the calling one among them, at most
// 64), each thread taking the next index in turn, and reports progress under `label`. An exception
// from `work` stops the threads from taking more and is raised again once all have stopped.
void forEachInParallel(const std::string& label, std::size_t count, unsigned jobs,
                       const std::function<void(std::size_t)>& work);

} // namespace tcv::cli
