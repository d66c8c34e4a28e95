#include "detection/BatchCounter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

#include "detection/EventCounter.h"
#include "platform/Numbers.h"

// The batch counter repeats the single-channel counter's arithmetic operation
// by operation, in the same order and in double, for a group of adjacent
// channels side by side: every inner loop runs over the lanes of one sample,
// which the compiler turns into vector instructions (SSE2 in the portable
// build, AVX2 with FMA or AVX-512 in the clones picked at run time). No path
// contracts a multiply and an add (this file is built with -ffp-contract=off);
// the wider ones use a fused multiply-add only where its result is the same
// (see Quotient), so every path gives the bits the single-channel counter
// gives.
//
// Levels, envelopes and their sums are whole numbers far below 2^53, so they
// are held in double as well: exact, and no conversions between integer and
// real vectors inside the loops (SSE2 has few of them). The AVX2 path keeps
// the levels, the envelopes and the envelope sums as 32-bit integers instead,
// eight to a register, and converts the levels as the band reads them and
// each sum as its mean is taken.
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
// The same for a lambda. Every helper of the counting paths must be inlined:
// one left out of line is compiled for the portable target, and a value of a
// register wider than SSE2's that it takes or returns travels differently
// there (in two SSE2 registers or in memory) than in the AVX2 or AVX-512
// caller, which then reads garbage. GCC and an optimised clang build inline
// them anyway; clang with the sanitizers does not.
#define VONDREL_LAMBDA_INLINE __attribute__((always_inline))

// K native vectors of W lanes each, used as one value per lane of a group of
// W x K channels. W is the register width of the target (two doubles for
// SSE2, four for AVX2); every operation is applied to the K vectors in turn,
// so each stays in a register of its own. (GCC's own vectors wider than a
// register are kept in memory between operations.)
template <class T, int W, int K>
struct Pack {
    typedef T Native __attribute__((vector_size(sizeof(T) * W)));
    static constexpr int kLanes = W * K;
    static constexpr int kWidth = W;
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
    if constexpr (W == 4 && sizeof(T) == 8) {
        // AVX2: one blend on the sign bits of the (all ones or all zeros) mask.
        typedef int64_t Wide __attribute__((vector_size(sizeof(Native))));
        for (int k = 0; k < K; ++k) b.v[k] = reinterpret_cast<Wide>(mask.v[k]) < 0 ? a.v[k] : b.v[k];
    } else {
        for (int k = 0; k < K; ++k)
            b.v[k] = reinterpret_cast<Native>((reinterpret_cast<Bits>(a.v[k]) & mask.v[k]) |
                                              (reinterpret_cast<Bits>(b.v[k]) & ~mask.v[k]));
    }
    return b;
}

// The smaller and the larger of two values that are numbers (one instruction
// each where the target has it: a < b ? a : b and a > b ? a : b are what the
// AVX instructions compute; GCC turns some of them into a comparison and a
// blend, so on the wide paths they are written out).
#if !defined(__clang__)
#define VONDREL_PACK_EXTREME_WIDE(instruction)                                                       \
    if constexpr (W == 4) {                                                                          \
        asm(instruction " %2, %1, %0" : "=x"(a.v[k]) : "x"(a.v[k]), "xm"(b.v[k]));                  \
        continue;                                                                                    \
    } else if constexpr (W == 8) {                                                                   \
        asm(instruction " %2, %1, %0" : "=v"(a.v[k]) : "v"(a.v[k]), "vm"(b.v[k]));                  \
        continue;                                                                                    \
    }
#else
#define VONDREL_PACK_EXTREME_WIDE(instruction)
#endif
#define VONDREL_PACK_EXTREME(Name, instruction, op)                                                  \
    template <int W, int K>                                                                          \
    VONDREL_INLINE Pack<double, W, K> Name(Pack<double, W, K> a, const Pack<double, W, K>& b) {      \
        for (int k = 0; k < K; ++k) {                                                                \
            VONDREL_PACK_EXTREME_WIDE(instruction)                                                   \
            a.v[k] = a.v[k] op b.v[k] ? a.v[k] : b.v[k];                                             \
        }                                                                                            \
        return a;                                                                                    \
    }
VONDREL_PACK_EXTREME(Min, "vminpd", <)
VONDREL_PACK_EXTREME(Max, "vmaxpd", >)
#undef VONDREL_PACK_EXTREME
#undef VONDREL_PACK_EXTREME_WIDE

// (x + c) - c, and (x x m + c) - c with the product and the sum rounded
// once. GCC keeps -c in a register of its own for the subtraction; written
// out on the wide paths, one register holds c for both.
template <int W, int K>
VONDREL_INLINE Pack<double, W, K> AddTakeAway(Pack<double, W, K> x, double c) {
    using Native = typename Pack<double, W, K>::Native;
    const Native cv = Native{} + c;
    for (int k = 0; k < K; ++k) {
#if !defined(__clang__)
        if constexpr (W == 4) {
            asm("vaddpd %1, %0, %0\n\tvsubpd %1, %0, %0" : "+x"(x.v[k]) : "x"(cv));
            continue;
        } else if constexpr (W == 8) {
            asm("vaddpd %1, %0, %0\n\tvsubpd %1, %0, %0" : "+v"(x.v[k]) : "v"(cv));
            continue;
        }
#endif
        x.v[k] = (x.v[k] + cv) - cv;
    }
    return x;
}
template <int W, int K>
VONDREL_INLINE Pack<double, W, K> FusedAddTakeAway(Pack<double, W, K> x, double m, double c) {
    static_assert(W > 2, "the portable target has no fused multiply-add");
    using Native = typename Pack<double, W, K>::Native;
    const Native mv = Native{} + m, cv = Native{} + c;
    for (int k = 0; k < K; ++k) {
#if defined(__clang__)
        for (int l = 0; l < W; ++l) x.v[k][l] = __builtin_fma(x.v[k][l], mv[l], cv[l]);
        x.v[k] = x.v[k] - cv;
#else
        if constexpr (W == 4)
            asm("vfmadd213pd %2, %1, %0\n\tvsubpd %2, %0, %0" : "+x"(x.v[k]) : "x"(mv), "x"(cv));
        else
            asm("vfmadd213pd %2, %1, %0\n\tvsubpd %2, %0, %0" : "+v"(x.v[k]) : "v"(mv), "v"(cv));
#endif
    }
    return x;
}

