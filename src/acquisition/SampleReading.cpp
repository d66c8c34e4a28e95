#include "acquisition/SampleReading.h"

#include <algorithm>
#include <array>
#include <limits>

#include "device/COM_Module.h"
#include "device/ModCOMM.h"
#include "platform/Events.h"
#include "store/Globals.h"

namespace vondrel {

namespace {

constexpr std::array<int, 4> kParityBlockOffsets{0, 16, 32, 48};
constexpr int kHalfReply = kPackedBlockBytes / 2;  // 72

int16_t Level(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, 0, std::numeric_limits<int16_t>::max())); }

// Request of station k for its packed block: FF k 33 00 F0.
bool RequestStation(int k) { return SendFrame(kCmdStationSamples, 0, k) == 0; }

}  // namespace

bool NeedsPriming(const AcquisitionState& st) { return st.m_sample_index <= 1 || st.m_tick_count <= 1; }

int16_t AddReplyErrors(int16_t count, int n) {
    const int sum = static_cast<int>(count) + std::max(n, 0);
    return static_cast<int16_t>(std::min(sum, static_cast<int>(std::numeric_limits<int16_t>::max())));
}

void PrimeStations(const AcquisitionState& st) {
    std::string dropped;
    if (st.SingleStation()) {
        for (int a : kParityBlockOffsets) {
            CommFlush(g_com_port);
            SendFrame(kCmdLevels, a, 0);
            CommRead(g_com_port, dropped, kParityBlockBytes);
        }
        platform::SleepMs(50);
        return;
    }
    for (int k = 0; k < kStations; ++k)
        if (st.StationTicked(k)) platform::SleepMs(1);
    platform::SleepMs(50);
    platform::PumpEvents();
    CommFlush(g_com_port);
    for (int k = 0; k < kStations; ++k) {
        if (!st.StationTicked(k)) continue;
        RequestStation(k);
        CommRead(g_com_port, dropped, kPackedBlockBytes);
    }
    platform::SleepMs(50);
    platform::SleepMs(50);
}

void StoreParityBlock(AcquisitionState& st, int a, const BlockValues& values, bool fault) {
    const int p = st.m_sample_index;
    if (!fault) {
        for (int w = 0; w < kParityBlockWords; ++w) {
            const int ch = ParityBlockSlot(a, w);
            st.Sample(0, ch, p) = Level(values[static_cast<size_t>(w)]);
            st.Sample(0, ch + 1, p) = 0;
        }
        return;
    }
    if (p <= 1) return;
    for (int k = 0; k <= 15; ++k)
        for (int base : {0, 128, 256}) {
            const int ch = base + k + 2 * a;
            st.Sample(0, ch, p) = st.Sample(0, ch, p - 1);
        }
}

bool ReadSingleStation(AcquisitionState& st) {
    bool fault = false;
    std::string reply;
    for (int a : kParityBlockOffsets) {
        CommFlush(g_com_port);
        SendFrame(kCmdLevels, a, 0);
        const int32_t got = CommRead(g_com_port, reply, kParityBlockBytes);
        if (got == kParityBlockBytes) {
            fault = DecodeParityWordBlock(reply, g_block_value) != 0;
        } else {
            fault = true;
        }
        StoreParityBlock(st, a, g_block_value, fault);
    }
    return fault;
}

void StorePackedValues(AcquisitionState& st, int k, int p, const BlockValues& values) {
    for (int v = 0; v < kBlockValues; ++v) {
        const int s = PackedSampleSlot(v);
        st.Sample(k, s, p) = Level(values[static_cast<size_t>(v)]);
        st.Sample(k, s + 1, p) = 0;
        st.Sample(k, s + 16, p) = 0;
    }
}

void HoldPackedValues(AcquisitionState& st, int k, int p) {
    for (int v = 0; v < kBlockValues; ++v) {
        const int s = PackedSampleSlot(v);
        st.Sample(k, s, p) = st.Sample(k, s, p - 1);
        st.Sample(k, s + 1, p) = 0;
        st.Sample(k, s + 16, p) = 0;
    }
}

bool StorePackedReply(AcquisitionState& st, int k, const std::string& reply, int length) {
    bool fault;
    if (length == kPackedBlockBytes) {
        const int mismatches = DecodePackedSampleBlock(reply, g_block_value);
        fault = mismatches != 0;
        st.m_reply_error_count = AddReplyErrors(st.m_reply_error_count, mismatches < 0 ? 1 : mismatches);
    } else {
        fault = true;
        st.m_reply_error_count = AddReplyErrors(st.m_reply_error_count, 1);
    }
    const int p = st.m_sample_index;
    if (!fault) {
        StorePackedValues(st, k, p, g_block_value);
        if (p == 1)
            for (int w = 0; w < kStations; ++w)
                for (int c = 0; c < kChannels; ++c) st.Sample(w, c, 0) = st.Sample(w, c, 1);
    } else if (p > 1) {
        HoldPackedValues(st, k, p);
    }
    return fault;
}

bool PollStations(AcquisitionState& st) {
    std::array<std::string, kStations> replies;
    std::array<int, kStations> lengths{};
    for (int k = 0; k < kStations; ++k) {
        if (!st.StationTicked(k)) continue;
        CommFlush(g_com_port);
        RequestStation(k);
        std::string first, second;
        if (CommRead(g_com_port, first, kHalfReply) == kHalfReply) {
            const int32_t more = CommRead(g_com_port, second, kHalfReply);
            replies[k] = first + second;
            lengths[k] = kHalfReply + std::max<int32_t>(more, 0);
        } else {
            lengths[k] = -1;
        }
    }
    bool fault = false;
    for (int k = 0; k < kStations; ++k)
        if (st.StationTicked(k)) fault = StorePackedReply(st, k, replies[k], lengths[k]);
    return fault;
}

}  // namespace vondrel
