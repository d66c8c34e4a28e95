// The acquisition tick against the simulated instrument: polling and
// single-station reading with their faults, the run clock and the end of the
// run, the pending actuator change, the communication-fault display and the
// automatic restart, and a whole short run read back by the independent
// Python reader.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <optional>
#include <set>

#include "RunFixture.h"
#include "acquisition/AcquisitionGlobals.h"
#include "acquisition/DiskFlusher.h"
#include "device/ReplyFormats.h"
#include "platform/Files.h"

namespace vondrel {
namespace {

using testing::RunTest;

class TickTest : public RunTest {
protected:
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) main().Timeradq_Timer();
    }
    AcquisitionState& st() { return main().m_run; }
    // A run of stations 1 and 2 without raw recording, the temperature
    // control on with the set-point at 25 degrees and the instrument at 20.
    void PlayWithClimateControl(const std::string& setpoint = "25") {
        StartRun(true, {"--mode", "parity48", "--ambient", "20", "--temperature", "20"});
        TickStations({1, 2});
        g_save_real = 0;
        main().Chk_tenabled->setCheckState(Qt::Checked);
        main().txttemp->setText(QString::fromStdString(setpoint));
        Play();
    }
    // Frames the simulator received since the mark, without the ones that
    // start with `skip` (e.g. the polling requests).
    std::vector<std::string> Frames(const std::string& only) {
        std::vector<std::string> out;
        for (const auto& f : sim->FramesSinceMark())
            if (f.rfind(only, 0) == 0) out.push_back(f);
        return out;
    }
};

TEST_F(TickTest, TwoCleanStationsFillTheirDataSlotsAndClearTheirCompanions) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    Play();
    sim->MarkLog();
    Tick();
    // Priming (one request per station) and then the polling proper.
    EXPECT_EQ(sim->FramesSinceMark(),
              (std::vector<std::string>{"FF 00 33 00 F0", "FF 01 33 00 F0", "FF 00 33 00 F0", "FF 01 33 00 F0"}));
    EXPECT_EQ(st().m_sample_index, 1);
    EXPECT_EQ(st().m_reply_error_count, 0);
    EXPECT_EQ(st().m_com_error_count, 0);
    for (int k : {0, 1}) {
        int nonzero = 0;
        for (int v = 0; v < kBlockValues; ++v) {
            const int s = PackedSampleSlot(v);
            nonzero += st().Sample(k, s, 0) != 0;
            EXPECT_EQ(st().Sample(k, s + 1, 0), 0);
            EXPECT_EQ(st().Sample(k, s + 16, 0), 0);
        }
        EXPECT_GT(nonzero, 80) << "station " << k + 1;
    }
    // Stations not ticked are not polled.
    for (int v = 0; v < kBlockValues; ++v) EXPECT_EQ(st().Sample(2, PackedSampleSlot(v), 0), 0);
    EXPECT_EQ(main().lbl_autostart->text().toStdString(), "0");
}

TEST_F(TickTest, ParityErrorsHoldThePreviousSampleAndTheLastStationSetsTheFault) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    Play();
    Tick(5);
    ASSERT_EQ(st().m_sample_index, 5);
    sim->Set("station", "2=parity:1");
    Tick();
    EXPECT_EQ(st().m_reply_error_count, 96);
    for (int v = 0; v < kBlockValues; ++v) {
        const int s = PackedSampleSlot(v);
        EXPECT_EQ(st().Sample(1, s, 5), st().Sample(1, s, 4)) << v;
    }
    EXPECT_EQ(st().m_com_error_count, 1);
    // The first station faulty, the last clean: the tick's fault is clear.
    sim->Set("station", "2=ok");
    sim->Set("station", "1=parity:1");
    Tick();
    EXPECT_EQ(st().m_com_error_count, 0);
    EXPECT_EQ(st().m_reply_error_count, 192);
    // Each tick first shows the reply errors counted before it.
    Tick();
    EXPECT_EQ(main().lbl_autostart->text().toStdString(), "192");
    EXPECT_EQ(st().m_reply_error_count, 288);
}