// a / divisor, rounded as the division rounds it, for finite a whose quotient
// is far from the subnormal range, and a divisor of 10, 50 or 100. Where the
// target has a fused multiply-add, the quotient is the product by the double
// nearest 1/divisor, corrected once by its exact remainder: that product is
// within one unit in the last place of the quotient, so the remainder
// a - q x divisor is a double, and q + remainder x reciprocal then differs
// from the true quotient by far less than the distance from any quotient of
// these divisors to a rounding tie (no such quotient is a tie), so it rounds
// to the correctly rounded quotient. A division takes several times as long.
// The detection tests check the claim on every whole sum and on random reals.
template <int W, int K>
VONDREL_INLINE Pack<double, W, K> Quotient(const Pack<double, W, K>& a, double divisor) {
    if constexpr (W == 2) {
        return a / divisor;
    } else {
        // The processor's fused multiply-add, written out: the templates here
        // are compiled for the portable target and only inlined into the
        // wider clones. (The file's -ffp-contract=off keeps the compiler from
        // fusing anything else.) Each register goes through locals, which
        // stay in registers.
        using Native = typename Pack<double, W, K>::Native;
        const Native reciprocal = Native{} + 1.0 / divisor, d = Native{} + divisor;
        Pack<double, W, K> out;
        for (int k = 0; k < K; ++k) {
            Native q = a.v[k] * reciprocal, remainder = a.v[k];
#if defined(__clang__)
            // clang checks the operands of inline assembly against the target
            // of the template (the portable one) and refuses AVX registers;
            // its fused multiply-add of each lane is one exact operation
            // whatever the target, and becomes the same vector instructions
            // once inlined into the wider clones.
            for (int l = 0; l < W; ++l) remainder[l] = __builtin_fma(-q[l], d[l], remainder[l]);
            for (int l = 0; l < W; ++l) q[l] = __builtin_fma(remainder[l], reciprocal[l], q[l]);
#else
            if constexpr (W == 4) {
                asm("vfnmadd231pd %2, %1, %0" : "+x"(remainder) : "x"(q), "x"(d));  // a - q x divisor
                asm("vfmadd231pd %2, %1, %0" : "+x"(q) : "x"(remainder), "x"(reciprocal));
            } else {
                asm("vfnmadd231pd %2, %1, %0" : "+v"(remainder) : "v"(q), "v"(d));
                asm("vfmadd231pd %2, %1, %0" : "+v"(q) : "v"(remainder), "v"(reciprocal));
            }
#endif
            out.v[k] = q;
        }
        return out;
    }
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
    static constexpr int kWidth = W, kRegisters = K;
    using D = Pack<double, W, K>;  // levels, envelopes, sums, bands, lines and counts
    using M = MaskPack<W, K>;      // comparisons

    struct Scratch {
        D w[kN];    // levels, lowered to the band (on the AVX2 path, written by the band)
        D U[kN];    // upper envelope (not on the AVX2 path); running minima, then ten-sample means
                    // of the motility index
        D m30[kN];  // what the lines take of the envelope means; block suffix minima of the motility
                    // index, then its level above the smoothed minimum
        D x[kN];    // the motility index's smoothed minimum
        M events[kN];  // all ones in the lanes with an event at the sample
        // The AVX2 path's levels as 32-bit integers, a row of 16 a sample:
        // as read, for the first envelope and the band, then as lowered, for
        // the second envelope.
        alignas(64) int32_t levels[kN][16];
        alignas(64) int32_t upper[kN][16];  // the AVX2 path's upper envelope
    };
    struct Stats {
        int32_t amplitude[kCount];
        int32_t level[kCount];
    };
};

// A group's lanes from the L adjacent 16-bit levels of one sample, and the
// lowered levels back. Those are whole numbers in the 16-bit range (the band
// is held at the floor, and a level is only ever lowered), so the conversion
// back is exact, and narrowing with saturation keeps every value. GCC
// converts the AVX2 and AVX-512 registers a lane at a time, so for them the
// conversions are written out as the instructions clang picks.
template <class T, int N>
struct VectorOf {
    typedef T type __attribute__((vector_size(sizeof(T) * N)));
};

template <int W>
struct LevelsOfRegister {
    int16_t level[W];
};

// With kInts, the levels go to `ints` as 32-bit integers, and only there on
// the AVX2 path (whose band converts them to doubles as it reads them).
template <class V, bool kInts = false>
VONDREL_INLINE void LoadLevels(const int16_t* from, typename V::D& to, int32_t* ints = nullptr) {
    constexpr int W = V::kWidth;
    using Native = typename V::D::Native;
    using Int = typename VectorOf<int32_t, W>::type;
    for (int k = 0; k < V::kRegisters; ++k) {
        const int16_t* p = from + k * W;
        Int widened;
#if !defined(__clang__)
        if constexpr (W == 4 || W == 8) {
            const auto& levels = *reinterpret_cast<const LevelsOfRegister<W>*>(p);
            asm("vpmovsxwd %1, %0" : "=x"(widened) : "m"(levels));
            if constexpr (!(kInts && W == 4)) asm("vcvtdq2pd %1, %0" : "=v"(to.v[k]) : "x"(widened));
        } else
#endif
        {
            // Each level doubled into a 32-bit lane and shifted back down
            // with its sign, then converted.
            using Twice = typename VectorOf<int16_t, 2 * W>::type;
            Twice levels{}, doubled;
            std::memcpy(&levels, p, sizeof(int16_t) * W);
            for (int l = 0; l < W; ++l) doubled[2 * l] = doubled[2 * l + 1] = levels[l];
            widened = reinterpret_cast<Int>(doubled) >> 16;
            if constexpr (!(kInts && W == 4)) to.v[k] = __builtin_convertvector(widened, Native);
        }
        if constexpr (kInts) std::memcpy(ints + k * W, &widened, sizeof widened);
    }
}

// With kWindow, the levels go to the window at `to`; with kInts, also (or
// only) to `ints` as 32-bit integers (the AVX2 path's second envelope takes
// them).
template <class V, bool kWindow = true, bool kInts = false>
VONDREL_INLINE void StoreLevels(const typename V::D& from, int16_t* to, int32_t* ints = nullptr) {
    constexpr int W = V::kWidth;
    using Int = typename VectorOf<int32_t, W>::type;
    using Short = typename VectorOf<int16_t, W>::type;
    static_assert(!kInts || W == 4);
    for (int k = 0; k < V::kRegisters; ++k) {
        Short levels;
#if !defined(__clang__)
        if constexpr (W == 4) {
            Int whole;
            asm("vcvttpd2dq %1, %0" : "=x"(whole) : "x"(from.v[k]));
            if constexpr (kInts) std::memcpy(ints + k * W, &whole, sizeof whole);
            if constexpr (!kWindow) continue;
            typename VectorOf<int16_t, 8>::type packed;
            asm("vpackssdw %1, %1, %0" : "=x"(packed) : "x"(whole));
            std::memcpy(&levels, &packed, sizeof levels);
        } else if constexpr (W == 8) {
            Int whole;
            typename VectorOf<int32_t, 4>::type high;
            asm("vcvttpd2dq %1, %0" : "=x"(whole) : "v"(from.v[k]));
            asm("vextracti128 $1, %1, %0" : "=x"(high) : "x"(whole));
            asm("vpackssdw %2, %x1, %0" : "=x"(levels) : "x"(whole), "x"(high));
        } else
#endif
        {
            const Int whole = __builtin_convertvector(from.v[k], Int);
            if constexpr (kInts) std::memcpy(ints + k * W, &whole, sizeof whole);
            if constexpr (!kWindow) continue;
            using Halves = typename VectorOf<int16_t, 2 * W>::type;
            const Halves halves = reinterpret_cast<Halves>(whole);
            for (int l = 0; l < W; ++l) levels[l] = halves[2 * l];
        }
        std::memcpy(to + k * W, &levels, sizeof levels);
    }
}

