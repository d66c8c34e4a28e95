#include "store/FreshFolder.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/ProgramFolder.h"
#include "store/CalReport.h"
#include "store/ChannelFiles.h"
#include "store/Config.h"
#include "store/Globals.h"
#include "store/PlateMap.h"
#include "store/Project.h"
#include "store/SettingsText.h"
#include "store/Setup.h"

namespace vondrel {

using platform::JoinPath;

namespace {

// Standard microplates: wells in rows x columns at a centre-to-centre pitch,
// with the well diameter, in millimetres. One beam cell is 4.5 mm (the pitch
// of a 384-well plate).
struct Geometry {
    const char* code;
    int rows, cols;
    double pitchMm, wellMm;
};
constexpr Geometry kStandard[] = {
    {"w96", 8, 12, 9.0, 6.9},  {"w96flat", 8, 12, 9.0, 6.9}, {"w48", 6, 8, 13.08, 11.0},
    {"w24", 4, 6, 19.3, 15.6}, {"w6", 2, 3, 39.12, 34.8},
};
constexpr double kCellMm = 4.5;

// Lays the plate centred on the beam grid; a channel belongs to the well whose
// circle holds the centre of its beam cell. Beams are numbered in channel order.
void LayOut(const Geometry& g) {
    const double pitch = g.pitchMm / kCellMm, radius = g.wellMm / 2 / kCellMm;
    g_plate_rows = static_cast<int16_t>(g.rows);
    g_plate_cols = static_cast<int16_t>(g.cols);
    g_plate_row_pitch = g_plate_col_pitch = RoundDecimals(pitch, 4);
    g_plate_col_offset = RoundDecimals((24 - g.cols * pitch) / 2, 4);
    g_plate_row_offset = RoundDecimals((16 - g.rows * pitch) / 2, 4);
    std::vector<int16_t> beams(static_cast<size_t>(g.rows * g.cols), 0);
    g_max_well = 0;
    g_max_beam = 0;
    for (int c = 0; c < kChannels; ++c) {
        const double x = c / 16 + 0.5, y = c % 16 + 0.5;
        int col = static_cast<int>(std::floor((x - g_plate_col_offset) / pitch));
        int row = static_cast<int>(std::floor((y - g_plate_row_offset) / pitch));
        g_channel_well[c] = -1;
        g_channel_beam[c] = 0;
        if (col < 0 || col >= g.cols || row < 0 || row >= g.rows) continue;
        const double cx = (col + 0.5) * pitch + g_plate_col_offset, cy = (row + 0.5) * pitch + g_plate_row_offset;
        if (std::hypot(x - cx, y - cy) > radius) continue;
        const int well = col * g.rows + row;
        g_channel_well[c] = static_cast<int16_t>(well);
        g_channel_beam[c] = beams[static_cast<size_t>(well)]++;
        g_max_well = std::max<int16_t>(g_max_well, g_channel_well[c]);
        g_max_beam = std::max<int16_t>(g_max_beam, g_channel_beam[c]);
    }
}

// Fly tubes lie along the beam rows: 16 rows of two tubes, each tube crossed
// by the 12 beams of its half of the row.
void LayOutFlyTubes() {
    g_plate_rows = 16;
    g_plate_cols = 2;
    g_plate_row_pitch = 1.0;
    g_plate_col_pitch = 12.0;
    g_plate_row_offset = g_plate_col_offset = 0.0;
    for (int c = 0; c < kChannels; ++c) {
        const int column = c / 16, row = c % 16;
        g_channel_well[c] = static_cast<int16_t>((column / 12) * 16 + row);
        g_channel_beam[c] = static_cast<int16_t>(column % 12);
    }
    g_max_well = 31;
    g_max_beam = 11;
}

}  // namespace

const std::vector<std::string>& PlateFormatCodes() {
    static const std::vector<std::string> codes = {"w384", "w96f", "w96u", "w96",        "w96flat",
                                                   "w48",  "w24",  "w6",   "w32_flytube"};
    return codes;
}

bool SetStandardPlateMap(const std::string& code) {
    if (code == "w384" || code == "w96f" || code == "w96u") {
        SetBuiltInPlateMap(code);
        return true;
    }
    if (code == "w32_flytube") {
        LayOutFlyTubes();
        return true;
    }
    for (const auto& g : kStandard) {
        if (code == g.code) {
            LayOut(g);
            return true;
        }
    }
    return false;
}

bool WritePlateMapFile(const std::string& path, const std::string& code) {
    SettingsWriter out;
    out.Text("Plate map").Text(code).EndLine();
    out.Int(g_plate_rows).Real(g_plate_row_pitch).Real(g_plate_row_offset);
    out.Int(g_plate_cols).Real(g_plate_col_pitch).Real(g_plate_col_offset).EndLine();
    out.Header("<Label>, <Well>, <Beam>");
    for (int c = 0; c < kChannels; ++c) out.Text(ChannelLabel(c)).Int(g_channel_well[c]).Int(g_channel_beam[c]).EndLine();
    return out.Save(path);
}

std::vector<std::string> PrepareProgramFolder() {
    const std::string home = platform::ProgramFolder();
    std::vector<std::string> written;
    auto missing = [&](const std::string& name) { return !platform::FileExists(JoinPath(home, name)); };
    auto wrote = [&](const std::string& name, bool ok) {
        if (ok) written.push_back(name);
    };

    for (const auto& code : PlateFormatCodes()) {
        const std::string name = code + ".dat";
        if (missing(name) && SetStandardPlateMap(code)) wrote(name, WritePlateMapFile(JoinPath(home, name), code));
    }
    if (missing("calvalue.dat")) wrote("calvalue.dat", WriteDefaultCalValues());
    if (missing("repoconf.dat")) {
        SetDefaultReportSettings();
        SaveReportSettings(0);
        wrote("repoconf.dat", !missing("repoconf.dat"));
    }

    // Project 0 lives in the program folder itself.
    if (missing("setup.dat")) {
        g_project_number = 0;
        g_project_name = "Default";
        g_working_folder = home + "/";
        g_plate_format = "w96f";
        SetSetupLine4Defaults();
        SetSetupLine6Defaults();
        SetSetupToolsDefaults();
        for (int m = 1; m <= 6; ++m) SetToolsRowDefaults(m);
        for (int c = 0; c < kChannels; ++c) {
            g_channel_enabled[c] = kTrue;
            g_channel_threshold[c][0] = 3.0;
        }
        for (int s = 0; s < kStations; ++s) {
            FillDefaultGroupNames(StationGroupNames(s));
            FillDefaultChannelGroups(StationChannelGroups(s));
        }
        if (SaveProject(home, 0, -1)) {
            for (auto name : {"setup.dat", "status.dat", "threshld.dat"}) written.push_back(name);
            for (int s = 0; s < kStations; ++s) {
                written.push_back(GroupNamesFileName(s));
                written.push_back(ChannelGroupsFileName(s));
            }
        }
    }
    if (missing("config.dat")) {
        g_project_number = 0;
        g_last_project_number = 0;
        g_com_port = 4;
        g_restart_time = 0;
        SaveConfig();
        wrote("config.dat", !missing("config.dat"));
    }
    return written;
}

bool CreateDemoProject() {
    LoadConfig();
    g_project_number = 0;
    g_project_folder = ProjectFolderOf(0);
    LoadProject(0);

    const int last = g_last_project_number > 31999 ? 0 : g_last_project_number;
    const int16_t number = static_cast<int16_t>(last + 1);
    const std::string folder = ProjectFolderOf(number);
    std::error_code ec;
    if (std::filesystem::exists(folder, ec) || !std::filesystem::create_directory(folder, ec)) return false;

    g_last_project_number = number;
    g_project_folder = folder;
    g_project_number = number;
    g_project_name = kDemoProjectName;
    if (!SaveProject(folder, number, -1)) return false;
    SaveConfig();
    return true;
}

}  // namespace vondrel
