// The run data files: record layouts, numbering, folders per station and
// what happens when an append fails.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <regex>
#include <span>

#include "AcquisitionTestSupport.h"
#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "platform/Files.h"

using namespace vondrel;
using vondrel::testing::AcquisitionTest;
using vondrel::testing::TempFolder;
using vondrel::testing::Ticked;

namespace {

constexpr const char* kStamp = "20261210_1330";

int32_t I32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return static_cast<int32_t>(v);
}
int16_t I16(const std::string& b, size_t at) {
    return static_cast<int16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
double F64(const std::string& b, size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return std::bit_cast<double>(v);
}

// Runs `fn` with the file-size limit at `bytes` (a full disk, for the
// writes that reach it): a write past the limit falls short or fails.
template <typename Fn>
void WithFileSizeLimit(rlim_t bytes, Fn fn) {
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* old_handler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = bytes;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    fn();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, old_handler);
}

class RunDataFiles : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        g_project_folder = dir.Path();
    }
    std::string Folder(int station) const { return AcquisitionFolder(dir.Path(), kStamp, station); }
    void MakeFolders(std::initializer_list<int> stations) const {
        for (int n : stations) ASSERT_TRUE(platform::MakeFolder(Folder(n)));
    }
    std::string Read(int station, const std::string& name) const {
        return dir.Read(std::string(kStamp) + "_s" + std::to_string(station) + "/" + name);
    }
    bool Exists(int station, const std::string& name) const {
        return dir.Exists(std::string(kStamp) + "_s" + std::to_string(station) + "/" + name);
    }

    TempFolder dir;
};

TEST_F(RunDataFiles, Names) {
    EXPECT_EQ(AcquisitionFolder("/p/proj", "20261210_1330", 3), "/p/proj/20261210_1330_s3");
    EXPECT_EQ(RawFileName(0), "0.bin");
    EXPECT_EQ(RawFileName(12), "12.bin");
    EXPECT_EQ(HistogramFileName(0), "histo0000.bin");
    EXPECT_EQ(HistogramFileName(12), "histo0012.bin");
    EXPECT_EQ(HistogramFileName(10000), "histo10000.bin");
    EXPECT_EQ(RawBlockBytes(500), 385770u);
    EXPECT_EQ(kHistogramRecordBytes, 78556u);
}

TEST_F(RunDataFiles, NumberingStartsAfterTheFilesAlreadyInTheFolders) {
    const std::string s1 = dir / "run_s1", s2 = dir / "run_s2";
    EXPECT_EQ(FirstFreeFileNumber({s1, s2}), 0);
    dir.Write("run_s1/0.bin", "x");
    dir.Write("run_s2/1.bin", "x");
    dir.Write("run_s1/histo0002.bin", "x");
    EXPECT_EQ(FirstFreeFileNumber({s1, s2}), 3);
    EXPECT_EQ(FirstFreeFileNumber({s2}), 0);
}