template <class V, bool kFast>
VONDREL_INLINE typename V::D Round(typename V::D x) {
    if constexpr (kFast) {
        return AddTakeAway(x, 0x1.8p52);
    } else {
        for (int l = 0; l < V::kCount; ++l) x.Set(l, RoundHalfEven(x[l]));
        return x;
    }
}

// x / 100 for the band and the lower line. On the fast path x is finite (a
// band factor below 2^37 times an envelope mean below 2^16); elsewhere it may
// overflow, and only the division gives its infinite quotient.
template <class V, bool kFast>
VONDREL_INLINE typename V::D Hundredth(const typename V::D& x) {
    if constexpr (kFast)
        return Quotient(x, 100.0);
    else
        return x / 100.0;
}

// The hundredth of a band's or a lower line's product with m30: worked out
// in the envelope means pass where it is a multiplication and two fused
// corrections (the fast path of AVX2 and AVX-512), and beside the recurrence
// where it is a division (the portable path, and every checked one), which
// the processor overlaps with the recurrence's other work there but which
// would keep a pass of its own waiting on the divider.
template <class V, bool kFast>
constexpr bool kHundredthInMeans = kFast && V::kWidth > 2;

template <class V, bool kFast>
VONDREL_INLINE typename V::D HundredthInMeans(const typename V::D& product) {
    if constexpr (kHundredthInMeans<V, kFast>)
        return Hundredth<V, kFast>(product);
    else
        return product;
}
template <class V, bool kFast>
VONDREL_INLINE typename V::D HundredthInLine(const typename V::D& x) {
    if constexpr (kHundredthInMeans<V, kFast>)
        return x;
    else
        return Hundredth<V, kFast>(x);
}

// Registers of a group taken at once by the passes that carry much state
// from sample to sample: two of the portable path's four (one at a time
// on AVX2, whose envelopes run on integers instead), as many as their sixteen
// registers hold without spilling the state to memory at every step; the
// whole group on AVX-512, which has room for it.
template <class V>
constexpr int kStateRegisters = V::kWidth == 8 ? V::kRegisters : V::kWidth == 2 ? 2 : 1;

// Registers k0.. of a group's value, and back.
template <int G, class D>
VONDREL_INLINE Pack<double, D::kWidth, G> Part(const D& x, int k0) {
    Pack<double, D::kWidth, G> p;
    for (int g = 0; g < G; ++g) p.v[g] = x.v[k0 + g];
    return p;
}
template <int G, class D>
VONDREL_INLINE void SetPart(D& x, int k0, const Pack<double, D::kWidth, G>& p) {
    for (int g = 0; g < G; ++g) x.v[k0 + g] = p.v[g];
}

// The upper envelope into U and the mean amplitude and level of samples
// 2..498; for the motility index (kAmplitudeOnly), the mean amplitude alone,
// which is all it takes of the second envelope. The sums are of
// whole numbers far below 2^53, so they are exact in any order: each is kept
// in three parts, every third sample, which do not wait on each other (and
// three steps a turn let the neighbours rotate through registers unmoved).
template <class V, bool kAmplitudeOnly = false>
VONDREL_INLINE void Envelope(const typename V::D (&w)[kN], int seed, typename V::D (&U)[kN], typename V::Stats& s) {
    constexpr int G = kStateRegisters<V>;
    using P = Pack<double, V::kWidth, G>;
    for (int k0 = 0; k0 < V::kRegisters; k0 += G) {
        P upper = Part<G>(w[seed], k0), lower = upper, prev = Part<G>(w[kStatFirst - 1], k0),
          cur = Part<G>(w[kStatFirst], k0);
        P amplitude_sum[3], level_sum[3];
        for (int j = 0; j < 3; ++j) amplitude_sum[j] = level_sum[j] = P::Splat(0.0);
        if constexpr (!kAmplitudeOnly) {
            SetPart<G>(U[0], k0, upper);
            SetPart<G>(U[1], k0, upper);
        }
        auto step = [&](int i, int part) VONDREL_LAMBDA_INLINE {
            const P next = Part<G>(w[i + 1], k0);
            upper = Select(cur > Max(prev, next), cur, upper);
            lower = Select(cur < Min(prev, next), cur, lower);
            amplitude_sum[part] += upper - lower;
            if constexpr (!kAmplitudeOnly) {
                SetPart<G>(U[i], k0, upper);
                level_sum[part] += cur;
            }
            prev = cur;
            cur = next;
        };
        int i = kStatFirst;
        for (; i + 2 <= kStatLast; i += 3) {
            step(i, 0);
            step(i + 1, 1);
            step(i + 2, 2);
        }
        for (; i <= kStatLast; ++i) step(i, 0);
        const P amplitude = amplitude_sum[0] + amplitude_sum[1] + amplitude_sum[2],
                level = level_sum[0] + level_sum[1] + level_sum[2];
        for (int l = 0; l < P::kLanes; ++l) {
            s.amplitude[k0 * V::kWidth + l] = static_cast<int32_t>(RoundHalfEven(amplitude[l] / kStatCount));
            if constexpr (!kAmplitudeOnly)
                s.level[k0 * V::kWidth + l] = static_cast<int32_t>(RoundHalfEven(level[l] / kStatCount));
        }
    }
}

// The rows of a group's lanes as 32-bit integers: eight lanes, then four.
using IntRows = int32_t[kN][16];
using Ints8 = VectorOf<int32_t, 8>::type;
using Ints4 = VectorOf<int32_t, 4>::type;

template <class I>
VONDREL_INLINE I IntsAt(const IntRows& rows, int i, int first) {
    I v;
    std::memcpy(&v, &rows[i][first], sizeof v);
    return v;
}

// A group's twelve lanes of 32-bit integers as doubles, exact (GCC converts
// them by halves otherwise, so the instructions are written out).
template <class D>
VONDREL_INLINE void IntsToDoubles(Ints8 low, Ints4 high, D& to) {
    static_assert(D::kWidth == 4 && D::kLanes == 12);
#if !defined(__clang__)
    Ints4 upper_half;
    asm("vextracti128 $1, %1, %0" : "=x"(upper_half) : "x"(low));
    asm("vcvtdq2pd %x1, %0" : "=x"(to.v[0]) : "x"(low));
    asm("vcvtdq2pd %1, %0" : "=x"(to.v[1]) : "x"(upper_half));
    asm("vcvtdq2pd %1, %0" : "=x"(to.v[2]) : "x"(high));
#else
    using F = typename D::Native;
    to.v[0] = __builtin_convertvector(__builtin_shufflevector(low, low, 0, 1, 2, 3), F);
    to.v[1] = __builtin_convertvector(__builtin_shufflevector(low, low, 4, 5, 6, 7), F);
    to.v[2] = __builtin_convertvector(high, F);
#endif
}

// Row i of a group's lanes as doubles, converted from memory.
template <class D>
VONDREL_INLINE void RowToDoubles(const IntRows& rows, int i, D& to) {
    static_assert(D::kWidth == 4 && D::kLanes == 12);
    for (int k = 0; k < 3; ++k) {
        const auto& four = *reinterpret_cast<const Ints4*>(&rows[i][4 * k]);
#if !defined(__clang__)
        asm("vcvtdq2pd %1, %0" : "=x"(to.v[k]) : "m"(four));
#else
        to.v[k] = __builtin_convertvector(four, typename D::Native);
#endif
    }
}

