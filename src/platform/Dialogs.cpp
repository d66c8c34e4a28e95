#include "platform/Dialogs.h"

#include <cstdio>

namespace vondrel::platform {

namespace {
class StderrDialogs final : public Dialogs {
public:
    Reply Message(const std::string& text, Buttons buttons, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        switch (buttons) {
            case Buttons::Ok: return Reply::Ok;
            case Buttons::OkCancel: return Reply::Cancel;
            case Buttons::YesNo: return Reply::No;
            case Buttons::YesNoCancel: return Reply::Cancel;
        }
        return Reply::Cancel;
    }
    std::optional<std::string> Input(const std::string& prompt, const std::string&, const std::string&) override {
        std::fprintf(stderr, "%s\n", prompt.c_str());
        return std::nullopt;
    }
};

StderrDialogs g_fallback;
Dialogs* g_current = nullptr;
}  // namespace

Dialogs& CurrentDialogs() { return g_current ? *g_current : g_fallback; }
void SetDialogs(Dialogs* d) { g_current = d; }

void MsgBox(const std::string& text, const std::string& title) {
    CurrentDialogs().Message(text, Buttons::Ok, title);
}

bool AskYesNo(const std::string& text, const std::string& title) {
    return CurrentDialogs().Message(text, Buttons::YesNo, title) == Reply::Yes;
}

Reply Ask(const std::string& text, Buttons buttons, const std::string& title) {
    return CurrentDialogs().Message(text, buttons, title);
}

std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    return CurrentDialogs().Input(prompt, title, defaultText).value_or("");
}

std::string PasswordBox(const std::string& prompt, const std::string& title) {
    return CurrentDialogs().Password(prompt, title).value_or("");
}

}  // namespace vondrel::platform
