// Frames, queries and verified register writes against the simulator.
#include <thread>

#include "LinkFixture.h"
#include "ScriptedDialogs.h"
#include "device/COM_Module.h"

using namespace vondrel;
using namespace vondrel::testing;

namespace {
std::string WriteError(int n) {
    return "Ops...Data Writing ERROR: reg(" + std::to_string(n) + ")... Check COM and Try again";
}
size_t Count(const std::vector<std::string>& frames, const std::string& f) {
    return static_cast<size_t>(std::count(frames.begin(), frames.end(), f));
}
}  // namespace

TEST_F(LinkTest, FrameProceduresPutTheirBytesOnTheWire) {
    SimProcess sim(folder_.Path(), 4);
    OpenCom4();
    sim.MarkLog();
    EXPECT_EQ(SendFrame(0x10, 5, 0), 0);
    EXPECT_EQ(QueryByte(0x20, 130, 3), 0x19);  // factory byte 2 (the year) of the simulator's record
    EXPECT_EQ(QueryByte(0x00, 0, 3), 0);       // identification: first byte of 00 2A
    EXPECT_EQ(QueryByte(0x20, 256, 3), -1);    // cannot be framed: nothing is sent
    EXPECT_EQ(SendFrame(-1, 0, 0), -1);
    EXPECT_EQ(sim.FramesSinceMark(),
              (std::vector<std::string>{"FF 00 10 05 F0", "FF 03 20 82 F0", "FF 03 00 00 F0"}));
    EXPECT_EQ(sim.Command("get actuator"), "ok 5");
    // The actuator frame has no reply: nothing is waiting.
    std::string rest;
    platform::SetTimeScale(0.05);
    EXPECT_EQ(CommRead(4, rest, 1), 0);
}

TEST_F(LinkTest, QueryValueBlockDecodesTheWholePlateMap) {
    SimProcess sim(folder_.Path(), 4, {"--mode", "word192", "--noise", "0", "--channel", "32=0", "--channel", "160=0.5"});
    OpenCom4();
    ASSERT_EQ(QueryValueBlock(0x30, 32, 0), 0);
    EXPECT_EQ(g_block_value[0], 0);  // channel 32
    const int ch33 = g_block_value[3];
    EXPECT_GT(ch33, 1400);
    EXPECT_LT(ch33, 2000);
    EXPECT_NEAR(g_block_value[1], ch33 / 2, 200);  // channel 160 at half level
    EXPECT_EQ(g_block_value[96], 0);               // the spare entry is not touched
}

TEST_F(LinkTest, QueryValueBlockGivesUpOnSilenceAndOnAShortBlock) {
    SimProcess sim(folder_.Path(), 4, {"--silent"});
    platform::SetTimeScale(0.05);
    OpenCom4();
    int16_t r = 0;
    double ms = ElapsedMs([&] { r = QueryValueBlock(0x30, 0, 0); });
    EXPECT_EQ(r, -1);
    EXPECT_LT(ms, 2 * 5 * 10.0 + 100);  // one silent read, not thousands
    for (int i = 0; i < kBlockValues; ++i) ASSERT_EQ(g_block_value[static_cast<size_t>(i)], -1);

    // A 48-byte block where 192 are wanted: the reply stops, nothing is decoded.
    sim.Set("silent", "0");
    sim.Set("mode", "parity48");
    ms = ElapsedMs([&] { r = QueryValueBlock(0x30, 0, 0); });
    EXPECT_EQ(r, -1);
    EXPECT_LT(ms, 2000 * 0.05 + 200);
    EXPECT_EQ(g_block_value[0], -1);
}

TEST_F(LinkTest, VerifiedWriteEchoedAtOnceSendsNineFrames) {
    SimProcess sim(folder_.Path(), 4);
    OpenCom4();
    ScriptedDialogs dialogs;  // any message fails the test
    sim.MarkLog();
    int16_t result = 0;
    WriteChannelSetting(200, 3, 5, result);
    EXPECT_EQ(result, 1);
    auto frames = sim.FramesSinceMark();
    EXPECT_EQ(frames, std::vector<std::string>(9, "FF 81 48 A3 F0"));
    EXPECT_EQ(sim.Command("get setting 200"), "ok 163");

    // Factory registers round-trip through their read registers, 0xF0 and 0xFF included.
    const int values[7] = {0, 12, 0xFF, 1, 0xF0, 0xDB, 0};
    for (int i = 0; i < 7; ++i) {
        WriteFactoryRegister(200 + i, values[i], result);
        ASSERT_EQ(result, 1) << i;
    }
    for (int i = 0; i < 7; ++i) EXPECT_EQ(QueryByte(0x20, 128 + i, 3), values[i]) << i;
}

TEST_F(LinkTest, VerifiedWriteToASilentInstrumentSeriesResyncsAndMessage) {
    SimProcess sim(folder_.Path(), 4, {"--silent"});
    platform::SetTimeScale(0.01);
    OpenCom4();
    ScriptedDialogs dialogs;
    dialogs.ExpectMessage(WriteError(5)).ExpectMessage(WriteError(203));
    sim.MarkLog();
    int16_t result = 0;
    WriteChannelSetting(5, 0, 0, result);
    EXPECT_EQ(result, -1);
    auto frames = sim.FramesSinceMark();
    EXPECT_EQ(frames.size(), 39u);
    EXPECT_EQ(Count(frames, "FF 80 05 00 F0"), 36u);
    EXPECT_EQ(Count(frames, "FF 00 21 00 F0"), 3u);
    // Each further series starts with the resynchronisation.
    for (size_t i : {9u, 19u, 29u}) EXPECT_EQ(frames[i], "FF 00 21 00 F0") << i;

    sim.MarkLog();
    WriteFactoryRegister(203, 1, result);
    EXPECT_EQ(result, -1);
    frames = sim.FramesSinceMark();
    EXPECT_EQ(Count(frames, "FF 80 CB 01 F0"), 27u);
    EXPECT_EQ(Count(frames, "FF 00 21 00 F0"), 2u);
    EXPECT_EQ(frames.size(), 29u);
}

TEST_F(LinkTest, VerifiedWriteRejectsAWrongEcho) {
    SimProcess sim(folder_.Path(), 4, {"--wrong-echo", "1"});
    platform::SetTimeScale(0.1);
    OpenCom4();
    ScriptedDialogs dialogs;
    dialogs.ExpectMessage(WriteError(383));
    int16_t result = 0;
    WriteChannelSetting(383, 7, 7, result);
    EXPECT_EQ(result, -1);

    // Replies still line up with requests afterwards.
    sim.Set("wrong-echo", "0");
    WriteChannelSetting(383, 7, 7, result);
    EXPECT_EQ(result, 1);
}
