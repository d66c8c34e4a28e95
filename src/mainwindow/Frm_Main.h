// The main window: the live display of a run (activity plot, trace plot and
// their selectors), the project frame, the station buttons and the run
// buttons. Its Form_Load is the program's start-up sequence.
//
// Control names are member names and Qt objectNames; an element of a control
// array is named with its index after an underscore ("cmd_stack_pos_2",
// "mncom1_7") and its one handler receives the index.
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <optional>

#include "acquisition/AcquisitionState.h"
#include "mainwindow/Shape.h"
#include "mainwindow/TracePlot.h"
#include "store/Globals.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;

namespace vondrel {

class Canvas;

// True when the whole command line, blanks trimmed, is exactly "/run",
// "/RUN" or "/Run".
bool IsAutorunSwitch(std::string_view commandLine);




class Frm_Main : public QMainWindow {
    Q_OBJECT
public:
    explicit Frm_Main(QWidget* parent = nullptr);
    ~Frm_Main() override;

    // ---- start-up ----------------------------------------------------------
    // The command line that Form_Load reads (the program's arguments joined
    // by single spaces).
    void SetCommandLine(std::string commandLine) { m_command_line = std::move(commandLine); }
    // The start-up sequence. Returns false when it ended the program (missing
    // config.dat or a failure); EndProgram has then been called with status 1.
    bool Form_Load();
    void Timerinicio_Timer();
    // Called with each new g_init_stage (tests make a stage fail here).
    void SetStageProbe(std::function<void(int)> probe) { m_stage_probe = std::move(probe); }

    // Activation: shows the project, the acquisition lapse and the plate
    // format as they are now (the setup window may have changed them).
    void Form_Activate();

    // ---- layout --------------------------------------------------------------
    void ArrangeMainControls();

    // ---- run controls (RunControls.cpp) and the acquisition tick -------------
    void cmd_connect_Click();
    // In autorun, the scan again after no instrument was found (run by
    // m_connect_retry); when it answers, the run starts as at start-up.
    void RetryAutorunConnect();
    void Cmd_disconnect_Click();
    void CmdPlay_Click();
    void CmdStop_Click();
    // The end asked for by a signal (SIGTERM, SIGINT, SIGHUP), as closing
    // the program during a run but without a question: the tick and the
    // start-up timers stop, the actuators are switched off and the port is
    // closed. The caller then ends the program.
    void EndOnSignal();
    void Cmdreport_Click();
    void lst_report_export_DblClick();
    void mn_userbin_Click();
    void Cmdsetup_Click();
    void Cmdoffline_Click();
    void ApplyOrganismThreshold();
    void Cmb_organism_Click();
    void Chk_lenabled_Click();
    void Chk_tenabled_Click();
    void chk_bodybends_Click();
    void cmd_luz_Click();
    void cmd_ontemp_Click();
    void cmd_frio_Click();
    void Cmd_settemp_Click();
    void cmd_cyclepulse_Click();
    void cmd_nextwindows1_Click();
    void cmd_nextwindows2_Click();
    // Device operations (DeviceOperations.cpp): the factory settings window,
    // the station auto-calibration and the auto-zero of Play.
    void mn_factory_Click();
    // Reads a calibration register of a station (three tries); value -1
    // when none was answered.
    void ReadCalibrationByte(int reg, int station, int16_t& value);
    // The instrument calibrates station `station` by itself; its settings
    // are read back into channels 0..254, saved in calvalue.dat and copied
    // to folder/calvalue<station>.dat. Returns false after a "COM Error"
    // (the run has then been stopped).
    bool RunStationAutoCalibration(const std::string& folder, int station);
    // Thresholds of the ticked stations' channels from a short recording.
    void RunAutoZero();
    // Steps every channel's gain and power until its level lies in
    // 1638..1843 (during a run), then saves all 384 settings.
    void RunFastCalibration();
    void cmd_calibra_Click();
    void Cmd_autozero_Click();
    // The device self-test: "Test DEVICE" starts it, Timer_test performs one
    // step per tick; the grid of levels is drawn on Picact.
    void mnstatustest_Click();
    void Timer_test_Timer();
    void DrawTestGrid();
    void PaintTestGrid();
    void CheckTestColumn(int column);
    void CheckTestRow(int row);
    // Checks of the typed run parameters when their box loses the focus
    // (RunValidators.cpp).
    void txt_lon_LostFocus();
    void txt_loff_LostFocus();
    void txt_pulsetimes_LostFocus();
    void txt_pulseon_LostFocus();
    void txt_pulseoff_LostFocus();
    void txt_snr_umbral_LostFocus();
    void txttemp_LostFocus();
    void txtsub_LostFocus();
    // Sends the actuator state (light, heating or cooling, on) to the
    // instrument and shows it on the buttons and indicators.
    void SendActuatorState();
    // The acquisition tick (AcquisitionTick.cpp). Returns at once when it is
    // already running or the port is held by another device operation.
    void Timeradq_Timer();
    // Designed interval of the tick for the stations of the current run, in
    // milliseconds (before the time scale); 0 before the first Play.
    int TickIntervalDesigned() const { return m_tick_interval_ms; }
    // Messages of the run shown in the status line (failed file appends);
    // they never open a box inside the tick.
    const std::vector<std::string>& RunMessages() const { return m_run_messages; }

