#include "reports/RawRecount.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/RunDataFiles.h"
#include "detection/BatchCounter.h"
#include "detection/EventCounter.h"
#include "platform/Files.h"

namespace vondrel::reports {
namespace {

constexpr int kBlocksPerFile = kWindowsPerNumberedFile;

// Reads up to `blocks` whole blocks from the start of raw file `file` into
// `buffer`; returns the number of whole blocks read (0 for a missing file).
// The file is opened for reading only, never created.
int ReadBlocks(const std::string& folder, int file, int blocks, size_t blockBytes, std::vector<int16_t>& buffer) {
    const std::string path = platform::JoinPath(folder, std::to_string(file) + ".bin");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return 0;
    }
    const size_t want = static_cast<size_t>(blocks) * blockBytes;
    auto* out = reinterpret_cast<char*>(buffer.data());
    size_t got = 0;
    while (got < want) {
        const ssize_t r = ::read(fd, out + got, want - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<size_t>(r);
    }
    ::close(fd);
    return static_cast<int>(got / blockBytes);
}

bool Counted(const RawRecountJob& job, int record) {
    return job.recordsCounted.empty() || job.recordsCounted[static_cast<size_t>(record)] != 0;
}

// The counts of one stored block into the record's 384 entries.
void CountBlock(const RawRecountJob& job, int16_t* block, size_t blockLevels, std::span<int16_t> out) {
    std::fill(out.begin(), out.end(), int16_t{0});
    SampleWindow window(std::span<int16_t>(block, blockLevels), kChannelSlots);
    CountChannels(window, job.channels.first(kRecountChannels), out, job.threshold, job.method);
}

void CheckJob(const RawRecountJob& job, std::span<int16_t> counts) {
    if (job.records < 0 || counts.size() < static_cast<size_t>(job.records) * kRecountChannels)
        throw std::invalid_argument("the count table is too small for the records");
    if (job.channels.size() < static_cast<size_t>(kRecountChannels))
        throw std::invalid_argument("the channel choice needs 384 entries");
    if (!job.recordsCounted.empty() && job.recordsCounted.size() < static_cast<size_t>(job.records))
        throw std::invalid_argument("the record choice is shorter than the records");
    if (!job.exportFolder.empty() && job.exportTags.size() < static_cast<size_t>(job.records))
        throw std::invalid_argument("the export needs a tag per record");
}

// The export path. The workers count a stretch of files (two per worker) with
// the batch counter, which also gives every channel's event flags; then the
// calling thread reports the stretch's records in order and appends each
// channel's lines of the stretch to its file in one write: the lines are
// those CountEvents appends, record after record, one per counted record.
RawRecountResult RecountWithExport(const RawRecountJob& job, std::span<int16_t> counts, size_t blockBytes,
                                   const std::function<bool(int)>& progress) {
    RawRecountResult result;
    const size_t blockLevels = blockBytes / sizeof(int16_t);
    const int records = job.records;
    const int files = (records + kBlocksPerFile - 1) / kBlocksPerFile;
    const int workers = std::clamp(job.workers, 1, std::max(1, files));
    const int stretch = 2 * workers;  // files counted before their lines are written
    constexpr size_t kRecordFlags = static_cast<size_t>(kRecountChannels) * kWindowSamples;
    std::vector<std::vector<int16_t>> buffers(static_cast<size_t>(workers),
                                              std::vector<int16_t>(blockLevels * kBlocksPerFile));
    std::vector<char> flags(static_cast<size_t>(stretch) * kBlocksPerFile * kRecordFlags);
    std::vector<int> got(static_cast<size_t>(stretch));
    std::string lines;

    for (int f0 = 0; f0 < files; f0 += stretch) {
        const int n = std::min(stretch, files - f0);
        std::atomic<int> next{0};
        std::exception_ptr error;
        std::mutex errorMutex;
        auto work = [&](int w) {
            try {
                for (int i = next.fetch_add(1); i < n; i = next.fetch_add(1)) {
                    const int first = (f0 + i) * kBlocksPerFile;
                    auto& buffer = buffers[static_cast<size_t>(w)];
                    got[static_cast<size_t>(i)] =
                        ReadBlocks(job.folder, f0 + i, std::min(kBlocksPerFile, records - first), blockBytes, buffer);
                    for (int b = 0; b < got[static_cast<size_t>(i)]; ++b) {
                        const int rec = first + b;
                        auto out = counts.subspan(static_cast<size_t>(rec) * kRecountChannels, kRecountChannels);
                        std::fill(out.begin(), out.end(), int16_t{0});
                        if (!Counted(job, rec)) continue;
                        SampleWindow window(std::span<int16_t>(buffer.data() + static_cast<size_t>(b) * blockLevels,
                                                               blockLevels),
                                            kChannelSlots);
                        const size_t at = (static_cast<size_t>(i) * kBlocksPerFile + b) * kRecordFlags;
                        CountChannels(window, job.channels.first(kRecountChannels), out, job.threshold, job.method,
                                      std::span<char>(flags.data() + at, kRecordFlags));
                    }
                }
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (!error) error = std::current_exception();
            }
        };
        std::vector<std::thread> threads;
        for (int w = 1; w < std::min(workers, n); ++w) threads.emplace_back(work, w);
        work(0);
        for (auto& t : threads) t.join();
        if (error) std::rethrow_exception(error);

        // The stretch's records in order, up to the first one missing and
        // through the one at which the progress callback asks to stop.
        const int begin = f0 * kBlocksPerFile;
        int end = begin;
        bool missing = false;
        for (int i = 0; i < n && !missing; ++i) {
            const int first = (f0 + i) * kBlocksPerFile;
            end = first + got[static_cast<size_t>(i)];
            missing = got[static_cast<size_t>(i)] < std::min(kBlocksPerFile, records - first);
        }
        for (int rec = begin; rec < end; ++rec)
            if (progress && !progress(rec + 1)) {
                end = rec + 1;
                result.stopped = true;
                break;
            }

        for (int ch = 0; ch < kRecountChannels; ++ch) {
            if (job.channels[static_cast<size_t>(ch)] == 0) continue;
            lines.clear();
            for (int rec = begin; rec < end; ++rec) {
                if (!Counted(job, rec)) continue;
                lines += std::to_string(job.exportTags[static_cast<size_t>(rec)]);
                lines += ' ';
                lines.append(flags.data() + static_cast<size_t>(rec - begin) * kRecordFlags +
                                 static_cast<size_t>(ch) * kWindowSamples,
                             kWindowSamples);
                lines += "\r\n";
            }
            if (lines.empty()) continue;
            const std::string path = platform::JoinPath(job.exportFolder, "ch" + std::to_string(ch) + ".raw");
            if (!platform::AppendBinaryFile(path, lines.data(), lines.size()))
                throw EventFileError("cannot append the event flags to " + path);
        }
        result.analysed = end;
        if (missing || result.stopped) break;
    }
    return result;
}

}  // namespace

int DefaultRecountWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? static_cast<int>(cores) - 1 : 1;
}

