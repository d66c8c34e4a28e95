// The working state of an acquisition run: sample windows, conditioning
// tables, window sums, counts, histogram, counters and file numbering. The main
// window owns one; every phase of the acquisition tick reads and writes it.
//
// Station index k is 0..3 for stations 1..4 (m_sample_window[0] is station
// 1's window). Channel tables have 385 slots (channels 0..383 and a spare).
// Flat tables keep the layout in which the first index varies fastest; the
// accessors below name the indices.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "acquisition/CloseTiming.h"
#include "detection/SampleWindow.h"
#include "store/Globals.h"

namespace vondrel {

inline constexpr int kEnvelopeStations = 5;     // station slots 0..4 of envelopes and sums (4 is a spare)
inline constexpr int kEnvelopePositions = 502;  // envelope positions 0..501 at least
inline constexpr int kHistogramSlots = 51;      // peak-histogram classes 0..50 per channel

struct AcquisitionState {
    // Sizes every table for a window of `window_length` samples (positions
    // 0..window_length) and clears everything. Lengths below 1 count as 1.
    explicit AcquisitionState(int window_length = g_rt_buffer);

    // The state the constructor makes for `window_length`; when `old` was
    // sized for that length its tables are zeroed in place and taken over
    // (left empty in `old`, whose other members stay) instead of allocated
    // anew.
    static AcquisitionState Cleared(AcquisitionState& old, int window_length);

    // Samples per window (g_rt_buffer when the tables were sized).
    int WindowLength() const { return m_window_length; }
    // Samples per station window, positions 0..WindowLength().
    int WindowPositions() const { return m_window_length + 1; }

    // Play's resets before a new run: the sample windows, the lower band
    // line, the window and cumulative counts, histogram classes 0..49 and
    // their largest totals, the run clock, the sample, tick and display
    // counters, the file numbering and placement, and the record of files
    // and records that failed. The upper band line, envelopes, sums, thresholds and class
    // 50 keep their values, as the conditioning expects.
    void ResetForPlay();

    // ---- stations ---------------------------------------------------------
    std::array<int16_t, 5> m_station_enabled{};  // -1 for a ticked station (0..3)
    int16_t m_station_count = 0;                 // number of ticked stations
    int16_t m_station = 0;                       // station shown in the live display

    // Sets m_station_enabled and m_station_count from the four station boxes.
    void SetTickedStations(const std::array<bool, kStations>& ticked);
    bool StationTicked(int k) const { return k >= 0 && k < kStations && m_station_enabled[k] == -1; }
    // Exactly one station ticked: its data live in station 1's tables.
    bool SingleStation() const { return m_station_count == 1; }
    // The ticked station in single-station operation (0..3); 0 otherwise.
    int SingleStationIndex() const;

    // ---- sample windows and conditioning ------------------------------------
    int16_t m_sample_index = 0;  // position of the next sample, 0..N-1

    // Level (channel, position) of station k at position * 385 + channel.
    std::array<std::vector<int16_t>, kStations> m_sample_window{};
    int16_t& Sample(int k, int channel, int position) {
        return m_sample_window[k][Index2(channel, position)];
    }
    SampleWindow Window(int k) { return SampleWindow(std::span<int16_t>(m_sample_window[k]), kChannelSlots); }

    // Lower and upper band lines: (station 0..3, channel, position 0..N).
    std::vector<int16_t> m_conditioned_window;    // lower band line
    std::vector<int16_t> m_conditioned_window_b;  // upper band line
    int16_t& LowerLine(int k, int channel, int position) {
        return m_conditioned_window[Index3(kStations, k, channel, position)];
    }
    int16_t& UpperLine(int k, int channel, int position) {
        return m_conditioned_window_b[Index3(kStations, k, channel, position)];
    }

    // Envelope holds: (station 0..4, channel, position 0..EnvelopePositions()-1).
    std::vector<int16_t> m_upper_envelope;
    std::vector<int16_t> m_lower_envelope;
    int EnvelopePositions() const { return m_envelope_positions; }
    int16_t& UpperEnvelope(int k, int channel, int position) {
        return m_upper_envelope[Index3(kEnvelopeStations, k, channel, position)];
    }
    int16_t& LowerEnvelope(int k, int channel, int position) {
        return m_lower_envelope[Index3(kEnvelopeStations, k, channel, position)];
    }

    // Window sums: (station 0..4, channel); means after the window close.
    std::vector<int32_t> m_amplitude_sum, m_signal_sum, m_signal_count;
    int32_t& AmplitudeSum(int k, int channel) { return m_amplitude_sum[Sum(k, channel)]; }
    int32_t& SignalSum(int k, int channel) { return m_signal_sum[Sum(k, channel)]; }
    int32_t& SignalCount(int k, int channel) { return m_signal_count[Sum(k, channel)]; }

