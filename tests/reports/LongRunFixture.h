// The station folder the report benchmarks time: a generated 22-day run
// (42,240 records, one per 45 s) on a 96-well plate of four beams, 12 groups
// (well w in group w % 12), random counts 0..299 and 25.0 degrees.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "TempFolder.h"
#include "acquisition/RunDataFiles.h"
#include "platform/ProgramFolder.h"

namespace vondrel::testing {

// Points the program folder at `program`, writes the plate file there and the
// station folder into `project`, and returns that folder's path.
inline std::string WriteLongRunFolder(TempFolder& program, TempFolder& project) {
    platform::SetProgramFolderForTest(program.Path());
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
        for (int c = 0; c < 384; ++c) table[static_cast<size_t>(c)] = static_cast<int16_t>(rng() % 300);
        table[384] = 250;
        const auto rec = BuildCountsRecord((i * 3 / 4) % 1440, table);
        counts.append(reinterpret_cast<const char*>(rec.data()), rec.size());
    }
    project.Write("20261210_0900_s1/counts.bin", counts);
    return folder;
}

}  // namespace vondrel::testing
