// The channel-signal view of a loaded raw page: the traces of one well's
// beams, the page's plot, the event analysis ("Analyze") drawn over it and
// the page's text export (datafile.txt). Plain C++; the window replays the
// plans and writes the text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "browser/AcquisitionConfig.h"
#include "browser/BinningPlots.h"
#include "browser/PlotPlan.h"
#include "browser/RawPage.h"

namespace vondrel::browser {

// One beam of the shown well.
struct RawTrace {
    int beam = 0;
    int channel = 0;
    Rgb colour;
};

// The colour of beam k of wells of up to `maxBeam` + 1 beams: red, blue,
// green, orange and black for up to five beams, otherwise a red-green blend
// from green (beam 0) to red (the last beam).
Rgb TraceColour(int beam, int maxBeam);

// The beams of the well of `channel` that hold a channel, in beam order;
// empty when the channel has no well.
std::vector<RawTrace> WellTraces(int channel, std::span<const int16_t> channelWell,
                                 const std::vector<std::vector<int16_t>>& wellBeamChannel, int maxBeam);

// Samples of a page along the view's x axis, in thousands: "0k", "27.5k",
// "55k" for the starts of pages 1, 2 and 3 (`pageIndex` = page - 1).
std::string PageSampleLabel(int pageIndex);

// The view's scale: levels 0..2150 upwards over the 55 windows of a page,
// window w from x = 500 w, sample i at 500 w + i.
inline constexpr double kRawPlotLeft = -1000, kRawPlotTop = 2150, kRawPlotRight = 27500, kRawPlotBottom = -150;

// The page's plot: axes and labels, then per filled slot one polyline per
// trace (samples 0..500) and a light grey window boundary.
PlotPlan RawPagePlan(const RawPage& page, std::span<const RawTrace> traces);

// The detection threshold typed for "Analyze" ("," read as "."): outside
// 1.1..6.0, or no number, it is 1.8 and the box shows "1.8".
struct AnalyzeThreshold {
    double value = 1.8;
    bool replaced = false;  // the box is to show "1.8"
};
AnalyzeThreshold ReadAnalyzeThreshold(std::string_view text);

// Event analysis of a page: every filled slot's beams are counted by
// CountEvents on a copy of samples 0..499 (the page stays as read), with the
// event marks cleared before each call; a window the detector refuses counts
// 0 and draws no line. Counts are summed per file of the page.
struct RawFileSums {
    bool present = false;               // the page holds blocks of this file
    std::vector<int64_t> counts;        // per trace
    std::optional<int32_t> minute;      // elapsed minutes of the record of the file's last slot
};
struct RawAnalysis {
    std::array<RawFileSums, kRawFilesPerPage> files;
    // Detection line per slot and trace (500 values; empty when not analysed).
    std::vector<std::vector<int16_t>> lines;  // [slot * traces + trace]
    size_t traces = 0;
};
RawAnalysis AnalyzeRawPage(const RawPage& page, std::span<const RawTrace> traces, double threshold, int16_t method,
                           const std::string& countsPath);

// What "Analyze" draws over the page: the detection lines in grey, the
// window boundaries, each file's counts and minute after its last slot
// (slots 10, 21, 32, 43, 54), "Time(min)" and a colour band per beam.
PlotPlan RawAnalysisPlan(const RawAnalysis& analysis, std::span<const RawTrace> traces);

// The text of datafile.txt (CR LF lines): the setup name and folder in
// quotes, an empty line, "Well: A1 Page[2/3] [#27.5k-55k]", an empty line,
// the beam labels ("A1.0 A1.1 "), then one line per sample 0..499 of each
// slot up to the page's last filled one, each beam's level and a blank.
std::string RawExportText(const std::string& setupName, const std::string& acquisitionPath,
                          const std::string& wellLabel, const std::string& pageText, const RawPage& page,
                          std::span<const RawTrace> traces);

// The group of a group selector item "NNN_name": its first three
// characters rounded; 999 (the free channels) is -1.
int SelectorGroup(std::string_view item);

}  // namespace vondrel::browser
