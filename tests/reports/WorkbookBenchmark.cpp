// Benchmark of the workbook export: the CSV report of a generated 22-day run
// (42,240 records, one per 45 s; a 96-well plate of four beams, 12 groups;
// bin 30), Rows and List, converted into a workbook. Prints each stage's time,
// the whole conversion's time and the peak memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "LongRunFixture.h"
#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/ProgramFolder.h"
#include "reports/CsvToXlsx.h"
#include "reports/ReportPipeline.h"
#include "reports/Xlsx.h"
#include "reports/Zip.h"

using namespace vondrel;
using namespace vondrel::reports;
using Clock = std::chrono::steady_clock;

static double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

static long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

int main() {
    testing::TempFolder program, project, work;
    platform::SetDecimalSeparatorForTest(".");
    const std::string folder = testing::WriteLongRunFolder(program, project);

    // The CSV reports first, so the peak memory of the conversions shows apart.
    for (ReportLayout layout : {ReportLayout::Rows, ReportLayout::List}) {
        const char* name = layout == ReportLayout::Rows ? "Rows" : "List";
        ReportData data;
        ReportControls k;
        k.inputFolder = folder;
        k.layout = layout;
        k.spacer = " ";  // as the Excel choice writes it
        k.autoReport = true;
        if (!GenerateReport(data, k)) {
            std::printf("%s: report FAILED\n", name);
            return 1;
        }
        platform::ReplaceFile(work / (std::string(name) + ".csv"),
                              platform::ReadBinaryFile(folder + "/report.csv").value_or(""));
        std::remove((folder + "/report.csv").c_str());
    }
    // The whole conversion, as the report window runs it.
    const long before = PeakKb();
    for (const char* name : {"Rows", "List"}) {
        const auto a = Clock::now();
        const bool ok = Convertir_csv_xlsx(work / (std::string(name) + ".csv"), work / (std::string(name) + ".xlsx"), " ");
        const auto b = Clock::now();
        std::printf("%s: Convertir_csv_xlsx to the renamed archive: %s in %.1f ms\n", name, ok ? "written" : "FAILED",
                    Ms(a, b));
    }
    const long after = PeakKb();

    // Stage by stage.
    for (const char* name : {"Rows", "List"}) {
        const std::string csv = work / (std::string(name) + ".csv");
        const auto t0 = Clock::now();
        std::string text = ReadWholeFile(csv);
        const size_t csvBytes = text.size();
        const auto t1 = Clock::now();
        CellGrid grid = ParseCsvText(text, " ", '.');
        text = std::string();
        const auto t2 = Clock::now();
        const std::string parts = work / (std::string(name) + "-parts");
        platform::MakeFolder(parts);
        WriteXlsxParts(grid, parts);
        const auto t3 = Clock::now();
        ZipFolderStored(parts, work / (std::string(name) + "-stages.xlsx"));
        const auto t4 = Clock::now();
        std::printf("%s: csv %zu bytes, %zu x %zu cells, sheet part %ju bytes\n", name, csvBytes, grid.Rows(),
                    grid.Cols(), static_cast<uintmax_t>(std::filesystem::file_size(parts + "/xl/worksheets/sheet1.xml")));
        std::printf("  read %.1f ms, parse %.1f ms, nine parts written %.1f ms, packed and renamed %.1f ms\n",
                    Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t3, t4));
    }
    std::printf("peak memory %ld MB before the conversions (the reports), %ld MB after\n", before / 1024, after / 1024);
    return 0;
}
