// Connect, Play, Stop, the report list and the actuator buttons, driven
// through their handlers against the simulated instrument.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "RunFixture.h"
#include "acquisition/AcquisitionGlobals.h"
#include "acquisition/RunClock.h"
#include "device/ModCOMM.h"
#include "mainwindow/PortHold.h"
#include "platform/Files.h"

namespace vondrel {
namespace {

using platform::Reply;
using testing::RunTest;

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) { return platform::ReadBinaryFile(path).value_or(""); }
bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}
long FileSize(const std::string& path) {
    std::error_code ec;
    auto n = fs::file_size(path, ec);
    return ec ? -1 : static_cast<long>(n);
}

// Folders of runs below the project folder.
std::vector<std::string> RunFolders() {
    std::vector<std::string> names;
    if (!fs::exists(g_project_folder)) return names;
    for (const auto& e : fs::directory_iterator(g_project_folder))
        if (e.is_directory()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class PlayTest : public RunTest {};

TEST_F(PlayTest, RefusalsStartNothing) {
    StartRun(true, {"--mode", "parity48"});
    // Station 1 is ticked from the start and its box cannot be changed.
    EXPECT_EQ(main().chk_enabled[0]->checkState(), Qt::Checked);
    EXPECT_FALSE(main().chk_enabled[0]->isEnabled());
    const struct {
        const char* what;
        std::function<void()> arrange;
        std::string name;
        std::string message;
    } cases[] = {
        {"empty name", [] { TickStations({1}); }, "", "Each Experiment Requires a name"},
        {"no station", [] { TickStations({}); }, "Run", "No station is ticked. Tick at least one station before starting the acquisition."},
        {"window too short", [] { TickStations({1}); g_rt_buffer = 499; }, "Run",
         "The window length of this project (499 samples) cannot be acquired: it must be 500 to 502 samples. Correct it in <Setup>."},
        {"window too long", [] { TickStations({1}); g_rt_buffer = 503; }, "Run",
         "The window length of this project (503 samples) cannot be acquired: it must be 500 to 502 samples. Correct it in <Setup>."},
        {"interval below 0", [] { TickStations({2}); g_dsp_interval = -1; }, "Run",
         "The detection interval of this project (-1) must be 0 to 501. Correct it in <Setup>."},
        {"interval above N+1", [] { TickStations({2}); g_dsp_interval = 502; }, "Run",
         "The detection interval of this project (502) must be 0 to 501. Correct it in <Setup>."},
        {"port closed", [] { TickStations({1}); main().Cmd_disconnect_Click(); }, "Run",
         "The instrument port COM" + std::to_string(g_com_port) +
             " is not open. Connect the equipment before starting the acquisition."},
        {"offline", [] { TickStations({1}); g_offline = kTrue; }, "Run",
         "Acquisition not allowed in OFFLINE MODE. Connect the equipment and restart the program."},
        {"project 0", [] { TickStations({1}); g_project_number = 0; }, "Run",
         "Operation not allowed in Project #0:Default. Go to <Setup> and Save it with another name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_rt_buffer = 500;
        g_dsp_interval = 30;
        c.arrange();
        boxes.ExpectInput(NamePrompt(), c.name);
        boxes.ExpectMessage(c.message);
        main().CmdPlay_Click();
        EXPECT_TRUE(boxes.Done());
        EXPECT_EQ(g_run_state, 0);
        EXPECT_FALSE(main().Timeradq->isActive());
        EXPECT_NE(g_recording, kTrue);
        EXPECT_TRUE(RunFolders().empty());
        EXPECT_TRUE(main().chk_enabled[1]->isEnabled());
    }
}

TEST_F(PlayTest, NameAskedWithTheCalibrationReminderWhenAutoCalibrationIsOff) {
    StartRun(false);
    main().mnZero->setCheckState(Qt::Unchecked);
    const std::string stars(49, '*');
    boxes.ExpectInput(stars + "\r\n***   Enter a Name for this Experiment  ***\r\n" + stars + "\r\nComments:\r\n~~~~~~~\r\n"
                      "> Auto Calibration is OFF: Remember to read Blank.\r\n", std::nullopt);
    boxes.ExpectMessage("Each Experiment Requires a name");
    main().CmdPlay_Click();
    EXPECT_EQ(g_run_state, 0);
}

TEST_F(PlayTest, StationsOneAndThreeGetTheirFoldersAndTheRunStarts) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 3});
    main().Txt_description->setText("first line");
    Play("Run \"A\"");
    EXPECT_EQ(main().m_run.m_acquisition_stamp, "20260304_1006");
    EXPECT_EQ(RunFolders(), (std::vector<std::string>{"20260304_1006_s1", "20260304_1006_s3"}));
    for (int n : {1, 3}) {
        const std::string folder = StationFolder(n);
        // The name's double quotes become single quotes in its quoted field.
        EXPECT_EQ(ReadBytes(platform::JoinPath(folder, "subproj.dat")), "\"Run 'A'\"\r\n\"first line\"\r\n");
        for (const char* f : {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "chgroup.dat"})
            EXPECT_TRUE(platform::FileExists(platform::JoinPath(folder, f))) << f;
    }
    EXPECT_EQ(main().txt_subproject->text().toStdString(), "Run 'A'");
    EXPECT_EQ(g_run_state, 1);
    EXPECT_EQ(g_recording, kTrue);
    EXPECT_EQ(main().TickIntervalDesigned(), 140);
    EXPECT_EQ(main().Timeradq->interval(), platform::ScaledMs(140));
    EXPECT_EQ(main().m_run.m_station_count, 2);
    const bool stackEnabled[] = {true, false, true, false};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(main().cmd_stack_pos[k]->isEnabled(), stackEnabled[k]) << k;
        EXPECT_FALSE(main().chk_enabled[k]->isEnabled()) << k;
    }
    EXPECT_FALSE(main().CmdPlay->isEnabled());
    EXPECT_TRUE(main().CmdPause->isEnabled());
    EXPECT_FALSE(main().Cmdsetup->isEnabled());
    EXPECT_FALSE(main().Cmb_organism->isEnabled());
    EXPECT_FALSE(main().chk_bodybends->isEnabled());
    EXPECT_EQ(main().m_trace_top[100], 2259);
    // The temperature was read at Play: the simulator's raw byte times 0.219.
    EXPECT_FALSE(main().m_run.m_temperature_text.empty());
    EXPECT_GT(g_temperature, 5.0);
}

