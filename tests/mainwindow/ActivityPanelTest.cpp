// The activity panel of the main window drawn offscreen: the plot-type
// buttons, the page buttons at both ends, and pixels of a bar's top, a
// cut-open bar and a heatmap cell. A 96-well plate with one beam a well,
// channel = well, cells 9 plate units apart.
#include <QPushButton>

#include "WindowFixture.h"
#include "mainwindow/ActivityPlots.h"
#include "mainwindow/Canvas.h"

namespace vondrel {
namespace {

class ActivityPanel : public testing::WindowTest {
protected:
    void SetUp() override {
        g_plate_rows = 8;
        g_plate_cols = 12;
        g_plate_row_pitch = g_plate_col_pitch = 1.8;
        g_plate_row_offset = g_plate_col_offset = 1.0;
        g_max_well = 95;
        g_max_beam = 0;
        g_well_beam_channel.Resize(96, 1);
        g_channel_well.fill(-1);
        g_channel_beam.fill(0);
        g_channel_enabled.fill(-1);
        for (int w = 0; w < 96; ++w) {
            g_well_beam_channel.At(w, 0) = static_cast<int16_t>(w);
            g_channel_well[w] = static_cast<int16_t>(w);
        }
        for (int s = 0; s < 4; ++s) {
            StationChannelGroups(s).fill(-1);
            for (int g = 0; g < kChannelSlots; ++g) StationGroupNames(s)[g] = "G";
        }
        main = &FrmMain();
        main->resize(1024, 768);
        main->ArrangeMainControls();
        main->m_run.m_station = 0;
        main->m_activity_zoom = 1.0;
        main->m_run.m_cumulative_count[0].fill(0);
    }
    // Groups 0..n-1 at station 1, group g on channel g.
    void Groups(int n) {
        for (int g = 0; g < n; ++g) g_channel_group_s1[static_cast<size_t>(g)] = static_cast<int16_t>(g);
    }
    uint32_t At(double x, double y) {
        QPointF p = main->Picact->ToPixel(x, y);
        return main->Picact->PixelAt(static_cast<int>(p.x()), static_cast<int>(p.y()));
    }
    bool PageButtonsShown() { return !main->cmd_pgup->isHidden() && !main->cmd_pgdown->isHidden(); }
    bool PanelBlank() {
        const QImage& img = main->Picact->Image();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (main->Picact->PixelAt(x, y) != kPanelWhite) return false;
        return true;
    }

