// The figures of the setup window's layout. The window, panel and frame
// units are those of the main window (same margins, columns and rows); the
// tables here give the place of every control in the units of its container:
// pixels of the panels, twips of the frames. Frm_setup applies them.
#pragma once

#include <vector>

#include "mainwindow/MainLayout.h"

namespace vondrel::setup {

// The smallest setup window (pixels): from this size on, every caption fits
// its place in the 8-point font of the program.
inline constexpr int kSetupMinimumWidth = 1140;
inline constexpr int kSetupMinimumHeight = 630;
// Height of a station button: its round mark whole. The two rows of stations
// are half a panel row apart, 14 pixels at the smallest window.
inline constexpr int kStationButtonHeight = 14;

// Units of the annotation frame frm_advance: its size in the panel's pixels
// turned into twips.
struct AdvanceUnits {
    double aw = 0, ah = 0;
};
AdvanceUnits ComputeAdvanceUnits(double frameWidthPixels, double frameHeightPixels, double tppx, double tppy);

// Picwell and frm_advance, placed first on PicPanel1 (pixels).
std::vector<Placement> PlateAndAdvancePlaces(const LeftUnits& u);
// The contents of frm_advance (twips), in order; ShowAnnotationGrid runs
// after cmd_setglobal.
std::vector<Placement> AdvanceContents(const AdvanceUnits& u);
// The other contents of PicPanel1 (pixels), in order, then the channel lists
// with their two buttons in the free place right of combogrup.
std::vector<Placement> LeftPanelSetupContents(const LeftUnits& u);
// Label_workingfolder and Txtfolder (window twips; hidden).
std::vector<Placement> WorkingFolderPlaces(const WindowUnits& u);
// Contents of PicPanel2 (pixels), each frame followed by its contents
// (twips of the frame).
struct FramedPlacement {
    Placement place;
    bool inFrame = false;  // twips of the preceding frame
};
std::vector<FramedPlacement> RightPanelSetupContents(const RightUnits& u);
// Frameconfig: the frame of the parameters the panels leave out, below the
// panels (window twips), and its contents (twips of the frame).
Placement FrameconfigPlace(const WindowUnits& u);
std::vector<Placement> FrameconfigContents(const WindowUnits& u);

}  // namespace vondrel::setup
