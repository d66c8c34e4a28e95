#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "techpanel/AutoGain.h"

namespace vondrel::techpanel {
namespace {

// Registers whose level grows with 8 * power + gain, as the instrument's
// receivers do, each with its own brightness.
class ModelLink : public AutoGainLink {
public:
    explicit ModelLink(std::vector<double> base) : base_(std::move(base)), setting_(base_.size(), 0) {}
    bool Continue(int reg) override { return reg != stopAt; }
    bool Measure(int reg, int& level) override {
        ++measures;
        if (reg == deadAt) return false;
        level = Level(reg);
        return true;
    }
    bool Write(int reg, int power, int gain) override {
        ++writes;
        if (writes > lostAfterWrites) return false;
        highest = std::max(highest, reg);
        setting_[static_cast<size_t>(reg)] = 8 * power + gain;
        return true;
    }
    int Level(int reg) const {
        return static_cast<int>(std::lround(2000.0 * base_[static_cast<size_t>(reg)] * setting_[static_cast<size_t>(reg)] / 63));
    }
    int stopAt = -1, deadAt = -1, measures = 0, writes = 0, highest = -1, lostAfterWrites = 1 << 30;

private:
    std::vector<double> base_;
    std::vector<int> setting_;
};

std::vector<double> Bases(int n) {
    std::vector<double> b;
    for (int i = 0; i < n; ++i) b.push_back(1.0 + 2.0 * i / n);  // 1.0 .. 3.0 times full scale
    return b;
}

TEST(AutoGainSearch, EveryRegisterEndsInItsWindow) {
    for (double target : {80.0, 90.0}) {
        ModelLink link(Bases(192));
        const LevelWindow w = AutoGainWindow(target);
        const AutoGainResult r = RunAutoGain(link, w, 192);
        EXPECT_EQ(r.end, AutoGainEnd::Done);
        EXPECT_EQ(link.highest, 191);
        for (int reg = 0; reg < 192; ++reg) {
            EXPECT_GE(link.Level(reg), w.lo) << target << " reg " << reg;
            EXPECT_LE(link.Level(reg), w.hi) << target << " reg " << reg;
        }
    }
}

TEST(AutoGainSearch, DarkAndInWindowRegisters) {
    // One register already in the window at the preset, one that stays dark.
    ModelLink link({1741.0 / (2000.0 * 31 / 63) * 1.02, 0.1});
    const AutoGainResult r = RunAutoGain(link, AutoGainWindow(90), 2);
    EXPECT_EQ(r.power[0], 3);
    EXPECT_EQ(r.gain[0], 7);
    EXPECT_EQ(r.power[1], 7);  // left at full power and gain
    EXPECT_EQ(r.gain[1], 7);
    EXPECT_EQ(link.writes, 2 + 4);  // two presets, four power steps of the dark one
}

TEST(AutoGainSearch, StopsWhenOfflineAndEndsOnADeadBlock) {
    ModelLink stopped(Bases(10));
    stopped.stopAt = 4;
    EXPECT_EQ(RunAutoGain(stopped, AutoGainWindow(80), 10).end, AutoGainEnd::Stopped);
    ModelLink dead(Bases(10));
    dead.deadAt = 2;
    EXPECT_EQ(RunAutoGain(dead, AutoGainWindow(80), 10).end, AutoGainEnd::DeadBlock);
}

// A write that finds the port lost ends the search there, in the preset or
// in a register's search: no further write or measurement follows.
TEST(AutoGainSearch, EndsAtTheFirstWriteOnALostPort) {
    for (int lostAfter : {0, 5, 12}) {
        ModelLink link(Bases(10));
        link.lostAfterWrites = lostAfter;
        EXPECT_EQ(RunAutoGain(link, AutoGainWindow(80), 10).end, AutoGainEnd::PortLost) << lostAfter;
        EXPECT_EQ(link.writes, lostAfter + 1) << lostAfter;
        if (lostAfter < 10) {
            EXPECT_EQ(link.measures, 0) << lostAfter;
        }
    }
}

}  // namespace
}  // namespace vondrel::techpanel
