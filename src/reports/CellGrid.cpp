#include "reports/CellGrid.h"

#include <charconv>
#include <cmath>

#include "platform/Locale.h"

namespace vondrel::reports {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Checks the grammar of IsNumberText on a trimmed text and writes the number
// to `plain` (room for s.size() characters) with the group signs dropped and a
// "." decimal point. Returns the length written, or -1 when `s` is no number.
// `whole` tells whether the number is a plain integer (sign and digits).
long ScanNumber(std::string_view s, char decimal, char* plain, bool& whole) {
    const char group = decimal == ',' ? '.' : ',';
    size_t i = 0;
    long n = 0;
    whole = true;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') plain[n++] = '-';
        ++i;
    }
    // Whole part: plain digits, or groups of three after a first group of one to three.
    size_t digits = 0, run = 0;
    bool grouped = false;
    while (i < s.size()) {
        if (IsDigit(s[i])) {
            plain[n++] = s[i];
            ++digits;
            ++run;
            ++i;
        } else if (s[i] == group) {
            if (run == 0 || (grouped ? run != 3 : run > 3)) return -1;
            grouped = true;
            run = 0;
            ++i;
        } else {
            break;
        }
    }
    if (grouped && run != 3) return -1;
    if (i < s.size() && s[i] == decimal) {
        whole = false;
        plain[n++] = '.';
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            plain[n++] = s[i];
            ++digits;
            ++i;
        }
    }
    if (digits == 0) return -1;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        whole = false;
        plain[n++] = 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            if (s[i] == '-') plain[n++] = '-';
            ++i;
        }
        size_t exponent = 0;
        while (i < s.size() && IsDigit(s[i])) {
            plain[n++] = s[i];
            ++exponent;
            ++i;
        }
        if (exponent == 0) return -1;
    }
    return i == s.size() ? n : -1;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

char DecimalSign() { return platform::LocaleDecimalSeparator() == "," ? ',' : '.'; }

std::optional<double> ParseLocaleNumber(std::string_view text, char decimal) {
    const std::string_view t = TrimBlanks(text);
    char small[64];
    std::string large;
    char* plain = small;
    if (t.size() > sizeof small) {
        large.resize(t.size());
        plain = large.data();
    }
    bool whole = false;
    const long n = ScanNumber(t, decimal, plain, whole);
    if (n < 0) return std::nullopt;
    const char* end = plain + n;
    if (whole && n <= 16) {
        // Counts and minutes: plain integers, exact in a double.
        int64_t v = 0;
        const char* p = plain + (plain[0] == '-');
        while (p < end) v = v * 10 + (*p++ - '0');
        return static_cast<double>(plain[0] == '-' ? -v : v);
    }
    double v = 0;
    // from_chars takes no "+" and reads "-" itself.
    const auto r = std::from_chars(plain, end, v);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

bool IsNumberText(std::string_view text, char decimal) { return ParseLocaleNumber(text, decimal).has_value(); }

bool IsNumberText(std::string_view text) { return IsNumberText(text, DecimalSign()); }
std::optional<double> ParseLocaleNumber(std::string_view text) { return ParseLocaleNumber(text, DecimalSign()); }

}  // namespace vondrel::reports
