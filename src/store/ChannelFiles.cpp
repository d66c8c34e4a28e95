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
    in->SkipText();
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

namespace {

// Reads the four group files of one kind, set 1 to 4. A missing file gives its
// set the defaults; a failed file gives the defaults to its set and to every
// later set, while the sets read before keep what was read.
template <typename Table, typename Fill, typename Read>
void LoadGroupSets(int n, const char* label, Table& (*table)(int), std::string (*fileName)(int), Fill fill, Read read) {
    int set = 0;
    try {
        for (; set < kStations; ++set) {
            Table& values = table(set);
            fill(values);
            const std::string path = JoinPath(g_project_folder, fileName(set));
            if (!platform::FileExists(path)) continue;
            auto in = OpenList(path);
            ReadRecords(in, [&](int k) { read(in, values[k]); });
        }
    } catch (const SettingsError&) {
        platform::MsgBox(DefaultsMessage(n, label, "groups"));
        for (; set < kStations; ++set) fill(table(set));
    }
}

}  // namespace

void LoadGroupNames(int n) {
    LoadGroupSets(n, "groups.dat", StationGroupNames, GroupNamesFileName, FillDefaultGroupNames,
                  [](SettingsReader& in, std::string& name) { name = in.ReadText(); });
}

void LoadChannelGroups(int n) {
    LoadGroupSets(n, "chgroup.dat", StationChannelGroups, ChannelGroupsFileName, FillDefaultChannelGroups,
                  [](SettingsReader& in, int16_t& group) { group = in.ReadInt16(); });
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

std::string GroupNamesFileText(const GroupNames& names) {
    SettingsWriter out;
    out.Header("<Group_Number>, <Group_Name>");
    for (int g = 0; g < kChannels; ++g) out.Int(g).Text(names[g]).EndLine();
    return out.Str();
}

std::string ChannelGroupsFileText(const ChannelTable16& groups) {
    SettingsWriter out;
    out.Header("<Channel>, <Group: -1=Free>");
    for (int c = 0; c < kChannels; ++c) out.Int(c).Int(groups[c]).EndLine();
    return out.Str();
}

bool WriteGroupNamesFile(const std::string& path, const GroupNames& names) {
    return platform::WriteTextFile(path, GroupNamesFileText(names));
}

bool WriteChannelGroupsFile(const std::string& path, const ChannelTable16& groups) {
    return platform::WriteTextFile(path, ChannelGroupsFileText(groups));
}

}  // namespace vondrel
