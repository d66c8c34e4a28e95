// The simulated instrument's behaviour: what it answers to each frame, its
// level model, moving organisms, temperature, factory calibration record and
// the faults it can be told to make. No I/O here; the server in main.cpp
// feeds it frames and sends its replies over the pseudo-terminal.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "device/ReplyFormats.h"

namespace vondrel::sim {

inline constexpr int kStations = 4;
inline constexpr int kChannels = 384;

// How a 0x30 request is answered: the frame alone does not tell whether the
// program wants a 192-byte WordSampleBlock (calibration, self-test, the twin
// technical panel) or a 48-byte ParityWordBlock (single-station run, the
// technical panel's live levels). Auto decides from the offset and, for 0
// and 32, from the commands that came before (see Instrument::Handle).
enum class BlockMode { Word192, Parity48, Auto };

inline constexpr int kRegisters = 256;  // per station, one byte each

enum class StationState { Ok, Silent, Short, Garbage, Parity };

struct StationFault {
    StationState state = StationState::Ok;
    double rate = 0.0;  // parity errors: probability per sample
};

struct Settings {
    int id = 42;
    BlockMode mode = BlockMode::Auto;
    std::array<bool, kStations> present{true, true, true, true};
    std::array<StationFault, kStations> station{};
    bool silent = false;        // the whole instrument answers nothing
    bool shortReplies = false;  // every reply cut to its first half
    double wrongEcho = 0.0;     // probability that a register write echoes a wrong register
    double activity = 0.01;     // probability per well and sample that a dip starts
    int noise = 3;              // +- counts of noise on each level
    uint64_t seed = 1;
    double ambient = 22.0;      // degrees Celsius
    int calibrationMs = 1500;   // length of the calibration progress stream
    double timeScale = 1.0;     // shrinks the simulator's own delays like the program's
    std::map<int, double> channelFactor;  // weak (<1) or dead (0) channels
};

// Deterministic faults and fixed answers for the calibration, zeroing,
// factory record and self-test paths; all off by default.
struct DeviceOpFaults {
    int calibrationStop = -1;   // the progress stream ends at this value, without 191
    int muteRead = -1;          // a register (0x20 value) whose reads go unanswered
    int flakyRead = -1;         // a register whose successive reads never agree
    int noEchoChannel = -1;     // a channel whose setting writes are never echoed
    int noEchoRegister = -1;    // a factory register (200..206) never echoed
    int rawTemperature = -1;    // a fixed raw temperature byte (0..255); -1 follows the model
    bool temperatureMute = false;  // temperature queries go unanswered
    int cutBlockAfter = -1;     // the 0x30 reply that many 0x30 requests from now ...
    int cutBlockLength = 0;     // ... is cut to this many bytes
    int muteTrial = 0;          // trial settings (0x11) left unanswered: this many more, -1 all
    int noEchoStation = -1;     // with noEchoStationRegister: a station register never echoed ...
    int noEchoStationRegister = -1;
    int ninthStation = -1;      // ... or echoed only at the ninth of each nine writes
    int ninthRegister = -1;
    int ninthCount = 0;
    std::vector<uint8_t> calibrationStream;  // a fixed progress stream, then silence (empty: the model's)
    int spoilBlockAfter = -1;   // the 0x30 reply that many 0x30 requests from now ...
    bool spoilHigh = false;     // ... carries high byte 0x1F in its first word (else a wrong parity bit)
};

// One thing to send: bytes now, or a stream of single bytes with a gap.
struct Reply {
    std::string bytes;                 // sent at once (may be empty)
    std::vector<uint8_t> stream;       // then these, one byte per gap
    double streamGapMs = 0.0;
};

class Instrument {
public:
    explicit Instrument(const Settings& s);

    // The answer to one frame at time `nowMs` (milliseconds of the
    // simulator's clock). nullopt means no reply.
    std::optional<Reply> Handle(const DeviceFrame& f, double nowMs);
    // A description of the frame for the log.
    static std::string Describe(const DeviceFrame& f);

    Settings& settings() { return s_; }
    const Settings& settings() const { return s_; }

    // Applies "key value" (the same keys as the command-line options);
    // returns an error text, empty on success.
    std::string Apply(const std::string& key, const std::string& value);

    // The device-operation switches: "factory", "cal-stop", "mute-read",
    // "flaky-read", "no-echo", "raw-temperature", "setting", "cut-block", "mute-trial".
    // nullopt when `key` is not one of them.
    std::optional<std::string> ApplyDeviceOp(const std::string& key, const std::string& value);
    const DeviceOpFaults& DeviceOps() const { return ops_; }

    // A channel's setting as the whole-plate map sees it: channels 0..127 are
    // station 1's registers 0..127, channels 128..383 station 2's 0..255.
    int Setting(int channel) const;
    int Register(int station, int reg) const {
        return regs_[static_cast<size_t>(station)][static_cast<size_t>(reg)];
    }
    BlockMode LastDecision() const { return decision_; }
    const std::array<uint8_t, 8>& Factory() const { return factory_; }
    double Temperature(double nowMs);
    void SetTemperature(double t) { temperature_ = t; }
    int Actuator() const { return actuator_; }
    // The raw temperature byte the instrument reports now.
    int RawTemperature(double nowMs);
    // The level of a channel as a WordSampleBlock would carry it (no noise).
    int ModelLevel(int station, int channel) const;
    // The level of a channel as a station's own blocks (48-byte, 0x33) carry
    // it: channel 2r and 2r + 1 follow the station's register r (no noise).
    int StationModelLevel(int station, int channel) const;

private:
    int LevelOf(double level, int station, int slot, bool withActivity);
    double SettingLevel(int station, int channel, int settingByte) const;
    uint8_t& WholePlateRegister(int channel);
    void Step(int station);
    void Calibrate(int station, int target);
    std::string ReplyTo(const DeviceFrame& f, double nowMs, Reply& r, bool& answer);
    // Applies the device-operation switches to a frame before (`handled`
    // true: its reply is decided here) and to a reply after the model.
    std::string DeviceOpReply(const DeviceFrame& f, double nowMs, bool& handled, bool& answer);
    void DeviceOpAfter(const DeviceFrame& f, Reply& r);
    bool Chance(double p);
    // The station faults of a block reply, the same for every block size: a
    // word or sample whose check the station breaks (parity:RATE), and the
    // whole block replaced by as many random bytes (garbage) or cut to its
    // first half (short). A silent or absent station is not answered at all.
    bool BreaksCheck(const StationFault& fault);
    std::string FaultyBlock(const StationFault& fault, std::string block);
    std::string Garbage(size_t n);

    Settings s_;
    DeviceOpFaults ops_;
    int flaky_count_ = 0;
    std::mt19937_64 model_rng_;
    std::mt19937_64 fault_rng_;
    std::array<std::array<double, kChannels>, kStations> base_{};
    std::array<std::array<uint8_t, kRegisters>, kStations> regs_{};
    std::array<uint8_t, 8> factory_{};
    struct Dip {
        int remaining = 0;
        double depth = 0.0;
    };
    std::array<std::array<Dip, kBlockValues>, kStations> dips_{};
    std::array<int, kChannels> well_of_slot_{};
    double temperature_ = 22.0;
    double temperature_time_ = 0.0;
    int actuator_ = 0;
    BlockMode decision_ = BlockMode::Parity48;
};

bool ParseBlockMode(const std::string& text, BlockMode& mode);
const char* BlockModeName(BlockMode m);

}  // namespace vondrel::sim