    // ---- live display and selectors ------------------------------------------
    void ClearRealtimePlot();
    void DrawTraceStep(int16_t station);
    void ShowTemperature();
    void RefreshActivityPanel(int16_t station);
    void RedrawRealtimePlot(int16_t station);
    // Trace zoom 0..10 (LivePlots.cpp): references of every channel of the
    // station shown, then the whole trace redrawn.
    void Cmdzoom_plus_Click();
    void Cmdzoom_minus_Click();
    // The channel buttons: the next or previous entry of the group list.
    void cmdbeam_plus_Click();
    void cmdbeam_minus_Click();
    // The tick's once-per-run refresh of the trace.
    void RefreshTracePlot();
    void DrawActivityAxes();
    void DrawGroupWells(int16_t station);
    void DrawGroupBars(int16_t station);
    void DrawGridCells(int16_t station);
    void DrawHistogram(int16_t station);
    void Dibujar_ejes_barplot();
    void Dibujar_ejes_histoplot();
    void Dibujar_ejes_gridplot();
    // Frames of the bar, histogram and plate plots, the plot-type buttons and
    // the page buttons (ActivityPanel.cpp).
    void Dibujar_barplot(int16_t station);
    void Dibujar_histoplot(int16_t station);
    void Dibujar_gridplot();
    void Cmd_barplot_Click();
    void Cmd_gridplot_Click();
    void Cmd_histoplot_Click();
    void cmd_pgup_Click();
    void cmd_pgdown_Click();
    // Refills the row, column and group selectors; returns whether the group
    // selected before is still offered and stays selected.
    bool FillWellSelectors();
    // The group number of the group selector's entry (0 when it has none).
    int SelectedGroupNumber() const;
    void ListStationGroupWells(int group);
    void combogrup_Click();
    void ShowGroupWellsPage();
    void Combofila_Click();
    void Combocol_Click();
    void lstgrup_DblClick();
    void lstgrup_KeyPress(int key);
    void lblcanal_Change();
    // Lists in m_group_wells the wells whose first beam is in `group` of `groups`.
    void ListGroupWells(const ChannelTable16& groups, int group);
    void mnZero_Click();
    void cmd_stack_pos_Click(int index);
    void mncom1_Click(int index);
    void mnabout_Click();
    // Help and the shortcut (HelpAndShortcut.cpp). Create_ShortCut writes
    // <place>/<ShortCutname>.desktop, the place being "Desktop" or
    // "Programs", and returns its path; any other place or a failed write
    // throws.
    void mncontent_Click();
    std::string Create_ShortCut(const std::string& TargetPath, const std::string& TargetArguments,
                                const std::string& ShortCutPath, const std::string& ShortCutname,
                                const std::string& WorkPath, int16_t WindowStyle, int16_t IconNum);
    // "Ready to run?" and the acquisition lapse as the run's state and the
    // lapse are now.
    void ShowRunLabels();
    // Pause and resume, the threshold label and the tool frames (MainMenus.cpp).
    void CmdPause_Click();
    void lbl_umbral_Click();
    void lght_ctl_Click();
    void temp_ctl_Click();
    // The technical panel, behind its password.
    void mn_technical_Click();
    // Exit: the project saved when asked, the port closed, the program ended.
    void Form_Unload();
    void mnexit_Click();

