// Layout figures of the main window: units from the window's size, panel
// places, panel units, plot scales, and the placed widgets themselves.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <map>

#include "WindowFixture.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/Shaping.h"
#include "platform/Numbers.h"

namespace vondrel {
namespace {

struct WindowCase {
    double width, height;
    WindowUnits units;
    PanelPlace left, right;
    double autostartTop;
};

TEST(MainLayoutFigures, WindowUnitsAndPanels) {
    const WindowCase cases[] = {
        {15360, 11520, {768, 288, 2304, 504}, {384, 288, 9446.4, 9828}, {9984, 288, 4723.2, 9828}, 10242},
        {19200, 14400, {960, 360, 2880, 630}, {480, 360, 11808, 12285}, {12480, 360, 5904, 12285}, 12802.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        WindowUnits u = ComputeWindowUnits(c.width, c.height);
        EXPECT_EQ(u.MH, c.units.MH);
        EXPECT_EQ(u.MT, c.units.MT);
        EXPECT_EQ(u.WC, c.units.WC);
        EXPECT_EQ(u.WR, c.units.WR);
        PanelPlace l = LeftPanelPlace(u), r = RightPanelPlace(u);
        EXPECT_DOUBLE_EQ(l.left, c.left.left);
        EXPECT_DOUBLE_EQ(l.top, c.left.top);
        EXPECT_NEAR(l.width, c.left.width, 1e-9);
        EXPECT_NEAR(l.height, c.left.height, 1e-9);
        EXPECT_DOUBLE_EQ(r.left, c.right.left);
        EXPECT_NEAR(r.width, c.right.width, 1e-9);
        EXPECT_NEAR(r.height, c.right.height, 1e-9);
        EXPECT_DOUBLE_EQ(AutostartTop(u), c.autostartTop);
    }
}

TEST(MainLayoutFigures, HalvesRoundToEven) {
    // round(15363 * 0.9) = 13827; 13827 / 6 = 2304.5 rounds to 2304.
    EXPECT_EQ(ComputeWindowUnits(15363, 11520).WC, 2304);
    LeftUnits lu = ComputeLeftUnits(629 * 15, 655 * 15, 15, 15);
    EXPECT_EQ(lu.LC, 153);
    EXPECT_EQ(lu.LR, 34);
    RightUnits ru = ComputeRightUnits(4723, 9828, 15, 15);
    EXPECT_EQ(ru.FC, 2362);  // 2361.5 to the even neighbour
    EXPECT_EQ(ru.FR, 504);
    EXPECT_EQ(ru.RC, 157);   // 4723 \ 15 = 315 pixels; 157.5 to even
    EXPECT_EQ(ru.RR, 34);    // 9828 \ 15 = 655 pixels
}

TEST(MainLayoutFigures, PlotScales) {
    EXPECT_FALSE(ActivityScale(4, 0, 0).has_value());
    EXPECT_FALSE(ActivityScale(-1, 0, 0).has_value());
    for (int type : {0, 1, 3}) {
        auto s = ActivityScale(type, 1.3, 2.7);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->x1, -30);
        EXPECT_EQ(s->y1, 300);
        EXPECT_EQ(s->x2, 300);
        EXPECT_EQ(s->y2, -30);
    }
    auto grid = ActivityScale(2, -0.5, 0);
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->x1, -200);
    EXPECT_EQ(grid->y1, -200);
    EXPECT_EQ(grid->x2, 2410);
    EXPECT_EQ(grid->y2, 1610);
    PlotScale t = TraceScale(500);
    EXPECT_EQ(t.x1, 0);
    EXPECT_EQ(t.y1, 2100);
    EXPECT_EQ(t.x2, 520);
    EXPECT_EQ(t.y2, 0);
}

std::map<std::string, Placement> ByName(const std::vector<Placement>& v) {
    std::map<std::string, Placement> m;
    for (const auto& p : v) m[p.name] = p;
    return m;
}

TEST(MainLayoutFigures, ChannelAndZoomRowsNeverOverlap) {
    for (double lc : {100.0, 153.0, 154.0, 250.0}) {
        auto m = ByName(LeftPanelContents({lc, 34}, 300));
        auto right = [&](const char* n) { return m[n].left + *m[n].width; };
        EXPECT_LE(right("cmdbeam_minus"), m["txtbeam"].left + 1e-9);
        EXPECT_LE(right("txtbeam"), m["cmdbeam_plus"].left + 1e-9);
        EXPECT_LE(right("Cmdzoom_minus"), m["Cmdzoom_plus"].left + 1e-9);
        // The plot-type buttons stand side by side.
        EXPECT_LE(right("Cmd_barplot"), m["Cmd_gridplot"].left + 1e-9);
        EXPECT_LE(right("Cmd_gridplot"), m["Cmd_histoplot"].left + 1e-9);
    }
}

TEST(MainLayoutFigures, StationGridAndRunButtons) {
    RightUnits u{157, 34, 2362, 504};
    auto m = ByName(RightPanelContents(u));
    for (int i = 0; i < 4; ++i) {
        const auto& box = m["chk_enabled_" + std::to_string(i)];
        const auto& button = m["cmd_stack_pos_" + std::to_string(i)];
        EXPECT_NEAR(button.left - box.left, 0.1 * u.RC, 1e-9);
        EXPECT_EQ(button.top, box.top);
        EXPECT_TRUE(GetsInsetRegion(button.name));
        EXPECT_FALSE(GetsInsetRegion(box.name));
    }
    EXPECT_NEAR(m["CmdPlay"].left + *m["CmdPlay"].width, m["CmdStop"].left, 1e-9);
    EXPECT_TRUE(m["lst_report_export"].topAboveOwnHeight);
    EXPECT_EQ(m["lst_report_export"].top, 17 * u.RR);
}

class MainWindowLayout : public testing::WindowTest {};

TEST_F(MainWindowLayout, PlacesWidgetsForTwoWindowSizes) {
    struct Case {
        int w, h;
        QRect panel1, panel2;
    };
    // 1024 x 768 pixels is 15360 x 11520 twips; 1280 x 960 is 19200 x 14400.
    const Case cases[] = {
        {1024, 768, QRect(26, 19, 630, 655), QRect(666, 19, 315, 655)},
        {1280, 960, QRect(32, 24, 787, 819), QRect(832, 24, 394, 819)},
    };
    Frm_Main& main = FrmMain();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.w);
        main.resize(c.w, c.h);
        main.ArrangeMainControls();
        EXPECT_EQ(main.PicPanel1->geometry(), c.panel1);
        EXPECT_EQ(main.PicPanel2->geometry(), c.panel2);
        EXPECT_EQ(main.PicPanel1->mask().boundingRect().right(), c.panel1.width() - 1);

