// The browser's plate group editor: its panel, the plate picture's mouse in
// the editor, "Go...", "CLEAR LIST" and leaving with or without saving. The
// edits themselves are GroupEditor's; this file moves them to the controls.
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include "browser/Frm_offline.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/QtText.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "store/SettingsText.h"

namespace vondrel {

namespace {

int ButtonOf(Qt::MouseButton b) { return b == Qt::LeftButton ? 1 : b == Qt::RightButton ? 2 : 0; }
int ButtonsOf(Qt::MouseButtons b) { return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0); }
int ShiftOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

}  // namespace

void Frm_offline::ConnectEditorAndTracking() {
    connect(cmd_goset, &QPushButton::clicked, this, [this] { cmd_goset_Click(); });
    connect(Cmd_clear, &QPushButton::clicked, this, [this] { Cmd_clear_Click(); });
    connect(cmdcancelgrups, &QPushButton::clicked, this, [this] { cmdcancelgrups_Click(); });
    connect(combogrup2, &QComboBox::activated, this, [this] { combogrup2_Click(); });
    connect(mn_plateedit, &QAction::triggered, this, [this] { mn_plateedit_Click(); });
    connect(cmd_track, &QPushButton::clicked, this, [this] { cmd_track_Click(); });
    connect(Timer_play, &QTimer::timeout, this, [this] { Timer_play_Timer(); });
    connect(mn_datatrack, &QAction::triggered, this, [this] { mn_datatrack_Click(); });
    connect(mn_bmptrack, &QAction::triggered, this, [this] { mn_bmptrack_Click(); });
    combogrup2->installEventFilter(this);
}

bool Frm_offline::EditorEvent(QObject* watched, QEvent* e) {
    if (watched == combogrup2) {
        if (e->type() == QEvent::MouseButtonDblClick) {
            combogrup2_DblClick();
            return true;
        }
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                combogrup2_KeyPress(13);
                return true;
            }
        }
        return false;
    }
    if (watched != Picreal || m_view_mode != 3) return false;
    const auto type = e->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* me = static_cast<QMouseEvent*>(e);
    const QPointF at = Picreal->FromPixel(me->position().x(), me->position().y());
    const int shift = ShiftOf(me->modifiers());
    if (type == QEvent::MouseButtonPress) Picreal_MouseDown(ButtonOf(me->button()), shift, at.x(), at.y());
    else if (type == QEvent::MouseMove) Picreal_MouseMove(ButtonsOf(me->buttons()), shift, at.x(), at.y());
    else Picreal_MouseUp(ButtonOf(me->button()), shift, at.x(), at.y());
    return true;
}

void Frm_offline::EnterGroupEditor() {
    Combo_sets->clear();
    const auto shapes = browser::BlockShapeItems(m_config.plateRows, m_config.plateCols);
    for (const auto& s : shapes) Combo_sets->addItem(Q(s));
    if (!shapes.empty()) Combo_sets->setCurrentIndex(browser::InitialBlockShape(static_cast<int>(shapes.size())));
    FillGroupCombo(0);
    RefreshEditorLists(browser::ItemGroup(Str(combogrup2->currentText())));
    m_group_editor = browser::GroupEditorState{};
    m_group_edit_open = 1;
    m_view_mode = 3;
    DisableBrowseControls();
    Picreal->setMouseTracking(true);
    DrawPlateGroups();
    Framegrup->show();
}

void Frm_offline::DrawPlateGroups() { ReplayPlan(*Picreal, browser::PlateGroupsPlan(m_config)); }

void Frm_offline::ListGroupWells(int group) {
    for (const auto& label : browser::ListGroupWells(m_config, group)) lstgrup2->addItem(Q(label));
}

void Frm_offline::ListEditorGroupChannels(int group) {
    for (const auto& label : browser::ListEditorGroupChannels(m_config, group)) lstgrup->addItem(Q(label));
}

void Frm_offline::ListEditorFreeChannels() {
    for (const auto& label : browser::ListEditorFreeChannels(m_config)) lstchgrup2->addItem(Q(label));
}

void Frm_offline::FillGroupCombo(int group) {
    const auto combo = browser::FillGroupCombo(m_config, group);
    combogrup2->blockSignals(true);
    combogrup2->clear();
    for (const auto& item : combo.items) combogrup2->addItem(Q(item));
    combogrup2->setCurrentIndex(combo.selected);
    combogrup2->blockSignals(false);
    combogrup2_Click();  // choosing an item lists its wells
}

void Frm_offline::combogrup2_Click() {
    lstgrup2->clear();
    ListGroupWells(browser::ItemGroup(Str(combogrup2->currentText())));
}

