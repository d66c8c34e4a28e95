// The report window's raw-data frame: "Analyze Raw Data", "RUN" and "STOP",
// and the re-analysis step of the automatic report. The work is done by the
// plain re-analysis; these handlers read the controls and show its progress.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "mainwindow/QtText.h"
#include "mainwindow/SetAndRun.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "reports/RawReanalysis.h"
#include "reports/RawRecount.h"
#include "reports/ReportPipeline.h"
#include "reports/qt/Frm_report.h"
#include "store/Globals.h"

namespace vondrel {

void Frm_report::mnrecalculate_Click() {
    if (g_run_state != 0 || m_raw_running) return;
    if (reports::HasRawData(Controls().inputFolder)) SetHeightTwips(6150);
    else platform::MsgBox("Real Time Data Not Found");
}

void Frm_report::cmd_runframe_Click() {
    // Like the menu, nothing during an acquisition; one run at a time.
    if (g_run_state != 0 || m_raw_running || m_generating) return;
    frmlbl_status->show();
    m_raw_run_abort = 0;

    reports::ReanalysisControls c;
    c.report = Controls();
    c.lapseText = Str(frmtxt_datalapse->text());
    c.thresholdText = Str(frmtxt_threshold->text());
    c.methodText = Str(Cmb_dspmethod->currentText());
    c.organismText = Str(Cmb_organism->currentText());
    c.method = static_cast<int16_t>(Cmb_dspmethod->currentIndex());
    c.organism = static_cast<int16_t>(Cmb_organism->currentIndex());
    c.replace = Chk_replacedata->isChecked();
    c.exportRaw = Chk_rawexport->isChecked();

    reports::ReanalysisHooks hooks;
    hooks.workers = reports::DefaultRecountWorkers();
    hooks.status = [this](const std::string& text) {
        frmlbl_status->setText(Q(text));
        frmlbl_status->repaint();
    };
    hooks.keepGoing = [this] {
        platform::PumpEvents();
        return m_raw_run_abort != -1;
    };

    m_raw_running = true;
    mnadvance->setEnabled(false);
    reports::ReportWritten file;
    lbl_written->clear();
    const reports::ReanalysisEnd end = reports::RunRawReanalysis(m_report, c, hooks, &file);
    mnadvance->setEnabled(true);
    m_raw_running = false;
    // Like a generated report, the status says where the file went.
    if (end == reports::ReanalysisEnd::Reported) ShowWritten(file);

    frmtxt_threshold->setText(Q(c.thresholdText));
    frmtxt_datalapse->setText(Q(c.lapseText));
    Cmb_binsize->setEditText(Q(c.report.binText));
    if (m_close_after_run) {
        m_close_after_run = false;
        close();
    }
}

void Frm_report::cmd_stopframe_Click() { m_raw_run_abort = -1; }

void Frm_report::AutoReanalysis() {
    if (g_report_rawexport != 1) return;
    mnrecalculate_Click();
    platform::PumpEvents();
    platform::SleepPumping(1000);
    SetCheckedAndRun(Chk_rawexport, true, [this] { Chk_rawexport_Click(); });
    // Without raw data the chain goes on to its message: a re-analysis of
    // nothing would only replace the report just written by one of zeros.
    if (!reports::HasRawData(Controls().inputFolder)) return;
    cmd_runframe_Click();
    platform::PumpEvents();
    platform::SleepPumping(500);
}

}  // namespace vondrel
