#include "Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "Progress.h"
#include "tarncheckvalve/refhost/WorkBudget.h"

namespace tcv::cli {

void forEachInParallel(const std::string& label, std::size_t count, unsigned jobs,
                       const std::function<void(std::size_t)>& work) {
    std::atomic<std::size_t> next{0};
    std::exception_ptr firstError;
    std::mutex errorMutex;
    Progress progress(label, count);
    auto worker = [&] {
        // A stop signal ends the loop: work in progress stops through its budget, none is started.
        for (std::size_t i = next++; i < count && !refhost::interruptSignal(); i = next++) {
            try {
                work(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (!firstError) firstError = std::current_exception();
                next = count;
                return;
            }
            progress.advance();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned j = 1; j < std::clamp(jobs, 1u, 64u); ++j) threads.emplace_back(worker);
    worker();
    for (auto& thread : threads) thread.join();
    progress.finish();
    if (firstError) std::rethrow_exception(firstError);
}

} // namespace tcv::cli
