#include "acquisition/DiskFlusher.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vondrel {

namespace {
std::function<void()>& SyncNowObserver() {
    static std::function<void()> observer;
    return observer;
}
}  // namespace

void SetSyncNowObserverForTest(std::function<void()> observer) { SyncNowObserver() = std::move(observer); }

DiskFlusher::DiskFlusher(std::chrono::milliseconds period) : period_(period), thread_([this] { Loop(); }) {}

DiskFlusher::~DiskFlusher() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    SyncPending();
}

void DiskFlusher::Written(const std::string& path) {
    bool first = false;
    {
        std::lock_guard lock(mutex_);
        first = pending_.empty();
        pending_.insert(path);
    }
    if (first) wake_.notify_all();
}

int64_t DiskFlusher::Rounds() {
    std::lock_guard lock(mutex_);
    return rounds_;
}

int64_t DiskFlusher::Wakes() {
    std::lock_guard lock(mutex_);
    return wakes_;
}

std::vector<SyncFailure> DiskFlusher::SyncSet(const std::set<std::string>& paths) {
    std::vector<SyncFailure> failures;
    for (const std::string& path : paths) {
        // Non-blocking, so that a path that is not a regular file cannot hold
        // the round. A file removed since it was written has nothing to sync.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0 && errno == ENOENT) continue;
        int error = fd < 0 ? errno : 0;
        if (fd >= 0) {
            if (::fsync(fd) != 0) error = errno;
            ::close(fd);
        }
        if (error) failures.push_back({path, std::strerror(error)});
    }
    return failures;
}

void DiskFlusher::Loop() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            // Nothing to sync: sleep until a file is written (no wake-up at
            // all while the program is idle). Then one period, so that the
            // files of a window close are synced in one round.
            while (!stop_ && pending_.empty()) {
                wake_.wait(lock);
                ++wakes_;
            }
            if (stop_) return;
            const auto due = std::chrono::steady_clock::now() + period_;
            while (!stop_ && wake_.wait_until(lock, due) != std::cv_status::timeout) ++wakes_;
            ++wakes_;
            if (stop_) return;
            ++rounds_;
        }
        // The round lock first, then the state lock, as in SyncNow.
        std::lock_guard round(round_);
        std::set<std::string> paths;
        {
            std::lock_guard lock(mutex_);
            paths.swap(pending_);
        }
        std::vector<SyncFailure> failures = SyncSet(paths);
        std::lock_guard lock(mutex_);
        for (auto& f : failures) failures_.push_back(std::move(f));
    }
}

std::vector<SyncFailure> DiskFlusher::SyncNow() {
    if (SyncNowObserver()) SyncNowObserver()();
    return SyncPending();
}

std::vector<SyncFailure> DiskFlusher::SyncPending() {
    // Waiting for the round lock lets a round that took files before this
    // call finish them first; its failures go to TakeFailures.
    std::lock_guard round(round_);
    std::set<std::string> paths;
    {
        std::lock_guard lock(mutex_);
        paths.swap(pending_);
    }
    return SyncSet(paths);
}

std::vector<SyncFailure> DiskFlusher::TakeFailures() {
    std::lock_guard lock(mutex_);
    std::vector<SyncFailure> out;
    out.swap(failures_);
    return out;
}

DiskFlusher& RunFileFlusher() {
    static DiskFlusher flusher;
    return flusher;
}

}  // namespace vondrel
