// Event counting of many channels of one window at once.
//
// The counter's lines are serial recurrences within a channel, but the
// channels are independent and a window keeps neighbouring channels side by
// side in memory, so the batch counter advances a group of adjacent channels
// together, one sample at a time. Every channel gets exactly what CountEvents
// gives it: the same count, the same lowered levels in the window, and (for
// the one channel a caller asks for) the same detection line and event marks.
#pragma once

#include <cstdint>
#include <span>

#include "detection/SampleWindow.h"

namespace vondrel {

// Counts the events of every channel c with selected[c] != 0 (c below
// selected.size(), which must not exceed window.channels) into counts[c],
// with CountEvents' threshold and method rules; other entries of counts and
// the levels of other channels stay as they are. Levels above each counted
// channel's band are lowered in the window, as CountEvents does.
//
// detail_channel, when selected, is counted by CountEvents itself, so that
// g_processed_sample and g_sample_event_mark receive its detection line and
// marks; the batch never touches those tables otherwise, so calls for
// different windows may run on different threads when none asks for detail.
//
// Throws DetectionRangeError (nothing changed) for a window without samples
// 0..499, a selection wider than the window, counts shorter than the
// selection or a threshold that is not finite.
void CountChannels(SampleWindow window, std::span<const uint8_t> selected, std::span<int16_t> counts,
                   double threshold, int16_t method, int detail_channel = -1);

// The same counting for the export of event flags: every counted channel c
// gets, in flags[c * 500 .. c * 500 + 499], the 500 characters CountEvents
// writes after the tag of its export line ('1' at each event, '0' elsewhere).
// flags must hold selected.size() x 500 entries (DetectionRangeError
// otherwise); rows of channels not counted stay as they are.
void CountChannels(SampleWindow window, std::span<const uint8_t> selected, std::span<int16_t> counts,
                   double threshold, int16_t method, std::span<char> flags);

// Which instruction set the batch counter uses. Automatic picks the widest the
// processor has (AVX-512, AVX2 with FMA, else the portable SSE2 path); the others force
// a path where the processor has it, and fall back to the portable one where
// it does not (tests compare them).
enum class CounterPath { kAutomatic, kPortable, kAvx2, kAvx512 };
void SetCounterPath(CounterPath path);
bool CounterAvx2Available();
bool CounterAvx512Available();

}  // namespace vondrel
