// The program-wide state: configuration, the current project's settings,
// per-channel tables, plate map, group tables, channel calibration, report
// settings and the run state that every window reads and writes.
//
// Widths follow the stored data: 16-bit integers where the files and the
// instrument use them, doubles for thresholds and plate geometry. Per-channel
// tables hold 385 entries (channels 0..383 plus one spare).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vondrel {

inline constexpr int kChannels = 384;      // channels 0..383
inline constexpr int kChannelSlots = 385;  // tables 0..384
inline constexpr int kStations = 4;

using ChannelTable16 = std::array<int16_t, kChannelSlots>;
using GroupNames = std::array<std::string, kChannelSlots>;

// ---- config.dat ---------------------------------------------------------
inline int16_t g_project_number = 0;
inline int16_t g_last_project_number = 0;
inline int16_t g_com_port = 1;
inline int16_t g_restart_time = 0;

// The current project's folder, without a trailing separator.
inline std::string g_project_folder;
// True once a project has been loaded (LoadProject) in this run of the program.
inline bool g_project_loaded = false;

// ---- setup.dat (ProjectSetup) --------------------------------------------
inline std::string g_project_name = "Default";
inline std::string g_working_folder;
inline std::string g_plate_format = "96f";
inline int16_t g_acq_mode = 1;
inline int16_t g_acq_lapse = 30;
inline int16_t g_sample_rate = 99;
inline int16_t g_rt_buffer = 500;
inline int16_t g_dsp_method = 1;
inline int16_t g_dsp_interval = 30;
inline int16_t g_binary_acq = 1;
inline int16_t g_threshold_counter = 300;
inline int16_t g_cal_value = 80;
inline int16_t g_cal_mode = 1;
inline int16_t g_save_counts = 1;
inline int16_t g_save_real = 1;
inline int16_t g_tool_cal = 1;
inline int16_t g_tool_light = 0;
inline int16_t g_tool_temp = 0;
inline int16_t g_tool_menu4 = 0;
inline int16_t g_tool_menu5 = 0;
inline int16_t g_tool_menu6 = 0;

// ToolsTable: rows 0..6 (row 0 unused) by columns 0..5, g_tool_param[m][p].
using ToolsTable = std::array<std::array<int16_t, 6>, 7>;
inline ToolsTable g_tool_param{};

// ---- channel and group files ----------------------------------------------
inline ChannelTable16 g_channel_enabled{};   // -1 enabled, 0 disabled
inline ChannelTable16 g_status_scratch{};    // raw Enabled values as read
// Five thresholds per channel, in percent: g_channel_threshold[channel][k].
// k = 0 comes from threshld.dat; the run and the automatic zero rewrite the
// element k = station index 0..3 of their station.
inline std::array<std::array<double, 5>, kChannelSlots> g_channel_threshold{};
inline GroupNames g_group_name_s1, g_group_name_s2, g_group_name_s3, g_group_name_s4;
inline ChannelTable16 g_channel_group_s1{}, g_channel_group_s2{}, g_channel_group_s3{}, g_channel_group_s4{};

// The GroupSet of station index 0..3.
GroupNames& StationGroupNames(int station);
ChannelTable16& StationChannelGroups(int station);

// ---- plate map --------------------------------------------------------------
inline int16_t g_plate_rows = 8, g_plate_cols = 12;
inline double g_plate_row_pitch = 2.0, g_plate_col_pitch = 2.0;
inline double g_plate_row_offset = 0.0, g_plate_col_offset = 0.0;
inline ChannelTable16 g_channel_well{};
inline ChannelTable16 g_channel_beam{};
inline int16_t g_max_well = 0, g_max_beam = 0;

// Channel at (well, beam), wells 0..g_max_well by beams 0..g_max_beam.
struct WellBeamTable {
    int wells = 0, beams = 0;
    std::vector<int16_t> cells;
    void Resize(int w, int b) {
        wells = w;
        beams = b;
        cells.assign(static_cast<size_t>(w) * static_cast<size_t>(b), 0);
    }
    int16_t& At(int well, int beam) { return cells[static_cast<size_t>(well) * beams + beam]; }
    int16_t At(int well, int beam) const { return cells[static_cast<size_t>(well) * beams + beam]; }
};
inline WellBeamTable g_well_beam_channel;

// ---- calvalue.dat -------------------------------------------------------------
inline ChannelTable16 FilledChannelTable(int16_t v) {
    ChannelTable16 t;
    t.fill(v);
    return t;
}
inline ChannelTable16 g_channel_pinhole = FilledChannelTable(2);  // emitter power 0..7
inline ChannelTable16 g_channel_gain = FilledChannelTable(3);     // receiver gain 0..7

// ---- repoconf.dat ---------------------------------------------------------------
inline int16_t g_report_bin = 30;
inline int16_t g_report_filetype = 0;
inline std::string g_report_spacer = ",";
inline int16_t g_report_std_error = 1;
inline int16_t g_report_std_dev = 0;
inline int16_t g_report_n = 1;
inline int16_t g_report_out_format = 0;
inline int16_t g_report_organism = 0;
inline int16_t g_report_method = 1;
inline int16_t g_report_threshold = 18;
inline int16_t g_report_rawexport = 0;
inline std::string g_list_separator = ",";

// ---- run state shared by every window -----------------------------------------
inline constexpr int16_t kTrue = -1;  // the program's Boolean true
inline int16_t g_run_state = 0;   // 0 stopped, 1 running, 2 paused
inline int16_t g_offline = 0;     // -1 when no instrument is used
inline int16_t g_connected = 0;   // -1 when connected

}  // namespace vondrel
