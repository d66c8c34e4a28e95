// The simulated instrument as later work relies on it: block formats and the
// 0x30 mode, station faults, the calibration progress stream, temperature.
#include <filesystem>
#include <thread>

#include "LinkFixture.h"
#include "device/COM_Module.h"

using namespace vondrel;
using namespace vondrel::testing;

namespace {
// Sends one frame and reads its whole reply. The simulator's log says how
// many bytes it sent, so the read asks for just those and never has to wait
// out a silence, which a busy machine could stretch past any margin. Each
// test keeps the reads' designed time-outs.
std::string Ask(SimProcess& sim, int command, int value, int address) {
    CommFlush(4);
    sim.MarkLog();
    CommWrite(4, *BuildDeviceFrame(command, value, address));
    const std::vector<size_t> sizes = sim.ReplySizesSinceMark(1);
    std::string reply;
    if (!sizes.empty() && sizes[0] > 0) CommRead(4, reply, static_cast<int32_t>(sizes[0]));
    return reply;
}
}  // namespace

TEST_F(LinkTest, SimulatorBlockModeForCommand30) {
    SimProcess sim(folder_.Path(), 4);
    platform::SetTimeScale(0.05);
    platform::SetReplyTimeoutScale(1.0);
    OpenCom4();
    // auto: 64 and 96 mean the whole plate, any offset that is no multiple of
    // 32 the single-station read; 0 and 32 follow the last command that
    // decides: identification the whole plate, everything a run or the panel
    // sends first one station. Register writes and other reads leave it.
    const std::vector<std::pair<std::vector<int>, size_t>> steps = {
        {{0x30, 0}, 48u},    // a fresh instrument: one station
        {{0x30, 96}, 192u},
        {{0x30, 32}, 48u},   // a whole-plate read decides nothing
        {{0x00, 0}, 0u},     // identification ...
        {{0x30, 0}, 192u},   // ... then the whole plate
        {{0x30, 16}, 48u},
        {{0x30, 32}, 192u},
        {{0x80 << 8 | 5, 7}, 0u},  // a register write leaves the decision
        {{0x30, 0}, 192u},
        {{0x21, 0}, 0u},     // a temperature read: one station again
        {{0x30, 32}, 48u},
        {{0x30, 64}, 192u},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        const auto& [frame, size] = steps[i];
        const int address = frame[0] >> 8, command = frame[0] & 0xFF;
        if (command == 0x30) {
            EXPECT_EQ(Ask(sim, 0x30, frame[1], address).size(), size) << "step " << i;
        } else {
            Ask(sim, command, frame[1], address);  // a write carries its register as the command
        }
    }

    sim.Set("mode", "word192");
    EXPECT_EQ(Ask(sim, 0x30, 16, 0).size(), 192u);
    sim.Set("mode", "parity48");
    const std::string block = Ask(sim, 0x30, 0, 0);
    ASSERT_EQ(block.size(), 48u);
    BlockValues v{};
    EXPECT_EQ(DecodeParityWordBlock(block, v), 0);
    for (int w = 0; w < kParityBlockWords; ++w) EXPECT_GT(v[static_cast<size_t>(w)], 1000) << w;
}

