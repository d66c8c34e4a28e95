// Device operations of the main window: the factory settings window, the
// station auto-calibration and auto-zero that Play runs, the whole-plate
// calibration and zeroing buttons, and the device self-test.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <vector>

#include "acquisition/RunDataFiles.h"
#include "acquisition/SampleReading.h"
#include "device/COM_Module.h"
#include "device/Calibration.h"
#include "device/SelfTest.h"
#include "device/DevicePort.h"
#include "device/ModCOMM.h"
#include "device/qt/Frm_Factory.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/PortHold.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "store/CalReport.h"
#include "store/Setup.h"

namespace vondrel {

using platform::MsgBox;

namespace {

constexpr int kCalibrationRegisters = 255;   // registers 0..254 of a station
constexpr int kAutoCalibrationTarget = 110;  // value of the 0x40 frame
constexpr int kProgressEmptyReads = 10;
constexpr uint32_t kCalibrationBack = 0xC0FFFF;  // light yellow

// Marks an operation that Stop may end while it pumps events.
class Stoppable {
public:
    explicit Stoppable(int& depth) : depth_(depth) { ++depth_; }
    ~Stoppable() { --depth_; }
    Stoppable(const Stoppable&) = delete;
    Stoppable& operator=(const Stoppable&) = delete;

private:
    int& depth_;
};

std::string CalValuesPath() { return platform::JoinPath(platform::ProgramFolder(), "calvalue.dat"); }

void SaveCalValuesTold() {
    if (!WriteCalValues()) MsgBox("The calibration values could not be saved in " + CalValuesPath() + ".");
}

}  // namespace

void Frm_Main::ConnectDeviceOperations() {
    connect(mn_factory, &QAction::triggered, this, [this] { WhenPortFree(this, [this] { mn_factory_Click(); }); });
    // "Fast CALIB" and "Fast ZERO" sit in the Tools frame, which the layout
    // keeps hidden; they are wired like the other device buttons.
    connect(cmd_calibra, &QPushButton::clicked, this, [this] { WhenPortFree(this, [this] { cmd_calibra_Click(); }); });
    connect(Cmd_autozero, &QPushButton::clicked, this,
            [this] { WhenPortFree(this, [this] { Cmd_autozero_Click(); }); });
    connect(mnstatustest, &QAction::triggered, this, [this] { WhenPortFree(this, [this] { mnstatustest_Click(); }); });
    // A tick that finds the port held, or a step still running (its box
    // open), returns at once: each step runs once.
    connect(Timer_test, &QTimer::timeout, this, [this] {
        if (!PortHeld() && !m_test_in_step) Timer_test_Timer();
    });
}

// ---------------------------------------------------------------------------
// Factory settings
// ---------------------------------------------------------------------------

void Frm_Main::mn_factory_Click() {
    if (g_offline == kTrue || g_run_state > 0) {
        MsgBox("Only possible to access in: ONLINE mode and STOP experiment");
        return;
    }
    hide();
    Frm_Factory& factory = FrmFactory();
    factory.show();
    factory.Timer_temp->start();
}

// ---------------------------------------------------------------------------
// Play's station auto-calibration and auto-zero
// ---------------------------------------------------------------------------

bool Frm_Main::RunPlayDeviceSteps() {
    Stoppable stoppable(m_stoppable_depth);
    auto snrFromBox = [this] {
        const double snr = NumberIn(txt_snr_umbral);
        return snr < 1.3 ? 1.8 : snr;
    };
    if (m_auto_calibration == kTrue && g_offline == 0) {
        lbl_autotext->setText("<AUTOCALIBRATION>");
        frm_autotext->show();
        picturecal->Scale(0, 0, 383, 10);
        picturecal->SetBackColor(kCalibrationBack);
        picturecal->Cls();
        m_run.m_snr_threshold = snrFromBox();
        for (int st = 0; st < kStations; ++st) {
            if (g_run_state == 0) return false;
            picturecal->Cls();
            if (m_run.StationTicked(st))
                RunStationAutoCalibration(AcquisitionFolder(g_project_folder, m_run.m_acquisition_stamp, st + 1), st);
        }
        frm_autotext->hide();
        if (g_run_state == 0) return false;
    }
    if (m_auto_zero == kTrue && g_offline == 0) {
        lbl_autotext->setText("<AUTOCALIBRATION>");
        frm_autotext->show();
        picturecal->Cls();
        m_run.m_snr_threshold = snrFromBox();
        RunAutoZero();
        frm_autotext->hide();
    }
    return g_run_state != 0;
}

void Frm_Main::ReadCalibrationByte(int reg, int station, int16_t& value) {
    PortHold hold;
    value = -1;
    for (int attempt = 0; attempt < 3 && value == -1; ++attempt) {
        value = QueryByte(kCmdReadRegister, reg, station);
        if (value == -1) platform::SleepMs(1);
    }
}

bool Frm_Main::RunStationAutoCalibration(const std::string& folder, int station) {
    PortHold hold;
    const int st = station < 0 || station > 3 ? 0 : station;

    // The instrument calibrates and streams its progress, 191 when done.
    SendFrame(kCmdAutoCalibrate, kAutoCalibrationTarget, st);
    int progress = 0, empty = 0;
    while (empty < kProgressEmptyReads && progress < kCalibrationDone) {
        std::string byte;
        if (CommRead(g_com_port, byte, 1) <= 0 || byte.empty()) {
            platform::SleepMs(1);
            ++empty;
        } else {
            progress = static_cast<uint8_t>(byte[0]);
            SetAutoChannelCaption("Calibrating[ST" + std::to_string(st + 1) + "]..." +
                                  std::to_string(progress * 100 / kCalibrationDone) + "%");
            picturecal->FilledBox(0, 0, 2 * progress, 10, 0);
        }
        if (empty == 0) platform::PumpEvents();
    }

    // Read-back, whether or not the progress reached its end.
    std::array<int16_t, kCalibrationRegisters> values{};
    for (int i = 0; i < kCalibrationRegisters; ++i) {
        SetAutoChannelCaption("Saving Calibration values..." + std::to_string(i * 100 / (kCalibrationRegisters - 1)) + "%");
        ReadCalibrationByte(i, st, values[static_cast<size_t>(i)]);
        if (values[static_cast<size_t>(i)] == -1) {
            MsgBox("COM Error");
            CmdStop_Click();
            return false;
        }
    }
    // Register i is channel i whatever the station; channels 255..383 keep
    // their settings, and the whole table is saved.
    for (int i = 0; i < kCalibrationRegisters; ++i) {
        const ChannelSetting s = SettingOfRegister(values[static_cast<size_t>(i)]);
        g_channel_gain[static_cast<size_t>(i)] = static_cast<int16_t>(s.gain);
        g_channel_pinhole[static_cast<size_t>(i)] = static_cast<int16_t>(s.power);
    }
    const std::string copy = platform::JoinPath(folder, "calvalue" + std::to_string(st) + ".dat");
    if (!WriteCalValues()) {
        MsgBox("The calibration values could not be saved in " + CalValuesPath() + ".");
    } else if (TryCopyFile(CalValuesPath(), copy) != 1) {
        MsgBox("The calibration values could not be copied to " + copy + ".");
    }
    return true;
}

void Frm_Main::RunAutoZero() {
    PortHold hold;
    SetAutoChannelCaption("AutoZero Calculation .... <000>");
    picturecal->Cls();
    const int cycles = m_auto_calibration == kTrue && m_auto_zero == kTrue ? 30 : 100;
    picturecal->Scale(0, 0, cycles, 10);

    std::array<std::string, kStations> reply;
    if (g_offline == 0) {
        platform::SleepMs(50);
        platform::PumpEvents();
        for (int st = 0; st < kStations; ++st) {
            if (!m_run.StationTicked(st)) continue;
            CommFlush(g_com_port);
            SendFrame(kCmdStationSamples, 0, st);
            CommRead(g_com_port, reply[static_cast<size_t>(st)], kPackedBlockBytes);
        }
        platform::SleepMs(50);
        platform::SleepMs(50);
    }

    for (int r = 0; r < cycles; ++r) {
        CommFlush(g_com_port);
        std::array<int32_t, kStations> length{};
        for (int st = 0; st < kStations; ++st) {
            if (!m_run.StationTicked(st)) continue;
            SendFrame(kCmdStationSamples, 0, st);
            length[static_cast<size_t>(st)] = CommRead(g_com_port, reply[static_cast<size_t>(st)], kPackedBlockBytes);
        }
        for (int st = 0; st < kStations; ++st) {
            if (!m_run.StationTicked(st)) continue;
            if (length[static_cast<size_t>(st)] == kPackedBlockBytes) {
                const int mismatches = DecodePackedSampleBlock(reply[static_cast<size_t>(st)], g_block_value);
                if (mismatches > 0) m_run.m_reply_error_count = AddReplyErrors(m_run.m_reply_error_count, mismatches);
                // Stored whatever the parity: the zeroing only counts the mismatches.
                StorePackedValues(m_run, st, r, g_block_value);
            } else if (r > 1) {
                HoldPackedValues(m_run, st, r);
            }
        }
        platform::SleepMs(90);
        SetAutoChannelCaption("AutoZero... <" + std::to_string(r) + ">");
        picturecal->FilledBox(0, 0, r, 10, 0);
        if (r % 10 == 0) {
            platform::PumpEvents();
            if (g_run_state == 0) return;
        }
    }

    std::vector<int16_t> levels(static_cast<size_t>(cycles));
    for (int st = 0; st < kStations; ++st) {
        if (!m_run.StationTicked(st)) continue;
        for (int ch = 0; ch < kChannels; ++ch) {
            for (int i = 0; i < cycles; ++i) levels[static_cast<size_t>(i)] = m_run.Sample(st, ch, i);
            g_channel_threshold[static_cast<size_t>(ch)][static_cast<size_t>(st)] =
                ZeroThreshold(levels, m_run.m_snr_threshold);
        }
    }
}

// ---------------------------------------------------------------------------
// Whole-plate calibration and zeroing
// ---------------------------------------------------------------------------

void Frm_Main::RunFastCalibration() {
    PortHold hold;
    if (g_offline == kTrue) {
        MsgBox("Operation not possible in OFFLINE mode");
        return;
    }
    const bool running = g_run_state > 0;
    std::array<ChannelCalState, kChannels> state{};

    if (platform::FileExists(CalValuesPath())) {
        SetAutoChannelCaption("Writing Calibration...");
        if (!ReadCalValues()) MsgBox("The calibration values could not be read from " + CalValuesPath() + ".");
    } else {
        SetAutoChannelCaption("Writing First Time Calibration...");
        if (!WriteDefaultCalValues()) MsgBox("The calibration values could not be saved in " + CalValuesPath() + ".");
    }
    picturecal->Scale(0, 0, 383, 10);
    for (int c = 0; c < kChannels; ++c) {
        const auto i = static_cast<size_t>(c);
        if (g_channel_well[i] < 0) {
            g_channel_gain[i] = 0;
            g_channel_pinhole[i] = 0;
            state[i].done = true;  // no well: written once, never stepped
        } else if (g_channel_gain[i] == 0 && g_channel_pinhole[i] == 0) {
            g_channel_pinhole[i] = 2;
        }
        state[i].gain = g_channel_gain[i];
        state[i].power = g_channel_pinhole[i];
    }

    for (int c = 0; c < kChannels && g_run_state > 0; ++c) {
        SetAutoChannelCaption("Writing calibration..." + std::to_string(c));
        picturecal->FilledBox(0, 0, c, 10, 0);
        if (c % 21 == 0) platform::PumpEvents();
        int16_t result = 0;
        WriteChannelSetting(c, g_channel_pinhole[static_cast<size_t>(c)], g_channel_gain[static_cast<size_t>(c)], result);
        if (result != 1) {
            MsgBox("Communication error. Check COM PORT and equipment connection.");
            return;
        }
    }

    // Column 0 of station 1's window holds each channel's latest level.
    m_run.m_sample_index = 0;
    int rewritten = 383;
    picturecal->Cls();
    bool allInRange = false;
    while (!allInRange && g_run_state > 0) {
        SetAutoChannelCaption("Acquiring...");
        for (int k = 0; k < kChannels / 3; k += 32) {
            CommFlush(g_com_port);
            SendFrame(kCmdLevels, k, 0);
            std::string part;
            CommRead(g_com_port, part, kWordBlockBytes / 2);
            CommRead(g_com_port, part, kWordBlockBytes / 2);
        }
        platform::SleepMs(50);
        for (int k = 0; k < kChannels / 3; k += 32) {
            for (int v = 0; v < kBlockValues; ++v) g_block_value[static_cast<size_t>(v)] = -1;
            if (g_offline != 0) continue;
            CommFlush(g_com_port);
            SendFrame(kCmdLevels, k, 0);
            std::string first, second;
            CommRead(g_com_port, first, kWordBlockBytes / 2);
            CommRead(g_com_port, second, kWordBlockBytes / 2);
            const std::string block = first + second;
            if (static_cast<int>(block.size()) < kWordBlockBytes) continue;  // the channels keep their last level
            DecodeWordSampleBlockClipped(block, g_block_value);
            for (int v = 0; v < kBlockValues; ++v)
                m_run.Sample(0, WordBlockChannel(k, v), 0) = static_cast<int16_t>(g_block_value[static_cast<size_t>(v)]);
        }
        SetAutoChannelCaption("Calibrating... [" + std::to_string(rewritten) + "]");
        picturecal->FilledBox(0, 0, 383 - rewritten, 10, 0);
        rewritten = 0;
        allInRange = true;
        for (int c = 0; c < kChannels; ++c) {
            ChannelCalState& s = state[static_cast<size_t>(c)];
            if (s.done) continue;
            const int level = m_run.Sample(0, c, 0);
            if (level < kCalLevelLow || level > kCalLevelHigh) allInRange = false;
            if (!StepChannelCalibration(level, s)) continue;
            ++rewritten;
            g_channel_gain[static_cast<size_t>(c)] = static_cast<int16_t>(s.gain);
            g_channel_pinhole[static_cast<size_t>(c)] = static_cast<int16_t>(s.power);
            int16_t result = 0;
            WriteChannelSetting(c, s.power, s.gain, result);
            if (result != 1) {
                CmdStop_Click();
                platform::PumpEvents();
                return;
            }
        }
        platform::PumpEvents();
    }
    if (running) SetAutoChannelCaption("Calibration OK");
    SaveCalValuesTold();
    if (!running) MsgBox("Calibration not performed: start an acquisition first");
}

void Frm_Main::cmd_calibra_Click() {
    PortHold hold;
    Stoppable stoppable(m_stoppable_depth);
    frm_autotext->show();
    m_run.m_snr_threshold = NumberIn(txt_snr_umbral);
    RunFastCalibration();
    frm_autotext->hide();
}

void Frm_Main::Cmd_autozero_Click() {
    PortHold hold;
    Stoppable stoppable(m_stoppable_depth);
    frm_autotext->show();
    m_run.m_snr_threshold = NumberIn(txt_snr_umbral);
    const bool running = g_run_state > 0;
    RunAutoZero();
    frm_autotext->hide();
    if (!running) MsgBox("Zero not performed: start an acquisition first");
}

// ---------------------------------------------------------------------------
// Device self-test
// ---------------------------------------------------------------------------

namespace {
const std::string kTestCrLf = "\r\n";
}

void Frm_Main::RestoreActivityPanel() {
    Picact->Cls();
    Picact->Scale(-30, 300, 300, -30);
    Picact->SetDrawMode(13);
    Picact->SetAutoRedraw(true);
    Picact->SetForeColor(0);
    DrawActivityAxes();
}

void Frm_Main::AppendTestReport(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + kTestCrLf;
    if (!platform::AppendTextFile(m_test_report_path, text) && !m_test_append_failed) {
        m_test_append_failed = true;
        MsgBox("The test report " + m_test_report_path + " could not be written; the test goes on.");
    }
}

void Frm_Main::mnstatustest_Click() {
    PortHold hold;
    if (g_run_state != 0) {
        MsgBox("Stop acquisition before Testing");
        return;
    }
    // Without the instrument the test would judge and report levels it never read.
    if (g_offline != 0) {
        MsgBox("Operation not possible in OFFLINE mode");
        return;
    }
    const std::string ask = "DEVICE TEST:" + kTestCrLf + "Ligth Microbeams will be adjusted to maximum and minimum." +
                            kTestCrLf + "Please, remove any microplate from the slot" + kTestCrLf +
                            " and close Vondrel door";
    if (platform::Ask(ask, platform::Buttons::OkCancel) != platform::Reply::Ok) {
        Timer_test->stop();
        m_test_step = 0;
        RestoreActivityPanel();
        lbl_autostart->hide();
        return;
    }
    int32_t id = -1;
    QueryDeviceId(g_com_port, id);
    const std::string path = platform::JoinPath(platform::ProgramFolder(), "testdev" + std::to_string(id) + ".txt");
    const platform::LocalTime t = platform::ToLocal(platform::Now());
    if (!platform::WriteTextFile(path, TestReportHeader(id, t.year, t.month, t.day, t.hour, t.minute) + kTestCrLf)) {
        MsgBox("The test report " + path + " could not be created; the test was not started.");
        return;
    }
    m_test_report_path = path;
    m_test_append_failed = false;
    DrawTestGrid();
    m_test_step = 0;
    lbl_autostart->setText("Open and close Vondrel Door to see sensing changes");
    lbl_autostart->show();
    lbl_temperature->setText(Q("SN" + std::to_string(id)));
    Timer_test->start();
}

void Frm_Main::Timer_test_Timer() {
    PortHold hold;
    m_test_in_step = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{m_test_in_step};
    Timer_test->setInterval(platform::ScaledMs(100));

    if (m_test_step <= kTestFailedStep - 1) {
        // Two readings 100 ms apart; the second one's levels stay.
        bool fault = false;
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) platform::SleepMs(100);
            for (int j = 0; j < kChannels / 3; j += 32) {
                if (g_offline != 0) {
                    for (int v = 0; v < kBlockValues; ++v)
                        m_test_level[static_cast<size_t>(WordBlockChannel(j, v))] =
                            static_cast<int16_t>(std::max(0, g_block_value[static_cast<size_t>(v)]));
                    continue;
                }
                CommFlush(g_com_port);
                SendFrame(kCmdLevels, j, 0);
                std::string reply;
                const int32_t n = CommRead(g_com_port, reply, kWordBlockBytes);
                if (n != kWordBlockBytes) fault = true;
                if (fault) continue;  // the remaining requests are still sent
                DecodeWordSampleBlockClipped(reply, g_block_value);
                for (int v = 0; v < kBlockValues; ++v)
                    m_test_level[static_cast<size_t>(WordBlockChannel(j, v))] =
                        static_cast<int16_t>(std::max(0, g_block_value[static_cast<size_t>(v)]));
            }
        }
        if (fault) {
            MsgBox("COM Error");
            Timer_test->stop();
            return;
        }
        PaintTestGrid();
        picturetime->FilledBox(0, 0, m_test_step * 0.83, 100, 0xFF0000);

