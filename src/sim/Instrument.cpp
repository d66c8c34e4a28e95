#include "sim/Instrument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vondrel::sim {

namespace {

constexpr double kFullLevel = 2000.0;  // level of a channel at gain 7, power 7 and base 1
constexpr int kSettingSteps = 63;      // 8 * power + gain runs 0..63
constexpr int kStartSetting = 5 * 32 + 6;  // gain 5, power 6: about 1700 counts

bool ParseDouble(const std::string& t, double& out) {
    if (t.empty()) return false;
    char* end = nullptr;
    out = std::strtod(t.c_str(), &end);
    return end && *end == '\0' && std::isfinite(out);
}

bool ParseInt(const std::string& t, long& out) {
    if (t.empty()) return false;
    char* end = nullptr;
    out = std::strtol(t.c_str(), &end, 0);
    return end && *end == '\0';
}

bool ParseBool(const std::string& t, bool& out) {
    if (t == "1" || t == "on" || t == "true" || t == "yes") return out = true, true;
    if (t == "0" || t == "off" || t == "false" || t == "no") return out = false, true;
    return false;
}

// Setting index 0..63 in the order the calibration steps through them.
int SettingIndex(int settingByte) {
    const int gain = (settingByte >> 5) & 7, power = settingByte & 31;
    return std::min(8 * std::min(power, 7) + gain, kSettingSteps);
}

int SettingByteOfIndex(int idx) { return ChannelSettingByte(idx % 8, idx / 8); }

}  // namespace

bool ParseBlockMode(const std::string& text, BlockMode& mode) {
    if (text == "word192") mode = BlockMode::Word192;
    else if (text == "parity48") mode = BlockMode::Parity48;
    else if (text == "auto") mode = BlockMode::Auto;
    else return false;
    return true;
}

const char* BlockModeName(BlockMode m) {
    switch (m) {
        case BlockMode::Word192: return "word192";
        case BlockMode::Parity48: return "parity48";
        case BlockMode::Auto: return "auto";
    }
    return "?";
}

Instrument::Instrument(const Settings& s) : s_(s), model_rng_(s.seed), fault_rng_(s.seed ^ 0x9E3779B97F4A7C15ULL) {
    std::uniform_real_distribution<double> spread(0.92, 1.08);
    for (auto& station : base_)
        for (double& b : station) b = spread(model_rng_);
    for (auto& station : regs_) station.fill(static_cast<uint8_t>(kStartSetting));
    // Factory record: month 1, year 25, offset +0.0, slope 0.219.
    factory_ = {0x00, 0x01, 0x19, 0x00, 0x00, 0xDB, 0x00, 0x00};
    well_of_slot_.fill(-1);
    for (int v = 0; v < kBlockValues; ++v) well_of_slot_[static_cast<size_t>(PackedSampleSlot(v))] = v;
    temperature_ = s_.ambient;
}

bool Instrument::Chance(double p) {
    if (p <= 0.0) return false;
    if (p >= 1.0) return true;
    return std::uniform_real_distribution<double>(0.0, 1.0)(fault_rng_) < p;
}

bool Instrument::BreaksCheck(const StationFault& fault) {
    return fault.state == StationState::Parity && Chance(fault.rate);
}

std::string Instrument::FaultyBlock(const StationFault& fault, std::string block) {
    if (fault.state == StationState::Garbage) block = Garbage(block.size());
    if (fault.state == StationState::Short) block.resize(block.size() / 2);
    return block;
}

std::string Instrument::Garbage(size_t n) {
    std::string g(n, '\0');
    for (char& c : g) c = static_cast<char>(fault_rng_() & 0xFF);
    return g;
}

int Instrument::Setting(int channel) const {
    return channel < 128 ? regs_[0][static_cast<size_t>(channel)] : regs_[1][static_cast<size_t>(channel - 128)];
}

uint8_t& Instrument::WholePlateRegister(int channel) {
    return channel < 128 ? regs_[0][static_cast<size_t>(channel)] : regs_[1][static_cast<size_t>(channel - 128)];
}