    // ---- controls --------------------------------------------------------------
    // Timers
    QTimer* Timer_button = nullptr;
    QTimer* Timerinicio = nullptr;
    QTimer* Timeradq = nullptr;
    QTimer* Timer_test = nullptr;
    // The next scan for the instrument of an unattended start (single shot).
    QTimer* m_connect_retry = nullptr;

    // On the window
    QGroupBox* Framereal = nullptr;
    QGroupBox* frame_config = nullptr;
    Canvas* PicPanel1 = nullptr;
    Canvas* PicPanel2 = nullptr;
    QLabel* lblcalibrando = nullptr;
    QLabel* lbl_autostart = nullptr;
    QFrame* Line1 = nullptr;

    // Framereal
    QLineEdit* txtzoom = nullptr;
    QListWidget* lstgrup = nullptr;
    QLineEdit* txtsub = nullptr;
    QComboBox* Combofila = nullptr;
    QComboBox* Combocol = nullptr;
    QLabel* lbl_listwells = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblcanal = nullptr;

    // frame_config and frm_mn1
    QComboBox* combo_minutes = nullptr;
    QLabel* lbl_binsize = nullptr;
    QGroupBox* frm_mn1 = nullptr;
    QComboBox* Cmb_organism = nullptr;
    QLineEdit* txt_snr_umbral = nullptr;
    QCheckBox* mnCalibra = nullptr;
    QCheckBox* mnZero = nullptr;
    QPushButton* cmd_calibra = nullptr;
    QPushButton* Cmd_autozero = nullptr;
    QPushButton* Cmd_readblank = nullptr;
    Shape* Shape10 = nullptr;
    QLabel* lbl_umbral = nullptr;

    // PicPanel1
    QPushButton* Cmd_gridplot = nullptr;
    QPushButton* Cmd_barplot = nullptr;
    QPushButton* cmd_connect = nullptr;
    QPushButton* Cmd_disconnect = nullptr;
    QPushButton* Cmd_histoplot = nullptr;
    Canvas* picturetime = nullptr;
    QLineEdit* Txt_time = nullptr;
    QPushButton* cmdbeam_plus = nullptr;
    QLineEdit* txtbeam = nullptr;
    QComboBox* combogrup = nullptr;
    QPushButton* Cmdzoom_plus = nullptr;
    QPushButton* Cmdzoom_minus = nullptr;
    QPushButton* cmdbeam_minus = nullptr;
    Canvas* Picreal = nullptr;
    QPushButton* cmd_pgdown = nullptr;
    QPushButton* cmd_pgup = nullptr;
    Canvas* Picact = nullptr;
    Shape* shape_real = nullptr;
    QLabel* lbl_station = nullptr;
    QLabel* lbl_temperature = nullptr;

    // frm_autotext, inside Picact
    QGroupBox* frm_autotext = nullptr;
    Canvas* picturecal = nullptr;
    QLabel* lbl_autochannel = nullptr;
    QLabel* lbl_autotext = nullptr;
    Shape* Shape1 = nullptr;

    // PicPanel2
    QListWidget* lst_report_export = nullptr;
    std::array<QPushButton*, 4> cmd_stack_pos{};
    std::array<QCheckBox*, 4> chk_enabled{};
    QPushButton* Cmdoffline = nullptr;
    QGroupBox* Frame_light = nullptr;
    QGroupBox* Frame_temp = nullptr;
    QGroupBox* Frame_setup = nullptr;
    QPushButton* CmdStop = nullptr;
    QPushButton* CmdPause = nullptr;
    QPushButton* CmdPlay = nullptr;
    QPushButton* Cmdreport = nullptr;
    Shape* shape_stacks = nullptr;
    QLabel* lbl_torun = nullptr;

