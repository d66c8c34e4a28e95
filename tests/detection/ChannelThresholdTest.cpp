#include <gtest/gtest.h>

#include "detection/ChannelThreshold.h"

using namespace vondrel;

namespace {

TEST(AdaptChannelThreshold, BandFollowsTheSignalToNoiseRatio) {
    struct Case {
        const char* name;
        int32_t amplitude_sum, signal_sum, count;
        double snr;
        int32_t mean_amplitude, mean_level;
        double band;
    } cases[] = {
        {"5 percent swing", 50, 1000, 1, 1.8, 50, 1000, 10.0},
        {"sums of ten samples", 500, 10000, 10, 1.8, 50, 1000, 10.0},
        {"no swing is raised to 1.8", 0, 1000, 1, 1.8, 0, 1000, 1.8},
        {"swing below zero is raised to 1.8", -10, 1000, 1, 1.8, -10, 1000, 1.8},
        {"dark channel", 5, 0, 1, 1.8, 5, 0, 181.0},
        {"negative level", -20, -500, 10, 2.0, -2, -50, 201.0},
        {"swing equal to the level", 1000, 1000, 1, 1.8, 1000, 1000, 181.0},
        {"no samples yet", 0, 0, 0, 1.8, 0, 0, 181.0},
        // The sums stay as they are without samples: (1 - 830 / 900) x 180 + 1.
        {"no samples, old sums", 70, 900, 0, 1.8, 70, 900, 15.0},
        // Means round half to even: 2.5 -> 2, 3.5 -> 4, -2.5 -> -2;
        // (1 - 2 / 4) x 180 + 1 = 91.
        {"means round half to even", 25, 35, 10, 1.8, 2, 4, 91.0},
        {"negative half", -25, 35, 10, 1.8, -2, 4, 1.8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t amplitude = c.amplitude_sum, level = c.signal_sum;
        const double band = AdaptChannelThreshold(amplitude, level, c.count, c.snr);
        EXPECT_EQ(amplitude, c.mean_amplitude);
        EXPECT_EQ(level, c.mean_level);
        EXPECT_NEAR(band, c.band, 1e-12);
    }
}

// The band is evaluated as written, (1 - (Lv - A) / Lv) x 100 x SNR + 1:
// 1 - 950 / 1000 is 0.05000000000000004 in binary, which carries through to
// 10.000000000000009 (100 x 1.8 x 50 / 1000 + 1 would give exactly 10). The
// band lines of the next window round with it.
TEST(AdaptChannelThreshold, EvaluatedInTheWrittenOrder) {
    int32_t amplitude = 50, level = 1000;
    EXPECT_EQ(AdaptChannelThreshold(amplitude, level, 1, 1.8), 10.000000000000009);
}

}  // namespace
