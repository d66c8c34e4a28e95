// The recorded-data browser window: projects and their recordings in one
// list, the open recording's title, settings, tags and protocol comments,
// renames, tags, archiving, "Find in Folder", the watched folders and the
// search. The rules live in BrowserList and AcquisitionConfig; the handlers
// here apply them to the controls.
//
// Control names are member names and Qt objectNames; an element of a control
// array is named with its index after an underscore ("Txtfolder_2").
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "browser/AcquisitionConfig.h"
#include "browser/Binning.h"
#include "browser/GroupEditor.h"
#include "browser/Tracking.h"
#include "browser/PlotPlan.h"
#include "browser/RawPage.h"
#include "browser/RawView.h"
#include "browser/BrowserList.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QScrollBar;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace vondrel {

class Canvas;
// Draws a plot plan on the surface: clears it (unless the plan is an
// overlay), sets the plan's scale and draws its primitives in order; an empty
// plan leaves it cleared.
void ReplayPlan(Canvas& canvas, const browser::PlotPlan& plan);
// Draws primitives over what the surface shows, in its present scale.
void DrawPrimitives(Canvas& canvas, const std::vector<browser::PlotPrimitive>& items);

class Frm_offline : public QMainWindow {
    Q_OBJECT
public:
    explicit Frm_offline(QWidget* parent = nullptr);
    // The smallest inner size at which every caption fits its place.
    static constexpr QSize kMinimumSize{1000, 660};
    ~Frm_offline() override;

    void Form_Load();
    void Form_Unload();
    void Cmd_main_Click();
    void Txtfolder_Click(int index);
    void cmd_lupa_Click();
    void lbl_date_Click();
    void lblproject_Click();
    void Listpj_DblClick();
    void Listpj_MouseDown(int button, const QPoint& at);
    void tagjk_Click(int index);
    void lst_rename_Click();
    void lst_delete_Click();
    void lst_explorefind_Click();
    void lst_plateconfig_Click();
    void Txt_description_LostFocus();
    // Layout and hover feedback.
    void ArrangeBrowserControls();
    void Timer_button_Timer();

    // Plot views, their list, the bin size and the plot menus.
    void Cmd_barplot_Click();
    void Cmd_gridplot_Click();
    void Cmd_lineplot_Click();
    void Cmd_leegroups_Click();
    void cmd_plus_Click();
    void cmd_minus_Click();
    void List_tags_DblClick();
    void lstgrup_plot_DblClick();
    void lstgrup_plot_KeyPress(int key);
    void mnrel0_Click();
    void mn_jointexport_Click();
    void mnadvanced_Click();
    void mn_jointbmp_Click();
    void mn_linebmp_Click();
    void mn_platebmp_Click();
    void bmpexporta_Click();
    void DrawGroupBarPlot();
    void DrawKineticsLinePlot(int binMinutes, const std::string& tagList, int exportMode);
    void DrawKineticsLinePlotOrThrow(int binMinutes, const std::string& tagList, int exportMode);
    void DrawPlateHeatmap();
    // Shows the page scroll bar, its label and the page text (or hides them).
    void ShowPageControls(bool show);
    // The pop-up menu of the plot picture for the view shown; none in the
    // group editor and after the tracking export.
    QMenu* PlotPopup() const;

    // ---- plate group editor (Frm_offline_Editor.cpp) --------------------------
    void EnterGroupEditor();
    void DrawPlateGroups();
    // Appends the wells of `group` to lstgrup2, the channels of `group` to
    // lstgrup, the free channels to lstchgrup2.
    void ListGroupWells(int group);
    void ListEditorGroupChannels(int group);
    void ListEditorFreeChannels();
    // Rebuilds combogrup2 and selects `group`, which lists its wells.
    void FillGroupCombo(int group);
    void combogrup2_Click();
    void combogrup2_DblClick();
    void combogrup2_KeyPress(int key);
    void mn_plateedit_Click();
    // Buttons 1 left, 2 right; x and y in the picture's scale.
    void Picreal_MouseDown(int button, int shift, double x, double y);
    void Picreal_MouseMove(int button, int shift, double x, double y);
    void Picreal_MouseUp(int button, int shift, double x, double y);
    void cmd_goset_Click();
    void Cmd_clear_Click();
    void ClearAllGroups();
    void cmdcancelgrups_Click();
    int SaveGroupFiles(const std::string& folder);
    void DisableBrowseControls();
    void EnableBrowseControls();

    // ---- single-animal path tracking (Frm_offline_Track.cpp) -----------------
    void cmd_track_Click();
    void Timer_play_Timer();
    void mn_datatrack_Click();
    void mn_bmptrack_Click();
    void DrawTrackGrid();
    void ExportTravelDistance(int lastBlock);

    // The rebuilds of the list.
    void ListProjects(bool descending);
    void ListAcquisitionsFlat(bool descending);

