// Reads arbitrary bytes as a recording's counts.bin through every reader of
// it: the browser's group activity tables (time bins and whole recording) and
// channel totals, and the report's duration, loading and resampling. A
// damaged file may be refused; it must never size a table beyond its bound.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "browser/Binning.h"
#include "platform/Files.h"
#include "reports/ReportSteps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vondrel;
    const std::string& home = fuzz::FuzzHome();
    const std::string path = platform::JoinPath(home, "counts.bin");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    std::vector<int16_t> groups(385, -1);
    for (int c = 0; c < 24; ++c) groups[static_cast<size_t>(c)] = static_cast<int16_t>(c % 3);
    for (int binMinutes : {1, 5, 30}) {
        browser::GroupBinTable table;
        try {
            const auto r = browser::BinGroupActivity(path, groups, binMinutes, true, table);
            if (r.found && (table.bin_count < 1 || table.bin_count > browser::kMaxBinCount)) std::abort();
        } catch (const browser::BinCountError&) {
        }
    }
    browser::GroupBinTable whole;
    const auto r = browser::BinGroupActivity(path, groups, 30, false, whole);
    if (r.found && whole.bin_count != 1) std::abort();
    std::array<int64_t, browser::kCountedChannels> totals{};
    browser::SumChannelTotals(path, totals);

    reports::ReportData report;
    if (const auto duration = reports::ReadActivityDuration(path)) {
        if (const auto n = reports::LoadActivityRecords(path, report.m_record)) {
            int32_t T = reports::LargestMinute(report.m_record, *n);
            // The proportional resampling walks the whole span in 0.02-minute
            // steps: long spans are left to the other readers for speed.
            if (T > 5000) return 0;
            const reports::ActivityRecords loaded = report.m_record;
            for (int16_t B : {int16_t{1}, int16_t{30}}) {
                reports::ReportData binned;
                binned.m_record = loaded;
                int32_t t = T;
                if (const auto c = reports::ResampleToBins(t, *n, B, binned.m_record); c && *c >= 0)
                    reports::ComputeBinStatistics(reports::LargestMinute(binned.m_record, *c), *c, B,
                                                  reports::ReportLayout::Rows, home, binned);
            }
        }
    }
    return 0;
}
