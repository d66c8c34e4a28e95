#include "detection/EventCounter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "detection/Motility.h"
#include "platform/Files.h"
#include "platform/Numbers.h"

// Every formula below is evaluated in double, operand by operand in the order
// it is written, because ties at .5 (rounded half to even) depend on it. The
// lines and bands are held as doubles carrying whole numbers: a 16-bit
// intermediate overflows for valid 12-bit levels (a lone 4095 peak on a dark
// channel, sums of three line values at a high SNR), and a double holds every
// such sum exactly. Only what leaves the counter is narrowed to 16 bits.

namespace vondrel {
namespace {

constexpr int kN = kWindowSamples;
constexpr int kStatFirst = 2;     // statistics over samples 2..498
constexpr int kStatLast = 498;
constexpr double kStatCount = 497.0;
constexpr int kEnvelopeSpan = 30;  // short mean of the upper envelope
constexpr int kGate = 30;          // method 0 counts at every 30th sample
constexpr int kMinimumSpan = 50;   // method 2 running minimum and its smoothing
constexpr int kForwardLast = 448;  // method 2 looks forward up to this sample, backward after it
constexpr int kDiffSpan = 10;      // method 2 mean of the differences
constexpr int kDiffForwardLast = 488;
constexpr int kRunLength = 10;     // method 2 run that makes an event
constexpr int32_t kLeastJump = 5;

using Levels = std::array<int32_t, kN>;
using Reals = std::array<double, kN>;

double Round(double x) { return RoundHalfEven(x); }

// Narrowing of a whole-valued result to a 16-bit table entry. Only results of
// out-of-range input (levels far outside 12 bits, huge thresholds) reach the
// limits; they are held at the nearest representable level.
int16_t Saturate16(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 32767.0) return INT16_MAX;
    if (x <= -32768.0) return INT16_MIN;
    return static_cast<int16_t>(x);
}

struct EnvelopeStats {
    int32_t amplitude = 0;  // mean of upper minus lower envelope
    int32_t level = 0;      // mean level
};

// Upper envelope U (value of the last strict local maximum, seeded with
// w(seed)) and the rounded means of U - L and of the level over samples
// 2..498. Entries 0..498 of U are written.
EnvelopeStats Envelope(const Levels& w, int seed, Levels& U) {
    int32_t upper = w[seed];
    int32_t lower = w[seed];
    U[0] = U[1] = upper;
    int32_t amplitude_sum = 0;
    int32_t level_sum = 0;
    for (int i = kStatFirst; i <= kStatLast; ++i) {
        const int32_t prev = w[i - 1], cur = w[i], next = w[i + 1];
        // Written as selections: in noisy signals the extremes come at random.
        const bool is_max = (cur > prev) & (cur > next);
        const bool is_min = (cur < prev) & (cur < next);
        upper = is_max ? cur : upper;
        lower = is_min ? cur : lower;
        U[i] = upper;
        amplitude_sum += upper - lower;
        level_sum += cur;
    }
    EnvelopeStats s;
    s.amplitude = static_cast<int32_t>(Round(amplitude_sum / kStatCount));
    s.level = static_cast<int32_t>(Round(level_sum / kStatCount));
    return s;
}

// Percentage band width from the envelope statistics. The first pass uses the
// formula whenever the level is positive; the second also requires the swing
// to be below the level.
double PercentThreshold(const EnvelopeStats& s, double threshold, bool require_swing_below_level) {
    double t;
    const bool use_ratio = s.level > 0 && (!require_swing_below_level || s.amplitude < s.level);
    if (use_ratio)
        t = (1.0 - static_cast<double>(s.level - s.amplitude) / s.level) * 100.0 * threshold;
    else
        t = threshold;
    t = t + 1.0;
    if (t < 1.0) t = 1.0;
    return t;
}

// The sums behind m30(i), the rounded mean of the 30 upper-envelope entries
// after i (i < 30) or before i (i >= 30).
void EnvelopeSums(const Levels& U, Levels& sums) {
    int32_t sum = 0;
    for (int j = 1; j <= kEnvelopeSpan; ++j) sum += U[j];
    for (int i = 0; i < kEnvelopeSpan; ++i) {
        sums[i] = sum;
        sum += U[i + kEnvelopeSpan + 1] - U[i + 1];
    }
    sum = 0;
    for (int j = 0; j < kEnvelopeSpan; ++j) sum += U[j];
    for (int i = kEnvelopeSpan; i < kN; ++i) {
        sums[i] = sum;
        if (i + 1 < kN) sum += U[i] - U[i - kEnvelopeSpan];
    }
}

double EnvelopeMeanOf(int32_t sum) { return Round(sum / static_cast<double>(kEnvelopeSpan)); }

void EnvelopeMean(const Levels& sums, Levels& m30) {
    for (int i = 0; i < kN; ++i) m30[i] = static_cast<int32_t>(EnvelopeMeanOf(sums[i]));
}

// The same, reusing the means of an earlier pass wherever its sum was the
// same (the two passes differ only in their seed and around clipped levels).
void EnvelopeMean(const Levels& sums, const Levels& known_sums, const Levels& known_m30, Levels& m30) {
    for (int i = 0; i < kN; ++i)
        m30[i] = sums[i] == known_sums[i] ? known_m30[i] : static_cast<int32_t>(EnvelopeMeanOf(sums[i]));
}

// Band above the envelope; levels above it are lowered to it, in the local
// copy and in the caller's window alike.
void ClipToBand(Levels& w, const Levels& m30, double T, const SampleWindow& window, int channel) {
    const double up = T + 100.0;
    const double up_start = up / 100.0;
    std::array<double, kN> B;
    for (int i = 0; i < kN; ++i) {
        if (i < 4)
            B[i] = Round(up_start * m30[i]);
        else
            B[i] = Round((up * m30[i] / 100.0 + B[i - 3] + B[i - 1] + B[i - 2]) / 4.0);
        if (w[i] > B[i]) {
            const int16_t clipped = Saturate16(B[i]);
            window.At(channel, i) = clipped;
            w[i] = clipped;
        }
    }
}

// Methods 0 and 1: a lower line below the envelope mean, widened over the
// first four samples and then smoothed recursively.
int16_t CountBelowLowerLine(const Levels& w, const Levels& m30, double T, bool gated, char* flags) {
    const double start_scale = (100.0 - 1.75 * T) / 100.0;
    const double scale = 100.0 - T;
    std::array<double, kN> line;
    int16_t count = 0;
    int gate = 0;
    bool below = false;
    for (int u = 0; u < kN; ++u) {
        if (u < 4)
            line[u] = Round(start_scale * m30[u]);
        else
            line[u] = Round((line[u - 2] + line[u - 1] + line[u - 3] + m30[u] * scale / 100.0) / 4.0);
        g_processed_sample[u] = Saturate16(line[u]);
        const double level = w[u];
        if (gated) {
            // A drop arms the state; it is counted once at the next gate.
            if (level < line[u]) below = true;
            if (gate == kGate && below) {
                ++count;
                g_sample_event_mark[u] = -1;
                flags[u] = '1';
                below = false;
            }
        } else {
            // Counted on the way down; re-armed only strictly above the line.
            if (level < line[u] && !below) {
                ++count;
                g_sample_event_mark[u] = -1;
                flags[u] = '1';
                below = true;
            }
            if (level > line[u]) below = false;
        }
        if (gate == kGate) gate = 0;
        ++gate;
    }
    return count;
}

// Method 3: a line at threshold x envelope mean, crossed by the mean of two
// consecutive levels.
int16_t CountBelowThresholdLine(const Levels& w, const Levels& m30, double threshold, char* flags) {
    std::array<double, kN> line;
    int16_t count = 0;
    bool below = false;
    for (int u = 0; u < kN; ++u) {
        const double p = m30[u] * threshold;
        if (u < 4)
            line[u] = Round(p);
        else
            line[u] = Round((line[u - 2] + line[u - 1] + line[u - 3] + p) / 4.0);
        g_processed_sample[u] = Saturate16(line[u]);
        if (u >= 1) {
            const double a = (w[u - 1] + w[u]) / 2.0;
            if (a < line[u] && !below) {
                ++count;
                g_sample_event_mark[u] = -1;
                flags[u] = '1';
                below = true;
            }
            if (a > line[u]) below = false;
        }
    }
    return count;
}

// Method 2: the level above its (smoothed) running minimum, averaged over ten
// samples; an event is a run of ten steps in one direction, counted after a
// change of direction, that ends more than the least jump away from where the
// run began.
}  // namespace

