// Body-bends mode: distances between successive dips of a channel's smoothed
// signal below its last peak.
#pragma once

#include <cstdint>
#include <span>

#include "detection/SampleWindow.h"

namespace vondrel {

inline constexpr int kHistogramClasses = 50;  // classes 0..49 are written

// Fills classes 0..49 of `histogram` for `channel` of `window`: class d counts
// the dip-to-dip distances of d samples (2..49); the first dip is measured
// from sample 0. `threshold` is the least dip depth in level units (rounded to
// a whole level). Entries beyond 49 are left alone. Returns 1.
//
// Throws DetectionRangeError (nothing changed) for a window without samples
// 0..499, a channel outside the window, a histogram shorter than 50 classes
// or a threshold that is not finite.
int16_t PeakIntervalHistogram(ConstSampleWindow window, int16_t channel, std::span<int16_t> histogram,
                              double threshold);

}  // namespace vondrel