TEST_F(PlayTest, TickIntervalByNumberOfStations) {
    StartRun(true, {"--mode", "parity48"});
    const struct {
        std::initializer_list<int> stations;
        int ms;
    } cases[] = {{{2}, 30}, {{1, 4}, 140}, {{1, 2, 3}, 120}, {{1, 2, 3, 4}, 90}};
    int minute = 10;
    for (const auto& c : cases) {
        now_ = platform::FromLocal({2026, 3, 4, 10, minute++, 0});
        TickStations(c.stations);
        Play();
        EXPECT_EQ(main().TickIntervalDesigned(), c.ms);
        main().CmdStop_Click();
        for (int k = 0; k < 4; ++k) main().chk_enabled[k]->setEnabled(true);
    }
}

TEST_F(PlayTest, SecondPlayInTheSameMinuteAsksBeforeAppending) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({2});
    Play();
    main().CmdStop_Click();
    main().chk_enabled[0]->setEnabled(true);
    const std::string counts = platform::JoinPath(StationFolder(2), "counts.bin");
    ASSERT_TRUE(WriteBytes(counts, std::string(774, '\0')));

    const std::string question = "A run started in the same minute is recorded in " + StationFolder(2) +
                                 ".\r\nAppend this run to its files? (No: wait for the next minute and press Play again.)";
    boxes.ExpectInput(NamePrompt(), "Again");
    boxes.ExpectMessage(question, Reply::No);
    main().CmdPlay_Click();
    EXPECT_EQ(g_run_state, 0);
    EXPECT_EQ(ReadBytes(platform::JoinPath(StationFolder(2), "subproj.dat")), "\"Run A\"\r\n\"\"\r\n");

    // The first run wrote raw files 0 and 1: the appended run numbers on from 2,
    // so no numbered file takes more than its eleven windows.
    ASSERT_TRUE(WriteBytes(platform::JoinPath(StationFolder(2), "0.bin"), "x"));
    ASSERT_TRUE(WriteBytes(platform::JoinPath(StationFolder(2), "1.bin"), "x"));
    boxes.ExpectInput(NamePrompt(), "Again");
    boxes.ExpectMessage(question, Reply::Yes);
    main().CmdPlay_Click();
    main().Timeradq->stop();
    EXPECT_EQ(g_run_state, 1);
    EXPECT_EQ(ReadBytes(platform::JoinPath(StationFolder(2), "subproj.dat")), "\"Again\"\r\n\"\"\r\n");
    EXPECT_EQ(FileSize(counts), 774);
    EXPECT_EQ(main().m_run.m_raw_file_number, 2);
}

