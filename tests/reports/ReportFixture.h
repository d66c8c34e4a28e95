// A small acquisition folder for report tests: a 2 x 3 plate of two beams per
// well, channel 12 off the plate, groups 0 and 2 used and 1 unused, well A3
// free (-1) and well B3 free (999), and two whole 30-minute bins:
//   bin 1 (minutes 0, 1, 30): ch0..11 = 10 11 20 20 40 40 5 6 7 7 3 3, ch12 = 99, 25.0 degrees;
//   bin 2 (minute 60): every channel 1, temperature 600 (no valid reading).
// Wells: A1 10 (10.5 to even), B1 20, A2 40, B2 6 (5.5 to even), A3 7, B3 3.
// Group 0 (A1, B1, A2): mean 23, SD 15, SE 8.7; group 2 (B2): 6, SD 0.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/ProgramFolder.h"
#include "store/RunFiles.h"

namespace vondrel::reports::testing {

using vondrel::testing::CrLf;
using vondrel::testing::TempFolder;

inline std::string CountsRecord(int32_t minute, const std::vector<int16_t>& counts, int16_t temperature) {
    ChannelTable16 table{};
    for (size_t i = 0; i < counts.size() && i < 384; ++i) table[i] = counts[i];
    table[384] = temperature;
    const auto bytes = BuildCountsRecord(minute, table);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Every channel the same count.
inline std::string FlatRecord(int32_t minute, int16_t count, int16_t temperature) {
    return CountsRecord(minute, std::vector<int16_t>(384, count), temperature);
}

inline std::string SetupFile(int method, int organism, int snr) {
    return CrLf({"\"Project\"", "\"name\",\"x\",\"y\",\"w6t\"", "\"Values\"",
                 "0,0,0,0," + std::to_string(method) + ",0", "\"h5\"", "1", "\"h7\"", "1", "\"Mn1\"",
                 std::to_string(organism) + ",0,0," + std::to_string(snr) + ",0,0"});
}

struct RecordedRun {
    TempFolder program;
    TempFolder project;
    std::string folder;

    RecordedRun() {
        platform::SetProgramFolderForTest(program.Path());
        std::string plate = CrLf({"\"Plate\",\"w6t\"", "2,10,0.5,3,10,0.5", "\"Channels\""});
        for (int ch = 0; ch < 12; ++ch)
            plate += "\"L" + std::to_string(ch) + "\"," + std::to_string(ch / 2) + "," + std::to_string(ch % 2) + "\r\n";
        plate += "\"L12\",-1,0\r\n";
        program.Write("W6T.dat", plate);  // found without regard to case

        folder = project / "20261210_0900_s1";
        project.Write("20261210_0900_s1/setup.dat", SetupFile(1, 0, 18));
        project.Write("20261210_0900_s1/groups.dat", CrLf({"\"Groups\"", "0,\"Control\"", "1,\"Unused\"", "2,\"Drug\""}));
        std::string chgroup = "\"Channel groups\"\r\n";
        const int groups[12] = {0, 0, 0, 0, 0, 0, 2, 2, -1, -1, 999, 999};
        for (int ch = 0; ch < 384; ++ch)
            chgroup += std::to_string(ch) + "," + std::to_string(ch < 12 ? groups[ch] : (ch == 12 ? 0 : -1)) + "\r\n";
        project.Write("20261210_0900_s1/chgroup.dat", chgroup);
        WriteSubprojectFile(folder, "day 1 test", "");
        std::vector<int16_t> bin1 = {10, 11, 20, 20, 40, 40, 5, 6, 7, 7, 3, 3, 99};
        project.Write("20261210_0900_s1/counts.bin", FlatRecord(0, 0, 0) + FlatRecord(1, 0, 0) +
                                                         CountsRecord(30, bin1, 250) + FlatRecord(60, 1, 600));
        platform::SetClockForTest([] { return platform::FromLocal({2026, 12, 10, 9, 5, 7}); });
    }
    ~RecordedRun() {
        platform::SetClockForTest({});
        platform::SetProgramFolderForTest("");
    }
};

// Records what would be opened on the desktop.
struct RecordingOpener : platform::DesktopOpener {
    std::vector<std::string> opened;
    RecordingOpener() { platform::SetDesktopOpener(this); }
    ~RecordingOpener() override { platform::SetDesktopOpener(nullptr); }
    bool Open(const std::string& path) override {
        opened.push_back(path);
        return ok;
    }
    bool ok = true;  // false: the desktop has no viewer for it
};

}  // namespace vondrel::reports::testing
