#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include "WindowFixture.h"
#include "mainwindow/Canvas.h"
#include "platform/Files.h"
#include "techpanel/Frm_Vetrol.h"
#include "techpanel/PanelRules.h"

namespace vondrel::testing {
namespace {

class PanelWindowTest : public WindowTest {
protected:
    PanelWindowTest() {
        g_cal_value = 80;
        g_cal_mode = 1;
        for (auto& t : g_channel_threshold) t[0] = 3.0;
        g_channel_enabled.fill(-1);
    }
    ~PanelWindowTest() override {
        if (panel_) {
            panel_->Cmd_offline_Click();
            PumpUntil([&] { return !panel_->LoopRunning(); });
            delete panel_.data();
        }
    }
    Frm_Vetrol& Panel(techpanel::PanelVariant v = techpanel::PanelVariant::Mini) {
        panel_ = new Frm_Vetrol(v);
        panel_->show();
        return *panel_;
    }
    void StartSim(std::vector<std::string> args = {}) {
        // The test's own options come last and win.
        std::vector<std::string> all{"--mode", "parity48", "--noise", "0", "--activity", "0", "--time-scale", "0.5"};
        all.insert(all.end(), args.begin(), args.end());
        args = all;
        sim_ = std::make_unique<SimProcess>(home.Path(), 4, args);
        platform::SetTimeScale(0.5);
        // Pauses shrink with the time scale; the simulator's answers get
        // the designed read time-outs, which a busy machine meets.
        platform::SetReplyTimeoutScale(1.0);
        g_com_port = 4;
        ASSERT_EQ(CommOpen(4, "COM4", "baud=1000000 parity=N data=8 stop=1"), 0);
        sim_->MarkLog();
    }
    // Presses ONLINE; the loop runs here until it ends. Once `samples`
    // samples have been taken, `during` runs inside the loop's yields and
    // then OFFLINE is pressed (also after 20 s, as a guard).
    void Online(int samples, const std::function<void()>& during) {
        Frm_Vetrol& p = *panel_;
        QTimer watch;
        watch.setInterval(1);
        bool ran = false;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (ran) return;
            if (p.m_history.count >= samples || std::chrono::steady_clock::now() > until) {
                ran = true;
                watch.stop();
                during();
                p.Cmd_offline_Click();
            }
        });
        watch.start();
        p.Cmd_online_Click();
        EXPECT_TRUE(ran);
        EXPECT_FALSE(p.LoopRunning());
    }
    void Save(QWidget& w, const std::string& name) {
        QDir().mkpath(VONDREL_SCREENSHOT_DIR);
        w.grab().save(QString::fromStdString(std::string(VONDREL_SCREENSHOT_DIR) + "/" + name));
    }
    QPointer<Frm_Vetrol> panel_;
    std::unique_ptr<SimProcess> sim_;
};

TEST_F(PanelWindowTest, LoadGivesTheStartTexts) {
    g_cal_value = 85;
    g_cal_mode = 0;
    Frm_Vetrol& p = Panel();
    EXPECT_EQ(p.windowTitle(), "Form1");
    EXPECT_EQ(p.objectName(), "Frm_Vetrol_mini");
    EXPECT_EQ(p.Txtajuste->text(), "85");
    EXPECT_EQ(p.Combomode->currentText(), "0_Max.Gain");
    EXPECT_EQ(p.lblcanal->text(), "0");
    EXPECT_EQ(p.lblnchannel->text(), "A0");
    EXPECT_EQ(p.lblstatus->text(), "ENABLED");
    EXPECT_EQ(p.txt_test->text(), "Gain=0;Pinhole=0");
    EXPECT_EQ(p.Cmdcalibrar->text(), "<CALIBRATE>& Auto-Gain");
    EXPECT_EQ(p.txt_autocal->text(), "120");
    EXPECT_TRUE(p.frame_station->isVisible());
    EXPECT_TRUE(p.option_station[0]->isChecked());
    EXPECT_FALSE(p.Timerreal->isActive());
    EXPECT_EQ(p.Combofila->count(), 16);
    EXPECT_EQ(p.Combocol->count(), 24);
    EXPECT_EQ(p.Combomode->count(), 2);
    for (const char* name : {"Cmdsend", "Command1", "CmdCalibrate", "Command2", "Command21", "Command22", "Command24"})
        EXPECT_NE(p.findChild<QPushButton*>(name), nullptr) << name;

    Frm_Vetrol twin(techpanel::PanelVariant::Twin);
    EXPECT_EQ(twin.objectName(), "Frm_Vetrol");
    EXPECT_FALSE(twin.frame_station->isVisibleTo(&twin));
    EXPECT_FALSE(twin.cmd_autocalibra->isVisibleTo(&twin));
}

