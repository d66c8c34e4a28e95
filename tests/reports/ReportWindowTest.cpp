// The report window and the report settings dialog, offscreen, with scripted
// boxes; the main window's ways to them through its hooks.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "ReportFixture.h"
#include "ShownText.h"
#include "WindowFixture.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "reports/qt/Frm_report.h"
#include "reports/qt/Frm_reportset.h"
#include "store/CalReport.h"
#include "store/Globals.h"
#include "store/RunFiles.h"

namespace vondrel::testing {
namespace {

using reports::testing::RecordedRun;
using reports::testing::RecordingOpener;

class ReportWindowTest : public WindowTest {
protected:
    ReportWindowTest() {
        platform::SetListSeparatorForTest(",");
        platform::SetDecimalSeparatorForTest(".");
        InstallReportWindows();
        FrmMain();
    }
    ~ReportWindowTest() override {
        UnloadReportWindow();
        UnloadReportSetWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::SetListSeparatorForTest("");
        platform::SetDecimalSeparatorForTest("");
    }
    // Stored user settings read by the next window load.
    static void StoreSettings(int bin, int organism, int method, int rawexport) {
        SetDefaultReportSettings();
        g_report_bin = static_cast<int16_t>(bin);
        g_report_organism = static_cast<int16_t>(organism);
        g_report_method = static_cast<int16_t>(method);
        g_report_threshold = 25;
        g_report_rawexport = static_cast<int16_t>(rawexport);
        SaveReportSettings(1);
        FrmMain().mn_userbin->setChecked(true);
    }
    static QStringList Items(QComboBox* c) {
        QStringList l;
        for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
        return l;
    }
    RecordedRun run;
    RecordingOpener opener;
};

TEST_F(ReportWindowTest, FormLoadTakesTheStoredSettings) {
    {
        Frm_report& w = FrmReport();
        EXPECT_EQ(w.windowTitle(), "Report Output");
        EXPECT_EQ(w.height(), 4100 / 15);
        EXPECT_EQ(Items(w.Cmb_binsize), QStringList({"5", "15", "30", "60", "120", "180", "240", "360", "480", "720",
                                                     "1440", "30"}));
        EXPECT_EQ(w.Cmb_binsize->currentText(), "30");
        EXPECT_TRUE(w.Option_report[0]->isChecked());
        EXPECT_EQ(w.txt_customspacer->text(), ",");
        EXPECT_EQ(w.frmtxt_threshold->text(), "1.8");
        EXPECT_EQ(w.findChild<QRadioButton*>("Option_output_4"), w.Option_output[4]);
        EXPECT_EQ(w.findChild<QGroupBox*>("frm_report_frame"), w.frm_report_frame);
    }
    UnloadReportWindow();
    StoreSettings(7, 3, 1, 1);
    Frm_report& w = FrmReport();
    EXPECT_EQ(w.Cmb_binsize->count(), 12);
    EXPECT_EQ(w.Cmb_binsize->itemText(11), "7");
    EXPECT_EQ(w.Cmb_dspmethod->currentIndex(), 3);  // Drosophila sets its own method
    EXPECT_EQ(w.frmtxt_threshold->text(), "2.5");   // the stored threshold, not 0.8
    EXPECT_TRUE(w.Chk_rawexport->isChecked());
    EXPECT_FALSE(w.Chk_replacedata->isChecked());
    EXPECT_EQ(w.frmtxt_datalapse->text(), "533");
}

TEST_F(ReportWindowTest, ThresholdSeparatorCancelAndUnload) {
    Frm_report& w = FrmReport();
    struct Case {
        int organism;
        const char* typed;
        const char* kept;
    };
    for (const Case& c : {Case{3, "0,7", "0,7"}, Case{3, "1.2", "0.8"}, Case{0, "7", "1.8"}, Case{0, "1.0", "1.8"},
                          Case{1, "3.5", "3.5"}}) {
        w.Cmb_organism->setCurrentIndex(c.organism);
        w.frmtxt_threshold->setText(c.typed);
        w.frmtxt_threshold_LostFocus();
        EXPECT_EQ(w.frmtxt_threshold->text().toStdString(), c.kept) << c.typed;
    }
    w.Option_report[1]->click();
    EXPECT_EQ(w.txt_customspacer->text(), " ");
    w.txt_customspacer->setText("|");
    w.Option_report[0]->click();
    EXPECT_EQ(w.txt_customspacer->text(), ",");


    w.cmbbasal->addItem("20261209_0900");
    w.show();
    w.Cmd_cancel->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.cmbbasal->count(), 0);
    EXPECT_EQ(w.height(), 3500 / 15);

