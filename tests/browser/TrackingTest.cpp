// Single-animal path tracking: the threshold box, positions from the event
// marks of a well's channels, travel per block (also in raw files past the
// first), the drawing of a step, and the travel-distance CSV and its name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "PlateFixture.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "browser/Tracking.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Locale.h"

namespace vondrel::browser {
namespace {

using testing::GridPlate;

constexpr int kWindow = 500;  // the recording's buffer length: 501 samples a block

// Dips of a block: channel -> samples where its level drops (an event each).
using Dips = std::map<int, std::vector<int>>;

std::string RawBlock(const Dips& dips) {
    std::vector<int16_t> levels(static_cast<size_t>(kWindow + 1) * kChannelSlots);
    for (int s = 0; s <= kWindow; ++s)
        for (int c = 0; c < kChannelSlots; ++c)
            levels[static_cast<size_t>(s) * kChannelSlots + c] = static_cast<int16_t>(3000 + (s * 7 + c) % 11 - 5);
    for (const auto& [c, samples] : dips)
        for (int s : samples)
            for (int k = 0; k < 3; ++k) levels[static_cast<size_t>(s + k) * kChannelSlots + c] = 500;
    std::string bytes(levels.size() * 2, '\0');
    std::memcpy(bytes.data(), levels.data(), bytes.size());
    return bytes;
}

// A recording of `records` counts records (minute r + 1 each) whose raw
// blocks carry the given dips; blocks not named are flat, and raw files
// beyond the last named block's file are not written.
struct Recording {
    testing::TempFolder dir;
    Recording(int records, const std::map<int, Dips>& blocks) {
        std::string counts;
        for (int r = 0; r < records; ++r) {
            auto rec = BuildCountsRecord(r + 1, ChannelTable16{});
            counts.append(reinterpret_cast<const char*>(rec.data()), rec.size());
        }
        dir.Write("counts.bin", counts);
        const int lastFile = blocks.empty() ? -1 : blocks.rbegin()->first / kWindowsPerNumberedFile;
        for (int f = 0; f <= lastFile; ++f) {
            std::string file;
            for (int b = f * kWindowsPerNumberedFile; b < (f + 1) * kWindowsPerNumberedFile; ++b) {
                auto it = blocks.find(b);
                file += RawBlock(it == blocks.end() ? Dips{} : it->second);
            }
            dir.Write(RawFileName(f), file);
        }
    }
};

// Channel of grid cell (column, row).
int Cell(int column, int row) { return 16 * column + row; }

void Walk(TrackWalk& walk, int64_t steps, std::vector<PlotPrimitive>* drawn = nullptr) {
    for (int64_t i = 0; i < steps; ++i) walk.LocateAnimals(drawn);
}

TEST(TrackingTest, ThresholdBoxOutsideItsRangeBecomesDefault) {
    struct Case {
        const char* text;
        double value;
        bool reset;
    } cases[] = {{"1.1", 1.1, false}, {"6.0", 6.0, false}, {"6", 6.0, false}, {"2,5", 2.5, false},
                 {"6.01", 1.8, true}, {"6.1", 1.8, true},  {"1.0", 1.8, true}, {"", 1.8, true}, {"abc", 1.8, true}};
    for (const auto& k : cases) {
        auto t = ReadTrackThreshold(k.text);
        EXPECT_DOUBLE_EQ(t.value, k.value) << k.text;
        EXPECT_EQ(t.reset, k.reset) << k.text;
    }
    EXPECT_EQ(TravelMillimetres(2.3), 10);
    EXPECT_EQ(TravelMillimetres(0.1), 0);
    EXPECT_EQ(TravelMillimetres(1.0), 5);  // 4.5 rounds up
}

TEST(TrackingTest, PositionIsTheMeanCellOfActiveChannelsAndTravelClosesPerBlock) {
    // Well 0 (A1): cells (3,4) and (5,4) at sample 100, then (3,4) alone at
    // 300; well 3 (B2) moves two cells at 200 -> 250.
    Recording rec(3, {{0, {{Cell(3, 4), {100, 300}}, {Cell(5, 4), {100}}, {Cell(9, 9), {200}}, {Cell(11, 9), {250}}}}});
    auto plate = GridPlate(2, 3, 8);
    TrackWalk walk;
    ASSERT_TRUE(walk.Load(plate, rec.dir.Path(), kWindow));
    EXPECT_EQ(walk.records(), 3);
    EXPECT_EQ(walk.LastStep(), 1000);
    EXPECT_EQ(walk.StepText(), "0/1000");

    std::vector<PlotPrimitive> drawn;
    Walk(walk, 100, &drawn);  // now at sample 100
    EXPECT_EQ(walk.StepText(), "100/1000");
    auto red = std::find_if(drawn.begin(), drawn.end(), [](const PlotPrimitive& p) {
        return p.kind == PlotPrimitive::Kind::Circle && p.radius == 16 && p.bgr == 0x0000FF;
    });
    ASSERT_NE(red, drawn.end());
    EXPECT_DOUBLE_EQ(red->x1, 450);  // cell (4.0, 4.0)
    EXPECT_DOUBLE_EQ(red->y1, 450);
    EXPECT_DOUBLE_EQ(walk.Total(0), 0);  // the first place adds no travel
    auto label = std::find_if(drawn.begin(), drawn.end(),
                              [](const PlotPrimitive& p) { return p.kind == PlotPrimitive::Kind::Text; });
    ASSERT_NE(label, drawn.end());
    EXPECT_EQ(label->text, "0mm");

    Walk(walk, 400);  // sample 500 closes block 0
    EXPECT_EQ(walk.block(), 1);
    EXPECT_EQ(walk.sample(), 0);
    EXPECT_DOUBLE_EQ(walk.Travel(0, 0), 1.0);
    EXPECT_DOUBLE_EQ(walk.Travel(0, 3), 2.0);
    EXPECT_DOUBLE_EQ(walk.Travel(0, 1), 0.0);
    Walk(walk, 500);
    EXPECT_EQ(walk.StepText(), "1000/1000");
    EXPECT_DOUBLE_EQ(walk.Travel(1, 0), 0.0);
}

TEST(TrackingTest, ABlockInTheFourthRawFileIsTracked) {
    // Block 34 is block 1 of raw file 3; block 12 is block 1 of file 1.
    Dips moves{{Cell(17, 2), {10}}, {Cell(20, 2), {20}}, {Cell(20, 6), {30}}};
    Recording rec(36, {{12, moves}, {34, moves}});
    auto plate = GridPlate(2, 3, 8);
    TrackWalk walk;
    ASSERT_TRUE(walk.Load(plate, rec.dir.Path(), kWindow));
    Walk(walk, walk.LastStep());
    for (int b = 0; b < 36; ++b) EXPECT_DOUBLE_EQ(walk.Travel(b, 4), b == 12 ? 7.0 : b == 34 ? 12.0 : 0.0) << b;  // 34 starts 5 cells from where 12 ended
    EXPECT_EQ(walk.StepText(), "17500/17500");
}

TEST(TrackingTest, WithoutCountsNothingIsLoadedAndStepsDoNothing) {
    testing::TempFolder dir;
    auto plate = GridPlate(2, 3, 8);
    TrackWalk walk;
    EXPECT_FALSE(walk.Load(plate, dir.Path(), kWindow));
    EXPECT_FALSE(walk.loaded());
    walk.LocateAnimals(nullptr);
    EXPECT_EQ(walk.sample(), 0);

    // Counts but no raw files: the walk runs, nothing moves.
    Recording rec(2, {});
    ASSERT_TRUE(walk.Load(plate, rec.dir.Path(), kWindow));
    Walk(walk, walk.LastStep());
    EXPECT_EQ(walk.block(), 1);
    for (int w = 0; w < 6; ++w) EXPECT_DOUBLE_EQ(walk.Total(w), 0);
}

TEST(TrackingTest, TravelReportBytes) {
    Recording rec(2, {{0, {{Cell(3, 4), {100}}, {Cell(5, 4), {200}}}}});
    auto plate = GridPlate(2, 3, 8);
    plate.groupNames[0] = "Control";
    plate.groupNames[2] = "Other";
    plate.groupNames[7] = "Treated";
    plate.channelGroup[static_cast<size_t>(testing::ChannelOf(plate, 0, 0))] = 0;
    plate.channelGroup[static_cast<size_t>(testing::ChannelOf(plate, 2, 0))] = 7;
    plate.channelGroup[static_cast<size_t>(testing::ChannelOf(plate, 3, 1))] = 2;  // not its first beam
    TrackWalk walk;
    ASSERT_TRUE(walk.Load(plate, rec.dir.Path(), kWindow));
    Walk(walk, walk.LastStep());
    EXPECT_DOUBLE_EQ(walk.Travel(0, 0), 2.0);
    const std::string text = TravelDistanceReport(walk, plate, 1, ";", ",", "09.12.2026", "/data/p1/r1");
    EXPECT_EQ(text,
              "\"DATE:\";\"09.12.2026\"\r\n"
              "\"FILE:\";\"/data/p1/r1\"\r\n"
              "\r\n"
              "\"<<<<<< Travel Distance: [milimeter/acq_block] >>>>>>\"\r\n"
              "Group/Time[m];1,0;2,0\r\n"
              "\"000_Control\";9;0\r\n"
              "\"001_Free\";0;0\r\n"
              "\"002_Treated\";0;0\r\n"
              "\"003_Free\";0;0\r\n"
              "\"004_Free\";0;0\r\n"
              "\"005_Free\";0;0\r\n"
              "\r\n");
    EXPECT_NE(TravelDistanceReport(walk, plate, 1, ",", ".", "12/9/26", "f").find("Group/Time[m],1.0,2.0\r\n"),
              std::string::npos);
}

struct Opener : platform::DesktopOpener {
    std::vector<std::string> opened;
    bool Open(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
};

TEST(TrackingTest, ReportNameLeavesTheActivityReportAloneAndPassesOverUnwritableNames) {
    testing::TempFolder dir;
    dir.Write("report.csv", "activity");
    EXPECT_EQ(FindTrackReportName(dir.Path(), ".csv"), "travel_report");
    EXPECT_EQ(dir.Read("report.csv"), "activity");
    EXPECT_EQ(FindTrackReportName(dir.Path(), ".csv"), "travel_report");  // writable: used again
    // A name that cannot be written (here a folder holds it) is passed over.
    std::remove((dir / "travel_report.csv").c_str());
    ASSERT_TRUE(platform::MakeFolder(dir / "travel_report.csv"));
    ASSERT_TRUE(platform::MakeFolder(dir / "travel_report_1.csv"));
    EXPECT_EQ(FindTrackReportName(dir.Path(), ".csv"), "travel_report_2");
    // A folder that takes no new file stops at once.
    EXPECT_EQ(FindTrackReportName(dir / "missing", ".csv"), std::nullopt);
}

TEST(TrackingTest, ExportWritesAndOpensByFullPathOrTellsTheFailure) {
    Recording rec(2, {});
    auto plate = GridPlate(2, 3, 8);
    TrackWalk walk;
    ASSERT_TRUE(walk.Load(plate, rec.dir.Path(), kWindow));
    Opener opener;
    platform::SetDesktopOpener(&opener);
    platform::SetListSeparatorForTest(";");
    platform::SetShortDateFormatForTest("%d.%m.%Y");
    platform::SetClockForTest([] { return platform::FromLocal({2026, 12, 9, 14, 5, 0}); });
    const std::string path = ExportTravelDistance(walk, plate, rec.dir.Path(), 1);
    EXPECT_EQ(path, rec.dir / "travel_report.csv");
    EXPECT_EQ(opener.opened, std::vector<std::string>{path});
    EXPECT_EQ(rec.dir.Read("travel_report.csv").substr(0, 20), "\"DATE:\";\"09.12.2026\"");

    {
        testing::ScriptedDialogs boxes;
        const std::string missing = rec.dir / "gone";
        boxes.ExpectMessage("Error writing " + platform::JoinPath(missing, "travel_report.csv"));
        EXPECT_EQ(ExportTravelDistance(walk, plate, missing, 1), "");
    }
    EXPECT_EQ(opener.opened.size(), 1u);
    platform::SetDesktopOpener(nullptr);
    platform::SetListSeparatorForTest("");
    platform::SetShortDateFormatForTest("");
    platform::SetClockForTest({});
}

}  // namespace
}  // namespace vondrel::browser
