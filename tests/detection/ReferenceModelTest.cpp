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

}  // namespace