TEST_F(TickTest, SilentStationAtThePrimingPositionsKeepsItsColumns) {
    StartRun(true, {"--mode", "parity48", "--station", "2=silent"});
    TickStations({1, 2});
    Play();
    Tick(2);
    EXPECT_EQ(st().m_reply_error_count, 2);
    for (int v = 0; v < kBlockValues; ++v)
        for (int p : {0, 1}) EXPECT_EQ(st().Sample(1, PackedSampleSlot(v), p), 0);
    // Station 1's clean reply at position 1 copied its column to position 0.
    for (int v = 0; v < kBlockValues; ++v)
        EXPECT_EQ(st().Sample(0, PackedSampleSlot(v), 0), st().Sample(0, PackedSampleSlot(v), 1));
}

TEST_F(TickTest, SingleStationReadsFourParityBlocksAtAddressZeroIntoStationOnesWindow) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({3});
    Play();
    sim->MarkLog();
    Tick();
    const std::vector<std::string> blocks = {"FF 00 30 00 F0", "FF 00 30 10 F0", "FF 00 30 20 F0", "FF 00 30 30 F0"};
    std::vector<std::string> expected = blocks;  // priming
    expected.insert(expected.end(), blocks.begin(), blocks.end());
    EXPECT_EQ(sim->FramesSinceMark(), expected);
    std::set<int> wordSlots;
    for (int a : {0, 16, 32, 48})
        for (int w = 0; w < kParityBlockWords; ++w) wordSlots.insert(ParityBlockSlot(a, w));
    int nonzero = 0;
    for (int c = 0; c < kChannels; ++c) {
        if (wordSlots.count(c)) {
            nonzero += st().Sample(0, c, 0) != 0;
        } else if (wordSlots.count(c - 1)) {
            EXPECT_EQ(st().Sample(0, c, 0), 0) << c;
        }
        EXPECT_EQ(st().Sample(2, c, 0), 0);
    }
    EXPECT_GT(nonzero, 80);
    EXPECT_EQ(wordSlots.count(32), 1u);
    EXPECT_EQ(wordSlots.count(160), 1u);
    EXPECT_EQ(wordSlots.count(288), 1u);
}

TEST_F(TickTest, RunningRunEndsOnlyWhenItsWindowCloses) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    g_acq_lapse = 1;
    Play();
    const auto start = now_;
    now_ = start + std::chrono::hours(26) + std::chrono::minutes(3) + std::chrono::seconds(4);
    Tick();
    EXPECT_EQ(main().Txt_time->text().toStdString(), "02:03:04 [1d]");
    EXPECT_EQ(g_run_state, 1);  // the lapse is over, but the window is open
    EXPECT_EQ(st().m_elapsed_minutes, 1563);

    st().m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
    sim->MarkLog();
    boxes.ExpectMessage("Acquisition finished");
    Tick();
    EXPECT_TRUE(boxes.Done());
    EXPECT_EQ(g_run_state, 0);
    EXPECT_EQ(st().m_run_finished, kTrue);
    EXPECT_FALSE(main().Timeradq->isActive());
    EXPECT_TRUE(main().lst_report_export->isHidden());
    // The window was recorded for both stations before the end.
    for (int n : {1, 2}) {
        auto counts = platform::ReadBinaryFile(platform::JoinPath(StationFolder(n), "counts.bin"));
        ASSERT_TRUE(counts);
        EXPECT_EQ(counts->size(), 774u);
    }
    // The temperature is read at the window close, the actuators go off at the end.
    const auto frames = sim->FramesSinceMark();
    EXPECT_NE(std::find(frames.begin(), frames.end(), "FF 03 21 00 F0"), frames.end());
    EXPECT_EQ(frames.back(), "FF 00 10 00 F0");
}