TEST_F(PanelWindowTest, ChoosingAChannelOfflineKeepsItsThresholdAndShowsItsState) {
    Frm_Vetrol& p = Panel();
    g_channel_threshold[17][0] = 3.5;
    g_channel_enabled[17] = 0;
    p.Picwell_MouseMove(0, 150, 150);
    EXPECT_EQ(p.lblnchannel->text(), "B2");
    p.Picwell_MouseDown(2, 150, 150);  // right button: nothing
    EXPECT_EQ(p.lblcanal->text(), "0");
    p.Picwell_MouseDown(1, 150, 150);
    EXPECT_EQ(p.lblcanal->text(), "17");
    EXPECT_EQ(p.Combofila->currentText(), "B");
    EXPECT_EQ(p.Combocol->currentText(), "2");
    EXPECT_EQ(p.txt_threshold->text(), "3.5");
    EXPECT_EQ(p.Scroll_threshold->value(), 4);
    EXPECT_EQ(g_channel_threshold[17][0], 3.5);
    EXPECT_EQ(p.lblstatus->text(), "DISABLED");

    p.Combocol->setCurrentIndex(23);
    p.Combofila->setCurrentIndex(15);
    p.Combofila_Click();
    EXPECT_EQ(p.lblcanal->text(), "383");
    EXPECT_EQ(p.lblstatus->text(), "ENABLED");

    p.Picwell_MouseMove(0, -40, 100);  // outside: nothing new marked
    EXPECT_EQ(p.lblnchannel->text(), "B2");
    p.Picwell_MouseDown(1, -40, 100);
    EXPECT_EQ(p.lblcanal->text(), "383");
}

TEST_F(PanelWindowTest, StatusDoubleClickAsksAndCancelKeeps) {
    Frm_Vetrol& p = Panel();
    p.Combocol->setCurrentIndex(1);
    p.Combofila->setCurrentIndex(1);
    p.Combocol_Click();  // channel 17
    boxes.ExpectMessage("Do you like to Disable Channel 17?", platform::Reply::Cancel);
    p.lblstatus_DblClick();
    EXPECT_EQ(p.lblstatus->text(), "ENABLED");
    EXPECT_EQ(g_channel_enabled[17], -1);
    boxes.ExpectMessage("Do you like to Disable Channel 17?", platform::Reply::Yes);
    p.lblstatus_DblClick();
    EXPECT_EQ(p.lblstatus->text(), "DISABLED");
    EXPECT_EQ(g_channel_enabled[17], 0);
    boxes.ExpectMessage("Do you like to Enable Channel 17?", platform::Reply::Yes);
    p.lblstatus_DblClick();
    EXPECT_EQ(g_channel_enabled[17], -1);
}

TEST_F(PanelWindowTest, DotAndZoomControlsAtTheirEnds) {
    Frm_Vetrol& p = Panel();
    p.mas_Click();
    EXPECT_EQ(p.txt_brillo->text(), "255");
    p.menos_Click();
    EXPECT_EQ(p.txt_brillo->text(), "240");
    p.txt_pixsize->setText("45");
    p.pix_mas_Click();
    EXPECT_EQ(p.txt_pixsize->text(), "30");
    p.txt_pixsize->setText("abc");
    p.pix_menos_Click();
    EXPECT_EQ(p.txt_pixsize->text(), "1");
    for (int i = 0; i < 11; ++i) p.Command10_Click();
    EXPECT_EQ(p.txtzoom->text(), "10");
    for (int i = 0; i < 11; ++i) p.Command11_Click();
    EXPECT_EQ(p.txtzoom->text(), "0");
}

TEST_F(PanelWindowTest, WithoutAnInstrumentOrDuringARunOperationsRefuse) {
    Frm_Vetrol& p = Panel();
    g_offline = -1;
    for (auto click : {&Frm_Vetrol::cmd_setcalibra_Click, &Frm_Vetrol::Cmdcalibrar_Click,
                       &Frm_Vetrol::cmd_autocalibra_Click, &Frm_Vetrol::cmdTEST_Click}) {
        boxes.ExpectMessage("Operation not possible in OFFLINE mode");
        (p.*click)();
    }
    EXPECT_TRUE(boxes.Done());
    g_offline = 0;
    g_run_state = 1;
    boxes.ExpectMessage("Stop acquisition before Testing");
    p.Cmd_online_Click();
    EXPECT_FALSE(p.LoopRunning());
    boxes.ExpectMessage("Stop acquisition before Testing");
    p.cmd_setcalibra_Click();
}

