#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "TempFolder.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/ProgramFolder.h"

using namespace vondrel::platform;
using vondrel::testing::TempFolder;

TEST(Files, Cp1252RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_EQ(Utf8ToCp1252(utf8), all);
    EXPECT_EQ(Cp1252ToUtf8("ni\xF1o \x80"), "ni\xC3\xB1o \xE2\x82\xAC");
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");  // not in the code page
}

TEST(Files, SplitLinesAcceptsCrLfLfAndCr) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), (V{"a"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines(""), V{});
}

TEST(Files, TextFilesAreWrittenInTheSingleByteCodePage) {
    TempFolder dir;
    ASSERT_TRUE(WriteTextFile(dir / "t.dat", "\"Ni\xC3\xB1o\"\r\n"));
    EXPECT_EQ(dir.Read("t.dat"), "\"Ni\xF1o\"\r\n");
    EXPECT_EQ(*ReadTextFile(dir / "t.dat"), "\"Ni\xC3\xB1o\"\r\n");
    EXPECT_FALSE(ReadTextFile(dir / "missing.dat").has_value());
    EXPECT_FALSE(WriteTextFile(dir / "no/such/folder.dat", "x"));
}

// Every byte value, valid and broken UTF-8, a sequence cut short at the end:
// written in pieces cut anywhere, the file is the text written whole.
TEST(Files, TextWrittenInPiecesIsTheTextWrittenWhole) {
    TempFolder dir;
    std::string text;
    uint32_t x = 12345;
    while (text.size() < 300'000) {
        x = x * 1103515245u + 12345u;
        const int kind = static_cast<int>(x >> 28);
        if (kind < 8) text += static_cast<char>('a' + (x >> 8) % 26);
        else if (kind < 10) text += "\r\n";
        else if (kind < 12) text += "\xC3\xB1\xE2\x82\xAC";  // n tilde, euro
        else text += static_cast<char>(x >> 16);                 // any byte, often broken UTF-8
    }
    text += "\xF0\x9F";
    ASSERT_TRUE(WriteTextFile(dir / "whole.txt", text));
    for (size_t cut : {size_t{1}, size_t{3}, size_t{7}, size_t{65537}, text.size()}) {
        ASSERT_TRUE(WriteTextFileInPieces(dir / "pieces.txt", [&](const TextPieces& piece) {
            for (size_t at = 0; at < text.size(); at += cut) piece(std::string_view(text).substr(at, cut));
        }));
        // Compared whole: a diff of two long texts would take minutes.
        EXPECT_TRUE(dir.Read("pieces.txt") == dir.Read("whole.txt")) << "pieces of " << cut;
    }
    EXPECT_THROW(WriteTextFileInPieces(dir / "pieces.txt", [](const TextPieces&) { throw std::runtime_error("x"); }),
                 std::runtime_error);
    EXPECT_FALSE(WriteTextFileInPieces(dir / "no/such/folder.txt", [](const TextPieces& piece) { piece("x"); }));
}

TEST(Files, FileBytesGivesTheBytesAskedForAcrossWindows) {
    TempFolder dir;
    std::string data(1000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13);
    dir.Write("d.bin", data);
    for (size_t window : {4, 7, 64, 4096}) {
        auto file = FileBytes::Open(dir / "d.bin", window);
        ASSERT_TRUE(file.has_value());
        for (size_t n : {1, 3, 4}) {
            for (uint64_t pos = 0; pos <= data.size() + 2; pos += n) {
                const size_t expected = pos < data.size() ? std::min(n, data.size() - pos) : 0;
                EXPECT_EQ(file->Bytes(pos, n), std::string_view(data).substr(std::min<size_t>(pos, data.size()), expected))
                    << "window " << window << " pos " << pos << " n " << n;
            }
            // Back to the start after the end.
            EXPECT_EQ(file->Bytes(0, n), data.substr(0, n));
        }
        EXPECT_FALSE(file->Failed());
    }
}

