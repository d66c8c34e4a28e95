#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "BrowserFixture.h"
#include "RecordingOpener.h"
#include "ShownText.h"
#include "WindowFixture.h"
#include "browser/BrowserExports.h"
#include "browser/BrowserWindow.h"
#include "browser/Frm_offline.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Locale.h"

namespace vondrel::testing {
namespace {

class BrowserWindowTest : public WindowTest {
protected:
    BrowserWindowTest() {
        platform::SetDesktopOpener(&opener);
        platform::SetDecimalSeparatorForTest(".");
        InstallBrowserWindow();
        Project("p00001", "Larvae");
        Project("p00002", "Flies");
        Run("p00001", "20240315_1200_s2", "First run", "line 1\r\nline 2");
        Run("p00001", "20240316_0900", "Second run", "");
        Run("p00001", "20240317_0900", "Third run", "");
        Run("p00002", "20240401_0800", "Fly run", "");
        home.Write("p00001/tags_id.dat", "20240315_1200_s2 [K1] [K3]\r\n");
        home.Write("w6.dat", CrLf({"\"Plate map\",\"w6\"", "2,39,0,3,35,0", "\"<Label>, <Well>, <Beam>\"", "\"A1.0\",0,0",
                                   "\"A2.0\",1,0"}));
    }
    ~BrowserWindowTest() override {
        UnloadBrowserWindow();
        QCoreApplication::processEvents();
        platform::SetDesktopOpener(nullptr);
    }

    void Project(const std::string& folder, const std::string& name) {
        std::string setup = "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"\r\n";
        setup += folder.substr(1) + ",\"" + name + "\",\"C:\\data\\\",\"w6\"\r\n";
        for (int i = 3; i <= 20; ++i) setup += (i % 2 ? "\"header\"" : i == 10 ? "1,0,1,28,0,0" : "1,2,3,4,5,6") + std::string("\r\n");
        home.Write(folder + "/setup.dat", setup);
    }
    void Run(const std::string& project, const std::string& name, const std::string& runName, const std::string& comments) {
        std::string folder = project + "/" + name;
        home.Write(folder + "/setup.dat", home.Read(project + "/setup.dat"));
        for (const char* f : {"status.dat", "threshld.dat", "groups.dat"}) home.Write(folder + "/" + f, "\"h\"\r\n");
        home.Write(folder + "/chgroup.dat", CrLf({"\"h\"", "0,0", "1,2"}));
        home.Write(folder + "/counts.bin", std::string(774 + 10, '\0'));  // a trailing fragment after a kill
        WriteSubprojectFile(home / folder, runName, comments);
    }

    Frm_offline& w() { return FrmOffline(); }
    void Show() { Hooks().showBrowser(); }
    std::vector<std::string> Lines() {
        std::vector<std::string> out;
        for (int i = 0; i < w().Listpj->count(); ++i) out.push_back(w().Listpj->item(i)->text().toStdString());
        return out;
    }
    int Find(const std::string& part) {
        auto lines = Lines();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(part) != std::string::npos) return static_cast<int>(i);
        ADD_FAILURE() << "no line with " << part;
        return -1;
    }
    void DoubleClick(const std::string& part) {
        w().Listpj->setCurrentRow(Find(part));
        w().Listpj_DblClick();
    }
    std::vector<int> Selected() {
        std::vector<int> out;
        for (int i = 0; i < w().Listpj->count(); ++i)
            if (w().Listpj->item(i)->isSelected()) out.push_back(i);
        return out;
    }

