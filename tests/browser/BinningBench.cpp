// Speed of the group activity tables on generated recordings:
//   22 days at 4 stations (42,240 records, 32.7 MB): whole recording, 5-minute bins;
//   22 days at one station (126,720 records, 98 MB): 5-minute bins;
//   the plate totals of the 4-station recording;
//   tag kinetics over 99 one-day recordings.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "browser/Binning.h"

namespace {

using namespace vondrel;
using vondrel::testing::TempFolder;

// `records` records spread evenly over `minutes`, counts varying by channel.
void WriteCounts(const std::string& path, int records, int minutes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ChannelTable16 t{};
    for (int r = 0; r < records; ++r) {
        for (int c = 0; c < 384; ++c) t[c] = static_cast<int16_t>((r + c) % 97);
        auto b = BuildCountsRecord(static_cast<int32_t>(static_cast<int64_t>(r) * minutes / records), t);
        std::fwrite(b.data(), 1, b.size(), f);
    }
    std::fclose(f);
}

std::vector<int16_t> Layout() {
    std::vector<int16_t> g(385, -1);
    for (int c = 0; c < 360; ++c) g[c] = static_cast<int16_t>(c / 4);  // 90 groups of 4
    return g;
}

struct Recording {
    TempFolder dir;
    Recording(int records, int minutes) { WriteCounts(dir / "counts.bin", records, minutes); }
};

constexpr int k22Days = 22 * 1440;

// Arguments: records, bin minutes (0: the whole recording in one column).
void BM_BinGroupActivity(benchmark::State& state) {
    static Recording fourStations(42240, k22Days), oneStation(126720, k22Days);
    const Recording& rec = state.range(0) == 42240 ? fourStations : oneStation;
    const int binMinutes = static_cast<int>(state.range(1));
    auto groups = Layout();
    browser::GroupBinTable t;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            browser::BinGroupActivity(rec.dir / "counts.bin", groups, binMinutes ? binMinutes : 30, binMinutes != 0, t));
}
BENCHMARK(BM_BinGroupActivity)->Args({42240, 0})->Args({42240, 5})->Args({126720, 5})->Unit(benchmark::kMillisecond);

void BM_ChannelTotals4Stations(benchmark::State& state) {
    static Recording rec(42240, k22Days);
    std::array<int64_t, browser::kCountedChannels> totals{};
    for (auto _ : state) benchmark::DoNotOptimize(browser::SumChannelTotals(rec.dir / "counts.bin", totals));
}
BENCHMARK(BM_ChannelTotals4Stations)->Unit(benchmark::kMillisecond);

void BM_TagKinetics99Days(benchmark::State& state) {
    static TempFolder project;
    static std::string names = [] {
        std::string list;
        for (int d = 0; d < 99; ++d) {
            char name[32];
            std::snprintf(name, sizeof name, "2024%02d%02d_0800", 1 + d / 28, 1 + d % 28);
            std::string folder = project / name;
            project.Write(std::string(name) + "/counts.bin", "");
            WriteCounts(folder + "/counts.bin", 1920, 1440);
            list += std::string(" ") + name;
        }
        return list;
    }();
    auto groups = Layout();
    browser::GroupBinTable t;
    for (auto _ : state) benchmark::DoNotOptimize(browser::LoadTagKinetics(project.Path(), names, groups, t));
}
BENCHMARK(BM_TagKinetics99Days)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
