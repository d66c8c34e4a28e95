// Not a test: prints the time of the per-well export, both kinds, of a
// generated station folder of a 22-day run (42,240 records, one per 45 s) on
// a 96-well plate of four beams, bin 30.
#include <chrono>
#include <cstdio>
#include <string>

#include "LongRunFixture.h"
#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"
#include "reports/PerWellExport.h"

using namespace vondrel;
using namespace vondrel::reports;
using Clock = std::chrono::steady_clock;

int main() {
    testing::TempFolder program, project;
    const std::string folder = testing::WriteLongRunFolder(program, project);

    for (bool withTime : {true, false}) {
        ReportData data;
        PerWellControls c;
        c.folder = folder;
        c.binText = "30";
        c.withTime = withTime;
        const auto a = Clock::now();
        const bool ok = ExportPerWellFiles(data, c);
        const auto b = Clock::now();
        std::printf("per-well export, %s: %s in %.1f ms\n", withTime ? "one file per well" : "one file per channel",
                    ok ? "written" : "FAILED", std::chrono::duration<double, std::milli>(b - a).count());
    }
    return 0;
}
