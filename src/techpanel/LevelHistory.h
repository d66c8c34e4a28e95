// A panel's ring of live levels: the last 600 samples of every channel with
// the threshold peak line beside them, the slot the next sample writes and
// the count of samples since ONLINE. Row 0 doubles as Auto-Gain's levels.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "device/ReplyFormats.h"

namespace vondrel::techpanel {

inline constexpr int kHistorySlots = 600;  // slots 0..599 in use; 600 is spare
inline constexpr int kHistoryChannels = 385;

class LevelHistory {
public:
    using Row = std::array<int16_t, kHistoryChannels>;

    LevelHistory();

    int16_t Level(int s, int channel) const { return level_[Index(s)][static_cast<size_t>(channel)]; }
    int16_t Peak(int s, int channel) const { return peak_[Index(s)][static_cast<size_t>(channel)]; }
    void SetLevel(int s, int channel, int16_t v) { level_[Index(s)][static_cast<size_t>(channel)] = v; }
    const Row& LevelRow(int s) const { return level_[Index(s)]; }

    int slot = 0;          // written by the next sample
    int32_t count = 0;     // samples since ONLINE

    // Levels of every slot of channels 0..383 to 0; the peak line stays.
    void ClearLevels();

    // A 48-byte block of offset o (0, 8, ..., 56) decoded in values[0..23]
    // into `slot`: value 3i + j to channel 2o + 2i + 128j (negative as 0),
    // and the odd channel after it cleared.
    void StoreParityBlock(int slot, int offset, const BlockValues& values);
    // A 192-byte block of offset o (0, 32, 64, 96) in values[0..95]:
    // value 3k + j to channel o + k + 128j, negative as 0.
    void StoreWordBlock(int slot, int offset, const BlockValues& values);

    // The peak line at the current slot, from the 12th sample on: the largest
    // level of the last 11 slots scaled by (100 - threshold) / 100; at the
    // 12th the slots 0..10 take the same peak.
    void UpdatePeakLine(const std::function<double(int)>& threshold);

    // The sample is complete: next slot (wrapping at 600), one more sample.
    void Advance();

    // Largest level of a channel in slots 1 .. slot - 1 (slot 1 alone when
    // fewer exist); slot 0 never counts.
    int16_t TraceMax(int channel) const;

private:
    static size_t Index(int s) { return static_cast<size_t>(s); }
    std::vector<Row> level_;
    std::vector<Row> peak_;
};

}  // namespace vondrel::techpanel
