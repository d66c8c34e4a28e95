#include <gtest/gtest.h>

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
