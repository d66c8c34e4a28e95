// The channel pass of a window close: thresholds, counts, cumulative counts
// with their cap and the body-bends histogram.
//
// Windows are a base level of 1200 with flat-bottomed dips to 0 (two samples
// each). Flat bottoms are no strict extremes, so the detection's envelopes
// stay at 1200 and its lower line settles at 1186 after a dozen samples:
// method 1 counts every such dip; method 0 counts at its 30-sample gates, so
// two dips between the same gates count once.

#include <gtest/gtest.h>

#include "AcquisitionTestSupport.h"
#include "acquisition/WindowCounting.h"
#include "detection/EventCounter.h"
#include "detection/PeakIntervalHistogram.h"

using namespace vondrel;
using vondrel::testing::AcquisitionTest;
using vondrel::testing::Ticked;

namespace {

class WindowCounting : public AcquisitionTest {};

constexpr int kCh = 10;

void FillBase(AcquisitionState& st, int k) {
    for (int c = 0; c < kChannelSlots; ++c)
        for (int p = 0; p < st.WindowPositions(); ++p) st.Sample(k, c, p) = 1200;
}

void Dips(AcquisitionState& st, int k, int c, std::initializer_list<int> starts) {
    for (int s : starts) st.Sample(k, c, s) = st.Sample(k, c, s + 1) = 0;
}

void DipsEvery(AcquisitionState& st, int k, int c, int first, int spacing, int n) {
    for (int i = 0; i < n; ++i) {
        const int s = first + i * spacing;
        st.Sample(k, c, s) = st.Sample(k, c, s + 1) = 0;
    }
}

// Stations 1 and 3 ticked: only their window counts change; 2 and 4 stay 0
// even though their windows hold dips.
TEST_F(WindowCounting, OnlyTickedStationsAreCounted) {
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({1, 3}));
    for (int k = 0; k < kStations; ++k) FillBase(st, k);
    Dips(st, 0, kCh, {100, 200, 300});
    Dips(st, 1, kCh, {100});
    Dips(st, 2, kCh, {150, 250});
    Dips(st, 3, kCh, {100});
    ThresholdAndCountWindow(st, 0);
    EXPECT_EQ(st.m_window_count[0][kCh], 3);
    EXPECT_EQ(st.m_window_count[1][kCh], 0);
    EXPECT_EQ(st.m_window_count[2][kCh], 2);
    EXPECT_EQ(st.m_window_count[3][kCh], 0);
    EXPECT_EQ(st.m_window_count[0][kCh + 1], 0);

    ThresholdAndCountWindow(st, 0);  // the same window again accumulates
    EXPECT_EQ(st.m_cumulative_count[0][kCh], 6);
    EXPECT_EQ(st.m_cumulative_count[2][kCh], 4);
    EXPECT_EQ(st.m_cumulative_count[1][kCh], 0);
    EXPECT_EQ(st.m_cumulative_count[3][kCh], 0);
}

// The cap test comes before the addition: 9999 + 30 gives 10029, which
// then never changes; 9995 + 12 gives 10007.
TEST_F(WindowCounting, CumulativeCountCap) {
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({1, 2}));
    FillBase(st, 0);
    FillBase(st, 1);
    DipsEvery(st, 0, kCh, 20, 15, 30);  // 30 dips, 20..455
    DipsEvery(st, 1, kCh, 20, 15, 12);
    st.m_cumulative_count[0][kCh] = 9999;
    st.m_cumulative_count[1][kCh] = 9995;
    ThresholdAndCountWindow(st, 0);
    EXPECT_EQ(st.m_window_count[0][kCh], 30);
    EXPECT_EQ(st.m_cumulative_count[0][kCh], 10029);
    EXPECT_EQ(st.m_cumulative_count[1][kCh], 10007);
    ThresholdAndCountWindow(st, 0);
    EXPECT_EQ(st.m_window_count[0][kCh], 30);
    EXPECT_EQ(st.m_cumulative_count[0][kCh], 10029);
    EXPECT_EQ(st.m_cumulative_count[1][kCh], 10007);

    EXPECT_EQ(AddToCumulative(9999, 30), 10029);
    EXPECT_EQ(AddToCumulative(10000, 1), 10000);
    EXPECT_EQ(AddToCumulative(9999, 32767), 32767);  // held in 16 bits
}