TEST_F(TickTest, FailedAppendIsShownOnceWithoutABoxAndTheRunStillEnds) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    g_acq_lapse = 1;
    g_save_real = 0;
    Play();
    // Station 2's counts file cannot be opened for appending.
    std::filesystem::create_directories(platform::JoinPath(StationFolder(2), "counts.bin"));
    const auto start = now_;
    for (int window = 1; window <= 2; ++window) {
        now_ = start + std::chrono::seconds(window == 1 ? 20 : 70);
        st().m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
        // The end of the run says how many records were lost.
        if (window == 2) boxes.ExpectMessage("Acquisition finished\r\nNot written: 2 counts records.");
        Tick();
        EXPECT_EQ(main().RunMessages().size(), 1u) << window;
    }
    EXPECT_TRUE(boxes.Done());
    EXPECT_EQ(g_run_state, 0);
    EXPECT_NE(main().RunMessages()[0].find("counts.bin"), std::string::npos) << main().RunMessages()[0];
    EXPECT_EQ(main().statusBar()->currentMessage().toStdString(), main().RunMessages()[0]);
    auto counts = platform::ReadBinaryFile(platform::JoinPath(StationFolder(1), "counts.bin"));
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->size(), 2u * 774u);
}

// The raw block recorded for a window is the window as its counting left
// it: the counting lowers a level above the channel's band in place, and the
// block is written after it.
TEST_F(TickTest, RawBlockHoldsTheWindowAsItsCountingLeftIt) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    g_save_real = 1;
    Play();
    int channel = -1;
    for (int v = 0; v < kBlockValues && channel < 0; ++v)
        if (g_channel_well[PackedSampleSlot(v)] >= 0) channel = PackedSampleSlot(v);
    ASSERT_GE(channel, 0);
    for (int p = 0; p < g_rt_buffer - 1; ++p) st().Sample(0, channel, p) = p == 250 ? 3000 : 1200;
    st().m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
    Tick();
    ASSERT_EQ(st().m_sample_index, 0);  // the window was closed
    const auto raw = platform::ReadBinaryFile(platform::JoinPath(StationFolder(1), "0.bin"));
    ASSERT_TRUE(raw);
    const std::vector<int16_t>& window = st().m_sample_window[0];
    ASSERT_EQ(raw->size(), window.size() * 2);
    EXPECT_LT(st().Sample(0, channel, 250), 3000);  // the counting lowered the spike
    EXPECT_TRUE(std::memcmp(raw->data(), window.data(), raw->size()) == 0);
}

// The climate frame of a window close follows the temperature read at that
// close, not the one before: 20 degrees at Play, 30 at the close with the
// set-point at 25 cools.
TEST_F(TickTest, ClimateFollowsTheTemperatureJustRead) {
    PlayWithClimateControl();
    ASSERT_NEAR(g_temperature, 20.0, 0.3);
    sim->Set("temperature", "30");
    sim->Set("ambient", "30");
    st().m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
    sim->MarkLog();
    Tick();
    EXPECT_NEAR(g_temperature, 30.0, 0.3);
    EXPECT_EQ(Frames("FF 00 10"), (std::vector<std::string>{"FF 00 10 01 F0"}));  // cool, actuator on
}

