// The activity panel's plans without a window: groups in use, the group bar
// pages, the heatmap shades, the histogram classes and the plate grid.
#include <gtest/gtest.h>

#include <set>

#include "mainwindow/ActivityPlots.h"

namespace vondrel {
namespace {

ChannelTable16 Free() {
    ChannelTable16 t;
    t.fill(-1);
    return t;
}

// Every drawing call as a line of text, to check what a plan hands over.
struct RecordingSink : PanelSink {
    std::vector<std::string> ops;
    int boxes = 0;
    std::vector<std::pair<std::pair<double, double>, std::string>> prints;
    void FilledBox(double, double, double, double, uint32_t) override { ops.push_back("fill"); }
    void Box(double, double, double, double, uint32_t bgr) override {
        ops.push_back("box");
        if (bgr == kPanelRed) ++boxes;
    }
    void Print(double x, double y, const std::string& text) override { prints.push_back({{x, y}, text}); }
    void SetDrawWidth(int) override {}
    void SetTextColor(uint32_t) override {}
};

TEST(ActivityPlots, GroupsInUseCountEachGroupOnce) {
    ChannelTable16 a = Free();
    a[0] = 5, a[1] = 0, a[2] = 5, a[3] = 3;
    ChannelTable16 b = Free();
    for (int g = 0; g <= 12; ++g) b[static_cast<size_t>(100 + g * 3)] = static_cast<int16_t>(g);
    ChannelTable16 spare = Free();
    spare[384] = 7;  // the spare slot is no channel
    const struct {
        const ChannelTable16* groups;
        int expected;
    } cases[] = {{&a, 3}, {&b, 13}, {&spare, 0}};
    for (const auto& c : cases) EXPECT_EQ(CountGroupsInUse(*c.groups), c.expected);
    EXPECT_EQ(CountGroupsInUse(Free()), 0);
}

// `n` groups 0..n-1, group g on channels 2g and 2g + 1 with counts g*10 and
// g*10 + 2 (mean g*10 + 1).
struct Groups {
    ChannelTable16 groups = Free();
    ChannelTable16 counts{};
    explicit Groups(int n) {
        for (int g = 0; g < n; ++g) {
            groups[static_cast<size_t>(2 * g)] = groups[static_cast<size_t>(2 * g + 1)] = static_cast<int16_t>(g);
            counts[static_cast<size_t>(2 * g)] = static_cast<int16_t>(g * 10);
            counts[static_cast<size_t>(2 * g + 1)] = static_cast<int16_t>(g * 10 + 2);
        }
    }
};

TEST(ActivityPlots, BarPagesSpacingAndMeans) {
    const struct {
        int groups, page, limitBefore;
        int bars, limit;
        bool buttons;
        double spacing;
        int firstGroup;
    } cases[] = {
        {5, 0, 0, 5, 0, false, 50, 0},                     // up to five bars keep a spacing of 50
        {6, 0, 0, 6, 0, false, 300.0 / 7, 0},
        {13, 0, 0, 12, 2, true, 300.0 / 13, 0},            // two pages of twelve
        {13, 1, 2, 1, 2, true, 300.0 / 13, 12},            // page 1 shows the thirteenth group
        {12, 1, 2, 0, 2, true, 300.0 / 13, -1},            // a page left above 0: no bars
        {25, 2, 0, 1, 3, true, 300.0 / 13, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.groups << " groups, page " << c.page);
        Groups g(c.groups);
        GroupBarPlan p = PlanGroupBars(g.counts, g.groups, c.page, c.limitBefore, 1.0);
        EXPECT_EQ(p.groupsPresent, c.groups);
        ASSERT_EQ(static_cast<int>(p.bars.size()), c.bars);
        EXPECT_EQ(p.pageLimit, c.limit);
        EXPECT_EQ(p.showPageButtons, c.buttons);
        EXPECT_DOUBLE_EQ(p.spacing, c.spacing);
        if (c.bars > 0) {
            EXPECT_EQ(p.bars[0].group, c.firstGroup);
            EXPECT_EQ(p.bars[0].slot, 0);
            EXPECT_DOUBLE_EQ(p.bars[0].x, p.offset);
            EXPECT_DOUBLE_EQ(p.bars[0].mean, c.firstGroup * 10 + 1);
        }
    }
    Groups five(5);
    GroupBarPlan p = PlanGroupBars(five.counts, five.groups, 0, 0, 1.0);
    EXPECT_DOUBLE_EQ(p.offset, 18);  // 17.5 to even
    EXPECT_DOUBLE_EQ(p.bars[3].x, 3 * 50 + 18);
}

TEST(ActivityPlots, BarsAtTheTopAreCutOpenAndTheZoomGrows) {
    const struct {
        int mean;
        double zoom;
        bool cut;
        double next;
    } cases[] = {
        {250, 1.0, false, 1.0},
        {251, 1.0, false, 1.5},   // above 250 units: the next drawing zooms out
        {255, 1.0, true, 1.5},    // at 255 units the bar is cut open
        {9000, 0.0, true, 1.5},   // zoom 0 is read as 1
        {300, 2.0, false, 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mean);
        ChannelTable16 groups = Free(), counts{};
        groups[10] = 4;
        counts[10] = static_cast<int16_t>(c.mean);
        GroupBarPlan p = PlanGroupBars(counts, groups, 0, 0, c.zoom);
        ASSERT_EQ(p.bars.size(), 1u);
        EXPECT_EQ(p.bars[0].cutOpen, c.cut);
        EXPECT_DOUBLE_EQ(p.nextZoom, c.next);
    }
}

TEST(ActivityPlots, HeatmapShades) {
    PlateGeometry plate{8, 12, 9.0, 9.0, 1.0, 1.0};
    ChannelTable16 well = Free(), counts{};
    for (int ch = 0; ch < 96; ++ch) well[static_cast<size_t>(ch)] = static_cast<int16_t>(ch);
    // No counts: every cell white.
    for (const GridCell& c : PlanGridCells(plate, counts, well)) EXPECT_EQ(c.shade, 255);
    // The divisor is at least 255: a lone count of 100 stays light.
    counts[5] = 100;
    auto cells = PlanGridCells(plate, counts, well);
    EXPECT_EQ(cells[5].shade, 155);
    EXPECT_EQ(cells[5].well, 5);
    // Cells are listed column by column; the filled box sits inside the outline.
    EXPECT_EQ(cells[9].well, 9);
    EXPECT_DOUBLE_EQ(cells[9].x1, 1 * 900 + 100 + 90);
    EXPECT_DOUBLE_EQ(cells[9].y1, 1 * 900 + 100 + 90);
    EXPECT_DOUBLE_EQ(cells[9].x2, 2 * 900 + 100 - 90);

    // A well of 32 beams at 10000 counts each sums past 16 bits.
    ChannelTable16 big = Free(), many{};
    for (int ch = 0; ch < 32; ++ch) big[static_cast<size_t>(ch)] = 0, many[static_cast<size_t>(ch)] = 10000;
    for (int ch = 32; ch < 48; ++ch) big[static_cast<size_t>(ch)] = 1, many[static_cast<size_t>(ch)] = 10000;
    auto sums = WellCountSums(many, big, 96);
    EXPECT_EQ(sums[0], 320000);
    EXPECT_EQ(WellSumDivisor(sums), 320000);
    EXPECT_EQ(WellShade(sums[0], 320000), 0);
    EXPECT_EQ(WellShade(sums[1], 320000), 127);  // 127.5 to even
    // Channels of a well beyond the plate and free channels are skipped.
    ChannelTable16 odd = Free(), one{};
    odd[0] = 500, one[0] = 9999;
    EXPECT_EQ(WellCountSums(one, odd, 96), std::vector<int32_t>(96, 0));
}

TEST(ActivityPlots, HistogramClassesPeakZoomAndLabels) {
    std::vector<int32_t> peaks(static_cast<size_t>(kChannelSlots) * 51, 0);
    auto at = [&](int ch, int b) -> int32_t& { return peaks[static_cast<size_t>(b) * kChannelSlots + ch]; };
    ChannelTable16 groups = Free();
    // No channel in the group: peak 100, every label "0.0" before the first record.
    HistogramPlan none = PlanHistogram(peaks, groups, 2, 0.0, 0);
    EXPECT_EQ(none.channels, 0);
    EXPECT_EQ(none.peak, 100);
    EXPECT_DOUBLE_EQ(none.zoom, 100 / 250.0 * 1.2);
    EXPECT_DOUBLE_EQ(none.nextZoom, none.zoom);
    for (const std::string& l : none.label) EXPECT_EQ(l, "0.0");

    // Group 2 on channels 7 and 9; class 3 means (40 + 61) / 2 = 50.5 -> 50.
    groups[7] = groups[9] = 2;
    groups[8] = 1;
    at(7, 3) = 40, at(9, 3) = 61, at(8, 3) = 1000, at(7, 30) = 5000;
    HistogramPlan p = PlanHistogram(peaks, groups, 2, 1.5, 3);
    EXPECT_EQ(p.channels, 2);
    EXPECT_DOUBLE_EQ(p.value[3], 50);
    EXPECT_EQ(p.peak, 50);
    EXPECT_DOUBLE_EQ(p.zoom, 50 / 250.0 * 1.2);
    EXPECT_DOUBLE_EQ(p.nextZoom, p.zoom + 0.2);  // 50 / 0.24 is above 50 units
    EXPECT_EQ(p.label[0], "0.5");
    EXPECT_EQ(p.label[25], "13.0");
    // Channels present but all classes empty: zoom 1.
    groups[9] = groups[7] = 4;
    HistogramPlan empty = PlanHistogram(std::vector<int32_t>(peaks.size(), 0), groups, 4, 2.0, 0);
    EXPECT_EQ(empty.peak, 0);
    EXPECT_DOUBLE_EQ(empty.zoom, 1.0);
    EXPECT_EQ(empty.label[1], "4.0");  // no record yet: the total itself
}

TEST(ActivityPlots, PlateGridAndCaptionsOfA384WellPlate) {
    PlateGeometry plate{16, 24, 4.5, 4.5, 1.2, 1.4};
    const PlateGridUnits u = GridUnits(plate);
    EXPECT_EQ(u.cp, 450);
    EXPECT_EQ(u.co, 140);
    EXPECT_EQ(u.ro, 120);
    RecordingSink sink;
    DrawPlateGridAndCaptions(plate, sink);
    EXPECT_EQ(sink.boxes, 384);
    ASSERT_EQ(sink.prints.size(), 40u);
    EXPECT_EQ(sink.prints.front().second, "A");
    EXPECT_EQ(sink.prints[15].second, "P");
    EXPECT_EQ(sink.prints[16].second, "1");
    EXPECT_EQ(sink.prints.back().second, "24");
    auto cols = ColumnCaptions(plate);
    EXPECT_DOUBLE_EQ(cols[1].x, 450 + 140 + 4.5 * 25);
    EXPECT_DOUBLE_EQ(cols[1].y, 120 - 100);
    auto rows = RowCaptions(plate);
    EXPECT_DOUBLE_EQ(rows[2].x, 140 - 50);
    EXPECT_DOUBLE_EQ(rows[2].y, 2 * 450 + 120 + 4.5 * 25);
}

TEST(ActivityPlots, CutOpenBarFillsOverItsOutline) {
    ChannelTable16 groups = Free(), counts{};
    groups[0] = 0;
    counts[0] = 600;
    GroupNames names;
    struct Boxes : RecordingSink {
        std::vector<double> tops;
        void FilledBox(double, double y1, double, double y2, uint32_t bgr) override {
            if (bgr == kPanelGrey) tops.push_back(std::max(y1, y2));
        }
        void Box(double, double y1, double, double y2, uint32_t) override { tops.push_back(std::max(y1, y2)); }
    } sink;
    DrawGroupBarPlan(PlanGroupBars(counts, groups, 0, 0, 1.0), names, sink);
    EXPECT_EQ(sink.tops, (std::vector<double>{255, 257}));
}

}  // namespace
}  // namespace vondrel
