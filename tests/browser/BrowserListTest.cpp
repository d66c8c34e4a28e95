#include <gtest/gtest.h>

#include <filesystem>

#include "BrowserFixture.h"
#include "browser/BrowserList.h"
#include "platform/Files.h"

namespace vondrel::browser {
namespace {

using testing::BrowserHome;

TEST(BrowserNames, AcquisitionFolderPredicate) {
    struct Case { const char* name; bool ok; } cases[] = {
        {"20240315_1200", true},   {"20240315_1200_s1", true}, {"20240315_1200_s4", true},
        {"15032024_1200", true},  // the older day-first names pass too
        {"20240315_1200_s5", false}, {"20240315_1200_s0", false}, {"20240315_1200_s2removed202403151230", false},
        {"20240315_1200removed202403151230", false}, {"2024.315_1200", false}, {"20240315_12.0", false},
        {"20240315-1200", false}, {"20240315_120", false}, {"", false}, {".", false}, {"20240315_1200_x1", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsAcquisitionFolderName(c.name), c.ok) << c.name;
}

TEST(BrowserNames, CountProjectsTakesOnlyProjectsWithSetup) {
    BrowserHome h;
    h.Project("p00001", "A");
    h.Project("p00002", "B");
    h.home.Write("ports/x", "");
    h.home.Write("p12/setup.dat", "");
    h.home.Write("p1234567/setup.dat", "");
    h.home.Write("p00003/readme.txt", "");  // no setup.dat
    h.home.Write("p00004", "a file, not a folder");
    EXPECT_EQ(CountProjects(h.home.Path()), 2);
    EXPECT_EQ(ListProjectFolders(h.home.Path()), (std::vector<std::string>{"p00001", "p00002"}));
}

TEST(BrowserLines, BuildAndReadBack) {
    EXPECT_EQ(DateField("20230512_1030_s1"), "2023.0512_s1");
    EXPECT_EQ(DateField("20230512_1030"), "2023.0512");
    EXPECT_EQ(DateField(""), "        ");
    EXPECT_EQ(ProjectLine("2023.0512_s1", "p00003", "Larvae test"), "+ 2023.0512_s1\tp00003_Larvae test");
    EXPECT_EQ(ProjectNameFromSummary("<Project> p00003: Larvae: test"), "Larvae: test");
    EXPECT_EQ(ProjectNameFromSummary("ÉRROR"), "RROR");

    struct Case { std::string folder, run, tags; bool withTags; } cases[] = {
        {"20230512_1030_s2", "fish > day 1", "[K1] [K3]", true},
        {"20230512_1030", "a.b:c ACQ99:99", "", true},
        {"20231231_2359_s4", "", "", false},
        {"20230101_0000", "Ñandú \"x\"", "", false},
    };
    for (const auto& c : cases) {
        std::string line = AcquisitionLine(c.folder, c.run, c.withTags, c.tags);
        EXPECT_EQ(AcquisitionFolderOfLine(line), c.folder) << line;
        EXPECT_EQ(RunNameOfLine(line), c.run) << line;
    }
    EXPECT_EQ(AcquisitionLine("20230512_1030_s2", "run", true, "[K1]"), "  > 2023.0512_s2\t ACQ10:30 \"run\"\t\t[K1]");
    EXPECT_EQ(AcquisitionSearchText("20230512_1030_s2", "run"), "  > 2023.0512\t ACQ10:30 \"run\"");

    std::string project = ProjectLine("        ", "p00007", "No runs");
    EXPECT_EQ(ProjectFolderOfLine(project), "p00007");
    EXPECT_EQ(AcquisitionFolderOfLine(project), std::nullopt);
    EXPECT_EQ(AcquisitionFolderOfLine("  > garbage"), std::nullopt);
    EXPECT_EQ(AcquisitionFolderOfLine(""), std::nullopt);

    std::vector<std::string> lines = {"  > stray", project, "  > a", "  > b"};
    EXPECT_EQ(OwningProjectLine(lines, 3), 1);
    EXPECT_EQ(OwningProjectLine(lines, 1), 1);
    EXPECT_EQ(OwningProjectLine(lines, 0), 0);
}

TEST(BrowserLines, CutsAndTagPiecesCountCharacters) {
    std::string title(45, 'a');
    title += "ééééééééé";  // 54 characters, 63 bytes
    EXPECT_EQ(CutCharacters(title, 50), std::string(45, 'a') + "ééééé");
    EXPECT_EQ(CutCharacters("short", 50), "short");
    EXPECT_EQ(TagPieces("[K1] [K3]"), (std::vector<std::string>{"[K1]", "[K3]"}));
    EXPECT_TRUE(TagPieces("[K1 ").empty());
    EXPECT_EQ(TagPieces("[[K2]"), (std::vector<std::string>{"[[K2]", "[K2]"}));
    EXPECT_EQ(TagForItem(0), "");
    EXPECT_EQ(TagForItem(4), "[K4]");
}

TEST(BrowserList, ProjectsNewestFirstWithOpenProjectsAndTags) {
    BrowserHome h;
    h.Project("p00001", "First");
    h.Project("p00002", "Second");
    h.Project("p00003", "Empty");
    h.Run("p00001", "20230512_1030_s1", "morning");
    h.Run("p00001", "20230513_0900", "next day");
    h.Run("p00001", "20230514_0900", "no counts", false);
    h.Run("p00001", "20230515_0900removed202305151230", "archived");
    h.home.Write("p00001/20230516_0900.x/counts.bin", "");
    h.home.Write("p00001/tags_id.dat", "20230513_0900 [K2]\r\n");
    h.Run("p00002", "20240101_0800_s3", "other");

    ListState state;
    auto lines = BuildProjectList(h.home.Path(), state);
    EXPECT_EQ(lines, (std::vector<std::string>{"+         \tp00003_Empty", "+ 2024.0101_s3\tp00002_Second",
                                               "+ 2023.0512_s1\tp00001_First"}));
    state.expanded = {"p00001", "p00002"};
    state.descending = false;
    lines = BuildProjectList(h.home.Path(), state);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "+ 2023.0512_s1\tp00001_First",
                         "  > 2023.0512_s1\t ACQ10:30 \"morning\"\t\t",
                         "  > 2023.0513\t ACQ09:00 \"next day\"\t\t[K2]",
                         "+ 2024.0101_s3\tp00002_Second",
                         "  > 2024.0101_s3\t ACQ08:00 \"other\"",
                         "+         \tp00003_Empty",
                     }));
    std::set<std::string> only = {"p00002"};
    EXPECT_EQ(BuildProjectList(h.home.Path(), state, &only).size(), 2u);

