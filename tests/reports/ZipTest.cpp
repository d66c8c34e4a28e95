// The stored zip writer: CRC-32, DOS time and date, the archive's bytes, the
// folder walk, and what a failure leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TempFolder.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "reports/Zip.h"

namespace vondrel::reports::testing {
namespace {

using vondrel::testing::TempFolder;

struct FixedClock {
    explicit FixedClock(platform::LocalTime t) {
        platform::SetClockForTest([t] { return platform::FromLocal(t); });
    }
    ~FixedClock() { platform::SetClockForTest({}); }
};

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(static_cast<char>(b));
    return s;
}

TEST(Zip, Crc32OfKnownTexts) {
    EXPECT_EQ(ComputeCrc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(ComputeCrc32("abc"), 0x352441C2u);
    EXPECT_EQ(ComputeCrc32(""), 0u);
    EXPECT_EQ(ComputeCrc32(std::string(1, '\0')), 0xD202EF8Du);
}

TEST(Zip, DosTimeAndDateWords) {
    struct Case {
        platform::LocalTime t;
        uint16_t time, date;
    };
    for (const Case& c : {
             Case{{2024, 1, 31, 15, 30, 5}, 0x7BC2, 0x583F},
             Case{{1979, 12, 31, 23, 59, 59}, (23 << 11) | (59 << 5) | 29, (0 << 9) | (12 << 5) | 31},
             Case{{2108, 1, 1, 0, 0, 0}, 0, (127 << 9) | (1 << 5) | 1},
             Case{{1980, 1, 1, 0, 0, 1}, 0, (1 << 5) | 1},
         }) {
        EXPECT_EQ(PackDosTime(c.t), c.time) << c.t.year;
        EXPECT_EQ(PackDosDate(c.t), c.date) << c.t.year;
    }
}

TEST(Zip, TwoFilesGiveTheExactArchive) {
    TempFolder dir;
    dir.Write("in/a.txt", "abc");
    dir.Write("in/b/c.txt", "");
    FixedClock clock({2024, 1, 31, 15, 30, 5});
    ZipFolderStored(dir / "in/", dir / "out.zip");

    const std::string timeDate = Bytes({0xC2, 0x7B, 0x3F, 0x58});
    const std::string expected =
        // offset 0: local header of a.txt, its name and data
        Bytes({0x50, 0x4B, 0x03, 0x04, 20, 0, 0x00, 0x08, 0, 0}) + timeDate +
        Bytes({0xC2, 0x41, 0x24, 0x35, 3, 0, 0, 0, 3, 0, 0, 0, 5, 0, 0, 0}) + "a.txt" + "abc" +
        // offset 38: local header of b/c.txt, no data
        Bytes({0x50, 0x4B, 0x03, 0x04, 20, 0, 0x00, 0x08, 0, 0}) + timeDate +
        Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0}) + "b/c.txt" +
        // offset 75: central directory
        Bytes({0x50, 0x4B, 0x01, 0x02, 20, 0, 20, 0, 0x00, 0x08, 0, 0}) + timeDate +
        Bytes({0xC2, 0x41, 0x24, 0x35, 3, 0, 0, 0, 3, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) +
        "a.txt" + Bytes({0x50, 0x4B, 0x01, 0x02, 20, 0, 20, 0, 0x00, 0x08, 0, 0}) + timeDate +
        Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 38, 0, 0, 0}) +
        "b/c.txt" +
        // offset 179: end record, 2 entries, directory of 104 bytes at 75
        Bytes({0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 2, 0, 2, 0, 104, 0, 0, 0, 75, 0, 0, 0, 0, 0});
    ASSERT_EQ(expected.size(), 201u);
    const std::string got = dir.Read("out.zip");
    EXPECT_EQ(got.size(), 201u);
    EXPECT_EQ(got, expected);

    // The same folder packed again with the same clock: the same bytes.
    ZipFolderStored(dir / "in", dir / "out.zip");
    EXPECT_EQ(dir.Read("out.zip"), expected);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "out.zip").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(platform::ListFolder(dir.Path()), (std::vector<std::string>{"in", "out.zip"}));
}

