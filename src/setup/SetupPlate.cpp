// The plate side of the setup window: the plate format, the station, the
// drawing, the group list and channel lists, the mouse on the plate, the
// automatic arrangement, and the window's layout.
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

#include "mainwindow/Canvas.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Shaping.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "setup/Frm_setup.h"
#include "setup/Annotation.h"
#include "setup/PlateGroups.h"
#include "setup/SetupLayout.h"
#include "store/Globals.h"
#include "store/PlateMap.h"
#include "store/SettingsText.h"

namespace vondrel {

using platform::MsgBox;


int Frm_setup::SelectedStation() const {
    for (int k = 0; k < 4; ++k)
        if (plate_option[k]->isChecked()) return k;
    return 0;
}

int Frm_setup::CurrentGroup() const {
    QListWidgetItem* item = combogrup->currentItem();
    return item ? setup::EntryGroup(Str(item->text())) : 0;
}

// ---------------------------------------------------------------------------
// Plate format
// ---------------------------------------------------------------------------

void Frm_setup::Combowell_Click() {
    EnsureLoaded();
    Timer1->start();
}

// The timer is stopped before the change: its boxes let further ticks in,
// and one choice must change the format once.
void Frm_setup::Timer1_Timer() {
    Timer1->stop();
    ChangePlateFormat();
}

void Frm_setup::ChangePlateFormat() {
    const std::string code = Str(Combowell->currentText());
    const std::string path = FindPlateMapFile(platform::ProgramFolder(), code);
    if (path.empty()) {
        MsgBox("Selection Error");
        return;
    }
    // The map is read before anything changes: a damaged file leaves the
    // plate and the groups as they are.
    PlateMapValue map;
    try {
        map = ParsePlateMapFile(path);
    } catch (const SettingsError&) {
        MsgBox("Selection Error\r\nThe plate map " + path + " cannot be read.");
        return;
    }
    if (!platform::AskYesNo("Load New Plate configuration?")) {
        Combowell->setEditText(Q(g_plate_format));
        return;
    }
    ClearStationGroups();
    const std::string info = setup::PlateFormatInfo(code);
    if (!info.empty()) MsgBox(info);
    g_plate_format = code;
    ApplyPlateMap(map);
    Form_Load();
}

void Frm_setup::ClearStationGroups() {
    setup::ClearGroups(setup::StationGroups(SelectedStation()));
    BuildGroupCombo(0);
    RefreshChannelLists(0);
    DrawPlateLayout();
}

void Frm_setup::Cmd_clear_Click() {
    if (platform::AskYesNo("Do you like to Clear Group lists?")) ClearStationGroups();
}

void Frm_setup::plate_option_Click(int) {
    EnsureLoaded();
    RefreshChannelLists(0);
    BuildGroupCombo(0);
    DrawPlateLayout();
}

void Frm_setup::DrawPlateLayout() {
    const setup::PlatePlan plan = setup::BuildPlatePlan(StationChannelGroups(SelectedStation()));
    Picwell->Cls();
    Picwell->Scale(plan.left, plan.top, plan.right, plan.bottom);
    Picwell->SetDrawMode(13);
    Picwell->SetAutoRedraw(true);
    QFont font("Segoe UI");
    for (const setup::PlateLine& l : plan.outlines) Picwell->Box(l.x1, l.y1, l.x2, l.y2, l.colour);
    for (const setup::PlateCircle& c : plan.beams) Picwell->Circle(c.x, c.y, c.r, c.colour);
    auto print = [&](const setup::PlateText& t) {
        font.setPointSize(t.size);
        Picwell->setFont(font);
        Picwell->SetTextColor(t.colour);
        Picwell->Print(t.x, t.y, t.text);
    };
    for (const setup::PlateText& t : plan.labels) print(t);
    for (const setup::PlateText& t : plan.headings) print(t);
}

// ---------------------------------------------------------------------------
// Group list and channel lists
// ---------------------------------------------------------------------------

void Frm_setup::BuildGroupCombo(int group) {
    const std::vector<std::string> entries = setup::BuildGroupEntries(setup::StationGroups(SelectedStation()));
    m_in_handler = true;
    combogrup->clear();
    int select = -1;
    for (size_t k = 0; k < entries.size(); ++k) {
        combogrup->addItem(Q(entries[k]));
        if (select < 0 && setup::EntryGroup(entries[k]) == group) select = static_cast<int>(k);
    }
    if (select < 0) select = 0;
    if (!entries.empty()) combogrup->setCurrentRow(select);
    m_in_handler = false;
    combogrup_Click();
}

void Frm_setup::ListGroupChannels(int group) {
    for (const std::string& s : setup::GroupChannelLabels(StationChannelGroups(SelectedStation()), group))
        lstgrup->addItem(Q(s));
}

void Frm_setup::ListFreeChannels() {
    for (const std::string& s : setup::FreeChannelLabels(StationChannelGroups(SelectedStation())))
        lstchgrup->addItem(Q(s));
}

void Frm_setup::RefreshChannelLists(int group) {
    lstgrup->clear();
    lstchgrup->clear();
    ListGroupChannels(group);
    ListFreeChannels();
}

void Frm_setup::combogrup_Click() {
    lstgrup->clear();
    ListGroupChannels(CurrentGroup());
}

void Frm_setup::combogrup_DblClick() {
    QListWidgetItem* item = combogrup->currentItem();
    if (!item) return;
    const std::string entry = Str(item->text());
    const std::string number = entry.substr(0, 3);
    const std::string answer = platform::InputBox("Enter New Group (" + number + ") Name", "",
                                                  entry.size() > 4 ? entry.substr(4) : std::string());
    if (answer.empty()) return;
    const std::string name = StorableName(answer).value_or(answer);
    StationGroupNames(SelectedStation())[static_cast<size_t>(setup::EntryGroup(entry))] = name;
    item->setText(Q(number + "_" + name));
}

namespace {
// Moves the well of the selected entry of `list` to `group` and gives back
// the position to select again.
int MoveSelectedWell(QListWidget* list, ChannelTable16& groups, int group) {
    if (list->count() == 0) return -1;
    if (list->currentRow() < 0) list->setCurrentRow(0);
    const int position = list->currentRow();
    const int well = setup::WellOfLabel(Str(list->currentItem()->text()));
    if (well >= 0) setup::MoveWell(groups, well, group);
    return position;
}

void Reselect(QListWidget* list, int position) {
    if (position <= 0) return;
    if (position >= list->count()) --position;
    if (position >= list->count()) position = list->count() - 1;
    if (position >= 0) list->setCurrentRow(position);
}
}  // namespace

void Frm_setup::lstchgrup_DblClick() {
    const int position = MoveSelectedWell(lstchgrup, StationChannelGroups(SelectedStation()), CurrentGroup());
    if (position < 0) return;
    RefreshChannelLists(CurrentGroup());
    Reselect(lstchgrup, position);
    DrawPlateLayout();
}

void Frm_setup::lstgrup_DblClick() {
    const int position = MoveSelectedWell(lstgrup, StationChannelGroups(SelectedStation()), -1);
    if (position < 0) return;
    RefreshChannelLists(CurrentGroup());
    Reselect(lstgrup, position);
    DrawPlateLayout();
}

void Frm_setup::cmd_goset_Click() { mngroup->popup(QCursor::pos()); }

void Frm_setup::mnopciongrup_Click(int index) {
    AutoArrangeGroups(Str(mnopciongrup[index]->text()));
    for (QAction* a : mnopciongrup) a->setChecked(false);
    mnopciongrup[index]->setChecked(true);
}

void Frm_setup::AutoArrangeGroups(const std::string& caption) {
    setup::AutoArrangeGroups(setup::StationGroups(SelectedStation()), caption);
    RefreshChannelLists(0);
    BuildGroupCombo(0);
    DrawPlateLayout();
}

// ---------------------------------------------------------------------------
// The mouse on the plate
// ---------------------------------------------------------------------------

// With the annotation frame shown, a release gives the group of the grid's
// selected row (group 0 when no row is selected).
int Frm_setup::ReleaseGroup() const {
    if (frm_advance->isHidden()) return CurrentGroup();
    for (int k = 0; k < setup::kAnnotationRows; ++k)
        if (adv_group[k]->isChecked()) return m_annotation_first_row + k;
    return 0;
}

void Frm_setup::Picwell_MouseDown(int button, double x, double y) {
    if ((button != 1 && button != 2) || m_pointer_off_plate != 0 || m_plate_ready != 1) return;
    const setup::PlateCell cell = setup::CellAt(x, y);
    // A press may come without a move before it: past the plate it does nothing.
    if (!setup::CellOnPlate(cell)) return;
    const int well = cell.col * g_plate_rows + cell.row;
    lblnchannel->setText(QString::number(well));
    ChannelTable16& groups = StationChannelGroups(SelectedStation());
    const int group = CurrentGroup();
    setup::PressWell(groups, well, group, button == 1);
    if (button == 1) BuildGroupCombo(group);
    RefreshChannelLists(group);
    m_drag_start_row = static_cast<int16_t>(cell.row);
    m_drag_start_col = static_cast<int16_t>(cell.col);
    m_drag_active = -1;
    DrawPlateLayout();
}

void Frm_setup::Picwell_MouseMove(int, double x, double y) {
    m_pointer_off_plate = 0;
    const setup::PlateCell at = setup::CellAt(x, y);
    setup::PlateCell near = at, far = at;
    if (m_drag_active == -1) {
        near = {std::min<int>(at.row, m_drag_start_row), std::min<int>(at.col, m_drag_start_col)};
        far = {std::max<int>(at.row, m_drag_start_row), std::max<int>(at.col, m_drag_start_col)};
    }
    const setup::PlateCell last{m_last_far_row, m_last_far_col};
    if (setup::CellOnPlate(far) && setup::CellOnPlate(last)) {
        for (const setup::PlateStrip& s : setup::BuildStrips(near, far)) {
            if (s.filled) Picwell->FilledBox(s.x1, s.y1, s.x2, s.y2, s.colour);
            else Picwell->Line(s.x1, s.y1, s.x2, s.y2, s.colour);
        }
        lblnchannel->setText(QString(QChar(65 + far.row)) + QString::number(far.col + 1));
    } else {
        m_pointer_off_plate = -1;
    }
    m_last_far_row = static_cast<int16_t>(far.row);
    m_last_far_col = static_cast<int16_t>(far.col);
}

void Frm_setup::Picwell_MouseUp(int button, double x, double y) {
    if ((button != 1 && button != 2) || m_pointer_off_plate != 0 || m_plate_ready != 1) return;
    const setup::PlateCell at = setup::CellAt(x, y);
    if (!setup::CellOnPlate(at)) return;
    const setup::PlateCell from = m_drag_active == -1 ? setup::PlateCell{m_drag_start_row, m_drag_start_col} : at;
    const int group = ReleaseGroup();
    const int well =
        setup::ReleaseRectangle(StationChannelGroups(SelectedStation()), from, at, group, button == 1);
    lblnchannel->setText(QString::number(well));
    BuildGroupCombo(group);
    RefreshChannelLists(group);
    m_drag_active = 0;
    DrawPlateLayout();
}

// ---------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------

void Frm_setup::LayoutSetupForm() {
    try {
        const double tpp = kTwipsPerPixel;
        const QRect outer = frameGeometry();
        const WindowUnits u = ComputeWindowUnits(outer.width() * tpp, outer.height() * tpp);
        auto place = [&](QWidget* parent, const Placement& p, double unitsPerPixel) {
            if (QWidget* w = parent->findChild<QWidget*>(Q(p.name)))
                ApplyPlacementByEdges(w, p.left, p.top, p.width, p.height, unitsPerPixel);
        };

        const PanelPlace lp = LeftPanelPlace(u);
        ApplyPlacement(PicPanel1, lp.left, lp.top, lp.width, lp.height, tpp);
        RoundWindow(PicPanel1);
        const LeftUnits lu = ComputeLeftUnits(PicPanel1->width() * tpp, PicPanel1->height() * tpp, tpp, tpp);
        for (const Placement& p : setup::PlateAndAdvancePlaces(lu)) place(PicPanel1, p, 1.0);
        Picwell->SetBorderStyle(0);
        const setup::AdvanceUnits au = setup::ComputeAdvanceUnits(frm_advance->width(), frm_advance->height(), tpp, tpp);
        for (const Placement& p : setup::AdvanceContents(au)) {
            place(frm_advance, p, tpp);
            if (p.name == "cmd_setglobal") ShowAnnotationGrid();
        }
        for (const Placement& p : setup::LeftPanelSetupContents(lu)) place(PicPanel1, p, 1.0);
        RoundWindowInset(cmd_goset);
        RoundWindowInsetPixels(cmd_askai);
        RoundWindowInsetPixels(cmd_searchDB);

        Label_workingfolder->hide();
        Txtfolder->hide();
        for (const Placement& p : setup::WorkingFolderPlaces(u)) place(centralWidget(), p, tpp);

        const PanelPlace rp = RightPanelPlace(u);
        ApplyPlacement(PicPanel2, rp.left, rp.top, rp.width, rp.height, tpp);
        RoundWindow(PicPanel2);
        const RightUnits ru = ComputeRightUnits(PicPanel2->width() * tpp, PicPanel2->height() * tpp, tpp, tpp);
        QWidget* frame = nullptr;
        for (const setup::FramedPlacement& f : setup::RightPanelSetupContents(ru)) {
            if (!f.inFrame) {
                frame = PicPanel2->findChild<QWidget*>(Q(f.place.name));
                place(PicPanel2, f.place, 1.0);
            } else if (frame) {
                place(frame, f.place, tpp);
            }
        }
        Frame_setup->show();
        for (QWidget* b : {static_cast<QWidget*>(Command_main), static_cast<QWidget*>(Cmdoffline)}) RoundWindowInset(b);
        for (QWidget* b : {static_cast<QWidget*>(cmdLoad), static_cast<QWidget*>(Cmdsavepj),
                           static_cast<QWidget*>(Cmdnewpj)})
            RoundWindowInsetPixels(b);

        const Placement fc = setup::FrameconfigPlace(u);
        ApplyPlacement(Frameconfig, fc.left, fc.top, fc.width, fc.height, tpp);
        for (const Placement& p : setup::FrameconfigContents(u)) place(Frameconfig, p, tpp);

        m_plate_ready = 1;
        DrawPlateLayout();
        update();
        DrawRoundFrame(PicPanel1);
        DrawRoundFrame(PicPanel2);
    } catch (const std::exception&) {
        // A layout that fails ends here, quietly, until the next resize.
    }
}

}  // namespace vondrel
