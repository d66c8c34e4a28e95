// Conditioning of the newest sample: spike smoothing, envelopes, window sums
// and band lines, on hand-built windows.

#include <gtest/gtest.h>

#include "AcquisitionTestSupport.h"
#include "acquisition/Conditioning.h"

using namespace vondrel;
using vondrel::testing::AcquisitionTest;
using vondrel::testing::Ticked;

namespace {

class Conditioning : public AcquisitionTest {};

constexpr int kCh = 40;

// A constant level 1000 with T = 2 through two whole windows of ticks: no
// spike, U = L = 1000, no swing; the lines start at round(0.98 x 1000) = 980
// and round(1.02 x 1000) = 1020 and stay there since
// (3 x 980 + 0.98 x 1000) / 4 = 980.
TEST_F(Conditioning, ConstantSignalSettlesOnTheBandLines) {
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({1}));
    for (int tick = 0; tick < 1000; ++tick) {
        st.Sample(0, kCh, st.m_sample_index) = 1000;
        ConditionNewSample(st);
        const int p = st.m_sample_index;
        if (tick > 30 && p >= 2) {
            ASSERT_EQ(st.LowerLine(0, kCh, p), 980) << tick;
            ASSERT_EQ(st.UpperLine(0, kCh, p), 1020) << tick;
            ASSERT_EQ(st.UpperEnvelope(0, kCh, p), 1000);
            ASSERT_EQ(st.LowerEnvelope(0, kCh, p), 1000);
        }
        if (tick >= 500 && p >= 2) {
            // Positions 2..p are summed; 0 and 1 clear the sums.
            ASSERT_EQ(st.SignalCount(0, kCh), p - 1);
            ASSERT_EQ(st.SignalSum(0, kCh), 1000 * (p - 1));
            ASSERT_EQ(st.AmplitudeSum(0, kCh), 0);
        }
        AdvanceSample(st);
        st.m_tick_count += 1;
    }
    EXPECT_EQ(st.SignalCount(0, kCh), 498);
    EXPECT_EQ(st.SignalSum(0, kCh), 498000);
}

// Samples 900, 1500, 910 at p - 2, p - 1, p: a strict peak above the upper
// line at p - 1 becomes the neighbours' mean, rounded half to even.
TEST_F(Conditioning, SpikeAboveTheUpperLineIsSmoothed) {
    struct Case {
        const char* name;
        int16_t before, peak, after, upper_line, expected;
    } cases[] = {
        {"above the line", 900, 1500, 910, 1200, 905},
        {"one above the line", 900, 1500, 910, 1499, 905},
        {"at the line", 900, 1500, 910, 1500, 1500},
        {"below the line", 900, 1500, 910, 1600, 1500},
        {"half goes to even", 901, 1500, 910, 1200, 906},
        {"half goes to even, down", 900, 1500, 911, 1200, 906},
        {"not a strict peak", 1500, 1500, 910, 1200, 1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AcquisitionState st(500);
        st.SetTickedStations(Ticked({1}));
        st.m_tick_count = 100;
        st.m_sample_index = 10;
        st.Sample(0, kCh, 8) = c.before;
        st.Sample(0, kCh, 9) = c.peak;
        st.Sample(0, kCh, 10) = c.after;
        st.UpperLine(0, kCh, 9) = c.upper_line;
        ConditionNewSample(st);
        EXPECT_EQ(st.Sample(0, kCh, 9), c.expected);
        EXPECT_EQ(st.SignalSum(0, kCh), c.expected);  // the sums see the smoothed value
    }
}

// Envelopes carry the last strict extremes at p - 1 from position to position.
TEST_F(Conditioning, EnvelopesHoldTheLastStrictExtremes) {
    struct Case {
        const char* name;
        int16_t s2, s1, s0;      // s(p - 2), s(p - 1), s(p)
        int16_t upper, lower;    // expected U(p), L(p) from U(p - 1) = 1100, L(p - 1) = 900
    } cases[] = {
        {"local maximum", 1000, 1050, 1000, 1050, 900},
        {"local minimum", 1000, 950, 1000, 1100, 950},
        {"rising", 1000, 1010, 1020, 1100, 900},
        {"flat bottom", 1000, 950, 950, 1100, 900},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AcquisitionState st(500);
        st.SetTickedStations(Ticked({1}));
        g_channel_threshold[kCh][0] = 50;  // a wide band: no smoothing
        st.m_tick_count = 100;
        st.m_sample_index = 20;
        st.Sample(0, kCh, 18) = c.s2;
        st.Sample(0, kCh, 19) = c.s1;
        st.Sample(0, kCh, 20) = c.s0;
        st.UpperLine(0, kCh, 19) = 30000;
        st.UpperEnvelope(0, kCh, 19) = 1100;
        st.LowerEnvelope(0, kCh, 19) = 900;
        ConditionNewSample(st);
        EXPECT_EQ(st.UpperEnvelope(0, kCh, 20), c.upper);
        EXPECT_EQ(st.LowerEnvelope(0, kCh, 20), c.lower);
        EXPECT_EQ(st.AmplitudeSum(0, kCh), c.upper - c.lower);
        EXPECT_EQ(st.SignalCount(0, kCh), 1);
    }
}

// At p = 2 with D = 30 the look-back takes position 1, then 499 down to 471
// of the previous window; positions 0 and 470 are not looked at. M = 5000 at
// 471. Lower line: (800 + 820 + 840 + 0.98 x 5000) / 4 = 1840; upper:
// (1000 + 1040 + 1060 + 1.02 x 5000) / 4 = 2050.
TEST_F(Conditioning, LookBackCrossesTheWindowStart) {
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({1}));
    st.m_tick_count = 100;
    st.m_sample_index = 2;
    st.Sample(0, kCh, 0) = 9000;
    st.Sample(0, kCh, 1) = 100;
    st.Sample(0, kCh, 2) = 100;
    for (int q = 471; q <= 499; ++q) st.Sample(0, kCh, q) = 300;
    st.Sample(0, kCh, 471) = 5000;
    st.Sample(0, kCh, 470) = 9000;
    st.LowerLine(0, kCh, 1) = 800;
    st.LowerLine(0, kCh, 499) = 820;
    st.LowerLine(0, kCh, 498) = 840;
    st.UpperLine(0, kCh, 1) = 1000;
    st.UpperLine(0, kCh, 499) = 1040;
    st.UpperLine(0, kCh, 498) = 1060;
    ConditionNewSample(st);
    EXPECT_EQ(st.LowerLine(0, kCh, 2), 1840);
    EXPECT_EQ(st.UpperLine(0, kCh, 2), 2050);

    // One position shorter look-back (D = 29) no longer reaches 471: M = 300,
    // lower (2460 + 294) / 4 = 688.5 -> 688, upper (3100 + 306) / 4 = 851.5 -> 852.
    g_dsp_interval = 29;
    st.m_sample_index = 2;
    ConditionNewSample(st);
    EXPECT_EQ(st.LowerLine(0, kCh, 2), 688);
    EXPECT_EQ(st.UpperLine(0, kCh, 2), 852);
}

