// Writes a w6 recording (counts.bin whose minutes pause and repeat, raw file
// 0 with events in some wells), walks it to its end and writes its travel
// report, for an independent reader to check. Usage:
// travel_report_writer <folder>; prints the report's path.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PlateFixture.h"
#include "RecordingOpener.h"
#include "acquisition/RunDataFiles.h"
#include "browser/Tracking.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Locale.h"

using namespace vondrel;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    platform::SetDecimalSeparatorForTest(".");
    platform::SetListSeparatorForTest(",");
    const std::string folder = argv[1];
    const int minutes[] = {0, 1, 1, 3, 7, 8, 8, 9};
    std::string counts;
    for (int m : minutes) {
        auto rec = BuildCountsRecord(m, ChannelTable16{});
        counts.append(reinterpret_cast<const char*>(rec.data()), rec.size());
    }
    std::FILE* f = std::fopen(platform::JoinPath(folder, "counts.bin").c_str(), "wb");
    if (!f) return 1;
    std::fwrite(counts.data(), 1, counts.size(), f);
    std::fclose(f);
    const size_t per = static_cast<size_t>(501) * kChannelSlots;
    std::vector<int16_t> levels(per * kWindowsPerNumberedFile);
    for (size_t i = 0; i < levels.size(); ++i)
        levels[i] = static_cast<int16_t>(3000 + ((i / kChannelSlots) * 7 + i % kChannelSlots) % 11 - 5);
    for (int b = 0; b < 8; ++b)
        for (int c = 0; c < 384; c += 13)
            for (int k = 0; k < 3; ++k) levels[per * b + static_cast<size_t>(40 * (c % 11) + 7 * b + k) * kChannelSlots + c] = 500;
    f = std::fopen(platform::JoinPath(folder, RawFileName(0)).c_str(), "wb");
    std::fwrite(levels.data(), 2, levels.size(), f);
    std::fclose(f);

    auto plate = testing::GridPlate(2, 3, 8);
    plate.groupNames[0] = "Control";
    plate.channelGroup[0] = 0;
    browser::TrackWalk walk;
    if (!walk.Load(plate, folder, 500)) return 1;
    for (int64_t i = 0; i < walk.LastStep(); ++i) walk.LocateAnimals(nullptr);
    testing::RecordingOpener opener;
    platform::SetDesktopOpener(&opener);
    const std::string path = browser::ExportTravelDistance(walk, plate, folder, walk.records() - 1);
    if (path.empty()) return 1;
    std::printf("%s\n", path.c_str());
    return 0;
}