// An instrument that does not answer the temperature query: the window's
// counts record says 0 (no reading), the label shows no number, and the
// heater is switched off at that close; the next reading brings the number
// and the heater back.
TEST_F(TickTest, MissingTemperatureIsRecordedAsNoReadingAndSwitchesTheHeaterOff) {
    PlayWithClimateControl();
    st().m_heating = kTrue;
    st().m_temp_actuator_on = kTrue;
    ScaleForSilence();
    sim->Set("silent", "1");
    st().m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
    sim->MarkLog();
    Tick();
    EXPECT_EQ(Frames("FF 00 10"), (std::vector<std::string>{"FF 00 10 00 F0"}));  // all off
    EXPECT_EQ(st().m_temperature_text, "--");
    st().m_display_tick = 2;
    Tick();
    EXPECT_EQ(main().lbl_temperature->text().toStdString(), "T=--*C");
    for (int n : {1, 2}) {
        auto counts = platform::ReadBinaryFile(platform::JoinPath(StationFolder(n), "counts.bin"));
        ASSERT_TRUE(counts);
        ASSERT_EQ(counts->size(), 774u);
        EXPECT_EQ((*counts)[772], '\0');
        EXPECT_EQ((*counts)[773], '\0');
    }

    sim->Set("silent", "0");
    ScaleForSimulator();
    st().m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
    sim->MarkLog();
    Tick();
    EXPECT_EQ(Frames("FF 00 10"), (std::vector<std::string>{"FF 00 10 03 F0"}));  // 20 degrees: heat, on
    st().m_display_tick = 2;
    Tick();
    EXPECT_NEAR(g_temperature, 20.0, 0.3);
    EXPECT_EQ(main().lbl_temperature->text().toStdString(), "T=" + st().m_temperature_text + "*C");
    EXPECT_NE(st().m_temperature_text, "--");
    auto counts = platform::ReadBinaryFile(platform::JoinPath(StationFolder(1), "counts.bin"));
    ASSERT_TRUE(counts);
    ASSERT_EQ(counts->size(), 2 * 774u);
    EXPECT_NEAR(static_cast<uint8_t>((*counts)[774 + 772]) | (static_cast<uint8_t>((*counts)[774 + 773]) << 8), 200, 3);
}

// Heating towards 30 degrees when the instrument stops answering only the
// temperature query: the very next window close switches the heater off,
// and it stays off while readings are missing; they come back and so does
// the heating.
TEST_F(TickTest, SilencedTemperatureSwitchesTheHeaterOffAtTheNextClose) {
    PlayWithClimateControl("30");
    const std::string heatOn = "FF 00 10 03 F0", off = "FF 00 10 00 F0";
    auto closeWindow = [&] {
        st().m_sample_index = static_cast<int16_t>(g_rt_buffer - 1);
        sim->MarkLog();
        Tick();
        return Frames("FF 00 10");
    };
    EXPECT_EQ(closeWindow(), std::vector<std::string>{heatOn});
    // The other queries are still answered: their read time-outs stay as
    // designed, so the unanswered one costs them too (about a second).
    sim->Set("raw-temperature", "none");
    EXPECT_EQ(closeWindow(), std::vector<std::string>{off});
    EXPECT_EQ(st().m_temperature_text, "--");
    EXPECT_EQ(closeWindow(), std::vector<std::string>{off});
    sim->Set("raw-temperature", "model");
    EXPECT_EQ(closeWindow(), std::vector<std::string>{heatOn});
}

// Stop and the end of a run switch light and heater off before anything
// else: before the run's files are brought to disk, and (at the end of a run
// whose report is not made by itself) before the "Acquisition finished" box,
// which may wait for a long time.
class ActuatorsOffTest : public TickTest {
protected:
    // Light and actuator off; the direction stays heat.
    const std::string off = "FF 00 10 02 F0";
    std::optional<std::vector<std::string>> atFirstSync, atBox;

    // A running run with heater and light on; the frames the simulator has
    // when the first disk sync starts are kept.
    void PlayHeatingWithTheLightOn() {
        PlayWithClimateControl("30");
        main().mn_userbin->setChecked(false);
        g_acq_lapse = 5;
        st().m_heating = kTrue;
        st().m_temp_actuator_on = kTrue;
        st().m_light_on = kTrue;
        main().SendActuatorState();
        sim->MarkLog();
        SetSyncNowObserverForTest([this] {
            if (!atFirstSync) atFirstSync = sim->FramesSinceMark();
        });
    }
    ~ActuatorsOffTest() override { SetSyncNowObserverForTest({}); }
};

