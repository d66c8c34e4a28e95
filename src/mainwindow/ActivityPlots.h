// The activity panel Picact as plain computation: the groups in use at a
// station, the group bar plot with its pages, the plate heatmap, the
// body-bends histogram of one group, the value-axis labels and the plate
// grid with its captions. Each plot is first worked out as a plan (numbers
// only, tested directly) and then handed to a PanelSink, which the window
// implements over its canvas.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/Globals.h"

namespace vondrel {

inline constexpr uint32_t kPanelBlack = 0x000000;
inline constexpr uint32_t kPanelWhite = 0xFFFFFF;
inline constexpr uint32_t kPanelRed = 0x0000FF;
inline constexpr uint32_t kPanelGrey = 0xC8C8C8;       // RGB(200, 200, 200), the bar fill
inline constexpr uint32_t kPanelValueText = 0x7D7D7D;  // RGB(125, 125, 125), values above the bars

// Bars per page of the group bar plot.
inline constexpr int kBarsPerPage = 12;
// Classes of the body-bends histogram that are plotted.
inline constexpr int kHistogramClassesShown = 26;
// Pages (groups) the histogram's page buttons may reach.
inline constexpr int kHistogramPages = 96;

// Every how many bars a label is printed when bars stand `pitch` apart and
// the widest label (with its gap to the next) is `labelWidth` wide, both in
// the same units: 1 while the labels fit, else enough to keep them apart.
int LabelStride(double labelWidth, double pitch);

// Receives the drawing of a plan, in the panel's user scale.
class PanelSink {
public:
    virtual ~PanelSink() = default;
    virtual void FilledBox(double x1, double y1, double x2, double y2, uint32_t bgr) = 0;
    virtual void Box(double x1, double y1, double x2, double y2, uint32_t bgr) = 0;
    virtual void Print(double x, double y, const std::string& text) = 0;
    virtual void SetDrawWidth(int pixels) = 0;
    virtual void SetTextColor(uint32_t bgr) = 0;
};

// The number of distinct groups 0..383 among channels 0..383 of a station's
// group table (free channels, -1, do not count).
int CountGroupsInUse(const ChannelTable16& groups);

// The two axis bars of the value frame: (0, 0)-(2, 255) and (0, 0)-(290, 2).
void DrawAxisBars(PanelSink& sink);
// The label strip of the value axis: ticks at 0, 125 and 250 and the values
// 250 x zoom, half of it and " 0".
void DrawValueLabels(PanelSink& sink, double zoom);

// ---- group bars -----------------------------------------------------------

struct GroupBar {
    int group = 0;     // group number
    int slot = 0;      // position on the page, 0 first
    double x = 0;      // left of the bar's slot
    double mean = 0;   // rounded mean count of the group's channels
    double height = 0; // mean / zoom
    bool cutOpen = false;  // at or above 255 zoom units: drawn cut open at the top
};

struct GroupBarPlan {
    int groupsPresent = 0;   // groups with at least one channel
    int barsPerPage = 0;     // bars shown a page (12 when paged)
    int pageLimit = 0;       // pages the buttons may reach (kept when not paged)
    bool showPageButtons = false;
    double spacing = 0;      // slot width
    double offset = 0;       // left offset of slot 0
    double zoom = 1.0;       // zoom the bars are drawn at
    double nextZoom = 1.0;   // zoom after the drawing (grown by 0.5 when a mean passed 250 units)
    std::vector<GroupBar> bars;  // the bars of the page shown
};

// The bars of page `page`: the mean count per group at the station, in
// increasing group number, 12 a page when more than 12 groups are present.
// `pageLimit` is the limit before (kept when the groups fit on one page);
// a zoom of 0 is read as 1.
GroupBarPlan PlanGroupBars(const ChannelTable16& counts, const ChannelTable16& groups, int page, int pageLimit,
                           double zoom);
void DrawGroupBarPlan(const GroupBarPlan& plan, const GroupNames& names, PanelSink& sink);

// ---- plate heatmap ----------------------------------------------------------

struct PlateGeometry {
    int rows = 0, cols = 0;
    double rowPitch = 0, colPitch = 0, rowOffset = 0, colOffset = 0;
};

// Pitches and offsets in hundredths, rounded half to even.
struct PlateGridUnits {
    int32_t cp = 0, co = 0, rp = 0, ro = 0;
};
PlateGridUnits GridUnits(const PlateGeometry& g);

struct PlateCaption {
    double x = 0, y = 0;
    std::string text;
};
// Column numbers "1".. above the columns and row letters "A".. beside the
// rows, at their designed (unrounded) positions.
std::vector<PlateCaption> ColumnCaptions(const PlateGeometry& g);
std::vector<PlateCaption> RowCaptions(const PlateGeometry& g);
// The red outlines of every cell, row by row.
void DrawPlateGrid(const PlateGeometry& g, PanelSink& sink);
// Grid, then row letters, then column numbers.
void DrawPlateGridAndCaptions(const PlateGeometry& g, PanelSink& sink);

// Count sums per well (wells 0..rows x cols - 1) over the channels 0..383
// whose well is that well, in 32 bits (a 32-beam well reaches 320,000).
std::vector<int32_t> WellCountSums(const ChannelTable16& counts, const ChannelTable16& channelWell, int wells);
// Grey level of a well: 255 - round(sum / divisor x 255); the divisor is the
// largest well sum, at least 255.
int32_t WellSumDivisor(const std::vector<int32_t>& sums);
int WellShade(int32_t sum, int32_t divisor);

struct GridCell {
    int well = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the filled box inside the outline
    int shade = 255;                         // grey level 0..255
};
std::vector<GridCell> PlanGridCells(const PlateGeometry& g, const ChannelTable16& counts,
                                    const ChannelTable16& channelWell);
// Outlines, then the shaded cells.
void DrawGridCellPlan(const PlateGeometry& g, const std::vector<GridCell>& cells, PanelSink& sink);

// ---- body-bends histogram ----------------------------------------------------

struct HistogramPlan {
    int group = 0;
    int channels = 0;       // channels of the group at the station (m)
    int32_t peak = 0;       // largest class mean, 100 without channels
    double zoom = 1.0;      // peak / 250 x 1.2, 1 when that is not above 0
    double nextZoom = 1.0;  // grown by 0.2 when a class passed 50 zoom units
    std::array<double, kHistogramClassesShown> value{};  // class means, rounded
    std::array<std::string, kHistogramClassesShown> label{};  // class limits in seconds, "0.0"
};

// `peaks` holds the histogram of every channel, (channel, class) at
// class x 385 + channel.
HistogramPlan PlanHistogram(const std::vector<int32_t>& peaks, const ChannelTable16& groups, int group,
                            double secondsPerSampleTotal, int32_t recordCount);
void DrawHistogramPlan(const HistogramPlan& plan, const std::string& groupName, PanelSink& sink);

}  // namespace vondrel
