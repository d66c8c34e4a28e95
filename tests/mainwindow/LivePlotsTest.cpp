// The live trace in the main window: what the tick's step draws on Picreal,
// the zoom buttons at their edges and the tick's once-per-run refresh.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "RunFixture.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/TracePlot.h"

namespace vondrel {
namespace {

using testing::RunTest;

constexpr uint32_t kBlue = 0xFF0000, kGreen = 0x00FF00;

class LivePlotsTest : public RunTest {
protected:
    void SetUp() override {
        StartRun(false);
        ASSERT_GE(g_rt_buffer, 100);
        g_selected_channel = 12;
        Canvas* c = main().Picreal;
        PlotScale s = PlayTraceScale(g_rt_buffer);
        c->Scale(s.x1, s.y1, s.x2, s.y2);
        c->Cls();
    }
    AcquisitionState& st() { return main().m_run; }
    // Level v at every position of the drawn channel of station 1, and the
    // reference r.
    void Fill(int v, int r) {
        for (int k = 0; k < g_rt_buffer; ++k) {
            st().Sample(0, g_selected_channel, k) = static_cast<int16_t>(v);
            st().LowerLine(0, g_selected_channel, k) = static_cast<int16_t>(r);
        }
    }
    static uint32_t ColourAt(double x, double y) {
        QPointF p = main().Picreal->ToPixel(x, y);
        return main().Picreal->PixelAt(static_cast<int>(p.x()), static_cast<int>(p.y()));
    }
    // Whether a pixel within one pixel of the scale point has the colour.
    static bool ColourNear(double x, double y, uint32_t colour) {
        Canvas* c = main().Picreal;
        QPointF p = c->ToPixel(x, y);
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                int px = static_cast<int>(p.x()) + dx, py = static_cast<int>(p.y()) + dy;
                if (px >= 0 && py >= 0 && px < c->Image().width() && py < c->Image().height() &&
                    c->PixelAt(px, py) == colour)
                    return true;
            }
        return false;
    }
};

TEST_F(LivePlotsTest, StepDrawsTheRedTraceWithTheWhiteBarAheadAndTheReferenceInItsPhaseColour) {
    Fill(1000, 500);
    // The older window drawn in red right across.
    st().m_sample_index = 0;
    main().RedrawRealtimePlot(0);
    ASSERT_EQ(ColourAt(203, 1000), kTraceRed);

    st().m_sample_index = 200;
    st().m_interval_phase = 0;
    main().DrawTraceStep(0);
    EXPECT_TRUE(ColourNear(198.5, 1000, kTraceRed));
    EXPECT_TRUE(ColourNear(198.5, 500, kBlue));
    // The erase bar ahead of the write position wipes the older trace.
    EXPECT_EQ(ColourAt(203, 1000), kTraceWhite);
    EXPECT_EQ(ColourAt(203, 2000), kTraceWhite);

    // The next interval draws its reference in green; the blue stays.
    st().m_sample_index = 230;
    st().m_interval_phase = 1;
    main().DrawTraceStep(0);
    EXPECT_TRUE(ColourNear(228.5, 500, kGreen));
    EXPECT_TRUE(ColourNear(198.5, 500, kBlue));
}

TEST_F(LivePlotsTest, TemperatureLabelAndSampleCounter) {
    st().m_temperature_text = "24.5";
    st().m_sample_count = 1;
    main().ShowTemperature();
    EXPECT_EQ(main().lbl_temperature->text().toStdString(), "T=24.5*C");
}

TEST_F(LivePlotsTest, ZoomButtonsAtTheirEdges) {
    Fill(1000, 0);
    st().Sample(0, g_selected_channel, 2) = 900;
    st().m_sample_index = 50;
    // "+" up to 10 and no further, the references computed each time.
    for (int n = 1; n <= 11; ++n) {
        main().m_trace_bottom.fill(0);
        main().Cmdzoom_plus->click();
        EXPECT_EQ(st().m_trace_zoom, std::min(n, 10));
        EXPECT_EQ(main().txtzoom->text().toStdString(), std::to_string(std::min(n, 10)));
        EXPECT_EQ(main().m_trace_bottom[g_selected_channel], 1000);
    }
    // Down to 1 with fresh references; to 0 leaving them; at 0 it stays.
    st().Sample(0, g_selected_channel, 20) = 1100;
    for (int n = 9; n >= 1; --n) main().Cmdzoom_minus->click();
    EXPECT_EQ(st().m_trace_zoom, 1);
    EXPECT_EQ(main().m_trace_bottom[g_selected_channel], 1100);
    main().m_trace_bottom[g_selected_channel] = 77;
    main().Cmdzoom_minus->click();
    EXPECT_EQ(st().m_trace_zoom, 0);
    EXPECT_EQ(main().m_trace_bottom[g_selected_channel], 77);
    main().Cmdzoom_minus->click();
    EXPECT_EQ(st().m_trace_zoom, 0);
    EXPECT_EQ(main().txtzoom->text().toStdString(), "0");
    // Unzoomed, the redraw shows the older trace in red at its level.
    EXPECT_TRUE(ColourNear(300.5, 1000, kTraceRed));
}

TEST_F(LivePlotsTest, TickRefreshKeepsTheZoomAndRecomputesTheReferences) {
    Fill(1000, 0);
    st().m_sample_index = 40;
    st().m_trace_zoom = 3;
    main().txtzoom->setText("3");
    main().m_trace_bottom.fill(0);
    g_offline = kTrue;
    g_run_state = 1;
    st().m_tick_count = g_dsp_interval;
    main().Timeradq_Timer();
    g_run_state = 0;
    EXPECT_EQ(st().m_trace_zoom, 3);
    EXPECT_EQ(main().txtzoom->text().toStdString(), "3");
    EXPECT_EQ(main().m_trace_bottom[g_selected_channel], 1000);
}

}  // namespace
}  // namespace vondrel
