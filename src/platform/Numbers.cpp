#include "platform/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <stdlib.h>

namespace vondrel {

namespace {

// Stored numbers are read and written with a decimal point whatever the
// desktop's locale is: the windows' toolkit sets the C library's locale from
// the environment, and a decimal-comma locale would make strtod stop at the
// point and printf write a comma. Reading goes through strtod_l with a fixed
// "C" locale (the same digits, rounding, overflow and underflow as before);
// writing goes through std::to_chars, which never looks at a locale.
locale_t NumberLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

double StrToDouble(const std::string& text, char** end) { return strtod_l(text.c_str(), end, NumberLocale()); }

}  // namespace

double RoundHalfEvenWide(double x) {
    if (!std::isfinite(x)) return x;
    double r = std::round(x);  // halves away from zero
    if (std::fabs(x - std::trunc(x)) == 0.5) {
        // exact half: pick the even neighbour
        r = 2.0 * std::round(x / 2.0);
    }
    return r;
}

int16_t ToInt16(double x) {
    double r = RoundHalfEven(x);
    if (!std::isfinite(r) || r < -32768.0 || r > 32767.0) throw NumericError("Overflow");
    return static_cast<int16_t>(r);
}

int32_t ToInt32(double x) {
    double r = RoundHalfEven(x);
    if (!std::isfinite(r) || r < -2147483648.0 || r > 2147483647.0) throw NumericError("Overflow");
    return static_cast<int32_t>(r);
}

double IntFloor(double x) { return std::floor(x); }

int64_t IntDiv(double a, double b) {
    double ra = RoundHalfEven(a);
    double rb = RoundHalfEven(b);
    if (rb == 0.0) throw NumericError("Division by zero");
    if (!std::isfinite(ra) || !std::isfinite(rb) || std::fabs(ra) > 9.2e18 || std::fabs(rb) > 9.2e18)
        throw NumericError("Overflow");
    return static_cast<int64_t>(ra) / static_cast<int64_t>(rb);
}

double Val(std::string_view text) {
    std::string digits;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) digits += text[i++];
    bool any = false, dot = false, exp = false;
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') { ++i; continue; }
        if (std::isdigit(static_cast<unsigned char>(c))) { digits += c; any = true; ++i; continue; }
        if (c == '.' && !dot && !exp) { digits += c; dot = true; ++i; continue; }
        if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && any && !exp) {
            // an exponent only counts when digits follow it
            size_t j = i + 1;
            std::string e = "e";
            if (j < text.size() && (text[j] == '+' || text[j] == '-')) e += text[j++];
            if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
                digits += e;
                exp = true;
                i = j;
                continue;
            }
        }
        break;
    }
    if (!any) return 0.0;
    double v = StrToDouble(digits, nullptr);
    return std::isfinite(v) ? v : 0.0;
}

bool ParseNumber(std::string_view text, double& out) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    if (b == e) return false;
    std::string s(text.substr(b, e - b));
    // Only plain decimal notation: sign, digits, point, exponent.
    for (char c : s) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    }
    char* end = nullptr;
    double v = StrToDouble(s, &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

std::string FormatFixed(double x, int decimals) {
    if (!std::isfinite(x)) return std::to_string(x);
    // Work from the 15-significant-digit decimal form so that 2.25 rounds up
    // and 0.15 (stored as 0.1499999...) is treated as the decimal it shows.
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, 14);
    // buf: d.dddddddddddddde±XX
    std::string mant;
    mant += buf[0];
    mant.append(buf + 2, 14);
    const char* e = buf + 17;  // after 'e'
    if (*e == '+') ++e;
    int exp10 = 0;
    std::from_chars(e, written.ptr, exp10);
    // value = 0.mant * 10^(exp10+1); digits before the point: exp10+1
    int intDigits = exp10 + 1;
    int keep = intDigits + decimals;  // number of mantissa digits kept
    std::string digits;
    if (keep < 0) {
        digits = "0";
        intDigits = 1;
        keep = 0;
    } else {
        bool roundUp = keep < static_cast<int>(mant.size()) && mant[keep] >= '5';
        digits = mant.substr(0, std::min<size_t>(keep, mant.size()));
        while (static_cast<int>(digits.size()) < keep) digits += '0';
        if (roundUp) {
            int k = static_cast<int>(digits.size()) - 1;
            while (k >= 0 && digits[k] == '9') digits[k--] = '0';
            if (k >= 0) digits[k]++;
            else { digits.insert(digits.begin(), '1'); intDigits++; }
        }
    }
    // `digits` holds intDigits digits before the point; a value below 1 has
    // intDigits <= 0 and that many zeros follow the point first. The parts are
    // built with single characters and appends only: GCC 12 at -O3 warns
    // falsely (-Wrestrict) about assigning a literal to a string here.
    std::string whole, fraction;
    if (intDigits <= 0) {
        whole.push_back('0');
        fraction.append(static_cast<size_t>(-intDigits), '0');
        fraction.append(digits);
    } else {
        whole.append(digits, 0, static_cast<size_t>(intDigits));
        if (digits.size() > static_cast<size_t>(intDigits)) fraction.append(digits, static_cast<size_t>(intDigits));
    }
    if (whole.empty()) whole.push_back('0');
    fraction.resize(static_cast<size_t>(std::max(decimals, 0)), '0');
    const bool zero =
        whole.find_first_not_of('0') == std::string::npos && fraction.find_first_not_of('0') == std::string::npos;
    std::string out;
    if (x < 0 && !zero) out.push_back('-');
    out.append(whole);
    if (decimals > 0) {
        out.push_back('.');
        out.append(fraction);
    }
    return out;
}

std::string FormatPadded(int64_t n, int width) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    while (static_cast<int>(digits.size()) < width) digits.insert(digits.begin(), '0');
    return n < 0 ? "-" + digits : digits;
}

std::string FormatReal(double x) {
    if (x == 0.0) return "0";  // also -0
    // Fifteen significant digits, plain for ordinary magnitudes; very large and
    // very small values keep the exponent form, which reads back exactly.
    // (std::to_chars with a precision writes exactly what printf's %.15g
    // writes in the C locale; the stored files carry the capital E of %G.)
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
    std::string out(buf, written.ptr);
    for (auto& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

double RoundDecimals(double x, int decimals) {
    double scale = std::pow(10.0, decimals);
    return RoundHalfEven(x * scale) / scale;
}

}  // namespace vondrel
