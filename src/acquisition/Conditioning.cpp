#include "acquisition/Conditioning.h"

#include <algorithm>
#include <cmath>

#include "platform/Numbers.h"

namespace vondrel {

int16_t RoundToLevel(double x) {
    if (std::isnan(x)) return 0;
    const double r = RoundHalfEven(x);
    if (r >= 32767.0) return 32767;
    if (r <= -32768.0) return -32768;
    return static_cast<int16_t>(r);
}

namespace {

void WarmUp(AcquisitionState& st, int k, int c, int p) {
    st.AmplitudeSum(k, c) = 0;
    st.SignalCount(k, c) = 0;
    st.SignalSum(k, c) = 0;
    const int16_t s = st.Sample(k, c, p);
    st.UpperEnvelope(k, c, p) = s;
    st.LowerEnvelope(k, c, p) = s;
    const double t = g_channel_threshold[c][k];
    st.LowerLine(k, c, p) = RoundToLevel((100.0 - t) / 100.0 * s);
    st.UpperLine(k, c, p) = RoundToLevel((100.0 + t) / 100.0 * s);
}

void Condition(AcquisitionState& st, int k, int c, int p, int lookback) {
    const int n = st.WindowLength();
    const double t = g_channel_threshold[c][k];
    int16_t& previous = st.Sample(k, c, p - 1);
    const int16_t before = st.Sample(k, c, p - 2);
    const int16_t now = st.Sample(k, c, p);

    // A single-sample upward spike above the upper band is replaced by the
    // mean of its neighbours.
    if (previous > st.UpperLine(k, c, p - 1) && before < previous && now < previous)
        previous = RoundToLevel((static_cast<double>(before) + now) / 2.0);
    const int16_t mid = previous;

    // Envelopes carry the last strict local minimum and maximum.
    int16_t lower = st.LowerEnvelope(k, c, p - 1);
    int16_t upper = st.UpperEnvelope(k, c, p - 1);
    if (mid < before && mid < now) lower = mid;
    if (now < mid && before < mid) upper = mid;
    st.LowerEnvelope(k, c, p) = lower;
    st.UpperEnvelope(k, c, p) = upper;

    st.AmplitudeSum(k, c) += upper - lower;
    st.SignalSum(k, c) += mid;
    st.SignalCount(k, c) += 1;

    // Look-back positions; position 0 is skipped, the previous window's data
    // continue at N - 1.
    auto back = [&](int i) { return p - i > 0 ? p - i : n - 1 + (p - i); };
    int16_t m = 0;
    for (int i = 1; i <= lookback; ++i) m = std::max(m, st.Sample(k, c, back(i)));

    double lower_sum = 0, upper_sum = 0;
    for (int i = 1; i <= 3; ++i) {
        const int q = std::max(0, back(i));
        lower_sum += st.LowerLine(k, c, q);
        upper_sum += st.UpperLine(k, c, q);
    }
    st.LowerLine(k, c, p) = RoundToLevel((lower_sum + (100.0 - t) * m / 100.0) / 4.0);
    st.UpperLine(k, c, p) = RoundToLevel((upper_sum + (100.0 + t) * m / 100.0) / 4.0);
}

}  // namespace

void ConditionNewSample(AcquisitionState& st) {
    const int n = st.WindowLength();
    const int p = st.m_sample_index;
    if (p < 0 || p >= n) return;
    const int d = g_dsp_interval;
    const bool single = st.SingleStation();
    const bool warm_up = st.m_tick_count <= d || p <= 1;
    const int lookback = std::min(d, n + 1);

    for (int k = 0; k < kStations; ++k) {
        if (single && k != 0) break;
        if (warm_up) {
            // The warm-up starts all four stations in multi-station operation.
            for (int c = 0; c < kChannels; ++c)
                if (g_channel_well[c] >= 0) WarmUp(st, k, c, p);
            continue;
        }
        if (!single && !st.StationTicked(k)) continue;
        for (int c = 0; c < kChannels; ++c)
            if (g_channel_well[c] >= 0) Condition(st, k, c, p, lookback);
    }
}

bool AdvanceSample(AcquisitionState& st) {
    st.m_sample_count += 1;
    st.m_sample_index = static_cast<int16_t>(st.m_sample_index + 1);
    if (st.m_sample_index >= st.WindowLength()) {
        st.m_sample_index = 0;
        return true;
    }
    return false;
}

}  // namespace vondrel
