// The browser window's layout as plain computation. Units come from the
// window's outer size in twips (32-bit whole numbers, halves to even); the
// two panels measure their direct contents in pixels, the frames inside the
// plot panel measure theirs in twips. Sizes that the toolkit decides (a combo
// box's height, a list cut to whole lines, a panel rounded to whole pixels)
// are read back from the target when a later place depends on them.
//
// The window implements LayoutTarget with its widgets; tests implement it
// with a record of the places.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vondrel::browser {

struct BrowserUnits {
    int32_t W = 0, H = 0;    // outer size, twips
    int32_t W9 = 0, H9 = 0;  // nine tenths of it
    int32_t m = 0, t = 0;    // left and top margins
    int32_t cu = 0, ru = 0;  // column and row units
};
// Throws NumericError when a unit does not fit 32 bits.
BrowserUnits ComputeBrowserUnits(double widthTwips, double heightTwips);

struct PanelUnits {
    int32_t across = 0, down = 0;  // pu, pr of the project panel or qu, qr of the plot panel
};
// (width \ tppx) / columns and (height \ tppy) / rows, each rounded.
PanelUnits ComputePanelUnits(double widthTwips, double heightTwips, double tppx, double tppy, double columns,
                             double rows);

// A control's place in its container's units.
struct Rect {
    double left = 0, top = 0, width = 0, height = 0;
};

enum class Region { None, RoundWindow, RoundWindowInset, RoundWindowInsetPixels };

class LayoutTarget {
public:
    virtual ~LayoutTarget() = default;
    // Places the control `name` in its container's units; an absent size is
    // kept. Throws when there is no such control.
    virtual void Place(const std::string& name, double left, double top, std::optional<double> width,
                       std::optional<double> height) = 0;
    // The control's place as the toolkit made it, in its container's units.
    virtual Rect Read(const std::string& name) const = 0;
    virtual void Shape(const std::string& name, Region region) = 0;
    virtual void BorderNone(const std::string& name) = 0;
};

// Lays out every control the layout moves, in order; an exception from the
// target or the units ends it where it happened (the caller swallows it).
// `tpp` is the screen's twips per pixel.
void ArrangeBrowserControls(double widthTwips, double heightTwips, double tpp, LayoutTarget& target);

}  // namespace vondrel::browser
