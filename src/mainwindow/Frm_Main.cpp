#include "mainwindow/Frm_Main.h"

#include "mainwindow/ActivityPlots.h"
#include "platform/qt/NamedWidget.h"
#include "mainwindow/SetAndRun.h"

#include "mainwindow/Activation.h"

#include <QFontMetricsF>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_About.h"
#include "mainwindow/Frm_Init.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/QtText.h"
#include "store/PlateMap.h"
#include "mainwindow/PortHold.h"
#include "mainwindow/ProgramEnd.h"
#include "mainwindow/Shaping.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "store/CalReport.h"
#include "store/Config.h"
#include "store/Project.h"
#include "device/DevicePort.h"

namespace vondrel {

using platform::MsgBox;

bool IsAutorunSwitch(std::string_view commandLine) {
    size_t b = commandLine.find_first_not_of(' ');
    if (b == std::string_view::npos) return false;
    size_t e = commandLine.find_last_not_of(' ');
    std::string_view s = commandLine.substr(b, e - b + 1);
    return s == "/run" || s == "/RUN" || s == "/Run";
}

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = Make<QPushButton>(parent, name);
    b->setText(QString::fromUtf8(caption));
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

// A button that shows a picture instead of a caption.
QPushButton* PictureButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const char* tooltip) {
    auto* b = Make<QPushButton>(parent, name);
    b->setIcon(parent->style()->standardIcon(icon));
    if (tooltip) b->setToolTip(QString::fromUtf8(tooltip));
    return b;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption) {
    auto* l = Make<QLabel>(parent, name);
    l->setText(QString::fromUtf8(caption));
    return l;
}

QLineEdit* Text(QWidget* parent, const char* name, const char* text) {
    auto* t = Make<QLineEdit>(parent, name);
    t->setText(QString::fromUtf8(text));
    return t;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* caption) {
    auto* c = Make<QCheckBox>(parent, name);
    c->setText(QString::fromUtf8(caption));
    return c;
}

