// Adaptive detection threshold of a channel, derived at a window close from
// the statistics the signal conditioning gathered over the window.
#pragma once

#include <cstdint>

namespace vondrel {

// Turns the window sums of one channel and station into means, in place
// (amplitude_sum becomes the mean envelope swing A, signal_sum the mean level
// Lv, each rounded half to even; both stay as they are when signal_count is
// below 1), and returns the channel's band width in percent:
//   100 x snr x A / Lv + 1, or 100 x snr + 1 when A >= Lv or Lv < 1,
// and never below 1.8. The caller stores it in g_channel_threshold.
double AdaptChannelThreshold(int32_t& amplitude_sum, int32_t& signal_sum, int32_t signal_count, double snr);

}  // namespace vondrel
