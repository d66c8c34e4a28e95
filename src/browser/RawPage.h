// The raw samples of a recording, one page at a time, for the browser's
// channel-signal view.
//
// A recording with raw recording on holds numbered files "<n>.bin" of raw
// sample blocks, kWindowsPerNumberedFile (11) to a file: block b of file n is
// window 11 n + b of the run, the window of record 11 n + b of counts.bin.
// A page is five consecutive files: page p (from 1) holds files 5 (p - 1) ..
// 5 (p - 1) + 4, and block b of the file at position k goes into slot
// 11 k + b, so slot s of page p is window (and record) 55 (p - 1) + s.
//
// The store keeps samples 0..499 of every channel slot of each window as the
// file holds them (sample-major, channel fastest) and repeats sample 499 as
// sample 500, so a trace drawn from sample 0 to 500 reaches the next window.
// Memory is one page (55 x 501 x 385 levels, about 21 MB), reused by every
// load; files are read a window at a time, never whole.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/RunDataFiles.h"

namespace vondrel::browser {

inline constexpr int kRawFilesPerPage = 5;
inline constexpr int kRawSlotsPerPage = kRawFilesPerPage * kWindowsPerNumberedFile;  // 55
inline constexpr int kRawShownSamples = 500;                                        // samples 0..499
inline constexpr int kRawSlotSamples = kRawShownSamples + 1;                        // + the repeat at 500
inline constexpr int kRawChannelSlots = 385;
inline constexpr int kRawViewChannels = 384;  // channels 0..383 carry beams; 384 is never shown

// The run's window length (its RT_Buffer: samples 0..N) the view can read:
// blocks of 501 to 503 samples, of which samples 0..499 are shown.
inline constexpr int kRawMinWindowLength = 500;
inline constexpr int kRawMaxWindowLength = 502;
inline constexpr std::string_view kRawWindowLengthMessage = "Raw view needs windows of 500 to 502 samples";
inline bool RawWindowLengthSupported(int windowLength) {
    return windowLength >= kRawMinWindowLength && windowLength <= kRawMaxWindowLength;
}

// Whether `name` is a raw file's name: decimal digits followed by ".bin"
// ("0.bin", "17.bin"; not "counts.bin", "histo0000.bin" or ".bin").
bool IsRawFileName(std::string_view name);
// The raw files of a recording folder.
int CountRawFiles(const std::string& folder);
// Pages for `fileCount` raw files: five files a page, a part page counting
// as one (7 files make 2 pages, 1 file 1 page, none 0).
int RawPageCount(int fileCount);

// Where a slot of a page comes from.
struct RawSlotSource {
    int file = 0;   // raw file number
    int block = 0;  // block within that file
};
RawSlotSource SlotSource(int page, int slot);
// The window (counts.bin record) shown in a slot of a page.
int64_t SlotRecord(int page, int slot);
// The slot of page `page` that shows window `record`; -1 when another page shows it.
int RecordSlot(int page, int64_t record);

// The sample window of one loaded page.
class RawPage {
public:
    RawPage() = default;

    // Reads page `page` (from 1) of `folder`, whose blocks are
    // RawBlockBytes(windowLength) long (windowLength within the supported
    // range). Every file position of the page is tried; a missing file or a
    // short one fills only the whole blocks it holds, at most 11; every slot
    // the load does not fill is cleared. `progress` is told the share of the
    // page's files done (0, 25, 50, 75, 100) before each file is read.
    // Returns the number of slots filled.
    int Load(const std::string& folder, int page, int windowLength,
             const std::function<void(double percent)>& progress = {});
    // Empties the store and gives its memory back.
    void Clear();

    int Page() const { return page_; }
    bool Filled(int slot) const { return slot >= 0 && slot < kRawSlotsPerPage && filled_[static_cast<size_t>(slot)]; }
    // The last filled slot, -1 when the page holds none.
    int LastFilledSlot() const;
    // The level of `channel` (0..384) at sample 0..500 of a slot.
    int16_t Level(int channel, int slot, int sample) const {
        return levels_[(static_cast<size_t>(slot) * kRawSlotSamples + static_cast<size_t>(sample)) * kRawChannelSlots +
                       static_cast<size_t>(channel)];
    }
    // A slot's levels, sample-major with the channel varying fastest
    // (501 x 385); empty before the first load.
    std::span<const int16_t> Slot(int slot) const;

private:
    std::vector<int16_t> levels_;
    std::array<bool, kRawSlotsPerPage> filled_{};
    int page_ = 0;
};

// The channel a well and beam pick: row (0 = "A"), column (from 1) and beam
// on a plate of `plateRows` rows, looked up in [well][beam] (-1 none).
// nullopt when the well or beam lies outside the plate map or holds no channel.
std::optional<int> PickedChannel(int row, int column, int beam, int plateRows, int plateCols,
                                 const std::vector<std::vector<int16_t>>& wellBeamChannel);

// A well or channel label picked from a list: a row letter, the column
// number and, for a channel, "." and its beam ("D12", "A1.7").
struct ChannelLabel {
    int row = 0;     // 0 = "A"
    int column = 0;  // from 1
    int beam = 0;    // 0 when the label names a well
};
std::optional<ChannelLabel> ParseChannelLabel(std::string_view label);

// "A1": row letter and column number of a well (wells run down the rows of
// a column first).
std::string WellLabel(int well, int plateRows);

}  // namespace vondrel::browser
