// Peak-interval histogram on hand-built windows.
//
// A dip at sample k is the V shape 950, 900, 850, 900, 950 at k-2..k+2 on a
// 1000 base. Its five-sample mean is 990, 970, 940, 920, 910 (at k), 920, ...
// so it is 90 deep at k and 80 deep beside it: with a least depth t the
// depth curve peaks strictly at k as long as t < 90.

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

#include "detection/PeakIntervalHistogram.h"

using namespace vondrel;

namespace {

constexpr int kSlots = 385;
constexpr int kSamples = 501;
constexpr int16_t kCh = 40;
constexpr int16_t kUntouched = 7;

struct Window {
    std::vector<int16_t> levels = std::vector<int16_t>(static_cast<size_t>(kSlots) * kSamples, 0);
    Window() {
        for (int s = 0; s < kSamples; ++s) {
            Set(kCh, s, 1000);
            Set(kCh + 1, s, static_cast<int16_t>(s % 2 ? 3000 : 0));  // a neighbour full of dips
        }
    }
    void Set(int ch, int s, int16_t v) { levels[static_cast<size_t>(s) * kSlots + ch] = v; }
    void Dip(int k, int scale = 1) {
        const int16_t depth[] = {50, 100, 150, 100, 50};
        for (int j = -2; j <= 2; ++j) Set(kCh, k + j, static_cast<int16_t>(1000 - scale * depth[j + 2]));
    }
    void Bump(int k) {
        const int16_t height[] = {50, 100, 150, 100, 50};
        for (int j = -2; j <= 2; ++j) Set(kCh, k + j, static_cast<int16_t>(1000 + height[j + 2]));
    }
    ConstSampleWindow View() const { return {levels, kSlots}; }
};

// Classes 0..49 preset to garbage, class 50 to kUntouched.
std::array<int16_t, 51> Histogram(const Window& w, double threshold) {
    std::array<int16_t, 51> h;
    h.fill(-3);
    h[50] = kUntouched;
    EXPECT_EQ(PeakIntervalHistogram(w.View(), kCh, h, threshold), 1);
    EXPECT_EQ(h[50], kUntouched);
    return h;
}

std::vector<int> Counted(const std::array<int16_t, 51>& h) {
    std::vector<int> classes;  // each class repeated by its count
    for (int d = 0; d < 50; ++d)
        for (int n = 0; n < h[d]; ++n) classes.push_back(d);
    return classes;
}

TEST(PeakIntervalHistogram, FlatWindowClearsTheClasses) {
    Window w;
    auto h = Histogram(w, 1.8);
    for (int d = 0; d < 50; ++d) EXPECT_EQ(h[d], 0) << d;
}

TEST(PeakIntervalHistogram, DipDistances) {
    struct Case {
        const char* name;
        std::vector<int> dips;
        double threshold;
        std::vector<int> classes;
    } cases[] = {
        {"first dip measured from sample 0", {12}, 1.8, {12}},
        {"two dips", {12, 40}, 1.8, {12, 28}},
        {"49 apart counts", {12, 61}, 1.8, {12, 49}},
        {"50 apart does not", {12, 62}, 1.8, {12}},
        // 100 is 88 after 12 (not counted) but still the start of the next.
        {"far dip restarts the distance", {12, 100, 130}, 1.8, {12, 30}},
        {"far first dip", {60}, 1.8, {}},
        {"several equal distances", {20, 40, 60, 80}, 1.8, {20, 20, 20, 20}},
        // The least depth is rounded half to even: 88.5 -> 88 leaves 2 of the
        // 90, 89.5 -> 90 leaves nothing.
        {"dip deeper than the least depth", {40}, 88.5, {40}},
        {"dip not deeper than the least depth", {40}, 89.5, {}},
        {"dip far shallower than the least depth", {40}, 100.0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        for (int k : c.dips) w.Dip(k);
        EXPECT_EQ(Counted(Histogram(w, c.threshold)), c.classes);
    }
}

// The depth is measured below the last peak of the smoothed signal: after a
// bump at 20 (smoothed peak 1090) the dip at 40 is 180 deep and passes a least
// depth of 100 that it fails on the flat base.
TEST(PeakIntervalHistogram, DepthBelowTheLastPeak) {
    Window w;
    w.Bump(20);
    w.Dip(40);
    EXPECT_EQ(Counted(Histogram(w, 100.0)), std::vector<int>{40});
}

TEST(PeakIntervalHistogram, RangeErrors) {
    Window w;
    std::array<int16_t, 50> classes{};
    std::array<int16_t, 49> short_table{};
    EXPECT_THROW(PeakIntervalHistogram(w.View(), -1, classes, 1.8), DetectionRangeError);
    EXPECT_THROW(PeakIntervalHistogram(w.View(), kSlots, classes, 1.8), DetectionRangeError);
    EXPECT_THROW(PeakIntervalHistogram(w.View(), kCh, short_table, 1.8), DetectionRangeError);
    EXPECT_THROW(PeakIntervalHistogram(w.View(), kCh, classes, std::numeric_limits<double>::quiet_NaN()),
                 DetectionRangeError);
    std::vector<int16_t> short_window(static_cast<size_t>(kSlots) * 499, 0);
    EXPECT_THROW(PeakIntervalHistogram(ConstSampleWindow(short_window, kSlots), kCh, classes, 1.8),
                 DetectionRangeError);
    EXPECT_EQ(PeakIntervalHistogram(w.View(), kCh, classes, 1.8), 1);  // exactly 50 classes is enough
}

}  // namespace
