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

std::optional<SettingsReader> SettingsReader::Open(const std::string& path) {
    auto text = platform::ReadTextFile(path);
    if (!text) return std::nullopt;
    return SettingsReader(std::move(*text));
}

bool SettingsReader::AtEnd() const {
    for (size_t i = pos_; i < text_.size(); ++i)
        if (!IsBlank(text_[i]) && !IsLineEnd(text_[i])) return false;
    return true;
}

void SettingsReader::SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
}

void SettingsReader::ConsumeLineEnd() {
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
}

std::string SettingsReader::NextField(bool& quoted) {
    SkipBlanks();
    if (pos_ >= text_.size()) throw SettingsError("Input past end of file");
    std::string field;
    quoted = false;
    if (text_[pos_] == '"') {
        quoted = true;
        size_t close = text_.find('"', pos_ + 1);
        if (close == std::string::npos) close = text_.size();
        field = text_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close < text_.size() ? close + 1 : close;
        // Whatever stands between the closing quote and the delimiter is dropped.
        while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
    } else {
        size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_])) ++pos_;
        field = text_.substr(start, pos_ - start);
        while (!field.empty() && IsBlank(field.back())) field.pop_back();
    }
    if (pos_ < text_.size()) {
        if (text_[pos_] == ',') ++pos_;
        else ConsumeLineEnd();
    }
    return field;
}

std::string SettingsReader::ReadText() {
    bool quoted;
    return NextField(quoted);
}

double SettingsReader::ReadDouble() {
    bool quoted;
    std::string field = NextField(quoted);
    if (field.empty() && !quoted) return 0.0;
    double v;
    if (!ParseNumber(field, v)) throw SettingsError("Type mismatch");
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
    if (pos_ >= text_.size()) throw SettingsError("Input past end of file");
    size_t start = pos_;
    while (pos_ < text_.size() && !IsLineEnd(text_[pos_])) ++pos_;
    std::string line = text_.substr(start, pos_ - start);
    ConsumeLineEnd();
    return line;
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
