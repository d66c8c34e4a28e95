// The setup window's rules without a window: project numbers and list items,
// the parameter boxes, plate formats, arrangements and group edits.
#include <gtest/gtest.h>

#include "TempFolder.h"
#include "platform/ProgramFolder.h"
#include "setup/PlateGroups.h"
#include "setup/ProjectRules.h"
#include "store/FreshFolder.h"
#include "store/Globals.h"
#include "store/PlateMap.h"

using namespace vondrel;
using namespace vondrel::setup;

TEST(ProjectRulesTest, NumbersFoldersAndListItems) {
    EXPECT_EQ(ProjectFolderName(12), "p00012");
    EXPECT_EQ(NextProjectNumber(0), 1);
    EXPECT_EQ(NextProjectNumber(31999), 32000);
    EXPECT_EQ(NextProjectNumber(32000), 1);
    EXPECT_TRUE(IsProjectEntryName("p00012"));
    EXPECT_TRUE(IsProjectEntryName("pABCDE"));
    EXPECT_FALSE(IsProjectEntryName("p0001"));
    EXPECT_FALSE(IsProjectEntryName("p000123"));
    EXPECT_FALSE(IsProjectEntryName("p0.001"));
    EXPECT_FALSE(IsProjectEntryName("w00012"));

    EXPECT_EQ(ProjectListItem("p00012", "<Project> p00012: Larvae"), "p00012_Larvae");
    EXPECT_EQ(ProjectListItem("p00012", "<Project> p00012: SETUP NOT FOUND!!"), "p00012_SETUP NOT FOUND!!");
    EXPECT_EQ(ProjectListItem("p00012", "ERROR on SETUP.DAT FILE!!!"), "p00012_RROR on SETUP.DAT FILE!!!");

    struct {
        const char* item;
        const char* folder;
        long number;
    } items[] = {{"p00012_Larvae", "p00012", 12}, {"px1234_x", "px1234", 1234}, {"pABCDE_x", "pABCDE", 0},
                 {"p00000_Default", "p00000", 0}, {"p40000_Big", "p40000", 40000}};
    for (auto i : items) {
        auto c = ParseProjectListItem(i.item);
        ASSERT_TRUE(c) << i.item;
        EXPECT_EQ(c->folderName, i.folder) << i.item;
        EXPECT_EQ(c->number, i.number) << i.item;
    }
    EXPECT_FALSE(ParseProjectListItem(""));
}

TEST(ProjectRulesTest, DetectionSummaryAndOrganisms) {
    EXPECT_EQ(DetectionSummary(1, 0, 18, "."), "Detection Mode1, C.elegans [snr 1.8]");
    EXPECT_EQ(DetectionSummary(3, 3, 8, ","), "Detection Mode3, Drosophila [snr 0,8]");
    EXPECT_EQ(DetectionSummary(1, 7, 0, "."), "Detection Mode1,  [snr 0.0]");
    EXPECT_EQ(PlainSnrText(18), "1.8");
    EXPECT_EQ(PlainSnrText(20), "2");
    int snr[] = {18, 28, 18, 8}, method[] = {1, 1, 2, 3};
    for (int o = 0; o < 4; ++o) {
        EXPECT_EQ(OrganismSnrTenths(o), snr[o]);
        EXPECT_EQ(OrganismMethod(o), method[o]);
    }
    EXPECT_EQ(OrganismShortName(4), "");
}

