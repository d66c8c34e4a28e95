#include "reports/BinAccumulation.h"

#include <atomic>
#include <cstring>

#include "reports/ReportData.h"

namespace vondrel::reports {
namespace {

// Registers of accumulators a block holds: enough independent chains of
// additions to keep the adders busy while each waits on the one before.
constexpr int kRegisters = 8;

template <int Lanes>
struct Vectors {
    using D [[gnu::vector_size(Lanes * sizeof(double))]] = double;
    using S [[gnu::vector_size(Lanes * sizeof(int16_t))]] = int16_t;
    static constexpr int kBlock = Lanes * kRegisters;
    static_assert(kChannels % kBlock == 0);
};

template <int Lanes>
[[gnu::always_inline]] inline void ShareOfCountsIn(const int16_t* counts, double divisor, double* share) {
    using V = Vectors<Lanes>;
    for (int c = 0; c < kChannels; c += Lanes) {
        typename V::S s;
        std::memcpy(&s, counts + c, sizeof s);
        const typename V::D q = __builtin_convertvector(s, typename V::D) / divisor;
        std::memcpy(share + c, &q, sizeof q);
    }
}

template <int Lanes>
[[gnu::always_inline]] inline void AddRepeatedlyIn(double* row, const double* share, int64_t times) {
    using V = Vectors<Lanes>;
    for (int c0 = 0; c0 < kChannels; c0 += V::kBlock) {
        // Unrolled, so that the accumulators stay in registers.
        typename V::D x[kRegisters], s[kRegisters];
#pragma GCC unroll 8
        for (int i = 0; i < kRegisters; ++i) {
            std::memcpy(&x[i], row + c0 + i * Lanes, sizeof x[i]);
            std::memcpy(&s[i], share + c0 + i * Lanes, sizeof s[i]);
        }
        for (int64_t k = 0; k < times; ++k) {
#pragma GCC unroll 8
            for (int i = 0; i < kRegisters; ++i) x[i] += s[i];
        }
#pragma GCC unroll 8
        for (int i = 0; i < kRegisters; ++i) std::memcpy(row + c0 + i * Lanes, &x[i], sizeof x[i]);
    }
}

void SharePortable(const int16_t* counts, double divisor, double* share) { ShareOfCountsIn<2>(counts, divisor, share); }
void AddPortable(double* row, const double* share, int64_t times) { AddRepeatedlyIn<2>(row, share, times); }

#if defined(__x86_64__) || defined(__i386__)
#define VONDREL_BINNING_X86 1
[[gnu::target("avx2")]] void ShareAvx2(const int16_t* counts, double divisor, double* share) {
    ShareOfCountsIn<4>(counts, divisor, share);
}
[[gnu::target("avx2")]] void AddAvx2(double* row, const double* share, int64_t times) {
    AddRepeatedlyIn<4>(row, share, times);
}
[[gnu::target("avx512f")]] void ShareAvx512(const int16_t* counts, double divisor, double* share) {
    ShareOfCountsIn<8>(counts, divisor, share);
}
[[gnu::target("avx512f")]] void AddAvx512(double* row, const double* share, int64_t times) {
    AddRepeatedlyIn<8>(row, share, times);
}
#endif

bool Has(BinningPath path) {
#ifdef VONDREL_BINNING_X86
    static const bool avx2 = __builtin_cpu_supports("avx2");
    static const bool avx512 = __builtin_cpu_supports("avx512f");
    if (path == BinningPath::Avx512) return avx512;
    if (path == BinningPath::Avx2) return avx2;
#endif
    return path == BinningPath::Portable;
}

std::atomic<BinningPath> g_path{BinningPath::Automatic};

}  // namespace

BinningPath CurrentBinningPath() {
    const BinningPath asked = g_path.load();
    if (asked != BinningPath::Automatic && Has(asked)) return asked;
    const BinningPath widest = asked == BinningPath::Automatic ? BinningPath::Avx512 : asked;
    for (BinningPath p : {BinningPath::Avx512, BinningPath::Avx2})
        if (p <= widest && Has(p)) return p;
    return BinningPath::Portable;
}

void SetBinningPathForTest(BinningPath path) { g_path = path; }

void ShareOfCounts(const int16_t* counts, double divisor, double* share) {
#ifdef VONDREL_BINNING_X86
    switch (CurrentBinningPath()) {
        case BinningPath::Avx512: return ShareAvx512(counts, divisor, share);
        case BinningPath::Avx2: return ShareAvx2(counts, divisor, share);
        default: break;
    }
#endif
    SharePortable(counts, divisor, share);
}

void AddRepeatedly(double* row, const double* share, int64_t times) {
#ifdef VONDREL_BINNING_X86
    switch (CurrentBinningPath()) {
        case BinningPath::Avx512: return AddAvx512(row, share, times);
        case BinningPath::Avx2: return AddAvx2(row, share, times);
        default: break;
    }
#endif
    AddPortable(row, share, times);
}

}  // namespace vondrel::reports