TEST_F(PlayTest, AutorunWaitsForTheNextMinuteInsteadOfAppending) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1});
    const std::string old = AcquisitionFolder(g_project_folder, "20260304_1006", 1);
    fs::create_directories(old);
    ASSERT_TRUE(WriteBytes(platform::JoinPath(old, "counts.bin"), std::string(774, '\0')));
    // Each reading of the clock moves it on by 20 seconds.
    platform::SetClockForTest([this] { return now_ += std::chrono::seconds(20); });
    main().m_autorun = kTrue;
    main().CmdPlay_Click();
    main().Timeradq->stop();
    EXPECT_EQ(g_run_state, 1);
    EXPECT_EQ(main().m_run.m_acquisition_stamp, "20260304_1007");
    EXPECT_EQ(FileSize(platform::JoinPath(old, "counts.bin")), 774);
    EXPECT_EQ(ReadBytes(platform::JoinPath(StationFolder(1), "subproj.dat")), "\"Autorun project\"\r\n\"\"\r\n");
}

// Play sets the light by the hour only when no pulses are programmed; with
// pulses the tick's schedule drives the light and Play sends nothing. It is
// 10:06 with the light on from 8 to 20.
TEST_F(PlayTest, LightByTheHourAtPlayOnlyWithoutPulses) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1});
    main().Chk_lenabled->setCheckState(Qt::Checked);
    main().txt_lon->setText("08");
    main().txt_loff->setText("20");
    const struct {
        const char* pulses;
        std::vector<std::string> frames;
    } cases[] = {{"3", {}}, {"0", {"FF 00 10 04 F0"}}};
    int minute = 6;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pulses);
        now_ = platform::FromLocal({2026, 3, 4, 10, minute++, 0});
        main().txt_pulsetimes->setText(c.pulses);
        main().m_run.m_light_on = 0;
        sim->MarkLog();
        Play();
        std::vector<std::string> light;
        for (const auto& f : sim->FramesSinceMark())
            if (f.rfind("FF 00 10", 0) == 0) light.push_back(f);
        EXPECT_EQ(light, c.frames);
        main().CmdStop_Click();
        for (int k = 0; k < 4; ++k) main().chk_enabled[k]->setEnabled(true);
    }
}

TEST_F(PlayTest, LongRawRecordingRunWarnsWithTheRealVolume) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    g_save_real = 1;
    g_acq_lapse = 3000;
    boxes.ExpectInput(NamePrompt(), "Long");
    boxes.AllowAnyMessages();
    main().CmdPlay_Click();
    ASSERT_EQ(boxes.Shown().size(), 2u);  // the name, then the warning
    const std::string need = std::to_string(RawRecordingMegabytes(3000, 2, 500, 140));
    EXPECT_EQ(boxes.Shown()[1].rfind("WARNING:\r\nProgrammed Acquisition lapse = 3000minutes & RealTime_recording=YES\r\n"
                                      "Required Disk space for RealTime Saving = " + need + "MB\r\n", 0),
              0u)
        << boxes.Shown()[1];
    // Answered No: no run, no folder.
    EXPECT_EQ(g_run_state, 0);
    EXPECT_TRUE(RunFolders().empty());
}

TEST_F(PlayTest, FolderThatCannotBeWrittenStopsPlayWithAMessage) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1});
    // A file where the station's folder should be.
    ASSERT_TRUE(WriteBytes(AcquisitionFolder(g_project_folder, "20260304_1006", 1), "x"));
    boxes.ExpectInput(NamePrompt(), "Run");
    boxes.AllowAnyMessages();
    main().CmdPlay_Click();
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_NE(boxes.Shown()[1].find("The acquisition was not started."), std::string::npos);
    EXPECT_EQ(g_run_state, 0);
    EXPECT_EQ(g_recording, 0);
    EXPECT_FALSE(main().Timeradq->isActive());
    EXPECT_TRUE(main().chk_enabled[1]->isEnabled());
}