TEST_F(PanelWindowTest, NavigationWithoutSetupOrBrowserKeepsThePanel) {
    Frm_Vetrol& p = Panel();
    boxes.ExpectMessage("The project setup window is not available in this version.");
    p.Command22_Click();
    EXPECT_TRUE(p.isVisible());
    boxes.ExpectMessage("The recorded experiments browser is not available in this version.");
    p.Command24_Click();
    EXPECT_TRUE(p.isVisible());
    bool setup = false;
    Hooks().showSetup = [&] { setup = true; };
    p.Command22_Click();
    EXPECT_TRUE(setup);
    EXPECT_FALSE(p.isVisible());
}

TEST_F(PanelWindowTest, TheTwinsExitFreesItsPortInThePortTable) {
    const std::string path = platform::JoinPath(platform::ProgramFolder(), "multitsk.dat");
    ASSERT_TRUE(platform::WriteTextFile(path, "4,1\r\n7,1\r\n"));
    g_com_port = 4;
    g_offline = 0;
    Frm_Vetrol& p = Panel(techpanel::PanelVariant::Twin);
    p.Command2_Click();
    const auto table = techpanel::ParseMultitsk(*platform::ReadTextFile(path));
    EXPECT_EQ(table[4], 0);  // this program's port is free again
    EXPECT_EQ(table[7], 1);  // another program's stays taken
    g_offline = -1;
}

TEST_F(PanelWindowTest, OnlineReadsTheStationAndAMapClickOnlyReads) {
    StartSim();
    Frm_Vetrol& p = Panel();
    p.option_station[2]->setChecked(true);
    g_channel_threshold[33][0] = 3.5;
    sim_->Set("setting", "33=231");
    Online(3, [&] {
        EXPECT_FALSE(p.Cmd_online->isEnabled());
        p.Cmd_online_Click();  // a second press does not nest a loop
        const auto frames = sim_->FramesSinceMark();
        EXPECT_NE(std::find(frames.begin(), frames.end(), "FF 02 30 00 F0"), frames.end());
        EXPECT_NE(std::find(frames.begin(), frames.end(), "FF 02 30 38 F0"), frames.end());
        const int last = p.m_history.slot - 1;
        EXPECT_GT(p.m_history.Level(last, 32), 0);
        EXPECT_EQ(p.m_history.Level(last, 33), 0);
        // The cell of channel 32 (column 2, row 0) is grey, an odd row black.
        const QPointF cell = p.Picwell->ToPixel(220, 20), odd = p.Picwell->ToPixel(220, 120);
        const uint32_t grey = p.Picwell->PixelAt(static_cast<int>(cell.x()), static_cast<int>(cell.y()));
        EXPECT_EQ(grey & 0xFF, static_cast<uint32_t>(techpanel::GreyOfLevel(p.m_history.Level(last, 32))));
        EXPECT_EQ(p.Picwell->PixelAt(static_cast<int>(odd.x()), static_cast<int>(odd.y())), 0u);
        sim_->MarkLog();
        p.Picwell_MouseMove(0, 250, 150);  // column 2, row 1: channel 33
        p.Picwell_MouseDown(1, 250, 150);
        EXPECT_EQ(p.lblout->text(), "231");
        EXPECT_EQ(p.scrollgain->value(), 7);
        EXPECT_EQ(p.txtpower->text(), "7");
        EXPECT_EQ(g_channel_threshold[33][0], 3.5);
        for (const std::string& f : sim_->FramesSinceMark()) EXPECT_LT(f.substr(3, 1), "8") << "no write: " << f;
        p.Picwell_MouseMove(0, 250, 50);  // channel 32: a lit beam for the picture
        p.Picwell_MouseDown(1, 250, 50);
        p.DrawPanelTrace();
        Save(p, "techpanel_online.png");
        p.Command10_Click();
        p.Command10_Click();
        Save(p, "techpanel_zoomed.png");
    });
    EXPECT_TRUE(p.Cmd_online->isEnabled());
}

