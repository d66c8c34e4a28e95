// The workbook writer: a CellGrid as a one-sheet .xlsx file (the nine XML
// parts of an Office Open XML spreadsheet package, stored in a zip archive),
// without any spreadsheet program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "reports/CellGrid.h"

namespace vondrel::reports {

// A worksheet holds at most this many rows and columns.
constexpr size_t kXlsxMaxRows = 1048576;
constexpr size_t kXlsxMaxCols = 16384;

// The exporter's name in the package's properties.
inline constexpr const char* kExporterName = "Vondrel";

// The distinct texts of the sheet in the order of their first use, a hash
// index beside them, and the count of every text cell (repeats included).
class SharedStrings {
public:
    // The index of `text`, appended when new; counts one use.
    int32_t Use(std::string_view text);
    const std::vector<std::string>& Texts() const { return texts_; }
    size_t Uses() const { return uses_; }
    // 0-based index of `text`, or -1.
    int32_t Find(std::string_view text) const;

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<std::string> texts_;
    std::unordered_map<std::string, int32_t, Hash, std::equal_to<>> index_;
    size_t uses_ = 0;
};

// 0-based index of `text` in the table (exact, case-sensitive), or -1.
int32_t FindSharedString(const SharedStrings& table, std::string_view text);

// The number as the sheet stores it: FormatReal's text with a "." decimal point.
std::string FormatNumberCell(double value);

// After trimming blanks: longer than one character, starting with "0", its
// second character neither "," nor "." (codes such as 007 stay texts).
bool IsLeadingZeroText(std::string_view text);

// The text with & < > " ' as entities (the ampersand first) and the control
// characters that XML 1.0 forbids (all below 0x20 but tab, LF and CR) dropped.
std::string EscapeXml(std::string_view text);

// Bijective base 26: 1 "A", 26 "Z", 27 "AA", 702 "ZZ", 703 "AAA"; 0 "".
std::string FormatColumnLetters(uint32_t column);

// Saves the text's bytes as they are (UTF-8, no byte-order mark), replacing
// any file of that name; throws WorkbookError on failure.
void WriteUtf8TextFile(const std::string& path, std::string_view text);

// True when `path` exists and is a folder.
bool XlsxFolderExists(const std::string& path);

// Removes a folder and everything in it. Read-only entries are made writable
// first; symbolic links are removed, never followed. Failures to delete an
// entry are ignored; a folder that cannot be listed raises WorkbookError
// (source "DeleteFolderRecursive").
void DeleteFolderRecursive(const std::string& path);

// The parts of the package. BuildWorksheetXml fills `strings` with the texts
// of the sheet for BuildSharedStringsXml; WriteWorksheetXml writes the same
// text to a file a piece at a time.
std::string BuildWorksheetXml(const CellGrid& grid, SharedStrings& strings, char decimal);
void WriteWorksheetXml(const std::string& path, const CellGrid& grid, SharedStrings& strings, char decimal);
std::string BuildSharedStringsXml(const SharedStrings& strings);
std::string StylesXml();
std::string WorkbookXml();
std::string WorkbookRelsXml();
std::string PackageRelsXml();
std::string CorePropertiesXml();
std::string AppPropertiesXml();
std::string ContentTypesXml();

// Writes the nine parts below `folder` (which must exist); throws WorkbookError.
void WriteXlsxParts(const CellGrid& grid, const std::string& folder);

// Writes the grid as the workbook `outputPath`. The parts are written in a
// fresh private temporary folder, removed afterwards in any case; the archive
// appears under its name only when complete. On failure shows
// "Error al generar XLSX: <number> - <description>" and returns false; a grid
// over a worksheet's limits writes nothing.
bool WriteXlsxFromArray(const CellGrid& grid, const std::string& outputPath);

}  // namespace vondrel::reports
