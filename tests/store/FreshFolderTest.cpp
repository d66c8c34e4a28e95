#include "StoreFixture.h"
#include "platform/Locale.h"
#include "store/CalReport.h"
#include "store/Config.h"
#include "store/FreshFolder.h"
#include "store/Project.h"

using namespace vondrel;

class FreshFolderTest : public vondrel::testing::StoreTest {};

TEST_F(FreshFolderTest, AFirstStartLoadsWithoutAnyMessage) {
    auto written = PrepareProgramFolder();
    EXPECT_EQ(written.size(), 23u);
    LoadConfig();
    EXPECT_EQ(g_project_number, 0);
    EXPECT_EQ(g_com_port, 4);
    LoadProject(0);
    EXPECT_EQ(g_plate_format, "w96f");
    EXPECT_EQ(g_project_name, "Default");
    EXPECT_TRUE(ReadCalValues());
    EXPECT_EQ(LoadReportSettings(1), 0);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FreshFolderTest, ExistingFilesAreKept) {
    home.Write("config.dat", "mine");
    home.Write("w48.dat", "mine too");
    auto written = PrepareProgramFolder();
    EXPECT_EQ(written.size(), 21u);
    EXPECT_EQ(home.Read("config.dat"), "mine");
    EXPECT_EQ(home.Read("w48.dat"), "mine too");
    EXPECT_TRUE(PrepareProgramFolder().empty());
}

// Project 1 "Demo" is made from the default project as it stands on disk, as
// "New..." makes a project: the same files, only the project record of
// setup.dat says 1 and "Demo"; config.dat makes it current.
TEST_F(FreshFolderTest, DemoProjectIsACopyOfTheDefaultProjectMadeCurrent) {
    PrepareProgramFolder();
    g_project_folder = home.Path();
    LoadProject(0);
    g_plate_format = "w384";
    g_tool_param[1][3] = 25;
    ASSERT_TRUE(SaveProject(home.Path(), 0, -1));
    g_plate_format = "elsewhere";  // what is in memory does not count
    g_project_name = "elsewhere";

    ASSERT_TRUE(CreateDemoProject());
    const std::string configRecord = "1,1,4,0\r\n";
    const std::string config = home.Read("config.dat");
    EXPECT_EQ(config.substr(config.size() - configRecord.size()), configRecord);
    for (const char* name : {"status.dat", "threshld.dat", "groups.dat", "groups1.dat", "groups2.dat", "groups3.dat",
                             "chgroup.dat", "chgroup1.dat", "chgroup2.dat", "chgroup3.dat"})
        EXPECT_EQ(home.Read(std::string("p00001/") + name), home.Read(name)) << name;
    std::string defaultSetup = home.Read("setup.dat");
    const std::string record = "0,\"Default\",";
    ASSERT_NE(defaultSetup.find(record), std::string::npos);
    defaultSetup.replace(defaultSetup.find(record), record.size(), "1,\"Demo\",");
    EXPECT_EQ(home.Read("p00001/setup.dat"), defaultSetup);

    LoadConfig();
    EXPECT_EQ(g_project_number, 1);
    g_project_folder = home / "p00001";
    LoadProject(1);
    EXPECT_EQ(g_project_name, "Demo");
    EXPECT_EQ(g_plate_format, "w384");
    EXPECT_EQ(g_tool_param[1][3], 25);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FreshFolderTest, DemoProjectKeepsAnExistingFolder) {
    PrepareProgramFolder();
    home.Write("p00001/mine.txt", "mine");
    const std::string config = home.Read("config.dat");
    EXPECT_FALSE(CreateDemoProject());
    EXPECT_EQ(home.Read("config.dat"), config);
    EXPECT_FALSE(home.Exists("p00001/setup.dat"));
}
