// The help menu's "Content", the start-menu and desktop shortcut, and the
// labels that follow the run's state and the acquisition lapse.
#include <QAction>
#include <QLabel>
#include <QStandardPaths>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "mainwindow/Frm_Main.h"
#include "mainwindow/HelpGuide.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"

namespace vondrel {

namespace {

// A word of a desktop entry's Exec line, quoted when it holds a blank or a
// character the entry format reserves.
std::string ExecWord(const std::string& w) {
    if (w.find_first_of(" \t\"'\\$`") == std::string::npos) return w;
    std::string q = "\"";
    for (char c : w) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') q += '\\';
        q += c;
    }
    return q + "\"";
}

}  // namespace

// The help file lies in the program folder; the desktop's viewer opens it.
// A folder without it gets it printed from the guide built into the program.
void Frm_Main::mncontent_Click() {
    const std::string path = (std::filesystem::path(platform::ProgramFolder()) / kHelpFileName).string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) && !WriteHelpPdf(path)) {
        platform::MsgBox("Help file not found: " + path);
        return;
    }
    if (!platform::OpenWithDesktop(path))
        platform::MsgBox("The help file " + path + " could not be opened with the desktop's viewer.");
}

std::string Frm_Main::Create_ShortCut(const std::string& TargetPath, const std::string& TargetArguments,
                                      const std::string& ShortCutPath, const std::string& ShortCutname,
                                      const std::string& WorkPath, int16_t /*WindowStyle*/, int16_t /*IconNum*/) {
    QStandardPaths::StandardLocation where;
    if (ShortCutPath == "Desktop")
        where = QStandardPaths::DesktopLocation;
    else if (ShortCutPath == "Programs")
        where = QStandardPaths::ApplicationsLocation;
    else
        throw std::invalid_argument("Create_ShortCut: unknown shortcut place " + ShortCutPath);
    const std::string folder = QStandardPaths::writableLocation(where).toStdString();
    if (folder.empty()) throw std::runtime_error("Create_ShortCut: no folder for " + ShortCutPath);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string path = (std::filesystem::path(folder) / (ShortCutname + ".desktop")).string();
    std::string exec = ExecWord(TargetPath);
    if (!TargetArguments.empty()) exec += " " + TargetArguments;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=" << ShortCutname << "\n"
        << "Exec=" << exec << "\n"
        << "Path=" << WorkPath << "\n"
        << "Icon=" << TargetPath << "\n"
        << "Terminal=false\n";
    out.close();
    if (!out) throw std::runtime_error("Create_ShortCut: cannot write " + path);
    return path;
}

// "Ready to run?" shows while no run goes on; the lapse label shows the
// acquisition lapse in minutes.
void Frm_Main::ShowRunLabels() {
    lbl_torun->setVisible(g_run_state == 0);
    txt_acqlapse->setText(QString::number(g_acq_lapse));
}

}  // namespace vondrel
