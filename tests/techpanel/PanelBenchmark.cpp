// Per-sample cost of the panel's live display against the wire's 4.24 ms
// per sample (8 x 53 bytes at 1,000,000 baud): the decode with spread and
// peak line, the well map, the trace at zoom 0 and 5, and one dot-scan
// step; then the ONLINE loop's samples a second against the simulated
// instrument. Run by hand (offscreen), not a test; prints figures.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <functional>

#include <QTimer>

#include "SimProcess.h"
#include "TempFolder.h"
#include "device/ModCOMM.h"
#include "device/ReplyFormats.h"
#include "platform/ProgramFolder.h"
#include "platform/Events.h"
#include "mainwindow/Canvas.h"
#include "store/Globals.h"
#include "techpanel/Frm_Vetrol.h"

using namespace vondrel;

static double PerCallMs(int n, const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / n;
}

// Samples the ONLINE loop takes in `seconds` against the simulator at
// station 1 (eight 48-byte blocks a sample, the display drawn each time).
static double OnlineSamplesPerSecond(double seconds) {
    testing::TempFolder folder;
    platform::SetProgramFolderForTest(folder.Path());
    testing::SimProcess sim(folder.Path(), 4, {"--mode", "parity48", "--time-scale", "1"});
    if (CommOpen(4, "COM4", "baud=1000000 parity=N data=8 stop=1") != 0) {
        std::fprintf(stderr, "open failed: %s %s\n", g_comm_error_source.c_str(), g_comm_error_text.c_str());
        return -1;
    }
    g_com_port = 4;
    g_offline = 0;
    Frm_Vetrol p(techpanel::PanelVariant::Mini);
    p.show();
    int first = 0;
    std::chrono::steady_clock::time_point t0;
    QTimer::singleShot(500, [&] {  // after the loop has settled
        first = p.m_history.count;
        t0 = std::chrono::steady_clock::now();
        QTimer::singleShot(static_cast<int>(seconds * 1000), [&] { p.Cmd_offline_Click(); });
    });
    p.Cmd_online_Click();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    CommClose(4);
    g_offline = -1;
    return (p.m_history.count - first) / s;
}

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    platform::SetTimeScale(1.0);
    platform::SetEventPump([] { QCoreApplication::processEvents(); });
    Frm_Vetrol p(techpanel::PanelVariant::Mini);
    p.show();
    std::array<int, kParityBlockWords> levels{};
    for (int w = 0; w < kParityBlockWords; ++w) levels[static_cast<size_t>(w)] = 1000 + 37 * w;
    const std::string block = EncodeParityWordBlock(levels);
    BlockValues values{};
    p.m_history.count = 20;
    const double decode = PerCallMs(2000, [&] {
        for (int o = 0; o < 64; o += 8) {
            DecodeParityWordBlock(block, values);
            p.m_history.StoreParityBlock(p.m_history.slot, o, values);
        }
        p.m_history.UpdatePeakLine([](int ch) { return g_channel_threshold[static_cast<size_t>(ch)][0]; });
        p.m_history.Advance();
    });
    const double map = PerCallMs(200, [&] { p.DrawPanelWellMap(); });
    p.m_panel_zoom = 0;
    const double trace0 = PerCallMs(200, [&] { p.DrawPanelTrace(); });
    p.m_panel_zoom = 5;
    const double trace5 = PerCallMs(200, [&] { p.DrawPanelTrace(); });
    const double scan = PerCallMs(200, [&] {
        for (int k = 0; k <= 24; ++k)
            for (int r = 0; r <= 16; ++r) p.Picwell_out->PSet(k * 10 + 3, r * 10 + 3, Rgb(255, 255, 255));
    });
    const double sum = decode + map + trace0 + scan;
    std::printf("decode+spread+peak %.3f ms\nwell map %.3f ms\ntrace zoom 0 %.3f ms\ntrace zoom 5 %.3f ms\n"
                "scan step %.3f ms\nsum (zoom 0) %.3f ms against 4.24 ms on the wire\n",
                decode, map, trace0, trace5, scan, sum);
    const double rate = OnlineSamplesPerSecond(5.0);
    std::printf("ONLINE loop against the simulator: %.1f samples a second (the wire allows about 235)\n", rate);
    return rate > 0 ? 0 : 1;
}
