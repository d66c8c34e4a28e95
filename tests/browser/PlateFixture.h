// Plates for the editor and tracking tests: every well covers a square of
// pitch x pitch beam cells of the 16 x 24 beam grid (channel = 16 x column +
// row), its beams numbered down each column of cells.
#pragma once

#include "browser/AcquisitionConfig.h"

namespace vondrel::testing {

inline browser::AcquisitionConfig GridPlate(int rows, int cols, int pitch) {
    browser::AcquisitionConfig c = browser::DefaultAcquisitionConfig();
    c.plateRows = static_cast<int16_t>(rows);
    c.plateCols = static_cast<int16_t>(cols);
    c.rowPitch = c.colPitch = pitch;
    c.rowOffset = c.colOffset = 0;
    c.channelWell.fill(-1);
    c.channelBeam.fill(-1);
    c.channelGroup.fill(-1);
    c.maxWell = static_cast<int16_t>(rows * cols - 1);
    c.maxBeam = static_cast<int16_t>(pitch * pitch - 1);
    c.wellBeamChannel.assign(static_cast<size_t>(rows * cols), std::vector<int16_t>(static_cast<size_t>(pitch * pitch), -1));
    for (int q = 0; q < cols; ++q) {
        for (int r = 0; r < rows; ++r) {
            const int well = q * rows + r;
            int beam = 0;
            for (int dc = 0; dc < pitch; ++dc) {
                for (int dr = 0; dr < pitch; ++dr, ++beam) {
                    const int ch = 16 * (q * pitch + dc) + r * pitch + dr;
                    c.channelWell[static_cast<size_t>(ch)] = static_cast<int16_t>(well);
                    c.channelBeam[static_cast<size_t>(ch)] = static_cast<int16_t>(beam);
                    c.wellBeamChannel[static_cast<size_t>(well)][static_cast<size_t>(beam)] = static_cast<int16_t>(ch);
                }
            }
        }
    }
    return c;
}

// The channel of (well, beam) of a GridPlate.
inline int ChannelOf(const browser::AcquisitionConfig& c, int well, int beam) {
    return c.wellBeamChannel[static_cast<size_t>(well)][static_cast<size_t>(beam)];
}

}  // namespace vondrel::testing