TEST_F(ActuatorsOffTest, StopSendsTheOffFrameBeforeItsDiskWork) {
    PlayHeatingWithTheLightOn();
    main().CmdStop_Click();
    EXPECT_EQ(g_run_state, 0);
    ASSERT_TRUE(atFirstSync);
    EXPECT_EQ(*atFirstSync, std::vector<std::string>{off});
    EXPECT_EQ(sim->FramesSinceMark(), std::vector<std::string>{off});
    EXPECT_EQ(main().cmd_ontemp->text().toStdString(), "OFF");
    EXPECT_EQ(main().cmd_luz->text().toStdString(), "OFF");
}

TEST_F(ActuatorsOffTest, EndOfTheRunSendsTheOffFrameBeforeItsDiskWorkAndItsBox) {
    PlayHeatingWithTheLightOn();
    g_run_state = 2;  // paused with the time counter on: the tick only keeps the clock
    now_ += std::chrono::minutes(5);
    boxes.ExpectMessage("Acquisition finished").WhenShown([this] { atBox = sim->FramesSinceMark(); });
    Tick();
    EXPECT_EQ(g_run_state, 0);
    ASSERT_TRUE(atFirstSync);
    EXPECT_EQ(*atFirstSync, std::vector<std::string>{off});
    ASSERT_TRUE(atBox);
    EXPECT_EQ(*atBox, std::vector<std::string>{off});
    EXPECT_EQ(sim->FramesSinceMark(), (std::vector<std::string>{off, off}));  // and the Stop that follows
}

TEST_F(TickTest, PausedRunWithItsTimeCounterEndsOnTime) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    g_acq_lapse = 5;
    Play();
    g_run_state = 2;  // paused, time counter kept
    now_ += std::chrono::minutes(4);
    sim->MarkLog();
    Tick();
    EXPECT_EQ(g_run_state, 2);
    EXPECT_EQ(main().Txt_time->text().toStdString(), "00:04:00 [0d]");
    now_ += std::chrono::minutes(1);
    boxes.ExpectMessage("Acquisition finished");
    Tick();
    EXPECT_EQ(g_run_state, 0);
    EXPECT_TRUE(Frames("FF 00 33").empty());  // a paused run polls nothing
    EXPECT_TRUE(Frames("FF 01 33").empty());
    EXPECT_EQ(st().m_sample_index, 0);
}

TEST_F(TickTest, ActuatorChangeWhileRunningWaitsForASamplePositionMultipleOf25) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    Play();
    Tick(2);
    sim->MarkLog();
    main().cmd_luz_Click();
    main().cmd_luz_Click();
    main().cmd_luz_Click();
    EXPECT_TRUE(Frames("FF 00 10").empty());
    EXPECT_EQ(st().m_actuator_pending, kTrue);
    Tick();  // position 2
    EXPECT_TRUE(Frames("FF 00 10").empty());
    st().m_sample_index = 24;
    Tick();  // the position becomes 25
    EXPECT_EQ(Frames("FF 00 10"), (std::vector<std::string>{"FF 00 10 04 F0"}));
    EXPECT_EQ(st().m_actuator_pending, 0);
}

