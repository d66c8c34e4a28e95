// Auto-Gain's search, register by register, for an emitter power and a
// receiver gain that bring the register's level into the target window.
// The instrument is reached through AutoGainLink so the search is tested
// against a model as well as the simulator.
#pragma once

#include <vector>

#include "techpanel/PanelRules.h"

namespace vondrel::techpanel {

class AutoGainLink {
public:
    virtual ~AutoGainLink() = default;
    // Before register r is searched: yield, show its progress; false when
    // the search is to stop (the panel went off line).
    virtual bool Continue(int reg) = 0;
    // The register's level after a pause; false when its block could not be
    // read, which ends the search.
    virtual bool Measure(int reg, int& level) = 0;
    // Writes power and gain; a failure is told by the write itself and the
    // search goes on. false when the instrument can no longer be reached
    // (its port was lost), which ends the search.
    virtual bool Write(int reg, int power, int gain) = 0;
};

enum class AutoGainEnd { Done, Stopped, DeadBlock, PortLost };

struct AutoGainResult {
    AutoGainEnd end = AutoGainEnd::Done;
    std::vector<int> power, gain;  // what was written last per register
};

// Presets every register to power 3, gain 7, then searches registers
// 0..count-1 in order.
AutoGainResult RunAutoGain(AutoGainLink& link, LevelWindow w, int count);

}  // namespace vondrel::techpanel
