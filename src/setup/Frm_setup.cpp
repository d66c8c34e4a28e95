#include "setup/Frm_setup.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Init.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Shape.h"
#include "mainwindow/Shaping.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/ProgramFolder.h"
#include "setup/PlateGroups.h"
#include "setup/ProjectRules.h"
#include "setup/SetupLayout.h"
#include "platform/qt/NamedWidget.h"
#include "store/Config.h"
#include "store/Globals.h"
#include "store/Project.h"
#include "store/SettingsText.h"
#include "store/Setup.h"

namespace vondrel {

using platform::MsgBox;
using platform::Reply;

namespace {


QGroupBox* Frame(QWidget* parent, const char* name, const char* caption) {
    auto* f = Make<QGroupBox>(parent, name);
    f->setTitle(QString::fromUtf8(caption));
    return f;
}

QComboBox* List(QWidget* parent, const char* name, bool editable) {
    auto* c = Make<QComboBox>(parent, name);
    c->setEditable(editable);
    if (editable) c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

// The user's typed name as the store keeps it: a double quote becomes a
// single quote.
std::string AsStored(const std::string& name) { return StorableName(name).value_or(name); }

}  // namespace

Frm_setup::Frm_setup(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Frm_setup");
    setWindowTitle("Project Setup");
    // The layout scales with the window; below this size some captions would
    // no longer fit their places, so the window opens at it and grows only.
    setMinimumSize(setup::kSetupMinimumWidth, setup::kSetupMinimumHeight);
    resize(minimumSize());
    BuildControls();
    ConnectControls();
}

Frm_setup::~Frm_setup() = default;

void Frm_setup::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("central");
    setCentralWidget(central);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(platform::ScaledMs(200));

    PicPanel1 = Make<Canvas>(central, "PicPanel1");
    PicPanel2 = Make<Canvas>(central, "PicPanel2");
    Label_workingfolder = Make<QLabel>(central, "Label_workingfolder", "Working Folder:");
    Txtfolder = Make<QLineEdit>(central, "Txtfolder");

    // ---- PicPanel1: the plate, the stations and the groups ----
    Picwell = Make<Canvas>(PicPanel1, "Picwell");
    Picwell->setToolTip("Click wells to assign/remove groups");
    Picwell->setMouseTracking(true);
    Picwell->installEventFilter(this);
    lbl_listgrupos = Make<QLabel>(PicPanel1, "lbl_listgrupos", "Stations:");
    for (int k = 0; k < 4; ++k) {
        const std::string name = "plate_option_" + std::to_string(k);
        plate_option[k] = Make<QRadioButton>(PicPanel1, name.c_str());
        plate_option[k]->setText("STATION " + QString::number(k + 1));
    }
    plate_option[0]->setChecked(true);
    Label_wellformat = Make<QLabel>(PicPanel1, "Label_wellformat", "Microplate:");
    Label_wellformat->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Combowell = List(PicPanel1, "Combowell", true);
    cmd_goset = Make<QPushButton>(PicPanel1, "cmd_goset", "AUTO-ARRANGE");
    Label_groupsname = Make<QLabel>(PicPanel1, "Label_groupsname", "Groups:");
    combogrup = Make<QListWidget>(PicPanel1, "combogrup");
    combogrup->setToolTip("Dblclick to Rename");
    combogrup->installEventFilter(this);
    Cmd_clear = Make<QPushButton>(PicPanel1, "Cmd_clear", "CLEAR");
    Label19 = Make<QLabel>(PicPanel1, "Label19", "Well:");
    lblnchannel = Make<QLabel>(PicPanel1, "lblnchannel");
    cmd_annot_web = Make<QPushButton>(PicPanel1, "cmd_annot_web", "Advanced Annotation");
    cmd_annot_web->setEnabled(false);
    txt_annot_id = Make<QLineEdit>(PicPanel1, "txt_annot_id");
    cmd_annot_sync = Make<QPushButton>(PicPanel1, "cmd_annot_sync", "Sync");
    Label_assigned = Make<QLabel>(PicPanel1, "Label_assigned", "Assigned channels:");
    lstgrup = Make<QListWidget>(PicPanel1, "lstgrup");
    lstgrup->installEventFilter(this);
    Command12 = Make<QPushButton>(PicPanel1, "Command12", "<=");
    Command13 = Make<QPushButton>(PicPanel1, "Command13", "=>");
    Label_free = Make<QLabel>(PicPanel1, "Label_free", "Free channels:");
    lstchgrup = Make<QListWidget>(PicPanel1, "lstchgrup");
    lstchgrup->installEventFilter(this);
    Combo_sets = List(PicPanel1, "Combo_sets", false);
    Combo_sets->hide();
    mngroup = new QMenu(this);
    mngroup->setObjectName("mngroup");
    for (int k = 0; k < 24; ++k) {
        mnopciongrup[k] = mngroup->addAction(QString());
        mnopciongrup[k]->setObjectName("mnopciongrup_" + QString::number(k));
        mnopciongrup[k]->setCheckable(true);
        connect(mnopciongrup[k], &QAction::triggered, this, [this, k] { mnopciongrup_Click(k); });
    }