TEST(Zip, NamesAreUtf8BytesWithTheirByteLength) {
    TempFolder dir;
    dir.Write("in/\xC3\xA9.txt", "x");
    FixedClock clock({2024, 1, 31, 15, 30, 5});
    ZipFolderStored(dir / "in", dir / "out.zip");
    const std::string got = dir.Read("out.zip");
    ASSERT_GE(got.size(), 36u);
    EXPECT_EQ(static_cast<unsigned char>(got[7]), 0x08);  // flag bit 11
    EXPECT_EQ(got[26], 6);
    EXPECT_EQ(got.substr(30, 6), "\xC3\xA9.txt");
}

TEST(Zip, ListingTakesFilesBeforeSubFoldersInByteOrderAndSkipsLinks) {
    TempFolder dir;
    for (const char* f : {"in/z.txt", "in/B.txt", "in/a/y.txt", "in/a/b/x.txt", "in/a/a.txt", "in/_r/.hidden", "out/t.txt"})
        dir.Write(f, "1");
    std::filesystem::create_symlink(dir / "out/t.txt", dir / "in/link.txt");
    std::filesystem::create_directory_symlink(dir / "out", dir / "in/linkdir");
    std::vector<std::string> rel;
    for (const auto& f : ListFilesRecursive(dir / "in/")) rel.push_back(f.substr((dir / "in/").size()));
    EXPECT_EQ(rel, (std::vector<std::string>{"B.txt", "z.txt", "_r/.hidden", "a/a.txt", "a/y.txt", "a/b/x.txt"}));
    EXPECT_TRUE(ListFilesRecursive(dir / "in/z.txt").empty());
    EXPECT_TRUE(ListFilesRecursive(dir / "none").empty());
    EXPECT_EQ(StripTrailingBackslash("a/b/"), "a/b");
    EXPECT_EQ(StripTrailingBackslash("a/b"), "a/b");
    EXPECT_TRUE(XlsxFileExists(dir / "in/z.txt"));
    EXPECT_FALSE(XlsxFileExists(dir / "in/a"));
    EXPECT_FALSE(XlsxFileExists(dir / "none"));
}

TEST(Zip, AnEmptyFolderMakesNoArchiveAndTheOldOneGoes) {
    TempFolder dir;
    platform::MakeFolder(dir / "empty");
    platform::MakeFolder(dir / "empty/sub");
    dir.Write("out.zip", "old");
    ::chmod((dir / "out.zip").c_str(), 0444);
    ZipFolderStored(dir / "empty", dir / "out.zip");
    EXPECT_FALSE(dir.Exists("out.zip"));
}

// A failure at any step leaves neither the final archive nor a temporary file.
TEST(Zip, AFailureLeavesNoArchiveAndNoTemporary) {
    TempFolder dir;
    dir.Write("in/a.txt", "abc");
    dir.Write("in/b.txt", "def");
    for (const char* step : {"entry", "rename"}) {
        SetZipFaultForTest([step](std::string_view s) { return s != step; });
        EXPECT_THROW(ZipFolderStored(dir / "in", dir / "out.zip"), WorkbookError) << step;
        SetZipFaultForTest({});
        EXPECT_EQ(platform::ListFolder(dir.Path()), std::vector<std::string>{"in"}) << step;
    }
    // A folder that cannot take the archive.
    try {
        ZipFolderStored(dir / "in", dir / "missing/out.zip");
        ADD_FAILURE() << "no failure";
    } catch (const WorkbookError& e) {
        EXPECT_EQ(e.number, ENOENT);
        EXPECT_EQ(e.description, "No such file or directory: " + (dir / "missing/out.zip"));
    }
}

TEST(Zip, OverTheFormatsLimitsNothingIsWritten) {
    TempFolder dir;
    dir.Write("big/a.txt", "");
    // A sparse file of 4 GiB: its size alone stops the packing, unread.
    ASSERT_EQ(::truncate((dir / "big/a.txt").c_str(), static_cast<off_t>(1) << 32), 0);
    dir.Write("big.zip", "old");
    try {
        ZipFolderStored(dir / "big", dir / "big.zip");
        ADD_FAILURE() << "no failure";
    } catch (const WorkbookError& e) {
        EXPECT_EQ(e.number, EFBIG);
    }
    EXPECT_EQ(dir.Read("big.zip"), "old");

    platform::MakeFolder(dir / "many");
    for (size_t i = 0; i <= kZipMaxEntries; ++i) std::ofstream(dir / ("many/" + std::to_string(i)));
    EXPECT_THROW(ZipFolderStored(dir / "many", dir / "many.zip"), WorkbookError);
    EXPECT_FALSE(dir.Exists("many.zip"));
}

}  // namespace
}  // namespace vondrel::reports::testing
