#include "store/Setup.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "store/Config.h"
#include "store/Globals.h"
#include "store/SettingsText.h"
#include "store/StatusLine.h"

namespace vondrel {

namespace fs = std::filesystem;
using platform::JoinPath;

namespace {

constexpr const char* kWarnRecheck = "Warning!! PLEASE Re-Check setup values before RUN";

void ReadSix(SettingsReader& in, int16_t* const vars[6]) {
    for (int i = 0; i < 6; ++i) *vars[i] = in.ReadInt16();
}

int16_t* const kLine4[6] = {&g_acq_mode, &g_acq_lapse, &g_sample_rate, &g_rt_buffer, &g_dsp_method, &g_dsp_interval};
int16_t* const kLine6[6] = {&g_binary_acq, &g_threshold_counter, &g_cal_value, &g_cal_mode, &g_save_counts, &g_save_real};
int16_t* const kLine8[6] = {&g_tool_cal, &g_tool_light, &g_tool_temp, &g_tool_menu4, &g_tool_menu5, &g_tool_menu6};

std::string WorkingFolderOf(int n) {
    return JoinPath(platform::ProgramFolder(), "p" + FormatPadded(n, 5)) + "/";
}

bool AllDigits(const std::string& s, size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

// The sort key yyyymmddhhmm of a run folder name, or -1 when the name is not one.
long long RunFolderKey(const std::string& name) {
    std::string key;
    if (name.size() == 13 && name[8] == '_' && AllDigits(name, 0, 8) && AllDigits(name, 9, 4)) {
        key = name.substr(4, 4) + name.substr(2, 2) + name.substr(0, 2) + name.substr(9, 4);
    } else if (name.size() == 16 && name[8] == '_' && name[13] == '_' && name[14] == 's' && AllDigits(name, 0, 8) &&
               AllDigits(name, 9, 4) && AllDigits(name, 15, 1)) {
        key = name.substr(0, 8) + name.substr(9, 4);
    } else {
        return -1;
    }
    return std::stoll(key);
}

}  // namespace

void SetSetupLine4Defaults() {
    g_acq_mode = 1; g_acq_lapse = 30; g_sample_rate = 99; g_rt_buffer = 500; g_dsp_method = 1; g_dsp_interval = 30;
}
void SetSetupLine6Defaults() {
    g_binary_acq = 1; g_threshold_counter = 300; g_cal_value = 80; g_cal_mode = 1; g_save_counts = 1; g_save_real = 1;
}
void SetSetupToolsDefaults() {
    g_tool_cal = 1; g_tool_light = 0; g_tool_temp = 0; g_tool_menu4 = 0; g_tool_menu5 = 0; g_tool_menu6 = 0;
}
void SetToolsRowDefaults(int row) {
    static constexpr int16_t kRows[7][6] = {
        {0, 0, 0, 0, 0, 0}, {0, 1, 1, 0, 0, 0}, {0, 9, 21, 0, 0, 0}, {0, 200, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}};
    for (int p = 0; p < 6; ++p) g_tool_param[row][p] = kRows[row][p];
}

int CountFileLines(const std::string& path) {
    constexpr size_t kMostLines = 32767;
    auto lines = platform::CountLines(path, kMostLines);
    return (!lines || *lines > kMostLines) ? 0 : static_cast<int>(*lines);
}

int TryCopyFile(const std::string& source, const std::string& destination) {
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) return -1;
    if (fs::equivalent(source, destination, ec)) return -1;
    ec.clear();
    fs::copy_file(source, destination, fs::copy_options::overwrite_existing, ec);
    return ec ? -1 : 1;
}

std::string FindLatestRunFolder(const std::string& prefix) {
    std::string best;
    long long bestKey = -1;
    for (const auto& name : platform::ListFolder(prefix)) {
        if (!platform::FolderExists(JoinPath(prefix, name))) continue;
        long long key = RunFolderKey(name);
        if (key > bestKey) {
            bestKey = key;
            best = name;
        }
    }
    return best;
}

void LoadSetup(int n) {
    const std::string label = ProjectFileLabel(n, 5, "setup.dat");
    bool recovered = false;
    for (;;) {
        int stage = 0;
        try {
            const std::string path = JoinPath(g_project_folder, "setup.dat");
            int lines = CountFileLines(path);
            stage = 1;
            auto in = SettingsReader::Open(path);
            if (!in) throw SettingsError("File not found");
            std::string numProj;
            if (lines > 5) {
                in->SkipLine();
                numProj = in->ReadText();
                g_project_name = in->ReadText();
                g_working_folder = in->ReadText();
                g_plate_format = in->ReadText();
                stage = 2;
                in->SkipLine();
                ReadSix(*in, kLine4);
                stage = 3;
                in->SkipLine();
                ReadSix(*in, kLine6);
            }
            stage = 4;
            if (lines > 19) {
                in->SkipLine();
                ReadSix(*in, kLine8);
                stage = 5;
                for (int m = 1; m <= 6; ++m) {
                    in->SkipLine();
                    for (int p = 0; p < 6; ++p) g_tool_param[m][p] = in->ReadInt16();
                    stage = 5 + m;
                }
            }
            double number;
            if (!ParseNumber(numProj, number)) throw SettingsError("Type mismatch");
            int16_t fileProject;
            try {
                fileProject = ToInt16(number);
            } catch (const NumericError& e) {
                throw SettingsError(e.what());
            }
            if (fileProject != n) {
                std::string warning = "Warning: Project ID# <> Folder Name [p00" + std::to_string(g_project_number) + "]";
                SetStatusLine(warning);
                platform::MsgBox(warning);
            }
            return;
        } catch (const SettingsError&) {
            // Recovery: once, from setup.bak or from the newest run folder.
            bool recoveredNow = false;
            std::string run;
            if (n > 0 && stage < 11 && !recovered) {
                g_working_folder = WorkingFolderOf(n);
                const std::string folder = ProjectFolderOf(n);
                const std::string backup = JoinPath(folder, "setup.bak");
                if (platform::FileExists(backup)) {
                    recoveredNow = TryCopyFile(backup, JoinPath(folder, "setup.dat")) == 1;
                } else {
                    run = FindLatestRunFolder(folder);
                }
                if (!run.empty()) {
                    const std::string runSetup = JoinPath(JoinPath(folder, run), "setup.dat");
                    if (CountFileLines(runSetup) > 16)
                        recoveredNow = TryCopyFile(runSetup, JoinPath(g_project_folder, "setup.dat")) == 1;
                }
            }
            if (recoveredNow) {
                platform::MsgBox("Error [" + label + "] ID#" + std::to_string(stage) + " => Loading values from: p" +
                                 FormatPadded(n, 5) + "/" + run);
                platform::MsgBox(kWarnRecheck);
                recovered = true;
                continue;
            }
            platform::MsgBox("Error [" + label + "] ID#" + std::to_string(stage) + " => Loading default values...");
            platform::MsgBox(kWarnRecheck);
            if (stage <= 1) {
                g_project_name = "Default";
                g_working_folder = WorkingFolderOf(n);
                g_plate_format = "96f";
            }
            if (stage <= 2) SetSetupLine4Defaults();
            if (stage <= 3) SetSetupLine6Defaults();
            if (stage <= 4) SetSetupToolsDefaults();
            for (int m = 1; m <= 6; ++m)
                if (stage <= m + 4) SetToolsRowDefaults(m);
            return;
        }
    }
}

bool WriteSetupFile(const std::string& path) {
    SettingsWriter out;
    out.Header("Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>");
    out.Int(g_project_number).Text(g_project_name).Text(g_working_folder).Text(g_plate_format).EndLine();
    out.Header("<Aq_mode>,<Aq_lapse>,<Sample_Rate>,<RT_Buffer>,<DSP_Method>,<DSP_Interval>");
    for (auto* v : kLine4) out.Int(*v);
    out.EndLine();
    out.Header("<Binary_Acq>,<Threshold_Counter>,<Cal_value>,<Cal_mode>,<Save_counts>,<Save_real>");
    for (auto* v : kLine6) out.Int(*v);
    out.EndLine();
    out.Header("Tools: <Menu1:Cal>, <Menu2:Light>, <Menu3:Temp>, <Menu4>, <Menu5>, <Menu6>");
    for (auto* v : kLine8) out.Int(*v);
    out.EndLine();
    static constexpr const char* kToolHeaders[7] = {
        "", "Mn1: <Organism>, <Enab_Cal>, <Enab_Zero>, <SNRx10>,,", "Mn2: <Enable>, <Time_ON>, <v3:Time_OFF>,,,",
        "Mn3: <v1:Enable>, <v2:Tempx10>,,,,", "Mn4: ,,,,,", "Mn5: ,,,,,", "Mn6: ,,,,,"};
    for (int m = 1; m <= 6; ++m) {
        out.Header(kToolHeaders[m]);
        for (int p = 0; p < 6; ++p) out.Int(g_tool_param[m][p]);
        out.EndLine();
    }
    return out.Save(path);
}

std::string ReadSetupSummary(const std::string& folder) {
    try {
        const std::string setup = JoinPath(folder, "setup.dat");
        int lines = platform::FileExists(setup) ? CountFileLines(setup) : 0;
        if (lines < 6) {
            const std::string backup = JoinPath(folder, "setup.bak");
            if (platform::FileExists(backup)) {
                if (CountFileLines(backup) > 5 && TryCopyFile(backup, setup) == 1) {
                    lines = CountFileLines(setup);
                    platform::MsgBox("Error reading Setup.dat -> recovered from Setup.bak");
                }
            } else {
                std::string run = FindLatestRunFolder(folder);
                if (!run.empty()) {
                    const std::string runFolder = JoinPath(folder, run);
                    const std::string runSetup = JoinPath(runFolder, "setup.dat");
                    if (CountFileLines(runSetup) > 5 && TryCopyFile(runSetup, setup) == 1) {
                        lines = CountFileLines(setup);
                        platform::MsgBox("Error reading Setup.dat -> recovered from " + runFolder);
                    }
                }
            }
        }
        if (lines < 6) return "<Project> p: SETUP NOT FOUND!!";
        auto in = SettingsReader::Open(setup);
        if (!in) throw SettingsError("unreadable");
        in->SkipText();
        std::string numProj = in->ReadText();
        std::string name = in->ReadText();
        in->SkipText();
        in->SkipText();
        double number;
        std::string shown = numProj;
        if (ParseNumber(numProj, number) && std::fabs(number) < 1e15) shown = FormatPadded(static_cast<int64_t>(RoundHalfEven(number)), 5);
        return "<Project> p" + shown + ": " + name;
    } catch (const SettingsError&) {
        return "ERROR on SETUP.DAT FILE!!!";
    }
}

}  // namespace vondrel