    // Closing writes the stored bin, not the typed one, back to the main window.
    w.Cmb_binsize->setEditText("45");
    FrmMain().combo_minutes->setEditText("120");
    w.close();
    EXPECT_EQ(FrmMain().combo_minutes->currentText(), "30");
    EXPECT_FALSE(FrmReportLoaded());
}

TEST_F(ReportWindowTest, GenerateWritesTheReportAndOpensIt) {
    Frm_report& w = FrmReport();
    w.Txt_inputfile->setText(QString::fromStdString(run.folder));
    w.Option_report[1]->click();
    w.Cmb_binsize->setEditText("60");  // fitted to the 60-minute run: stays 60
    ASSERT_TRUE(w.Cmd_generate_Click());
    EXPECT_TRUE(platform::FileExists(run.folder + "/report.txt"));
    EXPECT_EQ(opener.opened, std::vector<std::string>{run.folder + "/report.txt"});
    w.Cmb_binsize->setEditText("120");
    ASSERT_TRUE(w.Cmd_generate_Click());
    EXPECT_EQ(w.Cmb_binsize->currentText(), "60");
}

// The window's status says where the report went, whether or not a viewer
// opened it.
TEST_F(ReportWindowTest, StatusTellsWhereTheReportWasWritten) {
    Frm_report& w = FrmReport();
    w.Txt_inputfile->setText(QString::fromStdString(run.folder));
    w.Option_report[1]->click();
    for (const bool viewer : {true, false}) {
        SCOPED_TRACE(viewer);
        opener.ok = viewer;
        opener.opened.clear();
        ASSERT_TRUE(w.Cmd_generate_Click());
        ASSERT_EQ(opener.opened.size(), 1u);
        const std::string file = opener.opened.front();
        std::string said = "Report written to " + file;
        if (!viewer) said += " (no viewer opened it: open it from there)";
        EXPECT_EQ(w.lbl_written->toolTip().toStdString(), said);
        EXPECT_TRUE(w.lbl_written->isVisibleTo(&w));
        EXPECT_FALSE(w.lbl_written->text().isEmpty());
    }
}

// A report whose folder's name holds markup: the status beside the menu and
// its tool tip show the path as written.
TEST_F(ReportWindowTest, StatusShowsAPathWithMarkupAsWritten) {
    const std::string folder = run.project / "<img src=x.png> <i>lab</i>/<b>r</b>";
    std::filesystem::create_directories(folder);
    std::filesystem::copy(run.folder, folder, std::filesystem::copy_options::recursive);
    Frm_report& w = FrmReport();
    w.Txt_inputfile->setText(QString::fromStdString(folder));
    w.Option_report[1]->click();
    ASSERT_TRUE(w.Cmd_generate_Click());
    ASSERT_EQ(opener.opened, std::vector<std::string>{folder + "/report.txt"});
    EXPECT_EQ(ShownToolTip(w.lbl_written), "Report written to " + folder + "/report.txt");
    const std::string text = w.lbl_written->text().toStdString();
    EXPECT_NE(text.find("<b>r</b>/report.txt"), std::string::npos) << text;  // the end of the path
    EXPECT_EQ(Shown(w.lbl_written), text);
}

TEST_F(ReportWindowTest, AutomaticReportRunsOnceAtActivationAndTellsOnlyAWrittenReport) {
    Frm_report& w = FrmReport();
    w.Txt_inputfile->setText(QString::fromStdString(run.folder));
    w.Form_Activate();  // not ticked: nothing
    EXPECT_FALSE(platform::FileExists(run.folder + "/report.csv"));

    w.chk_autoreport->setChecked(true);
    boxes.ExpectMessage("Report File AutoGenerated");
    w.show();
    w.Form_Activate();
    EXPECT_TRUE(boxes.Done());
    EXPECT_TRUE(platform::FileExists(run.folder + "/report.csv"));
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_FALSE(w.chk_autoreport->isChecked());
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.frm_report_frame->isEnabled());

    // A run without counts: the failure alone, no success box.
    w.Txt_inputfile->setText(QString::fromStdString(run.project / "nothing"));
    w.chk_autoreport->setChecked(true);
    boxes.ExpectMessage("Activity file not Found");
    w.Form_Activate();
    EXPECT_FALSE(w.chk_autoreport->isChecked());
}

