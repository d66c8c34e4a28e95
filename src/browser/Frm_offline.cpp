#include "browser/Frm_offline.h"
#include "platform/qt/NamedWidget.h"

#include <QCloseEvent>
#include <QHideEvent>
#include <QTimer>
#include <QScrollBar>
#include <QFrame>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QPointer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "browser/BrowserExports.h"
#include "browser/BrowserWindow.h"
#include "mainwindow/Canvas.h"
#include "mainwindow/Frm_Init.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"
#include "store/PairReplace.h"
#include "store/RunFiles.h"

namespace vondrel {

using platform::JoinPath;
using platform::ProgramFolder;

Frm_offline::Frm_offline(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Frm_offline");
    setWindowTitle("<Vondrel> Acquisition Software  --------> Report analysis");
    BuildControls();
    // The layout scales with the window; below this size the captions of
    // the narrow frames beside the plot (Liberation Sans 8 pt) no longer fit
    // their places, so the window opens at least this large.
    setMinimumSize(kMinimumSize);
    resize(800, 600);  // 12000 x 9000 twips
    // The status beside the menu says where the last export was written.
    lbl_written = Make<QLabel>(menuBar(), "lbl_written");  // shows a path: plain text
    lbl_written->setTextInteractionFlags(Qt::TextSelectableByMouse);
    menuBar()->setCornerWidget(lbl_written, Qt::TopRightCorner);
    QPointer<QLabel> status = lbl_written;
    browser::SetExportStatus([status](const std::string& text) {
        if (!status) return;
        status->setText(Q(text));
        status->setToolTip(PlainToolTip(Q(text)));
        status->adjustSize();
    });
}

Frm_offline::~Frm_offline() = default;


// ---- start and end ------------------------------------------------------------

void Frm_offline::Form_Load() {
    if (m_loaded) return;
    m_loaded = true;
    Txt_description->hide();
    Txt_description->setReadOnly(true);
    chk_bmp->hide();
    Cmd_cloud->hide();
    // The channel view's selectors, lists and analysis strip show with that
    // view; the group view shows its plot list.
    for (QWidget* c : {static_cast<QWidget*>(Combofila), static_cast<QWidget*>(Combocol),
                       static_cast<QWidget*>(txtsub), static_cast<QWidget*>(lblcanal),
                       static_cast<QWidget*>(combogrup), static_cast<QWidget*>(lstgrup),
                       static_cast<QWidget*>(Pic_status), static_cast<QWidget*>(fmranalizar),
                       static_cast<QWidget*>(Framegrup), static_cast<QWidget*>(Frame_bisize)})
        c->hide();
    Timer_button->stop();
    lbl_tagplot->hide();
    List_tags->hide();
    m_tag_kinetics = 0;
    m_search_active = false;
    m_search_text.clear();
    m_raw_file_count = 0;
    m_list_descending = true;
    lbl_orden->setText("^");
    ShowPageControls(false);
    auto folders = browser::ReadWatchedFolders(ProgramFolder());
    for (int i = 0; i < browser::kWatchedFolders; ++i) Txtfolder[i]->setText(Q(folders[i]));
    m_project_expanded.clear();
    ListProjects(m_list_descending);
    m_raw_page = 1;
    m_raw_page_count = 1;
    m_view_mode = 0;
    cmb_modeanalisis->clear();
    cmb_modeanalisis->addItems({"Mode:0", "Mode:1"});
    cmb_modeanalisis->setCurrentIndex(0);
    std::string threshold = FormatFixed(1.8, 1);
    threshold.replace(threshold.find('.'), 1, platform::LocaleDecimalSeparator());
    frmtxt_threshold->setText(Q(threshold));
    Pic_status->Scale(0, 100, 100, 0);
    Pic_status->Cls();
    cmdchannels->setEnabled(false);
    Cmd_analyze->setEnabled(false);
    Cmd_report->setEnabled(false);
}

void Frm_offline::FreeRawPages() {
    m_raw_cube.Clear();
    m_raw_folder.clear();
    m_raw_file_count = 0;
}

void Frm_offline::Cmd_main_Click() {
    Txt_description_LostFocus();
    FreeRawPages();
    hide();
    FrmInit().show();
}

void Frm_offline::Form_Unload() {
    Txt_description_LostFocus();
    FreeRawPages();
    cmdchannels->setText("Channel Signal");
    Cmd_leegroups->setText("[Group Activity]");
    m_view_mode = 0;
    cmdchannels->setEnabled(false);
    FrmInit().show();
}

void Frm_offline::hideEvent(QHideEvent* e) {
    // Hidden by "< Back", by a run starting or by the desktop: a pending
    // edit of the comments is saved before it could be lost.
    Txt_description_LostFocus();
    QMainWindow::hideEvent(e);
}

void Frm_offline::closeEvent(QCloseEvent* e) {
    Form_Unload();
    e->accept();
    UnloadBrowserWindow();
}

// ---- the list -------------------------------------------------------------------

std::vector<std::string> Frm_offline::Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < Listpj->count(); ++i) lines.push_back(Str(Listpj->item(i)->text()));
    return lines;
}

