// Small makers of plot primitives shared by the plans that draw shapes,
// circles and labels on a grid (the group editor and the tracking plot).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "browser/PlotPlan.h"

namespace vondrel::browser::shapes {

inline PlotPrimitive Prim(PlotPrimitive::Kind kind, double x1, double y1, double x2, double y2, uint32_t bgr) {
    PlotPrimitive p;
    p.kind = kind;
    p.x1 = x1;
    p.y1 = y1;
    p.x2 = x2;
    p.y2 = y2;
    p.bgr = bgr;
    return p;
}

inline PlotPrimitive Text(double x, double y, std::string text, uint32_t bgr) {
    PlotPrimitive p = Prim(PlotPrimitive::Kind::Text, x, y, x, y, bgr);
    p.text = std::move(text);
    return p;
}

inline PlotPrimitive Circle(double x, double y, double r, uint32_t bgr) {
    PlotPrimitive p = Prim(PlotPrimitive::Kind::Circle, x, y, x, y, bgr);
    p.radius = r;
    return p;
}

}  // namespace vondrel::browser::shapes
