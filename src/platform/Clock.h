// The program's one clock ("now"): run stamps, light hours, elapsed minutes,
// pulses and dates in files all read it, so tests can set the time.
#pragma once

#include <chrono>
#include <functional>

namespace vondrel::platform {

using TimePoint = std::chrono::system_clock::time_point;

TimePoint Now();

// Replaces the clock; an empty function restores the system clock.
void SetClockForTest(std::function<TimePoint()> source);

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalTime ToLocal(TimePoint t);
TimePoint FromLocal(const LocalTime& lt);

}  // namespace vondrel::platform