TEST_F(TickTest, LightPulsesFollowTheScheduleAtEvery25thSample) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    main().Chk_lenabled->setCheckState(Qt::Checked);
    g_tool_param[2][3] = 3;    // three pulses
    g_tool_param[2][4] = 50;   // 5.0 minutes on
    g_tool_param[2][5] = 100;  // 10.0 minutes off
    main().txt_pulsetimes->setText("3");
    Play();
    const auto start = now_;
    const struct {
        int minute, index_before;
        const char* frame;
        int16_t light;
    } steps[] = {
        {1, 24, "FF 00 10 04 F0", -1}, {6, 49, "FF 00 10 00 F0", 0}, {16, 74, "FF 00 10 04 F0", -1},
        {33, 99, "FF 00 10 04 F0", -1}, {36, 124, "FF 00 10 00 F0", 0}, {50, 149, "FF 00 10 00 F0", 0},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.minute);
        now_ = start + std::chrono::minutes(s.minute);
        st().m_sample_index = static_cast<int16_t>(s.index_before);
        sim->MarkLog();
        Tick();
        EXPECT_EQ(Frames("FF 00 10"), (std::vector<std::string>{s.frame}));
        EXPECT_EQ(st().m_light_on, s.light);
    }
    // Between the multiples of 25 nothing is sent.
    sim->MarkLog();
    Tick();
    EXPECT_TRUE(Frames("FF 00 10").empty());
}

TEST_F(TickTest, LastingFaultsAreShownAndRestartTheProgramWhenAsked) {
    StartRun(true, {"--mode", "parity48"});
    TickStations({1, 2});
    Play();
    Tick(2);
    ScaleForSilence();
    sim->Set("silent", "1");
    int restarts = 0;
    Hooks().restartProgram = [&] { ++restarts; };
    EXPECT_TRUE(main().chk_zmonitor->isChecked());  // as the window opens
    main().chk_zmonitor->setChecked(false);
    Tick(20);
    EXPECT_EQ(st().m_com_error_count, 20);
    EXPECT_TRUE(main().frm_autotext->isHidden());
    Tick();
    EXPECT_FALSE(main().frm_autotext->isHidden());
    EXPECT_EQ(main().lbl_autotext->text().toStdString(), "<COM ERROR>");
    EXPECT_EQ(main().lbl_autochannel->text().toStdString(), "VERIFY COM PORT!");
    EXPECT_EQ(st().m_com_error_count, 20);

    main().chk_zmonitor->setChecked(true);
    Tick();
    EXPECT_EQ(main().lbl_autochannel->text().toStdString(), "Restarting COM..10");
    Tick(9);
    EXPECT_EQ(main().lbl_autochannel->text().toStdString(), "Restarting COM..1");
    EXPECT_EQ(restarts, 0);
    Tick();
    EXPECT_EQ(main().lbl_autochannel->text().toStdString(), "Restarting COM..0");
    EXPECT_EQ(restarts, 1);

    // One clean tick sets the count back.
    sim->Set("silent", "0");
    ScaleForSimulator();
    Tick();
    EXPECT_EQ(st().m_com_error_count, 0);
}

