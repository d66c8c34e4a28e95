#include "mainwindow/TracePlot.h"

#include <algorithm>

namespace vondrel {

PlotScale PlayTraceScale(int rtBuffer) { return {0, 2309, static_cast<double>(rtBuffer) + 20, 0}; }

int32_t TraceLevelY(int32_t v, int32_t bottom, int32_t zoom) {
    if (zoom == 0) return v;
    return (v - bottom) * zoom + kTraceZoomOrigin;
}

std::optional<uint32_t> ReferenceColour(int phase) {
    if (phase == 0) return 0xFF0000;  // blue
    if (phase == 1) return 0x00FF00;  // green
    return std::nullopt;
}

namespace {

int32_t Raised(int32_t y) { return std::max(y, kTraceFloor); }

// A red segment (k - 1)..k of the samples, raised to the floor when zoomed.
void SampleSegment(const TraceView& v, int k, TraceSink& sink) {
    int32_t y1 = TraceLevelY(v.S(k - 1), v.bottom, v.zoom);
    int32_t y2 = TraceLevelY(v.S(k), v.bottom, v.zoom);
    if (v.zoom > 0) {
        y1 = Raised(y1);
        y2 = Raised(y2);
    }
    sink.Line(k - 1, y1, k, y2, kTraceRed);
}

}  // namespace

void PlanTraceStep(const TraceView& v, TraceSink& sink) {
    const int i = v.sampleIndex;
    // Positions read stay inside the window.
    if (i > v.windowLength) return;
    const std::optional<uint32_t> ref = ReferenceColour(v.phase);
    if (i > 5) {
        for (int j = i - 3; j <= i - 1; ++j) {
            SampleSegment(v, j, sink);
            if (ref && v.R(j) > 0)
                sink.Line(j - 1, TraceLevelY(v.R(j - 1), v.bottom, v.zoom), j, TraceLevelY(v.R(j), v.bottom, v.zoom),
                          *ref);
        }
    }
    if (i > 2) sink.FilledBox(i, 21, i + 6, 2048, kTraceWhite);
}

void PlanTraceRedraw(const TraceView& v, TraceSink& sink) {
    const int i = v.sampleIndex;
    const std::optional<uint32_t> ref = ReferenceColour(v.phase);
    for (int k = 1; k < v.windowLength; ++k) {
        if (k >= i - 1 && k <= i + 1) continue;
        if (v.zoom > 0) {
            const int32_t y3 = TraceLevelY(v.R(k - 1), v.bottom, v.zoom);
            const int32_t y4 = TraceLevelY(v.R(k), v.bottom, v.zoom);
            if (ref && y3 >= kTraceFloor && y4 >= kTraceFloor) sink.Line(k - 1, y3, k, y4, *ref);
        } else {
            sink.Line(k - 1, v.S(k - 1), k, v.S(k), kTraceRed);
            if (ref && v.R(k) >= kTraceFloor) sink.Line(k - 1, v.R(k - 1), k, v.R(k), *ref);
        }
    }
    if (i > 5 && i <= v.windowLength) {
        for (int k = 1; k <= i - 1; ++k) SampleSegment(v, k, sink);
        sink.FilledBox(i + 4, 21, i + 10, 2048, kTraceWhite);
    }
}

void ComputeTraceBottom(const int16_t* samples, int windowLength, int sampleIndex,
                        std::array<int16_t, kChannelSlots>& bottom) {
    if (windowLength < 5) return;
    const int last = std::min(sampleIndex, windowLength);
    // Position by position, so the window is read in its order.
    auto row = [&](int j) { return samples + static_cast<size_t>(j) * kChannelSlots; };
    std::copy(row(1), row(1) + kChannelSlots, bottom.begin());
    for (int j = 2; j <= 4; ++j)
        for (int c = 0; c < kChannelSlots; ++c) bottom[c] = std::min(bottom[c], row(j)[c]);
    for (int j = 5; j < last; ++j)
        for (int c = 0; c < kChannelSlots; ++c) bottom[c] = std::max(bottom[c], row(j)[c]);
}

}  // namespace vondrel
