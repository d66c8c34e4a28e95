#include "browser/PlotPlan.h"

#include <algorithm>

#include "platform/Numbers.h"

namespace vondrel::browser {

namespace {

std::string Whole(double v) { return std::to_string(static_cast<int64_t>(RoundHalfEven(v))); }

struct Pen {
    PlotPlan& plan;
    void Line(double x1, double y1, double x2, double y2, uint32_t bgr, int width = 1) {
        PlotPrimitive p;
        p.kind = PlotPrimitive::Kind::Line;
        p.x1 = x1, p.y1 = y1, p.x2 = x2, p.y2 = y2, p.bgr = bgr, p.width = width;
        plan.items.push_back(std::move(p));
    }
    void Circle(double x, double y, double r, uint32_t bgr, int width) {
        PlotPrimitive p;
        p.kind = PlotPrimitive::Kind::Circle;
        p.x1 = x, p.y1 = y, p.radius = r, p.bgr = bgr, p.width = width;
        plan.items.push_back(std::move(p));
    }
    void Box(double x1, double y1, double x2, double y2, uint32_t bgr, bool filled) {
        PlotPrimitive p;
        p.kind = filled ? PlotPrimitive::Kind::FilledBox : PlotPrimitive::Kind::Box;
        p.x1 = x1, p.y1 = y1, p.x2 = x2, p.y2 = y2, p.bgr = bgr;
        plan.items.push_back(std::move(p));
    }
    void Text(double x, double y, std::string text, uint32_t bgr = kPlotBlack) {
        PlotPrimitive p;
        p.kind = PlotPrimitive::Kind::Text;
        p.x1 = x, p.y1 = y, p.text = std::move(text), p.bgr = bgr;
        plan.items.push_back(std::move(p));
    }
};

}  // namespace

PlotPlan KineticsLinePlan(const GroupBinTable& table, double top, int binMinutes,
                          const std::vector<platform::TimePoint>& columnDates, const std::vector<std::string>& items,
                          int selectedGroup) {
    PlotPlan plan;
    const bool tagged = !columnDates.empty();
    const int n = table.bin_count;
    if (top < 50) top = RoundHalfEven(top * 1.5);
    TagAxis axis;
    double span = 0;
    if (tagged) {
        axis = TagColumnAxis(columnDates);
        span = n >= 1 ? RoundHalfEven(axis.minutes[static_cast<size_t>(n)]) + 1 : 1;
    } else {
        span = static_cast<double>(n) * binMinutes;
    }
    const double r = std::min(std::min(span, top) / 200, 0.3);
    if (top <= 0 || span <= 0 || n < 1) return plan;

    plan.empty = false;
    plan.left = -0.1 * span, plan.right = 1.2 * span, plan.top = 1.1 * top, plan.bottom = -0.1 * top;
    Pen pen{plan};
    pen.Line(0, 0, 0, top, kPlotGrey);
    pen.Line(0, 0, span, 0, kPlotGrey);
    std::string unit = "min";
    if (!tagged) {
        pen.Text(0, 1.1 * top, "Line PLOT");
        const auto marks = static_cast<int64_t>(RoundHalfEven(span / binMinutes));
        for (int64_t b = 1; b <= marks; ++b) pen.Text(static_cast<double>(b * binMinutes), -1, std::to_string(b * binMinutes));
    } else {
        pen.Text(0, 1.1 * top, "[TAG] Kinetics PLOT");
        unit = axis.unit;
        for (int c = 1; c <= n; ++c)
            if (columnDates[static_cast<size_t>(c)] != columnDates[1])
                pen.Text(RoundHalfEven(axis.minutes[static_cast<size_t>(c)]), -1, axis.labels[static_cast<size_t>(c)]);
    }
    pen.Text(-0.05 * span, -1, "Time[" + unit + "]");
    pen.Text(-0.05 * span, top + 1, Whole(top));
    pen.Line(-0.01 * span, top, 0, top, kPlotGrey);
    pen.Text(-0.05 * span, top / 2 + 1, Whole(top / 2));
    pen.Line(-0.01 * span, top / 2, 0, top / 2, kPlotGrey);

    const auto palette = KineticsPalette();
    auto x = [&](int c) { return tagged ? axis.minutes[static_cast<size_t>(c)] : static_cast<double>(c) * binMinutes; };
    for (size_t k = 0; k < items.size() && k < palette.size(); ++k) {
        const int g = ItemGroup(items[k]);
        const uint32_t colour = ToBgr(palette[k]);
        const int width = g == selectedGroup ? 3 : 1;
        for (int c = 2; c <= n; ++c) {
            pen.Line(x(c - 1), table.at(c - 1, g), x(c), table.at(c, g), colour, width);
            pen.Circle(x(c - 1), table.at(c - 1, g), r, colour, 2);
        }
        pen.Circle(x(n), table.at(n, g), r, colour, 2);
        const double h = top - top / 20 * static_cast<double>(k);
        pen.Text(10 * r + span, h + 1, " [#" + items[k].substr(0, 10) + "]", colour);
        pen.Line(span, h, 10 * r + span, h, colour, 2);
        pen.Circle(5 * r + span, h, r, colour, 2);
    }
    return plan;
}

PlotPlan PlateHeatmapPlan(const PlateLayout& plate, std::span<const int64_t> channelTotals) {
    PlotPlan plan;
    const double P = RoundHalfEven(plate.colPitch * 100), O = RoundHalfEven(plate.colOffset * 100),
                 Q = RoundHalfEven(plate.rowPitch * 100), S = RoundHalfEven(plate.rowOffset * 100);
    plan.empty = false;
    plan.left = O - 50, plan.right = 2450, plan.top = S - 50, plan.bottom = 1650;
    Pen pen{plan};
    const int wells = plate.rows * plate.cols;
    std::vector<int64_t> total(static_cast<size_t>(std::max(wells, 0)), 0);
    for (size_t c = 0; c < channelTotals.size() && c < plate.channelWell.size(); ++c) {
        const int well = plate.channelWell[c];
        if (well >= 0 && well < wells) total[static_cast<size_t>(well)] += channelTotals[c];
    }
    int64_t top = 255;
    for (int64_t v : total) top = std::max(top, v);
    for (int row = 0; row < plate.rows; ++row)
        for (int col = 0; col < plate.cols; ++col) {
            const double v = static_cast<double>(total[static_cast<size_t>(row + col * plate.rows)]);
            const auto F = static_cast<int>(RoundHalfEven(v / static_cast<double>(top) * 255));
            const int grey = 255 - F;
            pen.Box(col * P + O + 0.6 * P, row * Q + S + Q * (1 - v / static_cast<double>(top)), (col + 1) * P + O - 0.05 * P,
                    (row + 1) * Q + S - 0.05 * Q, static_cast<uint32_t>(grey | grey << 8 | grey << 16), true);
        }
    // Labels: outlines, group marks, column numbers and row letters.
    for (int row = 0; row < plate.rows; ++row)
        for (int col = 0; col < plate.cols; ++col)
            pen.Box(col * P + O, row * Q + S, (col + 1) * P + O, (row + 1) * Q + S, 0x0000FF, false);
    static constexpr uint32_t kMarkColours[4] = {0x00FF00, 0xFF0000, 0x0000FF, 0x000000};
    uint32_t colour = kMarkColours[0];
    int previous = 0;
    for (int col = 0; col < plate.cols; ++col)
        for (int row = 0; row < plate.rows; ++row) {
            const size_t well = static_cast<size_t>(row + col * plate.rows);
            if (!plate.wellBeamChannel || well >= plate.wellBeamChannel->size() || (*plate.wellBeamChannel)[well].empty())
                continue;
            const int channel = (*plate.wellBeamChannel)[well][0];
            if (channel < 0 || channel >= static_cast<int>(plate.channelGroup.size())) continue;
            const int g = plate.channelGroup[static_cast<size_t>(channel)];
            if (g < 0) continue;
            if (g != previous) {
                colour = kMarkColours[g % 4];
                previous = g;
            }
            pen.Text(col * 100 * plate.colPitch + plate.colOffset * 100 + 25, row * 100 * plate.rowPitch + plate.rowOffset * 100 + 45,
                     "G" + std::to_string(g), colour);
        }
    for (int col = 1; col <= plate.cols; ++col)
        pen.Text((col - 1) * 100 * plate.colPitch + plate.colOffset * 100 + 25, plate.rowOffset * 120 - 50, std::to_string(col));
    for (int row = 0; row < plate.rows; ++row)
        pen.Text(plate.colOffset * 100 - 50, row * 100 * plate.rowPitch + plate.rowOffset * 100,
                 std::string(1, static_cast<char>('A' + row)));
    return plan;
}

PlotPlan GroupBarPlan(const GroupBinTable& table, double top, const std::vector<std::string>& items, int pageStart,
                      int selectedItem) {
    PlotPlan plan;
    if (top < 50) top = 50;
    plan.empty = false;
    plan.left = 0, plan.right = 120, plan.top = top * 1.05, plan.bottom = -top * 0.135;
    Pen pen{plan};
    int j = 1;
    for (int i = 0; i < static_cast<int>(items.size()) && j <= 10; ++i) {
        if (i < pageStart) continue;
        const int g = ItemGroup(items[static_cast<size_t>(i)]);
        const double v = table.bin_count >= 1 ? table.at(1, g) : 0;
        const bool selected = i == selectedItem;
        pen.Box(10 * j + 2, 0, 10 * j + 10, v, selected ? 0xC8C8C8u : 0xDCDCDCu, true);
        pen.Box(10 * j + 2, 0, 10 * j + 10, v, kPlotBlack, false);
        plan.items.back().width = selected ? 2 : 1;
        pen.Text(10 * j + 3, -2, items[static_cast<size_t>(i)].substr(0, 10));
        pen.Text(10 * j + 3, top / 3, Whole(v));
        ++j;
    }
    pen.Line(10, 0, 119, 0, kPlotGrey, 2);
    pen.Line(10, 0, 10, top, kPlotGrey, 2);
    pen.Line(10, 0, 9, 0, kPlotGrey, 2);
    pen.Line(10, 0.99 * top, 9, 0.99 * top, kPlotGrey, 2);
    pen.Text(6, 1.05 * top, Whole(top));
    plan.items.back().font_scale = 0.75;
    pen.Text(6, 0, "0");
    plan.items.back().font_scale = 0.75;
    return plan;
}

}  // namespace vondrel::browser