// The instrument ends in the middle of a run (the simulator killed, as a
// pulled USB plug): its port closes at the hang-up, the faults are counted and
// shown as with any silent instrument, the launcher says it is not connected,
// Play is refused as on any closed port, and once the instrument is back
// "Run Latest Project" finds it and a run starts.
TEST_F(TickTest, InstrumentGoneMidRunClosesThePortAndIsFoundAgainOnTheNextConnect) {
    StartRun(true, {"--mode", "parity48"});
    main().chk_zmonitor->setChecked(false);  // "VERIFY COM PORT!" rather than a restart
    Frm_Init& launcher = FrmInit();
    launcher.cmd_option2->click();  // "Run Latest Project": the main window, already connected
    ASSERT_TRUE(launcher.isHidden());
    TickStations({1, 2});
    Play();
    Tick(2);
    ASSERT_EQ(st().m_com_error_count, 0);
    sim->Kill();
    Tick();
    EXPECT_EQ(g_comm_port_record[static_cast<size_t>(g_com_port - 1)].open, 0);
    EXPECT_EQ(g_connected, 0);
    EXPECT_EQ(g_offline, 0);
    EXPECT_EQ(st().m_com_error_count, 1);
    Tick(20);
    EXPECT_EQ(main().lbl_autotext->text().toStdString(), "<COM ERROR>");
    EXPECT_EQ(main().lbl_autochannel->text().toStdString(), "VERIFY COM PORT!");

    // Stop, then Play again: refused as on any closed port.
    main().CmdStop_Click();
    boxes.ExpectInput(NamePrompt(), "Run B");
    boxes.ExpectMessage("The instrument port COM4 is not open. Connect the equipment before starting the acquisition.");
    main().CmdPlay_Click();
    EXPECT_TRUE(boxes.Done());
    EXPECT_EQ(g_run_state, 0);

    main().Cmdoffline_Click();  // "< Back"
    ASSERT_TRUE(PumpUntil([&] { return launcher.LblNews->text().toStdString() == "status: not connected (instrument lost on COM4)"; }))
        << launcher.LblNews->text().toStdString();

    // The instrument is back: the launcher's "Run Latest Project" connects.
    sim = std::make_unique<testing::SimProcess>(home.Path(), g_com_port, std::vector<std::string>{"--mode", "parity48"});
    launcher.cmd_option2->click();
    EXPECT_EQ(g_connected, kTrue);
    EXPECT_FALSE(CommPortLost(g_com_port));
    main().Cmdoffline_Click();
    ASSERT_TRUE(PumpUntil([&] { return launcher.LblNews->text().toStdString() == "status: Connected in COM4"; }));
    launcher.cmd_option2->click();
    now_ += std::chrono::minutes(1);
    Play("Run B");
    EXPECT_EQ(g_run_state, 1);
    Tick(2);
    EXPECT_EQ(st().m_com_error_count, 0);
    EXPECT_EQ(st().m_reply_error_count, 0);
}