    RecordingOpener opener;
};

TEST_F(BrowserWindowTest, OpensProjectsAndARecording) {
    Show();
    EXPECT_TRUE(w().isVisible());
    EXPECT_EQ(Lines(), (std::vector<std::string>{"+ 2024.0401\tp00002_Flies", "+ 2024.0315_s2\tp00001_Larvae"}));
    EXPECT_EQ(w().Listpj->currentRow(), 0);
    EXPECT_EQ(w().Txtfolder[2]->objectName(), "Txtfolder_2");
    EXPECT_EQ(w().tagjk[3]->objectName(), "tagjk_3");

    DoubleClick("p00001");
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "+ 2024.0401\tp00002_Flies", "+ 2024.0315_s2\tp00001_Larvae",
                           "  > 2024.0317\t ACQ09:00 \"Third run\"\t\t",
                           "  > 2024.0316\t ACQ09:00 \"Second run\"\t\t",
                           "  > 2024.0315_s2\t ACQ12:00 \"First run\"\t\t[K1] [K3]",
                       }));
    EXPECT_EQ(w().m_acquisition_open, 0);
    EXPECT_TRUE(w().m_acquisition_path.empty());  // a project double-click opens no recording

    DoubleClick("First run");
    EXPECT_EQ(w().m_acquisition_open, 1);
    EXPECT_EQ(w().m_selection_folder, "20240315_1200_s2");
    EXPECT_EQ(w().m_project_folder, "p00001");
    EXPECT_EQ(w().m_acquisition_path, home / "p00001/20240315_1200_s2");
    EXPECT_EQ(w().lbl_pj_title->text().toStdString(), "p00001_Larvae");
    EXPECT_EQ(w().lbl_subpj_title->text().toStdString(), " 2024.0315_s2\t ACQ12:00 \"First run\"\t\t[K1] [K3]");
    EXPECT_EQ(w().m_config_text, "\r\n\t***** CONFIG ******\r\n\tMicroplate format: [w6]\r\n\tAcquisition Lapse = "
                                 "2min\r\n\tSetting: Mode5\r\n\t[Zebrafish SNR=2.8]");
    EXPECT_EQ(w().List_tags->count(), 2);
    EXPECT_EQ(w().List_tags->item(1)->text().toStdString(), "[K3]");
    EXPECT_FALSE(w().cmd_track->isHidden());  // w6 with organism 1
    EXPECT_EQ(w().Txt_description->toPlainText().toStdString(), "line 1\nline 2");
    // chgroup.dat names channels 0 and 1; the rest keep the default groups 0..12.
    EXPECT_EQ(w().combogrup->count(), 14);
    EXPECT_EQ(w().combogrup->itemText(13).toStdString(), "999_Free");
    EXPECT_EQ(w().Combofila->count(), 2);
    EXPECT_EQ(Selected(), (std::vector<int>{4}));
}

TEST_F(BrowserWindowTest, ProjectCountMismatchSaysSoOnlyAfterAProjectAppears) {
    Show();
    Project("p00003", "Late");
    boxes.ExpectMessage("ERROR:#pj3>2");
    DoubleClick("p00001");
    EXPECT_EQ(Lines().size(), 3u);  // the reset lists the new project
}

TEST_F(BrowserWindowTest, DateProjectAndSearch) {
    Show();
    DoubleClick("p00001");
    w().lbl_date_Click();
    EXPECT_EQ(w().lbl_orden->text().toStdString(), "v");
    EXPECT_EQ(Lines()[0], "+ 2024.0315_s2\tp00001_Larvae");
    EXPECT_NE(Lines()[1].find("First run"), std::string::npos);
    w().lbl_date_Click();
    EXPECT_EQ(w().lbl_orden->text().toStdString(), "^");
    EXPECT_EQ(Lines()[0], "+ 2024.0401\tp00002_Flies");

    w().txt_search->setText("fly");
    w().cmd_lupa_Click();
    EXPECT_EQ(Selected(), (std::vector<int>{0}));
    w().txt_search->setText("RUN second");
    w().cmd_lupa_Click();
    EXPECT_EQ(Selected(), (std::vector<int>{1, 3}));  // the project holding it and the line itself
    EXPECT_TRUE(w().txt_search->text().isEmpty());

    w().lblproject_Click();
    EXPECT_EQ(Lines().size(), 2u);
}

