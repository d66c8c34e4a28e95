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
