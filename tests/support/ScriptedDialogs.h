// Scripted message and input boxes for tests. A test lists the boxes it
// expects, in order, each with its exact text and the answer to give; any
// other box fails the test. Unanswered expectations fail it at the end.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace vondrel::testing {

class ScriptedDialogs final : public platform::Dialogs {
public:
    ScriptedDialogs();   // installs itself
    ~ScriptedDialogs() override;  // uninstalls itself and checks that every expectation was met

    // Expect a message box with this exact text, answered with `reply`.
    ScriptedDialogs& ExpectMessage(const std::string& text, platform::Reply reply = platform::Reply::Ok);
    // Expect an input box (plain or masked) with this exact prompt; nullopt answers Cancel.
    ScriptedDialogs& ExpectInput(const std::string& prompt, std::optional<std::string> answer);
    // Runs `f` while the box expected last is shown, before it is answered
    // (what the program did up to the box, e.g. the frames it had sent).
    ScriptedDialogs& WhenShown(std::function<void()> f);
    // Accept any message box (answered Ok/No/Cancel) without checking; they are recorded.
    ScriptedDialogs& AllowAnyMessages(bool allow = true);

    const std::vector<std::string>& Shown() const { return shown_; }
    // Every input box shown, with its title and default text, and whether
    // it masked what is typed.
    struct InputShown {
        std::string prompt, title, defaultText;
        bool masked = false;
    };
    const std::vector<InputShown>& Inputs() const { return inputs_; }
    // Drops unmet expectations (for tests that check them themselves).
    void Clear() { script_.clear(); }
    bool Done() const { return script_.empty(); }

    platform::Reply Message(const std::string& text, platform::Buttons buttons, const std::string& title) override;
    std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    std::optional<std::string> Password(const std::string& prompt, const std::string& title) override;

private:
    std::optional<std::string> Answer(InputShown shown);
    struct Step {
        bool input = false;
        std::string text;
        platform::Reply reply = platform::Reply::Ok;
        std::optional<std::string> answer;
        std::function<void()> whenShown;
    };
    std::deque<Step> script_;
    std::vector<std::string> shown_;
    std::vector<InputShown> inputs_;
    bool allowAny_ = false;
};

}  // namespace vondrel::testing