TEST_F(PlayTest, StopGivesTheControlsBackAndSwitchesTheActuatorsOff) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    Play();
    main().m_run.m_light_on = kTrue;
    main().m_autorun = kTrue;
    main().Cmdreport_Click();  // the list is shown ...
    ASSERT_TRUE(main().lst_report_export->isVisible() || !main().isVisible());
    EXPECT_TRUE(main().lbl_torun->isHidden());  // no "Ready to run?" during the run
    sim->MarkLog();
    main().CmdStop_Click();
    EXPECT_EQ(g_run_state, 0);
    EXPECT_FALSE(main().lbl_torun->isHidden());
    EXPECT_EQ(main().m_autorun, 0);
    EXPECT_FALSE(main().Timeradq->isActive());
    EXPECT_TRUE(main().CmdPlay->isEnabled());
    EXPECT_FALSE(main().CmdPause->isEnabled());
    EXPECT_TRUE(main().Cmdsetup->isEnabled());
    EXPECT_TRUE(main().Cmb_organism->isEnabled());
    EXPECT_TRUE(main().chk_bodybends->isEnabled());
    EXPECT_TRUE(main().lst_report_export->isHidden());
    EXPECT_FALSE(main().chk_enabled[0]->isEnabled());  // station 1's box is left as it was
    for (int k = 1; k < 4; ++k) EXPECT_TRUE(main().chk_enabled[k]->isEnabled());
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(main().cmd_stack_pos[k]->isEnabled());
    EXPECT_EQ(main().m_run.m_light_on, 0);
    EXPECT_EQ(sim->FramesSinceMark(), (std::vector<std::string>{"FF 00 10 00 F0"}));
    EXPECT_EQ(main().cmd_luz->text().toStdString(), "OFF");
}

TEST_F(PlayTest, ReportListTogglesAndListsTheTickedStations) {
    StartRun(true, {"--mode", "parity48"});
    main().Cmdreport_Click();  // no named run yet: nothing
    EXPECT_TRUE(main().lst_report_export->isHidden());
    TickStations({1, 3});
    Play();
    main().show();
    main().Cmdreport_Click();
    ASSERT_EQ(main().lst_report_export->count(), 2);
    EXPECT_EQ(main().lst_report_export->item(0)->text().toStdString(), "STATION_1");
    EXPECT_EQ(main().lst_report_export->item(1)->text().toStdString(), "STATION_3");
    EXPECT_EQ(main().lst_report_export->currentRow(), 0);
    EXPECT_TRUE(main().lst_report_export->isVisible());
    main().Cmdreport_Click();
    EXPECT_TRUE(main().lst_report_export->isHidden());
}

// ---------------------------------------------------------------------------

class ConnectTest : public RunTest {};

TEST_F(ConnectTest, PortMenuMarksOnlyItsPortAndLeavesItemsAboveNine) {
    Prepare();
    ASSERT_TRUE(Start());
    ScaleForSimulator();
    g_com_port = 12;
    testing::SimProcess sim12(home.Path(), 12);
    main().mncom1[10]->setChecked(true);
    main().mncom1[3]->setChecked(true);
    main().cmd_connect_Click();
    EXPECT_EQ(g_connected, kTrue);
    EXPECT_TRUE(main().mncom1[12]->isChecked());
    EXPECT_TRUE(main().mncom1[10]->isChecked());
    EXPECT_FALSE(main().mncom1[3]->isChecked());
    EXPECT_DOUBLE_EQ(g_temp_slope, 0.219);
    EXPECT_TRUE(main().frm_autotext->isHidden());
    main().Cmd_disconnect_Click();
    EXPECT_EQ(g_connected, 0);
    EXPECT_EQ(g_comm_port_record[11].open, 0);
}

// ---------------------------------------------------------------------------

class ActuatorTest : public RunTest {};

TEST_F(ActuatorTest, ButtonsSendAtOnceWhenStoppedAndNeverReadAReply) {
    StartRun(true, {"--mode", "parity48"});
    struct Step {
        void (Frm_Main::*button)();
        const char* frame;
        const char* luz;
        const char* frio;
        const char* ontemp;
        uint32_t temp_fill;
    };
    const Step steps[] = {
        {&Frm_Main::cmd_luz_Click, "FF 00 10 04 F0", "ON", "COOL", "OFF", 0xFFFFFF},
        {&Frm_Main::cmd_ontemp_Click, "FF 00 10 05 F0", "ON", "COOL", "ON", 0xFF0000},
        {&Frm_Main::cmd_frio_Click, "FF 00 10 06 F0", "ON", "HEAT", "OFF", 0xFFFFFF},
        {&Frm_Main::cmd_ontemp_Click, "FF 00 10 07 F0", "ON", "HEAT", "ON", 255},
        {&Frm_Main::cmd_luz_Click, "FF 00 10 03 F0", "OFF", "HEAT", "ON", 255},
        {&Frm_Main::cmd_frio_Click, "FF 00 10 00 F0", "OFF", "COOL", "OFF", 0xFFFFFF},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.frame);
        sim->MarkLog();
        (main().*s.button)();
        EXPECT_EQ(sim->FramesSinceMark(), (std::vector<std::string>{s.frame}));
        EXPECT_EQ(main().cmd_luz->text().toStdString(), s.luz);
        EXPECT_EQ(main().cmd_frio->text().toStdString(), s.frio);
        EXPECT_EQ(main().cmd_ontemp->text().toStdString(), s.ontemp);
        EXPECT_EQ(main().shape_temp->Fill(), s.temp_fill);
        EXPECT_EQ(main().shape_light->Fill(), std::string(s.luz) == "ON" ? 65280u : 255u);
        std::string reply;
        EXPECT_EQ(CommRead(g_com_port, reply, 1), 0);
    }
    main().txttemp->setText("31.5");
    main().Cmd_settemp_Click();
    EXPECT_DOUBLE_EQ(g_temperature_setpoint, 31.5);
}

