// The line plot's drawing plan: scale, axis texts, lines per group, the
// selected group drawn wide, and nothing for a recording without counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

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

std::vector<const PlotPrimitive*> Kinds(const PlotPlan& p, PlotPrimitive::Kind k) {
    std::vector<const PlotPrimitive*> out;
    for (const auto& i : p.items)
        if (i.kind == k) out.push_back(&i);
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

TEST(GroupBarPlan, TenBarsAPageFromItsStart) {
    GroupBinTable t;
    t.Reset(1);
    std::vector<std::string> items;
    for (int g = 0; g < 12; ++g) {
        char name[16];
        std::snprintf(name, sizeof name, "%03d_Group %d", g, g);
        items.push_back(name);
        t.at(1, g) = 40000 + g;  // means above 32767 plot
    }
    items.push_back("999_Free");
    t.at(1, 384) = 7;
    PlotPlan p = GroupBarPlan(t, 40011, items, 3, 4);
    auto bars = Kinds(p, PlotPrimitive::Kind::FilledBox);
    ASSERT_EQ(bars.size(), 10u);  // items 3..12
    EXPECT_DOUBLE_EQ(bars[0]->x1, 12);
    EXPECT_DOUBLE_EQ(bars[0]->y2, 40003);
    EXPECT_EQ(bars[1]->bgr, 0xC8C8C8u);  // item 4 selected
    EXPECT_EQ(bars[0]->bgr, 0xDCDCDCu);
    EXPECT_DOUBLE_EQ(bars[9]->y2, 7);    // the free sum, last
    auto outlines = Kinds(p, PlotPrimitive::Kind::Box);
    EXPECT_EQ(outlines[1]->width, 2);
    EXPECT_EQ(outlines[0]->width, 1);
    auto texts = Texts(p);
    EXPECT_EQ(texts[0], "003_Group ");
    EXPECT_EQ(texts[1], "40003");
    EXPECT_DOUBLE_EQ(p.top, 40011 * 1.05);

    // A quiet recording still gets an axis of 50.
    GroupBinTable quiet;
    quiet.Reset(1);
    PlotPlan q = GroupBarPlan(quiet, 3, {"000_A"}, 0, -1);
    EXPECT_DOUBLE_EQ(q.top, 52.5);
    EXPECT_EQ(Texts(q), (std::vector<std::string>{"000_A", "0", "50", "0"}));
}

struct SixWells {
    std::vector<int16_t> well = std::vector<int16_t>(385, -1), group = std::vector<int16_t>(385, -1);
    std::vector<std::vector<int16_t>> beams{{0}, {1}, {2}, {3}, {4}, {-1}};
    std::vector<int64_t> totals = std::vector<int64_t>(384, 0);
    SixWells() {
        for (int c = 0; c < 5; ++c) well[c] = static_cast<int16_t>(c);
        group[0] = 1, group[1] = 1, group[2] = 2, group[4] = 0;
        totals[0] = 500, totals[3] = 255;
        totals[300] = 10;  // 384-channel total of a channel of no well: not counted
        well[5] = 0, totals[5] = 10;  // a second beam of well 0
    }
    PlateLayout Plate() const { return {2, 3, 7, 1, 7, 1, well, &beams, group}; }
};


TEST(PlateHeatmapPlan, BarsOutlinesAndGroupMarks) {
    SixWells six;
    PlotPlan p = PlateHeatmapPlan(six.Plate(), six.totals);
    EXPECT_DOUBLE_EQ(p.left, 50);
    EXPECT_DOUBLE_EQ(p.top, 50);
    auto bars = Kinds(p, PlotPrimitive::Kind::FilledBox);
    ASSERT_EQ(bars.size(), 6u);
    // A1 holds 510, the largest: black, full height; B2 holds 255: mid grey, half height.
    EXPECT_EQ(bars[0]->bgr, 0x000000u);
    EXPECT_DOUBLE_EQ(bars[0]->y1, 100);
    EXPECT_DOUBLE_EQ(bars[0]->x1, 100 + 420);
    auto halfBar = std::find_if(bars.begin(), bars.end(), [](const PlotPrimitive* b) { return b->bgr == 0x7F7F7Fu; });
    ASSERT_NE(halfBar, bars.end());
    EXPECT_DOUBLE_EQ((*halfBar)->y1, 700 + 100 + 350);
    EXPECT_EQ(Kinds(p, PlotPrimitive::Kind::Box).size(), 6u);
    std::vector<std::pair<std::string, uint32_t>> texts;
    for (const auto* t : Kinds(p, PlotPrimitive::Kind::Text)) texts.emplace_back(t->text, t->bgr);
    EXPECT_EQ(texts, (std::vector<std::pair<std::string, uint32_t>>{{"G1", 0xFF0000},
                                                                    {"G1", 0xFF0000},
                                                                    {"G2", 0x0000FF},
                                                                    {"G0", 0x00FF00},
                                                                    {"1", 0},
                                                                    {"2", 0},
                                                                    {"3", 0},
                                                                    {"A", 0},
                                                                    {"B", 0}}));
}

TEST(PlateHeatmapPlan, NoCountsLeaveEveryBarEmpty) {
    SixWells six;
    std::vector<int64_t> none(384, 0);
    PlotPlan p = PlateHeatmapPlan(six.Plate(), none);
    for (const auto* b : Kinds(p, PlotPrimitive::Kind::FilledBox)) {
        EXPECT_EQ(b->bgr, 0xFFFFFFu);
        EXPECT_DOUBLE_EQ(b->y1 - b->y2, 0.05 * 700);  // no height: from the cell's bottom to its margin
    }
}

}  // namespace
}  // namespace vondrel::browser