double Instrument::SettingLevel(int station, int channel, int settingByte) const {
    double level = kFullLevel * base_[static_cast<size_t>(station)][static_cast<size_t>(channel)] *
                   SettingIndex(settingByte) / kSettingSteps;
    auto f = s_.channelFactor.find(channel);
    if (f != s_.channelFactor.end()) level *= f->second;
    return level;
}

int Instrument::ModelLevel(int station, int channel) const {
    if (station < 0 || station >= kStations || channel < 0 || channel >= kChannels) return 0;
    return static_cast<int>(std::lround(SettingLevel(station, channel, Setting(channel))));
}

int Instrument::StationModelLevel(int station, int channel) const {
    if (station < 0 || station >= kStations || channel < 0 || channel >= kChannels) return 0;
    return static_cast<int>(std::lround(SettingLevel(station, channel, Register(station, channel / 2))));
}

int Instrument::LevelOf(double level, int station, int slot, bool withActivity) {
    if (withActivity && slot >= 0 && slot < kChannels) {
        const int well = well_of_slot_[static_cast<size_t>(slot)];
        if (well >= 0) {
            const Dip& d = dips_[static_cast<size_t>(station)][static_cast<size_t>(well)];
            if (d.remaining > 0) level *= 1.0 - d.depth;
        }
    }
    if (s_.noise > 0) level += std::uniform_int_distribution<int>(-s_.noise, s_.noise)(model_rng_);
    return std::max(0, static_cast<int>(std::lround(level)));
}

// One sample period of a station: running dips go on, new ones may start.
void Instrument::Step(int station) {
    for (Dip& d : dips_[static_cast<size_t>(station)]) {
        if (d.remaining > 0) {
            --d.remaining;
        } else if (s_.activity > 0 &&
                   std::uniform_real_distribution<double>(0.0, 1.0)(model_rng_) < s_.activity) {
            d.remaining = std::uniform_int_distribution<int>(2, 20)(model_rng_);
            d.depth = std::uniform_real_distribution<double>(0.05, 0.30)(model_rng_);
        }
    }
}

// The instrument's own calibration of a station: each register r gets the
// setting whose level on its beam (channel 2r of the station's own blocks)
// comes closest to the target (target 110 -> 1760 counts).
void Instrument::Calibrate(int station, int target) {
    const double wanted = target * 16.0;
    for (int r = 0; r < kRegisters; ++r) {
        const int c = std::min(2 * r, kChannels - 1);
        int best = 0;
        double bestDiff = 1e18;
        for (int idx = 0; idx <= kSettingSteps; ++idx) {
            const double level = kFullLevel * base_[static_cast<size_t>(station)][static_cast<size_t>(c)] * idx / kSettingSteps;
            const double diff = std::fabs(level - wanted);
            if (diff < bestDiff) {
                bestDiff = diff;
                best = idx;
            }
        }
        regs_[static_cast<size_t>(station)][static_cast<size_t>(r)] = static_cast<uint8_t>(SettingByteOfIndex(best));
    }
}

double Instrument::Temperature(double nowMs) {
    const double dt = std::max(0.0, nowMs - temperature_time_) / 1000.0 / std::max(s_.timeScale, 1e-6);
    temperature_time_ = nowMs;
    const bool on = actuator_ & 1, heat = actuator_ & 2;
    constexpr double rate = 0.05;  // degrees per second while heating or cooling
    if (on && heat) temperature_ = std::min(45.0, temperature_ + rate * dt);
    else if (on) temperature_ = std::max(5.0, temperature_ - rate * dt);
    else temperature_ += (s_.ambient - temperature_) * (1.0 - std::exp(-dt / 600.0));
    return temperature_;
}

int Instrument::RawTemperature(double nowMs) {
    const double t = Temperature(nowMs);
    double offset = factory_[4] / 10.0 * (factory_[3] == 1 ? -1.0 : 1.0);
    double slope = (factory_[6] * 256 + factory_[5]) / 1000.0;
    if (slope < 0.1 || slope > 0.45 || offset < -10 || offset > 10) {
        offset = 0.0;
        slope = 0.219;
    }
    return std::clamp(static_cast<int>(std::lround((t - offset) / slope)), 0, 255);
}