int16_t CountMotility(const std::array<int32_t, kWindowSamples>& w, int32_t jump, char* flags, int16_t* processed) {
    // Running minimum over 50 samples: forward windows y..y+49 up to y = 448,
    // backward windows y-49..y after it. Every window starts at 0..450 and
    // lies inside one or two aligned blocks of 50, so its minimum is the
    // smaller of the block suffix minimum at its start and the block prefix
    // minimum at its end.
    std::array<int32_t, kN> prefix, suffix;
    for (int b = 0; b < kN; b += kMinimumSpan) {
        prefix[b] = w[b];
        for (int i = b + 1; i < b + kMinimumSpan; ++i) prefix[i] = std::min(prefix[i - 1], w[i]);
        suffix[b + kMinimumSpan - 1] = w[b + kMinimumSpan - 1];
        for (int i = b + kMinimumSpan - 2; i >= b; --i) suffix[i] = std::min(suffix[i + 1], w[i]);
    }
    std::array<int32_t, kN> minimum;
    for (int y = 0; y < kN; ++y) {
        const int first = y <= kForwardLast ? y : y - (kMinimumSpan - 1);
        const int last = first + kMinimumSpan - 1;
        minimum[y] = std::min({9999, suffix[first], prefix[last]});  // the search starts from 9999
    }

    // Smoothing in place, in ascending order: forward windows still hold the
    // unsmoothed whole-number minima (their running sum is exact), backward
    // windows read entries already smoothed in this pass.
    Reals M;
    {
        int32_t sum = 0;
        for (int j = 0; j < kMinimumSpan; ++j) sum += minimum[j];
        for (int y = 0; y <= kForwardLast; ++y) {
            M[y] = sum / static_cast<double>(kMinimumSpan);
            sum += minimum[y + kMinimumSpan] - minimum[y];
        }
        // Backward windows: each mean adds its 50 entries in ascending order,
        // the last one still unsmoothed. Three consecutive means advance side
        // by side over the entries they share (each in its own order, so the
        // sums are the same), which keeps the additions from forming one
        // long chain of dependent steps.
        static_assert((kN - kForwardLast - 1) % 3 == 0);
        for (int y0 = kForwardLast + 1; y0 < kN; y0 += 3) {
            const int start = y0 - (kMinimumSpan - 1);
            double s0 = M[start], s1 = 0.0, s2 = 0.0;
            s0 += M[start + 1];
            s1 += M[start + 1];
            for (int j = start + 2; j < y0; ++j) {
                s0 += M[j];
                s1 += M[j];
                s2 += M[j];
            }
            s0 += minimum[y0];
            M[y0] = s0 / kMinimumSpan;
            s1 += M[y0];
            s2 += M[y0];
            s1 += minimum[y0 + 1];
            M[y0 + 1] = s1 / kMinimumSpan;
            s2 += M[y0 + 1];
            s2 += minimum[y0 + 2];
            M[y0 + 2] = s2 / kMinimumSpan;
        }
    }

    Reals X;
    for (int y = 0; y < kN; ++y) X[y] = w[y] - M[y];
    // Ten-sample means, forward up to 488 and backward after it; four at a
    // time where they look forward (each sum in its own ascending order).
    Reals D;
    int y = 0;
    for (; y + 3 <= kDiffForwardLast; y += 4) {
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        for (int j = 0; j < kDiffSpan; ++j) {
            s0 += X[y + j];
            s1 += X[y + 1 + j];
            s2 += X[y + 2 + j];
            s3 += X[y + 3 + j];
        }
        D[y] = s0 / kDiffSpan;
        D[y + 1] = s1 / kDiffSpan;
        D[y + 2] = s2 / kDiffSpan;
        D[y + 3] = s3 / kDiffSpan;
    }
    for (; y < kN; ++y) {
        const int first = y <= kDiffForwardLast ? y : y - (kDiffSpan - 1);
        double s = 0.0;
        for (int j = first; j < first + kDiffSpan; ++j) s += X[j];
        D[y] = s / kDiffSpan;
    }

    int16_t count = 0;
    bool rising = false;  // the walk starts in the falling direction
    int run = 0;
    double reference = 0.0;
    for (int m = 1; m < kN; ++m) {
        if (D[m] > D[m - 1]) {
            if (!rising) {
                rising = true;
                run = 0;
                reference = Round(D[m]);
            } else {
                ++run;
            }
        } else if (D[m] < D[m - 1]) {
            if (rising) {
                rising = false;
                run = 0;
                reference = Round(D[m]);
            } else {
                ++run;
            }
        }
        if (std::fabs(reference - D[m]) > jump && run == kRunLength) {
            ++count;
            if (flags) flags[m] = '1';
        }
        if (processed) processed[m] = Saturate16(Round(D[m] - jump));
    }
    return count;
}