TEST(ProjectRulesTest, ParameterBoxes) {
    struct {
        const char* text;
        int value;
        const char* replace;  // nullptr: the typed text stays
    } lapse[] = {{"", 2, "2"},        {"0", 2, "2"},      {"-5", 2, "2"},         {"40000", 32000, "32000"},
                 {"32000", 32000, "32000"}, {"31999.4", 31999, nullptr}, {"0.4", 0, nullptr}, {"2.5", 2, nullptr},
                 {"45,5", 46, nullptr}, {"abc", 2, "2"}, {"1e9", 32000, "32000"}, {"-1e9", 2, "2"}};
    for (auto l : lapse) {
        BoxRule r = LapseRule(l.text);
        EXPECT_EQ(r.value, l.value) << l.text;
        EXPECT_EQ(r.replaceText.has_value(), l.replace != nullptr) << l.text;
        if (l.replace && r.replaceText) {
            EXPECT_EQ(*r.replaceText, l.replace) << l.text;
        }
    }
    struct {
        const char* text;
        int value;
        bool replaced;
    } buffer[] = {{"150", 200, true}, {"12000", 200, true}, {"10000", 10000, false}, {"200", 200, false},
                  {"", 200, true},    {"500", 500, false}};
    for (auto b : buffer) {
        BoxRule r = BufferRule(b.text);
        EXPECT_EQ(r.value, b.value) << b.text;
        EXPECT_EQ(r.replaceText.has_value(), b.replaced) << b.text;
    }
    EXPECT_EQ(WholeNumberRule("99", 5), 99);
    EXPECT_EQ(WholeNumberRule("40000", 5), 5);
    EXPECT_EQ(WholeNumberRule("", 5), 0);

    EXPECT_EQ(ReformatSnrText("2", "."), "2.0");
    EXPECT_EQ(ReformatSnrText("2,5", ","), "2,5");
    EXPECT_EQ(ReformatSnrText("2.5", ","), "2,5");
    EXPECT_EQ(ReformatSnrText("x", "."), "x");

    struct {
        const char* text;
        int organism;
        bool accepted;
        int tenths;
        const char* message;
    } snr[] = {{"1.0", 3, false, 8, "Enter a valid SNR: 0.5 to 0.9"},
               {"0.5", 3, true, 5, ""},
               {"0.95", 3, true, 10, ""},  // below 1.0, rounded to tenths
               {"5.0", 0, true, 50, ""},
               {"5.1", 0, false, 18, "Enter a valid SNR: 1.4 to 5.0"},
               {"1.3", 1, false, 28, "Enter a valid SNR: 1.4 to 5.0"},
               {"2,5", 0, true, 25, ""},
               {"abc", 2, false, 18, "Enter a valid SNR: 1.4 to 5.0"}};
    for (auto s : snr) {
        SnrCheck c = CheckSnr(s.text, s.organism);
        EXPECT_EQ(c.accepted, s.accepted) << s.text;
        if (s.accepted) {
            EXPECT_EQ(c.tenths, s.tenths) << s.text;
        } else {
            EXPECT_EQ(c.message, s.message) << s.text;
            ASSERT_TRUE(c.defaultTenths) << s.text;
            EXPECT_EQ(*c.defaultTenths, s.tenths) << s.text;
        }
    }
    SnrCheck none = CheckSnr("9", -1);
    EXPECT_FALSE(none.accepted);
    EXPECT_FALSE(none.defaultTenths);
}

TEST(PlateFormatTest, InfoCodesAndListing) {
    EXPECT_EQ(PlateFormatInfo("w96flat"),
              "96 Wells flat bottom [4microbeams/well]\r\nUSE 'W384' or 'W96x4' plate Adapter\r\n"
              "NOTE: DISCONTINUED. Contact provider");
    EXPECT_EQ(PlateFormatInfo("w384"), "384 Well microplate [1microbeams/well]\r\nUSE 'W384' plate Adapter");
    EXPECT_EQ(PlateFormatInfo("w96"), "");
    EXPECT_EQ(PlateFormatInfo("W384"), "");
    for (const char* bad : {"", ".", "..", "../w384", "a\\b", "/w384"}) EXPECT_FALSE(IsPlateCodeUsable(bad)) << bad;
    EXPECT_TRUE(IsPlateCodeUsable("w384"));
    EXPECT_EQ(PlateFormatsOf({"W24.DAT", "config.dat", "w384.dat", "w6.dat.bak", "w.dat", "x.dat", "w96"}),
              (std::vector<std::string>{"w24", "w384", "w"}));

    auto sets = ArrangementSets(8, 12);
    ASSERT_EQ(sets.size(), 24u);
    EXPECT_EQ(sets[0], "01x01 [RowsxColumn]");
    EXPECT_EQ(sets[2], "04x01 [RowsxColumn]");
    EXPECT_EQ(sets[4], "01x02 [RowsxColumn]");
    EXPECT_EQ(DefaultArrangementIndex(24), 2);
    EXPECT_EQ(ArrangementSets(1, 2).size(), 2u);
    EXPECT_EQ(DefaultArrangementIndex(2), 0);
}

