// The main window's way to the reports: a station of the last run opened in
// the report window, and the report settings dialog.
#include <QAction>
#include <QListWidget>
#include <filesystem>

#include "acquisition/RunDataFiles.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "store/CalReport.h"
#include "store/Globals.h"
#include "store/RunFiles.h"

namespace vondrel {

namespace {
// The report window's caption for a station folder of the last run: the
// folder's name and the run's name.
std::string ReportCaption(const std::string& folder) {
    std::string caption = std::filesystem::path(folder).filename().string();
    const std::string name = ReadSubprojectName(folder);
    if (!name.empty()) caption += " " + name;
    return caption;
}
}  // namespace

void Frm_Main::lst_report_export_DblClick() {
    QListWidgetItem* item = lst_report_export->currentItem();
    if (!item) return;
    // "STATION_<n>": the station number follows the last "_".
    const std::string text = Str(item->text());
    const int station = std::atoi(text.substr(text.rfind('_') + 1).c_str());
    const std::string folder = AcquisitionFolder(g_project_folder, m_run.m_acquisition_stamp, station);
    if (platform::FileExists(platform::JoinPath(folder, "counts.bin"))) {
        if (Hooks().showReport)
            Hooks().showReport(folder, HasHistogramFiles(folder), ReportCaption(folder), {});
        else
            platform::MsgBox("The report window is not available in this version.");
    } else {
        platform::MsgBox("Activity file not Found");
    }
    lst_report_export->hide();
}

void Frm_Main::mn_userbin_Click() {
    const int16_t flag = mn_userbin->isChecked() ? 1 : 0;
    LoadReportSettings(flag);
    SaveReportSettings(flag);
    if (Hooks().showReportSettings)
        Hooks().showReportSettings();
    else
        platform::MsgBox("The report settings window is not available in this version.");
}

}  // namespace vondrel
