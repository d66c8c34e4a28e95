// The live trace of one channel on Picreal, as plain computation: where a
// level is drawn at a zoom, which lines and erase bars a trace step and a
// whole redraw consist of, and the zoom reference level of every channel.
// The window draws what these plans hand to a TraceSink.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "acquisition/AcquisitionState.h"
#include "mainwindow/MainLayout.h"

namespace vondrel {

inline constexpr int kTraceZoomMax = 10;
// Height of a channel's reference level on a zoomed trace.
inline constexpr int kTraceZoomOrigin = 1750;
// The lowest height of a zoomed sample point.
inline constexpr int kTraceFloor = 6;

// Scale of Picreal set by Play when the trace is not zoomed:
// (0, 2309)-(rtBuffer + 20, 0).
PlotScale PlayTraceScale(int rtBuffer);

// Height of level v: v itself at zoom 0, else (v - bottom) * zoom + 1750
// computed in 32-bit integers.
int32_t TraceLevelY(int32_t v, int32_t bottom, int32_t zoom);

// Colour of the reference level in detection-interval phase 0 (blue) or 1
// (green); any other phase draws no reference level.
std::optional<uint32_t> ReferenceColour(int phase);

inline constexpr uint32_t kTraceRed = 0x0000FF;
inline constexpr uint32_t kTraceWhite = 0xFFFFFF;

// What the trace plans read: one channel of one station's sample window and
// lower band line, the write position, the zoom and the interval phase.
struct TraceView {
    const int16_t* samples = nullptr;  // (position, channel) at position * 385 + channel
    const int16_t* lower = nullptr;    // lower band line, (station, channel, position), station fastest
    int station = 0;                   // 0..3
    int channel = 0;                   // 0..384
    int windowLength = 0;              // samples per window
    int sampleIndex = 0;               // position of the next sample
    int32_t zoom = 0;
    int32_t bottom = 0;                // zoom reference level of the channel
    int phase = 0;                     // detection-interval phase

    int32_t S(int k) const { return samples[static_cast<size_t>(k) * kChannelSlots + static_cast<size_t>(channel)]; }
    int32_t R(int k) const {
        return lower[(static_cast<size_t>(k) * kChannelSlots + static_cast<size_t>(channel)) * kStations +
                     static_cast<size_t>(station)];
    }
};

// Receives the drawing of a plan, in Picreal's user scale.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t bgr) = 0;
    virtual void FilledBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t bgr) = 0;
};

// The incremental step: the last three segments before the write position in
// red with their reference segments (where the reference is above 0), then
// the white erase bar ahead of the write position.
void PlanTraceStep(const TraceView& v, TraceSink& sink);

// The whole plot after a clear: the older window left and right of a gap of
// three segments at the write position (at a zoom only its reference level),
// then the current window in red and its erase bar.
void PlanTraceRedraw(const TraceView& v, TraceSink& sink);

// Zoom reference of every channel 0..384 of a station's window: the smallest
// of samples 1 to 4, raised to any larger sample from 5 to sampleIndex - 1.
// Positions at or beyond windowLength are never read.
void ComputeTraceBottom(const int16_t* samples, int windowLength, int sampleIndex,
                        std::array<int16_t, kChannelSlots>& bottom);

}  // namespace vondrel
