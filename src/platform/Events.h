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

// Time-outs that wait for the instrument's answer have a scale of their own,
// which follows the time scale until it is set (a value <= 0 makes it follow
// again). A test can shrink the pauses while the simulator, a process that a
// busy machine may hold up, still gets the designed time to answer.
void SetReplyTimeoutScale(double scale);
// A designed answer time-out in milliseconds after that scale.
int ScaledReplyTimeoutMs(int designedMs);

// Sleeps the designed time (scaled) without pumping events.
void SleepMs(int designedMs);
// Sleeps the designed time (scaled) while pumping events.
void SleepPumping(int designedMs);

}  // namespace vondrel::platform
