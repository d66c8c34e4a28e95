#include <gtest/gtest.h>

#include "SettingsTrace.h"
#include "TempFolder.h"
#include "platform/Files.h"
#include "store/SettingsText.h"

using namespace vondrel;

TEST(SettingsText, ReadsFieldsAcrossQuotesBlanksAndLineEnds) {
    SettingsReader in("\"Header: <a>, <b>\"\r\n 3 , \"x, y\" ,-2.5\r\n\"tail\"\n7");
    EXPECT_EQ(in.ReadText(), "Header: <a>, <b>");
    EXPECT_EQ(in.ReadInt16(), 3);
    EXPECT_EQ(in.ReadText(), "x, y");
    EXPECT_EQ(in.ReadDouble(), -2.5);
    EXPECT_EQ(in.ReadText(), "tail");  // LF alone ends a line too
    EXPECT_FALSE(in.AtEnd());
    EXPECT_EQ(in.ReadInt16(), 7);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_THROW(in.ReadText(), SettingsError);
}

TEST(SettingsText, HeaderLinesCanBeSkippedWhole) {
    SettingsReader in("\"Mn1: <Organism>, <Enab_Cal>,,\"\r\n1,2\r\n");
    in.SkipLine();
    EXPECT_EQ(in.ReadInt16(), 1);
    EXPECT_EQ(in.ReadInt16(), 2);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_THROW(in.SkipLine(), SettingsError);
}

TEST(SettingsText, NumberFieldsFailOnTextAndOverflow) {
    struct { const char* text; bool ok; int value; } cases[] = {
        {"12", true, 12}, {"\"12\"", true, 12}, {"2.5", true, 2}, {"3.5", true, 4}, {"", true, 0},
        {"abc", false, 0}, {"32768", false, 0}, {"-32768", true, -32768}, {"1e9", false, 0}, {"4x", false, 0}};
    for (auto c : cases) {
        SettingsReader in(std::string(c.text) + "\r\n");
        if (c.ok) EXPECT_EQ(in.ReadInt16(), c.value) << c.text;
        else EXPECT_THROW(in.ReadInt16(), SettingsError) << c.text;
    }
}

TEST(SettingsText, TrailingBlankLinesAreTheEnd) {
    SettingsReader in("1,2\r\n\r\n  \r\n");
    in.ReadInt16();
    in.ReadInt16();
    EXPECT_TRUE(in.AtEnd());
}

TEST(SettingsText, WriterQuotesTextsAndTrimsReals) {
    SettingsWriter out;
    out.Header("<Channel>, <Threshold>");
    out.Int(17).Real(2.125).Real(3.0).Text("say \"hi\"").EndLine();
    out.TextBlock("two\r\nlines").EndLine();
    out.Text("one\r\nline").EndLine();
    EXPECT_EQ(out.Str(),
              "\"<Channel>, <Threshold>\"\r\n17,2.125,3,\"say 'hi'\"\r\n\"two\r\nlines\"\r\n\"one  line\"\r\n");
}

TEST(SettingsText, RawSplitKeepsQuotedCommas) {
    auto f = SplitFieldsRaw("4,\"Old, name\",\"C:\\a,b\\\",\"w96f\"");
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[1], "\"Old, name\"");
    EXPECT_EQ(f[2], "\"C:\\a,b\\\"");
    EXPECT_EQ(StorableName("a\"b"), "a'b");
    EXPECT_FALSE(StorableName("a\nb").has_value());
}

// The streamed reader holds only a window of the file: read through windows of
// one byte and up, every text gives the reads it gives from memory, the
// single-byte code page decoded field by field.
TEST(SettingsText, StreamedFileReadsAsTheTextDoes) {
    vondrel::testing::TempFolder dir;
    const std::vector<std::string> texts = {
        "\"Header: <a>, <b>\"\r\n 3 , \"x, y\" ,-2.5\r\n\"tail\"\n7",
        "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\"\r\n3,7,4,0\r\n",
        "\"Ni\xF1o \x80\" ,  12  x,\"open quote\r\nspans\r\nlines\r\n1,,2\r\r\n\n\n",
        "\"\"junk after, \"\" , 1e3,.5, 4 5\r\n\r\n  \r\n",
        "no line end at all, 1, \"unclosed",
        "",
        "\r\n\r\n\r\n1\r\n",
    };
    const unsigned plans[] = {0x00000000u, 0x55555555u, 0xAAAAAAAAu, 0xFFFFFFFFu, 0x1B1B1B1Bu, 0xE4E4E4E4u, 0x9C63A5F0u};
    for (size_t t = 0; t < texts.size(); ++t) {
        dir.Write("s.dat", texts[t]);
        for (unsigned plan : plans) {
            SettingsReader memory(platform::Cp1252ToUtf8(texts[t]));
            const auto expected = vondrel::testing::SettingsTrace(memory, plan);
            for (size_t window : {1, 2, 3, 7, 65536}) {
                auto streamed = SettingsReader::Open(dir / "s.dat", window);
                ASSERT_TRUE(streamed.has_value());
                EXPECT_EQ(vondrel::testing::SettingsTrace(*streamed, plan), expected)
                    << "text " << t << " plan " << std::hex << plan << std::dec << " window " << window;
            }
        }
    }
    EXPECT_FALSE(SettingsReader::Open(dir / "missing.dat").has_value());
    EXPECT_FALSE(SettingsReader::Open(dir.Path()).has_value());  // a folder is no settings file
}

// A number field longer than any number is refused without being held whole;
// the blanks before its delimiter do not make it long.
TEST(SettingsText, OverlongNumberFieldIsAMismatch) {
    SettingsReader in(std::string(5000, '1') + "," + "7" + std::string(5000, ' ') + ",\"" + std::string(5000, '2') +
                      "\"\r\n");
    EXPECT_THROW(in.ReadDouble(), SettingsError);
    EXPECT_EQ(in.ReadInt16(), 7);
    EXPECT_THROW(in.ReadDouble(), SettingsError);
    EXPECT_TRUE(in.AtEnd());
}
