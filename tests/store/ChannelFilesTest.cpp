#include "StoreFixture.h"
#include "store/ChannelFiles.h"

using namespace vondrel;

namespace {
// A list file of 384 records, the value of record i given by `value`.
template <typename F>
std::string ListFile(const char* header, F value) {
    std::string out = std::string("\"") + header + "\"\r\n";
    for (int i = 0; i < kChannels; ++i) out += std::to_string(i) + "," + value(i) + "\r\n";
    return out;
}
}  // namespace

class ChannelFilesTest : public vondrel::testing::StoreTest {};

TEST_F(ChannelFilesTest, NoGroupFilesGiveTheDefaultLayoutSilently) {
    LoadGroupNames(0);
    LoadChannelGroups(0);
    for (int s = 0; s < kStations; ++s) {
        EXPECT_EQ(StationGroupNames(s)[0], "Group0");
        EXPECT_EQ(StationGroupNames(s)[11], "Group11");
        EXPECT_EQ(StationGroupNames(s)[12], "Free");
        struct { int channel, group; } layout[] = {{0, 0}, {15, 0}, {16, 1}, {47, 1}, {48, 2}, {351, 11}, {352, 11},
                                                   {367, 11}, {368, 12}, {383, 12}};
        for (auto l : layout) EXPECT_EQ(StationChannelGroups(s)[l.channel], l.group) << l.channel;
    }
}

TEST_F(ChannelFilesTest, StatusValuesAndItsFailure) {
    home.Write("status.dat", ListFile("<Channel>, <Enabled>", [](int i) { return i == 5 ? "0" : "1"; }));
    LoadChannelStatus(3);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(g_channel_enabled[c], c == 5 ? 0 : -1) << c;

    home.Write("status.dat", ListFile("<Channel>, <Enabled>", [](int i) { return i == 4 ? "on" : "0"; }));
    boxes.ExpectMessage("Error [/p0003/status.dat] => Loading default values...");
    LoadChannelStatus(3);
    for (int c = 0; c < kChannels; ++c) EXPECT_EQ(g_channel_enabled[c], -1) << c;
}

TEST_F(ChannelFilesTest, ShortFilesStartFromTheDefaultsNotTheLastProject) {
    home.Write("status.dat", ListFile("<Channel>, <Enabled>", [](int) { return "0"; }));
    home.Write("threshld.dat", ListFile("<Channel>, <Threshold>", [](int) { return "5.5"; }));
    LoadChannelStatus(1);
    LoadThresholds(1);
    ASSERT_EQ(g_channel_enabled[300], 0);
    home.Write("status.dat", "\"<Channel>, <Enabled>\"\r\n0,0\r\n1,0\r\n");
    home.Write("threshld.dat", "\"<Channel>, <Threshold>\"\r\n0,1.25\r\n");
    LoadChannelStatus(2);
    LoadThresholds(2);
    EXPECT_EQ(g_channel_enabled[1], 0);
    EXPECT_EQ(g_channel_enabled[2], -1);
    EXPECT_EQ(g_channel_enabled[300], -1);
    EXPECT_EQ(g_channel_threshold[0][0], 1.25);
    EXPECT_EQ(g_channel_threshold[1][0], 3.0);
}

TEST_F(ChannelFilesTest, MissingThresholdsDefault) {
    boxes.ExpectMessage("Error [/p0012/threshld.dat] => Loading default values...");
    LoadThresholds(12);
    EXPECT_EQ(g_channel_threshold[383][0], 3.0);
}

TEST_F(ChannelFilesTest, AFailedGroupNameFileDefaultsItsSetAndTheLaterOnes) {
    for (int s = 0; s < 2; ++s)
        home.Write(GroupNamesFileName(s), ListFile("<Group_Number>, <Group_Name>", [s](int i) {
                       return "\"S" + std::to_string(s) + "G" + std::to_string(i) + "\"";
                   }));
    home.Write("groups2.dat", "\"<Group_Number>, <Group_Name>\"\r\nx,\"bad\"\r\n");
    home.Write("groups3.dat", ListFile("<Group_Number>, <Group_Name>", [](int) { return "\"never read\""; }));
    boxes.ExpectMessage("Error [/p0007/groups.dat] => Loading default groups...");
    LoadGroupNames(7);
    EXPECT_EQ(g_group_name_s1[3], "S0G3");
    EXPECT_EQ(g_group_name_s2[3], "S1G3");
    EXPECT_EQ(g_group_name_s3[3], "Group3");
    EXPECT_EQ(g_group_name_s4[3], "Group3");
}

TEST_F(ChannelFilesTest, AFailedChannelGroupFileDefaultsItsSetAndTheLaterOnes) {
    home.Write("chgroup.dat", ListFile("<Channel>, <Group: -1=Free>", [](int) { return "-1"; }));
    home.Write("chgroup1.dat", "\"<Channel>, <Group: -1=Free>\"\r\n0,7\r\n1,seven\r\n");
    home.Write("chgroup2.dat", ListFile("<Channel>, <Group: -1=Free>", [](int) { return "5"; }));
    boxes.ExpectMessage("Error [/p0007/chgroup.dat] => Loading default groups...");
    LoadChannelGroups(7);
    EXPECT_EQ(g_channel_group_s1[100], -1);
    EXPECT_EQ(g_channel_group_s2[0], 0);  // default, not the 7 read before the failure
    EXPECT_EQ(g_channel_group_s3[100], 3);
    EXPECT_EQ(g_channel_group_s4[100], 3);
}

TEST_F(ChannelFilesTest, WrittenListsAreExact) {
    for (int c = 0; c < kChannels; ++c) {
        g_channel_enabled[c] = c == 17 ? 0 : -1;
        g_channel_threshold[c][0] = 3.0;
    }
    g_channel_threshold[17][0] = 2.1234;
    g_channel_threshold[18][0] = 2.125;
    ASSERT_TRUE(WriteChannelStatusFile(home / "status.dat"));
    ASSERT_TRUE(WriteThresholdFile(home / "threshld.dat"));
    std::string status = home.Read("status.dat"), thresholds = home.Read("threshld.dat");
    EXPECT_EQ(status.substr(0, 34), "\"<Channel>, <Enabled>\"\r\n0,1\r\n1,1\r\n");
    EXPECT_NE(status.find("\r\n17,0\r\n18,1\r\n"), std::string::npos);
    EXPECT_TRUE(status.ends_with("\r\n383,1\r\n"));
    EXPECT_NE(thresholds.find("\r\n16,3\r\n17,2.123\r\n18,2.125\r\n"), std::string::npos);

    GroupNames names;
    FillDefaultGroupNames(names);
    names[3] = "Mutant \"b\", dose 2";
    ASSERT_TRUE(WriteGroupNamesFile(home / "groups.dat", names));
    std::string groups = home.Read("groups.dat");
    EXPECT_TRUE(groups.starts_with("\"<Group_Number>, <Group_Name>\"\r\n0,\"Group0\"\r\n1,\"Group1\"\r\n"));
    EXPECT_NE(groups.find("\r\n3,\"Mutant 'b', dose 2\"\r\n"), std::string::npos);
    // ... and what is written reads back.
    LoadGroupNames(0);
    EXPECT_EQ(g_group_name_s1[3], "Mutant 'b', dose 2");
}
