// A plot as plain drawing primitives in the plot's own scale, which the
// browser's drawing surface replays: computed and tested without a window.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "browser/BinningPlots.h"

namespace vondrel::browser {

inline constexpr uint32_t kPlotBlack = 0x000000;
inline constexpr uint32_t kPlotGrey = 0x808080;
inline uint32_t ToBgr(Rgb c) { return static_cast<uint32_t>(c.r | c.g << 8 | c.b << 16); }

struct PlotPoint {
    float x = 0, y = 0;
};

struct PlotPrimitive {
    enum class Kind { Line, Circle, Text, Box, FilledBox, Polyline } kind = Kind::Line;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // a line's ends or a box's corners; a circle's or text's point in x1, y1
    double radius = 0;
    uint32_t bgr = kPlotBlack;
    int width = 1;
    std::string text;
    double font_scale = 1;  // a text's size against the surface's font
    std::vector<PlotPoint> points;  // a polyline's points, joined in order
};

struct PlotPlan {
    bool empty = true;                        // nothing to draw (and nothing to export)
    bool overlay = false;                     // drawn over what the surface shows, in its scale
    double left = 0, top = 0, right = 0, bottom = 0;  // the scale: top-left and bottom-right corners
    std::vector<PlotPrimitive> items;
};

// The line plot of the table's columns 1..bin_count for the groups of the
// list `items` ("NNN_name"; the item at position k drawn in palette colour k).
// `top` is the largest value the binning gave (100 or more when
// relativized). Time bins of `binMinutes`, or, when `columnDates` is given
// (one date per column, [0] unused), one column per tagged recording placed
// at its minutes from the first. The group of `selectedGroup` is drawn wide.
PlotPlan KineticsLinePlan(const GroupBinTable& table, double top, int binMinutes,
                          const std::vector<platform::TimePoint>& columnDates, const std::vector<std::string>& items,
                          int selectedGroup);

// The bar plot of the whole recording's group means (column 1 of the
// table): up to 10 bars of the list `items` from `pageStart` on, the
// selected item's bar darker and outlined wider; `top` is the largest mean
// (at least 50 is shown).
PlotPlan GroupBarPlan(const GroupBinTable& table, double top, const std::vector<std::string>& items, int pageStart,
                      int selectedItem);

// The plate heatmap: per well, a bar in the right part of its cell whose
// height and darkness grow with the well's total count (the largest total,
// at least 255, fills the cell), each cell outlined in red, "G" and the
// group of the well's first beam (green, blue, red, black by group modulo 4,
// changed where the group changes), column numbers and row letters.
struct PlateLayout {
    int rows = 0, cols = 0;
    double rowPitch = 0, rowOffset = 0, colPitch = 0, colOffset = 0;  // in beam cells
    std::span<const int16_t> channelWell;                   // well of each channel, -1 none
    const std::vector<std::vector<int16_t>>* wellBeamChannel = nullptr;  // [well][beam], -1 none
    std::span<const int16_t> channelGroup;                  // group of each channel, -1 free
};
PlotPlan PlateHeatmapPlan(const PlateLayout& plate, std::span<const int64_t> channelTotals);

}  // namespace vondrel::browser
