// Prints the time of one four-station poll (4 x flush, request, 144-byte
// reply read as 72 + 72) and of one verified channel write echoed at once
// (the self-test makes about 2,700 of them) through the serial layer and the
// simulated instrument, beside the wire time of the same bytes at 1,000,000
// baud. On a pseudo-terminal no wire time is spent, so the figure is the
// software overhead alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "SimProcess.h"
#include "TempFolder.h"
#include "device/COM_Module.h"
#include "device/ModCOMM.h"
#include "device/ReplyFormats.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"

using namespace vondrel;

namespace {

constexpr int kRuns = 500;
constexpr int kWarmUp = 20;

// Times `once` (which returns false on a fault) and prints the median, mean
// and 95th percentile beside the wire time.
void Measure(const char* what, const char* faultName, double wireMs, const std::function<bool(int)>& once) {
    std::vector<double> times;
    int faults = 0;
    for (int i = 0; i < kRuns + kWarmUp; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!once(i)) ++faults;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (i >= kWarmUp) times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times) sum += t;
    std::printf("%s over %d runs: median %.3f ms, mean %.3f ms, 95th percentile %.3f ms, %s %d\n", what, kRuns,
                times[times.size() / 2], sum / static_cast<double>(times.size()), times[times.size() * 95 / 100],
                faultName, faults);
    std::printf("wire time of the same bytes at 1,000,000 baud: %.2f ms; overhead budget 1 ms\n", wireMs);
}

}  // namespace

int main() {
    testing::TempFolder folder;
    platform::SetProgramFolderForTest(folder.Path());
    testing::SimProcess sim(folder.Path(), 4);
    if (CommOpen(4, "COM4", "baud=1000000 parity=N data=8 stop=1") != 0) {
        std::fprintf(stderr, "open failed: %s %s\n", g_comm_error_source.c_str(), g_comm_error_text.c_str());
        return 1;
    }
    Measure("four-station poll", "faults", 4.0 * (5 + 144) * 10 / 1e6 * 1000, [](int) {
        bool ok = true;
        for (int st = 0; st < 4; ++st) {
            CommFlush(4);
            CommWrite(4, *BuildDeviceFrame(0x33, 0, st));
            std::string a, b;
            if (CommRead(4, a, 72) == 72) CommRead(4, b, 72);
            if (a.size() + b.size() != 144) ok = false;
        }
        return ok;
    });
    // Nine exchanges of a five-byte frame and a two-byte echo.
    g_com_port = 4;
    Measure("verified channel write", "failed", 9.0 * (5 + 2) * 10 / 1e6 * 1000, [](int i) {
        int16_t result = 0;
        WriteChannelSetting(i % 384, 2, 2, result);
        return result == 1;
    });
    CommClose(4);
    return 0;
}
