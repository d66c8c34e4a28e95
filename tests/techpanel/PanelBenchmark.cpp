// Per-sample cost of the panel's live display against the wire's 4.24 ms
// per sample (8 x 53 bytes at 1,000,000 baud): the decode with spread and
// peak line, the well map, the trace at zoom 0 and 5, and one dot-scan
// step. Run by hand (offscreen), not a test; prints milliseconds.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <functional>

#include "device/ReplyFormats.h"
#include "mainwindow/Canvas.h"
#include "store/Globals.h"
#include "techpanel/Frm_Vetrol.h"

using namespace vondrel;

static double PerCallMs(int n, const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / n;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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
    return 0;
}
