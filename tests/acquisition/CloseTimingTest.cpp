// The durations of window closes by part and their figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "acquisition/AcquisitionState.h"
#include "acquisition/CloseTiming.h"

namespace vondrel {
namespace {

TEST(CloseTiming, FiguresAreTakenFromTheSortedDurations) {
    struct Case {
        int n;  // durations 1..n ms, shuffled
        double median, p99;
    };
    const Case cases[] = {
        {1, 1, 1},            // one close is every figure
        {2, 2, 2},            // the upper median; the 99th percentile is the second
        {99, 50, 99},         // ceil(98.01) = 99th
        {100, 51, 99},        // exactly 99 % at or below 99
        {101, 51, 100},       // ceil(99.99) = 100th
        {1000, 501, 990},
    };
    std::mt19937 rng(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        std::vector<double> ms(static_cast<size_t>(c.n));
        std::iota(ms.begin(), ms.end(), 1.0);
        std::shuffle(ms.begin(), ms.end(), rng);
        const DurationFigures f = FiguresOf(ms);
        EXPECT_EQ(f.closes, static_cast<size_t>(c.n));
        EXPECT_EQ(f.min_ms, 1.0);
        EXPECT_EQ(f.median_ms, c.median);
        EXPECT_EQ(f.p99_ms, c.p99);
        EXPECT_EQ(f.max_ms, c.n);
    }
    const DurationFigures none = FiguresOf({});
    EXPECT_EQ(none.closes, 0u);
    EXPECT_EQ(none.max_ms, 0.0);
}

TEST(CloseTiming, KeepsEachPartApartAndForgetsTheRunAtPlay) {
    AcquisitionState st(500);
    for (int i = 1; i <= 3; ++i) {
        CloseTiming::Close close;
        close[ClosePart::kCounting] = i;
        close[ClosePart::kFiles] = 10.0 * i;
        close[ClosePart::kWhole] = 11.0 * i + 0.5;
        st.m_close_timing.Add(close);
    }
    EXPECT_EQ(st.m_close_timing.Closes(), 3u);
    EXPECT_EQ(st.m_close_timing.Figures(ClosePart::kCounting).max_ms, 3.0);
    EXPECT_EQ(st.m_close_timing.Figures(ClosePart::kFiles).median_ms, 20.0);
    EXPECT_EQ(st.m_close_timing.Figures(ClosePart::kWhole).min_ms, 11.5);
    EXPECT_EQ(st.m_close_timing.Figures(ClosePart::kPanel).max_ms, 0.0) << "a part not timed stays 0";
    st.ResetForPlay();
    EXPECT_EQ(st.m_close_timing.Closes(), 0u);
    EXPECT_EQ(st.m_close_timing.Figures(ClosePart::kWhole).closes, 0u);
}

}  // namespace
}  // namespace vondrel