std::string Instrument::Describe(const DeviceFrame& f) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "FF %02X %02X %02X F0", f.address, f.command, f.value);
    return buf;
}

std::optional<Reply> Instrument::Handle(const DeviceFrame& f, double nowMs) {
    if (s_.silent) return std::nullopt;
    Reply r;
    bool answer = true;
    bool handled = false;
    r.bytes = DeviceOpReply(f, nowMs, handled, answer);
    if (!handled) r.bytes = ReplyTo(f, nowMs, r, answer);
    if (!answer) return std::nullopt;
    DeviceOpAfter(f, r);
    if (s_.shortReplies) {
        r.bytes.resize((r.bytes.size() + 1) / 2);
        r.stream.resize((r.stream.size() + 1) / 2);
    }
    return r;
}

std::string Instrument::ReplyTo(const DeviceFrame& f, double nowMs, Reply& r, bool& answer) {
    const int address = f.address, command = f.command, value = f.value;
    auto twoBytes = [](int first) { return std::string{static_cast<char>(first & 0xFF), '\0'}; };

    // Register writes: page 0x80 + s is station s's registers, the register
    // in the command byte; page 0x80's registers 200..206 are the factory
    // record.
    if (address >= 0x80 && address <= 0x83) {
        if (address == 0x80 && command >= 200 && command <= 206)
            factory_[static_cast<size_t>(command - 200)] = static_cast<uint8_t>(value);
        else
            regs_[static_cast<size_t>(address - 0x80)][static_cast<size_t>(command)] = static_cast<uint8_t>(value);
        const int echo = Chance(s_.wrongEcho) ? (command + 1) & 0xFF : command;
        return twoBytes(echo);
    }
    const int station = address & 3;
    const StationFault& fault = s_.station[static_cast<size_t>(station)];
    const bool stationQuiet = !s_.present[static_cast<size_t>(station)] || fault.state == StationState::Silent;

    // What an ambiguous 0x30 (offset 0 or 32) means in auto mode follows the
    // command before it: the self-test identifies and then reads the whole
    // plate; a run or the technical panel reads temperature, sets, writes
    // trial settings or calibrates before reading one station.
    if (command == 0x00) decision_ = BlockMode::Word192;
    else if (command == 0x10 || command == 0x11 || command == 0x20 || command == 0x21 || command == 0x33 ||
             command == 0x40)
        decision_ = BlockMode::Parity48;

    switch (command) {
        case 0x00:
            return EncodeIdentification(s_.id);
        case 0x10:
            Temperature(nowMs);  // settle the temperature up to now under the old state
            actuator_ = value & 7;
            answer = false;
            return {};
        case 0x11:
            // A trial setting applies to every register of the station until
            // the next write.
            regs_[static_cast<size_t>(station)].fill(static_cast<uint8_t>(value));
            return twoBytes(value);
        case 0x20:
            if (address == 3 && value >= 128 && value <= 135) return twoBytes(factory_[static_cast<size_t>(value - 128)]);
            return twoBytes(Register(station, value));
        case 0x21:
            return twoBytes(RawTemperature(nowMs));
        case 0x30: {
            BlockMode mode = s_.mode;
            if (mode == BlockMode::Auto) {
                if (value == 64 || value == 96) mode = BlockMode::Word192;
                else if (value % 32 != 0) mode = BlockMode::Parity48;
                else mode = decision_;
            }
            if (stationQuiet) {
                answer = false;
                return {};
            }
            if (mode == BlockMode::Word192) {
                std::array<int, kBlockValues> levels{};
                for (int v = 0; v < kBlockValues; ++v) levels[static_cast<size_t>(v)] = LevelOf(ModelLevel(station, WordBlockChannel(value, v)), station, WordBlockChannel(value, v), false);
                std::string block = EncodeWordSampleBlock(levels);
                // This block has no parity bit: a broken word carries a high
                // byte above 15, the one check its readers make.
                for (int v = 0; v < kBlockValues; ++v)
                    if (BreaksCheck(fault)) block[static_cast<size_t>(2 * v)] = static_cast<char>(block[static_cast<size_t>(2 * v)] | 0x80);
                return FaultyBlock(fault, std::move(block));
            }
            if (value == 0) Step(station);
            std::array<int, kParityBlockWords> levels{};
            std::bitset<kParityBlockWords> wrong;
            for (int w = 0; w < kParityBlockWords; ++w) {
                const int slot = ParityBlockSlot(value, w);
                levels[static_cast<size_t>(w)] = LevelOf(StationModelLevel(station, slot), station, slot, true);
                if (BreaksCheck(fault)) wrong.set(static_cast<size_t>(w));
            }
            return FaultyBlock(fault, EncodeParityWordBlock(levels, wrong));
        }
        case 0x33: {
            if (stationQuiet) {
                answer = false;
                return {};
            }
            Step(station);
            std::array<int, kBlockValues> samples{};
            std::bitset<kBlockValues> wrong;
            for (int v = 0; v < kBlockValues; ++v) {
                const int slot = PackedSampleSlot(v);
                samples[static_cast<size_t>(v)] = std::min(2047, LevelOf(StationModelLevel(station, slot), station, slot, true));
                if (BreaksCheck(fault)) wrong.set(static_cast<size_t>(v));
            }
            return FaultyBlock(fault, EncodePackedSampleBlock(samples, wrong));
        }
        case 0x40: {
            if (stationQuiet) {
                answer = false;
                return {};
            }
            Calibrate(station, value);
            // Progress 0..190 in even steps, then exactly one 191, then silence.
            const int steps = std::max(2, s_.calibrationMs / 25);
            r.stream.clear();
            for (int i = 1; i < steps; ++i) r.stream.push_back(static_cast<uint8_t>(i * 190 / (steps - 1)));
            r.stream.push_back(static_cast<uint8_t>(kCalibrationDone));
            r.streamGapMs = static_cast<double>(s_.calibrationMs) / steps * s_.timeScale;
            return std::string(1, '\0');
        }
        default:
            answer = false;  // unknown commands get no reply
            return {};
    }
}

