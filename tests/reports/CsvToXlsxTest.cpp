// The CSV reader of the workbook export: the numeric test, the parser's rules,
// and the conversion's failures.
#include <gtest/gtest.h>

#include "ScriptedDialogs.h"
#include "TempFolder.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "reports/CsvToXlsx.h"
#include "reports/Zip.h"

namespace vondrel::reports {
// Cells in failure messages: numbers bare, texts quoted.
void PrintTo(const Cell& c, std::ostream* os) {
    if (c.kind == Cell::Kind::Number) *os << c.number;
    else *os << '"' << c.text << '"';
}
}  // namespace vondrel::reports

namespace vondrel::reports::testing {
namespace {

using vondrel::testing::ScriptedDialogs;
using vondrel::testing::TempFolder;

Cell T(const char* t) { return Cell::Text(t); }
Cell N(double v) { return Cell::Number(v); }

std::vector<std::vector<Cell>> Rows(const CellGrid& g) {
    std::vector<std::vector<Cell>> rows;
    for (size_t r = 1; r <= g.Rows(); ++r) {
        rows.emplace_back();
        for (size_t c = 1; c <= g.Cols(); ++c) rows.back().push_back(g.Get(r, c));
    }
    return rows;
}

TEST(CsvToXlsx, NumericTestFollowsTheDecimalSign) {
    struct Case {
        const char* text;
        char decimal;
        std::optional<double> value;
    };
    for (const Case& c : {
             Case{"1.5", '.', 1.5},          Case{"1.5", ',', std::nullopt},
             Case{"2,5", ',', 2.5},          Case{"2,5", '.', std::nullopt},
             Case{" -3 ", '.', -3.0},        Case{"+4.", '.', 4.0},
             Case{".5", '.', 0.5},           Case{"1,234,567.5", '.', 1234567.5},
             Case{"1.234,5", ',', 1234.5},   Case{"1,23", '.', std::nullopt},
             Case{"1234,567", '.', std::nullopt}, Case{",123", '.', std::nullopt},
             Case{"1,234,", '.', std::nullopt},   Case{"2.5E3", '.', 2500.0},
             Case{"2e-2", '.', 0.02},        Case{"2e", '.', std::nullopt},
             Case{"e5", '.', std::nullopt},  Case{"-", '.', std::nullopt},
             Case{"", '.', std::nullopt},    Case{"0x1A", '.', std::nullopt},
             Case{"inf", '.', std::nullopt}, Case{"nan", '.', std::nullopt},
             Case{"$5", '.', std::nullopt},  Case{"1e999", '.', std::nullopt},
             Case{"1 000", '.', std::nullopt}, Case{"12/03/2024", '.', std::nullopt},
             Case{"10:30", '.', std::nullopt},
         }) {
        EXPECT_EQ(ParseLocaleNumber(c.text, c.decimal), c.value) << c.text << " with " << c.decimal;
        EXPECT_EQ(IsNumberText(c.text, c.decimal), c.value.has_value()) << c.text;
    }
    platform::SetDecimalSeparatorForTest(",");
    EXPECT_EQ(DecimalSign(), ',');
    EXPECT_EQ(ParseLocaleNumber("0,25"), 0.25);
    platform::SetDecimalSeparatorForTest(".");
    EXPECT_EQ(ParseLocaleNumber("0,25"), std::nullopt);
    platform::SetDecimalSeparatorForTest("");
}

TEST(CsvToXlsx, ParserRules) {
    struct Case {
        const char* name;
        std::string text;
        const char* separator;
        char decimal;
        std::vector<std::vector<Cell>> rows;
    };
    const std::vector<Case> cases = {
        {"quoted decimal comma", "1,\"2,5\",x", ",", ',', {{N(1), N(2.5), T("x")}}},
        {"decimal comma in a point locale", "1,\"2,5\",x", ",", '.', {{N(1), T("2,5"), T("x")}}},
        {"doubled quotes", "\"\"\"hi\"\"\"", ",", '.', {{T("\"hi\"")}}},
        {"quotes anywhere", "ab\"c,d\"e", ",", '.', {{T("abc,de")}}},
        {"blanks and leading zeros", "  , 007 ", ",", '.', {{T(""), N(7)}}},
        {"short records padded", "a;b;c\nd", ";", '.', {{T("a"), T("b"), T("c")}, {T("d"), T(""), T("")}}},
        {"CR LF ends, last one adds no row", "a,1\r\nb,2\r\n", ",", '.', {{T("a"), N(1)}, {T("b"), N(2)}}},
        {"LF ends", "a,1\nb,2\n", ",", '.', {{T("a"), N(1)}, {T("b"), N(2)}}},
        {"lone CR and LF CR", "a\rb\n\rc", ",", '.', {{T("a")}, {T("b")}, {T("")}, {T("c")}}},
        {"empty line in the middle", "a\n\nb", ",", '.', {{T("a")}, {T("")}, {T("b")}}},
        {"line ends inside quotes", "\"x\r\ny\",2", ",", '.', {{T("x\r\ny"), N(2)}}},
        {"two-character separator", "a,,b\nc", ",,", '.', {{T("a,,b")}, {T("c")}}},
        {"blank separator", "Temp[\xC2\xB0" "C] 25.0 \"a b\"", " ", '.', {{T("Temp[\xC2\xB0" "C]"), N(25), T("a b")}}},
        {"multi-byte separator", "1\xC2\xA7" "2", "\xC2\xA7", '.', {{N(1), N(2)}}},
        {"trailing separator", "a,", ",", '.', {{T("a"), T("")}}},
        {"lone opening quote", "\"", ",", '.', {}},
        {"empty text", "", ",", '.', {}},
    };
    for (const Case& c : cases) {
        const CellGrid g = ParseCsvText(c.text, c.separator, c.decimal);
        EXPECT_EQ(Rows(g), c.rows) << c.name;
    }
}

TEST(CsvToXlsx, ReadFailuresAreToldAndWriteNothing) {
    TempFolder dir;
    dir.Write("empty.csv", "");
    dir.Write("quote.csv", "\"");
    ScriptedDialogs boxes;
    boxes.ExpectMessage("Error en Convertir_csv_xlsx: El archivo CSV está vacío")
        .ExpectMessage("Error en Convertir_csv_xlsx: Subscript out of range")
        .ExpectMessage("Error en Convertir_csv_xlsx: No such file or directory: " + (dir / "none.csv"));
    EXPECT_FALSE(Convertir_csv_xlsx(dir / "empty.csv", dir / "a.xlsx", ","));
    EXPECT_FALSE(Convertir_csv_xlsx(dir / "quote.csv", dir / "a.xlsx", ","));
    EXPECT_FALSE(Convertir_csv_xlsx(dir / "none.csv", dir / "a.xlsx", ","));
    EXPECT_EQ(platform::ListFolder(dir.Path()), (std::vector<std::string>{"empty.csv", "quote.csv"}));
}

TEST(CsvToXlsx, TheFileIsReadAsWindows1252) {
    TempFolder dir;
    dir.Write("r.csv", "Temp[\xB0" "C],1\r\n");
    EXPECT_EQ(ReadWholeFile(dir / "r.csv"), "Temp[\xC2\xB0" "C],1\r\n");
    EXPECT_THROW(ReadWholeFile(dir / "missing.csv"), WorkbookError);
}

}  // namespace
}  // namespace vondrel::reports::testing
