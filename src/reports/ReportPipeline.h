// "Generate...": from an acquisition folder's counts.bin to the report file,
// its copy under the acquisition's name, and the viewer.
#pragma once

#include <functional>
#include <string>

#include "reports/ReportData.h"

namespace vondrel::reports {

// Converts the CSV report into a workbook; true when the workbook was made.
using WorkbookConverter =
    std::function<bool(const std::string& csvPath, const std::string& workbookPath, const std::string& spacer)>;
// Replaces the conversion; an empty function restores the workbook writer's own.
void SetWorkbookConverter(WorkbookConverter converter);

// Writes the report file of computed bins and its copy under the
// acquisition's name, then opens it (or its workbook) unless the report is
// automatic; returns the report's path. Throws ReportFailure when no file
// can be written.
// The file a report left for the user (the workbook when one was made) and
// whether the desktop's viewer opened it.
struct ReportWritten {
    std::string file;
    bool opened = false;
};

// The line that tells where a report or an export was written, and when no
// viewer opened it, that the user opens it from there.
std::string WrittenFileText(const std::string& what, const ReportWritten& written);

std::string WriteReportFile(const ReportData& data, const ReportControls& controls, int32_t T, int16_t B, bool basal,
                            const std::function<void()>& pumpEvents = {}, ReportWritten* written = nullptr);

// Runs one report of controls.inputFolder into `data` and writes the file.
// controls.binText is rewritten when the bin size is fitted. `pumpEvents`
// (may be empty) keeps the window responsive while the file settles.
// Returns true when a report file was written.
// `written` (may be null) receives the file left for the user.
bool GenerateReport(ReportData& data, ReportControls& controls, const std::function<void()>& pumpEvents = {},
                    ReportWritten* written = nullptr);

}  // namespace vondrel::reports