    frm_advance = Frame(PicPanel1, "frm_advance", "");
    frm_advance->setAutoFillBackground(true);
    cmd_askai = Make<QPushButton>(frm_advance, "cmd_askai", "Ask AI");
    cmd_searchDB = Make<QPushButton>(frm_advance, "cmd_searchDB", "Search DB");
    BuildAnnotationControls();
    frm_advance->hide();

    // ---- PicPanel2: the project, the notes and the way on ----
    lbl_project = Make<QLabel>(PicPanel2, "lbl_project", "PROJECT SETUP");
    chk_advance = Make<QCheckBox>(PicPanel2, "chk_advance", "Annotation");
    Command_main = Make<QPushButton>(PicPanel2, "Command_main", "Continue to Run...");
    Cmdoffline = Make<QPushButton>(PicPanel2, "Cmdoffline", "< Back");

    frm_project = Frame(PicPanel2, "frm_project", "");
    Label16 = Make<QLabel>(frm_project, "Label16", "SELECT PROJECT TO LOAD:");
    List_project = Make<QListWidget>(frm_project, "List_project");
    Cmd_cancel = Make<QPushButton>(frm_project, "Cmd_cancel", "Cancel");
    frm_project->hide();

    Frame_setup = Frame(PicPanel2, "Frame_setup", "");
    txtprj = Make<QLineEdit>(Frame_setup, "txtprj");
    txtprj->setToolTip("DblClick to Rename");
    txtprj->setReadOnly(true);
    txtprj->installEventFilter(this);
    cmdLoad = Make<QPushButton>(Frame_setup, "cmdLoad", "Load...");
    Cmdsavepj = Make<QPushButton>(Frame_setup, "Cmdsavepj", "Save...");
    Cmdnewpj = Make<QPushButton>(Frame_setup, "Cmdnewpj", "New...");
    Label_acqlapse = Make<QLabel>(Frame_setup, "Label_acqlapse", "Acquisition lapse:");
    Txtlapse = Make<QLineEdit>(Frame_setup, "Txtlapse");
    Label_acqlapse2 = Make<QLabel>(Frame_setup, "Label_acqlapse2", "minutes");
    Lbl_keywords = Make<QLabel>(Frame_setup, "Lbl_keywords", "Notes:");
    Txt_description = Make<QPlainTextEdit>(Frame_setup, "Txt_description");
    shape_square = new Shape(Frame_setup);
    shape_square->setObjectName("shape_square");
    txt_detection = Make<QLineEdit>(Frame_setup, "txt_detection");
    txt_detection->setReadOnly(true);
    txt_detection->setText("Detection settings:");
    lbl_organism = Make<QLabel>(Frame_setup, "lbl_organism", "organism");
    Cmb_organism = List(Frame_setup, "Cmb_organism", false);
    txt_snr = Make<QLabel>(Frame_setup, "txt_snr", "SNR");
    txt_snr->installEventFilter(this);
    lbl_snr = Make<QLineEdit>(Frame_setup, "lbl_snr");
    lbl_snr->installEventFilter(this);
    lbl_dsp = Make<QLabel>(Frame_setup, "lbl_dsp", "Mode:");
    ComboDSP = List(Frame_setup, "ComboDSP", false);

