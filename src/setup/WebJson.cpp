#include "setup/WebJson.h"

#include <charconv>
#include <cmath>
#include <utility>

#include "platform/Files.h"
#include "platform/Numbers.h"

namespace vondrel::web {

namespace {

// Length of the valid UTF-8 sequence at s[i] and its code point; 0 when the
// byte there does not start one (overlong forms and surrogates are invalid).
size_t Utf8At(std::string_view s, size_t i, char32_t& cp) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    size_t len;
    char32_t min;
    if (c < 0x80) { cp = c; return 1; }
    if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; min = 0x10000; }
    else return 0;
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

// The code point at s[i] and the bytes it takes; a stray byte is its
// Windows-1252 character.
size_t CodePointAt(std::string_view s, size_t i, char32_t& cp) {
    if (size_t n = Utf8At(s, i, cp)) return n;
    const std::string one = platform::Cp1252ToUtf8(s.substr(i, 1));
    Utf8At(one, 0, cp);
    return 1;
}

void AppendHex4(std::string& out, unsigned v) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(v >> shift) & 0xF];
}

std::string Str(const std::string& text) { return "\"" + EscapeJsonString(text) + "\""; }

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The strains object: its members joined, or "" when neither is present.
std::string Strains(const std::string* name, const std::string* number) {
    std::string members;
    if (name) members += "\"name\":" + Str(*name);
    if (number) members += std::string(members.empty() ? "" : ",") + "\"number_of_animals\":" + JsonNumber(*number);
    return "\"strains\":[{" + members + "}],";
}

}  // namespace

std::string DecodeReplyBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp;
        if (size_t n = Utf8At(bytes, i, cp)) {
            out.append(bytes.substr(i, n));
            i += n;
        } else {
            out += platform::Cp1252ToUtf8(bytes.substr(i, 1));
            ++i;
        }
    }
    return out;
}

std::string JsonNumber(std::string_view text) {
    double x = Val(text);
    if (!std::isfinite(x)) x = 0;  // JSON has no infinity
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

std::string EscapeJsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        i += CodePointAt(text, i, cp);
        switch (cp) {
            case '"': out += "\\\""; continue;
            case '\\': out += "\\\\"; continue;
            case '/': out += "\\/"; continue;
            case 8: out += "\\b"; continue;
            case 9: out += "\\t"; continue;
            case 10: out += "\\n"; continue;
            case 12: out += "\\f"; continue;
            case 13: out += "\\r"; continue;
            default: break;
        }
        if (cp >= 32 && cp <= 126) {
            out += static_cast<char>(cp);
        } else if (cp < 0x10000) {
            AppendHex4(out, static_cast<unsigned>(cp));
        } else {
            const char32_t v = cp - 0x10000;
            AppendHex4(out, 0xD800 + static_cast<unsigned>(v >> 10));
            AppendHex4(out, 0xDC00 + static_cast<unsigned>(v & 0x3FF));
        }
    }
    return out;
}

std::string UnescapeJsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char mapped;
        switch (text[i + 1]) {
            case '\\': mapped = '\\'; break;
            case '/': mapped = '/'; break;
            case 'b': mapped = '\b'; break;
            case 'f': mapped = '\f'; break;
            case 'n': mapped = '\n'; break;
            case 'r': mapped = '\r'; break;
            case 't': mapped = '\t'; break;
            case '"': mapped = '"'; break;
            default: out += '\\'; continue;  // \u and unknown escapes stay whole
        }
        out += mapped;
        ++i;
    }
    return out;
}

std::string ObtenerContentDesdeRespuesta(std::string_view reply) {
    static constexpr std::string_view kKey = "\"content\":";
    size_t at = reply.find(kKey);
    if (at == std::string_view::npos) return "(no encontrado)";
    at += kKey.size();
    while (at < reply.size() && (reply[at] == ' ' || reply[at] == '\t' || reply[at] == '\r' || reply[at] == '\n'))
        ++at;
    if (at >= reply.size() || reply[at] != '"') return "(incompleto)";
    const size_t open = at;
    size_t backslashes = 0;
    for (size_t i = open + 1; i < reply.size(); ++i) {
        if (reply[i] == '\\') {
            ++backslashes;
            continue;
        }
        // A quote after an odd run of backslashes is escaped; after an even run it closes.
        if (reply[i] == '"' && backslashes % 2 == 0) return UnescapeJsonString(reply.substr(open + 1, i - open - 1));
        backslashes = 0;
    }
    return "(incompleto)";
}