std::string Frm_offline::CurrentText() const {
    auto* item = Listpj->currentItem();
    return item ? Str(item->text()) : "";
}

void Frm_offline::SetList(const std::vector<std::string>& lines) {
    Listpj->clear();
    for (const auto& line : lines) Listpj->addItem(Q(line));
    if (Listpj->count() > 0) Listpj->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void Frm_offline::SelectLine(int index) {
    if (index < 0 || index >= Listpj->count()) return;
    Listpj->setCurrentRow(index, QItemSelectionModel::Select);
}

void Frm_offline::ListProjects(bool descending) {
    browser::ListState state;
    state.descending = descending;
    state.expanded = m_project_expanded;
    SetList(browser::BuildProjectList(ProgramFolder(), state));
    m_acquisition_open = 0;
}

void Frm_offline::ListAcquisitionsFlat(bool descending) {
    auto lines = browser::BuildFlatList(ProgramFolder(), m_project_folder, descending);
    if (lines.empty()) return;
    SetList(lines);
    m_acquisition_open = 1;
}

bool Frm_offline::LineFolder(int index, std::string& projectFolder, std::string& acquisitionPath) const {
    auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) return false;
    auto name = browser::AcquisitionFolderOfLine(lines[static_cast<size_t>(index)]);
    if (!name) return false;
    projectFolder = browser::ProjectFolderOfLine(lines[static_cast<size_t>(browser::OwningProjectLine(lines, index))]);
    if (!browser::IsProjectFolderName(projectFolder)) return false;
    acquisitionPath = JoinPath(JoinPath(ProgramFolder(), projectFolder), *name);
    return platform::FolderExists(acquisitionPath);
}

void Frm_offline::Listpj_DblClick() {
    std::string line = CurrentText();
    if (line.empty()) return;
    int index = Listpj->currentRow();
    if (browser::IsProjectLine(line)) {
        Txt_description_LostFocus();
        std::string folder = browser::ProjectFolderOfLine(line);
        int n = browser::CountProjects(ProgramFolder());
        if (Listpj->count() < n) {
            platform::MsgBox("ERROR:#pj" + std::to_string(n) + ">" + std::to_string(Listpj->count()));
            lblproject_Click();
            return;
        }
        if (!m_project_expanded.erase(folder)) m_project_expanded.insert(folder);
        ListProjects(m_list_descending);
        cmdchannels->setEnabled(false);
        Cmd_analyze->setEnabled(false);
        Cmd_leegroups->setEnabled(true);
        Cmd_report->setEnabled(false);
        Cmd_report->setText("[ REPORT ]");
    } else {
        OpenAcquisition(index);
    }
    m_view_mode = 0;
    if (index < Listpj->count()) {
        Listpj->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    }
}

