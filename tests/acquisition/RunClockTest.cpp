// The run's clock and schedule: stamps, tick intervals, the time text, the
// light at Play, the light pulses and the raw-recording volume.
#include <gtest/gtest.h>

#include <chrono>

#include "acquisition/RunClock.h"

namespace vondrel {
namespace {

TEST(RunClock, StampIsTheLocalMinute) {
    EXPECT_EQ(AcquisitionStamp(platform::FromLocal({2026, 3, 4, 5, 6, 59})), "20260304_0506");
    EXPECT_EQ(AcquisitionStamp(platform::FromLocal({2026, 12, 31, 23, 59, 0})), "20261231_2359");
}

TEST(RunClock, TickIntervalPerNumberOfStations) {
    const int expected[] = {0, 30, 140, 120, 90, 0};
    for (int n = 0; n <= 5; ++n) EXPECT_EQ(TickIntervalMs(n), expected[n]) << n;
}

TEST(RunClock, TimeTextAndMinutes) {
    const struct {
        double seconds;
        const char* text;
        int minutes;
    } cases[] = {
        {0, "00:00:00 [0d]", 0},
        {59.4, "00:00:59 [0d]", 0},
        {60, "00:01:00 [0d]", 1},
        {86400 + 2 * 3600 + 3 * 60 + 4, "02:03:04 [1d]", 1563},
        {3 * 86400 - 0.2, "00:00:00 [3d]", 4319},
        {-5, "00:00:00 [0d]", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(ElapsedTimeText(c.seconds / 86400.0), c.text);
        EXPECT_EQ(ElapsedMinutes(c.seconds / 86400.0), c.minutes);
    }
}

// The tick takes the elapsed time as the difference of two day counts since
// 1970; whole minutes must come out whole whatever the start time.
TEST(RunClock, WholeMinutesFromTheDifferenceOfTwoDayCounts) {
    using Days = std::chrono::duration<double, std::ratio<86400>>;
    int wrong = 0;
    for (int i = 0; i < 20000; ++i) {
        const double start = 1.8e9 + i * 4321.123457;  // seconds since 1970, microsecond steps
        for (int minutes : {1, 10, 30, 1440}) {
            const double days = Days(std::chrono::duration<double>(start + minutes * 60.0)).count() -
                                Days(std::chrono::duration<double>(start)).count();
            if (ElapsedMinutes(days) != minutes) ++wrong;
            if (ElapsedMinutes(days - 0.5 / 86400.0) != minutes - 1) ++wrong;  // half a second short
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(RunClock, LightAtPlayByTheHour) {
    const struct {
        int hour, on, off;
        int16_t light;
    } cases[] = {
        {9, 9, 21, -1}, {20, 9, 21, -1}, {21, 9, 21, 0}, {8, 9, 21, 0},
        {23, 22, 6, -1}, {3, 22, 6, -1}, {7, 22, 6, 0}, {6, 22, 6, 0},
        {12, 12, 12, 0}, {5, 12, 12, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(LightAtPlay(c.hour, c.on, c.off), c.light) << c.hour << " " << c.on << "-" << c.off;
}

TEST(RunClock, PulsesThenTheLastState) {
    // Three pulses of 5 minutes on and 10 off.
    const struct {
        double minute;
        int16_t current, light;
    } cases[] = {
        {0, 0, -1}, {4.9, 0, -1}, {5, -1, 0}, {14.9, -1, 0}, {15, 0, -1}, {20, -1, 0},
        {30, 0, -1}, {35, -1, 0}, {44.9, 0, 0}, {45, 0, 0}, {45, -1, -1}, {300, 0, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(PulseLight(c.minute, 3, 5.0, 10.0, c.current), c.light) << c.minute;
    // No pulses, or cycles without length, keep the light as it is.
    EXPECT_EQ(PulseLight(1, 0, 5.0, 10.0, -1), -1);
    EXPECT_EQ(PulseLight(1, 3, 0.0, 0.0, -1), -1);
    EXPECT_EQ(PulseLight(1, 3, 0.0, 0.0, 0), 0);
}

TEST(RunClock, RawRecordingVolume) {
    // One station at 30 ms: a 500-sample window every 15 s, 4 blocks of
    // 385,770 bytes a minute.
    EXPECT_EQ(RawRecordingMegabytes(3000, 1, 500, 30), 4415);
    // Four stations at 90 ms: a window every 45 s.
    EXPECT_EQ(RawRecordingMegabytes(60, 4, 500, 90), 118);
    EXPECT_EQ(RawRecordingMegabytes(0, 4, 500, 90), 0);
    EXPECT_EQ(RawRecordingMegabytes(60, 0, 500, 90), 0);
}

}  // namespace
}  // namespace vondrel
