#include "device/ReplyFormats.h"

#include <algorithm>
#include <bit>

namespace vondrel {

namespace {
uint8_t Byte(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }
char Char(int v) { return static_cast<char>(static_cast<uint8_t>(v & 0xFF)); }
bool Fits(int v) { return v >= 0 && v <= 255; }
}  // namespace

// ---- DeviceFrame ----------------------------------------------------------------

std::optional<std::string> BuildDeviceFrame(int command, int value, int address) {
    if (!Fits(command) || !Fits(value) || !Fits(address)) return std::nullopt;
    return FrameBytes(DeviceFrame{static_cast<uint8_t>(address), static_cast<uint8_t>(command),
                                  static_cast<uint8_t>(value)});
}

std::string FrameBytes(const DeviceFrame& f) {
    std::string s(kFrameLength, '\0');
    s[0] = Char(kFrameStart);
    s[1] = Char(f.address);
    s[2] = Char(f.command);
    s[3] = Char(f.value);
    s[4] = Char(kFrameEnd);
    return s;
}

std::optional<DeviceFrame> FrameParser::Next() {
    for (;;) {
        // Drop everything before the next start byte.
        size_t start = pending_.find(static_cast<char>(kFrameStart));
        if (start == std::string::npos) {
            dropped_ += pending_.size();
            pending_.clear();
            return std::nullopt;
        }
        if (start > 0) {
            dropped_ += start;
            pending_.erase(0, start);
        }
        if (pending_.size() < static_cast<size_t>(kFrameLength)) return std::nullopt;
        if (Byte(pending_, 4) == kFrameEnd) {
            DeviceFrame f{Byte(pending_, 1), Byte(pending_, 2), Byte(pending_, 3)};
            pending_.erase(0, kFrameLength);
            return f;
        }
        // Not a frame at this position: drop the start byte and look again.
        ++dropped_;
        pending_.erase(0, 1);
    }
}

// ---- parity ------------------------------------------------------------------------

int CountOnes(uint32_t bits) { return std::popcount(bits); }

void ComputeSampleParity(int low, int high, int& parity) {
    parity = CountOnes(static_cast<uint32_t>(low & 0xFF) | (static_cast<uint32_t>(high & 7) << 8)) % 2;
}

// ---- PackedSampleBlock ---------------------------------------------------------------

namespace {
int PackedWord(int sample, bool wrongParity) {
    const int s = std::clamp(sample, 0, 2047);
    int parity = 0;
    ComputeSampleParity(s & 0xFF, s >> 8, parity);
    if (wrongParity) parity ^= 1;
    return (parity << 11) | s;
}
}  // namespace

std::string EncodePackedSampleBlock(const std::array<int, kBlockValues>& samples,
                                    const std::bitset<kBlockValues>& wrongParity) {
    std::string out(kPackedBlockBytes, '\0');
    for (int g = 0; g < kBlockValues / 2; ++g) {
        const int w0 = PackedWord(samples[2 * g], wrongParity[2 * g]);
        const int w1 = PackedWord(samples[2 * g + 1], wrongParity[2 * g + 1]);
        out[3 * g] = Char(w0 >> 4);
        out[3 * g + 1] = Char(((w0 & 0xF) << 4) | (w1 >> 8));
        out[3 * g + 2] = Char(w1 & 0xFF);
    }
    return out;
}

int DecodePackedSampleBlock(std::string_view reply, BlockValues& out) {
    if (reply.size() != static_cast<size_t>(kPackedBlockBytes)) return -1;
    int mismatches = 0;
    for (int g = 0; g < kBlockValues / 2; ++g) {
        const int b0 = Byte(reply, 3 * g), b1 = Byte(reply, 3 * g + 1), b2 = Byte(reply, 3 * g + 2);
        const int flags[2] = {b0 >> 4, b1 & 0x0F};
        const int lows[2] = {((b0 & 0x0F) << 4) | (b1 >> 4), b2};
        for (int h = 0; h < 2; ++h) {
            int parity = 0;
            ComputeSampleParity(lows[h], flags[h] & 7, parity);
            if (parity != (flags[h] >> 3)) ++mismatches;
            out[2 * g + h] = (flags[h] & 7) * 256 + lows[h];
        }
    }
    return mismatches;
}

// ---- WordSampleBlock -------------------------------------------------------------------

std::string EncodeWordSampleBlock(const std::array<int, kBlockValues>& levels) {
    std::string out(kWordBlockBytes, '\0');
    for (int i = 0; i < kBlockValues; ++i) {
        const int level = std::clamp(levels[i], 0, 4095);
        out[2 * i] = Char(level >> 8);
        out[2 * i + 1] = Char(level & 0xFF);
    }
    return out;
}

bool DecodeWordSampleBlockStrict(std::string_view reply, BlockValues& out) {
    const size_t pairs = std::min(reply.size() / 2, static_cast<size_t>(kBlockValues));
    for (size_t i = 0; i < pairs; ++i) {
        const int high = Byte(reply, 2 * i);
        if (high > 15) return false;
        out[i] = high * 256 + Byte(reply, 2 * i + 1);
    }
    return true;
}

void DecodeWordSampleBlockClipped(std::string_view reply, BlockValues& out) {
    const size_t pairs = std::min(reply.size() / 2, static_cast<size_t>(kBlockValues));
    for (size_t i = 0; i < pairs; ++i) {
        const int high = std::min<int>(Byte(reply, 2 * i), 15);
        out[i] = high * 256 + Byte(reply, 2 * i + 1);
    }
}

// ---- ParityWordBlock -------------------------------------------------------------------

std::string EncodeParityWordBlock(const std::array<int, kParityBlockWords>& levels,
                                  const std::bitset<kParityBlockWords>& wrongParity) {
    std::string out(kParityBlockBytes, '\0');
    for (int w = 0; w < kParityBlockWords; ++w) {
        const int level = std::clamp(levels[w], 0, 4095);
        int parity = CountOnes(static_cast<uint32_t>(level)) & 1;
        if (wrongParity[w]) parity ^= 1;
        out[2 * w] = Char((level >> 8) | (parity << 7));
        out[2 * w + 1] = Char(level & 0xFF);
    }
    return out;
}

int DecodeParityWordBlock(std::string_view reply, BlockValues& out) {
    if (reply.size() != static_cast<size_t>(kParityBlockBytes)) return -1;
    int faults = 0;
    for (int w = 0; w < kParityBlockWords; ++w) {
        int high = Byte(reply, 2 * w);
        const int low = Byte(reply, 2 * w + 1);
        const int ones = CountOnes(static_cast<uint32_t>(low) | (static_cast<uint32_t>(high & 0x0F) << 8));
        bool fault = false;
        if (high & 0x80) {
            fault = (ones % 2) == 0;
            high &= 0x7F;
        } else {
            fault = (ones % 2) == 1;
        }
        if (high > 15) {
            high = 15;
            fault = true;
        }
        if (fault) ++faults;
        out[w] = high * 256 + low;
    }
    return faults;
}

// ---- short replies ----------------------------------------------------------------------

std::string EncodeIdentification(int identifier) {
    const int id = std::clamp(identifier, 0, 255 * 255 + 254);
    std::string out(2, '\0');
    out[0] = Char(id / 255);
    out[1] = Char(id % 255);
    return out;
}

int32_t DecodeIdentification(std::string_view reply) {
    if (reply.empty()) return -1;
    const int second = reply.size() >= 2 ? Byte(reply, 1) : 0;
    return Byte(reply, 0) * 255 + second;
}

}  // namespace vondrel
