// A table of cells for the workbook export, and the locale-aware numeric test
// that both the CSV reader and the workbook writer apply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vondrel::reports {

// One cell: a text (an empty text is an empty cell) or a number.
struct Cell {
    enum class Kind : uint8_t { Text, Number };
    Kind kind = Kind::Text;
    double number = 0;
    std::string text;

    static Cell Text(std::string t) {
        Cell c;
        c.text = std::move(t);
        return c;
    }
    static Cell Number(double v) {
        Cell c;
        c.kind = Kind::Number;
        c.number = v;
        return c;
    }
    bool operator==(const Cell&) const = default;
};

// Rows 1..Rows() by columns 1..Cols(), every cell an empty text until set.
class CellGrid {
public:
    CellGrid() = default;
    CellGrid(size_t rows, size_t cols) : rows_(rows), cols_(cols), cells_(rows * cols) {}

    size_t Rows() const { return rows_; }
    size_t Cols() const { return cols_; }
    // 1-based row and column.
    Cell& At(size_t row, size_t col) { return cells_[(row - 1) * cols_ + (col - 1)]; }
    const Cell& At(size_t row, size_t col) const { return cells_[(row - 1) * cols_ + (col - 1)]; }

private:
    size_t rows_ = 0, cols_ = 0;
    std::vector<Cell> cells_;
};

// The numeric test: blanks around it allowed; an optional sign; digits, which
// may be grouped in threes by the group sign; optional decimals after the
// decimal sign; an optional exponent (E or e, optional sign, digits). The
// decimal sign is `decimal` ("," or "."), the group sign the other one of the
// two. No currency, no hexadecimal, no infinities: "2,5" is a text where the
// decimal sign is ".", "1.5" where it is ",".
bool IsNumberText(std::string_view text, char decimal);
// The same with the desktop's decimal sign.
bool IsNumberText(std::string_view text);

// The value of a text that passes IsNumberText; nullopt for any other text.
std::optional<double> ParseLocaleNumber(std::string_view text, char decimal);
std::optional<double> ParseLocaleNumber(std::string_view text);

// The desktop's decimal sign as one character.
char DecimalSign();

// `text` without its leading and trailing blanks.
std::string_view TrimBlanks(std::string_view text);

}  // namespace vondrel::reports
