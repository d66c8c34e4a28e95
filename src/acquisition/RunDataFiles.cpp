#include "acquisition/RunDataFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <map>
#include <set>
#include <cerrno>
#include <cstring>

#include "acquisition/AcquisitionGlobals.h"
#include "acquisition/DiskFlusher.h"
#include "acquisition/WindowClose.h"
#include "platform/Files.h"
#include "platform/Numbers.h"

namespace vondrel {

namespace {

void PutLe(std::byte*& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) *out++ = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
}

std::string ErrorText(int err) { return std::strerror(err); }

}  // namespace

size_t RawBlockBytes(int window_length) {
    return static_cast<size_t>(window_length + 1) * kChannelSlots * sizeof(int16_t);
}

std::string AcquisitionFolder(const std::string& project_folder, const std::string& stamp, int station_number) {
    return platform::JoinPath(project_folder, stamp + "_s" + std::to_string(station_number));
}

std::string RawFileName(int file_number) { return std::to_string(file_number) + ".bin"; }

std::string HistogramFileName(int file_number) { return "histo" + FormatPadded(file_number, 4) + ".bin"; }

bool HasHistogramFiles(const std::string& folder) {
    for (const auto& name : platform::ListFolder(folder))
        if (name.rfind("histo", 0) == 0 && name.size() > 9 && name.compare(name.size() - 4, 4, ".bin") == 0) return true;
    return false;
}

std::vector<std::byte> BuildCountsRecord(int32_t elapsed_minutes, const ChannelTable16& counts) {
    std::vector<std::byte> record(kCountsRecordBytes);
    std::byte* out = record.data();
    PutLe(out, static_cast<uint32_t>(elapsed_minutes), 4);
    for (int16_t v : counts) PutLe(out, static_cast<uint16_t>(v), 2);
    return record;
}

std::vector<std::byte> BuildHistogramRecord(double elapsed_minutes, double seconds_per_sample,
                                            std::span<const int32_t> histogram) {
    std::vector<std::byte> record(kHistogramRecordBytes);
    std::byte* out = record.data();
    PutLe(out, std::bit_cast<uint64_t>(elapsed_minutes), 8);
    PutLe(out, std::bit_cast<uint64_t>(seconds_per_sample), 8);
    const size_t values = (kHistogramRecordBytes - 16) / 4;
    for (size_t i = 0; i < values; ++i)
        PutLe(out, static_cast<uint32_t>(i < histogram.size() ? histogram[i] : 0), 4);
    return record;
}

