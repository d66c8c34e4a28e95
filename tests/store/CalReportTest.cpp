#include <filesystem>

#include "StoreFixture.h"
#include "platform/Locale.h"
#include "store/CalReport.h"

using namespace vondrel;
using vondrel::testing::CrLf;

namespace {
const char* kReportHeader =
    "\"<User_defined>, <Bin>, <filetype>, <spacer>, <stdError>, <stdDev>, <n>, <out_format>, <organism>, "
    "<method>, <threshold>, <rawexport>\"";
}

class CalReportTest : public vondrel::testing::StoreTest {
protected:
    CalReportTest() { platform::SetListSeparatorForTest(","); }
    ~CalReportTest() override { platform::SetListSeparatorForTest(""); }
};

TEST_F(CalReportTest, CalibrationValuesByLineOrder) {
    ASSERT_TRUE(WriteDefaultCalValues());
    std::string text = home.Read("calvalue.dat");
    EXPECT_EQ(text.substr(0, 44), "\"<Num_Channel>, <PinHole>, <Gain> \"\r\n0,2,3\r\n");
    EXPECT_TRUE(text.ends_with("\r\n383,2,3\r\n"));

    home.Write("calvalue.dat", CrLf({"\"<Num_Channel>, <PinHole>, <Gain> \"", "\"0,5,6\"", "", "99,1,7", "2,4,0"}));
    ASSERT_TRUE(ReadCalValues());
    EXPECT_EQ(g_channel_pinhole[0], 5);
    EXPECT_EQ(g_channel_gain[0], 6);
    EXPECT_EQ(g_channel_pinhole[1], 1);  // the empty line used no channel; the number 99 is not used
    EXPECT_EQ(g_channel_gain[2], 0);
    EXPECT_EQ(g_channel_pinhole[3], 2);  // beyond the file: as before

    for (const char* bad : {"0,5", "0,x,3", "0,1,", "\"\""}) {
        home.Write("calvalue.dat", CrLf({"\"h\"", bad}));
        EXPECT_FALSE(ReadCalValues()) << bad;
    }
    home.Write("calvalue.dat", "");  // not even the header
    EXPECT_FALSE(ReadCalValues());
    std::filesystem::remove(home / "calvalue.dat");
    EXPECT_FALSE(ReadCalValues());
}

// A missing file gets the defaults, written with the flag the caller gave;
// the next load reads that flag back.
TEST_F(CalReportTest, MissingReportSettingsAreWrittenWithTheCallersFlag) {
    EXPECT_EQ(LoadReportSettings(1), 0);
    EXPECT_EQ(home.Read("repoconf.dat"), CrLf({kReportHeader, "1,30,0,\",\",1,0,1,0,0,1,18,0"}));
    EXPECT_EQ(LoadReportSettings(1), 1);
    EXPECT_EQ(g_report_bin, 30);
}

TEST_F(CalReportTest, StoredSettingsLoadWithTheirRanges) {
    home.Write("repoconf.dat", CrLf({kReportHeader, "1,45,1,\";\",0,1,0,3,2,2,30,1"}));
    EXPECT_EQ(LoadReportSettings(1), 1);
    EXPECT_EQ(g_report_bin, 45);
    EXPECT_EQ(g_report_spacer, ";");
    EXPECT_EQ(g_report_out_format, 3);
    EXPECT_EQ(g_report_threshold, 30);

    const std::string outOfRange = CrLf({kReportHeader, "1,1441,2,\";\",2,2,2,4,4,3,4,2"});
    home.Write("repoconf.dat", outOfRange);
    EXPECT_EQ(LoadReportSettings(1), 1);
    EXPECT_EQ(g_report_bin, 30);
    EXPECT_EQ(g_report_filetype, 0);
    EXPECT_EQ(g_report_std_error, 1);
    EXPECT_EQ(g_report_std_dev, 0);
    EXPECT_EQ(g_report_n, 1);
    EXPECT_EQ(g_report_out_format, 0);
    EXPECT_EQ(g_report_organism, 0);
    EXPECT_EQ(g_report_method, 1);
    EXPECT_EQ(g_report_threshold, 18);
    EXPECT_EQ(g_report_rawexport, 0);
    EXPECT_EQ(home.Read("repoconf.dat"), outOfRange);  // the load does not rewrite it
}

TEST_F(CalReportTest, ArgumentZeroResetsAndRewrites) {
    home.Write("repoconf.dat", CrLf({kReportHeader, "1,45,1,\";\",0,1,0,3,2,2,30,1"}));
    EXPECT_EQ(LoadReportSettings(0), 0);
    EXPECT_EQ(g_report_bin, 30);
    EXPECT_EQ(home.Read("repoconf.dat"), CrLf({kReportHeader, "0,30,0,\",\",1,0,1,0,0,1,18,0"}));
}

TEST_F(CalReportTest, DamagedSettingsGiveTheDefaults) {
    home.Write("repoconf.dat", CrLf({kReportHeader, "1,45,1"}));
    boxes.ExpectMessage("Error loading repoconf.dat -> Using Default values");
    EXPECT_EQ(LoadReportSettings(1), 0);
    EXPECT_EQ(g_report_bin, 30);
    EXPECT_EQ(home.Read("repoconf.dat"), CrLf({kReportHeader, "0,30,0,\",\",1,0,1,0,0,1,18,0"}));
}

TEST_F(CalReportTest, LocaleSeparatorBecomesTheDefaultSpacer) {
    platform::SetListSeparatorForTest(";");
    SetDefaultReportSettings();
    SaveReportSettings(0);
    EXPECT_EQ(g_list_separator, ";");
    EXPECT_EQ(home.Read("repoconf.dat"), CrLf({kReportHeader, "0,30,0,\";\",1,0,1,0,0,1,18,0"}));

    std::filesystem::remove(home / "repoconf.dat");
    std::filesystem::create_directory(home / "repoconf.dat");  // a folder where the file goes
    boxes.ExpectMessage("Error Writing Report Configuration (repoconf.dat)");
    SaveReportSettings(0);
}
