// The desktop's number and date conventions: its decimal sign, the list
// separator that follows from it, its short date and its date and time signs. Stored numbers never go through these; only texts
// shown to the user and reports that follow the desktop's habits do.
#pragma once

#include <string>

namespace vondrel::platform {

// "," or "." as the user's numeric locale (LC_ALL, LC_NUMERIC, LANG) writes decimals.
std::string LocaleDecimalSeparator();
// Tests fix the answer; "" restores the locale query.
void SetDecimalSeparatorForTest(const std::string& separator);

// ";" where the locale writes decimals with ",", else ",".
std::string LocaleListSeparator();
// Tests fix the answer; "" restores the query through the decimal sign.
void SetListSeparatorForTest(const std::string& separator);

// A date as the desktop's short date format writes it (the time locale's
// date representation).
std::string LocaleShortDate(int year, int month, int day);
// Tests fix the strftime pattern; "" restores the locale's own.
void SetShortDateFormatForTest(const std::string& pattern);

// The sign between day, month and year, and between hours and minutes, as
// the time locale's date and time formats write them: "/" and ":" when the
// locale is unknown or its format has none.
std::string LocaleDateSeparator();
std::string LocaleTimeSeparator();
// Tests fix the answers; "" restores the locale query.
void SetDateSeparatorForTest(const std::string& separator);
void SetTimeSeparatorForTest(const std::string& separator);

// The first character of a strftime format that is not part of a field and
// not blank ("%d.%m.%Y" gives "."); fallback when there is none.
std::string SeparatorInFormat(const std::string& format, const std::string& fallback);

}  // namespace vondrel::platform