int64_t WholeRecords(const std::string& path, size_t record_bytes) {
    struct stat info {};
    if (record_bytes == 0 || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    return static_cast<int64_t>(info.st_size) / static_cast<int64_t>(record_bytes);
}

std::string WriteRecordAt(const std::string& path, std::span<const std::byte> record, int64_t index,
                          SyncTiming sync) {
    if (index < 0) return "negative record index";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return ErrorText(errno);
    std::string failure;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        failure = ErrorText(errno);
        ::close(fd);
        return failure;
    }
    const off_t old_size = info.st_size;
    const off_t at = static_cast<off_t>(index) * static_cast<off_t>(record.size());

    size_t done = 0;
    while (done < record.size()) {
        const ssize_t n = ::pwrite(fd, record.data() + done, record.size() - done, at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failure = n < 0 ? ErrorText(errno) : "nothing was written";
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (failure.empty() && sync == SyncTiming::kNow && ::fsync(fd) != 0) failure = ErrorText(errno);
    if (!failure.empty()) {
        // Cut off what this write left past the whole records: the file ends
        // where it ended before, or at this record's place when a fragment
        // stood there. A record written over whole records cannot be undone.
        const off_t end = static_cast<off_t>(record.size()) + at;
        if (old_size < end && ::ftruncate(fd, std::min(old_size, at)) == 0) ::fsync(fd);
        ::close(fd);
        return failure;
    }
    if (::close(fd) != 0) return ErrorText(errno);
    if (sync == SyncTiming::kBackground) RunFileFlusher().Written(path);
    return {};
}

std::string AppendRecord(const std::string& path, std::span<const std::byte> record) {
    return WriteRecordAt(path, record, WholeRecords(path, record.size()));
}

std::string RunFinishedMessage(const AcquisitionState& st) {
    std::string text = "Acquisition finished";
    const AcquisitionState::Unwritten& u = st.m_unwritten;
    if (!u.Any()) return text;
    std::vector<std::string> parts;
    auto part = [&](int32_t n, const char* one, const char* many) {
        if (n > 0) parts.push_back(std::to_string(n) + " " + (n == 1 ? one : many));
    };
    part(u.counts, "counts record", "counts records");
    part(u.raw_blocks, "raw sample block", "raw sample blocks");
    part(u.histogram, "histogram record", "histogram records");
    part(u.unsynced, "file synced to disk", "files synced to disk");
    text += "\r\nNot written: ";
    for (size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? "" : ", ") + parts[i];
    return text + ".";
}

namespace {

struct Recorder {
    using Kind = int32_t AcquisitionState::Unwritten::*;
    AcquisitionState& st;
    RecordingResult result;
    std::set<std::string> blocked;  // files with a record waiting in the queue

    void Failed(const std::string& path, const std::string& failure) {
        ++result.failed;
        if (st.m_failed_files.insert(path).second)
            result.messages.push_back("Cannot write " + path + ": " + failure);
    }

    // Writes what waits in the queue, oldest first; a file whose oldest
    // record fails again keeps it and every later one.
    void WritePending() {
        auto& queue = st.m_pending_writes;
        for (auto it = queue.begin(); it != queue.end();) {
            if (blocked.count(it->path)) {
                ++it;
                continue;
            }
            const std::string failure = WriteRecordAt(it->path, it->bytes, it->index, SyncTiming::kBackground);
            if (!failure.empty()) {
                Failed(it->path, failure);
                blocked.insert(it->path);
                ++it;
                continue;
            }
            ++result.written;
            if (it->kind == &AcquisitionState::Unwritten::raw_blocks) st.m_pending_raw_bytes -= it->bytes.size();
            it = queue.erase(it);
        }
    }

    // Writes `record` as record `index` of this run in `path`, after the
    // whole records the file held when the run first wrote to it. A record
    // that cannot be written now, or whose file has an older one waiting,
    // joins the queue; a raw block beyond the queue's share for raw blocks
    // is dropped and counted (a block written later past it leaves zeros).
    void Write(const std::string& path, std::span<const std::byte> record, int64_t index,
               std::map<std::string, int64_t>& bases, Kind kind) {
        auto base = bases.find(path);
        if (base == bases.end()) base = bases.emplace(path, WholeRecords(path, record.size())).first;
        const int64_t at = base->second + index;
        if (!blocked.count(path)) {
            const std::string failure = WriteRecordAt(path, record, at, SyncTiming::kBackground);
            if (failure.empty()) {
                ++result.written;
                return;
            }
            Failed(path, failure);
            blocked.insert(path);
        }
        const bool raw = kind == &AcquisitionState::Unwritten::raw_blocks;
        if (raw && st.m_pending_raw_bytes + record.size() > kPendingRawBytesLimit) {
            ++(st.m_unwritten.*kind);
            return;
        }
        st.m_pending_writes.push_back({path, at, std::vector<std::byte>(record.begin(), record.end()), kind});
        if (raw) st.m_pending_raw_bytes += record.size();
    }
};

// Reports the sync failures of the run's files: counted, and told once per file.
void ReportSyncFailures(AcquisitionState& st, const std::vector<SyncFailure>& failures,
                        std::vector<std::string>& messages) {
    for (const SyncFailure& f : failures) {
        ++st.m_unwritten.unsynced;
        if (st.m_failed_files.insert(f.path).second) messages.push_back("Cannot write " + f.path + ": " + f.reason);
    }
}

std::span<const std::byte> RawBlock(const std::vector<int16_t>& window, std::vector<std::byte>& scratch) {
    if constexpr (std::endian::native == std::endian::little) {
        return std::as_bytes(std::span<const int16_t>(window));
    } else {
        scratch.resize(window.size() * 2);
        std::byte* out = scratch.data();
        for (int16_t v : window) PutLe(out, static_cast<uint16_t>(v), 2);
        return scratch;
    }
}

}  // namespace

int16_t FirstFreeFileNumber(const std::vector<std::string>& folders) {
    int16_t n = 0;
    auto used = [&](int16_t number) {
        for (const auto& f : folders)
            if (platform::FileExists(platform::JoinPath(f, RawFileName(number))) ||
                platform::FileExists(platform::JoinPath(f, HistogramFileName(number))))
                return true;
        return false;
    };
    while (n < INT16_MAX && used(n)) ++n;
    return n;
}

RecordingResult RecordWindow(AcquisitionState& st, int16_t body_bends_mode) {
    Recorder rec{st, {}, {}};
    rec.WritePending();
    const bool single = st.SingleStation();
    // In single-station operation station 1's tables are written to the
    // folder of the station actually ticked.
    auto folder = [&](int k) {
        const int station = single ? st.SingleStationIndex() : k;
        return AcquisitionFolder(g_project_folder, st.m_acquisition_stamp, station + 1);
    };
    auto written = [&](int k) { return single ? k == 0 : st.StationTicked(k); };

    const int64_t in_file = st.m_raw_window_count;  // the window's place in the numbered files
    if (g_save_real == 1) {
        std::vector<std::byte> scratch;
        const std::string name = RawFileName(st.m_raw_file_number);
        for (int k = 0; k < kStations; ++k)
            if (written(k))
                rec.Write(platform::JoinPath(folder(k), name), RawBlock(st.m_sample_window[k], scratch), in_file,
                          st.m_numbered_file_base, &AcquisitionState::Unwritten::raw_blocks);
    }

    const int16_t tenths = TemperatureTenths(g_temperature);
    for (int k = 0; k < kStations; ++k) {
        if (!written(k)) continue;
        st.m_window_count[k][kChannels] = tenths;
        rec.Write(platform::JoinPath(folder(k), "counts.bin"),
                  BuildCountsRecord(st.m_elapsed_minutes, st.m_window_count[k]), st.m_windows_recorded,
                  st.m_counts_file_base, &AcquisitionState::Unwritten::counts);
    }

    if (body_bends_mode == 1) {
        rec.Write(platform::JoinPath(folder(0), HistogramFileName(st.m_raw_file_number)),
                  BuildHistogramRecord(st.m_elapsed_minutes_exact, st.m_seconds_per_sample, st.m_peak_histogram),
                  in_file, st.m_numbered_file_base, &AcquisitionState::Unwritten::histogram);
        st.m_seconds_per_sample_total += st.m_seconds_per_sample;
        st.m_histogram_record_count += 1;
    }

    ReportSyncFailures(st, RunFileFlusher().TakeFailures(), rec.result.messages);

    ++st.m_windows_recorded;
    if (st.m_raw_window_count >= kWindowsPerNumberedFile - 1) {
        st.m_raw_window_count = 0;
        if (st.m_raw_file_number < INT16_MAX) st.m_raw_file_number = static_cast<int16_t>(st.m_raw_file_number + 1);
        st.m_numbered_file_base.clear();
    } else {
        st.m_raw_window_count = static_cast<int16_t>(st.m_raw_window_count + 1);
    }
    return rec.result;
}

std::vector<std::string> SyncRunFiles(AcquisitionState& st) {
    // The last chance of what waits: written now, or counted as never written.
    Recorder rec{st, {}, {}};
    rec.WritePending();
    for (const auto& pending : st.m_pending_writes) ++(st.m_unwritten.*pending.kind);
    st.m_pending_writes.clear();
    st.m_pending_raw_bytes = 0;
    std::vector<std::string> messages = std::move(rec.result.messages);
    ReportSyncFailures(st, RunFileFlusher().TakeFailures(), messages);
    ReportSyncFailures(st, RunFileFlusher().SyncNow(), messages);
    return messages;
}

}  // namespace vondrel
