// The plate group editor: block shapes, the group list, well and channel
// lists, presses, drags and "Go...", the plate drawing, and saving the group
// files with backups, whole or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PlateFixture.h"
#include "TempFolder.h"
#include "browser/GroupEditor.h"
#include "platform/Files.h"
#include "store/ChannelFiles.h"

namespace vondrel::browser {
namespace {

using testing::ChannelOf;
using testing::GridPlate;

// The picture point at the centre of a well of a GridPlate of pitch 2.
double X(int col) { return col * 200 + 100; }
double Y(int row) { return row * 200 + 100; }

TEST(GroupEditorTest, BlockShapesRunByColumnCountThenRowCount) {
    struct Case {
        int rows, cols;
        size_t count;
        std::vector<std::string> first;
        int initial;
    } cases[] = {
        {16, 24, 35, {"01x01", "02x01", "04x01", "08x01", "16x01", "01x02"}, 2},
        {8, 12, 24, {"01x01", "02x01", "04x01", "08x01", "01x02"}, 2},
        {2, 3, 4, {"01x01", "02x01", "01x03", "02x03"}, 2},
        {1, 1, 1, {"01x01"}, 0},
        {1, 17, 1, {"01x01"}, 0},
        {3, 1, 2, {"01x01", "03x01"}, 0},
    };
    for (const auto& c : cases) {
        auto items = BlockShapeItems(c.rows, c.cols);
        SCOPED_TRACE(std::to_string(c.rows) + "x" + std::to_string(c.cols));
        ASSERT_EQ(items.size(), c.count);
        for (size_t i = 0; i < c.first.size(); ++i) EXPECT_EQ(items[i], c.first[i] + " [RowsxColumn]");
        EXPECT_EQ(InitialBlockShape(static_cast<int>(items.size())), c.initial);
    }
    EXPECT_EQ(BlockShapeItems(16, 24)[2], "04x01 [RowsxColumn]");
}

TEST(GroupEditorTest, GroupListSequenceFromClearThroughPressAndRelease) {
    auto c = GridPlate(8, 12, 2);
    ClearAllGroups(c);
    auto combo = FillGroupCombo(c, 0);
    EXPECT_EQ(combo.items, (std::vector<std::string>{"000_Free"}));
    EXPECT_EQ(ItemGroup(combo.items[combo.selected]), 0);

    GroupEditorState state;
    ASSERT_TRUE(PointerPress(c, state, X(0), Y(1), 0, true));  // B1
    combo = FillGroupCombo(c, 0);
    EXPECT_EQ(combo.items, (std::vector<std::string>{"000_Free", "001_Free"}));
    EXPECT_EQ(c.groupNames[0], "Group0");
    ASSERT_TRUE(PointerRelease(c, state, X(0), Y(1), 0, true));
    combo = FillGroupCombo(c, 0);
    EXPECT_EQ(combo.items, (std::vector<std::string>{"000_Group0", "001_Free"}));

    // A group that is not in the list selects the first item.
    EXPECT_EQ(FillGroupCombo(c, 7).selected, 0);
    EXPECT_EQ(FillGroupCombo(c, 1).selected, 1);
    EXPECT_EQ(ItemGroup("017_x"), 17);
    EXPECT_EQ(ItemGroup(""), 0);
}

TEST(GroupEditorTest, DragTakesEveryEnabledChannelOfTheRectanglePressOnlyFreeOnes) {
    auto c = GridPlate(8, 12, 2);
    ClearAllGroups(c);
    // B2 (well 9): beam 0 in group 4, beam 1 free; C3 (well 18) beam 2 disabled.
    c.channelGroup[ChannelOf(c, 9, 0)] = 4;
    c.channelEnabled[ChannelOf(c, 18, 2)] = false;

    GroupEditorState state;
    ASSERT_TRUE(PointerPress(c, state, X(1), Y(1), 2, true));
    EXPECT_EQ(c.channelGroup[ChannelOf(c, 9, 0)], 4);
    EXPECT_EQ(c.channelGroup[ChannelOf(c, 9, 1)], 2);
    EXPECT_EQ(c.channelGroup[ChannelOf(c, 17, 0)], -1);  // B3 untouched by the press

    ASSERT_TRUE(PointerRelease(c, state, X(3), Y(2), 2, true));  // C4
    EXPECT_EQ(ListGroupWells(c, 2), (std::vector<std::string>{"B2", "C2", "B3", "C3", "B4", "C4"}));
    EXPECT_EQ(c.channelGroup[ChannelOf(c, 9, 0)], 2);
    EXPECT_EQ(c.channelGroup[ChannelOf(c, 18, 2)], -1);
    EXPECT_EQ(c.channelGroup[ChannelOf(c, 0, 0)], -1);
    EXPECT_FALSE(state.drag_active);

    // A right click frees the enabled channels of one well only.
    c.channelGroup[ChannelOf(c, 18, 2)] = 6;
    ASSERT_TRUE(PointerPress(c, state, X(2), Y(2), 2, false));
    for (int b = 0; b < 4; ++b) EXPECT_EQ(c.channelGroup[ChannelOf(c, 18, b)], b == 2 ? 6 : -1);
    EXPECT_EQ(c.channelGroup[ChannelOf(c, 10, 0)], 2);
}

TEST(GroupEditorTest, PressesAndReleasesOffThePlateChangeNothing) {
    auto c = GridPlate(8, 12, 2);
    ClearAllGroups(c);
    const auto before = c.channelGroup;
    GroupEditorState state;
    EXPECT_FALSE(PointerPress(c, state, X(12), Y(0), 1, true));   // past the last column
    EXPECT_FALSE(PointerPress(c, state, X(0), Y(8), 1, true));    // past the last row
    EXPECT_FALSE(PointerRelease(c, state, X(12), Y(8), 1, true));
    EXPECT_EQ(c.channelGroup, before);

    // The pointer marks: six figures on the plate, none off it; the flag
    // keeps a press off until the pointer was back on the plate once.
    auto marks = PointerMove(c, state, X(3), Y(2));
    ASSERT_EQ(marks.size(), 6u);
    EXPECT_EQ(marks[2].y1, 400);
    EXPECT_EQ(marks[2].y2, 600);
    EXPECT_EQ(marks[5].x1, 600);
    EXPECT_EQ(marks[5].x2, 800);
    EXPECT_TRUE(PointerMove(c, state, X(13), Y(2)).empty());
    EXPECT_TRUE(state.pointer_outside);
    EXPECT_FALSE(PointerPress(c, state, X(1), Y(1), 1, true));
    EXPECT_TRUE(PointerMove(c, state, X(1), Y(1)).empty());  // the old mark was off the plate
    EXPECT_EQ(PointerMove(c, state, X(1), Y(1)).size(), 6u);
    EXPECT_TRUE(PointerPress(c, state, X(1), Y(1), 1, true));
    EXPECT_EQ(c.channelGroup[ChannelOf(c, 9, 0)], 1);
}

TEST(GroupEditorTest, GoLaysBlocksDownEachColumnBand) {
    struct Case {
        const char* shape;
        bool firstBeamOfA1Disabled;
        int group;
        std::vector<std::string> wells;
    } cases[] = {
        {"08x12 [RowsxColumn]", false, 0, {}},  // every well: checked by count below
        {"02x03 [RowsxColumn]", false, 0, {"A1", "B1", "A2", "B2", "A3", "B3"}},
        {"02x03 [RowsxColumn]", false, 1, {"C1", "D1", "C2", "D2", "C3", "D3"}},
        {"02x03 [RowsxColumn]", false, 4, {"A4", "B4", "A5", "B5", "A6", "B6"}},
        {"02x03 [RowsxColumn]", true, 0, {"B1", "A2", "B2", "A3", "B3"}},
        {"02x03 [RowsxColumn]", true, 1, {"C1", "D1", "C2", "D2", "C3", "D3"}},
        {"02x03 [RowsxColumn]", true, 15, {"G10", "H10", "G11", "H11", "G12", "H12"}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.shape) + " group " + std::to_string(k.group));
        auto c = GridPlate(8, 12, 2);
        if (k.firstBeamOfA1Disabled) c.channelEnabled[ChannelOf(c, 0, 0)] = false;
        LayBlocks(c, k.shape);
        if (k.wells.empty()) {
            EXPECT_EQ(ListGroupWells(c, k.group).size(), 96u);
            EXPECT_EQ(c.groupNames[1], "Free");
        } else {
            EXPECT_EQ(ListGroupWells(c, k.group), k.wells);
        }
        EXPECT_EQ(c.groupNames[k.group], "Group" + std::to_string(k.group));
    }
    // 01x01: one group per well, Group0..Group95.
    auto c = GridPlate(8, 12, 2);
    LayBlocks(c, "01x01 [RowsxColumn]");
    for (int w = 0; w < 96; ++w) EXPECT_EQ(c.channelGroup[ChannelOf(c, w, 3)], w);
    EXPECT_EQ(c.groupNames[95], "Group95");
    EXPECT_EQ(c.groupNames[96], "Free");
}

TEST(GroupEditorTest, WellAndChannelListsSkipWellsWithoutFirstBeamAndDisabledChannels) {
    auto c = GridPlate(2, 3, 8);
    ClearAllGroups(c);
    c.wellBeamChannel[1][0] = -1;  // B1 has no first beam
    c.channelEnabled[ChannelOf(c, 0, 1)] = false;
    EXPECT_EQ(ListGroupWells(c, -1), (std::vector<std::string>{"A1", "A2", "B2", "A3", "B3"}));
    EXPECT_TRUE(ListGroupWells(c, -2).empty());
    auto free = ListEditorFreeChannels(c);
    EXPECT_EQ(free.size(), 383u);
    EXPECT_EQ(free[0], "A1.0");
    EXPECT_EQ(free[1], "A1.2");
    c.channelGroup[ChannelOf(c, 5, 9)] = 3;
    EXPECT_EQ(ListEditorGroupChannels(c, 3), (std::vector<std::string>{"B3.9"}));
    EXPECT_TRUE(ListEditorGroupChannels(c, -2).empty());
}

TEST(GroupEditorTest, PlateDrawingLabelsGroupsByColourAndSkipsWellsWithoutFirstBeam) {
    auto c = GridPlate(2, 3, 8);
    c.colOffset = 0.5;
    for (int w = 0; w < 6; ++w) c.channelGroup[ChannelOf(c, w, 0)] = static_cast<int16_t>(w);
    c.channelGroup[ChannelOf(c, 4, 0)] = 4;
    c.channelGroup[ChannelOf(c, 5, 0)] = 5;
    c.wellBeamChannel[3][0] = -1;
    c.channelEnabled[0] = false;
    auto plan = PlateGroupsPlan(c);
    EXPECT_EQ(plan.left, 0);
    EXPECT_EQ(plan.top, -50);
    EXPECT_EQ(plan.right, 2450);
    EXPECT_EQ(plan.bottom, 1650);
    std::vector<std::pair<std::string, uint32_t>> labels;
    int boxes = 0, yellow = 0;
    for (const auto& p : plan.items) {
        if (p.kind == PlotPrimitive::Kind::Text && p.text[0] == 'G') labels.emplace_back(p.text, p.bgr);
        if (p.kind == PlotPrimitive::Kind::Box) ++boxes;
        if (p.kind == PlotPrimitive::Kind::Circle && p.bgr == 0x00FFFF) ++yellow;
    }
    EXPECT_EQ(labels, (std::vector<std::pair<std::string, uint32_t>>{
                          {"G0", 0x00FF00}, {"G1", 0xFF0000}, {"G2", 0x0000FF}, {"G4", 0x00FF00}, {"G5", 0xFF0000}}));
    EXPECT_EQ(boxes, 6);
    EXPECT_EQ(yellow, 1);
}

TEST(GroupEditorTest, BackupStampIsYearDayOfYearMonthDayHourMinute) {
    struct Case {
        platform::LocalTime at;
        const char* stamp;
    } cases[] = {
        {{2026, 12, 9, 14, 5, 0}, "2634312091405"},
        {{2027, 1, 1, 0, 0, 0}, "27101010000"},
        {{2028, 12, 31, 23, 59, 0}, "2836612312359"},
        {{2030, 3, 1, 7, 8, 0}, "306003010708"},
    };
    for (const auto& k : cases) EXPECT_EQ(GroupBackupStamp(platform::FromLocal(k.at)), k.stamp);
}

struct SaveFixture : ::testing::Test {
    testing::TempFolder dir;
    AcquisitionConfig c = GridPlate(2, 3, 8);
    platform::TimePoint at = platform::FromLocal({2026, 12, 9, 14, 5, 0});
    void SetUp() override {
        dir.Write("groups.dat", "old names\r\n");
        dir.Write("chgroup.dat", "old groups\r\n");
        c.groupNames[0] = "Control";
        c.channelGroup[3] = 0;
    }
    void TearDown() override { platform::SetReplaceFaultForTest({}); }
};

TEST_F(SaveFixture, WritesBothFilesAfterTheirBackups) {
    ASSERT_EQ(SaveGroupFiles(dir.Path(), c.groupNames, c.channelGroup, at), 1);
    EXPECT_EQ(dir.Read("groups.dat"), GroupNamesFileText(c.groupNames));
    EXPECT_EQ(dir.Read("chgroup.dat"), ChannelGroupsFileText(c.channelGroup));
    EXPECT_EQ(dir.Read("groups.bak"), "old names\r\n");
    EXPECT_EQ(dir.Read("groups2634312091405.bak"), "old names\r\n");
    EXPECT_EQ(dir.Read("chgroup.bak"), "old groups\r\n");
    EXPECT_EQ(dir.Read("chgroup2634312091405.bak"), "old groups\r\n");
    // A second save in the same minute overwrites the stamped backups.
    const std::string first = dir.Read("groups.dat");
    c.groupNames[0] = "Treated";
    ASSERT_EQ(SaveGroupFiles(dir.Path(), c.groupNames, c.channelGroup, at), 1);
    EXPECT_EQ(dir.Read("groups2634312091405.bak"), first);
    EXPECT_NE(dir.Read("groups.dat").find("\"Treated\""), std::string::npos);
}

TEST_F(SaveFixture, AFailingWriteKeepsBothFilesAsTheyWere) {
    // The first or the second file cannot be put in place.
    for (int failingRename : {1, 2}) {
        SCOPED_TRACE(failingRename);
        int renames = 0;
        platform::SetReplaceFaultForTest([&](std::string_view step) {
            return step != "rename" || ++renames != failingRename;
        });
        EXPECT_EQ(SaveGroupFiles(dir.Path(), c.groupNames, c.channelGroup, at), 0);
        platform::SetReplaceFaultForTest({});
        EXPECT_EQ(dir.Read("groups.dat"), "old names\r\n");
        EXPECT_EQ(dir.Read("chgroup.dat"), "old groups\r\n");
        EXPECT_EQ(dir.Read("groups.bak"), "old names\r\n");
    }
    // Without a groups.dat before, a failed pair leaves none behind.
    std::remove((dir / "groups.dat").c_str());
    int renames = 0;
    platform::SetReplaceFaultForTest([&](std::string_view step) { return step != "rename" || ++renames != 2; });
    EXPECT_EQ(SaveGroupFiles(dir.Path(), c.groupNames, c.channelGroup, at), 0);
    EXPECT_FALSE(dir.Exists("groups.dat"));
    EXPECT_EQ(dir.Read("chgroup.dat"), "old groups\r\n");
}

}  // namespace
}  // namespace vondrel::browser