// Combo boxes accept any text, as the program sets texts that are not list
// entries (the organism codes 7 to 9, a user bin size).
QComboBox* Combo(QWidget* parent, const char* name, const char* text) {
    auto* c = Make<QComboBox>(parent, name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setEditText(QString::fromUtf8(text));
    return c;
}

QGroupBox* Frame(QWidget* parent, const char* name, const char* caption) {
    auto* f = Make<QGroupBox>(parent, name);
    f->setTitle(QString::fromUtf8(caption));
    return f;
}

Shape* MakeShape(QWidget* parent, const char* name, std::optional<uint32_t> fill = std::nullopt) {
    auto* s = new Shape(parent, fill);
    s->setObjectName(QString::fromLatin1(name));
    return s;
}

Canvas* Picture(QWidget* parent, const char* name) {
    auto* c = new Canvas(parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

QTimer* Timer(QObject* parent, const char* name, int intervalMs) {
    auto* t = new QTimer(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(intervalMs);
    return t;
}

QAction* Item(QMenu* menu, const char* name, const char* caption) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QMenu* SubMenu(QWidget* parent, const char* name, const char* caption) {
    auto* m = new QMenu(QString::fromUtf8(caption), parent);
    m->setObjectName(QString::fromLatin1(name));
    return m;
}

// The channel at (well, beam) of the plate map, when both lie in the table.
std::optional<int16_t> WellBeamChannel(int well, int beam) {
    if (well < 0 || beam < 0 || well >= g_well_beam_channel.wells || beam >= g_well_beam_channel.beams)
        return std::nullopt;
    return g_well_beam_channel.At(well, beam);
}

// Whether a channel from the plate map really lies in `well`: the map holds 0
// where a well has no channel at that beam (uneven plates), which must not be
// read as channel 0.
bool ChannelOfWell(std::optional<int16_t> ch, int well) {
    return ch && *ch >= 0 && *ch < kChannelSlots && g_channel_well[*ch] == well;
}

}  // namespace

Frm_Main::Frm_Main(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Frm_Main");
    setWindowTitle(QString::fromUtf8("<Vondrel> Acquisition Software  --------> Main"));
    BuildControls();
    BuildMenus();
    ConnectDeviceOperations();
    ConnectMainMenus();
    resize(1024, 768);
    // Narrower or lower, the captions of the light and temperature frames no
    // longer fit their places: the window is not made smaller than this.
    setMinimumSize(1024, 680);
    WatchActivation(this, [this] { Form_Activate(); });
}

Frm_Main::~Frm_Main() { SetAutoChannelCaptionSink({}); }

void Frm_Main::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("central");
    setCentralWidget(central);

    Timer_button = Timer(this, "Timer_button", 1000);
    Timerinicio = Timer(this, "Timerinicio", 1000);
    Timeradq = Timer(this, "Timeradq", 5);
    Timer_test = Timer(this, "Timer_test", 200);
    // A start-up step waits while a device operation holds the port: the
    // timer stays on and the step runs at a later tick.
    connect(Timerinicio, &QTimer::timeout, this, [this] {
        if (!PortHeld()) Timerinicio_Timer();
    });

    // ---- on the window ----
    PicPanel1 = Picture(central, "PicPanel1");
    PicPanel2 = Picture(central, "PicPanel2");
    Framereal = Frame(central, "Framereal", "");
    Framereal->setGeometry(10, 400, 220, 200);
    frame_config = Frame(central, "frame_config", "Tools");
    frame_config->setGeometry(700, 400, 300, 200);
    lblcalibrando = Label(central, "lblcalibrando", "Setting blank...");
    lblcalibrando->setGeometry(300, 300, 160, 20);
    lbl_autostart = Label(central, "lbl_autostart", " Auto-Restart Enabled: [Cycle 1] . Restarting time = 4h");
    lbl_autostart->setGeometry(20, 700, 420, 20);
    Line1 = Make<QFrame>(central, "Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setGeometry(0, 0, 10, 2);

    // ---- Framereal: the well and channel selectors, never shown ----
    txtzoom = Text(Framereal, "txtzoom", "0");
    txtzoom->setGeometry(150, 170, 40, 20);
    lstgrup = Make<QListWidget>(Framereal, "lstgrup");
    txtsub = Text(Framereal, "txtsub", "0");
    Combofila = Combo(Framereal, "Combofila", "A");
    Combocol = Combo(Framereal, "Combocol", "1");
    lbl_listwells = Label(Framereal, "lbl_listwells", "Well:");
    Label3 = Label(Framereal, "Label3", "Channel:");
    lblcanal = Label(Framereal, "lblcanal", "0");
    connect(lstgrup, &QListWidget::itemDoubleClicked, this, [this] { lstgrup_DblClick(); });
    lstgrup->installEventFilter(this);
    connect(Combofila, &QComboBox::activated, this, [this] { Combofila_Click(); });
    connect(Combocol, &QComboBox::activated, this, [this] { Combocol_Click(); });

    // ---- frame_config and frm_mn1 ----
    combo_minutes = Combo(frame_config, "combo_minutes", "60");
    combo_minutes->setGeometry(110, 20, 80, 22);
    lbl_binsize = Label(frame_config, "lbl_binsize", "Bin size (min):");
    lbl_binsize->setGeometry(10, 20, 100, 22);
    frm_mn1 = Frame(frame_config, "frm_mn1", "");
    frm_mn1->setGeometry(5, 50, 290, 145);
    Cmb_organism = Combo(frm_mn1, "Cmb_organism", "");
    Cmb_organism->setGeometry(10, 10, 150, 22);
    txt_snr_umbral = Text(frm_mn1, "txt_snr_umbral", "1.7");
    txt_snr_umbral->setGeometry(230, 10, 50, 22);
    mnCalibra = Check(frm_mn1, "mnCalibra", "Auto   Calibration");
    mnCalibra->setGeometry(10, 40, 150, 22);
    mnZero = Check(frm_mn1, "mnZero", "Auto   Zero");
    mnZero->setGeometry(10, 65, 150, 22);
    cmd_calibra = Button(frm_mn1, "cmd_calibra", "Fast CALIB");
    cmd_calibra->setGeometry(170, 40, 100, 22);
    Cmd_autozero = Button(frm_mn1, "Cmd_autozero", "Fast ZERO");
    Cmd_autozero->setGeometry(170, 65, 100, 22);
    Cmd_readblank = Button(frm_mn1, "Cmd_readblank", "Read Blank");
    Cmd_readblank->setGeometry(170, 90, 100, 22);
    Shape10 = MakeShape(frm_mn1, "Shape10");
    Shape10->setGeometry(5, 35, 280, 80);
    Shape10->lower();
    lbl_umbral = Label(frm_mn1, "lbl_umbral", ">>>>");
    lbl_umbral->setGeometry(170, 10, 60, 22);
    connect(mnZero, &QCheckBox::stateChanged, this, [this] { mnZero_Click(); });

    // ---- left panel ----
    Cmd_gridplot = PictureButton(PicPanel1, "Cmd_gridplot", QStyle::SP_FileDialogDetailedView, "Heatmap PLOT");
    Cmd_barplot = PictureButton(PicPanel1, "Cmd_barplot", QStyle::SP_FileDialogListView, "Bar Plot");
    cmd_connect = Button(PicPanel1, "cmd_connect", "Connect");
    cmd_connect->setGeometry(10, 40, 90, 24);
    Cmd_disconnect = Button(PicPanel1, "Cmd_disconnect", "Disconnect");
    Cmd_disconnect->setGeometry(110, 40, 90, 24);
    Cmd_histoplot = PictureButton(PicPanel1, "Cmd_histoplot", QStyle::SP_FileDialogInfoView, "BodyBends Histogram PLOT");
    picturetime = Picture(PicPanel1, "picturetime");
    Txt_time = Text(PicPanel1, "Txt_time", "00:00");
    Picreal = Picture(PicPanel1, "Picreal");
    shape_real = MakeShape(PicPanel1, "shape_real");
    shape_real->stackUnder(Picreal);
    cmdbeam_plus = Button(PicPanel1, "cmdbeam_plus", ">");
    cmdbeam_plus->setToolTip("next channel");
    txtbeam = Text(PicPanel1, "txtbeam", "");
    txtbeam->setToolTip("Current channel");
    combogrup = Combo(PicPanel1, "combogrup", "Grupo 1");
    Cmdzoom_plus = Button(PicPanel1, "Cmdzoom_plus", "+");
    Cmdzoom_plus->setToolTip("zoom+");
    Cmdzoom_minus = Button(PicPanel1, "Cmdzoom_minus", "-");
    Cmdzoom_minus->setToolTip("zoom-");
    cmdbeam_minus = Button(PicPanel1, "cmdbeam_minus", "<");
    cmdbeam_minus->setToolTip("previous channel");
    Picact = Picture(PicPanel1, "Picact");
    cmd_pgdown = Button(PicPanel1, "cmd_pgdown", "<");
    cmd_pgup = Button(PicPanel1, "cmd_pgup", ">");
    lbl_station = Label(PicPanel1, "lbl_station", "STATION 1");
    lbl_temperature = Label(PicPanel1, "lbl_temperature", "T = __ °C ");
    connect(combogrup, &QComboBox::activated, this, [this] { combogrup_Click(); });

    frm_autotext = Frame(Picact, "frm_autotext", "");
    frm_autotext->setGeometry(40, 40, 260, 110);
    // Drawn over the activity picture: opaque, so the plot's axes do not
    // run through its text.
    frm_autotext->setAutoFillBackground(true);
    picturecal = Picture(frm_autotext, "picturecal");
    picturecal->setGeometry(10, 60, 240, 40);
    lbl_autochannel = Label(frm_autotext, "lbl_autochannel", "starting....");
    lbl_autochannel->setGeometry(10, 35, 240, 20);
    lbl_autotext = Label(frm_autotext, "lbl_autotext", "<AUTOCALIBRATION>");
    lbl_autotext->setGeometry(10, 10, 240, 20);
    Shape1 = MakeShape(frm_autotext, "Shape1");
    Shape1->setGeometry(5, 5, 250, 100);

    // ---- right panel ----
    lst_report_export = Make<QListWidget>(PicPanel2, "lst_report_export");
    for (int i = 0; i < 4; ++i) {
        std::string n = "cmd_stack_pos_" + std::to_string(i);
        std::string caption = "STATION" + std::to_string(i + 1);
        cmd_stack_pos[i] = Button(PicPanel2, n.c_str(), caption.c_str());
        connect(cmd_stack_pos[i], &QPushButton::clicked, this, [this, i] { cmd_stack_pos_Click(i); });
        std::string c = "chk_enabled_" + std::to_string(i);
        chk_enabled[i] = Check(PicPanel2, c.c_str(), "");
    }
    // Station 1 is always part of a run: its box is ticked and cannot be
    // changed; stations 2 to 4 are chosen by the user.
    chk_enabled[0]->setCheckState(Qt::Checked);
    chk_enabled[0]->setEnabled(false);
    Cmdoffline = Button(PicPanel2, "Cmdoffline", "< Back");
    Frame_light = Frame(PicPanel2, "Frame_light", "Light Control");
    Frame_temp = Frame(PicPanel2, "Frame_temp", "Temperature");
    // The two share one place: the one in front hides the other whole.
    for (QWidget* f : {static_cast<QWidget*>(Frame_light), static_cast<QWidget*>(Frame_temp)})
        f->setAutoFillBackground(true);
    Frame_setup = Frame(PicPanel2, "Frame_setup", "");
    CmdStop = PictureButton(PicPanel2, "CmdStop", QStyle::SP_MediaStop, "Stop Acquisition");
    CmdPause = PictureButton(PicPanel2, "CmdPause", QStyle::SP_MediaPause, nullptr);
    CmdPause->setGeometry(10, 10, 40, 40);
    CmdPlay = PictureButton(PicPanel2, "CmdPlay", QStyle::SP_MediaPlay, "Start Acquisition");
    Cmdreport = Button(PicPanel2, "Cmdreport", "Show my report");
    shape_stacks = MakeShape(PicPanel2, "shape_stacks");
    shape_stacks->lower();
    lbl_torun = Label(PicPanel2, "lbl_torun", "Ready to run?");
    lbl_torun->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lbl_torun->lower();
    lst_report_export->raise();

    // ---- Frame_light and frm_pulse ----
    Chk_lenabled = Check(Frame_light, "Chk_lenabled", "Enable");
    cmd_luz = Button(Frame_light, "cmd_luz", "OFF");
    cmd_cyclepulse = Button(Frame_light, "cmd_cyclepulse", "Cycle/Pulse");
    frm_pulse = Frame(Frame_light, "frm_pulse", "Frame1");
    // Laid over the hours of the schedule, which it replaces: it hides them
    // (it is raised above them once they are made).
    frm_pulse->setAutoFillBackground(true);
    cmd_nextwindows2 = Button(Frame_light, "cmd_nextwindows2", "");
    txt_lon = Text(Frame_light, "txt_lon", "09");
    txt_loff = Text(Frame_light, "txt_loff", "21");
    Label_lon = Label(Frame_light, "Label_lon", "ON");
    Label_loff = Label(Frame_light, "Label_loff", "OFF");
    Label_lh = Label(Frame_light, "Label_lh", "h");
    shape_light = MakeShape(Frame_light, "shape_light");
    Label_lbar = Label(Frame_light, "Label_lbar", "/");
    frm_pulse->raise();
    txt_pulsetimes = Text(frm_pulse, "txt_pulsetimes", "0");
    txt_pulseoff = Text(frm_pulse, "txt_pulseoff", "9");
    txt_pulseon = Text(frm_pulse, "txt_pulseon", "1");
    Shape_white = MakeShape(frm_pulse, "Shape_white", Rgb(255, 255, 255));
    Shape_dark = MakeShape(frm_pulse, "Shape_dark", Rgb(64, 64, 64));
    Shape_white->lower();
    Shape_dark->lower();
    Label_ltimes = Label(frm_pulse, "Label_ltimes", "times");
    Label_X = Label(frm_pulse, "Label_X", "X");
    Label21 = Label(frm_pulse, "Label21", "min");
    Label21->setGeometry(2, 2, 24, 14);
    Label19 = Label(frm_pulse, "Label19", "min");
    Label19->setGeometry(30, 2, 24, 14);
    // Drawn on the dark box of the off minutes.
    QPalette light = Label19->palette();
    light.setColor(QPalette::WindowText, Qt::white);
    Label19->setPalette(light);

    // ---- Frame_temp ----
    Chk_tenabled = Check(Frame_temp, "Chk_tenabled", "Enabled");
    cmd_ontemp = Button(Frame_temp, "cmd_ontemp", "OFF");
    cmd_frio = Button(Frame_temp, "cmd_frio", "COOL");
    txttemp = Text(Frame_temp, "txttemp", "20");
    Cmd_settemp = Button(Frame_temp, "Cmd_settemp", "SET");
    cmd_nextwindows1 = Button(Frame_temp, "cmd_nextwindows1", "");
    shape_temp = MakeShape(Frame_temp, "shape_temp");
    Label_C = Label(Frame_temp, "Label_C", "*C");

    // ---- Frame_setup ----
    Shape_sq = MakeShape(Frame_setup, "Shape_sq");
    txt_projecto = Text(Frame_setup, "txt_projecto", "Test ");
    txt_projecto->setEnabled(false);
    Txt_description = Text(Frame_setup, "Txt_description", "");
    Cmdsetup = Button(Frame_setup, "Cmdsetup", ">Edit");
    txt_subproject = Text(Frame_setup, "txt_subproject", "Test ");
    txt_subproject->setEnabled(false);
    chk_bodybends = Check(Frame_setup, "chk_bodybends", "Body-Bends Mode (Experimental)");
    txt_detection = Text(Frame_setup, "txt_detection", "Detection Mode=1, C.elegans [snr1.8]");
    txt_detection->setEnabled(false);
    lbl_project = Label(Frame_setup, "lbl_project", "PROJECT");
    Label_wellformat = Label(Frame_setup, "Label_wellformat", "Format:");
    Label_acqlapse = Label(Frame_setup, "Label_acqlapse", "Time:");
    Lbl_keywords = Label(Frame_setup, "Lbl_keywords", "Notes:");
    txt_acqlapse = Label(Frame_setup, "txt_acqlapse", "30 min");
    txt_wellformat = Label(Frame_setup, "txt_wellformat", "96f Microplate");
    lbl_subproject = Label(Frame_setup, "lbl_subproject", "Current Acquisition");

    // ---- created hidden ----
    for (QWidget* w : std::initializer_list<QWidget*>{
             Framereal, frame_config, lblcalibrando, lbl_autostart, txt_snr_umbral, Cmd_readblank, cmd_connect,
             Cmd_disconnect, Cmd_histoplot, lst_report_export, Frame_light, Frame_temp, Frame_setup, CmdPause,
             frm_pulse, chk_bodybends})
        w->hide();

    for (QLineEdit* box : {txt_lon, txt_loff, txt_pulsetimes, txt_pulseon, txt_pulseoff, txt_snr_umbral, txttemp, txtsub})
        box->installEventFilter(this);
    ConnectRunControls();
    ConnectLivePlots();
    ConnectActivityPanel();
}

void Frm_Main::BuildMenus() {
    QMenuBar* bar = menuBar();
    mnfile = SubMenu(this, "mnfile", "File");
    bar->addMenu(mnfile);
    mn_settings = SubMenu(mnfile, "mn_settings", "Settings");
    mnfile->addMenu(mn_settings);
    mn_commports = SubMenu(mn_settings, "mn_commports", "COM Ports");
    mn_settings->addMenu(mn_commports);
    for (int i = 1; i <= 15; ++i) {
        std::string n = "mncom1_" + std::to_string(i), c = "COM" + std::to_string(i);
        mncom1[i] = Item(mn_commports, n.c_str(), c.c_str());
        mncom1[i]->setCheckable(true);
        connect(mncom1[i], &QAction::triggered, this, [this, i] { mncom1_Click(i); });
    }
    mn_advanced = SubMenu(mnfile, "mn_advanced", "Advanced");
    mnfile->addMenu(mn_advanced);
    mn_manualcal = SubMenu(mn_advanced, "mn_manualcal", "Manual_Calibration");
    mn_advanced->addMenu(mn_manualcal);
    mncal_on = Item(mn_manualcal, "mncal_on", "ON");
    mncal_off = Item(mn_manualcal, "mncal_off", "OFF");
    mn_userbin = Item(mn_advanced, "mn_userbin", "User Defined BIN size");
    mn_userbin->setCheckable(true);
    // The menu item keeps its tick: only Apply and Back to Default change it.
    connect(mn_userbin, &QAction::triggered, this, [this](bool checked) {
        mn_userbin->setChecked(!checked);
        mn_userbin_Click();
    });
    mn_factory = Item(mn_advanced, "mn_factory", "Factory Settings");
    mn_more = SubMenu(mn_advanced, "mn_more", "More...");
    mn_advanced->addMenu(mn_more);
    lght_ctl = Item(mn_more, "lght_ctl", "Light Control");
    temp_ctl = Item(mn_more, "temp_ctl", "Temperature Control");
    chk_zmonitor = Item(mn_more, "chk_zmonitor", "AutoRestart on ComError");
    chk_zmonitor->setCheckable(true);
    // Ticked from the start: an unattended run restarts after lasting
    // communication faults.
    chk_zmonitor->setChecked(true);
    // Like every menu tick, it changes by code only: a click leaves it.
    connect(chk_zmonitor, &QAction::triggered, this, [this](bool checked) { chk_zmonitor->setChecked(!checked); });
    mn_technical = Item(mn_more, "mn_technical", "Technical Menu (require password)");
    mnstatustest = Item(mnfile, "mnstatustest", "Test DEVICE");
    mn_ = mnfile->addSeparator();
    mn_->setObjectName("mn_");
    mnexit = Item(mnfile, "mnexit", "Exit");

    mnhelp = SubMenu(this, "mnhelp", "Help");
    bar->addMenu(mnhelp);
    mncontent = Item(mnhelp, "mncontent", "Content");
    connect(mncontent, &QAction::triggered, this, [this] { mncontent_Click(); });
    mnbar2 = mnhelp->addSeparator();
    mnbar2->setObjectName("mnbar2");
    mnabout = Item(mnhelp, "mnabout", "About");
    connect(mnabout, &QAction::triggered, this, [this] { mnabout_Click(); });

    // A popup of its own, never shown in the menu bar.
    mnMenuhide = SubMenu(this, "mnMenuhide", "Menuhide");
    mn_ascii = Item(mnMenuhide, "mn_ascii", "Export ASCII");
    mn_bmp = Item(mnMenuhide, "mn_bmp", "Export .BMP");
}

// ---------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------

void Frm_Main::SetInitStage(int16_t stage) {
    g_init_stage = stage;
    if (m_stage_probe) m_stage_probe(stage);
}

// Hands one step to Timerinicio and pumps events until the tick has done it,
// or until the program is ending (a signal stops the timer).
void Frm_Main::RunStartupStep(int16_t step) {
    m_startup_step = step;
    m_startup_step_done = 0;
    Timerinicio->setInterval(platform::ScaledMs(500));
    Timerinicio->start();
    while (m_startup_step_done == 0 && !ProgramEndRequested()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Sets a combo's list position from code; like a user's choice it runs the
// combo's Click handler, when it has one.
void Frm_Main::SelectListIndex(QComboBox* combo, int index, void (Frm_Main::*handler)()) {
    SelectListIndexAndRun(combo, index, [this, handler] {
        if (handler) (this->*handler)();
    });
}

// A check box takes 0 (unticked), 1 (ticked) or 2 (greyed); any other value
// is refused, as the toolkit refuses it. A change runs the box's Click
// handler through its state signal.
void Frm_Main::SetCheckValue(QCheckBox* box, int value) {
    switch (value) {
        case 0: box->setCheckState(Qt::Unchecked); break;
        case 1: box->setCheckState(Qt::Checked); break;
        case 2:
            box->setTristate(true);
            box->setCheckState(Qt::PartiallyChecked);
            break;
        default: throw std::out_of_range("Invalid property value");
    }
}

void Frm_Main::AllocateRunArrays() {
    // Cleared tables for the current window length (zeroed in place when
    // the length is unchanged); the station shown, the options and the
    // actuator flags set so far carry over.
    AcquisitionState fresh = AcquisitionState::Cleared(m_run, g_rt_buffer);
    fresh.m_station = m_run.m_station;
    fresh.m_trace_zoom = m_run.m_trace_zoom;
    fresh.m_light_on = m_run.m_light_on;
    fresh.m_heating = m_run.m_heating;
    fresh.m_temp_actuator_on = m_run.m_temp_actuator_on;
    fresh.m_light_schedule = m_run.m_light_schedule;
    fresh.m_temp_control = m_run.m_temp_control;
    fresh.m_actuator_pending = m_run.m_actuator_pending;
    fresh.m_snr_threshold = m_run.m_snr_threshold;
    fresh.m_acquisition_stamp = m_run.m_acquisition_stamp;
    fresh.m_temperature_text = m_run.m_temperature_text;
    m_run = std::move(fresh);
    m_trace_bottom.fill(0);
}

bool Frm_Main::Form_Load() {
    try {
        SetInitStage(0);
        m_startup_step = 0;
        m_pause_freezes_time = 0;
        g_offline = 0;
        g_recording = 0;
        g_body_bends_mode = 0;
        m_run.m_station = 0;

        if (IsAutorunSwitch(m_command_line)) {
            m_autorun = kTrue;
            platform::SleepMs(500);
            QCoreApplication::processEvents();
            platform::SleepMs(500);
        } else {
            m_autorun = 0;
        }

        m_run.m_temp_actuator_on = 0;
        m_run.m_heating = 0;
        cmd_frio->setText("COOL");
        cmd_ontemp->setText("OFF");
        cmd_luz->setText("OFF");
        m_run.m_light_on = 0;
        frm_autotext->hide();
        m_run.m_tick_count = 0;

        if (!platform::FileExists(platform::JoinPath(platform::ProgramFolder(), "config.dat"))) {
            MsgBox("Config file not found: Check correct software installation");
            EndProgram(1);
            return false;
        }

        SetInitStage(1);
        LoadConfig();
        SetInitStage(2);

        const std::string folder =
            platform::JoinPath(platform::ProgramFolder(), "p" + FormatPadded(g_project_number, 5));
        if (platform::FolderExists(folder) && g_project_number > 0) {
            g_project_folder = folder;
        } else {
            g_project_folder = platform::ProgramFolder();
            g_project_number = 0;
        }

        SetInitStage(3);
        Frm_Init& launcher = FrmInit();
        launcher.show();
        launcher.setEnabled(false);
        hide();

        RunStartupStep(0);
        // The project is loaded here only: the setup window, loaded hidden
        // with the launcher, leaves it to the start-up, so a damaged project
        // file reports its problems once.
        LoadProject(g_project_number);
        SetInitStage(4);
        RunStartupStep(1);

        ToolsTable& t = g_tool_param;
        if (g_tool_cal == 1) frm_mn1->show();
        else if (g_tool_cal == 0) frm_mn1->hide();
        Frame_light->hide();
        Frame_temp->hide();

        Cmb_organism->clear();
        Cmb_organism->addItems({"C elegans(>L4)", "Zebrafish(Larvae)", "Echinococcus", "Drosophila"});
        Cmb_organism->setCurrentIndex(-1);

        txt_snr_umbral->setText(t[1][3] != 0 ? Q(FormatFixed(t[1][3] / 10.0, 1)) : QString("1.8"));

        switch (t[1][0]) {
            case 0: Cmb_organism->setEditText("C elegans(>L4)"); break;
            case 1: Cmb_organism->setEditText("Zebrafish(larvae)"); break;
            case 2: Cmb_organism->setEditText("Echinococcus"); break;
            case 3: Cmb_organism->setEditText("Drosophila"); break;
            case 7: Cmb_organism->setEditText("size <100um"); break;
            case 8: Cmb_organism->setEditText("size 0.1-1mm"); break;
            case 9: Cmb_organism->setEditText("size >1mm"); break;
            default: break;
        }

        // No threshold is in force before the organism's rule: for codes other
        // than 0, 1 and 2 the rule then resets the text to 1.8 whatever the
        // project stored, as the counting of such runs expects.
        m_run.m_snr_threshold = 0;
        ApplyOrganismThreshold();
        SetInitStage(5);

        m_run.m_snr_threshold = NumberIn(txt_snr_umbral);
        if (t[1][0] < 3 && m_run.m_snr_threshold <= 1.4) m_run.m_snr_threshold = 1.8;

        SetCheckValue(mnCalibra, t[1][1]);
        if (t[1][1] == 1) {
            cmd_calibra->hide();
            m_auto_calibration = kTrue;
        } else {
            cmd_calibra->show();
            m_auto_calibration = 0;
        }
        SetCheckValue(mnZero, t[1][2]);
        if (t[1][2] == 1) {
            Cmd_autozero->hide();
            m_auto_zero = kTrue;
        } else {
            Cmd_autozero->show();
            m_auto_zero = 0;
        }

        SetCheckValue(Chk_lenabled, t[2][0]);
        if (t[2][0] == 1) {
            m_run.m_light_schedule = kTrue;
            g_tool_light = 1;
        } else {
            m_run.m_light_schedule = 0;
            g_tool_light = 0;
        }
        if (t[2][1] == 0 && t[2][2] == 0) {
            t[2][1] = 9;
            t[2][2] = 21;
        }
        txt_lon->setText(QString::number(t[2][1]));
        txt_loff->setText(QString::number(t[2][2]));
        m_run.m_actuator_pending = 0;
        frm_pulse->hide();
        if (m_run.m_light_schedule) {
            txt_pulsetimes->setText(QString::number(t[2][3]));
            txt_pulseon->setText(Q(FormatFixed(t[2][4] / 10.0, 1)));
            txt_pulseoff->setText(Q(FormatFixed(t[2][5] / 10.0, 1)));
            if (t[2][3] < 1) {
                frm_pulse->hide();
                txt_lon->setEnabled(true);
                txt_loff->setEnabled(true);
            } else {
                frm_pulse->show();
                txt_lon->setEnabled(false);
                txt_loff->setEnabled(false);
            }
        }

        SetCheckValue(Chk_tenabled, t[3][0]);
        m_run.m_temp_control = t[3][0] == 1 ? kTrue : 0;
        if (t[3][1] < 20 || t[3][1] > 500) t[3][1] = 200;
        txttemp->setText(Q(FormatFixed(t[3][1] / 10.0, 1)));

        combo_minutes->clear();
        combo_minutes->addItems({"15", "30", "60", "120", "180", "240", "360", "480", "720", "1440"});
        if (LoadReportSettings(1) == 1) {
            mn_userbin->setChecked(true);
            combo_minutes->addItem(QString::number(g_report_bin));
            combo_minutes->setEditText(QString::number(g_report_bin));
        } else {
            mn_userbin->setChecked(false);
            SelectListIndex(combo_minutes, 1, nullptr);
        }

        SetInitStage(5);
        AllocateRunArrays();

        g_selected_channel = 0;
        // The group selector and the wells listed, traced and drawn agree
        // from the start: the selected group's Click lists them.
        FillWellSelectors();
        if (combogrup->count() > 0) SelectListIndex(combogrup, combogrup->currentIndex(), &Frm_Main::combogrup_Click);
        txt_projecto->setText(QString::number(g_project_number) + "_" + Q(g_project_name));

        RunStartupStep(2);

        g_run_state = 0;
        ShowRunLabels();
        CmdPause->setEnabled(false);

        Picreal->Cls();
        PlotScale ts = TraceScale(g_rt_buffer);
        Picreal->Scale(ts.x1, ts.y1, ts.x2, ts.y2);
        Picreal->SetDrawMode(13);
        Picreal->SetAutoRedraw(true);
        m_run.m_trace_zoom = 0;
        ClearRealtimePlot();
        SetInitStage(7);

        Picact->Cls();
        Picact->Scale(-30, 300, 300, -30);
        Picact->SetDrawMode(13);
        Picact->SetAutoRedraw(true);
        m_activity_zoom = 1.0;
        DrawActivityAxes();

        picturetime->Scale(0, 0, 100, 100);
        m_run.m_tick_total = 0;
        m_run.m_display_tick = 0;

        RunStartupStep(3);
        SetInitStage(8);
        RunStartupStep(4);

        m_plot_type = 0;
        launcher.setEnabled(true);
        SetInitStage(9);

        if (m_autorun) {
            Timerinicio->start();
            m_startup_step = 5;
        }
        return true;
    } catch (const std::exception&) {
    } catch (...) {
    }
    Timerinicio->stop();
    MsgBox("Error loading INIT parameters #ERROR:" + std::to_string(g_init_stage));
    EndProgram(1);
    return false;
}

void Frm_Main::Timerinicio_Timer() {
    Timerinicio->stop();
    switch (m_startup_step) {
        case 0:
            FrmInit().ShowNews("STARTING........... Reading Configuration...");
            m_startup_step_done = 1;
            break;
        case 1:
            FrmInit().ShowNews("STARTING........... Configuration OK...");
            m_startup_step_done = 1;
            break;
        case 2:
            FrmInit().ShowNews("status = not connected yet");
            m_startup_step_done = 1;
            break;
        case 3:
            FrmInit().LblNews->repaint();
            m_startup_step_done = 1;
            break;
        case 4: m_startup_step_done = 1; break;
        case 5:
            if (m_autorun) {
                FrmInit().hide();
                showMaximized();
                cmd_connect_Click();
            }
            break;
        case 6:
            if (m_autorun) {
                show();
                CmdPlay_Click();
            }
            break;
        default: break;
    }
}

// ---------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------

void Frm_Main::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ArrangeMainControls();
}

void Frm_Main::ArrangeMainControls() {
    try {
        const double tpp = kTwipsPerPixel;
        const QRect outer = frameGeometry();
        WindowUnits u = ComputeWindowUnits(outer.width() * tpp, outer.height() * tpp);

        frame_config->hide();

        PanelPlace lp = LeftPanelPlace(u);
        ApplyPlacement(PicPanel1, lp.left, lp.top, lp.width, lp.height, tpp);
        RoundWindow(PicPanel1);
        DrawRoundFrame(PicPanel1);

        lbl_autostart->move(static_cast<int>(RoundHalfEven(0.5 * u.MH / tpp)),
                            static_cast<int>(RoundHalfEven(AutostartTop(u) / tpp)));

        LeftUnits lu = ComputeLeftUnits(PicPanel1->width() * tpp, PicPanel1->height() * tpp, tpp, tpp);
        bool inFramereal = false;
        for (const Placement& p : LeftPanelContents(lu, Combocol->height() * tpp)) {
            QWidget* w = findChild<QWidget*>(Q(p.name));
            if (!w) continue;
            if (p.name == "Framereal") {
                // A frame of the window itself: the numbers are taken as window twips.
                ApplyPlacement(w, p.left, p.top, p.width, p.height, tpp);
                inFramereal = true;
                continue;
            }
            bool framed = inFramereal && w->parentWidget() == Framereal;
            ApplyPlacementByEdges(w, p.left, p.top, p.width, p.height, framed ? tpp : 1.0);
        }
        Picact->SetBorderStyle(0);
        Picreal->SetBorderStyle(0);
        cmd_pgup->raise();
        cmd_pgdown->raise();
        lbl_station->show();
        Label3->hide();
        lblcanal->hide();

        PanelPlace rp = RightPanelPlace(u);
        ApplyPlacement(PicPanel2, rp.left, rp.top, rp.width, rp.height, tpp);
        RoundWindow(PicPanel2);
        DrawRoundFrame(PicPanel2);

        RightUnits ru = ComputeRightUnits(PicPanel2->width() * tpp, PicPanel2->height() * tpp, tpp, tpp);
        Placement fs = FrameSetupPlace(ru);
        ApplyPlacementByEdges(Frame_setup, fs.left, fs.top, fs.width, fs.height, 1.0);
        for (const Placement& p : FrameSetupContents(ru)) {
            if (QWidget* w = Frame_setup->findChild<QWidget*>(Q(p.name)))
                ApplyPlacementByEdges(w, p.left, p.top, p.width, p.height, tpp);
        }
        RoundWindowInsetPixels(Cmdsetup);
        Frame_setup->show();

        for (const Placement& p : RightPanelContents(ru)) {
            QWidget* w = PicPanel2->findChild<QWidget*>(Q(p.name), Qt::FindDirectChildrenOnly);
            if (!w) continue;
            ApplyPlacementByEdges(w, p.left, p.top, p.width, p.height, 1.0);
            if (p.topAboveOwnHeight) w->move(w->x(), static_cast<int>(RoundHalfEven(p.top)) - w->height());
            if (GetsInsetRegion(p.name)) RoundWindowInset(w);
        }
        for (const Placement& p : FrameTempContents(ru))
            if (QWidget* w = Frame_temp->findChild<QWidget*>(Q(p.name)))
                ApplyPlacementByEdges(w, p.left, p.top, p.width, p.height, tpp);
        for (const Placement& p : FrameLightContents(ru))
            if (QWidget* w = Frame_light->findChild<QWidget*>(Q(p.name)))
                ApplyPlacementByEdges(w, p.left, p.top, p.width, p.height, tpp);
        for (const Placement& p : FramePulseContents(ru))
            if (QWidget* w = frm_pulse->findChild<QWidget*>(Q(p.name)))
                ApplyPlacementByEdges(w, p.left, p.top, p.width, p.height, tpp);

        Picact->Cls();
        if (auto s = ActivityScale(m_plot_type, g_plate_col_offset, g_plate_row_offset)) {
            Picact->Scale(s->x1, s->y1, s->x2, s->y2);
            Picact->SetDrawMode(13);
            Picact->SetAutoRedraw(true);
            switch (m_plot_type) {
                case 0:
                    DrawActivityAxes();
                    DrawGroupWells(m_run.m_station);
                    break;
                case 1:
                    Dibujar_ejes_barplot();
                    DrawGroupBars(m_run.m_station);
                    break;
                case 2:
                    Dibujar_ejes_gridplot();
                    DrawGridCells(m_run.m_station);
                    break;
                case 3:
                    Dibujar_ejes_histoplot();
                    DrawHistogram(m_run.m_station);
                    break;
                default: break;
            }
        }
        Picreal->Cls();
        PlotScale ts = TraceScale(g_rt_buffer);
        Picreal->Scale(ts.x1, ts.y1, ts.x2, ts.y2);
        Picreal->SetDrawMode(13);
        Picreal->SetAutoRedraw(true);
        ClearRealtimePlot();
        picturetime->Scale(0, 0, 100, 100);
        update();
    } catch (...) {
        // A size the layout cannot take ends it here without a message; the
        // next resize lays the window out again.
    }
}

// ---------------------------------------------------------------------------
// Live display
// ---------------------------------------------------------------------------

void Frm_Main::DrawActivityAxes() {
    const uint32_t black = 0, white = Rgb(255, 255, 255);
    Picact->FilledBox(0, 0, 2, 255, black);
    Picact->FilledBox(0, 0, 290, 2, black);
    if (m_activity_zoom == 0) m_activity_zoom = 1.0;
    // Value-axis labels.
    Picact->FilledBox(-20, -20, 0, 260, white);
    Picact->FilledBox(-2, 251, 0, 250, black);
    Picact->FilledBox(-2, 126, 0, 125, black);
    Picact->FilledBox(-2, 1, 0, 0, black);
    Picact->SetTextColor(black);
    Picact->Print(-15, 260, FormatFixed(250 * m_activity_zoom, 0));
    Picact->Print(-15, 130, FormatFixed(250 * m_activity_zoom / 2, 0));
    Picact->Print(-15, 10, " 0");
}

void Frm_Main::DrawGroupWells(int16_t station) {
    try {
        if (station < 0 || station > 3) return;
        const auto& counts = m_run.m_cumulative_count[station];
        int group = static_cast<int>(Val(Str(combogrup->currentText().left(3))));
        std::vector<double> values(static_cast<size_t>(std::max<int>(m_group_well_count, 0)), 0.0);
        double total = 0;
        int entries = 0;
        for (int i = 0; i < m_group_well_count; ++i) {
            int well = m_group_wells[i];
            if (g_max_beam > 0) {
                double sum = 0;
                int beams = 0;
                for (int b = 0; b <= g_max_beam; ++b) {
                    auto ch = WellBeamChannel(well, b);
                    if (!ChannelOfWell(ch, well)) continue;
                    double c = counts[*ch];
                    total += c;
                    ++entries;
                    sum += c;
                    ++beams;
                }
                values[i] = beams > 0 ? RoundHalfEven(sum / beams) : 0;
            } else {
                auto ch = WellBeamChannel(well, 0);
                if (!ChannelOfWell(ch, well)) continue;
                values[i] = counts[*ch];
                total += counts[*ch];
                ++entries;
            }
        }
        double mean = entries > 0 ? RoundHalfEven(total / entries) : 0;
        if (m_activity_zoom == 0) m_activity_zoom = 1.0;
        while (mean / m_activity_zoom > 255) m_activity_zoom += 0.5;

        const uint32_t black = 0, white = Rgb(255, 255, 255), grey = Rgb(200, 200, 200);
        Picact->FilledBox(-20, -20, 0, 260, white);
        Picact->FilledBox(-2, 251, 0, 250, black);
        Picact->FilledBox(-2, 126, 0, 125, black);
        Picact->FilledBox(-2, 1, 0, 0, black);
        Picact->SetTextColor(black);
        Picact->Print(-15, 260, FormatFixed(250 * m_activity_zoom, 0));
        Picact->Print(-15, 130, FormatFixed(250 * m_activity_zoom / 2, 0));
        Picact->Print(-15, 10, " 0");

        double h = RoundHalfEven(mean / m_activity_zoom);
        Picact->SetDrawWidth(3);
        Picact->FilledBox(10, 2, 30, 300, white);
        Picact->Box(10, 2, 30, h, black);
        Picact->SetDrawWidth(1);
        Picact->FilledBox(10, 2, 30, h, grey);
        Picact->SetTextColor(Rgb(128, 128, 128));
        Picact->Print(13, 37, FormatReal(mean));
        Picact->SetTextColor(black);
        std::string name = group >= 0 && group < kChannelSlots ? StationGroupNames(station)[group] : "";
        Picact->Print(5, -5, "G" + std::to_string(group) + "_" + name);

        m_well_label_boxes.clear();
        if (m_group_well_count > 0) {
            double w = std::min(RoundHalfEven(260.0 / m_group_well_count), 25.0);
            // Rounded up, the widths of a large group (a whole 96- or
            // 384-well plate) carry its last wells past the panel's right
            // edge, out of sight: then the wells share the 260 units exactly.
            if (w * m_group_well_count > 260) w = 260.0 / m_group_well_count;
            // Labels that would run into each other are thinned out: every
            // stride-th well keeps its label, the bars all stay.
            const QFontMetricsF metrics(Picact->font());
            const double unitsPerPixel =
                1.0 / std::max(std::abs(Picact->ToPixel(1, 0).x() - Picact->ToPixel(0, 0).x()), 1e-9);
            double widest = 0;
            for (int i = 0; i < m_group_well_count; ++i)
                widest = std::max(widest, metrics.horizontalAdvance(Q(WellName(m_group_wells[i]))));
            const int stride = LabelStride((widest + metrics.averageCharWidth()) * unitsPerPixel, w);
            // The label row is cleared once: a label reaches over the next
            // wells' places when the labels are thinned out.
            Picact->FilledBox(40, -1, std::max(300.0, 40 + w * m_group_well_count), -20, white);
            for (int i = 0; i < m_group_well_count; ++i) {
                int well = m_group_wells[i];
                double x0 = w * i + 40;
                double bh = std::min(RoundHalfEven(values[i] / m_activity_zoom), 255.0);
                Picact->SetDrawWidth(3);
                Picact->FilledBox(x0, 2, x0 + w, 300, white);
                Picact->Box(x0 + 0.1 * w, 2, x0 + 0.9 * w, bh, black);
                Picact->SetDrawWidth(1);
                Picact->FilledBox(x0 + 0.1 * w, 2, x0 + 0.9 * w, bh, white);
                // A label that would run past the panel's right edge is left
                // out rather than cut.
                if (i % stride == 0 &&
                    x0 + 0.1 * w + metrics.horizontalAdvance(Q(WellName(well))) * unitsPerPixel <= 300)
                    m_well_label_boxes.push_back(Picact->Print(x0 + 0.1 * w, -5, WellName(well)));
            }
        }
        Picact->FilledBox(0, 0, 2, 255, black);
        Picact->FilledBox(0, 0, 290, 2, black);
    } catch (...) {
        // A drawing that fails ends silently; the next refresh draws again.
    }
}


// ---------------------------------------------------------------------------
// Selectors
// ---------------------------------------------------------------------------

// Fills the row, column and group selectors for the station shown. Each
// keeps the entry selected before when the new list still offers it, else
// takes its first entry; no Click runs, so the plot type and the chosen
// channel stay as they are. Returns whether the group selected before is
// still the selected group: when it is not, the caller brings the group's
// wells and trace in line with the selector.
bool Frm_Main::FillWellSelectors() {
    auto refill = [](QComboBox* box, const QStringList& items) {
        const QString before = box->currentIndex() >= 0 ? box->currentText() : QString();
        QSignalBlocker b(box);
        box->clear();
        box->addItems(items);
        const int kept = before.isEmpty() ? -1 : box->findText(before);
        box->setCurrentIndex(kept >= 0 ? kept : (box->count() > 0 ? 0 : -1));
        return kept >= 0;
    };
    QStringList rows, cols;
    for (int r = 1; r <= g_plate_rows; ++r) rows << QString(QChar(64 + r));
    for (int c = 1; c <= g_plate_cols; ++c) cols << QString::number(c);
    refill(Combofila, rows);
    refill(Combocol, cols);
    if (m_run.m_station < 0 || m_run.m_station > 3) return true;
    const auto& groups = StationChannelGroups(m_run.m_station);
    const auto& names = StationGroupNames(m_run.m_station);
    std::array<bool, kChannels> inUse{};
    for (int ch = 0; ch < kChannels; ++ch)
        if (groups[ch] >= 0 && groups[ch] < kChannels) inUse[static_cast<size_t>(groups[ch])] = true;
    const int before = combogrup->currentIndex() >= 0 ? SelectedGroupNumber() : -1;
    QSignalBlocker b(combogrup);
    combogrup->clear();
    int keep = -1;
    for (int g = 0; g < kChannels; ++g) {
        if (!inUse[static_cast<size_t>(g)]) continue;
        if (g == before) keep = combogrup->count();
        combogrup->addItem(Q(FormatPadded(g, 3) + "_" + names[g]));
    }
    if (combogrup->count() == 0) {
        combogrup->addItem(Q("000_" + names[0]));
        if (before == 0) keep = 0;
    }
    combogrup->setCurrentIndex(keep >= 0 ? keep : 0);
    return keep >= 0;
}

int Frm_Main::SelectedGroupNumber() const { return static_cast<int>(Val(Str(combogrup->currentText().left(3)))); }

void Frm_Main::ListStationGroupWells(int group) {
    if (group < 0 || m_run.m_station < 0 || m_run.m_station > 3) return;
    const auto& groups = StationChannelGroups(m_run.m_station);
    for (int ch = 0; ch < kChannels; ++ch) {
        if (groups[ch] != group || g_channel_enabled[ch] != -1 || g_channel_well[ch] < 0) continue;
        lstgrup->addItem(Q(ChannelLabel(ch)));
    }
}

void Frm_Main::combogrup_Click() {
    QString item = combogrup->currentText();
    int group = SelectedGroupNumber();
    lstgrup->clear();
    ListStationGroupWells(group);
    // A group name from the project file: shown as it is, never as markup.
    combogrup->setToolTip(PlainToolTip(item));
    m_plot_type = 0;
    ShowGroupWellsPage();
}

// The group-wells page of the activity panel: its axes, the first well of
// the group list selected (its trace follows), then the wells' activity.
void Frm_Main::ShowGroupWellsPage() {
    Picact->Cls();
    Picact->Scale(-30, 300, 300, -30);
    cmd_pgup->hide();
    cmd_pgdown->hide();
    DrawActivityAxes();
    if (lstgrup->count() > 0) {
        lstgrup->setCurrentRow(0);
        txtbeam->setText(lstgrup->item(0)->text());
        lstgrup_DblClick();
    }
    DrawGroupWells(m_run.m_station);
}

// The well of the row and column selectors; the trace follows its channel.
// The row selector falls back to well 0 beyond the plate and to beam 0 above
// the last beam; the column selector looks up as it is.
void Frm_Main::Combofila_Click() {
    int well = SelectedWell();
    if (well >= g_plate_cols * g_plate_rows) {
        QSignalBlocker b1(Combofila), b2(Combocol);
        Combofila->setCurrentIndex(Combofila->findText("A"));
        Combocol->setCurrentIndex(Combocol->findText("1"));
        well = 0;
    }
    if (Val(Str(txtsub->text())) > g_max_beam) txtsub->setText("0");
    SelectWellChannel(well);
}

void Frm_Main::Combocol_Click() { SelectWellChannel(SelectedWell()); }

int Frm_Main::SelectedWell() const {
    const QString row = Combofila->currentText();
    const int rowCode = row.isEmpty() ? 0 : row.at(0).unicode();
    const double column = Val(Str(Combocol->currentText()));
    return static_cast<int>(RoundHalfEven((column - 1.0) * g_plate_rows + (rowCode - 65)));
}

// A well or beam outside the plate map keeps the channel shown.
void Frm_Main::SelectWellChannel(int well) {
    auto ch = WellBeamChannel(well, static_cast<int>(RoundHalfEven(Val(Str(txtsub->text())))));
    if (!ch) return;
    g_selected_channel = *ch;
    ShowSelectedChannel();
    RedrawRealtimePlot(m_run.m_station);
}

// lblcanal shows the selected channel; a change of its caption rebuilds the
// group's well list.
void Frm_Main::ShowSelectedChannel() {
    const QString caption = QString::number(g_selected_channel);
    if (lblcanal->text() == caption) return;
    lblcanal->setText(caption);
    lblcanal_Change();
}

void Frm_Main::lstgrup_DblClick() {
    QListWidgetItem* item = lstgrup->currentItem();
    if (!item) return;
    std::string t = Str(item->text());
    size_t dot = t.find('.');
    if (t.size() < 3 || dot == std::string::npos || t[0] < 'A' || t[0] > 'Z') return;
    txtsub->setText(Q(t.substr(dot + 1)));
    int rowPos = t[0] - 65;
    int colPos = static_cast<int>(Val(t.substr(1, dot - 1))) - 1;
    // The selectors only move here: the item's own beam, cut to the last
    // beam, chooses the channel below (the row selector's fallback to beam
    // 0 must not run first).
    if (rowPos >= 0 && rowPos < Combofila->count()) SelectListIndex(Combofila, rowPos, nullptr);
    if (colPos >= 0 && colPos < Combocol->count()) SelectListIndex(Combocol, colPos, nullptr);
    if (Val(Str(txtsub->text())) > g_max_beam) txtsub->setText(QString::number(g_max_beam));
    int rowCode = Combofila->currentText().isEmpty() ? 65 : Combofila->currentText().at(0).unicode();
    int well = static_cast<int>(
        RoundHalfEven((Val(Str(Combocol->currentText())) - 1) * g_plate_rows + (rowCode - 65)));
    auto ch = WellBeamChannel(well, static_cast<int>(RoundHalfEven(Val(Str(txtsub->text())))));
    if (!ch) return;
    g_selected_channel = *ch;
    ShowSelectedChannel();
    RedrawRealtimePlot(m_run.m_station);
}

// The Enter key in the channel list acts as a double-click.
void Frm_Main::lstgrup_KeyPress(int key) {
    if (key == 13) lstgrup_DblClick();
}

bool Frm_Main::eventFilter(QObject* watched, QEvent* event) {
    // The run parameters are checked when their box loses the focus to
    // another control of the window (not when another window or a box comes
    // to the front); the message box of a check is not checked again.
    if (event->type() == QEvent::FocusOut && !m_validating &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        const std::pair<QLineEdit*, void (Frm_Main::*)()> checks[] = {
            {txt_lon, &Frm_Main::txt_lon_LostFocus},         {txt_loff, &Frm_Main::txt_loff_LostFocus},
            {txt_pulsetimes, &Frm_Main::txt_pulsetimes_LostFocus}, {txt_pulseon, &Frm_Main::txt_pulseon_LostFocus},
            {txt_pulseoff, &Frm_Main::txt_pulseoff_LostFocus}, {txt_snr_umbral, &Frm_Main::txt_snr_umbral_LostFocus},
            {txttemp, &Frm_Main::txttemp_LostFocus},         {txtsub, &Frm_Main::txtsub_LostFocus}};
        for (const auto& [box, check] : checks) {
            if (watched != box) continue;
            m_validating = true;
            (this->*check)();
            m_validating = false;
        }
    }
    if (watched == lstgrup && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) lstgrup_KeyPress(13);
    }
    return QMainWindow::eventFilter(watched, event);
}

void Frm_Main::lblcanal_Change() {
    if (m_run.m_station < 0 || m_run.m_station > 3) return;
    if (g_selected_channel < 0 || g_selected_channel >= kChannelSlots) return;
    const auto& groups = StationChannelGroups(m_run.m_station);
    int g = groups[g_selected_channel];
    if (g <= -1) return;
    ListGroupWells(groups, g);
}

void Frm_Main::ListGroupWells(const ChannelTable16& groups, int group) {
    m_group_well_count = 0;
    for (int w = 0; w <= g_max_well && m_group_well_count < kChannelSlots; ++w) {
        auto ch = WellBeamChannel(w, 0);
        if (ChannelOfWell(ch, w) && groups[*ch] == group)
            m_group_wells[m_group_well_count++] = static_cast<int16_t>(w);
    }
}

void Frm_Main::mnZero_Click() {
    int16_t value = mnZero->checkState() == Qt::Checked ? 1 : (mnZero->checkState() == Qt::PartiallyChecked ? 2 : 0);
    m_auto_zero = value == 1 ? kTrue : 0;
    g_tool_param[1][2] = value;
    Cmd_autozero->setVisible(value != 1);
}

void Frm_Main::cmd_stack_pos_Click(int index) {
    if (index < 0 || index > 3) return;
    lbl_station->setText(QString("STATION %1").arg(index + 1));
    m_run.m_station = static_cast<int16_t>(index);
    RedrawRealtimePlot(m_run.m_station);
    g_selected_channel = 0;
    FillWellSelectors();
    lstgrup->clear();
    ListStationGroupWells(SelectedGroupNumber());
    lblcanal_Change();
    switch (m_plot_type) {
        case 0: ShowGroupWellsPage(); break;
        case 1: Dibujar_barplot(m_run.m_station); break;
        // The plate grid stays; only its cells are drawn again.
        case 2: DrawGridCells(m_run.m_station); break;
        case 3: Dibujar_histoplot(m_run.m_station); break;
        default: break;
    }
}

void Frm_Main::mncom1_Click(int index) {
    for (int i = 1; i <= 15; ++i) mncom1[i]->setChecked(i == index);
    g_com_port = static_cast<int16_t>(index);
    SaveConfig();
}

void Frm_Main::mnabout_Click() { FrmAbout().show(); }

}  // namespace vondrel
