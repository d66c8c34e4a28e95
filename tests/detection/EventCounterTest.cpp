// Event counting on hand-built windows. Every expected line value and event
// position below was worked out by hand from the window's envelope, level and
// band; the comments give the steps.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "detection/EventCounter.h"

using namespace vondrel;
using vondrel::testing::TempFolder;

namespace {

constexpr int kSlots = 385;          // channel slots of a station window
constexpr int kRunSamples = 501;     // a 500-sample run window holds positions 0..500
constexpr int16_t kCh = 17;          // channel under test; its neighbours must stay untouched
constexpr int16_t kUnwritten = 777;  // g_processed_sample entries the counter must not write

class Window {
public:
    explicit Window(int samples = kRunSamples) : levels_(static_cast<size_t>(kSlots) * samples, 0), samples_(samples) {
        // Neighbouring channels carry their own levels (spikes included), so a
        // stride mistake shows up as changed neighbours or a wrong count.
        for (int s = 0; s < samples_; ++s) {
            Set(kCh - 1, s, static_cast<int16_t>(s % 2 ? 4000 : 7));
            Set(kCh + 1, s, static_cast<int16_t>(3000 + s));
        }
    }
    void Set(int ch, int s, int16_t v) { levels_[static_cast<size_t>(s) * kSlots + ch] = v; }
    int16_t At(int ch, int s) const { return levels_[static_cast<size_t>(s) * kSlots + ch]; }
    void Fill(int ch, int16_t v) {
        for (int s = 0; s < samples_; ++s) Set(ch, s, v);
    }
    void Fill(int ch, const std::function<int16_t(int)>& level) {
        for (int s = 0; s < samples_; ++s) Set(ch, s, level(s));
    }
    SampleWindow View() { return {levels_, kSlots}; }
    const std::vector<int16_t>& Levels() const { return levels_; }

private:
    std::vector<int16_t> levels_;
    int samples_;
};

std::vector<int> Positions(const std::string& flags) {
    std::vector<int> at;
    for (size_t i = 0; i < flags.size(); ++i)
        if (flags[i] == '1') at.push_back(static_cast<int>(i));
    return at;
}

struct Outcome {
    int16_t count = -1;
    std::vector<int> marks;  // samples with g_sample_event_mark -1
    std::vector<int> flags;  // samples flagged "1" in the exported line
};

// Counts channel kCh with the export on, so that every case also checks the
// flags that leave the counter. Marks are cleared and the processed line is
// preset to kUnwritten first.
Outcome Count(Window& w, double threshold, int16_t method) {
    g_sample_event_mark.fill(0);
    g_processed_sample.fill(kUnwritten);
    TempFolder dir;
    Outcome out;
    out.count = CountEvents(w.View(), kCh, threshold, method, 1, dir.Path(), 0);
    for (int i = 0; i < kDetectionSlots; ++i) {
        if (g_sample_event_mark[i] == -1)
            out.marks.push_back(i);
        else
            EXPECT_EQ(g_sample_event_mark[i], 0) << "mark " << i;
    }
    const std::string file = dir.Read("ch17.raw");
    EXPECT_EQ(file.size(), 2u + 500u + 2u);
    EXPECT_EQ(file.substr(0, 2), "0 ");
    EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
    out.flags = Positions(file.substr(2, 500));
    return out;
}

std::string MethodName(int16_t m) { return "method " + std::to_string(m); }

// ---------------------------------------------------------------------------
// Flat windows

// A constant level c: both envelopes stay at c, the swing is 0, so T is 1 in
// both stages and the band (1.01 c) never clips. The lower line of methods 0
// and 1 starts at round(0.9825 x 1200) = 1179 and settles, by
// round((three previous + 1188) / 4), at 1186 from sample 12 on.
TEST(CountEvents, ConstantWindowLowerLineSettlesAndCountsNothing) {
    const std::vector<int16_t> line = {1179, 1179, 1179, 1179, 1181, 1182, 1182, 1183,
                                       1184, 1184, 1185, 1185, 1186, 1186, 1186, 1186};
    for (int16_t method : {kMethodGatedThreshold, kMethodThresholdAverage}) {
        SCOPED_TRACE(MethodName(method));
        Window w;
        w.Fill(kCh, 1200);
        const std::vector<int16_t> before = w.Levels();
        Outcome o = Count(w, 1.8, method);
        EXPECT_EQ(o.count, 0);
        EXPECT_TRUE(o.marks.empty());
        EXPECT_TRUE(o.flags.empty());
        for (size_t u = 0; u < line.size(); ++u) EXPECT_EQ(g_processed_sample[u], line[u]) << u;
        EXPECT_EQ(g_processed_sample[499], 1186);
        EXPECT_EQ(g_processed_sample[500], kUnwritten);
        EXPECT_EQ(w.Levels(), before);
    }
}

// Method 3 on a constant level: the line is round(c x threshold) throughout;
// the two-sample mean c lies under it from sample 1 on when that rounds above
// c, and the state never clears. 2 x 1.25 = 2.5 rounds to the even 2.
TEST(CountEvents, ConstantWindowThresholdLine) {
    struct Case {
        int16_t level;
        double threshold;
        int16_t line;
        std::vector<int> events;
    } cases[] = {
        {1000, 1.8, 1800, {1}},
        {2, 1.25, 2, {}},
        {2, 1.75, 4, {1}},
        {1000, 1.0, 1000, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.level) + " x " + std::to_string(c.threshold));
        Window w;
        w.Fill(kCh, c.level);
        Outcome o = Count(w, c.threshold, kMethodThresholdLine);
        EXPECT_EQ(o.count, static_cast<int16_t>(c.events.size()));
        EXPECT_EQ(o.marks, c.events);
        EXPECT_EQ(o.flags, c.events);
        for (int u : {0, 1, 3, 4, 250, 499}) EXPECT_EQ(g_processed_sample[u], c.line) << u;
    }
}

