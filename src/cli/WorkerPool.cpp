#include "WorkerPool.h"

#include <system_error>

namespace tcv::cli {

WorkerPool::WorkerPool(std::size_t workers) {
    threads_.reserve(workers);
    try {
        for (std::size_t i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
    } catch (const std::system_error& error) {
        const std::size_t started = threads_.size();
        shutdown();
        throw WorkerStartError("cannot start " + std::to_string(workers) + " worker threads (" +
                               std::to_string(started) + " started): " + error.what());
    }
}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::enqueue(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void WorkerPool::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& thread : threads_)
        if (thread.joinable()) thread.join();
}

void WorkerPool::work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty()) return; // stopping, nothing left
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

} // namespace tcv::cli
