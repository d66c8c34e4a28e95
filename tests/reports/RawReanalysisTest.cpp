#include "reports/RawReanalysis.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "RawRunFixture.h"
#include "ScriptedDialogs.h"
#include "detection/EventCounter.h"
#include "platform/Files.h"
#include "reports/ReportPipeline.h"
#include "reports/ReportSteps.h"
#include "store/PairReplace.h"

namespace vondrel::reports {
namespace {

using testing::CrLf;
using testing::kSetup;
using testing::RawRun;
using testing::RecordingOpener;
using vondrel::testing::ScriptedDialogs;

int16_t CountIn(const std::string& counts, int record, int element) {
    int16_t v = 0;
    std::memcpy(&v, counts.data() + record * 774 + 4 + element * 2, 2);
    return v;
}
int32_t MinuteIn(const std::string& counts, int record) {
    int32_t v = 0;
    std::memcpy(&v, counts.data() + record * 774, 4);
    return v;
}

TEST(RawReanalysis, ReplaceStoresTheNewCountsAndSettingsAndIsRepeatable) {
    std::string first;
    for (int workers : {1, 4}) {
        RawRun run(testing::Minutes(14, 5));
        RecordingOpener opener;
        ScriptedDialogs boxes;
        ReportData data;
        auto c = run.Controls(true);
        ReanalysisHooks hooks;
        hooks.workers = workers;
        std::vector<std::string> shown;
        hooks.status = [&](const std::string& text) { shown.push_back(text); };
        EXPECT_EQ(RunRawReanalysis(data, c, hooks), ReanalysisEnd::Reported);
        // Progress: blocks counted up in order, then the saving, then the whole again.
        ASSERT_GE(shown.size(), 3u);
        EXPECT_EQ(shown.front(), "Block 0/14");
        EXPECT_EQ(shown[shown.size() - 3], "Block 14/14");
        EXPECT_EQ(shown[shown.size() - 2], "Saving...");
        EXPECT_EQ(shown.back(), "Block 14/14");
        for (size_t i = 1; i + 2 < shown.size(); ++i)
            EXPECT_LE(std::stoi(shown[i - 1].substr(6)), std::stoi(shown[i].substr(6))) << shown[i];
        hooks.status = nullptr;
        const std::string counts = run.Read("counts.bin");
        ASSERT_EQ(counts.size(), run.countsBefore.size());
        for (int r = 0; r < 14; ++r) {
            EXPECT_EQ(MinuteIn(counts, r), r * 5);
            EXPECT_EQ(CountIn(counts, r, 384), 200 + r) << "temperature kept";
            for (int ch = 0; ch < 12; ++ch) EXPECT_EQ(CountIn(counts, r, ch), run.Reference(r, ch, 2.2, 0)) << r << " " << ch;
            for (int ch = 12; ch < 384; ++ch) ASSERT_EQ(CountIn(counts, r, ch), 0) << "channel off the plate " << ch;
        }
        EXPECT_EQ(run.Read("setup.bak"), kSetup);
        EXPECT_EQ(run.Read("setup.dat"),
                  CrLf({"\"Project\"", "\"name\",\"x\",\"y\",\"w6t\"", "\"Values\"", "0,0,0,500,0,0", "\"h5\"", "1",
                        "\"h7\"", "1", "\"Mn1\"", "1,0,0,22,,0", "\"tail\",\"a,b\""}));
        EXPECT_TRUE(run.HasReport());
        EXPECT_EQ(data.m_setting_text, DescribeSetting(run.folder));
        if (first.empty()) first = counts;
        else EXPECT_EQ(counts, first) << "one worker and four";

        // A second replacement with the same choices changes nothing.
        auto again = run.Controls(true);
        EXPECT_EQ(RunRawReanalysis(data, again, hooks), ReanalysisEnd::Reported);
        EXPECT_EQ(run.Read("counts.bin"), counts);
    }
}

TEST(RawReanalysis, LapseAndBinAreFittedToTheData) {
    struct Case {
        std::vector<int32_t> minutes;
        bool replace;
        std::string lapse, bin;
        std::string status0, lapseAfter, binAfter;
    };
    std::vector<int32_t> short20 = testing::Minutes(13, 1);
    short20.push_back(20);
    std::vector<int32_t> long100 = testing::Minutes(13, 1);
    long100.push_back(100);
    const std::vector<Case> cases = {
        {testing::Minutes(14, 5), false, "1", "5", "Block 0/13", "1", "5"},       // minute 60 is the last analysed
        {testing::Minutes(14, 5), true, "1", "5", "Block 0/14", "1", "5"},        // Replace takes all
        {testing::Minutes(14, 5), false, "0,01", "5", "Block 0/2", "0.08", "5"},  // five minutes at least
        {short20, false, "533", "30", "Block 0/14", "533", "20"},
        {long100, false, "533", "120", "Block 0/14", "533", "90"},
        {testing::Minutes(14, 5), false, "533", "1", "Block 0/14", "533", "2"},
    };
    for (const auto& k : cases) {
        RawRun run(k.minutes);
        RecordingOpener opener;
        ScriptedDialogs boxes;
        ReportData data;
        auto c = run.Controls(k.replace);
        c.lapseText = k.lapse;
        c.report.binText = k.bin;
        std::vector<std::string> status;
        ReanalysisHooks hooks;
        hooks.status = [&](const std::string& s) { status.push_back(s); };
        EXPECT_EQ(RunRawReanalysis(data, c, hooks), ReanalysisEnd::Reported) << k.lapse << " " << k.bin;
        ASSERT_FALSE(status.empty());
        EXPECT_EQ(status.front(), k.status0) << k.lapse;
        EXPECT_EQ(c.lapseText, k.lapseAfter);
        EXPECT_EQ(c.report.binText, k.binAfter) << k.bin;
        if (!k.replace) {
            EXPECT_EQ(run.Read("counts.bin"), run.countsBefore);
            EXPECT_TRUE(data.m_setting_preset);
            EXPECT_EQ(data.m_setting_text, "0_Threshold+Binary (Old Method.w/filters) Zebrafish(Larvae) [SNR=2.2]");
        }
    }
}

TEST(RawReanalysis, FallingMinuteGetsZerosAndDayChangeAddsADay) {
    RawRun run({0, 1, 2, 3, 4, 2, 5, 6, 1439, 0, 1, 2});
    RecordingOpener opener;
    ScriptedDialogs boxes;
    ReportData data;
    auto c = run.Controls(true);
    EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Reported);
    const std::string counts = run.Read("counts.bin");
    for (int ch = 0; ch < 12; ++ch) EXPECT_EQ(CountIn(counts, 5, ch), 0);
    EXPECT_EQ(CountIn(counts, 6, 3), run.Reference(6, 3, 2.2, 0));
    EXPECT_EQ(MinuteIn(counts, 8), 1439);
    EXPECT_EQ(MinuteIn(counts, 9), 1440);
    EXPECT_EQ(MinuteIn(counts, 11), 1442);
}

// A hole in counts.bin (774 zero bytes after minute 1000, its raw block in
// place) is no data: Replace writes it back as zeros and the records after it
// keep their day; the report is that of the run without it.
TEST(RawReanalysis, AHoleStaysAHole) {
    RawRun run({1000, 1001, 1002, 1003, 1004});
    std::string counts = run.countsBefore;
    std::memset(counts.data() + 2 * 774, 0, 774);
    run.project.Write("20261210_0900_s1/counts.bin", counts);
    RecordingOpener opener;
    ScriptedDialogs boxes;
    ReportData data;
    auto c = run.Controls(true);
    EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Reported);
    const std::string after = run.Read("counts.bin");
    ASSERT_EQ(after.size(), 5 * 774u);
    EXPECT_EQ(after.substr(2 * 774, 774), std::string(774, '\0'));
    EXPECT_EQ(MinuteIn(after, 1), 1001);
    EXPECT_EQ(MinuteIn(after, 3), 1003);
    EXPECT_EQ(MinuteIn(after, 4), 1004);
    EXPECT_EQ(CountIn(after, 3, 3), run.Reference(3, 3, 2.2, 0));
}