TEST(Files, BinaryFilesAreReadWholeAndNothingElseIs) {
    TempFolder dir;
    std::string big(200'000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    dir.Write("big.bin", big);
    dir.Write("empty.bin", "");
    EXPECT_EQ(ReadBinaryFile(dir / "big.bin"), big);
    EXPECT_EQ(ReadBinaryFile(dir / "empty.bin"), "");
    EXPECT_FALSE(ReadBinaryFile(dir / "missing.bin").has_value());
    EXPECT_FALSE(ReadBinaryFile(dir.Path()).has_value());  // a folder
    EXPECT_FALSE(ReadBinaryFile("/proc/self").has_value());
}

TEST(Files, PathsAndCaseInsensitiveLookup) {
    TempFolder dir;
    EXPECT_EQ(JoinPath("/a/b", "c.dat"), "/a/b/c.dat");
    EXPECT_EQ(JoinPath("/a/b/", "/c.dat"), "/a/b/c.dat");
    dir.Write("W96F.dat", "x");
    EXPECT_EQ(FindFileNoCase(dir.Path(), "w96f.dat"), dir / "W96F.dat");
    EXPECT_EQ(FindFileNoCase(dir.Path(), "w48.dat"), "");
    EXPECT_GT(FreeDiskMegabytes(dir.Path()), 0);
    EXPECT_EQ(FreeDiskMegabytes(dir / "missing"), 0);
}

TEST(Files, ProgramFolderComesFromTheEnvironment) {
    TempFolder dir;
    setenv("VONDREL_HOME", (dir.Path() + "/").c_str(), 1);
    InitProgramFolder("/usr/bin/vondrel");
    EXPECT_EQ(ProgramFolder(), dir.Path());
    unsetenv("VONDREL_HOME");
    InitProgramFolder("/usr/bin/vondrel");
    EXPECT_NE(ProgramFolder(), dir.Path());  // the executable's folder, not the variable's
}

TEST(Files, ListSeparatorFollowsTheDecimalSeparator) {
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(LocaleListSeparator(), ",");
    SetListSeparatorForTest(";");
    EXPECT_EQ(LocaleListSeparator(), ";");
    SetListSeparatorForTest("");
    unsetenv("LC_ALL");
}

// Line by line through windows of one byte and up, and counted without
// holding a line: the lines SplitLines makes of the whole decoded text.
TEST(Files, StreamedLinesAndTheirCountMatchSplitLines) {
    TempFolder dir;
    const std::string texts[] = {"a\r\nb\nc\rd", "a\r\n", "a\r\n\r\nb", "", "\r", "\r\r\n\n", "x\r", "Ni\xF1o\r\n\x80"};
    for (const auto& text : texts) {
        dir.Write("t.dat", text);
        const auto expected = SplitLines(Cp1252ToUtf8(text));
        for (size_t window : {1, 2, 3, 65536}) {
            auto in = LineReader::Open(dir / "t.dat", window);
            ASSERT_TRUE(in.has_value());
            std::vector<std::string> lines;
            for (std::string line; in->Next(line);) lines.push_back(line);
            EXPECT_FALSE(in->Failed());
            EXPECT_EQ(lines, expected) << '"' << text << "\" window " << window;
        }
        EXPECT_EQ(CountLines(dir / "t.dat", 100), expected.size()) << '"' << text << '"';
    }
    // Counting stops one line past the limit.
    dir.Write("t.dat", "1\r\n2\r\n3\r\n4\r\n");
    EXPECT_EQ(CountLines(dir / "t.dat", 2), 3u);
    EXPECT_EQ(CountLines(dir / "t.dat", 4), 4u);
    EXPECT_FALSE(CountLines(dir / "missing.dat", 4).has_value());
    EXPECT_FALSE(LineReader::Open(dir / "missing.dat").has_value());
}
