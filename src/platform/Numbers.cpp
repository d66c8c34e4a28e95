#include "platform/Numbers.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vondrel {

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
    double v = std::strtod(digits.c_str(), nullptr);
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
    double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

std::string FormatFixed(double x, int decimals) {
    if (!std::isfinite(x)) return std::to_string(x);
    // Work from the 15-significant-digit decimal form so that 2.25 rounds up
    // and 0.15 (stored as 0.1499999...) is treated as the decimal it shows.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
    // buf: d.dddddddddddddde±XX
    std::string mant;
    mant += buf[0];
    mant.append(buf + 2, 14);
    int exp10 = std::atoi(std::strchr(buf, 'e') + 1);
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
    std::string ip, fp;
    if (intDigits <= 0) {
        ip = "0";
        fp = std::string(-intDigits, '0') + digits;
    } else {
        ip = digits.substr(0, intDigits);
        fp = digits.substr(intDigits);
    }
    if (ip.empty()) ip = "0";
    while (static_cast<int>(fp.size()) < decimals) fp += '0';
    fp = fp.substr(0, decimals);
    bool zero = true;
    for (char c : ip + fp) if (c != '0') zero = false;
    std::string out = (x < 0 && !zero) ? "-" : "";
    out += ip;
    if (decimals > 0) out += "." + fp;
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
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", x);
    return buf;
}

double RoundDecimals(double x, int decimals) {
    double scale = std::pow(10.0, decimals);
    return RoundHalfEven(x * scale) / scale;
}

}  // namespace vondrel
