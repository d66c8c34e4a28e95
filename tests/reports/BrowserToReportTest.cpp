// A recording opened in the browser, then re-analysed in the report window:
// both windows installed as the program installs them.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>

#include "RawRunFixture.h"
#include "WindowFixture.h"
#include "browser/BrowserWindow.h"
#include "browser/Frm_offline.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "reports/qt/Frm_report.h"
#include "reports/qt/Frm_reportset.h"

namespace vondrel::testing {
namespace {

using reports::testing::RawRun;
using reports::testing::RecordingOpener;

class BrowserToReportTest : public WindowTest {
protected:
    BrowserToReportTest() : run(reports::testing::Minutes(14, 5)) {
        platform::SetListSeparatorForTest(",");
        platform::SetDecimalSeparatorForTest(".");
        InstallBrowserWindow();
        InstallReportWindows();
        g_project_folder = run.program.Path();
        std::string setup = "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"\r\n1,\"Flies\",\"C:\\data\\\",\"w6t\"\r\n";
        for (int i = 3; i <= 20; ++i) setup += (i % 2 ? "\"header\"" : "1,2,3,4,5,6") + std::string("\r\n");
        run.program.Write("p00001/setup.dat", setup);
        run.program.Write("w6t.dat", run.program.Read("W6T.dat"));
    }
    ~BrowserToReportTest() override {
        UnloadBrowserWindow();
        UnloadReportWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::SetListSeparatorForTest("");
        platform::SetDecimalSeparatorForTest("");
    }
    // The fixture's recording copied into project 1 with the given settings.
    std::string Recording(const std::string& name, int organism, int method, int snrX10) {
        const std::string folder = run.program / ("p00001/" + name);
        std::filesystem::copy(run.folder, folder, std::filesystem::copy_options::recursive);
        run.program.Write("p00001/" + name + "/setup.dat",
                          reports::testing::CrLf({"\"Project\"", "\"name\",\"x\",\"y\",\"w6t\"", "\"Values\"",
                                                  "0,0,0,500," + std::to_string(method) + ",0", "\"h5\"",
                                                  "0,0,0,0,1,1", "\"h7\"", "0,0,0,0,0,0", "\"Mn1\"",
                                                  std::to_string(organism) + ",0,0," + std::to_string(snrX10) + ",0,0",
                                                  "\"tail\""}));
        // The channel files as the browser reads them: every threshold 3, groups 0 and 2.
        std::string thresholds = "\"Thresholds\"\r\n", groups = "\"Channel groups\"\r\n";
        for (int ch = 0; ch < 384; ++ch) {
            thresholds += std::to_string(ch) + ",3\r\n";
            groups += std::to_string(ch) + "," + (ch < 6 ? "0" : ch < 8 ? "2" : "-1") + "\r\n";
        }
        run.program.Write("p00001/" + name + "/threshld.dat", thresholds);
        run.program.Write("p00001/" + name + "/chgroup.dat", groups);
        return folder;
    }
    void DoubleClick(const std::string& part) {
        Frm_offline& b = FrmOffline();
        for (int i = 0; i < b.Listpj->count(); ++i) {
            if (b.Listpj->item(i)->text().toStdString().find(part) != std::string::npos) {
                b.Listpj->setCurrentRow(i);
                b.Listpj_DblClick();
                return;
            }
        }
        std::string all;
        for (int i = 0; i < b.Listpj->count(); ++i) all += b.Listpj->item(i)->text().toStdString() + "\n";
        ADD_FAILURE() << "no line with " << part << " in\n" << all;
    }
    RawRun run;
    RecordingOpener opener;
};

TEST_F(BrowserToReportTest, ARecordingIsReanalysedWithItsOwnSettings) {
    struct Case {
        std::string name;
        int organism, method, snrX10;
        std::string threshold, line4, line10;
    };
    // Organism 2's own method (2) and threshold (1.8) give way to the recording's.
    const std::vector<Case> cases = {
        {"20261210_0900_s1", 3, 3, 8, "0.8", "0,0,0,500,3,0", "3,0,0,8,0,0"},
        {"20261211_0900_s1", 2, 1, 25, "2.5", "0,0,0,500,1,0", "2,0,0,25,0,0"},
    };
    for (const auto& k : cases) Recording(k.name, k.organism, k.method, k.snrX10);
    // The first recording's last replacement was killed after counts.bin was
    // switched: its new setup.dat is still staged beside the old one, and the
    // opening completes the switch before it reads the settings.
    const std::string first = run.program / ("p00001/" + cases[0].name);
    std::filesystem::rename(first + "/setup.dat", first + "/setup.dat.new");
    run.program.Write("p00001/" + cases[0].name + "/setup.dat", run.program.Read("p00001/" + cases[1].name + "/setup.dat"));
    run.program.Write("p00001/" + cases[0].name + "/replace.journal", "counts.bin\r\nsetup.dat\r\n");
    Hooks().showBrowser();
    DoubleClick("p00001");
    for (const auto& k : cases) {
        DoubleClick("> " + k.name.substr(0, 4) + "." + k.name.substr(4, 4));
        ASSERT_TRUE(FrmReportLoaded()) << "made by the opening, not shown " << FrmOffline().m_acquisition_path;
        Frm_report& w = FrmReport();
        EXPECT_EQ(w.Cmb_organism->currentIndex(), k.organism) << k.name;
        EXPECT_EQ(w.Cmb_dspmethod->currentIndex(), k.method) << k.name;
        EXPECT_EQ(w.frmtxt_threshold->text().toStdString(), k.threshold) << k.name;
        EXPECT_FALSE(platform::FileExists(FrmOffline().m_acquisition_path + "/replace.journal"));
        EXPECT_FALSE(platform::FileExists(FrmOffline().m_acquisition_path + "/setup.dat.new"));

        FrmOffline().Cmd_report->click();
        EXPECT_EQ(w.Txt_inputfile->text().toStdString(), FrmOffline().m_acquisition_path);
        if (!w.Chk_replacedata->isChecked()) w.Chk_replacedata->click();
        w.cmd_runframe->click();
        const auto lines = platform::SplitLines(run.program.Read("p00001/" + k.name + "/setup.dat"));
        ASSERT_EQ(lines.size(), 11u);
        EXPECT_EQ(lines[3], k.line4) << k.name;
        EXPECT_EQ(lines[9], k.line10) << k.name;
    }
}

}  // namespace
}  // namespace vondrel::testing
