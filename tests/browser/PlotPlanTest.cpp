// The line plot's drawing plan: scale, axis texts, lines per group, the
// selected group drawn wide, and nothing for a recording without counts.
#include <gtest/gtest.h>

#include <algorithm>

#include "browser/PlotPlan.h"

namespace vondrel::browser {
namespace {

std::vector<std::string> Texts(const PlotPlan& p) {
    std::vector<std::string> out;
    for (const auto& i : p.items)
        if (i.kind == PlotPrimitive::Kind::Text) out.push_back(i.text);
    return out;
}

std::vector<const PlotPrimitive*> LinesIn(const PlotPlan& p, uint32_t bgr) {
    std::vector<const PlotPrimitive*> out;
    for (const auto& i : p.items)
        if (i.kind == PlotPrimitive::Kind::Line && i.bgr == bgr) out.push_back(&i);
    return out;
}

GroupBinTable ThreeColumns() {
    GroupBinTable t;
    t.Reset(3);
    t.at(1, 1) = 4, t.at(2, 1) = 20, t.at(3, 1) = 8;
    t.at(1, 384) = 1, t.at(2, 384) = 2, t.at(3, 384) = 3;
    return t;
}

TEST(KineticsLinePlan, TimeBins) {
    PlotPlan p = KineticsLinePlan(ThreeColumns(), 20, 5, {}, {"001_Control", "999_Free"}, 384);
    ASSERT_FALSE(p.empty);
    // top below 50 grows by half: 30; span 3 bins of 5 minutes.
    EXPECT_DOUBLE_EQ(p.top, 33);
    EXPECT_DOUBLE_EQ(p.bottom, -3);
    EXPECT_DOUBLE_EQ(p.left, -1.5);
    EXPECT_DOUBLE_EQ(p.right, 18);
    EXPECT_EQ(Texts(p), (std::vector<std::string>{"Line PLOT", "5", "10", "15", "Time[min]", "30", "15",
                                                  " [#001_Contro]", " [#999_Free]"}));
    auto red = LinesIn(p, 0x0000FF);  // palette entry 0
    ASSERT_EQ(red.size(), 3u);        // two segments and the legend
    EXPECT_EQ(red[0]->width, 1);
    EXPECT_DOUBLE_EQ(red[0]->x1, 5);
    EXPECT_DOUBLE_EQ(red[0]->y1, 4);
    EXPECT_DOUBLE_EQ(red[1]->x2, 15);
    EXPECT_DOUBLE_EQ(red[1]->y2, 8);
    auto green = LinesIn(p, 0x00FF00);  // entry 1: the selected free sum
    ASSERT_EQ(green.size(), 3u);
    EXPECT_EQ(green[0]->width, 3);
}

TEST(KineticsLinePlan, TaggedColumnsAtTheirMinutes) {
    auto at = [](int d, int h) { return platform::FromLocal({2024, 3, d, h, 0, 0}); };
    PlotPlan p = KineticsLinePlan(ThreeColumns(), 120, 5, {{}, at(1, 8), at(1, 8), at(1, 10)}, {"001_Control"}, -1);
    ASSERT_FALSE(p.empty);
    EXPECT_DOUBLE_EQ(p.right, 1.2 * 121);  // 120 minutes + 1
    EXPECT_EQ(Texts(p), (std::vector<std::string>{"[TAG] Kinetics PLOT", "120", "Time[min]", "120", "60",
                                                  " [#001_Contro]"}));
    auto red = LinesIn(p, 0x0000FF);
    ASSERT_EQ(red.size(), 3u);
    EXPECT_DOUBLE_EQ(red[0]->x2, 0);  // two recordings of the same minute
    EXPECT_DOUBLE_EQ(red[1]->x2, 120);
}

TEST(KineticsLinePlan, NoCountsDrawNothing) {
    GroupBinTable t;
    t.Reset(4);
    EXPECT_TRUE(KineticsLinePlan(t, 0, 5, {}, {"000_A"}, -1).empty);
}

}  // namespace
}  // namespace vondrel::browser