    // ---- controls ----------------------------------------------------------
    // The details column and the two buttons beside it (window).
    QLabel* lbl_pj_title = nullptr;
    QLabel* lbl_subpj_title = nullptr;
    QPlainTextEdit* txt_pj_details = nullptr;
    QPlainTextEdit* Txt_description = nullptr;
    QPushButton* Cmd_report = nullptr;
    QPushButton* Cmd_main = nullptr;
    // The project panel.
    Canvas* PicPanel1 = nullptr;
    QLabel* lbl_orden = nullptr;
    QLabel* lbl_date = nullptr;
    QLabel* lblproject = nullptr;
    QLineEdit* txt_search = nullptr;
    QPushButton* cmd_lupa = nullptr;
    QListWidget* Listpj = nullptr;
    // The plot panel: the plot picture, the page and bin-size strip under it.
    Canvas* PicPanel2 = nullptr;
    Canvas* Picreal = nullptr;
    QFrame* Frame_bisize = nullptr;
    QLineEdit* txt_binsize = nullptr;
    QPushButton* cmd_minus = nullptr;
    QPushButton* cmd_plus = nullptr;
    QLabel* Label_page = nullptr;
    QLineEdit* Txtpage = nullptr;
    QScrollBar* scrollpage = nullptr;
    // The plot buttons right of the picture.
    QFrame* frame_plotbutton = nullptr;
    QPushButton* Cmd_barplot = nullptr;
    QPushButton* Cmd_gridplot = nullptr;
    QPushButton* Cmd_lineplot = nullptr;
    QPushButton* cmd_track = nullptr;
    QPushButton* Cmd_cloud = nullptr;  // placed hidden; no action
    QCheckBox* chk_bmp = nullptr;
    QLabel* lbl_tagplot = nullptr;
    QListWidget* List_tags = nullptr;
    // Channel and group selection left of the picture.
    QFrame* framecanal = nullptr;
    QPushButton* Cmd_leegroups = nullptr;
    QPushButton* cmdchannels = nullptr;
    QComboBox* combogrup = nullptr;
    QListWidget* lstgrup = nullptr;
    QListWidget* lstgrup_plot = nullptr;
    Canvas* Pic_status = nullptr;
    QFrame* fmranalizar = nullptr;
    QComboBox* cmb_modeanalisis = nullptr;
    QLineEdit* frmtxt_threshold = nullptr;
    QPushButton* Cmd_analyze = nullptr;
    QComboBox* Combofila = nullptr;
    QComboBox* Combocol = nullptr;
    QLineEdit* txtsub = nullptr;
    QLabel* lblcanal = nullptr;
    // The group editor's panel, in the place of framecanal.
    QFrame* Framegrup = nullptr;
    QPushButton* Cmd_clear = nullptr;
    QPushButton* cmdcancelgrups = nullptr;
    QLabel* lblset = nullptr;
    QComboBox* Combo_sets = nullptr;
    QPushButton* cmd_goset = nullptr;
    QComboBox* combogrup2 = nullptr;
    QLabel* lblgrup2 = nullptr;
    QListWidget* lstgrup2 = nullptr;  // "Assigned channels:"
    QLabel* lblchgrup2 = nullptr;
    QListWidget* lstchgrup2 = nullptr;  // "Free channels:"
    // Timers: the tracking animation and the column captions' hover colour.
    QTimer* Timer_play = nullptr;
    QTimer* Timer_button = nullptr;
    // Menu bar.
    QMenu* mnwatching = nullptr;
    std::array<QAction*, browser::kWatchedFolders> Txtfolder{};
    QAction* mnadvanced = nullptr;
    // Pop-up menus: the list's, then one per plot view.
    QLabel* lbl_written = nullptr;  // the status beside the menu
    QMenu* mnrename = nullptr;
    QAction* lst_rename = nullptr;
    QAction* lst_explorefind = nullptr;
    QMenu* mntag_jk = nullptr;
    std::array<QAction*, 5> tagjk{};
    QMenu* mntag_jr = nullptr;
    std::array<QAction*, 10> tagjr{};  // 1..9
    QAction* lst_plateconfig = nullptr;
    QAction* lst_delete = nullptr;
    QMenu* mnexporta = nullptr;
    QAction* bmpexporta = nullptr;
    QAction* asciiexporta = nullptr;
    QMenu* mnrelativize = nullptr;
    QAction* mnrel0 = nullptr;
    QAction* mn_jointbmp = nullptr;
    QAction* mn_jointexport = nullptr;
    QMenu* mnline = nullptr;
    QAction* mn_linebmp = nullptr;
    QMenu* Mnplate = nullptr;
    QAction* mn_platebmp = nullptr;
    QAction* mn_plateedit = nullptr;
    QMenu* mntrack = nullptr;
    QAction* mn_bmptrack = nullptr;
    QAction* mn_datatrack = nullptr;

