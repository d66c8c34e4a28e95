// The main window's controls as created: names, kinds, captions, hidden and
// disabled flags, timers, menus and control arrays; and the screenshots of
// the launcher and the main window.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "WindowFixture.h"
#include "mainwindow/Canvas.h"
#include "platform/Files.h"
#include "store/Config.h"

namespace vondrel {
namespace {

enum Flags { None = 0, Hidden = 1, Disabled = 2 };

struct Control {
    const char* name;
    const char* kind;     // Qt class the control is made of
    const char* caption;  // caption, text, title or tooltip; nullptr: not checked
    int flags;
};

std::string CaptionOf(QObject* o) {
    if (auto* b = qobject_cast<QPushButton*>(o)) return (b->text().isEmpty() ? b->toolTip() : b->text()).toStdString();
    if (auto* l = qobject_cast<QLabel*>(o)) return l->text().toStdString();
    if (auto* t = qobject_cast<QLineEdit*>(o)) return t->text().toStdString();
    if (auto* c = qobject_cast<QCheckBox*>(o)) return c->text().toStdString();
    if (auto* c = qobject_cast<QComboBox*>(o)) return c->currentText().toStdString();
    if (auto* g = qobject_cast<QGroupBox*>(o)) return g->title().toStdString();
    return "";
}

const Control kControls[] = {
    // On the window
    {"Framereal", "QGroupBox", "", Hidden},
    {"frame_config", "QGroupBox", "Tools", Hidden},
    {"PicPanel1", "vondrel::Canvas", nullptr, None},
    {"PicPanel2", "vondrel::Canvas", nullptr, None},
    {"lblcalibrando", "QLabel", "Setting blank...", Hidden},
    {"lbl_autostart", "QLabel", " Auto-Restart Enabled: [Cycle 1] . Restarting time = 4h", Hidden},
    {"Line1", "QFrame", nullptr, None},
    // Framereal
    {"txtzoom", "QLineEdit", "0", None},
    {"lstgrup", "QListWidget", nullptr, None},
    {"txtsub", "QLineEdit", "0", None},
    {"Combofila", "QComboBox", "A", None},
    {"Combocol", "QComboBox", "1", None},
    {"lbl_listwells", "QLabel", "Well:", None},
    {"Label3", "QLabel", "Channel:", None},
    {"lblcanal", "QLabel", "0", None},
    // frame_config, frm_mn1
    {"combo_minutes", "QComboBox", "60", None},
    {"lbl_binsize", "QLabel", "Bin size (min):", None},
    {"frm_mn1", "QGroupBox", "", None},
    {"Cmb_organism", "QComboBox", nullptr, None},
    {"txt_snr_umbral", "QLineEdit", "1.7", Hidden},
    {"mnCalibra", "QCheckBox", "Auto   Calibration", None},
    {"mnZero", "QCheckBox", "Auto   Zero", None},
    {"cmd_calibra", "QPushButton", "Fast CALIB", None},
    {"Cmd_autozero", "QPushButton", "Fast ZERO", None},
    {"Cmd_readblank", "QPushButton", "Read Blank", Hidden},
    {"Shape10", "vondrel::Shape", nullptr, None},
    {"lbl_umbral", "QLabel", ">>>>", None},
    // Left panel
    {"Cmd_gridplot", "QPushButton", "Heatmap PLOT", None},
    {"Cmd_barplot", "QPushButton", "Bar Plot", None},
    {"cmd_connect", "QPushButton", "Connect", Hidden},
    {"Cmd_disconnect", "QPushButton", "Disconnect", Hidden},
    {"Cmd_histoplot", "QPushButton", "BodyBends Histogram PLOT", Hidden},
    {"picturetime", "vondrel::Canvas", nullptr, None},
    {"Txt_time", "QLineEdit", "00:00", None},
    {"cmdbeam_plus", "QPushButton", ">", None},
    {"txtbeam", "QLineEdit", "", None},
    {"combogrup", "QComboBox", "Grupo 1", None},
    {"Cmdzoom_plus", "QPushButton", "+", None},
    {"Cmdzoom_minus", "QPushButton", "-", None},
    {"cmdbeam_minus", "QPushButton", "<", None},
    {"Picreal", "vondrel::Canvas", nullptr, None},
    {"cmd_pgdown", "QPushButton", "<", None},
    {"cmd_pgup", "QPushButton", ">", None},
    {"Picact", "vondrel::Canvas", nullptr, None},
    {"shape_real", "vondrel::Shape", nullptr, None},
    {"lbl_station", "QLabel", "STATION 1", None},
    {"lbl_temperature", "QLabel", "T = __ °C ", None},
    {"frm_autotext", "QGroupBox", "", None},
    {"picturecal", "vondrel::Canvas", nullptr, None},
    {"lbl_autochannel", "QLabel", "starting....", None},
    {"lbl_autotext", "QLabel", "<AUTOCALIBRATION>", None},
    {"Shape1", "vondrel::Shape", nullptr, None},
    // Right panel
    {"lst_report_export", "QListWidget", nullptr, Hidden},
    {"cmd_stack_pos_0", "QPushButton", "STATION1", None},
    {"cmd_stack_pos_1", "QPushButton", "STATION2", None},
    {"cmd_stack_pos_2", "QPushButton", "STATION3", None},
    {"cmd_stack_pos_3", "QPushButton", "STATION4", None},
    {"chk_enabled_0", "QCheckBox", "", Disabled},
    {"chk_enabled_1", "QCheckBox", "", None},
    {"chk_enabled_2", "QCheckBox", "", None},
    {"chk_enabled_3", "QCheckBox", "", None},
    {"Cmdoffline", "QPushButton", "< Back", None},
    {"Frame_light", "QGroupBox", "Light Control", Hidden},
    {"Frame_temp", "QGroupBox", "Temperature", Hidden},
    {"Frame_setup", "QGroupBox", "", Hidden},
    {"CmdStop", "QPushButton", "Stop Acquisition", None},
    {"CmdPause", "QPushButton", "", Hidden},
    {"CmdPlay", "QPushButton", "Start Acquisition", None},
    {"Cmdreport", "QPushButton", "Show my report", None},
    {"shape_stacks", "vondrel::Shape", nullptr, None},
    {"lbl_torun", "QLabel", "Ready to run?", None},
    // Frame_light
    {"Chk_lenabled", "QCheckBox", "Enable", None},
    {"cmd_luz", "QPushButton", "OFF", None},
    {"cmd_cyclepulse", "QPushButton", "Cycle/Pulse", None},
    {"frm_pulse", "QGroupBox", "Frame1", Hidden},
    {"cmd_nextwindows2", "QPushButton", "", None},
    {"txt_lon", "QLineEdit", "09", None},
    {"txt_loff", "QLineEdit", "21", None},
    {"Label_lon", "QLabel", "ON", None},
    {"Label_loff", "QLabel", "OFF", None},
    {"Label_lh", "QLabel", "h", None},
    {"shape_light", "vondrel::Shape", nullptr, None},
    {"Label_lbar", "QLabel", "/", None},
    // frm_pulse
    {"txt_pulsetimes", "QLineEdit", "0", None},
    {"txt_pulseoff", "QLineEdit", "9", None},
    {"txt_pulseon", "QLineEdit", "1", None},
    {"Shape_white", "vondrel::Shape", nullptr, None},
    {"Shape_dark", "vondrel::Shape", nullptr, None},
    {"Label_ltimes", "QLabel", "times", None},
    {"Label_X", "QLabel", "X", None},
    {"Label21", "QLabel", "min", None},
    {"Label19", "QLabel", "min", None},
    // Frame_temp
    {"Chk_tenabled", "QCheckBox", "Enabled", None},
    {"cmd_ontemp", "QPushButton", "OFF", None},
    {"cmd_frio", "QPushButton", "COOL", None},
    {"txttemp", "QLineEdit", "20", None},
    {"Cmd_settemp", "QPushButton", "SET", None},
    {"cmd_nextwindows1", "QPushButton", "", None},
    {"shape_temp", "vondrel::Shape", nullptr, None},
    {"Label_C", "QLabel", "*C", None},
    // Frame_setup
    {"txt_projecto", "QLineEdit", "Test ", Disabled},
    {"Txt_description", "QLineEdit", "", None},
    {"Cmdsetup", "QPushButton", ">Edit", None},
    {"txt_subproject", "QLineEdit", "Test ", Disabled},
    {"chk_bodybends", "QCheckBox", "Body-Bends Mode (Experimental)", Hidden},
    {"txt_detection", "QLineEdit", "Detection Mode=1, C.elegans [snr1.8]", Disabled},
    {"lbl_project", "QLabel", "PROJECT", None},
    {"Label_wellformat", "QLabel", "Format:", None},
    {"Label_acqlapse", "QLabel", "Time:", None},
    {"Lbl_keywords", "QLabel", "Notes:", None},
    {"txt_acqlapse", "QLabel", "30 min", None},
    {"txt_wellformat", "QLabel", "96f Microplate", None},
    {"lbl_subproject", "QLabel", "Current Acquisition", None},
    {"Shape_sq", "vondrel::Shape", nullptr, None},
};

class MainControls : public testing::WindowTest {};

TEST_F(MainControls, InventoryAsCreated) {
    // A window of its own, before any layout or start-up has touched it.
    Frm_Main main;
    EXPECT_EQ(main.windowTitle().toStdString(), "<Vondrel> Acquisition Software  --------> Main");
    for (const auto& c : kControls) {
        SCOPED_TRACE(c.name);
        QWidget* w = main.findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(c.kind)) << w->metaObject()->className();
        if (c.caption) {
            EXPECT_EQ(CaptionOf(w), c.caption);
        }
        EXPECT_EQ(w->isHidden(), (c.flags & Hidden) != 0);
        EXPECT_EQ(!w->isEnabled(), (c.flags & Disabled) != 0);
    }
    // Picture buttons show a picture, not a caption.
    for (QPushButton* b : {main.CmdPlay, main.CmdStop, main.CmdPause, main.Cmd_barplot, main.Cmd_gridplot,
                           main.Cmd_histoplot}) {
        EXPECT_TRUE(b->text().isEmpty());
        EXPECT_FALSE(b->icon().isNull());
    }
    // The containers.
    EXPECT_EQ(main.frm_autotext->parentWidget(), main.Picact);
    EXPECT_EQ(main.frm_mn1->parentWidget(), main.frame_config);
    EXPECT_EQ(main.frm_pulse->parentWidget(), main.Frame_light);
    EXPECT_EQ(main.Cmdsetup->parentWidget(), main.Frame_setup);
    EXPECT_EQ(main.lstgrup->parentWidget(), main.Framereal);
    EXPECT_EQ(main.cmd_stack_pos[3]->parentWidget(), main.PicPanel2);
    EXPECT_EQ(main.Picreal->parentWidget(), main.PicPanel1);
}

TEST_F(MainControls, TimersAreCreatedDisabled) {
    Frm_Main main;
    const struct {
        const char* name;
        int interval;
    } timers[] = {{"Timer_button", 1000}, {"Timerinicio", 1000}, {"Timeradq", 5}, {"Timer_test", 200}};
    for (const auto& t : timers) {
        SCOPED_TRACE(t.name);
        auto* timer = main.findChild<QTimer*>(t.name);
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->interval(), t.interval);
        EXPECT_FALSE(timer->isActive());
    }
}