TEST_F(ActuatorTest, OptionsAndOrganismPresets) {
    StartRun(false);
    main().Chk_lenabled->setCheckState(Qt::Checked);
    EXPECT_EQ(main().m_run.m_light_schedule, kTrue);
    EXPECT_EQ(g_tool_param[2][0], 1);
    main().Chk_lenabled->setCheckState(Qt::Unchecked);
    EXPECT_EQ(main().m_run.m_light_schedule, 0);
    EXPECT_EQ(g_tool_param[2][0], 0);
    main().Chk_tenabled->setCheckState(Qt::Checked);
    EXPECT_EQ(main().m_run.m_temp_control, kTrue);
    EXPECT_EQ(g_tool_param[3][0], 1);

    const struct {
        int organism;
        const char* text_before;
        const char* text_after;
        double threshold;
        const char* label;
        bool box_shown;
    } cases[] = {
        {0, "3.3", "1.8", 1.8, ">>>>", false},
        {1, "3.3", "2.8", 2.8, ">>>>", false},
        {2, "1.2", "1.8", 1.8, "> Zero SNR:", true},
        {2, "2,5", "2,5", 2.5, "> Zero SNR:", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.organism);
        main().txt_snr_umbral->setText(c.text_before);
        main().Cmb_organism->setCurrentIndex(c.organism);
        main().Cmb_organism_Click();
        EXPECT_EQ(g_tool_param[1][0], c.organism);
        EXPECT_EQ(main().txt_snr_umbral->text().toStdString(), c.text_after);
        EXPECT_DOUBLE_EQ(main().m_run.m_snr_threshold, c.threshold);
        EXPECT_EQ(main().lbl_umbral->text().toStdString(), c.label);
        EXPECT_EQ(!main().txt_snr_umbral->isHidden(), c.box_shown);
    }
}

TEST_F(ActuatorTest, BodyBendsOnlyForTheUnderdrainedPlate) {
    StartRun(false);
    main().txt_wellformat->setText("w96f");
    main().chk_bodybends->show();
    main().chk_bodybends->setCheckState(Qt::Checked);
    EXPECT_EQ(g_body_bends_mode, 0);
    EXPECT_EQ(main().chk_bodybends->checkState(), Qt::Unchecked);
    EXPECT_TRUE(main().chk_bodybends->isHidden());

    main().txt_wellformat->setText("w96u");
    boxes.ExpectMessage("WARNING!\r\nExperimental functionality! Beta testing.\r\nContact us for more information");
    main().chk_bodybends->setCheckState(Qt::Checked);
    EXPECT_EQ(g_body_bends_mode, 1);
    EXPECT_FALSE(main().Cmd_histoplot->isHidden());
    main().chk_bodybends->setCheckState(Qt::Unchecked);
    EXPECT_EQ(g_body_bends_mode, 0);
    EXPECT_TRUE(main().Cmd_histoplot->isHidden());
}

// ---------------------------------------------------------------------------

TEST_F(PlayTest, TimersReturnAtOnceWhileTheDeviceIsHeld) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1});
    Play();
    main().Timeradq->setInterval(0);
    {
        PortHold hold;
        main().Timeradq->start();
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
        EXPECT_EQ(main().m_run.m_tick_total, 0);
        // A click that needs the port waits for it instead of being lost.
        main().CmdStop->click();
        EXPECT_EQ(g_run_state, 1);
    }
    ASSERT_TRUE(PumpUntil([] { return g_run_state == 0; }));
    EXPECT_GT(main().m_run.m_tick_total, 0);
    EXPECT_FALSE(main().Timeradq->isActive());
}

}  // namespace
}  // namespace vondrel
