#include "browser/RawPage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/Files.h"

namespace vondrel::browser {

namespace {

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Reads exactly `bytes` at `offset`; false when the file ends before or a read fails.
bool ReadAt(int fd, void* into, size_t bytes, uint64_t offset) {
    auto* p = static_cast<char*>(into);
    while (bytes > 0) {
        const ssize_t n = ::pread(fd, p, bytes, static_cast<off_t>(offset));
        if (n <= 0) return false;
        p += n;
        bytes -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

}  // namespace

bool IsRawFileName(std::string_view name) {
    constexpr std::string_view ext = ".bin";
    if (name.size() <= ext.size() || name.substr(name.size() - ext.size()) != ext) return false;
    return AllDigits(name.substr(0, name.size() - ext.size()));
}

int CountRawFiles(const std::string& folder) {
    int n = 0;
    for (const auto& name : platform::ListFolder(folder))
        if (IsRawFileName(name) && platform::FileExists(platform::JoinPath(folder, name))) ++n;
    return n;
}

int RawPageCount(int fileCount) { return fileCount <= 0 ? 0 : (fileCount + kRawFilesPerPage - 1) / kRawFilesPerPage; }

RawSlotSource SlotSource(int page, int slot) {
    return {kRawFilesPerPage * (page - 1) + slot / kWindowsPerNumberedFile, slot % kWindowsPerNumberedFile};
}

int64_t SlotRecord(int page, int slot) { return static_cast<int64_t>(kRawSlotsPerPage) * (page - 1) + slot; }

int RecordSlot(int page, int64_t record) {
    const int64_t s = record - static_cast<int64_t>(kRawSlotsPerPage) * (page - 1);
    return s >= 0 && s < kRawSlotsPerPage ? static_cast<int>(s) : -1;
}

int RawPage::Load(const std::string& folder, int page, int windowLength,
                  const std::function<void(double percent)>& progress) {
    constexpr size_t slotLevels = static_cast<size_t>(kRawSlotSamples) * kRawChannelSlots;
    constexpr size_t shownBytes = static_cast<size_t>(kRawShownSamples) * kRawChannelSlots * sizeof(int16_t);
    levels_.resize(slotLevels * kRawSlotsPerPage);
    filled_.fill(false);
    page_ = page;
    const size_t blockBytes = RawBlockBytes(windowLength);
    int filled = 0;
    for (int k = 0; k < kRawFilesPerPage; ++k) {
        if (progress) progress(k * 100.0 / (kRawFilesPerPage - 1));
        const std::string path = platform::JoinPath(folder, RawFileName(kRawFilesPerPage * (page - 1) + k));
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            continue;
        }
        const auto whole = std::min<uint64_t>(static_cast<uint64_t>(st.st_size) / blockBytes, kWindowsPerNumberedFile);
        for (uint64_t b = 0; b < whole; ++b) {
            const int slot = k * kWindowsPerNumberedFile + static_cast<int>(b);
            int16_t* dst = levels_.data() + slotLevels * static_cast<size_t>(slot);
            // Samples 0..499 lie at the start of the block (sample-major).
            if (!ReadAt(fd, dst, shownBytes, b * blockBytes)) break;
            if constexpr (std::endian::native == std::endian::big)
                for (size_t i = 0; i < shownBytes / 2; ++i) {
                    const auto u = static_cast<uint16_t>(dst[i]);
                    dst[i] = static_cast<int16_t>(static_cast<uint16_t>(u >> 8 | u << 8));
                }
            std::memcpy(dst + static_cast<size_t>(kRawShownSamples) * kRawChannelSlots,
                        dst + static_cast<size_t>(kRawShownSamples - 1) * kRawChannelSlots,
                        kRawChannelSlots * sizeof(int16_t));
            filled_[static_cast<size_t>(slot)] = true;
            ++filled;
        }
        ::close(fd);
    }
    for (int s = 0; s < kRawSlotsPerPage; ++s)
        if (!filled_[static_cast<size_t>(s)])
            std::fill_n(levels_.begin() + static_cast<std::ptrdiff_t>(slotLevels * static_cast<size_t>(s)), slotLevels,
                        int16_t{0});
    return filled;
}

void RawPage::Clear() {
    std::vector<int16_t>().swap(levels_);
    filled_.fill(false);
    page_ = 0;
}

int RawPage::LastFilledSlot() const {
    for (int s = kRawSlotsPerPage - 1; s >= 0; --s)
        if (filled_[static_cast<size_t>(s)]) return s;
    return -1;
}

std::span<const int16_t> RawPage::Slot(int slot) const {
    if (levels_.empty() || slot < 0 || slot >= kRawSlotsPerPage) return {};
    constexpr size_t slotLevels = static_cast<size_t>(kRawSlotSamples) * kRawChannelSlots;
    return {levels_.data() + slotLevels * static_cast<size_t>(slot), slotLevels};
}

std::optional<int> PickedChannel(int row, int column, int beam, int plateRows, int plateCols,
                                 const std::vector<std::vector<int16_t>>& wellBeamChannel) {
    if (row < 0 || row >= plateRows || column < 1 || column > plateCols || beam < 0) return std::nullopt;
    const size_t well = static_cast<size_t>(column - 1) * static_cast<size_t>(plateRows) + static_cast<size_t>(row);
    if (well >= wellBeamChannel.size() || static_cast<size_t>(beam) >= wellBeamChannel[well].size())
        return std::nullopt;
    const int ch = wellBeamChannel[well][static_cast<size_t>(beam)];
    if (ch < 0) return std::nullopt;
    return ch;
}

std::optional<ChannelLabel> ParseChannelLabel(std::string_view label) {
    if (label.size() < 2 || label[0] < 'A' || label[0] > 'Z') return std::nullopt;
    const std::string_view rest = label.substr(1);
    const size_t dot = rest.find('.');
    const std::string_view col = rest.substr(0, dot);
    const std::string_view beam = dot == std::string_view::npos ? std::string_view{} : rest.substr(dot + 1);
    if (!AllDigits(col) || col.size() > 4 || (dot != std::string_view::npos && (!AllDigits(beam) || beam.size() > 4)))
        return std::nullopt;
    ChannelLabel l;
    l.row = label[0] - 'A';
    l.column = std::stoi(std::string(col));
    l.beam = beam.empty() ? 0 : std::stoi(std::string(beam));
    if (l.column < 1) return std::nullopt;
    return l;
}

std::string WellLabel(int well, int plateRows) {
    if (plateRows <= 0 || well < 0) return "";
    return std::string(1, static_cast<char>('A' + well % plateRows)) + std::to_string(well / plateRows + 1);
}

}  // namespace vondrel::browser