// Damaged minutes: a negative minute, one that the day offset carries past
// 32 bits, more day changes than the day offset holds, or a last minute so
// large that its report would need more bins than a report holds (and, with
// them, a recording that gives no bin at all). The run
// stops with its error before it writes anything; Replace in particular never
// puts a wrapped minute into counts.bin.
TEST(RawReanalysis, ADamagedMinuteStopsTheRunBeforeAnythingIsWritten) {
    struct Case {
        const char* what;
        std::vector<int32_t> minutes;
        bool replace;
        std::string message;
    };
    std::vector<int32_t> dayChanges;  // 2000, 0, 2000, 0, ...: a day more at every 0
    for (int i = 0; i < 23; ++i) dayChanges.insert(dayChanges.end(), {2000, 0});
    const std::vector<Case> cases = {
        {"negative minute", {0, 5, -3, 15}, true, "Report Error"},
        {"negative first minute", {-1440, 5, 10}, true, "Report Error"},
        {"past 32 bits after a day change", {1200, 10, INT32_MAX - 100}, true, "Report Error"},
        {"past 32 bits without Replace", {1200, 10, INT32_MAX - 100}, false, "Report Error"},
        {"23 day changes", dayChanges, true, "Report Error"},
        {"largest minute", {0, 1, INT32_MAX}, true, "Resampling Calculation Error0"},
        {"no minute past 0", {0, 0, 0}, true, "Resampling ERROR"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        RawRun run(k.minutes);
        RecordingOpener opener;
        ScriptedDialogs boxes;
        boxes.ExpectMessage(k.message);
        ReportData data;
        auto c = run.Controls(k.replace);
        EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Failed);
        EXPECT_TRUE(boxes.Done());
        EXPECT_EQ(run.Read("counts.bin"), run.countsBefore);
        EXPECT_EQ(run.Read("setup.dat"), run.setupBefore);
        EXPECT_FALSE(std::filesystem::exists(run.folder + "/setup.bak"));
        EXPECT_FALSE(run.HasReport());
        EXPECT_TRUE(opener.opened.empty());
    }
}

