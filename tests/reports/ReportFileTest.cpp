// The whole pipeline on a small recorded run: the report file byte for byte
// in each layout, its name, its copy, the viewer, and the runs that must write
// nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "ReportFixture.h"
#include "ScriptedDialogs.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "reports/CsvToXlsx.h"
#include "reports/ReportPipeline.h"
#include "reports/ReportSteps.h"

namespace vondrel::reports::testing {
namespace {

using vondrel::testing::ScriptedDialogs;

std::string Header(const std::string& folder, const std::string& s) {
    return CrLf({"\"DATE:\"" + s + "\"10/12/2026 09:05:07\"", "\"FILE:\"" + s + "\"" + folder + "\"",
                 "\"SUBPROJECT:\"" + s + "\"day 1 test\"", "\"SETTING:\"" + s + "\"Mode1 C.elegans[snr=1.8]\"", ""});
}

std::string Join(std::initializer_list<std::string> cells, const std::string& s) {
    std::string out;
    bool first = true;
    for (const auto& c : cells) {
        if (!first) out += s;
        out += c;
        first = false;
    }
    return out;
}

// The Rows report of the fixture, statistics as ticked; "°" as its one byte.
std::string ExpectedRows(const std::string& folder, const std::string& s, bool se, bool sd, bool wells) {
    std::string t = Header(folder, s);
    const std::string head = Join({"Group/Time[m]", "30", "60"}, s);
    auto section = [&](const std::string& title, const std::string& g0, const std::string& g1, const std::string& g2) {
        t += CrLf({"\"" + title + "\"", head, "\"000_Control\"" + s + g0, "\"001_Unused\"" + s + g1,
                   "\"002_Drug\"" + s + g2, ""});
    };
    section("<<<<<< Group Activity: Average Activity Counts per Data Interval>>>>>>", Join({"23", "1"}, s),
            Join({"0", "0"}, s), Join({"6", "1"}, s));
    if (se)
        section("<<<<<< Group Activity: Standard Error >>>>>>", Join({"8.7", "0.0"}, s), Join({"0.0", "0.0"}, s),
                Join({"0.0", "0.0"}, s));
    if (sd)
        section("<<<<<< Group Activity: Standard Deviation >>>>>>", Join({"15.0", "0.0"}, s),
                Join({"0.0", "0.0"}, s), Join({"0.0", "0.0"}, s));
    if (wells)
        section("<<<<<< Group Activity: Number of wells/group >>>>>>", Join({"3", "3"}, s), Join({"0", "0"}, s),
                Join({"1", "1"}, s));
    t += CrLf({"\"<<<<<< Number of Samples per Acquisition Interval [1unit=500values] >>>>>>\"",
               "Time[m]" + s + "30" + s + "60" + s, "#Samples" + s + "30" + s + "30" + s, "",
               "\"<<<<<< Average Temperature [\xB0" "C] >>>>>>\"", "Time[m]" + s + "30" + s + "60" + s,
               "Temp[\xB0" "C]" + s + "25.0" + s + "0.0" + s, "", "\"<<<<<< Well Activity >>>>>>\"",
               Join({"Well", "Group/Time[m]", "30", "60"}, s), Join({"A1", "\"000_Control\"", "10", "1"}, s),
               Join({"B1", "\"000_Control\"", "20", "1"}, s), Join({"A2", "\"000_Control\"", "40", "1"}, s),
               Join({"B2", "\"002_Drug\"", "6", "1"}, s), Join({"A3", "\"999_Free\"", "7", "1"}, s),
               Join({"B3", "\"999_Free\"", "3", "1"}, s), "", "\"<<<<<< Channel Activity >>>>>>\"",
               Join({"Channel", "Well", "Group/Time[m]", "30", "60"}, s)});
    const char* groups[12] = {"\"000_Control\"", "\"000_Control\"", "\"000_Control\"", "\"000_Control\"",
                              "\"000_Control\"", "\"000_Control\"", "\"002_Drug\"",    "\"002_Drug\"",
                              "\"999_Free\"",    "\"999_Free\"",    "\"999_Free\"",    "\"999_Free\""};
    const int counts[12] = {10, 11, 20, 20, 40, 40, 5, 6, 7, 7, 3, 3};
    const char* wellNames[6] = {"A1", "B1", "A2", "B2", "A3", "B3"};
    for (int ch = 0; ch < 12; ++ch)
        t += Join({"CH" + std::to_string(ch), std::string(wellNames[ch / 2]) + "." + std::to_string(ch % 2),
                   groups[ch], std::to_string(counts[ch]), "1"}, s) + "\r\n";
    return t;
}

struct ReportFileTest : ::testing::Test {
    RecordedRun run;
    RecordingOpener opener;
    ReportData data;
    ReportControls ctl;
    void SetUp() override {
        platform::SetDecimalSeparatorForTest(".");
        ctl.inputFolder = run.folder;
    }
    void TearDown() override { platform::SetDecimalSeparatorForTest(""); }
    std::string Read(const std::string& name) { return platform::ReadBinaryFile(run.folder + "/" + name).value_or(""); }
};

TEST_F(ReportFileTest, RowsReportMatchesTheHandWorkedFileForEachSpacerAndStatistic) {
    struct Case {
        std::string spacer;
        bool se, sd, wells;
    };
    for (const Case& c : {Case{",", true, true, true}, Case{";", false, false, false}, Case{" ", true, false, true},
                          Case{"", false, true, false}, Case{"<->", true, true, false}}) {
        SCOPED_TRACE("spacer [" + c.spacer + "]");
        ctl.spacer = c.spacer;
        ctl.standardError = c.se;
        ctl.standardDeviation = c.sd;
        ctl.wellsPerGroup = c.wells;
        ASSERT_TRUE(GenerateReport(data, ctl));
        EXPECT_EQ(Read("report.csv"), ExpectedRows(run.folder, c.spacer, c.se, c.sd, c.wells));
        // The copy under the run's name, blanks made "_".
        EXPECT_EQ(Read("day_1_test.csv"), Read("report.csv"));
    }
    EXPECT_EQ(opener.opened.size(), 5u);
    EXPECT_EQ(opener.opened.back(), run.folder + "/report.csv");
}

TEST_F(ReportFileTest, ListLayoutWritesOneLinePerBinAndBlocksPerWellAndChannel) {
    ctl.layout = ReportLayout::List;
    ctl.fileType = ReportFileType::Text;
    ctl.spacer = ";";
    ctl.standardError = false;
    ctl.wellsPerGroup = false;
    ASSERT_TRUE(GenerateReport(data, ctl));
    const std::string t = Read("report.txt");
    EXPECT_EQ(opener.opened.back(), run.folder + "/report.txt");
    std::string expected = Header(run.folder, ";") +
        CrLf({"\"<<<<<< Group Activity: Average Activity Counts per Data Interval>>>>>>\"", "Time;Group;Value", "",
              "30;\"000_Control\";23", "60;\"000_Control\";1", "", "30;\"001_Unused\";0", "60;\"001_Unused\";0", "",
              "30;\"002_Drug\";6", "60;\"002_Drug\";1", "",
              "\"<<<<<< Number of Samples per Acquisition Interval [1unit=500values] >>>>>>\"", "Time;#Samples", "",
              "30;30", "60;30", "", "\"<<<<<< Average Temperature [\xB0" "C] >>>>>>\"", "Time;Avrg_Temp[\xB0" "C]", "",
              "30;25.0", "60;0.0", "", "\"<<<<<< Well Activity >>>>>>\"", "Time;Well;Group;Value", "",
              "30;A1;\"000_Control\";10", "60;A1;\"000_Control\";1", ""});
    EXPECT_EQ(t.substr(0, expected.size()), expected);
    // 384 channel blocks: channels off the plate leave their empty line alone.
    std::string empties;
    for (int i = 0; i < 373; ++i) empties += "\r\n";
    EXPECT_EQ(t.substr(t.size() - empties.size()), empties);
    EXPECT_NE(t.find("30;CH11;B3.1;\"999_Free\";3\r\n60;CH11;B3.1;\"999_Free\";1\r\n\r\n"), std::string::npos);
}

TEST_F(ReportFileTest, ArrayLayoutsShowTheGroupConfigurationAndOneBlockPerBin) {
    ctl.layout = ReportLayout::WellArray;
    ASSERT_TRUE(GenerateReport(data, ctl));
    std::string w = Read("report.csv");
    const std::string wellArray = CrLf({"\"<<<<<<WELL ARRAY. Group Configuration>>>>>>\"", "Row/Column,1,2,3,",
                                        "\"A\",\"000_Control\",\"000_Control\",\"999_Free\"",
                                        "\"B\",\"000_Control\",\"002_Drug\",\"999_Free\"", ""});
    EXPECT_EQ(w.substr(Header(run.folder, ",").size(), wellArray.size()), wellArray);
    EXPECT_NE(w.find(CrLf({"\"<<<<<<WELL ARRAY. Well Activity>>>>>>\"", "Time_Block[m],30", "Row/Column,1,2,3,",
                           "A,10,40,7", "B,20,6,3", "", "Time_Block[m],60", "Row/Column,1,2,3,", "A,1,1,1", "B,1,1,1",
                           ""})),
              std::string::npos);
    EXPECT_EQ(w.find("Channel"), std::string::npos);
    EXPECT_EQ(w.find("Standard Error"), std::string::npos);

    ctl.layout = ReportLayout::ChannelArray;
    ASSERT_TRUE(GenerateReport(data, ctl));
    const std::string c = Read("report.csv");
    // 16 rows of 24 channels: channel 12 (off the plate) is "-", channel 8 free.
    EXPECT_NE(c.find("\"A\",\"000_Control\",-,"), std::string::npos);
    EXPECT_NE(c.find("\"I\",\" 999_Free\",-,"), std::string::npos);
    EXPECT_NE(c.find("\r\nARRAY OUTPUT FORMAT\r\nTime_Block[m],30\r\nRow/Column,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,"
                     "16,17,18,19,20,21,22,23,24,\r\nA,10,-,-,"),
              std::string::npos);
    EXPECT_NE(c.find("\r\nM,-,-,"), std::string::npos);  // channel 12 off the plate
    EXPECT_EQ(c.find("Well Activity"), std::string::npos);
}

TEST_F(ReportFileTest, CommaLocaleWritesDecimalsWithACommaAndEveryNameStaysInTheFolder) {
    platform::SetDecimalSeparatorForTest(",");
    ctl.spacer = ";";
    ASSERT_TRUE(GenerateReport(data, ctl));
    EXPECT_NE(Read("report.csv").find("\"000_Control\";8,7;0,0"), std::string::npos);
    EXPECT_NE(Read("report.csv").find("[snr=1,8]"), std::string::npos);

    // A name with path characters is one file in the acquisition folder.
    RenameSubproject(run.folder, "../a/b:c");
    ASSERT_TRUE(GenerateReport(data, ctl));
    EXPECT_TRUE(platform::FileExists(run.folder + "/.._a_b_c.csv"));
    EXPECT_FALSE(platform::FileExists(run.project.Path() + "/a/b:c.csv"));

    // Without a name there is no copy.
    ASSERT_TRUE(platform::WriteTextFile(run.folder + "/subproj.dat", ""));
    const auto before = platform::ListFolder(run.folder);
    ASSERT_TRUE(GenerateReport(data, ctl));
    EXPECT_EQ(platform::ListFolder(run.folder), before);
}

TEST_F(ReportFileTest, AReportThatCannotBeOpenedMovesToTheNextNumberAndAutoReportOpensNothing) {
    std::filesystem::create_directory(run.folder + "/report.csv");
    ctl.autoReport = true;
    ASSERT_TRUE(GenerateReport(data, ctl));
    EXPECT_TRUE(platform::FileExists(run.folder + "/report_1.csv"));
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_EQ(FindReportFileName(run.folder, ".csv"), "report_1");
    EXPECT_EQ(FindReportFileName(run.folder, ".txt"), "report");
    EXPECT_THROW(FindReportFileName(run.folder + "/missing", ".csv"), ReportFailure);
}

TEST_F(ReportFileTest, ExcelWritesTheCsvThenOpensOnlyAMadeWorkbook) {
    ctl.fileType = ReportFileType::Excel;
    {
        ScriptedDialogs boxes;
        ASSERT_TRUE(GenerateReport(data, ctl));
    }
    EXPECT_TRUE(platform::FileExists(run.folder + "/report.csv"));
    EXPECT_TRUE(platform::FileExists(run.folder + "/day_1_test.csv"));
    EXPECT_EQ(opener.opened, std::vector<std::string>{run.folder + "/report_20261210090507.xlsx"});
    EXPECT_TRUE(platform::FileExists(run.folder + "/report_20261210090507.xlsx"));
    opener.opened.clear();

    // A conversion that makes nothing: the viewer is not started on a missing workbook.
    std::string made;
    SetWorkbookConverter([&](const std::string&, const std::string& xlsx, const std::string&) {
        made = xlsx;
        return false;
    });
    ASSERT_TRUE(GenerateReport(data, ctl));
    EXPECT_EQ(made, run.folder + "/report_20261210090507.xlsx");
    EXPECT_TRUE(opener.opened.empty());
    SetWorkbookConverter({});
}

// Under a decimal-comma desktop a number whose decimal sign is the spacer is
// quoted, so it stays one cell; the workbook reads it back as a number.
TEST_F(ReportFileTest, ANumberHoldingTheSpacerIsQuotedAndStaysANumber) {
    struct Case {
        std::string spacer;
        std::string controlLine;  // the standard error of group 0
    };
    platform::SetDecimalSeparatorForTest(",");
    for (const Case& c : {Case{",", "\"000_Control\",\"8,7\",\"0,0\""}, Case{";", "\"000_Control\";8,7;0,0"}}) {
        SCOPED_TRACE("spacer [" + c.spacer + "]");
        ctl.spacer = c.spacer;
        ctl.standardDeviation = true;
        ctl.fileType = ReportFileType::Excel;
        std::filesystem::remove(run.folder + "/report.csv");
        ASSERT_TRUE(GenerateReport(data, ctl));
        const std::string text = Read("report.csv");
        const size_t se = text.find("Standard Error");
        ASSERT_NE(se, std::string::npos);
        EXPECT_NE(text.find(c.controlLine + "\r\n", se), std::string::npos) << text;
        const size_t sd = text.find("Standard Deviation");
        const std::string sdLine = c.spacer == "," ? "\"000_Control\",\"15,0\",\"0,0\"" : "\"000_Control\";15,0;0,0";
        EXPECT_NE(text.find(sdLine + "\r\n", sd), std::string::npos) << text;

        // The converter's cells: the quoted numbers are numbers.
        const CellGrid grid = ParseCsvText(ReadWholeFile(run.folder + "/report.csv"), c.spacer, ',');
        bool seen = false;
        for (size_t r = 1; r + 1 <= grid.Rows() && !seen; ++r) {
            if (grid.IsNumber(r, 1) || grid.Text(r, 1).find("Standard Error") == std::string::npos)
                continue;
            const size_t row = r + 2;  // the title, the time line, then group 0
            ASSERT_TRUE(grid.IsNumber(row, 2));
            EXPECT_DOUBLE_EQ(grid.Get(row, 2).number, 8.7);
            EXPECT_TRUE(grid.IsNumber(row, 3));
            if (grid.Cols() >= 4) {
                EXPECT_TRUE(!grid.IsNumber(row, 4) && grid.Text(row, 4).empty());
            }
            seen = true;
        }
        EXPECT_TRUE(seen);
        const std::string workbook = run.folder + "/report_20261210090507.xlsx";
        ASSERT_TRUE(platform::FileExists(workbook));
        const std::string bytes = platform::ReadBinaryFile(workbook).value_or("");
        EXPECT_NE(bytes.find("<v>8.7</v>"), std::string::npos);
        EXPECT_NE(bytes.find("<v>15</v>"), std::string::npos);
        std::filesystem::remove(workbook);
    }
}

// A recording's plate code is a map name of the program folder, never a
// path: a code leading out of it finds no map, even where a file lies there.
TEST(ReportFailures, PlateCodeNamingAnotherFolderFindsNoMap) {
    RecordedRun run;
    RecordingOpener opener;
    const std::filesystem::path program(run.program.Path());
    const std::string outside = program.filename().string() + "_outside_map";
    const std::filesystem::path planted = program.parent_path() / (outside + ".dat");
    platform::WriteTextFile(planted.string(), platform::ReadBinaryFile((program / "W6T.dat").string()).value_or(""));
    std::string setup = SetupFile(1, 0, 18);
    setup.replace(setup.find("\"w6t\""), 5, "\"../" + outside + "\"");
    run.project.Write("20261210_0900_s1/setup.dat", setup);
    ReportData d;
    ReportControls k;
    k.inputFolder = run.folder;
    {
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Multiwell Configuration File ../" + outside + ".dat or .bak not found");
        EXPECT_FALSE(GenerateReport(d, k));
    }
    EXPECT_FALSE(platform::FileExists(run.folder + "/report.csv"));
    std::filesystem::remove(planted);
}

// Stands for the acquisition folder of each case in an expected message.
constexpr const char* run_folder_marker = "<folder>";

TEST(ReportFailures, FailedStepsWriteNothing) {
    struct Case {
        const char* name;
        std::function<void(RecordedRun&, ReportControls&)> spoil;
        std::string message;
    };
    auto counts = [](RecordedRun& r) { return r.folder + "/counts.bin"; };
    const Case cases[] = {
        {"no counts.bin", [&](RecordedRun& r, ReportControls&) { std::filesystem::remove(counts(r)); },
         "Activity file not Found"},
        {"one record", [&](RecordedRun& r, ReportControls&) { platform::WriteTextFile(counts(r), FlatRecord(40, 1, 0)); },
         "Resampling Calculation Error0"},
        {"every record in minute 0",
         [&](RecordedRun& r, ReportControls&) {
             r.project.Write("20261210_0900_s1/counts.bin", FlatRecord(0, 1, 0) + FlatRecord(0, 1, 0) + FlatRecord(0, 1, 0));
         },
         "Resampling ERROR"},
        {"empty counts.bin", [&](RecordedRun& r, ReportControls&) { r.project.Write("20261210_0900_s1/counts.bin", ""); },
         "Resampling ERROR"},
        {"no plate layout", [](RecordedRun& r, ReportControls&) { std::filesystem::remove(r.program / "W6T.dat"); },
         "Multiwell Configuration File w6t.dat or .bak not found"},
        {"no setup.dat", [](RecordedRun& r, ReportControls&) { std::filesystem::remove(r.folder + "/setup.dat"); },
         "Report Error\r\nFile not found: " + std::string(run_folder_marker) + "/setup.dat"},
        {"no groups.dat", [](RecordedRun& r, ReportControls&) { std::filesystem::remove(r.folder + "/groups.dat"); },
         "Report Error\r\nFile not found: " + std::string(run_folder_marker) + "/groups.dat"},
        {"no chgroup.dat", [](RecordedRun& r, ReportControls&) { std::filesystem::remove(r.folder + "/chgroup.dat"); },
         "Report Error\r\nFile not found: " + std::string(run_folder_marker) + "/chgroup.dat"},
        {"bin size not a number", [](RecordedRun&, ReportControls& k) { k.binText = "abc"; }, "Report Error"},
        {"no histogram file", [](RecordedRun&, ReportControls& k) { k.layout = ReportLayout::Histogram; },
         "Error getting Histogram.bin data"},
        // A histogram file without a whole record has no seconds per sample.
        {"empty last histogram file",
         [](RecordedRun& r, ReportControls& k) {
             k.layout = ReportLayout::Histogram;
             r.project.Write("20261210_0900_s1/histo0000.bin", std::string(78556 * 2, '\0'));
             r.project.Write("20261210_0900_s1/histo0001.bin", std::string(78555, '\0'));
         },
         "Report Calculation Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedRun run;
        RecordingOpener opener;
        ReportData d;
        ReportControls k;
        k.inputFolder = run.folder;
        c.spoil(run, k);
        ScriptedDialogs boxes;
        std::string message = c.message;
        if (const size_t at = message.find(run_folder_marker); at != std::string::npos)
            message.replace(at, std::string(run_folder_marker).size(), run.folder);
        boxes.ExpectMessage(message);
        EXPECT_FALSE(GenerateReport(d, k));
        EXPECT_FALSE(platform::FileExists(run.folder + "/report.csv"));
        EXPECT_TRUE(opener.opened.empty());
    }
}

// The text goes to a file as it is made: a text that fails on the way
// (here more bins than 16 bits count) takes that file away with it, and an
// earlier report of the same name keeps every byte.
TEST(ReportFailures, ATextThatCannotBeMadeLeavesNoFile) {
    RecordedRun run;
    ReportData d;
    ReportControls k;
    k.inputFolder = run.folder;
    const auto before = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(run.folder)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> first = before();
    EXPECT_ANY_THROW(WriteReportFile(d, k, 40000, 1, false));
    EXPECT_FALSE(platform::FileExists(run.folder + "/report.csv"));
    EXPECT_EQ(before(), first);

    ASSERT_TRUE(platform::WriteTextFile(run.folder + "/report.csv", "the earlier report\r\n"));
    EXPECT_ANY_THROW(WriteReportFile(d, k, 40000, 1, false));
    EXPECT_EQ(platform::ReadTextFile(run.folder + "/report.csv").value_or(""), "the earlier report\r\n");
    std::vector<std::string> now = before();
    now.erase(std::remove(now.begin(), now.end(), "report.csv"), now.end());
    EXPECT_EQ(now, first);
}

}  // namespace
}  // namespace vondrel::reports::testing

namespace vondrel::reports::testing {
namespace {

// The report as a spreadsheet reads it: one cell per bin, the locale's decimals.
TEST(ReportCsv, PythonCsvReaderSplitsTheReportByItsSpacer) {
    struct Case {
        const char* spacer;
        const char* decimal;
    };
    for (const Case& c : {Case{",", "."}, Case{";", ","}}) {
        RecordedRun run;
        RecordingOpener opener;
        platform::SetDecimalSeparatorForTest(c.decimal);
        ReportData d;
        ReportControls k;
        k.inputFolder = run.folder;
        k.spacer = c.spacer;
        ASSERT_TRUE(GenerateReport(d, k));
        platform::SetDecimalSeparatorForTest("");
        const std::string cmd = std::string("/usr/bin/python3 ") + VONDREL_REPORT_CSV_CHECK + " '" + run.folder +
                                "/report.csv' '" + c.spacer + "' '" + c.decimal + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
}

}  // namespace
}  // namespace vondrel::reports::testing

namespace vondrel::reports::testing {
namespace {

// Bin times: the smaller of t x B and the last minute; N rounds halves to even.
TEST(ReportText, BinTimesAndTheHistogramWellTimes) {
    struct Case {
        int32_t T;
        const char* head;
    };
    for (const Case& c : {Case{45, "Group/Time[m],30,45"}, Case{75, "Group/Time[m],30,60"}, Case{10, "Group/Time[m],10"}}) {
        ReportData d;
        d.m_report_plate_rows = 1;
        d.m_bin_has_data.assign(4, true);
        d.m_bin_sample_count.assign(4, 1);
        d.m_bin_temperature.assign(4, 0);
        d.m_group_well_count.assign(385, 0);
        ReportControls k;
        EXPECT_NE(BuildReportText(d, k, c.T, 30, false).find(std::string(c.head) + "\r\n"), std::string::npos) << c.T;
    }
    // The well histogram prints the bin's end minute without the cap.
    ReportData d;
    d.m_report_plate_rows = 1;
    d.m_report_channel_well[0] = 0;
    d.m_report_well_beam_channel.Assign(2, 1);
    d.m_report_well_beam_channel.At(0, 0) = -1;
    d.m_report_well_beam_channel.At(1, 0) = 0;
    d.m_bin_has_data.assign(4, true);
    d.m_bin_temperature.assign(4, 0);
    ReportControls k;
    k.layout = ReportLayout::Histogram;
    const std::string t = BuildReportText(d, k, 45, 30, false);
    EXPECT_NE(t.find("\r\n60,A1,\"999_Free\",0,"), std::string::npos);
    EXPECT_NE(t.find("\r\n45,\"000_\",0,"), std::string::npos);
}

}  // namespace
}  // namespace vondrel::reports::testing