// A whole short run: the program's Play and tick against the simulator with
// a one-minute lapse (the injected clock moves 45 ms per tick), then the
// files of both stations read by the independent Python reader.
TEST_F(TickTest, ShortRunRecordsFilesThatTheIndependentReaderAccepts) {
    // Without noise only the organisms' movements change a level; one well
    // channel of the packed map is dead.
    int dead = -1;
    StartRun(false);
    for (int v = 0; v < kBlockValues && dead < 0; ++v)
        if (g_channel_well[PackedSampleSlot(v)] >= 0 && v > 10) dead = PackedSampleSlot(v);
    ASSERT_GE(dead, 0);
    ScaleForSimulator();
    sim = std::make_unique<testing::SimProcess>(home.Path(), g_com_port,
                                                std::vector<std::string>{"--activity", "0.05", "--seed", "7", "--noise", "0", "--channel",
                                                                         std::to_string(dead) + "=0"});
    main().cmd_connect_Click();
    ASSERT_EQ(g_connected, kTrue);
    TickStations({1, 2});
    g_acq_lapse = 1;
    g_save_real = 1;
    Play("End to end");
    boxes.ExpectMessage("Acquisition finished");
    int ticks = 0;
    while (g_run_state != 0 && ticks < 5000) {
        now_ += std::chrono::milliseconds(45);
        main().Timeradq_Timer();
        ++ticks;
    }
    ASSERT_EQ(g_run_state, 0);
    EXPECT_EQ(ticks, 1500);  // three windows of 500 samples
    EXPECT_TRUE(main().RunMessages().empty());

    for (int n : {1, 2}) {
        SCOPED_TRACE(n);
        const std::string folder = StationFolder(n);
        const std::string cmd = std::string("python3 -B ") + VONDREL_RUN_READER + " '" + folder + "'";
        FILE* pipe = popen(cmd.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string json;
        char buf[4096];
        while (size_t got = fread(buf, 1, sizeof buf, pipe)) json.append(buf, got);
        ASSERT_EQ(pclose(pipe), 0) << json;
        std::string flat = std::regex_replace(json, std::regex("\\s+"), "");
        EXPECT_NE(flat.find("\"counts_records\":3"), std::string::npos) << flat;
        EXPECT_NE(flat.find("\"minutes\":[0,0,1]"), std::string::npos) << flat;
        EXPECT_NE(flat.find("\"raw_blocks\":{\"0\":3}"), std::string::npos) << flat;
        std::smatch m;
        ASSERT_TRUE(std::regex_search(flat, m, std::regex("\"channels_with_counts\":\\[([0-9,]*)\\]")));
        std::set<int> counted;
        std::string list = m[1];
        for (size_t i = 0; i < list.size();) {
            size_t j = list.find(',', i);
            if (j == std::string::npos) j = list.size();
            counted.insert(std::stoi(list.substr(i, j - i)));
            i = j + 1;
        }
        EXPECT_GT(counted.size(), 20u);
        EXPECT_EQ(counted.count(dead), 0u);
        for (int c : counted) {
            EXPECT_GE(g_channel_well[c], 0) << c;
            bool data_slot = false;
            for (int v = 0; v < kBlockValues; ++v) data_slot |= PackedSampleSlot(v) == c;
            EXPECT_TRUE(data_slot) << c;
        }
        auto counts = platform::ReadBinaryFile(platform::JoinPath(folder, "counts.bin"));
        ASSERT_TRUE(counts);
        EXPECT_EQ(counts->size(), 3u * 774u);
    }
}

// A run of all four stations with raw recording against the simulator keeps
// the duration of every window close, by part; the figures are printed. The
// windows run back to back (the injected clock moves 45 ms per tick), two by
// default or VONDREL_CLOSE_WINDOWS of them (up to 60) for a measurement.
TEST_F(TickTest, FourStationRunKeepsTheDurationOfEveryWindowClose) {
    const char* asked = std::getenv("VONDREL_CLOSE_WINDOWS");
    const int windows = asked ? std::clamp(std::atoi(asked), 1, 60) : 2;
    StartRun(true, {"--activity", "0.05", "--seed", "11"});
    TickStations({1, 2, 3, 4});
    g_acq_lapse = 30;  // minutes: the run outlasts 60 windows of 22.5 s
    g_save_real = 1;
    Play("Close timing");
    int closes = 0;
    for (int tick = 0; closes < windows && tick < windows * 500 + 10; ++tick) {
        now_ += std::chrono::milliseconds(45);
        main().Timeradq_Timer();
        closes = static_cast<int>(st().m_close_timing.Closes());
    }
    ASSERT_EQ(closes, windows);
    EXPECT_TRUE(main().RunMessages().empty());
    const CloseTiming& timing = st().m_close_timing;
    const DurationFigures whole = timing.Figures(ClosePart::kWhole);
    double parts_max = 0;
    for (ClosePart part : {ClosePart::kConditioning, ClosePart::kCounting, ClosePart::kPanel, ClosePart::kFiles}) {
        const DurationFigures f = timing.Figures(part);
        EXPECT_GT(f.min_ms, 0.0) << static_cast<int>(part);
        parts_max = std::max(parts_max, f.max_ms);
    }
    EXPECT_GE(whole.max_ms, parts_max);
    auto print = [](const char* name, const DurationFigures& f) {
        std::printf("%-13s min %8.3f  median %8.3f  p99 %8.3f  max %8.3f ms\n", name, f.min_ms, f.median_ms, f.p99_ms,
                    f.max_ms);
    };
    int wells = 0;
    for (int c = 0; c < kChannels; ++c) wells += g_channel_well[c] >= 0;
    std::printf("%d window closes, 4 stations of %d channels with a well, raw recording on:\n", closes, wells);
    print("conditioning", timing.Figures(ClosePart::kConditioning));
    print("counting", timing.Figures(ClosePart::kCounting));
    print("panel", timing.Figures(ClosePart::kPanel));
    print("files", timing.Figures(ClosePart::kFiles));
    print("whole close", whole);
    main().CmdStop_Click();
}

}  // namespace
}  // namespace vondrel
