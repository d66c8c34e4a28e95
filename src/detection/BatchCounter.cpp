#include "detection/BatchCounter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <string>

#include "detection/EventCounter.h"
#include "platform/Numbers.h"

// The batch counter repeats the single-channel counter's arithmetic operation
// by operation, in the same order and in double, for a group of adjacent
// channels side by side: every inner loop runs over the lanes of one sample,
// which the compiler turns into vector instructions (SSE2 in the portable
// build, AVX2 in the clone picked at run time). Neither path contracts a
// multiply and an add (this file is built with -ffp-contract=off), so both
// give the bits the single-channel counter gives.
//
// Levels, envelopes and their sums are whole numbers far below 2^53, so they
// are held in double as well: exact, and no conversions between integer and
// real vectors inside the loops (SSE2 has few of them).
//
// The lines are recurrences whose every step waits for the one before, so a
// group holds several registers' worth of channels: the processor then works
// on as many independent chains at once instead of waiting out each step.
//
// Rounding: halves to even by adding and taking away 1.5 x 2^52, exact for
// |x| < 2^51. With 16-bit levels every envelope mean is below 2^16, and with
// |threshold| <= kFastThresholdLimit the band and the detection lines stay
// below 2^46 (band width at most 65,536 x 100 x 10^4 + 1, times a mean below
// 2^15, over 100). A window counted with a larger threshold takes the checked
// rounding of the single-channel counter instead, once per window. The
// motility index never leaves 17 bits, whatever the threshold.

namespace vondrel {
namespace {

constexpr int kN = kWindowSamples;
// Registers per group: four SSE2 registers (eight channels) on the portable
// path, three AVX2 registers (twelve channels), two AVX-512 registers
// (sixteen channels); wider groups spill more than they gain in trials.
constexpr int kPortableRegisters = 4;
constexpr int kAvx2Registers = 3;
constexpr int kAvx512Registers = 2;
constexpr double kFastThresholdLimit = 1e4;
constexpr int kStatFirst = 2, kStatLast = 498;
constexpr double kStatCount = 497.0;
constexpr int kEnvelopeSpan = 30;
constexpr double kEnvelopeReciprocal = 1.0 / kEnvelopeSpan;
constexpr int kGate = 30;
constexpr int kMinimumSpan = 50;
constexpr int kForwardLast = 448;
constexpr int kDiffSpan = 10;
constexpr int kDiffForwardLast = 488;
constexpr int kRunLength = 10;
constexpr int32_t kLeastJump = 5;

#define VONDREL_INLINE [[gnu::always_inline]] inline

// K native vectors of W lanes each, used as one value per lane of a group of
// W x K channels. W is the register width of the target (two doubles for
// SSE2, four for AVX2); every operation is applied to the K vectors in turn,
// so each stays in a register of its own. (GCC's own vectors wider than a
// register are kept in memory between operations.)
template <class T, int W, int K>
struct Pack {
    typedef T Native __attribute__((vector_size(sizeof(T) * W)));
    static constexpr int kLanes = W * K;
    Native v[K];

