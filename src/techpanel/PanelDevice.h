// The technical panel's exchanges with the instrument: register writes and
// reads, the trial setting, the live level sample, Auto-Gain's group read,
// the instrument's own calibration, and the gain-curve test's files. No
// window here: the panel window calls these and draws what they leave in
// its LevelHistory. Callers hold the port (PortHold) around each exchange.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "techpanel/LevelHistory.h"
#include "techpanel/PanelRules.h"

namespace vondrel::techpanel {

// Pauses of the panel's verified write, designed milliseconds.
inline constexpr int kPanelWritePause1Ms = 100;
inline constexpr int kPanelWritePause2Ms = 50;

// Writes gain * 32 + power to a register (mini: 0x80 OR station, register;
// twin: the channel's bank) and waits for its echo: nine exchanges, then two
// more series each after a resynchronising 0x21 at the station. 1 when
// echoed; else "Ops...Data Writing ERROR: reg(<r>)... Check COM and Try
// again" and -1.
int16_t WriteChannelRegister(PanelVariant v, int station, int regOrChannel, int power, int gain);

// Nine unchecked writes of a setting byte (Set All, the scroll bars); the
// replies, -1 for none, go to `reply` one by one.
void WriteRegisterUnchecked(const RegisterAddress& a, int value, const std::function<void(int16_t)>& reply);

// The trial setting 0x11 for all registers of a station (twin: address 0,
// then 1), 10 ms after each try, two tries. 0 when acknowledged, else -1.
int16_t SetTestGainPinhole(PanelVariant v, int station, int pinhole, int gain);

// Reads a channel's setting byte (0x20) up to `tries` times; -1 when none came.
int16_t ReadSettingByte(PanelVariant v, int channel, int tries);

// Reads every channel's setting back into g_channel_gain / g_channel_pinhole
// (eight tries with 200 ms each, an identification query after a failed try;
// a channel never answered keeps its values) and saves calvalue.dat.
// `progress` is told each channel. True when the file was written.
bool ReadBackCalibration(PanelVariant v, const std::function<void(int)>& progress);

// One live sample's exchanges into slot h.slot. `online` is asked before
// each block; nothing is sent while it is false or with no instrument.
// Returns false on a reply of the wrong length: the caller takes the panel
// off line and tells "COM ERROR" ("COM Error" on the twin) once.
bool ReadSampleBlocks(PanelVariant v, int station, LevelHistory& h, const std::function<bool()>& online);

// The 48-byte blocks requested for one sample and the block that holds a
// register's beam (channel 2r): 8 * ((r mod 64) div 8).
inline constexpr int kLiveOffsets = 8;
constexpr int GroupOffsetOf(int reg) { return 8 * ((reg % 64) / 8); }

// Auto-Gain's measurement of register r (mini) or channel c (twin): every
// block of the station is requested, each up to three tries with 200 ms
// between (mini: 48 bytes with good parity; twin: the 192-byte value
// block), and the one holding r is stored in row 0 of `h`. false after the
// message "Ops...Data Sending ERROR reg(<offset>)... Try again".
bool ReadGroupLevels(PanelVariant v, int station, int regOrChannel, LevelHistory& h);

// The level Auto-Gain judges a register on, from row 0.
int GroupLevelOf(PanelVariant v, const LevelHistory& h, int regOrChannel);

// Starts the instrument's calibration of a station towards `target` and
// follows its progress bytes until one reaches 191 or ten reads in all came
// back empty; each byte is shown through `progress`. Returns the last.
int RunAutocalibration(int station, int target, const std::function<void(int)>& progress);

// The gain-curve test's three files in the program folder.
class GainCurveFiles {
public:
    GainCurveFiles();
    // Deletes the three; the path of one that stays, else nullopt.
    std::optional<std::string> DeleteAll() const;
    // Appends one combination (header and sample lines, the mean line, the
    // deviation line), each file opened and closed; the path that could not
    // be appended, else nullopt.
    std::optional<std::string> Append(int pinhole, int gain,
                                      const std::vector<std::array<int16_t, kPanelChannels>>& samples) const;
    std::string bk, mean, desv;
};

}  // namespace vondrel::techpanel