TEST_F(BrowserWindowTest, TagsTheSelectedRecordingsOnly) {
    Show();
    DoubleClick("p00001");
    DoubleClick("Third run");
    for (int i = 1; i <= 4; ++i) w().Listpj->item(i)->setSelected(true);
    w().tagjk_Click(2);
    EXPECT_EQ(home.Read("p00001/tags_id.dat"),
              "20240315_1200_s2 [K1] [K3] [K2]\r\n20240317_0900 [K2]\r\n20240316_0900 [K2]\r\n");
    EXPECT_EQ(w().m_acquisition_open, 0);
    boxes.ExpectMessage("Tags Apply only to Subprojects (acquisitions)");
    w().tagjk_Click(1);
}

TEST_F(BrowserWindowTest, TagsRecordingsOfTwoProjectsEachInItsOwnFile) {
    Show();
    DoubleClick("p00002");
    DoubleClick("p00001");
    DoubleClick("Fly run");
    // A recording open: the tag menus show, the replicate one after the kinetic one.
    w().Listpj_MouseDown(2, QPoint(10, 10));
    EXPECT_TRUE(w().mntag_jk->menuAction()->isVisible());
    EXPECT_TRUE(w().mntag_jr->menuAction()->isVisible());
    auto actions = w().mnrename->actions();
    EXPECT_EQ(actions.indexOf(w().mntag_jr->menuAction()), actions.indexOf(w().mntag_jk->menuAction()) + 1);
    w().mnrename->hide();
    w().Listpj->item(Find("Second run"))->setSelected(true);
    w().tagjk_Click(4);
    EXPECT_EQ(home.Read("p00002/tags_id.dat"), "20240401_0800 [K4]\r\n");
    EXPECT_EQ(home.Read("p00001/tags_id.dat"), "20240315_1200_s2 [K1] [K3]\r\n20240316_0900 [K4]\r\n");
}

TEST_F(BrowserWindowTest, DeleteRefusesTheRunInProgressAndAVanishedFolder) {
    Show();
    DoubleClick("p00001");
    DoubleClick("Third run");
    g_run_state = 1;
    g_project_folder = home / "p00001";
    boxes.ExpectMessage("Remove folder from the list?", platform::Reply::Yes);
    boxes.ExpectMessage("Files are going to be archived!", platform::Reply::Ok);
    boxes.ExpectMessage("Acquisition in progress: not archived");
    w().lst_delete_Click();
    g_run_state = 0;
    EXPECT_TRUE(home.Exists("p00001/20240317_0900/counts.bin"));

    // A line whose folder has gone since the list was built.
    std::filesystem::rename(home / "p00001/20240316_0900", home / "moved away");
    w().Listpj->setCurrentRow(Find("Second run"));
    boxes.ExpectMessage("Remove folder from the list?", platform::Reply::Yes);
    boxes.ExpectMessage("Files are going to be archived!", platform::Reply::Ok);
    boxes.ExpectMessage("Error");
    w().lst_delete_Click();
    EXPECT_TRUE(home.Exists("moved away/counts.bin"));
    EXPECT_EQ(Lines().size(), 5u);  // not reloaded
}

