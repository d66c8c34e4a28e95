// The counter against a plain, step-by-step transcription of its algorithm.
//
// The counter computes running minima by blocks, sliding sums, interleaved
// means and reused envelope means for speed; the model below does each step
// the slow obvious way (every mean summed afresh, every minimum searched).
// Both must agree on every output, sample by sample, on varied windows.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "detection/BatchCounter.h"
#include "detection/EventCounter.h"
#include "platform/Numbers.h"

using namespace vondrel;
using vondrel::testing::TempFolder;

namespace {

constexpr int kSlots = 385;
constexpr int kSamples = 501;
constexpr int N = 500;

struct ModelResult {
    int count = 0;
    std::vector<int16_t> window;         // the channel's samples 0..499 afterwards
    std::array<int16_t, 501> processed;  // preset entries stay
    std::array<int16_t, 501> marks;
    std::string flags;
};

double R(double x) { return RoundHalfEven(x); }

int16_t Narrow(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 32767) return 32767;
    if (x <= -32768) return -32768;
    return static_cast<int16_t>(x);
}

ModelResult Model(std::vector<int16_t> w, double threshold, int method, int16_t preset) {
    ModelResult out;
    out.processed.fill(preset);
    out.marks.fill(0);
    out.flags.assign(N, '0');

    auto stats = [&](int seed, std::vector<int32_t>& U, int32_t& amplitude, int32_t& level) {
        U.assign(N + 1, 0);
        std::vector<int32_t> L(N + 1, 0);
        U[0] = U[1] = L[0] = L[1] = w[seed];
        int32_t asum = 0, lsum = 0;
        for (int i = 2; i <= 498; ++i) {
            U[i] = U[i - 1];
            L[i] = L[i - 1];
            if (w[i] > w[i - 1] && w[i] > w[i + 1]) U[i] = w[i];
            if (w[i] < w[i - 1] && w[i] < w[i + 1]) L[i] = w[i];
            asum += U[i] - L[i];
            lsum += w[i];
        }
        amplitude = static_cast<int32_t>(R(static_cast<double>(asum) / 497));
        level = static_cast<int32_t>(R(static_cast<double>(lsum) / 497));
    };
    auto m30 = [](const std::vector<int32_t>& U, int i) {
        int32_t sum = 0;
        if (i < 30)
            for (int j = i + 1; j <= i + 30; ++j) sum += U[j];
        else
            for (int j = i - 30; j <= i - 1; ++j) sum += U[j];
        return static_cast<int32_t>(R(static_cast<double>(sum) / 30));
    };

    std::vector<int32_t> U;
    int32_t amplitude, level;
    stats(1, U, amplitude, level);
    double T = level > 0 ? (1 - static_cast<double>(level - amplitude) / level) * 100 * threshold : threshold;
    T = T + 1;
    if (T < 1) T = 1.0;
    std::vector<double> B(N);
    for (int i = 0; i < N; ++i) {
        if (i < 4)
            B[i] = R((T + 100) / 100 * m30(U, i));
        else
            B[i] = R(((T + 100) * m30(U, i) / 100 + B[i - 3] + B[i - 1] + B[i - 2]) / 4);
        if (w[i] > B[i]) w[i] = Narrow(B[i]);
    }

    stats(2, U, amplitude, level);
    T = (level > 0 && amplitude < level) ? (1 - static_cast<double>(level - amplitude) / level) * 100 * threshold
                                         : threshold;
    T = T + 1;
    if (T < 1) T = 1.0;
    const int32_t J = amplitude < 5 ? 5 : amplitude;

    if (method == 2) {
        std::vector<double> M(N);
        for (int y = 0; y < N; ++y) {
            double lo = 9999;
            const int a = y < 449 ? y : y - 49;
            for (int j = a; j <= a + 49; ++j)
                if (w[j] < lo) lo = w[j];
            M[y] = lo;
        }
        for (int y = 0; y < N; ++y) {
            const int a = y < 449 ? y : y - 49;
            double s = 0;
            for (int j = a; j <= a + 49; ++j) s += M[j];
            M[y] = s / 50;
        }
        std::vector<double> X(N), D(N);
        for (int y = 0; y < N; ++y) X[y] = w[y] - M[y];
        for (int y = 0; y < N; ++y) {
            const int a = y <= 488 ? y : y - 9;
            double s = 0;
            for (int j = a; j <= a + 9; ++j) s += X[j];
            D[y] = s / 10;
        }
        int dir = 0, run = 0;
        double ref = 0;
        for (int m = 1; m < N; ++m) {
            if (D[m] > D[m - 1]) {
                if (dir != 1) {
                    dir = 1;
                    run = 0;
                    ref = R(D[m]);
                } else {
                    ++run;
                }
            } else if (D[m] < D[m - 1]) {
                if (dir != 0) {
                    dir = 0;
                    run = 0;
                    ref = R(D[m]);
                } else {
                    ++run;
                }
            }
            if (std::fabs(ref - D[m]) > J && run == 10) {
                ++out.count;
                out.flags[m] = '1';
            }
            out.processed[m] = Narrow(R(D[m] - J));
        }
    } else if (method == 0 || method == 1) {
        std::vector<double> Lb(N);
        int gate = 0;
        bool state = false;
        for (int u = 0; u < N; ++u) {
            if (u < 4)
                Lb[u] = R((100 - 1.75 * T) / 100 * m30(U, u));
            else
                Lb[u] = R((Lb[u - 2] + Lb[u - 1] + Lb[u - 3] + m30(U, u) * (100 - T) / 100) / 4);
            out.processed[u] = Narrow(Lb[u]);
            if (method == 0) {
                if (w[u] < Lb[u]) state = true;
                if (gate == 30 && state) {
                    ++out.count;
                    out.marks[u] = -1;
                    out.flags[u] = '1';
                    state = false;
                }
            } else {
                if (w[u] < Lb[u] && !state) {
                    ++out.count;
                    out.marks[u] = -1;
                    out.flags[u] = '1';
                    state = true;
                }
                if (w[u] > Lb[u]) state = false;
            }
            if (gate == 30) gate = 0;
            ++gate;
        }
    } else if (method == 3) {
        std::vector<double> g(N);
        bool state = false;
        for (int u = 0; u < N; ++u) {
            const double P = m30(U, u) * threshold;
            g[u] = u < 4 ? R(P) : R((g[u - 2] + g[u - 1] + g[u - 3] + P) / 4);
            out.processed[u] = Narrow(g[u]);
            if (u >= 1) {
                const double a = (w[u - 1] + w[u]) / 2.0;
                if (a < g[u] && !state) {
                    ++out.count;
                    out.marks[u] = -1;
                    out.flags[u] = '1';
                    state = true;
                }
                if (a > g[u]) state = false;
            }
        }
    }
    out.window.assign(w.begin(), w.begin() + N);
    return out;
}

