#include "platform/Clock.h"

#include <ctime>

namespace vondrel::platform {

namespace {
std::function<TimePoint()>& Source() {
    static std::function<TimePoint()> source;
    return source;
}
}  // namespace

TimePoint Now() { return Source() ? Source()() : std::chrono::system_clock::now(); }

void SetClockForTest(std::function<TimePoint()> source) { Source() = std::move(source); }

LocalTime ToLocal(TimePoint t) {
    std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

TimePoint FromLocal(const LocalTime& lt) {
    std::tm tm{};
    tm.tm_year = lt.year - 1900;
    tm.tm_mon = lt.month - 1;
    tm.tm_mday = lt.day;
    tm.tm_hour = lt.hour;
    tm.tm_min = lt.minute;
    tm.tm_sec = lt.second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

}  // namespace vondrel::platform