std::string Instrument::Apply(const std::string& key, const std::string& value) {
    if (auto err = ApplyDeviceOp(key, value)) return *err;
    double d = 0;
    long n = 0;
    bool b = false;
    if (key == "id") {
        if (!ParseInt(value, n) || n < 0 || n > 65279) return "id: a number 0..65279";
        s_.id = static_cast<int>(n);
    } else if (key == "mode") {
        if (!ParseBlockMode(value, s_.mode)) return "mode: word192, parity48 or auto";
    } else if (key == "stations") {
        std::array<bool, kStations> p{};
        for (char c : value) {
            if (c < '1' || c > '4') return "stations: digits 1..4, e.g. 13";
            p[static_cast<size_t>(c - '1')] = true;
        }
        s_.present = p;
    } else if (key == "station") {
        // N=ok|silent|short|garbage|parity:P, N = 1..4 or all
        const size_t eq = value.find('=');
        if (eq == std::string::npos) return "station: N=ok|silent|short|garbage|parity:RATE";
        const std::string which = value.substr(0, eq);
        std::string kind = value.substr(eq + 1);
        StationFault fault;
        const size_t colon = kind.find(':');
        if (colon != std::string::npos) {
            if (!ParseDouble(kind.substr(colon + 1), fault.rate) || fault.rate < 0 || fault.rate > 1)
                return "station: rate 0..1";
            kind.resize(colon);
        }
        if (kind == "ok") fault.state = StationState::Ok;
        else if (kind == "silent") fault.state = StationState::Silent;
        else if (kind == "short") fault.state = StationState::Short;
        else if (kind == "garbage") fault.state = StationState::Garbage;
        else if (kind == "parity") {
            fault.state = StationState::Parity;
            if (colon == std::string::npos) fault.rate = 1.0;
        } else return "station: kind ok, silent, short, garbage or parity:RATE";
        if (which == "all") {
            s_.station.fill(fault);
        } else {
            if (!ParseInt(which, n) || n < 1 || n > kStations) return "station: number 1..4 or all";
            s_.station[static_cast<size_t>(n - 1)] = fault;
        }
    } else if (key == "silent") {
        if (!ParseBool(value, b)) return "silent: 1 or 0";
        s_.silent = b;
    } else if (key == "short") {
        if (!ParseBool(value, b)) return "short: 1 or 0";
        s_.shortReplies = b;
    } else if (key == "wrong-echo") {
        if (!ParseDouble(value, d) || d < 0 || d > 1) return "wrong-echo: probability 0..1";
        s_.wrongEcho = d;
    } else if (key == "activity") {
        if (!ParseDouble(value, d) || d < 0 || d > 1) return "activity: probability 0..1";
        s_.activity = d;
    } else if (key == "noise") {
        if (!ParseInt(value, n) || n < 0 || n > 1000) return "noise: counts 0..1000";
        s_.noise = static_cast<int>(n);
    } else if (key == "seed") {
        if (!ParseInt(value, n) || n < 0) return "seed: a number";
        Settings keep = s_;
        keep.seed = static_cast<uint64_t>(n);
        const auto registers = regs_;
        const auto factory = factory_;
        *this = Instrument(keep);
        regs_ = registers;
        factory_ = factory;
    } else if (key == "ambient") {
        if (!ParseDouble(value, d) || d < -20 || d > 60) return "ambient: degrees -20..60";
        s_.ambient = d;
    } else if (key == "temperature") {
        if (!ParseDouble(value, d) || d < -20 || d > 60) return "temperature: degrees -20..60";
        temperature_ = d;
    } else if (key == "cal-ms") {
        if (!ParseInt(value, n) || n < 0 || n > 600000) return "cal-ms: milliseconds";
        s_.calibrationMs = static_cast<int>(n);
    } else if (key == "time-scale") {
        if (!ParseDouble(value, d) || d <= 0) return "time-scale: a positive number";
        s_.timeScale = d;
    } else if (key == "channel") {
        const size_t eq = value.find('=');
        if (eq == std::string::npos || !ParseInt(value.substr(0, eq), n) || n < 0 || n >= kChannels ||
            !ParseDouble(value.substr(eq + 1), d) || d < 0)
            return "channel: CH=FACTOR, e.g. 17=0.75 (0 = dead)";
        if (d == 1.0) s_.channelFactor.erase(static_cast<int>(n));
        else s_.channelFactor[static_cast<int>(n)] = d;
    } else {
        return "unknown setting " + key;
    }
    return {};
}

