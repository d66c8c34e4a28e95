#include "detection/BatchCounter.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>

#include "detection/EventCounter.h"
#include "detection/Motility.h"
#include "platform/Numbers.h"

// The batch counter repeats the single-channel counter's arithmetic operation
// by operation, in the same order and in double, for kLanes adjacent channels
// side by side: every inner loop runs over the lanes of one sample, which the
// compiler turns into vector instructions (SSE2 in the portable build, AVX2
// in the clone picked at run time). Neither path contracts a multiply and an
// add (this file is built with -ffp-contract=off), so both give the bits the
// single-channel counter gives.
//
// Rounding: halves to even by adding and taking away 1.5 x 2^52, exact for
// |x| < 2^51. With 16-bit levels every envelope mean is below 2^16, and with
// |threshold| <= kFastThresholdLimit the band and the detection lines stay
// below 2^46 (band width at most 65,536 x 100 x 10^4 + 1, times a mean below
// 2^15, over 100). A window counted with a larger threshold takes the checked
// rounding of the single-channel counter instead, once per window.

namespace vondrel {
namespace {

constexpr int kN = kWindowSamples;
constexpr int kLanes = 4;
constexpr double kFastThresholdLimit = 1e4;
constexpr int kStatFirst = 2, kStatLast = 498;
constexpr double kStatCount = 497.0;
constexpr int kEnvelopeSpan = 30;
constexpr int kGate = 30;
constexpr int32_t kLeastJump = 5;

#define VONDREL_INLINE [[gnu::always_inline]] inline

// One value per lane: GCC's generic vectors, which the compiler maps onto the
// registers the function is compiled for (four doubles fill one AVX2 register
// or two SSE2 registers; wider groups spilled to memory in trials).
using I = int32_t __attribute__((vector_size(4 * kLanes)));  // levels, envelopes, sums
using H = int16_t __attribute__((vector_size(2 * kLanes)));  // levels as stored
using D = double __attribute__((vector_size(8 * kLanes)));   // bands and lines
using M = decltype(D{} < D{});                               // all ones where a comparison holds

VONDREL_INLINE D ToD(I x) { return __builtin_convertvector(x, D); }

template <bool kFast>
VONDREL_INLINE D Round(D x) {
    if constexpr (kFast) {
        return (x + 0x1.8p52) - 0x1.8p52;
    } else {
        for (int l = 0; l < kLanes; ++l) x[l] = RoundHalfEven(x[l]);
        return x;
    }
}

// The single-channel counter's narrowing to a 16-bit level (whole numbers in).
template <bool kFast>
VONDREL_INLINE I Saturate16(D x) {
    if constexpr (kFast) {
        // No NaN can arise on this path.
        const D low = x < -32768.0 ? D{} - 32768.0 : x;
        return __builtin_convertvector(low > 32767.0 ? D{} + 32767.0 : low, I);
    } else {
        I out;
        for (int l = 0; l < kLanes; ++l) {
            const double v = x[l];
            out[l] = std::isnan(v) ? 0 : v >= 32767.0 ? INT16_MAX : v <= -32768.0 ? INT16_MIN : static_cast<int32_t>(v);
        }
        return out;
    }
}

struct Scratch {
    I w[kN];     // levels, lowered to the band
    I U[kN];     // upper envelope
    I sums[kN];  // sums behind the 30-sample envelope means
    I m30[kN];   // the means
};

struct Stats {
    int32_t amplitude[kLanes];
    int32_t level[kLanes];
};

VONDREL_INLINE void Envelope(const I (&w)[kN], int seed, I (&U)[kN], Stats& s) {
    I upper = w[seed], lower = w[seed], amplitude_sum{}, level_sum{};
    U[0] = U[1] = upper;
    for (int i = kStatFirst; i <= kStatLast; ++i) {
        const I prev = w[i - 1], cur = w[i], next = w[i + 1];
        const I is_max = (cur > prev) & (cur > next);
        const I is_min = (cur < prev) & (cur < next);
        upper = (cur & is_max) | (upper & ~is_max);
        lower = (cur & is_min) | (lower & ~is_min);
        U[i] = upper;
        amplitude_sum += upper - lower;
        level_sum += cur;
    }
    for (int l = 0; l < kLanes; ++l) {
        s.amplitude[l] = static_cast<int32_t>(RoundHalfEven(amplitude_sum[l] / kStatCount));
        s.level[l] = static_cast<int32_t>(RoundHalfEven(level_sum[l] / kStatCount));
    }
}

VONDREL_INLINE double PercentThreshold(int32_t amplitude, int32_t level, double threshold, bool second_pass) {
    double t;
    if (level > 0 && (!second_pass || amplitude < level))
        t = (1.0 - static_cast<double>(level - amplitude) / level) * 100.0 * threshold;
    else
        t = threshold;
    t = t + 1.0;
    if (t < 1.0) t = 1.0;
    return t;
}

VONDREL_INLINE D PercentThresholds(const Stats& s, double threshold, bool second_pass) {
    D T;
    for (int l = 0; l < kLanes; ++l) T[l] = PercentThreshold(s.amplitude[l], s.level[l], threshold, second_pass);
    return T;
}

// m30(i): the rounded mean of the 30 upper-envelope entries after i (i < 30)
// or before i (i >= 30). The means are below 2^16, so the fast rounding holds.
VONDREL_INLINE void EnvelopeMeans(const I (&U)[kN], I (&sums)[kN], I (&m30)[kN]) {
    I sum{};
    for (int j = 1; j <= kEnvelopeSpan; ++j) sum += U[j];
    for (int i = 0; i < kEnvelopeSpan; ++i) {
        sums[i] = sum;
        sum += U[i + kEnvelopeSpan + 1] - U[i + 1];
    }
    sum = I{};
    for (int j = 0; j < kEnvelopeSpan; ++j) sum += U[j];
    for (int i = kEnvelopeSpan; i < kN - 1; ++i) {
        sums[i] = sum;
        sum += U[i] - U[i - kEnvelopeSpan];
    }
    sums[kN - 1] = sum;
    for (int i = 0; i < kN; ++i)
        m30[i] = __builtin_convertvector(Round<true>(ToD(sums[i]) / static_cast<double>(kEnvelopeSpan)), I);
}

template <bool kFast>
VONDREL_INLINE void ClipToBand(I (&w)[kN], const I (&m30)[kN], D T) {
    const D up = T + 100.0;
    const D up_start = up / 100.0;
    D b1{}, b2{}, b3{};
    auto clip = [&w](int i, D band) {
        const I above = __builtin_convertvector(ToD(w[i]) > band, I);
        w[i] = (Saturate16<kFast>(band) & above) | (w[i] & ~above);
    };
    for (int i = 0; i < kN; ++i) {
        const D band = i < 4 ? Round<kFast>(up_start * ToD(m30[i]))
                             : Round<kFast>((up * ToD(m30[i]) / 100.0 + b3 + b1 + b2) / 4.0);
        clip(i, band);
        b3 = b2;
        b2 = b1;
        b1 = band;
    }
}

// Methods 0 and 1: the lower line and its crossings. Counts go down by one
// per event (a mask is -1).
template <bool kFast, bool kGated>
VONDREL_INLINE M CountBelowLowerLine(const I (&w)[kN], const I (&m30)[kN], D T) {
    const D start_scale = (100.0 - 1.75 * T) / 100.0;
    const D scale = 100.0 - T;
    D l1{}, l2{}, l3{};
    M below{}, count{};
    int gate = 0;
    for (int u = 0; u < kN; ++u) {
        const D line = u < 4 ? Round<kFast>(start_scale * ToD(m30[u]))
                             : Round<kFast>((l2 + l1 + l3 + ToD(m30[u]) * scale / 100.0) / 4.0);
        const D level = ToD(w[u]);
        const M lt = level < line, gt = level > line;
        if constexpr (kGated) {
            below |= lt;
            if (gate == kGate) {
                count += below;
                below = M{};
            }
        } else {
            count += lt & ~below;
            below = (below | lt) & ~gt;
        }
        if (gate == kGate) gate = 0;
        ++gate;
        l3 = l2;
        l2 = l1;
        l1 = line;
    }
    return -count;
}

// Method 3: the line at threshold x envelope mean, crossed by two-sample means.
template <bool kFast>
VONDREL_INLINE M CountBelowThresholdLine(const I (&w)[kN], const I (&m30)[kN], double threshold) {
    D l1{}, l2{}, l3{};
    M below{}, count{};
    for (int u = 0; u < kN; ++u) {
        const D p = ToD(m30[u]) * threshold;
        const D line = u < 4 ? Round<kFast>(p) : Round<kFast>((l2 + l1 + l3 + p) / 4.0);
        if (u >= 1) {
            const D a = ToD(w[u - 1] + w[u]) / 2.0;
            const M lt = a < line, gt = a > line;
            count += lt & ~below;
            below = (below | lt) & ~gt;
        }
        l3 = l2;
        l2 = l1;
        l1 = line;
    }
    return -count;
}

struct Job {
    SampleWindow window;
    std::span<const uint8_t> selected;
    std::span<int16_t> counts;
    double threshold;
    int16_t method;
    int skip;  // a channel counted elsewhere, or -1
};

// One group of kLanes adjacent channels starting at c0. Lanes past the last
// channel of the window repeat it; only selected lanes are written back.
template <bool kFast>
VONDREL_INLINE void CountGroup(const Job& job, int c0, Scratch& s) {
    const int channels = job.window.channels;
    const int16_t* levels = job.window.levels.data();  // levels of all channels, sample-major
    if (c0 + kLanes <= channels) {
        for (int i = 0; i < kN; ++i) {
            H row;
            std::memcpy(&row, levels + static_cast<size_t>(i) * channels + c0, sizeof row);
            s.w[i] = __builtin_convertvector(row, I);
        }
    } else {
        for (int i = 0; i < kN; ++i)
            for (int l = 0; l < kLanes; ++l) s.w[i][l] = job.window.At(std::min(c0 + l, channels - 1), i);
    }

    Stats stats;
    Envelope(s.w, 1, s.U, stats);
    EnvelopeMeans(s.U, s.sums, s.m30);
    ClipToBand<kFast>(s.w, s.m30, PercentThresholds(stats, job.threshold, false));

    Envelope(s.w, 2, s.U, stats);
    const D T = PercentThresholds(stats, job.threshold, true);
    EnvelopeMeans(s.U, s.sums, s.m30);

    M count{};
    switch (job.method) {
        case kMethodGatedThreshold: count = CountBelowLowerLine<kFast, true>(s.w, s.m30, T); break;
        case kMethodThresholdAverage: count = CountBelowLowerLine<kFast, false>(s.w, s.m30, T); break;
        case kMethodThresholdLine: count = CountBelowThresholdLine<kFast>(s.w, s.m30, job.threshold); break;
        case kMethodMotilityIndex:
            for (int l = 0; l < kLanes && c0 + l < static_cast<int>(job.selected.size()); ++l) {
                if (!job.selected[c0 + l] || c0 + l == job.skip) continue;
                std::array<int32_t, kN> column;
                for (int i = 0; i < kN; ++i) column[i] = s.w[i][l];
                count[l] = CountMotility(column, std::max(stats.amplitude[l], kLeastJump), nullptr, nullptr);
            }
            break;
        default: break;
    }

    bool keep[kLanes];
    bool whole = true;
    for (int l = 0; l < kLanes; ++l) {
        const int c = c0 + l;
        keep[l] = c < static_cast<int>(job.selected.size()) && job.selected[c] && c != job.skip;
        whole = whole && keep[l];
        if (keep[l]) job.counts[c] = static_cast<int16_t>(count[l]);
    }
    int16_t* out = job.window.levels.data() + c0;
    for (int i = 0; i < kN; ++i, out += channels) {
        if (whole) {
            const H row = __builtin_convertvector(s.w[i], H);
            std::memcpy(out, &row, sizeof row);
        } else {
            for (int l = 0; l < kLanes; ++l)
                if (keep[l]) out[l] = static_cast<int16_t>(s.w[i][l]);
        }
    }
}

VONDREL_INLINE void CountAll(const Job& job) {
    static thread_local Scratch s;
    const bool fast = std::fabs(job.threshold) <= kFastThresholdLimit;
    const int n = static_cast<int>(job.selected.size());
    for (int c0 = 0; c0 < n; c0 += kLanes) {
        bool any = false;
        for (int c = c0; c < std::min(c0 + kLanes, n); ++c) any = any || (job.selected[c] && c != job.skip);
        if (!any) continue;
        if (fast)
            CountGroup<true>(job, c0, s);
        else
            CountGroup<false>(job, c0, s);
    }
}

void CountAllPortable(const Job& job) { CountAll(job); }

#if defined(__x86_64__) || defined(__i386__)
#define VONDREL_HAS_AVX2_PATH 1
[[gnu::target("avx2")]] void CountAllAvx2(const Job& job) { CountAll(job); }
#endif

std::atomic<CounterPath> g_counter_path{CounterPath::kAutomatic};

}  // namespace

bool CounterAvx2Available() {
#ifdef VONDREL_HAS_AVX2_PATH
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

void SetCounterPath(CounterPath path) { g_counter_path = path; }

void CountChannels(SampleWindow window, std::span<const uint8_t> selected, std::span<int16_t> counts,
                   double threshold, int16_t method, int detail_channel) {
    if (window.Samples() < kN) throw DetectionRangeError("the sample window does not hold samples 0 to 499");
    if (static_cast<int>(selected.size()) > window.channels)
        throw DetectionRangeError("the channel selection is wider than the sample window");
    if (counts.size() < selected.size()) throw DetectionRangeError("the count table is shorter than the selection");
    if (!std::isfinite(threshold)) throw DetectionRangeError("the detection threshold is not a number");

    const bool detail = detail_channel >= 0 && detail_channel < static_cast<int>(selected.size()) &&
                        selected[detail_channel];
    const Job job{window, selected, counts, threshold, method, detail ? detail_channel : -1};
    bool avx2 = false;
    switch (g_counter_path.load()) {
        case CounterPath::kAutomatic: avx2 = CounterAvx2Available(); break;
        case CounterPath::kPortable: avx2 = false; break;
        case CounterPath::kAvx2: avx2 = CounterAvx2Available(); break;
    }
#ifdef VONDREL_HAS_AVX2_PATH
    if (avx2)
        CountAllAvx2(job);
    else
        CountAllPortable(job);
#else
    (void)avx2;
    CountAllPortable(job);
#endif
    if (detail)
        counts[detail_channel] =
            CountEvents(window, static_cast<int16_t>(detail_channel), threshold, method, 0, "", 0);
}

}  // namespace vondrel