    VONDREL_INLINE static Pack Splat(T x) {
        Pack p;
        for (int k = 0; k < K; ++k) p.v[k] = Native{} + x;
        return p;
    }
    VONDREL_INLINE T operator[](int lane) const { return v[lane / W][lane % W]; }
    VONDREL_INLINE void Set(int lane, T x) { v[lane / W][lane % W] = x; }
};

// Comparisons give all ones in the lanes where they hold. The masks are kept
// as 32-bit halves: GCC turns logic on 64-bit comparison masks into scalar
// code for SSE2, which has no 64-bit comparisons of its own.
template <int W, int K>
using MaskPack = Pack<int32_t, 2 * W, K>;

#define VONDREL_PACK_OPERATOR(op)                                                            \
    template <class T, int W, int K>                                                         \
    VONDREL_INLINE Pack<T, W, K> operator op(Pack<T, W, K> a, const Pack<T, W, K>& b) {      \
        for (int k = 0; k < K; ++k) a.v[k] = a.v[k] op b.v[k];                               \
        return a;                                                                            \
    }                                                                                        \
    template <class T, int W, int K>                                                         \
    VONDREL_INLINE Pack<T, W, K> operator op(Pack<T, W, K> a, T b) {                         \
        for (int k = 0; k < K; ++k) a.v[k] = a.v[k] op b;                                    \
        return a;                                                                            \
    }                                                                                        \
    template <class T, int W, int K>                                                         \
    VONDREL_INLINE Pack<T, W, K> operator op(T a, Pack<T, W, K> b) {                         \
        for (int k = 0; k < K; ++k) b.v[k] = a op b.v[k];                                    \
        return b;                                                                            \
    }                                                                                        \
    template <class T, int W, int K>                                                         \
    VONDREL_INLINE Pack<T, W, K>& operator op##=(Pack<T, W, K>& a, const Pack<T, W, K>& b) { \
        for (int k = 0; k < K; ++k) a.v[k] = a.v[k] op b.v[k];                               \
        return a;                                                                            \
    }
VONDREL_PACK_OPERATOR(+)
VONDREL_PACK_OPERATOR(-)
VONDREL_PACK_OPERATOR(*)
VONDREL_PACK_OPERATOR(/)
VONDREL_PACK_OPERATOR(&)
VONDREL_PACK_OPERATOR(|)
VONDREL_PACK_OPERATOR(^)
#undef VONDREL_PACK_OPERATOR

#define VONDREL_PACK_COMPARISON(op)                                                                \
    template <int W, int K>                                                                        \
    VONDREL_INLINE MaskPack<W, K> operator op(const Pack<double, W, K>& a, const Pack<double, W, K>& b) { \
        using Bits = typename MaskPack<W, K>::Native;                                              \
        MaskPack<W, K> m;                                                                          \
        for (int k = 0; k < K; ++k) m.v[k] = reinterpret_cast<Bits>(a.v[k] op b.v[k]);             \
        return m;                                                                                  \
    }                                                                                              \
    template <int W, int K>                                                                        \
    VONDREL_INLINE MaskPack<W, K> operator op(const Pack<double, W, K>& a, double b) {             \
        using Bits = typename MaskPack<W, K>::Native;                                              \
        MaskPack<W, K> m;                                                                          \
        for (int k = 0; k < K; ++k) m.v[k] = reinterpret_cast<Bits>(a.v[k] op b);                  \
        return m;                                                                                  \
    }
VONDREL_PACK_COMPARISON(<)
VONDREL_PACK_COMPARISON(>)
VONDREL_PACK_COMPARISON(==)
#undef VONDREL_PACK_COMPARISON

template <class T, int W, int K>
VONDREL_INLINE Pack<T, W, K> operator~(Pack<T, W, K> a) {
    for (int k = 0; k < K; ++k) a.v[k] = ~a.v[k];
    return a;
}
template <class T, int W, int K>
VONDREL_INLINE Pack<T, W, K> operator-(Pack<T, W, K> a) {
    for (int k = 0; k < K; ++k) a.v[k] = -a.v[k];
    return a;
}

// Where mask: a, else b. Written with bit operations, which SSE2 has for
// every element type (it has no blend).
template <class T, int W, int K>
VONDREL_INLINE Pack<T, W, K> Select(const MaskPack<W, K>& mask, const Pack<T, W, K>& a, Pack<T, W, K> b) {
    using Bits = typename MaskPack<W, K>::Native;
    using Native = typename Pack<T, W, K>::Native;
    for (int k = 0; k < K; ++k)
        b.v[k] = reinterpret_cast<Native>((reinterpret_cast<Bits>(a.v[k]) & mask.v[k]) |
                                          (reinterpret_cast<Bits>(b.v[k]) & ~mask.v[k]));
    return b;
}

// The smaller and the larger of two values that are numbers (one instruction
// each where the target has it).
template <int W, int K>
VONDREL_INLINE Pack<double, W, K> Min(Pack<double, W, K> a, const Pack<double, W, K>& b) {
    for (int k = 0; k < K; ++k) a.v[k] = a.v[k] < b.v[k] ? a.v[k] : b.v[k];
    return a;
}
template <int W, int K>
VONDREL_INLINE Pack<double, W, K> Max(Pack<double, W, K> a, const Pack<double, W, K>& b) {
    for (int k = 0; k < K; ++k) a.v[k] = a.v[k] > b.v[k] ? a.v[k] : b.v[k];
    return a;
}

// x where mask, +0.0 elsewhere.
template <int W, int K>
VONDREL_INLINE Pack<double, W, K> Keep(Pack<double, W, K> x, const MaskPack<W, K>& mask) {
    using Bits = typename MaskPack<W, K>::Native;
    using Native = typename Pack<double, W, K>::Native;
    for (int k = 0; k < K; ++k) x.v[k] = reinterpret_cast<Native>(reinterpret_cast<Bits>(x.v[k]) & mask.v[k]);
    return x;
}

// |x|, the sign bit cleared.
template <int W, int K>
VONDREL_INLINE Pack<double, W, K> Abs(const Pack<double, W, K>& x) {
    using Bits = typename MaskPack<W, K>::Native;
    const Bits magnitude = ~reinterpret_cast<Bits>(-typename Pack<double, W, K>::Native{});  // all but the sign
    MaskPack<W, K> mask;
    for (int k = 0; k < K; ++k) mask.v[k] = magnitude;
    return Keep(x, mask);
}

// The value types of a group of W x K channels and the scratch they need.
template <int W, int K>
struct Lanes {
    static constexpr int kCount = W * K;
    using D = Pack<double, W, K>;  // levels, envelopes, sums, bands, lines and counts
    using M = MaskPack<W, K>;      // comparisons

