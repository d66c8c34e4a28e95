#include "mainwindow/ActivityPlots.h"

#include <algorithm>
#include <cmath>

#include "platform/Numbers.h"

namespace vondrel {

int LabelStride(double labelWidth, double pitch) {
    if (!(pitch > 0) || !(labelWidth > pitch)) return 1;
    return static_cast<int>(std::ceil(labelWidth / pitch));
}

namespace {

std::string GroupCaption(int group, const std::string& name) { return "G" + std::to_string(group) + "_" + name; }

// A bar of a value frame between x1 and x2: cleared to the top, outlined and
// filled grey up to its height; at 255 zoom units or more the fill runs over
// the outline's top so the bar shows cut open.
void DrawValueBar(PanelSink& sink, double x1, double x2, double height) {
    sink.SetDrawWidth(3);
    sink.FilledBox(x1, 1, x2, 275, kPanelWhite);
    if (height < 255) {
        sink.Box(x1, 1, x2, height, kPanelBlack);
        sink.SetDrawWidth(1);
        sink.FilledBox(x1, 2, x2, height, kPanelGrey);
    } else {
        sink.Box(x1, 1, x2, 255, kPanelBlack);
        sink.SetDrawWidth(1);
        sink.FilledBox(x1, 2, x2, 257, kPanelGrey);
    }
}

}  // namespace

int CountGroupsInUse(const ChannelTable16& groups) {
    std::array<bool, kChannels> seen{};
    int n = 0;
    for (int ch = 0; ch < kChannels; ++ch) {
        const int g = groups[static_cast<size_t>(ch)];
        if (g < 0 || g >= kChannels || seen[static_cast<size_t>(g)]) continue;
        seen[static_cast<size_t>(g)] = true;
        ++n;
    }
    return n;
}

void DrawAxisBars(PanelSink& sink) {
    sink.FilledBox(0, 0, 2, 255, kPanelBlack);
    sink.FilledBox(0, 0, 290, 2, kPanelBlack);
}

void DrawValueLabels(PanelSink& sink, double zoom) {
    sink.FilledBox(-20, -20, 0, 260, kPanelWhite);
    sink.FilledBox(-2, 251, 0, 250, kPanelBlack);
    sink.FilledBox(-2, 126, 0, 125, kPanelBlack);
    sink.FilledBox(-2, 1, 0, 0, kPanelBlack);
    sink.SetTextColor(kPanelBlack);
    sink.Print(-15, 260, FormatFixed(250 * zoom, 0));
    sink.Print(-15, 130, FormatFixed(250 * zoom / 2, 0));
    sink.Print(-15, 10, " 0");
}

// ---- group bars ---------------------------------------------------------------

GroupBarPlan PlanGroupBars(const ChannelTable16& counts, const ChannelTable16& groups, int page, int pageLimit,
                           double zoom) {
    std::array<double, kChannels> sum{};
    std::array<int, kChannels> members{};
    for (int ch = 0; ch < kChannels; ++ch) {
        const int g = groups[static_cast<size_t>(ch)];
        if (g < 0 || g >= kChannels) continue;
        sum[static_cast<size_t>(g)] += counts[static_cast<size_t>(ch)];
        ++members[static_cast<size_t>(g)];
    }
    GroupBarPlan plan;
    for (int g = 0; g < kChannels; ++g)
        if (members[static_cast<size_t>(g)] > 0) ++plan.groupsPresent;

    plan.pageLimit = pageLimit;
    if (plan.groupsPresent > kBarsPerPage) {
        plan.pageLimit = (plan.groupsPresent + kBarsPerPage - 1) / kBarsPerPage;
        plan.barsPerPage = kBarsPerPage;
    } else {
        plan.barsPerPage = plan.groupsPresent;
    }
    plan.showPageButtons = plan.pageLimit > 1;
    plan.spacing = plan.barsPerPage <= 5 ? 50.0 : 300.0 / (plan.barsPerPage + 1);
    plan.offset = RoundHalfEven(0.35 * plan.spacing);
    plan.zoom = zoom == 0 ? 1.0 : zoom;

    const int first = kBarsPerPage * page, end = kBarsPerPage * (page + 1);
    double largest = 0;
    int k = 0;
    for (int g = 0; g < kChannels; ++g) {
        if (members[static_cast<size_t>(g)] == 0) continue;
        if (k >= first && k < end) {
            GroupBar bar;
            bar.group = g;
            bar.slot = static_cast<int>(plan.bars.size());
            bar.x = bar.slot * plan.spacing + plan.offset;
            bar.mean = RoundHalfEven(sum[static_cast<size_t>(g)] / members[static_cast<size_t>(g)]);
            bar.height = bar.mean / plan.zoom;
            bar.cutOpen = bar.height >= 255;
            largest = std::max(largest, bar.mean);
            plan.bars.push_back(bar);
        }
        ++k;
    }
    plan.nextZoom = largest / plan.zoom > 250 ? plan.zoom + 0.5 : plan.zoom;
    return plan;
}

void DrawGroupBarPlan(const GroupBarPlan& plan, const GroupNames& names, PanelSink& sink) {
    DrawValueLabels(sink, plan.zoom);
    const double s = plan.spacing;
    for (const GroupBar& bar : plan.bars) {
        const double x = bar.x;
        DrawValueBar(sink, x + 0.1 * s, x + 0.9 * s, bar.height);
        sink.FilledBox(x, -30, x + 2 * s, -2, kPanelWhite);
        sink.Print(x + 0.1 * s, -10, GroupCaption(bar.group, names[static_cast<size_t>(bar.group)]));
        sink.SetTextColor(kPanelValueText);
        sink.Print(x + 0.2 * s, 37, FormatFixed(bar.mean, 0));
        sink.SetTextColor(kPanelBlack);
    }
}

// ---- plate heatmap --------------------------------------------------------------

PlateGridUnits GridUnits(const PlateGeometry& g) {
    PlateGridUnits u;
    u.cp = static_cast<int32_t>(RoundHalfEven(g.colPitch * 100));
    u.co = static_cast<int32_t>(RoundHalfEven(g.colOffset * 100));
    u.rp = static_cast<int32_t>(RoundHalfEven(g.rowPitch * 100));
    u.ro = static_cast<int32_t>(RoundHalfEven(g.rowOffset * 100));
    return u;
}

std::vector<PlateCaption> ColumnCaptions(const PlateGeometry& g) {
    std::vector<PlateCaption> out;
    for (int c = 0; c < g.cols; ++c)
        out.push_back({c * 100 * g.colPitch + g.colOffset * 100 + g.colPitch * 25, g.rowOffset * 100 - 100,
                       std::to_string(c + 1)});
    return out;
}

std::vector<PlateCaption> RowCaptions(const PlateGeometry& g) {
    std::vector<PlateCaption> out;
    for (int r = 0; r < g.rows; ++r)
        out.push_back({g.colOffset * 100 - 50, r * 100 * g.rowPitch + g.rowOffset * 100 + g.rowPitch * 25,
                       std::string(1, static_cast<char>(65 + r))});
    return out;
}

void DrawPlateGrid(const PlateGeometry& g, PanelSink& sink) {
    const PlateGridUnits u = GridUnits(g);
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.cols; ++c)
            sink.Box(c * u.cp + u.co, r * u.rp + u.ro, (c + 1) * u.cp + u.co, (r + 1) * u.rp + u.ro, kPanelRed);
}

