// Files the browser writes from its plots: the joint report of tag kinetics.
// Each written file is opened by its full path with the desktop's program;
// a file that cannot be written is told and nothing opens.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Clock.h"

namespace vondrel::browser {

// "joint_report" & "YYYYMMDDhhmmss" of `at` & ".csv".
std::string JointReportName(platform::TimePoint at);

// The report's bytes: the title "Joint Report [YYYY-MM-DD hh:mm.ss]", then
// `acqLine` and `rows` (each ending in CR LF) each written as a line.
std::string JointReportText(platform::TimePoint at, const std::string& acqLine, const std::string& rows);

// Writes the joint report into `projectPath` at the present moment and opens
// it. "Error writing " & its path when it cannot be written; a failed open
// is told. Returns the file's path, "" when it was not written.
std::string WriteJointReport(const std::string& projectPath, const std::string& acqLine, const std::string& rows);

// The report window's basal choices for the recording at list line
// `selected`: "-", then the stamp "yyyymmdd_hhmm" of every recording line of
// its project (the opened one included), in list order. A line without the
// recording line's marks is passed over.
std::vector<std::string> BasalItems(const std::vector<std::string>& lines, int selected);

// The joint report's separator: the report window's custom spacer, ";" when empty.
std::string JointReportSpacer(const std::string& customSpacer);

// Opens a written export with the desktop's program; tells the user when it
// could not. Either way the status line (see SetExportStatus) says where the
// file was written.
void OpenExport(const std::string& path);

// The status line of a written export.
std::string ExportWrittenText(const std::string& path, bool opened);
// Where OpenExport tells the status line (the browser window installs its
// own); empty: nowhere.
void SetExportStatus(std::function<void(const std::string&)> status);

}  // namespace vondrel::browser