void Frm_offline::OpenAcquisition(int index) {
    std::string projectFolder, path;
    if (!LineFolder(index, projectFolder, path)) return;
    Txt_description_LostFocus();
    auto lines = Lines();
    const std::string& projectLine = lines[static_cast<size_t>(browser::OwningProjectLine(lines, index))];
    m_acquisition_open = 1;
    m_project_folder = projectFolder;
    m_selection_folder = std::filesystem::path(path).filename().string();
    m_acquisition_path = path;
    cmdchannels->setEnabled(true);
    Cmd_analyze->setEnabled(true);
    Cmd_report->setEnabled(true);
    Cmd_leegroups->setEnabled(true);

    // A replacement of counts.bin and setup.dat that a kill or a full disk
    // interrupted is completed or undone before the recording is read.
    if (const auto recovered = store::RecoverRecordingFolder(path); !recovered.ok)
        platform::MsgBox(store::PairErrorMessage(recovered));
    m_config = browser::ReadAcquisitionConfig(path, ProgramFolder());
    for (const auto& message : m_config.messages) platform::MsgBox(message);
    Combofila->clear();
    Combocol->clear();
    for (int r = 1; r <= m_config.plateRows; ++r) Combofila->addItem(QString(QChar(64 + r)));
    for (int c = 1; c <= m_config.plateCols; ++c) Combocol->addItem(QString::number(c));
    auto items = browser::GroupItems(m_config);
    combogrup->clear();
    lstgrup_plot->clear();
    for (const auto& item : items.combo) combogrup->addItem(Q(item));
    for (const auto& item : items.plot) lstgrup_plot->addItem(Q(item));
    combogrup->setCurrentIndex(0);
    lstgrup_plot->setCurrentRow(0);

    // Details.
    lbl_pj_title->setText(Q(projectLine.substr(std::min(projectLine.find(projectFolder), projectLine.size()))));
    std::string title = lines[static_cast<size_t>(index)];
    title = title.size() > 3 ? title.substr(3) : "";
    lbl_subpj_title->setText(Q(browser::CutCharacters(title, 50)));
    const std::string sign = platform::LocaleDecimalSeparator();
    m_config_text = browser::ConfigText(m_config.setup, sign);
    if (Hooks().setReportSettings) {
        int organism = m_config.setup.Organism(), method = m_config.setup.dspMethod;
        if (organism < 0 || organism > 3) organism = 0;
        if (method < 0 || method > 3) method = 1;
        Hooks().setReportSettings(organism, method, browser::ThresholdText(m_config.setup, "."));
    }
    std::string comments = ReadSubprojectComments(path);
    SetDescription(comments.empty() ? "Protocol Comments:" : comments);
    Txt_description->setReadOnly(false);
    Txt_description->show();

    cmd_track->setVisible(m_config.setup.plateFormat == "w6" &&
                          (m_config.setup.Organism() == 1 || m_config.setup.Organism() == 3));
    ShowTags(GetSubprojectTags(JoinPath(ProgramFolder(), projectFolder), m_selection_folder));
    Cmd_leegroups_Click();
}

void Frm_offline::ShowTags(const std::string& tags) {
    auto pieces = browser::TagPieces(tags);
    List_tags->clear();
    for (const auto& piece : pieces) List_tags->addItem(Q(piece));
    lbl_tagplot->setVisible(!tags.empty());
    List_tags->setVisible(!tags.empty());
}

void Frm_offline::lbl_date_Click() {
    m_list_descending = !m_list_descending;
    lbl_orden->setText(m_list_descending ? "^" : "v");
    lbl_orden->repaint();
    if (m_acquisition_open == 1) ListAcquisitionsFlat(m_list_descending);
    else ListProjects(m_list_descending);
}

void Frm_offline::lblproject_Click() {
    m_search_active = false;
    txt_search->clear();
    m_project_expanded.clear();
    ListProjects(m_list_descending);
    if (m_saved_list_index <= Listpj->count() - 1) SelectLine(m_saved_list_index);
}

void Frm_offline::cmd_lupa_Click() {
    std::string text = Str(txt_search->text());
    if (text.empty()) {
        m_search_text.clear();
        lblproject_Click();
        return;
    }
    ListProjects(m_list_descending);
    m_search_text = text;
    for (int j : browser::SearchHits(ProgramFolder(), Lines(), browser::SearchTerms(text)))
        Listpj->item(j)->setSelected(true);
    txt_search->clear();
    m_search_active = false;
}

// ---- the pop-up menu --------------------------------------------------------------

