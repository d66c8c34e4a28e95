// Movement-event counting in one channel's window of 500 beam levels.
//
// An organism crossing a beam lowers that channel's level for a moment. The
// counter estimates the channel's resting level and swing from the window
// itself, lowers levels that stand above the resulting band (in the caller's
// window), and counts crossings of a detection line by one of four methods.
#pragma once

#include <cstdint>
#include <string_view>

#include "detection/DetectionResults.h"
#include "detection/SampleWindow.h"

namespace vondrel {

inline constexpr int kWindowSamples = 500;  // samples 0..499 are analysed

// Detection methods (the project's g_dsp_method).
inline constexpr int16_t kMethodGatedThreshold = 0;   // lower line, counted at 30-sample gates
inline constexpr int16_t kMethodThresholdAverage = 1; // lower line, edge with re-arm (default)
inline constexpr int16_t kMethodMotilityIndex = 2;    // runs of the level above its running minimum
inline constexpr int16_t kMethodThresholdLine = 3;    // two-sample mean under threshold x envelope

// Counts the events of `channel` over samples 0..499 of `window`.
//
// threshold: the SNR setting (a real such as 1.8). method: 0..3; any other
// value runs the envelope stages (and so the clipping) but counts nothing and
// leaves g_processed_sample and g_sample_event_mark alone.
// export_flag 1: appends the window's event flags as one line
// "<tag> <500 flags>" CR LF to folder/ch<channel>.raw; any other value writes
// nothing.
//
// Side effects: levels of the channel above the envelope band are lowered to
// the band in `window`; g_processed_sample receives the detection line and
// g_sample_event_mark -1 at each event (methods 0, 1 and 3).
//
// Throws DetectionRangeError (nothing changed) for a window without samples
// 0..499, a channel outside the window or a threshold that is not finite;
// EventFileError when the export fails (the results are already written).
int16_t CountEvents(SampleWindow window, int16_t channel, double threshold, int16_t method,
                    int32_t export_flag, std::string_view folder, int32_t tag);

}  // namespace vondrel