        if (m_test_step >= 0 && m_test_step <= kTestLastStep) {
            const SelfTestStep& step = SelfTestPlan()[static_cast<size_t>(m_test_step)];
            if (!step.caption.empty()) lbl_temperature->setText(Q(step.caption));
            if (step.prompt == TestPrompt::Message) MsgBox(step.promptText);
            if (step.prompt == TestPrompt::Proceed &&
                platform::Ask(step.promptText, platform::Buttons::YesNo) != platform::Reply::Yes)
                Timer_test->stop();
            if (!step.reportLines.empty()) AppendTestReport(step.reportLines);
            auto show = [this](const TestCheckResult& r) {
                lbl_temperature->setText(Q(r.caption));
                AppendTestReport(r.lines);
            };
            switch (step.check) {
                case TestCheck::AllOn: show(CheckAllOn(m_test_level)); break;
                case TestCheck::AllOff: show(CheckAllOff(m_test_level)); break;
                case TestCheck::Column: CheckTestColumn(step.checkIndex); break;
                case TestCheck::Row: CheckTestRow(step.checkIndex); break;
                case TestCheck::None: break;
            }
            for (const TestWrite& w : step.writes) {
                int16_t result = 0;
                WriteChannelSetting(w.channel, w.setting % 32, w.setting / 32, result);
                if (result != 1) {
                    Timer_test->stop();
                    m_test_step = kTestFailedStep;
                    break;
                }
            }
            if (step.levelList) {
                std::vector<std::string> lines;
                for (int ch = 0; ch < kChannels; ++ch) lines.push_back(TestLevelLine(ch, m_test_level[static_cast<size_t>(ch)]));
                AppendTestReport(lines);
            }
            if (step.openReport && !platform::OpenWithDesktop(m_test_report_path))
                MsgBox("The test report " + m_test_report_path + " could not be opened with the desktop's viewer.");
            if (step.pauseMs > 0) platform::SleepMs(step.pauseMs);
        }
        ++m_test_step;
    }
    if (m_test_step > kTestLastStep) {
        lbl_temperature->setText(QString::fromUtf8("T = __ °C"));
        Timer_test->stop();
        lbl_autostart->hide();
        RestoreActivityPanel();
    }
}