// Method 2 on a flat level: the level never leaves its running minimum, the
// mean difference is 0, and the line is 0 less the least jump of 5 on samples
// 1..499; sample 0 is not written.
TEST(CountEvents, FlatWindowMotilityWritesMinusLeastJump) {
    for (int16_t level : {int16_t{1000}, int16_t{0}}) {
        Window w;
        w.Fill(kCh, level);
        Outcome o = Count(w, 1.8, kMethodMotilityIndex);
        EXPECT_EQ(o.count, 0);
        EXPECT_TRUE(o.marks.empty());
        EXPECT_EQ(g_processed_sample[0], kUnwritten);
        for (int u : {1, 2, 250, 499}) EXPECT_EQ(g_processed_sample[u], -5) << u;
        EXPECT_EQ(g_processed_sample[500], kUnwritten);
    }
}

// A dark channel: level 0 gives T = threshold + 1, every line is 0, and no
// level lies strictly under 0.
TEST(CountEvents, AllZeroWindowCountsNothing) {
    for (int16_t method : {kMethodGatedThreshold, kMethodThresholdAverage, kMethodThresholdLine}) {
        SCOPED_TRACE(MethodName(method));
        Window w;
        Outcome o = Count(w, 1.8, method);
        EXPECT_EQ(o.count, 0);
        EXPECT_TRUE(o.flags.empty());
        for (int u : {0, 3, 4, 499}) EXPECT_EQ(g_processed_sample[u], 0) << u;
    }
}