TEST_F(ReportWindowTest, SettingsDialogAppliesAndGoesBackToDefault) {
    FrmMain().mn_userbin->setChecked(false);
    Hooks().showReportSettings();
    Frm_reportset& d = FrmReportSet();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.height(), 3600 / 15);
    d.Option_report[1]->setChecked(true);
    d.txt_customspacer->setText(";");
    d.Cmb_binsize->setEditText("abc");
    boxes.ExpectMessage("Invalid value: bin size must be a whole number of minutes");
    d.Cmd_generate->click();
    EXPECT_FALSE(FrmMain().mn_userbin->isChecked());

    d.Cmb_binsize->setEditText("1");
    d.Option_output[1]->setChecked(true);
    ASSERT_TRUE(d.Option_output[1]->isChecked());
    ASSERT_FALSE(d.Option_output[0]->isChecked());
    boxes.ExpectMessage("User Configuration Applied");
    d.Cmd_generate->click();
    EXPECT_TRUE(FrmMain().mn_userbin->isChecked());
    EXPECT_FALSE(d.isVisible());
    const std::string header =
        "\"<User_defined>, <Bin>, <filetype>, <spacer>, <stdError>, <stdDev>, <n>, <out_format>, <organism>, "
        "<method>, <threshold>, <rawexport>\"\r\n";
    EXPECT_EQ(run.program.Read("repoconf.dat"), header + "1,1,1,\";\",1,0,1,1,0,1,18,0\r\n");

    // The menu item opens the dialog again as it was left, its tick unchanged.
    FrmMain().mn_userbin->trigger();
    EXPECT_TRUE(FrmMain().mn_userbin->isChecked());
    EXPECT_TRUE(d.isVisible());

    boxes.ExpectMessage("Default Report Configuration Applied");
    d.Cmd_cancel->click();
    EXPECT_FALSE(FrmMain().mn_userbin->isChecked());
    EXPECT_EQ(run.program.Read("repoconf.dat"), header + "0,30,0,\",\",1,0,1,0,0,1,18,0\r\n");
    EXPECT_EQ(d.txt_customspacer->text(), ";");  // the controls keep what was shown

    // A fractional bin is stored as a whole number, halves to even.
    for (const auto& [typed, stored] : {std::pair{"2.5", "2"}, std::pair{"3.5", "4"}, std::pair{"7.4", "7"}}) {
        SCOPED_TRACE(typed);
        d.Cmb_binsize->setEditText(typed);
        boxes.ExpectMessage("User Configuration Applied");
        d.Cmd_generate->click();
        EXPECT_EQ(run.program.Read("repoconf.dat"), header + "1," + stored + ",1,\";\",1,0,1,1,0,1,18,0\r\n");
    }
}

TEST_F(ReportWindowTest, MainWindowHandsTheStationFolderToTheReportWindow) {
    Frm_Main& main = FrmMain();
    main.combo_minutes->setEditText("60");
    main.Cmdreport_Click();
    ASSERT_TRUE(FrmReportLoaded());
    EXPECT_EQ(FrmReport().Cmb_binsize->currentText(), "60");

    // The last run's station 1 folder is the fixture's acquisition.
    g_project_folder = run.project.Path();
    main.m_run.m_acquisition_stamp = "20261210_0900";
    main.lst_report_export->clear();
    main.lst_report_export->addItem("STATION_1");
    main.lst_report_export->addItem("STATION_2");
    main.lst_report_export->setCurrentRow(0);
    // The browser opened another recording's report before: its caption
    // (a list line with tabs) is not kept.
    Hooks().showReport(run.folder + "_other", false, "2026.1209 ACQ09:00\t\"Other\"\t\t[K1]", {});
    EXPECT_EQ(FrmReport().windowTitle().toStdString(), "2026.1209 ACQ09:00 \"Other\"  [K1]");
    main.lst_report_export_DblClick();
    Frm_report& w = FrmReport();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.Txt_inputfile->text().toStdString(), run.folder);
    EXPECT_EQ(w.windowTitle().toStdString(), "20261210_0900_s1 " + ReadSubprojectName(run.folder));
    EXPECT_TRUE(w.Option_output[0]->isChecked());
    EXPECT_FALSE(w.Option_output[4]->isVisibleTo(&w));
    EXPECT_FALSE(main.lst_report_export->isVisible());

    run.project.Write("20261210_0900_s1/histo0000.bin", "");
    main.lst_report_export_DblClick();
    EXPECT_TRUE(w.Option_output[4]->isChecked());
    EXPECT_TRUE(w.Option_output[4]->isVisibleTo(&w));

    main.lst_report_export->setCurrentRow(1);
    boxes.ExpectMessage("Activity file not Found");
    main.lst_report_export_DblClick();

    Hooks().tickAutoReport();
    EXPECT_TRUE(w.chk_autoreport->isChecked());
}

TEST_F(ReportWindowTest, Screenshots) {
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    const QString dir = VONDREL_SCREENSHOT_DIR;
    Frm_report& w = FrmReport();
    w.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.grab().save(dir + "/frm_report.png"));
    w.setFixedHeight(6150 / 15);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.grab().save(dir + "/frm_report_6150.png"));
    Hooks().showReportSettings();
    QCoreApplication::processEvents();
    EXPECT_TRUE(FrmReportSet().grab().save(dir + "/frm_reportset.png"));
}

}  // namespace
}  // namespace vondrel::testing
