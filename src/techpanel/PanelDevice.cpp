#include "techpanel/PanelDevice.h"

#include <cstdio>

#include "device/COM_Module.h"
#include "device/ModCOMM.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "store/CalReport.h"
#include "store/Globals.h"

namespace vondrel::techpanel {

namespace {

constexpr int kSendsPerSeries = 9;
constexpr int kGroupTries = 3;
constexpr int kGroupRetryPauseMs = 200;
constexpr int kReadBackTries = 8;
constexpr int kReadBackPauseMs = 200;
constexpr int kTrialPauseMs = 10;
constexpr int kAutocalEmptyReads = 10;

void ClearBlockValues() {
    for (int i = 0; i < kBlockValues; ++i) g_block_value[static_cast<size_t>(i)] = -1;
}

// One 48-byte block request: its reply decoded into g_block_value.
// -1 wrong length, 0 good, 1 decoded with a faulty word.
int RequestParityBlock(int station, int offset) {
    ClearBlockValues();
    CommFlush(g_com_port);
    std::string reply;
    if (SendFrame(kCmdLevels, offset, station) == 0) CommRead(g_com_port, reply, kParityBlockBytes);
    if (static_cast<int>(reply.size()) != kParityBlockBytes) return -1;
    return DecodeParityWordBlock(reply, g_block_value) == 0 ? 0 : 1;
}

// The twin's 192-byte block as two reads of 96: -1 wrong length, 0 good,
// 1 a high byte above 15 (taken as 15).
int RequestWordBlock(int offset) {
    CommFlush(g_com_port);
    std::string a, b;
    if (SendFrame(kCmdLevels, offset, 0) == 0) {
        CommRead(g_com_port, a, kWordBlockBytes / 2);
        CommRead(g_com_port, b, kWordBlockBytes / 2);
    }
    const std::string reply = a + b;
    if (static_cast<int>(reply.size()) != kWordBlockBytes) return -1;
    bool good = true;
    for (int i = 0; i < kBlockValues; ++i)
        if (static_cast<uint8_t>(reply[static_cast<size_t>(2 * i)]) > 15) good = false;
    DecodeWordSampleBlockClipped(reply, g_block_value);
    return good ? 0 : 1;
}

}  // namespace

int16_t WriteChannelRegister(PanelVariant v, int station, int regOrChannel, int power, int gain) {
    const RegisterAddress a = WriteAddressOf(v, station, regOrChannel);
    const int resync = v == PanelVariant::Mini ? station : 0;
    if (VerifiedWrite(a.address, a.reg, ChannelSettingByte(gain, power),
                      {2, kPanelWritePause1Ms, kPanelWritePause2Ms, false, resync}))
        return 1;
    platform::MsgBox("Ops...Data Writing ERROR: reg(" + std::to_string(regOrChannel) +
                     ")... Check COM and Try again");
    return -1;
}

void WriteRegisterUnchecked(const RegisterAddress& a, int value, const std::function<void(int16_t)>& reply) {
    for (int i = 0; i < kSendsPerSeries; ++i) reply(QueryByte(a.reg, value, a.address));
}

int16_t SetTestGainPinhole(PanelVariant v, int station, int pinhole, int gain) {
    const int value = ChannelSettingByte(gain, pinhole);
    auto send = [&](int address) {
        for (int t = 0; t < 2; ++t) {
            const int16_t r = QueryByte(kCmdTrialSetting, value, address);
            platform::SleepMs(kTrialPauseMs);
            if (r != -1) return true;
        }
        return false;
    };
    if (v == PanelVariant::Twin) return send(0) && send(1) ? 0 : -1;
    return send(station) ? 0 : -1;
}

int16_t ReadSettingByte(PanelVariant v, int channel, int tries) {
    const RegisterAddress a = ReadAddressOf(v, channel);
    int16_t b = -1;
    for (int t = 0; t < tries && b < 0; ++t) b = QueryByte(kCmdReadRegister, a.reg, a.address);
    return b;
}

bool ReadBackCalibration(PanelVariant v, const std::function<void(int)>& progress) {
    for (int ch = 0; ch < kPanelChannels; ++ch) {
        progress(ch);
        const RegisterAddress a = ReadAddressOf(v, ch);
        for (int t = 0; t < kReadBackTries; ++t) {
            const int16_t b = QueryByte(kCmdReadRegister, a.reg, a.address);
            platform::SleepMs(kReadBackPauseMs);
            if (b >= 0) {
                g_channel_gain[static_cast<size_t>(ch)] = static_cast<int16_t>(SettingGain(b));
                g_channel_pinhole[static_cast<size_t>(ch)] = static_cast<int16_t>(SettingPower(b));
                break;
            }
            QueryByte(kCmdIdentify, 0, 0);
        }
    }
    return WriteCalValues();
}

bool ReadSampleBlocks(PanelVariant v, int station, LevelHistory& h, const std::function<bool()>& online) {
    if (v == PanelVariant::Mini) {
        if (g_offline != 0) return true;
        for (int k = 0; k < kLiveOffsets && online(); ++k) {
            const int o = 8 * k;
            const int r = RequestParityBlock(station, o);
            if (r < 0) return false;
            if (r == 0) h.StoreParityBlock(h.slot, o, g_block_value);
        }
        return true;
    }
    bool good = true;
    for (int o = 0; o < 128; o += 32) {
        ClearBlockValues();
        if (g_offline == 0 && online()) {
            const int r = RequestWordBlock(o);
            if (r < 0) return false;
            good = r == 0;
            if (good) h.StoreWordBlock(h.slot, o, g_block_value);
        } else if (g_offline != 0 && good) {
            h.StoreWordBlock(h.slot, o, g_block_value);  // no instrument: the slot reads 0
        }
    }
    return true;
}

bool ReadGroupLevels(PanelVariant v, int station, int regOrChannel, LevelHistory& h) {
    const bool mini = v == PanelVariant::Mini;
    const int want = mini ? GroupOffsetOf(regOrChannel) : 32 * ((regOrChannel % 128) / 32);
    const int step = mini ? 8 : 32;
    for (int o = 0; o < (mini ? 64 : 128); o += step) {
        bool ok = false;
        for (int t = 0; t < kGroupTries && !ok; ++t) {
            ok = mini ? RequestParityBlock(station, o) == 0 : QueryValueBlock(kCmdLevels, o, 0) == 0;
            if (!ok) platform::SleepMs(kGroupRetryPauseMs);
        }
        if (!ok) {
            platform::MsgBox("Ops...Data Sending ERROR reg(" + std::to_string(o) + ")... Try again");
            return false;
        }
        if (o != want) continue;
        if (mini) h.StoreParityBlock(0, o, g_block_value);
        else h.StoreWordBlock(0, o, g_block_value);
    }
    return true;
}

int GroupLevelOf(PanelVariant v, const LevelHistory& h, int regOrChannel) {
    return h.Level(0, v == PanelVariant::Mini ? 2 * regOrChannel : regOrChannel);
}

int RunAutocalibration(int station, int target, const std::function<void(int)>& progress) {
    SendFrame(kCmdAutoCalibrate, target, station);
    int empty = 0, last = 0;
    while (empty < kAutocalEmptyReads && last < kCalibrationDone) {
        std::string b;
        if (CommRead(g_com_port, b, 1) < 1 || b.empty()) {
            platform::SleepMs(1);
            ++empty;
            continue;
        }
        last = static_cast<uint8_t>(b[0]);
        progress(last);
    }
    return last;
}

GainCurveFiles::GainCurveFiles()
    : bk(platform::JoinPath(platform::ProgramFolder(), "test_bk.txt")),
      mean(platform::JoinPath(platform::ProgramFolder(), "test_mean.txt")),
      desv(platform::JoinPath(platform::ProgramFolder(), "test_desv.txt")) {}

std::optional<std::string> GainCurveFiles::DeleteAll() const {
    for (const std::string* p : {&bk, &mean, &desv}) {
        std::remove(p->c_str());
        if (platform::FileExists(*p) || platform::FolderExists(*p)) return *p;
    }
    return std::nullopt;
}

std::optional<std::string> GainCurveFiles::Append(
    int pinhole, int gain, const std::vector<std::array<int16_t, kPanelChannels>>& samples) const {
    std::string text = TestHeaderLine(pinhole, gain);
    for (size_t s = 0; s < samples.size(); ++s) text += TestSampleLine(static_cast<int>(s), samples[s]);
    std::array<double, kPanelChannels> means{}, devs{};
    std::vector<int16_t> column(samples.size());
    for (int ch = 0; ch < kPanelChannels; ++ch) {
        for (size_t s = 0; s < samples.size(); ++s) column[s] = samples[s][static_cast<size_t>(ch)];
        MeanAndDeviation(column, means[static_cast<size_t>(ch)], devs[static_cast<size_t>(ch)]);
    }
    if (!platform::AppendTextFile(bk, text)) return bk;
    if (!platform::AppendTextFile(mean, TestStatLine(pinhole, gain, means))) return mean;
    if (!platform::AppendTextFile(desv, TestStatLine(pinhole, gain, devs))) return desv;
    return std::nullopt;
}

}  // namespace vondrel::techpanel
