// Reading counts.bin and turning its records into report bins.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "acquisition/RunDataFiles.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "reports/BinAccumulation.h"
#include "reports/ReportSteps.h"

namespace vondrel::reports {
namespace {

constexpr size_t kRecordBytes = 4 + 2 * kRecordWidth;  // 774
static_assert(kRecordBytes == kCountsRecordBytes);
// Records read from the file at a time (96 KiB).
constexpr size_t kWindowRecords = 128;

int32_t MinuteOf(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void ValuesOf(const unsigned char* p, int16_t* values) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(values, p + 4, 2 * kRecordWidth);
    } else {
        for (int i = 0; i < kRecordWidth; ++i)
            values[i] = static_cast<int16_t>(p[4 + 2 * i] | p[5 + 2 * i] << 8);
    }
}

// The day offset day x 1440, formed in 16 bits as the files were always read.
int32_t DayOffset(int32_t day) {
    int32_t v = day * 1440;
    if (v > 32767 || v < -32768) throw NumericError("Overflow");
    return v;
}

int16_t Checked16(double x) { return ToInt16(x); }

}  // namespace

std::optional<CountsRecords> CountsRecords::Scan(const std::string& path) {
    auto file = platform::FileBytes::Open(path, kWindowRecords * kRecordBytes);
    if (!file) return std::nullopt;
    CountsRecords out(path, std::move(*file));
    CountsHoleRule holes;
    for (uint64_t index = 0;; ++index) {
        const std::string_view bytes = out.file_.Bytes(index * kRecordBytes, kRecordBytes);
        if (bytes.size() < kRecordBytes) break;  // the end, or a trailing fragment
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        if (holes.IsHole(p)) continue;
        if (index > UINT32_MAX) return std::nullopt;
        out.places_.push_back(static_cast<uint32_t>(index));
        out.minutes_.push_back(MinuteOf(p));
        out.temperatures_.push_back(static_cast<int16_t>(p[4 + 2 * kChannels] | p[5 + 2 * kChannels] << 8));
    }
    if (out.file_.Failed()) return std::nullopt;
    return out;
}

const int16_t* CountsRecords::Values(size_t i) {
    if (i >= places_.size()) return nullptr;
    const std::string_view bytes = file_.Bytes(static_cast<uint64_t>(places_[i]) * kRecordBytes, kRecordBytes);
    if (bytes.size() < kRecordBytes) return nullptr;
    ValuesOf(reinterpret_cast<const unsigned char*>(bytes.data()), values_.data());
    return values_.data();
}

std::optional<int32_t> ReadActivityDuration(const std::string& path) {
    const auto records = CountsRecords::Scan(path);
    if (!records) {
        platform::MsgBox("Error reading " + path);
        return std::nullopt;
    }
    return ReadActivityDuration(*records);
}

std::optional<int32_t> ReadActivityDuration(const CountsRecords& records) {
    try {
        int32_t largest = 0, day = 0, previous = 0;
        for (size_t i = 0; i < records.Size(); ++i) {
            const int32_t minute = records.RawMinute(i);
            const int64_t a = static_cast<int64_t>(DayOffset(day)) + minute;
            if (a > INT32_MAX) throw NumericError("Overflow");
            if (a > largest) largest = static_cast<int32_t>(a);
            if (static_cast<int64_t>(previous) - minute > 1000) {
                if (++day > 32767) throw NumericError("Overflow");
            }
            previous = minute;
        }
        return largest;
    } catch (const std::exception&) {
        platform::MsgBox("Error reading " + records.Path());
        return std::nullopt;
    }
}

std::optional<int32_t> LoadActivityRecords(const std::string& path, ActivityRecords& records) {
    auto scanned = CountsRecords::Scan(path);
    if (!scanned) {
        platform::MsgBox("Error loading " + path);
        return std::nullopt;
    }
    const auto last = LoadActivityMinutes(*scanned, records);
    if (!last) return std::nullopt;
    records.counts.assign(records.minutes.size() * kRecordWidth, 0);
    for (int32_t j = 0; j <= *last; ++j) {
        const int16_t* values = scanned->Values(static_cast<size_t>(j));
        if (!values) {
            platform::MsgBox("Error loading " + path);
            return std::nullopt;
        }
        std::copy_n(values, kRecordWidth, &records.counts[static_cast<size_t>(j) * kRecordWidth]);
    }
    return last;
}

