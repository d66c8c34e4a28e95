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
#include "device/DevicePort.h"
#include "device/ModCOMM.h"
#include "device/qt/Frm_Factory.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/PortHold.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
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
                for (int v = 0; v < kBlockValues; ++v) {
                    const int s = PackedSampleSlot(v);
                    m_run.Sample(st, s, r) = static_cast<int16_t>(std::max(0, g_block_value[static_cast<size_t>(v)]));
                    m_run.Sample(st, s + 1, r) = 0;
                    m_run.Sample(st, s + 16, r) = 0;
                }
            } else if (r > 1) {
                for (int v = 0; v < kBlockValues; ++v) {
                    const int s = PackedSampleSlot(v);
                    m_run.Sample(st, s, r) = m_run.Sample(st, s, r - 1);
                    m_run.Sample(st, s + 1, r) = 0;
                    m_run.Sample(st, s + 16, r) = 0;
                }
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

}  // namespace vondrel
