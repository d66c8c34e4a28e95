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

}  // namespace vondrel::browser