// A record beyond the analysed ones is not read: a damaged minute there
// stops nothing, and Replace leaves its bytes as they are.
TEST(RawReanalysis, ADamagedMinuteAfterTheLimitIsLeftAlone) {
    RawRun run({0, 5, 10, 32000, -7, INT32_MAX});
    RecordingOpener opener;
    ScriptedDialogs boxes;
    ReportData data;
    auto c = run.Controls(true);
    EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Reported);
    const std::string counts = run.Read("counts.bin");
    ASSERT_EQ(counts.size(), run.countsBefore.size());
    EXPECT_EQ(MinuteIn(counts, 3), 32000);
    EXPECT_EQ(CountIn(counts, 3, 3), run.Reference(3, 3, 2.2, 0));
    EXPECT_EQ(counts.substr(4 * 774), run.countsBefore.substr(4 * 774));
    EXPECT_TRUE(run.HasReport());
}

// The bin text is read as a number rounded to a whole minute, halves to the
// even neighbour ("2.5" is 2, "3.5" is 4), and a bin below 2 minutes becomes
// 2; the report is then the one of the whole bin. A text that is no number,
// or one beyond 16 bits, is refused before anything is read.
TEST(RawReanalysis, AFractionalBinIsTakenRoundedHalfToEven) {
    auto reportWithBin = [](const std::string& bin, std::string* binAfter) {
        RawRun run(testing::Minutes(14, 5));
        RecordingOpener opener;
        ScriptedDialogs boxes;
        ReportData data;
        auto c = run.Controls(false);
        c.report.binText = bin;
        EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Reported) << bin;
        if (binAfter) *binAfter = c.report.binText;
        // The report without its FILE: line (each run has its own folder).
        std::string report = run.Read("report.csv");
        const size_t file = report.find("\"FILE:\"");
        if (file != std::string::npos) report.erase(file, report.find('\n', file) + 1 - file);
        return report;
    };
    // The bin ends of a report's first table, to tell which bin it used.
    auto binEnds = [](const std::string& report) {
        const size_t at = report.find("Group/Time[m],");
        return at == std::string::npos ? std::string() : report.substr(at, report.find('\r', at) - at);
    };
    std::map<std::string, std::string> whole;
    for (const char* bin : {"2", "3", "4"}) whole[bin] = reportWithBin(bin, nullptr);
    ASSERT_NE(whole["2"], whole["3"]);
    ASSERT_NE(whole["4"], whole["3"]);
    struct Case {
        std::string typed, takenAs, textAfter;
    };
    for (const auto& k : std::vector<Case>{{"2.5", "2", "2.5"},
                                           {"3.5", "4", "3.5"},
                                           {" 2.4 ", "2", " 2.4 "},
                                           {"2.6", "3", "2.6"},
                                           {"1.5", "2", "1.5"},
                                           {"0.4", "2", "2"},
                                           {"-3", "2", "2"}}) {
        std::string after;
        const std::string report = reportWithBin(k.typed, &after);
        EXPECT_EQ(binEnds(report), binEnds(whole[k.takenAs])) << k.typed;
        EXPECT_TRUE(report == whole[k.takenAs]) << k.typed;
        EXPECT_EQ(after, k.textAfter) << k.typed;
    }
    for (const std::string bad : {"abc", "", "2,5", "32767.5", "-32768.6", "2.5x"}) {
        RawRun run(testing::Minutes(14, 5));
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Invalid value: bin size must be a whole number of minutes");
        ReportData data;
        auto c = run.Controls(true);
        c.report.binText = bad;
        EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::NotRun) << bad;
        EXPECT_TRUE(boxes.Done()) << bad;
        EXPECT_EQ(run.Read("counts.bin"), run.countsBefore) << bad;
        EXPECT_EQ(run.Read("setup.dat"), run.setupBefore) << bad;
        EXPECT_FALSE(run.HasReport()) << bad;
    }
}

