#include "store/Config.h"

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"
#include "store/SettingsText.h"

namespace vondrel {

namespace {
constexpr const char* kConfigHeader = "Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>";

std::string ConfigPath() { return platform::JoinPath(platform::ProgramFolder(), "config.dat"); }
}  // namespace

void LoadConfig() {
    try {
        auto in = SettingsReader::Open(ConfigPath());
        if (!in) throw SettingsError("missing");
        in->SkipText();  // header
        int16_t project = in->ReadInt16();
        int16_t last = in->ReadInt16();
        int16_t port = in->ReadInt16();
        in->ReadInt16();  // restart time: reserved
        if (project < 0) project = 0;
        if (last < project) last = project;
        if (port <= 0) port = 1;
        if (port > 16) port = 16;
        g_project_number = project;
        g_last_project_number = last;
        g_com_port = port;
    } catch (const SettingsError&) {
        platform::MsgBox("Error opening config File >>>> Loading DEFAULT configuration...");
        g_project_number = 1;
        g_last_project_number = 1;
        g_com_port = 4;
    }
    g_restart_time = 0;
}

void SaveConfig() {
    SettingsWriter out;
    out.Header(kConfigHeader);
    out.Int(g_project_number).Int(g_last_project_number).Int(g_com_port).Int(g_restart_time).EndLine();
    if (!out.Save(ConfigPath())) platform::MsgBox("<Error Saving Config File>");
}

std::string ProjectFolderOf(int n) {
    if (n == 0) return platform::ProgramFolder();
    return platform::JoinPath(platform::ProgramFolder(), "p" + FormatPadded(n, 5));
}

std::string ProjectFileLabel(int n, int digits, const std::string& file) {
    return "/p" + FormatPadded(n, digits) + "/" + file;
}

}  // namespace vondrel
