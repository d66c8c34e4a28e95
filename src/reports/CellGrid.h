// A table of cells for the workbook export, and the locale-aware numeric test
// that both the CSV reader and the workbook writer apply.
#pragma once

#include <bit>
#include <cstdint>
#include <optional>
#include <stdexcept>
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
// Cells are kept compact (16 bytes, texts in one block of the grid), so a
// report of millions of cells costs little more than its text.
class CellGrid {
public:
    CellGrid() = default;
    CellGrid(size_t rows, size_t cols) : rows_(rows), cols_(cols), slots_(rows * cols) {}

    size_t Rows() const { return rows_; }
    size_t Cols() const { return cols_; }
    // Room for this many bytes of text, so filling the grid copies no text twice.
    void ReserveText(size_t bytes) { texts_.reserve(bytes); }

    // 1-based row and column.
    void SetText(size_t row, size_t col, std::string_view text) {
        if (text.size() > UINT32_MAX) throw std::length_error("cell text too long");
        Slot& s = At(row, col);
        s.kind = Cell::Kind::Text;
        s.bits = texts_.size();
        s.length = static_cast<uint32_t>(text.size());
        texts_.append(text);
    }
    void SetNumber(size_t row, size_t col, double v) {
        Slot& s = At(row, col);
        s.kind = Cell::Kind::Number;
        s.bits = std::bit_cast<uint64_t>(v);
        s.length = 0;
    }
    void Set(size_t row, size_t col, const Cell& c) {
        if (c.kind == Cell::Kind::Number) SetNumber(row, col, c.number);
        else SetText(row, col, c.text);
    }
    bool IsNumber(size_t row, size_t col) const { return At(row, col).kind == Cell::Kind::Number; }
    double Number(size_t row, size_t col) const { return std::bit_cast<double>(At(row, col).bits); }
    // The text of a text cell ("" for an empty cell).
    std::string_view Text(size_t row, size_t col) const {
        const Slot& s = At(row, col);
        return std::string_view(texts_).substr(s.bits, s.length);
    }
    Cell Get(size_t row, size_t col) const {
        return IsNumber(row, col) ? Cell::Number(Number(row, col)) : Cell::Text(std::string(Text(row, col)));
    }

private:
    struct Slot {
        uint64_t bits = 0;  // a number's bits, or a text's offset in texts_
        uint32_t length = 0;  // a text's length
        Cell::Kind kind = Cell::Kind::Text;
    };
    Slot& At(size_t row, size_t col) { return slots_[(row - 1) * cols_ + (col - 1)]; }
    const Slot& At(size_t row, size_t col) const { return slots_[(row - 1) * cols_ + (col - 1)]; }

    size_t rows_ = 0, cols_ = 0;
    std::vector<Slot> slots_;
    std::string texts_;
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
