// Laying a plate out in blocks of wells, one channel group per block: the
// rule behind the "rows x columns" block choice of the group editors.
#pragma once

#include <functional>
#include <string_view>

#include "store/Globals.h"

namespace vondrel {

struct BlockPlate {
    int rows = 0, cols = 0;  // the plate's wells down and across
    int maxWell = 0;         // the last well number in use
    int blockLimit = 0;      // the last group number a block may take
    std::function<int(int well)> firstChannel;  // a well's first-beam channel, -1 where none
    std::function<bool(int channel)> enabled;
    const ChannelTable16* channelWell = nullptr;  // each channel's well
};

// Lays blocks of `shape` ("RR" rows, then "CC" columns from its fourth
// character, as in "02x03 ...") into `groups` (all -1 beforehand): block g
// starts at the first well, column by column, whose first beam is still free
// and not laid out, and takes the enabled free channels of its wells; each
// group used is named "Group<g>" in `names`. Nothing is laid when the shape
// or the plate has no rows or columns.
void LayGroupBlocks(const BlockPlate& plate, std::string_view shape, ChannelTable16& groups, GroupNames& names);

}  // namespace vondrel