// Two dips at 95 and 105 lie between the gates 90 and 120: method 1 counts
// 2, method 0 counts 1. Single-station operation counts with method 1 and
// leaves the project's method alone; two stations use the project's method.
TEST_F(WindowCounting, SingleStationCountsWithMethodOneWithoutChangingTheProject) {
    struct Case {
        const char* name;
        std::initializer_list<int> stations;
        int16_t project_method;
        int16_t expected;
    } cases[] = {
        {"single station, project method 0", {3}, kMethodGatedThreshold, 2},
        {"single station, project method 1", {1}, kMethodThresholdAverage, 2},
        {"two stations, project method 0", {1, 2}, kMethodGatedThreshold, 1},
        {"two stations, project method 1", {1, 2}, kMethodThresholdAverage, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_dsp_method = c.project_method;
        AcquisitionState st(500);
        st.SetTickedStations(Ticked(c.stations));
        FillBase(st, 0);
        Dips(st, 0, kCh, {95, 105});
        ThresholdAndCountWindow(st, 0);
        EXPECT_EQ(st.m_window_count[0][kCh], c.expected);
        EXPECT_EQ(g_dsp_method, c.project_method);
    }
}

// Thresholds: window sums become means and the band follows them
// (A = 50, Lv = 1000, SNR 1.8 gives 10); a channel without a well keeps its
// threshold, sums and counts.
TEST_F(WindowCounting, ThresholdsFromTheWindowSums) {
    constexpr int kNoWell = 11;
    g_channel_well[kNoWell] = -1;
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({1, 3}));
    st.m_snr_threshold = 1.8;
    for (int k = 0; k < kStations; ++k) FillBase(st, k);
    Dips(st, 0, kNoWell, {100});
    for (int c : {kCh, kNoWell})
        for (int k = 0; k < kStations; ++k) {
            st.AmplitudeSum(k, c) = 500;
            st.SignalSum(k, c) = 10000;
            st.SignalCount(k, c) = 10;
            g_channel_threshold[c][k] = 7.0;
        }
    ThresholdAndCountWindow(st, 0);
    EXPECT_NEAR(g_channel_threshold[kCh][0], 10.0, 1e-9);
    EXPECT_NEAR(g_channel_threshold[kCh][2], 10.0, 1e-9);
    EXPECT_EQ(st.AmplitudeSum(0, kCh), 50);
    EXPECT_EQ(st.SignalSum(2, kCh), 1000);
    EXPECT_DOUBLE_EQ(g_channel_threshold[kCh][1], 7.0);  // not ticked
    EXPECT_DOUBLE_EQ(g_channel_threshold[kCh][3], 7.0);
    EXPECT_EQ(st.AmplitudeSum(1, kCh), 500);
    EXPECT_DOUBLE_EQ(g_channel_threshold[kNoWell][0], 7.0);
    EXPECT_EQ(st.SignalSum(0, kNoWell), 10000);
    EXPECT_EQ(st.m_window_count[0][kNoWell], 0);
}

// V-shaped dips centred on `bottoms`: levels 0, 300, 600, 900 at 0..3
// samples from the bottom, 1200 elsewhere. Their five-sample mean has a
// strict minimum at each bottom, which the peak-interval histogram takes as
// a dip.
void VDips(AcquisitionState& st, int k, int c, int first, int spacing, int n) {
    for (int i = 0; i < n; ++i)
        for (int j = -3; j <= 3; ++j)
            st.Sample(k, c, first + i * spacing + j) = static_cast<int16_t>(300 * (j < 0 ? -j : j));
}

// Body-bends mode with stations 1 and 3 ticked: only station 1's window is
// counted; its histogram accumulates from window to window and classes 0, 1
// and 50 stay 0. Ten V dips at 34, 54, ..., 214: one distance of 34 from
// sample 0, nine of 20, per window.
TEST_F(WindowCounting, BodyBendsCountsStationOneAndAccumulatesTheHistogram) {
    constexpr int kBends = kCh + 1;
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({1, 3}));
    FillBase(st, 0);
    FillBase(st, 2);
    DipsEvery(st, 0, kCh, 20, 15, 10);
    DipsEvery(st, 2, kCh, 20, 15, 10);
    VDips(st, 0, kBends, 34, 20, 10);

    ThresholdAndCountWindow(st, 1);
    ThresholdAndCountWindow(st, 1);
    EXPECT_EQ(st.m_window_count[0][kCh], 10);
    EXPECT_EQ(st.m_cumulative_count[0][kCh], 20);
    EXPECT_EQ(st.m_window_count[2][kCh], 0);
    EXPECT_EQ(st.m_cumulative_count[2][kCh], 0);
    for (int j = 0; j < kHistogramSlots; ++j) {
        const int32_t expected = j == 20 ? 18 : j == 34 ? 2 : 0;
        EXPECT_EQ(st.PeakHistogram(kBends, j), expected) << j;
    }
    EXPECT_EQ(st.m_histogram_class_max[kBends], 18);
}

