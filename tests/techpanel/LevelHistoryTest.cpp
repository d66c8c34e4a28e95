#include <gtest/gtest.h>

#include <algorithm>

#include "device/ReplyFormats.h"
#include "techpanel/LevelHistory.h"
#include "techpanel/TraceSegments.h"

namespace vondrel::techpanel {
namespace {

BlockValues Values(int base) {
    BlockValues v{};
    for (int i = 0; i < kBlockValues; ++i) v[static_cast<size_t>(i)] = base + i;
    return v;
}

TEST(LevelHistorySpread, ParityBlocksFillEvenChannelsAndClearOdd) {
    LevelHistory h;
    for (int ch = 0; ch < 384; ++ch) h.SetLevel(4, ch, 999);
    for (int o = 0; o < 64; o += 8) h.StoreParityBlock(4, o, Values(1000 + o));
    BlockValues neg = Values(0);
    neg[0] = -1;
    h.StoreParityBlock(5, 0, neg);
    EXPECT_EQ(h.Level(5, 0), 0);  // a missing value is 0
    for (int o = 0; o < 64; o += 8)
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 3; ++j) {
                EXPECT_EQ(h.Level(4, 2 * o + 2 * i + 128 * j), 1000 + o + 3 * i + j);
                EXPECT_EQ(h.Level(4, 2 * o + 2 * i + 1 + 128 * j), 0);
            }
}

TEST(LevelHistorySpread, WordBlocksOfTheTwin) {
    LevelHistory h;
    h.StoreWordBlock(0, 64, Values(10));
    EXPECT_EQ(h.Level(0, 64), 10);        // k 0, j 0
    EXPECT_EQ(h.Level(0, 64 + 128), 11);  // k 0, j 1
    EXPECT_EQ(h.Level(0, 64 + 31 + 256), 10 + 95);
}

TEST(LevelHistoryPeak, FromTheTwelfthSampleAndAcrossTheWrap) {
    LevelHistory h;
    const auto threshold = [](int) { return 10.0; };
    for (int n = 0; n < 11; ++n) {
        h.SetLevel(h.slot, 0, static_cast<int16_t>(100 + n));
        h.UpdatePeakLine(threshold);
        h.Advance();
    }
    for (int s = 0; s <= 10; ++s) EXPECT_EQ(h.Peak(s, 0), 0) << s;  // 11 samples: none yet
    h.SetLevel(h.slot, 0, 200);
    h.UpdatePeakLine(threshold);  // 12th: 90 % of 200, and slots 0..10 take it too
    for (int s = 0; s <= 11; ++s) EXPECT_EQ(h.Peak(s, 0), 180) << s;

    LevelHistory w;
    w.slot = 3;
    w.count = 50;
    w.SetLevel(593, 1, 1000);  // inside the window 593..599, 0..3
    w.SetLevel(592, 1, 2000);  // outside
    w.UpdatePeakLine([](int) { return 0.0; });
    EXPECT_EQ(w.Peak(3, 1), 1000);
}

TEST(LevelHistoryRing, AdvanceWrapsAndTraceMaxSkipsSlotZero) {
    LevelHistory h;
    h.slot = 599;
    h.Advance();
    EXPECT_EQ(h.slot, 0);
    h.SetLevel(0, 7, 3000);
    h.SetLevel(1, 7, 5);
    EXPECT_EQ(h.TraceMax(7), 5);  // slot 0 never counts, slot 1 alone when few
    h.SetLevel(3, 7, 40);
    h.slot = 5;
    EXPECT_EQ(h.TraceMax(7), 40);
    h.ClearLevels();
    EXPECT_EQ(h.Level(3, 7), 0);
}

TEST(TraceSegmentsOrder, GapAndZoom) {
    LevelHistory h;
    std::vector<TraceSegment> seg;
    auto ends = [&](int a) { return std::count_if(seg.begin(), seg.end(), [&](const TraceSegment& s) { return s.x1 == a; }); };
    h.slot = 0;
    for (int s = 0; s < 600; ++s) h.SetLevel(s, 0, 100);
    BuildTraceSegments(h, 0, 0, 0, seg);
    EXPECT_EQ(ends(1), 0);
    EXPECT_EQ(ends(2), 2);  // red in both passes, no peak line
    h.slot = 300;
    BuildTraceSegments(h, 0, 0, 0, seg);
    EXPECT_EQ(ends(299) + ends(300) + ends(301), 0);
    EXPECT_EQ(ends(298), 2);
    EXPECT_FALSE(seg[0].blue);

    h.SetLevel(10, 0, 1500);
    BuildTraceSegments(h, 0, 2, 1500, seg);  // O = -960: 1500 at 2040
    auto red = std::find_if(seg.begin(), seg.end(), [](const TraceSegment& s) { return !s.blue && s.x1 == 10; });
    ASSERT_NE(red, seg.end());
    EXPECT_EQ(red->y1, 2040);
    EXPECT_EQ(red->y0, 2 * 100 - 960);
    BuildTraceSegments(h, 0, 10, 4000, seg);  // far beyond 16 bits
    EXPECT_EQ(seg.front().y0, 10 * 100 + 1750);
}

}  // namespace
}  // namespace vondrel::techpanel
