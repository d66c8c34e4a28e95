// Where the samples of a reply land in the windows, what a faulty reply
// holds, and the reply-error count that must not wrap round.
#include <gtest/gtest.h>

#include <bitset>

#include "AcquisitionTestSupport.h"
#include "acquisition/SampleReading.h"
#include "device/COM_Module.h"

namespace vondrel {
namespace {

using testing::AcquisitionTest;
using testing::Ticked;

class SampleReadingTest : public AcquisitionTest {};

TEST_F(SampleReadingTest, ParityBlockWordsLandOnTheirChannelsAndClearTheOddOnes) {
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({3}));
    st.m_sample_index = 7;
    for (int c = 0; c < kChannels; ++c) st.Sample(0, c, 7) = 999;
    BlockValues values{};
    for (int w = 0; w < kParityBlockWords; ++w) values[static_cast<size_t>(w)] = 100 + w;
    StoreParityBlock(st, 16, values, false);
    EXPECT_EQ(st.Sample(0, 32, 7), 100);
    EXPECT_EQ(st.Sample(0, 160, 7), 101);
    EXPECT_EQ(st.Sample(0, 288, 7), 102);
    EXPECT_EQ(st.Sample(0, 34, 7), 103);
    EXPECT_EQ(st.Sample(0, 162, 7), 104);
    EXPECT_EQ(st.Sample(0, 290, 7), 105);
    for (int base : {0, 128, 256})
        for (int off = 1; off <= 15; off += 2) EXPECT_EQ(st.Sample(0, base + 32 + off, 7), 0) << base + 32 + off;
    EXPECT_EQ(st.Sample(0, 31, 7), 999);  // other blocks' channels untouched
    EXPECT_EQ(st.Sample(0, 48, 7), 999);
}

TEST_F(SampleReadingTest, FaultyParityBlockHoldsFromPositionTwoOn) {
    AcquisitionState st(500);
    for (int c = 0; c < kChannels; ++c) {
        st.Sample(0, c, 4) = static_cast<int16_t>(c + 1);
        st.Sample(0, c, 5) = -7;
        st.Sample(0, c, 1) = -7;
    }
    BlockValues values{};
    st.m_sample_index = 5;
    StoreParityBlock(st, 0, values, true);
    for (int base : {0, 128, 256})
        for (int k = 0; k <= 15; ++k) EXPECT_EQ(st.Sample(0, base + k, 5), base + k + 1);
    EXPECT_EQ(st.Sample(0, 16, 5), -7);
    st.m_sample_index = 1;
    StoreParityBlock(st, 0, values, true);
    EXPECT_EQ(st.Sample(0, 0, 1), -7);
}

TEST_F(SampleReadingTest, ParityWordWithItsBitSetDecodesWithoutFault) {
    std::string reply(48, '\0');
    reply[0] = static_cast<char>(0x81);
    EXPECT_EQ(DecodeParityWordBlock(reply, g_block_value), 0);
    EXPECT_EQ(g_block_value[0], 256);
    reply[0] = 0x01;
    EXPECT_EQ(DecodeParityWordBlock(reply, g_block_value), 1);
}

TEST_F(SampleReadingTest, PackedReplyCleanFaultyAndShort) {
    AcquisitionState st(500);
    st.SetTickedStations(Ticked({2, 4}));
    std::array<int, kBlockValues> samples{};
    for (int v = 0; v < kBlockValues; ++v) samples[static_cast<size_t>(v)] = 10 + v;
    const std::string clean = EncodePackedSampleBlock(samples);
    std::bitset<kBlockValues> wrong;
    wrong.set(36);
    const std::string faulty = EncodePackedSampleBlock(samples, wrong);

    // Position 1, clean: stored, companions cleared, column 0 follows column 1
    // in all four windows.
    st.m_sample_index = 1;
    for (int k = 0; k < kStations; ++k) st.Sample(k, 17, 1) = 55;  // a slot no reply writes
    st.Sample(1, 1, 1) = 9;
    EXPECT_FALSE(StorePackedReply(st, 1, clean, 144));
    for (int v = 0; v < kBlockValues; ++v) EXPECT_EQ(st.Sample(1, PackedSampleSlot(v), 1), 10 + v);
    EXPECT_EQ(st.Sample(1, 1, 1), 0);
    EXPECT_EQ(st.Sample(1, 16, 1), 0);
    for (int k = 0; k < kStations; ++k) EXPECT_EQ(st.Sample(k, 17, 0), 55) << k;
    EXPECT_EQ(st.m_reply_error_count, 0);

    // Position 5, the 37th word's parity wrong: one error, the column held.
    st.m_sample_index = 5;
    for (int v = 0; v < kBlockValues; ++v) st.Sample(3, PackedSampleSlot(v), 4) = static_cast<int16_t>(700 + v);
    EXPECT_TRUE(StorePackedReply(st, 3, faulty, 144));
    EXPECT_EQ(st.m_reply_error_count, 1);
    for (int v = 0; v < kBlockValues; ++v) EXPECT_EQ(st.Sample(3, PackedSampleSlot(v), 5), 700 + v);

    // A short reply: one error; at position 0 the column stays as it was.
    st.m_sample_index = 0;
    st.Sample(3, 0, 0) = 42;
    EXPECT_TRUE(StorePackedReply(st, 3, clean.substr(0, 100), 100));
    EXPECT_TRUE(StorePackedReply(st, 3, "", -1));
    EXPECT_EQ(st.m_reply_error_count, 3);
    EXPECT_EQ(st.Sample(3, 0, 0), 42);
}

TEST_F(SampleReadingTest, ReplyErrorCountStopsAtItsLimit) {
    EXPECT_EQ(AddReplyErrors(32700, 96), 32767);
    EXPECT_EQ(AddReplyErrors(32767, 1), 32767);
    EXPECT_EQ(AddReplyErrors(5, 96), 101);
    AcquisitionState st(500);
    st.m_reply_error_count = 32760;
    std::array<int, kBlockValues> samples{};
    std::bitset<kBlockValues> wrong;
    wrong.set();
    StorePackedReply(st, 0, EncodePackedSampleBlock(samples, wrong), 144);
    EXPECT_EQ(st.m_reply_error_count, 32767);
}

TEST_F(SampleReadingTest, PrimingAtTheWindowStartAndAfterPlayOrResume) {
    AcquisitionState st(500);
    const struct {
        int index, ticks;
        bool prime;
    } cases[] = {{0, 50, true}, {1, 50, true}, {2, 50, false}, {300, 0, true}, {300, 1, true}, {300, 2, false}};
    for (const auto& c : cases) {
        st.m_sample_index = static_cast<int16_t>(c.index);
        st.m_tick_count = c.ticks;
        EXPECT_EQ(NeedsPriming(st), c.prime) << c.index << " " << c.ticks;
    }
}

}  // namespace
}  // namespace vondrel