    // Frame_light and frm_pulse
    QCheckBox* Chk_lenabled = nullptr;
    QPushButton* cmd_luz = nullptr;
    QPushButton* cmd_cyclepulse = nullptr;
    QGroupBox* frm_pulse = nullptr;
    QPushButton* cmd_nextwindows2 = nullptr;
    QLineEdit* txt_lon = nullptr;
    QLineEdit* txt_loff = nullptr;
    QLabel* Label_lon = nullptr;
    QLabel* Label_loff = nullptr;
    QLabel* Label_lh = nullptr;
    Shape* shape_light = nullptr;
    QLabel* Label_lbar = nullptr;
    QLineEdit* txt_pulsetimes = nullptr;
    QLineEdit* txt_pulseoff = nullptr;
    QLineEdit* txt_pulseon = nullptr;
    Shape* Shape_white = nullptr;
    Shape* Shape_dark = nullptr;
    QLabel* Label_ltimes = nullptr;
    QLabel* Label_X = nullptr;
    QLabel* Label21 = nullptr;
    QLabel* Label19 = nullptr;

    // Frame_temp
    QCheckBox* Chk_tenabled = nullptr;
    QPushButton* cmd_ontemp = nullptr;
    QPushButton* cmd_frio = nullptr;
    QLineEdit* txttemp = nullptr;
    QPushButton* Cmd_settemp = nullptr;
    QPushButton* cmd_nextwindows1 = nullptr;
    Shape* shape_temp = nullptr;
    QLabel* Label_C = nullptr;

    // Frame_setup
    QLineEdit* txt_projecto = nullptr;
    QLineEdit* Txt_description = nullptr;
    QPushButton* Cmdsetup = nullptr;
    QLineEdit* txt_subproject = nullptr;
    QCheckBox* chk_bodybends = nullptr;
    QLineEdit* txt_detection = nullptr;
    QLabel* lbl_project = nullptr;
    QLabel* Label_wellformat = nullptr;
    QLabel* Label_acqlapse = nullptr;
    QLabel* Lbl_keywords = nullptr;
    QLabel* txt_acqlapse = nullptr;
    QLabel* txt_wellformat = nullptr;
    QLabel* lbl_subproject = nullptr;
    Shape* Shape_sq = nullptr;

    // Menus
    QMenu* mnfile = nullptr;
    QMenu* mn_settings = nullptr;
    QMenu* mn_commports = nullptr;
    std::array<QAction*, 16> mncom1{};  // elements 1..15
    QMenu* mn_advanced = nullptr;
    QMenu* mn_manualcal = nullptr;
    QAction* mncal_on = nullptr;
    QAction* mncal_off = nullptr;
    QAction* mn_userbin = nullptr;
    QAction* mn_factory = nullptr;
    QMenu* mn_more = nullptr;
    QAction* lght_ctl = nullptr;
    QAction* temp_ctl = nullptr;
    QAction* chk_zmonitor = nullptr;
    QAction* mn_technical = nullptr;
    QAction* mnstatustest = nullptr;
    QAction* mn_ = nullptr;
    QAction* mnexit = nullptr;
    QMenu* mnhelp = nullptr;
    QAction* mncontent = nullptr;
    QAction* mnbar2 = nullptr;
    QAction* mnabout = nullptr;
    QMenu* mnMenuhide = nullptr;
    QAction* mn_ascii = nullptr;
    QAction* mn_bmp = nullptr;

    // ---- state -------------------------------------------------------------------
    int16_t m_autorun = 0;
    int16_t m_startup_step = 0;
    int16_t m_startup_step_done = 0;
    int16_t m_pause_freezes_time = 0;
    // Elapsed run time (days) frozen by a pause that stops the time counter.
    double m_paused_elapsed = 0;
    int16_t m_plot_type = 0;
    double m_activity_zoom = 1.0;
    int16_t m_auto_calibration = 0;
    int16_t m_auto_zero = 0;
    int16_t m_plot_page = 0;
    // The self-test: the step the next tick performs, the latest level of
    // every channel and the report file.
    int16_t m_test_step = 0;
    std::array<int16_t, 385> m_test_level{};
    std::string m_test_report_path;
    int16_t m_plot_page_limit = 0;

