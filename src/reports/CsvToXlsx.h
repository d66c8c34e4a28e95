// The report's CSV file as an .xlsx workbook: the file read whole, split into
// a grid of cells by a small quote-aware parser, every field that reads as a
// number made a numeric cell, and the grid handed to the workbook writer.
#pragma once

#include <string>
#include <string_view>

#include "reports/CellGrid.h"

namespace vondrel::reports {

// Converts `csvPath` (written with `separator` between fields) into the
// workbook `workbookPath`; the CSV file stays. A CSV that cannot be read or
// holds no record shows "Error en Convertir_csv_xlsx: <description>"; the
// writer's failures show its own message. True when the workbook was made.
bool Convertir_csv_xlsx(const std::string& csvPath, const std::string& workbookPath, const std::string& separator);

// The whole file decoded from Windows-1252; "" for an empty file. Throws
// WorkbookError when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Splits CSV text into records (CR LF, LF or CR end one; a LF after a CR is
// part of that end) and fields (`separator` ends one when it is a single
// character; quotes switch quoting on and off anywhere in a field, and a
// doubled quote inside quotes is one quote). Rows are padded with empty
// texts to the widest record; a text with no record gives an empty grid.
CellGrid ParseCsvText(std::string_view text, std::string_view separator, char decimal);

// The field without its outer blanks: empty, a number (IsNumberText with
// `decimal`), or the trimmed text.
Cell ConvertNumberCell(std::string_view field, char decimal);

}  // namespace vondrel::reports