// ---------------------------------------------------------------------------
// Device-operation switches
// ---------------------------------------------------------------------------

std::string Instrument::DeviceOpReply(const DeviceFrame& f, double nowMs, bool& handled, bool& answer) {
    const int address = f.address, command = f.command, value = f.value;
    auto twoBytes = [](int first) { return std::string{static_cast<char>(first & 0xFF), '\0'}; };
    handled = true;
    if (address >= 0x80 && address <= 0x83) {
        const int channel = address == 0x81 ? 128 + command : command;
        const bool channelWrite = (address == 0x80 && command < 128) || address == 0x81;
        const bool factoryWrite = address == 0x80 && command >= 200 && command <= 206;
        const int station = address - 0x80;
        if ((channelWrite && channel == ops_.noEchoChannel) || (factoryWrite && command == ops_.noEchoRegister) ||
            (station == ops_.noEchoStation && command == ops_.noEchoStationRegister)) {
            answer = false;
            return {};
        }
        if (station == ops_.ninthStation && command == ops_.ninthRegister) {
            // The write lands every time; only every ninth one is echoed.
            Reply ignored;
            std::string echo = ReplyTo(f, nowMs, ignored, answer);
            answer = ++ops_.ninthCount % 9 == 0;
            return echo;
        }
    } else if (command == 0x20 && value == ops_.muteRead) {
        answer = false;
        return {};
    } else if (command == 0x20 && value == ops_.flakyRead) {
        return twoBytes(flaky_count_++ & 1 ? 0x55 : 0xAA);
    } else if (command == 0x11 && ops_.muteTrial != 0) {
        if (ops_.muteTrial > 0) --ops_.muteTrial;
        answer = false;
        return {};
    } else if (command == 0x21 && ops_.temperatureMute) {
        answer = false;
        return {};
    } else if (command == 0x21 && ops_.rawTemperature >= 0) {
        Temperature(nowMs);
        return twoBytes(ops_.rawTemperature);
    }
    handled = false;
    return {};
}

