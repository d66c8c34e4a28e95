#include "store/ChannelFiles.h"

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "store/Config.h"
#include "store/SettingsText.h"

namespace vondrel {

using platform::JoinPath;

namespace {

std::string DefaultsMessage(int n, const std::string& file, const char* what) {
    return "Error [" + ProjectFileLabel(n, 4, file) + "] => Loading default " + what + "...";
}

// Opens a list file and skips its header; throws when it cannot be read.
SettingsReader OpenList(const std::string& path) {
    auto in = SettingsReader::Open(path);
    if (!in) throw SettingsError("File not found");
    in->ReadText();
    return std::move(*in);
}

template <typename ReadRecord>
void ReadRecords(SettingsReader& in, ReadRecord read) {
    for (int k = 0; k < kChannelSlots && !in.AtEnd(); ++k) {
        in.ReadInt16();  // the number in the first field is not used
        read(k);
    }
}

}  // namespace

std::string GroupNamesFileName(int set) { return set == 0 ? "groups.dat" : "groups" + std::to_string(set) + ".dat"; }
std::string ChannelGroupsFileName(int set) {
    return set == 0 ? "chgroup.dat" : "chgroup" + std::to_string(set) + ".dat";
}

void FillDefaultGroupNames(GroupNames& names) {
    for (int g = 0; g < kChannelSlots; ++g) names[g] = g < 12 ? "Group" + std::to_string(g) : "Free";
}

void FillDefaultChannelGroups(ChannelTable16& groups) {
    for (int c = 0; c < kChannels; ++c) groups[c] = static_cast<int16_t>((c / 16 + 1) / 2);
    groups[kChannels] = -1;
}

void LoadChannelStatus(int n) {
    // A short file leaves the channels after its last record enabled.
    g_status_scratch.fill(1);
    try {
        auto in = OpenList(JoinPath(g_project_folder, "status.dat"));
        ReadRecords(in, [&](int k) { g_status_scratch[k] = in.ReadInt16(); });
        for (int c = 0; c < kChannels; ++c) g_channel_enabled[c] = g_status_scratch[c] != 0 ? kTrue : 0;
    } catch (const SettingsError&) {
        platform::MsgBox(DefaultsMessage(n, "status.dat", "values"));
        for (int c = 0; c < kChannels; ++c) g_channel_enabled[c] = kTrue;
    }
}

void LoadThresholds(int n) {
    // A short file leaves the channels after its last record at 3.0.
    for (auto& t : g_channel_threshold) t[0] = 3.0;
    try {
        auto in = OpenList(JoinPath(g_project_folder, "threshld.dat"));
        ReadRecords(in, [&](int k) { g_channel_threshold[k][0] = in.ReadDouble(); });
    } catch (const SettingsError&) {
        platform::MsgBox(DefaultsMessage(n, "threshld.dat", "values"));
        for (int c = 0; c < kChannels; ++c) g_channel_threshold[c][0] = 3.0;
    }
}

void LoadGroupNames(int n) {
    int set = 0;
    try {
        for (; set < kStations; ++set) {
            GroupNames& names = StationGroupNames(set);
            FillDefaultGroupNames(names);
            const std::string path = JoinPath(g_project_folder, GroupNamesFileName(set));
            if (!platform::FileExists(path)) continue;
            auto in = OpenList(path);
            ReadRecords(in, [&](int k) { names[k] = in.ReadText(); });
        }
    } catch (const SettingsError&) {
        platform::MsgBox(DefaultsMessage(n, "groups.dat", "groups"));
        for (; set < kStations; ++set) FillDefaultGroupNames(StationGroupNames(set));
    }
}

void LoadChannelGroups(int n) {
    int set = 0;
    try {
        for (; set < kStations; ++set) {
            ChannelTable16& groups = StationChannelGroups(set);
            FillDefaultChannelGroups(groups);
            const std::string path = JoinPath(g_project_folder, ChannelGroupsFileName(set));
            if (!platform::FileExists(path)) continue;
            auto in = OpenList(path);
            ReadRecords(in, [&](int k) { groups[k] = in.ReadInt16(); });
        }
    } catch (const SettingsError&) {
        // The failing set and every later one take the default layout; the
        // sets read before keep what was read.
        platform::MsgBox(DefaultsMessage(n, "chgroup.dat", "groups"));
        for (; set < kStations; ++set) FillDefaultChannelGroups(StationChannelGroups(set));
    }
}

bool WriteChannelStatusFile(const std::string& path) {
    SettingsWriter out;
    out.Header("<Channel>, <Enabled>");
    for (int c = 0; c < kChannels; ++c) out.Int(c).Int(g_channel_enabled[c] != 0 ? 1 : 0).EndLine();
    return out.Save(path);
}

bool WriteThresholdFile(const std::string& path) {
    SettingsWriter out;
    out.Header("<Channel>, <Threshold>");
    for (int c = 0; c < kChannels; ++c) out.Int(c).Real(RoundDecimals(g_channel_threshold[c][0], 3)).EndLine();
    return out.Save(path);
}

bool WriteGroupNamesFile(const std::string& path, const GroupNames& names) {
    SettingsWriter out;
    out.Header("<Group_Number>, <Group_Name>");
    for (int g = 0; g < kChannels; ++g) out.Int(g).Text(names[g]).EndLine();
    return out.Save(path);
}

bool WriteChannelGroupsFile(const std::string& path, const ChannelTable16& groups) {
    SettingsWriter out;
    out.Header("<Channel>, <Group: -1=Free>");
    for (int c = 0; c < kChannels; ++c) out.Int(c).Int(groups[c]).EndLine();
    return out.Save(path);
}

}  // namespace vondrel
