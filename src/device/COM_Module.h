// Frames and queries to the instrument on the port g_com_port, and the
// verified register writes.
//
// Every request is one DeviceFrame (FF address command value F0); replies are
// unframed and matched to requests by order only, so one exchange finishes
// before the next starts. The procedures take their arguments in the order
// command, value, address; a field outside 0..255 cannot be framed and the
// procedure fails without sending anything.
#pragma once

#include <cstdint>
#include <string>

#include "device/ReplyFormats.h"

namespace vondrel {

// The values of the last decoded reply block (0..95 used); every block
// decoder writes them before the values go anywhere else.
inline BlockValues g_block_value{};

// Command bytes.
inline constexpr int kCmdIdentify = 0x00;
inline constexpr int kCmdActuators = 0x10;
inline constexpr int kCmdTrialSetting = 0x11;
inline constexpr int kCmdReadRegister = 0x20;
inline constexpr int kCmdTemperature = 0x21;
inline constexpr int kCmdLevels = 0x30;
inline constexpr int kCmdStationSamples = 0x33;
inline constexpr int kCmdAutoCalibrate = 0x40;
inline constexpr int kFactoryPage = 3;         // address of the identification and factory reads
inline constexpr int kFactoryWritePage = 0x80;

// Writes the frame; 0 when all five bytes went out, else -1. Reads nothing.
int16_t SendFrame(int command, int value, int address);

// Writes the frame, reads two bytes and returns the first (0..255); -1 when
// nothing came or on any failure. A second byte is dropped.
int16_t QueryByte(int command, int value, int address);

// Sets g_block_value(0..95) to -1, writes the frame and collects a 192-byte
// WordSampleBlock two bytes at a time, decoding it into g_block_value.
// 0 on success; -1 when the reply stops (a read that returns nothing, or
// about 2 s in all), a high byte is above 15 (decoding stops there, earlier
// values stay) or anything fails.
int16_t QueryValueBlock(int command, int value, int address);

// How a verified write retries: after the first series of nine exchanges,
// `extraSeries` more, each after pause1 / resynchronising query (0x21 at
// `resyncAddress`) / pause1, with pause2 after every exchange.
struct WriteSchedule {
    int extraSeries;
    int pause1Ms;
    int pause2Ms;
    bool flushBeforeFourthSeries;
    int resyncAddress = 0;
};

// Sends value to register `reg` at `address` in series of nine exchanges of
// which only the ninth reply counts; true once it echoes the register.
// Shows nothing. Fails at once while the port is lost (ModCOMM).
bool VerifiedWrite(int address, int reg, int value, const WriteSchedule& s);

// Writes gain * 32 + power to a channel (0..383) and waits for the echo of its
// register. result := 1 when confirmed; otherwise the message
// "Ops...Data Writing ERROR: reg(<channel>)... Check COM and Try again" is
// shown and result := -1.
void WriteChannelSetting(int channel, int power, int gain, int16_t& result);

// The same for a factory calibration register (page 0x80), with the shorter
// pauses and one series fewer; the message names the register.
void WriteFactoryRegister(int reg, int value, int16_t& result);

// Pauses of the verified writes, designed milliseconds.
inline constexpr int kChannelWritePause1Ms = 150;
inline constexpr int kChannelWritePause2Ms = 100;
inline constexpr int kFactoryWritePause1Ms = 100;
inline constexpr int kFactoryWritePause2Ms = 50;
// The value-block query gives up after this long in all.
inline constexpr int kValueBlockLimitMs = 2000;

}  // namespace vondrel
