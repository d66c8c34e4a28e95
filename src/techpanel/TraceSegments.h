// The segments of a channel's trace on Picreal: level (red) and peak line
// (blue) from slot a - 1 to slot a, in the order they are drawn, with the
// gap of three segments at the ring's writing position. y values are 32-bit
// so high zooms simply fall off the picture.
#pragma once

#include <cstdint>
#include <vector>

#include "techpanel/LevelHistory.h"

namespace vondrel::techpanel {

struct TraceSegment {
    int x0 = 0;
    int32_t y0 = 0;
    int x1 = 0;
    int32_t y1 = 0;
    bool blue = false;  // peak line or magnified level; red otherwise
};

// Replaces `out` with the segments of channel `ch` at zoom 0..10 (capacity
// is kept, so a reused vector allocates nothing per sample).
void BuildTraceSegments(const LevelHistory& h, int ch, int zoom, int traceMax, std::vector<TraceSegment>& out);

// True when the segment ending at slot a is left out (the writing gap).
constexpr bool InTraceGap(int a, int slot) { return a >= slot - 1 && a <= slot + 1; }

}  // namespace vondrel::techpanel