// 25 windows, raw recording on, stations 1 and 3: counts.bin of 25 x 774 =
// 19,350 bytes each; raw files 0.bin (windows 1-11), 1.bin (12-22) and 2.bin
// (23-25); stations 2 and 4 receive nothing. Every record carries its own
// window's values.
TEST_F(RunDataFiles, TwentyFiveWindowsOnStationsOneAndThree) {
    MakeFolders({1, 2, 3, 4});
    AcquisitionState st(500);
    st.m_acquisition_stamp = kStamp;
    st.SetTickedStations(Ticked({1, 3}));
    for (int w = 0; w < 25; ++w) {
        st.m_elapsed_minutes = w;
        g_temperature = 20.0 + w / 10.0;
        for (int k = 0; k < kStations; ++k) {
            st.m_window_count[k][5] = static_cast<int16_t>(100 * (k + 1) + w);
            st.Sample(k, 7, 0) = static_cast<int16_t>(1000 * (k + 1) + w);
            st.Sample(k, 383, 499) = static_cast<int16_t>(-w);
        }
        const RecordingResult r = RecordWindow(st, 0);
        ASSERT_EQ(r.failed, 0);
        ASSERT_EQ(r.written, 4);
    }
    EXPECT_EQ(st.m_raw_file_number, 2);
    EXPECT_EQ(st.m_raw_window_count, 3);

    for (int n : {1, 3}) {
        SCOPED_TRACE(n);
        const std::string counts = Read(n, "counts.bin");
        ASSERT_EQ(counts.size(), 19350u);
        for (int w = 0; w < 25; ++w) {
            const size_t at = static_cast<size_t>(w) * 774;
            EXPECT_EQ(I32(counts, at), w);
            EXPECT_EQ(I16(counts, at + 4 + 2 * 5), 100 * n + w);
            EXPECT_EQ(I16(counts, at + 4 + 2 * 6), 0);
            EXPECT_EQ(I16(counts, at + 772), 200 + w);
        }
        const size_t block = RawBlockBytes(500);
        const int per_file[] = {11, 11, 3};
        int w = 0;
        for (int f = 0; f < 3; ++f) {
            const std::string raw = Read(n, RawFileName(f));
            ASSERT_EQ(raw.size(), per_file[f] * block) << f;
            for (int i = 0; i < per_file[f]; ++i, ++w) {
                EXPECT_EQ(I16(raw, i * block + 2 * 7), 1000 * n + w);
                EXPECT_EQ(I16(raw, i * block + 2 * (499 * 385 + 383)), -w);
                EXPECT_EQ(I16(raw, i * block + block - 2), 0);  // position 500, channel 384
            }
        }
        EXPECT_FALSE(Exists(n, "3.bin"));
    }
    for (int n : {2, 4}) EXPECT_TRUE(platform::ListFolder(Folder(n)).empty()) << n;
}

// Raw recording off in body-bends mode: no raw files, but the number still
// advances every eleven windows, so the histogram files hold 11, 11 and 3
// records; the records carry the cumulative histogram and the timing.
TEST_F(RunDataFiles, NumberingAdvancesWithRawRecordingOff) {
    g_save_real = 0;
    MakeFolders({1, 2});
    AcquisitionState st(500);
    st.m_acquisition_stamp = kStamp;
    st.SetTickedStations(Ticked({1, 2}));
    for (int w = 0; w < 25; ++w) {
        st.m_elapsed_minutes_exact = w + 0.25;
        st.m_seconds_per_sample = 0.09 + w / 1000.0;
        st.PeakHistogram(3, 7) = w;
        st.PeakHistogram(384, 50) = -w;
        ASSERT_EQ(RecordWindow(st, 1).failed, 0);
    }
    EXPECT_EQ(st.m_histogram_record_count, 25);
    EXPECT_NEAR(st.m_seconds_per_sample_total, 25 * 0.09 + 0.3, 1e-9);
    const int per_file[] = {11, 11, 3};
    int w = 0;
    for (int f = 0; f < 3; ++f) {
        const std::string histo = Read(1, HistogramFileName(f));
        ASSERT_EQ(histo.size(), per_file[f] * kHistogramRecordBytes) << f;
        for (int i = 0; i < per_file[f]; ++i, ++w) {
            const size_t at = i * kHistogramRecordBytes;
            EXPECT_DOUBLE_EQ(F64(histo, at), w + 0.25);
            EXPECT_DOUBLE_EQ(F64(histo, at + 8), 0.09 + w / 1000.0);
            EXPECT_EQ(I32(histo, at + 16 + 4 * (7 * 385 + 3)), w);
            EXPECT_EQ(I32(histo, at + 16 + 4 * (50 * 385 + 384)), -w);
        }
    }
    for (const auto& name : platform::ListFolder(Folder(1)))
        EXPECT_TRUE(name == "counts.bin" || name.rfind("histo", 0) == 0) << name;
    EXPECT_EQ(platform::ListFolder(Folder(2)), std::vector<std::string>{"counts.bin"});
}

// Single-station operation with station 3 ticked: station 1's tables go to
// station 3's own folder; no folder of station 1 is needed.
TEST_F(RunDataFiles, SingleStationWritesToItsOwnFolder) {
    MakeFolders({3});
    AcquisitionState st(500);
    st.m_acquisition_stamp = kStamp;
    st.SetTickedStations(Ticked({3}));
    st.m_window_count[0][0] = 42;
    st.m_window_count[2][0] = 99;
    st.Sample(0, 0, 0) = 1234;
    g_temperature = 23.75;
    const RecordingResult r = RecordWindow(st, 1);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.written, 3);
    const std::string counts = Read(3, "counts.bin");
    ASSERT_EQ(counts.size(), 774u);
    EXPECT_EQ(I16(counts, 4), 42);
    EXPECT_EQ(I16(counts, 772), 238);
    EXPECT_EQ(I16(Read(3, "0.bin"), 0), 1234);
    EXPECT_EQ(Read(3, "histo0000.bin").size(), kHistogramRecordBytes);
    EXPECT_FALSE(std::filesystem::exists(Folder(1)));
}

