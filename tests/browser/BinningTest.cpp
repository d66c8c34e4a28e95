// Group activity tables from counts.bin: time bins, whole recording, tag
// columns in date order, channel totals and the acquisition date.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "browser/Binning.h"
#include "platform/Clock.h"

namespace vondrel::browser {
namespace {

using testing::ScriptedDialogs;
using testing::TempFolder;

struct Rec {
    int32_t minutes;
    int16_t count;  // given to every counted channel
};

std::string CountsBytes(const std::vector<Rec>& recs) {
    std::string out;
    for (const Rec& r : recs) {
        ChannelTable16 t{};
        for (int c = 0; c < kCountedChannels; ++c) t[c] = r.count;
        t[384] = 215;  // temperature, never counted
        auto b = BuildCountsRecord(r.minutes, t);
        out.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    return out;
}

// Channel 0 in group 0 alone, channels 1 and 2 in group 1, the rest free.
std::vector<int16_t> SmallLayout() {
    std::vector<int16_t> g(385, -1);
    g[0] = 0;
    g[1] = 1;
    g[2] = 1;
    return g;
}

std::vector<Rec> Minutes(int from, int to, int16_t count = 1) {
    std::vector<Rec> v;
    for (int m = from; m <= to; ++m) v.push_back({m, count});
    return v;
}

// Which column each record landed in: every record counts 1 in channel 0,
// so the group-0 cell of a column is the number of its records.
std::vector<int> RecordsPerColumn(const GroupBinTable& t) {
    std::vector<int> v;
    for (int b = 1; b <= t.bin_count; ++b) v.push_back(static_cast<int>(t.at(b, 0)));
    return v;
}

TEST(BinGroupActivity, TimeBinsTakeEveryRecordByItsMinute) {
    struct Case {
        const char* what;
        std::vector<Rec> recs;
        int binMinutes;
        std::vector<int> perColumn;
    };
    std::vector<Rec> gap = Minutes(0, 4);
    gap.push_back({20, 1});
    gap.push_back({21, 1});
    std::vector<Rec> twice = Minutes(0, 9);
    for (int m = 0; m <= 9; ++m) twice.push_back({m, 1});
    std::vector<Rec> upTo64 = Minutes(1, 64);
    upTo64.push_back({64, 1});
    const Case cases[] = {
        {"minutes 1..62", Minutes(1, 62), 5, {4, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 3}},
        {"minutes 1..64, 64 twice", upTo64, 5, {4, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 6, 0}},
        {"largest minute 2", Minutes(0, 2), 5, {3}},
        {"largest minute 4", Minutes(0, 4), 5, {5, 0}},
        {"all minute 0", {{0, 1}, {0, 1}, {0, 1}}, 5, {3}},
        {"a pause", gap, 5, {5, 0, 0, 0, 2}},
        {"two records a minute", twice, 5, {10, 10, 0}},
        {"bin size 0 becomes 5", Minutes(0, 9), 0, {5, 5, 0}},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        dir.Write("counts.bin", CountsBytes(c.recs));
        GroupBinTable t;
        BinningResult r = BinGroupActivity(dir / "counts.bin", SmallLayout(), c.binMinutes, true, t);
        ASSERT_TRUE(r.found) << c.what;
        EXPECT_EQ(RecordsPerColumn(t), c.perColumn) << c.what;
        EXPECT_EQ(r.bin_minutes, c.binMinutes < 1 ? 5 : c.binMinutes) << c.what;
    }
}

TEST(BinGroupActivity, MeansPerGroupFreeSumAndLargest) {
    TempFolder dir;
    // Two records of 3 and 4 per channel: the whole recording in column 1.
    dir.Write("counts.bin", CountsBytes({{0, 3}, {7, 4}}));
    std::vector<int16_t> groups = SmallLayout();
    groups[3] = 1;  // group 1: channels 1, 2, 3
    groups[4] = 9;  // group 9: one channel
    GroupBinTable t;
    t.Reset(5);
    BinningResult r = BinGroupActivity(dir / "counts.bin", groups, 30, false, t);
    ASSERT_EQ(t.bin_count, 1);
    EXPECT_EQ(t.at(1, 0), 7);
    EXPECT_EQ(t.at(1, 1), 7);   // 21 / 3
    EXPECT_EQ(t.at(1, 9), 7);
    EXPECT_EQ(t.at(1, 2), 0);   // no channel
    EXPECT_EQ(t.at(1, 384), 7.0 * (384 - 5));  // free channels, never divided
    EXPECT_EQ(t.at(1, 385), 0);
    EXPECT_EQ(r.largest, 7);
}

TEST(BinGroupActivity, RoundsHalvesToEven) {
    // Group 1 holds channels 1 and 2; a channel with 5 and one with 0 give 2.5 -> 2,
    // the largest mean 2.5 -> 2 as well; 3 and 4 give 3.5 -> 4.
    struct Case {
        int16_t a, b;
        double cell;
    };
    for (Case c : {Case{5, 0, 2}, Case{3, 4, 4}, Case{1, 2, 2}}) {
        ChannelTable16 t{};
        t[1] = c.a;
        t[2] = c.b;
        auto rec = BuildCountsRecord(0, t);
        TempFolder dir;
        dir.Write("counts.bin", std::string(reinterpret_cast<const char*>(rec.data()), rec.size()));
        std::vector<int16_t> groups(385, -1);
        groups[1] = groups[2] = 1;
        GroupBinTable table;
        BinningResult r = BinGroupActivity(dir / "counts.bin", groups, 30, false, table);
        EXPECT_EQ(table.at(1, 1), c.cell) << c.a << "," << c.b;
        EXPECT_EQ(r.largest, static_cast<int64_t>(c.cell)) << c.a << "," << c.b;
    }
}

TEST(BinGroupActivity, WholeRecordingMeanAbove32767) {
    TempFolder dir;
    std::vector<Rec> recs(40, Rec{0, 30000});  // 1,200,000 per channel
    dir.Write("counts.bin", CountsBytes(recs));
    GroupBinTable t;
    BinningResult r = BinGroupActivity(dir / "counts.bin", SmallLayout(), 30, false, t);
    EXPECT_EQ(r.largest, 1200000);
    EXPECT_EQ(t.at(1, 1), 1200000);
}

TEST(BinGroupActivity, MissingFileLeavesTheTableAndTrailingFragmentIsIgnored) {
    TempFolder dir;
    GroupBinTable t;
    t.Reset(2);
    t.at(1, 0) = 42;
    {
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Activity file not Found");
        BinningResult r = BinGroupActivity(dir / "counts.bin", SmallLayout(), 5, true, t);
        EXPECT_FALSE(r.found);
        EXPECT_EQ(r.largest, 0);
    }
    EXPECT_EQ(t.bin_count, 2);
    EXPECT_EQ(t.at(1, 0), 42);

    // A run still appending: whole records count, the part of the next does not.
    std::string bytes = CountsBytes(Minutes(0, 2, 2)) + CountsBytes({{90, 9}}).substr(0, 500);
    dir.Write("counts.bin", bytes);
    BinningResult r = BinGroupActivity(dir / "counts.bin", SmallLayout(), 5, true, t);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(t.bin_count, 1);
    EXPECT_EQ(t.at(1, 0), 6);
}

// One damaged minute must not size the table: columns beyond the 16-bit
// count are a run-time error, and the table stays as it was.
TEST(BinGroupActivity, MoreColumnsThanSixteenBitsIsAnErrorAndAllocatesNothing) {
    TempFolder dir;
    GroupBinTable t;
    t.Reset(2);
    t.at(1, 0) = 42;
    dir.Write("counts.bin", CountsBytes({{0, 1}, {1, 1}, {2147483647, 1}}));
    EXPECT_THROW(BinGroupActivity(dir / "counts.bin", SmallLayout(), 5, true, t), BinCountError);
    EXPECT_THROW(BinGroupActivity(dir / "counts.bin", SmallLayout(), 1, true, t), BinCountError);
    EXPECT_EQ(t.bin_count, 2);
    EXPECT_EQ(t.at(1, 0), 42);
    // The whole recording is one column whatever its minutes.
    BinningResult whole = BinGroupActivity(dir / "counts.bin", SmallLayout(), 30, false, t);
    EXPECT_TRUE(whole.found);
    EXPECT_EQ(t.bin_count, 1);
    EXPECT_EQ(t.at(1, 0), 3);
    // 32766 minutes of one-minute bins make 32767 columns, one more is refused.
    dir.Write("counts.bin", CountsBytes({{0, 1}, {32766, 1}}));
    EXPECT_EQ(BinGroupActivity(dir / "counts.bin", SmallLayout(), 1, true, t).found, true);
    EXPECT_EQ(t.bin_count, kMaxBinCount);
    dir.Write("counts.bin", CountsBytes({{0, 1}, {32767, 1}}));
    EXPECT_THROW(BinGroupActivity(dir / "counts.bin", SmallLayout(), 1, true, t), BinCountError);
    EXPECT_EQ(t.bin_count, kMaxBinCount);
}

TEST(BinGroupActivity, StreamsFilesLargerThanOneChunk) {
    TempFolder dir;
    dir.Write("counts.bin", CountsBytes(Minutes(0, 2999)));  // 3,000 records over several reads
    GroupBinTable t;
    BinGroupActivity(dir / "counts.bin", SmallLayout(), 1000, true, t);
    EXPECT_EQ(RecordsPerColumn(t), (std::vector<int>{1000, 1000, 1000, 0}));
    std::array<int64_t, kCountedChannels> totals{};
    ASSERT_TRUE(SumChannelTotals(dir / "counts.bin", totals));
    EXPECT_EQ(totals[0], 3000);
    EXPECT_EQ(totals[383], 3000);
}

// Windows 1200 to 1210 of a 1,300-window run left as zeros (a writer that
// could not write them): the holes are skipped, so the bins are those of the
// run without these windows and no record lands at minute 0 of a new day.
// With HolePlaces::kKeep (readers that pair records with raw windows) a hole
// keeps its place at the minute of the record before it, without counts.
TEST(BinGroupActivity, HolesInCountsAreSkipped) {
    TempFolder dir;
    const std::string hole(kCountsRecordBytes, '\0');
    std::string with_holes = CountsBytes(Minutes(0, 1199));
    for (int i = 0; i < 11; ++i) with_holes += hole;
    with_holes += CountsBytes(Minutes(1211, 1299));
    dir.Write("holes.bin", with_holes);
    dir.Write("without.bin", CountsBytes(Minutes(0, 1199)) + CountsBytes(Minutes(1211, 1299)));
    dir.Write("full.bin", CountsBytes(Minutes(0, 1299)));
    GroupBinTable holes, without, full;
    BinGroupActivity(dir / "holes.bin", SmallLayout(), 30, true, holes);
    BinGroupActivity(dir / "without.bin", SmallLayout(), 30, true, without);
    BinGroupActivity(dir / "full.bin", SmallLayout(), 30, true, full);
    EXPECT_EQ(holes.bin_count, full.bin_count);
    EXPECT_EQ(RecordsPerColumn(holes), RecordsPerColumn(without));
    EXPECT_EQ(RecordsPerColumn(holes)[0], 30);
    std::array<int64_t, kCountedChannels> totals{};
    ASSERT_TRUE(SumChannelTotals(dir / "holes.bin", totals));
    EXPECT_EQ(totals[0], 1300 - 11);

    std::vector<int32_t> minutes;
    ASSERT_TRUE(ForEachCountsRecord(dir / "holes.bin", [&](int32_t m, const int16_t* counts) {
        minutes.push_back(m);
        if (m == 1199) {
            EXPECT_EQ(counts[0], minutes.size() == 1200 ? 1 : 0);
        }
    }, HolePlaces::kKeep));
    ASSERT_EQ(minutes.size(), 1300u);
    EXPECT_EQ(minutes[1200], 1199);
    EXPECT_EQ(minutes[1210], 1199);
    EXPECT_EQ(minutes[1211], 1211);

    // A first record of zeros is data, and so are zeros after minute 0.
    dir.Write("zeros.bin", hole + hole + CountsBytes(Minutes(1, 2)));
    minutes.clear();
    ASSERT_TRUE(ForEachCountsRecord(dir / "zeros.bin", [&](int32_t m, const int16_t*) { minutes.push_back(m); }));
    EXPECT_EQ(minutes, (std::vector<int32_t>{0, 0, 1, 2}));
}

TEST(SumChannelTotals, MissingFileKeepsTheTotals) {
    TempFolder dir;
    std::array<int64_t, kCountedChannels> totals{};
    totals[5] = 11;
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Activity file not Found");
    EXPECT_FALSE(SumChannelTotals(dir / "counts.bin", totals));
    EXPECT_EQ(totals[5], 11);
}

TEST(ParseAcquisitionDate, StampsAndOtherNames) {
    auto now = platform::FromLocal({2026, 12, 9, 14, 5, 0});
    platform::SetClockForTest([now] { return now; });
    EXPECT_EQ(ParseAcquisitionDate("20240315_0930"), platform::FromLocal({2024, 3, 15, 9, 30, 0}));
    EXPECT_EQ(ParseAcquisitionDate("20240315_0930_s2"), platform::FromLocal({2024, 3, 15, 9, 30, 0}));
    EXPECT_EQ(ParseAcquisitionDate("20240229_2359"), platform::FromLocal({2024, 2, 29, 23, 59, 0}));
    EXPECT_EQ(ParseAcquisitionDate("16780101_0000"), platform::FromLocal({1678, 1, 1, 0, 0, 0}));
    EXPECT_EQ(ParseAcquisitionDate("22611231_2359"), platform::FromLocal({2261, 12, 31, 23, 59, 0}));
    // Names that are no stamp, and stamps that are no real date (a day past
    // the month's end, a year the clock cannot hold), are "now".
    for (const char* other : {"", "2024", "20240315", "20240315_09", "abcdefgh_ijkl", "20241315_0930", "../x",
                              "20240230_1000", "20230229_1000", "20240431_0000", "20241131_0000", "20240100_0000",
                              "20240315_2400", "20240315_0960", "29950101_0000", "16771231_2359", "22620101_0000",
                              "00000101_0000", "99991231_2359"})
        EXPECT_EQ(ParseAcquisitionDate(other), now) << other;
    platform::SetClockForTest({});
}

TEST(SplitTagNames, BlanksAndTheLimit) {
    std::vector<std::string> out;
    ASSERT_TRUE(SplitTagNames(" a  b c ", out));
    EXPECT_EQ(out, (std::vector<std::string>{"a", "b", "c"}));
    std::string many;
    for (int i = 0; i < 99; ++i) many += " n" + std::to_string(i);
    ASSERT_TRUE(SplitTagNames(many + " ", out));
    EXPECT_EQ(out.size(), 99u);
    EXPECT_FALSE(SplitTagNames(many + " extra", out));
}

struct TagProject : ::testing::Test {
    TempFolder home;
    std::string project = home / "p00001";
    void Recording(const std::string& name, int16_t count) {
        home.Write("p00001/" + name + "/counts.bin", CountsBytes({{0, count}, {1, count}}));
    }
};

TEST_F(TagProject, ColumnsInDateOrderEqualDatesInListOrder) {
    Recording("20240310_1200", 1);
    Recording("20240301_0800_s2", 2);
    Recording("20240301_0800_s1", 3);
    Recording("20240420_0000", 4);
    GroupBinTable t;
    TagKinetics k = LoadTagKinetics(project, "20240310_1200 20240301_0800_s2 20240420_0000 20240301_0800_s1 ",
                                    SmallLayout(), t);
    ASSERT_FALSE(k.refused);
    EXPECT_EQ(k.sorted, (std::vector<std::string>{"20240301_0800_s2", "20240301_0800_s1", "20240310_1200",
                                                  "20240420_0000"}));
    EXPECT_EQ(k.sorted_list, " 20240301_0800_s2 20240301_0800_s1 20240310_1200 20240420_0000");
    ASSERT_EQ(t.bin_count, 4);
    EXPECT_EQ(RecordsPerColumn(t), (std::vector<int>{4, 6, 2, 8}));  // two records each
    EXPECT_EQ(k.dates[3], platform::FromLocal({2024, 3, 10, 12, 0, 0}));
    EXPECT_EQ(k.largest, 8);
}

TEST_F(TagProject, MissingAndForeignFoldersStayZero) {
    Recording("20240310_1200", 5);
    home.Write("x/counts.bin", CountsBytes({{0, 100}}));  // beside the project: never read
    GroupBinTable t;
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Activity file not Found into " + project + "/20240101_0000");
    boxes.ExpectMessage("Activity file not Found into " + project + "/../x");
    TagKinetics k = LoadTagKinetics(project, "20240310_1200 20240101_0000 ../x", SmallLayout(), t);
    EXPECT_EQ(RecordsPerColumn(t), (std::vector<int>{0, 10, 0}));
    EXPECT_EQ(k.missing.size(), 2u);
    EXPECT_EQ(k.largest, 10);
}

TEST_F(TagProject, MoreThan99NamesChangeNothing) {
    std::string names;
    for (int i = 0; i < 100; ++i) names += "20240101_0000 ";
    GroupBinTable t;
    t.Reset(3);
    ScriptedDialogs boxes;
    boxes.ExpectMessage("To many Tagged Sub_Projects! (max=99)");
    TagKinetics k = LoadTagKinetics(project, names, SmallLayout(), t);
    EXPECT_TRUE(k.refused);
    EXPECT_EQ(k.largest, 0);
    EXPECT_EQ(t.bin_count, 3);
}

}  // namespace
}  // namespace vondrel::browser