void Frm_Main::CheckTestColumn(int column) {
    const TestCheckResult r = vondrel::CheckColumn(m_test_level, column);
    lbl_temperature->setText(Q(r.caption));
    AppendTestReport(r.lines);
}

void Frm_Main::CheckTestRow(int row) {
    const TestCheckResult r = vondrel::CheckRow(m_test_level, row);
    lbl_temperature->setText(Q(r.caption));
    AppendTestReport(r.lines);
}

namespace {
void DrawTestCells(Canvas& c) {
    for (int r = 0; r < 16; ++r)
        for (int col = 0; col < 24; ++col) {
            c.Box(100 * col, 100 * r, 100 * col + 100, 100 * r + 100, 255);
            c.Circle(100 * col + 50, 100 * r + 50, 5, 0xFF0000);
        }
}
}  // namespace

void Frm_Main::DrawTestGrid() {
    Picact->Cls();
    Picact->Scale(-75, -75, 2400, 1600);
    Picact->SetDrawMode(13);
    Picact->SetAutoRedraw(true);
    Picact->SetForeColor(255);
    Picact->SetTextColor(255);
    for (int col = 0; col < 24; ++col) Picact->Print(100 * col + 25, -75, std::to_string(col + 1));
    for (int r = 0; r < 16; ++r) Picact->Print(-50, 100 * r, std::string(1, static_cast<char>('A' + r)));
    DrawTestCells(*Picact);
}

void Frm_Main::PaintTestGrid() {
    for (int r = 0; r < 16; ++r)
        for (int col = 0; col < 24; ++col) {
            const int g = TestGrey(m_test_level[static_cast<size_t>(16 * col + r)]);
            Picact->FilledBox(100 * col, 100 * r, 100 * col + 100, 100 * r + 100, Rgb(g, g, g));
        }
    DrawTestCells(*Picact);
}

}  // namespace vondrel