// The envelopes of the AVX2 path, on the levels as 32-bit integers: the same
// comparisons and whole-number sums as Envelope, eight lanes to a register
// instead of four, and on instructions that more of the processor's units
// execute than those of doubles. The group's twelve lanes go as a register
// of eight, then one of four; the upper envelope goes to U as integers.
template <class V, bool kAmplitudeOnly = false>
VONDREL_INLINE void EnvelopeOfLevels(const IntRows& w, int seed, IntRows& U, typename V::Stats& s) {
    static_assert(V::kWidth == 4 && V::kRegisters == 3);
    auto lanes = [&](auto zero, int first) VONDREL_LAMBDA_INLINE {
        using I = decltype(zero);
        constexpr int n = sizeof(I) / sizeof(int32_t);
        auto at = [&](int i) VONDREL_LAMBDA_INLINE { return IntsAt<I>(w, i, first); };
        auto store = [&](int i, I u) VONDREL_LAMBDA_INLINE { std::memcpy(&U[i][first], &u, sizeof u); };
        I upper = at(seed), lower = upper, prev = at(kStatFirst - 1), cur = at(kStatFirst);
        I amplitude = zero, level = zero;  // far below 2^31: 497 entries of 17 bits
        if constexpr (!kAmplitudeOnly) {
            store(0, upper);
            store(1, upper);
        }
#pragma GCC unroll 4
        for (int i = kStatFirst; i <= kStatLast; ++i) {
            const I next = at(i + 1);
            const I larger = prev > next ? prev : next, smaller = prev < next ? prev : next;
            upper = cur > larger ? cur : upper;
            lower = cur < smaller ? cur : lower;
            amplitude += upper - lower;
            if constexpr (!kAmplitudeOnly) {
                level += cur;
                store(i, upper);
            }
            prev = cur;
            cur = next;
        }
        for (int l = 0; l < n; ++l) {
            s.amplitude[first + l] = static_cast<int32_t>(RoundHalfEven(amplitude[l] / kStatCount));
            if constexpr (!kAmplitudeOnly)
                s.level[first + l] = static_cast<int32_t>(RoundHalfEven(level[l] / kStatCount));
        }
    };
    lanes(Ints8{}, 0);
    lanes(Ints4{}, 8);
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

// Rounding to nearest with halves to even in one instruction, for a native
// vector of the AVX2 or AVX-512 target (GCC only: clang checks inline
// assembly against the portable target). Exact for every finite value; it
// differs from adding and taking away 1.5 x 2^52 only in the sign of a zero.
#if !defined(__clang__)
template <class Native>
VONDREL_INLINE Native RoundEvenInstruction(Native x) {
    if constexpr (sizeof(Native) == 32)
        asm("vroundpd $8, %1, %0" : "=x"(x) : "x"(x));
    else
        asm("vrndscalepd $8, %1, %0" : "=v"(x) : "v"(x));
    return x;
}
#endif

// The fast path's rounding in one instruction, where the target has one. It
// differs from Round only in the sign of a zero. It rounds the envelope means
// alone: every band and line made from a mean is rounded again by adding and
// taking away 1.5 x 2^52, which gives +0 for either zero, so no band or line
// (nor anything after them) changes by a bit.
template <class V>
VONDREL_INLINE typename V::D RoundToNearest(typename V::D x) {
#if !defined(__clang__)
    if constexpr (V::kWidth == 4 || V::kWidth == 8) {
        for (int k = 0; k < V::kRegisters; ++k) x.v[k] = RoundEvenInstruction(x.v[k]);
        return x;
    }
#endif
    return Round<V, true>(x);
}

// m30(i): the rounded mean of the 30 upper-envelope entries after i (i < 30)
// or before i (i >= 30). The means are below 2^16, so the fast rounding holds.
// The sum is multiplied by the double nearest 1/30 in place of a division:
// the product may differ from the quotient in its last bit, but for every
// whole sum of 30 16-bit levels the rounded results are the same (the
// detection tests check them all), and a multiplication takes a fraction of
// a division's time.
//
// What is kept at i is what the next pass takes of m30(i), worked out here
// where it does not wait on anything: start(m30(i)) for the first kLineStart
// samples, rest(m30(i)) after them. The passes whose lines are recurrences
// then carry only the recurrence.
constexpr int kLineStart = 4;

//
// `sums` keeps the running sum of 30 upper-envelope entries: Restart(first)
// sums entries first..first+29, Advance(in, away) adds one and takes one
// away, and Get gives the sum as doubles.
template <class V, bool kFast, class Sums, class Start, class Rest>
VONDREL_INLINE void EnvelopeMeansOf(Sums& sums, typename V::D (&out)[kN], Start start, Rest rest) {
    using D = typename V::D;
    auto mean = [&sums]() VONDREL_LAMBDA_INLINE {
        D sum;
        sums.Get(sum);
        if constexpr (kFast)
            return RoundToNearest<V>(sum * kEnvelopeReciprocal);
        else
            return Round<V, true>(sum * kEnvelopeReciprocal);
    };
    sums.Restart(1);
    for (int i = 0; i < kLineStart; ++i) {
        out[i] = start(mean());
        sums.Advance(i + kEnvelopeSpan + 1, i + 1);
    }
    for (int i = kLineStart; i < kEnvelopeSpan; ++i) {
        out[i] = rest(mean());
        sums.Advance(i + kEnvelopeSpan + 1, i + 1);
    }
    sums.Restart(0);
    for (int i = kEnvelopeSpan; i < kN - 1; ++i) {
        out[i] = rest(mean());
        sums.Advance(i, i - kEnvelopeSpan);
    }
    out[kN - 1] = rest(mean());
}

// The running sums of the upper envelope held as doubles.
template <class V>
struct EnvelopeSums {
    using D = typename V::D;
    const D (&U)[kN];
    D sum;
    VONDREL_INLINE void Restart(int first) {
        sum = D::Splat(0.0);
        for (int j = first; j < first + kEnvelopeSpan; ++j) sum += U[j];
    }
    VONDREL_INLINE void Advance(int in, int away) { sum += U[in] - U[away]; }
    VONDREL_INLINE void Get(D& to) const { to = sum; }
};

// The same sums from the upper envelope as integers (the AVX2 path): the
// same whole numbers (30 entries of 16 bits), converted to doubles for each
// mean.
struct EnvelopeIntSums {
    const IntRows& U;
    Ints8 low;
    Ints4 high;
    VONDREL_INLINE void Restart(int first) {
        low = Ints8{};
        high = Ints4{};
        for (int j = first; j < first + kEnvelopeSpan; ++j) {
            low += IntsAt<Ints8>(U, j, 0);
            high += IntsAt<Ints4>(U, j, 8);
        }
    }
    VONDREL_INLINE void Advance(int in, int away) {
        low += IntsAt<Ints8>(U, in, 0) - IntsAt<Ints8>(U, away, 0);
        high += IntsAt<Ints4>(U, in, 8) - IntsAt<Ints4>(U, away, 8);
    }
    template <class D>
    VONDREL_INLINE void Get(D& to) const {
        IntsToDoubles(low, high, to);
    }
};

template <class V, bool kFast, class Start, class Rest>
VONDREL_INLINE void EnvelopeMeans(const typename V::D (&U)[kN], typename V::D (&out)[kN], Start start, Rest rest) {
    EnvelopeSums<V> sums{U, {}};
    EnvelopeMeansOf<V, kFast>(sums, out, start, rest);
}

template <class V, bool kFast, class Start, class Rest>
VONDREL_INLINE void EnvelopeMeans(const IntRows& U, typename V::D (&out)[kN], Start start, Rest rest) {
    EnvelopeIntSums sums{U, {}, {}};
    EnvelopeMeansOf<V, kFast>(sums, out, start, rest);
}

// Round(x / 4) of a line's or band's sum x. On the fast path with a fused
// multiply-add, x / 4 is exact (the sums are zero or far from the subnormal
// range), so adding 1.5 x 2^52 to it in the same instruction rounds as the
// addition after the division would, one step shorter on the chain the lines
// wait on.
template <class V, bool kFast>
VONDREL_INLINE typename V::D RoundQuarter(const typename V::D& x) {
    if constexpr (kFast && V::kWidth > 2)
        return FusedAddTakeAway(x, 0.25, 0x1.8p52);
    else
        return Round<V, kFast>(x / 4.0);
}

// Three lines or bands side by side in registers, newest first, moved along
// by renaming: a step computes the next one into the oldest's place.
// Sample i of `body` gets (oldest, newest, middle) and overwrites the oldest;
// three steps a turn bring the names back where they started.
template <class D, class Body>
VONDREL_INLINE void Recur(int first, D& newest, D& middle, D& oldest, Body body) {
    int i = first;
    for (; i + 2 < kN; i += 3) {
        body(i, oldest, newest, middle);
        body(i + 1, middle, oldest, newest);
        body(i + 2, newest, middle, oldest);
    }
    if (i < kN) body(i, oldest, newest, middle);
    if (i + 1 < kN) body(i + 1, middle, oldest, newest);
}

// Levels above the band are lowered to it, held at the 16-bit floor: a level
// is at most 32767, so a band below it never needs the ceiling. On the fast
// path every band is a number, and lowering a level to the band is taking
// the smaller of the two; elsewhere a band that is not a number lowers
// nothing. With kOut, each lowered sample is also written back to the window
// at `out`, `stride` levels apart.
//
// H holds, for i < kLineStart, the start of the band (up / 100 x m30(i)), and
// after it up x m30(i), or its hundredth where the means pass takes it (see
// HundredthInMeans). Each band takes its entry's place in H, and the oldest
// of the three a band adds is read back from there: it is not on the chain
// the next band waits for (it was ready three steps ago), and with one fewer
// value in registers a step keeps both of the others, and the lowering's,
// out of memory.
//
// With kInts, the lowered levels also go to `ints` as 32-bit integers.
template <class V, bool kFast, bool kOut, bool kInts>
VONDREL_INLINE void ClipToBand(typename V::D (&w)[kN], typename V::D (&H)[kN], int16_t* out, size_t stride,
                               int32_t (&ints)[kN][16]) {
    using D = typename V::D;
    const D floor = D::Splat(-32768.0);
    auto lower = [&](int i, const D& band) VONDREL_LAMBDA_INLINE {
        // With kInts the levels come as integers (LoadLevels leaves w to
        // this pass).
        D level;
        if constexpr (kInts)
            RowToDoubles(ints, i, level);
        else
            level = w[i];
        D lowered;
        if constexpr (kFast)
            lowered = Min(Max(band, floor), level);  // neither is a zero of minus sign nor not a number
        else
            lowered = Select(level > band, Select(band < floor, floor, band), level);
        w[i] = lowered;
        // From the register: read back after the 16-bit stores of the
        // register before, which the compiler cannot tell apart from it, it
        // would come from memory.
        if constexpr (kOut || kInts)
            StoreLevels<V, kOut, kInts>(lowered, kOut ? out + static_cast<size_t>(i) * stride : nullptr, ints[i]);
    };
    for (int i = 0; i < kLineStart; ++i) {
        H[i] = Round<V, kFast>(H[i]);
        lower(i, H[i]);
    }
    D newest = H[kLineStart - 1], middle = H[kLineStart - 2];
    auto step = [&](int i, D& newer, D& older) VONDREL_LAMBDA_INLINE {
        // older is the band before newer, and becomes the band of i.
        older = RoundQuarter<V, kFast>(((HundredthInLine<V, kFast>(H[i]) + H[i - 3]) + newer) + older);
        H[i] = older;
        lower(i, older);
    };
    static_assert((kN - kLineStart) % 2 == 0);
    for (int i = kLineStart; i < kN; i += 2) {
        step(i, newest, middle);
        step(i + 1, middle, newest);
    }
}

// Records the event mask of sample u where the caller exports event flags
// (kFlags); counting alone keeps no masks.
template <class V, bool kFlags>
VONDREL_INLINE void Mark(typename V::M (&events)[kN], int u, const typename V::M& event) {
    if constexpr (kFlags)
        for (int k = 0; k < V::M::kLanes / V::M::kWidth; ++k) events[u].v[k] = event.v[k];
}

// Adds one in the lanes of `events`.
template <class V>
VONDREL_INLINE void Tally(typename V::D& count, const typename V::M& events) {
    count += Keep(V::D::Splat(1.0), events);
}

// The next line from the three before it (newest, middle, oldest) and its
// share p of the envelope mean: Round((middle + newest + oldest + p) / 4).
// The lines are whole numbers: on the fast path they are below 2^46, so the
// sum of the three is exact in any order, and the newest is added last.
template <class V, bool kFast>
VONDREL_INLINE typename V::D NextLine(const typename V::D& newest, const typename V::D& middle,
                                      const typename V::D& oldest, const typename V::D& p) {
    if constexpr (kFast)
        return RoundQuarter<V, kFast>(((middle + oldest) + newest) + p);
    else
        return RoundQuarter<V, kFast>(((middle + newest) + oldest) + p);
}

// Methods 0 and 1: the lower line and its crossings. H holds, for u <
// kLineStart, the start of the line ((100 - 1.75 T) / 100 x m30(u)), and after
// it m30(u) x (100 - T), or its hundredth where the means pass takes it (see
// HundredthInMeans).
template <class V, bool kFast, bool kFlags, bool kGated>
VONDREL_INLINE typename V::D CountBelowLowerLine(const typename V::D (&w)[kN], const typename V::D (&H)[kN],
                                                 typename V::M (&events)[kN]) {
    using D = typename V::D;
    using M = typename V::M;
    M below = M::Splat(0);
    D count = D::Splat(0.0);
    int gate = 0;
    auto cross = [&](int u, const D& line) VONDREL_LAMBDA_INLINE {
        const M lt = w[u] < line, gt = w[u] > line;
        if constexpr (kGated) {
            below |= lt;
            if (gate == kGate) {
                Tally<V>(count, below);
                Mark<V, kFlags>(events, u, below);
                below = M::Splat(0);
            } else {
                Mark<V, kFlags>(events, u, M::Splat(0));
            }
        } else {
            const M event = lt & ~below;
            Tally<V>(count, event);
            Mark<V, kFlags>(events, u, event);
            below = (below | lt) & ~gt;
        }
        if (gate == kGate) gate = 0;
        ++gate;
    };
    D l[kLineStart];
    for (int u = 0; u < kLineStart; ++u) {
        l[u] = Round<V, kFast>(H[u]);
        cross(u, l[u]);
    }
    D l1 = l[3], l2 = l[2], l3 = l[1];
    Recur(kLineStart, l1, l2, l3, [&](int u, D& oldest, const D& newest, const D& middle) VONDREL_LAMBDA_INLINE {
        oldest = NextLine<V, kFast>(newest, middle, oldest, HundredthInLine<V, kFast>(H[u]));
        cross(u, oldest);
    });
    return count;
}

// Method 3: the line at threshold x envelope mean, crossed by two-sample
// means. P holds threshold x m30(u) (see EnvelopeMeans).
template <class V, bool kFast, bool kFlags>
VONDREL_INLINE typename V::D CountBelowThresholdLine(const typename V::D (&w)[kN], const typename V::D (&P)[kN],
                                                     typename V::M (&events)[kN]) {
    using D = typename V::D;
    using M = typename V::M;
    M below = M::Splat(0);
    D count = D::Splat(0.0);
    auto cross = [&](int u, const D& line) VONDREL_LAMBDA_INLINE {
        const D a = (w[u - 1] + w[u]) * 0.5;  // exact, as the division by two
        const M lt = a < line, gt = a > line;
        const M event = lt & ~below;
        Tally<V>(count, event);
        Mark<V, kFlags>(events, u, event);
        below = (below | lt) & ~gt;
    };
    D l[kLineStart];
    Mark<V, kFlags>(events, 0, M::Splat(0));
    l[0] = Round<V, kFast>(P[0]);
    for (int u = 1; u < kLineStart; ++u) {
        l[u] = Round<V, kFast>(P[u]);
        cross(u, l[u]);
    }
    D l1 = l[3], l2 = l[2], l3 = l[1];
    Recur(kLineStart, l1, l2, l3, [&](int u, D& oldest, const D& newest, const D& middle) VONDREL_LAMBDA_INLINE {
        oldest = NextLine<V, kFast>(newest, middle, oldest, P[u]);
        cross(u, oldest);
    });
    return count;
}

// Method 2's walk over the ten-sample means on the portable and AVX-512
// paths: `rising` is the direction, a turn starts a new run at the rounded
// mean, a step in the same direction lengthens the run.
template <class V, bool kFlags>
VONDREL_INLINE typename V::D Walk(typename V::Scratch& s, const typename V::D (&means)[kN], const typename V::D& jump) {
    using D = typename V::D;
    using M = typename V::M;
    const D run_length = D::Splat(kRunLength), one = D::Splat(1.0);
    Mark<V, kFlags>(s.events, 0, M::Splat(0));
    D previous = means[0], run = D::Splat(0.0), reference = run;
    M rising = M::Splat(0), events = rising;  // events: minus the number of events
    for (int m = 1; m < kN; ++m) {
        const D& d = means[m];
        const M up = d > previous, down = d < previous;
        const M rising_now = up | (rising & ~down);
        const M turn = rising ^ rising_now;  // a step against the direction
        rising = rising_now;
        run = Keep(run + Keep(one, up | down), ~turn);
        reference = Select(turn, (d + 0x1.8p52) - 0x1.8p52, reference);  // rounded (|d| < 2^16)
        const M event = (Abs(reference - d) > jump) & (run == run_length);
        events = events + event;  // all ones is minus one
        Mark<V, kFlags>(s.events, m, event);
        previous = d;
    }
    D count;
    for (int l = 0; l < V::kCount; ++l) count.Set(l, -static_cast<double>(events[2 * l]));
    return count;
}

// The same walk on the AVX2 path, with fewer instructions a step: the
// comparisons' 64-bit masks serve as they are, the run is counted in 64-bit
// integers (a mask of all ones is minus one, so subtracting the mask of a
// step adds one), and the rounding is the processor's own, to nearest with
// halves to even. Where that differs from adding and taking away 1.5 x 2^52
// (a zero's sign), the reference only enters |reference - d|, which is the
// same for both zeros. (AVX-512 compares into mask registers, and moving
// them to vectors and back for this costs more than it saves there.)
//
// The group's registers go one after the other: with the whole group at
// once, the state and constants do not fit in AVX2's sixteen registers and
// every step waits on memory.
template <class V, bool kFlags>
VONDREL_INLINE typename V::D WalkAvx2(typename V::Scratch& s, const typename V::D (&means)[kN],
                                      const typename V::D& jump) {
    static_assert(V::kWidth == 4);
    using F = typename V::D::Native;
    using I = typename VectorOf<int64_t, 4>::type;
    using Bits = typename V::M::Native;
    const I run_length = I{} + kRunLength, magnitude = I{} + INT64_MAX;  // all but the sign
    // Rounding, blends on the masks' sign bits, and a mask's complement
    // with another, as single instructions: GCC otherwise computes the
    // opposite comparison to blend on, or complements with an extra xor.
    // (clang checks inline assembly against the portable target, so it
    // gets the same operations as vector expressions.)
    auto round = [](F d) VONDREL_LAMBDA_INLINE {
#if !defined(__clang__)
        return RoundEvenInstruction(d);
#else
        return (d + 0x1.8p52) - 0x1.8p52;  // |d| < 2^16
#endif
    };
    auto blend = [](I mask, auto a, auto b) VONDREL_LAMBDA_INLINE {  // mask ? a : b
#if !defined(__clang__)
        decltype(a) r;
        asm("vblendvpd %3, %2, %1, %0" : "=x"(r) : "x"(b), "x"(a), "x"(mask));
        return r;
#else
        return mask < 0 ? a : b;
#endif
    };
    auto and_not = [](I mask, I x) VONDREL_LAMBDA_INLINE {  // x & ~mask
#if !defined(__clang__)
        I r;
        asm("vpandn %2, %1, %0" : "=x"(r) : "x"(mask), "x"(x));
        return r;
#else
        return x & ~mask;
#endif
    };
    typename V::D count;
    Mark<V, kFlags>(s.events, 0, V::M::Splat(0));
    for (int k = 0; k < V::kRegisters; ++k) {
        F previous = means[0].v[k], reference{};
        const F jumps = jump.v[k];
        I rising{}, run{}, events{};  // events: minus the number of events
#pragma GCC unroll 4
        for (int m = 1; m < kN; ++m) {
            const F d = means[m].v[k];
            const I up = reinterpret_cast<I>(previous < d), moved = reinterpret_cast<I>(previous != d);
            const I rising_now = blend(moved, up, rising);
            const I turn = rising ^ rising_now;  // a step against the direction
            rising = rising_now;
            run = and_not(turn, run - moved);
            reference = blend(turn, round(d), reference);
            const F distance = reinterpret_cast<F>(reinterpret_cast<I>(reference - d) & magnitude);
            const I event = reinterpret_cast<I>(jumps < distance) & (run == run_length);
            events += event;
            if constexpr (kFlags) s.events[m].v[k] = reinterpret_cast<Bits>(event);
            previous = d;
        }
        for (int l = 0; l < 4; ++l) count.Set(k * 4 + l, -static_cast<double>(events[l]));
    }
    return count;
}

// Method 2, the motility index, step for step as the single-channel counter
// computes it (see CountMotility): running minima over 50 samples from block
// prefix and suffix minima, their mean smoothed in place, the ten-sample means
// of the level above it, and the walk over runs of ten steps in one direction.
template <class V, bool kFlags>
VONDREL_INLINE typename V::D CountMotilityLanes(typename V::Scratch& s, const typename V::D& jump) {
    using D = typename V::D;
    const D(&w)[kN] = s.w;
    D(&minimum)[kN] = s.U;  // block prefix minima, then the running minima
    D(&suffix)[kN] = s.m30;
    D(&x)[kN] = s.x;  // the smoothed minimum

    // Every prefix chain starts at most at the 9999 the search for a minimum
    // starts from, and every window ends on a prefix minimum, so its minimum
    // is capped at 9999 without a third term.
    const D ceiling = D::Splat(9999.0);
    for (int b = 0; b < kN; b += kMinimumSpan) {
        minimum[b] = Min(w[b], ceiling);
#pragma GCC unroll 2
        for (int i = b + 1; i < b + kMinimumSpan; ++i) minimum[i] = Min(w[i], minimum[i - 1]);
        suffix[b + kMinimumSpan - 1] = w[b + kMinimumSpan - 1];
#pragma GCC unroll 2
        for (int i = b + kMinimumSpan - 2; i >= b; --i) suffix[i] = Min(w[i], suffix[i + 1]);
    }
    // The minimum of the window first..first+49 goes to entry y of the
    // prefix minima, in place: the windows are taken in ascending order of
    // y, and the prefix minimum at y is only read by windows that start
    // before it. The window of y + 50 is taken as the smoothing reaches y,
    // which reads it, so the minima are not a pass of their own; it starts at
    // y + 50 up to kForwardLast, and at y + 1 after it (a backward window).
    // (Written in place rather than returned: GCC moves a returned group
    // through the stack.)
    auto take_window = [&](int y, int first) VONDREL_LAMBDA_INLINE {
        minimum[y] = Min(suffix[first], minimum[first + kMinimumSpan - 1]);
    };
    D sum = D::Splat(0.0);
    for (int y = 0; y < kMinimumSpan; ++y) {
        take_window(y, y);
        sum += minimum[y];
    }

    // The level above the smoothed minimum, where the suffix minima were:
    // entry y is written after the last read of the suffix minimum there.
    D(&above)[kN] = s.m30;
    // Only the backward windows read the smoothed minimum back, from the
    // first entry of the earliest of them on.
    constexpr int kFirstKept = kForwardLast + 1 - (kMinimumSpan - 1);
    constexpr int kLastForwardAhead = kForwardLast - kMinimumSpan;
    static_assert(kLastForwardAhead < kFirstKept);
    auto forward = [&](int y, int first_ahead, auto keep) VONDREL_LAMBDA_INLINE {
        const D smoothed = Quotient(sum, kMinimumSpan);
        if constexpr (decltype(keep)::value) x[y] = smoothed;
        above[y] = w[y] - smoothed;
        take_window(y + kMinimumSpan, first_ahead);
        sum += minimum[y + kMinimumSpan] - minimum[y];
    };
    for (int y = 0; y <= kLastForwardAhead; ++y) forward(y, y + kMinimumSpan, std::false_type{});
    for (int y = kLastForwardAhead + 1; y < kFirstKept; ++y) forward(y, y + 1, std::false_type{});
    for (int y = kFirstKept; y <= kForwardLast; ++y) forward(y, y + 1, std::true_type{});
    take_window(kN - 1, kN - kMinimumSpan);
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
#pragma GCC unroll 4  // the loop's own counting is otherwise a fifth of its instructions
        for (int j = start + 2; j < y0; ++j) {
            s0 += x[j];
            s1 += x[j];
            s2 += x[j];
        }
        s0 += minimum[y0];
        x[y0] = Quotient(s0, kMinimumSpan);
        s1 += x[y0];
        s2 += x[y0];
        s1 += minimum[y0 + 1];
        x[y0 + 1] = Quotient(s1, kMinimumSpan);
        s2 += x[y0 + 1];
        s2 += minimum[y0 + 2];
        x[y0 + 2] = Quotient(s2, kMinimumSpan);
    }
    for (int y = kForwardLast + 1; y < kN; ++y) above[y] = w[y] - x[y];

    // The ten-sample means of the level above the smoothed minimum, where
    // the running minima were. One register at a time (the ten entries of a
    // window then stay in registers from one mean to the next); forward, then
    // backward windows. Each sum starts from its first entry rather than from
    // zero plus it: the two differ only in the sign of a zero sum, and a mean
    // only enters comparisons and |reference - mean| in the walk.
    D(&means)[kN] = s.U;
    using D1 = Pack<double, V::kWidth, 1>;
    for (int k = 0; k < V::kRegisters; ++k) {
        auto mean_from = [&above, k](int first) VONDREL_LAMBDA_INLINE {
            D1 acc, entry;
            acc.v[0] = above[first].v[k];
            for (int j = first + 1; j < first + kDiffSpan; ++j) {
                entry.v[0] = above[j].v[k];
                acc += entry;
            }
            return Quotient(acc, kDiffSpan).v[0];
        };
        for (int m = 0; m <= kDiffForwardLast; ++m) means[m].v[k] = mean_from(m);
        // A backward window is the forward one that starts where it does,
        // up to the last start of a forward window.
        for (int m = kDiffForwardLast + 1; m < kN; ++m) {
            const int first = m - (kDiffSpan - 1);
            means[m].v[k] = first <= kDiffForwardLast ? means[first].v[k] : mean_from(first);
        }
    }

    if constexpr (V::kWidth == 4)
        return WalkAvx2<V, kFlags>(s, means, jump);
    else
        return Walk<V, kFlags>(s, means, jump);
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
template <class V, bool kFast, bool kFlags>
VONDREL_INLINE void CountGroup(const Job& job, int c0, typename V::Scratch& s) {
    using D = typename V::D;
    constexpr int L = V::kCount;
    const int channels = job.window.channels;
    const int16_t* levels = job.window.levels.data();  // levels of all channels, sample-major
    const int last = channels - 1;
    // On the AVX2 and AVX-512 paths; the portable path does better with the
    // compiler's own conversions, lane by lane.
    constexpr bool kWideLevels = V::kWidth > 2;
    // The AVX2 path's envelopes and band take the levels as integers.
    constexpr bool kIntegerEnvelope = V::kWidth == 4;
    if (kWideLevels && c0 + L <= channels) {
        // A whole group: each sample's levels are adjacent.
        for (int i = 0; i < kN; ++i)
            LoadLevels<V, kIntegerEnvelope>(levels + static_cast<size_t>(i) * channels + c0, s.w[i], s.levels[i]);
    } else {
        for (int i = 0; i < kN; ++i) {
            const int16_t* row = levels + static_cast<size_t>(i) * channels;
            for (int l = 0; l < L; ++l) {
                const int16_t level = row[c0 + l <= last ? c0 + l : last];
                s.w[i].Set(l, level);
                if constexpr (kIntegerEnvelope) s.levels[i][l] = level;
            }
        }
    }

    bool keep[L];
    bool all = kWideLevels;
    for (int l = 0; l < L; ++l) {
        const int c = c0 + l;
        keep[l] = c < static_cast<int>(job.selected.size()) && job.selected[c] && c != job.skip;
        all = all && keep[l];
    }
    // Where every lane is kept (on the wide paths), the lowered levels go
    // back to the window as the band lowers them; otherwise lane by lane at
    // the end.
    int16_t* out = job.window.levels.data() + c0;

    typename V::Stats stats;
    // The upper envelope: as integers where the envelopes take them.
    auto& U = [&]() -> auto& {
        if constexpr (kIntegerEnvelope)
            return s.upper;
        else
            return s.U;
    }();
    if constexpr (kIntegerEnvelope)
        EnvelopeOfLevels<V>(s.levels, 1, U, stats);
    else
        Envelope<V>(s.w, 1, U, stats);
    {
        const D up = PercentThresholds<V>(stats, job.threshold, false) + 100.0;
        const D up_start = up / 100.0;
        EnvelopeMeans<V, kFast>(
            U, s.m30, [up_start](D m) VONDREL_LAMBDA_INLINE { return up_start * m; },
            [up](D m) VONDREL_LAMBDA_INLINE { return HundredthInMeans<V, kFast>(up * m); });
    }
    if (all)
        ClipToBand<V, kFast, true, kIntegerEnvelope>(s.w, s.m30, out, static_cast<size_t>(channels), s.levels);
    else
        ClipToBand<V, kFast, false, kIntegerEnvelope>(s.w, s.m30, nullptr, 0, s.levels);

    if constexpr (kIntegerEnvelope) {
        if (job.method == kMethodMotilityIndex)
            EnvelopeOfLevels<V, true>(s.levels, 2, U, stats);
        else
            EnvelopeOfLevels<V>(s.levels, 2, U, stats);
    } else {
        if (job.method == kMethodMotilityIndex)
            Envelope<V, true>(s.w, 2, U, stats);
        else
            Envelope<V>(s.w, 2, U, stats);
    }
    D count = D::Splat(0.0);
    bool counted = true;
    if (job.method == kMethodMotilityIndex) {
        D jump;
        for (int l = 0; l < L; ++l) jump.Set(l, std::max(stats.amplitude[l], kLeastJump));
        count = CountMotilityLanes<V, kFlags>(s, jump);
    } else if (job.method == kMethodGatedThreshold || job.method == kMethodThresholdAverage) {
        const D T = PercentThresholds<V>(stats, job.threshold, true);
        const D start_scale = (100.0 - 1.75 * T) / 100.0;
        const D scale = 100.0 - T;
        EnvelopeMeans<V, kFast>(
            U, s.m30, [start_scale](D m) VONDREL_LAMBDA_INLINE { return start_scale * m; },
            [scale](D m) VONDREL_LAMBDA_INLINE { return HundredthInMeans<V, kFast>(m * scale); });
        if (job.method == kMethodGatedThreshold)
            count = CountBelowLowerLine<V, kFast, kFlags, true>(s.w, s.m30, s.events);
        else
            count = CountBelowLowerLine<V, kFast, kFlags, false>(s.w, s.m30, s.events);
    } else if (job.method == kMethodThresholdLine) {
        const double threshold = job.threshold;
        auto share = [threshold](D m) VONDREL_LAMBDA_INLINE { return m * threshold; };
        EnvelopeMeans<V, kFast>(U, s.m30, share, share);
        count = CountBelowThresholdLine<V, kFast, kFlags>(s.w, s.m30, s.events);
    } else {
        counted = false;  // an unknown method counts nothing
    }

    for (int l = 0; l < L; ++l) {
        const int c = c0 + l;
        if (keep[l]) job.counts[c] = static_cast<int16_t>(count[l]);
        if (kFlags && keep[l]) {
            // The mask's 32-bit halves: lane l's low half is entry 2l.
            char* row = job.flags + static_cast<size_t>(c) * kN;
            for (int i = 0; i < kN; ++i) row[i] = counted && s.events[i][2 * l] != 0 ? '1' : '0';
        }
    }
    if (!all)
        for (int i = 0; i < kN; ++i, out += channels)
            for (int l = 0; l < L; ++l)
                if (keep[l]) out[l] = static_cast<int16_t>(s.w[i][l]);
}

// The scratch of a group, made once per thread that counts (the other
// threads carry a pointer only).
template <class V>
typename V::Scratch& ScratchOfThisThread() {
    static thread_local std::unique_ptr<typename V::Scratch> scratch;
    if (!scratch) scratch = std::make_unique<typename V::Scratch>();
    return *scratch;
}

template <int W, int K, bool kFast, bool kFlags>
VONDREL_INLINE void CountAll(const Job& job) {
    using V = Lanes<W, K>;
    constexpr int L = V::kCount;
    typename V::Scratch& s = ScratchOfThisThread<V>();
    const int n = static_cast<int>(job.selected.size());
    for (int c0 = 0; c0 < n; c0 += L) {
        bool any = false;
        for (int c = c0; c < std::min(c0 + L, n); ++c) any = any || (job.selected[c] && c != job.skip);
        if (any) CountGroup<V, kFast, kFlags>(job, c0, s);
    }
}

// Each path in four functions of its own, for the fast or checked rounding,
// with or without flags: inlined into one function, the four variants spill
// far more than each does alone.
#define VONDREL_COUNTER_PATH(Name, Target, W, K)                                                               \
    Target [[gnu::noinline]] void Name##Checked(const Job& job) { CountAll<W, K, false, false>(job); }         \
    Target [[gnu::noinline]] void Name##Fast(const Job& job) { CountAll<W, K, true, false>(job); }             \
    Target [[gnu::noinline]] void Name##CheckedFlags(const Job& job) { CountAll<W, K, false, true>(job); }     \
    Target [[gnu::noinline]] void Name##FastFlags(const Job& job) { CountAll<W, K, true, true>(job); }         \
    void Name(const Job& job) {                                                                                \
        const bool fast = std::fabs(job.threshold) <= kFastThresholdLimit;                                     \
        if (job.flags)                                                                                         \
            fast ? Name##FastFlags(job) : Name##CheckedFlags(job);                                             \
        else                                                                                                   \
            fast ? Name##Fast(job) : Name##Checked(job);                                                       \
    }

VONDREL_COUNTER_PATH(CountAllPortable, , 2, kPortableRegisters)

#if defined(__x86_64__) || defined(__i386__)
#define VONDREL_HAS_X86_PATHS 1
VONDREL_COUNTER_PATH(CountAllAvx2, [[gnu::target("avx2,fma")]], 4, kAvx2Registers)
VONDREL_COUNTER_PATH(CountAllAvx512, [[gnu::target("avx512f")]], 8, kAvx512Registers)
#endif
#undef VONDREL_COUNTER_PATH

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
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
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