void Instrument::DeviceOpAfter(const DeviceFrame& f, Reply& r) {
    if (f.command == 0x40 && !ops_.calibrationStream.empty()) r.stream = ops_.calibrationStream;
    if (f.command == 0x40 && ops_.calibrationStop >= 0) {
        auto& st = r.stream;
        auto end = std::find_if(st.begin(), st.end(), [&](uint8_t b) { return b >= ops_.calibrationStop; });
        if (end != st.end()) ++end;
        st.erase(end, st.end());
        if (!st.empty() && st.back() >= kCalibrationDone) st.back() = static_cast<uint8_t>(ops_.calibrationStop);
    }
    if (f.command == 0x30 && f.address < 0x80 && ops_.cutBlockAfter >= 0) {
        if (ops_.cutBlockAfter == 0) r.bytes.resize(std::min(r.bytes.size(), static_cast<size_t>(ops_.cutBlockLength)));
        --ops_.cutBlockAfter;
    }
    if (f.command == 0x30 && f.address < 0x80 && ops_.spoilBlockAfter >= 0) {
        if (ops_.spoilBlockAfter == 0 && r.bytes.size() >= 2) {
            // The first word: high byte 0x1F (above any 12-bit level), or its
            // parity bit (the high byte's top bit in a 48-byte block) flipped.
            if (ops_.spoilHigh) r.bytes[0] = static_cast<char>(0x1F | (r.bytes[0] & 0x80));
            else r.bytes[0] = static_cast<char>(r.bytes[0] ^ 0x80);
        }
        --ops_.spoilBlockAfter;
    }
}

