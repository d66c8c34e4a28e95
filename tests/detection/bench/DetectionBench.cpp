// Throughput of the event counter on synthetic beam levels.
//
// Figures printed per detection method, side by side:
//   WindowClose/<method>/<spikes>: one window close of four stations x 384
//     channels counted channel by channel with CountEvents (what the tick did
//     before the batch counter), on one thread; per_close is the time of one
//     close, samples_per_s the counting rate, per_day the time to re-count a
//     day of four-station raw data (1,920 windows at the 90 ms tick:
//     1.47e9 samples), x_scan how many times longer than the memory scan of
//     the same samples (printed with a seconds suffix).
//   BatchClose/<method>/<spikes>/<path>: the same close with CountChannels,
//     one thread, path 0 portable, 1 AVX2, 2 AVX-512 (each skipped where the
//     processor lacks it).
//   MemoryScan: a vectorised sum over the same bytes, the memory-bound reference.
//   CountEventsCall/<method>/<spikes>: one channel window.
// The windows are restored before each close (outside the timing), because
// the counter lowers spikes in place.

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <chrono>
#include <cstdint>
#include <vector>

#include "detection/BatchCounter.h"
#include "detection/EventCounter.h"
#include "detection/PeakIntervalHistogram.h"

using namespace vondrel;

namespace {

constexpr int kSlots = 385;
constexpr int kSamples = 501;
constexpr int kStations = 4;
constexpr int kChannels = 384;
constexpr double kDaySamples = 1920.0 * kStations * kChannels * 500;

// A station window: each channel rests at its own level with a little noise
// and dips of a passing organism now and then. With `spikes`, one sample in
// 150 also jumps 600 above the rest; the run's conditioning removes such
// spikes before counting, so windows of a run look like the first kind, and
// the spiky kind shows the cost when the counter itself has to clip.
std::vector<int16_t> MakeWindow(uint32_t seed, bool spikes) {
    std::vector<int16_t> w(static_cast<size_t>(kSlots) * kSamples);
    uint32_t x = seed * 2654435761u + 1u;
    auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    for (int c = 0; c < kSlots; ++c) {
        const int rest = 1200 + static_cast<int>(next() % 2000);
        int dip_left = 0, dip_depth = 0;
        for (int s = 0; s < kSamples; ++s) {
            int level = rest + static_cast<int>(next() % 41) - 20;
            if (dip_left == 0 && next() % 90 == 0) {
                dip_left = 3 + static_cast<int>(next() % 12);
                dip_depth = rest / 5 + static_cast<int>(next() % static_cast<uint32_t>(rest / 3));
            }
            if (dip_left > 0) {
                level -= dip_depth;
                --dip_left;
            }
            if (spikes && next() % 150 == 0) level += 600;
            if (level < 0) level = 0;
            if (level > 4095) level = 4095;
            w[static_cast<size_t>(s) * kSlots + c] = static_cast<int16_t>(level);
        }
    }
    return w;
}

struct Stations {
    std::array<std::vector<int16_t>, kStations> original, work;
    explicit Stations(bool spikes) {
        for (int k = 0; k < kStations; ++k) original[k] = work[k] = MakeWindow(static_cast<uint32_t>(k + 1), spikes);
    }
    void Restore() {
        for (int k = 0; k < kStations; ++k) work[k] = original[k];
    }
};

// A vectorised sum of one station window: sixteen levels a step, widened to
// 32-bit lanes (no lane can overflow over 192,500 levels of 16 bits).
int64_t ScanWindow(const int16_t* p) {
    typedef int16_t Levels16 __attribute__((vector_size(32)));
    typedef int32_t Sums16 __attribute__((vector_size(64)));
    constexpr size_t n = static_cast<size_t>(kSlots) * kWindowSamples;
    Sums16 acc{};
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        Levels16 v;
        std::memcpy(&v, p + i, sizeof v);
        acc += __builtin_convertvector(v, Sums16);
    }
    int64_t sum = 0;
    for (int l = 0; l < 16; ++l) sum += acc[l];
    for (; i < n; ++i) sum += p[i];
    return sum;
}

// Samples per second of the vectorised sum over the four station windows,
// measured once; the counters' rates are printed as a ratio of it.
double ScanRate() {
    static const double rate = [] {
        Stations st(false);
        int64_t sum = 0;
        const auto t0 = std::chrono::steady_clock::now();
        constexpr int kRounds = 2000;
        for (int r = 0; r < kRounds; ++r)
            for (int k = 0; k < kStations; ++k) {
                const int16_t* p = st.work[k].data();
                benchmark::DoNotOptimize(p);
                sum += ScanWindow(p);
            }
        benchmark::DoNotOptimize(sum);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        return kRounds * static_cast<double>(kStations) * kSlots * kWindowSamples / s;
    }();
    return rate;
}