int16_t CountEvents(SampleWindow window, int16_t channel, double threshold, int16_t method, int32_t export_flag,
                    std::string_view folder, int32_t tag) {
    if (channel < 0 || channel >= window.channels)
        throw DetectionRangeError("channel " + std::to_string(channel) + " is not in the sample window");
    if (window.Samples() < kN) throw DetectionRangeError("the sample window does not hold samples 0 to 499");
    if (!std::isfinite(threshold)) throw DetectionRangeError("the detection threshold is not a number");

    char flags[kN];
    std::fill(std::begin(flags), std::end(flags), '0');

    Levels w;
    for (int i = 0; i < kN; ++i) w[i] = window.At(channel, i);

    // Envelope of the raw levels and the band they are held under.
    Levels U, raw_sums, raw_m30;
    {
        const EnvelopeStats raw = Envelope(w, 1, U);
        const double T = PercentThreshold(raw, threshold, false);
        EnvelopeSums(U, raw_sums);
        EnvelopeMean(raw_sums, raw_m30);
        ClipToBand(w, raw_m30, T, window, channel);
    }

    // The same statistics on the clipped levels give the threshold and the
    // envelope the methods work with.
    const EnvelopeStats clipped = Envelope(w, 2, U);
    const double T = PercentThreshold(clipped, threshold, true);
    const int32_t jump = std::max(clipped.amplitude, kLeastJump);
    Levels sums, m30;
    EnvelopeSums(U, sums);
    EnvelopeMean(sums, raw_sums, raw_m30, m30);

    int16_t count = 0;
    switch (method) {
        case kMethodGatedThreshold: count = CountBelowLowerLine(w, m30, T, true, flags); break;
        case kMethodThresholdAverage: count = CountBelowLowerLine(w, m30, T, false, flags); break;
        case kMethodMotilityIndex: count = CountMotility(w, jump, flags, g_processed_sample.data()); break;
        case kMethodThresholdLine: count = CountBelowThresholdLine(w, m30, threshold, flags); break;
        default: break;
    }

    if (export_flag == 1) {
        std::string line = std::to_string(tag);
        line += ' ';
        line.append(flags, kN);
        line += "\r\n";
        const std::string path = platform::JoinPath(folder, "ch" + std::to_string(channel) + ".raw");
        if (!platform::AppendTextFile(path, line))
            throw EventFileError("cannot append the event flags to " + path);
    }
    return count;
}

}  // namespace vondrel