// ---------------------------------------------------------------------------
// Methods 0 and 1: drops below the lower line.
//
// Base level 1200 with flat-bottomed dips to 0 (two samples each). Flat
// bottoms are no strict extremes, so the envelopes stay at 1200, the swing
// stays 0, T stays 1 and the lower line is 1186 from sample 12 on, whatever
// the dips do to the mean level.
TEST(CountEvents, LowerLineEdgeAndGatedCounting) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int16_t>> levels;  // (sample, level) over the 1200 base
        std::vector<int> edge;                        // method 1
        std::vector<int> gated;                       // method 0
    } cases[] = {
        {"single dip", {{100, 0}, {101, 0}}, {100}, {120}},
        {"dip on a gate", {{29, 0}, {30, 0}}, {29}, {30}},
        // The second sample of the dip falls into the next gate interval.
        {"dip across a gate", {{30, 0}, {31, 0}}, {30}, {30, 60}},
        {"two dips between gates", {{95, 0}, {96, 0}, {105, 0}, {106, 0}}, {95, 105}, {120}},
        {"dip before the last gate", {{470, 0}, {471, 0}}, {470}, {480}},
        {"dip after the last gate", {{485, 0}, {486, 0}}, {485}, {}},
        // Back up to exactly the line (1186) does not re-arm method 1, so the
        // second drop at 104 is not counted; one level above the line does.
        {"touch at the line",
         {{100, 0}, {101, 0}, {102, 1186}, {103, 1186}, {104, 0}, {105, 0}, {200, 0}, {201, 0}},
         {100, 200},
         {120, 210}},
        {"one above the line",
         {{100, 0}, {101, 0}, {102, 1187}, {103, 1187}, {104, 0}, {105, 0}, {200, 0}, {201, 0}},
         {100, 104, 200},
         {120, 210}},
        {"below the line but above zero", {{100, 1185}, {101, 1185}}, {100}, {120}},
        {"at the line", {{100, 1186}, {101, 1186}}, {}, {}},
    };
    for (const auto& c : cases) {
        for (int16_t method : {kMethodThresholdAverage, kMethodGatedThreshold}) {
            SCOPED_TRACE(std::string(c.name) + ", " + MethodName(method));
            Window w;
            w.Fill(kCh, 1200);
            for (auto [s, v] : c.levels) w.Set(kCh, s, v);
            Outcome o = Count(w, 1.8, method);
            const auto& expected = method == kMethodThresholdAverage ? c.edge : c.gated;
            EXPECT_EQ(o.count, static_cast<int16_t>(expected.size()));
            EXPECT_EQ(o.marks, expected);
            EXPECT_EQ(o.flags, expected);
            EXPECT_EQ(g_processed_sample[100], 1186);
        }
    }
}

// A one-sample dip to 0 on a flat 1000 is a strict minimum: it pins the
// lower envelope at 0 for the rest of the window. Early in the window that
// makes the swing round(399 x 1000 / 497) = 803 against a level of 998, so
// T = (803 / 998) x 180 + 1 = 145.8 and the lower line settles near
// 1000 x (100 - 145.8) / 100 = -458: the dip is not below it. Late in the
// window the swing is only round(9 x 1000 / 497) = 18, T = 4.2, the line
// near 958, and method 1 counts the dip; method 0 has no gate after 480.
TEST(CountEvents, LoneDipPinsTheLowerEnvelope) {
    struct Case {
        int at;
        std::vector<int> edge, gated;
    } cases[] = {{100, {}, {}}, {490, {490}, {}}};
    for (const auto& c : cases) {
        for (int16_t method : {kMethodThresholdAverage, kMethodGatedThreshold}) {
            SCOPED_TRACE("dip at " + std::to_string(c.at) + ", " + MethodName(method));
            Window w;
            w.Fill(kCh, 1000);
            w.Set(kCh, c.at, 0);
            Outcome o = Count(w, 1.8, method);
            EXPECT_EQ(o.marks, method == kMethodThresholdAverage ? c.edge : c.gated);
            if (c.at == 100) {
                EXPECT_LT(g_processed_sample[100], 0);
            }
        }
    }
}

// Marks accumulate: the counter sets entries and never clears them.
TEST(CountEvents, MarksAreNeverCleared) {
    Window w;
    w.Fill(kCh, 1200);
    w.Set(kCh, 100, 0);
    w.Set(kCh, 101, 0);
    g_sample_event_mark.fill(0);
    g_sample_event_mark[7] = -1;
    EXPECT_EQ(CountEvents(w.View(), kCh, 1.8, kMethodThresholdAverage, 0, "", 0), 1);
    EXPECT_EQ(g_sample_event_mark[7], -1);
    EXPECT_EQ(g_sample_event_mark[100], -1);
}

