// Writes a project of three tagged recordings (counts.bin of varied counts),
// its channel groups (chgroup.dat) and their joint report, for an
// independent reader to check. Usage: joint_report_writer <folder>; prints
// the report's path.
#include <cstdio>
#include <random>
#include <string>

#include "RecordingOpener.h"
#include "acquisition/RunDataFiles.h"
#include "browser/BinningPlots.h"
#include "browser/BrowserExports.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "store/ChannelFiles.h"

using namespace vondrel;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    platform::SetDecimalSeparatorForTest(".");
    const std::string project = platform::JoinPath(argv[1], "p00001");
    platform::MakeFolder(project);
    ChannelTable16 groups{};
    groups.fill(-1);
    for (int c = 0; c < 96; ++c) groups[c] = static_cast<int16_t>(c % 3);  // groups 0, 1, 2 of 32 channels
    groups[200] = 7;                                                        // a group of one channel
    if (!WriteChannelGroupsFile(platform::JoinPath(project, "chgroup.dat"), groups)) return 1;

    std::mt19937 rng(20);
    const char* names[] = {"20240302_0800", "20240301_0800_s1", "20240303_2000"};
    for (const char* name : names) {
        std::string folder = platform::JoinPath(project, name);
        platform::MakeFolder(folder);
        std::string bytes;
        for (int r = 0; r < 300; ++r) {
            ChannelTable16 t{};
            for (int c = 0; c < 384; ++c) t[c] = static_cast<int16_t>(rng() % 40);
            auto rec = BuildCountsRecord(r, t);
            bytes.append(reinterpret_cast<const char*>(rec.data()), rec.size());
        }
        if (!platform::AppendBinaryFile(platform::JoinPath(folder, "counts.bin"), bytes.data(), bytes.size())) return 1;
    }
    browser::GroupBinTable table;
    auto k = browser::LoadTagKinetics(project, "20240302_0800 20240301_0800_s1 20240303_2000", groups, table);
    auto text = browser::TagKineticsReport(table, k.sorted_list, k.dates,
                                           {"000_Control", "001_Drug A", "002_Drug B", "007_Single", "999_Free"}, ";");
    testing::RecordingOpener opener;
    platform::SetDesktopOpener(&opener);
    std::string path = browser::WriteJointReport(project, text.acq_line, text.rows);
    if (path.empty()) return 1;
    std::printf("%s\n", path.c_str());
    return 0;
}
