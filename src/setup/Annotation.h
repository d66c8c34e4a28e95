// The experiment annotation: five texts per group (shared by the four
// stations) and three global attributes, in memory for the whole run of the
// program and never saved; the rules of the annotation grid that shows six
// groups at a time.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "store/Globals.h"

namespace vondrel {

using AnnotationTexts = std::array<std::string, kChannelSlots>;
inline AnnotationTexts g_group_compound, g_group_concentration, g_group_strain, g_group_organism_count,
    g_group_medium;
inline std::string g_global_strain, g_global_organism_count, g_global_medium;

namespace setup {

inline constexpr int kAnnotationRows = 6;
inline constexpr int kLastFirstRow = 378;  // rows never pass group 383

// The columns of the grid as fractions of the frame's width, for the global
// boxes ticked (their columns hidden, the compound column wider).
struct AnnotationColumn {
    std::string label, rows;  // control names: the label and the row boxes
    double labelLeft, labelWidth, boxLeft, boxWidth;
    bool visible;
};
std::vector<AnnotationColumn> AnnotationColumns(bool strainGlobal, bool orgGlobal, bool bufferGlobal);

// The first row after "^" and "v".
int AnnotationRowUp(int first);
int AnnotationRowDown(int first);

// The column chooser's entries.
const std::vector<std::string>& AnnotationToolItems();
// The per-group texts of a chooser entry; nullptr for any other text.
AnnotationTexts* AnnotationColumnTexts(std::string_view tool);
// Which global box an entry names: 0 none, 1 strain, 2 organisms, 3 buffer.
int AnnotationGlobalOf(std::string_view tool);
// "Fill": the text into the entry's column for every group that is not
// "Free" in station 1. Returns false for an entry without a column.
bool FillAnnotation(std::string_view tool, const std::string& text);

}  // namespace setup
}  // namespace vondrel