// ---------------------------------------------------------------------------
// Method 2: runs of the ten-sample mean difference.
//
// Base: samples 0 and 1 at 1100, the rest at 1000, with bumps at 1000 + X
// whose edges and tops are flat or monotone, so there are no strict extremes:
// the stage-A envelope holds 1100 (band 1111, nothing clipped), the stage-B
// swing is 0 (least jump J = 5), and every 50-sample window holds a 1000, so
// the smoothed minimum is exactly 1000 and D(y) = (X(y) + .. + X(y+9)) / 10.
// The start gives D = 20, 10, 0: two falling steps that count nothing.
//
// A bump with one-step edges makes D rise for ten steps, but the first step
// only turns the walk (run 0), so the run reaches 9: nothing. Each extra edge
// step lengthens the run by one; the event comes on the step where the run is
// 10, and again on an equal step while it is 10.
TEST(CountEvents, MotilityRuns) {
    std::vector<int> flat_tail = {201};  // a run of 10 that ends on a flat keeps counting
    for (int m = 212; m < 500; ++m) flat_tail.push_back(m);
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> bump;  // (sample, X)
        std::vector<int> events;
        int at = 0;        // a sample whose line value is checked
        int16_t line = 0;  // round(D(at) - 5)
    } cases[] = {
        // D rises 6, 12, .., 60 over 192..201 and falls over 202..211.
        {"one-step edges: ten steps each way",
         {{201, 60}, {202, 60}, {203, 60}, {204, 60}, {205, 60}, {206, 60}, {207, 60}, {208, 60}, {209, 60},
          {210, 60}},
         {}, 201, 55},
        // Rises over 191..201: R = round(D(191)) = 3, run 10 at 201 with
        // D = 60. Falls over 202..213: R = 57, run 10 at 212 with D = 1.5,
        // run 11 at 213 and on the flat after it.
        {"two-step rising edge: eleven steps",
         {{200, 30}, {201, 60}, {202, 60}, {203, 60}, {204, 60}, {205, 60}, {206, 60}, {207, 60}, {208, 60},
          {209, 60}, {210, 60}, {211, 30}, {212, 15}},
         {201, 212}, 191, -2},
        // Twelve rising steps: the run is 10 on the eleventh (D(200) = 57,
        // R = round(1.5) = 2) and 11 on the twelfth, which counts nothing.
        {"three-step edges: twelve steps",
         {{199, 15}, {200, 30}, {201, 60}, {202, 60}, {203, 60}, {204, 60}, {205, 60}, {206, 60}, {207, 60},
          {208, 60}, {209, 60}, {210, 60}, {211, 30}, {212, 15}},
         {200, 212}, 190, -4},
        // A top one sample longer: D(202) = D(201) = 60 while the run is 10.
        {"equal step at run 10",
         {{200, 30}, {201, 60}, {202, 60}, {203, 60}, {204, 60}, {205, 60}, {206, 60}, {207, 60}, {208, 60},
          {209, 60}, {210, 60}, {211, 60}, {212, 30}, {213, 15}},
         {201, 202, 213}, 202, 55},
        // Eleven falling steps end on D = 0 with the run at 10; every equal
        // step after that counts again, 212..499.
        {"run of 10 ending on a flat",
         {{200, 30}, {201, 60}, {202, 60}, {203, 60}, {204, 60}, {205, 60}, {206, 60}, {207, 60}, {208, 60},
          {209, 60}, {210, 60}, {211, 30}},
         flat_tail, 212, -5},
        // Height 6: |0 - 6| at 201 and |6 - 0.1| at 212 exceed J = 5.
        {"jump above J",
         {{200, 3}, {201, 6}, {202, 6}, {203, 6}, {204, 6}, {205, 6}, {206, 6}, {207, 6}, {208, 6}, {209, 6},
          {210, 6}, {211, 3}, {212, 1}},
         {201, 212}, 201, 1},
        // Height 5: |0 - 5| and then |5 - 0| equal J: nothing, not even on
        // the flat after the falling run of 10.
        {"jump equal to J",
         {{200, 2}, {201, 5}, {202, 5}, {203, 5}, {204, 5}, {205, 5}, {206, 5}, {207, 5}, {208, 5}, {209, 5},
          {210, 5}, {211, 2}},
         {}, 201, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        w.Fill(kCh, 1000);
        w.Set(kCh, 0, 1100);
        w.Set(kCh, 1, 1100);
        for (auto [s, x] : c.bump) w.Set(kCh, s, static_cast<int16_t>(1000 + x));
        const std::vector<int16_t> before = w.Levels();
        Outcome o = Count(w, 1.8, kMethodMotilityIndex);
        EXPECT_EQ(o.count, static_cast<int16_t>(c.events.size()));
        EXPECT_EQ(o.flags, c.events);
        EXPECT_TRUE(o.marks.empty()) << "method 2 sets no marks";
        EXPECT_EQ(g_processed_sample[0], kUnwritten);
        EXPECT_EQ(g_processed_sample[1], 5);  // D(1) = 10
        EXPECT_EQ(g_processed_sample[c.at], c.line);
        EXPECT_EQ(w.Levels(), before);
    }
}

