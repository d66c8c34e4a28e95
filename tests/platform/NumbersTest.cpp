#include <gtest/gtest.h>

#include "platform/Numbers.h"

using namespace vondrel;

TEST(Numbers, RoundHalfEvenTable) {
    struct { double in, out; } cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.5, 2}, {2.4999, 2}, {2.5001, 3}, {-0.4, 0}, {7, 7},
        {0.49999999999999994, 0}, {4503599627370495.5, 4503599627370496.0}, {3377699720527873.5, 3377699720527874.0},
        {-3377699720527872.5, -3377699720527872.0}, {1e300, 1e300}};
    for (auto c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(Numbers, ToInt16OverflowsOutsideRange) {
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(-32768.5), -32768);  // half to even stays in range
    EXPECT_THROW(ToInt16(32767.5), NumericError);
    EXPECT_THROW(ToInt16(-32769), NumericError);
    EXPECT_THROW(ToInt32(3e9), NumericError);
}

TEST(Numbers, IntIsFloorAndIntDivRoundsOperandsThenTruncates) {
    EXPECT_EQ(IntFloor(-1.5), -2);
    EXPECT_EQ(IntFloor(1.9), 1);
    EXPECT_EQ(IntDiv(7, 2), 3);
    EXPECT_EQ(IntDiv(-7, 2), -3);
    EXPECT_EQ(IntDiv(6000, 15), 400);
    EXPECT_EQ(IntDiv(2.5, 1), 2);   // 2.5 rounds to 2 first
    EXPECT_EQ(IntDiv(7, 2.5), 3);   // 7 \ 2
    EXPECT_THROW(IntDiv(1, 0.4), NumericError);
}

TEST(Numbers, ValReadsTheLeadingNumber) {
    struct { const char* in; double out; } cases[] = {
        {"12abc", 12}, {"  -3.25x", -3.25}, {"abc", 0}, {"", 0}, {"1 2", 12}, {"2,5", 2}, {"1e3", 1000},
        {"1e", 1}, {".5", 0.5}, {"+7", 7}};
    for (auto c : cases) EXPECT_DOUBLE_EQ(Val(c.in), c.out) << c.in;
}

TEST(Numbers, ParseNumberRejectsPartialFields) {
    double v = 0;
    EXPECT_TRUE(ParseNumber(" 17 ", v));
    EXPECT_EQ(v, 17);
    EXPECT_TRUE(ParseNumber("-2.125", v));
    EXPECT_EQ(v, -2.125);
    EXPECT_FALSE(ParseNumber("", v));
    EXPECT_FALSE(ParseNumber("12a", v));
    EXPECT_FALSE(ParseNumber("abc", v));
    EXPECT_FALSE(ParseNumber("nan", v));
}

TEST(Numbers, DisplayFormats) {
    EXPECT_EQ(FormatFixed(1.8, 1), "1.8");
    EXPECT_EQ(FormatFixed(2.25, 1), "2.3");
    EXPECT_EQ(FormatFixed(0.15, 1), "0.2");
    EXPECT_EQ(FormatFixed(20, 1), "20.0");
    EXPECT_EQ(FormatFixed(-0.04, 1), "0.0");
    EXPECT_EQ(FormatFixed(-1.25, 1), "-1.3");
    EXPECT_EQ(FormatFixed(9.96, 1), "10.0");
    EXPECT_EQ(FormatFixed(0.004, 2), "0.00");
    EXPECT_EQ(FormatPadded(12, 5), "00012");
    EXPECT_EQ(FormatPadded(3, 2), "03");
    EXPECT_EQ(FormatPadded(123456, 5), "123456");
    EXPECT_EQ(FormatPadded(-3, 4), "-0003");
}

TEST(Numbers, RealsWithoutTrailingZeros) {
    EXPECT_EQ(FormatReal(3.0), "3");
    EXPECT_EQ(FormatReal(2.125), "2.125");
    EXPECT_EQ(FormatReal(RoundDecimals(2.1234, 3)), "2.123");
    EXPECT_EQ(FormatReal(0.5), "0.5");
    EXPECT_EQ(FormatReal(-1.75), "-1.75");
    EXPECT_EQ(FormatReal(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatReal(0), "0");
    EXPECT_EQ(FormatReal(-0.0), "0");
    EXPECT_EQ(FormatReal(1e300), "1E+300");
    EXPECT_EQ(FormatReal(-2.5e-20), "-2.5E-20");
    EXPECT_EQ(FormatReal(123456789012.5), "123456789012.5");
}
