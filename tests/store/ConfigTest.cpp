#include "StoreFixture.h"
#include "store/Config.h"

using namespace vondrel;
using vondrel::testing::CrLf;

namespace {
const char* kHeader = "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\"";
}

class ConfigTest : public vondrel::testing::StoreTest {};

TEST_F(ConfigTest, LimitsAreAppliedAfterReading) {
    struct { const char* line; int project, last, port; } cases[] = {
        {"-5,2,0,9", 0, 2, 1}, {"3,1,40,0", 3, 3, 16}, {"3,7,4,0", 3, 7, 4}, {"0,0,16,5", 0, 0, 16}};
    for (auto c : cases) {
        home.Write("config.dat", CrLf({kHeader, c.line}));
        g_restart_time = 99;
        LoadConfig();
        EXPECT_EQ(g_project_number, c.project) << c.line;
        EXPECT_EQ(g_last_project_number, c.last) << c.line;
        EXPECT_EQ(g_com_port, c.port) << c.line;
        EXPECT_EQ(g_restart_time, 0) << c.line;
    }
}

TEST_F(ConfigTest, BadFilesGiveTheDefaultsAndAreNotRewritten) {
    const std::string contents[] = {"", "\"header only\"\r\n", "\"h\"\r\n1,2\r\n", "\"h\"\r\n1,x,3,0\r\n",
                                    std::string("\x01\xff\x00garbage", 10)};
    for (const auto& content : contents) {
        home.Write("config.dat", content);
        boxes.ExpectMessage("Error opening config File >>>> Loading DEFAULT configuration...");
        LoadConfig();
        EXPECT_EQ(g_project_number, 1);
        EXPECT_EQ(g_last_project_number, 1);
        EXPECT_EQ(g_com_port, 4);
        EXPECT_EQ(home.Read("config.dat"), content);
    }
}

TEST_F(ConfigTest, MissingFileThenSaveWritesTheDefaults) {
    boxes.ExpectMessage("Error opening config File >>>> Loading DEFAULT configuration...");
    LoadConfig();
    SaveConfig();
    EXPECT_EQ(home.Read("config.dat"), CrLf({kHeader, "1,1,4,0"}));
}

TEST_F(ConfigTest, SavedRestartTimeIsAlwaysZeroAfterALoad) {
    home.Write("config.dat", CrLf({kHeader, "2,5,3,77"}));
    LoadConfig();
    SaveConfig();
    EXPECT_EQ(home.Read("config.dat"), CrLf({kHeader, "2,5,3,0"}));
}

TEST_F(ConfigTest, FailedSaveIsReported) {
    home.Write("config.dat/blocker", "");  // a folder where the file should be
    boxes.ExpectMessage("<Error Saving Config File>");
    SaveConfig();
}

TEST_F(ConfigTest, ProjectFolders) {
    EXPECT_EQ(ProjectFolderOf(1), home / "p00001");
    EXPECT_EQ(ProjectFolderOf(32000), home / "p32000");
    EXPECT_EQ(ProjectFolderOf(0), home.Path());
}