// The walk starts falling with reference 0: a level sliding down from 1100 by
// 5 per sample to the 1000 base at sample 20 falls for twenty steps from
// sample 1, and the tenth step counts, D(10) = 27.5 being more than 5 from 0.
// (The envelope holds w(1) = 1095, band round(1.01 x 1095) = 1106: no clip.)
TEST(CountEvents, MotilityFallingRunFromTheStart) {
    Window w;
    w.Fill(kCh, [](int s) { return static_cast<int16_t>(s <= 20 ? 1100 - 5 * s : 1000); });
    Outcome o = Count(w, 1.8, kMethodMotilityIndex);
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(o.flags, std::vector<int>{10});
    EXPECT_EQ(g_processed_sample[10], 22);  // round(27.5 - 5)
    EXPECT_EQ(w.At(kCh, 0), 1100);
}

// ---------------------------------------------------------------------------
// Levels and thresholds that overflow 16-bit intermediates.

// A lone 4095 peak at sample 250 on a dark channel, threshold 2. Stage A:
// level round(4095 / 497) = 8, swing round(249 x 4095 / 497) = 2052, so
// T = (1 + 2044 / 8) x 200 + 1 = 51301. Up to sample 250 the envelope mean
// is 0 and so is the band: the peak is lowered to 0. After it the band
// reaches 39450 at sample 252 (beyond 16 bits) but clips nothing. The
// window is then all 0 and no method counts.
TEST(CountEvents, LonePeakOnDarkChannelIsClippedWithoutOverflow) {
    for (int16_t method : {kMethodGatedThreshold, kMethodThresholdAverage, kMethodMotilityIndex,
                           kMethodThresholdLine}) {
        SCOPED_TRACE(MethodName(method));
        Window w;
        w.Set(kCh, 250, 4095);
        Outcome o = Count(w, 2.0, method);
        EXPECT_EQ(o.count, 0);
        for (int s = 0; s < kRunSamples; ++s) ASSERT_EQ(w.At(kCh, s), 0) << s;
    }
}

