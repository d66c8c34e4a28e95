// Group activity of recorded acquisitions, read from their counts.bin: the
// tables the browser's bar, line and tag plots, its heatmap and its joint
// report draw on. Plain C++; the window keeps the tables and shows them.
//
// counts.bin is streamed in whole records (a trailing fragment, left by a
// run that is still appending, is ignored); nothing holds the whole file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Clock.h"

namespace vondrel::browser {

inline constexpr int kCountedChannels = 384;   // channels 0..383 of a record
inline constexpr int kFreeGroup = 384;         // the undivided sum of every free channel
inline constexpr int kGroupSlots = 386;        // groups 0..385 (385 stays 0)
inline constexpr int kMaxTaggedAcquisitions = 99;
inline constexpr int kDefaultBinMinutes = 5;   // a bin size below one minute becomes this
// The tables' columns are counted in 16 bits: a recording that asks for more
// columns (a damaged minute, a bin of one minute over a very long run) is a
// run-time error of the binning, and nothing is allocated for it.
inline constexpr int kMaxBinCount = 32767;

struct BinCountError : std::range_error {
    BinCountError() : std::range_error("Overflow: more than 32767 bins") {}
};

// m_group_bin_means: column (bin) 0..bin_count, groups 0..385. Column 0 is
// never filled; groups 0..383 hold the rounded mean count per channel of the
// group, group 384 the plain sum of the free channels.
struct GroupBinTable {
    int bin_count = 0;
    std::vector<double> cells;
    void Reset(int bins) {
        bin_count = bins;
        cells.assign(static_cast<size_t>(bins + 1) * kGroupSlots, 0.0);
    }
    double& at(int bin, int group) { return cells[static_cast<size_t>(bin) * kGroupSlots + group]; }
    double at(int bin, int group) const { return cells[static_cast<size_t>(bin) * kGroupSlots + group]; }
};

// Calls `record` with the elapsed minutes and channels 0..383 of every whole
// record of `path`, in file order. False when the file cannot be opened.
// Holes (see CountsHoleRule) are skipped; with HolePlaces::kKeep, for readers
// that pair record i with raw window i, a hole is passed as a record without
// counts at the minute of the record before it.
enum class HolePlaces { kSkip, kKeep };
bool ForEachCountsRecord(const std::string& path,
                         const std::function<void(int32_t minutes, const int16_t* counts)>& record,
                         HolePlaces holePlaces = HolePlaces::kSkip);

// The group that collects channel c: its group 0..383, else kFreeGroup.
int CollectingGroup(std::span<const int16_t> channelGroup, int channel);

// Channels of each group 0..383 (free channels count for none).
std::array<int, kCountedChannels> GroupChannelCount(std::span<const int16_t> channelGroup);

// Time binning of one recording. With `timeBins` the recording is cut into
// bins of `binMinutes` (below 1: kDefaultBinMinutes): columns are the
// largest minute / binMinutes, rounded half to even, + 1, and a record of
// minute m goes into column m / binMinutes + 1 (the last column at most), so
// a pause or several records a minute never move later records. Without
// `timeBins` every record goes into column 1.
// A missing counts.bin shows "Activity file not Found" and changes nothing.
// More than kMaxBinCount columns throws BinCountError and changes nothing.
struct BinningResult {
    bool found = false;     // counts.bin could be read; otherwise nothing changed
    int64_t largest = 0;    // the largest unrounded group mean, rounded half to even
    int bin_minutes = 0;
};
BinningResult BinGroupActivity(const std::string& countsPath, std::span<const int16_t> channelGroup,
                               int binMinutes, bool timeBins, GroupBinTable& table);

// The whole-recording sum of each channel 0..383; false when unreadable
// ("Activity file not Found"; `totals` then stays as it was).
bool SumChannelTotals(const std::string& countsPath, std::array<int64_t, kCountedChannels>& totals);

// The date of an acquisition from its folder name "yyyymmdd_hhmm[_sN]"; a
// name that is no such stamp gives now.
platform::TimePoint ParseAcquisitionDate(const std::string& name);

// The blank-separated names of a tag list, empty items skipped; false when
// more than kMaxTaggedAcquisitions are given.
bool SplitTagNames(const std::string& names, std::vector<std::string>& out);

// One column per tagged acquisition of the project folder, in date order
// (equal dates keep list order), each the whole recording's group means.
struct TagKinetics {
    bool refused = false;                       // more than 99 names
    int64_t largest = 0;                        // the largest unrounded mean over every column, rounded
    std::vector<std::string> sorted;            // names in date order (column r + 1)
    std::vector<platform::TimePoint> dates;     // m_column_dates: 0..N, 0 unused
    std::string sorted_list;                    // m_tag_sorted_list: " name" per column
    std::vector<std::string> missing;           // folders whose counts.bin could not be read
};
// `projectPath` is the project's folder (already joined to the program
// folder). More than 99 names show "To many Tagged Sub_Projects! (max=99)"
// and change nothing; a column whose counts.bin is missing shows "Activity
// file not Found into " and that folder and stays 0. A name that is no
// acquisition folder name ("../x") is never read and is told the same way.
TagKinetics LoadTagKinetics(const std::string& projectPath, const std::string& names,
                            std::span<const int16_t> channelGroup, GroupBinTable& table);

}  // namespace vondrel::browser