TEST_F(MainControls, MenuTree) {
    Frm_Main main;
    const struct {
        const char* name;
        const char* caption;
        const char* parent;
    } items[] = {
        {"mn_settings", "Settings", "mnfile"},
        {"mn_commports", "COM Ports", "mn_settings"},
        {"mn_advanced", "Advanced", "mnfile"},
        {"mn_manualcal", "Manual_Calibration", "mn_advanced"},
        {"mncal_on", "ON", "mn_manualcal"},
        {"mncal_off", "OFF", "mn_manualcal"},
        {"mn_userbin", "User Defined BIN size", "mn_advanced"},
        {"mn_factory", "Factory Settings", "mn_advanced"},
        {"mn_more", "More...", "mn_advanced"},
        {"lght_ctl", "Light Control", "mn_more"},
        {"temp_ctl", "Temperature Control", "mn_more"},
        {"chk_zmonitor", "AutoRestart on ComError", "mn_more"},
        {"mn_technical", "Technical Menu (require password)", "mn_more"},
        {"mnstatustest", "Test DEVICE", "mnfile"},
        {"mn_", "", "mnfile"},
        {"mnexit", "Exit", "mnfile"},
        {"mncontent", "Content", "mnhelp"},
        {"mnbar2", "", "mnhelp"},
        {"mnabout", "About", "mnhelp"},
        {"mn_ascii", "Export ASCII", "mnMenuhide"},
        {"mn_bmp", "Export .BMP", "mnMenuhide"},
    };
    auto actionsOf = [&](const char* menu) { return main.findChild<QMenu*>(menu)->actions(); };
    for (const auto& it : items) {
        SCOPED_TRACE(it.name);
        QAction* found = nullptr;
        for (QAction* a : actionsOf(it.parent)) {
            if (a->objectName() == it.name || (a->menu() && a->menu()->objectName() == it.name)) found = a;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->text().toStdString(), it.caption);
    }
    EXPECT_EQ(main.mnfile->title().toStdString(), "File");
    EXPECT_EQ(main.mnhelp->title().toStdString(), "Help");
    EXPECT_EQ(main.mnMenuhide->title().toStdString(), "Menuhide");
    EXPECT_TRUE(main.mn_->isSeparator());
    const auto ports = actionsOf("mn_commports");
    ASSERT_EQ(ports.size(), 15);
    for (int i = 1; i <= 15; ++i) {
        EXPECT_EQ(ports[i - 1]->objectName().toStdString(), "mncom1_" + std::to_string(i));
        EXPECT_EQ(ports[i - 1]->text().toStdString(), "COM" + std::to_string(i));
    }
}

