#include "store/GroupBlocks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Numbers.h"

namespace vondrel {

void LayGroupBlocks(const BlockPlate& plate, std::string_view shape, ChannelTable16& groups, GroupNames& names) {
    const int blockRows = static_cast<int>(Val(shape.substr(0, 2)));
    const int blockCols = shape.size() > 3 ? static_cast<int>(Val(shape.substr(3, 2))) : 0;
    const int rows = plate.rows, cols = plate.cols;
    if (blockRows < 1 || blockCols < 1 || rows < 1) return;
    const int blocks = std::min(plate.maxWell / (blockRows * blockCols), plate.blockLimit);
    // Wells an earlier block laid out: a well whose first beam stayed free
    // (its channel disabled) must not become the start of every later block.
    std::vector<bool> laidOut(static_cast<size_t>(std::max(rows * cols, plate.maxWell + 1)), false);
    const ChannelTable16& channelWell = *plate.channelWell;
    for (int g = 0; g <= blocks; ++g) {
        int start = 0;
        bool found = false;
        for (int col = 0; col < cols && !found; ++col) {
            for (int row = 0; row < rows && !found; ++row) {
                const int well = col * rows + row;
                const int c = plate.firstChannel(well);
                if (c < 0 || groups[static_cast<size_t>(c)] != -1 || laidOut[static_cast<size_t>(well)]) continue;
                start = well;
                found = true;
            }
        }
        for (int i = 0; i < blockRows; ++i) {
            for (int j = 0; j < blockCols; ++j) {
                const int well = start + i + rows * j;
                if (well >= 0 && well < static_cast<int>(laidOut.size())) laidOut[static_cast<size_t>(well)] = true;
                for (int c = 0; c < kChannels; ++c) {
                    auto& group = groups[static_cast<size_t>(c)];
                    if (channelWell[static_cast<size_t>(c)] != well || group != -1 || !plate.enabled(c)) continue;
                    group = static_cast<int16_t>(g);
                    names[static_cast<size_t>(g)] = "Group" + std::to_string(g);
                }
            }
        }
    }
}

}  // namespace vondrel
