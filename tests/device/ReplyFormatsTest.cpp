// The wire formats shared by the program and the simulator: frames, the three
// reply blocks with their parity rules and maps, identification bytes.
#include <gtest/gtest.h>

#include <random>

#include "device/ReplyFormats.h"

using namespace vondrel;

namespace {
std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}
BlockValues Unset() {
    BlockValues v;
    v.fill(-1);
    return v;
}
}  // namespace

TEST(DeviceFrameTest, BuildsWireOrderFromCommandValueAddress) {
    struct Case {
        int command, value, address;
        std::string wire;
    } cases[] = {
        {0x10, 5, 0, Bytes({0xFF, 0x00, 0x10, 0x05, 0xF0})},
        {0x20, 130, 3, Bytes({0xFF, 0x03, 0x20, 0x82, 0xF0})},
        {0x00, 0, 3, Bytes({0xFF, 0x03, 0x00, 0x00, 0xF0})},
        {0xFF, 0xF0, 0x81, Bytes({0xFF, 0x81, 0xFF, 0xF0, 0xF0})},
    };
    for (const auto& c : cases) EXPECT_EQ(BuildDeviceFrame(c.command, c.value, c.address), c.wire);
    EXPECT_FALSE(BuildDeviceFrame(0x20, 256, 0));
    EXPECT_FALSE(BuildDeviceFrame(-1, 0, 0));
    EXPECT_FALSE(BuildDeviceFrame(0x20, 0, 300));
}

TEST(DeviceFrameTest, ChannelRegisterAddressing) {
    struct Case {
        int channel, gain, power, address, reg, value;
    } cases[] = {{5, 0, 0, 0x80, 5, 0}, {127, 7, 7, 0x80, 127, 231}, {128, 0, 1, 0x81, 0, 1},
                 {200, 5, 3, 0x81, 72, 163}, {383, 2, 2, 0x81, 255, 66}};
    for (const auto& c : cases) {
        const ChannelRegister r = ChannelRegisterOf(c.channel);
        EXPECT_EQ(r.address, c.address) << c.channel;
        EXPECT_EQ(r.reg, c.reg) << c.channel;
        EXPECT_EQ(ChannelSettingByte(c.gain, c.power), c.value);
    }
}

TEST(FrameParserTest, SplitsByPositionAndResynchronises) {
    FrameParser p;
    // Junk, a false start whose fifth byte is not F0, then frames whose
    // inner bytes hold FF and F0.
    p.Feed(Bytes({0x12, 0xFF, 0x01, 0xF0, 0x00, 0x33}));
    p.Feed(Bytes({0xFF, 0x81, 0xFF, 0xF0, 0xF0, 0xFF, 0x80, 0xC8}));
    auto f = p.Next();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->address, 0x81);
    EXPECT_EQ(f->command, 0xFF);
    EXPECT_EQ(f->value, 0xF0);
    EXPECT_FALSE(p.Next());  // the second frame is incomplete
    p.Feed(Bytes({0xFF, 0xF0}));
    f = p.Next();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->address, 0x80);
    EXPECT_EQ(f->command, 0xC8);
    EXPECT_EQ(f->value, 0xFF);
    EXPECT_EQ(p.DroppedBytes(), 6u);  // 12, and FF 01 F0 00 33 of the false start
}

TEST(PackedSampleBlockTest, DecodesTheDocumentedGroupAndCountsParity) {
    std::string block = EncodePackedSampleBlock({});
    block[0] = 0x12;
    block[1] = 0x34;
    block[2] = 0x56;
    BlockValues v = Unset();
    EXPECT_EQ(DecodePackedSampleBlock(block, v), 1);  // 1110 has the wrong parity
    EXPECT_EQ(v[0], 291);
    EXPECT_EQ(v[1], 1110);  // stored although its parity failed
    EXPECT_EQ(v[2], 0);

    BlockValues untouched = Unset();
    EXPECT_EQ(DecodePackedSampleBlock(block.substr(0, 143), untouched), -1);
    EXPECT_EQ(untouched[0], -1);
    EXPECT_EQ(DecodePackedSampleBlock(block + "x", untouched), -1);
}

