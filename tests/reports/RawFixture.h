// Raw sample files made at test time: blocks of (window + 1) x 385 levels,
// channel fastest, eleven to a numbered file. Each channel of a block rests
// near 2000 with a little noise and carries a given number of clean dips, so
// a block taken from the wrong place counts differently.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vondrel::reports::testing {

inline std::vector<int16_t> MakeRawBlock(int windowLength, const std::function<int(int)>& dipsOfChannel,
                                         uint32_t seed) {
    const int samples = windowLength + 1;
    std::vector<int16_t> block(static_cast<size_t>(samples) * 385);
    uint32_t s = seed * 2654435761u + 12345u;
    for (int ch = 0; ch < 385; ++ch) {
        const int dips = ch < 384 ? dipsOfChannel(ch) : 0;
        for (int i = 0; i < samples; ++i) {
            s = s * 1664525u + 1013904223u;
            int level = 2000 + static_cast<int>((s >> 24) % 7) - 3;
            if (ch == 384) level = 250;  // the temperature slot
            // Dip k spans 6 samples starting at 20 + k * 40.
            for (int k = 0; k < dips; ++k) {
                const int start = 20 + k * 40;
                if (i >= start && i < start + 6) level -= 700;
            }
            block[static_cast<size_t>(i) * 385 + static_cast<size_t>(ch)] = static_cast<int16_t>(level);
        }
    }
    return block;
}

// Appends `block` to the raw file of record `record` in `folder` (records must
// come in order).
inline void AppendRawBlock(const std::string& folder, int record, const std::vector<int16_t>& block) {
    const std::string path = folder + "/" + std::to_string(record / 11) + ".bin";
    std::FILE* f = std::fopen(path.c_str(), record % 11 == 0 ? "wb" : "ab");
    if (!f) return;
    std::fwrite(block.data(), sizeof(int16_t), block.size(), f);
    std::fclose(f);
}

// The dips of channel ch in record r: differ by record and by channel.
inline int FixtureDips(int record, int ch) { return (record % 5) + (ch % 4) + (record / 11); }

}  // namespace vondrel::reports::testing
