#include "browser/BrowserExports.h"

#include <cstdio>

#include "browser/BrowserList.h"
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

std::vector<std::string> BasalItems(const std::vector<std::string>& lines, int selected) {
    std::vector<std::string> items{"-"};
    if (selected < 0 || selected >= static_cast<int>(lines.size())) return items;
    auto after = [](const std::string& line, const std::string& mark, size_t skip, size_t n) -> std::string {
        size_t at = line.find(mark);
        if (at == std::string::npos || at + skip + n > line.size()) return "";
        return line.substr(at + skip, n);
    };
    for (size_t i = static_cast<size_t>(OwningProjectLine(lines, selected)) + 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!line.empty() && line[0] == '+') break;
        std::string year = after(line, ">", 2, 4), day = after(line, ".", 1, 4), hour = after(line, "ACQ", 3, 2),
                    minute = after(line, ":", 1, 2);
        if (year.empty() || day.empty() || hour.empty() || minute.empty()) continue;
        items.push_back(year + day + "_" + hour + minute);
    }
    return items;
}

std::string JointReportSpacer(const std::string& customSpacer) { return customSpacer.empty() ? ";" : customSpacer; }

namespace {
std::function<void(const std::string&)>& ExportStatus() {
    static std::function<void(const std::string&)> status;
    return status;
}
}  // namespace

std::string ExportWrittenText(const std::string& path, bool opened) {
    std::string text = "Export written to " + path;
    if (!opened) text += " (no viewer opened it: open it from there)";
    return text;
}

void SetExportStatus(std::function<void(const std::string&)> status) { ExportStatus() = std::move(status); }

void OpenExport(const std::string& path) {
    const bool opened = platform::OpenWithDesktop(path);
    if (ExportStatus()) ExportStatus()(ExportWrittenText(path, opened));
    if (!opened) platform::MsgBox("The file " + path + " could not be opened with the desktop's viewer.");
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
