#include "store/Project.h"

#include "platform/Files.h"
#include "store/ChannelFiles.h"
#include "store/Globals.h"
#include "store/PlateMap.h"
#include "store/Setup.h"

namespace vondrel {

using platform::JoinPath;

void LoadProject(int n) {
    g_project_loaded = true;
    LoadSetup(n);
    LoadChannelStatus(n);
    LoadThresholds(n);
    LoadGroupNames(n);
    LoadChannelGroups(n);
    LoadPlateMap(n);
}

bool SaveProject(const std::string& folder, int, int groupSelector, std::string* failedPath) {
    auto step = [&](const std::string& name, auto write) {
        const std::string path = JoinPath(folder, name);
        if (write(path)) return true;
        if (failedPath) *failedPath = path;
        return false;
    };
    TryCopyFile(JoinPath(folder, "setup.dat"), JoinPath(folder, "setup.bak"));
    if (!step("setup.dat", WriteSetupFile)) return false;
    if (!step("status.dat", WriteChannelStatusFile)) return false;
    if (!step("threshld.dat", WriteThresholdFile)) return false;
    auto writeSet = [&](int station, int fileSet) {
        return step(GroupNamesFileName(fileSet),
                    [&](const std::string& p) { return WriteGroupNamesFile(p, StationGroupNames(station)); }) &&
               step(ChannelGroupsFileName(fileSet),
                    [&](const std::string& p) { return WriteChannelGroupsFile(p, StationChannelGroups(station)); });
    };
    if (groupSelector >= 0 && groupSelector < kStations) return writeSet(groupSelector, 0);
    if (groupSelector == -1) {
        for (int s = 0; s < kStations; ++s)
            if (!writeSet(s, s)) return false;
    }
    return true;
}

}  // namespace vondrel
