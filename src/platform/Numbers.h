// Number conversions and display formats shared by the whole program.
//
// The instrument's files and messages were defined with the rounding rules of
// a Windows desktop runtime: whole numbers from reals round to the nearest with
// halves to the even neighbour, Int() is the floor, integer division rounds both
// operands first and truncates the quotient. Every part of the program uses the
// functions here so the rules live in one place.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vondrel {

// Raised where the original runtime raised "Overflow" or "Division by zero".
struct NumericError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

double RoundHalfEvenWide(double x);

// Nearest integer, halves to even: 2.5 -> 2, 3.5 -> 4, -2.5 -> -2.
// The detector rounds several times per sample, so the common case is inline:
// adding and taking away 1.5 * 2^52 leaves x rounded by the processor's
// default rounding, which is to the nearest with halves to even.
inline double RoundHalfEven(double x) {
    if (x > -0x1p51 && x < 0x1p51) return (x + 0x1.8p52) - 0x1.8p52;
    return RoundHalfEvenWide(x);
}

// RoundHalfEven checked into a 16-bit / 32-bit integer; throws NumericError
// when the value does not fit (or is not finite).
int16_t ToInt16(double x);
int32_t ToInt32(double x);

// Largest integer not above x (the runtime's Int()).
double IntFloor(double x);

// Integer division a \ b: both operands rounded half to even, quotient
// truncated toward zero. Throws NumericError on a zero divisor.
int64_t IntDiv(double a, double b);

// Reads a number from the start of a text: leading blanks skipped, optional
// sign, digits with an optional "." fraction and exponent; stops at the first
// other character; blanks between digits are ignored. 0 when there is none.
double Val(std::string_view text);

// Parses a whole field as a number (blanks around it allowed). Returns false
// for an empty text, trailing garbage, or a non-finite value.
bool ParseNumber(std::string_view text, double& out);

// Display formats: FormatFixed(2.25, 1) == "2.3" (halves away from zero on
// the decimal digits, as the display formats "0.0", "0.00" do).
std::string FormatFixed(double x, int decimals);

// Zero-padded whole number: FormatPadded(12, 5) == "00012" (format "00000").
std::string FormatPadded(int64_t n, int width);

// Real written without trailing zeros: 3.0 -> "3", 2.125 -> "2.125",
// 0.5 -> "0.5"; up to 15 significant digits.
std::string FormatReal(double x);

// x rounded to `decimals` places, halves to even (2.1234, 3 -> 2.123).
double RoundDecimals(double x, int decimals);

}  // namespace vondrel
