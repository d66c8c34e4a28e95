// The report window's "1 file/well Report": two questions, then the plain
// per-well export, and the folder shown on the desktop.
#include <QComboBox>
#include <QLineEdit>

#include "mainwindow/QtText.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "reports/PerWellExport.h"
#include "reports/qt/Frm_report.h"

namespace vondrel {

void Frm_report::mncircadian_Click() {
    if (m_raw_running || m_generating) return;
    if (!platform::AskYesNo("Do you like to Export 384 text files?")) return;
    reports::PerWellControls c;
    c.withTime = platform::AskYesNo("Include time field?");
    c.folder = Controls().inputFolder;
    c.binText = Str(Cmb_binsize->currentText());
    c.dateSeparator = platform::LocaleDateSeparator();
    c.timeSeparator = platform::LocaleTimeSeparator();
    const bool written = reports::ExportPerWellFiles(m_report, c);
    Cmb_binsize->setEditText(Q(c.binText));
    if (written) platform::OpenWithDesktop(c.folder);
}

}  // namespace vondrel