std::optional<int32_t> LoadActivityMinutes(const CountsRecords& scanned, ActivityRecords& records) {
    try {
        // The last record whose raw minute reaches every earlier one.
        int64_t k = -1;
        int32_t maximum = INT32_MIN;
        for (size_t index = 0; index < scanned.Size(); ++index) {
            const int32_t minute = scanned.RawMinute(index);
            if (minute >= maximum) {
                maximum = minute;
                k = static_cast<int64_t>(index);
            }
        }
        const auto rows = static_cast<size_t>(k + 2);
        records.minutes.assign(rows, 0);
        records.temperature.assign(rows, 0);
        records.counts.clear();
        int32_t day = 0;
        int32_t last = -1;
        for (int32_t j = 0; j <= k; ++j) {
            const int32_t minute = scanned.RawMinute(static_cast<size_t>(j));
            int64_t m = static_cast<int64_t>(DayOffset(day)) + minute;
            if (j > 0 && records.minutes[j - 1] - m > 1000) {
                ++day;
                m = static_cast<int64_t>(DayOffset(day)) + minute;
            }
            if (m > INT32_MAX || m < INT32_MIN) throw NumericError("Overflow");
            records.minutes[j] = static_cast<int32_t>(m);
            records.temperature[j] = scanned.Temperature(static_cast<size_t>(j));
            last = j;
        }
        return last;
    } catch (const std::exception&) {
        platform::MsgBox("Error loading " + scanned.Path());
        return std::nullopt;
    }
}

int32_t LargestMinute(const ActivityRecords& r, int32_t last) {
    int32_t m = 0;
    for (int32_t i = 0; i <= last && i < static_cast<int32_t>(r.minutes.size()); ++i) m = std::max(m, r.minutes[i]);
    return m;
}