size_t RecountBlockBytes(int windowLength) {
    if (windowLength < 500 || windowLength > 502)
        throw std::invalid_argument("Raw data analysis needs windows of 500 to 502 samples");
    return RawBlockBytes(windowLength);
}

RawRecountResult RecountRawFiles(const RawRecountJob& job, std::span<int16_t> counts,
                                 const std::function<bool(int)>& progress) {
    const size_t blockBytes = RecountBlockBytes(job.windowLength);
    CheckJob(job, counts);
    if (!job.exportFolder.empty()) return RecountWithExport(job, counts, blockBytes, progress);

    const size_t blockLevels = blockBytes / sizeof(int16_t);
    const int records = job.records;
    const int files = (records + kBlocksPerFile - 1) / kBlocksPerFile;
    const int workers = std::clamp(job.workers, 1, std::max(1, files));

    std::atomic<int> nextFile{0}, firstMissing{records}, finished{0};
    std::atomic<bool> stop{false};
    auto done = std::make_unique<std::atomic<uint8_t>[]>(static_cast<size_t>(records));
    for (int i = 0; i < records; ++i) done[static_cast<size_t>(i)].store(0, std::memory_order_relaxed);
    std::mutex mutex;
    std::condition_variable changed;
    std::exception_ptr error;

    auto lowerMissing = [&](int rec) {
        int cur = firstMissing.load();
        while (rec < cur && !firstMissing.compare_exchange_weak(cur, rec)) {
        }
    };
    auto work = [&] {
        try {
            std::vector<int16_t> buffer(blockLevels * kBlocksPerFile);
            while (!stop.load(std::memory_order_relaxed)) {
                const int file = nextFile.fetch_add(1);
                if (file >= files) break;
                const int first = file * kBlocksPerFile;
                if (first >= firstMissing.load()) break;  // later files lie beyond the end too
                const int wanted = std::min(kBlocksPerFile, records - first);
                const int got = ReadBlocks(job.folder, file, wanted, blockBytes, buffer);
                if (got < wanted) lowerMissing(first + got);
                for (int b = 0; b < got && !stop.load(std::memory_order_relaxed); ++b) {
                    const int rec = first + b;
                    auto out = counts.subspan(static_cast<size_t>(rec) * kRecountChannels, kRecountChannels);
                    if (Counted(job, rec)) CountBlock(job, buffer.data() + static_cast<size_t>(b) * blockLevels,
                                                      blockLevels, out);
                    else std::fill(out.begin(), out.end(), int16_t{0});
                    done[static_cast<size_t>(rec)].store(1, std::memory_order_release);
                    std::lock_guard<std::mutex> lock(mutex);
                    changed.notify_one();
                }
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!error) error = std::current_exception();
            stop.store(true);
        }
        std::lock_guard<std::mutex> lock(mutex);
        finished.fetch_add(1);
        changed.notify_one();
    };

    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(workers));
    for (int i = 0; i < workers; ++i) threads.emplace_back(work);

    RawRecountResult result;
    int inOrder = 0;
    for (;;) {
        bool allFinished = false;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait_for(lock, std::chrono::milliseconds(10));
            allFinished = finished.load() == workers;
        }
        const int limit = std::min(records, firstMissing.load());
        while (inOrder < limit && done[static_cast<size_t>(inOrder)].load(std::memory_order_acquire) != 0) ++inOrder;
        if (allFinished) break;
        if (progress && !stop.load() && !progress(inOrder)) {
            stop.store(true);
            result.stopped = true;
        }
    }
    for (auto& t : threads) t.join();
    if (error) std::rethrow_exception(error);
    result.analysed = std::min(inOrder, std::min(records, firstMissing.load()));
    // A stop asked for while the last records finished still counts.
    if (!result.stopped && progress && !progress(result.analysed)) result.stopped = true;
    return result;
}

}  // namespace vondrel::reports