TEST_F(BrowserWindowTest, RenamesAProjectAndARecording) {
    Show();
    const std::string setup = home.Read("p00001/setup.dat");
    w().Listpj->setCurrentRow(Find("p00001"));
    boxes.ExpectInput("Enter Name of project", std::string(""));
    w().lst_rename_Click();
    EXPECT_EQ(home.Read("p00001/setup.dat"), setup);
    EXPECT_FALSE(home.Exists("p00001/setup.bak"));
    boxes.ExpectInput("Enter Name of project", std::string("Larvae 2"));
    w().lst_rename_Click();
    EXPECT_EQ(boxes.Inputs().back().title, "Rename");
    EXPECT_EQ(boxes.Inputs().back().defaultText, "Larvae");
    EXPECT_EQ(home.Read("p00001/setup.bak"), setup);
    EXPECT_NE(Find("p00001_Larvae 2"), -1);

    DoubleClick("p00001");
    DoubleClick("First run");
    boxes.ExpectInput("Enter Name of acquisition", std::nullopt);
    w().lst_rename_Click();
    EXPECT_EQ(boxes.Inputs().back().defaultText, "First run");
    EXPECT_EQ(ReadSubprojectName(home / "p00001/20240315_1200_s2"), "First run");
    boxes.ExpectInput("Enter Name of acquisition", std::string("Renamed \"A\""));
    w().lst_rename_Click();
    EXPECT_EQ(ReadSubprojectName(home / "p00001/20240315_1200_s2"), "Renamed 'A'");
    EXPECT_NE(Find("\"Renamed 'A'\"\t\t[K1] [K3]"), -1);

    // The rename rebuilt the list: the line picked next is renamed without
    // opening its recording again, and so is a project line picked then.
    EXPECT_EQ(w().m_acquisition_open, 0);
    w().Listpj->setCurrentRow(Find("Third run"));
    boxes.ExpectInput("Enter Name of acquisition", std::string("Third again"));
    w().lst_rename_Click();
    EXPECT_EQ(ReadSubprojectName(home / "p00001/20240317_0900"), "Third again");
    EXPECT_NE(Find("Third again"), -1);
    w().Listpj->setCurrentRow(Find("p00001"));
    boxes.ExpectInput("Enter Name of project", std::string("Larvae 3"));
    w().lst_rename_Click();
    EXPECT_NE(Find("p00001_Larvae 3"), -1);
    EXPECT_TRUE(boxes.Done());
}

// An export's place is shown beside the browser's menu, opened or not.
TEST_F(BrowserWindowTest, ExportStatusBesideTheMenu) {
    Show();
    const std::string file = home / "p00001/export.csv";
    home.Write("p00001/export.csv", "x\r\n");
    browser::OpenExport(file);
    EXPECT_EQ(w().lbl_written->text().toStdString(), "Export written to " + file);
    EXPECT_TRUE(w().lbl_written->isVisible());
    opener.ok = false;
    boxes.ExpectMessage("The file " + file + " could not be opened with the desktop's viewer.");
    browser::OpenExport(file);
    EXPECT_EQ(w().lbl_written->text().toStdString(),
              "Export written to " + file + " (no viewer opened it: open it from there)");
}

// Texts from the files of a project, a recording and its tags are shown as
// written when they hold markup, and so is the path of an export: no tag is
// read as formatting, no picture or link is loaded.
TEST_F(BrowserWindowTest, MarkupFromFilesIsShownAsWritten) {
    Project("p00003", "<b>Bees</b> <img src=x.png>");
    Run("p00003", "20240501_1000", "<i>R</i>&amp;", "");
    home.Write("p00003/tags_id.dat", "20240501_1000 [<u>K</u>]\r\n");
    Show();
    DoubleClick("p00003");
    DoubleClick("<i>R</i>");
    ASSERT_EQ(w().m_acquisition_open, 1);
    EXPECT_EQ(Shown(w().lbl_pj_title), "p00003_<b>Bees</b> <img src=x.png>");
    EXPECT_EQ(Shown(w().lbl_subpj_title), " 2024.0501\t ACQ10:00 \"<i>R</i>&amp;\"\t\t[<u>K</u>]");
    // Every label of the window that holds a tag shows it.
    int withMarkup = 0;
    for (const QLabel* label : w().findChildren<QLabel*>()) {
        if (!label->text().contains('<')) continue;
        ++withMarkup;
        EXPECT_EQ(Shown(label), label->text().toStdString()) << label->objectName().toStdString();
    }
    EXPECT_GE(withMarkup, 2);

    home.Write("<b>out</b>/export.csv", "x\r\n");
    const std::string file = home / "<b>out</b>/export.csv";
    browser::OpenExport(file);
    EXPECT_EQ(Shown(w().lbl_written), "Export written to " + file);
    EXPECT_EQ(ShownToolTip(w().lbl_written), "Export written to " + file);
}

