#include <filesystem>

#include "StoreFixture.h"
#include "platform/Files.h"
#include "store/ChannelFiles.h"
#include "store/FreshFolder.h"
#include "store/Project.h"
#include "store/Setup.h"

using namespace vondrel;

class ProjectTest : public vondrel::testing::StoreTest {
protected:
    ProjectTest() { PrepareProgramFolder(); }
};

TEST_F(ProjectTest, SavingTwiceKeepsTheFirstSaveInTheBackup) {
    std::string folder = UseProject(2);
    g_acq_lapse = 60;
    ASSERT_TRUE(SaveProject(folder, 2, -1));
    std::string first = home.Read("p00002/setup.dat");
    g_acq_lapse = 90;
    ASSERT_TRUE(SaveProject(folder, 2, -1));
    EXPECT_EQ(home.Read("p00002/setup.bak"), first);
}

TEST_F(ProjectTest, GroupSelectorChoosesTheGroupFiles) {
    g_group_name_s3[0] = "Station three";
    g_channel_group_s3[0] = 9;
    home.Write("run2/.keep", "");
    home.Write("run7/.keep", "");
    ASSERT_TRUE(SaveProject(home / "run2", 0, 2));
    ASSERT_TRUE(SaveProject(home / "run7", 0, 7));
    using V = std::vector<std::string>;
    EXPECT_EQ(platform::ListFolder(home / "run2"),
              (V{".keep", "chgroup.dat", "groups.dat", "setup.dat", "status.dat", "threshld.dat"}));
    EXPECT_EQ(platform::ListFolder(home / "run7"), (V{".keep", "setup.dat", "status.dat", "threshld.dat"}));
    EXPECT_NE(home.Read("run2/groups.dat").find("\r\n0,\"Station three\"\r\n"), std::string::npos);
    EXPECT_NE(home.Read("run2/chgroup.dat").find("\r\n0,9\r\n"), std::string::npos);
}

TEST_F(ProjectTest, SaveAndLoadReproduceTheProject) {
    std::string folder = UseProject(4);
    g_project_name = "Round trip";
    g_plate_format = "w96u";
    g_acq_lapse = 1440;
    g_save_real = 0;
    g_tool_param[3][1] = 255;
    g_channel_enabled[40] = 0;
    g_channel_threshold[40][0] = 1.8;
    g_group_name_s4[2] = "Last station";
    g_channel_group_s4[200] = -1;
    ASSERT_TRUE(SaveProject(folder, 4, -1));

    g_project_name = "other";
    g_plate_format = "w384";
    g_acq_lapse = 1;
    g_save_real = 1;
    g_tool_param[3][1] = 0;
    g_channel_enabled[40] = -1;
    g_channel_threshold[40][0] = 0;
    g_group_name_s4[2] = "x";
    g_channel_group_s4[200] = 0;
    LoadProject(4);
    EXPECT_EQ(g_project_name, "Round trip");
    EXPECT_EQ(g_plate_format, "w96u");
    EXPECT_EQ(g_acq_lapse, 1440);
    EXPECT_EQ(g_save_real, 0);
    EXPECT_EQ(g_tool_param[3][1], 255);
    EXPECT_EQ(g_channel_enabled[40], 0);
    EXPECT_EQ(g_channel_threshold[40][0], 1.8);
    EXPECT_EQ(g_group_name_s4[2], "Last station");
    EXPECT_EQ(g_channel_group_s4[200], -1);
    EXPECT_EQ(g_channel_well[16], -1);  // the w96u map was loaded
}

TEST_F(ProjectTest, AFailedSaveStopsAndNamesTheFile) {
    std::string failed;
    EXPECT_FALSE(SaveProject(home / "missing-folder", 1, -1, &failed));
    EXPECT_EQ(failed, home / "missing-folder/setup.dat");

    std::string folder = UseProject(6);
    home.Write("p00006/threshld.dat/blocker", "");  // a folder where the file goes
    EXPECT_FALSE(SaveProject(folder, 6, -1, &failed));
    EXPECT_EQ(failed, folder + "/threshld.dat");
    EXPECT_TRUE(home.Exists("p00006/status.dat"));
    EXPECT_FALSE(home.Exists("p00006/groups.dat"));
}

TEST_F(ProjectTest, DamagedFilesNeverStopALoad) {
    std::string folder = UseProject(8);
    const std::string junk[] = {std::string("\0\x01\x02\xff\r\n\"", 7), std::string(5000, ','), "\"\r\n\"\r\n",
                                std::string(2000, '9') + "\r\n"};
    for (const auto& bytes : junk) {
        for (auto name : {"setup.dat", "status.dat", "threshld.dat", "groups.dat", "groups1.dat", "chgroup.dat",
                          "chgroup3.dat"})
            home.Write(std::string("p00008/") + name, bytes);
        home.Write("w96f.dat", bytes);
        boxes.AllowAnyMessages();
        LoadProject(8);
        // Whatever the files held, the tables in force are usable.
        EXPECT_GE(g_max_well, 0);
        EXPECT_EQ(g_well_beam_channel.wells, g_max_well + 1);
        for (int c = 0; c < kChannels; ++c) {
            EXPECT_TRUE(g_channel_enabled[c] == 0 || g_channel_enabled[c] == -1);
            EXPECT_LE(g_channel_well[c], g_max_well);
        }
    }
}