std::string CorregirCaracteresUTF8MalInterpretados(std::string& text) {
    // Each sequence is a character's UTF-8 bytes read one by one as
    // Windows-1252; the replacements run in this order over the whole text.
    static const std::pair<const char*, const char*> kRepairs[] = {
        {"\u00C3\u00A1", "\u00E1"},       {"\u00C3\u00A9", "\u00E9"},       {"\u00C3\u00AD", "\u00ED"},
        {"\u00C3\u00B3", "\u00F3"},       {"\u00C3\u00BA", "\u00FA"},       {"\u00C3\u00B1", "\u00F1"},
        {"\u00C3\u0081", "\u00C1"},       {"\u00C3\u2030", "\u00C9"},       {"\u00C3\u008D", "\u00CD"},
        {"\u00C3\u201C", "\u00D3"},       {"\u00C3\u0161", "\u00DA"},       {"\u00C3\u2018", "\u00D1"},
        {"\u00E2\u20AC\u0153", "\""},    {"\u00E2\u20AC\u009D", "\""},    {"\u00E2\u20AC\u02DC", "'"},
        {"\u00E2\u20AC\u2122", "'"},     {"\u00E2\u20AC\u201C", "-"},     {"\u00E2\u20AC\u201D", "-"},
        {"\u00E2\u20AC\u00A6", "..."},   {"\u00C2", ""},                   {"\u00E2\u20AC\u00AF", " "},
        {"\u00CE\u00BC", "\u00B5"},
    };
    for (const auto& [fromText, to] : kRepairs) {
        const std::string_view from = fromText;
        std::string next;
        size_t pos = 0;
        for (size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size())
            next.append(text, pos, hit - pos).append(to);
        next.append(text, pos, std::string::npos);
        text = std::move(next);
    }
    return text;
}

std::string ExperimentJson(const ExperimentForm& f) {
    std::string j = "{\"user\":\"SN10\",\"exposition_time_minutes\":" + JsonNumber(f.lapse) +
                    ",\"organism\":" + Str(f.organism) + ",\"groups\":[{\"id\":-1,\"group_type\":\"global attribute\",";
    if (f.strainGlobal || f.orgGlobal)
        j += Strains(f.strainGlobal ? &f.globalStrain : nullptr, f.orgGlobal ? &f.globalOrgnum : nullptr);
    if (f.bufferGlobal) j += "\"buffer\":" + Str(f.globalBuffer) + ",";
    j += "\"wells\":\"all\"}";
    for (const ExperimentForm::Row& r : f.rows) {
        if (r.group.empty()) continue;
        const bool control = r.compound.empty() || Lower(r.compound) == "control" || r.conc == "0";
        j += ",{\"id\":" + JsonNumber(r.group) + ",\"group_type\":\"" + (control ? "control" : "treatment") + "\",";
        if (!f.strainGlobal || !f.orgGlobal)
            j += Strains(f.strainGlobal ? nullptr : &r.strain, f.orgGlobal ? nullptr : &r.org);
        if (!f.bufferGlobal) j += "\"buffer\":" + Str(r.buffer) + ",";
        if (!r.compound.empty()) j += "\"treatment\":" + Str(r.compound + "=" + r.conc) + ",";
        j += "\"wells\":[]}";
    }
    return j + "]}";
}

std::string ChatCompletionRequest(const std::string& experimentJson) {
    return "{\"model\":\"" + std::string(kChatModel) + "\",\"messages\":[{\"role\":\"user\",\"content\":\"" +
           std::string(kChatInstruction) + EscapeJsonString(experimentJson) + "\"}]}";
}

}  // namespace vondrel::web