void DrawPlateGridAndCaptions(const PlateGeometry& g, PanelSink& sink) {
    DrawPlateGrid(g, sink);
    sink.SetTextColor(kPanelBlack);
    for (const PlateCaption& p : RowCaptions(g)) sink.Print(p.x, p.y, p.text);
    for (const PlateCaption& p : ColumnCaptions(g)) sink.Print(p.x, p.y, p.text);
}

std::vector<int32_t> WellCountSums(const ChannelTable16& counts, const ChannelTable16& channelWell, int wells) {
    std::vector<int32_t> sums(static_cast<size_t>(std::max(wells, 0)), 0);
    for (int ch = 0; ch < kChannels; ++ch) {
        const int w = channelWell[static_cast<size_t>(ch)];
        if (w < 0 || w >= wells) continue;
        sums[static_cast<size_t>(w)] += counts[static_cast<size_t>(ch)];
    }
    return sums;
}

int32_t WellSumDivisor(const std::vector<int32_t>& sums) {
    int32_t d = 255;
    for (int32_t s : sums) d = std::max(d, s);
    return d;
}

int WellShade(int32_t sum, int32_t divisor) {
    const double v = RoundHalfEven(static_cast<double>(sum) / divisor * 255);
    return std::clamp(255 - static_cast<int>(v), 0, 255);
}