TEST(RawReanalysis, NothingChangesWithoutRawDataOrWhenStopped) {
    {
        RawRun run(testing::Minutes(12, 5));
        std::filesystem::remove(run.folder + "/0.bin");
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Real Time Data Not Found");
        ReportData data;
        auto c = run.Controls(true);
        EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::NotRun);
        EXPECT_FALSE(std::filesystem::exists(run.folder + "/0.bin"));
        EXPECT_EQ(run.Read("counts.bin"), run.countsBefore);
        EXPECT_FALSE(run.HasReport());
    }
    {
        RawRun run(testing::Minutes(12, 5));
        run.project.Write("20261210_0900_s1/counts.bin", "");
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Resampling ERROR");
        ReportData data;
        auto c = run.Controls(true);
        EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::NotRun);
        EXPECT_EQ(run.Read("setup.dat"), run.setupBefore);
        EXPECT_FALSE(run.HasReport());
    }
    for (int workers : {1, 4}) {
        RawRun run(testing::Minutes(14, 5));
        ScriptedDialogs boxes;
        ReportData data;
        auto c = run.Controls(true);
        ReanalysisHooks hooks;
        hooks.workers = workers;
        hooks.keepGoing = [] { return false; };  // STOP pressed at once
        EXPECT_EQ(RunRawReanalysis(data, c, hooks), ReanalysisEnd::Stopped);
        EXPECT_EQ(run.Read("counts.bin"), run.countsBefore);
        EXPECT_EQ(run.Read("setup.dat"), run.setupBefore);
        EXPECT_FALSE(run.HasReport());
        EXPECT_FALSE(std::filesystem::exists(run.folder + "/setup.bak"));
    }
}

TEST(RawReanalysis, MissingLaterBlockEndsTheRecordsAnalysed) {
    RawRun run(testing::Minutes(14, 5));
    std::filesystem::remove(run.folder + "/1.bin");
    RecordingOpener opener;
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Raw data found for the first 11 of 14 records; the later records were not re-analysed.");
    ReportData data;
    auto c = run.Controls(true);
    EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Reported);
    const std::string counts = run.Read("counts.bin");
    EXPECT_EQ(CountIn(counts, 10, 3), run.Reference(10, 3, 2.2, 0));
    EXPECT_EQ(counts.substr(11 * 774), run.countsBefore.substr(11 * 774)) << "later records as stored";
}

TEST(RawReanalysis, ThresholdOutsideTheOrganismRangeTakesItsDefault) {
    struct Case {
        std::string typed;
        int organism;
        std::string fitted;
    };
    for (const auto& k : std::vector<Case>{{"0", 0, "1.8"}, {"", 1, "1.8"}, {"7", 0, "1.8"}, {"1.0", 0, "1.8"},
                                           {"0,7", 3, "0,7"}, {"0", 3, "0.8"}, {"2.5", 2, "2.5"}})
        EXPECT_EQ(FitThresholdText(k.typed, k.organism), k.fitted) << k.typed;

    RawRun run(testing::Minutes(12, 5));
    RecordingOpener opener;
    ScriptedDialogs boxes;
    ReportData data;
    auto c = run.Controls(true);
    c.thresholdText = "0";
    c.organism = 0;
    EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Reported);
    EXPECT_EQ(c.thresholdText, "1.8");
    EXPECT_NE(run.Read("setup.dat").find("\r\n0,0,0,18,,0\r\n"), std::string::npos);
    EXPECT_EQ(CountIn(run.Read("counts.bin"), 4, 2), run.Reference(4, 2, 1.8, 0));
}

