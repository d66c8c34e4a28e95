// The project side of the setup window: new, save, load, rename, continue,
// back, and the load at the first show.
#include <filesystem>

#include "GroupSetFiles.h"
#include "SetupFixture.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "store/Setup.h"

namespace vondrel {
namespace {

using platform::Reply;
using testing::SetupTest;

class Projects : public SetupTest {};

TEST_F(Projects, NewOnAFreshFolderMakesP00001AndMakesItCurrent) {
    Fresh();
    Frm_setup& w = Shown();
    EXPECT_EQ(Text(w.txtprj), "0_Default");
    NewProject("Larvae \"A\"");
    EXPECT_TRUE(home.Exists("p00001/setup.dat"));
    EXPECT_TRUE(home.Exists("p00001/chgroup3.dat"));
    EXPECT_EQ(g_project_number, 1);
    EXPECT_EQ(g_project_name, "Larvae 'A'");  // as the store keeps it
    EXPECT_EQ(g_project_folder, home / "p00001");
    EXPECT_EQ(Text(w.txtprj), "1_Larvae 'A'");
    EXPECT_EQ(Text(w.Txtfolder), home / "p00001");
    g_project_number = g_last_project_number = 9;
    LoadConfig();
    EXPECT_EQ(g_project_number, 1);
    EXPECT_EQ(g_last_project_number, 1);
    EXPECT_EQ(ReadSetupSummary(home / "p00001"), "<Project> p00001: Larvae 'A'");
}

TEST_F(Projects, NumbersWrapAfter32000AndADeclinedOverwriteKeepsTheNumberAdvanced) {
    Fresh();
    Shown();
    g_last_project_number = 31999;
    NewProject("Top");
    EXPECT_TRUE(home.Exists("p32000/setup.dat"));
    EXPECT_EQ(g_project_number, 32000);

    home.Write("p00001/setup.dat", "");
    boxes.ExpectMessage("Do you like to Create a New Project?", Reply::Ok);
    boxes.ExpectInput("Enter the New Project Name", "Wrapped");
    boxes.ExpectMessage("The project number to generate (p00001already exists. do you like to overwrite?", Reply::No);
    setup().Cmdnewpj_Click();
    EXPECT_EQ(g_last_project_number, 1);
    EXPECT_EQ(g_project_number, 32000);
    EXPECT_EQ(g_project_name, "Top");

    // Empty (or cancelled) name.
    g_last_project_number = 12;
    NewProject("");
    EXPECT_EQ(Text(setup().txtprj), "13_");
}

TEST_F(Projects, FolderOrFileNotWrittenIsReportedAndChangesNothing) {
    Fresh();
    Frm_setup& w = Shown();
    home.Write("p00001", "a file where the folder would be");
    boxes.ExpectMessage("Do you like to Create a New Project?", Reply::Ok);
    boxes.ExpectInput("Enter the New Project Name", "X");
    boxes.ExpectMessage("Error creating project folder " + (home / "p00001"));
    w.Cmdnewpj_Click();
    EXPECT_EQ(g_project_number, 0);
    EXPECT_EQ(g_last_project_number, 1);
    EXPECT_EQ(Text(w.txtprj), "0_Default");

    // A project folder whose setup.dat cannot be written (a folder of that name).
    std::filesystem::create_directories(home / "p00002/setup.dat");
    boxes.ExpectMessage("Do you like to Create a New Project?", Reply::Ok);
    boxes.ExpectInput("Enter the New Project Name", "Y");
    boxes.ExpectMessage("The project number to generate (p00002already exists. do you like to overwrite?",
                        Reply::Yes);
    boxes.ExpectMessage("Error saving project: " + (home / "p00002/setup.dat"));
    w.Cmdnewpj_Click();
    EXPECT_EQ(g_project_number, 0);
    EXPECT_EQ(g_project_folder, home.Path());
    EXPECT_EQ(g_last_project_number, 2);
    g_last_project_number = 0;
    LoadConfig();
    EXPECT_EQ(g_last_project_number, 0);  // config.dat not written
}

TEST_F(Projects, SaveYesNoCancel) {
    Fresh();
    Frm_setup& w = Shown();
    NewProject("First");
    g_acq_lapse = 45;
    boxes.ExpectMessage("Do you like to Update <1_First> values?", Reply::Yes);
    w.Cmdsavepj_Click();
    g_acq_lapse = 1;
    LoadProject(1);
    EXPECT_EQ(g_acq_lapse, 45);

    boxes.ExpectMessage("Do you like to Update <1_First> values?", Reply::No);
    boxes.ExpectInput("Enter the New Project Name", "Second");
    w.Cmdsavepj_Click();
    EXPECT_EQ(Text(w.txtprj), "2_Second");
    EXPECT_TRUE(home.Exists("p00002/setup.dat"));

    boxes.ExpectMessage("Do you like to Update <2_Second> values?", Reply::Cancel);
    w.Cmdsavepj_Click();
    EXPECT_EQ(g_project_number, 2);
}

TEST_F(Projects, ProjectListAndLoad) {
    Fresh();
    auto makeProject = [&](const char* folder, int number, const char* name) {
        g_project_number = static_cast<int16_t>(number);
        g_project_name = name;
        std::filesystem::create_directories(home / folder);
        ASSERT_TRUE(SaveProject(home / folder, number, -1));
    };
    makeProject("p00012", 12, "Larvae");
    makeProject("px1234", 1234, "Odd");
    makeProject("pABCDE", 7, "Letters");
    makeProject("p00000", 0, "Zero");
    makeProject("p40000", 30000, "Far");
    std::filesystem::create_directories(home / "p00005");  // no setup.dat
    home.Write("p00006/setup.dat", "\"short\"\r\n");
    g_project_number = 0;
    g_project_name = "Default";
    g_project_folder = home.Path();

    Frm_setup& w = Shown();
    boxes.ExpectMessage("Do you like to save current values before new load?", Reply::No);
    w.cmdLoad_Click();
    ASSERT_FALSE(w.frm_project->isHidden());
    std::vector<std::string> items;
    for (int k = 0; k < w.List_project->count(); ++k) items.push_back(w.List_project->item(k)->text().toStdString());
    boxes.AllowAnyMessages();  // the short setup.dat is repaired with a message
    EXPECT_EQ(items.size(), 6u);
    EXPECT_NE(std::find(items.begin(), items.end(), "p00012_Larvae"), items.end());

    auto choose = [&](const std::string& prefix) {
        for (int k = 0; k < w.List_project->count(); ++k)
            if (w.List_project->item(k)->text().toStdString().rfind(prefix, 0) == 0) w.List_project->setCurrentRow(k);
        w.List_project_DblClick();
    };
    choose("p00012");
    EXPECT_EQ(g_project_number, 12);
    EXPECT_EQ(Text(w.txtprj), "12_Larvae");
    EXPECT_TRUE(w.frm_project->isHidden());
    choose("px1234");
    EXPECT_EQ(g_project_number, 1234);
    EXPECT_EQ(g_project_folder, home / "px1234");
    choose("pABCDE");
    EXPECT_EQ(g_project_number, 0);
    EXPECT_EQ(g_project_folder, home.Path());
    g_project_number = 12;
    choose("p00000");
    EXPECT_EQ(g_project_folder, home.Path());
    EXPECT_EQ(g_project_number, 0);
    boxes.AllowAnyMessages(false);
    boxes.ExpectMessage("Not possible to load p40000_Far: project number out of range");
    choose("p40000");
    EXPECT_EQ(g_project_number, 0);

    boxes.ExpectMessage("Do you like to save current values before new load?", Reply::Cancel);
    w.frm_project->hide();
    w.cmdLoad_Click();
    EXPECT_TRUE(w.frm_project->isHidden());
}

TEST_F(Projects, Rename) {
    Fresh();
    Frm_setup& w = Shown();
    boxes.ExpectMessage("Not possible to rename the Default project. Save it with another Name");
    w.txtprj_DblClick();
    NewProject("Old");
    boxes.ExpectInput("Rename Project: Entre New Name", "");
    w.txtprj_DblClick();
    EXPECT_EQ(g_project_name, "Old");
    boxes.ExpectInput("Rename Project: Entre New Name", "New \"one\"");
    w.txtprj_DblClick();
    EXPECT_EQ(Text(w.txtprj), "1_New 'one'");
    EXPECT_EQ(ReadSetupSummary(home / "p00001"), "<Project> p00001: Old");  // nothing written
}

TEST_F(Projects, ContinueAndBackPassTheDetectionOn) {
    Fresh();
    ASSERT_TRUE(Start());
    g_connected = kTrue;
    platform::SetDecimalSeparatorForTest(".");
    Frm_setup& w = Shown();
    NewProject("Run me");
    g_tool_param[1][0] = 1;
    g_tool_param[1][3] = 0;
    g_dsp_method = 1;
    w.Txt_description->setPlainText("line one\nline two");
    w.Command_main_Click();
    EXPECT_EQ(g_tool_param[1][3], 28);
    Frm_Main& main = FrmMain();
    EXPECT_EQ(Text(main.txt_detection), "Detection Mode1, Zebrafish [snr 2.8]");
    EXPECT_EQ(main.Cmb_organism->currentIndex(), 1);
    EXPECT_EQ(Text(main.Txt_description), "line one\nline two");
    EXPECT_TRUE(w.isHidden());
    EXPECT_FALSE(main.isHidden());
    EXPECT_EQ(Text(main.txt_projecto), "1_Run me");
    LoadProject(1);
    EXPECT_EQ(g_tool_param[1][3], 28);  // saved

    // Back: no default, nothing saved.
    g_tool_param[1][3] = 0;
    Hooks().showSetup();
    w.Cmdoffline_Click();
    EXPECT_EQ(Text(main.txt_detection), "Detection Mode1, Zebrafish [snr 0.0]");
    EXPECT_TRUE(w.isHidden());
    EXPECT_FALSE(FrmInit().isHidden());

    // The main window's ">Edit" brings the notes back and hides the annotation frame.
    main.Txt_description->setText("edited\nnotes");
    w.chk_advance->setChecked(true);
    main.Cmdsetup_Click();
    EXPECT_EQ(w.Txt_description->toPlainText().toStdString(), "edited\nnotes");
    EXPECT_TRUE(w.frm_advance->isHidden());
    EXPECT_FALSE(w.chk_advance->isChecked());
    // The main window's "< Back" copies the notes too.
    main.Txt_description->setText("back\nagain");
    main.Cmdoffline_Click();
    EXPECT_EQ(w.Txt_description->toPlainText().toStdString(), "back\nagain");
    platform::SetDecimalSeparatorForTest("");
}

// "Continue to Run..." saves the groups of all four stations, not only
// station 1's.
TEST_F(Projects, ContinueSavesTheGroupsOfEveryStation) {
    Fresh();
    ASSERT_TRUE(Start());
    g_connected = kTrue;
    Frm_setup& w = Shown();
    NewProject("Groups");
    testing::EditGroupsOfStations2And4();
    w.Command_main_Click();
    EXPECT_TRUE(w.isHidden());
    testing::ExpectGroupFilesHoldAllFourSets();
}

TEST_F(Projects, FirstShowLoadsTheCurrentProjectOnce) {
    Fresh();
    g_project_number = 3;
    g_project_name = "Larvae";
    std::filesystem::create_directories(home / "p00003");
    ASSERT_TRUE(SaveProject(home / "p00003", 3, -1));
    g_project_name = "";
    g_project_folder = home / "p00003";
    Hooks().loadSetupHidden();
    EXPECT_FALSE(setup().Loaded());
    Frm_setup& w = Shown();
    EXPECT_EQ(Text(w.txtprj), "3_Larvae");

    // A damaged project reports once: at start-up, not again at the show.
    UnloadSetupWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    home.Write("p00003/setup.dat", "\"short\"\r\n");
    std::filesystem::remove(home / "p00003/setup.bak");
    g_project_loaded = false;
    boxes.AllowAnyMessages();
    LoadProject(3);
    const size_t shown = boxes.Shown().size();
    EXPECT_GT(shown, 0u);
    Shown();
    EXPECT_EQ(boxes.Shown().size(), shown);
}

TEST_F(Projects, ClosingShowsTheLauncherAndTheNextShowIsAFreshWindow) {
    Fresh();
    Frm_setup& w = Shown();
    w.Txt_description->setPlainText("kept");
    w.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(FrmInit().isHidden());
    EXPECT_EQ(Text(FrmMain().Txt_description), "kept");
    EXPECT_FALSE(FrmSetupLoaded());
    Frm_setup& again = Shown();
    EXPECT_TRUE(again.Loaded());
    EXPECT_EQ(again.Txt_description->toPlainText().toStdString(), "");
}

}  // namespace
}  // namespace vondrel
