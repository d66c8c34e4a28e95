#include "acquisition/WindowCounting.h"

#include <array>
#include <atomic>
#include <span>
#include <vector>

#include "detection/BatchCounter.h"
#include "detection/ChannelThreshold.h"
#include "detection/EventCounter.h"
#include "detection/PeakIntervalHistogram.h"
#include "detection/WorkerPool.h"

namespace vondrel {

int16_t CountingMethod(const AcquisitionState& st) {
    return st.SingleStation() ? kMethodThresholdAverage : g_dsp_method;
}

int16_t AddToCumulative(int16_t cumulative, int16_t window_count) {
    if (cumulative >= kCumulativeCountCap) return cumulative;
    const int32_t sum = int32_t{cumulative} + window_count;
    return sum > INT16_MAX ? INT16_MAX : static_cast<int16_t>(sum);
}

namespace {

std::atomic<CountingEngine> g_counting_engine{CountingEngine::kBatch};

// Counts the selected channels of the given stations' windows into counts[k].
void CountStations(AcquisitionState& st, const std::vector<int>& stations, std::span<const uint8_t> selected,
                   std::array<std::array<int16_t, kChannels>, kStations>& counts, double snr, int16_t method) {
    if (g_counting_engine.load() == CountingEngine::kPerChannel) {
        for (const int k : stations)
            for (int c = 0; c < kChannels; ++c)
                if (selected[c])
                    counts[k][c] = CountEvents(st.Window(k), static_cast<int16_t>(c), snr, method, 0, "", 0);
        return;
    }
    // Each task owns one station's window and count table.
    CountingPool().Run(static_cast<int>(stations.size()), [&](int task) {
        const int k = stations[task];
        CountChannels(st.Window(k), selected, counts[k], snr, method);
    });
}

}  // namespace

void SetCountingEngine(CountingEngine engine) { g_counting_engine = engine; }

void ThresholdAndCountWindow(AcquisitionState& st, int16_t body_bends_mode) {
    const bool single = st.SingleStation();
    const int16_t method = CountingMethod(st);
    const double snr = st.m_snr_threshold;
    auto processed = [&](int k) { return single ? k == 0 : st.StationTicked(k); };

    std::array<uint8_t, kChannels> wells{};
    for (int c = 0; c < kChannels; ++c) wells[c] = g_channel_well[c] >= 0;
    std::vector<int> stations;
    if (body_bends_mode == 1)
        stations.push_back(0);
    else
        for (int k = 0; k < kStations; ++k)
            if (processed(k)) stations.push_back(k);

    // Counting first: it refuses a short window or a threshold that is not a
    // number before anything is changed. The thresholds and histograms below
    // read the sums and the (lowered) levels of one channel each, so the
    // order of the channels' steps is the per-channel order's.
    std::array<std::array<int16_t, kChannels>, kStations> counts{};
    CountStations(st, stations, wells, counts, snr, method);

    for (int c = 0; c < kChannels; ++c) {
        if (!wells[c]) continue;

        double band = 0;
        for (int k = 0; k < kStations; ++k) {
            if (!processed(k)) continue;
            band = AdaptChannelThreshold(st.AmplitudeSum(k, c), st.SignalSum(k, c), st.SignalCount(k, c), snr);
            g_channel_threshold[c][k] = band;
        }

        if (body_bends_mode == 1) {
            std::array<int16_t, kHistogramClasses> classes{};
            PeakIntervalHistogram(st.Window(0), static_cast<int16_t>(c), classes, band);
            for (int j = 0; j < kHistogramClasses; ++j) {
                int32_t& total = st.PeakHistogram(c, j);
                total += classes[j];
                if (total > st.m_histogram_class_max[c]) st.m_histogram_class_max[c] = total;
            }
        }
    }
    for (const int k : stations)
        for (int c = 0; c < kChannels; ++c) {
            if (!wells[c]) continue;
            st.m_window_count[k][c] = counts[k][c];
            st.m_cumulative_count[k][c] = AddToCumulative(st.m_cumulative_count[k][c], counts[k][c]);
        }
}

}  // namespace vondrel
