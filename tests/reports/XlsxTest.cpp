// The workbook writer: the cells of the sheet, the shared strings, the fixed
// parts byte for byte, the helpers, the work folder and its clean-up.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "DecimalCommaLocale.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "reports/Xlsx.h"
#include "reports/Zip.h"

namespace vondrel::reports::testing {
namespace {

using vondrel::testing::ScriptedDialogs;
using vondrel::testing::TempFolder;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

CellGrid Row(std::initializer_list<Cell> cells) {
    CellGrid g(1, cells.size());
    size_t k = 1;
    for (const auto& c : cells) g.Set(1, k++, c);
    return g;
}

// The sheet's rows between <sheetData>\r\n and </sheetData>.
std::string SheetRows(const std::string& xml) {
    const std::string open = "<sheetData>\r\n", close = "</sheetData>";
    const size_t a = xml.find(open), b = xml.find(close);
    if (a == std::string::npos || b == std::string::npos) return "?";
    return xml.substr(a + open.size(), b - a - open.size());
}

TEST(Xlsx, CellsOfEachKindAndTheirSharedStrings) {
    SharedStrings s;
    const CellGrid g = Row({Cell::Number(1.5), Cell::Text("007"), Cell::Text(""), Cell::Text("a&b")});
    const std::string sheet = BuildWorksheetXml(g, s, '.');
    EXPECT_EQ(sheet, kDecl + "<worksheet xmlns=\"" + kMain +
                         "\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                         "<sheetData>\r\n"
                         "<row r=\"1\"><c r=\"A1\"><v>1.5</v></c><c r=\"B1\" t=\"s\"><v>0</v></c><c r=\"C1\"/>"
                         "<c r=\"D1\" t=\"s\"><v>1</v></c></row>\r\n"
                         "</sheetData></worksheet>");
    EXPECT_EQ(BuildSharedStringsXml(s), kDecl + "<sst xmlns=\"" + kMain + "\" count=\"2\" uniqueCount=\"2\">\r\n" +
                                            "<si><t xml:space=\"preserve\">007</t></si>\r\n"
                                            "<si><t xml:space=\"preserve\">a&amp;b</t></si>\r\n</sst>");

    // One text three times: three uses of one entry. Texts that read as
    // numbers are numbers; non-finite numbers are texts.
    SharedStrings t;
    CellGrid h(2, 3);
    for (auto [r, c] : std::vector<std::pair<size_t, size_t>>{{1, 1}, {1, 3}, {2, 2}}) h.SetText(r, c, "x");
    h.SetText(1, 2, " -1,234.5e2 ");
    h.SetNumber(2, 1, std::numeric_limits<double>::infinity());
    h.SetText(2, 3, "0.5");
    EXPECT_EQ(SheetRows(BuildWorksheetXml(h, t, '.')),
              "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>-123450</v></c>"
              "<c r=\"C1\" t=\"s\"><v>0</v></c></row>\r\n"
              "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>1</v></c><c r=\"B2\" t=\"s\"><v>0</v></c>"
              "<c r=\"C2\"><v>0.5</v></c></row>\r\n");
    EXPECT_EQ(t.Uses(), 4u);
    EXPECT_EQ(t.Texts(), (std::vector<std::string>{"x", "INF"}));
    EXPECT_EQ(FindSharedString(t, "x"), 0);
    EXPECT_EQ(FindSharedString(t, "INF"), 1);
    EXPECT_EQ(FindSharedString(t, "X"), -1);

    SharedStrings thrice;
    BuildWorksheetXml(Row({Cell::Text("same"), Cell::Text("same"), Cell::Text("same")}), thrice, '.');
    EXPECT_EQ(BuildSharedStringsXml(thrice), kDecl + "<sst xmlns=\"" + kMain + "\" count=\"3\" uniqueCount=\"1\">\r\n" +
                                                 "<si><t xml:space=\"preserve\">same</t></si>\r\n</sst>");

    SharedStrings none;
    EXPECT_EQ(BuildSharedStringsXml(none), kDecl + "<sst xmlns=\"" + kMain + "\" count=\"0\" uniqueCount=\"0\">\r\n</sst>");
    EXPECT_EQ(BuildWorksheetXml(CellGrid(), none, '.'),
              kDecl + "<worksheet xmlns=\"" + kMain +
                  "\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                  "<sheetData>\r\n</sheetData></worksheet>");
}

TEST(Xlsx, NumbersAreWrittenWithAPointWhateverTheDecimalSign) {
    vondrel::testing::DecimalCommaLocale locale;  // the C library's locale too, where it can be had
    platform::SetDecimalSeparatorForTest(",");
    SharedStrings s;
    const CellGrid g = Row({Cell::Number(2.5), Cell::Text("2,5"), Cell::Text("1.5"), Cell::Text("1.234,5"),
                            Cell::Number(1e20), Cell::Text("0,5"), Cell::Text("01,5")});
    EXPECT_EQ(SheetRows(BuildWorksheetXml(g, s, DecimalSign())),
              "<row r=\"1\"><c r=\"A1\"><v>2.5</v></c><c r=\"B1\"><v>2.5</v></c><c r=\"C1\" t=\"s\"><v>0</v></c>"
              "<c r=\"D1\"><v>1234.5</v></c><c r=\"E1\"><v>1E+20</v></c><c r=\"F1\"><v>0.5</v></c>"
              "<c r=\"G1\" t=\"s\"><v>1</v></c></row>\r\n");
    EXPECT_EQ(FormatNumberCell(2.5), "2.5");
    platform::SetDecimalSeparatorForTest("");
}

TEST(Xlsx, ColumnLettersLeadingZerosAndEscaping) {
    struct Col {
        uint32_t n;
        const char* letters;
    };
    for (const Col& c : {Col{0, ""}, Col{1, "A"}, Col{26, "Z"}, Col{27, "AA"}, Col{52, "AZ"}, Col{53, "BA"},
                         Col{702, "ZZ"}, Col{703, "AAA"}, Col{16384, "XFD"}})
        EXPECT_EQ(FormatColumnLetters(c.n), c.letters) << c.n;

    struct Lead {
        const char* text;
        bool kept;
    };
    for (const Lead& l : {Lead{"007", true}, Lead{" 01 ", true}, Lead{"0", false}, Lead{"0.5", false},
                          Lead{"0,5", false}, Lead{"10", false}, Lead{"", false}})
        EXPECT_EQ(IsLeadingZeroText(l.text), l.kept) << l.text;

    EXPECT_EQ(EscapeXml("\"'<>&"), "&quot;&apos;&lt;&gt;&amp;");
    EXPECT_EQ(EscapeXml("&amp;"), "&amp;amp;");
    // Characters that XML 1.0 cannot carry are dropped; tab, LF, CR and UTF-8 stay.
    EXPECT_EQ(EscapeXml(std::string("a\x00\x01\x08\x0B\x0C\x0E\x1F\t\n\rb\xC2\xB0", 15)), "a\t\n\rb\xC2\xB0");
}

TEST(Xlsx, FixedPartsByteForByte) {
    const std::string docRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string pkgRel = "http://schemas.openxmlformats.org/package/2006/relationships";
    EXPECT_EQ(StylesXml(),
              kDecl + "<styleSheet xmlns=\"" + kMain + "\">" +
                  "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts><fills count=\"2\">"
                  "<fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill>"
                  "</fills><borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
                  "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
                  "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
                  "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
                  "</styleSheet>");
    EXPECT_EQ(WorkbookXml(), kDecl + "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + docRel + "\">" +
                                 "<sheets><sheet name=\"Hoja1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    EXPECT_EQ(WorkbookRelsXml(),
              kDecl + "<Relationships xmlns=\"" + pkgRel + "\">" + "<Relationship Id=\"rId1\" Type=\"" + docRel +
                  "/worksheet\" Target=\"worksheets/sheet1.xml\"/>" + "<Relationship Id=\"rId2\" Type=\"" + docRel +
                  "/styles\" Target=\"styles.xml\"/>" + "<Relationship Id=\"rId3\" Type=\"" + docRel +
                  "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>");
    EXPECT_EQ(PackageRelsXml(),
              kDecl + "<Relationships xmlns=\"" + pkgRel + "\">" + "<Relationship Id=\"rId1\" Type=\"" + docRel +
                  "/officeDocument\" Target=\"xl/workbook.xml\"/>" + "<Relationship Id=\"rId2\" Type=\"" + pkgRel +
                  "/metadata/core-properties\" Target=\"docProps/core.xml\"/>" + "<Relationship Id=\"rId3\" Type=\"" +
                  docRel + "/extended-properties\" Target=\"docProps/app.xml\"/></Relationships>");
    EXPECT_EQ(CorePropertiesXml(),
              kDecl +
                  "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
                  "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
                  "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
                  "<dc:title>Export Vondrel</dc:title><dc:creator>Vondrel</dc:creator></cp:coreProperties>");
    EXPECT_EQ(AppPropertiesXml(),
              kDecl + "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
                      "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
                      "<Application>Vondrel Exporter</Application></Properties>");
    EXPECT_EQ(ContentTypesXml(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "<Override PartName=\"/xl/workbook.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
              "<Override PartName=\"/xl/sharedStrings.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
              "<Override PartName=\"/xl/styles.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
              "<Override PartName=\"/docProps/core.xml\" "
              "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
              "<Override PartName=\"/docProps/app.xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
              "</Types>");
}

TEST(Xlsx, DeleteFolderRecursiveEmptiesEverythingButALinksTarget) {
    TempFolder dir;
    dir.Write("gone/plain.txt", "1");
    dir.Write("gone/readonly.txt", "2");
    dir.Write("gone/.hidden", "3");
    dir.Write("gone/locked/inner.txt", "4");
    dir.Write("gone/deep/er/x", "5");
    dir.Write("kept/target.txt", "6");
    ::chmod((dir / "gone/readonly.txt").c_str(), 0444);
    ::chmod((dir / "gone/locked").c_str(), 0555);
    ::chmod((dir / "kept/target.txt").c_str(), 0444);
    std::filesystem::create_symlink(dir / "kept/target.txt", dir / "gone/link");
    std::filesystem::create_directory_symlink(dir / "kept", dir / "gone/linkdir");
    DeleteFolderRecursive(dir / "gone/");
    EXPECT_FALSE(dir.Exists("gone"));
    EXPECT_EQ(dir.Read("kept/target.txt"), "6");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "kept/target.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);  // the link's target keeps its mode
    EXPECT_TRUE(XlsxFolderExists(dir / "kept"));
    EXPECT_FALSE(XlsxFolderExists(dir / "kept/target.txt"));
    EXPECT_FALSE(XlsxFolderExists(dir / "gone"));
    DeleteFolderRecursive(dir / "gone");  // nothing there: nothing to do
}

// The temporary folder of the process for one test.
struct PrivateTemp {
    TempFolder tmp;
    std::string previous;
    bool had = false;
    PrivateTemp() {
        if (const char* p = std::getenv("TMPDIR")) {
            previous = p;
            had = true;
        }
        ::setenv("TMPDIR", tmp.Path().c_str(), 1);
    }
    ~PrivateTemp() {
        if (had) ::setenv("TMPDIR", previous.c_str(), 1);
        else ::unsetenv("TMPDIR");
    }
};

TEST(Xlsx, TheWorkbookPacksTheNinePartsAndLeavesNoWorkFolder) {
    TempFolder out;
    PrivateTemp temp;
    platform::SetClockForTest([] { return platform::FromLocal({2024, 1, 31, 15, 30, 5}); });
    ScriptedDialogs boxes;
    ASSERT_TRUE(WriteXlsxFromArray(Row({Cell::Number(1), Cell::Text("a")}), out / "book.xlsx"));
    platform::SetClockForTest({});
    EXPECT_TRUE(platform::ListFolder(temp.tmp.Path()).empty());
    EXPECT_EQ(platform::ListFolder(out.Path()), std::vector<std::string>{"book.xlsx"});

    // The members in order, each with its part's bytes.
    const std::string zip = out.Read("book.xlsx");
    std::vector<std::string> names, data;
    size_t pos = 0;
    while (pos + 30 <= zip.size() && zip.compare(pos, 4, "PK\x03\x04") == 0) {
        auto u = [&](size_t at, int width) {
            uint32_t v = 0;
            for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(zip[at + i]);
            return v;
        };
        const uint32_t size = u(pos + 18, 4), nameLength = u(pos + 26, 2);
        names.push_back(zip.substr(pos + 30, nameLength));
        data.push_back(zip.substr(pos + 30 + nameLength, size));
        pos += 30 + nameLength + size;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "docProps/app.xml",
                                               "docProps/core.xml", "xl/sharedStrings.xml", "xl/styles.xml",
                                               "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                                               "xl/worksheets/sheet1.xml"}));
    ASSERT_EQ(data.size(), 9u);
    EXPECT_EQ(data[0], ContentTypesXml());
    EXPECT_EQ(data[1], PackageRelsXml());
    EXPECT_EQ(data[2], AppPropertiesXml());
    EXPECT_EQ(data[3], CorePropertiesXml());
    EXPECT_EQ(SheetRows(data[8]), "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>0</v></c></row>\r\n");
}

TEST(Xlsx, FailuresAreToldAndLeaveNothingBehind) {
    TempFolder out;
    PrivateTemp temp;
    out.Write("old.xlsx", "old");
    {
        // Over a worksheet's size: told, nothing written, nothing removed.
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Error al generar XLSX: 27 - a worksheet holds at most 1048576 rows and 16384 columns, "
                            "the table has 1 rows and 16385 columns: " + (out / "old.xlsx"));
        EXPECT_FALSE(WriteXlsxFromArray(CellGrid(1, kXlsxMaxCols + 1), out / "old.xlsx"));
        boxes.ExpectMessage("Error al generar XLSX: 27 - a worksheet holds at most 1048576 rows and 16384 columns, "
                            "the table has 1048577 rows and 1 columns: " + (out / "old.xlsx"));
        EXPECT_FALSE(WriteXlsxFromArray(CellGrid(kXlsxMaxRows + 1, 1), out / "old.xlsx"));
    }
    EXPECT_EQ(out.Read("old.xlsx"), "old");
    {
        // The archive cannot be renamed into place: the work folder and the temporary go.
        ScriptedDialogs boxes;
        boxes.ExpectMessage("Error al generar XLSX: 5 - Input/output error: " + (out / "new.xlsx"));
        SetZipFaultForTest([](std::string_view step) { return step != "rename"; });
        EXPECT_FALSE(WriteXlsxFromArray(Row({Cell::Text("a")}), out / "new.xlsx"));
        SetZipFaultForTest({});
        boxes.ExpectMessage("Error al generar XLSX: 2 - No such file or directory: " + (out / "no/new.xlsx"));
        EXPECT_FALSE(WriteXlsxFromArray(Row({Cell::Text("a")}), out / "no/new.xlsx"));
    }
    EXPECT_EQ(platform::ListFolder(out.Path()), std::vector<std::string>{"old.xlsx"});
    EXPECT_TRUE(platform::ListFolder(temp.tmp.Path()).empty());
}

}  // namespace
}  // namespace vondrel::reports::testing
