// Run controls of the main window: connect and disconnect, Play, Stop, the
// report list, the run options (organism threshold, body-bends mode, light
// and temperature enables) and the manual actuator buttons with the one
// procedure that sends the actuator state.
#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <string>

#include "acquisition/Acquisition.h"
#include "acquisition/RunClock.h"
#include "device/COM_Module.h"
#include "device/DevicePort.h"
#include "device/FactoryCal.h"
#include "device/ModCOMM.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Init.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/TracePlot.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/PortHold.h"
#include "mainwindow/ProgramEnd.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "store/Project.h"
#include "store/RunFiles.h"
#include "store/SettingsText.h"

namespace vondrel {

using platform::MsgBox;

namespace {

const std::string kCrLf = "\r\n";
const std::string kAsterisks(49, '*');

bool PortOpen(int port) {
    return port >= 1 && port <= kCommPortCount && g_comm_port_record[static_cast<size_t>(port - 1)].open != 0;
}

void PumpTimes(int n) {
    for (int i = 0; i < n; ++i) platform::PumpEvents();
}

// An unattended start without the instrument looks for it again this often.
constexpr int kConnectRetryMs = 10000;
const std::string kEquipmentNotFoundNews = "status = Equipment not found. Trying again every 10 s";

}  // namespace

// A check box's Click runs whenever its value changes, from the user or from
// code, as on the original toolkit. Buttons that talk to the instrument wait
// for the port when another device operation holds it.
void Frm_Main::ConnectRunControls() {
    connect(cmd_connect, &QPushButton::clicked, this, [this] { WhenPortFree(this, [this] { cmd_connect_Click(); }); });
    connect(Cmd_disconnect, &QPushButton::clicked, this,
            [this] { WhenPortFree(this, [this] { Cmd_disconnect_Click(); }); });
    connect(CmdPlay, &QPushButton::clicked, this, [this] { WhenPortFree(this, [this] { CmdPlay_Click(); }); });
    // Stop reaches the calibration and zeroing while they pump events: it
    // runs there, and they see the stopped run at their next check.
    connect(CmdStop, &QPushButton::clicked, this, [this] { StopWhenReachable(); });
    connect(Cmdreport, &QPushButton::clicked, this, [this] { Cmdreport_Click(); });
    connect(lst_report_export, &QListWidget::itemDoubleClicked, this, [this] { lst_report_export_DblClick(); });
    connect(Cmdsetup, &QPushButton::clicked, this, [this] { Cmdsetup_Click(); });
    connect(Cmdoffline, &QPushButton::clicked, this, [this] { Cmdoffline_Click(); });
    connect(Chk_lenabled, &QCheckBox::stateChanged, this, [this] { Chk_lenabled_Click(); });
    connect(Chk_tenabled, &QCheckBox::stateChanged, this, [this] { Chk_tenabled_Click(); });
    connect(chk_bodybends, &QCheckBox::stateChanged, this, [this] { chk_bodybends_Click(); });
    connect(Cmb_organism, &QComboBox::activated, this, [this] { Cmb_organism_Click(); });
    connect(cmd_luz, &QPushButton::clicked, this, [this] { WhenPortFree(this, [this] { cmd_luz_Click(); }); });
    connect(cmd_ontemp, &QPushButton::clicked, this, [this] { WhenPortFree(this, [this] { cmd_ontemp_Click(); }); });
    connect(cmd_frio, &QPushButton::clicked, this, [this] { WhenPortFree(this, [this] { cmd_frio_Click(); }); });
    connect(Cmd_settemp, &QPushButton::clicked, this, [this] { Cmd_settemp_Click(); });
    connect(cmd_cyclepulse, &QPushButton::clicked, this, [this] { cmd_cyclepulse_Click(); });
    connect(cmd_nextwindows1, &QPushButton::clicked, this, [this] { cmd_nextwindows1_Click(); });
    connect(cmd_nextwindows2, &QPushButton::clicked, this, [this] { cmd_nextwindows2_Click(); });
    // The tick, like every timer handler, returns at once while the port is
    // held by a device operation (or by the tick itself).
    connect(Timeradq, &QTimer::timeout, this, [this] {
        if (!PortHeld()) Timeradq_Timer();
    });
    m_connect_retry = new QTimer(this);
    m_connect_retry->setObjectName("m_connect_retry");
    m_connect_retry->setSingleShot(true);
    connect(m_connect_retry, &QTimer::timeout, this, [this] { RetryAutorunConnect(); });
    SetAutoChannelCaptionSink([this](const std::string& text) {
        lbl_autochannel->setText(Q(text));
        lbl_autochannel->repaint();
    });
}

// ---------------------------------------------------------------------------
// Connect and disconnect
// ---------------------------------------------------------------------------

void Frm_Main::cmd_connect_Click() {
    PortHold hold;
    lbl_autochannel->setText("STARTING.....");
    lbl_autotext->setText("CONNECTING:");
    picturecal->hide();
    lbl_autotext->repaint();
    lbl_autochannel->repaint();
    frm_autotext->show();

    // An unattended run never stops at a box: without the instrument it
    // looks again later (below).
    OpenDevicePort(!m_autorun);

    // The port menu has COM1..COM15; items 10 to 15 keep their marks, as
    // only the first nine are cleared.
    for (int i = 1; i <= 9; ++i) mncom1[i]->setChecked(false);
    if (g_com_port >= 1 && g_com_port <= 15) mncom1[g_com_port]->setChecked(true);

    g_temp_offset = 0.0;
    g_temp_slope = 0.219;

    if (g_offline == kTrue) {
        lbl_autochannel->setText("Equipment not found");
        lbl_autochannel->repaint();
        if (!m_autorun) MsgBox("PORT NOT FOUND");
        FrmInit().show();
        hide();
    } else {
        lbl_autochannel->setText("Reading Factory Calibration...");
        lbl_autochannel->repaint();
        g_connected = kTrue;
        ReadSensorCalibration();
    }

    frm_autotext->hide();
    picturecal->show();
    lbl_autotext->show();
    lbl_autochannel->show();
    lbl_autotext->setText("");
    lbl_autochannel->setText("");

    if (m_autorun) {
        if (g_offline == kTrue) {
            // Play would refuse offline with a box nobody answers: the
            // launcher says so and the scan runs again until the instrument
            // answers; the user can still close the program meanwhile.
            FrmInit().ShowNews(kEquipmentNotFoundNews);
            m_connect_retry->start(platform::ScaledMs(kConnectRetryMs));
            return;
        }
        m_startup_step = 6;
        Timerinicio->start();
    }
}

void Frm_Main::RetryAutorunConnect() {
    if (!m_autorun || g_connected == kTrue || ProgramEndRequested()) return;
    // Not in the middle of another device operation or of a question put to
    // the user (such as "Sure to Quit?"): the next round then.
    if (PortHeld() || QApplication::activeModalWidget()) {
        m_connect_retry->start(platform::ScaledMs(kConnectRetryMs));
        return;
    }
    FrmInit().ShowNews("status = looking for the equipment...");
    cmd_connect_Click();
    if (g_offline != kTrue) {
        // As the start-up's step 5: the launcher gives way to the main
        // window, and the run starts at the next step.
        FrmInit().hide();
        showMaximized();
    }
}

void Frm_Main::Cmd_disconnect_Click() {
    PortHold hold;
    if (g_offline != 0) return;
    CommClose(g_com_port);
    g_connected = 0;
}

// ---------------------------------------------------------------------------
// Play
// ---------------------------------------------------------------------------

// As Stop does: station 1's box stays as it is.
void Frm_Main::RestoreStationChoice() {
    for (int k = 0; k < kStations; ++k) cmd_stack_pos[k]->setEnabled(true);
    for (int k = 1; k < kStations; ++k) chk_enabled[k]->setEnabled(true);
}

// Creates the folder of every ticked station with the project's files and
// subproj.dat. On a failure the user is told, nothing runs and the station
// choice is given back.
bool Frm_Main::CreateRunFolders(const std::string& name) {
    const std::string description = Str(Txt_description->text());
    for (int n = 1; n <= kStations; ++n) {
        if (chk_enabled[n - 1]->checkState() == Qt::Checked) {
            const std::string folder = AcquisitionFolder(g_project_folder, m_run.m_acquisition_stamp, n);
            std::string failed;
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
            bool ok = platform::FolderExists(folder);
            if (!ok) failed = folder;
            if (ok && !SaveProject(folder, g_project_number, n - 1, &failed)) ok = false;
            if (ok && !WriteSubprojectFile(folder, name, description)) {
                ok = false;
                failed = platform::JoinPath(folder, "subproj.dat");
            }
            if (!ok) {
                MsgBox("The run folder could not be prepared: " + failed + " could not be written." + kCrLf +
                       "The acquisition was not started.");
                g_recording = 0;
                RestoreStationChoice();
                return false;
            }
            cmd_stack_pos[n - 1]->setEnabled(true);
        } else {
            cmd_stack_pos[n - 1]->setEnabled(false);
        }
        chk_enabled[n - 1]->setEnabled(false);
    }
    return true;
}

void Frm_Main::CmdPlay_Click() {
    PortHold hold;

    // 1-2. Stations and the station shown.
    lst_report_export->hide();
    std::array<bool, kStations> ticked{};
    for (int k = 0; k < kStations; ++k) ticked[k] = chk_enabled[k]->checkState() == Qt::Checked;
    m_run.SetTickedStations(ticked);
    m_run.m_station = 0;
    lbl_station->setText("STATION 1");
    Timer_test->stop();

    // 3. The run's name.
    std::string name;
    if (m_autorun) {
        name = "Autorun project";
    } else {
        std::string prompt = kAsterisks + kCrLf + "***   Enter a Name for this Experiment  ***" + kCrLf + kAsterisks + kCrLf;
        if (!(mnCalibra->checkState() == Qt::Checked && mnZero->checkState() == Qt::Checked))
            prompt += "Comments:" + kCrLf + "~~~~~~~" + kCrLf + "> Auto Calibration is OFF: Remember to read Blank." + kCrLf;
        name = platform::InputBox(prompt, "New Acquisition");
    }
    if (name.empty()) {
        MsgBox("Each Experiment Requires a name");
        return;
    }
    // The name is one quoted field of subproj.dat: a double quote becomes a
    // single quote and a line break cannot be stored.
    std::optional<std::string> storable = StorableName(name);
    if (!storable) {
        MsgBox("The name of an experiment must be one line.");
        return;
    }
    name = *storable;

    // 4-6. Refusals.
    m_run.m_reply_error_count = 0;
    txt_subproject->setText(Q(name));
    txt_subproject->repaint();
    if (g_project_number == 0) {
        MsgBox("Operation not allowed in Project #0:Default. Go to <Setup> and Save it with another name");
        Cmdsetup_Click();
        return;
    }
    if (g_offline == kTrue) {
        MsgBox("Acquisition not allowed in OFFLINE MODE. Connect the equipment and restart the program.");
        return;
    }
    // A run without a ticked station, without an open port, or with a window
    // length or detection interval the tick cannot use would record nothing
    // or never end.
    if (m_run.m_station_count == 0) {
        MsgBox("No station is ticked. Tick at least one station before starting the acquisition.");
        return;
    }
    if (!PortOpen(g_com_port)) {
        MsgBox("The instrument port COM" + std::to_string(g_com_port) +
               " is not open. Connect the equipment before starting the acquisition.");
        return;
    }
    if (g_rt_buffer < 500 || g_rt_buffer > 502) {
        MsgBox("The window length of this project (" + std::to_string(g_rt_buffer) +
               " samples) cannot be acquired: it must be 500 to 502 samples. Correct it in <Setup>.");
        return;
    }
    if (g_dsp_interval < 0 || g_dsp_interval > g_rt_buffer + 1) {
        MsgBox("The detection interval of this project (" + std::to_string(g_dsp_interval) + ") must be 0 to " +
               std::to_string(g_rt_buffer + 1) + ". Correct it in <Setup>.");
        return;
    }

    // 7. Clear the link.
    PumpTimes(10);
    CommFlush(g_com_port);
    PumpTimes(10);

    // 8. The empty activity panel.
    Picact->Cls();
    if (auto s = ActivityScale(m_plot_type, g_plate_col_offset, g_plate_row_offset)) {
        Picact->Scale(s->x1, s->y1, s->x2, s->y2);
        Picact->SetDrawMode(13);
        Picact->SetAutoRedraw(true);
        Picact->SetForeColor(0);
        switch (m_plot_type) {
            case 0: DrawActivityAxes(); DrawGroupWells(m_run.m_station); break;
            case 1: Dibujar_ejes_barplot(); DrawGroupBars(m_run.m_station); break;
            case 2: Dibujar_ejes_gridplot(); DrawGridCells(m_run.m_station); break;
            case 3: Dibujar_ejes_histoplot(); DrawHistogram(m_run.m_station); break;
            default: break;
        }
    }

    // 9. Disk space for a long named run with raw recording: the raw blocks
    // of the ticked stations at the designed sample rate.
    const int interval = TickIntervalMs(m_run.m_station_count);
    if (g_save_real == 1 && g_acq_lapse > 30 && !m_autorun) {
        const int64_t free = GetFreeDiskSpace(g_project_folder);
        const int64_t need = RawRecordingMegabytes(g_acq_lapse, m_run.m_station_count, g_rt_buffer, interval);
        std::string report = "Programmed Acquisition lapse = " + std::to_string(g_acq_lapse) +
                             "minutes & RealTime_recording=YES" + kCrLf + "Required Disk space for RealTime Saving = " +
                             std::to_string(need) + "MB" + kCrLf + "Current Disk Space=" + std::to_string(free) + "MB" +
                             kCrLf;
        bool warned = false;
        if (free - need <= 999) {
            report += "LOW DISK SPACE" + kCrLf;
            warned = true;
        }
        if (free - need < 200)
            report += "NOT ENOUGH DISK SPACE" + kCrLf +
                      " (Please, Increase Disk Space Availablility or Deselect Realtime recording)";
        if (need > 1000 || warned) {
            if (!platform::AskYesNo("WARNING:" + kCrLf + report + kCrLf + "PROCEED?")) {
                Cmdsetup_Click();
                return;
            }
        }
    }

    // A second Play in the same minute would get the same folders and append
    // to the last run's files: ask first, or in autorun wait for the next
    // minute.
    m_run.m_acquisition_stamp = AcquisitionStamp(platform::Now());
    auto recordedFolder = [&]() -> std::string {
        for (int k = 0; k < kStations; ++k) {
            if (!ticked[k]) continue;
            const std::string folder = AcquisitionFolder(g_project_folder, m_run.m_acquisition_stamp, k + 1);
            if (platform::FileExists(platform::JoinPath(folder, "counts.bin"))) return folder;
        }
        return "";
    };
    if (m_autorun) {
        while (!recordedFolder().empty()) {
            platform::SleepPumping(1000);
            if (EndSignal() != 0) return;  // the program is ending: no run
            m_run.m_acquisition_stamp = AcquisitionStamp(platform::Now());
        }
    } else if (std::string used = recordedFolder(); !used.empty()) {
        if (!platform::AskYesNo("A run started in the same minute is recorded in " + used + "." + kCrLf +
                                "Append this run to its files? (No: wait for the next minute and press Play again.)"))
            return;
    }

    // 10. Run folders.
    g_recording = kTrue;
    if (!CreateRunFolders(name)) return;

    // 11-13. Resets, tick interval, group wells.
    m_tick_interval_ms = interval;
    if (interval > 0) Timeradq->setInterval(platform::ScaledMs(interval));
    const int16_t group = g_channel_group_s1[static_cast<size_t>(std::clamp<int>(g_selected_channel, 0, kChannels - 1))];
    if (group >= 0) ListGroupWells(g_channel_group_s1, group);

    // 14. Running state, locked options, cleared tables.
    g_run_state = 1;
    ShowRunLabels();
    CmdPlay->setEnabled(false);
    Cmdsetup->setEnabled(false);
    Cmdoffline->setEnabled(false);
    CmdPause->setEnabled(true);
    Cmb_organism->setEnabled(false);
    txt_snr_umbral->setReadOnly(true);
    if (Hooks().hideSetup) Hooks().hideSetup();
    if (Hooks().hideBrowser) Hooks().hideBrowser();
    if (m_run.WindowLength() != g_rt_buffer) AllocateRunArrays();
    m_run.SetTickedStations(ticked);
    m_run.ResetForPlay();
    {
        // A run appended to the folders of a run of the same minute goes on
        // with new numbered files after the ones already there.
        std::vector<std::string> folders;
        for (int k = 0; k < kStations; ++k)
            folders.push_back(AcquisitionFolder(g_project_folder, m_run.m_acquisition_stamp, k + 1));
        m_run.m_raw_file_number = FirstFreeFileNumber(folders);
    }
    m_trace_bottom.fill(0);
    m_trace_top.fill(2259);
    m_run_messages.clear();

    // 15-16. Set-point and temperature.
    g_temperature_setpoint = NumberIn(txttemp);
    ApplyTemperatureReading(m_run, QueryByte(kCmdTemperature, 0, 3));  // the temperature of station address 3

    // 17. Light by the hour, unless pulses are programmed.
    if (NumberIn(txt_pulsetimes) == 0 && m_run.m_light_schedule == kTrue) {
        const int hour = platform::ToLocal(platform::Now()).hour;
        m_run.m_light_on = LightAtPlay(hour, static_cast<int>(RoundHalfEven(NumberIn(txt_lon))),
                                       static_cast<int>(RoundHalfEven(NumberIn(txt_loff))));
        SendActuatorState();
    }

    // 18-19. Station auto-calibration and auto-zero, when enabled. A stop
    // requested meanwhile leaves the tick off.
    if (!RunPlayDeviceSteps()) return;
    if (g_run_state == 0) return;

    // 20. Start the tick.
    Picreal->Cls();
    if (m_run.m_trace_zoom == 0) {
        PlotScale ts = PlayTraceScale(g_rt_buffer);
        Picreal->Scale(ts.x1, ts.y1, ts.x2, ts.y2);
    }
    m_activity_zoom = 1.0;
    ClearRealtimePlot();
    picturetime->Cls();
    m_run.m_tick_count = 0;
    m_run.m_run_start = ToDays(platform::Now());
    m_run.m_window_start = m_run.m_run_start;
    chk_bodybends->setEnabled(false);
    m_run.m_seconds_per_sample_total = 0;
    m_run.m_histogram_record_count = 0;
    m_run.m_com_error_count = 0;
    Timeradq->start();
    g_run_state = 1;
    ShowRunLabels();
}

// ---------------------------------------------------------------------------
// Stop, report list, setup, back
// ---------------------------------------------------------------------------

// Stop waits for the port like the other buttons, except that it runs at
// once inside an operation it may end (Play's calibration and zeroing, the
// whole-plate calibration and zeroing), which sees the stopped run at its
// next check.
void Frm_Main::StopWhenReachable() {
    if (m_stoppable_depth > 0 || !PortHeld()) {
        CmdStop_Click();
        return;
    }
    QTimer::singleShot(5, this, [this] { StopWhenReachable(); });
}

void Frm_Main::CmdStop_Click() {
    PortHold hold;
    Timer_test->stop();
    lst_report_export->hide();
    if (g_run_state == 1 || g_run_state == 2) {
        CmdPause->setEnabled(false);
        CmdPlay->setEnabled(true);
        g_run_state = 0;
        ShowRunLabels();
        m_autorun = 0;
    }
    Txt_description->setReadOnly(false);
    for (int k = 0; k < kStations; ++k) cmd_stack_pos[k]->setEnabled(true);
    for (int k = 1; k < kStations; ++k) chk_enabled[k]->setEnabled(true);
    Timeradq->stop();
    // The actuators go off first: writing the run's files may take long and
    // the heater must not run on meanwhile.
    m_run.m_temp_actuator_on = 0;
    m_run.m_light_on = 0;
    SendActuatorState();
    // The run's files reach the disk before the controls come back.
    for (const std::string& m : SyncRunFiles(m_run)) ShowRunMessage(m);
    frm_autotext->hide();
    chk_bodybends->setEnabled(true);
    Cmdsetup->setEnabled(true);
    Cmdoffline->setEnabled(true);
    Cmb_organism->setEnabled(true);
    txt_snr_umbral->setReadOnly(false);
    PumpTimes(10);
    CommFlush(g_com_port);
    platform::SleepMs(5);
    PumpTimes(10);
    lblcalibrando->hide();
    m_run.m_tick_count = 0;
}

void Frm_Main::EndOnSignal() { CloseInstrument(true); }

void Frm_Main::CloseInstrument(bool actuatorsOff) {
    PortHold hold;
    Timeradq->stop();
    Timerinicio->stop();
    Timer_test->stop();
    m_connect_retry->stop();
    g_run_state = 0;
    g_recording = 0;
    m_autorun = 0;
    // The run's files are closed after every append; what is left is the
    // instrument: actuators off, then the port closed.
    if (actuatorsOff) {
        m_run.m_temp_actuator_on = 0;
        m_run.m_light_on = 0;
    }
    if (g_offline == 0 && PortOpen(g_com_port)) {
        if (actuatorsOff) SendActuatorState();
        CommClose(g_com_port);
    }
    g_connected = 0;
}

void Frm_Main::Cmdreport_Click() {
    if (Hooks().setReportBinSize) Hooks().setReportBinSize(Str(combo_minutes->currentText()));
    if (lst_report_export->isVisible()) {
        lst_report_export->hide();
        return;
    }
    if (m_run.m_acquisition_stamp.empty()) return;
    lst_report_export->clear();
    for (int k = 0; k < kStations; ++k)
        if (chk_enabled[k]->checkState() == Qt::Checked) lst_report_export->addItem("STATION_" + QString::number(k + 1));
    if (lst_report_export->count() > 0) lst_report_export->setCurrentRow(0);
    lst_report_export->show();
}

void Frm_Main::Cmdsetup_Click() {
    lst_report_export->hide();
    if (!Hooks().showSetup) return;  // no setup window in this build: stay here
    Hooks().showSetup();
    if (Hooks().setSetupDescription) Hooks().setSetupDescription(Str(Txt_description->text()));
    if (Hooks().hideSetupAnnotation) Hooks().hideSetupAnnotation();
    hide();
}

void Frm_Main::Cmdoffline_Click() {
    lst_report_export->hide();
    FrmInit().show();
    if (Hooks().setSetupDescription) Hooks().setSetupDescription(Str(Txt_description->text()));
    hide();
}

// ---------------------------------------------------------------------------
// Run options
// ---------------------------------------------------------------------------

void Frm_Main::ApplyOrganismThreshold() {
    switch (g_tool_param[1][0]) {
        case 0:
        case 1:
            txt_snr_umbral->setText(g_tool_param[1][0] == 0 ? "1.8" : "2.8");
            m_run.m_snr_threshold = NumberIn(txt_snr_umbral);
            lbl_umbral->setText(">>>>");
            txt_snr_umbral->hide();
            break;
        case 2:
            lbl_umbral->setText("> Zero SNR:");
            txt_snr_umbral->show();
            m_run.m_snr_threshold = NumberIn(txt_snr_umbral);
            break;
        default: break;
    }
    if (!(m_run.m_snr_threshold > 1.4)) {
        m_run.m_snr_threshold = 1.8;
        txt_snr_umbral->setText("1.8");
    }
}

// Whenever the window becomes active. Without a running tick the labels
// and selectors follow the current project; the run's tables are cleared
// only for a stopped run, so a paused run resumes with its window, counts
// and histogram intact.
void Frm_Main::Form_Activate() {
    try {
        if (!Timeradq->isActive()) {
            txt_projecto->setText(QString::number(g_project_number) + "_" + Q(g_project_name));
            ShowRunLabels();
            txt_wellformat->setText(Q(g_plate_format));
            if (g_run_state == 0) {
                AllocateRunArrays();
                m_run.m_actuator_pending = 0;
            }
            m_trace_top.fill(2040);
            // The user's group stays selected while the station still has it;
            // else the first group is selected and its Click lists, traces and
            // draws its wells.
            if (!FillWellSelectors()) combogrup_Click();
        }
        Txt_description->setReadOnly(false);
        if (txt_wellformat->text() != "w96u") {
            chk_bodybends->setEnabled(false);
            chk_bodybends->setCheckState(Qt::Unchecked);
            chk_bodybends->hide();
        } else {
            chk_bodybends->setEnabled(true);
            chk_bodybends->show();
        }
    } catch (...) {
        MsgBox("Error loading parameters");
    }
}

void Frm_Main::Cmb_organism_Click() {
    g_tool_param[1][0] = static_cast<int16_t>(Cmb_organism->currentIndex());
    ApplyOrganismThreshold();
}

void Frm_Main::Chk_lenabled_Click() {
    const bool on = Chk_lenabled->checkState() == Qt::Checked;
    m_run.m_light_schedule = on ? kTrue : int16_t{0};
    g_tool_param[2][0] = on ? 1 : 0;
}

void Frm_Main::Chk_tenabled_Click() {
    const bool on = Chk_tenabled->checkState() == Qt::Checked;
    m_run.m_temp_control = on ? kTrue : int16_t{0};
    g_tool_param[3][0] = on ? 1 : 0;
}

void Frm_Main::chk_bodybends_Click() {
    const bool w96u = txt_wellformat->text() == "w96u";
    if (chk_bodybends->checkState() == Qt::Checked) {
        if (w96u) {
            g_body_bends_mode = 1;
            MsgBox("WARNING!" + kCrLf + "Experimental functionality! Beta testing." + kCrLf +
                   "Contact us for more information");
            Cmd_histoplot->show();
        } else {
            g_body_bends_mode = 0;
            QSignalBlocker block(chk_bodybends);
            chk_bodybends->setCheckState(Qt::Unchecked);
            chk_bodybends->hide();
        }
    } else {
        g_body_bends_mode = 0;
        Cmd_histoplot->hide();
        chk_bodybends->setVisible(w96u);
    }
}

void Frm_Main::cmd_cyclepulse_Click() { frm_pulse->setVisible(!frm_pulse->isVisible()); }

// The light and temperature frames share a place; each has a button that
// brings the other one to the front.
void Frm_Main::cmd_nextwindows1_Click() {
    if (Frame_light->isVisible()) Frame_light->raise();
}

void Frm_Main::cmd_nextwindows2_Click() {
    if (Frame_temp->isVisible()) Frame_temp->raise();
}

// ---------------------------------------------------------------------------
// Actuators
// ---------------------------------------------------------------------------

void Frm_Main::SendActuatorState() {
    PortHold hold;
    const bool light = m_run.m_light_on == kTrue, heat = m_run.m_heating == kTrue, on = m_run.m_temp_actuator_on == kTrue;
    const int value = 4 * light + 2 * heat + on;
    if (g_offline == 0) SendFrame(kCmdActuators, value, 0);
    cmd_luz->setText(light ? "ON" : "OFF");
    shape_light->SetFill(light ? 65280u : 255u);
    cmd_frio->setText(heat ? "HEAT" : "COOL");
    cmd_ontemp->setText(on ? "ON" : "OFF");
    shape_temp->SetFill(!on ? 0xFFFFFFu : (heat ? 255u : 0xFF0000u));
}

// While a run is running the buttons only mark the change; the tick sends it
// at its next sample position that is a multiple of 25.
void Frm_Main::cmd_luz_Click() {
    m_run.m_light_on = m_run.m_light_on == kTrue ? int16_t{0} : kTrue;
    shape_light->SetFill(m_run.m_light_on == kTrue ? 65280u : 255u);
    if (g_run_state == 1) m_run.m_actuator_pending = kTrue;
    else SendActuatorState();
}

void Frm_Main::cmd_ontemp_Click() {
    m_run.m_temp_actuator_on = m_run.m_temp_actuator_on == kTrue ? int16_t{0} : kTrue;
    if (g_run_state == 1) m_run.m_actuator_pending = kTrue;
    else SendActuatorState();
}

void Frm_Main::cmd_frio_Click() {
    m_run.m_heating = m_run.m_heating == kTrue ? int16_t{0} : kTrue;
    m_run.m_temp_actuator_on = 0;
    if (g_run_state == 1) m_run.m_actuator_pending = kTrue;
    else SendActuatorState();
}

void Frm_Main::Cmd_settemp_Click() { g_temperature_setpoint = NumberIn(txttemp); }

}  // namespace vondrel
