// Speed of the channel-signal view on a generated page of 55 raw blocks
// (five files of eleven, 21.2 MB): the page loaded warm, its plot built and
// drawn on a drawing surface for one beam and for the widest well of a
// six-well plate (64 beams), and "Analyze" for both.
//
// Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "browser/Frm_offline.h"
#include "browser/RawPage.h"
#include "browser/RawView.h"
#include "mainwindow/Canvas.h"

namespace {

using namespace vondrel;
using vondrel::testing::TempFolder;

// Beam levels around 1500 with noise and a dip now and then.
struct Page {
    TempFolder dir;
    Page() {
        uint32_t seed = 12345;
        std::vector<int16_t> block(501 * 385);
        for (int f = 0; f < 5; ++f) {
            std::FILE* out = std::fopen((dir / RawFileName(f)).c_str(), "wb");
            for (int b = 0; b < 11; ++b) {
                for (size_t i = 0; i < block.size(); ++i) {
                    seed = seed * 1664525u + 1013904223u;
                    const int s = static_cast<int>(i / 385);
                    block[i] = static_cast<int16_t>(1500 + (seed >> 24) % 60 - ((s % 97) < 3 ? 900 : 0));
                }
                std::fwrite(block.data(), 2, block.size(), out);
            }
            std::fclose(out);
        }
    }
};

Page& Fixture() {
    static Page page;
    return page;
}

std::vector<browser::RawTrace> Traces(int beams) {
    std::vector<browser::RawTrace> t;
    for (int k = 0; k < beams; ++k) t.push_back({k, k, browser::TraceColour(k, beams - 1)});
    return t;
}

void BM_LoadRawPage(benchmark::State& state) {
    browser::RawPage page;
    page.Load(Fixture().dir.Path(), 1, 500);  // warm
    for (auto _ : state) benchmark::DoNotOptimize(page.Load(Fixture().dir.Path(), 1, 500));
}
BENCHMARK(BM_LoadRawPage)->Unit(benchmark::kMillisecond);

void BM_RawPagePlan(benchmark::State& state) {
    browser::RawPage page;
    page.Load(Fixture().dir.Path(), 1, 500);
    const auto traces = Traces(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(browser::RawPagePlan(page, traces));
}
BENCHMARK(BM_RawPagePlan)->Arg(1)->Arg(64)->Unit(benchmark::kMillisecond);

// Plan and drawing together, as "Channel Signal" shows a page.
void BM_RawPageDrawn(benchmark::State& state) {
    browser::RawPage page;
    page.Load(Fixture().dir.Path(), 1, 500);
    const auto traces = Traces(static_cast<int>(state.range(0)));
    Canvas canvas;
    canvas.resize(1000, 560);
    for (auto _ : state) {
        ReplayPlan(canvas, browser::RawPagePlan(page, traces));
        benchmark::DoNotOptimize(canvas.PixelAt(10, 10));
    }
}
BENCHMARK(BM_RawPageDrawn)->Arg(1)->Arg(64)->Unit(benchmark::kMillisecond);

// The analysis and its overlay drawn.
void BM_Analyze(benchmark::State& state) {
    browser::RawPage page;
    page.Load(Fixture().dir.Path(), 1, 500);
    const auto traces = Traces(static_cast<int>(state.range(0)));
    const std::string counts = Fixture().dir / "counts.bin";
    Canvas canvas;
    canvas.resize(1000, 560);
    ReplayPlan(canvas, browser::RawPagePlan(page, traces));
    for (auto _ : state) {
        const auto a = browser::AnalyzeRawPage(page, traces, 1.8, 1, counts);
        ReplayPlan(canvas, browser::RawAnalysisPlan(a, traces));
    }
}
BENCHMARK(BM_Analyze)->Arg(1)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
