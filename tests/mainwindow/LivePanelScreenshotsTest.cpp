// Pictures of the activity panel during a run against the simulated
// instrument on a w96u plate: the group wells, both bar pages, the heatmap,
// the body-bends histogram and the paused run. Written to build/screenshots.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "RunFixture.h"
#include "mainwindow/ActivityPlots.h"
#include "mainwindow/Canvas.h"
#include "store/PlateMap.h"

namespace vondrel {
namespace {

using platform::Reply;
using testing::RunTest;

class LivePanelScreenshots : public RunTest {
protected:
    void TearDown() override {
        main().Timeradq->stop();
        g_run_state = 0;
    }
    static void Save(const char* name) {
        main().repaint();
        EXPECT_TRUE(main().grab().save(QString(VONDREL_SCREENSHOT_DIR) + "/" + name));
    }
};

TEST_F(LivePanelScreenshots, EachPlotTypeDuringASimulatedRun) {
    StartRun(true);
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    TickStations({1});
    Play();
    Frm_Main& m = main();
    m.resize(1280, 860);
    m.show();
    m.ArrangeMainControls();

    // A w96u plate with sixteen groups of six wells at station 1.
    g_plate_format = "w96u";
    LoadPlateMap(0);
    for (int ch = 0; ch < kChannels; ++ch) {
        const int w = g_channel_well[static_cast<size_t>(ch)];
        g_channel_group_s1[static_cast<size_t>(ch)] = static_cast<int16_t>(w >= 0 ? w / 6 : -1);
    }
    for (int g = 0; g < 16; ++g) g_group_name_s1[static_cast<size_t>(g)] = "Dose" + std::to_string(g + 1);
    m.FillWellSelectors();

    // Three closed windows of the simulated instrument.
    for (int w = 0; w < 3; ++w) {
        m.m_run.m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
        m.Timeradq_Timer();
    }
    ASSERT_EQ(g_run_state, 1);
    // Counts and body-bends classes that differ from group to group.
    for (int ch = 0; ch < kChannels; ++ch) {
        const int w = g_channel_well[static_cast<size_t>(ch)];
        m.m_run.m_cumulative_count[0][static_cast<size_t>(ch)] = static_cast<int16_t>(w < 0 ? 0 : 20 + (w * 37) % 260);
        for (int b = 0; b < kHistogramClassesShown; ++b)
            m.m_run.PeakHistogram(ch, b) = w < 0 ? 0 : std::max(0, 40 - (b - 6) * (b - 6)) + (ch % 5);
    }
    m.m_run.m_seconds_per_sample_total = 3 * 0.052;
    m.m_run.m_histogram_record_count = 3;

    m.combogrup_Click();
    Save("live_group_wells.png");
    m.Cmd_barplot->click();
    EXPECT_EQ(m.m_plot_page_limit, 2);
    Save("live_bars_page1.png");
    m.cmd_pgup->click();
    EXPECT_EQ(m.m_plot_page, 1);
    Save("live_bars_page2.png");
    m.Cmd_gridplot->click();
    Save("live_heatmap.png");
    m.m_plot_page = 0;
    m.Cmd_histoplot->click();
    EXPECT_EQ(m.m_plot_page_limit, kHistogramPages);
    Save("live_histogram_w96u.png");
    // The tick redraws the shown plot type after its next window.
    m.m_run.m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
    m.Timeradq_Timer();
    EXPECT_EQ(m.m_plot_type, 3);

    boxes.ExpectMessage("Pause Time Counter?", Reply::Yes);
    m.CmdPause_Click();
    EXPECT_EQ(m.lbl_autotext->text().toStdString(), "<< PAUSED >>");
    Save("live_paused.png");
}

}  // namespace
}  // namespace vondrel
