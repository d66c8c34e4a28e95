#include "mainwindow/Shaping.h"

#include <QFrame>
#include <QListWidget>
#include <algorithm>
#include <cmath>
#include <QRegion>
#include <QWidget>

#include "mainwindow/Canvas.h"
#include "platform/Numbers.h"

namespace vondrel {

namespace {
int Whole(double x) { return static_cast<int>(RoundHalfEven(x)); }
}  // namespace

RoundRegion RoundWindowRegion(double widthTwips, double heightTwips, double tppx, double tppy) {
    return {0, 0, static_cast<int>(IntDiv(widthTwips, tppx)), static_cast<int>(IntDiv(heightTwips, tppy)), 30, 30};
}

RoundRegion RoundWindowInsetRegion(double width, double height) {
    return {5, 5, Whole(width - 4), Whole(height - 4), 20, 20};
}

RoundRegion RoundWindowInsetPixelsRegion(double widthTwips, double heightTwips, double tppx, double tppy) {
    int w = 0, h = 0;
    if (RoundHalfEven(tppx) > 0 && RoundHalfEven(tppy) > 0) {
        w = static_cast<int>(IntDiv(widthTwips, tppx));
        h = static_cast<int>(IntDiv(heightTwips, tppy));
    }
    return {5, 5, w - 4, h - 4, 20, 20};
}

QRegion ToQRegion(const RoundRegion& r) {
    QRegion region;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return region;
    const double rx = std::min(r.ellipseW / 2.0, width / 2.0), ry = std::min(r.ellipseH / 2.0, height / 2.0);
    // Row by row: inside the corner bands each row is narrowed to the corner
    // ellipse, measured at the row's centre.
    for (int y = 0; y < height; ++y) {
        double cy = y + 0.5;
        double dy = cy < ry ? ry - cy : (cy > height - ry ? cy - (height - ry) : 0.0);
        double inset = 0;
        if (ry > 0 && dy > 0) inset = rx - rx * std::sqrt(std::max(0.0, 1.0 - (dy / ry) * (dy / ry)));
        int cut = static_cast<int>(std::lround(inset));
        if (width - 2 * cut > 0) region += QRect(r.left + cut, r.top + y, width - 2 * cut, 1);
    }
    return region;
}

void ApplyRegion(QWidget* w, const RoundRegion& r) {
    if (!w) return;
    QRegion region = ToQRegion(r);
    // An empty region hides the whole widget, as an empty window region does;
    // QWidget takes an empty mask as "no mask", so a point outside stands in.
    if (region.isEmpty()) region = QRegion(-1, -1, 1, 1);
    w->setMask(region);
}

void RoundWindow(QWidget* w) {
    if (!w) return;
    ApplyRegion(w, RoundWindowRegion(w->width() * kTwipsPerPixel, w->height() * kTwipsPerPixel, kTwipsPerPixel,
                                     kTwipsPerPixel));
}

void RoundWindowInset(QWidget* w) {
    if (!w) return;
    ApplyRegion(w, RoundWindowInsetRegion(w->width(), w->height()));
}

void RoundWindowInsetPixels(QWidget* w) {
    if (!w) return;
    ApplyRegion(w, RoundWindowInsetPixelsRegion(w->width() * kTwipsPerPixel, w->height() * kTwipsPerPixel,
                                                kTwipsPerPixel, kTwipsPerPixel));
}

void RemoveListBoxBorder(QWidget* w) {
    auto* list = qobject_cast<QListWidget*>(w);
    if (!list) return;
    list->setFrameShape(QFrame::NoFrame);
    list->update();
}

RoundFramePlan PlanRoundFrame(double scaleWidth, double scaleHeight) {
    double w = RoundHalfEven(scaleWidth), h = RoundHalfEven(scaleHeight);
    RoundFramePlan plan;
    plan.lines = {{15, 0, w - 15, 0}, {w - 1, 15, w - 1, h - 15}, {15, h - 1, w - 15, h - 1}, {0, 15, 0, h - 15}};
    plan.arcs = {{15, 15, 15, 1.57, 3.14},
                 {w - 17, 15, 15, 0, 1.57},
                 {w - 17, h - 17, 15, 4.71, 0},
                 {15, h - 17, 15, 3.14, 4.71}};
    return plan;
}

void DrawRoundFrame(Canvas* p) {
    if (!p) return;
    p->Cls();
    p->SetDrawWidth(2);
    const uint32_t grey = Rgb(200, 200, 200);
    p->SetForeColor(grey);
    RoundFramePlan plan = PlanRoundFrame(p->ScaleWidth(), p->ScaleHeight());
    for (const auto& l : plan.lines) p->Line(l.x1, l.y1, l.x2, l.y2, grey);
    for (const auto& a : plan.arcs) p->Arc(a.cx, a.cy, a.r, a.start, a.end, grey);
}

void ApplyPlacement(QWidget* w, double left, double top, std::optional<double> width,
                    std::optional<double> height, double unitsPerPixel) {
    auto px = [&](double v) { return static_cast<int>(RoundHalfEven(v / unitsPerPixel)); };
    const int wpx = width ? px(*width) : w->width();
    const int hpx = height ? px(*height) : w->height();
    w->setGeometry(px(left), px(top), std::max(wpx, 0), std::max(hpx, 0));
}

void ApplyPlacementByEdges(QWidget* w, double left, double top, std::optional<double> width,
                           std::optional<double> height, double unitsPerPixel) {
    // Figures are first taken to a millionth of a pixel, so that an edge
    // reached by two sums (1.05 + 0.1 and 1.15 columns) rounds the same way.
    auto px = [&](double v) {
        return static_cast<int>(RoundHalfEven(std::round(v / unitsPerPixel * 1e6) / 1e6));
    };
    const int x = px(left), y = px(top);
    const int wpx = width ? px(left + *width) - x : w->width();
    const int hpx = height ? px(top + *height) - y : w->height();
    w->setGeometry(x, y, std::max(wpx, 0), std::max(hpx, 0));
}

}  // namespace vondrel
