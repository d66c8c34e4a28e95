// The line plot's colours, bin-size steps, "Relativize to Time0" and the
// joint report text of tag kinetics.
#include <gtest/gtest.h>

#include "browser/BinningPlots.h"
#include "platform/Locale.h"

namespace vondrel::browser {
namespace {

TEST(KineticsPalette, BlocksOfThirteenDarken) {
    auto p = KineticsPalette();
    EXPECT_EQ(p[0], (Rgb{255, 0, 0}));
    EXPECT_EQ(p[5], (Rgb{255, 0, 255}));
    EXPECT_EQ(p[6], (Rgb{0, 0, 0}));     // left black
    EXPECT_EQ(p[12], (Rgb{128, 0, 255}));
    EXPECT_EQ(p[13], (Rgb{235, 0, 0}));  // 255 - 383/255 * 13 = 235.47
    EXPECT_EQ(p[26 + 7], (Rgb{216, 128, 0}));
    EXPECT_EQ(p[169], (Rgb{1, 0, 0}));   // 255 - 253.82
    EXPECT_EQ(p[182], (Rgb{0, 0, 0}));   // negative intensity is 0
    EXPECT_EQ(p[182 + 7], (Rgb{0, 128, 0}));
    EXPECT_EQ(p[377], (Rgb{0, 0, 0}));   // past the last block (364..376)
}

TEST(StepBinSize, StepsThenFitsTheSpan) {
    struct Case {
        double typed;
        bool plus;
        int binCount, binMinutes;
        int expected;
    };
    // A day in 5-minute bins has 289 columns: span 1440.
    const Case cases[] = {
        {120, true, 289, 5, 160},   // 125 does not divide 1440; 130 .. 160 does
        {121, true, 289, 5, 120},
        {7, false, 8, 5, 7},        // span 35: 7 kept
        {7, false, 289, 5, 5},      // 7 kept, does not divide 1440: 2, then at least 5
        {3, true, 289, 5, 5},
        {5.5, false, 289, 5, 6},    // 5.5 rounds to 6, kept
        {30, false, 289, 5, 20},    // 25 does not divide 1440, 20 does
        {60, true, 3, 5, 15},       // span 10 counts as 30; half of it
        {12, true, 7, 5, 15},       // 17 is above half the span
        {40, true, 13, 10, 60},     // span 120: 45, 50, 55, 60
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepBinSize(c.typed, c.plus, c.binCount, c.binMinutes), c.expected)
            << c.typed << (c.plus ? " +" : " -") << " over " << c.binCount << " x " << c.binMinutes;
}

TEST(RelativizeToTime0, PercentOfTheFirstColumn) {
    GroupBinTable t;
    t.Reset(3);
    t.at(1, 0) = 20, t.at(2, 0) = 30, t.at(3, 0) = 10;
    t.at(1, 1) = 0, t.at(2, 1) = 50, t.at(3, 1) = 7;
    t.at(1, 384) = 4, t.at(2, 384) = 1000, t.at(3, 384) = 2;
    double top = RelativizeToTime0(t, {0, 1, 384, 0});
    EXPECT_EQ(t.at(1, 0), 100);
    EXPECT_EQ(t.at(2, 0), 150);
    EXPECT_EQ(t.at(3, 0), 50);
    EXPECT_EQ(t.at(1, 1), 0);
    EXPECT_EQ(t.at(2, 1), 0);
    EXPECT_EQ(t.at(3, 1), 0);
    EXPECT_EQ(t.at(2, 384), 25000);
    EXPECT_EQ(top, 25000);

    GroupBinTable flat;
    flat.Reset(2);
    flat.at(1, 2) = 10, flat.at(2, 2) = 5;
    EXPECT_EQ(RelativizeToTime0(flat, {2}), 100);  // the top is at least 100
}

platform::TimePoint At(int day, int hour, int minute) { return platform::FromLocal({2024, 3, day, hour, minute, 0}); }

TEST(TagColumnAxis, UnitsAndLabels) {
    platform::SetDecimalSeparatorForTest(",");
    struct Case {
        std::vector<platform::TimePoint> dates;
        std::string unit;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {{{}, At(1, 8, 0), At(1, 8, 0), At(1, 9, 30)}, "min", {"0", "0", "90"}},
        {{{}, At(1, 8, 0), At(2, 20, 15)}, "h", {"0", "36,3"}},  // 2175 min = 36.25 h
        {{{}, At(1, 8, 0), At(3, 8, 0), At(5, 20, 0)}, "day", {"0", "2,0", "4,5"}},
        {{{}, At(1, 8, 0), At(2, 8, 0)}, "min", {"0", "1440"}},  // exactly one day is not more than one
    };
    for (const Case& c : cases) {
        TagAxis a = TagColumnAxis(c.dates);
        EXPECT_EQ(a.unit, c.unit);
        EXPECT_EQ(std::vector<std::string>(a.labels.begin() + 1, a.labels.end()), c.labels) << c.unit;
    }
    platform::SetDecimalSeparatorForTest("");
}

TEST(TagKineticsReport, TextOfTheJointReport) {
    GroupBinTable t;
    t.Reset(3);
    t.at(1, 1) = 10, t.at(2, 1) = 12.5, t.at(3, 1) = 13.5;
    t.at(1, 384) = 700, t.at(2, 384) = 0, t.at(3, 384) = 9;
    KineticsReportText r = TagKineticsReport(t, " 20240301_0800 20240301_0930 20240301_1100",
                                          {{}, At(1, 8, 0), At(1, 9, 30), At(1, 11, 0)},
                                          {"001_Control group", "999_Free"}, ";");
    EXPECT_EQ(r.acq_line, "Acq:;20240301_0800;20240301_0930;20240301_1100\r\n");
    EXPECT_EQ(r.rows,
              "Group/Time[min];0;90;180\r\n"
              "[#001_Contro];10;12;14\r\n"
              "[#999_Free];700;0;9\r\n");
}

TEST(ItemGroup, NumberOfTheFirstThreeCharacters) {
    EXPECT_EQ(ItemGroup("000_Control"), 0);
    EXPECT_EQ(ItemGroup("017_x"), 17);
    EXPECT_EQ(ItemGroup("383_x"), 383);
    EXPECT_EQ(ItemGroup("999_Free"), kFreeGroup);
}

}  // namespace
}  // namespace vondrel::browser