class GroupEditTest : public ::testing::Test {
protected:
    GroupEditTest() {
        platform::SetProgramFolderForTest(home.Path());
        Use("w96f");
        g_channel_enabled.fill(-1);
        for (int s = 0; s < kStations; ++s) ClearGroups(StationGroups(s));
    }
    static void Use(const char* code) {
        SetStandardPlateMap(code);
        BuildWellBeamIndex();
    }
    static int WellOf(const char* name) { return WellOfLabel(std::string(name) + ".0"); }
    vondrel::testing::TempFolder home;
};

TEST_F(GroupEditTest, GroupListEntries) {
    GroupSetRef set = StationGroups(0);
    EXPECT_EQ(BuildGroupEntries(set), (std::vector<std::string>{"000_Free"}));
    MoveWell(set.groups, 0, 0);
    MoveWell(set.groups, 1, 3);
    EXPECT_EQ(BuildGroupEntries(set),
              (std::vector<std::string>{"000_Free", "001_Free", "002_Free", "003_Free", "004_Free"}));
    EXPECT_EQ(BuildGroupEntries(set),
              (std::vector<std::string>{"000_Group0", "001_Free", "002_Free", "003_Group3", "004_Free"}));
    EXPECT_EQ(EntryGroup("003_Group3"), 3);
}

TEST_F(GroupEditTest, MovesTakeTheWholeWellOfTheSelectedStationOnly) {
    // w96f: well A1 has channels 0 and 16; a disabled beam moves too.
    g_channel_enabled[16] = 0;
    ChannelTable16& s2 = StationChannelGroups(1);
    MoveWell(s2, WellOf("A1"), 2);
    EXPECT_EQ(s2[0], 2);
    EXPECT_EQ(s2[16], 2);
    EXPECT_EQ(StationChannelGroups(0)[0], -1);
    EXPECT_EQ(GroupChannelLabels(s2, 2), (std::vector<std::string>{"A1.0"}));  // the enabled one is listed
    EXPECT_EQ(FreeChannelLabels(s2).size(), 2u * 96 - 2);
    MoveWell(s2, WellOf("A1"), -1);
    EXPECT_EQ(s2[16], -1);
    // A well the map does not hold, and the table's 0 where no channel lies,
    // move nothing (channel 0 is A1's, not a fill value).
    MoveWell(s2, 200, 5);
    EXPECT_EQ(s2[0], -1);
    EXPECT_EQ(ChannelAt(0, 0), 0);
    EXPECT_EQ(ChannelAt(5, 7), -1);
    EXPECT_EQ(ChannelAt(96, 0), -1);
}

TEST_F(GroupEditTest, AutoArrangement) {
    Use("w96u");
    GroupSetRef set = StationGroups(0);
    auto groupOf = [&](const char* well) { return set.groups[ChannelAt(WellOf(well), 0)]; };
    AutoArrangeGroups(set, "02x03 [RowsxColumn]");
    EXPECT_EQ(BuildGroupEntries(set).size(), 17u);
    for (const char* w : {"A1", "B1", "A2", "B2", "A3", "B3"}) EXPECT_EQ(groupOf(w), 0) << w;
    for (const char* w : {"C1", "D1", "C2", "D2", "C3", "D3"}) EXPECT_EQ(groupOf(w), 1) << w;
    EXPECT_EQ(groupOf("H12"), 15);
    EXPECT_EQ(set.names[15], "Group15");
    EXPECT_EQ(set.names[16], "Free");

    AutoArrangeGroups(set, "01x01 [RowsxColumn]");
    for (int w = 0; w < 96; ++w) EXPECT_EQ(set.groups[ChannelAt(w, 0)], w);

    // A1's only beam disabled: it stays free and the blocks keep their places.
    g_channel_enabled[ChannelAt(0, 0)] = 0;
    AutoArrangeGroups(set, "02x03 [RowsxColumn]");
    EXPECT_EQ(groupOf("A1"), -1);
    EXPECT_EQ(groupOf("B1"), 0);
    for (const char* w : {"C1", "D1", "C2", "D2", "C3", "D3"}) EXPECT_EQ(groupOf(w), 1) << w;
    EXPECT_EQ(groupOf("H12"), 15);
    EXPECT_EQ(StationChannelGroups(1)[ChannelAt(WellOf("B1"), 0)], -1);
}

