// The server's connection workers: a fixed number of threads, all started before the server listens, that
// take the accepted connections in turn. A thread that cannot be started (the system's thread or memory
// limit) is a start-up error the caller reports, not the end of the process.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include <httplib.h>

namespace tcv::cli {

// Raised when the workers cannot all be started; the ones that were are stopped again.
struct WorkerStartError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class WorkerPool : public httplib::TaskQueue {
public:
    explicit WorkerPool(std::size_t workers);
    ~WorkerPool() override;
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void enqueue(std::function<void()> task) override;
    // Lets the workers finish the queued tasks, then joins them.
    void shutdown() override;

private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace tcv::cli
