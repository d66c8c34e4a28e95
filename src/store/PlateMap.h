// Plate maps: for each plate format code a file "<code>.dat" in the program
// folder giving the plate geometry and, per channel, its well and beam.
#pragma once

#include <string>

namespace vondrel {

// Loads the map of g_plate_format; on any failure shows one message and uses
// a built-in map ("w384", "w96u" or "w96f"; any other code becomes "w96f").
// Never fails. n is not used.
void LoadPlateMap(int n);

// The same reader without the fallback: throws SettingsError on a failure,
// leaving the variables as far as it got.
void ReadPlateMap();

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
