// The live trace as plain computation: level mapping, the lines and erase
// bars of a step and of a whole redraw, and the zoom references.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "mainwindow/TracePlot.h"

namespace vondrel {
namespace {

constexpr uint32_t kBlue = 0xFF0000, kGreen = 0x00FF00;

struct Drawn {
    bool box;
    int32_t x1, y1, x2, y2;
    uint32_t colour;
    bool operator==(const Drawn&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Drawn& d) {
    return os << (d.box ? "box" : "line") << "(" << d.x1 << "," << d.y1 << ")-(" << d.x2 << "," << d.y2 << ") #"
              << std::hex << d.colour << std::dec;
}

class Recorder : public TraceSink {
public:
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t c) override {
        drawn.push_back({false, x1, y1, x2, y2, c});
    }
    void FilledBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t c) override {
        drawn.push_back({true, x1, y1, x2, y2, c});
    }
    std::vector<Drawn> Of(uint32_t colour) const {
        std::vector<Drawn> out;
        for (const Drawn& d : drawn)
            if (d.colour == colour) out.push_back(d);
        return out;
    }
    std::vector<Drawn> drawn;
};

// A window of 20 samples; channel 7 of station 2 (index 1) is drawn, its
// neighbours hold other values so a wrong index shows.
class TraceFixture : public ::testing::Test {
protected:
    static constexpr int kN = 20, kCh = 7, kSt = 1;
    TraceFixture() : samples(kN * kChannelSlots, 999), lower((kN + 1) * kChannelSlots * kStations, 999) {}
    void SetSample(int k, int v) { samples[k * kChannelSlots + kCh] = static_cast<int16_t>(v); }
    void SetRef(int k, int v) { lower[(k * kChannelSlots + kCh) * kStations + kSt] = static_cast<int16_t>(v); }
    TraceView View(int index, int zoom = 0, int bottom = 0, int phase = 0) {
        TraceView v;
        v.samples = samples.data();
        v.lower = lower.data();
        v.station = kSt;
        v.channel = kCh;
        v.windowLength = kN;
        v.sampleIndex = index;
        v.zoom = zoom;
        v.bottom = bottom;
        v.phase = phase;
        return v;
    }
    // Sample k at 100 + k, reference 0 everywhere.
    void Ramp() {
        for (int k = 0; k < kN; ++k) {
            SetSample(k, 100 + k);
            SetRef(k, 0);
        }
    }
    std::vector<int16_t> samples, lower;
};

TEST(TraceMapping, LevelsAtZoomAndPlayScale) {
    EXPECT_EQ(TraceLevelY(1234, 500, 0), 1234);
    EXPECT_EQ(TraceLevelY(800, 790, 3), 1780);
    EXPECT_EQ(TraceLevelY(700, 790, 10), 850);
    // 32-bit: the product leaves the 16-bit range without wrapping.
    EXPECT_EQ(TraceLevelY(32767, -32768, 10), 657100);
    EXPECT_EQ(ReferenceColour(0), kBlue);
    EXPECT_EQ(ReferenceColour(1), kGreen);
    EXPECT_FALSE(ReferenceColour(2).has_value());
    PlotScale s = PlayTraceScale(500);
    EXPECT_EQ(std::make_tuple(s.x1, s.y1, s.x2, s.y2), std::make_tuple(0.0, 2309.0, 520.0, 0.0));
}

TEST_F(TraceFixture, StepDrawsNothingEarlyThenOnlyTheBarThenThreeSegments) {
    Ramp();
    for (int i : {0, 1, 2}) {
        Recorder r;
        PlanTraceStep(View(i), r);
        EXPECT_TRUE(r.drawn.empty()) << i;
    }
    for (int i : {3, 4, 5}) {
        Recorder r;
        PlanTraceStep(View(i), r);
        EXPECT_EQ(r.drawn, (std::vector<Drawn>{{true, i, 21, i + 6, 2048, kTraceWhite}})) << i;
    }
    Recorder r;
    PlanTraceStep(View(10), r);
    EXPECT_EQ(r.drawn, (std::vector<Drawn>{{false, 6, 106, 7, 107, kTraceRed},
                                           {false, 7, 107, 8, 108, kTraceRed},
                                           {false, 8, 108, 9, 109, kTraceRed},
                                           {true, 10, 21, 16, 2048, kTraceWhite}}));
}

TEST_F(TraceFixture, ZoomedPointsBelowTheFloorAreRaisedButReferencesAreNot) {
    Ramp();
    SetSample(8, 50);  // (50 - 100) * 2 + 1750 = 1650
    SetSample(7, -900);  // (-900 - 100) * 2 + 1750 = -250: raised to 6
    SetRef(7, -900);
    SetRef(8, 100);
    Recorder r;
    PlanTraceStep(View(9, 2, 100), r);
    const std::vector<Drawn> red = r.Of(kTraceRed);
    ASSERT_EQ(red.size(), 3u);
    EXPECT_EQ(red[0], (Drawn{false, 5, 1760, 6, 1762, kTraceRed}));
    EXPECT_EQ(red[1], (Drawn{false, 6, 1762, 7, 6, kTraceRed}));
    EXPECT_EQ(red[2], (Drawn{false, 7, 6, 8, 1650, kTraceRed}));
    // The step draws the reference segment ending at 8 (r(8) > 0) with its
    // low end unraised; the redraw leaves out both segments touching it.
    EXPECT_EQ(r.Of(kBlue), (std::vector<Drawn>{{false, 7, -250, 8, 1750, kBlue}}));
    Recorder full;
    PlanTraceRedraw(View(9, 2, 100), full);
    for (const Drawn& d : full.Of(kBlue)) EXPECT_TRUE(d.x2 != 7 && d.x2 != 8) << d;
    // At a zoom the older part shows the reference level only.
    for (const Drawn& d : full.Of(kTraceRed)) EXPECT_LE(d.x2, 8) << d;
}

TEST_F(TraceFixture, ReferenceThresholdsOfStepAndRedraw) {
    Ramp();
    // References 0, 3 and 6 at positions 7, 8 and 9.
    SetRef(6, 6);
    SetRef(7, 0);
    SetRef(8, 3);
    SetRef(9, 6);
    Recorder step;
    PlanTraceStep(View(10), step);
    EXPECT_EQ(step.Of(kBlue), (std::vector<Drawn>{{false, 7, 0, 8, 3, kBlue}, {false, 8, 3, 9, 6, kBlue}}));
    // Write position 15: positions 7..9 lie in the older part at zoom 0.
    Recorder full;
    PlanTraceRedraw(View(15), full);
    EXPECT_EQ(full.Of(kBlue), (std::vector<Drawn>{{false, 5, 0, 6, 6, kBlue}, {false, 8, 3, 9, 6, kBlue}}));
}

TEST_F(TraceFixture, PhaseChoosesTheReferenceColour) {
    Ramp();
    for (int k = 0; k < kN; ++k) SetRef(k, 500);
    for (auto [phase, colour, count] : {std::tuple{0, kBlue, 3u}, {1, kGreen, 3u}, {2, kGreen, 0u}}) {
        Recorder r;
        PlanTraceStep(View(10, 0, 0, phase), r);
        EXPECT_EQ(r.Of(colour).size(), count) << phase;
        EXPECT_EQ(r.Of(kTraceRed).size(), 3u);
        if (phase == 2) {
            EXPECT_TRUE(r.Of(kBlue).empty());
        }
    }
}

TEST_F(TraceFixture, RedrawLeavesAGapAtTheWritePositionAndDrawsTheCurrentWindow) {
    Ramp();
    Recorder r;
    PlanTraceRedraw(View(10), r);
    // Older part: every segment k = 1..19 but 9, 10 and 11; then the current
    // window 1..9 again and its bar.
    std::vector<Drawn> expected;
    for (int k = 1; k < kN; ++k)
        if (k < 9 || k > 11) expected.push_back({false, k - 1, 99 + k, k, 100 + k, kTraceRed});
    for (int k = 1; k <= 9; ++k) expected.push_back({false, k - 1, 99 + k, k, 100 + k, kTraceRed});
    expected.push_back({true, 14, 21, 20, 2048, kTraceWhite});
    EXPECT_EQ(r.drawn, expected);
    // Early in the window only the older part is drawn.
    Recorder early;
    PlanTraceRedraw(View(4), early);
    for (const Drawn& d : early.drawn) EXPECT_FALSE(d.box);
}

TEST(TraceReferences, SmallestOfTheFirstFourRaisedByLaterSamples) {
    constexpr int n = 12;
    std::vector<int16_t> w(n * kChannelSlots, 0);
    auto set = [&](int ch, std::vector<int> values) {
        for (size_t k = 0; k < values.size(); ++k) w[k * kChannelSlots + ch] = static_cast<int16_t>(values[k]);
    };
    // Sample 0 is never read; channel 384 (the last slot) works like the others.
    set(3, {10, 800, 790, 810, 805, 700, 785, 790, 850, 0, 0, 0});
    set(384, {5000, 40, 30, 20, 10, 5, 6, 7, 8, 9, 11, 12});
    std::array<int16_t, kChannelSlots> bottom{};
    for (auto [index, at3, at384] : {std::tuple{3, 790, 10}, {5, 790, 10}, {8, 790, 10}, {9, 850, 10}, {12, 850, 12}}) {
        bottom.fill(-1);
        ComputeTraceBottom(w.data(), n, index, bottom);
        EXPECT_EQ(bottom[3], at3) << index;
        EXPECT_EQ(bottom[384], at384) << index;
        EXPECT_EQ(bottom[100], 0);
    }
    // A write position beyond the window reads no further than its end.
    ComputeTraceBottom(w.data(), n, 400, bottom);
    EXPECT_EQ(bottom[384], 12);
}

}  // namespace
}  // namespace vondrel
