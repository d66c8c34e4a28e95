#include "reports/CsvToXlsx.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "reports/Xlsx.h"
#include "reports/Zip.h"

namespace vondrel::reports {
namespace {

// Bytes of the one UTF-8 character that `s` consists of; 0 when `s` is not
// exactly one character (so it can never match).
size_t SingleCharacterLength(std::string_view s) {
    if (s.empty()) return 0;
    const auto lead = static_cast<unsigned char>(s[0]);
    const size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    return n == s.size() ? n : 0;
}

// Application-defined failure of an empty CSV file.
constexpr int kEmptyCsvError = -2147219503;
// The failure of a CSV that holds no record.
constexpr int kNoRecordError = 9;

}  // namespace

std::string ReadWholeFile(const std::string& path) { return platform::Cp1252ToUtf8(ReadFileBytes(path)); }

Cell ConvertNumberCell(std::string_view field, char decimal) {
    const std::string_view t = TrimBlanks(field);
    if (t.empty()) return Cell{};
    if (const auto v = ParseLocaleNumber(t, decimal)) return Cell::Number(*v);
    return Cell::Text(std::string(t));
}

namespace {

// One pass of the parser. Without a grid it only finds the shape (records and
// the widest record); with one it fills the cells. A field is a slice of the
// text until a quote makes it differ from the text; then it is copied.
template <bool kFill>
void ScanCsv(std::string_view text, std::string_view separator, char decimal, size_t& records, size_t& widest,
             CellGrid* grid) {
    const size_t sepLength = SingleCharacterLength(separator);
    const size_t n = text.size();
    size_t fieldStart = 0, fieldEnd = 0;  // the slice while the field is one
    bool copying = false, fieldHasText = false, quoted = false;
    std::string copy;
    size_t cells = 0;  // of the current record
    records = 0;
    widest = 0;
    auto endField = [&](size_t next) {
        ++cells;
        if constexpr (kFill) {
            const std::string_view field = copying ? std::string_view(copy) : text.substr(fieldStart, fieldEnd - fieldStart);
            const std::string_view t = TrimBlanks(field);
            if (const auto v = t.empty() ? std::nullopt : ParseLocaleNumber(t, decimal))
                grid->SetNumber(records + 1, cells, *v);
            else if (!t.empty())
                grid->SetText(records + 1, cells, t);
        }
        copying = false;
        fieldHasText = false;
        copy.clear();
        fieldStart = fieldEnd = next;
    };
    auto endRecord = [&] {
        ++records;
        widest = std::max(widest, cells);
        cells = 0;
    };
    // An ordinary character at i joins the field.
    auto add = [&](size_t i) {
        fieldHasText = true;
        if constexpr (kFill) {
            if (copying) copy.push_back(text[i]);
            else if (i == fieldEnd) fieldEnd = i + 1;
            else if (fieldEnd == fieldStart) {
                fieldStart = i;  // nothing yet: the slice starts here
                fieldEnd = i + 1;
            } else {
                copy.assign(text.substr(fieldStart, fieldEnd - fieldStart));
                copy.push_back(text[i]);
                copying = true;
            }
        }
    };
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') add(i);
            else if (i + 1 < n && text[i + 1] == '"') {
                ++i;
                add(i);
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (sepLength > 0 && text.compare(i, sepLength, separator) == 0) {
            i += sepLength - 1;
            endField(i + 1);
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
            endField(i + 1);
            endRecord();
        } else {
            add(i);
        }
    }
    if (fieldHasText || cells > 0) {
        endField(n);
        endRecord();
    }
}

}  // namespace

CellGrid ParseCsvText(std::string_view text, std::string_view separator, char decimal) {
    size_t records = 0, widest = 0;
    ScanCsv<false>(text, separator, decimal, records, widest, nullptr);
    CellGrid grid(records, widest);
    grid.ReserveText(text.size());  // every field's text is at most its share of the CSV text
    ScanCsv<true>(text, separator, decimal, records, widest, &grid);
    return grid;
}

bool Convertir_csv_xlsx(const std::string& csvPath, const std::string& workbookPath, const std::string& separator) {
    CellGrid grid;
    try {
        const std::string text = ReadWholeFile(csvPath);
        if (text.empty()) throw WorkbookError(kEmptyCsvError, "El archivo CSV está vacío", "Convertir_csv_xlsx");
        grid = ParseCsvText(text, separator, DecimalSign());
        if (grid.Rows() == 0) throw WorkbookError(kNoRecordError, "Subscript out of range", "Convertir_csv_xlsx");
    } catch (const WorkbookError& e) {
        platform::MsgBox("Error en Convertir_csv_xlsx: " + e.description);
        return false;
    } catch (const std::bad_alloc&) {
        platform::MsgBox("Error en Convertir_csv_xlsx: Out of memory");
        return false;
    }
    return WriteXlsxFromArray(grid, workbookPath);
}

}  // namespace vondrel::reports
