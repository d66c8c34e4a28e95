// The browser window's group activity tables: from the open recording's
// counts.bin and from the project's tagged recordings below the program folder.
#include <new>
#include <stdexcept>
#include <string>

#include "ScriptedDialogs.h"
#include "WindowFixture.h"
#include "acquisition/RunDataFiles.h"
#include "browser/Frm_offline.h"
#include "browser/BinningPlots.h"
#include "mainwindow/Canvas.h"
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include "store/Globals.h"

namespace vondrel::testing {
namespace {

std::string Counts(std::initializer_list<std::pair<int, int16_t>> recs) {
    std::string out;
    for (auto [minutes, count] : recs) {
        ChannelTable16 t{};
        for (int c = 0; c < 384; ++c) t[c] = count;
        auto b = BuildCountsRecord(minutes, t);
        out.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    return out;
}

class PlotsWindowTest : public WindowTest {
protected:
    PlotsWindowTest() {
        home.Write("p00001/20240316_0900/counts.bin", Counts({{0, 2}, {4, 2}, {5, 6}, {11, 9}}));
        home.Write("p00001/20240315_1200_s2/counts.bin", Counts({{0, 40}}));
        w.m_project_folder = "p00001";
        w.m_acquisition_path = home / "p00001/20240316_0900";
        w.m_config.channelGroup.fill(-1);
        w.m_config.channelGroup[0] = 0;
        w.m_config.channelGroup[1] = 0;
    }
    Frm_offline w;
};

TEST_F(PlotsWindowTest, TablesOfTheOpenRecordingAndOfTags) {
    EXPECT_EQ(w.BinGroupActivity(5, -1), 9);
    EXPECT_EQ(w.m_bin_count, 3);
    EXPECT_EQ(w.m_bin_minutes, 5);
    EXPECT_EQ(w.m_group_bin_means.at(1, 0), 4);
    EXPECT_EQ(w.m_group_bin_means.at(2, 0), 6);
    EXPECT_EQ(w.m_group_bin_means.at(3, 384), 9 * 382);

    EXPECT_EQ(w.BinGroupActivity(30, 0), 19);
    EXPECT_EQ(w.m_bin_count, 1);

    w.SumChannelTotals();
    EXPECT_EQ(w.m_channel_totals[7], 19);

    EXPECT_EQ(w.LoadTagKinetics("20240316_0900 20240315_1200_s2", 5), 40);
    EXPECT_EQ(w.m_bin_count, 2);
    EXPECT_EQ(w.m_tag_sorted_list, " 20240315_1200_s2 20240316_0900");
    EXPECT_EQ(w.m_group_bin_means.at(1, 0), 40);
    EXPECT_EQ(w.m_group_bin_means.at(2, 0), 19);
    ASSERT_EQ(w.m_column_dates.size(), 3u);
    EXPECT_LT(w.m_column_dates[1], w.m_column_dates[2]);
}

TEST_F(PlotsWindowTest, MissingCountsKeepTheTables) {
    w.BinGroupActivity(5, -1);
    w.m_acquisition_path = home / "p00001/20240101_0000";
    boxes.ExpectMessage("Activity file not Found");
    boxes.ExpectMessage("Activity file not Found");
    EXPECT_EQ(w.BinGroupActivity(30, 0), 0);
    EXPECT_EQ(w.m_bin_count, 3);
    w.SumChannelTotals();
}

TEST_F(PlotsWindowTest, LinePlotReplayedOnASurface) {
    w.m_config.channelGroup[2] = 1;
    w.m_config.channelGroup[3] = 1;
    int64_t top = w.BinGroupActivity(5, -1);
    auto plan = browser::KineticsLinePlan(w.m_group_bin_means, static_cast<double>(top), 5, {},
                                          {"000_Control", "001_Treated", "999_Free"}, 1);
    Canvas canvas;
    canvas.resize(640, 400);
    canvas.SetBackColor(0xFFFFFF);
    ReplayPlan(canvas, plan);
    // The grey time axis runs along y = 0 from x = 0 to the span.
    QPointF axis = canvas.ToPixel(7, 0);
    EXPECT_EQ(canvas.PixelAt(static_cast<int>(axis.x()), static_cast<int>(axis.y())), browser::kPlotGrey);
    // Both groups run from (5, 4) to (10, 6); the selected second one, in
    // green, is drawn over the first.
    QPointF mid = canvas.ToPixel(7.5, 5);
    bool green = false;
    for (int dy = -2; dy <= 2 && !green; ++dy)
        green = canvas.PixelAt(static_cast<int>(mid.x()), static_cast<int>(mid.y()) + dy) == 0x00FF00;
    EXPECT_TRUE(green);
#ifdef VONDREL_SCREENSHOT_DIR
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    canvas.Image().save(QString(VONDREL_SCREENSHOT_DIR) + "/browser_line_plot.png");
#endif

    ReplayPlan(canvas, browser::PlotPlan{});
    EXPECT_EQ(canvas.PixelAt(static_cast<int>(axis.x()), static_cast<int>(axis.y())), 0xFFFFFFu);
}

TEST_F(PlotsWindowTest, BarsOfTheWholeRecording) {
    std::vector<std::string> items;
    for (int g = 0; g < 12; ++g) {
        w.m_config.channelGroup[static_cast<size_t>(g)] = static_cast<int16_t>(g);
        items.push_back((g < 10 ? "00" : "0") + std::to_string(g) + "_Group");
    }
    int64_t top = w.BinGroupActivity(30, 0);
    Canvas canvas;
    canvas.resize(640, 400);
    canvas.SetBackColor(0xFFFFFF);
    ReplayPlan(canvas, browser::GroupBarPlan(w.m_group_bin_means, static_cast<double>(top), items, 10, 11));
    // The second page: items 10 and 11, the second one selected.
    QPointF first = canvas.ToPixel(15, 10), second = canvas.ToPixel(25, 10);
    EXPECT_EQ(canvas.PixelAt(static_cast<int>(first.x()), static_cast<int>(first.y())), 0xDCDCDCu);
    EXPECT_EQ(canvas.PixelAt(static_cast<int>(second.x()), static_cast<int>(second.y())), 0xC8C8C8u);
#ifdef VONDREL_SCREENSHOT_DIR
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    canvas.Image().save(QString(VONDREL_SCREENSHOT_DIR) + "/browser_bars_page2.png");
#endif
}

TEST_F(PlotsWindowTest, HeatmapOfTheChannelTotals) {
    auto& c = w.m_config;
    c.plateRows = 2, c.plateCols = 3, c.rowPitch = 7, c.rowOffset = 1, c.colPitch = 7, c.colOffset = 1;
    c.channelWell.fill(-1);
    c.wellBeamChannel.assign(6, std::vector<int16_t>{-1});
    for (int ch = 0; ch < 6; ++ch) {
        c.channelWell[ch] = static_cast<int16_t>(ch);
        c.wellBeamChannel[ch][0] = static_cast<int16_t>(ch);
    }
    // A1 (channel 0) takes the first recording's counts, B2 (channel 3) half of them.
    ChannelTable16 t{};
    t[0] = 400, t[3] = 200;
    auto rec = BuildCountsRecord(0, t);
    home.Write("p00001/20240316_0900/counts.bin", std::string(reinterpret_cast<const char*>(rec.data()), rec.size()));
    w.SumChannelTotals();
    browser::PlateLayout plate{c.plateRows, c.plateCols, c.rowPitch, c.rowOffset, c.colPitch, c.colOffset,
                               c.channelWell, &c.wellBeamChannel, c.channelGroup};
    Canvas canvas;
    canvas.resize(480, 320);
    canvas.SetBackColor(0xFFFFFF);
    ReplayPlan(canvas, browser::PlateHeatmapPlan(plate, w.m_channel_totals));
    QPointF a1 = canvas.ToPixel(100 + 0.8 * 700, 100 + 350);
    EXPECT_EQ(canvas.PixelAt(static_cast<int>(a1.x()), static_cast<int>(a1.y())), 0u);
    QPointF a2 = canvas.ToPixel(800 + 0.8 * 700, 100 + 350);
    EXPECT_EQ(canvas.PixelAt(static_cast<int>(a2.x()), static_cast<int>(a2.y())), 0xFFFFFFu);
#ifdef VONDREL_SCREENSHOT_DIR
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    canvas.Image().save(QString(VONDREL_SCREENSHOT_DIR) + "/browser_heatmap.png");
#endif
}

TEST_F(PlotsWindowTest, ReportHandsTheRecordingOver) {
    for (const char* line : {"+ 2024.0316\tp00001_Larvae", "  > 2024.0316\t ACQ09:00 \"Second run\"\t\t",
                             "  > 2024.0315_s2\t ACQ12:00 \"First run\"\t\t"})
        w.Listpj->addItem(QString::fromUtf8(line));
    w.Listpj->setCurrentRow(1);
    w.lbl_subpj_title->setText("Second run");
    w.m_view_mode = 4;

    // Without a report window: the hand-off is told, the view returns to bars.
    boxes.ExpectMessage("The report window is not available in this version.");
    w.Cmd_report->click();
    EXPECT_EQ(w.m_view_mode, 0);
    EXPECT_TRUE(boxes.Done());

    std::string folder, caption;
    bool histogram = true;
    std::vector<std::string> basal;
    Hooks().showReport = [&](const std::string& f, bool h, const std::string& c, const std::vector<std::string>& b) {
        folder = f, histogram = h, caption = c, basal = b;
    };
    w.Cmd_report_Click();
    EXPECT_EQ(folder, w.m_acquisition_path);
    EXPECT_FALSE(histogram);
    EXPECT_EQ(caption, "Second run");
    EXPECT_EQ(basal, (std::vector<std::string>{"-", "20240316_0900", "20240315_1200"}));
    home.Write("p00001/20240316_0900/histo0000.bin", "");
    w.Cmd_report_Click();
    EXPECT_TRUE(histogram);

    folder.clear();
    w.m_acquisition_path = home / "p00001/20240101_0000";
    boxes.ExpectMessage("Activity file not Found");
    w.Cmd_report_Click();
    EXPECT_EQ(folder, "");
    w.m_acquisition_path.clear();  // nothing open: nothing shown
    w.Cmd_report_Click();
    EXPECT_EQ(folder, "");
}

// A counts.bin whose minutes ask for more columns than the 16-bit tables
// hold ends the line plot silently: nothing drawn, nothing exported, the
// tables as they were.
TEST_F(PlotsWindowTest, DamagedMinuteEndsTheLinePlotSilently) {
    w.BinGroupActivity(5, -1);
    home.Write("p00001/20240316_0900/counts.bin", Counts({{0, 2}, {1, 2}, {2147483647, 2}}));
    w.DrawKineticsLinePlot(5, "", -1);
    w.Cmd_lineplot_Click();
    EXPECT_EQ(w.m_bin_count, 3);
    QStringList files = QDir(QString::fromStdString(home / "p00001")).entryList(QDir::Files);
    EXPECT_TRUE(files.isEmpty()) << files.join(" ").toStdString();
    // The whole-recording bars still draw from one column.
    w.DrawGroupBarPlot();
    EXPECT_EQ(w.m_bin_count, 1);
}

// A handler that lets an exception out reaches the application's guard, which
// names the failure; the event loop goes on.
TEST_F(PlotsWindowTest, AnEscapedExceptionIsShownNotPropagated) {
    struct Throwing : QObject {
        bool event(QEvent*) override { throw std::runtime_error("damaged table"); }
    } target;
    boxes.ExpectMessage("Unexpected Error: damaged table");
    QEvent e(QEvent::User);
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&target, &e));
    struct Starved : QObject {
        bool event(QEvent*) override { throw std::bad_alloc(); }
    } hungry;
    boxes.ExpectMessage("Unexpected Error: out of memory");
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&hungry, &e));
}

TEST_F(PlotsWindowTest, JointReportSeparator) {
    const std::string saved = g_report_spacer;
    g_report_spacer = "";
    EXPECT_EQ(w.JointReportSeparator(), ";");
    g_report_spacer = ",";
    EXPECT_EQ(w.JointReportSeparator(), ",");
    Hooks().reportSpacer = [] { return std::string("\t"); };
    EXPECT_EQ(w.JointReportSeparator(), "\t");
    g_report_spacer = saved;
}

}  // namespace
}  // namespace vondrel::testing
