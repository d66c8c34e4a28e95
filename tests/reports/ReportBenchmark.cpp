// Benchmark of one report: a generated station folder of a 22-day run (42,240
// records, one per 45 s), a 96-well plate of four beams, 12 groups; bin 30,
// Rows and List, CSV. Prints each stage's time and the memory pages it took
// for the first time (page faults: on a virtual machine each can cost tens of
// microseconds), beside two references measured in the same run: counts.bin
// read whole into fresh memory, and read in the windows the report reads it
// in. Then the whole Generate, the first one of the process and the median of
// five, against the goal of a Rows report below 120 ms.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

namespace {

constexpr double kGoalMs = 120;
constexpr int kRepeats = 5;

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

long PageFaults() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt + u.ru_majflt;
}

// Time, processor time and page faults since it was made, or since the last Next().
struct Stage {
    Clock::time_point t = Clock::now();
    double cpu = CpuMs();
    long faults = PageFaults();
    std::string Next(const char* name) {
        const auto now = Clock::now();
        const double c = CpuMs();
        const long f = PageFaults();
        char line[128];
        std::snprintf(line, sizeof line, "%s %.1f ms (cpu %.1f, %ld faults)", name,
                      std::chrono::duration<double, std::milli>(now - t).count(), c - cpu, f - faults);
        t = now;
        cpu = c;
        faults = f;
        return line;
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double GenerateMs(const std::string& folder, ReportLayout layout) {
    ReportData data;
    ReportControls k;
    k.inputFolder = folder;
    k.layout = layout;
    k.autoReport = true;
    Stage s;
    const bool ok = GenerateReport(data, k);
    if (!ok) {
        std::printf("Generate FAILED\n");
        std::exit(1);
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - s.t).count();
    if (std::getenv("REPORT_BENCHMARK_VERBOSE"))
        std::printf("  %s\n", s.Next(layout == ReportLayout::Rows ? "Rows" : "List").c_str());
    return ms;
}

}  // namespace

int main() {
    testing::TempFolder program, project;
    const std::string folder = testing::WriteLongRunFolder(program, project);
    const std::string countsPath = folder + "/counts.bin";

    // The whole Generate first, while nothing of a report has run in this process.
    const double firstRows = GenerateMs(folder, ReportLayout::Rows);
    const double firstList = GenerateMs(folder, ReportLayout::List);

    // References: the file's bytes whole in fresh memory, and in windows.
    std::string references;
    {
        Stage s;
        const auto whole = platform::ReadBinaryFile(countsPath);
        references += s.Next("read whole") + ", ";
        auto windows = platform::FileBytes::Open(countsPath, 128 * kCountsRecordBytes);
        size_t bytes = 0;
        for (uint64_t pos = 0;; pos += kCountsRecordBytes) {
            const auto record = windows->Bytes(pos, kCountsRecordBytes);
            if (record.empty()) break;
            bytes += record.size();
        }
        references += s.Next("read in windows");
        if (!whole || bytes != whole->size()) std::printf("references read different sizes\n");
    }

    // Stage by stage, as the pipeline runs them.
    ReportData d;
    std::string stages;
    Stage s;
    LoadPlateConfiguration(folder, d);
    stages += s.Next("plate") + ", ";
    auto scanned = CountsRecords::Scan(countsPath);
    stages += s.Next("scan") + ", ";
    const int32_t T0 = ReadActivityDuration(*scanned).value_or(-1);
    stages += s.Next("duration") + ", ";
    const int32_t n = LoadActivityMinutes(*scanned, d.m_record).value_or(-1);
    int32_t T = LargestMinute(d.m_record, n);
    stages += s.Next("minutes") + ",\n  ";
    const int32_t c = ResampleToBins(T, n, 30, d.m_record, *scanned).value_or(-2);
    T = LargestMinute(d.m_record, c);
    stages += s.Next("resample") + ", ";
    ComputeBinStatistics(T, c, 30, ReportLayout::Rows, folder, d);
    stages += s.Next("statistics") + ", ";
    ReportControls ctl;
    ctl.inputFolder = folder;
    const std::string text = BuildReportText(d, ctl, T, 30, false);
    stages += s.Next("text") + ", ";
    platform::WriteTextFile(folder + "/stages.csv", text);
    stages += s.Next("write");

    std::vector<double> rows, list;
    for (int i = 0; i < kRepeats; ++i) {
        rows.push_back(GenerateMs(folder, ReportLayout::Rows));
        list.push_back(GenerateMs(folder, ReportLayout::List));
    }

    std::printf("records %d, last minute %d, bins %d, Rows text %zu bytes\n", scanned->Size() > 0 ? n + 1 : 0, T0,
                c + 1, text.size());
    std::printf("reference: %s\n", references.c_str());
    std::printf("stages: %s\n", stages.c_str());
    const double medianRows = Median(rows);
    std::printf("Generate Rows: first %.1f ms, median of %d %.1f ms\n", firstRows, kRepeats, medianRows);
    std::printf("Generate List: first %.1f ms, median of %d %.1f ms\n", firstList, kRepeats, Median(list));
    std::printf("goal: a 22-day Rows report below %.0f ms: %s (first %.1f ms, median %.1f ms)\n", kGoalMs,
                firstRows < kGoalMs && medianRows < kGoalMs ? "met" : "NOT met", firstRows, medianRows);
    return 0;
}
