#include "device/Calibration.h"

#include <algorithm>

#include "platform/Numbers.h"

namespace vondrel {

bool StepChannelCalibration(int level, ChannelCalState& s) {
    if (level >= kCalLevelLow && level <= kCalLevelHigh) {
        s.done = true;
        s.direction = 0;
        return false;
    }
    const bool dark = level < kCalLevelLow, bright = level > kCalLevelHigh;
    if (dark && s.direction != -1) {
        if (s.gain < kCalMaxStep) {
            ++s.gain;
            s.direction = 1;
        } else if (s.power < kCalMaxStep) {
            s.gain = 0;
            ++s.power;
            s.direction = 1;
        } else {
            s.done = true;  // too dark at the brightest setting
            s.direction = 0;
        }
    }
    if (bright && s.direction != 1) {
        if (s.gain > 0) {
            --s.gain;
            s.direction = -1;
        } else if (s.power > 1) {
            s.gain = kCalMaxStep;
            --s.power;
            s.direction = -1;
        } else {
            s.done = true;  // too bright at the darkest setting
            s.direction = 0;
        }
    }
    if (dark && s.direction == -1) {
        // Made darker last time and now too dark: it stays where it is.
        s.direction = 0;
        s.done = true;
    }
    if (bright && s.direction == 1) s.direction = 0;  // overshot upwards: the next pass may step down
    return !s.done;
}

ChannelSetting SettingOfRegister(int value) {
    return {std::min(value % 32, kCalMaxStep), value / 32};
}

double ZeroThreshold(std::span<const int16_t> w, double snr) {
    const int n_values = static_cast<int>(w.size());
    if (n_values < 11) return kMinimumZeroThreshold;
    int upper = w[10], lower = w[10];
    int64_t swing = 0, sum = 0;
    int n = 0;
    for (int i = 11; i <= n_values - 2; ++i) {
        if (w[i] < w[i - 1] && w[i] < w[i + 1]) lower = w[i];
        if (w[i] > w[i - 1] && w[i] > w[i + 1]) upper = w[i];
        swing += upper - lower;
        sum += w[i];
        ++n;
    }
    const double a = n < 1 ? 0.0 : RoundHalfEven(static_cast<double>(swing) / n);
    const double b = n < 1 ? 0.0 : RoundHalfEven(static_cast<double>(sum) / n);
    const double x = b < 1 ? 0.0 : (1.0 - (b - a) / b) * 100.0 * snr;
    return std::max(x + 1.0, kMinimumZeroThreshold);
}

}  // namespace vondrel
