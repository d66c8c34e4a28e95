#include <fstream>
#include <iterator>

#include "StoreFixture.h"
#include "platform/Files.h"
#include "store/Project.h"
#include "store/Setup.h"
#include "store/StatusLine.h"

using namespace vondrel;
using vondrel::testing::CrLf;

namespace {
std::string Golden(const std::string& name) {
    std::ifstream in(std::string(VONDREL_GOLDEN_DIR) + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const char* kWarn = "Warning!! PLEASE Re-Check setup values before RUN";

// Marks every setup variable with a value no loader gives.
void Scramble() {
    g_project_name = "scrambled";
    g_plate_format = "zz";
    g_acq_lapse = -7;
    g_threshold_counter = -7;
    g_tool_cal = -7;
    for (auto& row : g_tool_param) row.fill(-7);
}
}  // namespace

class SetupTest : public vondrel::testing::StoreTest {};

TEST_F(SetupTest, AWindowsFileLoadsAndSavesByteForByte) {
    std::string folder = UseProject(3);
    home.Write("p00003/setup.dat", Golden("setup.dat"));
    LoadSetup(3);
    EXPECT_EQ(g_project_name, "Ensayo ni\xC3\xB1o, larvas");
    EXPECT_EQ(g_working_folder, "C:\\Vondrel\\p00003\\");
    EXPECT_EQ(g_acq_lapse, 120);
    EXPECT_EQ(g_dsp_method, 0);
    EXPECT_EQ(g_save_real, 0);
    EXPECT_EQ(g_tool_param[1][3], 28);
    EXPECT_EQ(g_tool_param[2][5], 10);
    EXPECT_EQ(g_tool_param[6][4], -1);
    home.Write("copy/.keep", "");
    ASSERT_TRUE(WriteSetupFile(home / "copy/setup.dat"));
    EXPECT_EQ(home.Read("copy/setup.dat"), Golden("setup.dat"));
}

TEST_F(SetupTest, MissingFileLoadsEveryDefault) {
    UseProject(3);
    Scramble();
    boxes.ExpectMessage("Error [/p00003/setup.dat] ID#1 => Loading default values...").ExpectMessage(kWarn);
    LoadSetup(3);
    EXPECT_EQ(g_project_name, "Default");
    EXPECT_EQ(g_working_folder, home.Path() + "/p00003/");
    EXPECT_EQ(g_plate_format, "96f");
    EXPECT_EQ(g_acq_lapse, 30);
    EXPECT_EQ(g_threshold_counter, 300);
    EXPECT_EQ(g_tool_cal, 1);
    EXPECT_EQ(g_tool_param[2][2], 21);
    EXPECT_EQ(g_tool_param[3][1], 200);
    EXPECT_EQ(g_tool_param[6][0], 0);
}

TEST_F(SetupTest, ShortFilesLoadWhatTheyHold) {
    UseProject(3);
    auto lines = platform::SplitLines(Golden("setup.dat"));
    std::string eight;
    for (int i = 0; i < 8; ++i) eight += lines[i] + "\r\n";
    home.Write("p00003/setup.dat", eight);
    Scramble();
    LoadSetup(3);  // no message
    EXPECT_EQ(g_acq_lapse, 120);
    EXPECT_EQ(g_tool_cal, -7);  // line 8 and the rows are read only from a whole file
    EXPECT_EQ(g_tool_param[1][0], -7);

    // Three lines: Num_proj is never read, so the load fails at stage 4 and
    // only the tools line and the rows take their defaults.
    home.Write("p00003/setup.dat", CrLf({lines[0], lines[1], lines[2]}));
    Scramble();
    boxes.ExpectMessage("Error [/p00003/setup.dat] ID#4 => Loading default values...").ExpectMessage(kWarn);
    LoadSetup(3);
    EXPECT_EQ(g_project_name, "scrambled");
    EXPECT_EQ(g_acq_lapse, -7);
    EXPECT_EQ(g_tool_cal, 1);
    EXPECT_EQ(g_tool_param[1][1], 1);
}

TEST_F(SetupTest, AFileOfAnotherProjectWarnsAndKeepsItsValues) {
    UseProject(5);
    std::string text = Golden("setup.dat");
    text.replace(text.find("\r\n3,") + 2, 1, "4");
    home.Write("p00005/setup.dat", text);
    boxes.ExpectMessage("Warning: Project ID# <> Folder Name [p005]");
    LoadSetup(5);
    EXPECT_EQ(StatusLineText(), "Warning: Project ID# <> Folder Name [p005]");
    EXPECT_EQ(g_acq_lapse, 120);
}

TEST_F(SetupTest, RecoversOnceFromTheBackup) {
    UseProject(3);
    std::string damaged = Golden("setup.dat");
    damaged.replace(damaged.find("1,120,99"), 8, "1,120,xx");  // line 4 unreadable
    home.Write("p00003/setup.dat", damaged);
    home.Write("p00003/setup.bak", Golden("setup.dat"));
    boxes.ExpectMessage("Error [/p00003/setup.dat] ID#2 => Loading values from: p00003/").ExpectMessage(kWarn);
    LoadSetup(3);
    EXPECT_EQ(g_acq_lapse, 120);
    EXPECT_EQ(home.Read("p00003/setup.dat"), Golden("setup.dat"));
}

TEST_F(SetupTest, ADamagedBackupIsCopiedOnceThenDefaultsApply) {
    UseProject(3);
    std::string damaged = Golden("setup.dat");
    damaged.replace(damaged.find("1,8,20"), 1, "x");  // row Mn2 unreadable
    home.Write("p00003/setup.dat", damaged);
    home.Write("p00003/setup.bak", damaged);
    boxes.ExpectMessage("Error [/p00003/setup.dat] ID#6 => Loading values from: p00003/")
        .ExpectMessage(kWarn)
        .ExpectMessage("Error [/p00003/setup.dat] ID#6 => Loading default values...")
        .ExpectMessage(kWarn);
    LoadSetup(3);
    EXPECT_EQ(g_tool_param[1][3], 28);  // read before the failure
    EXPECT_EQ(g_tool_param[2][1], 9);   // defaults from the failing row on
    EXPECT_EQ(g_tool_param[3][1], 200);
}

TEST_F(SetupTest, RecoversFromTheNewestRunFolder) {
    UseProject(3);
    home.Write("p00003/setup.dat", "garbage");
    home.Write("p00003/20240201_0930_s1/setup.dat", Golden("setup.dat"));
    std::string older = Golden("setup.dat");
    older.replace(older.find("1,120"), 5, "1,777");
    home.Write("p00003/15012024_1200/setup.dat", older);
    boxes.ExpectMessage("Error [/p00003/setup.dat] ID#4 => Loading values from: p00003/20240201_0930_s1")
        .ExpectMessage(kWarn);
    LoadSetup(3);
    EXPECT_EQ(g_acq_lapse, 120);
}

TEST_F(SetupTest, ProjectZeroNeverRecovers) {
    g_project_number = 0;
    home.Write("setup.dat", "garbage");
    home.Write("setup.bak", Golden("setup.dat"));
    boxes.ExpectMessage("Error [/p00000/setup.dat] ID#4 => Loading default values...").ExpectMessage(kWarn);
    LoadSetup(0);
    EXPECT_EQ(home.Read("setup.dat"), "garbage");
}

TEST_F(SetupTest, GarbageNeverCrashes) {
    UseProject(3);
    boxes.AllowAnyMessages();
    for (std::string junk : {std::string("\0\0\0\r\n\xff\xfe", 7), std::string(40, '\n'), std::string(30, '"'),
                             std::string("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n13\r\n"
                                         "14\r\n15\r\n16\r\n17\r\n18\r\n19\r\n99999\r\n")}) {
        home.Write("p00003/setup.dat", junk);
        LoadSetup(3);
    }
}

TEST_F(SetupTest, FindLatestRunFolder) {
    for (auto name : {"01022024_0930", "15012024_1200", "20240201_0930_s1", "20231231_2359_s2", "abcdefgh_ijkl",
                      "0102202x_0930"})
        home.Write(std::string("runs/") + name + "/.keep", "");
    home.Write("runs/31122030_0000", "a file, not a run folder");
    // Equal keys: the first found (in name order) stays.
    EXPECT_EQ(FindLatestRunFolder(home / "runs/"), "01022024_0930");
    home.Write("runs/20240201_0931_s3/.keep", "");
    EXPECT_EQ(FindLatestRunFolder(home / "runs/"), "20240201_0931_s3");
    EXPECT_EQ(FindLatestRunFolder(home / "none/"), "");
}

TEST_F(SetupTest, SummaryLine) {
    home.Write("p00012/setup.dat", Golden("setup.dat"));
    std::string text = Golden("setup.dat");
    text.replace(text.find("3,\"Ensayo"), 30, "12,\"Larvae test\"");
    home.Write("p00012/setup.dat", text);
    EXPECT_EQ(ReadSetupSummary(home / "p00012"), "<Project> p00012: Larvae test");

    home.Write("p00013/setup.dat", "\"x\"\r\n1\r\n");
    EXPECT_EQ(ReadSetupSummary(home / "p00013"), "<Project> p: SETUP NOT FOUND!!");

    home.Write("p00014/setup.dat", "");
    home.Write("p00014/setup.bak", text);
    boxes.ExpectMessage("Error reading Setup.dat -> recovered from Setup.bak");
    EXPECT_EQ(ReadSetupSummary(home / "p00014"), "<Project> p00012: Larvae test");

    home.Write("p00015/20240301_1000_s1/setup.dat", text);
    boxes.ExpectMessage("Error reading Setup.dat -> recovered from " + home / "p00015/20240301_1000_s1");
    EXPECT_EQ(ReadSetupSummary(home / "p00015"), "<Project> p00012: Larvae test");

    home.Write("p00016/setup.dat", "\"h\"\r\n12,\"unterminated\r\n3\r\n4\r\n5\r\n6\r\n");
    EXPECT_EQ(ReadSetupSummary(home / "p00016"), "ERROR on SETUP.DAT FILE!!!");
}

TEST_F(SetupTest, FileUtilities) {
    home.Write("a.txt", "1\r\n2\r\n3");
    EXPECT_EQ(CountFileLines(home / "a.txt"), 3);
    EXPECT_EQ(CountFileLines(home / "missing.txt"), 0);
    home.Write("big.txt", std::string(32768, '\n'));
    EXPECT_EQ(CountFileLines(home / "big.txt"), 0);
    EXPECT_EQ(TryCopyFile(home / "a.txt", home / "b.txt"), 1);
    EXPECT_EQ(home.Read("b.txt"), "1\r\n2\r\n3");
    EXPECT_EQ(TryCopyFile(home / "missing.txt", home / "c.txt"), -1);
    EXPECT_EQ(TryCopyFile(home / "a.txt", home / "no/such/folder.txt"), -1);
}
