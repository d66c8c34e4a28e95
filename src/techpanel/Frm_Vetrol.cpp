#include "techpanel/Frm_Vetrol.h"
#include "platform/qt/NamedWidget.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include "device/ModCOMM.h"
#include "device/PortHold.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Init.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/ProgramEnd.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Shape.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"
#include "techpanel/AutoGain.h"
#include "techpanel/PanelDevice.h"

namespace vondrel {

using namespace techpanel;

namespace {

constexpr uint32_t kRed = Rgb(255, 0, 0);
constexpr uint32_t kBlue = Rgb(0, 0, 255);
constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kBlack = 0;
constexpr uint32_t kMarkerGrey = Rgb(224, 224, 224);
const char* const kOfflineRefusal = "Operation not possible in OFFLINE mode";
const char* const kRunRefusal = "Stop acquisition before Testing";

Frm_Vetrol* g_panel = nullptr;

}  // namespace

Frm_Vetrol::Frm_Vetrol(PanelVariant variant, QWidget* parent) : QWidget(parent), variant_(variant) {
    setObjectName(variant == PanelVariant::Mini ? "Frm_Vetrol_mini" : "Frm_Vetrol");
    setWindowTitle("Form1");
    MakeControls();
    Form_Load();
}

Frm_Vetrol::~Frm_Vetrol() {
    if (g_panel == this) g_panel = nullptr;
}

void Frm_Vetrol::MakeControls() {
    auto place = [](QWidget* w, int x, int y, int wd, int ht) { w->setGeometry(x, y, wd, ht); };
    Picwell = Make<Canvas>(this, "Picwell");
    place(Picwell, 10, 10, 600, 400);
    Picwell->SetBackColor(kBlack);
    Picwell->setMouseTracking(true);
    Picwell->installEventFilter(this);
    Picwell_out = Make<Canvas>(this, "Picwell_out");
    place(Picwell_out, 620, 10, 240, 160);
    Picwell_out->SetBackColor(kBlack);
    Picreal = Make<Canvas>(this, "Picreal");
    place(Picreal, 10, 420, 600, 270);
    Picreal->SetBackColor(kWhite);

    Combofila = Make<QComboBox>(this, "Combofila");
    place(Combofila, 620, 180, 50, 24);
    Combocol = Make<QComboBox>(this, "Combocol");
    place(Combocol, 675, 180, 55, 24);
    lblcanal = Make<QLabel>(this, "lblcanal", "0");
    place(lblcanal, 740, 180, 50, 24);
    lblnchannel = Make<QLabel>(this, "lblnchannel", "A0");
    place(lblnchannel, 800, 180, 60, 24);

    int y = 210;
    auto stepper = [&](QLineEdit*& box, QPushButton*& up, QPushButton*& down, const char* boxName, const char* upName,
                       const char* downName, const char* start, const char* label) {
        auto* l = new QLabel(label, this);
        place(l, 620, y, 90, 24);
        box = Make<QLineEdit>(this, boxName, start);
        place(box, 710, y, 50, 24);
        up = Make<QPushButton>(this, upName, "+");
        place(up, 765, y, 30, 24);
        down = Make<QPushButton>(this, downName, "-");
        place(down, 800, y, 30, 24);
        y += 28;
    };
    stepper(txtzoom, Command10, Command11, "txtzoom", "Command10", "Command11", "0", "Zoom");
    stepper(txt_brillo, mas, menos, "txt_brillo", "mas", "menos", "255", "Brillo Pixels");
    stepper(txt_pixsize, pix_mas, pix_menos, "txt_pixsize", "pix_mas", "pix_menos", "1", "Pixel_Size");

    auto* ls = new QLabel("Status:", this);
    place(ls, 620, y, 90, 24);
    lblstatus = Make<QLabel>(this, "lblstatus", "ENABLED");
    place(lblstatus, 710, y, 100, 24);
    lblstatus->installEventFilter(this);
    y += 28;
    auto scrollRow = [&](QLineEdit*& box, QScrollBar*& bar, const char* boxName, const char* barName, int max,
                         const char* label) {
        auto* l = new QLabel(label, this);
        place(l, 620, y, 90, 24);
        box = Make<QLineEdit>(this, boxName, "0");
        place(box, 710, y, 50, 24);
        bar = new QScrollBar(Qt::Horizontal, this);
        bar->setObjectName(barName);
        bar->setRange(0, max);
        place(bar, 765, y, 120, 20);
        y += 28;
    };
    scrollRow(txt_threshold, Scroll_threshold, "txt_threshold", "Scroll_threshold", 20, "Threshold:");
    scrollRow(txtgain, scrollgain, "txtgain", "scrollgain", 7, "Gain");
    scrollRow(txtpower, scrollpower, "txtpower", "scrollpower", 7, "Power");
    lblout = Make<QLabel>(this, "lblout", "OUT");
    place(lblout, 620, y, 100, 24);
    y += 28;

    Cmd_online = Make<QPushButton>(this, "Cmd_online", "ONLINE");
    place(Cmd_online, 620, y, 90, 28);
    shapeonline = new Shape(this);
    shapeonline->setObjectName("shapeonline");
    place(shapeonline, 715, y + 4, 20, 20);
    Cmd_offline = Make<QPushButton>(this, "Cmd_offline", "OFFLINE");
    place(Cmd_offline, 740, y, 90, 28);
    shapeoffline = new Shape(this);
    shapeoffline->setObjectName("shapeoffline");
    place(shapeoffline, 835, y + 4, 20, 20);
    y += 32;
    TXT_com = Make<QLabel>(this, "TXT_com", "OFFLINE Mode");
    place(TXT_com, 620, y, 120, 24);
    y += 28;

    frame_station = new QGroupBox("STATION NUMBER", this);
    frame_station->setObjectName("frame_station");
    place(frame_station, 620, y, 380, 50);
    for (int k = 0; k < 4; ++k) {
        const std::string name = "option_station" + std::to_string(k);
        option_station[static_cast<size_t>(k)] =
            Make<QRadioButton>(frame_station, name.c_str(), Q("STATION " + std::to_string(k + 1)));
        place(option_station[static_cast<size_t>(k)], 8 + 92 * k, 20, 90, 24);
    }
    option_station[0]->setChecked(true);
    frame_station->setVisible(false);
    y += 56;

    Combomode = Make<QComboBox>(this, "Combomode");
    Combomode->setEditable(true);
    Combomode->setEditText("Max.Gain");
    place(Combomode, 620, y, 100, 24);
    auto* la = new QLabel("Auto-Adjust to:", this);
    place(la, 725, y, 95, 24);
    Txtajuste = Make<QLineEdit>(this, "Txtajuste", "90");
    place(Txtajuste, 820, y, 40, 24);
    Cmdcalibrar = Make<QPushButton>(this, "Cmdcalibrar", "<CALIBRATE>& Auto-Gain");
    place(Cmdcalibrar, 865, y, 140, 24);
    Cmdcalibrar->setMinimumWidth(140);
    y += 28;
    lblcalibrando = Make<QLabel>(this, "lblcalibrando", "Setting blank...");
    place(lblcalibrando, 620, y, 200, 24);
    lblcalibrando->setVisible(false);
    y += 28;
    txt_ganancia = Make<QLineEdit>(this, "txt_ganancia", "6");
    place(txt_ganancia, 620, y, 40, 24);
    txt_power = Make<QLineEdit>(this, "txt_power", "6");
    place(txt_power, 665, y, 40, 24);
    cmd_setcalibra = Make<QPushButton>(this, "cmd_setcalibra", "SET");
    place(cmd_setcalibra, 710, y, 60, 24);
    Cmd_setall = Make<QPushButton>(this, "Cmd_setall", "Set All");
    place(Cmd_setall, 775, y, 70, 24);
    cmd_autocalibra = Make<QPushButton>(this, "cmd_autocalibra", "Autocalibra");
    place(cmd_autocalibra, 850, y, 90, 24);
    txt_autocal = Make<QLineEdit>(this, "txt_autocal", "120");
    place(txt_autocal, 945, y, 50, 24);
    if (variant_ == PanelVariant::Twin) {
        cmd_autocalibra->setVisible(false);
        txt_autocal->setVisible(false);
    }
    y += 28;
    cmdTEST = Make<QPushButton>(this, "cmdTEST", "TEST CURVA DE GANANCIA");
    place(cmdTEST, 620, y, 180, 24);
    txt_test = Make<QLineEdit>(this, "txt_test", "Gain=0;Pinhole=0");
    place(txt_test, 805, y, 140, 24);
    y += 28;
    picturecal = Make<Canvas>(this, "picturecal");
    place(picturecal, 620, y, 380, 16);
    y += 22;
    Cmdsend = Make<QPushButton>(this, "Cmdsend", "Auto-Adjust");
    place(Cmdsend, 620, y, 90, 24);
    Command1 = Make<QPushButton>(this, "Command1", "Auto Set Blank");
    place(Command1, 715, y, 110, 24);
    CmdCalibrate = Make<QPushButton>(this, "CmdCalibrate", "Calibrate");
    place(CmdCalibrate, 830, y, 80, 24);
    y += 30;
    const char* names[] = {"Command2", "Command21", "Command22", "Command24"};
    const char* captions[] = {"EXIT", "Main", "Setup", "OffLine"};
    QPushButton** nav[] = {&Command2, &Command21, &Command22, &Command24};
    for (int k = 0; k < 4; ++k) {
        *nav[k] = Make<QPushButton>(this, names[k], captions[k]);
        place(*nav[k], 620 + 95 * k, y, 90, 28);
    }
    // The window holds its last row with the margin it keeps at the top, and
    // is never made smaller than its contents, which stay where they are.
    const QSize whole(1010, y + 28 + 10);
    setMinimumSize(whole);
    resize(whole);
    Timerreal = new QTimer(this);
    Timerreal->setObjectName("Timerreal");

    connect(Combocol, &QComboBox::activated, this, [this] { Combocol_Click(); });
    connect(Combofila, &QComboBox::activated, this, [this] { Combofila_Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    connect(Command11, &QPushButton::clicked, this, [this] { Command11_Click(); });
    connect(mas, &QPushButton::clicked, this, [this] { mas_Click(); });
    connect(menos, &QPushButton::clicked, this, [this] { menos_Click(); });
    connect(pix_mas, &QPushButton::clicked, this, [this] { pix_mas_Click(); });
    connect(pix_menos, &QPushButton::clicked, this, [this] { pix_menos_Click(); });
    connect(Scroll_threshold, &QScrollBar::valueChanged, this, [this] { Scroll_threshold_Change(); });
    connect(scrollgain, &QScrollBar::valueChanged, this, [this] { scrollgain_Change(); });
    connect(scrollpower, &QScrollBar::valueChanged, this, [this] { scrollpower_Change(); });
    connect(Cmd_online, &QPushButton::clicked, this, [this] { Cmd_online_Click(); });
    connect(Cmd_offline, &QPushButton::clicked, this, [this] { Cmd_offline_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command21, &QPushButton::clicked, this, [this] { Command21_Click(); });
    connect(Command22, &QPushButton::clicked, this, [this] { Command22_Click(); });
    connect(Command24, &QPushButton::clicked, this, [this] { Command24_Click(); });
    connect(Cmd_setall, &QPushButton::clicked, this, [this] { Cmd_setall_Click(); });
    connect(cmd_setcalibra, &QPushButton::clicked, this, [this] { cmd_setcalibra_Click(); });
    connect(Cmdcalibrar, &QPushButton::clicked, this, [this] { Cmdcalibrar_Click(); });
    connect(cmd_autocalibra, &QPushButton::clicked, this, [this] { cmd_autocalibra_Click(); });
    connect(cmdTEST, &QPushButton::clicked, this, [this] { cmdTEST_Click(); });
    connect(Timerreal, &QTimer::timeout, this, [this] { Timerreal_Timer(); });
}

void Frm_Vetrol::Form_Load() {
    frame_station->setVisible(variant_ == PanelVariant::Mini);
    m_hover_column = 0;
    m_hover_row = 0;
    m_online = 0;
    Combomode->clear();
    Combomode->addItems({"Max.Gain", "Max.Power"});
    Combomode->setCurrentIndex(-1);
    Combomode->setEditText("Max.Gain");
    for (int j = 0; j < 16; ++j) Combofila->addItem(QString(QChar(65 + j)));
    for (int c = 1; c <= 24; ++c) Combocol->addItem(QString::number(c));
    Combofila->setCurrentIndex(-1);
    Combocol->setCurrentIndex(-1);
    m_history.ClearLevels();
    m_trace_max.fill(0);
    Txtajuste->setText(QString::number(g_cal_value));
    if (g_cal_mode == 0) Combomode->setEditText("0_Max.Gain");
    SetIndicators(false);
    DrawPanelAxes();
    m_history.slot = 0;
    Picreal->Scale(-60, 2150, 620, -250);
    Picreal->Cls();
    m_panel_zoom = 0;
    ClearPanelTrace();
    segments_.reserve(4 * kHistorySlots);
}

void Frm_Vetrol::SetIndicators(bool online) {
    shapeonline->SetFill(online ? std::optional<uint32_t>(Rgb(0, 255, 0)) : std::optional<uint32_t>(Rgb(128, 128, 128)));
    shapeoffline->SetFill(online ? std::optional<uint32_t>(Rgb(128, 128, 128)) : std::optional<uint32_t>(Rgb(255, 0, 0)));
    Picwell_out->SetBorderStyle(online ? 0 : 1);
}

int Frm_Vetrol::Station() const {
    if (variant_ == PanelVariant::Twin) return 0;
    for (int k = 0; k < 4; ++k)
        if (option_station[static_cast<size_t>(k)]->isChecked()) return k;
    return -1;
}

int Frm_Vetrol::SelectedChannel() const {
    const double c = RoundHalfEven(Val(Str(lblcanal->text())));
    return c < 0 ? 0 : c > 384 ? 384 : static_cast<int>(c);
}

void Frm_Vetrol::ShowChannel(int channel) {
    Combofila->setCurrentIndex(channel % 16);
    Combocol->setCurrentIndex(channel / 16);
    lblcanal->setText(QString::number(channel));
    const double t = g_channel_threshold[static_cast<size_t>(channel)][0];
    txt_threshold->setText(Q(FormatReal(t)));
    {
        // The scroll bar follows without storing its rounded value back.
        const QSignalBlocker block(Scroll_threshold);
        Scroll_threshold->setMaximum(t > 20 ? static_cast<int>(RoundHalfEven(t)) : 20);
        Scroll_threshold->setValue(static_cast<int>(RoundHalfEven(t)));
    }
    lblstatus->setText(g_channel_enabled[static_cast<size_t>(channel)] == 0 ? "DISABLED" : "ENABLED");
}

bool Frm_Vetrol::OperationAllowed(bool needsInstrument) {
    if (g_run_state != 0) {
        platform::MsgBox(kRunRefusal);
        return false;
    }
    if (needsInstrument && g_offline != 0) {
        platform::MsgBox(kOfflineRefusal);
        return false;
    }
    return true;
}

void Frm_Vetrol::Combocol_Click() {
    const auto ch = SelectorChannel(Str(Combocol->currentText()), Str(Combofila->currentText()));
    if (!ch) return;
    g_selected_channel = static_cast<int16_t>(*ch);
    lblcanal->setText(QString::number(*ch));
    ShowChannel(*ch);
}
void Frm_Vetrol::Combofila_Click() { Combocol_Click(); }

void Frm_Vetrol::Picwell_MouseMove(int /*button*/, double x, double y) {
    const Cell c = HoverCell(x, y);
    const bool outside = c.column < 0 || c.row < 0;
    if (c.column != m_hover_column || outside)
        Picwell->FilledBox(100 * m_hover_column + 10, 0, 100 * m_hover_column + 80, 4, kMarkerGrey);
    if (c.row != m_hover_row || outside)
        Picwell->FilledBox(0, 100 * m_hover_row + 10, 4, 100 * m_hover_row + 80, kMarkerGrey);
    if (!outside) {
        Picwell->FilledBox(0, 100 * c.row + 10, 4, 100 * c.row + 80, kRed);
        Picwell->FilledBox(100 * c.column + 10, 0, 100 * c.column + 80, 4, kRed);
        lblnchannel->setText(Q(CellName(c.column, c.row)));
    }
    m_hover_column = c.column;
    m_hover_row = c.row;
}

void Frm_Vetrol::Picwell_MouseDown(int button, double /*x*/, double /*y*/) {
    if (button != 1 || !CellInGrid({m_hover_column, m_hover_row})) return;
    const int ch = 16 * m_hover_column + m_hover_row;
    ShowChannel(ch);
    if (m_online != -1) return;
    Picreal->Cls();
    ClearPanelTrace();
    if (g_offline != 0 || g_run_state != 0) return;
    int16_t b = -1;
    {
        const PortHold hold;
        b = ReadSettingByte(variant_, ch, 3);
    }
    lblout->setText(QString::number(b));
    if (b < 0) return;
    // Fill the controls without any write: the byte read is what the
    // instrument already holds.
    const QSignalBlocker bg(scrollgain), bp(scrollpower);
    scrollgain->setValue(SettingGain(b));
    txtgain->setText(QString::number(SettingGain(b)));
    scrollpower->setValue(SettingPower(b));
    txtpower->setText(QString::number(SettingPower(b)));
}

void Frm_Vetrol::Command10_Click() {
    if (m_panel_zoom < 10) ++m_panel_zoom;
    txtzoom->setText(QString::number(m_panel_zoom));
    for (int ch = 0; ch < kHistoryChannels; ++ch) m_trace_max[static_cast<size_t>(ch)] = m_history.TraceMax(ch);
    Picreal->Cls();
    ClearPanelTrace();
    DrawPanelTrace();
}

void Frm_Vetrol::Command11_Click() {
    if (m_panel_zoom > 0) --m_panel_zoom;
    txtzoom->setText(QString::number(m_panel_zoom));
    if (m_panel_zoom > 0)
        for (int ch = 0; ch < kHistoryChannels; ++ch) m_trace_max[static_cast<size_t>(ch)] = m_history.TraceMax(ch);
    Picreal->Cls();
    ClearPanelTrace();
    DrawPanelTrace();
}

void Frm_Vetrol::mas_Click() { txt_brillo->setText(QString::number(BrightnessUp(BoxNumber(Str(txt_brillo->text()))))); }
void Frm_Vetrol::menos_Click() { txt_brillo->setText(QString::number(BrightnessDown(BoxNumber(Str(txt_brillo->text()))))); }
void Frm_Vetrol::pix_mas_Click() { txt_pixsize->setText(QString::number(DotSizeUp(BoxNumber(Str(txt_pixsize->text()))))); }
void Frm_Vetrol::pix_menos_Click() { txt_pixsize->setText(QString::number(DotSizeDown(BoxNumber(Str(txt_pixsize->text()))))); }

void Frm_Vetrol::lblstatus_DblClick() {
    const int ch = SelectedChannel();
    const bool enabled = lblstatus->text() == "ENABLED";
    const std::string q = std::string(enabled ? "Do you like to Disable Channel " : "Do you like to Enable Channel ") +
                          Str(lblcanal->text()) + "?";
    if (platform::Ask(q, platform::Buttons::YesNoCancel) != platform::Reply::Yes) return;
    lblstatus->setText(enabled ? "DISABLED" : "ENABLED");
    g_channel_enabled[static_cast<size_t>(ch)] = enabled ? 0 : -1;
}

void Frm_Vetrol::Command2_Click() {
    if (variant_ == PanelVariant::Twin) {
        if (g_offline == 0) {
            const std::string path = platform::JoinPath(platform::ProgramFolder(), "multitsk.dat");
            if (const auto text = platform::ReadTextFile(path)) {
                PortTable t = ParseMultitsk(*text);
                platform::SleepMs(50);
                if (g_com_port >= 1 && g_com_port <= 15) t[static_cast<size_t>(g_com_port)] = 0;
                platform::WriteTextFile(path, FormatMultitsk(t));
            }
        }
        FrmInit().show();
        close();
        return;
    }
    Cmd_offline_Click();
    FrmInit().show();
    hide();
}

void Frm_Vetrol::Command21_Click() {
    if (variant_ == PanelVariant::Twin) {
        FrmMain().show();
        hide();
        return;
    }
    Command2_Click();
}

void Frm_Vetrol::Command22_Click() {
    if (!Hooks().showSetup) {
        platform::MsgBox("The project setup window is not available in this version.");
        return;
    }
    Hooks().showSetup();
    hide();
}

void Frm_Vetrol::Command24_Click() {
    if (!Hooks().showBrowser) {
        platform::MsgBox("The recorded experiments browser is not available in this version.");
        return;
    }
    Hooks().showBrowser();
    hide();
}

void Frm_Vetrol::Form_Unload() { FrmMain().show(); }

void Frm_Vetrol::closeEvent(QCloseEvent* event) {
    Cmd_offline_Click();
    if (loopDepth_ > 0) {
        // The loop returns at its next check and the window goes then.
        unloadPending_ = true;
        hide();
        event->ignore();
        return;
    }
    event->accept();
    FinishUnload();
}

void Frm_Vetrol::FinishUnload() {
    if (unloaded_) return;
    unloaded_ = true;
    hide();
    Form_Unload();
    if (g_panel == this) g_panel = nullptr;
    deleteLater();
}

bool Frm_Vetrol::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Picwell && (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress)) {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPointF p = Picwell->FromPixel(me->position().x(), me->position().y());
        if (event->type() == QEvent::MouseMove) Picwell_MouseMove(0, p.x(), p.y());
        else {
            Picwell_MouseMove(0, p.x(), p.y());
            Picwell_MouseDown(me->button() == Qt::LeftButton ? 1 : 2, p.x(), p.y());
        }
        return true;
    }
    if (watched == lblstatus && event->type() == QEvent::MouseButtonDblClick) {
        lblstatus_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- register writing ---------------------------------------------------------

void Frm_Vetrol::Scroll_threshold_Change() {
    txt_threshold->setText(QString::number(Scroll_threshold->value()));
    g_channel_threshold[static_cast<size_t>(SelectedChannel())][0] = Scroll_threshold->value();
}

void Frm_Vetrol::scrollgain_Change() {
    txtgain->setText(QString::number(scrollgain->value()));
    SendSelectedChannel();
}

void Frm_Vetrol::scrollpower_Change() {
    txtpower->setText(QString::number(scrollpower->value()));
    SendSelectedChannel();
}

void Frm_Vetrol::SendSelectedChannel() {
    if (m_online != -1 || g_offline != 0) return;
    if (g_run_state != 0) {
        platform::MsgBox(kRunRefusal);
        return;
    }
    const auto gain = ParseSettingBox(Str(txtgain->text())), power = ParseSettingBox(Str(txtpower->text()));
    if (!gain || !power) {
        platform::MsgBox("Invalid value: 0 to 7");
        return;
    }
    const int ch = SelectedChannel();
    const int reg = SelectedRegisterOf(variant_, ch);
    const RegisterAddress a = variant_ == PanelVariant::Mini ? RegisterAddress{0x80, reg} : WriteAddressOf(variant_, 0, ch);
    const PortHold hold;
    WriteRegisterUnchecked(a, ChannelSettingByte(*gain, *power), [&](int16_t r) { lblout->setText(QString::number(r)); });
}

void Frm_Vetrol::Cmd_setall_Click() {
    if (m_online != -1) return;
    if (!OperationAllowed(true)) return;
    const int count = variant_ == PanelVariant::Mini ? kMiniRegisters : kPanelChannels;
    const PortHold hold;
    for (int r = 0; r < count; ++r) {
        const auto gain = ParseSettingBox(Str(txtgain->text())), power = ParseSettingBox(Str(txtpower->text()));
        if (!gain || !power) {
            platform::MsgBox("Invalid value: 0 to 7");
            return;
        }
        const RegisterAddress a = variant_ == PanelVariant::Mini ? RegisterAddress{0x80, r} : WriteAddressOf(variant_, 0, r);
        WriteRegisterUnchecked(a, ChannelSettingByte(*gain, *power), [&](int16_t b) { lblout->setText(QString::number(b)); });
    }
}

void Frm_Vetrol::cmd_setcalibra_Click() {
    if (!OperationAllowed(true)) return;
    picturecal->Scale(0, 0, 383, 10);
    picturecal->Cls();
    double gv = 0, pv = 0;
    auto number = [](QLineEdit* box, double& v) {
        std::string t = Str(box->text());
        std::replace(t.begin(), t.end(), ',', '.');
        return ParseNumber(t, v);
    };
    if (!number(txt_ganancia, gv) || !number(txt_power, pv)) {
        platform::MsgBox("Invalid value: 0 to 7");
        return;
    }
    int gain = static_cast<int>(IntFloor(gv)), power = static_cast<int>(IntFloor(pv));
    if (gain < 0 || gain > 7) {
        gain = 0;
        txt_ganancia->setText("0");
    }
    if (power < 0 || power > 7) {
        power = 0;
        txt_power->setText("0");
    }
    const int station = std::max(0, Station());
    const int last = variant_ == PanelVariant::Mini ? kMiniRegisters : kPanelChannels - 1;
    const PortHold hold;
    for (int r = 0; r <= last; ++r) {
        if (WriteChannelRegister(variant_, station, r, power, gain) == -1) {
            platform::MsgBox("Communication error. Check COM PORT and equipment connection.");
            return;
        }
        picturecal->Line(r, 0, r, 10, kRed);
    }
}

void Frm_Vetrol::ReadBackCalibration() {
    if (!OperationAllowed(true)) return;
    bool saved = false;
    {
        const PortHold hold;
        lblcalibrando->setVisible(true);
        saved = techpanel::ReadBackCalibration(variant_, [this](int ch) {
            lblcalibrando->setText(Q("Saving CH" + std::to_string(ch)));
            lblcalibrando->repaint();
        });
        lblcalibrando->setVisible(false);
    }
    if (saved) platform::MsgBox("Calibration Saving OK");
    else platform::MsgBox("Error writing " + platform::JoinPath(platform::ProgramFolder(), "calvalue.dat"));
}

// ---- Auto-Gain, autocalibration, gain-curve test ---------------------------------

namespace {

class PanelAutoGainLink : public AutoGainLink {
public:
    PanelAutoGainLink(Frm_Vetrol& f, int station) : f_(f), station_(station) {}
    bool Continue(int reg) override {
        platform::PumpEvents();
        if (!f_.lblcalibrando->isVisible() || g_run_state != 0 || ProgramEndRequested()) {
            f_.Cmd_online->setEnabled(true);
            return false;
        }
        const int ch = f_.Variant() == PanelVariant::Mini ? 2 * reg : reg;
        f_.lblcalibrando->setText(Q("Calibrating CH" + std::to_string(ch)));
        f_.lblcalibrando->repaint();
        return true;
    }
    bool Measure(int reg, int& level) override {
        platform::SleepMs(100);  // WaitDevice
        if (!ReadGroupLevels(f_.Variant(), station_, reg, f_.m_history)) {
            f_.m_io_status = -1;
            return false;
        }
        f_.m_io_status = 0;
        level = GroupLevelOf(f_.Variant(), f_.m_history, reg);
        return true;
    }
    // A failed write on a live port is told and the search goes on; once the
    // port is lost, the one message of the failed write ends it.
    bool Write(int reg, int power, int gain) override {
        return WriteChannelRegister(f_.Variant(), station_, reg, power, gain) == 1 || !CommPortLost(g_com_port);
    }

private:
    Frm_Vetrol& f_;
    int station_;
};

}  // namespace

void Frm_Vetrol::Cmdcalibrar_Click() {
    if (!OperationAllowed(true)) return;
    const int station = std::max(0, Station());
    m_io_status = 0;
    Cmd_offline_Click();
    Cmd_online->setEnabled(false);
    const LevelWindow w = AutoGainWindow(BoxNumber(Str(Txtajuste->text())));
    if (Combomode->currentText() != "Max.Gain") {
        lblcalibrando->setVisible(false);
        return;
    }
    lblcalibrando->setText("starting");
    lblcalibrando->setVisible(true);
    lblcalibrando->repaint();
    const PortHold hold;
    PanelAutoGainLink link(*this, station);
    const AutoGainResult r = RunAutoGain(link, w, variant_ == PanelVariant::Mini ? kMiniRegisters : kPanelChannels);
    if (r.end != AutoGainEnd::Stopped) lblcalibrando->setVisible(false);
}

void Frm_Vetrol::cmd_autocalibra_Click() {
    if (variant_ != PanelVariant::Mini || !OperationAllowed(true)) return;
    const int station = std::max(0, Station());
    bool corrected = false;
    const int target = AutocalTarget(BoxNumber(Str(txt_autocal->text())), corrected);
    if (corrected) txt_autocal->setText("110");
    const PortHold hold;
    RunAutocalibration(station, target, [this](int b) {
        cmd_autocalibra->setText(QString::number(b));
        cmd_autocalibra->repaint();
    });
}

void Frm_Vetrol::cmdTEST_Click() {
    if (!OperationAllowed(true)) return;
    if (m_online != -1) {
        platform::MsgBox(kOfflineRefusal);
        return;
    }
    const int station = Station();
    const GainCurveFiles files;
    if (const auto bad = files.DeleteAll()) {
        platform::MsgBox("Error writing " + *bad);
        return;
    }
    txt_test->setText("Gain=0;Pinhole=0");
    picturecal->Scale(0, 0, 383, 10);
    m_test_running = -1;
    lblcalibrando->setText("");
    lblcalibrando->setVisible(true);
    const int samplesPer = variant_ == PanelVariant::Mini ? 6 : 21;
    std::vector<std::array<int16_t, kPanelChannels>> samples(static_cast<size_t>(samplesPer));
    auto stopped = [this] { return m_test_running == 0 || m_online != -1 || g_run_state != 0 || ProgramEndRequested(); };
    auto sample = [&] {
        platform::PumpEvents();
        m_sample_done = 0;
        if (station >= 0) ReadRealTimeLevels(station);
        while (m_sample_done == 0 && m_test_running == -1) platform::SleepPumping(1);
    };
    auto end = [this] {
        m_test_running = 0;
        lblcalibrando->setVisible(false);
    };
    for (int p = 0; p <= 7; ++p) {
        for (int g = 0; g <= 7; ++g) {
            picturecal->Cls();
            {
                const PortHold hold;
                SetTestGainPinhole(variant_, std::max(0, station), p, g);
            }
            txt_test->setText(Q("Gain=" + std::to_string(g) + ";Pinhole=" + std::to_string(p)));
            txt_test->repaint();
            platform::PumpEvents();
            picturecal->Line(6 * (8 * p + g), 0, 6 * (8 * p + g), 10, kRed);
            if (stopped()) return end();
            platform::SleepMs(10);
            sample();
            sample();
            m_history.slot = 0;
            std::string caption = "Reading";
            for (int s = 0; s < samplesPer; ++s) {
                lblcalibrando->setText(Q(caption));
                lblcalibrando->repaint();
                caption += ".";
                sample();
                const int last = m_history.slot == 0 ? kHistorySlots - 1 : m_history.slot - 1;
                const auto& row = m_history.LevelRow(last);
                std::copy(row.begin(), row.begin() + kPanelChannels, samples[static_cast<size_t>(s)].begin());
                if (stopped()) return end();
            }
            if (const auto bad = files.Append(p, g, samples)) {
                platform::MsgBox("Error writing " + *bad);
                return end();
            }
        }
    }
    end();
}

// ---- live loop and display ---------------------------------------------------------

void Frm_Vetrol::ReadRealTimeLevels(int station) {
    bool ok = true;
    {
        const PortHold hold;
        ok = ReadSampleBlocks(variant_, station, m_history, [this] { return m_online == -1; });
    }
    if (!ok) {
        m_online = 0;
        SetIndicators(false);
        platform::MsgBox(variant_ == PanelVariant::Mini ? "COM ERROR" : "COM Error");
    }
    m_history.UpdatePeakLine([](int ch) { return g_channel_threshold[static_cast<size_t>(ch)][0]; });
    DrawPanelWellMap();
    DrawPanelTrace();
    m_sample_done = 1;
    m_history.Advance();
}

void Frm_Vetrol::ScanStep(const ScanGeometry& g, int x, int y, uint32_t colour) {
    for (int k = 0; k <= 24; ++k)
        for (int r = 0; r <= 16; ++r) Picwell_out->PSet(k * g.cw + x, r * g.ch + y, colour);
}

void Frm_Vetrol::Cmd_online_Click() {
    if (loopDepth_ > 0) return;
    if (g_run_state != 0) {
        platform::MsgBox(kRunRefusal);
        return;
    }
    ++loopDepth_;
    Cmd_online->setEnabled(false);
    m_history.count = 0;
    SetIndicators(true);
    DrawPanelAxes();
    Picreal->Cls();
    ClearPanelTrace();
    m_online = -1;
    m_history.ClearLevels();
    Picwell_out->Cls();
    Picwell_out->ScalePixels();
    const double w = Picwell_out->width(), h = Picwell_out->height();
    Picwell_out->Scale(0, 0, RoundHalfEven(w), RoundHalfEven(h));
    const ScanGeometry g = ScanGeometryOf(w, h);
    for (int y = 0; m_online == -1;) {
        for (int x = 0; x <= g.cw; ++x) {
            const int b = DrawnBrightness(BoxNumber(Str(txt_brillo->text())));
            Picwell_out->SetDrawWidth(DrawnDotSize(BoxNumber(Str(txt_pixsize->text()))));
            ScanStep(g, x, y, Rgb(b, b, b));
            platform::PumpEvents();
            // A run that has started, or the end of the program, stops the loop.
            if ((g_run_state != 0 || ProgramEndRequested()) && m_online == -1) Cmd_offline_Click();
            m_sample_done = 0;
            const int station = Station();
            if (station >= 0) ReadRealTimeLevels(station);
            while (m_sample_done == 0 && m_online == -1) platform::SleepPumping(5);
            if (variant_ == PanelVariant::Twin) platform::PumpEvents();
            ScanStep(g, x, y, kBlack);
        }
        if (++y >= g.cw) y = 0;
    }
    --loopDepth_;
    Cmd_online->setEnabled(true);
    if (unloadPending_) FinishUnload();
}

void Frm_Vetrol::Cmd_offline_Click() {
    m_test_running = 0;
    Timerreal->stop();
    m_online = 0;
    SetIndicators(false);
    lblcalibrando->setVisible(false);
    Cmd_online->setEnabled(true);
}

void Frm_Vetrol::DrawPanelAxes() {
    Picwell->Scale(-75, -75, 2400, 1600);
    Picwell->Cls();
    Picwell->SetTextColor(kWhite);
    for (int i = 0; i < 24; ++i) Picwell->Print(100 * i + 25, -75, std::to_string(i + 1));
    for (int j = 0; j < 16; ++j) {
        if (variant_ == PanelVariant::Mini && j % 2 != 0) continue;
        const char letter = static_cast<char>(65 + (variant_ == PanelVariant::Mini ? j / 2 : j));
        Picwell->Print(-50, 100 * j, std::string(1, letter));
    }
    for (int c = 0; c < 24; ++c)
        for (int r = 0; r < 16; ++r) {
            Picwell->Box(100 * c, 100 * r, 100 * c + 100, 100 * r + 100, kRed);
            Picwell->Circle(100 * c + 50, 100 * r + 50, 5, kBlue);
        }
}

void Frm_Vetrol::DrawPanelWellMap() {
    const int s = m_history.slot;
    for (int c = 0; c < 24; ++c)
        for (int r = 0; r < 16; ++r) {
            const int grey = GreyOfLevel(m_history.Level(s, 16 * c + r));
            Picwell->FilledBox(100 * c, 100 * r, 100 * c + 100, 100 * r + 100, Rgb(grey, grey, grey));
        }
    for (int c = 0; c < 24; ++c)
        for (int r = 0; r < 16; ++r) {
            Picwell->Box(100 * c, 100 * r, 100 * c + 100, 100 * r + 100, kRed);
            Picwell->Circle(100 * c + 50, 100 * r + 50, 5, kBlue);
        }
}

void Frm_Vetrol::ClearPanelTrace() {
    Picreal->FilledBox(0, 0, -250, 2000, kWhite);
    Picreal->FilledBox(0, 0, 600, 20, kBlack);
    Picreal->FilledBox(0, 0, 6, 2000, kBlack);
    Picreal->SetTextColor(kBlack);
    Picreal->Print(200, -65, "Time");
}

void Frm_Vetrol::DrawPanelTrace() {
    const int ch = std::min(SelectedChannel(), 383);
    g_selected_channel = static_cast<int16_t>(ch);
    Picreal->Cls();
    BuildTraceSegments(m_history, ch, m_panel_zoom, m_trace_max[static_cast<size_t>(ch)], segments_);
    for (const TraceSegment& s : segments_) Picreal->Line(s.x0, s.y0, s.x1, s.y1, s.blue ? kBlue : kRed);
    ClearPanelTrace();
}

// ---- the one panel of the technical menu ----------------------------------------------

Frm_Vetrol& FrmVetrolMini() {
    if (!g_panel) g_panel = new Frm_Vetrol(PanelVariant::Mini);
    return *g_panel;
}

bool FrmVetrolMiniLoaded() { return g_panel != nullptr; }

void ShowTechnicalPanel() {
    Frm_Vetrol& p = FrmVetrolMini();
    p.show();
    p.raise();
}

}  // namespace vondrel