// Levels alternating 1100 (even samples) and 3000 (odd) at SNR 5. Stage B:
// U = 1100 at 0..2 and 3000 after, L = 1100; swing round(496 x 1900 / 497)
// = 1896, level round(1017900 / 497) = 2048, T = (1896 / 2048) x 500 + 1 =
// 463.890625. Envelope means 2873, 2937, 3000, ... The lower line starts at
// round(-7.1180859375 x m30): -20450, -20906, -21354, -21354; the sum of the
// three earlier values, -63614, is beyond 16 bits; then
// round((-63614 - 10916.71875) / 4) = -18633 and -18064.
// Method 3's line round(5 x m30): 14365, 14685, 15000, 15000, then
// round((44685 + 15000) / 4) = 14921; the mean 2050 lies under it from
// sample 1 on.
TEST(CountEvents, HighSnrLineSumsDoNotOverflow) {
    struct Case {
        int16_t method;
        std::vector<int> events;
        std::vector<int16_t> line;
    } cases[] = {
        {kMethodGatedThreshold, {}, {-20450, -20906, -21354, -21354, -18633, -18064}},
        {kMethodThresholdAverage, {}, {-20450, -20906, -21354, -21354, -18633, -18064}},
        {kMethodThresholdLine, {1}, {14365, 14685, 15000, 15000, 14921}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(MethodName(c.method));
        Window w;
        w.Fill(kCh, [](int s) { return static_cast<int16_t>(s % 2 ? 3000 : 1100); });
        const std::vector<int16_t> before = w.Levels();
        Outcome o = Count(w, 5.0, c.method);
        EXPECT_EQ(o.count, static_cast<int16_t>(c.events.size()));
        EXPECT_EQ(o.marks, c.events);
        for (size_t u = 0; u < c.line.size(); ++u) EXPECT_EQ(g_processed_sample[u], c.line[u]) << u;
        EXPECT_EQ(w.Levels(), before) << "the band (about 16946) clips nothing";
    }
}

// Method 3 with envelope mean x SNR = 15000: three line values sum to 45000.
TEST(CountEvents, ThresholdLineAboveSixteenBitSums) {
    Window w;
    w.Fill(kCh, 3000);
    Outcome o = Count(w, 5.0, kMethodThresholdLine);
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(o.marks, std::vector<int>{1});
    for (int u : {0, 4, 5, 499}) EXPECT_EQ(g_processed_sample[u], 15000) << u;
}

// Levels outside the instrument's 12 bits (a damaged raw file) and absurd
// thresholds still give a count; lines that no longer fit 16 bits are held at
// the nearest limit in the processed line.
TEST(CountEvents, OutOfRangeInputIsHeldAtTheLimits) {
    {
        // Full-scale alternation: the envelope mean is 32767, the method-3
        // line 32767 x 1e300.
        Window w;
        w.Fill(kCh, [](int s) { return static_cast<int16_t>(s % 2 ? 32767 : -32768); });
        EXPECT_NO_THROW(Count(w, 1e300, kMethodThresholdLine));
        EXPECT_EQ(g_processed_sample[250], INT16_MAX);
        for (int16_t method : {kMethodGatedThreshold, kMethodThresholdAverage, kMethodMotilityIndex}) {
            SCOPED_TRACE(MethodName(method));
            EXPECT_NO_THROW(Count(w, 5.0, method));
        }
    }
    {
        // Swing below the level with threshold 1e300: T is about 9e301 and
        // the lower line far below -32768.
        Window w;
        w.Fill(kCh, [](int s) { return static_cast<int16_t>(s % 2 ? 3000 : 1100); });
        Outcome o = Count(w, 1e300, kMethodThresholdAverage);
        EXPECT_EQ(o.count, 0);
        EXPECT_EQ(g_processed_sample[0], INT16_MIN);
        EXPECT_EQ(g_processed_sample[499], INT16_MIN);
    }
}

// ---------------------------------------------------------------------------
// Clipping of the caller's window.

// Dark channel [102, 100, 0, ...] with threshold 0.5: level 0, so T = 1.5;
// the envelope holds 100, and the band at sample 0 is round((1.5 + 100) / 100
// x 100) = round(101.49999999999999) = 101 (computed in the other order,
// (T + 100) x 100 / 100 = 101.5, it would be 102 and clip nothing). Sample 0
// is lowered to 101; nothing else changes, in this channel or any other.
TEST(CountEvents, LevelAboveTheBandIsLoweredInPlace) {
    for (int16_t method : {kMethodGatedThreshold, kMethodThresholdAverage, kMethodMotilityIndex,
                           kMethodThresholdLine, int16_t{4}, int16_t{-1}}) {
        SCOPED_TRACE(MethodName(method));
        Window w;
        w.Set(kCh, 0, 102);
        w.Set(kCh, 1, 100);
        std::vector<int16_t> expected = w.Levels();
        expected[kCh] = 101;
        Count(w, 0.5, method);
        EXPECT_EQ(w.Levels(), expected);
    }
}

// The counting of the same call sees the lowered level. [1100, 1000, 1000,
// 0, ...] with threshold 1.02: swing 0, T = 1, band round(1.01 x 1000) =
// 1010, so sample 0 becomes 1010. Method 3's line is round(1000 x 1.02) =
// 1020: the mean of samples 0 and 1 is 1005 (not 1050), under the line, so
// the event is at sample 1 and not 2.
TEST(CountEvents, CountingSeesTheLoweredLevels) {
    Window w;
    w.Set(kCh, 0, 1100);
    w.Set(kCh, 1, 1000);
    w.Set(kCh, 2, 1000);
    Outcome o = Count(w, 1.02, kMethodThresholdLine);
    EXPECT_EQ(w.At(kCh, 0), 1010);
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(o.marks, std::vector<int>{1});
    EXPECT_EQ(g_processed_sample[1], 1020);
}

// Any other method value runs the stages only: the window is still clipped,
// the count is 0, the result arrays are untouched and the exported flags are
// all "0".
TEST(CountEvents, OtherMethodValuesCountNothing) {
    for (int16_t method : {int16_t{4}, int16_t{-1}, int16_t{100}}) {
        SCOPED_TRACE(MethodName(method));
        Window w;
        w.Set(kCh, 0, 102);
        w.Set(kCh, 1, 100);
        Outcome o = Count(w, 0.5, method);
        EXPECT_EQ(o.count, 0);
        EXPECT_TRUE(o.marks.empty());
        EXPECT_TRUE(o.flags.empty());
        for (int i = 0; i < kDetectionSlots; ++i) ASSERT_EQ(g_processed_sample[i], kUnwritten) << i;
        EXPECT_EQ(w.At(kCh, 0), 101);
    }
}

// ---------------------------------------------------------------------------
// The exported event flag line.

TEST(CountEvents, ExportAppendsOneLinePerCall) {
    TempFolder dir;
    Window w;
    w.Fill(5, 1200);
    w.Set(5, 100, 0);
    w.Set(5, 101, 0);
    EXPECT_EQ(CountEvents(w.View(), 5, 1.8, kMethodThresholdAverage, 1, dir.Path(), 1440), 1);
    EXPECT_EQ(CountEvents(w.View(), 5, 1.8, kMethodThresholdAverage, 1, dir.Path(), -7), 1);
    std::string flags(500, '0');
    flags[100] = '1';
    EXPECT_EQ(dir.Read("ch5.raw"), "1440 " + flags + "\r\n-7 " + flags + "\r\n");
}

TEST(CountEvents, ExportOnlyWithFlagOne) {
    for (int32_t flag : {0, 2, -1}) {
        TempFolder dir;
        Window w;
        w.Fill(kCh, 1200);
        EXPECT_EQ(CountEvents(w.View(), kCh, 1.8, kMethodThresholdAverage, flag, dir.Path(), 3), 0);
        EXPECT_FALSE(dir.Exists("ch17.raw")) << flag;
    }
}

// A failed export is reported after the counting: the results are in place.
TEST(CountEvents, ExportFailureIsRaisedAfterTheResults) {
    TempFolder dir;
    Window w;
    w.Fill(kCh, 1200);
    w.Set(kCh, 100, 0);
    w.Set(kCh, 101, 0);
    g_sample_event_mark.fill(0);
    g_processed_sample.fill(kUnwritten);
    EXPECT_THROW(CountEvents(w.View(), kCh, 1.8, kMethodThresholdAverage, 1, dir / "missing", 0), EventFileError);
    EXPECT_EQ(g_sample_event_mark[100], -1);
    EXPECT_EQ(g_processed_sample[100], 1186);
}

// ---------------------------------------------------------------------------
// Arguments outside the window: raised before anything changes.

TEST(CountEvents, RangeErrorsChangeNothing) {
    struct Case {
        const char* name;
        int samples;
        int16_t channel;
        double threshold;
    } cases[] = {
        {"channel below 0", kRunSamples, -1, 1.8},
        {"channel past the slots", kRunSamples, kSlots, 1.8},
        {"window of 499 samples", 499, kCh, 1.8},
        {"threshold not a number", kRunSamples, kCh, std::numeric_limits<double>::quiet_NaN()},
        {"infinite threshold", kRunSamples, kCh, std::numeric_limits<double>::infinity()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        Window w(c.samples);
        w.Set(kCh, 0, 102);  // would be clipped
        w.Set(kCh, 1, 100);
        const std::vector<int16_t> before = w.Levels();
        g_sample_event_mark.fill(0);
        g_processed_sample.fill(kUnwritten);
        EXPECT_THROW(CountEvents(w.View(), c.channel, c.threshold, kMethodThresholdAverage, 1, dir.Path(), 0),
                     DetectionRangeError);
        EXPECT_EQ(w.Levels(), before);
        for (int i = 0; i < kDetectionSlots; ++i) ASSERT_EQ(g_processed_sample[i], kUnwritten);
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "no event file";
    }
}

}  // namespace