// The save of "Replace old data", step by step (each a call of the file
// seam): setup.bak (write, sync, rename), counts.bin.new and setup.dat.new
// (the same), the folder synced, the journal (write, sync, rename), the folder
// synced, counts.bin.new and setup.dat.new renamed over their targets, the
// folder synced. The switch is decided once the journal is in place.
constexpr int kSaveSteps = 18;
constexpr int kJournalInPlace = 13;  // the first step after the journal's rename

// Whether the folder holds nothing of an unfinished save.
void ExpectNoLeftovers(const std::string& folder, int step) {
    for (const auto& name : platform::ListFolder(folder)) {
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name << " step " << step;
        EXPECT_NE(name.substr(name.size() > 4 ? name.size() - 4 : 0), ".new") << name << " step " << step;
        EXPECT_NE(name, "replace.journal") << "step " << step;
    }
}

// The files a replacement without faults writes.
struct NewPair {
    std::string counts, setup;
    NewPair() {
        RawRun run(testing::Minutes(12, 5));
        RecordingOpener opener;
        ScriptedDialogs boxes;
        ReportData data;
        auto c = run.Controls(true);
        EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Reported);
        counts = run.Read("counts.bin");
        setup = run.Read("setup.dat");
    }
};

// Which pair the folder holds: "old", "new", or what else each file is.
std::string PairIn(const RawRun& run, const NewPair& fresh) {
    const std::string counts = run.Read("counts.bin"), setup = run.Read("setup.dat");
    auto which = [](const std::string& now, const std::string& before, const std::string& after) {
        return now == before ? "old" : now == after ? "new" : "other";
    };
    const std::string c = which(counts, run.countsBefore, fresh.counts), s = which(setup, run.setupBefore, fresh.setup);
    return c == s ? c : "counts.bin " + c + ", setup.dat " + s;
}

TEST(RawReanalysis, AFailedRewriteLeavesBothFilesAsTheyWere) {
    // Each step of the save fails once in turn, as on a full disk: before the
    // second rename nothing changes; a failed second rename leaves the switch
    // to the next opening of the folder, which completes it.
    const NewPair fresh;
    ASSERT_NE(fresh.counts, RawRun(testing::Minutes(12, 5)).countsBefore);
    for (int failAt = 0; failAt < kSaveSteps; ++failAt) {
        RawRun run(testing::Minutes(12, 5));
        RecordingOpener opener;
        ScriptedDialogs boxes;
        const bool countsFailed = (failAt >= 3 && failAt < 6) || (failAt >= 9 && failAt < 15);
        const bool failed = failAt < 16;
        if (failed)
            boxes.ExpectMessage(std::string("error Updating ") + (countsFailed ? "counts.bin" : "setup.dat") +
                                ": No space left on device");
        int step = 0;
        platform::SetReplaceFaultForTest([&](std::string_view) { return step++ != failAt; });
        ReportData data;
        auto c = run.Controls(true);
        EXPECT_EQ(RunRawReanalysis(data, c, {}), failed ? ReanalysisEnd::Failed : ReanalysisEnd::Reported) << failAt;
        platform::SetReplaceFaultForTest({});
        EXPECT_TRUE(boxes.Done()) << failAt;
        EXPECT_EQ(run.HasReport(), !failed) << failAt;
        if (failAt < 15) {
            EXPECT_EQ(PairIn(run, fresh), "old") << failAt;
            ExpectNoLeftovers(run.folder, failAt);
        }
        EXPECT_TRUE(store::RecoverRecordingFolder(run.folder).ok) << failAt;
        EXPECT_EQ(PairIn(run, fresh), failAt >= 15 ? "new" : "old") << failAt;
        ExpectNoLeftovers(run.folder, failAt);
    }
    // A setup.dat of nine lines cannot be rewritten: nothing changes.
    RawRun run(testing::Minutes(12, 5));
    const std::string nine = CrLf({"a", "b", "c", "0,0,0,500,1,0", "e", "f", "g", "h", "i"});
    run.project.Write("20261210_0900_s1/setup.dat", nine);
    ScriptedDialogs boxes;
    boxes.ExpectMessage("error Updating setup.dat");
    ReportData data;
    auto c = run.Controls(true);
    EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Failed);
    EXPECT_EQ(run.Read("counts.bin"), run.countsBefore);
    EXPECT_EQ(run.Read("setup.dat"), nine);
    boxes.ExpectMessage("error Updating setup.dat");
    EXPECT_EQ(RewriteSetupFile(run.folder, 1, 1, 20), -1);
}

