// The report window "Report Output": the options of an activity report for
// one acquisition folder, "Generate...", and the automatic report after a run.
// Everything it computes is done by the plain report steps.
#pragma once

#include <QWidget>
#include <array>

#include "reports/ReportData.h"
#include "reports/ReportPipeline.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;

namespace vondrel {

class Frm_report : public QWidget {
public:
    Frm_report();

    // Runs Form_Load once, when the window is first made.
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void ShapeReportButtons();
    // Returns true when a report file was written.
    bool Cmd_generate_Click();
    void Cmd_cancel_Click();
    void Option_report_Click();
    void Cmb_organism_Click();
    void frmtxt_threshold_LostFocus();
    void Chk_rawexport_Click();
    void Chk_replacedata_Click();
    void mnrecalculate_Click();
    void mncircadian_Click();
    void cmd_runframe_Click();
    void cmd_stopframe_Click();
    // True while "RUN" counts the raw data again.
    bool RawRunGoing() const { return m_raw_running; }

    // The controls read by a Generate, as one value.
    reports::ReportControls Controls() const;

    reports::ReportData m_report;
    int16_t m_raw_run_abort = 0;  // -1: STOP pressed

    QGroupBox* frm_report_frame = nullptr;
    std::array<QRadioButton*, 5> Option_output{};
    QComboBox* Cmb_binsize = nullptr;
    QPushButton* Cmd_generate = nullptr;
    QPushButton* Cmd_cancel = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 3> Option_report{};
    QLineEdit* txt_customspacer = nullptr;
    QComboBox* cmbbasal = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<QCheckBox*, 5> Chk_statistic{};
    QGroupBox* Frame_run = nullptr;
    QComboBox* Cmb_organism = nullptr;
    QComboBox* Cmb_dspmethod = nullptr;
    QLineEdit* frmtxt_threshold = nullptr;
    QLineEdit* frmtxt_datalapse = nullptr;
    QCheckBox* Chk_replacedata = nullptr;
    QCheckBox* Chk_rawexport = nullptr;
    QCheckBox* chk_autoreport = nullptr;
    QPushButton* cmd_runframe = nullptr;
    QPushButton* cmd_stopframe = nullptr;
    QLabel* frmlbl_status = nullptr;
    QLineEdit* Txt_inputfile = nullptr;
    QMenuBar* menuBar = nullptr;
    // The window's status, beside the menu: where the last report was written.
    QLabel* lbl_written = nullptr;
    QMenu* mnadvance = nullptr;
    QAction* mnrecalculate = nullptr;
    QAction* mncircadian = nullptr;

protected:
    void closeEvent(class QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetHeightTwips(int twips);
    // Tells in the status where the report was written and whether a viewer opened it.
    void ShowWritten(const reports::ReportWritten& file);
    // The automatic report's re-analysis step (raw export on).
    void AutoReanalysis();
    bool m_generating = false;
    bool m_raw_running = false;
    bool m_close_after_run = false;
};

// The single report window, made (and loaded) on first use.
Frm_report& FrmReport();
bool FrmReportLoaded();
void UnloadReportWindow();

}  // namespace vondrel
