// Plate maps: for each plate format code a file "<code>.dat" in the program
// folder giving the plate geometry and, per channel, its well and beam.
#pragma once

#include <string>
#include <string_view>

#include "store/Globals.h"

namespace vondrel {

// Loads the map of g_plate_format; on any failure shows one message and uses
// a built-in map ("w384", "w96u" or "w96f"; any other code becomes "w96f").
// Never fails. n is not used.
void LoadPlateMap(int n);

// The same reader without the fallback: parses the map of g_plate_format,
// then makes it current; throws SettingsError on a failure, which changes
// nothing.
void ReadPlateMap();

// A plate-map file as read: the geometry and, per channel, its well and
// beam. Channels beyond the file's last record keep the tables' values at
// the time of the parse.
struct PlateMapValue {
    int16_t rows = 0, cols = 0;
    double rowPitch = 0, rowOffset = 0, colPitch = 0, colOffset = 0;
    ChannelTable16 channelWell{}, channelBeam{};
    int16_t maxWell = 0, maxBeam = 0;
};
// Reads and checks a plate-map file (including that its index table
// builds); throws SettingsError, with the stage reached in *stage, and
// changes nothing.
PlateMapValue ParsePlateMapFile(const std::string& path, int* stage = nullptr);
// A plate-format code names a map file of the program folder only: an empty
// code, a code with a folder separator and the folder names "." and ".."
// name none (a project file or a typed code must not lead the loader elsewhere).
bool IsPlateCodeUsable(std::string_view code);
// The map file of plate code `code` in `folder` (its name's case not
// regarded): code + ".dat", else, when `orBak`, code + ".bak"; empty when the
// code is not usable or there is no such file. Every reader of a plate code
// (a project's setup, a recording's setup.dat, a typed code) finds its map here.
std::string FindPlateMapFile(const std::string& folder, std::string_view code, bool orBak = false);
// Makes a parsed map the current one and rebuilds the index table.
void ApplyPlateMap(const PlateMapValue& m);

// Rebuilds g_well_beam_channel from the channel tables; throws SettingsError
// when a channel's well or beam lies outside the table.
void BuildWellBeamIndex();

// Fills the plate variables with the built-in map of "w384", "w96u" or "w96f"
// (no index build).
void SetBuiltInPlateMap(const std::string& code);

// A well's name in the current plate: its row letter and column number
// ("A1"); wells are numbered column-major.
std::string WellName(int well);
// A channel's list text: its well's name, ".", and its beam in the well
// ("A1.0"); "-" for a channel off the plate.
std::string ChannelLabel(int channel);

// The highest well or beam number a map may use: no plate has more wells
// than the instrument has channels, and the index table is sized by them.
inline constexpr int kMaxPlateIndex = 384;

}  // namespace vondrel