// Varied windows: resting level, noise, organism dips of varied width and
// depth, spikes, slow drifts, flat stretches and steps.
std::vector<int16_t> RandomChannel(std::mt19937& rng) {
    std::uniform_int_distribution<int> pick(0, 1 << 30);
    const int rest = pick(rng) % 4000;
    const int noise = pick(rng) % 6 == 0 ? 0 : pick(rng) % 60;
    const int dips = pick(rng) % 12;
    const int spikes = pick(rng) % 6;
    std::vector<int> w(kSamples);
    for (int s = 0; s < kSamples; ++s)
        w[s] = rest + (noise ? pick(rng) % (2 * noise + 1) - noise : 0);
    if (pick(rng) % 4 == 0) {  // a slow drift
        const int slope = pick(rng) % 5 - 2;
        for (int s = 0; s < kSamples; ++s) w[s] += slope * s / 3;
    }
    if (pick(rng) % 4 == 0) {  // a step
        const int at = pick(rng) % kSamples, by = pick(rng) % 1200 - 600;
        for (int s = at; s < kSamples; ++s) w[s] += by;
    }
    for (int d = 0; d < dips; ++d) {
        const int at = pick(rng) % kSamples, width = 1 + pick(rng) % 25, depth = pick(rng) % (rest / 2 + 1);
        for (int s = at; s < at + width && s < kSamples; ++s) w[s] -= depth;
    }
    for (int k = 0; k < spikes; ++k) w[pick(rng) % kSamples] += pick(rng) % 2000;
    std::vector<int16_t> out(kSamples);
    for (int s = 0; s < kSamples; ++s) out[s] = static_cast<int16_t>(std::clamp(w[s], 0, 4095));
    return out;
}

