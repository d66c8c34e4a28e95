#include <gtest/gtest.h>

#include "TempFolder.h"
#include "browser/AcquisitionConfig.h"

namespace vondrel::browser {
namespace {

using testing::CrLf;
using testing::TempFolder;

std::string SetupText(const std::string& plate, const std::string& mn1, int lines = 20) {
    std::vector<std::string> all = {
        "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"",
        "3,\"Larvae\",\"C:\\Vondrel\\p00003\\\",\"" + plate + "\"",
        "\"<Aq_mode>,<Aq_lapse>,<Sample_Rate>,<RT_Buffer>,<DSP_Method>,<DSP_Interval>\"",
        "1,120,99,500,1,30",
        "\"<Binary_Acq>,<Threshold_Counter>,<Cal_value>,<Cal_mode>,<Save_counts>,<Save_real>\"",
        "1,300,80,1,1,0",
        "\"Tools: <Menu1:Cal>, <Menu2:Light>, <Menu3:Temp>, <Menu4>, <Menu5>, <Menu6>\"",
        "1,1,0,0,0,0",
        "\"Mn1: <Organism>, <Enab_Cal>, <Enab_Zero>, <SNRx10>,,\"",
        mn1,
    };
    while (static_cast<int>(all.size()) < lines) all.push_back("0,0,0,0,0,0");
    all.resize(static_cast<size_t>(lines));
    std::string text;
    for (auto& l : all) text += l + "\r\n";
    return text;
}

std::string Plate(const std::string& code, const std::string& geometry) {
    return CrLf({"\"Plate map\",\"" + code + "\"", geometry, "\"<Label>, <Well>, <Beam>\"", "\"A1.0\",0,0",
                 "\"-\",-1,0", "\"A2.0\",1,0", "\"A2.1\",1,1"});
}

struct ConfigFixture : ::testing::Test {
    TempFolder home;
    std::string run = "p00003/20240315_1200";
    std::string Path() const { return home / run; }
    void Files() const {
        home.Write(run + "/status.dat", CrLf({"\"<Channel>, <Enabled>\"", "0,1", "1,0"}));
        home.Write(run + "/threshld.dat", CrLf({"\"<Channel>, <Threshold>\"", "0,2.5"}));
        home.Write(run + "/groups.dat", CrLf({"\"<Group_Number>, <Group_Name>\"", "0,\"Control\"", "1,\"B\"", "2,\"Dose\"",
                                               "3,\"C\"", "4,\"D\"", "5,\"High\""}));
        std::vector<std::string> groups = {"\"<Channel>, <Group>\""};
        for (int c = 0; c < 385; ++c) groups.push_back(std::to_string(c) + "," + (c == 0 ? "0" : c == 1 ? "2" : c == 2 ? "5" : "-1"));
        std::string text;
        for (auto& l : groups) text += l + "\r\n";
        home.Write(run + "/chgroup.dat", text);
    }
};

TEST_F(ConfigFixture, ReadsTheRecordingsOwnCopies) {
    home.Write(run + "/setup.dat", SetupText("W96F", "1,0,1,28,0,0"));
    Files();
    home.Write("w96f.dat", Plate("w96f", "8,2,-0.5,12,2,0"));
    auto c = ReadAcquisitionConfig(Path(), home.Path());
    EXPECT_TRUE(c.messages.empty()) << c.messages.front();
    EXPECT_EQ(c.setup.plateFormat, "W96F");  // the plate file is found without regard to case
    EXPECT_EQ(c.setup.aqLapse, 120);
    EXPECT_EQ(c.setup.Organism(), 1);
    EXPECT_TRUE(c.channelEnabled[0]);
    EXPECT_FALSE(c.channelEnabled[1]);
    EXPECT_TRUE(c.channelEnabled[2]);
    EXPECT_DOUBLE_EQ(c.channelThreshold[0], 2.5);
    EXPECT_DOUBLE_EQ(c.channelThreshold[1], 3.0);
    EXPECT_EQ(c.plateRows, 8);
    EXPECT_EQ(c.plateCols, 12);
    EXPECT_DOUBLE_EQ(c.rowOffset, -0.5);
    EXPECT_EQ(c.channelWell[0], 0);
    EXPECT_EQ(c.channelWell[1], -1);
        EXPECT_EQ(c.maxWell, 1);
    EXPECT_EQ(c.maxBeam, 1);
    EXPECT_EQ(c.wellBeamChannel, (std::vector<std::vector<int16_t>>{{0, -1}, {2, 3}}));

    EXPECT_EQ(ConfigText(c.setup, ","), "\r\n\t***** CONFIG ******\r\n\tMicroplate format: [W96F]\r\n\tAcquisition Lapse = "
                                        "120min\r\n\tSetting: Mode1\r\n\t[Zebrafish SNR=2,8]");
    // The details box: the lines after the first, without Tabs, each closed by CR LF.
    EXPECT_EQ(DetailsBoxText(ConfigText(c.setup, ",")),
              "***** CONFIG ******\r\nMicroplate format: [W96F]\r\nAcquisition Lapse = 120min\r\nSetting: "
              "Mode1\r\n[Zebrafish SNR=2,8]\r\n");
    auto items = GroupItems(c);
    EXPECT_EQ(items.combo, (std::vector<std::string>{"000_Control", "002_Dose", "005_High", "999_Free"}));
    EXPECT_EQ(items.plot, (std::vector<std::string>{"000_Control", "002_Dose", "005_High"}));
}

TEST_F(ConfigFixture, MissingAndDamagedFilesKeepDefaultsAndSaySo) {
    // No files at all: every message, store defaults, no plate.
    auto c = ReadAcquisitionConfig(Path(), home.Path());
    EXPECT_EQ(c.messages, (std::vector<std::string>{
                              "Error [" + Path() + "/setup.dat] => Loading default values...",
                              "Error [" + Path() + "/threshld.dat] => Loading default values...",
                              "Error [" + Path() + "/groups.dat] => Loading default values...",
                              "Error [" + Path() + "/chgroup.dat] => Loading default values...",
                          }));
    EXPECT_EQ(c.plateRows, 0);
    EXPECT_TRUE(c.channelEnabled[383]);
    EXPECT_DOUBLE_EQ(c.channelThreshold[7], 3.0);
    EXPECT_EQ(c.groupNames[0], "Group0");

    // A group outside -1..383, a plate code naming another folder, SNR below 0.5.
    home.Write(run + "/setup.dat", SetupText("../w96f", "0,0,1,3,0,0"));
    Files();
    home.Write(run + "/chgroup.dat", CrLf({"\"h\"", "0,400"}));
    home.Write("p00003/w96f.dat", Plate("w96f", "8,2,-0.5,12,2,0"));
    c = ReadAcquisitionConfig(Path(), home.Path());
    EXPECT_EQ(c.messages, (std::vector<std::string>{"Error [" + Path() + "/chgroup.dat] => Loading default values...",
                                                    "Multiwell Configuration File ../w96f.dat or .bak not found"}));
    EXPECT_EQ(c.channelGroup[0], 0);  // the default table
    EXPECT_EQ(c.plateRows, 0);
    EXPECT_EQ(ThresholdText(c.setup, "."), "1.8");
    EXPECT_EQ(ConfigText(c.setup, ".").substr(ConfigText(c.setup, ".").rfind('\t') + 1), "[C.elegans SNR=1.8]");
    EXPECT_EQ(GroupItems(DefaultAcquisitionConfig()).combo.size(), 14u);  // groups 0..12 and 999_Free

    // A setup.dat of seven lines keeps the defaults of the tools and Mn1 rows;
    // a plate found only as .bak is read.
    home.Write(run + "/setup.dat", SetupText("w24", "3,0,1,40,0,0", 7));
    home.Write("W24.bak", Plate("w24", "4,2,0,6,2,0"));
    c = ReadAcquisitionConfig(Path(), home.Path());
    EXPECT_EQ(c.setup.Organism(), 0);
    EXPECT_EQ(c.setup.SnrX10(), 18);
    EXPECT_EQ(c.plateRows, 4);
    EXPECT_EQ(OrganismName(7), "");
}

TEST_F(ConfigFixture, DamagedPlateFileGivesNoPlate) {
    home.Write(run + "/setup.dat", SetupText("w6", "1,0,1,28,0,0"));
    Files();
    home.Write("w6.dat", CrLf({"\"Plate map\",\"w6\"", "2,1,0,3,1,0", "\"h\"", "\"A1\",500,0"}));
    auto c = ReadAcquisitionConfig(Path(), home.Path());
    EXPECT_EQ(c.messages, (std::vector<std::string>{"Error [" + home / "w6.dat" + "] => Loading default values..."}));
    EXPECT_EQ(c.plateRows, 0);
}

}  // namespace
}  // namespace vondrel::browser

namespace vondrel::browser {
namespace {

TEST(DetailsBox, KeepsAtMostNineLinesAfterTheFirst) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"title only", ""},
        {"head\r\n\ta\tb\r\nc\n", "ab\r\nc\r\n"},
        {"h\r1\r2\r3\r4\r5\r6\r7\r8\r9\r10", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(DetailsBoxText(in), out) << in;
}

}  // namespace
}  // namespace vondrel::browser
