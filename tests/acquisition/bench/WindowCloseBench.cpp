// Time of the window close for 4 stations x 384 channels: the conditioning
// of the closing sample, thresholds and counting of every channel, and the
// run data files (raw blocks and counts records), over many closes (1000, or
// the number given as the first argument), with the smallest, median, 99th
// percentile and largest duration of each part. Prints figures; not a test.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "TempFolder.h"
#include "acquisition/CloseTiming.h"
#include "acquisition/Conditioning.h"
#include "acquisition/RunDataFiles.h"
#include "acquisition/WindowClose.h"
#include "acquisition/WindowCounting.h"
#include "platform/Files.h"

using namespace vondrel;
namespace {

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

int main(int argc, char** argv) {
    const int closes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
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

    // The per-channel counter on copies of the window, for comparison (slow:
    // a few closes are enough).
    std::vector<double> per_channel;
    for (int run = 0; run < 20; ++run) {
        AcquisitionState copy = st;
        SetCountingEngine(CountingEngine::kPerChannel);
        const auto a = CloseTiming::Clock::now();
        ThresholdAndCountWindow(copy, 0);
        per_channel.push_back(CloseTiming::Since(a));
        SetCountingEngine(CountingEngine::kBatch);
    }

    // Closes timed part by part as the tick times them. The activity panel is
    // a window's drawing, not part of this program: its part stays 0.
    CloseTiming timing;
    for (int run = 0; run < closes; ++run) {
        Fill(st, rng);
        st.m_sample_index = 499;
        CloseTiming::Close close;
        const auto t0 = CloseTiming::Clock::now();
        ConditionNewSample(st);
        AdvanceSample(st);
        close[ClosePart::kConditioning] = CloseTiming::Since(t0);
        const auto t1 = CloseTiming::Clock::now();
        DecideWindowClose(st, 0.0, 12, 8, 20);
        const auto t2 = CloseTiming::Clock::now();
        ThresholdAndCountWindow(st, 0);
        close[ClosePart::kCounting] = CloseTiming::Since(t2);
        const auto t3 = CloseTiming::Clock::now();
        const RecordingResult r = RecordWindow(st, 0);
        close[ClosePart::kFiles] = CloseTiming::Since(t3);
        close[ClosePart::kWhole] = close[ClosePart::kConditioning] + CloseTiming::Since(t1);
        timing.Add(close);
        if (r.failed) std::printf("append failures: %d\n", r.failed);
    }
    const auto t_sync = CloseTiming::Clock::now();
    const std::vector<std::string> sync_messages = SyncRunFiles(st);
    const double sync_ms = CloseTiming::Since(t_sync);
    for (const std::string& m : sync_messages) std::printf("%s\n", m.c_str());

    auto report = [](const char* name, const DurationFigures& f) {
        std::printf("%-38s min %7.3f  median %7.3f  p99 %7.3f  max %7.3f ms\n", name, f.min_ms, f.median_ms, f.p99_ms,
                    f.max_ms);
    };
    std::printf("Window closes, 4 stations x 384 channels, 500 samples, raw recording on: %zu closes\n",
                timing.Closes());
    std::printf("(files in %s; records synced to disk in the background)\n", dir.Path().c_str());
    report("conditioning of the closing sample", timing.Figures(ClosePart::kConditioning));
    report("thresholds and counting, batch", timing.Figures(ClosePart::kCounting));
    report("files (4 raw blocks + 4 counts)", timing.Figures(ClosePart::kFiles));
    report("whole close", timing.Figures(ClosePart::kWhole));
    report("thresholds and counting, per channel", FiguresOf(per_channel));
    std::printf("%-38s %7.3f ms\n", "sync of every file at the end", sync_ms);
    return 0;
}
