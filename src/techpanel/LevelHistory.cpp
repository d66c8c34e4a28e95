#include "techpanel/LevelHistory.h"

#include <algorithm>

#include "platform/Numbers.h"

namespace vondrel::techpanel {

LevelHistory::LevelHistory() : level_(kHistorySlots + 1, Row{}), peak_(kHistorySlots + 1, Row{}) {}

void LevelHistory::ClearLevels() {
    for (auto& row : level_) std::fill(row.begin(), row.begin() + 384, int16_t{0});
}

void LevelHistory::StoreParityBlock(int s, int offset, const BlockValues& values) {
    Row& row = level_[Index(s)];
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int ch = 2 * offset + 2 * i + 128 * j;
            const int32_t v = values[static_cast<size_t>(3 * i + j)];
            row[static_cast<size_t>(ch)] = static_cast<int16_t>(v < 0 ? 0 : v);
            row[static_cast<size_t>(ch + 1)] = 0;
        }
    }
}

void LevelHistory::StoreWordBlock(int s, int offset, const BlockValues& values) {
    Row& row = level_[Index(s)];
    for (int k = 0; k < 32; ++k) {
        for (int j = 0; j < 3; ++j) {
            const int32_t v = values[static_cast<size_t>(3 * k + j)];
            row[static_cast<size_t>(offset + k + 128 * j)] = static_cast<int16_t>(v < 0 ? 0 : v);
        }
    }
}

void LevelHistory::UpdatePeakLine(const std::function<double(int)>& threshold) {
    if (count <= 10) return;
    for (int ch = 0; ch < 384; ++ch) {
        int largest = 0;
        for (int k = slot - 10; k <= slot; ++k) {
            const int s = k < 0 ? k + kHistorySlots : k;
            largest = std::max<int>(largest, level_[Index(s)][static_cast<size_t>(ch)]);
        }
        const auto peak = static_cast<int16_t>(RoundHalfEven((100 - threshold(ch)) * largest / 100));
        peak_[Index(slot)][static_cast<size_t>(ch)] = peak;
        if (count == 11)
            for (int s = 0; s <= 10; ++s) peak_[Index(s)][static_cast<size_t>(ch)] = peak;
    }
}

void LevelHistory::Advance() {
    slot = slot + 1 >= kHistorySlots ? 0 : slot + 1;
    ++count;
}

int16_t LevelHistory::TraceMax(int channel) const {
    int16_t m = Level(1, channel);
    for (int s = 2; s <= slot - 1; ++s) m = std::max(m, Level(s, channel));
    return m;
}

}  // namespace vondrel::techpanel