    Frame_advanced = Frame(PicPanel2, "Frame_advanced", "");
    Check_saverealtime = Make<QCheckBox>(Frame_advanced, "Check_saverealtime", "Save Real-Time Data");
    Combosavereal = List(Frame_advanced, "Combosavereal", true);
    chktemp = Make<QCheckBox>(Frame_advanced, "chktemp", "Temperature Control*");
    chklight = Make<QCheckBox>(Frame_advanced, "chklight", "Light Control*");
    lbl_message = Make<QLabel>(Frame_advanced, "lbl_message", "*Available only in some Hardware versions!");
    Combosavereal->setGeometry(5, 40, 60, 22);
    Frame_advanced->hide();

    // ---- Frameconfig: the parameters the panels leave out ----
    Frameconfig = Frame(central, "Frameconfig", "");
    Make<QLabel>(Frameconfig, "Label_aqmode", "   Acq Mode:");
    Combo_aqmode = List(Frameconfig, "Combo_aqmode", true);
    Make<QLabel>(Frameconfig, "Label_sample", "Sample rate:");
    Txtsample = Make<QLineEdit>(Frameconfig, "Txtsample");
    Make<QLabel>(Frameconfig, "Label_buffer", "Real-time Buffer:");
    Txtbuffer = Make<QLineEdit>(Frameconfig, "Txtbuffer");
    Txtbuffer->installEventFilter(this);
    Make<QLabel>(Frameconfig, "Label_dspinterval", "DSP Interval:");
    Txt_dspinterval = Make<QLineEdit>(Frameconfig, "Txt_dspinterval");
    Make<QLabel>(Frameconfig, "Label_savecount", "Save Counts/minute");
    Combosavecount = List(Frameconfig, "Combosavecount", true);
    chkcalib = Make<QCheckBox>(Frameconfig, "chkcalib", "Calibration Control");
    Chk_mn4 = Make<QCheckBox>(Frameconfig, "Chk_mn4", "Menu 4");
    Chk_mn5 = Make<QCheckBox>(Frameconfig, "Chk_mn5", "Menu 5");
    Chk_mn6 = Make<QCheckBox>(Frameconfig, "Chk_mn6", "Menu 6");

    // The heights the layout leaves as they are (it sets only the widths of
    // these): drop-down boxes one line high, and station buttons that fit the
    // half panel row between the two rows of stations at the smallest window.
    for (QComboBox* c : findChildren<QComboBox*>()) c->resize(c->width(), c->sizeHint().height());
    for (QRadioButton* o : plate_option) o->resize(o->width(), setup::kStationButtonHeight);

