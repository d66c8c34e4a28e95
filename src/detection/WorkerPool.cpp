#include "detection/WorkerPool.h"

#include <algorithm>

namespace vondrel {

WorkerPool::WorkerPool(int workers) {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
}

// Takes tasks of the current run until none is left. Called with the lock
// held; runs each task without it.
void WorkerPool::Drain(std::unique_lock<std::mutex>& lock) {
    while (task_ && next_ < tasks_) {
        const int index = next_++;
        const auto* task = task_;
        ++running_;
        lock.unlock();
        std::exception_ptr error;
        try {
            (*task)(index);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && !error_) error_ = error;
        if (--running_ == 0 && next_ >= tasks_) done_.notify_all();
    }
}

void WorkerPool::Work() {
    std::unique_lock lock(mutex_);
    long seen = generation_;
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
        Drain(lock);
    }
}

void WorkerPool::Run(int tasks, const std::function<void(int)>& task) {
    std::unique_lock lock(mutex_);
    task_ = &task;
    tasks_ = tasks;
    next_ = 0;
    error_ = nullptr;
    ++generation_;
    wake_.notify_all();
    Drain(lock);
    done_.wait(lock, [&] { return running_ == 0 && next_ >= tasks_; });
    task_ = nullptr;
    if (error_) {
        std::exception_ptr error = error_;
        error_ = nullptr;
        std::rethrow_exception(error);
    }
}

WorkerPool& CountingPool() {
    static WorkerPool pool(std::clamp(static_cast<int>(std::thread::hardware_concurrency()) - 1, 0, 3));
    return pool;
}

}  // namespace vondrel
