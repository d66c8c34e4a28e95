// A fixed set of worker threads made once, for work split into independent
// tasks (a window's stations, a recording's files).
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vondrel {

class WorkerPool {
public:
    // `workers` threads besides the caller (0: everything runs on the caller).
    explicit WorkerPool(int workers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs task(0) .. task(tasks - 1) on the workers and the calling thread and
    // returns when all have finished. The first exception a task throws is
    // thrown again here (the other tasks still run). One Run at a time.
    void Run(int tasks, const std::function<void(int)>& task);

    int Threads() const { return static_cast<int>(threads_.size()) + 1; }

private:
    void Work();
    void Drain(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    const std::function<void(int)>* task_ = nullptr;
    int next_ = 0, tasks_ = 0, running_ = 0;
    long generation_ = 0;
    bool stop_ = false;
    std::exception_ptr error_;
};

// The program's pool for counting: up to three workers, fewer on a machine
// with fewer cores, made at its first use.
WorkerPool& CountingPool();

}  // namespace vondrel
