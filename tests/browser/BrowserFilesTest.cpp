#include <gtest/gtest.h>

#include <filesystem>

#include "BrowserFixture.h"
#include "browser/BrowserList.h"
#include "platform/Files.h"
#include "store/RunFiles.h"

namespace vondrel::browser {
namespace {

using testing::BrowserHome;
using testing::TempFolder;

size_t EntryCount(const std::string& folder) { return platform::ListFolder(folder).size(); }

TEST(BrowserTags, AddRepeatAndClear) {
    TempFolder home;
    const std::string p = home.Path();
    ASSERT_TRUE(WriteAcquisitionTag(p, "20230512_1030_s2", "[K2]"));
    EXPECT_EQ(home.Read("tags_id.dat"), "20230512_1030_s2 [K2]\r\n");
    ASSERT_TRUE(WriteAcquisitionTag(p, "20230512_1030_s2", "[K4]"));
    EXPECT_EQ(home.Read("tags_id.dat"), "20230512_1030_s2 [K2] [K4]\r\n");
    ASSERT_TRUE(WriteAcquisitionTag(p, "20230512_1030_s2", ""));
    EXPECT_EQ(home.Read("tags_id.dat"), "20230512_1030_s2\r\n");
    EXPECT_EQ(GetSubprojectTags(p, "20230512_1030_s2"), "");
    ASSERT_TRUE(WriteAcquisitionTag(p, "20230512_1030", ""));  // clearing an untagged run writes nothing
    EXPECT_EQ(home.Read("tags_id.dat"), "20230512_1030_s2\r\n");
    EXPECT_EQ(EntryCount(p), 1u);
}

// A key is matched whole: the bare stamp is no prefix of its stations' keys,
// and a station's key is not the bare stamp.
TEST(BrowserTags, KeyIsMatchedExactlyNotAsAPrefix) {
    TempFolder home;
    const std::string p = home.Path();
    home.Write("tags_id.dat", "20230512_1030_s1 [K1]\r\n20230512_1030_s2 [K2]\r\n");
    EXPECT_EQ(GetSubprojectTags(p, "20230512_1030"), "");
    EXPECT_EQ(GetSubprojectTags(p, "20230512_1030_s"), "");
    ASSERT_TRUE(WriteAcquisitionTag(p, "20230512_1030", "[K3]"));
    EXPECT_EQ(home.Read("tags_id.dat"), "20230512_1030_s1 [K1]\r\n20230512_1030_s2 [K2]\r\n20230512_1030 [K3]\r\n");
    EXPECT_EQ(GetSubprojectTags(p, "20230512_1030"), "[K3]");
    EXPECT_EQ(GetSubprojectTags(p, "20230512_1030_s1"), "[K1]");
    ASSERT_TRUE(WriteAcquisitionTag(p, "20230512_1030_s1", ""));
    EXPECT_EQ(home.Read("tags_id.dat"), "20230512_1030_s1\r\n20230512_1030_s2 [K2]\r\n20230512_1030 [K3]\r\n");
    EXPECT_EQ(FindTaggedSubprojects(p, "[K3]"), "20230512_1030");
    EXPECT_EQ(FindTaggedSubprojects(p, "[K2]"), "20230512_1030_s2");
}

TEST(BrowserTags, SameTagLeavesAnLfFileByteForByte) {
    TempFolder home;
    home.Write("tags_id.dat", "a [K1]\nb [K2]\n");
    ASSERT_TRUE(WriteAcquisitionTag(home.Path(), "b", "[K2]"));
    EXPECT_EQ(home.Read("tags_id.dat"), "a [K1]\nb [K2]\n");
    ASSERT_TRUE(WriteAcquisitionTag(home.Path(), "a", "[K3]"));
    EXPECT_EQ(home.Read("tags_id.dat"), "a [K1] [K3]\r\nb [K2]\r\n");
}

TEST(BrowserTags, NoLineLimitAndEveryDuplicateKeyTreated) {
    TempFolder home;
    std::string text;
    for (int i = 0; i < 1500; ++i) text += "r" + std::to_string(i) + " [K1]\r\n";
    text += "r7\r\n";
    home.Write("tags_id.dat", text);
    ASSERT_TRUE(WriteAcquisitionTag(home.Path(), "r7", "[K2]"));
    auto lines = platform::SplitLines(home.Read("tags_id.dat"));
    ASSERT_EQ(lines.size(), 1501u);
    EXPECT_EQ(lines[7], "r7 [K1] [K2]");
    EXPECT_EQ(lines[1500], "r7 [K2]");
}

TEST(BrowserTags, FailedWriteKeepsTheFileAndSaysSo) {
    TempFolder home;
    home.Write("tags_id.dat", "a [K1]\r\n");
    platform::SetReplaceFaultForTest([](std::string_view step) { return step != "rename"; });
    EXPECT_FALSE(WriteAcquisitionTag(home.Path(), "a", "[K2]"));
    platform::SetReplaceFaultForTest({});
    EXPECT_EQ(home.Read("tags_id.dat"), "a [K1]\r\n");
    EXPECT_EQ(EntryCount(home.Path()), 1u);
}

TEST(BrowserFiles, ReplaceFileKeepsOldBytesOnEveryFailure) {
    TempFolder home;
    const std::string target = home / "x.dat";
    home.Write("x.dat", "old bytes");
    for (const char* failing : {"write", "sync", "rename"}) {
        platform::SetReplaceFaultForTest([failing](std::string_view step) { return step != failing; });
        EXPECT_FALSE(platform::ReplaceFile(target, "new bytes, longer than before")) << failing;
        platform::SetReplaceFaultForTest({});
        EXPECT_EQ(home.Read("x.dat"), "old bytes") << failing;
        EXPECT_EQ(EntryCount(home.Path()), 1u) << failing;  // no temporary left
    }
    EXPECT_TRUE(platform::ReplaceFile(target, "new"));
    EXPECT_EQ(home.Read("x.dat"), "new");
    EXPECT_FALSE(platform::ReplaceFile(home / "missing/x.dat", "new"));
}

TEST(BrowserArchive, StampHasHourAndSecondNoMinutes) {
    platform::LocalTime t{2024, 3, 15, 12, 47, 30};
    EXPECT_EQ(ArchivePath("/x/p00001/20240315_1200_s2", platform::FromLocal(t)),
              "/x/p00001/20240315_1200_s2removed202403151230");
    EXPECT_EQ(ArchivePath("/x/p00001/20240315_1200", platform::FromLocal(t)),
              "/x/p00001/20240315_1200removed202403151230");
}

TEST(BrowserArchive, RenamesNeverReplacesRefusesRunningAndNonRecordings) {
    BrowserHome h;
    h.Project("p00001", "A");
    h.Run("p00001", "20240315_1200_s2", "run");
    h.Run("p00001", "20240315_1300", "other");
    const auto when = platform::FromLocal({2024, 3, 15, 12, 47, 30});
    const std::string run = h.home / "p00001/20240315_1200_s2";

    // An empty folder already holding the archive name is not replaced.
    std::filesystem::create_directory(run + "removed202403151230");
    EXPECT_EQ(ArchiveAcquisition(run, "", when), ArchiveResult::Failed);
    EXPECT_TRUE(h.home.Exists("p00001/20240315_1200_s2/counts.bin"));
    std::filesystem::remove(run + "removed202403151230");

    EXPECT_EQ(ArchiveAcquisition(run, "20240315_1200", when), ArchiveResult::RunInProgress);
    EXPECT_EQ(ArchiveAcquisition(h.home / "p00001/20240315_1400", "", when), ArchiveResult::Failed);  // missing
    EXPECT_EQ(ArchiveAcquisition(h.home / "p00001", "", when), ArchiveResult::Failed);  // not a recording

    std::string moved;
    EXPECT_EQ(ArchiveAcquisition(run, "20240315_1300_s1", when, &moved), ArchiveResult::Done);
    EXPECT_EQ(moved, run + "removed202403151230");
    EXPECT_TRUE(h.home.Exists("p00001/20240315_1200_s2removed202403151230/counts.bin"));
    EXPECT_EQ(ListAcquisitionFolders(h.home / "p00001", true), (std::vector<std::string>{"20240315_1300"}));
}

TEST(BrowserWatched, StaleAndEmptyLinesKeepTheirCaptions) {
    TempFolder home;
    home.Write("data/a/x", "");
    home.Write("foldview.dat", "data\r\n" + home / "data/a" + "\r\n/no/such\r\n\r\n*\r\n");
    auto folders = ReadWatchedFolders(home.Path());
    EXPECT_EQ(folders, (WatchedFolders{"data", home / "data/a", "_folder3", "_folder4", "_folder5"}));

    TempFolder fresh;
    EXPECT_EQ(ReadWatchedFolders(fresh.Path()), DesignWatchedFolders());
    auto changed = DesignWatchedFolders();
    changed[2] = "/tmp";
    ASSERT_TRUE(WriteWatchedFolders(fresh.Path(), changed));
    EXPECT_EQ(fresh.Read("foldview.dat"), "_folder1\r\n_folder2\r\n/tmp\r\n_folder4\r\n_folder5\r\n");
    EXPECT_EQ(ReadWatchedFolders(fresh.Path())[2], "/tmp");
    EXPECT_FALSE(WatchedFolderExists(fresh.Path(), ""));
    EXPECT_FALSE(WatchedFolderExists(fresh.Path(), "/tm?"));
    EXPECT_TRUE(WatchedFolderExists(fresh.Path(), "foldview.dat"));
}

}  // namespace
}  // namespace vondrel::browser

namespace vondrel::browser {
namespace {

TEST(BrowserFiles, RenamesAndCommentsNeverHalfWriteTheirFiles) {
    TempFolder home;
    ASSERT_TRUE(WriteSubprojectFile(home.Path(), "old name", "line 1\r\nline 2"));
    const std::string before = home.Read("subproj.dat");
    platform::SetReplaceFaultForTest([](std::string_view step) { return step != "write"; });
    EXPECT_EQ(RenameSubproject(home.Path(), "new"), "");
    EXPECT_EQ(SaveSubprojectComments(home.Path(), "other"), "");
    platform::SetReplaceFaultForTest({});
    EXPECT_EQ(home.Read("subproj.dat"), before);
    EXPECT_EQ(RenameSubproject(home.Path(), "new \"one\""), "new 'one'");
    EXPECT_EQ(ReadSubprojectName(home.Path()), "new 'one'");
    EXPECT_EQ(ReadSubprojectComments(home.Path()), "line 1\r\nline 2");
    EXPECT_EQ(home.Read("subproj.bak"), before);
}

}  // namespace
}  // namespace vondrel::browser