    auto flat = BuildFlatList(h.home.Path(), "p00001", true);
    ASSERT_EQ(flat.size(), 3u);
    EXPECT_EQ(flat[1], "  > 2023.0513\t ACQ09:00 \"next day\"\t\t[K2]");
    EXPECT_TRUE(BuildFlatList(h.home.Path(), "../p00001", true).empty());
}

TEST(BrowserSearch, Terms) {
    struct Case { const char* text; std::vector<std::string> terms; } cases[] = {
        {"fish", {"fish"}},
        {"  fish   day ", {"fish", "day"}},
        {"\"zebra fish\" day", {"zebrafish", "day"}},  // the quoted blank is dropped
        {"\"\" x", {"x"}},
        {"a b c d e f g h i j k", {"a", "b", "c", "d", "e", "f", "g", "h", "i", "jk"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SearchTerms(c.text), c.terms) << c.text;
    EXPECT_EQ(FoldCase("FISH Éé ÀÞ Œ Ÿ × Ž"), "fish éé àþ œ ÿ × ž");
}

TEST(BrowserSearch, HitsMatchEveryTermInLinesAndRecordings) {
    BrowserHome h;
    h.Project("p00001", "Larvae");
    h.Project("p00002", "Flies");
    h.Project("p00003", "Nothing recorded");
    h.Run("p00001", "20230512_1030", "Zebrafish day 1");
    h.Run("p00002", "20230601_1100", "Drosophila");
    h.Run("p00002", "20230602_1100removed202306021200", "Secret archived");
    ListState state;
    state.descending = false;
    auto lines = BuildProjectList(h.home.Path(), state);  // p00001, p00002, p00003
    auto hits = [&](const char* text) { return SearchHits(h.home.Path(), lines, SearchTerms(text)); };
    EXPECT_EQ(hits("acq"), (std::vector<int>{0, 1}));
    EXPECT_EQ(hits(":"), (std::vector<int>{0, 1}));
    EXPECT_EQ(hits("FISH"), (std::vector<int>{0}));
    EXPECT_EQ(hits("larvae day"), (std::vector<int>{0}));  // one term in the line, one in a recording
    EXPECT_EQ(hits("larvae drosophila"), (std::vector<int>{}));
    EXPECT_EQ(hits("secret"), (std::vector<int>{}));
    EXPECT_EQ(hits("recorded"), (std::vector<int>{2}));
}

TEST(BrowserListing, ReadingChangesNothingOnDisk) {
    BrowserHome h;
    h.Project("p00001", "Larvae");
    h.Run("p00001", "20230512_1030", "Zebrafish");
    auto snapshot = [&] {
        std::string all;
        for (auto& e : std::filesystem::recursive_directory_iterator(h.home.Path()))
            all += e.path().string() + "=" + (e.is_regular_file() ? platform::ReadBinaryFile(e.path().string()).value_or("?") : "") + "\n";
        return all;
    };
    std::string before = snapshot();
    ListState state;
    state.expanded = {"p00001"};
    auto lines = BuildProjectList(h.home.Path(), state);
    SearchHits(h.home.Path(), lines, {"zebra"});
    BuildFlatList(h.home.Path(), "p00001", false);
    EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace vondrel::browser