TEST_F(LinkTest, SimulatorStationsAndTheirFaults) {
    SimProcess sim(folder_.Path(), 4, {"--stations", "124", "--station", "2=parity:1", "--station", "4=short"});
    platform::SetTimeScale(0.1);
    platform::SetReplyTimeoutScale(1.0);
    OpenCom4();
    BlockValues v{};
    std::string reply = Ask(sim, 0x33, 0, 0);
    ASSERT_EQ(reply.size(), 144u);
    EXPECT_EQ(DecodePackedSampleBlock(reply, v), 0);
    for (int i = 0; i < kBlockValues; ++i) {
        EXPECT_GT(v[static_cast<size_t>(i)], 1000);
        EXPECT_LE(v[static_cast<size_t>(i)], 2047);
    }
    EXPECT_EQ(DecodePackedSampleBlock(Ask(sim, 0x33, 0, 1), v), kBlockValues);  // every parity wrong
    EXPECT_EQ(Ask(sim, 0x33, 0, 2).size(), 0u);   // station 3 absent
    EXPECT_EQ(Ask(sim, 0x33, 0, 3).size(), 72u);  // station 4 short

    sim.Set("station", "all=ok");
    sim.Set("station", "1=garbage");
    EXPECT_EQ(Ask(sim, 0x33, 0, 0).size(), 144u);
    EXPECT_EQ(DecodePackedSampleBlock(Ask(sim, 0x33, 0, 1), v), 0);
    // Unknown commands get no reply; identification works at any address.
    EXPECT_EQ(Ask(sim, 0x55, 0, 0).size(), 0u);
    EXPECT_EQ(Ask(sim, 0x00, 0, 0), Bytes({0x00, 42}));
}

// The station faults reach the 192-byte (0x30) replies too, so the value-block
// query's handling of a bad block can be tried through the link.
TEST_F(LinkTest, SimulatorStationFaultsApplyToTheWholePlateBlock) {
    SimProcess sim(folder_.Path(), 4, {"--mode", "word192"});
    platform::SetTimeScale(0.05);
    // A block that never comes whole costs one silent read of about a second.
    platform::SetReplyTimeoutScale(1.0);
    OpenCom4();
    auto allUnset = [] {
        for (int i = 0; i < kBlockValues; ++i)
            if (g_block_value[static_cast<size_t>(i)] != -1) return false;
        return true;
    };
    const struct {
        const char* stations;
        const char* fault;
        size_t bytes;   // what comes on the wire
        bool decoded;   // whether QueryValueBlock succeeds
    } cases[] = {
        {"1234", "1=ok", 192, true},
        {"1234", "1=silent", 0, false},
        {"234", "1=ok", 0, false},      // station 1 absent
        {"1234", "1=short", 96, false},
        {"1234", "1=garbage", 192, false},
        {"1234", "1=parity:1", 192, false},
        {"1234", "2=garbage", 192, true},  // another station's fault changes nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stations) + " " + c.fault);
        sim.Set("station", "all=ok");
        sim.Set("stations", c.stations);
        sim.Set("station", c.fault);
        const std::string reply = Ask(sim, 0x30, 32, 0);
        EXPECT_EQ(reply.size(), c.bytes);
        const int16_t r = QueryValueBlock(0x30, 32, 0);
        EXPECT_EQ(r, c.decoded ? 0 : -1);
        if (c.decoded) {
            for (int i = 0; i < kBlockValues; ++i) EXPECT_GT(g_block_value[static_cast<size_t>(i)], 1000) << i;
        } else if (std::string(c.fault) != "1=garbage") {
            EXPECT_TRUE(allUnset());  // nothing decoded: the block never came whole, or its first word is broken
        }
        if (std::string(c.fault) == "1=parity:1") {
            for (size_t i = 0; i < reply.size(); i += 2) EXPECT_GT(static_cast<uint8_t>(reply[i]), 15) << i;
        }
    }

    // A broken word in the middle: the words before it stay decoded.
    sim.Set("stations", "1234");
    sim.Set("station", "1=parity:0.05");
    int partial = 0;
    for (int i = 0; i < 20; ++i) {
        if (QueryValueBlock(0x30, 0, 0) != 0 && g_block_value[0] != -1) ++partial;
    }
    EXPECT_GT(partial, 0);
}