TEST_F(RunDataFiles, TemperatureHalvesGoToEven) {
    MakeFolders({1, 2});
    AcquisitionState st(500);
    st.m_acquisition_stamp = kStamp;
    st.SetTickedStations(Ticked({1, 2}));
    g_save_real = 0;
    for (double t : {23.25, 23.75}) {
        g_temperature = t;
        RecordWindow(st, 0);
    }
    for (int n : {1, 2}) {
        const std::string counts = Read(n, "counts.bin");
        ASSERT_EQ(counts.size(), 2 * 774u);
        EXPECT_EQ(I16(counts, 772), 232);
        EXPECT_EQ(I16(counts, 774 + 772), 238);
    }
    EXPECT_EQ(st.m_window_count[0][384], 238);
}

// Station 1's folder is missing: its appends fail and are reported once per
// file; station 2's files, the numbering and the next windows go on.
TEST_F(RunDataFiles, FailedAppendIsReportedOnceAndTheRunGoesOn) {
    MakeFolders({2});
    AcquisitionState st(500);
    st.m_acquisition_stamp = kStamp;
    st.SetTickedStations(Ticked({1, 2}));
    RecordingResult first = RecordWindow(st, 1);
    EXPECT_EQ(first.written, 2);  // station 2: raw block and counts
    EXPECT_EQ(first.failed, 3);   // station 1: raw block, counts, histogram
    ASSERT_EQ(first.messages.size(), 3u);
    EXPECT_NE(first.messages[0].find(platform::JoinPath(Folder(1), "0.bin")), std::string::npos);
    EXPECT_NE(first.messages[1].find(platform::JoinPath(Folder(1), "counts.bin")), std::string::npos);
    EXPECT_NE(first.messages[2].find(platform::JoinPath(Folder(1), "histo0000.bin")), std::string::npos);

    for (int w = 1; w < 12; ++w) {
        const RecordingResult r = RecordWindow(st, 1);
        // The oldest waiting record of each file is tried again; the later
        // ones wait behind it. A new numbered file is a new file: its first
        // record is tried, and its failure reported once.
        if (w == 11) {
            EXPECT_EQ(r.failed, 5);
            EXPECT_EQ(r.messages.size(), 2u);
        } else {
            EXPECT_EQ(r.failed, 3) << w;
            EXPECT_TRUE(r.messages.empty()) << w;
        }
    }
    EXPECT_EQ(st.m_pending_writes.size(), 3u * 12);
    EXPECT_FALSE(st.m_unwritten.Any()) << "nothing is lost before the end of the run";
    EXPECT_TRUE(SyncRunFiles(st).empty());
    EXPECT_EQ(RunFinishedMessage(st),
              "Acquisition finished\r\nNot written: 12 counts records, 12 raw sample blocks, 12 histogram records.");
    EXPECT_TRUE(st.m_pending_writes.empty());
    EXPECT_EQ(st.m_raw_file_number, 1);
    EXPECT_EQ(st.m_raw_window_count, 1);
    EXPECT_EQ(Read(2, "counts.bin").size(), 12 * 774u);
    EXPECT_EQ(Read(2, "0.bin").size(), 11 * RawBlockBytes(500));
    EXPECT_EQ(Read(2, "1.bin").size(), RawBlockBytes(500));

    // Once the folder is there (another run), reports start afresh after Play.
    st.ResetForPlay();
    MakeFolders({1});
    const RecordingResult after = RecordWindow(st, 0);
    EXPECT_EQ(after.failed, 0);
    EXPECT_EQ(Read(1, "counts.bin").size(), 774u);
}