TEST_F(GroupEditTest, PointerPressAndRelease) {
    Use("w96u");  // offsets -0.5, pitch 2
    PlateCell c = CellAt(-50 + 250, -50 + 450);
    EXPECT_EQ(c.col, 1);
    EXPECT_EQ(c.row, 2);
    c = CellAt(-500, -500);
    EXPECT_EQ(c.col, 0);
    EXPECT_EQ(c.row, 0);
    EXPECT_FALSE(CellOnPlate(CellAt(2400, 100)));

    ChannelTable16& g = StationChannelGroups(0);
    PressWell(g, 0, 4, true);
    EXPECT_EQ(g[ChannelAt(0, 0)], 4);
    PressWell(g, 0, 5, true);  // taken channels are not taken again by a press
    EXPECT_EQ(g[ChannelAt(0, 0)], 4);
    ReleaseRectangle(g, {0, 0}, {1, 2}, 5, true);  // a drag over A1..B3
    EXPECT_EQ(g[ChannelAt(0, 0)], 5);
    EXPECT_EQ(g[ChannelAt(WellOf("B3"), 0)], 5);
    EXPECT_EQ(g[ChannelAt(WellOf("C1"), 0)], -1);
    PressWell(g, WellOf("B3"), 0, false);
    EXPECT_EQ(g[ChannelAt(WellOf("B3"), 0)], -1);
}

TEST_F(GroupEditTest, PlatePlan) {
    struct {
        const char* code;
        size_t outlines;
        double left, top;
    } formats[] = {{"w384", 384, -100, -100}, {"w96f", 96, -100, -150}, {"w48", 48, 0, 0}};
    for (auto f : formats) {
        Use(f.code);
        ChannelTable16& g = StationChannelGroups(0);
        g.fill(-1);
        PlatePlan p = BuildPlatePlan(g);
        EXPECT_EQ(p.outlines.size(), f.outlines) << f.code;
        EXPECT_EQ(p.beams.size(), 384u) << f.code;
        EXPECT_TRUE(p.labels.empty()) << f.code;
        EXPECT_EQ(p.headings.size(), static_cast<size_t>(g_plate_rows + g_plate_cols)) << f.code;
        if (std::string(f.code) != "w48") {
            EXPECT_EQ(p.left, f.left) << f.code;
            EXPECT_EQ(p.top, f.top) << f.code;
        }
        // Yellow beams: disabled channels and channels off the plate.
        size_t yellow = 0, off = 0;
        for (int c = 0; c < kChannels; ++c) off += g_channel_well[c] < 0 || g_channel_enabled[c] == 0;
        for (const PlateCircle& b : p.beams) yellow += b.colour == Bgr(255, 255, 0);
        EXPECT_EQ(yellow, off) << f.code;
    }
    Use("w96f");
    ChannelTable16& g = StationChannelGroups(0);
    for (int grp = 0; grp < 5; ++grp) MoveWell(g, grp, grp);
    g[ChannelAt(5, 0)] = -1;
    g[ChannelAt(5, 1)] = 2;  // a well whose first beam is free gets no label
    PlatePlan p = BuildPlatePlan(g);
    ASSERT_EQ(p.labels.size(), 5u);
    const uint32_t colours[] = {Bgr(0, 128, 0), Bgr(0, 0, 128), Bgr(255, 0, 0), Bgr(255, 150, 0), Bgr(0, 128, 0)};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(p.labels[k].text, "G" + std::to_string(k));
        EXPECT_EQ(p.labels[k].colour, colours[k]);
    }
    EXPECT_EQ(p.outlines[0].x2 - p.outlines[0].x1, 200);
}
