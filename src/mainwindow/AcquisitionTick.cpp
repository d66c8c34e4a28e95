// The acquisition tick: one sample of every channel of the ticked stations
// per tick and, when a window of samples is full, the window close with its
// counting and run files; the run clock, the end of the run, the progress
// bar, the light pulses and the pending actuator change. While a run is
// paused with its time counter on, the tick keeps only the clock, the end
// test, the progress bar and the pulses going.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTimer>
#include <cstdlib>
#include <iostream>

#include "acquisition/Acquisition.h"
#include "acquisition/RunClock.h"
#include "acquisition/SampleReading.h"
#include "device/COM_Module.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/PortHold.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Numbers.h"

namespace vondrel {

namespace {

// The consecutive faulty ticks counted silently before the user is told, and
// the count at which the automatic restart happens.
constexpr int16_t kSilentFaultTicks = 20;
constexpr int16_t kRestartFaultTicks = 30;

}  // namespace

void Frm_Main::Timeradq_Timer() {
    if (m_in_tick) return;
    m_in_tick = true;
    PortHold hold;
    try {
        RunTick();
    } catch (...) {
        // A run-time error ends this tick only; the next tick starts afresh.
    }
    m_in_tick = false;
}

void Frm_Main::RunTick() {
    AcquisitionState& st = m_run;
    lbl_autostart->setText(QString::number(st.m_reply_error_count));
    lbl_autostart->show();

    std::array<bool, kStations> ticked{};
    for (int k = 0; k < kStations; ++k) ticked[k] = chk_enabled[k]->checkState() == Qt::Checked;
    st.SetTickedStations(ticked);

    if (g_run_state != 1) {
        // Paused with the time counter on: clock, end test, progress, pulses.
        if (RunClockStep(true)) return;
        ScheduleStep();
        return;
    }

    const bool fault = ReadSamples();
    CountCommFault(fault);

    // The whole trace is refreshed once, when the detection interval has
    // gone by after Play or resume.
    if (st.m_tick_count == g_dsp_interval) RefreshTracePlot();

    const auto conditioning_start = CloseTiming::Clock::now();
    ConditionNewSample(st);
    const double conditioning_ms = CloseTiming::Since(conditioning_start);
    if (st.m_display_tick > 1) {
        DrawTraceStep(st.m_station);
        ShowTemperature();
        st.m_display_tick = 0;
    }

    if (AdvanceSample(st)) {
        // A failure inside the window close must not skip the run clock and
        // the end test below, or the run would never end.
        try {
            CloseSampleWindow(conditioning_ms);
        } catch (const std::exception& e) {
            ShowRunMessage(std::string("Window close failed: ") + e.what());
        } catch (...) {
            ShowRunMessage("Window close failed.");
        }
    }

    if (RunClockStep(st.m_sample_index == 0)) return;
    if (st.m_sample_index % 25 == 0) ScheduleStep();

    st.m_display_tick = static_cast<int16_t>(st.m_display_tick + 1);
    if (st.m_interval_tick >= g_dsp_interval) {
        st.m_interval_tick = 0;
        st.m_interval_phase = st.m_interval_phase == 0 ? int16_t{1} : int16_t{0};
    } else {
        st.m_interval_tick = static_cast<int16_t>(st.m_interval_tick + 1);
    }
    ++st.m_tick_total;
    ++st.m_tick_count;
}

// Priming and the reading of the ticked stations; offline nothing is sent or
// read and no fault is seen.
bool Frm_Main::ReadSamples() {
    if (g_offline != 0) return false;
    if (NeedsPriming(m_run)) PrimeStations(m_run);
    return m_run.SingleStation() ? ReadSingleStation(m_run) : PollStations(m_run);
}

void Frm_Main::CountCommFault(bool fault) {
    AcquisitionState& st = m_run;
    if (!fault) {
        st.m_com_error_count = 0;
        return;
    }
    if (st.m_com_error_count < kSilentFaultTicks) {
        ++st.m_com_error_count;
        return;
    }
    frm_autotext->show();
    lbl_autotext->setText("<COM ERROR>");
    lbl_autotext->repaint();
    if (chk_zmonitor->isChecked()) {
        lbl_autochannel->setText("Restarting COM.." + QString::number(kRestartFaultTicks - st.m_com_error_count));
        lbl_autochannel->repaint();
        if (st.m_com_error_count < kRestartFaultTicks) {
            ++st.m_com_error_count;
        } else if (Hooks().restartProgram) {
            Hooks().restartProgram();
        } else {
            // A new copy of the program connects and starts a run by itself;
            // this one ends at once. The run's files are closed after every
            // append, so nothing written is lost.
            QProcess::startDetached(QCoreApplication::applicationFilePath(), {"/run"});
            std::_Exit(0);
        }
    } else {
        lbl_autochannel->setText("VERIFY COM PORT!");
        lbl_autochannel->repaint();
    }
}

void Frm_Main::CloseSampleWindow(double conditioning_ms) {
    AcquisitionState& st = m_run;
    // The close's durations by part, kept when the close went through.
    const auto start = CloseTiming::Clock::now();
    CloseTiming::Close timing;
    timing[ClosePart::kConditioning] = conditioning_ms;
    const platform::TimePoint now = platform::Now();
    const int raw = g_offline == 0 ? QueryByte(kCmdTemperature, 0, TemperatureAddress(st)) : -1;
    ApplyTemperatureReading(st, raw);
    DecideWindowClose(st, ToDays(now), platform::ToLocal(now).hour, static_cast<int>(RoundHalfEven(NumberIn(txt_lon))),
                      static_cast<int>(RoundHalfEven(NumberIn(txt_loff))));
    // The next window is timed from now even when something below fails.
    struct NextWindowStart {
        AcquisitionState& st;
        ~NextWindowStart() { st.m_window_start = ToDays(platform::Now()); }
    } nextWindowStart{st};
    SendActuatorState();
    auto part_start = CloseTiming::Clock::now();
    ThresholdAndCountWindow(st, g_body_bends_mode);
    timing[ClosePart::kCounting] = CloseTiming::Since(part_start);
    part_start = CloseTiming::Clock::now();
    // Drawing must never cost the window its records.
    try {
        if (g_body_bends_mode == 1) AdvanceBendsPlot(st);
        RefreshActivityPanel(st.m_station);
    } catch (const std::exception& e) {
        ShowRunMessage(std::string("Activity panel not drawn: ") + e.what());
    }
    timing[ClosePart::kPanel] = CloseTiming::Since(part_start);
    if (g_recording == kTrue) {
        part_start = CloseTiming::Clock::now();
        const RecordingResult result = RecordWindow(st, g_body_bends_mode);
        timing[ClosePart::kFiles] = CloseTiming::Since(part_start);
        for (const std::string& m : result.messages) ShowRunMessage(m);
    }
    timing[ClosePart::kWhole] = conditioning_ms + CloseTiming::Since(start);
    st.m_close_timing.Add(timing);
}

bool Frm_Main::RunClockStep(bool endTest) {
    AcquisitionState& st = m_run;
    const double days = ToDays(platform::Now()) - st.m_run_start;
    st.m_elapsed_time = days;
    Txt_time->setText(Q(ElapsedTimeText(days)));
    st.m_elapsed_minutes = ElapsedMinutes(days);
    st.m_elapsed_minutes_exact = RoundDecimals(days * 1440.0, 2);
    if (!endTest || st.m_elapsed_minutes < g_acq_lapse) return false;
    EndRun();
    return true;
}

void Frm_Main::EndRun() {
    AcquisitionState& st = m_run;
    st.m_run_finished = kTrue;
    Timeradq->stop();
    st.m_temp_actuator_on = 0;
    st.m_light_on = 0;
    SendActuatorState();
    // The run's files reach the disk before the run is told finished.
    for (const std::string& m : SyncRunFiles(st)) ShowRunMessage(m);
    if (mn_userbin->isChecked()) {
        // The report window writes its report by itself when it next opens.
        if (Hooks().tickAutoReport) Hooks().tickAutoReport();
        Cmdreport_Click();
        show();
        // No box here: records that could not be written are told in the
        // status line, on one line.
        if (st.m_unwritten.Any()) {
            std::string text = RunFinishedMessage(st);
            text.replace(text.find("\r\n"), 2, ". ");
            ShowRunMessage(text);
        }
    } else {
        Cmdreport_Click();
        platform::MsgBox(RunFinishedMessage(st));
    }
    chk_bodybends->setEnabled(true);
    CmdStop_Click();
}

// Progress bar, light pulses and the pending actuator change.
void Frm_Main::ScheduleStep() {
    AcquisitionState& st = m_run;
    if (g_acq_lapse > 0) {
        const double p = static_cast<double>(st.m_elapsed_minutes) / g_acq_lapse * 100.0;
        picturetime->FilledBox(0, 0, p, 100, 0xFF0000);
    }
    const ToolsTable& t = g_tool_param;
    if (t[2][3] >= 1 && st.m_light_schedule == kTrue) {
        st.m_light_on = PulseLight(st.m_elapsed_time * 1440.0, t[2][3], t[2][4] / 10.0, t[2][5] / 10.0, st.m_light_on);
        SendActuatorState();
    }
    if (st.m_actuator_pending == kTrue) {
        st.m_actuator_pending = 0;
        SendActuatorState();
    }
}

// A message of the run (a data file that cannot be written) goes to the
// status line and to standard error; a box would stop the tick.
void Frm_Main::ShowRunMessage(const std::string& text) {
    m_run_messages.push_back(text);
    statusBar()->showMessage(Q(text));
    std::cerr << text << std::endl;
}

// ---------------------------------------------------------------------------
// Live display steps of the tick
// ---------------------------------------------------------------------------

void Frm_Main::RefreshActivityPanel(int16_t station) {
    switch (m_plot_type) {
        case 0: DrawGroupWells(station); break;
        case 1: DrawGroupBars(station); break;
        case 2: DrawGridCells(station); break;
        case 3: DrawHistogram(station); break;
        default: break;
    }
}

}  // namespace vondrel
