#include "reports/CellGrid.h"

#include <charconv>
#include <cmath>

#include "platform/Locale.h"

namespace vondrel::reports {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Checks the grammar of IsNumberText on a trimmed text; on success `plain`
// holds the number with the group signs dropped and a "." decimal sign.
bool ScanNumber(std::string_view s, char decimal, std::string* plain) {
    const char group = decimal == ',' ? '.' : ',';
    size_t i = 0;
    if (plain) plain->clear();
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (plain && s[i] == '-') plain->push_back('-');
        ++i;
    }
    // Whole part: plain digits, or groups of three after a first group of one to three.
    size_t digits = 0, run = 0;
    bool grouped = false;
    while (i < s.size()) {
        if (IsDigit(s[i])) {
            if (plain) plain->push_back(s[i]);
            ++digits;
            ++run;
            ++i;
        } else if (s[i] == group) {
            if (run == 0 || (grouped ? run != 3 : run > 3)) return false;
            grouped = true;
            run = 0;
            ++i;
        } else {
            break;
        }
    }
    if (grouped && run != 3) return false;
    if (i < s.size() && s[i] == decimal) {
        if (plain) plain->push_back('.');
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            if (plain) plain->push_back(s[i]);
            ++digits;
            ++i;
        }
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        if (plain) plain->push_back('e');
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            if (plain) plain->push_back(s[i]);
            ++i;
        }
        size_t exponent = 0;
        while (i < s.size() && IsDigit(s[i])) {
            if (plain) plain->push_back(s[i]);
            ++exponent;
            ++i;
        }
        if (exponent == 0) return false;
    }
    return i == s.size();
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
    std::string plain;
    if (!ScanNumber(TrimBlanks(text), decimal, &plain)) return std::nullopt;
    double v = 0;
    const char* first = plain.data();
    // from_chars takes no "+" and reads "-" itself.
    const auto r = std::from_chars(first, first + plain.size(), v);
    if (r.ec != std::errc() || r.ptr != first + plain.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

bool IsNumberText(std::string_view text, char decimal) { return ParseLocaleNumber(text, decimal).has_value(); }

bool IsNumberText(std::string_view text) { return IsNumberText(text, DecimalSign()); }
std::optional<double> ParseLocaleNumber(std::string_view text) { return ParseLocaleNumber(text, DecimalSign()); }

}  // namespace vondrel::reports
