#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

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

}  // namespace vondrel::platform