TEST_F(BrowserWindowTest, CommentsSaveOnlyUserEditsAndOnBack) {
    Show();
    DoubleClick("p00001");
    DoubleClick("Second run");
    EXPECT_EQ(w().Txt_description->toPlainText().toStdString(), "Protocol Comments:");
    w().Txt_description_LostFocus();  // the program's own fill is not saved
    EXPECT_FALSE(home.Exists("p00001/20240316_0900/subproj.bak"));
    w().Txt_description->setPlainText("fed at 9\nlights off");
    w().lbl_date_Click();  // a rebuild keeps the open recording's path
    w().Cmd_main_Click();
    EXPECT_FALSE(w().isVisible());
    EXPECT_EQ(ReadSubprojectComments(home / "p00001/20240316_0900"), "fed at 9\r\nlights off");

    // A click into the box after typing keeps the edit pending; the hide of a
    // run starting saves it.
    Show();
    DoubleClick("Third run");
    w().Txt_description->setPlainText("started a run");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w().Txt_description->viewport(), &press);
    QCoreApplication::sendEvent(w().Txt_description->viewport(), &release);
    Hooks().hideBrowser();
    EXPECT_FALSE(w().isVisible());
    EXPECT_EQ(ReadSubprojectComments(home / "p00001/20240317_0900"), "started a run");
}

TEST_F(BrowserWindowTest, ListingOpeningSearchingAndSortingChangeNothingOnDisk) {
    auto snapshot = [&] {
        std::string all;
        for (auto& e : std::filesystem::recursive_directory_iterator(home.Path()))
            all += e.path().string() + "=" +
                   (e.is_regular_file() ? platform::ReadBinaryFile(e.path().string()).value_or("?") : "") + "\n";
        return all;
    };
    const std::string before = snapshot();
    Show();
    DoubleClick("p00002");
    DoubleClick("p00001");
    DoubleClick("Second run");  // its comments box shows "Protocol Comments:"
    DoubleClick("First run");
    w().lbl_date_Click();
    w().lbl_date_Click();
    w().txt_search->setText("run \"fly\"");
    w().cmd_lupa_Click();
    w().lblproject_Click();
    Hooks().hideBrowser();
    EXPECT_EQ(snapshot(), before);
}

TEST_F(BrowserWindowTest, FailedWritesAreTold) {
    Show();
    DoubleClick("p00001");
    DoubleClick("Second run");
    w().Txt_description->setPlainText("typed");
    platform::SetReplaceFaultForTest([](std::string_view step) { return step != "rename"; });
    boxes.ExpectMessage("Error saving comments: " + home / "p00001/20240316_0900");
    w().Txt_description_LostFocus();
    boxes.ExpectMessage("Error saving tags: " + home / "p00001/tags_id.dat");
    w().tagjk_Click(2);
    boxes.ExpectInput("Write folder to watch:", std::string("p00002"));
    boxes.ExpectMessage("Error saving watched folders: " + home / "foldview.dat");
    w().Txtfolder_Click(0);
    platform::SetReplaceFaultForTest({});
    EXPECT_EQ(ReadSubprojectComments(home / "p00001/20240316_0900"), "");
    EXPECT_EQ(home.Read("p00001/tags_id.dat"), "20240315_1200_s2 [K1] [K3]\r\n");
    EXPECT_FALSE(home.Exists("foldview.dat"));
}

TEST_F(BrowserWindowTest, DeleteArchivesByRenaming) {
    platform::SetClockForTest([] { return platform::FromLocal({2024, 3, 20, 14, 5, 7}); });
    Show();
    boxes.ExpectMessage("Remove function only available for subprojects");
    w().lst_delete_Click();
    DoubleClick("p00001");
    DoubleClick("Second run");
    boxes.ExpectMessage("Remove folder from the list?", platform::Reply::No);
    w().lst_delete_Click();
    boxes.ExpectMessage("Remove folder from the list?", platform::Reply::Yes);
    boxes.ExpectMessage("Files are going to be archived!", platform::Reply::Cancel);
    w().lst_delete_Click();
    EXPECT_TRUE(home.Exists("p00001/20240316_0900/counts.bin"));
    boxes.ExpectMessage("Remove folder from the list?", platform::Reply::Yes);
    boxes.ExpectMessage("Files are going to be archived!", platform::Reply::Ok);
    w().lst_delete_Click();
    platform::SetClockForTest({});
    EXPECT_TRUE(home.Exists("p00001/20240316_0900removed202403201407/counts.bin"));
    EXPECT_FALSE(home.Exists("p00001/20240316_0900"));
    EXPECT_EQ(w().m_acquisition_path, home / "p00001/20240316_0900removed202403201407");
    EXPECT_EQ(w().m_selection_folder, "20240316_0900removed202403201407");
    EXPECT_EQ(Lines().size(), 4u);
}

