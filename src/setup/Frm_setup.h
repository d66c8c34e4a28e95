// The project setup window: projects (new, load, save, rename), the
// acquisition and detection parameters, the plate format and the groups of
// the four stations on the plate drawing, the experiment notes, and the way
// on to the run ("Continue to Run...") or back to the launcher.
//
// Control names are member names and Qt objectNames; an element of a control
// array is named with its index after an underscore ("plate_option_2").
// The rules live in ProjectRules and PlateGroups; the handlers here apply
// them to the controls and the program-wide state.
#pragma once

#include <QMainWindow>
#include <array>
#include <optional>
#include <cstdint>
#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vondrel {

class Canvas;
class Shape;

class Frm_setup : public QMainWindow {
    Q_OBJECT
public:
    explicit Frm_setup(QWidget* parent = nullptr);
    ~Frm_setup() override;

    // True once Form_Load has run for this instance.
    bool Loaded() const { return m_loaded; }
    // Runs Form_Load when it has not run yet (first show or first use).
    void EnsureLoaded();

    // ---- projects ------------------------------------------------------------
    void Form_Load();
    void Form_Activate() {}
    void Form_Unload();
    void Cmdnewpj_Click();
    void Cmdsavepj_Click();
    void cmdLoad_Click();
    void List_project_DblClick();
    void Cmd_cancel_Click();
    void txtprj_DblClick();
    void Command_main_Click();
    void Cmdoffline_Click();

    // ---- parameters (SetupParameters.cpp) ---------------------------------------
    void Combo_aqmode_Click();
    void ComboDSP_Click();
    void Cmb_organism_Click();
    void txt_snr_DblClick();
    void lbl_snr_LostFocus();
    void Txtlapse_Change();
    void Txtsample_Change();
    void Txt_dspinterval_Change();
    void Txtbuffer_LostFocus();
    void Combosavecount_Click();
    void Combosavereal_Click();
    void chkcalib_Click();
    void chklight_Click();
    void chktemp_Click();
    void mn_advanced_Click();
    void chk_advance_Click();

    // ---- web queries (SetupWebQueries.cpp) ---------------------------------------------
    void cmd_askai_Click();
    void cmd_searchDB_Click();
    void cmd_annot_web_Click();

    // ---- plate and groups (SetupPlate.cpp) -----------------------------------------
    void Combowell_Click();
    void Timer1_Timer();
    void ChangePlateFormat();
    void ClearStationGroups();
    void Cmd_clear_Click();
    void plate_option_Click(int index);
    void DrawPlateLayout();
    void BuildGroupCombo(int group);
    void ListGroupChannels(int group);
    void ListFreeChannels();
    void combogrup_Click();
    void combogrup_DblClick();
    void lstchgrup_DblClick();
    void lstgrup_DblClick();
    void Command12_Click() { lstchgrup_DblClick(); }
    void Command13_Click() { lstgrup_DblClick(); }
    void cmd_goset_Click();
    void mnopciongrup_Click(int index);
    void AutoArrangeGroups(const std::string& caption);
    // Button 1 left, 2 right; X, Y in the plate drawing's units.
    void Picwell_MouseDown(int button, double x, double y);
    void Picwell_MouseMove(int button, double x, double y);
    void Picwell_MouseUp(int button, double x, double y);
    // The selected station 0..3.
    int SelectedStation() const;

    // ---- annotation grid (SetupAnnotation.cpp) -----------------------------------
    void ShowAnnotationGrid();
    void FillAnnotationColumns();
    void Chk_global_strain_Click();
    void Chk_global_orgnum_Click();
    void Chk_global_buffer_Click();
    void cmd_up_Click();
    void cmd_down_Click();
    void cmd_fill_Click();
    void cmd_setglobal_Click();
    void txt_compound_Change(int row);
    void txt_conc_Change(int row);
    void txt_strain_Change(int row);
    void txt_org_Change(int row);
    void txt_buffer_Change(int row);
    void txt_global_buffer_Change();

    // ---- layout ---------------------------------------------------------------------
    void Form_Resize() { LayoutSetupForm(); }
    void LayoutSetupForm();

    // ---- controls ---------------------------------------------------------------------
    QTimer* Timer1 = nullptr;
    Canvas* PicPanel1 = nullptr;
    Canvas* PicPanel2 = nullptr;
    QLabel* Label_workingfolder = nullptr;
    QLineEdit* Txtfolder = nullptr;

    // PicPanel1
    Canvas* Picwell = nullptr;
    QGroupBox* frm_advance = nullptr;
    QLabel* lbl_listgrupos = nullptr;
    std::array<QRadioButton*, 4> plate_option{};
    QLabel* Label_wellformat = nullptr;
    QComboBox* Combowell = nullptr;
    QPushButton* cmd_goset = nullptr;
    QLabel* Label_groupsname = nullptr;
    QListWidget* combogrup = nullptr;
    QPushButton* Cmd_clear = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* lblnchannel = nullptr;
    QPushButton* cmd_annot_web = nullptr;
    QLineEdit* txt_annot_id = nullptr;
    QPushButton* cmd_annot_sync = nullptr;
    QLabel* Label_assigned = nullptr;
    QListWidget* lstgrup = nullptr;
    QPushButton* Command12 = nullptr;
    QPushButton* Command13 = nullptr;
    QLabel* Label_free = nullptr;
    QListWidget* lstchgrup = nullptr;
    QComboBox* Combo_sets = nullptr;  // the arrangement sets (not shown; the popup offers them)
    QMenu* mngroup = nullptr;
    std::array<QAction*, 24> mnopciongrup{};

