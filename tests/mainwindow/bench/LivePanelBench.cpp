// Time of the live display on a w384 plate with every channel counted, run
// offscreen: the activity panel's refresh per plot type and station (what
// the tick draws after each closed window), the window's counting beside
// it, the trace step with the temperature label, the whole trace redraw, the
// zoom references and the window's activation when stopped. Each figure
// includes the canvas repaint where the screen would show it. Prints
// figures; not a test.
#include <QApplication>
#include <QComboBox>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "acquisition/WindowCounting.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/TracePlot.h"
#include "store/PlateMap.h"

using namespace vondrel;
using Clock = std::chrono::steady_clock;

namespace {

struct Figure {
    double mean = 0, worst = 0;
};

Figure Time(int runs, const std::function<void()>& f) {
    f();  // warm
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto a = Clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
    }
    Figure r;
    for (double v : ms) r.mean += v;
    r.mean /= runs;
    r.worst = *std::max_element(ms.begin(), ms.end());
    return r;
}

void Print(const char* what, Figure f) { std::printf("%-52s %8.3f ms mean %8.3f ms worst\n", what, f.mean, f.worst); }

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_rt_buffer = 500;
    SetBuiltInPlateMap("w384");
    BuildWellBeamIndex();
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> count(0, 10000), peak(0, 400), level(1200, 1800);
    for (int s = 0; s < kStations; ++s)
        for (int ch = 0; ch < kChannels; ++ch) {
            StationChannelGroups(s)[static_cast<size_t>(ch)] = static_cast<int16_t>(ch / 16);
            StationGroupNames(s)[static_cast<size_t>(ch / 16)] = "Group" + std::to_string(ch / 16);
        }

    Frm_Main main;
    main.resize(1280, 860);
    main.show();
    main.ArrangeMainControls();
    main.m_run = AcquisitionState(g_rt_buffer);
    AcquisitionState& st = main.m_run;
    for (int s = 0; s < kStations; ++s)
        for (int ch = 0; ch < kChannels; ++ch) st.m_cumulative_count[s][static_cast<size_t>(ch)] = static_cast<int16_t>(count(rng));
    for (int ch = 0; ch < kChannels; ++ch)
        for (int b = 0; b < kHistogramSlots; ++b) st.PeakHistogram(ch, b) = peak(rng);
    st.m_seconds_per_sample_total = 0.15;
    st.m_histogram_record_count = 3;
    for (int s = 0; s < kStations; ++s)
        for (int p = 0; p <= g_rt_buffer; ++p)
            for (int ch = 0; ch < kChannelSlots; ++ch) st.Sample(s, ch, p) = static_cast<int16_t>(level(rng));
    st.m_sample_index = 250;
    st.m_sample_count = 250;
    st.m_temperature_text = "25.0";

    std::printf("trace canvas shown: %s\n", main.Picreal->isVisible() ? "yes" : "no");
    std::printf("Live display, w384, every channel counted (%d runs each)\n", 200);
    const char* names[] = {"group wells", "group bars", "heatmap", "body-bends histogram"};
    for (int type = 0; type <= 3; ++type) {
        main.m_plot_type = static_cast<int16_t>(type);
        for (int s = 0; s < kStations; ++s) {
            st.m_station = static_cast<int16_t>(s);
            main.FillWellSelectors();
            g_selected_channel = 0;
            main.lblcanal_Change();
            main.Picact->Cls();
            if (auto sc = ActivityScale(type, g_plate_col_offset, g_plate_row_offset))
                main.Picact->Scale(sc->x1, sc->y1, sc->x2, sc->y2);
            if (type == 2) main.Dibujar_gridplot();
            char what[96];
            std::snprintf(what, sizeof what, "RefreshActivityPanel %-21s station %d", names[type], s + 1);
            Print(what, Time(200, [&] {
                      main.m_activity_zoom = 1.0;
                      main.RefreshActivityPanel(static_cast<int16_t>(s));
                      main.Picact->repaint();
                  }));
        }
    }
    {
        AcquisitionState copy = st;
        copy.SetTickedStations({true, true, true, true});
        for (auto& t : g_channel_threshold) t.fill(5.0);
        Print("window counting, 4 stations (the same tick)", Time(20, [&] { ThresholdAndCountWindow(copy, 0); }));
    }

    st.m_station = 0;
    g_selected_channel = 17;
    main.m_trace_bottom.fill(1450);  // zoomed levels stay on the plot
    for (int zoom : {0, 10}) {
        st.m_trace_zoom = zoom;
        const PlotScale sc = PlayTraceScale(g_rt_buffer);
        main.Picreal->Scale(sc.x1, sc.y1, sc.x2, sc.y2);
        char what[96];
        std::snprintf(what, sizeof what, "DrawTraceStep + ShowTemperature, zoom %d", zoom);
        int k = 6;
        Print(what, Time(500, [&] {
                  st.m_sample_index = static_cast<int16_t>(k);
                  k = k + 1 < g_rt_buffer ? k + 1 : 6;
                  main.DrawTraceStep(0);
                  main.ShowTemperature();
                  main.Picreal->repaint();
              }));
    }
    {
        int red = 0;
        const QImage& img = main.Picreal->Image();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) red += main.Picreal->PixelAt(x, y) == kTraceRed;
        std::printf("red trace pixels on the plot after the steps: %d\n", red);
    }
    st.m_trace_zoom = 0;
    st.m_sample_index = 250;
    Print("RedrawRealtimePlot, N = 500", Time(100, [&] {
              main.RedrawRealtimePlot(0);
              main.Picreal->repaint();
          }));
    std::array<int16_t, kChannelSlots> bottom{};
    Print("zoom references, 385 channels x 500 samples", Time(200, [&] {
              ComputeTraceBottom(st.m_sample_window[0].data(), g_rt_buffer, g_rt_buffer, bottom);
          }));
    // Stopped, the window's activation clears the run's tables.
    g_run_state = 0;
    Print("Form_Activate stopped, N = 500", Time(50, [&] { main.Form_Activate(); }));
    return 0;
}