TEST_F(BrowserWindowTest, FindInFolderOpensTheProjectFolder) {
    Show();
    DoubleClick("p00001");
    w().Listpj->setCurrentRow(Find("Second run"));
    w().lst_explorefind_Click();
    w().Listpj->setCurrentRow(Find("p00002"));
    w().lst_explorefind_Click();
    EXPECT_EQ(opener.opened, (std::vector<std::string>{home / "p00001", home / "p00002"}));
}

TEST_F(BrowserWindowTest, BackKeepsTheListCloseResetsIt) {
    Show();
    DoubleClick("p00001");
    w().lbl_date_Click();
    w().Cmd_main_Click();
    Show();
    EXPECT_EQ(Lines().size(), 5u);
    EXPECT_EQ(w().lbl_orden->text().toStdString(), "v");
    w().close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(FrmOfflineLoaded());
    Show();
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_EQ(w().lbl_orden->text().toStdString(), "^");
}

TEST_F(BrowserWindowTest, WatchedFoldersSurviveARestart) {
    Show();
    boxes.ExpectInput("Write folder to watch:", std::string("/no/such/folder"));
    w().Txtfolder_Click(1);
    EXPECT_FALSE(home.Exists("foldview.dat"));
    boxes.ExpectInput("Write folder to watch:", std::string("p00002"));
    w().Txtfolder_Click(1);
    EXPECT_EQ(boxes.Inputs().back().title, "Folder");
    EXPECT_EQ(boxes.Inputs().back().defaultText, "_folder2");
    EXPECT_EQ(home.Read("foldview.dat"), "_folder1\r\np00002\r\n_folder3\r\n_folder4\r\n_folder5\r\n");
    w().close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Show();
    EXPECT_EQ(w().Txtfolder[1]->text().toStdString(), "p00002");
}

TEST_F(BrowserWindowTest, PlayHidesTheBrowserAndAClickKeepsTheMenusApart) {
    Hooks().hideBrowser();
    EXPECT_FALSE(FrmOfflineLoaded());  // nothing made for it
    Show();
    DoubleClick("p00001");
    w().Listpj->item(2)->setSelected(true);
    w().Listpj->item(3)->setSelected(true);
    w().Listpj_MouseDown(2, QPoint(10, 10));
    EXPECT_FALSE(w().mntag_jk->menuAction()->isVisible());  // project level: no tag menu
    w().mnrename->hide();
    EXPECT_EQ(Selected(), (std::vector<int>{1, 2, 3}));
    // No recording open: "Report" hands nothing over and shows no box.
    w().Cmd_report->setEnabled(true);
    w().Cmd_report->click();
    EXPECT_TRUE(boxes.Shown().empty());
    Hooks().hideBrowser();
    EXPECT_FALSE(w().isVisible());
}

TEST_F(BrowserWindowTest, ScreenshotsWithARecordingOpen) {
    Show();
    DoubleClick("p00001");
    DoubleClick("First run");
    const std::string dir = VONDREL_SCREENSHOT_DIR;
    std::filesystem::create_directories(dir);
    for (auto size : {std::pair{800, 600}, std::pair{1200, 800}}) {
        w().resize(size.first, size.second);
        QCoreApplication::processEvents();
        const std::string file = dir + "/browser_" + std::to_string(size.first) + "x" + std::to_string(size.second) + ".png";
        ASSERT_TRUE(w().grab().save(QString::fromStdString(file)));
        EXPECT_TRUE(platform::FileExists(file));
    }
}

}  // namespace
}  // namespace vondrel::testing