void Frm_offline::combogrup2_DblClick() {
    const int index = combogrup2->currentIndex();
    if (index < 0) return;
    const std::string item = Str(combogrup2->currentText());
    const std::string number = item.substr(0, 3);
    const std::string answer = platform::InputBox("Enter New Group (" + number + ") Name", "",
                                                  item.size() > 4 ? item.substr(4) : "");
    if (answer.empty()) return;
    const auto name = StorableName(answer);
    if (!name) return;
    const int n = browser::ItemGroup(item);
    if (n < 0 || n >= kChannels) return;
    m_config.groupNames[static_cast<size_t>(n)] = *name;
    combogrup2->setItemText(index, Q(FormatPadded(n, 3) + "_" + *name));
}

void Frm_offline::combogrup2_KeyPress(int key) {
    if (key == 13) combogrup2_DblClick();
}

void Frm_offline::mn_plateedit_Click() {
    frame_plotbutton->setEnabled(false);
    EnterGroupEditor();
}

void Frm_offline::RefreshEditorLists(int group) {
    lstgrup2->clear();
    lstchgrup2->clear();
    ListGroupWells(group);
    ListEditorFreeChannels();
}

void Frm_offline::Picreal_MouseDown(int button, int /*shift*/, double x, double y) {
    if (m_view_mode != 3 || (button != 1 && button != 2) || m_group_edit_open != 1) return;
    const int group = browser::ItemGroup(Str(combogrup2->currentText()));
    if (!browser::PointerPress(m_config, m_group_editor, x, y, group, button == 1)) return;
    if (button == 1) FillGroupCombo(group);
    RefreshEditorLists(group);
    DrawPlateGroups();
}

void Frm_offline::Picreal_MouseMove(int /*button*/, int /*shift*/, double x, double y) {
    if (m_view_mode != 3) return;
    const auto marks = browser::PointerMove(m_config, m_group_editor, x, y);
    if (marks.empty()) return;
    DrawPrimitives(*Picreal, marks);
    Picreal->update();
}

void Frm_offline::Picreal_MouseUp(int button, int /*shift*/, double x, double y) {
    if (m_view_mode != 3 || (button != 1 && button != 2) || m_group_edit_open != 1) return;
    const int group = browser::ItemGroup(Str(combogrup2->currentText()));
    if (!browser::PointerRelease(m_config, m_group_editor, x, y, group, button == 1)) return;
    FillGroupCombo(group);
    RefreshEditorLists(group);
    DrawPlateGroups();
}

void Frm_offline::cmd_goset_Click() {
    browser::LayBlocks(m_config, Str(Combo_sets->currentText()));
    RefreshEditorLists(0);
    FillGroupCombo(0);
    DrawPlateGroups();
}

void Frm_offline::Cmd_clear_Click() {
    if (platform::AskYesNo("Do you like to Clear Group lists?")) ClearAllGroups();
}

void Frm_offline::ClearAllGroups() {
    browser::ClearAllGroups(m_config);
    FillGroupCombo(0);
    RefreshEditorLists(0);
    DrawPlateGroups();
}

int Frm_offline::SaveGroupFiles(const std::string& folder) {
    return browser::SaveGroupFiles(folder, m_config.groupNames, m_config.channelGroup, platform::Now());
}

void Frm_offline::cmdcancelgrups_Click() {
    if (platform::AskYesNo("Do you like to Save Changes?")) {
        const std::string folder =
            platform::JoinPath(platform::JoinPath(platform::ProgramFolder(), m_project_folder), m_selection_folder);
        if (SaveGroupFiles(folder) == 1) platform::MsgBox("New Groups applied and saved");
        else platform::MsgBox("Error updating group files at " + folder);
        EnableBrowseControls();
        QThread::msleep(100);
        Listpj_DblClick();
        QCoreApplication::processEvents();
    } else {
        EnableBrowseControls();
        Listpj_DblClick();
        QCoreApplication::processEvents();
        platform::MsgBox("Original groups restored");
    }
    Picreal->setMouseTracking(false);
    Framegrup->hide();
    frame_plotbutton->setEnabled(true);
    m_view_mode = 0;
    Cmd_leegroups_Click();
}

namespace {
void SetBrowseControls(Frm_offline& f, bool on) {
    for (QWidget* w : {static_cast<QWidget*>(f.Cmd_report), static_cast<QWidget*>(f.Cmd_leegroups),
                       static_cast<QWidget*>(f.cmdchannels), static_cast<QWidget*>(f.Cmd_analyze),
                       static_cast<QWidget*>(f.Cmd_main), static_cast<QWidget*>(f.Listpj)})
        w->setEnabled(on);
    f.scrollpage->setEnabled(on);
    f.scrollpage->setVisible(on);
    f.Label_page->setVisible(on);
    f.Txtpage->setVisible(on);
    f.framecanal->setEnabled(on);
    f.frmtxt_threshold->setEnabled(on);
    f.cmb_modeanalisis->setEnabled(on);
    f.framecanal->setVisible(on);
}
}  // namespace

void Frm_offline::DisableBrowseControls() { SetBrowseControls(*this, false); }
void Frm_offline::EnableBrowseControls() { SetBrowseControls(*this, true); }

}  // namespace vondrel