    // ---- state -------------------------------------------------------------
    bool m_list_descending = true;
    std::set<std::string> m_project_expanded;
    int m_acquisition_open = 0;
    std::string m_acquisition_path, m_selection_folder, m_project_folder;
    int m_saved_list_index = 0;
    bool m_search_active = false;
    std::string m_search_text;
    int m_view_mode = 0;
    int m_tag_kinetics = 0;
    bool m_description_dirty = false;
    browser::AcquisitionConfig m_config = browser::DefaultAcquisitionConfig();
    std::string m_config_text;
    // ---- plots -------------------------------------------------------------
    int m_bar_first_group = 0;        // index of the first list item the bar plot shows
    std::string m_tag_acquisitions;   // blank-separated recordings of the picked tag

    // ---- channel-signal view (Frm_offline_Raw.cpp) ---------------------------
    // Enters the view and shows the first raw page of the open recording.
    void cmdchannels_Click();
    // Counts the raw files, sets the page controls and reads page 1; false
    // when the recording's windows are not of a length the view reads.
    bool LoadRawSignalPage();
    void scrollpage_Change();
    // The channel of the chosen row, column and beam into lblcanal.
    void Combofila_Click();
    void Combocol_Click();
    // Lists the chosen group's channels ("A1.7") in lstgrup.
    void combogrup_Click();
    void Cmd_analyze_Click();
    // Picks the well or channel of the lstgrup item and redraws.
    void lstgrup_DblClick();
    void lstgrup_KeyPress(int key);
    // Writes the shown page's levels of the well to datafile.txt.
    void asciiexporta_Click();
    browser::RawPage m_raw_cube;     // the page shown
    std::string m_raw_folder;        // the recording the page was read from
    int m_raw_file_count = 0, m_raw_page = 1, m_raw_page_count = 1;
    int m_signal_channel = 0;

    // ---- plate group editor --------------------------------------------------
    int m_group_edit_open = 0;
    browser::GroupEditorState m_group_editor;
    // ---- single-animal path tracking -----------------------------------------
    browser::TrackWalk m_track;
    int64_t m_track_step = 0;
    int m_track_tick_ms = 20;  // the animation's tick after the first

    // ---- group activity tables of the plots and the joint report ----------
    // Time bins of the open recording (timeBins -1) or its whole recording in
    // one column; the largest group mean, 0 without counts.bin.
    int64_t BinGroupActivity(int binMinutes, int timeBins);
    // One column per tagged recording of the open project, in date order.
    int64_t LoadTagKinetics(const std::string& names, int binMinutes);
    void SumChannelTotals();
    browser::GroupBinTable m_group_bin_means;
    int m_bin_count = 0, m_bin_minutes = 0;
    std::vector<platform::TimePoint> m_column_dates;
    std::string m_tag_sorted_list;
    std::array<int64_t, browser::kCountedChannels> m_channel_totals{};

    // ---- report hand-off and the joint report -----------------------------
    // Hands the open recording to the report window (its folder, caption and
    // the project's recordings as basal choices).
    void Cmd_report_Click();
    // The joint report's separator: the report window's custom spacer, else
    // the spacer the report settings hold; ";" when empty.
    std::string JointReportSeparator() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildControls();
    // The column captions' colour under the mouse and after the timer's tick.
    static constexpr uint32_t kCaptionHoverColour = 0x00FF00;
    static constexpr uint32_t kCaptionRestColour = 0xFF0000;
    bool HoverEvent(QObject* watched, QEvent* e);
    std::vector<std::string> Lines() const;
    std::string CurrentText() const;
    void SetList(const std::vector<std::string>& lines);
    void SelectLine(int index);
    void OpenAcquisition(int index);
    void ShowTags(const std::string& tags);
    // The recording folder of a list line and its project's folder name; false
    // when the line yields none that exists.
    bool LineFolder(int index, std::string& projectFolder, std::string& acquisitionPath) const;
    void SetDescription(const std::string& text);
    void FreeRawPages();
    // The editor's and the tracking's controls and picture events.
    void ConnectEditorAndTracking();
    bool EditorEvent(QObject* watched, QEvent* e);
    void RefreshEditorLists(int group);
    void TrackStep(bool draw);
    void ReadTrackThresholdBox();
    // The channel-signal view's connections, drawing and picks.
    void ConnectChannelView();
    void ShowChannelView(bool loadFirstPage);
    void DrawRawSignalPage();
    bool ReadRawPage(int page);
    void PickChannel(bool resetOnFailure);
    void PickListedChannel(int key);
    std::vector<browser::RawTrace> ShownTraces() const;
    // Saves the plot picture as `file` in the program folder and opens it.
    void ExportPlotImage(const std::string& file);
    std::vector<std::string> PlotItems() const;
    bool m_loaded = false;
    bool m_outer_size_set = false;
    bool m_filling_description = false;
};

}  // namespace vondrel
