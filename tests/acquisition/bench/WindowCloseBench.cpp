// Time of one window close for 4 stations x 384 channels: the conditioning
// of the closing sample, thresholds and counting of every channel, and the
// run data files (raw blocks and counts records). Prints figures; not a test.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "TempFolder.h"
#include "acquisition/Conditioning.h"
#include "acquisition/RunDataFiles.h"
#include "acquisition/WindowClose.h"
#include "acquisition/WindowCounting.h"
#include "platform/Files.h"

using namespace vondrel;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Fill(AcquisitionState& st, std::mt19937& rng) {
    std::normal_distribution<double> noise(0.0, 8.0);
    std::uniform_int_distribution<int> dip(0, 60);
    for (int k = 0; k < kStations; ++k)
        for (int p = 0; p < st.WindowLength(); ++p)
            for (int c = 0; c < kChannels; ++c) {
                double v = 1500 + noise(rng);
                if (dip(rng) == 0) v -= 600;
                st.Sample(k, c, p) = static_cast<int16_t>(v);
            }
}

}  // namespace

int main() {
    vondrel::testing::TempFolder dir;
    g_project_folder = dir.Path();
    g_save_real = 1;
    g_dsp_method = 1;
    g_dsp_interval = 30;
    g_channel_well.fill(0);
    for (auto& t : g_channel_threshold) t.fill(5.0);

    AcquisitionState st(500);
    st.m_acquisition_stamp = "bench";
    st.SetTickedStations({true, true, true, true});
    st.ResetForPlay();
    for (int n = 1; n <= 4; ++n) platform::MakeFolder(AcquisitionFolder(dir.Path(), "bench", n));
    std::mt19937 rng(7);

    // Warm the tables with one conditioned window.
    Fill(st, rng);
    for (int p = 0; p < 500; ++p) {
        st.m_sample_index = static_cast<int16_t>(p);
        ConditionNewSample(st);
        st.m_tick_count += 1;
    }

    constexpr int kRuns = 20;
    std::vector<double> condition, counting, files, total, per_channel;
    for (int run = 0; run < kRuns; ++run) {
        // The per-channel counter on a copy of the same window, for comparison.
        {
            AcquisitionState copy = st;
            SetCountingEngine(CountingEngine::kPerChannel);
            const auto a = Clock::now();
            ThresholdAndCountWindow(copy, 0);
            per_channel.push_back(Ms(Clock::now() - a));
            SetCountingEngine(CountingEngine::kBatch);
        }
        Fill(st, rng);
        st.m_sample_index = 499;
        const auto t0 = Clock::now();
        ConditionNewSample(st);
        AdvanceSample(st);
        DecideWindowClose(st, 0.0, 12, 8, 20);
        const auto t1 = Clock::now();
        ThresholdAndCountWindow(st, 0);
        const auto t2 = Clock::now();
        const RecordingResult r = RecordWindow(st, 0);
        const auto t3 = Clock::now();
        if (r.failed) std::printf("append failures: %d\n", r.failed);
        condition.push_back(Ms(t1 - t0));
        counting.push_back(Ms(t2 - t1));
        files.push_back(Ms(t3 - t2));
        total.push_back(Ms(t3 - t0));
    }
    auto report = [](const char* name, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        std::printf("%-34s median %8.3f ms   max %8.3f ms\n", name, v[v.size() / 2], v.back());
    };
    std::printf("One window close, 4 stations x 384 channels, 500 samples, %d runs (files in %s)\n", kRuns,
                dir.Path().c_str());
    report("conditioning of the closing sample", condition);
    report("thresholds and counting, per channel", per_channel);
    report("thresholds and counting, batch", counting);
    report("files (4 raw blocks + 4 counts)", files);
    report("total", total);
    return 0;
}
