// The desktop's number conventions: its decimal sign and the list separator
// that follows from it. Stored numbers never go through these; only texts
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

}  // namespace vondrel::platform
