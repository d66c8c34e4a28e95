// The instrument's wire formats: the five-byte command frame, the reply
// blocks with their parity rules and channel/slot maps, and the short
// replies. Both sides of the link use this one definition: the program
// decodes with it and the simulated instrument encodes with it.
//
// Plain C++ without any dependency, so the simulator can link it alone.
// Byte strings are std::string holding raw bytes (0xFF and 0xF0 included).
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vondrel {

// ---- values of a decoded block ---------------------------------------------
inline constexpr int kBlockValues = 96;
// Indices 0..96; a block uses 0..95.
using BlockValues = std::array<int32_t, kBlockValues + 1>;

// ---- DeviceFrame ------------------------------------------------------------
inline constexpr uint8_t kFrameStart = 0xFF;
inline constexpr uint8_t kFrameEnd = 0xF0;
inline constexpr int kFrameLength = 5;

struct DeviceFrame {
    uint8_t address = 0;
    uint8_t command = 0;
    uint8_t value = 0;
};

// The five bytes FF address command value F0. The arguments come in the
// order the frame procedures use (command, value, address); nullopt when any
// of them lies outside 0..255, because such a field cannot be framed.
std::optional<std::string> BuildDeviceFrame(int command, int value, int address);
std::string FrameBytes(const DeviceFrame& f);

// Splits a byte stream into frames by position: on 0xFF four more bytes are
// taken and the fifth must be 0xF0; otherwise the first byte is dropped and
// the search resumes at the next 0xFF. 0xFF and 0xF0 are legal in bytes 1..3.
class FrameParser {
public:
    void Feed(std::string_view bytes) { pending_.append(bytes); }
    // The next complete frame, or nullopt when more bytes are needed.
    std::optional<DeviceFrame> Next();
    // Bytes dropped while resynchronising, since construction.
    uint64_t DroppedBytes() const { return dropped_; }
    void Clear() { pending_.clear(); }

private:
    std::string pending_;
    uint64_t dropped_ = 0;
};

// ---- ChannelSettingByte and channel register addressing --------------------
inline constexpr int kChannelWritePage0 = 0x80;  // channels 0..127
inline constexpr int kChannelWritePage1 = 0x81;  // channels 128..383

constexpr int ChannelSettingByte(int gain, int power) { return gain * 32 + power; }

struct ChannelRegister {
    int address = 0;   // write page
    int reg = 0;       // register number, byte 2 of the frame
};
// Channels 0..127 on page 0x80 with register = channel; 128.. on page 0x81
// with register = channel - 128.
constexpr ChannelRegister ChannelRegisterOf(int channel) {
    return channel < 128 ? ChannelRegister{kChannelWritePage0, channel}
                         : ChannelRegister{kChannelWritePage1, channel - 128};
}

// ---- parity -------------------------------------------------------------------
int CountOnes(uint32_t bits);

// Parity of a PackedSampleBlock sample: ones among the 8 bits of `low` and
// the 3 low bits of `high`, modulo 2.
void ComputeSampleParity(int low, int high, int& parity);

// ---- PackedSampleBlock (144 bytes, command 0x33) -------------------------------
inline constexpr int kPackedBlockBytes = 144;

// Samples are clipped to 0..2047. A sample whose bit in `wrongParity` is set
// is sent with its parity bit inverted.
std::string EncodePackedSampleBlock(const std::array<int, kBlockValues>& samples,
                                    const std::bitset<kBlockValues>& wrongParity = {});

// Decodes exactly 144 bytes into out[0..95] (each sample stored whether its
// parity matched or not) and returns the number of parity mismatches; any
// other length returns -1 and leaves `out` untouched.
int DecodePackedSampleBlock(std::string_view reply, BlockValues& out);

// Slot of sample v (0..95) in its station's 385-slot window:
// v = 24b + 3k + j goes to 32b + 2k + 128j. The slots s + 1 and s + 16 are
// the ones the acquisition clears in the same column.
constexpr int PackedSampleSlot(int v) {
    const int b = v / 24, k = (v % 24) / 3, j = v % 3;
    return 32 * b + 2 * k + 128 * j;
}

// ---- WordSampleBlock (192 bytes, command 0x30, offsets 0/32/64/96) -----------------
inline constexpr int kWordBlockBytes = 192;

// Levels are clipped to 0..4095; pair i = (level >> 8, level & 0xFF).
std::string EncodeWordSampleBlock(const std::array<int, kBlockValues>& levels);

// Channel of value v (0..95) in the block of offset k: v = 3m + j is
// channel k + m + 128j.
constexpr int WordBlockChannel(int k, int v) { return k + v / 3 + 128 * (v % 3); }

// Strict decoding (the value-block query): pairs in order, value = high * 256
// + low; a high byte above 15 stops with false, the values before it stay.
// An odd last byte is not decoded.
bool DecodeWordSampleBlockStrict(std::string_view reply, BlockValues& out);

// Tolerant decoding (whole-plate calibration, self-test): a high byte above
// 15 is taken as 15; decodes up to 96 pairs.
void DecodeWordSampleBlockClipped(std::string_view reply, BlockValues& out);

// ---- ParityWordBlock (48 bytes, command 0x30, offsets 0/16/32/48) -----------------
inline constexpr int kParityBlockBytes = 48;
inline constexpr int kParityBlockWords = 24;

// Levels are clipped to 0..4095; bit 7 of the high byte is set when the 12
// data bits hold an odd number of ones. A word whose bit in `wrongParity` is
// set gets the opposite parity bit.
std::string EncodeParityWordBlock(const std::array<int, kParityBlockWords>& levels,
                                  const std::bitset<kParityBlockWords>& wrongParity = {});

// Decodes exactly 48 bytes into out[0..23] and returns the number of faulty
// words (parity mismatch, or a high byte still above 15, which becomes 15);
// any other length returns -1 and leaves `out` untouched.
int DecodeParityWordBlock(std::string_view reply, BlockValues& out);

// Slot of word w (0..23) of the block with offset a: 128 * (w mod 3) + 2a +
// 2 * (w div 3). The odd slots between are the ones the acquisition clears.
constexpr int ParityBlockSlot(int a, int w) { return 128 * (w % 3) + 2 * a + 2 * (w / 3); }

// ---- short replies ----------------------------------------------------------------
inline constexpr int kMinDeviceId = 10;
inline constexpr int kMaxDeviceId = 250;

// The two identification bytes: identifier = first * 255 + second.
std::string EncodeIdentification(int identifier);
// first * 255 + second; a single byte counts with second = 0; none gives -1.
int32_t DecodeIdentification(std::string_view reply);
constexpr bool IsValidDeviceId(int32_t id) { return id >= kMinDeviceId && id <= kMaxDeviceId; }

// The calibration progress stream ends with a byte of this value or more.
inline constexpr int kCalibrationDone = 191;

}  // namespace vondrel
