// The technical panel's rules that need no window and no port: register
// addressing of both panel variants, the setting byte, channel choice, the
// Auto-Gain window, the autocalibration target, the well-map and scan
// geometry, the grey of a level, the dot controls, the zoom offset, the
// gain-curve test's file lines and the port table multitsk.dat.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vondrel::techpanel {

// Frm_Vetrol_mini (one station's 192 registers, register r for the beam of
// channel 2r) or Frm_Vetrol (the bank-split 384-channel twin).
enum class PanelVariant { Mini, Twin };

inline constexpr int kPanelChannels = 384;
inline constexpr int kMiniRegisters = 192;  // registers 0..191; SET also writes 192

// Where a register write goes: the frame's address byte and register number.
struct RegisterAddress {
    int address = 0;
    int reg = 0;
};

// A register write of the mini panel goes to 0x80 OR station; the twin
// splits the channel into its bank (0x80 for 0..127, 0x81 for 128..383).
RegisterAddress WriteAddressOf(PanelVariant v, int station, int regOrChannel);
// The register the scroll-bar write and the live read map a channel onto:
// the mini panel halves the channel (halves to even: 5 -> 2, 7 -> 4), the
// twin uses the channel itself (its bank split applies to the address).
int SelectedRegisterOf(PanelVariant v, int channel);
// Where a setting byte is read back (command 0x20): the mini panel asks
// register = channel at address 0; the twin asks its bank (0 or 1).
RegisterAddress ReadAddressOf(PanelVariant v, int channel);

// The setting byte gain * 32 + power split up; a power remainder above 7
// is taken as 7.
constexpr int SettingGain(int b) { return b / 32; }
constexpr int SettingPower(int b) { return b % 32 > 7 ? 7 : b % 32; }

// A gain or power box: "," is read as "."; nullopt when the text is not a
// number or lies outside 0..7 after rounding.
std::optional<int> ParseSettingBox(std::string_view text);

// Channel from the column ("1".."24") and row ("A".."P") selectors; nullopt
// when a selector is empty or the result lies outside 0..383.
std::optional<int> SelectorChannel(std::string_view columnText, std::string_view rowText);
// Well name of a cell, row letter then column number: (2, 6) -> "C7".
std::string CellName(int column, int row);

// Auto-Gain's target window in level units for a target in percent of the
// full scale 2048: (T -/+ 5) * 20.48 rounded, halves to even.
struct LevelWindow {
    int lo = 0;
    int hi = 0;
};
LevelWindow AutoGainWindow(double targetPercent);

// The autocalibration target of the box: rounded, halves to even; outside
// 30..220 it becomes 110 and `corrected` is set.
int AutocalTarget(double boxValue, bool& corrected);

// Well map: grey of a level (level / 8 rounded, halves to even, at most 255,
// negative as 0).
int GreyOfLevel(int level);
// The cell under a point of the map's scale (cells 100 units wide, halves
// away from zero); a negative column or row means outside.
struct Cell {
    int column = 0;
    int row = 0;
};
Cell HoverCell(double x, double y);
constexpr bool CellInGrid(Cell c) { return c.column >= 0 && c.column <= 23 && c.row >= 0 && c.row <= 15; }

// Dot brightness "+"/"-" (steps of 15 from the number in the box, rounded
// down; unchanged at 255 / 0), dot size "+"/"-" (1..30), and the values the
// scan draws with (brightness limited to 0..255, size at least 1).
int BrightnessUp(double b);
int BrightnessDown(double b);
int DotSizeUp(double p);
int DotSizeDown(double p);
int DrawnBrightness(double b);
int DrawnDotSize(double p);
// The leading number of a box's text, 0 when it does not start with one.
double BoxNumber(std::string_view text);

// Zoomed trace: the offset that puts the channel's maximum at 2040 when the
// magnified maximum would go above it, else 0.
int32_t ZoomOffset(int zoom, int traceMax);

// Dot scan of the live loop on a picture of W x H units.
struct ScanGeometry {
    int cw = 0;  // cell width, W / 24 rounded
    int ch = 0;  // cell height, H / 16 rounded
    int positionsPerRow() const { return cw + 1; }
    int samplesPerSweep() const { return (cw + 1) * cw; }
};
ScanGeometry ScanGeometryOf(double width, double height);

// Gain-curve test. Per combination: its header and sample lines in
// test_bk.txt, its mean and deviation lines; all end in CR LF.
std::string TestHeaderLine(int pinhole, int gain);
std::string TestSampleLine(int sample, std::span<const int16_t> levels);
std::string TestStatLine(int pinhole, int gain, std::span<const double> values);
// Mean and mean absolute deviation of a channel's samples.
void MeanAndDeviation(std::span<const int16_t> samples, double& mean, double& deviation);

// multitsk.dat: 15 entries for the serial ports 1..15 (index 0 unused). A
// line "i,v" sets entry i; other items fill the entries in order; missing or
// unreadable items are skipped.
using PortTable = std::array<int, 16>;
PortTable ParseMultitsk(std::string_view text);
std::string FormatMultitsk(const PortTable& t);

}  // namespace vondrel::techpanel
