#include "acquisition/RunClock.h"

#include <cmath>

#include "acquisition/RunDataFiles.h"
#include "platform/Numbers.h"

namespace vondrel {

std::string AcquisitionStamp(platform::TimePoint t) {
    const platform::LocalTime lt = platform::ToLocal(t);
    return FormatPadded(lt.year, 4) + FormatPadded(lt.month, 2) + FormatPadded(lt.day, 2) + "_" +
           FormatPadded(lt.hour, 2) + FormatPadded(lt.minute, 2);
}

int TickIntervalMs(int stations) {
    switch (stations) {
        case 1: return 30;
        case 2: return 140;
        case 3: return 120;
        case 4: return 90;
        default: return 0;
    }
}

std::string ElapsedTimeText(double days) {
    if (!(days > 0)) days = 0;
    const double whole_days = std::floor(days);
    // Seconds within the day, to the nearest second as a time text shows them.
    int64_t seconds = static_cast<int64_t>(RoundHalfEven((days - whole_days) * 86400.0));
    int64_t day_count = static_cast<int64_t>(whole_days);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day_count;
    }
    return FormatPadded(seconds / 3600, 2) + ":" + FormatPadded(seconds / 60 % 60, 2) + ":" +
           FormatPadded(seconds % 60, 2) + " [" + std::to_string(day_count) + "d]";
}

int32_t ElapsedMinutes(double days) {
    if (!(days > 0)) return 0;
    // An elapsed time is the difference of two day counts since 1970 and
    // carries an error of a few microseconds; taken to whole milliseconds
    // first, exactly ten minutes never reads as nine.
    const double ms = std::round(days * 86400000.0);
    const double m = std::floor(ms / 60000.0);
    return m > 2147483647.0 ? 2147483647 : static_cast<int32_t>(m);
}

int16_t LightAtPlay(int hour, int on_hour, int off_hour) {
    if (on_hour < off_hour) return on_hour <= hour && hour < off_hour ? int16_t{-1} : int16_t{0};
    if (off_hour < on_hour) return off_hour <= hour && hour < on_hour ? int16_t{0} : int16_t{-1};
    return 0;
}

int16_t PulseLight(double minutes, int pulses, double on_minutes, double off_minutes, int16_t current) {
    const double period = on_minutes + off_minutes;
    if (pulses < 1 || !(period > 0)) return current;
    if (minutes - period * pulses >= 0) return current;
    const double position = minutes - std::floor(minutes / period) * period;
    return on_minutes > position ? int16_t{-1} : int16_t{0};
}

int64_t RawRecordingMegabytes(int lapse_minutes, int stations, int window_length, int interval_ms) {
    if (lapse_minutes <= 0 || stations <= 0 || window_length <= 0 || interval_ms <= 0) return 0;
    const double windows_per_minute = 60000.0 / (static_cast<double>(interval_ms) * window_length);
    const double bytes = static_cast<double>(lapse_minutes) * windows_per_minute * stations *
                         static_cast<double>(RawBlockBytes(window_length));
    return static_cast<int64_t>(RoundHalfEven(bytes / (1024.0 * 1024.0)));
}

}  // namespace vondrel