        LeftUnits lu = ComputeLeftUnits(c.panel1.width() * 15.0, c.panel1.height() * 15.0, 15, 15);
        auto px = [](double v) { return static_cast<int>(RoundHalfEven(v)); };
        // A panel's contents have their edges rounded: right = left + width.
        auto edges = [&](double l, double t, double w, double h) {
            return QRect(QPoint(px(l), px(t)), QPoint(px(l + w) - 1, px(t + h) - 1));
        };
        EXPECT_EQ(main.Picact->geometry(), edges(0.125 * lu.LC, 1.5 * lu.LR, 3.7 * lu.LC, 9.5 * lu.LR));
        EXPECT_EQ(main.Picreal->geometry(), edges(0.425 * lu.LC, 11.55 * lu.LR, 3.3 * lu.LC, 5 * lu.LR));

        RightUnits ru = ComputeRightUnits(c.panel2.width() * 15.0, c.panel2.height() * 15.0, 15, 15);
        EXPECT_EQ(main.CmdPlay->geometry(), edges(0.15 * ru.RC, 15 * ru.RR, 0.875 * ru.RC, 1.975 * ru.RR));
        // The report list ends exactly on row 17 of the panel.
        EXPECT_EQ(main.lst_report_export->geometry().top() + main.lst_report_export->height(), px(17 * ru.RR));
        // Frame contents are placed in twips: Cmdsetup at 1.45 FC.
        EXPECT_EQ(main.Cmdsetup->x(), px(1.45 * ru.FC / 15));
        EXPECT_TRUE(main.frame_config->isHidden());
        EXPECT_FALSE(main.Frame_setup->isHidden());
        EXPECT_FALSE(main.lbl_station->isHidden());
        // The station buttons are cut to the inset rounded region.
        QRect region = main.cmd_stack_pos[0]->mask().boundingRect();
        EXPECT_EQ(region.left(), 5);
        EXPECT_EQ(region.top(), 5);
        EXPECT_EQ(region.right(), main.cmd_stack_pos[0]->width() - 4 - 1);
    }
}

// Controls that meet in the figures meet in pixels, whatever the panel's
// units: the station boxes and their buttons (1.05 + 0.1 against 1.15
// columns, which differ in the last bit), the run buttons, and the frames'
// captions and boxes.
TEST_F(MainWindowLayout, ControlsThatMeetNeverOverlapInPixels) {
    QWidget panel;
    QWidget a(&panel), b(&panel);
    const std::pair<const char*, const char*> meets[] = {
        {"chk_enabled_1", "cmd_stack_pos_1"}, {"chk_enabled_0", "cmd_stack_pos_0"},
        {"CmdPlay", "CmdStop"},               {"Cmdreport", "Cmdoffline"},
    };
    for (double rc = 100; rc <= 320; rc += 1) {
        auto m = ByName(RightPanelContents({rc, 34, rc * 15, 504}));
        for (const auto& [first, second] : meets) {
            SCOPED_TRACE(std::string(first) + " " + std::to_string(rc));
            const Placement& p = m[first];
            const Placement& q = m[second];
            ApplyPlacementByEdges(&a, p.left, p.top, p.width, p.height, 1.0);
            ApplyPlacementByEdges(&b, q.left, q.top, q.width, q.height, 1.0);
            EXPECT_EQ(a.geometry().right() + 1, b.geometry().left());
        }
    }
}

TEST_F(MainWindowLayout, TraceScaleFollowsBufferAndOtherPlotTypeLeavesActivityBlank) {
    Frm_Main& main = FrmMain();
    g_rt_buffer = 500;
    main.m_plot_type = 7;
    main.Picact->FilledBox(0, 0, 10, 10, 0);
    main.ArrangeMainControls();
    EXPECT_DOUBLE_EQ(main.Picreal->ScaleWidth(), 520);
    EXPECT_DOUBLE_EQ(main.Picreal->ScaleHeight(), -2100);
    const QImage& img = main.Picact->Image();
    bool blank = true;
    for (int y = 0; y < img.height() && blank; y += 3)
        for (int x = 0; x < img.width() && blank; x += 3) blank = main.Picact->PixelAt(x, y) == 0xFFFFFF;
    EXPECT_TRUE(blank);
    main.m_plot_type = 0;
}

}  // namespace
}  // namespace vondrel
