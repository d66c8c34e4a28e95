#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cstring>
#include <ctime>

namespace vondrel::platform {

namespace {
std::string& DecimalOverride() {
    static std::string value;
    return value;
}
std::string& ListOverride() {
    static std::string value;
    return value;
}
std::string& ShortDateOverride() {
    static std::string value;
    return value;
}
std::string& DateSeparatorOverride() {
    static std::string value;
    return value;
}
std::string& TimeSeparatorOverride() {
    static std::string value;
    return value;
}

// The separator in the environment's time locale's format `item`.
std::string TimeLocaleSeparator(nl_item item, const char* fallback) {
    locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return fallback;
    const char* format = nl_langinfo_l(item, loc);
    std::string result = SeparatorInFormat(format ? format : "", fallback);
    freelocale(loc);
    return result;
}
}  // namespace

std::string LocaleDecimalSeparator() {
    if (!DecimalOverride().empty()) return DecimalOverride();
    const char* sign = ".";
    // Asked of the environment, not of the process's C locale, which stays "C"
    // for every stored number.
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (loc != static_cast<locale_t>(0)) {
        const char* radix = nl_langinfo_l(RADIXCHAR, loc);
        if (radix && std::strcmp(radix, ",") == 0) sign = ",";
        freelocale(loc);
    }
    return sign;
}

void SetDecimalSeparatorForTest(const std::string& separator) { DecimalOverride() = separator; }

std::string LocaleListSeparator() {
    if (!ListOverride().empty()) return ListOverride();
    return LocaleDecimalSeparator() == "," ? ";" : ",";
}

void SetListSeparatorForTest(const std::string& separator) { ListOverride() = separator; }

std::string LocaleShortDate(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = 12;
    char buf[64] = {};
    const std::string pattern = ShortDateOverride().empty() ? "%x" : ShortDateOverride();
    locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (loc != static_cast<locale_t>(0)) {
        strftime_l(buf, sizeof buf, pattern.c_str(), &tm, loc);
        freelocale(loc);
    } else {
        std::strftime(buf, sizeof buf, pattern.c_str(), &tm);
    }
    return buf;
}

void SetShortDateFormatForTest(const std::string& pattern) { ShortDateOverride() = pattern; }

std::string SeparatorInFormat(const std::string& format, const std::string& fallback) {
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%') {
            ++i;  // the field's letter
            if (i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;  // a modified field
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(format[i]))) return std::string(1, format[i]);
    }
    return fallback;
}

std::string LocaleDateSeparator() {
    if (!DateSeparatorOverride().empty()) return DateSeparatorOverride();
    return TimeLocaleSeparator(D_FMT, "/");
}

std::string LocaleTimeSeparator() {
    if (!TimeSeparatorOverride().empty()) return TimeSeparatorOverride();
    return TimeLocaleSeparator(T_FMT, ":");
}

void SetDateSeparatorForTest(const std::string& separator) { DateSeparatorOverride() = separator; }
void SetTimeSeparatorForTest(const std::string& separator) { TimeSeparatorOverride() = separator; }

}  // namespace vondrel::platform