TEST(RawReanalysis, ASaveKilledAtAnyStepIsRecoveredToOnePairOrTheOther) {
    // A child process runs the replacement and is killed (SIGKILL) at one step
    // of the save; the next opening of the folder then finds the old pair when
    // the journal was not yet in place and the new pair once it was, never one
    // file of each, and no temporaries (not even those of an older save).
    const NewPair fresh;
    for (int killAt = 0; killAt <= kSaveSteps; ++killAt) {
        RawRun run(testing::Minutes(12, 5));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int step = 0;
            platform::SetReplaceFaultForTest([&](std::string_view) {
                if (step++ == killAt) ::kill(::getpid(), SIGKILL);
                return true;
            });
            RecordingOpener opener;
            ReportData data;
            auto c = run.Controls(true);
            const auto end = RunRawReanalysis(data, c, {});
            ::_exit(end == ReanalysisEnd::Reported ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (killAt < kSaveSteps) ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << killAt;
        else ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        run.project.Write("20261210_0900_s1/counts.bin.tmp-Ab3xYz", fresh.counts);  // an older save's temporary
        run.project.Write("20261210_0900_s1/notes.txt.tmp-Ab3xYz", "kept");
        EXPECT_TRUE(store::RecoverRecordingFolder(run.folder).ok) << killAt;  // the next opening
        EXPECT_EQ(PairIn(run, fresh), killAt >= kJournalInPlace ? "new" : "old") << killAt;
        EXPECT_EQ(run.Read("notes.txt.tmp-Ab3xYz"), "kept");
        std::filesystem::remove(run.folder + "/notes.txt.tmp-Ab3xYz");
        ExpectNoLeftovers(run.folder, killAt);
    }
}

TEST(RawReanalysis, ReportAndReanalysisCompleteAnUnfinishedSwitchFirst) {
    // A save stopped before its second rename: counts.bin is new, setup.dat old.
    const NewPair fresh;
    for (bool report : {true, false}) {
        RawRun run(testing::Minutes(12, 5));
        RecordingOpener opener;
        {
            ScriptedDialogs boxes;
            boxes.ExpectMessage("error Updating setup.dat: No space left on device");
            int step = 0;
            platform::SetReplaceFaultForTest([&](std::string_view) { return step++ != 15; });
            ReportData data;
            auto c = run.Controls(true);
            EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Failed);
            platform::SetReplaceFaultForTest({});
        }
        ASSERT_EQ(PairIn(run, fresh), "counts.bin new, setup.dat old");
        ScriptedDialogs boxes;
        ReportData data;
        if (report) {
            auto ctl = run.Controls(false).report;
            EXPECT_TRUE(GenerateReport(data, ctl));
            EXPECT_EQ(data.m_setting_text, DescribeSetting(run.folder)) << "read from the new setup.dat";
        } else {
            auto c = run.Controls(false);
            EXPECT_EQ(RunRawReanalysis(data, c, {}), ReanalysisEnd::Reported);
        }
        EXPECT_EQ(PairIn(run, fresh), "new") << report;
        ExpectNoLeftovers(run.folder, 15);
    }
}

TEST(RawReanalysis, RewrittenSetupChangesOnlyItsThreeValues) {
    const std::string in = CrLf({"1", "2", "3", "\"a,b\",2,3.5,500,1,7", "5", "6", "7", "8", "9", "0, 1 ,2,18,x,2.5",
                                 "11"});
    const auto out = BuildRewrittenSetup(in, 3, 2, 9);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, CrLf({"1", "2", "3", "\"a,b\",2,3.5,500,3,7", "5", "6", "7", "8", "9", "2, 1 ,2,9,x,2", "11"}));
    EXPECT_FALSE(BuildRewrittenSetup(CrLf({"1", "2", "3", "0,0,0,500,1,0", "5", "6", "7", "8", "9"}), 1, 1, 1));
    EXPECT_FALSE(BuildRewrittenSetup(CrLf({"1", "2", "3", "0,0,0,500,1,zz", "5", "6", "7", "8", "9", "1,1,1,1,1,1"}),
                                     1, 1, 1));
}

}  // namespace
}  // namespace vondrel::reports
