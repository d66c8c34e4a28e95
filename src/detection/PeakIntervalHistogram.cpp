#include "detection/PeakIntervalHistogram.h"

#include <array>
#include <cmath>
#include <string>

#include "detection/EventCounter.h"
#include "platform/Numbers.h"

namespace vondrel {

int16_t PeakIntervalHistogram(ConstSampleWindow window, int16_t channel, std::span<int16_t> histogram,
                              double threshold) {
    constexpr int kN = kWindowSamples;
    if (channel < 0 || channel >= window.channels)
        throw DetectionRangeError("channel " + std::to_string(channel) + " is not in the sample window");
    if (window.Samples() < kN) throw DetectionRangeError("the sample window does not hold samples 0 to 499");
    if (histogram.size() < static_cast<size_t>(kHistogramClasses))
        throw DetectionRangeError("the histogram does not hold classes 0 to 49");
    if (!std::isfinite(threshold)) throw DetectionRangeError("the dip depth is not a number");

    // Least dip depth, a whole number of levels. Kept as a double so that no
    // threshold can overflow the depth arithmetic below.
    const double least_depth = RoundHalfEven(threshold);

    for (int d = 0; d < kHistogramClasses; ++d) histogram[static_cast<size_t>(d)] = 0;

    // Five-sample mean, held flat over the three samples at either end.
    std::array<int32_t, kN> S;
    for (int i = 3; i <= 496; ++i) {
        int32_t sum = 0;
        for (int j = i - 2; j <= i + 2; ++j) sum += window.At(channel, j);
        S[i] = static_cast<int32_t>(RoundHalfEven(sum / 5.0));
    }
    S[0] = S[1] = S[2] = S[3];
    S[497] = S[498] = S[499] = S[496];

    // Depth below the last peak (strict local maximum), less the least depth,
    // never negative.
    std::array<double, kN> V;
    int32_t peak = S[0];
    for (int c = 1; c <= 498; ++c) {
        if (S[c] > S[c - 1] && S[c] > S[c + 1]) peak = S[c];
        const double depth = (peak - S[c]) - least_depth;
        V[c] = depth < 0.0 ? 0.0 : depth;
    }
    V[0] = V[1];
    V[499] = V[498];

    // Distances between the deepest points of successive dips; the first is
    // measured from sample 0. Only 2..49 samples are counted, but every dip
    // becomes the new starting point.
    int last = 0;
    for (int k = 1; k <= 498; ++k) {
        if (V[k] > V[k - 1] && V[k] > V[k + 1]) {
            const int d = k - last;
            if (d > 1 && d < kHistogramClasses) ++histogram[static_cast<size_t>(d)];
            last = k;
        }
    }
    return 1;
}

}  // namespace vondrel