    mnmenu = menuBar()->addMenu("Menu");
    mnmenu->setObjectName("mnmenu");
    mn_advanced = mnmenu->addAction("Advanced Tools");
    mn_advanced->setObjectName("mn_advanced");
}

void Frm_setup::ConnectControls() {
    auto click = [this](QPushButton* b, void (Frm_setup::*h)()) {
        connect(b, &QPushButton::clicked, this, [this, h] { (this->*h)(); });
    };
    click(Cmdnewpj, &Frm_setup::Cmdnewpj_Click);
    click(Cmdsavepj, &Frm_setup::Cmdsavepj_Click);
    click(cmdLoad, &Frm_setup::cmdLoad_Click);
    click(Cmd_cancel, &Frm_setup::Cmd_cancel_Click);
    click(Command_main, &Frm_setup::Command_main_Click);
    click(Cmdoffline, &Frm_setup::Cmdoffline_Click);
    click(Cmd_clear, &Frm_setup::Cmd_clear_Click);
    click(Command12, &Frm_setup::Command12_Click);
    click(Command13, &Frm_setup::Command13_Click);
    click(cmd_goset, &Frm_setup::cmd_goset_Click);
    click(cmd_askai, &Frm_setup::cmd_askai_Click);
    click(cmd_searchDB, &Frm_setup::cmd_searchDB_Click);
    click(cmd_annot_web, &Frm_setup::cmd_annot_web_Click);
    connect(List_project, &QListWidget::itemDoubleClicked, this, [this] { List_project_DblClick(); });

    connect(Combo_aqmode, &QComboBox::activated, this, [this] { Combo_aqmode_Click(); });
    connect(ComboDSP, &QComboBox::activated, this, [this] { ComboDSP_Click(); });
    connect(Cmb_organism, &QComboBox::activated, this, [this] { Cmb_organism_Click(); });
    connect(Combosavecount, &QComboBox::activated, this, [this] { Combosavecount_Click(); });
    connect(Combosavereal, &QComboBox::activated, this, [this] { Combosavereal_Click(); });
    connect(Txtlapse, &QLineEdit::textChanged, this, [this] { Txtlapse_Change(); });
    connect(Txtsample, &QLineEdit::textChanged, this, [this] { Txtsample_Change(); });
    connect(Txt_dspinterval, &QLineEdit::textChanged, this, [this] { Txt_dspinterval_Change(); });
    connect(chkcalib, &QCheckBox::toggled, this, [this] { chkcalib_Click(); });
    connect(chklight, &QCheckBox::toggled, this, [this] { chklight_Click(); });
    connect(chktemp, &QCheckBox::toggled, this, [this] { chktemp_Click(); });
    connect(chk_advance, &QCheckBox::toggled, this, [this] { chk_advance_Click(); });
    connect(mn_advanced, &QAction::triggered, this, [this] { mn_advanced_Click(); });

    connect(Combowell, &QComboBox::activated, this, [this] { Combowell_Click(); });
    // An editable combo box reports its typed text as a pick when its box loses
    // the focus (to another control, its own list or the menu). Only an entry
    // picked from the list changes the plate format.
    QObject::disconnect(Combowell->lineEdit(), &QLineEdit::editingFinished, Combowell, nullptr);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    for (int k = 0; k < 4; ++k)
        connect(plate_option[k], &QRadioButton::clicked, this, [this, k] { plate_option_Click(k); });
    connect(combogrup, &QListWidget::currentRowChanged, this, [this] {
        if (!m_in_handler) combogrup_Click();
    });
    connect(combogrup, &QListWidget::itemDoubleClicked, this, [this] { combogrup_DblClick(); });
    connect(lstgrup, &QListWidget::itemDoubleClicked, this, [this] { lstgrup_DblClick(); });
    connect(lstchgrup, &QListWidget::itemDoubleClicked, this, [this] { lstchgrup_DblClick(); });
}

void Frm_setup::EnsureLoaded() {
    if (!m_loaded) Form_Load();
}

void Frm_setup::showEvent(QShowEvent* event) {
    EnsureLoaded();
    QMainWindow::showEvent(event);
}

void Frm_setup::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

// ---------------------------------------------------------------------------
// Load
// ---------------------------------------------------------------------------

void Frm_setup::Form_Load() {
    m_loaded = true;
    // 1-3.
    RemoveListBoxBorder(combogrup);
    ShowAnnotationGrid();
    FillAnnotationColumns();
    for (QRadioButton* o : plate_option) o->show();
    m_last_far_row = 0;
    m_last_far_col = 0;

    // 4. The project is loaded once for the program; a later show keeps it.
    if (!g_project_loaded) LoadProject(g_project_number);

    // 5.
    RefreshProjectBoxes();
    Frame_advanced->hide();

    // 6. Plate formats of the program folder.
    std::vector<std::string> files;
    const std::string home = platform::ProgramFolder();
    for (const std::string& name : platform::ListFolder(home))
        if (platform::FileExists(platform::JoinPath(home, name))) files.push_back(name);
    const std::vector<std::string> codes = setup::PlateFormatsOf(files);
    Combowell->clear();
    bool listed = false;
    for (const std::string& code : codes) {
        Combowell->addItem(Q(code));
        if (code == g_plate_format) listed = true;
    }
    Combowell->setCurrentIndex(-1);
    Combowell->setEditText(listed ? Q(g_plate_format) : QString());

    // 7-9.
    FillParameters();
    frm_project->hide();

    // 10-11. Arrangement sets and the popup entries.
    const std::vector<std::string> sets = setup::ArrangementSets(g_plate_rows, g_plate_cols);
    Combo_sets->clear();
    for (const std::string& set : sets) Combo_sets->addItem(Q(set));
    Combo_sets->setCurrentIndex(sets.empty() ? -1 : setup::DefaultArrangementIndex(static_cast<int>(sets.size())));
    for (int k = 1; k < 24; ++k) mnopciongrup[k]->setVisible(false);
    for (int k = 0; k < static_cast<int>(sets.size()) && k < 24; ++k) {
        mnopciongrup[k]->setText(Q(sets[k]));
        mnopciongrup[k]->setVisible(true);
    }

    // 12. Groups, channel lists and the plate.
    BuildGroupCombo(0);
    RefreshChannelLists(CurrentGroup());
    m_plate_ready = 1;
    DrawPlateLayout();
}

void Frm_setup::RefreshProjectBoxes() {
    txtprj->setText(QString::number(g_project_number) + "_" + Q(g_project_name));
    Txtfolder->setText(Q(g_project_folder));
}

// ---------------------------------------------------------------------------
// Projects
// ---------------------------------------------------------------------------

void Frm_setup::CreateProject(const std::string& typed) {
    const std::string name = AsStored(typed);
    g_last_project_number = setup::NextProjectNumber(g_last_project_number);
    const int16_t number = g_last_project_number;
    const std::string folderName = setup::ProjectFolderName(number);
    const std::string folder = platform::JoinPath(platform::ProgramFolder(), folderName);
    if (platform::FolderExists(folder)) {
        if (platform::Ask("The project number to generate (" + folderName +
                              "already exists. do you like to overwrite?",
                          platform::Buttons::YesNo) != Reply::Yes)
            return;
    } else if (!platform::MakeFolder(folder)) {
        MsgBox("Error creating project folder " + folder);
        return;
    }
    // The project becomes current only once its files are written.
    const std::string oldFolder = g_project_folder, oldName = g_project_name;
    const int16_t oldNumber = g_project_number;
    g_project_folder = folder;
    g_project_number = number;
    g_project_name = name;
    std::string failed;
    if (!SaveProject(g_project_folder, g_project_number, -1, &failed)) {
        g_project_folder = oldFolder;
        g_project_number = oldNumber;
        g_project_name = oldName;
        MsgBox("Error saving project: " + failed);
        return;
    }
    RefreshProjectBoxes();
    SaveConfig();
}

void Frm_setup::Cmdnewpj_Click() {
    EnsureLoaded();
    if (platform::Ask("Do you like to Create a New Project?", platform::Buttons::OkCancel) != Reply::Ok) return;
    const std::string name = platform::InputBox(
        "Enter the New Project Name", "Saving <" + std::to_string(g_last_project_number + 1) + "> with a new name");
    CreateProject(name);
}

void Frm_setup::Cmdsavepj_Click() {
    EnsureLoaded();
    const std::string shown = Str(txtprj->text());
    const Reply r = platform::Ask("Do you like to Update <" + shown + "> values?", platform::Buttons::YesNoCancel);
    if (r == Reply::Yes) {
        std::string failed;
        if (!SaveProject(g_project_folder, g_project_number, -1, &failed)) MsgBox("Error saving project: " + failed);
    } else if (r == Reply::No) {
        CreateProject(platform::InputBox("Enter the New Project Name", "Saving <" + shown + "> with a new name"));
    }
}

void Frm_setup::cmdLoad_Click() {
    EnsureLoaded();
    const Reply r =
        platform::Ask("Do you like to save current values before new load?", platform::Buttons::YesNoCancel);
    if (r == Reply::Cancel || r == Reply::Ok) return;
    if (r == Reply::Yes) {
        std::string failed;
        if (!SaveProject(g_project_folder, g_project_number, -1, &failed)) {
            MsgBox("Error saving project: " + failed);
            return;
        }
    }
    FillProjectList();
    frm_project->show();
    frm_project->raise();
}

void Frm_setup::FillProjectList() {
    List_project->clear();
    const std::string home = platform::ProgramFolder();
    for (const std::string& name : platform::ListFolder(home)) {
        if (!setup::IsProjectEntryName(name)) continue;
        const std::string folder = platform::JoinPath(home, name);
        if (!platform::FileExists(platform::JoinPath(folder, "setup.dat"))) continue;
        List_project->addItem(Q(setup::ProjectListItem(name, ReadSetupSummary(folder))));
    }
}

void Frm_setup::List_project_DblClick() {
    QListWidgetItem* item = List_project->currentItem();
    if (!item) return;
    const std::string text = Str(item->text());
    auto choice = setup::ParseProjectListItem(text);
    if (!choice) return;
    if (choice->number > 32767) {
        MsgBox("Not possible to load " + text + ": project number out of range");
        return;
    }
    if (choice->number < 1) {
        g_project_folder = platform::ProgramFolder();
        g_project_number = 0;
    } else {
        g_project_folder = platform::JoinPath(platform::ProgramFolder(), choice->folderName);
        g_project_number = static_cast<int16_t>(choice->number);
    }
    SaveConfig();
    LoadProject(g_project_number);
    Form_Load();
}

void Frm_setup::Cmd_cancel_Click() { frm_project->hide(); }

void Frm_setup::txtprj_DblClick() {
    if (g_project_number == 0) {
        MsgBox("Not possible to rename the Default project. Save it with another Name");
        return;
    }
    const std::string answer = platform::InputBox("Rename Project: Entre New Name");
    if (!answer.empty()) g_project_name = AsStored(answer);
    RefreshProjectBoxes();
}

void Frm_setup::PassDetectionToMain() {
    Frm_Main& main = FrmMain();
    const ToolsTable& t = g_tool_param;
    main.txt_detection->setText(
        Q(setup::DetectionSummary(g_dsp_method, t[1][0], t[1][3], platform::LocaleDecimalSeparator())));
    main.txt_snr_umbral->setText(Q(setup::PlainSnrText(t[1][3])));
    main.Cmb_organism->setCurrentIndex(t[1][0] >= 0 && t[1][0] < main.Cmb_organism->count() ? t[1][0] : -1);
    main.Cmb_organism_Click();
}

void Frm_setup::Command_main_Click() {
    EnsureLoaded();
    ToolsTable& t = g_tool_param;
    if (t[1][3] == 0) t[1][3] = static_cast<int16_t>(setup::OrganismSnrTenths(t[1][0]));
    std::string failed;
    if (!SaveProject(g_project_folder, g_project_number, -1, &failed)) {
        MsgBox("Error saving project: " + failed);
        return;
    }
    Frm_Main& main = FrmMain();
    main.show();
    PassDetectionToMain();
    main.Txt_description->setText(Txt_description->toPlainText());
    Frame_advanced->hide();
    if (g_connected == 0) main.cmd_connect_Click();
    hide();
    main.show();
    main.Form_Activate();
}

void Frm_setup::Cmdoffline_Click() {
    EnsureLoaded();
    PassDetectionToMain();
    Frame_advanced->hide();
    FrmInit().show();
    hide();
}

void Frm_setup::Form_Unload() {
    FrmInit().show();
    FrmMain().Txt_description->setText(Txt_description->toPlainText());
}

void Frm_setup::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QMainWindow::closeEvent(event);
    // Closing unloads the window: the next show makes it afresh.
    if (Hooks().unloadSetup) Hooks().unloadSetup();
}