    // ---- activity results ------------------------------------------------------
    // Counts of the last closed window of stations 1..4; element 384 takes the
    // temperature in tenths when the counts record is written.
    std::array<ChannelTable16, kStations> m_window_count{};
    // Events since Play per station and channel; stops growing at 10000.
    std::array<ChannelTable16, kStations> m_cumulative_count{};
    // Body-bends peak-interval histogram, (channel, class 0..50), channel
    // fastest: class j of channel c at j * 385 + c.
    std::vector<int32_t> m_peak_histogram;
    int32_t& PeakHistogram(int channel, int cls) { return m_peak_histogram[Index2(channel, cls)]; }
    std::array<int32_t, kChannelSlots> m_histogram_class_max{};

    // ---- run clock and timing ---------------------------------------------------
    double m_run_start = 0, m_window_start = 0;  // date-times in days
    double m_elapsed_time = 0;                   // days since m_run_start
    int32_t m_elapsed_minutes = 0;
    double m_elapsed_minutes_exact = 0;          // minutes to 2 decimals
    double m_seconds_per_sample = 0;             // of the window just closed, 3 decimals
    double m_seconds_per_sample_total = 0;
    int32_t m_histogram_record_count = 0;

    // ---- counters ------------------------------------------------------------------
    int32_t m_tick_count = 0;   // ticks since Play or resume
    int32_t m_tick_total = 0;   // ticks since Play
    int32_t m_sample_count = 0; // samples since Play
    int16_t m_display_tick = 0;
    int16_t m_interval_tick = 0, m_interval_phase = 0;
    int16_t m_com_error_count = 0, m_reply_error_count = 0;
    int16_t m_run_finished = 0;

    // ---- actuators and options ------------------------------------------------------
    int16_t m_actuator_pending = 0;
    int16_t m_light_on = 0, m_temp_actuator_on = 0, m_heating = 0;
    int16_t m_light_schedule = 0, m_temp_control = 0;
    double m_snr_threshold = 1.8;
    std::string m_temperature_text;   // "--" while the instrument gives no reading
    bool m_temperature_missing = false;  // the last temperature query had no reply

    // ---- run data files ----------------------------------------------------------------
    int16_t m_raw_window_count = 0;  // windows already written under the current number (0..10)
    int16_t m_raw_file_number = 0;   // number of the current raw and histogram files
    int32_t m_windows_recorded = 0;  // recording steps since Play: this run's index in counts.bin
    std::string m_acquisition_stamp;
    // Files whose failure has been reported in this run (each is reported once).
    std::set<std::string> m_failed_files;
    // Whole records a file held when this run first wrote to it; the run's
    // records are placed after them. The numbered files' entries are dropped
    // when the number advances.
    std::map<std::string, int64_t> m_counts_file_base, m_numbered_file_base;
    // Records and blocks of this run that could not be written.
    struct Unwritten {
        int32_t counts = 0, raw_blocks = 0, histogram = 0;
        int32_t unsynced = 0;  // files whose flush to disk failed
        bool Any() const { return counts + raw_blocks + histogram + unsynced > 0; }
    } m_unwritten;
    // Records and blocks whose write failed, oldest first, kept to be written
    // at their places at the next window close and at the end of the run; a
    // file with one waiting gets no later record before it is written.
    struct PendingWrite {
        std::string path;
        int64_t index = 0;  // the record's place in the file
        std::vector<std::byte> bytes;
        int32_t Unwritten::*kind = nullptr;  // counted there if it is never written
    };
    std::deque<PendingWrite> m_pending_writes;
    size_t m_pending_raw_bytes = 0;  // raw blocks among them
    // Durations of this run's window closes, by part.
    CloseTiming m_close_timing;

    // ---- display --------------------------------------------------------------------------
    int16_t m_bends_plot_offset = 0, m_bends_plot_limit = 127;
    int32_t m_trace_zoom = 0;

private:
    struct NoTables {};
    explicit AcquisitionState(NoTables) {}

    static size_t Index2(int channel, int position) {
        return static_cast<size_t>(position) * kChannelSlots + static_cast<size_t>(channel);
    }
    static size_t Index3(int stations, int k, int channel, int position) {
        return (static_cast<size_t>(position) * kChannelSlots + static_cast<size_t>(channel)) *
                   static_cast<size_t>(stations) +
               static_cast<size_t>(k);
    }
    static size_t Sum(int k, int channel) {
        return static_cast<size_t>(channel) * kEnvelopeStations + static_cast<size_t>(k);
    }

    int m_window_length = 0;
    int m_envelope_positions = 0;
};

}  // namespace vondrel
