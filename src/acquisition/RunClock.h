// The run's clock and schedule without the window: the stamp of a run, the
// tick interval per number of stations, the time text, the light at Play and
// the light pulses, and the raw-recording volume for the disk check.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Clock.h"

namespace vondrel {

// "yyyymmdd_hhmm" of the local time `t`.
std::string AcquisitionStamp(platform::TimePoint t);

// Designed tick interval in milliseconds for 1..4 ticked stations (30, 140,
// 120, 90); 0 for any other count.
int TickIntervalMs(int stations);

// The run time text: "hh:mm:ss [Nd]" of an elapsed time in days (hours
// within the day, N the whole days).
std::string ElapsedTimeText(double days);

// Whole minutes of an elapsed time in days (rounded down, at least 0).
int32_t ElapsedMinutes(double days);

// Light at Play by the hour: on during on..off-1 when on < off, off during
// off..on-1 when off < on (the dark period wraps midnight), off when both are
// the same. Returns -1 (on) or 0.
int16_t LightAtPlay(int hour, int on_hour, int off_hour);

// Light of the pulse schedule at `minutes` since Play: `pulses` cycles of
// `on_minutes` on then `off_minutes` off. Once all cycles are done, or when a
// cycle has no length, the light keeps `current`.
int16_t PulseLight(double minutes, int pulses, double on_minutes, double off_minutes, int16_t current);

// Megabytes (rounded half to even) that raw recording writes in `lapse_minutes`
// for `stations` stations: one block of the window per station per window,
// with a window of `window_length` samples taken every `interval_ms`.
int64_t RawRecordingMegabytes(int lapse_minutes, int stations, int window_length, int interval_ms);

}  // namespace vondrel
