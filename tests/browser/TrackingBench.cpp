// Speed of the editor and the tracking on generated recordings:
//   the editor's plate drawing plan (a w96 plate with groups);
//   one block change of the tracking walk on a w6 plate (one raw block
//   read, the event analysis of all 384 channels);
//   "Export Data" of an hour's recording: the whole walk without drawing,
//   then the travel CSV.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PlateFixture.h"
#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "browser/GroupEditor.h"
#include "browser/Tracking.h"
#include "platform/Desktop.h"

namespace {

using namespace vondrel;

constexpr int kWindow = 500;

// An hour of one-minute records with raw files where every channel's level
// dips now and then, so every well moves.
struct HourRecording {
    testing::TempFolder dir;
    explicit HourRecording(int records) {
        std::FILE* counts = std::fopen((dir / "counts.bin").c_str(), "wb");
        for (int r = 0; r < records; ++r) {
            auto rec = BuildCountsRecord(r, ChannelTable16{});
            std::fwrite(rec.data(), 1, rec.size(), counts);
        }
        std::fclose(counts);
        std::vector<int16_t> block(static_cast<size_t>(kWindow + 1) * kChannelSlots);
        for (int f = 0; f * kWindowsPerNumberedFile < records; ++f) {
            std::FILE* raw = std::fopen((dir / RawFileName(f)).c_str(), "wb");
            for (int b = 0; b < kWindowsPerNumberedFile; ++b) {
                for (int s = 0; s <= kWindow; ++s)
                    for (int c = 0; c < kChannelSlots; ++c) {
                        const bool dip = (s + 37 * c + 11 * b) % 97 < 3;
                        block[static_cast<size_t>(s) * kChannelSlots + c] =
                            static_cast<int16_t>(dip ? 500 : 3000 + (s * 7 + c) % 11 - 5);
                    }
                std::fwrite(block.data(), 2, block.size(), raw);
            }
            std::fclose(raw);
        }
    }
};

struct NoOpener : platform::DesktopOpener {
    bool Open(const std::string&) override { return true; }
};

void BM_EditorPlateDrawing(benchmark::State& state) {
    auto plate = testing::GridPlate(8, 12, 2);
    browser::LayBlocks(plate, "02x03 [RowsxColumn]");
    for (auto _ : state) benchmark::DoNotOptimize(browser::PlateGroupsPlan(plate));
}
BENCHMARK(BM_EditorPlateDrawing)->Unit(benchmark::kMillisecond);

void BM_TrackBlockChange(benchmark::State& state) {
    HourRecording rec(22);
    auto plate = testing::GridPlate(2, 3, 8);
    browser::TrackWalk walk;
    walk.Load(plate, rec.dir.Path(), kWindow);
    for (auto _ : state) {
        state.PauseTiming();
        if (walk.block() >= 20) walk.Load(plate, rec.dir.Path(), kWindow);
        while (walk.sample() < browser::kTrackSamples - 1) walk.LocateAnimals(nullptr);
        state.ResumeTiming();
        walk.LocateAnimals(nullptr);  // closes the block, reads and analyses the next
    }
}
BENCHMARK(BM_TrackBlockChange)->Unit(benchmark::kMillisecond);

void BM_TrackExportHour(benchmark::State& state) {
    HourRecording rec(61);
    auto plate = testing::GridPlate(2, 3, 8);
    NoOpener opener;
    platform::SetDesktopOpener(&opener);
    for (auto _ : state) {
        browser::TrackWalk walk;
        walk.Load(plate, rec.dir.Path(), kWindow);
        for (int64_t i = 0; i <= walk.LastStep(); ++i) walk.LocateAnimals(nullptr);
        browser::ExportTravelDistance(walk, plate, rec.dir.Path(), walk.records() - 1);
    }
    platform::SetDesktopOpener(nullptr);
}
BENCHMARK(BM_TrackExportHour)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
