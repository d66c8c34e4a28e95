// The background flush of the run's files and how its failures reach the run.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "AcquisitionTestSupport.h"
#include "TempFolder.h"
#include "acquisition/DiskFlusher.h"
#include "acquisition/RunDataFiles.h"

using namespace vondrel;
using vondrel::testing::AcquisitionTest;
using vondrel::testing::TempFolder;

namespace {

// A path the flusher opens but cannot sync (a named pipe): stands in for a
// disk that refuses the flush.
std::string Unsyncable(TempFolder& dir, const char* name) {
    const std::string path = dir.Path() + "/" + name;
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
}

TEST(DiskFlusher, SyncsWhatWasWrittenAndReportsWhatFails) {
    TempFolder dir;
    DiskFlusher flusher(std::chrono::milliseconds(10'000));  // no background round during the test
    const std::string good = dir.Path() + "/counts.bin";
    ASSERT_EQ(WriteRecordAt(good, std::as_bytes(std::span("abcd", 4)), 0, SyncTiming::kBackground), "");
    flusher.Written(good);
    flusher.Written(dir.Path() + "/removed.bin");  // gone before its round: nothing to sync
    const std::string bad = Unsyncable(dir, "bad.bin");
    flusher.Written(bad);
    const std::vector<SyncFailure> failures = flusher.SyncNow();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, bad);
    EXPECT_FALSE(failures[0].reason.empty());
    EXPECT_TRUE(flusher.SyncNow().empty()) << "each file written is synced once";
    EXPECT_TRUE(flusher.TakeFailures().empty());
}

TEST(DiskFlusher, BackgroundRoundsComeWithinThePeriod) {
    TempFolder dir;
    DiskFlusher flusher(std::chrono::milliseconds(20));
    const std::string bad = Unsyncable(dir, "bad.bin");
    flusher.Written(bad);
    std::vector<SyncFailure> failures;
    for (int i = 0; i < 500 && failures.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        failures = flusher.TakeFailures();
    }
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, bad);
}

// Once its work is done the thread sleeps until a file is written: no
// wake-up while nothing is pending, however many periods go by; the next
// file written wakes it again.
TEST(DiskFlusher, SleepsWhileNothingIsPending) {
    TempFolder dir;
    DiskFlusher flusher(std::chrono::milliseconds(5));
    const std::string path = dir.Path() + "/counts.bin";
    auto roundsReach = [&](int64_t n) {
        for (int i = 0; i < 2000 && flusher.Rounds() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return flusher.Rounds() >= n;
    };
    for (int64_t round = 1; round <= 2; ++round) {
        ASSERT_EQ(WriteRecordAt(path, std::as_bytes(std::span("abcd", 4)), 0, SyncTiming::kBackground), "");
        flusher.Written(path);
        ASSERT_TRUE(roundsReach(round));
        const int64_t wakes = flusher.Wakes();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // twenty periods
        EXPECT_EQ(flusher.Wakes(), wakes) << "round " << round;
        EXPECT_EQ(flusher.Rounds(), round);
    }
}

class RunSync : public AcquisitionTest {};

TEST_F(RunSync, AFailedSyncIsCountedToldOnceAndNamedAtTheEnd) {
    TempFolder dir;
    AcquisitionState st(500);
    const std::string bad = Unsyncable(dir, "counts.bin");
    RunFileFlusher().Written(bad);
    const std::vector<std::string> first = SyncRunFiles(st);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].rfind("Cannot write " + bad + ": ", 0), 0u) << first[0];
    RunFileFlusher().Written(bad);
    EXPECT_TRUE(SyncRunFiles(st).empty()) << "a file is told once per run";
    EXPECT_EQ(st.m_unwritten.unsynced, 2);
    EXPECT_EQ(RunFinishedMessage(st), "Acquisition finished\r\nNot written: 2 files synced to disk.");
}

}  // namespace
