#include "device/COM_Module.h"

#include <chrono>
#include <exception>

#include "device/ModCOMM.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "store/Globals.h"

namespace vondrel {

namespace {

constexpr int kSendsPerSeries = 9;

void ShowWriteError(int n) {
    platform::MsgBox("Ops...Data Writing ERROR: reg(" + std::to_string(n) + ")... Check COM and Try again");
}

}  // namespace

bool VerifiedWrite(int address, int reg, int value, const WriteSchedule& s) {
    // A port closed by a hang-up stays closed until it is opened again: the
    // write fails at once instead of pausing through its retries.
    const auto lost = [] { return CommPortLost(g_com_port); };
    auto series = [&](bool paced) {
        int16_t reply = -1;
        for (int i = 0; i < kSendsPerSeries && !lost(); ++i) {
            reply = QueryByte(reg, value, address);
            if (paced) platform::SleepMs(s.pause2Ms);
        }
        return reply != -1 && reply == reg;
    };
    if (series(false)) return true;
    for (int n = 1; n <= s.extraSeries && !lost(); ++n) {
        if (s.flushBeforeFourthSeries && n == 3) CommFlush(g_com_port);
        platform::SleepMs(s.pause1Ms);
        QueryByte(kCmdTemperature, 0, s.resyncAddress);  // resynchronisation; the reply does not matter
        platform::SleepMs(s.pause1Ms);
        if (series(true)) return true;
    }
    return false;
}

int16_t SendFrame(int command, int value, int address) {
    try {
        const auto frame = BuildDeviceFrame(command, value, address);
        if (!frame) return -1;
        return CommWrite(g_com_port, *frame) == kFrameLength ? 0 : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

int16_t QueryByte(int command, int value, int address) {
    try {
        const auto frame = BuildDeviceFrame(command, value, address);
        if (!frame) return -1;
        CommWrite(g_com_port, *frame);
        std::string reply;
        if (CommRead(g_com_port, reply, 2) <= 0 || reply.empty()) return -1;
        return static_cast<uint8_t>(reply[0]);
    } catch (const std::exception&) {
        return -1;
    }
}

int16_t QueryValueBlock(int command, int value, int address) {
    try {
        for (int i = 0; i < kBlockValues; ++i) g_block_value[static_cast<size_t>(i)] = -1;
        const auto frame = BuildDeviceFrame(command, value, address);
        if (!frame) return -1;
        CommWrite(g_com_port, *frame);
        // Collect two bytes at a time until the block is there. A read that
        // brings nothing means the instrument has stopped; the overall limit
        // keeps a trickle from holding the program.
        const auto limit = std::chrono::steady_clock::now() +
                           std::chrono::milliseconds(platform::ScaledReplyTimeoutMs(kValueBlockLimitMs));
        std::string block, part;
        while (block.size() <= static_cast<size_t>(kWordBlockBytes - 2)) {
            if (CommRead(g_com_port, part, 2) <= 0) return -1;
            block += part;
            if (block.size() <= static_cast<size_t>(kWordBlockBytes - 2) &&
                std::chrono::steady_clock::now() >= limit)
                return -1;
        }
        return DecodeWordSampleBlockStrict(block, g_block_value) ? 0 : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

void WriteChannelSetting(int channel, int power, int gain, int16_t& result) {
    const ChannelRegister cr = ChannelRegisterOf(channel);
    const bool ok = VerifiedWrite(cr.address, cr.reg, ChannelSettingByte(gain, power),
                                  {3, kChannelWritePause1Ms, kChannelWritePause2Ms, true});
    if (!ok) ShowWriteError(channel);
    result = ok ? 1 : -1;
}

void WriteFactoryRegister(int reg, int value, int16_t& result) {
    bool ok = false;
    try {
        ok = VerifiedWrite(kFactoryWritePage, reg, value, {2, kFactoryWritePause1Ms, kFactoryWritePause2Ms, false});
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) ShowWriteError(reg);
    result = ok ? 1 : -1;
}

}  // namespace vondrel
