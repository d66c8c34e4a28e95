#include "StoreFixture.h"
#include "platform/Files.h"
#include "store/RunFiles.h"

using namespace vondrel;
using vondrel::testing::CrLf;

class RunFilesTest : public vondrel::testing::StoreTest {};

TEST_F(RunFilesTest, SubprojectNameAndComments) {
    home.Write("run/.keep", "");
    ASSERT_TRUE(WriteSubprojectFile(home / "run", "Plate 1", "Larvae 5 dpf\r\nsecond plate"));
    EXPECT_EQ(home.Read("run/subproj.dat"), "\"Plate 1\"\r\n\"Larvae 5 dpf\r\nsecond plate\"\r\n");
    EXPECT_EQ(ReadSubprojectName(home / "run"), "Plate 1");
    EXPECT_EQ(ReadSubprojectComments(home / "run"), "Larvae 5 dpf\r\nsecond plate");
    EXPECT_EQ(ReadSubprojectName(home / "none"), "");
    EXPECT_EQ(ReadSubprojectComments(home / "none"), "");
}

TEST_F(RunFilesTest, RenameAndCommentKeepTheOtherFieldAndABackup) {
    home.Write("run/subproj.dat", "\"Old\"\r\n\"line one\r\nline two\"\r\n");
    EXPECT_EQ(RenameSubproject(home / "run", "New \"A\", B"), "New 'A', B");  // the name as stored
    EXPECT_EQ(home.Read("run/subproj.dat"), "\"New 'A', B\"\r\n\"line one\r\nline two\"\r\n");
    EXPECT_EQ(home.Read("run/subproj.bak"), "\"Old\"\r\n\"line one\r\nline two\"\r\n");
    EXPECT_EQ(SaveSubprojectComments(home / "run", "dose \"high\""), "OK");
    EXPECT_EQ(home.Read("run/subproj.dat"), "\"New 'A', B\"\r\n\"dose 'high'\"\r\n");

    EXPECT_EQ(RenameSubproject(home / "run", "two\r\nlines"), "");  // a name is one line
    EXPECT_EQ(home.Read("run/subproj.dat"), "\"New 'A', B\"\r\n\"dose 'high'\"\r\n");

    home.Write("one/subproj.dat", "\"Only a name\"\r\n");  // the comments record is missing
    EXPECT_EQ(RenameSubproject(home / "one", "New"), "");
    EXPECT_EQ(home.Read("one/subproj.dat"), "\"Only a name\"\r\n");

    EXPECT_EQ(RenameSubproject(home / "empty", "Name"), "Name");
    EXPECT_EQ(SaveSubprojectComments(home / "empty", "c"), "OK");
    EXPECT_FALSE(home.Exists("empty"));
}

TEST_F(RunFilesTest, AFailedBackupIsReported) {
    home.Write("run/subproj.dat", "\"Old\"\r\n\"c\"\r\n");
    home.Write("run/subproj.bak/blocker", "");  // the backup cannot be written
    boxes.ExpectMessage("error").ExpectMessage("error");
    EXPECT_EQ(RenameSubproject(home / "run", "New"), "");
    EXPECT_EQ(SaveSubprojectComments(home / "run", "c2"), "");
    EXPECT_EQ(home.Read("run/subproj.dat"), "\"Old\"\r\n\"c\"\r\n");
}

TEST_F(RunFilesTest, Tags) {
    home.Write("tags_id.dat", CrLf({"20240201_0930_s1 [K1]", "20240201_1015_s2 [K1] [K3]", " 20240202_0800_s1 [K1]",
                                    "noblank[K1]"}));
    EXPECT_EQ(FindTaggedSubprojects(home.Path(), "[K1]"), "20240201_0930_s1 20240201_1015_s2");
    EXPECT_EQ(FindTaggedSubprojects(home.Path(), "[K3]"), "20240201_1015_s2");
    EXPECT_EQ(FindTaggedSubprojects(home.Path(), "[k1]"), "");
    EXPECT_EQ(GetSubprojectTags(home.Path(), "20240201_1015_s2"), "[K1] [K3]");
    EXPECT_EQ(GetSubprojectTags(home.Path(), "20240201_1015"), "");
    EXPECT_EQ(GetSubprojectTags(home.Path(), "20240202_0800_s1"), "");  // a line beginning with a blank
    EXPECT_EQ(GetSubprojectTags(home / "none", "x"), "");
}

TEST_F(RunFilesTest, RenameProjectChangesOnlyTheName) {
    std::string setup;
    setup += "\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"\r\n";
    setup += "4,\"Old, first\",\"C:\\data,2024\\p00004\\\",\"w96f\"\r\n";
    for (int i = 3; i <= 20; ++i) setup += (i % 2 ? "\"header, " : "1, 2,") + std::to_string(i) + (i % 2 ? "\"" : "") + "\r\n";
    home.Write("p00004/setup.dat", setup);
    EXPECT_EQ(RenameProject(home / "p00004", "New"), "New");
    std::string expected = setup;
    expected.replace(expected.find("\"Old, first\""), 12, "\"New\"");
    EXPECT_EQ(home.Read("p00004/setup.dat"), expected);
    EXPECT_EQ(platform::SplitLines(home.Read("p00004/setup.dat")).size(), 20u);
    EXPECT_EQ(home.Read("p00004/setup.bak"), setup);

    EXPECT_EQ(RenameProject(home / "p00005", "New"), "New");  // no setup.dat: nothing written
    EXPECT_FALSE(home.Exists("p00005"));
    EXPECT_EQ(RenameProject(home / "p00004", "a\nb"), "");
    home.Write("p00006/setup.dat", std::string(52, '\n'));
    EXPECT_EQ(RenameProject(home / "p00006", "x"), "");
    EXPECT_EQ(home.Read("p00006/setup.dat"), std::string(52, '\n'));
}

TEST_F(RunFilesTest, FreeSpaceIsMeasuredOnTheProjectsFileSystem) {
    EXPECT_GT(GetFreeDiskSpace(home.Path()), 0);
    EXPECT_EQ(GetFreeDiskSpace(home / "missing"), 0);
}