TEST_F(MainControls, ControlArraysReachOneHandlerWithTheIndex) {
    Prepare();
    Frm_Main& main = FrmMain();
    main.SetCommandLine("");
    ASSERT_TRUE(main.Form_Load());
    main.cmd_stack_pos[2]->click();
    EXPECT_EQ(main.m_run.m_station, 2);
    EXPECT_EQ(main.lbl_station->text().toStdString(), "STATION 3");
    main.cmd_stack_pos[0]->click();
    EXPECT_EQ(main.m_run.m_station, 0);

    main.mncom1[3]->trigger();
    main.mncom1[7]->trigger();
    EXPECT_EQ(g_com_port, 7);
    for (int i = 1; i <= 15; ++i) EXPECT_EQ(main.mncom1[i]->isChecked(), i == 7) << i;
    g_com_port = 1;
    LoadConfig();
    EXPECT_EQ(g_com_port, 7);  // config.dat rewritten
}

TEST_F(MainControls, SelectorsFilledFromPlateAndGroups) {
    Prepare();
    Frm_Main& main = FrmMain();
    main.SetCommandLine("");
    ASSERT_TRUE(main.Form_Load());
    ASSERT_EQ(main.Combofila->count(), g_plate_rows);
    EXPECT_EQ(main.Combofila->itemText(0).toStdString(), "A");
    EXPECT_EQ(main.Combofila->itemText(g_plate_rows - 1).toStdString(), std::string(1, char('A' + g_plate_rows - 1)));
    ASSERT_EQ(main.Combocol->count(), g_plate_cols);
    EXPECT_EQ(main.Combocol->itemText(g_plate_cols - 1).toStdString(), std::to_string(g_plate_cols));
    ASSERT_GT(main.combogrup->count(), 0);
    EXPECT_EQ(main.combogrup->currentText().left(4).toStdString(), "000_");
    // Every listed channel is a ChannelLabel: letter, column, ".", beam.
    for (int i = 0; i < main.lstgrup->count(); ++i) {
        QString t = main.lstgrup->item(i)->text();
        EXPECT_TRUE(t.at(0).isUpper() && t.contains('.')) << t.toStdString();
    }
}

TEST_F(MainControls, ScreenshotsOfLauncherAndMainWindow) {
    Prepare();
    Frm_Main& main = FrmMain();
    main.SetCommandLine("");
    ASSERT_TRUE(main.Form_Load());
    QDir().mkpath(VONDREL_SCREENSHOT_DIR);
    const std::string dir = VONDREL_SCREENSHOT_DIR;
    FrmInit().repaint();
    ASSERT_TRUE(FrmInit().grab().save(QString::fromStdString(dir + "/launcher.png")));
    ScaleForSimulator();
    testing::SimProcess sim(home.Path(), g_com_port);
    FrmInit().cmd_option2->click();
    main.resize(1024, 768);
    QCoreApplication::processEvents();
    ASSERT_TRUE(main.grab().save(QString::fromStdString(dir + "/main_window.png")));
    EXPECT_TRUE(platform::FileExists(dir + "/launcher.png"));
    EXPECT_TRUE(platform::FileExists(dir + "/main_window.png"));
}

}  // namespace
}  // namespace vondrel
