// Prints the time of one four-station poll (4 x flush, request, 144-byte
// reply read as 72 + 72) and of one verified channel write echoed at once
// (the self-test makes about 2,700 of them) through the serial layer and the
// simulated instrument, beside the wire time of the same bytes at 1,000,000
// baud.
// On a pseudo-terminal no wire time is spent, so the figure is the software
// overhead alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "SimProcess.h"
#include "TempFolder.h"
#include "device/COM_Module.h"
#include "device/ModCOMM.h"
#include "device/ReplyFormats.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"

using namespace vondrel;

int main() {
    testing::TempFolder folder;
    platform::SetProgramFolderForTest(folder.Path());
    testing::SimProcess sim(folder.Path(), 4);
    if (CommOpen(4, "COM4", "baud=1000000 parity=N data=8 stop=1") != 0) {
        std::fprintf(stderr, "open failed: %s %s\n", g_comm_error_source.c_str(), g_comm_error_text.c_str());
        return 1;
    }
    constexpr int kPolls = 500;
    std::vector<double> times;
    int faults = 0;
    for (int i = 0; i < kPolls + 20; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int st = 0; st < 4; ++st) {
            CommFlush(4);
            CommWrite(4, *BuildDeviceFrame(0x33, 0, st));
            std::string a, b;
            if (CommRead(4, a, 72) == 72) CommRead(4, b, 72);
            if (a.size() + b.size() != 144) ++faults;
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (i >= 20) times.push_back(ms);  // the first polls warm up
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times) sum += t;
    const double wire = 4.0 * (5 + 144) * 10 / 1e6 * 1000;
    std::printf("four-station poll over %d runs: median %.3f ms, mean %.3f ms, 95th percentile %.3f ms, faults %d\n",
                kPolls, times[times.size() / 2], sum / static_cast<double>(times.size()),
                times[times.size() * 95 / 100], faults);
    std::printf("wire time of the same bytes at 1,000,000 baud: %.2f ms; overhead budget 1 ms\n", wire);

    // One verified write: nine exchanges of a five-byte frame and a two-byte echo.
    g_com_port = 4;
    std::vector<double> writes;
    int failed = 0;
    for (int i = 0; i < kPolls + 20; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        int16_t result = 0;
        WriteChannelSetting(i % 384, 2, 2, result);
        if (result != 1) ++failed;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (i >= 20) writes.push_back(ms);
    }
    std::sort(writes.begin(), writes.end());
    double wsum = 0;
    for (double t : writes) wsum += t;
    const double wwire = 9.0 * (5 + 2) * 10 / 1e6 * 1000;
    std::printf("verified channel write over %d runs: median %.3f ms, mean %.3f ms, 95th percentile %.3f ms, failed %d\n",
                kPolls, writes[writes.size() / 2], wsum / static_cast<double>(writes.size()),
                writes[writes.size() * 95 / 100], failed);
    std::printf("wire time of its nine exchanges at 1,000,000 baud: %.2f ms; overhead budget 1 ms\n", wwire);
    CommClose(4);
    return 0;
}
