// Conditioning of the newest sample of every channel, run on every working
// tick right after the samples are stored, and the advance of the sample
// position that decides whether the window closes.
#pragma once

#include "acquisition/AcquisitionState.h"

namespace vondrel {

// Conditions position p = m_sample_index of every processed station (the
// ticked stations, or station 1's tables in single-station operation) for
// every channel with a well (g_channel_well >= 0):
//  - warm-up (m_tick_count <= g_dsp_interval or p <= 1): clears the window
//    sums and starts envelopes and band lines from the sample, for all four
//    stations in multi-station operation;
//  - otherwise: smooths a single-sample upward spike above the upper band at
//    p - 1 (in the sample window itself), carries the envelopes, adds to the
//    window sums and computes both band lines from the maximum of the last
//    g_dsp_interval samples (a look-back across the window start continues
//    at position N - 1).
// Values that do not fit a 16-bit table entry are held at its limits. The
// look-back is limited to N + 1 positions, the most the window can serve.
void ConditionNewSample(AcquisitionState& st);

// Counts the sample just stored and moves to the next position. Returns true
// when the window is full: the position is back at 0 and the window close
// runs on this tick.
bool AdvanceSample(AcquisitionState& st);

// Rounds half to even and holds the result within -32768..32767.
int16_t RoundToLevel(double x);

}  // namespace vondrel
