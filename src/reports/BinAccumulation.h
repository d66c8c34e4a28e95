// The inner loops of binning counts.bin records: a record's share of each
// channel, and that share added to a bin a number of times over. Both run
// over the 384 channels side by side, in the widest vector instructions the
// processor has (picked at run time); each channel gets the same arithmetic,
// operation by operation, on every path.
#pragma once

#include <cstdint>

namespace vondrel::reports {

// share[c] = counts[c] / divisor for the 384 channels.
void ShareOfCounts(const int16_t* counts, double divisor, double* share);

// row[c] += share[c], `times` times over, for the 384 channels: the same
// additions in the same order as `times` single additions, so the same bits.
void AddRepeatedly(double* row, const double* share, int64_t times);

// The instructions the two loops use: the widest the processor has
// (Automatic), or a narrower one for tests; a path the processor lacks falls
// back to the next narrower one.
enum class BinningPath { Automatic, Portable, Avx2, Avx512 };
void SetBinningPathForTest(BinningPath path);
// The path the loops take now.
BinningPath CurrentBinningPath();

}  // namespace vondrel::reports