TEST_F(PanelWindowTest, SetWritesEveryRegisterOfTheStationAndStopsAtADeafOne) {
    StartSim();
    Frm_Vetrol& p = Panel();
    p.option_station[2]->setChecked(true);
    p.txt_ganancia->setText("9");
    p.txt_power->setText("3");
    p.cmd_setcalibra_Click();
    EXPECT_EQ(p.txt_ganancia->text(), "0");
    auto frames = sim_->FramesSinceMark();
    ASSERT_EQ(frames.size(), 193u * 9);
    EXPECT_EQ(frames[0], "FF 82 00 03 F0");
    EXPECT_EQ(frames.back(), "FF 82 C0 03 F0");

    sim_->MarkLog();
    p.Cmd_setall_Click();  // off line: nothing
    EXPECT_TRUE(sim_->FramesSinceMark().empty());

    sim_->Set("no-echo", "ch:5");
    sim_->MarkLog();
    p.option_station[0]->setChecked(true);
    p.txt_ganancia->setText("2");
    boxes.ExpectMessage("Ops...Data Writing ERROR: reg(5)... Check COM and Try again");
    boxes.ExpectMessage("Communication error. Check COM PORT and equipment connection.");
    p.cmd_setcalibra_Click();
    frames = sim_->FramesSinceMark();
    ASSERT_EQ(frames.size(), 5u * 9 + 27 + 2);
    EXPECT_EQ(frames[45 + 9], "FF 00 21 00 F0");
    EXPECT_EQ(sim_->Command("get setting 4"), "ok 67");  // earlier registers stay written
}

TEST_F(PanelWindowTest, AutoGainOnADeadBlockTellsItAndHidesItsCaption) {
    StartSim();
    Frm_Vetrol& p = Panel();
    sim_->Set("station", "1=silent");
    boxes.ExpectMessage("Ops...Data Sending ERROR reg(0)... Try again");
    p.Cmdcalibrar_Click();
    auto frames = sim_->FramesSinceMark();
    ASSERT_GE(frames.size(), 192u * 9);
    for (size_t i = 0; i < 192u * 9; ++i) EXPECT_LT(frames[i].substr(6, 2), "C0") << "register above 191: " << frames[i];
    EXPECT_FALSE(p.lblcalibrando->isVisible());
    EXPECT_FALSE(p.Cmd_online->isEnabled());  // until OFFLINE
    p.Cmd_offline_Click();
    EXPECT_TRUE(p.Cmd_online->isEnabled());
}

TEST_F(PanelWindowTest, AutoGainAfterTheInstrumentWasUnpluggedTellsItOnceAndEnds) {
    StartSim();
    Frm_Vetrol& p = Panel();
    ASSERT_EQ(sim_->Command("unplug"), "ok");
    boxes.ExpectMessage("Ops...Data Writing ERROR: reg(0)... Check COM and Try again");
    p.Cmdcalibrar_Click();
    EXPECT_TRUE(CommPortLost(4));
    EXPECT_FALSE(p.lblcalibrando->isVisible());
}

TEST_F(PanelWindowTest, AutoGainBringsEveryRegisterOfTheStationIntoItsWindow) {
    StartSim();
    platform::SetTimeScale(0.01);
    Frm_Vetrol& p = Panel();
    p.option_station[1]->setChecked(true);
    struct Case {
        const char* target;
        int lo, hi;
    };
    for (const Case& c : {Case{"80", 1536, 1741}, Case{"90", 1741, 1946}}) {
        sim_->MarkLog();
        p.Txtajuste->setText(c.target);
        p.Cmdcalibrar_Click();
        EXPECT_FALSE(p.lblcalibrando->isVisible());
        const auto frames = sim_->FramesSinceMark();
        EXPECT_GT(frames.size(), 2u * 192 * 9) << "the preset and at least one step per register";
        for (const std::string& f : frames) {
            if (f.substr(3, 2) == "81") {
                EXPECT_LT(f.substr(6, 2), "C0") << "register above 191: " << f;
            }
            EXPECT_NE(f.substr(3, 2), "80") << "a write to another station: " << f;
        }
        for (int r = 0; r < 192; ++r) {
            const int level = std::stoi(sim_->Command("get level 2 " + std::to_string(2 * r)).substr(3));
            EXPECT_GE(level, c.lo) << "T " << c.target << " register " << r;
            EXPECT_LE(level, c.hi) << "T " << c.target << " register " << r;
        }
        p.Cmd_offline_Click();
    }
}

TEST_F(PanelWindowTest, ReadBackSaysWhetherTheFileWasWritten) {
    StartSim();
    Frm_Vetrol& p = Panel();
    platform::SetTimeScale(0.01);
    boxes.ExpectMessage("Calibration Saving OK");
    p.ReadBackCalibration();
    const std::string cal = platform::JoinPath(home.Path(), "calvalue.dat");
    std::remove(cal.c_str());
    platform::MakeFolder(cal);  // a folder where the file should go
    boxes.ExpectMessage("Error writing " + cal);
    p.ReadBackCalibration();
}