void Frm_offline::Listpj_MouseDown(int button, const QPoint& at) {
    if (button != 2) return;
    mntag_jk->menuAction()->setVisible(m_acquisition_open != 0);
    mntag_jr->menuAction()->setVisible(m_acquisition_open != 0);
    mnrename->popup(at);
}

bool Frm_offline::eventFilter(QObject* watched, QEvent* e) {
    HoverEvent(watched, e);
    if (EditorEvent(watched, e)) return true;
    if (watched == Picreal && e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::RightButton) {
            if (QMenu* popup = PlotPopup()) popup->popup(me->globalPosition().toPoint());
        }
    }
    if (watched == lstgrup_plot && e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) lstgrup_plot_KeyPress(13);
    }
    if (watched == Listpj->viewport() && e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::RightButton) {
            // A right click keeps a selection of several lines.
            Listpj_MouseDown(2, me->globalPosition().toPoint());
            return true;
        }
    }
    if (watched == Listpj && e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            Listpj_DblClick();
            return true;
        }
    }
    if (e->type() == QEvent::MouseButtonRelease) {
        if (watched == lbl_date) lbl_date_Click();
        if (watched == lblproject) lblproject_Click();
    }
    if (watched == Txt_description && e->type() == QEvent::FocusOut) Txt_description_LostFocus();
    return QMainWindow::eventFilter(watched, e);
}

void Frm_offline::tagjk_Click(int index) {
    if (m_acquisition_open != 1) {
        platform::MsgBox("Tags Apply only to Subprojects (acquisitions)");
        return;
    }
    if (CurrentText().empty()) return;
    int current = Listpj->currentRow();
    std::string tag = browser::TagForItem(index);
    for (int k = 0; k < Listpj->count(); ++k) {
        if (!Listpj->item(k)->isSelected() || browser::IsProjectLine(Str(Listpj->item(k)->text()))) continue;
        std::string projectFolder, path;
        if (!LineFolder(k, projectFolder, path)) continue;
        std::string project = JoinPath(ProgramFolder(), projectFolder);
        if (!browser::WriteAcquisitionTag(project, std::filesystem::path(path).filename().string(), tag))
            platform::MsgBox("Error saving tags: " + JoinPath(project, "tags_id.dat"));
    }
    Txt_description_LostFocus();
    ListProjects(m_list_descending);
    SelectLine(current);
}

void Frm_offline::lst_rename_Click() {
    std::string line = CurrentText();
    if (line.empty()) return;
    int current = Listpj->currentRow();
    m_saved_list_index = current;
    // The line picked decides what is renamed: a rebuilt list (after a tag or
    // a rename) still shows the recordings of an expanded project while no
    // recording is open.
    if (browser::IsProjectLine(line)) {
        std::string folder = browser::ProjectFolderOfLine(line);
        std::string path = JoinPath(ProgramFolder(), folder);
        if (!browser::IsProjectFolderName(folder) || !platform::FileExists(JoinPath(path, "setup.dat"))) return;
        std::string name = line.substr(line.find('\t') + 8);
        std::string answer = platform::InputBox("Enter Name of project", "Rename", name);
        if (!answer.empty()) {
            if (RenameProject(path, answer).empty()) platform::MsgBox("Error Renaming");
            ListProjects(m_list_descending);
        }
    } else if (browser::AcquisitionFolderOfLine(line)) {
        std::string projectFolder, path;
        if (!LineFolder(current, projectFolder, path)) {
            platform::MsgBox("Error Renaming");
            return;
        }
        std::string answer = platform::InputBox("Enter Name of acquisition", "Rename", browser::RunNameOfLine(line));
        if (!answer.empty()) {
            Txt_description_LostFocus();
            if (RenameSubproject(path, answer).empty()) platform::MsgBox("Error Renaming");
            ListProjects(m_list_descending);
        }
    } else {
        return;
    }
    if (m_saved_list_index <= Listpj->count() - 1) SelectLine(m_saved_list_index);
}

