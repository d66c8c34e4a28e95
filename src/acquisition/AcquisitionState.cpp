#include "acquisition/AcquisitionState.h"

#include <algorithm>

namespace vondrel {

AcquisitionState::AcquisitionState(int window_length) {
    m_window_length = std::max(1, window_length);
    // The envelopes keep at least positions 0..501; longer windows get one
    // slot per window position so the conditioning never leaves its tables.
    m_envelope_positions = std::max(kEnvelopePositions, m_window_length + 1);
    const size_t positions = static_cast<size_t>(WindowPositions());
    for (auto& w : m_sample_window) w.assign(positions * kChannelSlots, 0);
    m_conditioned_window.assign(positions * kChannelSlots * kStations, 0);
    m_conditioned_window_b.assign(positions * kChannelSlots * kStations, 0);
    const size_t envelope = static_cast<size_t>(m_envelope_positions) * kChannelSlots * kEnvelopeStations;
    m_upper_envelope.assign(envelope, 0);
    m_lower_envelope.assign(envelope, 0);
    m_amplitude_sum.assign(static_cast<size_t>(kChannelSlots) * kEnvelopeStations, 0);
    m_signal_sum.assign(m_amplitude_sum.size(), 0);
    m_signal_count.assign(m_amplitude_sum.size(), 0);
    m_peak_histogram.assign(static_cast<size_t>(kChannelSlots) * kHistogramSlots, 0);
}

AcquisitionState AcquisitionState::Cleared(AcquisitionState& old, int window_length) {
    if (std::max(1, window_length) != old.m_window_length) return AcquisitionState(window_length);
    AcquisitionState s{NoTables{}};
    s.m_window_length = old.m_window_length;
    s.m_envelope_positions = old.m_envelope_positions;
    auto zeroed = [](auto& v) {
        std::fill(v.begin(), v.end(), 0);
        return std::move(v);
    };
    for (int k = 0; k < kStations; ++k) s.m_sample_window[k] = zeroed(old.m_sample_window[k]);
    s.m_conditioned_window = zeroed(old.m_conditioned_window);
    s.m_conditioned_window_b = zeroed(old.m_conditioned_window_b);
    s.m_upper_envelope = zeroed(old.m_upper_envelope);
    s.m_lower_envelope = zeroed(old.m_lower_envelope);
    s.m_amplitude_sum = zeroed(old.m_amplitude_sum);
    s.m_signal_sum = zeroed(old.m_signal_sum);
    s.m_signal_count = zeroed(old.m_signal_count);
    s.m_peak_histogram = zeroed(old.m_peak_histogram);
    return s;
}

void AcquisitionState::ResetForPlay() {
    for (auto& w : m_sample_window) std::fill(w.begin(), w.end(), int16_t{0});
    std::fill(m_conditioned_window.begin(), m_conditioned_window.end(), int16_t{0});
    for (auto& t : m_window_count) t.fill(0);
    for (auto& t : m_cumulative_count) t.fill(0);
    for (int cls = 0; cls < kHistogramSlots - 1; ++cls)
        for (int c = 0; c < kChannelSlots; ++c) PeakHistogram(c, cls) = 0;
    m_histogram_class_max.fill(0);
    m_sample_index = 0;
    m_sample_count = 0;
    m_tick_count = 0;
    m_tick_total = 0;
    m_display_tick = 0;
    m_interval_tick = 0;
    m_interval_phase = 0;
    m_elapsed_time = 0;
    m_elapsed_minutes = 0;
    m_elapsed_minutes_exact = 0;
    m_bends_plot_offset = 0;
    m_bends_plot_limit = 127;
    m_run_finished = 0;
    m_raw_window_count = 0;
    m_raw_file_number = 0;
    m_seconds_per_sample_total = 0;
    m_histogram_record_count = 0;
    m_com_error_count = 0;
    m_reply_error_count = 0;
    m_failed_files.clear();
    m_windows_recorded = 0;
    m_counts_file_base.clear();
    m_numbered_file_base.clear();
    m_unwritten = {};
    m_pending_writes.clear();
    m_pending_raw_bytes = 0;
    m_close_timing.Clear();
}

void AcquisitionState::SetTickedStations(const std::array<bool, kStations>& ticked) {
    m_station_count = 0;
    for (int k = 0; k < kStations; ++k) {
        m_station_enabled[k] = ticked[k] ? int16_t{-1} : int16_t{0};
        if (ticked[k]) ++m_station_count;
    }
}

int AcquisitionState::SingleStationIndex() const {
    if (!SingleStation()) return 0;
    for (int k = 0; k < kStations; ++k)
        if (m_station_enabled[k] == -1) return k;
    return 0;
}

}  // namespace vondrel
