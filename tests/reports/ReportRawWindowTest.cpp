// The report window's raw-data frame and per-well export offscreen, with
// scripted boxes.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "RawRunFixture.h"
#include "WindowFixture.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "reports/qt/Frm_report.h"
#include "reports/qt/Frm_reportset.h"
#include "store/CalReport.h"
#include "store/Globals.h"

namespace vondrel::testing {
namespace {

using reports::testing::RawRun;
using reports::testing::RecordingOpener;

class ReportRawWindowTest : public WindowTest {
protected:
    ReportRawWindowTest() : run(reports::testing::Minutes(14, 5)) {
        platform::SetListSeparatorForTest(",");
        platform::SetDecimalSeparatorForTest(".");
        InstallReportWindows();
        FrmMain();
    }
    ~ReportRawWindowTest() override {
        g_run_state = 0;
        g_report_rawexport = 0;
        UnloadReportWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::SetListSeparatorForTest("");
        platform::SetDecimalSeparatorForTest("");
        platform::SetDateSeparatorForTest("");
        platform::SetTimeSeparatorForTest("");
    }
    Frm_report& Window() {
        Frm_report& w = FrmReport();
        w.Txt_inputfile->setText(QString::fromStdString(run.folder));
        return w;
    }
    RawRun run;
    RecordingOpener opener;
};

TEST_F(ReportRawWindowTest, MenuRevealsTheFrameOnlyWithRawDataAndNotDuringARun) {
    Frm_report& w = Window();
    const int start = w.height();
    g_run_state = 1;
    w.mnrecalculate->trigger();  // during an acquisition: nothing
    EXPECT_EQ(w.height(), start);
    g_run_state = 0;
    w.mnrecalculate->trigger();
    EXPECT_EQ(w.height(), 6150 / 15);

    std::filesystem::remove(run.folder + "/0.bin");
    w.Cmd_cancel->click();
    boxes.ExpectMessage("Real Time Data Not Found");
    w.mnrecalculate->trigger();
    EXPECT_EQ(w.height(), 3500 / 15);
}

TEST_F(ReportRawWindowTest, RunReplacesWithTheChosenSettingsAndExportsRaw) {
    Frm_report& w = Window();
    w.Cmb_organism->setCurrentIndex(1);
    w.Cmb_dspmethod->setCurrentIndex(0);
    w.frmtxt_threshold->setText("0");  // no threshold: the organism's default
    w.Chk_replacedata->click();
    EXPECT_FALSE(w.frmtxt_datalapse->isEnabled());
    w.cmd_runframe->click();
    EXPECT_EQ(w.frmtxt_threshold->text(), "1.8");
    EXPECT_EQ(w.frmlbl_status->text(), "Block 14/14");
    EXPECT_TRUE(w.frmlbl_status->isVisible() || !w.isVisible());
    EXPECT_NE(run.Read("counts.bin"), run.countsBefore);
    EXPECT_NE(run.Read("setup.dat").find("\r\n1,0,0,18,,0\r\n"), std::string::npos);
    EXPECT_EQ(run.Read("setup.bak"), run.setupBefore);
    EXPECT_TRUE(run.HasReport());
    EXPECT_EQ(opener.opened.size(), 1u);

    // Export Raw: each used channel's flag lines, one per record, nothing replaced.
    const std::string replaced = run.Read("counts.bin");
    w.Chk_rawexport->click();
    EXPECT_FALSE(w.Chk_replacedata->isChecked());
    EXPECT_EQ(w.frmtxt_datalapse->text(), "533");
    w.cmd_runframe->click();
    EXPECT_EQ(run.Read("counts.bin"), replaced);
    const auto lines = platform::SplitLines(run.Read("ch3.raw"));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[13].substr(0, 3), "65 ");
    EXPECT_FALSE(platform::FileExists(run.folder + "/ch12.raw"));  // off the plate
}

// As after "Generate...", the window's status says where RUN's report went,
// whether or not a viewer opened it; a stopped run leaves no file there.
TEST_F(ReportRawWindowTest, StatusTellsWhereTheRunsReportWasWritten) {
    Frm_report& w = Window();
    for (const bool viewer : {true, false}) {
        SCOPED_TRACE(viewer);
        opener.ok = viewer;
        opener.opened.clear();
        w.cmd_runframe->click();
        ASSERT_TRUE(run.HasReport());
        ASSERT_EQ(opener.opened.size(), 1u);
        const std::string file = opener.opened.front();
        std::string said = "Report written to " + file;
        if (!viewer) said += " (no viewer opened it: open it from there)";
        EXPECT_EQ(w.lbl_written->toolTip().toStdString(), said);
        EXPECT_TRUE(w.lbl_written->isVisibleTo(&w));
        EXPECT_FALSE(w.lbl_written->text().isEmpty());
    }
    QTimer::singleShot(0, &w, [&] { w.cmd_stopframe->click(); });
    w.cmd_runframe->click();
    EXPECT_TRUE(w.lbl_written->text().isEmpty());
}

TEST_F(ReportRawWindowTest, StopDuringTheRunLeavesEverythingAndReentryIsRefused) {
    Frm_report& w = Window();
    w.Chk_replacedata->click();
    int generateDuringRun = -1;
    QTimer::singleShot(0, &w, [&] {
        EXPECT_TRUE(w.RawRunGoing());
        generateDuringRun = w.Cmd_generate_Click() ? 1 : 0;
        w.cmd_runframe_Click();  // returns at once
        w.cmd_stopframe->click();
    });
    w.cmd_runframe->click();
    EXPECT_EQ(generateDuringRun, 0);
    EXPECT_FALSE(w.RawRunGoing());
    EXPECT_EQ(run.Read("counts.bin"), run.countsBefore);
    EXPECT_EQ(run.Read("setup.dat"), run.setupBefore);
    EXPECT_FALSE(run.HasReport());
}

TEST_F(ReportRawWindowTest, TheRunKeepsItsFolderWhenTheInputChangesMidway) {
    Frm_report& w = Window();
    const std::string other = run.project / "20261211_0900_s1";
    platform::MakeFolder(other);
    w.Chk_replacedata->click();
    // Another acquisition handed to the window while RUN pumps events.
    QTimer::singleShot(0, &w, [&] { w.Txt_inputfile->setText(QString::fromStdString(other)); });
    w.cmd_runframe->click();
    EXPECT_EQ(w.Txt_inputfile->text().toStdString(), other);
    EXPECT_TRUE(run.HasReport());
    EXPECT_NE(run.Read("counts.bin"), run.countsBefore);
    EXPECT_TRUE(platform::ListFolder(other).empty());
}

TEST_F(ReportRawWindowTest, AutomaticReportReanalysesOnlyWithRawData) {
    {
        Frm_report& w = Window();
        g_report_rawexport = 1;  // the stored setting, after the window loaded its own
        w.chk_autoreport->setChecked(true);
        boxes.ExpectMessage("Report File AutoGenerated");
        w.Form_Activate();
        EXPECT_TRUE(boxes.Done());
        EXPECT_TRUE(w.Chk_rawexport->isChecked());
        // The re-analysis' report takes the place of the first one, with the frame's settings.
        EXPECT_NE(run.Read("report.csv").find("[SNR="), std::string::npos);
        EXPECT_EQ(platform::SplitLines(run.Read("ch0.raw")).size(), 14u);
        EXPECT_EQ(run.Read("counts.bin"), run.countsBefore);
    }
    // Without raw data the chain tells so and does not run.
    std::filesystem::remove(run.folder + "/0.bin");
    std::filesystem::remove(run.folder + "/report.csv");
    Frm_report& w = Window();
    w.chk_autoreport->setChecked(true);
    boxes.ExpectMessage("Real Time Data Not Found").ExpectMessage("Report File AutoGenerated");
    w.Form_Activate();
    EXPECT_TRUE(platform::FileExists(run.folder + "/report.csv"));
    EXPECT_EQ(platform::SplitLines(run.Read("ch0.raw")).size(), 14u) << "no second re-analysis";
}

TEST_F(ReportRawWindowTest, PerWellExportAsksTwiceAndShowsTheFolder) {
    // The desktop's date and time signs, fixed through the locale seam.
    platform::SetDateSeparatorForTest("-");
    platform::SetTimeSeparatorForTest(".");
    Frm_report& w = Window();
    const auto before = platform::ListFolder(run.folder);
    boxes.ExpectMessage("Do you like to Export 384 text files?", platform::Reply::No);
    w.mncircadian->trigger();
    EXPECT_EQ(platform::ListFolder(run.folder), before);
    EXPECT_TRUE(opener.opened.empty());

    w.Cmb_binsize->setEditText("5");
    boxes.ExpectMessage("Do you like to Export 384 text files?", platform::Reply::Yes)
        .ExpectMessage("Include time field?", platform::Reply::Yes);
    w.mncircadian->trigger();
    // The fixture's plate: 2 rows x 3 columns.
    for (const char* name : {"000_A1.txt", "001_B1.txt", "002_A2.txt", "005_B3.txt"})
        EXPECT_TRUE(platform::FileExists(run.folder + "/" + name)) << name;
    EXPECT_EQ(run.Read("000_A1.txt").substr(0, 17), "10-12-2026 09.05 ");
    EXPECT_EQ(opener.opened, std::vector<std::string>{run.folder});

    boxes.ExpectMessage("Do you like to Export 384 text files?", platform::Reply::Yes)
        .ExpectMessage("Include time field?", platform::Reply::No);
    w.mncircadian->trigger();
    EXPECT_EQ(run.Read("time.txt").substr(0, 9), "300 600 9");
    EXPECT_TRUE(platform::FileExists(run.folder + "/ch000383.txt"));
}

}  // namespace
}  // namespace vondrel::testing