std::vector<GridCell> PlanGridCells(const PlateGeometry& g, const ChannelTable16& counts,
                                    const ChannelTable16& channelWell) {
    const int wells = std::max(g.rows, 0) * std::max(g.cols, 0);
    const std::vector<int32_t> sums = WellCountSums(counts, channelWell, wells);
    const int32_t d = WellSumDivisor(sums);
    const PlateGridUnits u = GridUnits(g);
    std::vector<GridCell> cells;
    cells.reserve(static_cast<size_t>(wells));
    for (int c = 0; c < g.cols; ++c)
        for (int r = 0; r < g.rows; ++r) {
            GridCell cell;
            cell.well = g.rows * c + r;
            cell.x1 = c * u.cp + u.co + 0.1 * u.cp;
            cell.y1 = r * u.rp + u.ro + 0.1 * u.rp;
            cell.x2 = (c + 1) * u.cp + u.co - 0.1 * u.cp;
            cell.y2 = (r + 1) * u.rp + u.ro - 0.1 * u.rp;
            cell.shade = WellShade(sums[static_cast<size_t>(cell.well)], d);
            cells.push_back(cell);
        }
    return cells;
}

void DrawGridCellPlan(const PlateGeometry& g, const std::vector<GridCell>& cells, PanelSink& sink) {
    DrawPlateGrid(g, sink);
    for (const GridCell& c : cells) {
        const uint32_t grey = static_cast<uint32_t>(c.shade) * 0x010101u;
        sink.FilledBox(c.x1, c.y1, c.x2, c.y2, grey);
    }
}

// ---- body-bends histogram ------------------------------------------------------

HistogramPlan PlanHistogram(const std::vector<int32_t>& peaks, const ChannelTable16& groups, int group,
                            double secondsPerSampleTotal, int32_t recordCount) {
    HistogramPlan plan;
    plan.group = group;
    std::array<double, kHistogramClassesShown> h{};
    for (int ch = 0; ch < kChannels; ++ch) {
        if (groups[static_cast<size_t>(ch)] != group) continue;
        for (int b = 0; b < kHistogramClassesShown; ++b) {
            const size_t i = static_cast<size_t>(b) * kChannelSlots + static_cast<size_t>(ch);
            if (i < peaks.size()) h[static_cast<size_t>(b)] += peaks[i];
        }
        ++plan.channels;
    }
    const int m = plan.channels;
    if (m == 0) {
        plan.peak = 100;
    } else {
        double peak = 0;
        for (double v : h) peak = std::max(peak, RoundHalfEven(v / m));
        plan.peak = static_cast<int32_t>(peak);
    }
    plan.zoom = plan.peak / 250.0 * 1.2;
    if (!(plan.zoom > 0)) plan.zoom = 1.0;

    double largest = 0;
    for (int b = 0; b < kHistogramClassesShown; ++b) {
        const double v = m == 0 ? 0 : RoundHalfEven(h[static_cast<size_t>(b)] / m);
        plan.value[static_cast<size_t>(b)] = v;
        largest = std::max(largest, v);
        const double limit = recordCount < 1 ? (b + 1) * secondsPerSampleTotal
                                             : (b + 1) * secondsPerSampleTotal / recordCount;
        plan.label[static_cast<size_t>(b)] = FormatFixed(limit, 1);
    }
    plan.nextZoom = largest / plan.zoom > 50 ? plan.zoom + 0.2 : plan.zoom;
    return plan;
}

void DrawHistogramPlan(const HistogramPlan& plan, const std::string& groupName, PanelSink& sink) {
    DrawValueLabels(sink, plan.zoom);
    sink.Print(260, 260, GroupCaption(plan.group, groupName));
    for (int b = 0; b < kHistogramClassesShown; ++b) {
        const double x = 10.0 * b + 4;
        const double v = plan.value[static_cast<size_t>(b)];
        DrawValueBar(sink, x + 1, x + 9, v / plan.zoom);
        sink.FilledBox(x, -30, x + 20, -2, kPanelWhite);
        sink.Print(x + 1, -10, plan.label[static_cast<size_t>(b)]);
        sink.SetTextColor(kPanelValueText);
        sink.Print(x + 2, 37, FormatFixed(v, 0));
        sink.SetTextColor(kPanelBlack);
    }
}

}  // namespace vondrel
