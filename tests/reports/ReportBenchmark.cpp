// Benchmark of one report: a generated station folder of a 22-day run (42,240
// records, one per 45 s), a 96-well plate of four beams, 12 groups; bin 30,
// Rows and List, CSV. Prints each stage's time.
#include <chrono>
#include <cstdio>
#include <string>

#include "LongRunFixture.h"
#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "platform/Files.h"
#include "platform/ProgramFolder.h"
#include "reports/ReportPipeline.h"
#include "reports/ReportSteps.h"

using namespace vondrel;
using namespace vondrel::reports;
using Clock = std::chrono::steady_clock;

static double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

int main() {
    testing::TempFolder program, project;
    const std::string folder = testing::WriteLongRunFolder(program, project);

    // Stage by stage.
    ReportData d;
    auto t0 = Clock::now();
    LoadPlateConfiguration(folder, d);
    auto t1 = Clock::now();
    const int32_t T0 = ReadActivityDuration(folder + "/counts.bin").value_or(-1);
    auto t2 = Clock::now();
    const int32_t n = LoadActivityRecords(folder + "/counts.bin", d.m_record).value_or(-1);
    auto t3 = Clock::now();
    int32_t T = 0;
    for (int32_t i = 0; i <= n; ++i) T = std::max(T, d.m_record.minutes[i]);
    const int32_t c = ResampleToBins(T, n, 30, d.m_record).value_or(-2);
    auto t4 = Clock::now();
    ComputeBinStatistics(T, c, 30, ReportLayout::Rows, folder, d);
    auto t5 = Clock::now();
    ReportControls ctl;
    ctl.inputFolder = folder;
    const std::string text = BuildReportText(d, ctl, T, 30, false);
    auto t6 = Clock::now();
    std::printf("records %d, last minute %d, bins %d\n", n + 1, T0, c + 1);
    std::printf("plate %.1f ms, duration %.1f ms, load %.1f ms, resample %.1f ms, statistics %.1f ms, text %.1f ms (%zu bytes)\n",
                Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t3, t4), Ms(t4, t5), Ms(t5, t6), text.size());

    for (ReportLayout layout : {ReportLayout::Rows, ReportLayout::List}) {
        ReportData data;
        ReportControls k;
        k.inputFolder = folder;
        k.layout = layout;
        k.autoReport = true;
        auto a = Clock::now();
        const bool ok = GenerateReport(data, k);
        auto b = Clock::now();
        std::printf("Generate %s: %s in %.1f ms\n", layout == ReportLayout::Rows ? "Rows" : "List",
                    ok ? "written" : "FAILED", Ms(a, b));
    }
    return 0;
}