// A write that falls short (the file-size limit stands in for a full disk)
// leaves the file at its last whole record.
TEST_F(RunDataFiles, ShortWriteLeavesOnlyWholeRecords) {
    const std::string path = dir / "counts.bin";
    ChannelTable16 counts{};
    counts[0] = 7;
    const auto record = BuildCountsRecord(3, counts);
    ASSERT_EQ(AppendRecord(path, record), "");

    std::string failure;
    // Room for 226 bytes of the second record.
    WithFileSizeLimit(1000, [&] { failure = AppendRecord(path, record); });

    EXPECT_NE(failure, "");
    const std::string bytes = dir.Read("counts.bin");
    ASSERT_EQ(bytes.size(), 774u);
    EXPECT_EQ(I32(bytes, 0), 3);
    EXPECT_EQ(I16(bytes, 4), 7);
    ASSERT_EQ(AppendRecord(path, record), "");
    EXPECT_EQ(dir.Read("counts.bin").size(), 2 * 774u);
}

// Window 2 of five cannot be written (the disk is full for a moment): its
// records wait in memory and go to their places at the next close, before
// that close's own records, so every file ends as if nothing had failed and
// the end of the run counts nothing as lost. With the disk still full at the
// end of the run, what waits is counted there and counts.bin keeps no hole:
// it ends before the first record that could not be written.
TEST_F(RunDataFiles, FailedWindowIsWrittenAtItsPlaceWhenTheDiskComesBack) {
    const size_t block = RawBlockBytes(500);
    const struct {
        const char* name;
        int16_t save_real, body_bends;
        rlim_t limit;        // during window 2 (and the end when full_to_the_end)
        bool full_to_the_end;
        const char* message;
    } cases[] = {
        // Room for counts record 2, not for raw block 2.
        {"raw block", 1, 0, 2 * block + 100, false, "Acquisition finished"},
        // Room for nothing of window 2.
        {"counts and histogram", 0, 1, 2 * 774 + 10, false, "Acquisition finished"},
        {"counts, the disk full from window 2 on", 0, 0, 2 * 774 + 10, true,
         "Acquisition finished\r\nNot written: 6 counts records."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder project;
        g_project_folder = project.Path();
        g_save_real = c.save_real;
        for (int n : {1, 2}) ASSERT_TRUE(platform::MakeFolder(AcquisitionFolder(project.Path(), kStamp, n)));
        AcquisitionState st(500);
        st.m_acquisition_stamp = kStamp;
        st.SetTickedStations(Ticked({1, 2}));
        st.ResetForPlay();
        auto window = [&](int w) {
            st.m_elapsed_minutes = w + 1;
            st.m_elapsed_minutes_exact = w + 1.5;
            for (int k = 0; k < 2; ++k) {
                st.m_window_count[k][5] = static_cast<int16_t>(100 * (k + 1) + w);
                st.Sample(k, 7, 0) = static_cast<int16_t>(1000 * (k + 1) + w);
            }
            return RecordWindow(st, c.body_bends);
        };
        for (int w = 0; w < 5; ++w) {
            if (w == 2 || (c.full_to_the_end && w > 2))
                WithFileSizeLimit(c.limit, [&] { EXPECT_GT(window(w).failed, 0); });
            else
                ASSERT_EQ(window(w).failed, 0) << w;
        }
        if (c.full_to_the_end)
            WithFileSizeLimit(c.limit, [&] { SyncRunFiles(st); });
        else
            SyncRunFiles(st);
        EXPECT_EQ(RunFinishedMessage(st), c.message);
        EXPECT_TRUE(st.m_pending_writes.empty());

        const int written = c.full_to_the_end ? 2 : 5;
        for (int n : {1, 2}) {
            SCOPED_TRACE(n);
            auto read = [&](const std::string& name) {
                return project.Read(std::string(kStamp) + "_s" + std::to_string(n) + "/" + name);
            };
            const std::string counts = read("counts.bin");
            ASSERT_EQ(counts.size(), written * 774u);
            for (int w = 0; w < written; ++w) {
                EXPECT_EQ(I32(counts, w * 774), w + 1) << w;
                EXPECT_EQ(I16(counts, w * 774 + 4 + 2 * 5), 100 * n + w) << w;
            }
            if (c.save_real == 1) {
                const std::string raw = read("0.bin");
                ASSERT_EQ(raw.size(), 5 * block);
                for (int w = 0; w < 5; ++w) EXPECT_EQ(I16(raw, w * block + 2 * 7), 1000 * n + w) << w;
            }
            if (c.body_bends == 1 && n == 1) {
                const std::string histo = read(HistogramFileName(0));
                ASSERT_EQ(histo.size(), 5 * kHistogramRecordBytes);
                for (int w = 0; w < 5; ++w) EXPECT_DOUBLE_EQ(F64(histo, w * kHistogramRecordBytes), w + 1.5) << w;
            }
        }
    }
}

// Raw blocks wait only up to their limit: beyond it a block is dropped and
// counted, and the blocks written after it keep their places (the dropped
// one reads as zeros). Counts records always wait.
TEST_F(RunDataFiles, RawBlocksBeyondTheWaitingLimitAreDropped) {
    const size_t block = RawBlockBytes(500);
    const int fit = static_cast<int>(kPendingRawBytesLimit / block);  // blocks that can wait
    MakeFolders({1});
    AcquisitionState st(500);
    st.m_acquisition_stamp = kStamp;
    st.SetTickedStations(Ticked({1}));
    st.ResetForPlay();
    // The raw files of the failing windows are folders: no write reaches them.
    const int failing = fit + 2;
    for (int f = 0; f <= failing / kWindowsPerNumberedFile; ++f)
        ASSERT_TRUE(platform::MakeFolder(platform::JoinPath(Folder(1), RawFileName(f))));
    for (int w = 0; w < failing; ++w) {
        st.m_elapsed_minutes = w;
        st.Sample(0, 7, 0) = static_cast<int16_t>(w + 1);
        RecordWindow(st, 0);
    }
    EXPECT_EQ(st.m_unwritten.raw_blocks, failing - fit);
    EXPECT_EQ(st.m_pending_raw_bytes, static_cast<size_t>(fit) * block);
    EXPECT_EQ(Read(1, "counts.bin").size(), failing * 774u);
    for (int f = 0; f <= failing / kWindowsPerNumberedFile; ++f)
        ASSERT_TRUE(std::filesystem::remove(platform::JoinPath(Folder(1), RawFileName(f))));
    SyncRunFiles(st);
    EXPECT_EQ(RunFinishedMessage(st), "Acquisition finished\r\nNot written: " + std::to_string(failing - fit) +
                                          " raw sample blocks.");
    // The last two windows were dropped: the last file ends before them or
    // holds zeros at their places.
    const int last = (failing - 1) / kWindowsPerNumberedFile;
    const std::string raw = Read(1, RawFileName(last));
    const int first_in_last = last * kWindowsPerNumberedFile;
    for (int w = first_in_last; w < failing; ++w) {
        const size_t at = static_cast<size_t>(w - first_in_last) * block;
        if (w < fit) {
            EXPECT_EQ(I16(raw, at + 2 * 7), w + 1) << w;
        } else if (at + block <= raw.size()) {
            EXPECT_EQ(I16(raw, at + 2 * 7), 0) << w;
        }
    }
}

// The output of the independent Python reader for a station folder, without
// white space; "" without Python.
std::string ReadWithPython(const std::string& folder) {
#ifndef VONDREL_RUN_READER
    return "";
#else
    const std::string cmd = std::string(VONDREL_PYTHON3) + " -B " + VONDREL_RUN_READER + " '" + folder + "'";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return "";
    std::string out;
    char buf[4096];
    while (size_t got = fread(buf, 1, sizeof buf, pipe)) out.append(buf, got);
    return pclose(pipe) == 0 ? std::regex_replace(out, std::regex("\\s+"), "") : "exit status != 0: " + out;
#endif
}

// The writer killed (SIGKILL) in the middle of a record, as kill -9 does:
// the file-size limit stops its write part-way and the signal that brings
// kills it there, before it can clean up. Its earlier records are whole; the
// independent reader takes them and reports the fragment. A run appended to
// the same folder (a second Play in the same minute) places its counts after
// the whole records, over the fragment, and its raw blocks in a new numbered
// file; a block written to the torn file also goes over the fragment.
TEST_F(RunDataFiles, WriterKilledInTheMiddleOfARecord) {
    const size_t block = RawBlockBytes(500);
    const struct {
        const char* name;
        int16_t save_real;
        rlim_t limit;
        const char* torn;
        size_t fragment;
    } cases[] = {
        {"raw block", 1, block + 7446, "0.bin", 7446},
        {"counts record", 0, 774 + 300, "counts.bin", 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder project;
        g_project_folder = project.Path();
        g_save_real = c.save_real;
        const std::string folder = AcquisitionFolder(project.Path(), kStamp, 1);
        ASSERT_TRUE(platform::MakeFolder(folder));
        auto size = [&](const char* name) { return project.Read(std::string(kStamp) + "_s1/" + name).size(); };

        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            signal(SIGXFSZ, [](int) { raise(SIGKILL); });
            struct rlimit limit {};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = c.limit;
            setrlimit(RLIMIT_FSIZE, &limit);
            AcquisitionState st(500);
            st.m_acquisition_stamp = kStamp;
            st.SetTickedStations(Ticked({1}));
            st.ResetForPlay();
            for (int w = 0; w < 3; ++w) {
                st.m_elapsed_minutes = w;
                st.Sample(0, 7, 0) = static_cast<int16_t>(1000 + w);
                RecordWindow(st, 0);
            }
            _exit(3);  // never reached: the second window is killed
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), SIGKILL);
        EXPECT_EQ(size(c.torn), (c.save_real == 1 ? block : 774u) + c.fragment);
        EXPECT_EQ(size("counts.bin") / 774, 1u);
        EXPECT_EQ(WholeRecords(platform::JoinPath(folder, c.torn), c.save_real == 1 ? block : 774), 1);

        const std::string json = ReadWithPython(folder);
        if (!json.empty()) {
            EXPECT_NE(json.find("\"counts_records\":1,"), std::string::npos) << json;
            EXPECT_NE(json.find(std::string("\"trailing_bytes\":{\"") + c.torn + "\":" + std::to_string(c.fragment) + "}"),
                      std::string::npos)
                << json;
        }

        // The same-minute run appended to the folder.
        AcquisitionState st(500);
        st.m_acquisition_stamp = kStamp;
        st.SetTickedStations(Ticked({1}));
        st.ResetForPlay();
        st.m_raw_file_number = FirstFreeFileNumber({folder});
        EXPECT_EQ(st.m_raw_file_number, c.save_real == 1 ? 1 : 0);
        for (int w = 0; w < 2; ++w) {
            st.m_elapsed_minutes = 10 + w;
            ASSERT_EQ(RecordWindow(st, 0).failed, 0);
        }
        const std::string counts = project.Read(std::string(kStamp) + "_s1/counts.bin");
        ASSERT_EQ(counts.size(), 3 * 774u);
        EXPECT_EQ(I32(counts, 0), 0);
        EXPECT_EQ(I32(counts, 774), 10);
        EXPECT_EQ(I32(counts, 2 * 774), 11);
        if (c.save_real == 1) {
            EXPECT_EQ(size("1.bin"), 2 * block);
            std::vector<int16_t> window(block / 2, 0);
            window[7] = 1001;
            ASSERT_EQ(AppendRecord(platform::JoinPath(folder, "0.bin"), std::as_bytes(std::span(window))), "");
            const std::string raw = project.Read(std::string(kStamp) + "_s1/0.bin");
            ASSERT_EQ(raw.size(), 2 * block);
            EXPECT_EQ(I16(raw, 2 * 7), 1000);
            EXPECT_EQ(I16(raw, block + 2 * 7), 1001);
        }
    }
}

// A file cut short inside a record (the program killed while it wrote)
// keeps its whole records; the next record goes over the fragment.
TEST_F(RunDataFiles, AppendGoesOverATrailingFragment) {
    ChannelTable16 counts{};
    const std::string whole = std::string(774, '\x11');
    dir.Write("counts.bin", whole + std::string(100, '\x55'));
    EXPECT_EQ(WholeRecords(dir / "counts.bin", 774), 1);
    ASSERT_EQ(AppendRecord(dir / "counts.bin", BuildCountsRecord(2, counts)), "");
    const std::string bytes = dir.Read("counts.bin");
    ASSERT_EQ(bytes.size(), 2 * 774u);
    EXPECT_EQ(bytes.substr(0, 774), whole);
    EXPECT_EQ(I32(bytes, 774), 2);
    EXPECT_EQ(WholeRecords(dir / "missing.bin", 774), 0);
    EXPECT_EQ(WholeRecords(dir.Path(), 774), 0);  // a folder holds no records
}

}  // namespace
