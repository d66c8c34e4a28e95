// Benchmark of the workbook export: the CSV report of a generated 22-day run
// (42,240 records, one per 45 s; a 96-well plate of four beams, 12 groups;
// bin 30), Rows and List, converted into a workbook. Prints each stage's time,
// the whole conversion's time and the peak memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

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
    platform::SetProgramFolderForTest(program.Path());
    platform::SetDecimalSeparatorForTest(".");
    std::string plate = "\"Plate\",\"w96\"\r\n8,9,0,12,9,0\r\n\"Channels\"\r\n";
    for (int ch = 0; ch < 384; ++ch)
        plate += "\"L\"," + std::to_string(ch / 4) + "," + std::to_string(ch % 4) + "\r\n";
    program.Write("w96.dat", plate);
    const std::string folder = project / "20261210_0900_s1";
    project.Write("20261210_0900_s1/setup.dat",
                  "\"P\"\r\n\"n\",\"x\",\"y\",\"w96\"\r\n\"V\"\r\n0,0,0,0,1,0\r\n\"a\"\r\n1\r\n\"b\"\r\n1\r\n\"c\"\r\n0,0,0,18,0,0\r\n");
    std::string groups = "\"G\"\r\n", chgroup = "\"C\"\r\n";
    for (int g = 0; g < 12; ++g) groups += std::to_string(g) + ",\"Group " + std::to_string(g) + "\"\r\n";
    for (int ch = 0; ch < 384; ++ch) chgroup += std::to_string(ch) + "," + std::to_string((ch / 4) % 12) + "\r\n";
    project.Write("20261210_0900_s1/groups.dat", groups);
    project.Write("20261210_0900_s1/chgroup.dat", chgroup);
    std::mt19937 rng(1);
    std::string counts;
    counts.reserve(42240u * 774u);
    ChannelTable16 table{};
    for (int i = 0; i < 42240; ++i) {
        for (int c = 0; c < 384; ++c) table[c] = static_cast<int16_t>(rng() % 300);
        table[384] = 250;
        const auto rec = BuildCountsRecord((i * 3 / 4) % 1440, table);
        counts.append(reinterpret_cast<const char*>(rec.data()), rec.size());
    }
    project.Write("20261210_0900_s1/counts.bin", counts);
    counts = std::string();

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
