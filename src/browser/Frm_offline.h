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
#include "browser/PlotPlan.h"
#include "browser/BrowserList.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace vondrel {

class Canvas;
// Draws a plot plan on the surface: clears it, sets the plan's scale and
// draws its primitives in order; an empty plan leaves it cleared.
void ReplayPlan(Canvas& canvas, const browser::PlotPlan& plan);

class Frm_offline : public QMainWindow {
    Q_OBJECT
public:
    explicit Frm_offline(QWidget* parent = nullptr);
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
    // A control whose behaviour comes with the plots and reports.
    void NotYetAvailable();

    // The rebuilds of the list.
    void ListProjects(bool descending);
    void ListAcquisitionsFlat(bool descending);

    // ---- controls ----------------------------------------------------------
    QListWidget* Listpj = nullptr;
    QLabel* lbl_date = nullptr;
    QLabel* lblproject = nullptr;
    QLabel* lbl_orden = nullptr;
    QLineEdit* txt_search = nullptr;
    QPushButton* cmd_lupa = nullptr;
    QLabel* lbl_pj_title = nullptr;
    QLabel* lbl_subpj_title = nullptr;
    QPlainTextEdit* Txt_description = nullptr;
    QPlainTextEdit* txt_pj_details = nullptr;
    QLabel* lbl_tagplot = nullptr;
    QListWidget* List_tags = nullptr;
    QPushButton* Cmd_main = nullptr;
    QPushButton* Cmd_leegroups = nullptr;
    QPushButton* cmdchannels = nullptr;
    QPushButton* Cmd_analyze = nullptr;
    QPushButton* Cmd_report = nullptr;
    QPushButton* cmd_track = nullptr;
    QPushButton* Cmd_cloud = nullptr;
    QComboBox* Combofila = nullptr;
    QComboBox* Combocol = nullptr;
    QComboBox* combogrup = nullptr;
    QListWidget* lstgrup_plot = nullptr;
    QMenu* mnwatching = nullptr;
    std::array<QAction*, browser::kWatchedFolders> Txtfolder{};
    QMenu* mnadvanced = nullptr;
    QMenu* mnrename = nullptr;
    QAction* lst_rename = nullptr;
    QAction* lst_explorefind = nullptr;
    QMenu* mntag_jk = nullptr;
    std::array<QAction*, 5> tagjk{};
    QMenu* mntag_jr = nullptr;
    std::array<QAction*, 10> tagjr{};  // 1..9
    QAction* lst_plateconfig = nullptr;
    QAction* lst_delete = nullptr;

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
    // Raw pages of the channel-signal view (filled with the plots).
    std::vector<int16_t> m_raw_cube, m_raw_block;
    int m_raw_file_count = 0, m_raw_page = 1, m_raw_page_count = 1;

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
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
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
    bool m_loaded = false;
    bool m_filling_description = false;
};

}  // namespace vondrel
