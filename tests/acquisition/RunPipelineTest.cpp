// A run through the tick's phases without the instrument: samples stored,
// conditioned, the window closed, counted and recorded, for 25 windows.

#include <gtest/gtest.h>

#include "AcquisitionTestSupport.h"
#include "TempFolder.h"
#include "acquisition/Conditioning.h"
#include "acquisition/RunDataFiles.h"
#include "acquisition/WindowClose.h"
#include "acquisition/WindowCounting.h"
#include "platform/Files.h"

using namespace vondrel;
using vondrel::testing::AcquisitionTest;
using vondrel::testing::TempFolder;
using vondrel::testing::Ticked;

namespace {

class RunPipeline : public AcquisitionTest {};

int16_t I16(const std::string& b, size_t at) {
    return static_cast<int16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}

// Level of channel c of station k at position p: 1200, with two-sample dips
// to 0 at positions 100, 200 and 300 on channel 10 of station 1 and at 150
// on channel 20 of station 3. Flat-bottomed dips make no upward spikes, so
// the conditioning leaves the levels alone and method 1 counts every dip.
int16_t Level(int k, int c, int p) {
    if (k == 0 && c == 10 && (p == 100 || p == 101 || p == 200 || p == 201 || p == 300 || p == 301)) return 0;
    if (k == 2 && c == 20 && (p == 150 || p == 151)) return 0;
    return 1200;
}

TEST_F(RunPipeline, TwentyFiveWindowsOnTwoStations) {
    TempFolder dir;
    g_project_folder = dir.Path();
    g_temperature = 23.25;
    AcquisitionState st(500);
    st.m_acquisition_stamp = "20261210_1400";
    st.SetTickedStations(Ticked({1, 3}));
    st.ResetForPlay();
    for (int n : {1, 3}) ASSERT_TRUE(platform::MakeFolder(AcquisitionFolder(dir.Path(), st.m_acquisition_stamp, n)));

    int closes = 0;
    while (closes < 25) {
        const int p = st.m_sample_index;
        for (int k : {0, 2})
            for (int c = 0; c < kChannels; ++c) st.Sample(k, c, p) = Level(k, c, p);
        ConditionNewSample(st);
        if (AdvanceSample(st)) {
            ++closes;
            DecideWindowClose(st, 0.0, 12, 8, 20);
            ThresholdAndCountWindow(st, 0);
            ASSERT_EQ(st.m_window_count[0][10], 3) << closes;
            ASSERT_EQ(st.m_window_count[2][20], 1) << closes;
            ASSERT_EQ(st.m_window_count[0][20], 0) << closes;
            const RecordingResult r = RecordWindow(st, 0);
            ASSERT_EQ(r.failed, 0);
            st.m_elapsed_minutes += 1;
        }
        st.m_tick_count += 1;
    }
    EXPECT_EQ(st.m_cumulative_count[0][10], 75);
    EXPECT_EQ(st.m_cumulative_count[2][20], 25);
    EXPECT_EQ(st.m_cumulative_count[1][10], 0);
    EXPECT_EQ(st.m_sample_count, 25 * 500);

    const std::string s1 = dir.Read("20261210_1400_s1/counts.bin");
    const std::string s3 = dir.Read("20261210_1400_s3/counts.bin");
    ASSERT_EQ(s1.size(), 19350u);
    ASSERT_EQ(s3.size(), 19350u);
    EXPECT_EQ(I16(s1, 24 * 774 + 4 + 2 * 10), 3);
    EXPECT_EQ(I16(s3, 24 * 774 + 4 + 2 * 20), 1);
    EXPECT_EQ(I16(s3, 24 * 774 + 772), 232);
    for (int n : {1, 3}) {
        const std::string folder = "20261210_1400_s" + std::to_string(n) + "/";
        EXPECT_EQ(dir.Read(folder + "0.bin").size(), 11 * RawBlockBytes(500));
        EXPECT_EQ(dir.Read(folder + "1.bin").size(), 11 * RawBlockBytes(500));
        EXPECT_EQ(dir.Read(folder + "2.bin").size(), 3 * RawBlockBytes(500));
    }
    // Every channel of the first raw block holds its levels as taken.
    const std::string raw = dir.Read("20261210_1400_s1/0.bin");
    EXPECT_EQ(I16(raw, 2 * (100 * 385 + 10)), 0);
    EXPECT_EQ(I16(raw, 2 * (99 * 385 + 10)), 1200);
}

}  // namespace