    // The run's working state: sample windows, conditioning tables, counts,
    // counters, actuator flags and options, sized for g_rt_buffer at start-up
    // and again by Play when the window length has changed. The tick, Play,
    // Stop and the live display all work on this one copy.
    AcquisitionState m_run;

    std::string m_counter_text;  // the sample counter as last printed on the trace
    // Live trace scale per channel (display only); m_trace_bottom is the
    // zoom reference level.
    std::array<int16_t, kChannelSlots> m_trace_top{};
    std::array<int16_t, kChannelSlots> m_trace_bottom{};
    std::array<int16_t, kChannelSlots> m_group_wells{};
    int16_t m_group_well_count = 0;
    // The pixel boxes of the well labels the per-well bars last printed, left
    // to right (the labels thinned out where they would overlap).
    std::vector<QRectF> m_well_label_boxes;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    // Wires the run controls' events to their handlers (RunControls.cpp).
    void ConnectRunControls();
    // Wires the device operations' menus and buttons (DeviceOperations.cpp).
    void ConnectDeviceOperations();
    // Wires the trace zoom buttons (LivePlots.cpp).
    void ConnectLivePlots();
    // Wires the plot-type and page buttons (ActivityPanel.cpp).
    void ConnectActivityPanel();
    // Wires the pause button, the threshold label and the tool menus (MainMenus.cpp).
    void ConnectMainMenus();
    // Stops the timers and the run and closes the port; with `actuatorsOff`
    // the light and temperature actuators are switched off first.
    void CloseInstrument(bool actuatorsOff);
    bool m_unloading = false;
    std::optional<TraceView> TraceOf(int16_t station) const;
    void ComputeTraceReferences();
    void StepChannelList(int row);
    // The well of the row and column selectors, the channel of a well at the
    // beam in txtsub, and lblcanal showing the selected channel.
    int SelectedWell() const;
    void SelectWellChannel(int well);
    void ShowSelectedChannel();
    void SetInitStage(int16_t stage);
    void RunStartupStep(int16_t step);
    void AllocateRunArrays();
    void SelectListIndex(QComboBox* combo, int index, void (Frm_Main::*handler)());
    void SetCheckValue(QCheckBox* box, int value);

    // The tick's phases (AcquisitionTick.cpp).
    void RunTick();
    bool ReadSamples();
    void CountCommFault(bool fault);
    // The window close; `conditioning_ms` is how long the closing sample's
    // conditioning took, kept with the close's other durations.
    void CloseSampleWindow(double conditioning_ms = 0.0);
    // Time text, minutes and (when `endTest`) the end of the run; returns
    // true when the run ended.
    bool RunClockStep(bool endTest);
    void ScheduleStep();
    void EndRun();
    void ShowRunMessage(const std::string& text);
    // Play's station auto-calibration and auto-zero, when the options ask
    // for them (DeviceOperations.cpp). False when the run was stopped.
    bool RunPlayDeviceSteps();
    // The Stop button's click: now, or when the port is free or an operation
    // that Stop may end pumps events.
    void StopWhenReachable();
    // Play's refusal checks and run folders (RunControls.cpp).
    bool CreateRunFolders(const std::string& name);
    void RestoreStationChoice();

    std::string m_command_line;
    int m_tick_interval_ms = 0;
    bool m_in_tick = false;
    bool m_validating = false;
    // Above 0 while an operation that Stop may end pumps events: a Stop
    // click then runs at once instead of waiting for the port.
    int m_stoppable_depth = 0;
    // True while a self-test step runs (its boxes pump events).
    bool m_test_in_step = false;
    // The self-test report: appends lines, telling a failure once per test.
    void AppendTestReport(const std::vector<std::string>& lines);
    bool m_test_append_failed = false;
    void RestoreActivityPanel();
    std::vector<std::string> m_run_messages;
    std::function<void(int)> m_stage_probe;
};

}  // namespace vondrel