TEST(CountEventsModel, AgreesSampleBySampleOnVariedWindows) {
    std::mt19937 rng(20241210);
    const double thresholds[] = {0.5, 1.0, 1.4, 1.8, 2.25, 2.8, 3.5, 5.0};
    constexpr int16_t kPreset = 777;
    TempFolder dir;
    int windows = 0, with_events = 0, clipped = 0;
    for (int round = 0; round < 150; ++round) {
        const std::vector<int16_t> channel = RandomChannel(rng);
        const double threshold = thresholds[round % std::size(thresholds)];
        for (int16_t method = 0; method <= 4; ++method) {
            SCOPED_TRACE("round " + std::to_string(round) + ", method " + std::to_string(method) + ", threshold " +
                         std::to_string(threshold));
            std::vector<int16_t> window(static_cast<size_t>(kSlots) * kSamples, 0);
            const int ch = 1 + round % 383;
            for (int s = 0; s < kSamples; ++s) window[static_cast<size_t>(s) * kSlots + ch] = channel[s];
            const ModelResult want = Model(channel, threshold, method, kPreset);

            g_processed_sample.fill(kPreset);
            g_sample_event_mark.fill(0);
            const int16_t got = CountEvents(SampleWindow(window, kSlots), static_cast<int16_t>(ch), threshold, method,
                                            1, dir.Path(), round);
            ASSERT_EQ(got, want.count);
            for (int i = 0; i < kSamples; ++i) {
                ASSERT_EQ(g_processed_sample[i], want.processed[i]) << "processed " << i;
                ASSERT_EQ(g_sample_event_mark[i], want.marks[i]) << "mark " << i;
            }
            for (int s = 0; s < N; ++s)
                ASSERT_EQ(window[static_cast<size_t>(s) * kSlots + ch], want.window[s]) << "level " << s;
            ASSERT_EQ(window[static_cast<size_t>(N) * kSlots + ch], channel[N]) << "sample 500 is not analysed";
            const std::string file = dir.Read("ch" + std::to_string(ch) + ".raw");
            const std::string line = std::to_string(round) + " " + want.flags + "\r\n";
            ASSERT_GE(file.size(), line.size());
            ASSERT_EQ(file.substr(file.size() - line.size()), line);

            ++windows;
            with_events += want.count > 0;
            clipped += want.window != std::vector<int16_t>(channel.begin(), channel.begin() + N);
        }
    }
    // The windows must exercise the interesting paths, not just flat ones.
    EXPECT_GT(with_events, windows / 4);
    EXPECT_GT(clipped, windows / 4);
}

// Channels of the kinds the batch counter must treat exactly like the single
// one: the varied windows above, flat channels, levels anywhere in 16 bits
// and at its limits.
std::vector<int16_t> AnyChannel(std::mt19937& rng) {
    std::uniform_int_distribution<int> pick(0, 1 << 30);
    std::vector<int16_t> out(kSamples);
    switch (pick(rng) % 8) {
        case 0: std::fill(out.begin(), out.end(), static_cast<int16_t>(pick(rng) % 4096)); return out;
        case 1:
            for (auto& v : out) v = static_cast<int16_t>(pick(rng) % 65536 - 32768);
            return out;
        case 2:
            for (auto& v : out) v = pick(rng) % 2 ? INT16_MAX : INT16_MIN;
            return out;
        case 3:
            for (auto& v : out) v = static_cast<int16_t>(32767 - pick(rng) % 40);
            return out;
        default: return RandomChannel(rng);
    }
}

