#include "store/PlateMap.h"

#include <algorithm>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"
#include "store/SettingsText.h"

namespace vondrel {

namespace {

void ReadPlateMapStaged(int& stage) {
    stage = 0;
    std::string path = FindPlateMapFile(platform::ProgramFolder(), g_plate_format);
    if (path.empty()) throw SettingsError("File not found");
    ApplyPlateMap(ParsePlateMapFile(path, &stage));
}

}  // namespace

bool IsPlateCodeUsable(std::string_view code) {
    return !code.empty() && code != "." && code != ".." && code.find_first_of("/\\") == std::string_view::npos;
}

std::string FindPlateMapFile(const std::string& folder, std::string_view code, bool orBak) {
    if (!IsPlateCodeUsable(code)) return "";
    std::string path = platform::FindFileNoCase(folder, std::string(code) + ".dat");
    if (path.empty() && orBak) path = platform::FindFileNoCase(folder, std::string(code) + ".bak");
    return path;
}

PlateMapValue ParsePlateMapFile(const std::string& path, int* stageOut) {
    int stage = 0;
    auto setStage = [&](int s) {
        stage = s;
        if (stageOut) *stageOut = s;
    };
    setStage(0);
    PlateMapValue m;
    m.channelWell = g_channel_well;
    m.channelBeam = g_channel_beam;
    auto in = SettingsReader::Open(path);
    if (!in) throw SettingsError("File not found");
    setStage(1);
    in->SkipText();
    in->SkipText();
    m.rows = in->ReadInt16();
    m.rowPitch = in->ReadDouble();
    m.rowOffset = in->ReadDouble();
    m.cols = in->ReadInt16();
    m.colPitch = in->ReadDouble();
    m.colOffset = in->ReadDouble();
    in->SkipText();
    setStage(2);
    for (int k = 0; k < kChannelSlots && !in->AtEnd(); ++k) {
        in->SkipText();  // label
        int16_t well = in->ReadInt16();
        int16_t beam = in->ReadInt16();
        if (well > kMaxPlateIndex || beam > kMaxPlateIndex) throw SettingsError("Subscript out of range");
        m.channelWell[k] = well;
        m.channelBeam[k] = beam;
        if (well > m.maxWell) m.maxWell = well;
        if (beam > m.maxBeam) m.maxBeam = beam;
    }
    setStage(3);
    // The index table must build with every channel, those a short file
    // leaves as they were included.
    for (int c = 0; c < kChannels; ++c) {
        const int well = m.channelWell[c], beam = m.channelBeam[c];
        if (well >= 0 && (well > m.maxWell || beam < 0 || beam > m.maxBeam))
            throw SettingsError("Subscript out of range");
    }
    return m;
}

void ApplyPlateMap(const PlateMapValue& m) {
    g_plate_rows = m.rows;
    g_plate_row_pitch = m.rowPitch;
    g_plate_row_offset = m.rowOffset;
    g_plate_cols = m.cols;
    g_plate_col_pitch = m.colPitch;
    g_plate_col_offset = m.colOffset;
    g_channel_well = m.channelWell;
    g_channel_beam = m.channelBeam;
    g_max_well = m.maxWell;
    g_max_beam = m.maxBeam;
    BuildWellBeamIndex();
}

void BuildWellBeamIndex() {
    g_well_beam_channel.Resize(g_max_well + 1, g_max_beam + 1);
    for (int c = 0; c < kChannels; ++c) {
        int well = g_channel_well[c], beam = g_channel_beam[c];
        if (well < 0) continue;
        if (well > g_max_well || beam < 0 || beam > g_max_beam) throw SettingsError("Subscript out of range");
        g_well_beam_channel.At(well, beam) = static_cast<int16_t>(c);
    }
}

void ReadPlateMap() {
    int stage = 0;
    ReadPlateMapStaged(stage);
}

void SetBuiltInPlateMap(const std::string& code) {
    if (code == "w384") {
        g_plate_rows = 16;
        g_plate_cols = 24;
        g_plate_row_pitch = g_plate_col_pitch = 1.0;
        g_plate_row_offset = g_plate_col_offset = 0.0;
        for (int c = 0; c < kChannels; ++c) {
            g_channel_well[c] = static_cast<int16_t>(c);
            g_channel_beam[c] = 0;
        }
        g_max_well = 383;
        g_max_beam = 0;
        return;
    }
    // The 96-well maps use the even positions of the 16-channel blocks: even
    // blocks give the wells in order, odd blocks either nothing ("w96u") or
    // the second beam of the well of the channel 16 before ("w96f").
    const bool twoBeams = code == "w96f";
    g_plate_rows = 8;
    g_plate_cols = 12;
    g_plate_row_pitch = g_plate_col_pitch = 2.0;
    g_plate_row_offset = -0.5;
    g_plate_col_offset = twoBeams ? 0.0 : -0.5;
    int16_t well = 0;
    for (int b = 0; b < 24; ++b) {
        for (int j = 0; j < 16; j += 2) {
            int c = 16 * b + j;
            if (b % 2 == 0) {
                g_channel_well[c] = well++;
                g_channel_beam[c] = 0;
            } else if (twoBeams) {
                g_channel_well[c] = g_channel_well[c - 16];
                g_channel_beam[c] = 1;
            } else {
                g_channel_well[c] = -1;
                g_channel_beam[c] = 0;
            }
            g_channel_well[c + 1] = -1;
            g_channel_beam[c + 1] = 0;
        }
    }
    g_max_well = 95;
    g_max_beam = twoBeams ? 1 : 0;
}

std::string WellName(int well) {
    const int rows = std::max<int>(g_plate_rows, 1);
    return std::string(1, static_cast<char>('A' + well % rows)) + std::to_string(well / rows + 1);
}

std::string ChannelLabel(int channel) {
    if (g_channel_well[channel] < 0) return "-";
    return WellName(g_channel_well[channel]) + "." + std::to_string(g_channel_beam[channel]);
}

void LoadPlateMap(int) {
    int stage = 0;
    try {
        ReadPlateMapStaged(stage);
    } catch (const SettingsError&) {
        platform::MsgBox("Error [/" + g_plate_format + ".dat] ID#" + std::to_string(stage) +
                         " => Loading plate format from default: 384,96f or 96u...");
        if (g_plate_format != "w384" && g_plate_format != "w96u" && g_plate_format != "w96f") g_plate_format = "w96f";
        SetBuiltInPlateMap(g_plate_format);
        BuildWellBeamIndex();
    }
}

}  // namespace vondrel
