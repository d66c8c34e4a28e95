// Pausing and resuming a run with its time counter frozen or running, the
// threshold label's switch and the tool frames.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "GroupSetFiles.h"
#include "RunFixture.h"
#include "acquisition/WindowClose.h"
#include "mainwindow/ProgramEnd.h"

namespace vondrel {
namespace {

using platform::Reply;
using testing::RunTest;

class MainMenusTest : public RunTest {
protected:
    // A run without an instrument, started now, its tick driven by the test.
    void StartOfflineRun() {
        if (!started_) StartRun(false);
        started_ = true;
        now_ = platform::FromLocal({2026, 3, 4, 10, 6, 0});
        g_offline = kTrue;
        g_acq_lapse = 60;
        main().m_run.m_run_start = ToDays(now_);
        g_run_state = 1;
        // Running as after Play; the test pumps no events, so it never fires.
        main().Timeradq->start();
    }
    void TearDown() override {
        main().Timeradq->stop();
        g_run_state = 0;
    }
    static int Elapsed() {
        main().Timeradq_Timer();
        return main().m_run.m_elapsed_minutes;
    }
    bool started_ = false;
};

TEST_F(MainMenusTest, PauseFrozenOrCountingThenResume) {
    for (auto [answer, expected] : {std::pair{Reply::Yes, 10}, {Reply::No, 15}}) {
        SCOPED_TRACE(answer == Reply::Yes ? "frozen" : "counting");
        StartOfflineRun();
        now_ += std::chrono::minutes(10);
        ASSERT_EQ(Elapsed(), 10);
        boxes.ExpectMessage("Pause Time Counter?", answer);
        main().CmdPause_Click();
        EXPECT_EQ(g_run_state, 2);
        EXPECT_EQ(main().Timeradq->isActive(), answer == Reply::No);
        EXPECT_EQ(main().lbl_autochannel->text().toStdString(),
                  answer == Reply::Yes ? "Time Counter = OFF" : "Time Counter = ON");
        EXPECT_EQ(main().lbl_autotext->text().toStdString(), "<< PAUSED >>");
        EXPECT_FALSE(main().frm_autotext->isHidden());

        now_ += std::chrono::minutes(5);
        // The tick of a counting pause keeps the clock going.
        if (answer == Reply::No) main().Timeradq_Timer();
        main().m_run.m_tick_count = 7;
        main().m_run.m_com_error_count = 4;
        main().CmdPause_Click();
        EXPECT_EQ(g_run_state, 1);
        EXPECT_TRUE(main().Timeradq->isActive());
        EXPECT_TRUE(main().frm_autotext->isHidden());
        EXPECT_EQ(main().m_run.m_tick_count, 0);
        EXPECT_EQ(main().m_run.m_com_error_count, 0);
        EXPECT_EQ(Elapsed(), expected);
        main().Timeradq->stop();
        g_run_state = 0;
    }
}

// Answers the pause question after the run has ended under it.
class RunEndsUnderTheBox : public platform::Dialogs {
public:
    platform::Reply Message(const std::string& text, platform::Buttons, const std::string&) override {
        asked = text;
        // The run's end, as the tick's end test performs it.
        FrmMain().Timeradq->stop();
        g_run_state = 0;
        return Reply::Yes;
    }
    std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::string asked;
};

TEST_F(MainMenusTest, PauseAppliesOnlyToARunStillRunningAndStoppedItDoesNothing) {
    StartOfflineRun();
    RunEndsUnderTheBox ending;
    platform::SetDialogs(&ending);
    main().CmdPause_Click();
    platform::SetDialogs(&boxes);
    EXPECT_EQ(ending.asked, "Pause Time Counter?");
    EXPECT_EQ(g_run_state, 0);
    EXPECT_TRUE(main().frm_autotext->isHidden());
    // Stopped, the button neither asks nor starts the tick.
    main().CmdPause_Click();
    EXPECT_EQ(g_run_state, 0);
    EXPECT_FALSE(main().Timeradq->isActive());
}

TEST_F(MainMenusTest, ThresholdLabelAndToolFrames) {
    StartRun(false);
    main().txt_snr_umbral->hide();
    main().lbl_umbral_Click();
    EXPECT_EQ(main().lbl_umbral->text().toStdString(), "> Zero SNR:");
    EXPECT_FALSE(main().txt_snr_umbral->isHidden());
    main().lbl_umbral_Click();
    EXPECT_EQ(main().lbl_umbral->text().toStdString(), ">>>>");
    EXPECT_TRUE(main().txt_snr_umbral->isHidden());

    for (auto [action, frame, flag] : {std::tuple{main().lght_ctl, main().Frame_light, &g_tool_light},
                                       {main().temp_ctl, main().Frame_temp, &g_tool_temp}}) {
        frame->hide();
        *flag = 0;
        boxes.ExpectMessage("Only available in some hardware versions");
        action->trigger();
        EXPECT_FALSE(frame->isHidden());
        EXPECT_EQ(*flag, 1);
        // The second choice hides it without a message.
        action->trigger();
        EXPECT_TRUE(frame->isHidden());
        EXPECT_EQ(*flag, 0);
    }
}

TEST_F(MainMenusTest, TechnicalMenuShowsThePanelOnlyForItsExactPassword) {
    int shown = 0;
    Hooks().showTechnicalPanel = [&] { ++shown; };
    for (const char* wrong : {"", "kelpo5829", "Kelpo5829 ", "KELPO5829"}) {
        boxes.ExpectInput("Enter Password", std::string(wrong));
        boxes.ExpectMessage("Wrong Password");
        main().mn_technical->trigger();
    }
    boxes.ExpectInput("Enter Password", std::nullopt);  // cancelled
    boxes.ExpectMessage("Wrong Password");
    main().mn_technical_Click();
    EXPECT_EQ(shown, 0);
    boxes.ExpectInput("Enter Password", std::string("Kelpo5829"));
    main().mn_technical->trigger();
    EXPECT_EQ(shown, 1);
    // Every one of the password boxes masked what was typed.
    ASSERT_EQ(boxes.Inputs().size(), 6u);
    for (const auto& box : boxes.Inputs()) EXPECT_TRUE(box.masked);
    Hooks().showTechnicalPanel = nullptr;
}

TEST_F(MainMenusTest, WindowsOfOtherPartsSayTheyAreMissingAfterTheHandlersOwnSteps) {
    StartRun(false);
    // A run of station 3 whose folder holds its activity file.
    main().m_run.m_acquisition_stamp = "20260304_1006";
    const std::string folder = StationFolder(3);
    std::filesystem::create_directories(folder);
    { std::ofstream(std::filesystem::path(folder) / "counts.bin") << "x"; }
    main().lst_report_export->clear();
    main().lst_report_export->addItem("STATION_1");
    main().lst_report_export->addItem("STATION_3");
    main().lst_report_export->show();

    main().lst_report_export->setCurrentRow(1);
    boxes.ExpectMessage("The report window is not available in this version.");
    main().lst_report_export_DblClick();
    EXPECT_TRUE(main().lst_report_export->isHidden());

    boxes.ExpectMessage("The report settings window is not available in this version.");
    main().mn_userbin->trigger();

    boxes.ExpectInput("Enter Password", std::string("Kelpo5829"));
    boxes.ExpectMessage("The technical panel is not available in this version.");
    main().mn_technical->trigger();
}

TEST_F(MainMenusTest, MenuTicksStayWhenClicked) {
    StartRun(false);
    Hooks().showReportSettings = [] {};
    for (QAction* item : {main().chk_zmonitor, main().mn_userbin}) {
        SCOPED_TRACE(item->objectName().toStdString());
        for (bool ticked : {true, false}) {
            item->setChecked(ticked);
            item->trigger();
            EXPECT_EQ(item->isChecked(), ticked);
        }
    }
}

TEST_F(MainMenusTest, ActivationKeepsAPausedRunAndClearsAStoppedOne) {
    StartOfflineRun();
    g_project_number = 12;
    g_project_name = "Test";
    g_acq_lapse = 45;
    g_plate_format = "w96u";
    AcquisitionState& st = main().m_run;
    st.Sample(0, 10, 3) = 1234;
    st.m_cumulative_count[0][10] = 56;
    st.m_actuator_pending = kTrue;
    main().m_trace_bottom[10] = 900;
    // Paused with the time counter frozen: the tick is off.
    boxes.ExpectMessage("Pause Time Counter?", Reply::Yes);
    main().CmdPause_Click();
    main().Form_Activate();
    EXPECT_EQ(main().txt_projecto->text().toStdString(), "12_Test");
    EXPECT_EQ(st.Sample(0, 10, 3), 1234);
    EXPECT_EQ(st.m_cumulative_count[0][10], 56);
    EXPECT_EQ(st.m_actuator_pending, kTrue);
    EXPECT_EQ(main().m_trace_bottom[10], 900);
    EXPECT_EQ(main().m_trace_top[10], 2040);
    EXPECT_TRUE(main().chk_bodybends->isEnabled());

    // Stopped: the tables are cleared and a w96 plate has no body-bends box.
    main().Timeradq->stop();
    g_run_state = 0;
    g_plate_format = "w96";
    {
        QSignalBlocker ticked(main().chk_bodybends);
        main().chk_bodybends->setCheckState(Qt::Checked);
    }
    main().Form_Activate();
    AcquisitionState& fresh = main().m_run;
    EXPECT_EQ(fresh.Sample(0, 10, 3), 0);
    EXPECT_EQ(fresh.m_cumulative_count[0][10], 0);
    EXPECT_EQ(fresh.m_actuator_pending, 0);
    EXPECT_EQ(main().m_trace_bottom[10], 0);
    EXPECT_EQ(main().txt_acqlapse->text().toStdString(), "45");
    EXPECT_EQ(main().txt_wellformat->text().toStdString(), "w96");
    EXPECT_FALSE(main().chk_bodybends->isEnabled());
    EXPECT_EQ(main().chk_bodybends->checkState(), Qt::Unchecked);
    EXPECT_TRUE(main().chk_bodybends->isHidden());
}

TEST_F(MainMenusTest, ExitOfflineAsksNothingAndEnds) {
    StartRun(false);
    g_offline = kTrue;
    main().mnexit->trigger();
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(ProgramExitStatus(), 0);
}

TEST_F(MainMenusTest, ExitAnsweredNoOrYesClosesThePortAndSavesOnlyOnYes) {
    StartRun(true);
    g_project_number = 12;
    std::filesystem::remove_all(g_project_folder);
    std::filesystem::create_directories(g_project_folder);
    boxes.ExpectMessage("Update values to project 12_Test before Exit?", Reply::No);
    main().Form_Unload();
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(g_connected, 0);
    EXPECT_TRUE(std::filesystem::is_empty(g_project_folder));

    ResetProgramEnd();
    main().cmd_connect_Click();
    ASSERT_EQ(g_connected, kTrue);
    boxes.ExpectMessage("Update values to project 12_Test before Exit?", Reply::Yes);
    main().Form_Unload();
    EXPECT_TRUE(ProgramEndRequested());
    EXPECT_EQ(g_connected, 0);
    EXPECT_FALSE(std::filesystem::is_empty(g_project_folder));
}

// "Yes" at exit saves the groups of all four stations, not only station 1's.
TEST_F(MainMenusTest, ExitAnsweredYesSavesTheGroupsOfEveryStation) {
    StartRun(true);
    testing::EditGroupsOfStations2And4();
    boxes.ExpectMessage("Update values to project 1_Test before Exit?", Reply::Yes);
    main().Form_Unload();
    EXPECT_TRUE(ProgramEndRequested());
    testing::ExpectGroupFilesHoldAllFourSets();
}

TEST_F(MainMenusTest, FailedSaveAtExitIsToldAndThePortStillCloses) {
    StartRun(true);
    std::filesystem::remove_all(g_project_folder);
    // A file where the project folder should be: nothing can be written.
    { std::ofstream(g_project_folder) << "x"; }
    boxes.ExpectMessage("Update values to project 1_Test before Exit?", Reply::Yes);
    boxes.AllowAnyMessages();
    main().Form_Unload();
    ASSERT_FALSE(boxes.Shown().empty());
    EXPECT_EQ(boxes.Shown().back().rfind("Error saving project: " + g_project_folder, 0), 0u) << boxes.Shown().back();
    EXPECT_EQ(g_connected, 0);
    EXPECT_TRUE(ProgramEndRequested());
}

TEST_F(MainMenusTest, ExitDuringARunSwitchesTheActuatorsOffBeforeThePortCloses) {
    StartRun(true);
    TickStations({1});
    Play();
    main().m_run.m_light_on = kTrue;
    sim->MarkLog();
    boxes.ExpectMessage("Update values to project 1_Test before Exit?", Reply::No);
    main().Form_Unload();
    EXPECT_EQ(main().m_run.m_light_on, 0);
    EXPECT_EQ(main().m_run.m_temp_actuator_on, 0);
    EXPECT_FALSE(main().Timeradq->isActive());
    EXPECT_EQ(g_run_state, 0);
    EXPECT_EQ(g_connected, 0);
    EXPECT_EQ(sim->FramesSinceMark(), (std::vector<std::string>{"FF 00 10 00 F0"}));
}

}  // namespace
}  // namespace vondrel