    struct Scratch {
        D w[kN];    // levels, lowered to the band
        D U[kN];    // upper envelope; running minima of the motility index
        D m30[kN];  // envelope means; block suffix minima of the motility index
        D x[kN];    // the motility index's level above its smoothed minimum
        M events[kN];  // all ones in the lanes with an event at the sample
    };
    struct Stats {
        int32_t amplitude[kCount];
        int32_t level[kCount];
    };
};

template <class V, bool kFast>
VONDREL_INLINE typename V::D Round(typename V::D x) {
    if constexpr (kFast) {
        return (x + 0x1.8p52) - 0x1.8p52;
    } else {
        for (int l = 0; l < V::kCount; ++l) x.Set(l, RoundHalfEven(x[l]));
        return x;
    }
}

template <class V>
VONDREL_INLINE void Envelope(const typename V::D (&w)[kN], int seed, typename V::D (&U)[kN], typename V::Stats& s) {
    using D = typename V::D;
    D upper = w[seed], lower = w[seed], amplitude_sum = D::Splat(0.0), level_sum = D::Splat(0.0);
    U[0] = U[1] = upper;
    for (int i = kStatFirst; i <= kStatLast; ++i) {
        const D prev = w[i - 1], cur = w[i], next = w[i + 1];
        upper = Select(cur > Max(prev, next), cur, upper);
        lower = Select(cur < Min(prev, next), cur, lower);
        U[i] = upper;
        amplitude_sum += upper - lower;
        level_sum += cur;
    }
    for (int l = 0; l < V::kCount; ++l) {
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

template <class V>
VONDREL_INLINE typename V::D PercentThresholds(const typename V::Stats& s, double threshold, bool second_pass) {
    typename V::D T;
    for (int l = 0; l < V::kCount; ++l) T.Set(l, PercentThreshold(s.amplitude[l], s.level[l], threshold, second_pass));
    return T;
}

// m30(i): the rounded mean of the 30 upper-envelope entries after i (i < 30)
// or before i (i >= 30). The means are below 2^16, so the fast rounding holds.
// The sum is multiplied by the double nearest 1/30 in place of a division:
// the product may differ from the quotient in its last bit, but for every
// whole sum of 30 16-bit levels the rounded results are the same (the
// detection tests check them all), and a multiplication takes a fraction of
// a division's time.
template <class V>
VONDREL_INLINE void EnvelopeMeans(const typename V::D (&U)[kN], typename V::D (&m30)[kN]) {
    using D = typename V::D;
    auto mean = [](const D& sum) { return Round<V, true>(sum * kEnvelopeReciprocal); };
    D sum = D::Splat(0.0);
    for (int j = 1; j <= kEnvelopeSpan; ++j) sum += U[j];
    for (int i = 0; i < kEnvelopeSpan; ++i) {
        m30[i] = mean(sum);
        sum += U[i + kEnvelopeSpan + 1] - U[i + 1];
    }
    sum = D::Splat(0.0);
    for (int j = 0; j < kEnvelopeSpan; ++j) sum += U[j];
    for (int i = kEnvelopeSpan; i < kN - 1; ++i) {
        m30[i] = mean(sum);
        sum += U[i] - U[i - kEnvelopeSpan];
    }
    m30[kN - 1] = mean(sum);
}

// Levels above the band are lowered to it, held at the 16-bit floor: a level
// is at most 32767, so a band below it never needs the ceiling. On the fast
// path every band is a number, and lowering a level to the band is taking
// the smaller of the two; elsewhere a band that is not a number lowers
// nothing.
template <class V, bool kFast>
VONDREL_INLINE void ClipToBand(typename V::D (&w)[kN], const typename V::D (&m30)[kN], typename V::D T) {
    using D = typename V::D;
    const D up = T + 100.0;
    const D up_start = up / 100.0;
    const D floor = D::Splat(-32768.0);
    D b1 = D::Splat(0.0), b2 = D::Splat(0.0), b3 = D::Splat(0.0);
    for (int i = 0; i < kN; ++i) {
        const D band = i < 4 ? Round<V, kFast>(up_start * m30[i])
                             : Round<V, kFast>((up * m30[i] / 100.0 + b3 + b1 + b2) / 4.0);
        if constexpr (kFast)
            w[i] = Min(w[i], Max(band, floor));
        else
            w[i] = Select(w[i] > band, Select(band < floor, floor, band), w[i]);
        b3 = b2;
        b2 = b1;
        b1 = band;
    }
}

// Adds one in the lanes of `events`.
template <class V>
VONDREL_INLINE void Tally(typename V::D& count, const typename V::M& events) {
    count += Keep(V::D::Splat(1.0), events);
}

// Methods 0 and 1: the lower line and its crossings.
template <class V, bool kFast, bool kGated>
VONDREL_INLINE typename V::D CountBelowLowerLine(const typename V::D (&w)[kN], const typename V::D (&m30)[kN],
                                                 typename V::D T, typename V::M (&events)[kN]) {
    using D = typename V::D;
    using M = typename V::M;
    const D start_scale = (100.0 - 1.75 * T) / 100.0;
    const D scale = 100.0 - T;
    D l1 = D::Splat(0.0), l2 = D::Splat(0.0), l3 = D::Splat(0.0);
    M below = M::Splat(0);
    D count = D::Splat(0.0);
    int gate = 0;
    for (int u = 0; u < kN; ++u) {
        const D line = u < 4 ? Round<V, kFast>(start_scale * m30[u])
                             : Round<V, kFast>((l2 + l1 + l3 + m30[u] * scale / 100.0) / 4.0);
        const M lt = w[u] < line, gt = w[u] > line;
        if constexpr (kGated) {
            below |= lt;
            if (gate == kGate) {
                Tally<V>(count, below);
                events[u] = below;
                below = M::Splat(0);
            } else {
                events[u] = M::Splat(0);
            }
        } else {
            const M event = lt & ~below;
            Tally<V>(count, event);
            events[u] = event;
            below = (below | lt) & ~gt;
        }
        if (gate == kGate) gate = 0;
        ++gate;
        l3 = l2;
        l2 = l1;
        l1 = line;
    }
    return count;
}

// Method 3: the line at threshold x envelope mean, crossed by two-sample means.
template <class V, bool kFast>
VONDREL_INLINE typename V::D CountBelowThresholdLine(const typename V::D (&w)[kN], const typename V::D (&m30)[kN],
                                                     double threshold, typename V::M (&events)[kN]) {
    using D = typename V::D;
    using M = typename V::M;
    D l1 = D::Splat(0.0), l2 = D::Splat(0.0), l3 = D::Splat(0.0);
    M below = M::Splat(0);
    D count = D::Splat(0.0);
    for (int u = 0; u < kN; ++u) {
        const D p = m30[u] * threshold;
        const D line = u < 4 ? Round<V, kFast>(p) : Round<V, kFast>((l2 + l1 + l3 + p) / 4.0);
        if (u >= 1) {
            const D a = (w[u - 1] + w[u]) / 2.0;
            const M lt = a < line, gt = a > line;
            const M event = lt & ~below;
            Tally<V>(count, event);
            events[u] = event;
            below = (below | lt) & ~gt;
        } else {
            events[u] = M::Splat(0);
        }
        l3 = l2;
        l2 = l1;
        l1 = line;
    }
    return count;
}

// Method 2, the motility index, step for step as the single-channel counter
// computes it (see CountMotility): running minima over 50 samples from block
// prefix and suffix minima, their mean smoothed in place, the ten-sample means
// of the level above it, and the walk over runs of ten steps in one direction.
template <class V>
VONDREL_INLINE typename V::D CountMotilityLanes(typename V::Scratch& s, const typename V::D& jump) {
    using D = typename V::D;
    using M = typename V::M;
    const D(&w)[kN] = s.w;
    D(&minimum)[kN] = s.U;  // block prefix minima, then the running minima
    D(&suffix)[kN] = s.m30;
    D(&x)[kN] = s.x;  // the smoothed minimum, then the level above it

    for (int b = 0; b < kN; b += kMinimumSpan) {
        minimum[b] = w[b];
        for (int i = b + 1; i < b + kMinimumSpan; ++i) minimum[i] = Min(w[i], minimum[i - 1]);
        suffix[b + kMinimumSpan - 1] = w[b + kMinimumSpan - 1];
        for (int i = b + kMinimumSpan - 2; i >= b; --i) suffix[i] = Min(w[i], suffix[i + 1]);
    }
    // In place, ascending: entry y is the prefix minimum at the end of its own
    // window (or of a later one) until it is written.
    const D ceiling = D::Splat(9999.0);
    for (int y = 0; y < kN; ++y) {
        const int first = y <= kForwardLast ? y : y - (kMinimumSpan - 1);
        minimum[y] = Min(Min(suffix[first], minimum[first + kMinimumSpan - 1]), ceiling);
    }

    D sum = D::Splat(0.0);
    for (int j = 0; j < kMinimumSpan; ++j) sum += minimum[j];
    for (int y = 0; y <= kForwardLast; ++y) {
        x[y] = sum / static_cast<double>(kMinimumSpan);
        sum += minimum[y + kMinimumSpan] - minimum[y];
    }
    // Backward windows: each mean adds its 50 entries in ascending order, the
    // last one still unsmoothed. Three consecutive means advance side by side
    // over the entries they share, as the single-channel counter does, so
    // that the additions do not form one long chain of dependent steps.
    static_assert((kN - kForwardLast - 1) % 3 == 0);
    for (int y0 = kForwardLast + 1; y0 < kN; y0 += 3) {
        const int start = y0 - (kMinimumSpan - 1);
        D s0 = x[start], s1 = D::Splat(0.0), s2 = D::Splat(0.0);
        s0 += x[start + 1];
        s1 += x[start + 1];
        for (int j = start + 2; j < y0; ++j) {
            s0 += x[j];
            s1 += x[j];
            s2 += x[j];
        }
        s0 += minimum[y0];
        x[y0] = s0 / static_cast<double>(kMinimumSpan);
        s1 += x[y0];
        s2 += x[y0];
        s1 += minimum[y0 + 1];
        x[y0 + 1] = s1 / static_cast<double>(kMinimumSpan);
        s2 += x[y0 + 1];
        s2 += minimum[y0 + 2];
        x[y0 + 2] = s2 / static_cast<double>(kMinimumSpan);
    }
    for (int y = 0; y < kN; ++y) x[y] = w[y] - x[y];

    // The ten-sample means, where the running minima were.
    D(&means)[kN] = s.U;
    for (int m = 0; m < kN; ++m) {
        const int first = m <= kDiffForwardLast ? m : m - (kDiffSpan - 1);
        D acc = D::Splat(0.0);
        for (int j = first; j < first + kDiffSpan; ++j) acc += x[j];
        means[m] = acc / static_cast<double>(kDiffSpan);
    }

    // The walk: `rising` is the direction, a turn starts a new run at the
    // rounded mean, a step in the same direction lengthens the run.
    const D run_length = D::Splat(kRunLength), one = D::Splat(1.0);
    M rising = M::Splat(0);
    D count = D::Splat(0.0), run = count, reference = count;
    s.events[0] = M::Splat(0);
    for (int m = 1; m < kN; ++m) {
        const D d = means[m];
        const M up = d > means[m - 1], down = d < means[m - 1];
        const M turn = (up | down) & (up ^ rising);
        run = Keep(run + Keep(one, up | down), ~turn);
        reference = Select(turn, Round<V, true>(d), reference);
        rising = up | (rising & ~down);
        const M event = (Abs(reference - d) > jump) & (run == run_length);
        Tally<V>(count, event);
        s.events[m] = event;
    }
    return count;
}

struct Job {
    SampleWindow window;
    std::span<const uint8_t> selected;
    std::span<int16_t> counts;
    double threshold;
    int16_t method;
    int skip;  // a channel counted elsewhere, or -1
    char* flags;  // selected.size() rows of kN event flags, or null
};

// One group of adjacent channels starting at c0. Lanes past the last channel
// of the window repeat it; only selected lanes are written back.
template <class V, bool kFast>
VONDREL_INLINE void CountGroup(const Job& job, int c0, typename V::Scratch& s) {
    using D = typename V::D;
    constexpr int L = V::kCount;
    const int channels = job.window.channels;
    const int16_t* levels = job.window.levels.data();  // levels of all channels, sample-major
    const int last = channels - 1;
    for (int i = 0; i < kN; ++i) {
        const int16_t* row = levels + static_cast<size_t>(i) * channels;
        for (int l = 0; l < L; ++l) s.w[i].Set(l, row[c0 + l <= last ? c0 + l : last]);
    }

    typename V::Stats stats;
    Envelope<V>(s.w, 1, s.U, stats);
    EnvelopeMeans<V>(s.U, s.m30);
    ClipToBand<V, kFast>(s.w, s.m30, PercentThresholds<V>(stats, job.threshold, false));

    Envelope<V>(s.w, 2, s.U, stats);
    D count = D::Splat(0.0);
    bool counted = true;
    if (job.method == kMethodMotilityIndex) {
        D jump;
        for (int l = 0; l < L; ++l) jump.Set(l, std::max(stats.amplitude[l], kLeastJump));
        count = CountMotilityLanes<V>(s, jump);
    } else if (job.method == kMethodGatedThreshold || job.method == kMethodThresholdAverage ||
               job.method == kMethodThresholdLine) {
        const D T = PercentThresholds<V>(stats, job.threshold, true);
        EnvelopeMeans<V>(s.U, s.m30);
        switch (job.method) {
            case kMethodGatedThreshold: count = CountBelowLowerLine<V, kFast, true>(s.w, s.m30, T, s.events); break;
            case kMethodThresholdAverage:
                count = CountBelowLowerLine<V, kFast, false>(s.w, s.m30, T, s.events);
                break;
            default: count = CountBelowThresholdLine<V, kFast>(s.w, s.m30, job.threshold, s.events); break;
        }
    } else {
        counted = false;  // an unknown method counts nothing
    }

    bool keep[L];
    for (int l = 0; l < L; ++l) {
        const int c = c0 + l;
        keep[l] = c < static_cast<int>(job.selected.size()) && job.selected[c] && c != job.skip;
        if (keep[l]) job.counts[c] = static_cast<int16_t>(count[l]);
        if (keep[l] && job.flags) {
            // The mask's 32-bit halves: lane l's low half is entry 2l.
            char* row = job.flags + static_cast<size_t>(c) * kN;
            for (int i = 0; i < kN; ++i) row[i] = counted && s.events[i][2 * l] != 0 ? '1' : '0';
        }
    }
    int16_t* out = job.window.levels.data() + c0;
    for (int i = 0; i < kN; ++i, out += channels)
        for (int l = 0; l < L; ++l)
            if (keep[l]) out[l] = static_cast<int16_t>(s.w[i][l]);
}

template <int W, int K>
VONDREL_INLINE void CountAll(const Job& job) {
    using V = Lanes<W, K>;
    constexpr int L = V::kCount;
    // Made once per thread that counts (the other threads carry a pointer only).
    static thread_local std::unique_ptr<typename V::Scratch> scratch;
    if (!scratch) scratch = std::make_unique<typename V::Scratch>();
    typename V::Scratch& s = *scratch;
    const bool fast = std::fabs(job.threshold) <= kFastThresholdLimit;
    const int n = static_cast<int>(job.selected.size());
    for (int c0 = 0; c0 < n; c0 += L) {
        bool any = false;
        for (int c = c0; c < std::min(c0 + L, n); ++c) any = any || (job.selected[c] && c != job.skip);
        if (!any) continue;
        if (fast)
            CountGroup<V, true>(job, c0, s);
        else
            CountGroup<V, false>(job, c0, s);
    }
}

void CountAllPortable(const Job& job) { CountAll<2, kPortableRegisters>(job); }

#if defined(__x86_64__) || defined(__i386__)
#define VONDREL_HAS_X86_PATHS 1
[[gnu::target("avx2")]] void CountAllAvx2(const Job& job) { CountAll<4, kAvx2Registers>(job); }
[[gnu::target("avx512f")]] void CountAllAvx512(const Job& job) { CountAll<8, kAvx512Registers>(job); }
#endif

std::atomic<CounterPath> g_counter_path{CounterPath::kAutomatic};

// The widest path the processor has, or the one forced (when it has it).
void Run(const Job& job) {
    CounterPath path = g_counter_path.load();
    if (path == CounterPath::kAutomatic)
        path = CounterAvx512Available() ? CounterPath::kAvx512
               : CounterAvx2Available() ? CounterPath::kAvx2
                                        : CounterPath::kPortable;
#ifdef VONDREL_HAS_X86_PATHS
    if (path == CounterPath::kAvx512 && CounterAvx512Available()) return CountAllAvx512(job);
    if (path == CounterPath::kAvx2 && CounterAvx2Available()) return CountAllAvx2(job);
#endif
    CountAllPortable(job);
}

void Check(const SampleWindow& window, std::span<const uint8_t> selected, std::span<int16_t> counts,
           double threshold) {
    if (window.Samples() < kN) throw DetectionRangeError("the sample window does not hold samples 0 to 499");
    if (static_cast<int>(selected.size()) > window.channels)
        throw DetectionRangeError("the channel selection is wider than the sample window");
    if (counts.size() < selected.size()) throw DetectionRangeError("the count table is shorter than the selection");
    if (!std::isfinite(threshold)) throw DetectionRangeError("the detection threshold is not a number");
}

}  // namespace

bool CounterAvx2Available() {
#ifdef VONDREL_HAS_X86_PATHS
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

bool CounterAvx512Available() {
#ifdef VONDREL_HAS_X86_PATHS
    static const bool has = __builtin_cpu_supports("avx512f");
    return has;
#else
    return false;
#endif
}

void SetCounterPath(CounterPath path) { g_counter_path = path; }

void CountChannels(SampleWindow window, std::span<const uint8_t> selected, std::span<int16_t> counts,
                   double threshold, int16_t method, int detail_channel) {
    Check(window, selected, counts, threshold);
    const bool detail = detail_channel >= 0 && detail_channel < static_cast<int>(selected.size()) &&
                        selected[detail_channel];
    Run(Job{window, selected, counts, threshold, method, detail ? detail_channel : -1, nullptr});
    if (detail)
        counts[detail_channel] =
            CountEvents(window, static_cast<int16_t>(detail_channel), threshold, method, 0, "", 0);
}

void CountChannels(SampleWindow window, std::span<const uint8_t> selected, std::span<int16_t> counts,
                   double threshold, int16_t method, std::span<char> flags) {
    Check(window, selected, counts, threshold);
    if (flags.size() < selected.size() * kN) throw DetectionRangeError("the flag table is shorter than the selection");
    Run(Job{window, selected, counts, threshold, method, -1, flags.data()});
}

}  // namespace vondrel
