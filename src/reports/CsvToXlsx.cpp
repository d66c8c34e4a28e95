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

CellGrid ParseCsvText(std::string_view text, std::string_view separator, char decimal) {
    const size_t sepLength = SingleCharacterLength(separator);
    std::vector<Cell> cells;        // every record's cells, one after the other
    std::vector<size_t> recordEnd;  // index in `cells` after each record
    std::string field;
    size_t recordStart = 0, widest = 0;
    bool quoted = false;
    auto endField = [&] {
        cells.push_back(ConvertNumberCell(field, decimal));
        field.clear();
    };
    auto endRecord = [&] {
        recordEnd.push_back(cells.size());
        widest = std::max(widest, cells.size() - recordStart);
        recordStart = cells.size();
    };
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') field.push_back(c);
            else if (i + 1 < n && text[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (sepLength > 0 && text.compare(i, sepLength, separator) == 0) {
            endField();
            i += sepLength - 1;
        } else if (c == '\r' || c == '\n') {
            endField();
            endRecord();
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        } else {
            field.push_back(c);
        }
    }
    if (!field.empty() || cells.size() > recordStart) {
        endField();
        endRecord();
    }
    CellGrid grid(recordEnd.size(), widest);
    size_t from = 0;
    for (size_t r = 0; r < recordEnd.size(); ++r) {
        for (size_t k = from; k < recordEnd[r]; ++k) grid.At(r + 1, k - from + 1) = std::move(cells[k]);
        from = recordEnd[r];
    }
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