// The batch counter's paths this processor can run; the others are named by
// the skipped test CountChannelsModel.PathsThisProcessorLacks.
std::vector<CounterPath> PathsOfThisProcessor() {
    std::vector<CounterPath> paths{CounterPath::kPortable};
    if (CounterAvx2Available()) paths.push_back(CounterPath::kAvx2);
    if (CounterAvx512Available()) paths.push_back(CounterPath::kAvx512);
    return paths;
}

TEST(CountChannelsModel, PathsThisProcessorLacks) {
    std::string missing;
    if (!CounterAvx2Available()) missing += " AVX2";
    if (!CounterAvx512Available()) missing += " AVX-512";
    if (!missing.empty()) GTEST_SKIP() << "not run on this processor:" << missing;
}

// Every whole sum of 30 levels (16-bit) gives the same rounded envelope mean
// divided by 30 and multiplied by the double nearest 1/30, as the counters
// compute it.
TEST(CountEventsModel, EnvelopeMeanByReciprocalRoundsAsTheQuotient) {
    const double reciprocal = 1.0 / 30;
    int differ = 0;
    for (int32_t sum = 30 * INT16_MIN; sum <= 30 * INT16_MAX; ++sum)
        differ += R(sum / 30.0) != R(sum * reciprocal);
    EXPECT_EQ(differ, 0);
}

// The batch counter's quotients by 10, 50 and 100 where the processor has a
// fused multiply-add: the product by the double nearest the reciprocal,
// corrected once by its exact remainder, is the quotient the division gives,
// for every whole sum of 50 levels (16-bit), for reals of every size the
// counter meets, and for numerators next to a rounding tie (where a product
// alone goes wrong).
TEST(CountEventsModel, QuotientByCorrectedReciprocalIsTheQuotient) {
    auto corrected = [](double a, double divisor) {
        const double reciprocal = 1.0 / divisor;
        const double q = a * reciprocal;
        return std::fma(std::fma(-q, divisor, a), reciprocal, q);
    };
    std::mt19937_64 rng(20261211);
    std::uniform_int_distribution<int> exponent(-40, 48);
    std::uniform_int_distribution<uint64_t> mantissa(0, (uint64_t{1} << 52) - 1);
    auto any_real = [&] {
        const double m = 1.0 + static_cast<double>(mantissa(rng)) * 0x1p-52;
        return std::ldexp(rng() % 2 ? m : -m, exponent(rng));
    };
    int whole_differ = 0, real_differ = 0, near_tie_differ = 0, product_alone_differ = 0;
    for (int32_t sum = 50 * INT16_MIN; sum <= 50 * INT16_MAX; ++sum)
        whole_differ += corrected(sum, 50.0) != sum / 50.0;
    for (const double divisor : {10.0, 50.0, 100.0}) {
        for (int i = 0; i < 1000000; ++i) {
            const double a = any_real();
            real_differ += corrected(a, divisor) != a / divisor;
            // A numerator whose quotient lies next to the tie between q and
            // the double above it.
            const double q = any_real();
            const double tie = q + (std::nextafter(q, 2 * q) - q) / 2;
            const double near = tie * divisor;
            for (const double b : {std::nextafter(near, 0.0), near, std::nextafter(near, 2 * near)}) {
                near_tie_differ += corrected(b, divisor) != b / divisor;
                product_alone_differ += b * (1.0 / divisor) != b / divisor;
            }
        }
    }
    EXPECT_EQ(whole_differ, 0);
    EXPECT_EQ(real_differ, 0);
    EXPECT_EQ(near_tie_differ, 0);
    EXPECT_GT(product_alone_differ, 0) << "the numerators next to a tie must be the hard ones";
}

