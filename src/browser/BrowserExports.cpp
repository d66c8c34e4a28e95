#include "browser/BrowserExports.h"

#include <cstdio>

#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"

namespace vondrel::browser {

std::string JointReportName(platform::TimePoint at) {
    auto t = platform::ToLocal(at);
    char buf[48];
    std::snprintf(buf, sizeof buf, "joint_report%04d%02d%02d%02d%02d%02d.csv", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

std::string JointReportText(platform::TimePoint at, const std::string& acqLine, const std::string& rows) {
    auto t = platform::ToLocal(at);
    char title[64];
    std::snprintf(title, sizeof title, "Joint Report [%04d-%02d-%02d %02d:%02d.%02d]", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return std::string(title) + "\r\n" + acqLine + "\r\n" + rows + "\r\n";
}

void OpenExport(const std::string& path) {
    if (!platform::OpenWithDesktop(path))
        platform::MsgBox("The file " + path + " could not be opened with the desktop's viewer.");
}

std::string WriteJointReport(const std::string& projectPath, const std::string& acqLine, const std::string& rows) {
    platform::TimePoint now = platform::Now();
    std::string path = platform::JoinPath(projectPath, JointReportName(now));
    if (!platform::WriteTextFile(path, JointReportText(now, acqLine, rows))) {
        platform::MsgBox("Error writing " + path);
        return "";
    }
    OpenExport(path);
    return path;
}

}  // namespace vondrel::browser
