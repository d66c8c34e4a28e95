// A project's per-channel lists: status.dat (enabled channels), threshld.dat
// (detection thresholds) and the four GroupSets (groups*.dat names and
// chgroup*.dat channel groups).
#pragma once

#include <string>

#include "store/Globals.h"

namespace vondrel {

// Loaders read from g_project_folder; n only names the project in messages.
void LoadChannelStatus(int n);
void LoadThresholds(int n);
void LoadGroupNames(int n);
void LoadChannelGroups(int n);

// The default names (Group0..Group11, then "Free") and the default layout
// (channel 16b + j in group Int((b + 1) / 2)).
void FillDefaultGroupNames(GroupNames& names);
void FillDefaultChannelGroups(ChannelTable16& groups);

// File names of GroupSet `set` (0..3): groups.dat/chgroup.dat, groups1.dat/...
std::string GroupNamesFileName(int set);
std::string ChannelGroupsFileName(int set);

// Writers; false on failure.
bool WriteChannelStatusFile(const std::string& path);
bool WriteThresholdFile(const std::string& path);
bool WriteGroupNamesFile(const std::string& path, const GroupNames& names);
bool WriteChannelGroupsFile(const std::string& path, const ChannelTable16& groups);
// The bytes those two writers put in their files.
std::string GroupNamesFileText(const GroupNames& names);
std::string ChannelGroupsFileText(const ChannelTable16& groups);

}  // namespace vondrel