// The event flags of every counted channel, on every path, against the line
// the single-channel counter exports for it, byte for byte (the export of a
// re-analysis takes them from the batch counter).
TEST(CountChannelsModel, FlagsAreTheExportedLines) {
    std::mt19937 rng(20261211);
    std::uniform_int_distribution<int> pick(0, 1 << 30);
    const double thresholds[] = {1.8, 0.5, 2.5, 3e12};
    int lines = 0, with_events = 0;
    for (int round = 0; round < 4; ++round) {
        const int slots = round == 3 ? 29 : kSlots;
        const int width = round == 3 ? 29 : 384;
        std::vector<int16_t> original(static_cast<size_t>(slots) * kSamples);
        for (int c = 0; c < slots; ++c) {
            const std::vector<int16_t> channel = AnyChannel(rng);
            for (int s = 0; s < kSamples; ++s) original[static_cast<size_t>(s) * slots + c] = channel[s];
        }
        std::vector<uint8_t> selected(static_cast<size_t>(width), 1);
        if (round % 2) for (auto& s : selected) s = pick(rng) % 4 != 0;
        for (int16_t method = 0; method <= 4; ++method) {
            SCOPED_TRACE("round " + std::to_string(round) + ", method " + std::to_string(method));
            TempFolder dir;
            std::vector<int16_t> want_window = original;
            std::vector<int16_t> want_counts(static_cast<size_t>(width), -7);
            for (int c = 0; c < width; ++c)
                if (selected[c])
                    want_counts[c] = CountEvents(SampleWindow(want_window, slots), static_cast<int16_t>(c),
                                                 thresholds[round], method, 1, dir.Path(), 1000 + c);
            for (const CounterPath path : PathsOfThisProcessor()) {
                SetCounterPath(path);
                std::vector<int16_t> window = original;
                std::vector<int16_t> counts(static_cast<size_t>(width), -7);
                std::string flags(static_cast<size_t>(width) * N, 'x');
                CountChannels(SampleWindow(window, slots), selected, counts, thresholds[round], method, flags);
                ASSERT_EQ(counts, want_counts) << "path " << static_cast<int>(path);
                ASSERT_EQ(window, want_window) << "path " << static_cast<int>(path);
                for (int c = 0; c < width; ++c) {
                    const std::string row = flags.substr(static_cast<size_t>(c) * N, N);
                    if (!selected[c]) {
                        ASSERT_EQ(row, std::string(N, 'x')) << "channel " << c << " not counted is left alone";
                        continue;
                    }
                    ASSERT_EQ(std::to_string(1000 + c) + " " + row + "\r\n", dir.Read("ch" + std::to_string(c) + ".raw"))
                        << "path " << static_cast<int>(path) << ", channel " << c;
                    ++lines;
                    with_events += row.find('1') != std::string::npos;
                }
            }
            SetCounterPath(CounterPath::kAutomatic);
        }
    }
    EXPECT_GT(with_events, lines / 4);
    std::vector<int16_t> window(static_cast<size_t>(kSlots) * kSamples, 100);
    std::vector<uint8_t> all(384, 1);
    std::vector<int16_t> counts(384, 0);
    std::string short_flags(384 * N - 1, '0');
    EXPECT_THROW(CountChannels(SampleWindow(window, kSlots), all, counts, 1.8, 1, short_flags), DetectionRangeError);
}

