// The four stations' group sets in memory and in a project folder's group
// files (groups.dat .. groups3.dat, chgroup.dat .. chgroup3.dat): edits on
// stations 2 and 4, and the check that every file holds its station's set.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/Files.h"
#include "store/ChannelFiles.h"
#include "store/Globals.h"

namespace vondrel::testing {

// Changes a group name and a channel's group of stations 2 and 4 only.
inline void EditGroupsOfStations2And4() {
    g_group_name_s2[3] = "Second edited";
    g_channel_group_s2[5] = 9;
    g_group_name_s4[0] = "Fourth edited";
    g_channel_group_s4[300] = 11;
}

// Reads the four sets back from the group files of g_project_folder and
// expects each to be the set the stations held before.
inline void ExpectGroupFilesHoldAllFourSets() {
    std::array<GroupNames, 4> names;
    std::array<ChannelTable16, 4> groups;
    for (int k = 0; k < 4; ++k) {
        names[k] = StationGroupNames(k);
        groups[k] = StationChannelGroups(k);
        EXPECT_TRUE(platform::FileExists(platform::JoinPath(g_project_folder, GroupNamesFileName(k)))) << k;
        EXPECT_TRUE(platform::FileExists(platform::JoinPath(g_project_folder, ChannelGroupsFileName(k)))) << k;
        FillDefaultGroupNames(StationGroupNames(k));
        FillDefaultChannelGroups(StationChannelGroups(k));
    }
    LoadGroupNames(g_project_number);
    LoadChannelGroups(g_project_number);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(StationGroupNames(k), names[k]) << "group names of station " << k + 1;
        EXPECT_EQ(StationChannelGroups(k), groups[k]) << "channel groups of station " << k + 1;
    }
    EXPECT_EQ(g_group_name_s2[3], "Second edited");
    EXPECT_EQ(g_channel_group_s2[5], 9);
    EXPECT_EQ(g_group_name_s4[0], "Fourth edited");
    EXPECT_EQ(g_channel_group_s4[300], 11);
}

}  // namespace vondrel::testing
