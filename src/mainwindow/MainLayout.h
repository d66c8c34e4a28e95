// The figures of the main window's layout, as plain computation: the window's
// margins and units from its outer size in twips, the units of the two panels
// from the sizes the panels were given, and the place of every control that
// moves with the window, in the units of its container:
//   - the two panels and the label below them: twips of the window;
//   - the direct contents of the panels: pixels of the panel;
//   - the contents of the frames in the right panel: twips of the frame.
// Frm_Main converts and applies these; nothing here touches a widget.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vondrel {

struct WindowUnits {
    double MH = 0;  // horizontal margin, twips
    double MT = 0;  // top margin, twips
    double WC = 0;  // window column, twips
    double WR = 0;  // window row, twips
};
WindowUnits ComputeWindowUnits(double widthTwips, double heightTwips);

struct LeftUnits {
    double LC = 0, LR = 0;  // pixels of PicPanel1
};
// Panel size in twips as the panel reports it; twips per pixel of the screen.
LeftUnits ComputeLeftUnits(double panelWidthTwips, double panelHeightTwips, double tppx, double tppy);

struct RightUnits {
    double RC = 0, RR = 0;  // pixels of PicPanel2
    double FC = 0, FR = 0;  // twips, for the contents of its frames
};
RightUnits ComputeRightUnits(double panelWidthTwips, double panelHeightTwips, double tppx, double tppy);

// One control's place; an absent width or height leaves that size unchanged.
// With topAboveOwnHeight the control's lower edge lies on `top`: the top is
// `top` minus the height the control reports after its height has been set.
struct Placement {
    std::string name;
    double left = 0, top = 0;
    std::optional<double> width, height;
    bool topAboveOwnHeight = false;
};

struct PanelPlace {
    double left = 0, top = 0, width = 0, height = 0;
};
PanelPlace LeftPanelPlace(const WindowUnits& u);
PanelPlace RightPanelPlace(const WindowUnits& u);
// Top of lbl_autostart, just below the panels; its left is 0.5 MH.
double AutostartTop(const WindowUnits& u);

// The left panel's contents, in the order they are placed. Framereal's own
// place is in the same numbers but taken as window twips; its contents are
// twips of Framereal. `combocolHeight` is the height Combocol reports, in
// the units of Framereal's contents.
std::vector<Placement> LeftPanelContents(const LeftUnits& u, double combocolHeight);
// Frame_setup's own place in the right panel (pixels).
Placement FrameSetupPlace(const RightUnits& u);
// Contents of Frame_setup (twips).
std::vector<Placement> FrameSetupContents(const RightUnits& u);
// The right panel's contents from shape_stacks on (pixels), then Frame_temp
// and Frame_light.
std::vector<Placement> RightPanelContents(const RightUnits& u);
// Contents of Frame_temp, Frame_light and frm_pulse (twips).
std::vector<Placement> FrameTempContents(const RightUnits& u);
std::vector<Placement> FrameLightContents(const RightUnits& u);
std::vector<Placement> FramePulseContents(const RightUnits& u);

// Buttons of the right panel that get RoundWindowInset right after placing.
bool GetsInsetRegion(const std::string& name);

// Scale of the activity plot Picact for a plot type; nullopt for a type
// outside 0..3 (the plot stays blank).
struct PlotScale {
    double x1, y1, x2, y2;
};
std::optional<PlotScale> ActivityScale(int plotType, double plateColOffset, double plateRowOffset);
// Scale of the trace plot Picreal: (0, 2100)-(rtBuffer + 20, 0).
PlotScale TraceScale(int rtBuffer);

}  // namespace vondrel
