#include "reports/PerWellExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ReportFixture.h"
#include "ScriptedDialogs.h"
#include "platform/Files.h"

namespace vondrel::reports {
namespace {

using testing::CrLf;
using testing::FlatRecord;
using testing::TempFolder;
using vondrel::testing::ScriptedDialogs;

// A 96-well plate of 8 rows and one beam per well (channel = well), recorded
// in a folder named after its start.
struct Plate96 {
    TempFolder program, project;
    std::string folder;
    explicit Plate96(const std::string& name = "20240312_1000_s1", int wellWithoutBeam0 = -1) {
        platform::SetProgramFolderForTest(program.Path());
        std::string plate = CrLf({"\"Plate\",\"w96\"", "8,9,0,12,9,0", "\"Channels\""});
        for (int ch = 0; ch < 384; ++ch) {
            const int well = ch < 96 ? ch : -1;
            plate += "\"L\"," + std::to_string(well) + "," + (ch == wellWithoutBeam0 ? "1" : "0") + "\r\n";
        }
        program.Write("w96.dat", plate);
        folder = project / name;
        project.Write(name + "/setup.dat", CrLf({"\"P\"", "\"n\",\"x\",\"y\",\"w96\"", "\"V\"", "0,0,0,500,1,0", "\"a\"",
                                                 "1", "\"b\"", "1", "\"c\"", "0,0,0,18,0,0"}));
        std::string chgroup = "\"C\"\r\n";
        for (int ch = 0; ch < 384; ++ch) chgroup += std::to_string(ch) + "," + (ch < 96 ? "0" : "-1") + "\r\n";
        project.Write(name + "/groups.dat", CrLf({"\"G\"", "0,\"All\""}));
        project.Write(name + "/chgroup.dat", chgroup);
        platform::SetClockForTest([] { return platform::FromLocal({2026, 12, 10, 9, 5, 7}); });
    }
    ~Plate96() {
        platform::SetClockForTest({});
        platform::SetProgramFolderForTest("");
    }
    // Records at minutes 1..last, every channel `count`.
    void Counts(int last, int16_t count = 1) {
        std::string counts;
        for (int m = 1; m <= last; ++m) counts += FlatRecord(m, count, 250);
        WriteCounts(counts);
    }
    // counts.bin with exactly these bytes.
    void WriteCounts(const std::string& bytes) const {
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(platform::ReplaceFile(folder + "/counts.bin", bytes));
    }
    // The export of a 30-minute bin is refused with "Report Error" and writes no file.
    void ExpectRefused() const {
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Report Error");
        ReportData data;
        PerWellControls c;
        c.folder = folder;
        c.binText = "30";
        EXPECT_FALSE(ExportPerWellFiles(data, c));
        EXPECT_EQ(Files(".txt"), 0u);
    }
    std::string Read(const std::string& name) const { return platform::ReadBinaryFile(folder + "/" + name).value_or(""); }
    size_t Files(const std::string& suffix) const {
        size_t n = 0;
        for (const auto& e : platform::ListFolder(folder))
            if (e.size() > suffix.size() && e.compare(e.size() - suffix.size(), suffix.size(), suffix) == 0) ++n;
        return n;
    }
};

TEST(PerWellExport, OneFilePerWellNamedByRowAndColumnWithTimes) {
    Plate96 plate;
    plate.Counts(90, 2);
    ScriptedDialogs boxes;
    ReportData data;
    PerWellControls c;
    c.folder = plate.folder;
    c.binText = "30";
    ASSERT_TRUE(ExportPerWellFiles(data, c));
    EXPECT_EQ(plate.Files(".txt"), 96u);
    for (const char* name : {"000_A1.txt", "007_H1.txt", "008_A2.txt", "095_H12.txt"})
        EXPECT_TRUE(platform::FileExists(plate.folder + "/" + name)) << name;
    const auto lines = platform::SplitLines(plate.Read("008_A2.txt"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "12/03/2024 10:30 " + std::to_string(data.m_well_bin_value.At(1, 8)));
    EXPECT_EQ(lines[2].substr(0, 17), "12/03/2024 11:30 ");
    EXPECT_GT(data.m_well_bin_value.At(1, 8), 0);
    EXPECT_EQ(plate.Read("000_A1.txt").substr(plate.Read("000_A1.txt").size() - 2), "\r\n");
}

// A hole (774 zero bytes) after minute 1000 is skipped: the export is that
// of the records without it, not one with a record at minute 0 of a new day.
TEST(PerWellExport, HolesInCountsAreSkipped) {
    std::string files[2];
    for (int holes = 0; holes < 2; ++holes) {
        Plate96 plate;
        std::string counts;
        for (int m = 1; m <= 1100; ++m) {
            if (m == 1050) {
                if (holes) counts += std::string(774, '\0');
                continue;
            }
            counts += FlatRecord(m, static_cast<int16_t>(m % 5), 250);
        }
        plate.WriteCounts(counts);
        ScriptedDialogs boxes;
        ReportData data;
        PerWellControls c;
        c.folder = plate.folder;
        c.binText = "60";
        ASSERT_TRUE(ExportPerWellFiles(data, c)) << holes;
        files[holes] = plate.Read("000_A1.txt") + plate.Read("095_H12.txt");
    }
    EXPECT_EQ(std::count(files[1].begin(), files[1].end(), '\n'), 2 * 18);
    EXPECT_EQ(files[1], files[0]);
}

TEST(PerWellExport, ChannelFilesAndBinTimesWithTheFittedBin) {
    struct Case {
        int last;
        std::string bin, time, binAfter;
    };
    for (const auto& k : std::vector<Case>{{45, "15", "900 1800 2700", "15"},
                                           {20, "60", "1260", "60"},     // bin 21, one bin
                                           {100, "120", "5400", "90"},   // bin 90 shown
                                           {45, "1", std::string(), "2"},
                                           // a fractional bin is whole, halves to even
                                           {6, "2.5", "120 240 360", "2.5"},
                                           {8, "3.5", "240 480", "3.5"}}) {
        Plate96 plate;
        plate.Counts(k.last);
        ScriptedDialogs boxes;
        ReportData data;
        PerWellControls c;
        c.folder = plate.folder;
        c.binText = k.bin;
        c.withTime = false;
        ASSERT_TRUE(ExportPerWellFiles(data, c)) << k.bin;
        EXPECT_EQ(c.binText, k.binAfter);
        if (!k.time.empty()) {
            EXPECT_EQ(plate.Read("time.txt"), k.time + "\r\n") << k.bin;
        }
        EXPECT_EQ(plate.Files(".txt"), 385u);
        const auto values = plate.Read("ch000383.txt"), times = plate.Read("time.txt");
        EXPECT_EQ(std::count(values.begin(), values.end(), ' '), std::count(times.begin(), times.end(), ' '));
        EXPECT_FALSE(platform::FileExists(plate.folder + "/000_A1.txt"));
    }
}

// Crafted minutes: a minute beyond the 32-bit range after a day change, or a
// negative one, ends the export with "Report Error" before any file.
TEST(PerWellExport, MinutesOutOfRangeWriteNothing) {
    for (const auto& minutes : std::vector<std::vector<int32_t>>{{1400, 100, 2147483647},
                                                                 {1, 2, 2147483000},
                                                                 {1, -5, 3}}) {
        Plate96 plate;
        std::string counts;
        for (int32_t m : minutes) counts += FlatRecord(m, 1, 250);
        plate.WriteCounts(counts);
        plate.ExpectRefused();
    }
}

TEST(PerWellExport, WellWithoutBeamZeroIsLeftOutAndFailuresWriteNothing) {
    {
        Plate96 plate("20240312_1000_s1", 8);
        plate.Counts(60);
        ScriptedDialogs boxes;
        ReportData data;
        PerWellControls c;
        c.folder = plate.folder;
        c.binText = "30";
        ASSERT_TRUE(ExportPerWellFiles(data, c));
        EXPECT_EQ(plate.Files(".txt"), 95u);
        EXPECT_FALSE(platform::FileExists(plate.folder + "/008_A2.txt"));
        EXPECT_TRUE(platform::FileExists(plate.folder + "/009_B2.txt"));
    }
    {
        // 23 day changes: the day offset no longer fits.
        Plate96 plate;
        std::string counts;
        for (int d = 0; d < 24; ++d) counts += FlatRecord(100, 1, 250) + FlatRecord(1400, 1, 250);
        plate.WriteCounts(counts);
        plate.ExpectRefused();
    }
    {
        Plate96 plate;
        plate.Counts(60);
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Invalid value: bin size must be a whole number of minutes");
        ReportData data;
        PerWellControls c;
        c.folder = plate.folder;
        c.binText = "abc";
        EXPECT_FALSE(ExportPerWellFiles(data, c));
        EXPECT_EQ(plate.Files(".txt"), 0u);
        boxes.ExpectMessage("Activity file not Found");
        std::filesystem::remove(plate.folder + "/counts.bin");
        c.binText = "30";
        EXPECT_FALSE(ExportPerWellFiles(data, c));
    }
}

TEST(PerWellExport, StartComesFromTheFolderNameElseTodayAtMidnight) {
    struct Case {
        std::string name;
        bool found;
        int y, mo, d, h, mi;
    };
    for (const auto& k : std::vector<Case>{{"20240312_1000", true, 2024, 3, 12, 10, 0},
                                           {"20240312_1000_s3", true, 2024, 3, 12, 10, 0},
                                           {"12032024_1000", true, 2024, 3, 12, 10, 0},
                                           {"20241312_1000", false, 0, 0, 0, 0, 0},
                                           {"20240312_2500", false, 0, 0, 0, 0, 0},
                                           {"p00001", false, 0, 0, 0, 0, 0},
                                           {"20240312_1000_x", false, 0, 0, 0, 0, 0}}) {
        const auto t = StartFromName(k.name);
        ASSERT_EQ(t.has_value(), k.found) << k.name;
        if (t) {
            EXPECT_EQ((std::vector<int>{t->year, t->month, t->day, t->hour, t->minute}),
                      (std::vector<int>{k.y, k.mo, k.d, k.h, k.mi}))
                << k.name;
        }
    }
    Plate96 plate("my run");
    plate.Counts(30);
    ScriptedDialogs boxes;
    ReportData data;
    PerWellControls c;
        c.folder = plate.folder;
        c.binText = "30";
    ASSERT_TRUE(ExportPerWellFiles(data, c));
    EXPECT_EQ(plate.Read("000_A1.txt").substr(0, 17), "10/12/2026 00:30 ");
}

}  // namespace
}  // namespace vondrel::reports
