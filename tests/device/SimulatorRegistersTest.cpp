// The simulated instrument's registers, one set per station, and the switches
// that make it misbehave the way the technical panel must survive. The model
// is driven frame by frame, without the pseudo-terminal.
#include <gtest/gtest.h>

#include "device/ReplyFormats.h"
#include "sim/Instrument.h"

using namespace vondrel;
using namespace vondrel::sim;

namespace {

Settings Quiet() {
    Settings s;
    s.noise = 0;
    s.activity = 0;
    return s;
}

std::optional<Reply> Send(Instrument& inst, int address, int command, int value) {
    return inst.Handle(DeviceFrame{static_cast<uint8_t>(address), static_cast<uint8_t>(command),
                                   static_cast<uint8_t>(value)},
                       0.0);
}

int ReadRegister(Instrument& inst, int station, int reg) {
    auto r = Send(inst, station, 0x20, reg);
    return r ? static_cast<uint8_t>(r->bytes[0]) : -1;
}

}  // namespace

TEST(SimulatorRegisters, EachStationKeepsItsOwnRegistersBesideTheWholePlateMap) {
    Instrument inst(Quiet());
    // A write on page 0x80 + s lands in station s's register and is echoed.
    auto echo = Send(inst, 0x81, 5, 0xE7);
    ASSERT_TRUE(echo);
    EXPECT_EQ(static_cast<uint8_t>(echo->bytes[0]), 5);
    EXPECT_EQ(inst.Register(1, 5), 0xE7);
    EXPECT_EQ(ReadRegister(inst, 1, 5), 0xE7);
    EXPECT_NE(ReadRegister(inst, 0, 5), 0xE7);  // station 1's register 5 is another
    EXPECT_NE(ReadRegister(inst, 2, 5), 0xE7);
    Send(inst, 0x83, 190, 0x4A);
    EXPECT_EQ(inst.Register(3, 190), 0x4A);

    // The whole plate: channels 0..127 are station 1's registers, 128..383
    // station 2's from 0.
    EXPECT_EQ(inst.Setting(128 + 5), 0xE7);
    Send(inst, 0x80, 17, 0x21);
    EXPECT_EQ(inst.Setting(17), 0x21);

    // Page 0x80's registers 200..206 are the factory record, read back at
    // address 3 as 128..135.
    Send(inst, 0x80, 201, 0x03);
    EXPECT_EQ(inst.Factory()[1], 0x03);
    EXPECT_EQ(ReadRegister(inst, 3, 129), 0x03);

    // A trial setting fills one station's registers only.
    Send(inst, 2, 0x11, 0x40);
    EXPECT_EQ(inst.Register(2, 0), 0x40);
    EXPECT_EQ(inst.Register(2, 255), 0x40);
    EXPECT_NE(inst.Register(3, 0), 0x40);
}

TEST(SimulatorRegisters, AStationsOwnBlocksFollowItsRegistersAndCalibrationIsPerStation) {
    Settings s = Quiet();
    s.mode = BlockMode::Parity48;
    Instrument inst(s);
    // Register r of station 3 drives channels 2r and 2r + 1 of its blocks.
    Send(inst, 0x82, 0, ChannelSettingByte(0, 0));  // level 0 on channels 0 and 1
    auto block = Send(inst, 2, 0x30, 0);
    ASSERT_TRUE(block);
    BlockValues v{};
    ASSERT_EQ(DecodeParityWordBlock(block->bytes, v), 0);
    for (int w = 0; w < kParityBlockWords; ++w) {
        const int ch = ParityBlockSlot(0, w);
        if (ch / 2 == 0) EXPECT_EQ(v[static_cast<size_t>(w)], 0) << ch;
        else EXPECT_GT(v[static_cast<size_t>(w)], 1000) << ch;
        EXPECT_EQ(v[static_cast<size_t>(w)], inst.StationModelLevel(2, ch));
    }
    // The same register at station 1 is untouched.
    EXPECT_GT(inst.StationModelLevel(0, 0), 1000);

    // Calibrating station 4 moves its registers only.
    Send(inst, 1, 0x11, ChannelSettingByte(7, 7));
    const auto before = inst.Register(1, 10);
    Send(inst, 3, 0x40, 110);
    EXPECT_EQ(inst.Register(1, 10), before);
    for (int r = 0; r < 192; r += 37) EXPECT_NEAR(inst.StationModelLevel(3, 2 * r), 1760, 1760 * 0.08) << r;
}

TEST(SimulatorRegisters, SwitchesForEchoesCalibrationStreamAndSpoiledBlocks) {
    Instrument inst(Quiet());
    // A register never echoed, at one station only.
    ASSERT_EQ(*inst.ApplyDeviceOp("no-echo-register", "2:9"), "");
    EXPECT_FALSE(Send(inst, 0x81, 9, 1));
    EXPECT_TRUE(Send(inst, 0x80, 9, 1));
    ASSERT_EQ(*inst.ApplyDeviceOp("no-echo-register", "off"), "");
    EXPECT_TRUE(Send(inst, 0x81, 9, 1));

    // Echoed only at every ninth write; every write lands.
    ASSERT_EQ(*inst.ApplyDeviceOp("echo-ninth", "1:4"), "");
    for (int i = 1; i <= 18; ++i) EXPECT_EQ(Send(inst, 0x80, 4, i).has_value(), i % 9 == 0) << i;
    EXPECT_EQ(inst.Register(0, 4), 18);

    // A given progress stream, then silence.
    ASSERT_EQ(*inst.ApplyDeviceOp("cal-stream", "10,50,120,190"), "");
    auto progress = Send(inst, 0, 0x40, 110);
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->stream, (std::vector<uint8_t>{10, 50, 120, 190}));

    // The second 0x30 reply from now spoiled in its first word.
    inst.settings().mode = BlockMode::Parity48;
    for (const char* kind : {"parity", "high"}) {
        ASSERT_EQ(*inst.ApplyDeviceOp("spoil-block", std::string("1:") + kind), "");
        BlockValues v{};
        EXPECT_EQ(DecodeParityWordBlock(Send(inst, 0, 0x30, 0)->bytes, v), 0) << kind;
        EXPECT_EQ(DecodeParityWordBlock(Send(inst, 0, 0x30, 8)->bytes, v), 1) << kind;
        EXPECT_EQ(DecodeParityWordBlock(Send(inst, 0, 0x30, 16)->bytes, v), 0) << kind;
    }
    for (const auto& [key, bad] : std::vector<std::pair<std::string, std::string>>{
             {"no-echo-register", "5:1"}, {"echo-ninth", "1:256"}, {"cal-stream", "1,,2"},
             {"cal-stream", "300"}, {"spoil-block", "1:odd"}}) {
        EXPECT_NE(*inst.ApplyDeviceOp(key, bad), "") << key << " " << bad;
    }
}
