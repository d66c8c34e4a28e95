// The line plot's plain rules: its colours, the bin-size steps of "+" and
// "-", "Relativize to Time0" and the rows of the joint report of tag
// kinetics. The window draws what these give.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/Binning.h"

namespace vondrel::browser {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// 385 colours; the group at list position k is drawn in entry k. Blocks of
// 13 from 0, 13, .., 364 darken block by block.
std::array<Rgb, 385> KineticsPalette();

// The bin size after "+" (`plus`) or "-" from the typed size `typed`, for a
// recording of `binCount` columns of `binMinutes`: one step of 5 (5 at
// least, 120 at most from above), then at most half the span and, by steps
// of 5, towards a divisor of the span (at least 30 minutes).
int StepBinSize(double typed, bool plus, int binCount, int binMinutes);

// Makes columns 2..bin_count of each listed group relative to column 1 in
// percent (column 1 becomes 100; a group whose column 1 is 0 stays 0) and
// returns the axis top: 100, or the largest relative value rounded above it.
double RelativizeToTime0(GroupBinTable& table, const std::vector<int>& groups);

// The label of tag column `c` (its minutes from the first column) in the
// plot's unit: whole minutes, or hours or days with one decimal; "0" for
// the columns of the first minute.
struct TagAxis {
    std::string unit;                    // "min", "h" or "day"
    std::vector<double> minutes;         // x of each column 1..N (unrounded), [0] unused
    std::vector<std::string> labels;     // [0] unused
};
TagAxis TagColumnAxis(const std::vector<platform::TimePoint>& columnDates);

// The joint report's texts of tag kinetics with separator `sep`:
//   "Acq:" sep name sep name ... CR LF
//   "Group/Time[unit]" sep label ... CR LF
//   "[#" name10 "]" sep value ... CR LF  per listed group
// `items` are the group list's items (number in the first three characters;
// above 383 the free sum); values are rounded to whole numbers.
struct KineticsReportText {
    std::string acq_line, rows;
};
KineticsReportText TagKineticsReport(const GroupBinTable& table, const std::string& sortedList,
                                  const std::vector<platform::TimePoint>& columnDates,
                                  const std::vector<std::string>& items, const std::string& sep);

// The group of a list item "NNN_name": the number of its first three
// characters, kFreeGroup above 383.
int ItemGroup(const std::string& item);

}  // namespace vondrel::browser
