#include "techpanel/TraceSegments.h"

#include "techpanel/PanelRules.h"

namespace vondrel::techpanel {

void BuildTraceSegments(const LevelHistory& h, int ch, int zoom, int traceMax, std::vector<TraceSegment>& out) {
    out.clear();
    const int32_t z = zoom;
    auto L = [&](int a) { return static_cast<int32_t>(h.Level(a, ch)); };
    auto P = [&](int a) { return static_cast<int32_t>(h.Peak(a, ch)); };
    auto add = [&](int a, int32_t y0, int32_t y1, bool blue) { out.push_back({a - 1, y0, a, y1, blue}); };
    // First pass.
    for (int a = 1; a < kHistorySlots; ++a) {
        if (InTraceGap(a, h.slot)) continue;
        if (z == 0) {
            add(a, L(a - 1), L(a), false);
            if (P(a) > 0) add(a, P(a - 1), P(a), true);
        } else {
            const int32_t y0 = z * L(a - 1) + 1750, y1 = z * L(a) + 1750;
            add(a, y0, y1, true);
            if (P(a) > 0) add(a, y0, y1, true);
        }
    }
    // Second pass.
    const int32_t o = z == 0 ? 0 : ZoomOffset(zoom, traceMax);
    for (int a = 1; a < kHistorySlots; ++a) {
        if (InTraceGap(a, h.slot)) continue;
        if (z == 0) {
            if (P(a) > 0) add(a, P(a - 1), P(a), true);
            if (L(a) > 0) add(a, L(a - 1), L(a), false);
        } else {
            add(a, z * P(a - 1) + o, z * P(a) + o, true);
            if (P(a) > 0) add(a, z * P(a - 1) + o, z * P(a) + o, true);
            if (L(a) > 0) add(a, z * L(a - 1) + o, z * L(a) + o, false);
        }
    }
}

}  // namespace vondrel::techpanel