void SetCloseCounters(benchmark::State& state, int64_t events) {
    const double samples = static_cast<double>(state.iterations()) * kStations * kChannels * kWindowSamples;
    state.counters["per_close"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["samples_per_s"] = benchmark::Counter(samples, benchmark::Counter::kIsRate);
    state.counters["per_day"] =
        benchmark::Counter(samples / kDaySamples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["events_per_close"] = static_cast<double>(events) / static_cast<double>(state.iterations());
    // How many times longer than the plain scan of the same samples.
    state.counters["x_scan"] =
        benchmark::Counter(samples / ScanRate(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void MemoryScan(benchmark::State& state) {
    Stations st(false);
    int64_t sum = 0;
    for (auto _ : state)
        for (int k = 0; k < kStations; ++k) {
            const int16_t* p = st.work[k].data();
            benchmark::DoNotOptimize(p);
            sum += ScanWindow(p);
        }
    benchmark::DoNotOptimize(sum);
    state.counters["samples_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kStations * kSlots * kWindowSamples, benchmark::Counter::kIsRate);
}
BENCHMARK(MemoryScan)->Unit(benchmark::kMillisecond);

void BatchClose(benchmark::State& state) {
    const auto method = static_cast<int16_t>(state.range(0));
    const int path = static_cast<int>(state.range(2));
    if (path == 1 && !CounterAvx2Available()) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    if (path == 2 && !CounterAvx512Available()) {
        state.SkipWithError("no AVX-512 on this processor");
        return;
    }
    SetCounterPath(path == 2 ? CounterPath::kAvx512 : path == 1 ? CounterPath::kAvx2 : CounterPath::kPortable);
    Stations st(state.range(1) != 0);
    std::vector<uint8_t> all(kChannels, 1);
    std::vector<int16_t> counts(kChannels);
    int64_t events = 0;
    for (auto _ : state) {
        state.PauseTiming();
        st.Restore();
        state.ResumeTiming();
        for (int k = 0; k < kStations; ++k) {
            CountChannels(SampleWindow(st.work[k], kSlots), all, counts, 1.8, method);
            for (const int16_t n : counts) events += n;
        }
    }
    SetCounterPath(CounterPath::kAutomatic);
    SetCloseCounters(state, events);
}
BENCHMARK(BatchClose)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}, {0, 1, 2}})
    ->ArgNames({"method", "spikes", "path"})
    ->Unit(benchmark::kMillisecond);

void WindowClose(benchmark::State& state) {
    const auto method = static_cast<int16_t>(state.range(0));
    Stations st(state.range(1) != 0);
    int64_t events = 0;
    for (auto _ : state) {
        state.PauseTiming();
        st.Restore();
        state.ResumeTiming();
        for (int k = 0; k < kStations; ++k) {
            SampleWindow view(st.work[k], kSlots);
            for (int16_t c = 0; c < kChannels; ++c) events += CountEvents(view, c, 1.8, method, 0, "", 0);
        }
    }
    benchmark::DoNotOptimize(events);
    SetCloseCounters(state, events);
}
BENCHMARK(WindowClose)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->ArgNames({"method", "spikes"})->Unit(benchmark::kMillisecond);

void CountEventsCall(benchmark::State& state) {
    const auto method = static_cast<int16_t>(state.range(0));
    std::vector<int16_t> w = MakeWindow(7, state.range(1) != 0);
    SampleWindow view(w, kSlots);
    int16_t c = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CountEvents(view, c, 1.8, method, 0, "", 0));
        c = static_cast<int16_t>((c + 1) % kChannels);
    }
    state.counters["samples_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kWindowSamples, benchmark::Counter::kIsRate);
}
BENCHMARK(CountEventsCall)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->ArgNames({"method", "spikes"})->Unit(benchmark::kMicrosecond);

void PeakIntervalHistogramCall(benchmark::State& state) {
    std::vector<int16_t> w = MakeWindow(9, false);
    ConstSampleWindow view(w, kSlots);
    std::array<int16_t, 50> classes{};
    int16_t c = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PeakIntervalHistogram(view, c, classes, 10.0));
        c = static_cast<int16_t>((c + 1) % kChannels);
    }
}
BENCHMARK(PeakIntervalHistogramCall)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
