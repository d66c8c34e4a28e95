// Loads arbitrary bytes as a plate-map file, with and without the built-in
// fallback; the index must always match the channel tables afterwards.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "platform/Files.h"
#include "store/Globals.h"
#include "store/PlateMap.h"
#include "store/SettingsText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vondrel;
    const std::string& home = fuzz::FuzzHome();
    platform::WriteTextFile(platform::JoinPath(home, "wfuzz.dat"),
                            platform::Cp1252ToUtf8(std::string(reinterpret_cast<const char*>(data), size)));
    g_plate_format = "wfuzz";
    try {
        ReadPlateMap();
    } catch (const SettingsError&) {
    }
    g_plate_format = "wfuzz";
    LoadPlateMap(0);
    // Whatever was read, the map in force is consistent.
    for (int c = 0; c < kChannels; ++c) {
        int well = g_channel_well[c];
        if (well < 0) continue;
        if (well > g_max_well || g_channel_beam[c] < 0 || g_channel_beam[c] > g_max_beam) std::abort();
    }
    return 0;
}
