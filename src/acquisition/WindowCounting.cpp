#include "acquisition/WindowCounting.h"

#include <array>

#include "detection/ChannelThreshold.h"
#include "detection/EventCounter.h"
#include "detection/PeakIntervalHistogram.h"

namespace vondrel {

int16_t CountingMethod(const AcquisitionState& st) {
    return st.SingleStation() ? kMethodThresholdAverage : g_dsp_method;
}

int16_t AddToCumulative(int16_t cumulative, int16_t window_count) {
    if (cumulative >= kCumulativeCountCap) return cumulative;
    const int32_t sum = int32_t{cumulative} + window_count;
    return sum > INT16_MAX ? INT16_MAX : static_cast<int16_t>(sum);
}

void ThresholdAndCountWindow(AcquisitionState& st, int16_t body_bends_mode) {
    const bool single = st.SingleStation();
    const int16_t method = CountingMethod(st);
    const double snr = st.m_snr_threshold;
    auto processed = [&](int k) { return single ? k == 0 : st.StationTicked(k); };
    auto count = [&](int k, int c) {
        return CountEvents(st.Window(k), static_cast<int16_t>(c), snr, method, 0, "", 0);
    };

    for (int c = 0; c < kChannels; ++c) {
        if (g_channel_well[c] < 0) continue;

        double band = 0;
        for (int k = 0; k < kStations; ++k) {
            if (!processed(k)) continue;
            band = AdaptChannelThreshold(st.AmplitudeSum(k, c), st.SignalSum(k, c), st.SignalCount(k, c), snr);
            g_channel_threshold[c][k] = band;
        }

        if (body_bends_mode == 1) {
            const int16_t n = count(0, c);
            std::array<int16_t, kHistogramClasses> classes{};
            PeakIntervalHistogram(st.Window(0), static_cast<int16_t>(c), classes, band);
            for (int j = 0; j < kHistogramClasses; ++j) {
                int32_t& total = st.PeakHistogram(c, j);
                total += classes[j];
                if (total > st.m_histogram_class_max[c]) st.m_histogram_class_max[c] = total;
            }
            st.m_window_count[0][c] = n;
            st.m_cumulative_count[0][c] = AddToCumulative(st.m_cumulative_count[0][c], n);
            continue;
        }

        for (int k = 0; k < kStations; ++k) {
            if (!processed(k)) continue;
            const int16_t n = count(k, c);
            st.m_window_count[k][c] = n;
            st.m_cumulative_count[k][c] = AddToCumulative(st.m_cumulative_count[k][c], n);
        }
    }
}

}  // namespace vondrel
