// The plate group editor of an open recording: which wells belong to which
// group and what each group is called. Every edit changes only the working
// tables of the recording (its AcquisitionConfig); SaveGroupFiles writes them
// back into the recording's groups.dat and chgroup.dat. Plain C++; the
// browser window keeps the lists and the picture and calls these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "browser/AcquisitionConfig.h"
#include "browser/BinningPlots.h"
#include "browser/PlotPlan.h"
#include "platform/Clock.h"

namespace vondrel::browser {

// Items of the block-shape list: "rr" "x" "cc" " [RowsxColumn]" for every
// column count 1..16 dividing the plate's columns (outer) and row count
// 1..16 dividing its rows (inner).
std::vector<std::string> BlockShapeItems(int plateRows, int plateCols);
// The shape chosen on entry: the third item, the first with fewer than three.
int InitialBlockShape(int itemCount);

// The group list: "NNN_name" from 000 up to the largest group in use, then
// one unused number; `selected` is the item of `group` (else 0). A group in
// use still named "Free" takes the name "Group" & n once its item is made
// (the item shows the old name).
struct GroupCombo {
    std::vector<std::string> items;
    int selected = 0;
};
GroupCombo FillGroupCombo(AcquisitionConfig& config, int group);

// Labels of the wells whose first beam's channel is in `group` (-1: the free
// ones; below -1 none): row letter and column number, "A1".
std::vector<std::string> ListGroupWells(const AcquisitionConfig& config, int group);
// Channel labels ("A1.0", "H12.1") of the enabled channels that lie in a
// well and are free, or belong to `group` (below -1: none).
std::vector<std::string> ListEditorFreeChannels(const AcquisitionConfig& config);
std::vector<std::string> ListEditorGroupChannels(const AcquisitionConfig& config, int group);

// A plate cell under a point of the picture (plate units x 100); a negative
// index counts as 0.
struct PlateCell {
    int row = 0, col = 0;
};
PlateCell CellAt(const AcquisitionConfig& config, double x, double y);
bool CellOnPlate(const AcquisitionConfig& config, PlateCell cell);

// The editor's pointer state.
struct GroupEditorState {
    bool drag_active = false;
    PlateCell anchor;                 // where the button went down
    int mark_row = 0, mark_column = 0;  // the extent last marked on the edges
    bool pointer_outside = false;
};

// Pointer move: the marks of the selected rows and columns along the plate's
// left and top edges, to be drawn over the picture; nothing when the pointer
// (or the extent marked before) lies off the plate.
std::vector<PlotPrimitive> PointerMove(const AcquisitionConfig& config, GroupEditorState& state, double x, double y);

// Press: the left button gives the free enabled channels of the well under
// the point to `group`, the right button frees its enabled channels; the
// cell becomes the drag anchor. False (nothing changed) off the plate.
bool PointerPress(AcquisitionConfig& config, GroupEditorState& state, double x, double y, int group, bool left);
// Release: every enabled channel of the wells of the rectangle from the
// anchor (with a drag) to the release cell gets `group` (left, whatever
// group it had) or becomes free (right); the drag ends. False off the plate.
bool PointerRelease(AcquisitionConfig& config, GroupEditorState& state, double x, double y, int group, bool left);

// "Go...": frees everything, then lays blocks of the shape "rrxcc..." over
// the plate: block g starts at the first well (column order) whose first
// beam's channel is free and which no earlier block laid out, and its free
// enabled channels become group g, named "Group" & g.
void LayBlocks(AcquisitionConfig& config, const std::string& shapeItem);

// Every channel free, every group named "Free".
void ClearAllGroups(AcquisitionConfig& config);

// The plate with its wells, beams and group labels.
PlotPlan PlateGroupsPlan(const AcquisitionConfig& config);

// The backups' time stamp: the year's last two digits, the day of the year
// (not padded), then month, day, hour and minute in two digits each.
std::string GroupBackupStamp(platform::TimePoint at);

// Backs up chgroup.dat and groups.dat of `folder` (as chgroup.bak,
// chgroup<stamp>.bak, groups.bak, groups<stamp>.bak; a missing file only
// means a missing backup), then replaces groups.dat and chgroup.dat with the
// tables, each file whole or not at all. When the second file cannot be
// replaced the first gets its old bytes back. 1 on success, 0 on failure.
int SaveGroupFiles(const std::string& folder, const GroupNames& names, const ChannelTable16& groups,
                   platform::TimePoint now);

}  // namespace vondrel::browser
