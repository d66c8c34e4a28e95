#include "detection/ChannelThreshold.h"

#include "platform/Numbers.h"

namespace vondrel {

double AdaptChannelThreshold(int32_t& amplitude_sum, int32_t& signal_sum, int32_t signal_count, double snr) {
    if (signal_count >= 1) {
        // A mean never lies farther from 0 than its sum, so it fits.
        amplitude_sum = ToInt32(static_cast<double>(amplitude_sum) / signal_count);
        signal_sum = ToInt32(static_cast<double>(signal_sum) / signal_count);
    }
    const int32_t A = amplitude_sum;
    const int32_t Lv = signal_sum;
    double v;
    if (A >= Lv || Lv < 1)
        v = snr * 100.0;
    else
        v = (1.0 - static_cast<double>(static_cast<int64_t>(Lv) - A) / Lv) * 100.0 * snr;
    v = v + 1.0;
    if (v < 1.8) v = 1.8;
    return v;
}

}  // namespace vondrel