    // frm_advance
    QPushButton* cmd_askai = nullptr;
    QPushButton* cmd_searchDB = nullptr;
    Shape* Shape1 = nullptr;
    Shape* Shape3 = nullptr;
    Shape* Shape4 = nullptr;
    QLabel* lbl_group = nullptr;
    QLabel* lbl_compound = nullptr;
    QLabel* lbl_conc = nullptr;
    QLabel* lbl_strain = nullptr;
    QLabel* lbl_org = nullptr;
    QLabel* lbl_buff = nullptr;
    std::array<QRadioButton*, 6> adv_group{};
    std::array<QLineEdit*, 6> txt_group{}, txt_compound{}, txt_conc{}, txt_strain{}, txt_org{}, txt_buffer{};
    QPushButton* cmd_up = nullptr;
    QPushButton* cmd_down = nullptr;
    QComboBox* combo_tool = nullptr;
    QLineEdit* txt_global = nullptr;
    QPushButton* cmd_fill = nullptr;
    QPushButton* cmd_setglobal = nullptr;
    QLabel* lbl_global = nullptr;
    QCheckBox* Chk_global_strain = nullptr;
    QCheckBox* Chk_global_orgnum = nullptr;
    QCheckBox* Chk_global_buffer = nullptr;
    QLineEdit* txt_global_strain = nullptr;
    QLineEdit* txt_global_orgnum = nullptr;
    QLineEdit* txt_global_buffer = nullptr;

    // PicPanel2
    QLabel* lbl_project = nullptr;
    QCheckBox* chk_advance = nullptr;
    QPushButton* Command_main = nullptr;
    QPushButton* Cmdoffline = nullptr;
    QGroupBox* frm_project = nullptr;
    QLabel* Label16 = nullptr;
    QListWidget* List_project = nullptr;
    QPushButton* Cmd_cancel = nullptr;
    QGroupBox* Frame_setup = nullptr;
    QLineEdit* txtprj = nullptr;
    QPushButton* cmdLoad = nullptr;
    QPushButton* Cmdsavepj = nullptr;
    QPushButton* Cmdnewpj = nullptr;
    QLabel* Label_acqlapse = nullptr;
    QLineEdit* Txtlapse = nullptr;
    QLabel* Label_acqlapse2 = nullptr;
    QLabel* Lbl_keywords = nullptr;
    QPlainTextEdit* Txt_description = nullptr;
    Shape* shape_square = nullptr;
    QLineEdit* txt_detection = nullptr;
    QLabel* lbl_organism = nullptr;
    QComboBox* Cmb_organism = nullptr;
    QLabel* txt_snr = nullptr;
    QLineEdit* lbl_snr = nullptr;
    QLabel* lbl_dsp = nullptr;
    QComboBox* ComboDSP = nullptr;
    QGroupBox* Frame_advanced = nullptr;
    QCheckBox* Check_saverealtime = nullptr;
    QComboBox* Combosavereal = nullptr;
    QCheckBox* chktemp = nullptr;
    QCheckBox* chklight = nullptr;
    QLabel* lbl_message = nullptr;

    // Frameconfig (below the panels)
    QGroupBox* Frameconfig = nullptr;
    QComboBox* Combo_aqmode = nullptr;
    QLineEdit* Txtsample = nullptr;
    QLineEdit* Txtbuffer = nullptr;
    QLineEdit* Txt_dspinterval = nullptr;
    QComboBox* Combosavecount = nullptr;
    QCheckBox* chkcalib = nullptr;
    QCheckBox* Chk_mn4 = nullptr;
    QCheckBox* Chk_mn5 = nullptr;
    QCheckBox* Chk_mn6 = nullptr;

    // Menus
    QMenu* mnmenu = nullptr;
    QAction* mn_advanced = nullptr;

    // ---- state -------------------------------------------------------------------
    int16_t m_plate_ready = 0;
    int16_t m_drag_active = 0;
    int16_t m_drag_start_row = 0, m_drag_start_col = 0;
    int16_t m_last_far_row = 0, m_last_far_col = 0;
    int16_t m_pointer_off_plate = 0;
    int16_t m_annotation_first_row = 0;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildAnnotationControls();
    void ConnectControls();
    void FillParameters();
    void SetToolFlags();
    void FillProjectList();
    // Steps 3 to 6 of a new project with the name typed; false when it ended early.
    void CreateProject(const std::string& name);
    // Sets the main window's summary, threshold and organism.
    void PassDetectionToMain();
    void RefreshProjectBoxes();
    void RefreshChannelLists(int group);
    int CurrentGroup() const;
    int ReleaseGroup() const;
    void SetTextQuietly(QLineEdit* box, const std::string& text);
    void SearchAnnotationDb();
    void AskAiSummary();

    bool m_loaded = false;
    bool m_in_handler = false;
    bool m_snr_checking = false;
    int m_checked_arrangement = -1;
};

}  // namespace vondrel
