// The text convention of every settings file: lines ended by CR LF, fields
// separated by commas, texts in double quotes, numbers bare, reals without
// trailing zeros; each data line preceded by a quoted header line.
//
// The reader takes one field at a time, the way the files were always read:
// a quoted field ends at its closing quote and may hold commas; an unquoted
// field ends at a comma or a line end, with the blanks around it dropped; a
// line end is a field separator like a comma. Any shortfall (no more data, a
// number field that is not a number, a number too large for its variable)
// raises SettingsError, which the loaders turn into their own messages.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace vondrel {

struct SettingsError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class SettingsReader {
public:
    // A reader over a text already decoded (tests and tools).
    explicit SettingsReader(std::string text) : text_(std::move(text)) {}

    // A reader that streams a settings file (decoded from the single-byte code
    // page field by field); nullopt when the file cannot be opened. It holds
    // one window of the file and the field being read, never the whole file,
    // and drops skipped fields and lines without keeping them. `window` is the
    // size of that window (tests use tiny ones).
    static std::optional<SettingsReader> Open(const std::string& path, size_t window = 1 << 16);

    // True when nothing but blanks and line ends is left.
    bool AtEnd() const;

    std::string ReadText();
    void SkipText();  // reads a text field and drops it
    double ReadDouble();
    int16_t ReadInt16();  // rounded half to even; out of range is an error
    int32_t ReadInt32();

    // The rest of the current line as it stands (a header read or skipped
    // whole); an error when no data is left.
    std::string ReadLine();
    void SkipLine();

private:
    explicit SettingsReader(platform::FileBytes file) : file_(std::move(file)) {}

    // The byte at `pos` of the text or file; -1 at the end.
    int At(size_t pos) const {
        if (!file_) return pos < text_.size() ? static_cast<unsigned char>(text_[pos]) : -1;
        return file_->At(pos);
    }
    // Reads the next raw field; `quoted` tells whether it was in quotes. At
    // most `keep` characters of it are kept; `overlong` tells whether more
    // were dropped.
    std::string NextField(bool& quoted, size_t keep, bool& overlong);
    std::string Decoded(std::string raw) const;
    void SkipBlanks();
    void ConsumeLineEnd();
    void CheckRead() const;

    std::string text_;
    mutable std::optional<platform::FileBytes> file_;
    size_t pos_ = 0;
    // The last scan of AtEnd: from scanFrom_ up to scanTo_ all is blank, and
    // scanEnd_ tells whether the data ends at scanTo_.
    mutable size_t scanFrom_ = 1, scanTo_ = 0;
    mutable bool scanEnd_ = false;
};

// Builds a settings file: fields of one line are joined by commas, every line
// ends with CR LF.
class SettingsWriter {
public:
    // A one-line text field in quotes. A double quote inside would end the
    // field early for every reader, so it is written as a single quote; line
    // breaks become blanks.
    SettingsWriter& Text(std::string_view s);
    // A text field that may span lines (comments); quotes are replaced as above.
    SettingsWriter& TextBlock(std::string_view s);
    SettingsWriter& Int(int64_t n);
    SettingsWriter& Real(double x);
    // Raw text as it stands (lines copied unchanged).
    SettingsWriter& Raw(std::string_view s);
    SettingsWriter& EndLine();
    // A header line: one quoted field.
    SettingsWriter& Header(std::string_view s) { return Text(s).EndLine(); }

    const std::string& Str() const { return out_; }
    // Replaces the file; false on any failure.
    bool Save(const std::string& path) const;

private:
    void Separator();
    std::string out_;
    bool lineStarted_ = false;
};

// Splits one line into its fields as they stand (quotes kept), at the commas
// outside quotes, so a rewrite can keep every other field byte for byte.
std::vector<std::string> SplitFieldsRaw(std::string_view line);

// A one-line name as it can be stored: double quotes become single quotes.
// Returns nullopt when the name holds a line break (it cannot be one field).
std::optional<std::string> StorableName(std::string_view name);

}  // namespace vondrel
