#include "acquisition/CloseTiming.h"

#include <algorithm>

namespace vondrel {

void CloseTiming::Add(const Close& close) {
    for (size_t p = 0; p < m_ms.size(); ++p) m_ms[p].push_back(close.ms[p]);
}

DurationFigures CloseTiming::Figures(ClosePart part) const { return FiguresOf(m_ms[static_cast<size_t>(part)]); }

void CloseTiming::Clear() {
    for (auto& v : m_ms) v.clear();
}

double CloseTiming::Since(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

DurationFigures FiguresOf(std::vector<double> ms) {
    DurationFigures f;
    f.closes = ms.size();
    if (ms.empty()) return f;
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    f.min_ms = ms.front();
    f.max_ms = ms.back();
    f.median_ms = ms[n / 2];
    // Nearest rank: ceil(0.99 n), counted from 1.
    const size_t rank = (n * 99 + 99) / 100;
    f.p99_ms = ms[std::max<size_t>(rank, 1) - 1];
    return f;
}

}  // namespace vondrel
