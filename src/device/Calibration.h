// The rules of the channel calibration and the automatic zero, without the
// instrument: the stepping of a channel's gain and power towards the level
// range, the reading of a calibration register, and a channel's zero
// threshold from its recorded levels.
#pragma once

#include <cstdint>
#include <span>

namespace vondrel {

// Level range of the whole-plate calibration: 80 % to 90 % of the 2048 full
// scale, both limits included.
inline constexpr int kCalLevelLow = 1638;
inline constexpr int kCalLevelHigh = 1843;
inline constexpr int kCalMaxStep = 7;

// One channel's calibration state: gain and power 0..7, the last step's
// direction (1 made brighter, -1 made darker, 0 none) and whether it is done.
struct ChannelCalState {
    int gain = 3, power = 2, direction = 0;
    bool done = false;
};

// Judges one measured level: in range the channel is done; out of range it
// is stepped a gain at a time (a power at a time once the gain is at its
// end), given up at the end of the settings, or stopped where a step down
// made it too dark. Returns true when the setting must be written again
// (the channel is not done).
bool StepChannelCalibration(int level, ChannelCalState& s);

// Gain and power from a calibration register's value: gain = value div 32,
// power = value mod 32 taken at most as 7.
struct ChannelSetting {
    int power = 0, gain = 0;
};
ChannelSetting SettingOfRegister(int value);

// The auto-zero threshold of one channel from its levels at sample positions
// 0..N-1 (N = values.size(), 30 or 100): the mean swing A between the upper
// and lower envelopes and the mean level B over positions 11..N-2 give
// x = (1 - (B - A) / B) x 100 x snr (0 when B < 1); the threshold is x + 1,
// at least 1.8.
double ZeroThreshold(std::span<const int16_t> values, double snr);

inline constexpr double kMinimumZeroThreshold = 1.8;

}  // namespace vondrel
