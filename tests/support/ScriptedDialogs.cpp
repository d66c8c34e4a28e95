#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace vondrel::testing {

using platform::Buttons;
using platform::Reply;

ScriptedDialogs::ScriptedDialogs() { platform::SetDialogs(this); }

ScriptedDialogs::~ScriptedDialogs() {
    platform::SetDialogs(nullptr);
    for (const auto& step : script_)
        ADD_FAILURE() << "expected " << (step.input ? "input box" : "message box") << " never shown: \""
                      << step.text << "\"";
}

ScriptedDialogs& ScriptedDialogs::ExpectMessage(const std::string& text, Reply reply) {
    script_.push_back({false, text, reply, std::nullopt, {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::ExpectInput(const std::string& prompt, std::optional<std::string> answer) {
    script_.push_back({true, prompt, Reply::Ok, std::move(answer), {}});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::WhenShown(std::function<void()> f) {
    if (script_.empty()) ADD_FAILURE() << "WhenShown without an expected box";
    else script_.back().whenShown = std::move(f);
    return *this;
}

ScriptedDialogs& ScriptedDialogs::AllowAnyMessages(bool allow) {
    allowAny_ = allow;
    return *this;
}

Reply ScriptedDialogs::Message(const std::string& text, Buttons buttons, const std::string&) {
    shown_.push_back(text);
    if (!script_.empty() && !script_.front().input && script_.front().text == text) {
        Step step = std::move(script_.front());
        script_.pop_front();
        if (step.whenShown) step.whenShown();
        const Reply r = step.reply;
        return r;
    }
    if (!allowAny_) {
        ADD_FAILURE() << "unexpected message box: \"" << text << "\""
                      << (script_.empty() ? std::string() : " (expected \"" + script_.front().text + "\")");
    }
    switch (buttons) {
        case Buttons::Ok: return Reply::Ok;
        case Buttons::YesNo: return Reply::No;
        default: return Reply::Cancel;
    }
}

std::optional<std::string> ScriptedDialogs::Input(const std::string& prompt, const std::string& title,
                                                  const std::string& defaultText) {
    return Answer({prompt, title, defaultText, false});
}

std::optional<std::string> ScriptedDialogs::Password(const std::string& prompt, const std::string& title) {
    return Answer({prompt, title, "", true});
}

std::optional<std::string> ScriptedDialogs::Answer(InputShown box) {
    const std::string prompt = box.prompt;
    shown_.push_back(prompt);
    inputs_.push_back(std::move(box));
    if (!script_.empty() && script_.front().input && script_.front().text == prompt) {
        Step step = std::move(script_.front());
        script_.pop_front();
        if (step.whenShown) step.whenShown();
        auto answer = step.answer;
        return answer;
    }
    ADD_FAILURE() << "unexpected input box: \"" << prompt << "\"";
    return std::nullopt;
}

}  // namespace vondrel::testing
