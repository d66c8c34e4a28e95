// Durability of the run's files off the acquisition tick. A record is written
// whole and its file closed at once (from then on the kernel keeps it, even
// if the program is killed); bringing it onto the disk itself (fsync) is left
// to a background thread that syncs, about a second after a file is written,
// every file written since its last round; with nothing written it sleeps. The end of a run syncs everything before it is told.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vondrel {

struct SyncFailure {
    std::string path;
    std::string reason;
};

class DiskFlusher {
public:
    explicit DiskFlusher(std::chrono::milliseconds period = std::chrono::milliseconds(1000));
    ~DiskFlusher();  // syncs what is still pending
    DiskFlusher(const DiskFlusher&) = delete;
    DiskFlusher& operator=(const DiskFlusher&) = delete;

    // `path` has just been written and closed; it is synced within a period.
    void Written(const std::string& path);

    // Syncs every file written before the call (waiting for a round in
    // progress) and returns the failures of this call.
    std::vector<SyncFailure> SyncNow();

    // Failures of the background rounds not taken yet.
    std::vector<SyncFailure> TakeFailures();

    // Background rounds run so far, and the times the thread woke from a
    // wait (for a written file, the end of a period, or spuriously).
    int64_t Rounds();
    int64_t Wakes();

private:
    void Loop();
    std::vector<SyncFailure> SyncPending();  // SyncNow without its test observer
    std::vector<SyncFailure> SyncSet(const std::set<std::string>& paths);

    std::mutex mutex_;       // pending_, failures_, stop_
    std::mutex round_;       // held while a set of files is synced
    std::condition_variable wake_;
    std::set<std::string> pending_;
    std::vector<SyncFailure> failures_;
    bool stop_ = false;
    int64_t rounds_ = 0, wakes_ = 0;
    const std::chrono::milliseconds period_;
    std::thread thread_;
};

// Test seam: called on the caller's thread at the start of every SyncNow,
// before any file is touched. An empty function removes it.
void SetSyncNowObserverForTest(std::function<void()> observer);

// The run's flusher, made at its first use.
DiskFlusher& RunFileFlusher();

}  // namespace vondrel