TEST_F(LinkTest, SimulatorOrganismsMoveReproducibly) {
    auto run = [&](const std::string& seed) {
        SimProcess sim(folder_.Path(), 4, {"--seed", seed, "--activity", "0.05"});
        OpenCom4();
        std::vector<int> trace;
        BlockValues v{};
        for (int i = 0; i < 60; ++i) {
            EXPECT_EQ(DecodePackedSampleBlock(Ask(sim, 0x33, 0, 0), v), 0);
            trace.insert(trace.end(), v.begin(), v.begin() + kBlockValues);
        }
        CommClose(4);
        return trace;
    };
    const auto a = run("7"), b = run("7"), c = run("8");
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    // Some well dips below 90 % of its usual level at some sample.
    int dips = 0;
    for (int w = 0; w < kBlockValues; ++w) {
        int maxLevel = 0, minLevel = 4096;
        for (size_t s = 0; s < 60; ++s) {
            maxLevel = std::max(maxLevel, a[s * kBlockValues + static_cast<size_t>(w)]);
            minLevel = std::min(minLevel, a[s * kBlockValues + static_cast<size_t>(w)]);
        }
        if (minLevel < 0.9 * maxLevel) ++dips;
    }
    EXPECT_GT(dips, 10);
}

TEST_F(LinkTest, SimulatorCalibrationStreamThenReadBack) {
    SimProcess sim(folder_.Path(), 4, {"--cal-ms", "300"});
    OpenCom4();
    CommFlush(4);
    CommWrite(4, *BuildDeviceFrame(0x40, 110, 1));
    std::vector<int> progress;
    for (int empty = 0; empty < 3;) {
        std::string b;
        if (CommRead(4, b, 1) == 1) {
            progress.push_back(static_cast<uint8_t>(b[0]));
            if (progress.back() >= 191) break;
        } else {
            ++empty;
        }
    }
    ASSERT_GE(progress.size(), 5u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 191);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(std::count_if(progress.begin(), progress.end(), [](int p) { return p >= 191; }), 1);
    // Nothing follows the final byte; the read-back answers in order.
    for (int reg = 0; reg < 255; reg += 50) {
        const int16_t setting = QueryByte(0x20, reg, 1);
        ASSERT_GE(setting, 0) << reg;
        EXPECT_EQ(sim.Command("get register 2 " + std::to_string(reg)), "ok " + std::to_string(setting));
    }
}

TEST_F(LinkTest, SimulatorTemperatureFollowsHeatingAndCooling) {
    SimProcess sim(folder_.Path(), 4, {"--time-scale", "0.01"});  // its hours pass a hundred times faster
    OpenCom4();
    const int start = QueryByte(0x21, 0, 3);
    EXPECT_EQ(start, 100);  // 22 degrees at slope 0.219, offset 0
    SendFrame(0x10, 3, 0);  // control on, heating
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int warmer = QueryByte(0x21, 0, 0);
    EXPECT_GT(warmer, start + 3);
    SendFrame(0x10, 1, 0);  // control on, cooling
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_LT(QueryByte(0x21, 0, 0), warmer - 3);
}

// The client mode prints the answer and says by its exit status whether the
// command was taken; a link whose folder is missing is refused before
// anything is created.
TEST_F(LinkTest, SimulatorClientAndItsLinkFolder) {
    SimProcess sim(folder_.Path(), 4);
    const std::string control = folder_.Path() + "/sim4.ctl";
    SimRun run = RunSimulator({"--control", control, "--send", "set station 2=silent", "--send", "get mode"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "ok\nok auto\n");
    OpenCom4();
    std::string reply;
    CommWrite(4, *BuildDeviceFrame(0x33, 0, 1));
    platform::SetTimeScale(0.05);
    EXPECT_EQ(CommRead(4, reply, 144), 0);  // station 2 is silent now

    run = RunSimulator({"--control", control, "--send", "set station 9=ok"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "error station: number 1..4 or all\n");

    run = RunSimulator({"--control", folder_.Path() + "/none.ctl", "--send", "ping"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("no simulator answers on " + folder_.Path() + "/none.ctl"), std::string::npos) << run.err;

    const std::string missing = folder_.Path() + "/unset/ports";
    run = RunSimulator({"--link", missing + "/COM4", "--control", folder_.Path() + "/other.ctl"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("the folder of --link " + missing + "/COM4 does not exist"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "/unset"));
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() + "/other.ctl"));
}
