// Reading counts.bin, resampling, the plate and setting text, the basal step.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "ReportFixture.h"
#include "ScriptedDialogs.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Numbers.h"
#include "reports/BinAccumulation.h"
#include "reports/ReportPipeline.h"
#include "reports/ReportSteps.h"

namespace vondrel::reports::testing {
namespace {

using vondrel::testing::ScriptedDialogs;

// Records at the given minutes, every channel `count`, temperature `temp`.
ActivityRecords Evenly(int32_t last, int32_t step, int16_t count, int16_t temp = 0) {
    ActivityRecords r;
    const int32_t n = last / step;
    r.Resize(static_cast<size_t>(n) + 2);
    for (int32_t i = 0; i <= n; ++i) {
        r.minutes[i] = i * step;
        r.temperature[i] = temp;
        for (int c = 0; c < kChannels; ++c) r.Count(i, c) = count;
    }
    return r;
}

TEST(ActivityFile, DayChangesAddADayAfterADropOfMoreThan1000MinutesAndTheTwentyThirdFails) {
    TempFolder tmp;
    tmp.Write("a.bin", FlatRecord(1438, 1, 0) + FlatRecord(1439, 1, 0) + FlatRecord(0, 1, 0) + FlatRecord(1, 1, 0) +
                           "fragment");
    EXPECT_EQ(ReadActivityDuration(tmp / "a.bin"), 1441);
    tmp.Write("b.bin", FlatRecord(1000, 1, 0) + FlatRecord(0, 1, 0) + FlatRecord(5, 1, 0));
    EXPECT_EQ(ReadActivityDuration(tmp / "b.bin"), 1000);

    std::string days;
    for (int i = 0; i < 22; ++i) days += FlatRecord(1439, 1, 0) + FlatRecord(0, 1, 0);
    tmp.Write("c.bin", days + FlatRecord(1, 1, 0));
    EXPECT_EQ(ReadActivityDuration(tmp / "c.bin"), 22 * 1440 + 1);
    tmp.Write("d.bin", days + FlatRecord(1439, 1, 0) + FlatRecord(0, 1, 0) + FlatRecord(1, 1, 0));
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Error reading " + tmp / "d.bin").ExpectMessage("Error reading " + tmp / "missing.bin");
    EXPECT_EQ(ReadActivityDuration(tmp / "d.bin"), std::nullopt);
    EXPECT_EQ(ReadActivityDuration(tmp / "missing.bin"), std::nullopt);
}

TEST(ActivityFile, LoadingStopsAtTheLastRecordThatReachesTheRunningMaximum) {
    TempFolder tmp;
    ActivityRecords r;
    tmp.Write("a.bin", FlatRecord(0, 1, 0) + FlatRecord(1, 1, 0) + FlatRecord(3, 7, 0) + FlatRecord(3, 8, 0) +
                           FlatRecord(1, 9, 0) + FlatRecord(2, 9, 0) + "frag");
    EXPECT_EQ(LoadActivityRecords(tmp / "a.bin", r), 3);
    EXPECT_EQ(r.Count(3, 0), 8);  // ties go to the later record
    // A second day that stays below the first day's last minute is not loaded.
    tmp.Write("b.bin", FlatRecord(1438, 1, 0) + FlatRecord(1439, 1, 0) + FlatRecord(0, 1, 0) + FlatRecord(5, 1, 0));
    EXPECT_EQ(LoadActivityRecords(tmp / "b.bin", r), 1);
    // A day change up to the maximum is.
    tmp.Write("c.bin", FlatRecord(1438, 1, 0) + FlatRecord(0, 1, 0) + FlatRecord(1439, 1, 0));
    EXPECT_EQ(LoadActivityRecords(tmp / "c.bin", r), 2);
    EXPECT_EQ(r.minutes[1], 1440);
    EXPECT_EQ(r.minutes[2], 1440 + 1439);
    tmp.Write("empty.bin", "");
    EXPECT_EQ(LoadActivityRecords(tmp / "empty.bin", r), -1);
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Error loading " + tmp / "none.bin");
    EXPECT_EQ(LoadActivityRecords(tmp / "none.bin", r), std::nullopt);
}

// Windows 1200 to 1210 of a 1,300-window run left as zeros by a writer
// that could not write them: the holes are not minute 0 of a new day; the
// duration is the run's and the records loaded are those of the run without
// these windows.
TEST(ActivityFile, HolesAreSkipped) {
    TempFolder tmp;
    const std::string hole(774, '\0');
    std::string before, after;
    for (int32_t m = 0; m < 1200; ++m) before += FlatRecord(m, static_cast<int16_t>(m % 7), 230);
    for (int32_t m = 1211; m < 1300; ++m) after += FlatRecord(m, static_cast<int16_t>(m % 7), 230);
    std::string holes = before;
    for (int i = 0; i < 11; ++i) holes += hole;
    tmp.Write("holes.bin", holes + after);
    tmp.Write("without.bin", before + after);
    EXPECT_EQ(ReadActivityDuration(tmp / "holes.bin"), 1299);
    ActivityRecords loaded, expected;
    EXPECT_EQ(LoadActivityRecords(tmp / "holes.bin", loaded), 1288);
    EXPECT_EQ(LoadActivityRecords(tmp / "without.bin", expected), 1288);
    EXPECT_EQ(loaded.minutes, expected.minutes);
    EXPECT_EQ(loaded.counts, expected.counts);
    EXPECT_EQ(loaded.temperature, expected.temperature);
    // A first record of zeros is data.
    tmp.Write("first.bin", hole + FlatRecord(1, 1, 0));
    EXPECT_EQ(LoadActivityRecords(tmp / "first.bin", loaded), 1);
}

TEST(Resampling, PartialLastBinsAreDroppedOrCompleted) {
    struct Case {
        int32_t T;
        int16_t B;
        int32_t expected, newT;
    };
    for (const Case& c : {Case{100, 30, 2, 90}, Case{115, 30, 3, 120}, Case{20, 30, -1, 0}, Case{90, 30, 2, 90},
                          Case{60, 30, 1, 60}}) {
        SCOPED_TRACE(c.T);
        ActivityRecords r = Evenly(c.T, 5, 50);
        int32_t T = c.T;
        EXPECT_EQ(ResampleToBins(T, c.T / 5, c.B, r), c.expected);
        EXPECT_EQ(T, c.newT);
        if (c.expected >= 0) {
            EXPECT_EQ(r.minutes[c.expected], (c.expected + 1) * c.B);
        }
    }
    // The completed bin of 83.3 % is multiplied by 1.1667: the same as a full one within rounding.
    ActivityRecords r = Evenly(115, 5, 50);
    int32_t T = 115;
    ASSERT_EQ(ResampleToBins(T, 23, 30, r), 3);
    EXPECT_NEAR(r.Count(3, 0), r.Count(1, 0), 10);
    // Exactly 75 % is kept and multiplied by 1.25.
    ActivityRecords q;
    q.Resize(6);
    q.minutes = {0, 1, 4, 7, 0, 0};
    for (int i = 0; i < 4; ++i) q.Count(i, 0) = 100;
    T = 7;
    ASSERT_EQ(ResampleToBins(T, 3, 4, q), 1);  // record by record: 0 1 4 | 7
    EXPECT_EQ(T, 8);
    EXPECT_EQ(q.Count(0, 0), 300);
    EXPECT_EQ(q.Count(1, 0), 125);
}

TEST(Resampling, SixtyOneMinutesOfFiftyAndTenGiveTheProportionalBins) {
    ActivityRecords r = Evenly(60, 1, 0, 250);
    for (int i = 0; i <= 60; ++i) r.Count(i, 0) = 50, r.Count(i, 1) = 10;
    int32_t T = 60;
    ASSERT_EQ(ResampleToBins(T, 60, 30, r), 1);
    EXPECT_EQ(r.Count(0, 0), 1502);
    EXPECT_EQ(r.Count(1, 0), 1499);
    EXPECT_EQ(r.Count(0, 1), 300);
    EXPECT_EQ(r.Count(1, 1), 300);
    EXPECT_EQ(r.temperature[0], 250);
    EXPECT_EQ(r.Count(0, 384), 0);
}

TEST(Resampling, OneLongGapSwitchesToRecordByRecordAndBinsBeyond16BitsFail) {
    ActivityRecords r;
    r.Resize(6);
    r.minutes = {0, 10, 20, 90, 100, 0};
    for (int i = 0; i < 5; ++i) r.Count(i, 2) = static_cast<int16_t>(i + 1), r.temperature[i] = int16_t(200 + i);
    int32_t T = 100;
    ASSERT_EQ(ResampleToBins(T, 4, 30, r), 2);  // 100 / 30 is 3.33: the last third is dropped
    EXPECT_EQ(T, 90);
    // 0, 10, 20 and 90 (which moves the bin on) in bin 0; 100 in bin 1 whatever its minute.
    EXPECT_EQ(r.Count(0, 2), 1 + 2 + 3 + 4);
    EXPECT_EQ(r.Count(1, 2), 5);
    EXPECT_EQ(r.temperature[0], 203);

    ActivityRecords big = Evenly(60, 1, 32000);
    T = 60;
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Resampling Calculation Error0");
    EXPECT_EQ(ResampleToBins(T, 60, 30, big), std::nullopt);
}

// The proportional walk done once for all channels equals each channel's own
// walk, on every instruction path the processor has, for records held in the
// table and for records read again from counts.bin.
TEST(Resampling, SharedWalkGivesEveryChannelItsOwnLiteralSequence) {
    std::mt19937 rng(7);
    const int32_t n = 40, T = 3 * n;
    const int16_t B = 17;
    ActivityRecords r;
    r.Resize(n + 2);
    std::string file;
    for (int i = 0; i <= n; ++i) {
        r.minutes[i] = 3 * i;
        r.temperature[i] = static_cast<int16_t>(200 + i);
        std::vector<int16_t> counts(kChannels);
        for (int c = 0; c < kChannels; ++c) r.Count(i, c) = counts[c] = static_cast<int16_t>(rng() % 700);
        file += CountsRecord(3 * i, counts, r.temperature[i]);
    }
    TempFolder tmp;
    tmp.Write("counts.bin", file);
    const ActivityRecords original = r;
    const int64_t nb = static_cast<int64_t>(RoundHalfEven(static_cast<double>(T) / B));
    const double rate = static_cast<double>(T) / n;
    std::vector<std::vector<double>> expected;
    for (int c = 0; c < kChannels; ++c) {
        std::vector<double> acc(nb + 2, 0.0);
        int32_t rec = 0;
        int64_t b = 0;
        double tr = 0, tb = 0;
        while (b <= nb && rec < n) {
            acc[b] = acc[b] + original.Count(rec, c) / (rate * 50);
            if (tr >= rate) rec = rec + 1, tr = 0;
            if (tb >= B) b = b + 1, acc[b] = 0, tb = 0;
            tr = tr + 0.02;
            tb = tb + 0.02;
        }
        expected.push_back(acc);
    }
    for (BinningPath path : {BinningPath::Portable, BinningPath::Avx2, BinningPath::Avx512}) {
        SetBinningPathForTest(path);
        if (CurrentBinningPath() != path) {
            std::printf("binning path %d: not on this processor, skipped\n", static_cast<int>(path));
            continue;
        }
        SCOPED_TRACE(static_cast<int>(path));
        ActivityRecords held = original;
        int32_t t = T;
        const auto c = ResampleToBins(t, n, B, held);
        ASSERT_TRUE(c.has_value());
        for (int ch = 0; ch < kChannels; ++ch)
            for (int64_t i = 0; i < nb - 1; ++i) ASSERT_EQ(held.Count(i, ch), ToInt16(expected[ch][i])) << ch << " bin " << i;

        auto scanned = CountsRecords::Scan(tmp / "counts.bin");
        ASSERT_TRUE(scanned.has_value());
        ActivityRecords read;
        ASSERT_EQ(LoadActivityMinutes(*scanned, read), n);
        int32_t t2 = LargestMinute(read, n);
        ASSERT_EQ(t2, T);
        EXPECT_EQ(ResampleToBins(t2, n, B, read, *scanned), c);
        EXPECT_EQ(t2, t);
        EXPECT_EQ(read.minutes, held.minutes);
        EXPECT_EQ(read.temperature, held.temperature);
        EXPECT_TRUE(read.counts == held.counts);
    }
    SetBinningPathForTest(BinningPath::Automatic);
}

// Counts that can no longer be read when they are binned (the file cut
// short after it was scanned) fail as a load, and nothing is binned.
TEST(Resampling, CountsGoneAfterTheScanFailAsALoad) {
    TempFolder tmp;
    std::string file;
    for (int32_t m = 0; m < 300; ++m) file += FlatRecord(m, 5, 250);
    tmp.Write("counts.bin", file);
    auto scanned = CountsRecords::Scan(tmp / "counts.bin");
    ASSERT_TRUE(scanned.has_value());
    ActivityRecords r;
    ASSERT_EQ(LoadActivityMinutes(*scanned, r), 299);
    EXPECT_TRUE(r.counts.empty());
    std::filesystem::resize_file(tmp / "counts.bin", 200 * kCountsRecordBytes + 10);
    int32_t T = LargestMinute(r, 299);
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Error loading " + tmp / "counts.bin");
    EXPECT_EQ(ResampleToBins(T, 299, 30, r, *scanned), std::nullopt);
}

TEST(PlateAndSetting, SettingTextFromSetupDat) {
    struct Case {
        int method, organism, snr;
        const char* sign;
        std::string expected;
    };
    TempFolder tmp;
    for (const Case& c : {Case{1, 0, 18, ".", "Mode1 C.elegans[snr=1.8]"}, Case{3, 3, 8, ".", "Mode3 [snr=0.8]"},
                          Case{2, 1, 0, ".", "Mode2 Zebrafish[snr=1.8]"}, Case{1, 2, 20, ".", "Mode1 Echinococcus[snr=2]"},
                          Case{1, 0, 18, ",", "Mode1 C.elegans[snr=1,8]"}}) {
        platform::SetDecimalSeparatorForTest(c.sign);
        tmp.Write("setup.dat", SetupFile(c.method, c.organism, c.snr));
        EXPECT_EQ(DescribeSetting(tmp.Path()), c.expected);
    }
    platform::SetDecimalSeparatorForTest("");
    EXPECT_THROW(DescribeSetting(tmp / "none"), ReportFailure);
}

TEST(PlateAndSetting, PlateConfigurationOfTheAcquisition) {
    RecordedRun run;
    ReportData d;
    LoadPlateConfiguration(run.folder, d);
    EXPECT_EQ(d.m_report_plate_rows, 2);
    EXPECT_EQ(d.m_report_plate_cols, 3);
    EXPECT_EQ(d.m_report_max_well, 5);
    EXPECT_EQ(d.m_report_max_beam, 1);
    EXPECT_EQ(d.WellBeamChannel(3, 1), 7);
    EXPECT_EQ(d.WellBeamChannel(-1, 0), -1);
    EXPECT_EQ(d.m_report_channel_group[10], -1);  // 999 is free
    EXPECT_EQ(d.m_report_channel_well[12], -1);
    EXPECT_EQ(d.m_report_group_names, (std::vector<std::string>{"Control", "Unused", "Drug"}));

    // Only the .bak copy: read without a message; the higher channel wins a shared place.
    std::string plate = CrLf({"\"Plate\",\"w6t\"", "1,10,0,2,10,0", "\"Channels\"", "\"a\",0,0", "\"b\",1,0", "\"c\",1,0"});
    std::filesystem::remove(run.program / "W6T.dat");
    run.program.Write("w6t.BAK", plate);
    LoadPlateConfiguration(run.folder, d);
    EXPECT_EQ(d.m_report_max_well, 1);
    EXPECT_EQ(d.m_report_max_beam, 0);
    EXPECT_EQ(d.WellBeamChannel(1, 0), 2);

    run.program.Write("w6t.BAK", CrLf({"\"Plate\",\"w6t\"", "1,10,0,2,10,0", "\"Channels\"", "\"a\",400,0"}));
    EXPECT_THROW(LoadPlateConfiguration(run.folder, d), ReportFailure);
}

TEST(Pipeline, ShortAcquisitionsFitTheBinSize) {
    struct Case {
        int32_t T;
        std::string bin, expected;
    };
    for (const Case& c : {Case{45, "60", "45"}, Case{50, "60", "45"}, Case{20, "60", "20"}, Case{100, "120", "90"},
                          Case{25, "30", "25"}, Case{60, "0", "1"}, Case{60, "-5", "1"}, Case{45, "45", "45"},
                          Case{60, "30", "30"}}) {
        SCOPED_TRACE(c.T);
        RecordedRun run;
        RecordingOpener opener;
        std::string counts;
        for (int32_t m = 0; m <= c.T; m += 5) counts += FlatRecord(m, 5, 0);
        run.project.Write("20261210_0900_s1/counts.bin", counts);
        ReportData d;
        ReportControls k;
        k.inputFolder = run.folder;
        k.binText = c.bin;
        EXPECT_TRUE(GenerateReport(d, k));
        EXPECT_EQ(k.binText, c.expected);
    }
}

TEST(Pipeline, StaleArraysOfAnEarlierReportDoNotReachTheNextOne) {
    RecordedRun run;
    RecordingOpener opener;
    ReportData d;
    ReportControls k;
    k.inputFolder = run.folder;
    ASSERT_TRUE(GenerateReport(d, k));
    // A histogram report prints its Standard Deviation from a fresh table.
    run.project.Write("20261210_0900_s1/histo0000.bin", std::string(78556 * 2, '\0'));
    k.layout = ReportLayout::Histogram;
    k.standardDeviation = true;
    ASSERT_TRUE(GenerateReport(d, k));
    const std::string t = platform::ReadBinaryFile(run.folder + "/report.csv").value();
    EXPECT_NE(t.find("Standard Deviation >>>>>>\"\r\nGroup/Time[m],30\r\n\"000_Control\",0.0\r\n"), std::string::npos);
    EXPECT_EQ(t.find("15.0"), std::string::npos);

    // A preset setting text is printed once.
    d.m_setting_text = "Mode9 raw";
    d.m_setting_preset = true;
    k.layout = ReportLayout::Rows;
    ASSERT_TRUE(GenerateReport(d, k));
    EXPECT_NE(platform::ReadBinaryFile(run.folder + "/report.csv")->find("\"Mode9 raw\""), std::string::npos);
    ASSERT_TRUE(GenerateReport(d, k));
    EXPECT_NE(platform::ReadBinaryFile(run.folder + "/report.csv")->find("\"Mode1 C.elegans[snr=1.8]\""),
              std::string::npos);
}

// The basal acquisition of the day before, beside the reported one.
struct BasalRun {
    RecordedRun run;
    RecordingOpener opener;
    ReportData d;
    ReportControls k;
    explicit BasalRun(const std::string& basalCounts) {
        run.project.Write("20261209_0900_s1/counts.bin", basalCounts);
        k.inputFolder = run.folder;
        k.basal = "20261209_0900 basal day";
        k.standardError = false;
        k.wellsPerGroup = false;
        platform::SetDecimalSeparatorForTest(".");
    }
    ~BasalRun() { platform::SetDecimalSeparatorForTest(""); }
    std::string Report() { return platform::ReadBinaryFile(run.folder + "/report.csv").value_or(""); }
};

std::string OneBasalBin(std::vector<int16_t> counts) {
    return FlatRecord(0, 0, 0) + FlatRecord(1, 0, 0) + CountsRecord(30, counts, 200);
}

TEST(Basal, OneBasalBinGivesPercentagesWithoutAskingAndNoChannelSection) {
    BasalRun b(OneBasalBin({5, 5, 10, 10, 20, 20, 3, 3, 0, 0, 1, 1}));
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Using Groups Selected in Experiment: " + b.run.folder.substr(b.run.folder.size() - 20));
    ASSERT_TRUE(GenerateReport(b.d, b.k));
    const std::string t = b.Report();
    EXPECT_NE(t.find(CrLf({"\"TIME0(BASAL MEASSURE):\",\"20261209_0900 basal day\"", "",
                           "\"***DATA AS % OF BASAL ACTIVITY***\"",
                           "\"<<<<<< Group Activity: Average Activity Counts per Data Interval>>>>>>\"",
                           "Group/Time[m],0,30,60", "\"000_Control\",100,200,12", "\"001_Unused\",100,0,0",
                           "\"002_Drug\",100,200,33", ""})),
              std::string::npos);
    EXPECT_NE(t.find("Time[m],0,30,60,\r\n#Samples,30,30,30,\r\n"), std::string::npos);
    EXPECT_NE(t.find("Temp[\xB0" "C],?,25.0,0.0,\r\n"), std::string::npos);
    EXPECT_NE(t.find("A1,\"000_Control\",100,200,20\r\n"), std::string::npos);
    EXPECT_NE(t.find("A3,\"999_Free\",100,7,1\r\n"), std::string::npos);
    EXPECT_EQ(t.find("Channel"), std::string::npos);
    EXPECT_EQ(t.substr(t.size() - 4), "\r\n\r\n");
}

TEST(Basal, LongerBasalAsksForItsMinutesUntilTheAnswerFits) {
    BasalRun b(OneBasalBin(std::vector<int16_t>(384, 30)) + FlatRecord(60, 30, 0) + FlatRecord(90, 30, 0));
    ScriptedDialogs boxes;
    boxes.AllowAnyMessages();
    boxes.ExpectInput("Basal acquisition is 90min long, and BinSize=30min. \r\n\r\nHow many minutes do you want to use "
                      "to calculate Basal Meassurement?",
                      std::nullopt)
        .ExpectInput("Enter a value between 30 and 90", "45,0");
    ASSERT_TRUE(GenerateReport(b.d, b.k));
    // Basal = 30 x 30 / 45 = 20 per channel: 10 is 50 %, 1 is 5 %.
    EXPECT_NE(b.Report().find("A1,\"000_Control\",100,50,5\r\n"), std::string::npos);
}

// The basal sum over several bins is summed wide: 3 x 11000 exceeds 16 bits,
// its mean per bin (11000) does not.
TEST(Basal, BasalSumBeyondSixteenBitsIsSummedWide) {
    const std::vector<int16_t> basal(384, 11000);
    BasalRun b(OneBasalBin(basal) + CountsRecord(60, basal, 0) + CountsRecord(90, basal, 0));
    b.run.project.Write("20261210_0900_s1/counts.bin",
                        FlatRecord(0, 0, 0) + FlatRecord(1, 0, 0) + FlatRecord(30, 22000, 250) + FlatRecord(60, 11000, 600));
    ScriptedDialogs boxes;
    boxes.AllowAnyMessages();
    boxes.ExpectInput("Basal acquisition is 90min long, and BinSize=30min. \r\n\r\nHow many minutes do you want to use "
                      "to calculate Basal Meassurement?",
                      "90");
    ASSERT_TRUE(GenerateReport(b.d, b.k));
    EXPECT_NE(b.Report().find("A1,\"000_Control\",100,200,100\r\n"), std::string::npos) << b.Report();
}

// A percentage of basal is at most 10000: 1000 over a basal of 2 is 10000, not 50000.
TEST(Basal, PercentOfBasalIsCappedAt10000) {
    BasalRun b(OneBasalBin(std::vector<int16_t>(384, 2)));
    b.run.project.Write("20261210_0900_s1/counts.bin",
                        FlatRecord(0, 0, 0) + FlatRecord(1, 0, 0) + FlatRecord(30, 1000, 250) + FlatRecord(60, 1, 600));
    ScriptedDialogs boxes;
    boxes.AllowAnyMessages();
    ASSERT_TRUE(GenerateReport(b.d, b.k));
    EXPECT_NE(b.Report().find("A1,\"000_Control\",100,10000,50\r\n"), std::string::npos) << b.Report();
}

TEST(Basal, ZeroBasalWellsFollowTheChosenRule) {
    const std::vector<int16_t> counts = {5, 5, 10, 10, 20, 20, 0, 0, 0, 0, 1, 1};
    const std::string zero = "You have 1 BASAL WELLS with 0 activity. Proceed anyway??";
    const std::string rules =
        "For ZERO Activity Basal Wells:\r\n[YES] to replace <BASAL Well> with <MAX Well Activity>\r\n[NO] to replace "
        "<BASAL Well> with <BASAL Microplate Average>\r\n[CANCEL] to DISCARD Well in Calculation\r\n\r\nTO BE APPLIED "
        "TO ALL 0 ACTIVITY BASAL WELLs";
    {
        BasalRun b(OneBasalBin(counts));
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Using Groups Selected in Experiment: " + b.run.folder.substr(b.run.folder.size() - 20))
            .ExpectMessage(zero, platform::Reply::No);
        EXPECT_FALSE(GenerateReport(b.d, b.k));
        EXPECT_EQ(b.Report(), "");
    }
    {
        BasalRun b(OneBasalBin(counts));
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Using Groups Selected in Experiment: " + b.run.folder.substr(b.run.folder.size() - 20))
            .ExpectMessage(zero, platform::Reply::Yes)
            .ExpectMessage(rules, platform::Reply::Yes);
        ASSERT_TRUE(GenerateReport(b.d, b.k));
        // Maximum rule: B2's basal is its largest bin, 6.
        EXPECT_NE(b.Report().find("B2,\"002_Drug\",100,100,17\r\n"), std::string::npos);
    }
    {
        BasalRun b(OneBasalBin(counts));
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Using Groups Selected in Experiment: " + b.run.folder.substr(b.run.folder.size() - 20))
            .ExpectMessage(zero, platform::Reply::Yes)
            .ExpectMessage(rules, platform::Reply::Cancel)
            .ExpectMessage("ERROR in 2 BASAL channels.\r\nChannels were discarded and transferred to Free Group");
        ASSERT_TRUE(GenerateReport(b.d, b.k));
        EXPECT_NE(b.Report().find("B2,\"999_Free\",100,-999,-999\r\n"), std::string::npos);
    }
}

TEST(Basal, AMissingBasalFolderStopsTheReport) {
    BasalRun b(OneBasalBin({1}));
    b.k.basal = "20200101_0000 nowhere";
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Using Groups Selected in Experiment: " + b.run.folder.substr(b.run.folder.size() - 20))
        .ExpectMessage("Error loading " + b.run.project / "20200101_0000/counts.bin");
    EXPECT_FALSE(GenerateReport(b.d, b.k));
    EXPECT_EQ(b.Report(), "");
}

}  // namespace
}  // namespace vondrel::reports::testing