    Frm_Main* main = nullptr;
};

TEST_F(ActivityPanel, BarPlotPagesAndTheBarsTopAndCutOpenTop) {
    Groups(13);
    auto& counts = main->m_run.m_cumulative_count[0];
    counts[0] = 100;    // group 0, bar 0
    counts[1] = 400;    // group 1, cut open at zoom 1
    counts[12] = 80;    // group 12, alone on page 1
    main->cmd_pgup->hide();
    main->cmd_pgdown->hide();
    main->m_plot_page = 1;
    main->Cmd_barplot->click();
    EXPECT_EQ(main->m_plot_type, 1);
    EXPECT_EQ(main->m_plot_page, 0);  // the bar button returns to page 0
    EXPECT_EQ(main->m_plot_page_limit, 2);
    EXPECT_TRUE(PageButtonsShown());

    // Twelve bars: spacing 300 / 13, offset round(0.35 s) = 8.
    const double s = 300.0 / 13, x0 = 8;
    const double mid0 = x0 + 0.5 * s, mid1 = x0 + s + 0.5 * s;
    EXPECT_EQ(At(mid0, 50), kPanelGrey);    // inside bar 0
    EXPECT_EQ(At(mid0, 110), kPanelWhite);  // above its top
    // Its top edge is the black outline just above the grey.
    QPointF top = main->Picact->ToPixel(mid0, 100);
    bool blackNearTop = false;
    for (int dy = -3; dy <= 0; ++dy)
        blackNearTop |= main->Picact->PixelAt(static_cast<int>(top.x()), static_cast<int>(top.y()) + dy) == 0;
    EXPECT_TRUE(blackNearTop);
    // Bar 1 is cut open: grey runs through the height of its outline top.
    EXPECT_EQ(At(mid1, 255), kPanelGrey);
    EXPECT_EQ(At(mid1, 262), kPanelWhite);
    EXPECT_DOUBLE_EQ(main->m_activity_zoom, 1.5);  // 400 units: the next drawing zooms out

    // Paging at both ends keeps the page and redraws.
    main->cmd_pgdown->click();
    EXPECT_EQ(main->m_plot_page, 0);
    main->cmd_pgup->click();
    EXPECT_EQ(main->m_plot_page, 1);
    main->cmd_pgup->click();
    EXPECT_EQ(main->m_plot_page, 1);
    // Page 1 shows group 12 alone in slot 0 (mean 80 at zoom 1.5, about 53).
    EXPECT_EQ(At(mid0, 40), kPanelGrey);
    EXPECT_EQ(At(mid1, 40), kPanelWhite);
    main->cmd_pgdown->click();
    EXPECT_EQ(main->m_plot_page, 0);
}

TEST_F(ActivityPanel, FewGroupsLeaveThePageButtonsAsTheyWere) {
    Groups(12);
    main->cmd_pgup->hide();
    main->cmd_pgdown->hide();
    main->Cmd_barplot->click();
    EXPECT_FALSE(PageButtonsShown());
}

TEST_F(ActivityPanel, HeatmapCellGreyInItsRedOutlineAndPageClicksLeaveItClear) {
    Groups(2);
    auto& counts = main->m_run.m_cumulative_count[0];
    counts[9] = 510;  // well 9: row B, column 2, the most active (black)
    counts[0] = 255;  // well 0: half of it, mid grey
    main->m_plot_type = 0;
    main->Cmd_gridplot->click();
    EXPECT_EQ(main->m_plot_type, 2);
    EXPECT_FALSE(PageButtonsShown());
    // Cells are 180 units apart from 100; a cell's fill keeps a tenth clear.
    EXPECT_EQ(At(100 + 90, 100 + 90), Rgb(127, 127, 127));  // 255 - round(127.5)
    EXPECT_EQ(At(280 + 90, 280 + 90), 0u);
    EXPECT_EQ(At(100 + 90, 280 + 90), kPanelWhite);  // well 1 idle
    EXPECT_EQ(At(100 + 5, 100 + 90), kPanelWhite);   // the margin inside the outline
    bool redOutline = false;
    QPointF edge = main->Picact->ToPixel(100, 100 + 90);
    for (int dx = -1; dx <= 1; ++dx)
        redOutline |= main->Picact->PixelAt(static_cast<int>(edge.x()) + dx, static_cast<int>(edge.y())) == kPanelRed;
    EXPECT_TRUE(redOutline);

    // The page buttons are hidden here; a click clears the panel and draws nothing.
    main->cmd_pgup_Click();
    EXPECT_TRUE(PanelBlank());
    main->cmd_pgdown_Click();
    EXPECT_TRUE(PanelBlank());
}

TEST_F(ActivityPanel, HistogramShowsTheGroupOfThePageAndKeepsThePage) {
    g_channel_group_s1[4] = 2;
    main->m_run.PeakHistogram(4, 0) = 30;
    main->m_run.m_seconds_per_sample_total = 0;
    main->m_run.m_histogram_record_count = 0;
    main->m_plot_page = 2;
    main->cmd_pgup->hide();
    main->Cmd_histoplot->click();
    EXPECT_EQ(main->m_plot_type, 3);
    EXPECT_EQ(main->m_plot_page, 2);
    EXPECT_EQ(main->m_plot_page_limit, kHistogramPages);
    EXPECT_TRUE(PageButtonsShown());
    // Peak 30: zoom 0.144, class 0 cut open; the zoom grows by 0.2 afterwards.
    EXPECT_EQ(At(4 + 5, 100), kPanelGrey);
    EXPECT_NEAR(main->m_activity_zoom, 30 / 250.0 * 1.2 + 0.2, 1e-9);
    main->cmd_pgup->click();
    EXPECT_EQ(main->m_plot_page, 3);
    EXPECT_EQ(At(4 + 5, 100), kPanelWhite);  // group 3 has no channel
    main->m_plot_page = 95;
    main->cmd_pgup->click();
    EXPECT_EQ(main->m_plot_page, 95);
}

}  // namespace
}  // namespace vondrel
