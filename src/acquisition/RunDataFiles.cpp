#include "acquisition/RunDataFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include "acquisition/AcquisitionGlobals.h"
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

std::string AppendRecord(const std::string& path, std::span<const std::byte> record) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return ErrorText(errno);
    std::string failure;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        failure = ErrorText(errno);
        ::close(fd);
        return failure;
    }
    const off_t end = info.st_size;

    size_t done = 0;
    while (done < record.size()) {
        const ssize_t n = ::pwrite(fd, record.data() + done, record.size() - done, end + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failure = n < 0 ? ErrorText(errno) : "nothing was written";
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (failure.empty() && ::fsync(fd) != 0) failure = ErrorText(errno);
    if (!failure.empty()) {
        // Leave the file as it was before this record.
        if (::ftruncate(fd, end) == 0) ::fsync(fd);
        ::close(fd);
        return failure;
    }
    if (::close(fd) != 0) return ErrorText(errno);
    return {};
}

namespace {

struct Recorder {
    AcquisitionState& st;
    RecordingResult result;

    void Append(const std::string& path, std::span<const std::byte> record) {
        const std::string failure = AppendRecord(path, record);
        if (failure.empty()) {
            ++result.written;
            return;
        }
        ++result.failed;
        if (st.m_failed_files.insert(path).second)
            result.messages.push_back("Cannot write " + path + ": " + failure);
    }
};

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
    Recorder rec{st, {}};
    const bool single = st.SingleStation();
    // In single-station operation station 1's tables are written to the
    // folder of the station actually ticked.
    auto folder = [&](int k) {
        const int station = single ? st.SingleStationIndex() : k;
        return AcquisitionFolder(g_project_folder, st.m_acquisition_stamp, station + 1);
    };
    auto written = [&](int k) { return single ? k == 0 : st.StationTicked(k); };

    if (g_save_real == 1) {
        std::vector<std::byte> scratch;
        const std::string name = RawFileName(st.m_raw_file_number);
        for (int k = 0; k < kStations; ++k)
            if (written(k))
                rec.Append(platform::JoinPath(folder(k), name), RawBlock(st.m_sample_window[k], scratch));
    }

    const int16_t tenths = TemperatureTenths(g_temperature);
    for (int k = 0; k < kStations; ++k) {
        if (!written(k)) continue;
        st.m_window_count[k][kChannels] = tenths;
        rec.Append(platform::JoinPath(folder(k), "counts.bin"),
                   BuildCountsRecord(st.m_elapsed_minutes, st.m_window_count[k]));
    }

    if (body_bends_mode == 1) {
        rec.Append(platform::JoinPath(folder(0), HistogramFileName(st.m_raw_file_number)),
                   BuildHistogramRecord(st.m_elapsed_minutes_exact, st.m_seconds_per_sample, st.m_peak_histogram));
        st.m_seconds_per_sample_total += st.m_seconds_per_sample;
        st.m_histogram_record_count += 1;
    }

    if (st.m_raw_window_count >= kWindowsPerNumberedFile - 1) {
        st.m_raw_window_count = 0;
        if (st.m_raw_file_number < INT16_MAX) st.m_raw_file_number = static_cast<int16_t>(st.m_raw_file_number + 1);
    } else {
        st.m_raw_window_count = static_cast<int16_t>(st.m_raw_window_count + 1);
    }
    return rec.result;
}

}  // namespace vondrel
