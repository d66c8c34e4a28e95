// The start-up sequence: the command line, a missing config.dat, the project
// folder chosen, the progress lines, failures at each stage, the values the
// sequence puts into the controls, autorun, and the launcher's buttons.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "WindowFixture.h"
#include "platform/Files.h"
#include "store/CalReport.h"
#include "store/Config.h"
#include "store/FreshFolder.h"
#include "store/Project.h"
#include "acquisition/RunDataFiles.h"
#include "store/StatusLine.h"

namespace vondrel {
namespace {

using platform::Reply;

TEST(AutorunSwitch, ExactMatchesOnly) {
    const struct {
        const char* line;
        bool autorun;
    } cases[] = {
        {"/run", true},    {"/RUN", true},       {"/Run", true},   {"  /run  ", true}, {" /RUN", true},
        {"/rUn", false},   {"/RuN", false},      {"/run x", false}, {"/run /run", false}, {"", false},
        {"run", false},    {"\t/run", false},    {"/run\t", false}, {"-run", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsAutorunSwitch(c.line), c.autorun) << '"' << c.line << '"';
}

class Startup : public testing::WindowTest {
protected:
    // Changes the current project's settings in the program folder (project 0).
    void EditProject0(const std::function<void()>& edit) {
        g_project_folder = home.Path();
        g_project_number = 0;
        LoadProject(0);
        edit();
        ASSERT_TRUE(SaveProject(home.Path(), 0, -1));
    }

    // Records the launcher's status lines from its creation on.
    void RecordNews() {
        FrmMain().SetStageProbe([this](int stage) {
            if (stage == 3 && !FrmInitLoaded())
                QObject::connect(&FrmInit(), &Frm_Init::newsShown,
                                 [this](const QString& s) { news.push_back(s.toStdString()); });
        });
    }

    std::vector<std::string> news;
};

TEST_F(Startup, MissingConfigShowsMessageAndEndsWithFailureStatus) {
    Prepare();
    std::filesystem::remove(home / "config.dat");
    boxes.ExpectMessage("Config file not found: Check correct software installation");
    EXPECT_FALSE(Start());
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(ProgramExitStatus(), 1);
    EXPECT_FALSE(FrmInitLoaded());  // the launcher is never made
    EXPECT_EQ(g_init_stage, 0);
}

TEST_F(Startup, WithoutAutorunEndsAtEnabledLauncherWithProgressLinesInOrder) {
    Prepare();
    RecordNews();
    ASSERT_TRUE(Start());
    EXPECT_FALSE(ProgramEndRequested());
    EXPECT_EQ(g_init_stage, 9);
    Frm_Main& main = FrmMain();
    Frm_Init& launcher = FrmInit();
    EXPECT_EQ(main.m_autorun, 0);
    EXPECT_TRUE(launcher.isVisible());
    EXPECT_TRUE(launcher.isEnabled());
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(launcher.LblNews->text().toStdString(), "status = not connected yet");
    const std::vector<std::string> progress = {"STARTING........... Reading Configuration...",
                                               "STARTING........... Configuration OK...",
                                               "status = not connected yet"};
    std::vector<std::string> seen;
    std::copy_if(news.begin(), news.end(), std::back_inserter(seen),
                 [&](const std::string& s) { return std::find(progress.begin(), progress.end(), s) != progress.end(); });
    EXPECT_EQ(seen, progress);
    // No connection is attempted and the timer rests.
    EXPECT_FALSE(main.Timerinicio->isActive());
    EXPECT_EQ(g_connected, 0);
    EXPECT_EQ(g_run_state, 0);
    EXPECT_FALSE(main.CmdPause->isEnabled());
    EXPECT_EQ(main.txt_projecto->text().toStdString(), "0_" + g_project_name);
    EXPECT_EQ(main.m_run.m_sample_window[3].size(), static_cast<size_t>(kChannelSlots) * (g_rt_buffer + 1));
}

TEST_F(Startup, FailureAtEachStageNamesThatStage) {
    for (int stage : {0, 1, 2, 3, 4, 5, 7, 8, 9}) {
        SCOPED_TRACE(stage);
        Prepare();
        ResetProgramEnd();
        boxes.ExpectMessage("Error loading INIT parameters #ERROR:" + std::to_string(stage));
        FrmMain().SetStageProbe([stage](int s) {
            if (s == stage) throw std::runtime_error("fault");
        });
        EXPECT_FALSE(Start());
        EXPECT_TRUE(ProgramEndRequested());
        EXPECT_EQ(ProgramExitStatus(), 1);
        EXPECT_TRUE(boxes.Done());
        UnloadWindows();
    }
}

TEST_F(Startup, CheckBoxValueOutOfRangeInProjectFailsAtStage5) {
    Prepare();
    EditProject0([] { g_tool_param[1][1] = 5; });
    boxes.ExpectMessage("Error loading INIT parameters #ERROR:5");
    EXPECT_FALSE(Start());
    EXPECT_EQ(ProgramExitStatus(), 1);
}

TEST_F(Startup, ProjectFolderChoice) {
    struct Case {
        const char* what;
        int configured;
        bool makeFolder;
        int number;
        bool inProjectFolder;
    };
    const Case cases[] = {
        {"project 0", 0, false, 0, false},
        {"folder missing", 12, false, 0, false},
        {"folder present", 12, true, 12, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing::TempFolder folder;
        platform::SetProgramFolderForTest(folder.Path());
        PrepareProgramFolder();
        if (c.makeFolder) {
            std::string p = folder / "p00012";
            std::filesystem::create_directory(p);
            g_project_folder = folder.Path();
            g_project_number = 0;
            LoadProject(0);
            g_project_number = 12;
            ASSERT_TRUE(SaveProject(p, 12, -1));
        }
        g_project_number = static_cast<int16_t>(c.configured);
        SaveConfig();
        ASSERT_TRUE(Start());
        EXPECT_EQ(g_project_number, c.number);
        EXPECT_EQ(g_project_folder, c.inProjectFolder ? folder / "p00012" : folder.Path());
        UnloadWindows();
    }
}

TEST_F(Startup, LightHoursAndSetPointDefaults) {
    struct Case {
        int16_t on, off, setpoint;
        const char *lon, *loff, *temp;
    };
    const Case cases[] = {
        {0, 0, 10, "9", "21", "20.0"},
        {0, 0, 600, "9", "21", "20.0"},
        {7, 19, 255, "7", "19", "25.5"},
        {0, 5, 20, "0", "5", "2.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setpoint);
        Prepare();
        EditProject0([&] {
            g_tool_param[2][1] = c.on;
            g_tool_param[2][2] = c.off;
            g_tool_param[3][1] = c.setpoint;
        });
        ASSERT_TRUE(Start());
        Frm_Main& main = FrmMain();
        EXPECT_EQ(main.txt_lon->text().toStdString(), c.lon);
        EXPECT_EQ(main.txt_loff->text().toStdString(), c.loff);
        EXPECT_EQ(main.txttemp->text().toStdString(), c.temp);
        UnloadWindows();
    }
}

// The threshold text after the start-up by organism code and stored SNR:
// the presets of codes 0 and 1, the stored value of code 2 when above 1.4,
// and 1.8 for every other code whatever was stored.
TEST_F(Startup, ThresholdTextByOrganismAndStoredSnr) {
    const struct {
        int16_t organism, snr_x10;
        const char* text;
        double threshold;
    } cases[] = {
        {3, 8, "1.8", 1.8},  {3, 25, "1.8", 1.8}, {7, 8, "1.8", 1.8}, {9, 0, "1.8", 1.8}, {-1, 30, "1.8", 1.8},
        {2, 8, "1.8", 1.8},  {2, 25, "2.5", 2.5}, {2, 0, "1.8", 1.8}, {0, 25, "1.8", 1.8}, {1, 8, "2.8", 2.8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.organism) + " " + std::to_string(c.snr_x10));
        Prepare();
        EditProject0([&] {
            g_tool_param[1][0] = c.organism;
            g_tool_param[1][3] = c.snr_x10;
        });
        ASSERT_TRUE(Start());
        EXPECT_EQ(FrmMain().txt_snr_umbral->text().toStdString(), c.text);
        EXPECT_DOUBLE_EQ(FrmMain().m_run.m_snr_threshold, c.threshold);
        UnloadWindows();
    }
}

TEST_F(Startup, OrganismThresholdAndToolOptions) {
    Prepare();
    EditProject0([] {
        g_tool_param[1][0] = 1;   // zebrafish
        g_tool_param[1][3] = 12;  // 1.2, below the floor
        g_tool_param[1][1] = 1;   // automatic calibration
        g_tool_param[1][2] = 0;
        g_tool_param[2][0] = 1;   // light schedule with pulses
        g_tool_param[2][3] = 3;
        g_tool_param[2][4] = 15;
        g_tool_param[2][5] = 90;
    });
    ASSERT_TRUE(Start());
    Frm_Main& main = FrmMain();
    EXPECT_EQ(main.Cmb_organism->count(), 4);
    EXPECT_EQ(main.Cmb_organism->itemText(1).toStdString(), "Zebrafish(Larvae)");
    EXPECT_EQ(main.Cmb_organism->currentText().toStdString(), "Zebrafish(larvae)");
    // The zebrafish preset replaces the stored threshold.
    EXPECT_EQ(main.txt_snr_umbral->text().toStdString(), "2.8");
    EXPECT_DOUBLE_EQ(main.m_run.m_snr_threshold, 2.8);
    EXPECT_TRUE(main.txt_snr_umbral->isHidden());
    EXPECT_TRUE(main.mnCalibra->isChecked());
    EXPECT_TRUE(main.cmd_calibra->isHidden());
    EXPECT_EQ(main.m_auto_calibration, kTrue);
    EXPECT_FALSE(main.mnZero->isChecked());
    EXPECT_FALSE(main.Cmd_autozero->isHidden());
    EXPECT_EQ(main.m_auto_zero, 0);
    EXPECT_EQ(main.m_run.m_light_schedule, kTrue);
    EXPECT_EQ(g_tool_light, 1);
    EXPECT_FALSE(main.frm_pulse->isHidden());
    EXPECT_FALSE(main.txt_lon->isEnabled());
    EXPECT_EQ(main.txt_pulsetimes->text().toStdString(), "3");
    EXPECT_EQ(main.txt_pulseon->text().toStdString(), "1.5");
    EXPECT_EQ(main.txt_pulseoff->text().toStdString(), "9.0");
    EXPECT_TRUE(main.Frame_light->isHidden());
    EXPECT_TRUE(main.Frame_temp->isHidden());
}

TEST_F(Startup, BinSizeListFromReportSettings) {
    for (bool userDefined : {true, false}) {
        SCOPED_TRACE(userDefined);
        Prepare();
        if (userDefined) {
            g_report_bin = 45;
            SaveReportSettings(1);
        } else {
            SaveReportSettings(0);
        }
        ASSERT_TRUE(Start());
        Frm_Main& main = FrmMain();
        EXPECT_EQ(main.mn_userbin->isChecked(), userDefined);
        if (userDefined) {
            EXPECT_EQ(main.combo_minutes->count(), 11);
            EXPECT_EQ(main.combo_minutes->itemText(10).toStdString(), "45");
            EXPECT_EQ(main.combo_minutes->currentText().toStdString(), "45");
        } else {
            EXPECT_EQ(main.combo_minutes->count(), 10);
            EXPECT_EQ(main.combo_minutes->currentText().toStdString(), "30");
        }
        UnloadWindows();
    }
}

TEST_F(Startup, DamagedProjectFileReportsItsProblemsOnce) {
    Prepare();
    home.Write("setup.dat", "\"garbage\"\r\nnot a setup\r\n");
    std::filesystem::remove(home / "setup.bak");
    boxes.AllowAnyMessages();
    ASSERT_TRUE(Start());
    const auto& shown = boxes.Shown();
    EXPECT_FALSE(shown.empty());
    for (const auto& text : shown) EXPECT_EQ(std::count(shown.begin(), shown.end(), text), 1) << text;
}

TEST_F(Startup, AutorunGoesOnToTheMainWindowAndPlay) {
    Prepare();
    ScaleForSimulator();
    testing::SimProcess sim(home.Path(), 1);
    // Play refuses to run in project 0, which shows that step 6 pressed it.
    boxes.ExpectMessage("Operation not allowed in Project #0:Default. Go to <Setup> and Save it with another name");
    ASSERT_TRUE(Start(" /run "));
    Frm_Main& main = FrmMain();
    EXPECT_EQ(main.m_autorun, kTrue);
    EXPECT_EQ(main.m_startup_step, 5);
    EXPECT_TRUE(main.Timerinicio->isActive());
    // Step 5 shows the main window and connects; the connect asks for step 6,
    // which shows the window again and presses Play.
    ASSERT_TRUE(PumpUntil([&] { return main.m_startup_step == 6 && !main.Timerinicio->isActive(); }));
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(FrmInit().isVisible());
    EXPECT_FALSE(ProgramEndRequested());
    EXPECT_EQ(g_connected, kTrue);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Done(); }));
}

// An unattended start without the instrument asks nothing (any box fails
// the test): the launcher says the equipment is not found and the scan runs
// again every 10 s (scaled) until the instrument answers; the run then starts
// in the current project as at start-up.
TEST_F(Startup, AutorunWithoutTheInstrumentLooksAgainUntilItAnswers) {
    Prepare();
    ASSERT_TRUE(CreateDemoProject());
    ScaleForSimulator();  // a retry each second
    RecordNews();
    ASSERT_TRUE(Start("/run"));
    Frm_Main& main = FrmMain();
    const std::string notFound = "status = Equipment not found. Trying again every 10 s";
    const std::string looking = "status = looking for the equipment...";
    ASSERT_TRUE(PumpUntil([&] { return main.m_connect_retry->isActive(); }));
    EXPECT_EQ(main.m_connect_retry->interval(), platform::ScaledMs(10000));
    EXPECT_TRUE(FrmInit().isVisible());
    EXPECT_TRUE(FrmInit().isEnabled());  // the user can still end the program
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(FrmInit().LblNews->text().toStdString(), notFound);
    EXPECT_EQ(g_run_state, 0);

    // A round without the instrument: looked for, not found, next round set.
    ASSERT_TRUE(PumpUntil([&] { return std::count(news.begin(), news.end(), looking) == 1; }));
    ASSERT_TRUE(PumpUntil([&] { return main.m_connect_retry->isActive(); }));
    EXPECT_EQ(news.back(), notFound);

    // The instrument comes back on the configured port: the next round
    // connects, the main window takes over and the run starts.
    testing::SimProcess sim(home.Path(), 4);
    ASSERT_TRUE(PumpUntil([&] { return g_run_state == 1; }));
    EXPECT_EQ(g_connected, kTrue);
    EXPECT_EQ(g_com_port, 4);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(FrmInit().isVisible());
    EXPECT_FALSE(main.m_connect_retry->isActive());
    EXPECT_EQ(main.txt_subproject->text().toStdString(), "Autorun project");
    EXPECT_TRUE(std::filesystem::exists(
        AcquisitionFolder(home / "p00001", main.m_run.m_acquisition_stamp, 1) + "/subproj.dat"));
    main.CmdStop_Click();
}

TEST_F(Startup, LauncherAsCreated) {
    Frm_Init l;
    EXPECT_EQ(l.LblNews->text().toStdString(), "Equipment Status = unknown");
    const struct {
        const char *name, *caption;
    } buttons[] = {{"cmd_option1", "Setup a New Project"},
                   {"cmd_option2", "Run Latest Project"},
                   {"cmd_option3", "Analyze recorded experiments"},
                   {"cmd_option4", "EXIT"}};
    for (const auto& b : buttons) {
        auto* w = l.findChild<QPushButton*>(b.name);
        ASSERT_NE(w, nullptr) << b.name;
        EXPECT_EQ(w->text().toStdString(), b.caption);
    }
    for (const char* name : {"LblNews", "Label_version", "Label1", "Image1"})
        EXPECT_NE(l.findChild<QLabel*>(name), nullptr) << name;
}

class Launcher : public testing::WindowTest {
protected:
    void SetUp() override {
        Prepare();
        ASSERT_TRUE(Start());
    }
};

TEST_F(Launcher, ControlsAndTexts) {
    Frm_Init& l = FrmInit();
    EXPECT_EQ(l.cmd_option1->text().toStdString(), "Setup a New Project");
    EXPECT_EQ(l.cmd_option2->text().toStdString(), "Run Latest Project");
    EXPECT_EQ(l.cmd_option3->text().toStdString(), "Analyze recorded experiments");
    EXPECT_EQ(l.cmd_option4->text().toStdString(), "EXIT");
    EXPECT_EQ(l.Label1->text().toStdString(), "Tetrav Version by KorvaTech");
    EXPECT_EQ(l.Label_version->text().toStdString(), "<< V5.3 Vondrel Tetrav Rev04/26 >>");
    EXPECT_EQ(FrmAbout().Label_version->text().toStdString(), "<< V5.3 Vondrel Tetrav Rev04/26 >>");
    // The four buttons are rounded.
    EXPECT_EQ(l.cmd_option2->mask().boundingRect().topLeft(), QPoint(5, 5));
}

TEST_F(Launcher, ExitAnsweredNoStaysAndYesEndsWithoutSaving) {
    Frm_Init& l = FrmInit();
    const std::string setupBefore = home.Read("setup.dat");
    boxes.ExpectMessage("Sure to Quit?", Reply::No);
    l.cmd_option4->click();
    EXPECT_FALSE(ProgramEndRequested());
    EXPECT_TRUE(l.isVisible());

    int closed = 0;
    Hooks().closePort = [&](int port) { closed = port; };
    g_connected = -1;
    g_com_port = 3;
    boxes.ExpectMessage("Sure to Quit?", Reply::Yes);
    l.cmd_option4->click();
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(ProgramExitStatus(), 0);
    EXPECT_EQ(closed, 3);
    EXPECT_EQ(home.Read("setup.dat"), setupBefore);
}

TEST_F(Launcher, RunLatestProjectShowsMainWindow) {
    ScaleForSimulator();
    testing::SimProcess sim(home.Path(), g_com_port);
    Frm_Init& l = FrmInit();
    l.cmd_option2->click();
    EXPECT_FALSE(l.isVisible());
    EXPECT_TRUE(FrmMain().isVisible());
    EXPECT_EQ(g_connected, kTrue);
    EXPECT_TRUE(FrmMain().mncom1[g_com_port]->isChecked());
}

TEST_F(Launcher, RunLatestProjectWithoutInstrumentGoesBackToTheLauncher) {
    platform::SetTimeScale(0.01);
    boxes.ExpectInput("COM(15) PORT ERROR. Type New Port number or <Enter> to go Offline", "");
    boxes.ExpectMessage("PORT NOT FOUND");
    Frm_Init& l = FrmInit();
    l.cmd_option2->click();
    EXPECT_EQ(g_offline, kTrue);
    EXPECT_TRUE(l.isVisible());
    EXPECT_FALSE(FrmMain().isVisible());
    EXPECT_EQ(FrmMain().lbl_autochannel->text().toStdString(), "");
    EXPECT_TRUE(FrmMain().frm_autotext->isHidden());
}

TEST_F(Launcher, SetupAndBrowserButtons) {
    Frm_Init& l = FrmInit();
    // Without the windows registered the launcher stays and says so.
    boxes.ExpectMessage("The project setup window is not available in this version.");
    l.cmd_option1->click();
    EXPECT_TRUE(l.isVisible());
    boxes.ExpectMessage("The recorded experiments browser is not available in this version.");
    l.cmd_option3->click();
    EXPECT_TRUE(l.isVisible());

    int setup = 0, browser = 0;
    Hooks().showSetup = [&] { ++setup; };
    Hooks().showBrowser = [&] { ++browser; };
    l.cmd_option1->click();
    EXPECT_EQ(setup, 1);
    EXPECT_FALSE(l.isVisible());
    l.show();
    l.cmd_option3->click();
    EXPECT_EQ(browser, 1);
    EXPECT_FALSE(l.isVisible());
}

TEST_F(Launcher, ShownAgainWhenConnectedNamesThePort) {
    ScaleForSimulator();
    testing::SimProcess sim(home.Path(), g_com_port);
    Frm_Init& l = FrmInit();
    l.cmd_option2->click();  // to the main window
    ASSERT_TRUE(PumpUntil([] { return QApplication::activeWindow() == &FrmMain(); }));
    EXPECT_EQ(l.LblNews->text().toStdString(), "status = not connected yet");
    g_connected = -1;
    g_com_port = 4;
    l.show();  // back home
    ASSERT_TRUE(PumpUntil([&] { return l.LblNews->text().toStdString() == "status: Connected in COM4"; }));
}

TEST_F(Launcher, NotActivatedAgainWhenABoxInFrontCloses) {
    Frm_Init& l = FrmInit();
    l.activateWindow();
    ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == &l; }));
    g_connected = -1;
    g_com_port = 4;
    QDialog box(&l);
    box.show();
    ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == &box; }));
    box.hide();
    l.activateWindow();
    ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == &l; }));
    EXPECT_EQ(l.LblNews->text().toStdString(), "status = not connected yet");
}

TEST_F(Launcher, LoaderStatusLinesReachTheLauncher) {
    SetStatusLine("checking COM5");
    EXPECT_EQ(FrmInit().LblNews->text().toStdString(), "checking COM5");
}

}  // namespace
}  // namespace vondrel