// Whole windows through the batch counter, on every path, against the
// single-channel counter run channel by channel on a copy, and a sample of
// channels against the step-by-step model: counts, every level of the window
// (channels not selected untouched, sample 500 untouched) and the detection
// line and marks of the one channel asked for.
TEST(CountChannelsModel, BatchAgreesWithTheSingleChannelCounterOnWholeWindows) {
    std::mt19937 rng(20261210);
    std::uniform_int_distribution<int> pick(0, 1 << 30);
    // .5 thresholds give exact halves; the largest ones leave the fast rounding.
    const double thresholds[] = {0.5, 1.0, 1.5, 1.8, 2.5, 3.5, 0.0, -2.0, 1e4, 10000.5, 3e12, 4.5e13, 1e300};
    const std::vector<CounterPath> paths = PathsOfThisProcessor();
    int compared = 0, with_events = 0, modelled = 0;
    for (int round = 0; round < 52; ++round) {
        const int slots = round % 5 == 4 ? 1 + pick(rng) % 40 : kSlots;  // narrow windows: partial lane groups
        std::vector<int16_t> original(static_cast<size_t>(slots) * kSamples);
        for (int c = 0; c < slots; ++c) {
            const std::vector<int16_t> channel = AnyChannel(rng);
            for (int s = 0; s < kSamples; ++s) original[static_cast<size_t>(s) * slots + c] = channel[s];
        }
        const double threshold = thresholds[round % std::size(thresholds)];
        const int width = round % 3 == 2 ? slots - pick(rng) % slots : std::min(slots, 384);
        std::vector<uint8_t> selected(static_cast<size_t>(width), 1);
        if (round % 2) for (auto& s : selected) s = pick(rng) % 4 != 0;
        const int detail = round % 4 == 0 ? -1 : pick(rng) % width;

        for (int16_t method = 0; method <= 4; ++method) {
            SCOPED_TRACE("round " + std::to_string(round) + ", method " + std::to_string(method) + ", threshold " +
                         std::to_string(threshold) + ", slots " + std::to_string(slots));
            std::vector<int16_t> want_window = original;
            std::vector<int16_t> want_counts(static_cast<size_t>(width), -7);
            std::array<int16_t, 501> want_processed{}, want_marks{};
            for (int c = 0; c < width; ++c) {
                if (!selected[c]) continue;
                g_processed_sample.fill(123);
                g_sample_event_mark.fill(0);
                want_counts[c] = CountEvents(SampleWindow(want_window, slots), static_cast<int16_t>(c), threshold,
                                             method, 0, "", 0);
                if (c == detail) {
                    want_processed = g_processed_sample;
                    want_marks = g_sample_event_mark;
                }
            }
            for (const CounterPath path : paths) {
                SetCounterPath(path);
                std::vector<int16_t> window = original;
                std::vector<int16_t> counts(static_cast<size_t>(width), -7);
                g_processed_sample.fill(123);
                g_sample_event_mark.fill(0);
                CountChannels(SampleWindow(window, slots), selected, counts, threshold, method, detail);
                ASSERT_EQ(counts, want_counts) << "path " << static_cast<int>(path);
                ASSERT_EQ(window, want_window) << "path " << static_cast<int>(path);
                if (detail >= 0 && selected[detail]) {
                    ASSERT_EQ(g_processed_sample, want_processed);
                    ASSERT_EQ(g_sample_event_mark, want_marks);
                } else {
                    ASSERT_EQ(g_processed_sample[0], 123) << "no channel asked for, the line stays";
                }
            }
            SetCounterPath(CounterPath::kAutomatic);
            // A few channels of each window against the model.
            for (int k = 0; k < 3; ++k) {
                const int c = pick(rng) % width;
                if (!selected[c]) continue;
                std::vector<int16_t> channel(kSamples);
                for (int s = 0; s < kSamples; ++s) channel[s] = original[static_cast<size_t>(s) * slots + c];
                ASSERT_EQ(want_counts[c], Model(channel, threshold, method, 0).count) << "channel " << c;
                ++modelled;
            }
            for (int c = 0; c < width; ++c) {
                compared += selected[c];
                with_events += selected[c] && want_counts[c] > 0;
            }
        }
    }
    EXPECT_GT(with_events, compared / 4);
    EXPECT_GT(modelled, 200);
}