std::optional<std::string> Instrument::ApplyDeviceOp(const std::string& key, const std::string& value) {
    long n = 0;
    auto number = [&](long low, long high) { return ParseInt(value, n) && n >= low && n <= high; };
    if (key == "factory") {
        // B0,B1,..,B7 (decimal or 0x..); a missing eighth byte is 0.
        std::array<uint8_t, 8> bytes{};
        size_t i = 0, pos = 0;
        while (pos <= value.size() && i < bytes.size()) {
            size_t comma = value.find(',', pos);
            if (comma == std::string::npos) comma = value.size();
            long b = 0;
            if (!ParseInt(value.substr(pos, comma - pos), b) || b < 0 || b > 255) return "factory: bytes 0..255, e.g. 0,3,24,0,31,219,0";
            bytes[i++] = static_cast<uint8_t>(b);
            pos = comma + 1;
        }
        if (i < 7 || pos <= value.size()) return "factory: seven or eight bytes";
        factory_ = bytes;
    } else if (key == "cal-stop") {
        if (!number(-1, 190)) return "cal-stop: progress value 0..190, -1 off";
        ops_.calibrationStop = static_cast<int>(n);
    } else if (key == "mute-read") {
        if (!number(-1, 255)) return "mute-read: register 0..255, -1 off";
        ops_.muteRead = static_cast<int>(n);
    } else if (key == "flaky-read") {
        if (!number(-1, 255)) return "flaky-read: register 0..255, -1 off";
        ops_.flakyRead = static_cast<int>(n);
    } else if (key == "no-echo") {
        // ch:N (a channel's setting write) or reg:N (a factory register), or off
        ops_.noEchoChannel = ops_.noEchoRegister = -1;
        if (value == "off") return std::string{};
        const std::string kind = value.substr(0, value.find(':'));
        const std::string rest = value.find(':') == std::string::npos ? "" : value.substr(value.find(':') + 1);
        if (kind == "ch" && ParseInt(rest, n) && n >= 0 && n < kChannels) ops_.noEchoChannel = static_cast<int>(n);
        else if (kind == "reg" && ParseInt(rest, n) && n >= 200 && n <= 206) ops_.noEchoRegister = static_cast<int>(n);
        else return "no-echo: ch:0..383, reg:200..206 or off";
    } else if (key == "raw-temperature") {
        ops_.temperatureMute = value == "none";
        ops_.rawTemperature = -1;
        if (value == "none" || value == "model") return std::string{};
        if (!number(0, 255)) return "raw-temperature: 0..255, none or model";
        ops_.rawTemperature = static_cast<int>(n);
    } else if (key == "setting") {
        // CH=BYTE or all=BYTE: the channel's gain * 32 + power
        const size_t eq = value.find('=');
        long b = 0;
        if (eq == std::string::npos || !ParseInt(value.substr(eq + 1), b) || b < 0 || b > 255)
            return "setting: CH=BYTE or all=BYTE";
        if (value.substr(0, eq) == "all") {
            for (auto& station : regs_) station.fill(static_cast<uint8_t>(b));
        } else if (ParseInt(value.substr(0, eq), n) && n >= 0 && n < kChannels) {
            WholePlateRegister(static_cast<int>(n)) = static_cast<uint8_t>(b);
        }
        else return "setting: channel 0..383 or all";
    } else if (key == "mute-trial") {
        // once, always or off: trial settings (0x11) left unanswered
        if (value == "once") ops_.muteTrial = 1;
        else if (value == "always") ops_.muteTrial = -1;
        else if (value == "off") ops_.muteTrial = 0;
        else return "mute-trial: once, always or off";
    } else if (key == "no-echo-register" || key == "echo-ninth") {
        // S:R (station 1..4, register 0..255) or off
        int& st = key == "echo-ninth" ? ops_.ninthStation : ops_.noEchoStation;
        int& reg = key == "echo-ninth" ? ops_.ninthRegister : ops_.noEchoStationRegister;
        st = reg = -1;
        ops_.ninthCount = 0;
        if (value == "off") return std::string{};
        const size_t colon = value.find(':');
        long r = 0;
        if (colon == std::string::npos || !ParseInt(value.substr(0, colon), n) || n < 1 || n > kStations ||
            !ParseInt(value.substr(colon + 1), r) || r < 0 || r >= kRegisters)
            return key + ": S:R with station 1..4 and register 0..255, or off";
        st = static_cast<int>(n - 1);
        reg = static_cast<int>(r);
    } else if (key == "cal-stream") {
        // B1,B2,.. the calibration progress bytes sent instead of the model's, then silence; off
        ops_.calibrationStream.clear();
        if (value == "off") return std::string{};
        size_t pos = 0;
        while (pos <= value.size()) {
            size_t comma = value.find(',', pos);
            if (comma == std::string::npos) comma = value.size();
            long b = 0;
            if (!ParseInt(value.substr(pos, comma - pos), b) || b < 0 || b > 255) {
                ops_.calibrationStream.clear();
                return "cal-stream: bytes 0..255 separated by commas, or off";
            }
            ops_.calibrationStream.push_back(static_cast<uint8_t>(b));
            pos = comma + 1;
        }
    } else if (key == "spoil-block") {
        // K:parity or K:high spoils the first word of the K-th 0x30 reply from now; off
        if (value == "off") {
            ops_.spoilBlockAfter = -1;
            return std::string{};
        }
        const size_t colon = value.find(':');
        const std::string kind = colon == std::string::npos ? "" : value.substr(colon + 1);
        if (colon == std::string::npos || !ParseInt(value.substr(0, colon), n) || n < 0 ||
            (kind != "parity" && kind != "high"))
            return "spoil-block: K:parity or K:high, or off";
        ops_.spoilBlockAfter = static_cast<int>(n);
        ops_.spoilHigh = kind == "high";
    } else if (key == "cut-block") {
        // K:LEN cuts the K-th 0x30 reply from now (0 = the next) to LEN bytes; off
        if (value == "off") {
            ops_.cutBlockAfter = -1;
            return std::string{};
        }
        const size_t colon = value.find(':');
        long len = 0;
        if (colon == std::string::npos || !ParseInt(value.substr(0, colon), n) || n < 0 ||
            !ParseInt(value.substr(colon + 1), len) || len < 0 || len > 191)
            return "cut-block: K:LEN with LEN 0..191, or off";
        ops_.cutBlockAfter = static_cast<int>(n);
        ops_.cutBlockLength = static_cast<int>(len);
    } else {
        return std::nullopt;
    }
    return std::string{};
}

}  // namespace vondrel::sim