TEST(PackedSampleBlockTest, RoundTripsWithInjectedParityFaults) {
    std::mt19937 rng(7);
    std::array<int, kBlockValues> samples{};
    for (int& s : samples) s = static_cast<int>(rng() % 2048);
    samples[0] = 0;
    samples[1] = 2047;
    std::bitset<kBlockValues> wrong;
    wrong.set(3).set(50).set(95);
    const std::string block = EncodePackedSampleBlock(samples, wrong);
    ASSERT_EQ(block.size(), 144u);
    BlockValues v = Unset();
    EXPECT_EQ(DecodePackedSampleBlock(block, v), 3);
    for (int i = 0; i < kBlockValues; ++i) EXPECT_EQ(v[static_cast<size_t>(i)], samples[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(DecodePackedSampleBlock(EncodePackedSampleBlock(samples), v), 0);
}

// The parity rule checked on written-out bytes, not through the shared parity
// procedure: the word's 12 bits hold an even number of ones.
TEST(PackedSampleBlockTest, EncodesAndDecodesDocumentedBytes) {
    struct Case {
        int first, second;
        bool firstWrong;
        std::string bytes;
    } cases[] = {
        {291, 1110, false, Bytes({0x12, 0x3C, 0x56})},  // 0x123: 4 ones, bit off; 0x456: 5 ones, bit on
        {0, 2047, false, Bytes({0x00, 0x0F, 0xFF})},    // 0x7FF: 11 ones, bit on
        {1, 256, false, Bytes({0x80, 0x19, 0x00})},     // one 1 in the low byte, one in the high bits
        {291, 1110, true, Bytes({0x92, 0x3C, 0x56})},   // the first word's bit inverted
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + "/" + std::to_string(c.second));
        std::array<int, kBlockValues> samples{};
        samples[0] = c.first;
        samples[1] = c.second;
        std::bitset<kBlockValues> wrong;
        wrong.set(0, c.firstWrong);
        const std::string block = EncodePackedSampleBlock(samples, wrong);
        ASSERT_EQ(block.size(), 144u);
        EXPECT_EQ(block.substr(0, 3), c.bytes);
        EXPECT_EQ(block.substr(3), std::string(141, '\0'));  // zero samples: zero bytes, parity bit off

        BlockValues v = Unset();
        std::string reply(144, '\0');
        reply.replace(0, 3, c.bytes);
        EXPECT_EQ(DecodePackedSampleBlock(reply, v), c.firstWrong ? 1 : 0);
        EXPECT_EQ(v[0], c.first);
        EXPECT_EQ(v[1], c.second);
    }
}

TEST(PackedSampleBlockTest, StationSlotMap) {
    const std::pair<int, int> cases[] = {{0, 0}, {1, 128}, {2, 256}, {3, 2}, {24, 32}, {95, 366}};
    for (auto [v, slot] : cases) EXPECT_EQ(PackedSampleSlot(v), slot) << v;
}

TEST(WordSampleBlockTest, ChannelMap) {
    struct Case {
        int k, v, channel;
    } cases[] = {{0, 0, 0}, {0, 1, 128}, {0, 2, 256}, {0, 3, 1}, {0, 95, 287}, {96, 95, 383}, {32, 0, 32}, {96, 0, 96}};
    for (const auto& c : cases) EXPECT_EQ(WordBlockChannel(c.k, c.v), c.channel) << c.k << "/" << c.v;
    // The four offsets cover every channel exactly once.
    std::array<int, 384> seen{};
    for (int k : {0, 32, 64, 96})
        for (int v = 0; v < kBlockValues; ++v) ++seen[static_cast<size_t>(WordBlockChannel(k, v))];
    for (int c = 0; c < 384; ++c) EXPECT_EQ(seen[static_cast<size_t>(c)], 1) << c;
}

TEST(WordSampleBlockTest, StrictStopsAtHighByteAboveFifteenClippedTakesFifteen) {
    std::array<int, kBlockValues> levels{};
    for (int i = 0; i < kBlockValues; ++i) levels[static_cast<size_t>(i)] = i * 40;
    std::string block = EncodeWordSampleBlock(levels);
    BlockValues v = Unset();
    ASSERT_TRUE(DecodeWordSampleBlockStrict(block, v));
    for (int i = 0; i < kBlockValues; ++i) EXPECT_EQ(v[static_cast<size_t>(i)], i * 40);
    EXPECT_EQ(v[96], -1);

    block[18] = 16;  // the 10th high byte
    v = Unset();
    EXPECT_FALSE(DecodeWordSampleBlockStrict(block, v));
    for (int i = 0; i <= 8; ++i) EXPECT_EQ(v[static_cast<size_t>(i)], i * 40);
    for (int i = 9; i < kBlockValues; ++i) EXPECT_EQ(v[static_cast<size_t>(i)], -1);

    v = Unset();
    DecodeWordSampleBlockClipped(block, v);
    EXPECT_EQ(v[9], 15 * 256 + (360 & 0xFF));
    EXPECT_EQ(v[10], 400);
}

TEST(ParityWordBlockTest, DocumentedPairs) {
    struct Case {
        int high, low, value;
        bool fault;
    } cases[] = {
        {0x81, 0x00, 256, false}, {0x01, 0x00, 256, true},  {0x81, 0x01, 257, true},
        {0x01, 0x03, 259, true},  {0x81, 0x03, 259, false}, {0x00, 0x00, 0, false},
        {0x8F, 0xFE, 4094, false},                                // 11 data ones, bit 7 set
        {0x30, 0x00, 15 * 256, true},                             // high part above 15 is clipped
    };
    for (const auto& c : cases) {
        std::string block = EncodeParityWordBlock({});
        block[0] = static_cast<char>(c.high);
        block[1] = static_cast<char>(c.low);
        BlockValues v = Unset();
        EXPECT_EQ(DecodeParityWordBlock(block, v), c.fault ? 1 : 0) << std::hex << c.high << " " << c.low;
        EXPECT_EQ(v[0], c.value) << std::hex << c.high << " " << c.low;
    }
    BlockValues v = Unset();
    EXPECT_EQ(DecodeParityWordBlock(std::string(47, '\0'), v), -1);
    EXPECT_EQ(v[0], -1);
}

TEST(ParityWordBlockTest, RoundTripAndSlotsMatchTheStationMap) {
    std::array<int, kParityBlockWords> levels{};
    for (int w = 0; w < kParityBlockWords; ++w) levels[static_cast<size_t>(w)] = 171 * w + 3;
    std::bitset<kParityBlockWords> wrong;
    wrong.set(0).set(23);
    BlockValues v = Unset();
    EXPECT_EQ(DecodeParityWordBlock(EncodeParityWordBlock(levels, wrong), v), 2);
    for (int w = 0; w < kParityBlockWords; ++w) EXPECT_EQ(v[static_cast<size_t>(w)], levels[static_cast<size_t>(w)]);

    const std::pair<int, int> words[] = {{0, 32}, {1, 160}, {2, 288}, {3, 34}, {4, 162}, {5, 290}};
    for (auto [w, slot] : words) EXPECT_EQ(ParityBlockSlot(16, w), slot) << w;
    // Word w of block 16 * (v / 24) lands where sample v of a station block does.
    for (int s = 0; s < kBlockValues; ++s) EXPECT_EQ(ParityBlockSlot(16 * (s / 24), s % 24), PackedSampleSlot(s)) << s;
}

TEST(IdentificationTest, DecodeAndValidity) {
    struct Case {
        std::string reply;
        int32_t id;
        bool valid;
    } cases[] = {
        {Bytes({0x00, 0x2A}), 42, true},   {Bytes({0x01, 0x00}), 255, false}, {Bytes({0x00, 0x05}), 5, false},
        {Bytes({0x00, 0xFB}), 251, false}, {Bytes({0x00, 0x0A}), 10, true},   {Bytes({0x00, 0xFA}), 250, true},
        {Bytes({0x2A}), 42 * 255, false},  {"", -1, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeIdentification(c.reply), c.id);
        EXPECT_EQ(IsValidDeviceId(DecodeIdentification(c.reply)), c.valid) << c.id;
    }
    for (int id : {10, 42, 250, 255, 1000}) EXPECT_EQ(DecodeIdentification(EncodeIdentification(id)), id);
}