namespace {

// Counts that could not be read again from counts.bin while binning.
struct CountsUnreadable : std::runtime_error {
    CountsUnreadable() : std::runtime_error("counts unreadable") {}
};

// Records 0..n of `rec` into bins; countsOf(r) gives the counts of record r,
// asked for in increasing r.
template <class CountsOf>
int32_t Resample(int32_t& T, int32_t n, int16_t B, ActivityRecords& rec, CountsOf countsOf, int32_t& at) {
    if (B == 0) throw NumericError("Division by zero");
    // Nothing recorded beyond minute 0 gives no bin at all.
    if (T <= 0) return -1;
    const int64_t nb = static_cast<int64_t>(RoundHalfEven(static_cast<double>(T) / B));
    if (nb > 32767) throw NumericError("Overflow");
    const size_t rows = static_cast<size_t>(nb + 2);
    std::vector<double> tacc(rows, 0.0);
    auto minuteAt = [&](int64_t i) -> int64_t {
        return (i >= 0 && static_cast<size_t>(i) < rec.minutes.size()) ? rec.minutes[i] : 0;
    };

    // Regularity: an interval more than twice the one before it.
    bool irregular = false;
    int64_t previous = minuteAt(1) - minuteAt(0);
    for (int32_t k = 1; k <= n; ++k) {
        if (minuteAt(k) < minuteAt(k - 1)) continue;
        const int64_t current = minuteAt(k) - minuteAt(k - 1);
        if (current > 2 * previous && current != 0 && previous != 0) {
            irregular = true;
            break;
        }
        previous = current;
    }

    // One entry per bin: bin i of `bins` from its sums `row`.
    ActivityRecords bins;
    bins.Resize(irregular ? static_cast<size_t>(nb + 1) : rows);
    auto finishBin = [&](int64_t i, const double* row) {
        at = static_cast<int32_t>(i);
        const int64_t end = static_cast<int64_t>(B) * (i + 1);
        if (end > 32767) throw NumericError("Overflow");
        bins.minutes[i] = static_cast<int32_t>(end);
        bins.temperature[i] = Checked16(tacc[i]);
        for (int c = 0; c < kChannels; ++c) bins.Count(i, c) = Checked16(row[c]);
    };

    if (!irregular) {
        // Proportional: time walks in steps of 0.02 minutes; each record's
        // count is spread over `rate` minutes, each step adding the record's
        // share to the current bin. The walk is done once for all channels,
        // and the steps that add the same record to the same bin are added
        // channel by channel in one go (AddRepeatedly): every channel still
        // sees the same sequence of additions as a walk of its own. Nothing
        // in the walk can fail, so each bin is finished as soon as the walk
        // leaves it, in bin order as after a walk over all bins, and only
        // the current bin's sums are held.
        if (n == 0) throw NumericError("Division by zero");
        const double rate = static_cast<double>(T) / n;
        const double divisor = rate * 50;
        if (divisor == 0) throw NumericError("Division by zero");
        std::vector<double> share(kChannels), row(kChannels, 0.0);
        int32_t r = 0;
        int64_t b = 0;
        double tr = 0, tb = 0;
        int64_t steps = 0;  // of record r into bin b, not added yet
        if (r < n) ShareOfCounts(countsOf(r), divisor, share.data());
        while (b <= nb && r < n) {
            at = r;
            ++steps;
            if (rec.temperature[r] >= 1) tacc[b] = rec.temperature[r];
            const bool nextRecord = tr >= rate, nextBin = tb >= B;
            if (nextRecord || nextBin) {
                AddRepeatedly(row.data(), share.data(), steps);
                steps = 0;
            }
            if (nextRecord) {
                ++r;
                tr = 0;
                if (r < n) ShareOfCounts(countsOf(r), divisor, share.data());
            }
            if (nextBin) {
                if (b < nb) finishBin(b, row.data());
                ++b;
                std::fill(row.begin(), row.end(), 0.0);
                tb = 0;
            }
            tr += 0.02;
            tb += 0.02;
        }
        if (steps > 0) AddRepeatedly(row.data(), share.data(), steps);
        // The bin the walk ended in, and the bins it never reached.
        for (int64_t i = b; i < nb; ++i) {
            finishBin(i, row.data());
            std::fill(row.begin(), row.end(), 0.0);
        }
    } else {
        // Record by record: each record whole into the current bin, bins
        // advancing by at most one per record.
        std::vector<double> acc(static_cast<size_t>(rows) * kChannels, 0.0);
        int64_t b = 0;
        for (int32_t r = 0; r <= n; ++r) {
            at = r;
            double* row = &acc[static_cast<size_t>(b) * kChannels];
            const int16_t* counts = countsOf(r);
            for (int c = 0; c < kChannels; ++c) row[c] += counts[c];
            if (rec.temperature[r] >= 1) tacc[b] = rec.temperature[r];
            if (static_cast<int64_t>(IntFloor(static_cast<double>(rec.minutes[r]) / B)) > b) {
                ++b;
                if (static_cast<size_t>(b) >= rows) throw NumericError("Subscript out of range");
                std::fill_n(&acc[static_cast<size_t>(b) * kChannels], kChannels, 0.0);
            }
        }
        for (int64_t i = 0; i < nb; ++i) finishBin(i, &acc[static_cast<size_t>(i) * kChannels]);
    }
    rec = std::move(bins);

    // The partial last bin: completed from three quarters on, else dropped.
    const double whole = IntFloor(static_cast<double>(T) / B);
    const double f = (T - B * whole) * 100.0 / B;
    const int64_t d = nb - 1;
    if (f >= 75 && f < 100) {
        at = static_cast<int32_t>(d);
        for (int c = 0; c < kChannels; ++c) rec.Count(d, c) = Checked16(rec.Count(d, c) * (1 + (100 - f) / 100));
        T = static_cast<int32_t>((d + 1) * B);
    } else if (f > 0 && f < 75) {
        T = static_cast<int32_t>(whole * B);
    }
    return static_cast<int32_t>(RoundHalfEven(static_cast<double>(T) / B)) - 1;
}

}  // namespace

std::optional<int32_t> ResampleToBins(int32_t& T, int32_t n, int16_t B, ActivityRecords& rec) {
    int32_t at = 0;  // the record or bin being processed, for the message
    try {
        // The counts are read before the table is replaced by the bins.
        return Resample(T, n, B, rec, [&rec](int32_t r) { return &rec.counts[static_cast<size_t>(r) * kRecordWidth]; },
                        at);
    } catch (const std::exception&) {
        platform::MsgBox("Resampling Calculation Error" + std::to_string(at));
        return std::nullopt;
    }
}

std::optional<int32_t> ResampleToBins(int32_t& T, int32_t n, int16_t B, ActivityRecords& rec,
                                      CountsRecords& scanned) {
    int32_t at = 0;
    try {
        return Resample(T, n, B, rec,
                        [&scanned](int32_t r) {
                            const int16_t* values = scanned.Values(static_cast<size_t>(r));
                            if (!values) throw CountsUnreadable();
                            return values;
                        },
                        at);
    } catch (const CountsUnreadable&) {
        platform::MsgBox("Error loading " + scanned.Path());
        return std::nullopt;
    } catch (const std::exception&) {
        platform::MsgBox("Resampling Calculation Error" + std::to_string(at));
        return std::nullopt;
    }
}

}  // namespace vondrel::reports
