#include "techpanel/AutoGain.h"

namespace vondrel::techpanel {

namespace {

// One register's search; false when a measurement failed or the port was
// lost (`lost` tells which).
bool SearchRegister(AutoGainLink& link, LevelWindow w, int r, int& P, int& G, bool& lost) {
    int level = 0;
    if (!link.Measure(r, level)) return false;
    auto write = [&] {
        if (!link.Write(r, P, G)) {
            lost = true;
            return false;
        }
        return link.Measure(r, level);
    };
    // Raise the power while too dark.
    while (level < w.lo && P < 7) {
        G = 7;
        ++P;
        if (!write()) return false;
    }
    // Too bright: lower the power with gain 0 until it fits or reaches 2,
    // then count the gain down from 7.
    if (level > w.hi) {
        G = 0;
        if (!write()) return false;
        for (;;) {
            if (level <= w.hi || P <= 2) {
                G = 7;
                if (!write()) return false;
                while (level > w.hi && G >= 1) {
                    --G;
                    if (!write()) return false;
                }
                break;
            }
            --P;
            G = 7;
            if (!write()) return false;
            if (level > w.hi) {
                G = 0;
                if (!write()) return false;
            }
        }
    }
    // Last resort: dark at power 3 and gain 0; try power 2 from gain 7 and
    // go back when that is darker still.
    if (level < w.lo && G == 0 && P == 3) {
        const int l0 = level;
        G = 7;
        P = 2;
        if (!write()) return false;
        while (level > w.hi && G >= 1) {
            --G;
            if (!write()) return false;
        }
        if (level < l0) {
            G = 0;
            P = 3;
            if (!write()) return false;
        }
    }
    return true;
}

}  // namespace

AutoGainResult RunAutoGain(AutoGainLink& link, LevelWindow w, int count) {
    AutoGainResult res;
    res.power.assign(static_cast<size_t>(count), 3);
    res.gain.assign(static_cast<size_t>(count), 7);
    for (int r = 0; r < count; ++r) {
        if (!link.Write(r, 3, 7)) {
            res.end = AutoGainEnd::PortLost;
            return res;
        }
    }
    for (int r = 0; r < count; ++r) {
        if (!link.Continue(r)) {
            res.end = AutoGainEnd::Stopped;
            return res;
        }
        bool lost = false;
        if (!SearchRegister(link, w, r, res.power[static_cast<size_t>(r)], res.gain[static_cast<size_t>(r)], lost)) {
            res.end = lost ? AutoGainEnd::PortLost : AutoGainEnd::DeadBlock;
            return res;
        }
    }
    return res;
}

}  // namespace vondrel::techpanel