// Bands outside what a level can hold: under the 16-bit floor (channels deep
// in the negative range, whose lowered levels are held at -32768), on the
// fast path and on the checked one, near zero (envelope means rounded to a
// zero of either sign), and infinite or not a number (a threshold
// so large that the band overflows, to +inf and -inf where the envelope
// changes sign; a band that is not a number lowers nothing).
TEST(CountChannelsModel, BandsBelowTheFloorOrNotANumberAsTheSingleChannelCounter) {
    struct Case {
        const char* name;
        int first, last;  // levels ramp from first to last, with a dip now and then
        double threshold;
    };
    const Case cases[] = {
        {"flat deep", -30000, -30000, 50.0},
        {"ramp to the floor", -20000, -32768, 1.8},
        {"deep, small threshold", -31000, -29000, 0.5},
        {"through zero", -300, 300, 1.8},  // envelope means of either sign and zero
        {"through zero, overflowing band", -1000, 1000, 1.7e308},
        {"positive, overflowing band", 100, 3000, 1.7e308},
    };
    const std::vector<CounterPath> paths = PathsOfThisProcessor();
    constexpr int kWidth = 24;  // three groups of eight
    int floored_fast = 0, floored_checked = 0;  // levels lowered to -32768 from above it
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<int16_t> original(static_cast<size_t>(kWidth) * kSamples);
        for (int c = 0; c < kWidth; ++c)
            for (int s = 0; s < kSamples; ++s) {
                double v = k.first + (k.last - k.first) * static_cast<double>(s) / (kSamples - 1);
                if ((s + 7 * c) % 37 < 3) v -= 800;  // dips
                if ((s + 3 * c) % 53 == 0) v += 400;  // spikes
                original[static_cast<size_t>(s) * kWidth + c] = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
            }
        for (int16_t method = 0; method <= 3; ++method) {
            SCOPED_TRACE(method);
            std::vector<int16_t> want_window = original;
            std::vector<int16_t> want_counts(kWidth);
            for (int c = 0; c < kWidth; ++c)
                want_counts[c] = CountEvents(SampleWindow(want_window, kWidth), static_cast<int16_t>(c), k.threshold,
                                             method, 0, "", 0);
            int floored = 0;
            for (size_t i = 0; i < original.size(); ++i) floored += want_window[i] == INT16_MIN && original[i] > INT16_MIN;
            (k.threshold > 1e4 ? floored_checked : floored_fast) += floored;
            const std::vector<uint8_t> all(kWidth, 1);
            for (const CounterPath path : paths) {
                SetCounterPath(path);
                std::vector<int16_t> window = original;
                std::vector<int16_t> counts(kWidth, -7);
                CountChannels(SampleWindow(window, kWidth), all, counts, k.threshold, method);
                EXPECT_EQ(counts, want_counts) << "path " << static_cast<int>(path);
                EXPECT_EQ(window, want_window) << "path " << static_cast<int>(path);
            }
            SetCounterPath(CounterPath::kAutomatic);
        }
    }
    EXPECT_GT(floored_fast, 0);
    EXPECT_GT(floored_checked, 0);
}

TEST(CountChannelsModel, RefusesWhatCountEventsRefuses) {
    std::vector<int16_t> window(static_cast<size_t>(kSlots) * kSamples, 100);
    const std::vector<int16_t> before = window;
    std::vector<uint8_t> all(384, 1);
    std::vector<int16_t> counts(384, 0);
    EXPECT_THROW(CountChannels(SampleWindow(window, kSlots), all, counts, std::nan(""), 1), DetectionRangeError);
    std::vector<uint8_t> wide(386, 1);
    std::vector<int16_t> wide_counts(386, 0);
    EXPECT_THROW(CountChannels(SampleWindow(window, kSlots), wide, wide_counts, 1.8, 1), DetectionRangeError);
    std::vector<int16_t> short_counts(10, 0);
    EXPECT_THROW(CountChannels(SampleWindow(window, kSlots), all, short_counts, 1.8, 1), DetectionRangeError);
    std::vector<int16_t> short_window(static_cast<size_t>(kSlots) * 499, 100);
    EXPECT_THROW(CountChannels(SampleWindow(short_window, kSlots), all, counts, 1.8, 1), DetectionRangeError);
    EXPECT_EQ(window, before);
}

}  // namespace
