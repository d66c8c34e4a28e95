// Workbooks read back by readers that share no code with the writer: unzip,
// Python's zipfile, zlib and XML parser, openpyxl (Debian's Python), and once
// soffice converting the workbook back to CSV.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ReportFixture.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "reports/CsvToXlsx.h"
#include "reports/ReportPipeline.h"

namespace vondrel::reports::testing {
namespace {

using vondrel::testing::ScriptedDialogs;

int Shell(const std::string& command) { return std::system(command.c_str()); }

// Runs the checker on `workbook` with the expectations `json`.
void ExpectReadersAgree(const TempFolder& dir, const std::string& workbook, const std::string& json) {
    dir.Write("expected.json", json);
    EXPECT_EQ(Shell("unzip -tq '" + workbook + "' > /dev/null"), 0) << workbook;
    const std::string cmd =
        std::string("/usr/bin/python3 ") + VONDREL_WORKBOOK_CHECK + " '" + workbook + "' '" + (dir / "expected.json") + "'";
    EXPECT_EQ(Shell(cmd), 0) << cmd;
}

struct FixedClock {
    FixedClock() {
        platform::SetClockForTest([] { return platform::FromLocal({2024, 1, 31, 15, 30, 5}); });
    }
    ~FixedClock() { platform::SetClockForTest({}); }
};

TEST(WorkbookReaders, ConvertedCsvReadsBackWithNumbersAsNumbers) {
    TempFolder dir;
    FixedClock clock;
    ScriptedDialogs boxes;
    platform::SetDecimalSeparatorForTest(".");
    // Windows-1252 text as the report writer leaves it.
    dir.Write("r.csv", "Temp[\xB0" "C],25.5,-3,\"a&b\",,007\r\n"
                       "\"<x> 'q' \"\"z\"\"\",1,234,1e3,0.5\r\n"
                       "a&b\r\n");
    ASSERT_TRUE(Convertir_csv_xlsx(dir / "r.csv", dir / "r.xlsx", ","));
    platform::SetDecimalSeparatorForTest("");
    ExpectReadersAgree(dir, dir / "r.xlsx", R"({"date_time": [2024, 1, 31, 15, 30, 4], "rows": [
        ["Temp[\u00b0C]", 25.5, -3, "a&b", null, 7],
        ["<x> 'q' \"z\"", 1, 234, 1000, 0.5, null],
        ["a&b", null, null, null, null, null]]})");
    EXPECT_TRUE(platform::FileExists(dir / "r.csv"));

    // A decimal comma: the list separator ";" and "2,5" a number.
    platform::SetDecimalSeparatorForTest(",");
    dir.Write("c.csv", "1;\"2,5\";x;1.234,5\r\n");
    ASSERT_TRUE(Convertir_csv_xlsx(dir / "c.csv", dir / "c.xlsx", ";"));
    platform::SetDecimalSeparatorForTest("");
    ExpectReadersAgree(dir, dir / "c.xlsx",
                       R"({"date_time": [2024, 1, 31, 15, 30, 4], "rows": [[1, 2.5, "x", 1234.5]]})");
}

TEST(WorkbookReaders, TheExcelReportOpensAsAWorkbook) {
    RecordedRun run;
    RecordingOpener opener;
    ScriptedDialogs boxes;
    platform::SetDecimalSeparatorForTest(".");
    ReportData d;
    ReportControls k;
    k.inputFolder = run.folder;
    k.fileType = ReportFileType::Excel;
    k.spacer = " ";
    ASSERT_TRUE(GenerateReport(d, k));
    platform::SetDecimalSeparatorForTest("");
    const std::string workbook = run.folder + "/report_20261210090507.xlsx";
    EXPECT_EQ(opener.opened, std::vector<std::string>{workbook});
    EXPECT_TRUE(platform::FileExists(run.folder + "/report.csv"));
    ExpectReadersAgree(run.project, workbook, R"({"date_time": [2026, 12, 10, 9, 5, 6],
        "same_as_csv": [")" + run.folder + R"(/report.csv", " ", "."], "rows_starting": {
        "Group/Time[m]": [30, 60],
        "000_Control": [23, 1],
        "Temp[\u00b0C]": [25, 0, null]}})");
}

// soffice takes seconds to start: one workbook, once.
TEST(WorkbookReaders, SofficeGivesBackTheCsvCells) {
    if (Shell("command -v soffice > /dev/null 2>&1") != 0) GTEST_SKIP() << "soffice is not installed";
    TempFolder dir;
    FixedClock clock;
    ScriptedDialogs boxes;
    platform::SetDecimalSeparatorForTest(".");
    dir.Write("r.csv", "Time,Temp[\xB0" "C],n\r\nA1,25.5,7\r\n\"a,b\",-0.25,1e3\r\n");
    ASSERT_TRUE(Convertir_csv_xlsx(dir / "r.csv", dir / "r.xlsx", ","));
    platform::SetDecimalSeparatorForTest("");
    ExpectReadersAgree(dir, dir / "r.xlsx", R"({"date_time": [2024, 1, 31, 15, 30, 4], "rows": null,
        "soffice_rows": [["Time", "Temp[\u00b0C]", "n"], ["A1", "25.5", "7"], ["a,b", "-0.25", "1000"]]})");
}

}  // namespace
}  // namespace vondrel::reports::testing
