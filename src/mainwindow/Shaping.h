// Window shaping: rounded window regions, borderless lists and the rounded
// grey frame drawn inside a panel. Geometry is computed by plain functions
// (testable without widgets); the widget forms apply it with a QWidget mask.
//
// A widget's Width and Height in twips are its pixel size times the twips per
// pixel of the screen (15 on a 96-dpi screen).
#pragma once

#include <optional>
#include <vector>

class QRegion;
class QWidget;

namespace vondrel {

class Canvas;

inline constexpr int kTwipsPerPixel = 15;

// Places a control from figures in layout units (twips, or the pixels of a
// panel's own scale): each figure divided by the units per pixel and rounded
// halves to even; a size left out keeps the control's own.
void ApplyPlacement(QWidget* w, double left, double top, std::optional<double> width,
                    std::optional<double> height, double unitsPerPixel);
// The same, rounding the edges rather than the sizes: the right edge is
// left + width rounded, the bottom top + height rounded, so that two
// controls that meet in the figures meet in pixels and never overlap by a
// pixel of rounding.
void ApplyPlacementByEdges(QWidget* w, double left, double top, std::optional<double> width,
                           std::optional<double> height, double unitsPerPixel);

// A rounded rectangle region: corners (left, top)-(right, bottom), the right
// and bottom edges excluded, with a corner ellipse of ellipseW x ellipseH.
struct RoundRegion {
    int left = 0, top = 0, right = 0, bottom = 0;
    int ellipseW = 0, ellipseH = 0;
    bool operator==(const RoundRegion&) const = default;
};

// (0, 0)-(Width \ tppx, Height \ tppy), 30 x 30 corners.
RoundRegion RoundWindowRegion(double widthTwips, double heightTwips, double tppx, double tppy);
// (5, 5)-(width - 4, height - 4), 20 x 20 corners, sizes taken as they are.
RoundRegion RoundWindowInsetRegion(double width, double height);
// (5, 5)-(Width \ tppx - 4, Height \ tppy - 4), 20 x 20 corners; a pixel
// width of 0 twips or less counts both sizes as 0.
RoundRegion RoundWindowInsetPixelsRegion(double widthTwips, double heightTwips, double tppx, double tppy);

// Applies the regions to a widget (its size read in pixels and converted to
// twips at 15 twips per pixel). RoundWindowInset takes the widget's size in
// its container's units; every caller places such widgets in a panel that
// measures in pixels, so the size is the pixel size.
QRegion ToQRegion(const RoundRegion& r);
void ApplyRegion(QWidget* w, const RoundRegion& r);
void RoundWindow(QWidget* w);
void RoundWindowInset(QWidget* w);
void RoundWindowInsetPixels(QWidget* w);
// Removes the border of a list widget; any other widget is left untouched.
void RemoveListBoxBorder(QWidget* w);

// The rounded grey frame along the inside of a drawing area of scale size
// w x h: four lines and four quarter arcs of radius 15.
struct FrameLine { double x1, y1, x2, y2; };
struct FrameArc { double cx, cy, r, start, end; };
struct RoundFramePlan {
    std::vector<FrameLine> lines;  // top, right, bottom, left
    std::vector<FrameArc> arcs;    // top-left, top-right, bottom-right, bottom-left
};
RoundFramePlan PlanRoundFrame(double scaleWidth, double scaleHeight);
// Clears the canvas and draws the frame with pen width 2 in RGB(200, 200, 200).
void DrawRoundFrame(Canvas* p);

}  // namespace vondrel