// Play's resets: a new run starts its counts, histogram classes 0..49,
// windows, lower band line and file numbering from 0; the upper band line,
// envelopes and class 50 carry over.
TEST_F(WindowCounting, PlayStartsTheRunTablesAfresh) {
    AcquisitionState st(500);
    st.m_window_count[2][kCh] = 5;
    st.m_cumulative_count[3][kCh] = 9000;
    st.PeakHistogram(kCh, 20) = 7;
    st.PeakHistogram(kCh, 50) = 9;
    st.m_histogram_class_max[kCh] = 7;
    st.Sample(1, kCh, 500) = 123;
    st.LowerLine(1, kCh, 3) = 980;
    st.UpperLine(1, kCh, 3) = 1020;
    st.UpperEnvelope(1, kCh, 3) = 1000;
    st.m_raw_file_number = 4;
    st.m_raw_window_count = 6;
    st.m_sample_index = 77;
    st.m_failed_files.insert("x");
    st.ResetForPlay();
    EXPECT_EQ(st.m_window_count[2][kCh], 0);
    EXPECT_EQ(st.m_cumulative_count[3][kCh], 0);
    EXPECT_EQ(st.PeakHistogram(kCh, 20), 0);
    EXPECT_EQ(st.m_histogram_class_max[kCh], 0);
    EXPECT_EQ(st.Sample(1, kCh, 500), 0);
    EXPECT_EQ(st.LowerLine(1, kCh, 3), 0);
    EXPECT_EQ(st.m_raw_file_number, 0);
    EXPECT_EQ(st.m_raw_window_count, 0);
    EXPECT_EQ(st.m_sample_index, 0);
    EXPECT_TRUE(st.m_failed_files.empty());
    EXPECT_EQ(st.PeakHistogram(kCh, 50), 9);
    EXPECT_EQ(st.UpperLine(1, kCh, 3), 1020);
    EXPECT_EQ(st.UpperEnvelope(1, kCh, 3), 1000);
}

// A cleared state is the constructor's, whether the old tables are reused
// (same length) or sized anew (another length).
TEST_F(WindowCounting, ClearedStateEqualsAFreshOneForItsLength) {
    for (int length : {500, 700}) {
        SCOPED_TRACE(length);
        AcquisitionState st(500);
        st.Sample(3, kCh, 500) = 123;
        st.LowerLine(1, kCh, 3) = 980;
        st.UpperLine(2, kCh, 3) = 1020;
        st.UpperEnvelope(1, kCh, 3) = 1000;
        st.LowerEnvelope(1, kCh, 3) = 900;
        st.AmplitudeSum(1, kCh) = st.SignalSum(1, kCh) = st.SignalCount(1, kCh) = 5;
        st.PeakHistogram(kCh, 50) = 9;
        st.m_cumulative_count[3][kCh] = 9000;
        st.m_sample_index = 77;
        const AcquisitionState fresh(length);
        AcquisitionState c = AcquisitionState::Cleared(st, length);
        EXPECT_EQ(c.WindowLength(), length);
        EXPECT_EQ(c.EnvelopePositions(), fresh.EnvelopePositions());
        for (int k = 0; k < 4; ++k) EXPECT_EQ(c.m_sample_window[k], fresh.m_sample_window[k]);
        EXPECT_EQ(c.m_conditioned_window, fresh.m_conditioned_window);
        EXPECT_EQ(c.m_conditioned_window_b, fresh.m_conditioned_window_b);
        EXPECT_EQ(c.m_upper_envelope, fresh.m_upper_envelope);
        EXPECT_EQ(c.m_lower_envelope, fresh.m_lower_envelope);
        EXPECT_EQ(c.m_amplitude_sum, fresh.m_amplitude_sum);
        EXPECT_EQ(c.m_signal_sum, fresh.m_signal_sum);
        EXPECT_EQ(c.m_signal_count, fresh.m_signal_count);
        EXPECT_EQ(c.m_peak_histogram, fresh.m_peak_histogram);
        EXPECT_EQ(c.m_cumulative_count, fresh.m_cumulative_count);
        EXPECT_EQ(c.m_sample_index, 0);
    }
}

}  // namespace
