// Event pumping and waiting. The program is single-threaded: long operations
// pump the window system's events while they wait. The window layer installs
// the pump; plain code and tests run without one.
//
// All designed pauses and time-outs pass through TimeScale(), which is 1 in
// the program; tests shrink it (VONDREL_TIME_SCALE or SetTimeScale) so that
// a silent instrument costs milliseconds, not minutes.
#pragma once

#include <functional>

namespace vondrel::platform {

void SetEventPump(std::function<void()> pump);
void PumpEvents();

double TimeScale();
void SetTimeScale(double scale);
// A designed duration in milliseconds after the time scale.
int ScaledMs(int designedMs);

// Sleeps the designed time (scaled) without pumping events.
void SleepMs(int designedMs);
// Sleeps the designed time (scaled) while pumping events.
void SleepPumping(int designedMs);

}  // namespace vondrel::platform
