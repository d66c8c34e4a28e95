// How long the window closes of a run take, by part: the conditioning of the
// closing sample, the counting, the activity panel, the run files and the
// whole close (the sum of the parts and what lies between them). Kept for
// figures: a benchmark or a test harness reads the smallest, median, 99th
// percentile and largest duration of each part over the closes so far.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <vector>

namespace vondrel {

enum class ClosePart { kConditioning, kCounting, kPanel, kFiles, kWhole };
inline constexpr int kCloseParts = 5;

// Durations in milliseconds.
struct DurationFigures {
    size_t closes = 0;  // closes measured; the figures are 0 without any
    double min_ms = 0;
    double median_ms = 0;  // the upper median of an even count
    double p99_ms = 0;     // nearest rank: the smallest value with 99 % at or below it
    double max_ms = 0;
};

class CloseTiming {
public:
    using Clock = std::chrono::steady_clock;

    // One close: the duration of each part; the parts not timed stay 0.
    struct Close {
        std::array<double, kCloseParts> ms{};
        double& operator[](ClosePart part) { return ms[static_cast<size_t>(part)]; }
    };

    void Add(const Close& close);
    DurationFigures Figures(ClosePart part) const;
    size_t Closes() const { return m_ms[0].size(); }
    void Clear();

    // Milliseconds from `from` to now.
    static double Since(Clock::time_point from);

private:
    std::array<std::vector<double>, kCloseParts> m_ms;
};

// Figures of a sorted copy of `ms` (any order in).
DurationFigures FiguresOf(std::vector<double> ms);

}  // namespace vondrel
