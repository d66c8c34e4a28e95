// The plate and the groups of the setup window without widgets: plate
// formats, the drawing of a plate as data, the pointer's well, the group list,
// the channel lists, moves of wells between groups and the automatic
// arrangement. Everything works on the current plate map and on the GroupSet
// it is given (the selected station's).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/Globals.h"

namespace vondrel::setup {

// One station's groups: names per group and group per channel.
struct GroupSetRef {
    GroupNames& names;
    ChannelTable16& groups;
};
GroupSetRef StationGroups(int station);

// ---- plate formats ---------------------------------------------------------
// The information shown after a change to a format, lines joined by CR LF;
// "" for a code without one.
std::string PlateFormatInfo(std::string_view code);
// The plate format codes of a folder listing: names matching "w*.dat"
// without regard to case, lower-cased, each up to its first ".dat", in the
// listing's order.
std::vector<std::string> PlateFormatsOf(const std::vector<std::string>& entries);

// ---- arrangement sets --------------------------------------------------------
// "RRxCC [RowsxColumn]" for every r = 1..16 dividing the rows and c = 1..16
// dividing the columns, by c then r.
std::vector<std::string> ArrangementSets(int rows, int cols);
// The entry selected at load: the third when there are three, else the first.
int DefaultArrangementIndex(int count);

// ---- channels and wells --------------------------------------------------------
// The channel at (well, beam), or -1 when the map places none there (the
// table holds 0 where no channel lies, so an entry counts only when the
// channel names that well and beam back).
int ChannelAt(int well, int beam);
// The well of a channel label ("C5.1" -> row 2, column 4); -1 when it is not one.
int WellOfLabel(std::string_view label);

// ---- group list and channel lists -------------------------------------------------
// The entries of the group list: every group from 0 to the highest in use and
// one more, "000_Group0"; a used group still named "Free" is renamed
// "Group<n>" after its entry is made (the entry keeps the old name).
std::vector<std::string> BuildGroupEntries(GroupSetRef set);
// The group number of an entry: the value of its first three characters.
int EntryGroup(std::string_view entry);
// Labels of the enabled channels on the plate of `group`, or of the free ones.
std::vector<std::string> GroupChannelLabels(const ChannelTable16& groups, int group);
std::vector<std::string> FreeChannelLabels(const ChannelTable16& groups);

// Every channel of a well (by its map) gets `group` (-1 frees it), enabled
// or not.
void MoveWell(ChannelTable16& groups, int well, int group);
// Frees every channel and names groups 0..383 "Free".
void ClearGroups(GroupSetRef set);
// Lays out blocks of the caption's rows by columns, block g as group g.
void AutoArrangeGroups(GroupSetRef set, std::string_view caption);

// ---- the pointer on the plate -------------------------------------------------------
struct PlateCell {
    int row = 0, col = 0;
};
// The well row and column under a point in the drawing's units; negatives
// count as 0.
PlateCell CellAt(double x, double y);
bool CellOnPlate(PlateCell c);
// A press: the left button gives the well's free enabled channels to
// `group`, the right frees its enabled channels.
void PressWell(ChannelTable16& groups, int well, int group, bool left);
// A release over the rectangle of rows r0..r1 and columns c0..c1: every
// enabled channel gets `group` (left) or is freed (right). Returns the last
// well touched.
int ReleaseRectangle(ChannelTable16& groups, PlateCell from, PlateCell to, int group, bool left);

// ---- the drawing of the plate as data ---------------------------------------------------
struct PlateLine {
    double x1, y1, x2, y2;
    uint32_t colour;
};
struct PlateCircle {
    double x, y, r;
    uint32_t colour;
};
struct PlateText {
    double x, y;
    std::string text;
    uint32_t colour;
    int size;
};
struct PlatePlan {
    double left = 0, top = 0, right = 0, bottom = 0;  // the user scale
    std::vector<PlateLine> outlines;
    std::vector<PlateCircle> beams;
    std::vector<PlateText> labels;
    std::vector<PlateText> headings;
};
PlatePlan BuildPlatePlan(const ChannelTable16& groups);

// The strips along the left and top edges that mark the rows and columns
// from `near` to `far`: filled boxes and lines in the order drawn.
struct PlateStrip {
    bool filled;
    double x1, y1, x2, y2;
    uint32_t colour;
};
std::vector<PlateStrip> BuildStrips(PlateCell near, PlateCell far);

// Colours as 0x00BBGGRR.
constexpr uint32_t Bgr(int r, int g, int b) {
    return static_cast<uint32_t>((r & 255) | ((g & 255) << 8) | ((b & 255) << 16));
}

}  // namespace vondrel::setup
