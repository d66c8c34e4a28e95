#include "store/SettingsText.h"

#include "platform/Files.h"
#include "platform/Numbers.h"

namespace vondrel {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

std::string ReplaceQuotes(std::string_view s, bool keepLineBreaks) {
    std::string out(s);
    for (auto& c : out) {
        if (c == '"') c = '\'';
        else if (!keepLineBreaks && IsLineEnd(c)) c = ' ';
    }
    return out;
}
}  // namespace

std::optional<SettingsReader> SettingsReader::Open(const std::string& path, size_t window) {
    auto file = platform::FileBytes::Open(path, window);
    if (!file) return std::nullopt;
    return SettingsReader(std::move(*file));
}

bool SettingsReader::AtEnd() const {
    // Blank lines may run long: a later call from inside the blanks already
    // scanned takes the answer of that scan.
    if (pos_ >= scanFrom_ && pos_ <= scanTo_) return scanEnd_;
    size_t p = pos_;
    int c;
    while ((c = At(p)) >= 0 && (IsBlank(static_cast<char>(c)) || IsLineEnd(static_cast<char>(c)))) ++p;
    CheckRead();
    scanFrom_ = pos_;
    scanTo_ = p;
    scanEnd_ = c < 0;
    return scanEnd_;
}

void SettingsReader::CheckRead() const {
    if (file_ && file_->Failed()) throw SettingsError("Device I/O error");
}

std::string SettingsReader::Decoded(std::string raw) const {
    return file_ ? platform::Cp1252ToUtf8(raw) : raw;
}

void SettingsReader::SkipBlanks() {
    int c;
    while ((c = At(pos_)) >= 0 && IsBlank(static_cast<char>(c))) ++pos_;
}

void SettingsReader::ConsumeLineEnd() {
    if (At(pos_) == '\r') ++pos_;
    if (At(pos_) == '\n') ++pos_;
}

std::string SettingsReader::NextField(bool& quoted, size_t keep, bool& overlong) {
    SkipBlanks();
    CheckRead();
    if (At(pos_) < 0) throw SettingsError("Input past end of file");
    std::string field;
    overlong = false;
    auto add = [&](char c) {
        if (field.size() < keep) field += c;
        else overlong = true;
    };
    auto isDelimiter = [](int c) { return c == ',' || IsLineEnd(static_cast<char>(c)); };
    int c;
    quoted = false;
    if (At(pos_) == '"') {
        quoted = true;
        ++pos_;
        while ((c = At(pos_)) >= 0 && c != '"') {
            add(static_cast<char>(c));
            ++pos_;
        }
        if (c == '"') ++pos_;
        // Whatever stands between the closing quote and the delimiter is dropped.
        while ((c = At(pos_)) >= 0 && !isDelimiter(c)) ++pos_;
    } else {
        // Blanks inside the field are kept only when more follows them, so
        // the blanks before the delimiter never count towards `keep`.
        size_t blanks = 0;
        while ((c = At(pos_)) >= 0 && !isDelimiter(c)) {
            if (IsBlank(static_cast<char>(c))) {
                ++blanks;
            } else {
                for (; blanks > 0; --blanks) add(' ');
                add(static_cast<char>(c));
            }
            ++pos_;
        }
    }
    if (c == ',') ++pos_;
    else if (c >= 0) ConsumeLineEnd();
    CheckRead();
    return field;
}

std::string SettingsReader::ReadText() {
    bool quoted, overlong;
    return Decoded(NextField(quoted, std::string::npos, overlong));
}

void SettingsReader::SkipText() {
    bool quoted, overlong;
    NextField(quoted, 0, overlong);
}

double SettingsReader::ReadDouble() {
    // No number of any use is this long; a longer field is not read whole.
    constexpr size_t kLongestNumber = 1024;
    bool quoted, overlong;
    std::string field = NextField(quoted, kLongestNumber, overlong);
    if (field.empty() && !quoted && !overlong) return 0.0;
    double v;
    if (overlong || !ParseNumber(field, v)) throw SettingsError("Type mismatch");
    return v;
}

int16_t SettingsReader::ReadInt16() {
    try {
        return ToInt16(ReadDouble());
    } catch (const NumericError& e) {
        throw SettingsError(e.what());
    }
}

int32_t SettingsReader::ReadInt32() {
    try {
        return ToInt32(ReadDouble());
    } catch (const NumericError& e) {
        throw SettingsError(e.what());
    }
}

std::string SettingsReader::ReadLine() {
    CheckRead();
    if (At(pos_) < 0) throw SettingsError("Input past end of file");
    std::string line;
    int c;
    while ((c = At(pos_)) >= 0 && !IsLineEnd(static_cast<char>(c))) {
        line += static_cast<char>(c);
        ++pos_;
    }
    ConsumeLineEnd();
    CheckRead();
    return Decoded(std::move(line));
}

void SettingsReader::SkipLine() {
    CheckRead();
    if (At(pos_) < 0) throw SettingsError("Input past end of file");
    int c;
    while ((c = At(pos_)) >= 0 && !IsLineEnd(static_cast<char>(c))) ++pos_;
    ConsumeLineEnd();
    CheckRead();
}

void SettingsWriter::Separator() {
    if (lineStarted_) out_ += ',';
    lineStarted_ = true;
}

SettingsWriter& SettingsWriter::Text(std::string_view s) {
    Separator();
    out_ += '"';
    out_ += ReplaceQuotes(s, false);
    out_ += '"';
    return *this;
}

SettingsWriter& SettingsWriter::TextBlock(std::string_view s) {
    Separator();
    out_ += '"';
    out_ += ReplaceQuotes(s, true);
    out_ += '"';
    return *this;
}

SettingsWriter& SettingsWriter::Int(int64_t n) {
    Separator();
    out_ += std::to_string(n);
    return *this;
}

SettingsWriter& SettingsWriter::Real(double x) {
    Separator();
    out_ += FormatReal(x);
    return *this;
}

SettingsWriter& SettingsWriter::Raw(std::string_view s) {
    lineStarted_ = true;
    out_ += s;
    return *this;
}

SettingsWriter& SettingsWriter::EndLine() {
    out_ += "\r\n";
    lineStarted_ = false;
    return *this;
}

bool SettingsWriter::Save(const std::string& path) const { return platform::WriteTextFile(path, out_); }

std::vector<std::string> SplitFieldsRaw(std::string_view line) {
    std::vector<std::string> fields(1);
    bool inQuotes = false;
    for (char c : line) {
        if (c == '"') inQuotes = !inQuotes;
        if (c == ',' && !inQuotes) fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

std::optional<std::string> StorableName(std::string_view name) {
    for (char c : name)
        if (IsLineEnd(c)) return std::nullopt;
    return ReplaceQuotes(name, false);
}

}  // namespace vondrel
