// The channel pass of a window close: each channel's new detection threshold
// from the window sums, then its events in the closed window, the
// cumulative counts and, in body-bends mode, the peak-interval histogram.
#pragma once

#include <cstdint>

#include "acquisition/AcquisitionState.h"

namespace vondrel {

// Cumulative counts stop growing once they have reached this value; the
// window that crosses it is still added (9999 + 30 gives 10029).
inline constexpr int16_t kCumulativeCountCap = 10000;

// The method a count uses: method 1 (threshold average) in single-station
// operation, the project's g_dsp_method otherwise. g_dsp_method itself is
// never changed, so a later save of the project keeps the user's method.
int16_t CountingMethod(const AcquisitionState& st);

// Adds a window's count to a cumulative count unless the cap is reached.
int16_t AddToCumulative(int16_t cumulative, int16_t window_count);

// For each channel 0..383 with a well, in ascending order:
//  1. for each processed station (the ticked ones; station 1's tables in
//     single-station operation) the window sums become means and
//     g_channel_threshold[c][k] receives the channel's new band width;
//  2. body-bends mode (body_bends_mode == 1): station 1's window is counted
//     and its peak-interval histogram, taken with the threshold just computed
//     last for the channel, is added to m_peak_histogram (classes 0..49,
//     with m_histogram_class_max following the largest total);
//     otherwise every processed station's window is counted.
// Counts use m_snr_threshold and CountingMethod(); the counter lowers the
// levels above each channel's band in the window, in place.
//
// The stations' windows are counted side by side on CountingPool() with the
// batch counter; the results are the per-channel counter's, bit for bit.
//
// Throws DetectionRangeError when the window is shorter than 500 samples or
// m_snr_threshold is not finite (the run refuses to start with either).
void ThresholdAndCountWindow(AcquisitionState& st, int16_t body_bends_mode);

// The counter a window close uses: the batch counter on the pool (the
// default) or CountEvents channel by channel on the calling thread, kept to
// show that both record the same.
enum class CountingEngine { kBatch, kPerChannel };
void SetCountingEngine(CountingEngine engine);

}  // namespace vondrel