// Stations 2 and 3 ticked: the warm-up starts all four stations; the
// conditioning itself touches only stations 2 and 3; a channel without a well
// keeps everything.
TEST_F(Conditioning, WarmUpStartsAllStationsConditioningOnlyTheTicked) {
    constexpr int kNoWell = 41;
    g_channel_well[kNoWell] = -1;
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({2, 3}));
    for (int k = 0; k < kStations; ++k)
        for (int c : {kCh, kNoWell}) {
            st.AmplitudeSum(k, c) = 77;
            st.SignalSum(k, c) = 77;
            st.SignalCount(k, c) = 77;
            for (int p = 0; p < 10; ++p) st.Sample(k, c, p) = static_cast<int16_t>(1000 + 10 * p + k);
        }
    const std::vector<int16_t> lines_before = st.m_conditioned_window;

    st.m_tick_count = 100;
    st.m_sample_index = 1;  // position 1 takes the warm-up path
    ConditionNewSample(st);
    for (int k = 0; k < kStations; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(st.SignalCount(k, kCh), 0);
        EXPECT_EQ(st.AmplitudeSum(k, kCh), 0);
        EXPECT_EQ(st.UpperEnvelope(k, kCh, 1), 1010 + k);
        EXPECT_EQ(st.LowerLine(k, kCh, 1), RoundToLevel(0.98 * (1010 + k)));
        EXPECT_EQ(st.SignalCount(k, kNoWell), 77);
    }

    st.m_sample_index = 5;
    ConditionNewSample(st);
    EXPECT_EQ(st.SignalCount(0, kCh), 0);
    EXPECT_EQ(st.SignalCount(1, kCh), 1);
    EXPECT_EQ(st.SignalCount(2, kCh), 1);
    EXPECT_EQ(st.SignalCount(3, kCh), 0);
    EXPECT_EQ(st.SignalSum(1, kCh), 1041);  // s(4) of station 2
    for (int k = 0; k < kStations; ++k) {
        EXPECT_EQ(st.SignalCount(k, kNoWell), 77);
        EXPECT_EQ(st.SignalSum(k, kNoWell), 77);
    }
    for (int p = 0; p <= 500; ++p)
        for (int k = 0; k < kStations; ++k) ASSERT_EQ(st.LowerLine(k, kNoWell, p), 0);
    EXPECT_NE(st.m_conditioned_window, lines_before);
}

// The first D + 1 ticks after Play or a resume warm up at every position.
TEST_F(Conditioning, FirstTicksWarmUp) {
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({1}));
    st.m_sample_index = 20;
    st.Sample(0, kCh, 20) = 1000;
    st.m_tick_count = 30;  // = D: still warm-up
    ConditionNewSample(st);
    EXPECT_EQ(st.SignalCount(0, kCh), 0);
    EXPECT_EQ(st.UpperLine(0, kCh, 20), 1020);
    st.m_tick_count = 31;
    ConditionNewSample(st);
    EXPECT_EQ(st.SignalCount(0, kCh), 1);
}

// Levels near the 16-bit limit with a wide band: the band lines are held at
// 32767 instead of overflowing.
TEST_F(Conditioning, BandLinesAreHeldAtTheSixteenBitLimit) {
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({1}));
    g_channel_threshold[kCh][0] = 181;
    st.m_sample_index = 0;
    st.Sample(0, kCh, 0) = 30000;
    ConditionNewSample(st);
    EXPECT_EQ(st.UpperLine(0, kCh, 0), 32767);
    EXPECT_EQ(st.LowerLine(0, kCh, 0), RoundToLevel(-0.81 * 30000));
}

// A window of 500 samples closes on the tick storing position 499.
TEST_F(Conditioning, WindowClosesAfterItsLastPosition) {
    AcquisitionState st(500);
    for (int i = 0; i < 499; ++i) ASSERT_FALSE(AdvanceSample(st)) << i;
    EXPECT_EQ(st.m_sample_index, 499);
    EXPECT_TRUE(AdvanceSample(st));
    EXPECT_EQ(st.m_sample_index, 0);
    EXPECT_EQ(st.m_sample_count, 500);
}

}  // namespace