void Frm_offline::lst_delete_Click() {
    if (m_acquisition_open == 0) {
        platform::MsgBox("Remove function only available for subprojects");
        return;
    }
    if (m_acquisition_open != 1) return;
    if (platform::Ask("Remove folder from the list?", platform::Buttons::YesNo) != platform::Reply::Yes) return;
    if (platform::Ask("Files are going to be archived!", platform::Buttons::OkCancel) != platform::Reply::Ok) return;
    if (CurrentText().empty()) return;
    std::string projectFolder, path;
    if (!LineFolder(Listpj->currentRow(), projectFolder, path)) {
        platform::MsgBox("Error");
        return;
    }
    // The newest recording of the project being recorded is the run in progress.
    std::string running;
    std::string project = JoinPath(ProgramFolder(), projectFolder);
    if (g_run_state != 0 && std::filesystem::path(g_project_folder) == std::filesystem::path(project)) {
        auto names = browser::ListAcquisitionFolders(project, false);
        if (!names.empty()) running = names.back().substr(0, 13);
    }
    Txt_description_LostFocus();
    std::string moved;
    switch (browser::ArchiveAcquisition(path, running, platform::Now(), &moved)) {
    case browser::ArchiveResult::RunInProgress:
        platform::MsgBox("Acquisition in progress: not archived");
        return;
    case browser::ArchiveResult::Failed:
        platform::MsgBox("Error");
        return;
    case browser::ArchiveResult::Done:
        break;
    }
    if (m_acquisition_path == path) {
        // The open recording follows its new name.
        m_acquisition_path = moved;
        m_selection_folder = std::filesystem::path(moved).filename().string();
    }
    ListProjects(m_list_descending);
}

void Frm_offline::lst_explorefind_Click() {
    std::string line = CurrentText();
    if (line.empty()) return;
    // A project opens its own folder, a recording its project's.
    std::string folder = browser::ProjectFolderOfLine(
        Lines()[static_cast<size_t>(browser::OwningProjectLine(Lines(), Listpj->currentRow()))]);
    if (!browser::IsProjectFolderName(folder)) return;
    std::string path = JoinPath(ProgramFolder(), folder);
    if (platform::FolderExists(path)) platform::OpenWithDesktop(path);
}

void Frm_offline::lst_plateconfig_Click() {
    if (CurrentText().empty()) return;
    if (m_acquisition_open == 0) platform::MsgBox("Only possible for SubProjects");
    else if (m_acquisition_open == 1) {
        // The editor works on the recording of the current line.
        std::string projectFolder, path;
        if (LineFolder(Listpj->currentRow(), projectFolder, path) && path != m_acquisition_path)
            OpenAcquisition(Listpj->currentRow());
        if (path != m_acquisition_path) return;
        frame_plotbutton->setEnabled(false);
        EnterGroupEditor();
    }
}

// ---- watched folders and comments -----------------------------------------------------

void Frm_offline::Txtfolder_Click(int index) {
    std::string answer = platform::InputBox("Write folder to watch:", "Folder", Str(Txtfolder[index]->text()));
    if (answer.empty() || !browser::WatchedFolderExists(ProgramFolder(), answer)) return;
    Txtfolder[index]->setText(Q(answer));
    browser::WatchedFolders folders;
    for (int i = 0; i < browser::kWatchedFolders; ++i) folders[i] = Str(Txtfolder[i]->text());
    if (!browser::WriteWatchedFolders(ProgramFolder(), folders))
        platform::MsgBox("Error saving watched folders: " + JoinPath(ProgramFolder(), "foldview.dat"));
}

void Frm_offline::SetDescription(const std::string& text) {
    std::string shown;
    for (char c : text)
        if (c != '\r') shown += c;
    m_filling_description = true;
    Txt_description->setPlainText(Q(shown));
    m_filling_description = false;
    m_description_dirty = false;
}

void Frm_offline::Txt_description_LostFocus() {
    if (!m_description_dirty) return;
    m_description_dirty = false;
    if (m_acquisition_path.empty()) return;
    std::string text = Str(Txt_description->toPlainText());
    // The box shows line breaks as LF; the file keeps CR LF.
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += "\r\n";
        else crlf += c;
    }
    if (SaveSubprojectComments(m_acquisition_path, crlf).empty())
        platform::MsgBox("Error saving comments: " + m_acquisition_path);
}

}  // namespace vondrel