TEST_F(PanelWindowTest, TheTwinReadsWholeBlocksAndScrollWritesGoToItsBank) {
    StartSim({"--mode", "word192"});
    panel_ = new Frm_Vetrol(techpanel::PanelVariant::Twin);
    panel_->show();
    Frm_Vetrol& p = *panel_;
    p.Combocol->setCurrentIndex(12);
    p.Combofila->setCurrentIndex(8);
    p.Combocol_Click();  // channel 200
    Online(2, [&] {
        const auto frames = sim_->FramesSinceMark();
        for (const char* f : {"FF 00 30 00 F0", "FF 00 30 20 F0", "FF 00 30 40 F0", "FF 00 30 60 F0"})
            EXPECT_NE(std::find(frames.begin(), frames.end(), f), frames.end()) << f;
        const int last = p.m_history.slot - 1;
        EXPECT_GT(p.m_history.Level(last, 1), 0);  // no odd-channel clearing
        EXPECT_GT(p.m_history.Level(last, 383), 0);
        sim_->MarkLog();
        p.scrollgain->setValue(5);  // online: nine unchecked writes to the channel's bank
        const auto writes = sim_->FramesSinceMark();
        ASSERT_EQ(writes.size(), 9u);
        EXPECT_EQ(writes[0], "FF 81 48 A0 F0");
    });
    sim_->MarkLog();
    p.scrollgain->setValue(6);  // off line: nothing
    EXPECT_TRUE(sim_->FramesSinceMark().empty());
}

TEST_F(PanelWindowTest, ACutReplyTellsOnceAndGoesOffline) {
    StartSim();
    Frm_Vetrol& p = Panel();
    sim_->Set("cut-block", "10:20");
    boxes.ExpectMessage("COM ERROR");
    p.Cmd_online_Click();  // returns once the loop has ended
    EXPECT_GE(p.m_history.count, 2);
    EXPECT_EQ(p.m_online, 0);
    EXPECT_TRUE(p.Cmd_online->isEnabled());
}

TEST_F(PanelWindowTest, GainCurveTestStoppedInTheSecondCombinationKeepsTheFirst) {
    StartSim();
    Frm_Vetrol& p = Panel();
    Online(1, [&] {
        QTimer watch;
        watch.setInterval(1);
        bool shot = false;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (p.txt_test->text() == "Gain=1;Pinhole=0" && !shot) {
                shot = true;
                Save(p, "techpanel_test.png");
                p.Cmd_offline_Click();
            }
        });
        watch.start();
        p.cmdTEST_Click();
        EXPECT_TRUE(shot);
    });
    const auto mean = platform::ReadTextFile(platform::JoinPath(home.Path(), "test_mean.txt"));
    ASSERT_TRUE(mean);
    EXPECT_EQ(platform::SplitLines(*mean).size(), 1u);
    EXPECT_EQ(mean->substr(0, 8), "[p0,g0] ");
    const auto bk = platform::ReadTextFile(platform::JoinPath(home.Path(), "test_bk.txt"));
    ASSERT_TRUE(bk);
    EXPECT_EQ(platform::SplitLines(*bk).size(), 7u);
    EXPECT_EQ(p.m_test_running, 0);
    EXPECT_FALSE(p.lblcalibrando->isVisible());
}

TEST_F(PanelWindowTest, ClosingDuringTheLoopEndsItFirst) {
    StartSim();
    Frm_Vetrol& p = Panel();
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (p.m_history.count >= 2 && p.isVisible()) p.close();
    });
    watch.start();
    p.Cmd_online_Click();  // the close ends the loop, which returns first
    EXPECT_FALSE(panel_.isNull());
    ASSERT_TRUE(PumpUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return panel_.isNull();
    }, 5000));
}

TEST_F(PanelWindowTest, EndingTheProgramOrStartingARunEndsTheLoop) {
    StartSim();
    Frm_Vetrol& p = Panel();
    for (int stopBy = 0; stopBy < 2; ++stopBy) {
        const int32_t from = p.m_history.count;
        QTimer watch;
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (p.m_history.count < from + 2) return;
            if (stopBy == 0) g_run_state = 1;
            else EndProgram(0);
        });
        watch.start();
        p.Cmd_online_Click();  // returns once the loop has stopped itself
        EXPECT_FALSE(p.LoopRunning());
        EXPECT_EQ(p.m_online, 0);
        g_run_state = 0;
    }
}

}  // namespace
}  // namespace vondrel::testing