// ---------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------

bool Frm_setup::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == Picwell) {
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPointF at = Picwell->FromPixel(me->position().x(), me->position().y());
            int button = 0;
            const Qt::MouseButtons buttons = type == QEvent::MouseMove ? me->buttons() : Qt::MouseButtons(me->button());
            if (buttons & Qt::LeftButton) button |= 1;
            if (buttons & Qt::RightButton) button |= 2;
            if (type == QEvent::MouseButtonPress) Picwell_MouseDown(button, at.x(), at.y());
            else if (type == QEvent::MouseButtonRelease) Picwell_MouseUp(button, at.x(), at.y());
            else Picwell_MouseMove(button, at.x(), at.y());
            return true;
        }
    } else if (type == QEvent::MouseButtonDblClick && watched == txtprj) {
        txtprj_DblClick();
        return true;
    } else if (type == QEvent::MouseButtonDblClick && watched == txt_snr) {
        txt_snr_DblClick();
        return true;
    } else if (type == QEvent::FocusOut && (watched == lbl_snr || watched == Txtbuffer)) {
        // Losing the focus to a box or another window is not leaving the box.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == lbl_snr) lbl_snr_LostFocus();
            else Txtbuffer_LostFocus();
        }
    } else if (type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == combogrup) combogrup_DblClick();
            else if (watched == lstgrup) lstgrup_DblClick();
            else if (watched == lstchgrup) lstchgrup_DblClick();
            else return QMainWindow::eventFilter(watched, event);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace vondrel
