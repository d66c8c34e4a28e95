#include "setup/WebSettings.h"

#include <cstdlib>
#include <fstream>
#include <string_view>

namespace vondrel::web {

namespace {

std::string Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

void SetSeconds(long& target, const std::string& text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return;
    const long v = std::stol(text);
    if (v > 0) target = v;
}

void Set(WebSettings& s, const std::string& name, const std::string& value) {
    if (name == "annotation_host") s.annotation_host = value;
    else if (name == "annotation_page_host") s.annotation_page_host = value;
    else if (name == "chat_host") s.chat_host = value;
    else if (name == "chat_key") s.chat_key = value;
    else if (name == "ca_file") s.ca_file = value;
    else if (name == "connect_to") s.connect_to = value;
    else if (name == "connect_timeout_s") SetSeconds(s.connect_timeout_s, value);
    else if (name == "timeout_s") SetSeconds(s.timeout_s, value);
}

constexpr const char* kNames[] = {"annotation_host", "annotation_page_host", "chat_host", "chat_key",
                                  "ca_file",         "connect_to",           "connect_timeout_s", "timeout_s"};

std::string Missing(const std::string& name) {
    return "The web setting " + name + " is not set. Write \"" + name +
           " = ...\" in web.conf in the program folder, or set the variable VONDREL_" + Upper(name) + ".";
}

std::string Invalid(const std::string& name) {
    return "The web setting " + name + " is not valid. Correct it in web.conf in the program folder, or in the "
           "variable VONDREL_" + Upper(name) + ".";
}

bool HostUsable(const std::string& host) {
    for (unsigned char c : host)
        if (c == '/' || c == '@' || c == ' ' || c < 32 || c == 127) return false;
    return true;
}

bool KeyUsable(const std::string& key) {
    for (unsigned char c : key)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

std::string CheckHost(const std::string& name, const std::string& host) {
    if (host.empty()) return Missing(name);
    return HostUsable(host) ? "" : Invalid(name);
}

}  // namespace

std::optional<std::string> ProcessEnv(const std::string& name) {
    if (const char* v = std::getenv(name.c_str())) return std::string(v);
    return std::nullopt;
}

WebSettings LoadWebSettings(const std::string& folder, const EnvLookup& env) {
    WebSettings s;
    std::ifstream in(folder + "/web.conf", std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const std::string t = Trim(line);
        if (t.empty() || t[0] == '#') continue;
        const size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        Set(s, Trim(std::string_view(t).substr(0, eq)), Trim(std::string_view(t).substr(eq + 1)));
    }
    for (const char* name : kNames)
        if (auto v = env("VONDREL_" + Upper(name))) Set(s, name, Trim(*v));
    return s;
}

std::string CheckWebSettings(const WebSettings& s, WebService service) {
    switch (service) {
        case WebService::AnnotationSearch: return CheckHost("annotation_host", s.annotation_host);
        case WebService::AnnotationPage: return CheckHost("annotation_page_host", s.annotation_page_host);
        case WebService::Chat:
            if (std::string e = CheckHost("chat_host", s.chat_host); !e.empty()) return e;
            if (s.chat_key.empty()) return Missing("chat_key");
            return KeyUsable(s.chat_key) ? "" : Invalid("chat_key");
    }
    return "";
}

}  // namespace vondrel::web
