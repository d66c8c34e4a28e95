// A run through the tick's phases without the instrument: samples stored,
// conditioned, the window closed, counted and recorded, for 25 windows.

#include <gtest/gtest.h>

#include <algorithm>

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

// The same noisy run recorded with the batch counter on the worker pool and
// with CountEvents channel by channel: every file the run writes (counts,
// raw blocks with their lowered levels, histograms) is the same byte for byte,
// for each method, with a few channels without a well, in body-bends mode too.
TEST_F(RunPipeline, BatchAndPerChannelCountersRecordTheSameFiles) {
    struct Case {
        int16_t method, bends;
        std::initializer_list<int> stations;
    };
    const Case cases[] = {{1, 0, {1, 2, 3, 4}}, {0, 0, {2, 4}}, {2, 0, {1, 3, 4}}, {3, 0, {1, 2, 3, 4}}, {1, 1, {1}}};
    for (const Case& c : cases) {
        SCOPED_TRACE("method " + std::to_string(c.method) + ", bends " + std::to_string(c.bends));
        g_dsp_method = c.method;
        g_channel_well.fill(0);
        g_channel_well[5] = g_channel_well[200] = g_channel_well[383] = -1;
        std::array<TempFolder, 2> dirs;
        for (int engine = 0; engine < 2; ++engine) {
            SetCountingEngine(engine == 0 ? CountingEngine::kBatch : CountingEngine::kPerChannel);
            for (auto& t : g_channel_threshold) t.fill(2.0);  // the conditioning reads the last window's bands
            g_project_folder = dirs[engine].Path();
            AcquisitionState st(500);
            st.m_acquisition_stamp = "20261210_1500";
            st.SetTickedStations(Ticked(c.stations));
            st.ResetForPlay();
            for (int n : c.stations)
                ASSERT_TRUE(platform::MakeFolder(AcquisitionFolder(dirs[engine].Path(), st.m_acquisition_stamp, n)));
            uint32_t x = 12345;  // the same levels for both engines
            auto next = [&x] {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                return x;
            };
            int closes = 0;
            while (closes < 3) {
                const int p = st.m_sample_index;
                for (int k = 0; k < kStations; ++k)
                    for (int ch = 0; ch < kChannels; ++ch) {
                        int level = 1000 + 7 * ch + static_cast<int>(next() % 61);
                        if (next() % 40 == 0) level -= 500;  // a passing organism
                        if (next() % 90 == 0) level += 900;  // a spike the counter lowers
                        st.Sample(k, ch, p) = static_cast<int16_t>(level);
                    }
                ConditionNewSample(st);
                if (AdvanceSample(st)) {
                    ++closes;
                    DecideWindowClose(st, 0.0, 12, 8, 20);
                    ThresholdAndCountWindow(st, c.bends);
                    ASSERT_EQ(RecordWindow(st, c.bends).failed, 0);
                    st.m_elapsed_minutes += 1;
                }
                st.m_tick_count += 1;
            }
        }
        SetCountingEngine(CountingEngine::kBatch);
        for (int n : c.stations) {
            const std::string folder = "20261210_1500_s" + std::to_string(n) + "/";
            for (const char* name : {"counts.bin", "0.bin"}) {
                const std::string batch = dirs[0].Read(folder + name), per_channel = dirs[1].Read(folder + name);
                ASSERT_EQ(batch.size(), per_channel.size()) << folder << name;
                const auto diff = std::mismatch(batch.begin(), batch.end(), per_channel.begin());
                EXPECT_TRUE(diff.first == batch.end())
                    << folder << name << " differs first at byte " << (diff.first - batch.begin());
            }
        }
        const std::string counts =
            dirs[0].Read("20261210_1500_s" + std::to_string(*c.stations.begin()) + "/counts.bin");
        ASSERT_EQ(counts.size(), 3 * kCountsRecordBytes);
        int events = 0;
        for (int ch = 0; ch < kChannels; ++ch) events += I16(counts, 2 * kCountsRecordBytes + 4 + 2 * ch);
        EXPECT_GT(events, kChannels / 2) << "the windows hold events";
        if (c.bends) {
            const std::string histogram = "20261210_1500_s1/histo0000.bin";
            EXPECT_EQ(dirs[0].Read(histogram), dirs[1].Read(histogram));
            EXPECT_EQ(dirs[0].Read(histogram).size(), 3 * kHistogramRecordBytes);
        }
    }
}

}  // namespace
