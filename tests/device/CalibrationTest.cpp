// The calibration's stepping rule, the register reading and the zero threshold.
#include <gtest/gtest.h>

#include <vector>

#include "device/Calibration.h"

using namespace vondrel;

namespace {

struct StepCase {
    int level;
    ChannelCalState before, after;
    bool write;
};

TEST(CalibrationStep, TableOfLevelsAndSettings) {
    const StepCase cases[] = {
        {1500, {3, 2, 0, false}, {4, 2, 1, false}, true},    // too dark: one gain up
        {1900, {0, 3, 0, false}, {7, 2, -1, false}, true},   // too bright at gain 0: one power down, gain 7
        {1500, {7, 4, 1, false}, {0, 5, 1, false}, true},    // gain at its end: one power up, gain 0
        {1900, {2, 2, 1, false}, {2, 2, 0, false}, true},    // overshot after a step up: same setting again
        {1500, {2, 2, -1, false}, {2, 2, 0, true}, false},   // too dark after a step down: stays
        {1500, {7, 7, 1, false}, {7, 7, 0, true}, false},    // too dark at the brightest: gives up
        {1900, {0, 1, -1, false}, {0, 1, 0, true}, false},   // too bright at the darkest: gives up
        {1638, {3, 2, 1, false}, {3, 2, 0, true}, false},    // both limits are in range
        {1843, {3, 2, -1, false}, {3, 2, 0, true}, false},
        {1637, {3, 2, 0, false}, {4, 2, 1, false}, true},
        {1844, {3, 2, 0, false}, {2, 2, -1, false}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        ChannelCalState s = c.before;
        EXPECT_EQ(StepChannelCalibration(c.level, s), c.write);
        EXPECT_EQ(s.gain, c.after.gain);
        EXPECT_EQ(s.power, c.after.power);
        EXPECT_EQ(s.direction, c.after.direction);
        EXPECT_EQ(s.done, c.after.done);
    }
}

TEST(CalibrationStep, RegisterValueGivesGainAndAPowerOfAtMostSeven) {
    EXPECT_EQ(SettingOfRegister(0x43).gain, 2);
    EXPECT_EQ(SettingOfRegister(0x43).power, 3);
    EXPECT_EQ(SettingOfRegister(0x5F).power, 7);  // 31 read back: capped
    EXPECT_EQ(SettingOfRegister(0x5F).gain, 2);
    EXPECT_EQ(SettingOfRegister(231).gain, 7);
    EXPECT_EQ(SettingOfRegister(231).power, 7);
}

TEST(ZeroThresholdTest, PlainCases) {
    const std::vector<int16_t> flat(30, 1500);
    EXPECT_DOUBLE_EQ(ZeroThreshold(flat, 1.8), 1.8);
    const std::vector<int16_t> zero(100, 0);
    EXPECT_DOUBLE_EQ(ZeroThreshold(zero, 2.8), 1.8);
    // B = 1000 and A = 50: a swing that comes and goes around the level.
    std::vector<int16_t> swing(30, 1000);
    for (int i = 10; i < 30; ++i) swing[static_cast<size_t>(i)] = static_cast<int16_t>(i % 2 == 0 ? 975 : 1025);
    // Alternating 975/1025: every inner sample is an extreme, swing 50, mean 1000 (nine and nine).
    EXPECT_NEAR(ZeroThreshold(swing, 2.8), 15.0, 1e-9);
    std::vector<int16_t> alt(30, 0);
    for (int i = 10; i < 30; ++i) alt[static_cast<size_t>(i)] = static_cast<int16_t>(i % 2 == 0 ? 100 : 120);
    EXPECT_NEAR(ZeroThreshold(alt, 1.8), 1.0 + (1.0 - 90.0 / 110.0) * 180.0, 1e-9);
    EXPECT_NEAR(ZeroThreshold(alt, 1.8), 33.727272727, 1e-6);
    // Positions 0..9 are never used.
    alt[0] = 30000;
    EXPECT_NEAR(ZeroThreshold(alt, 1.8), 33.727272727, 1e-6);
}

}  // namespace
