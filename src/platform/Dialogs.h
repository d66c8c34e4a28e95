// Message and input boxes. Every box the program shows goes through the one
// Dialogs object installed here: the Qt implementation in the program, a
// scripted one in tests (which checks each text and gives a chosen answer).
#pragma once

#include <optional>
#include <string>

namespace vondrel::platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Reply { Ok, Cancel, Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box; returns the button pressed.
    virtual Reply Message(const std::string& text, Buttons buttons, const std::string& title) = 0;
    // A modal input box; nullopt when cancelled.
    virtual std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText) = 0;
    // A modal input box that masks what is typed (a password); nullopt when
    // cancelled. Without a masking box of its own, an implementation asks
    // through Input.
    virtual std::optional<std::string> Password(const std::string& prompt, const std::string& title) {
        return Input(prompt, title, "");
    }
};

// Without an installed implementation, boxes are written to standard error
// and answered Ok / No / Cancel.
Dialogs& CurrentDialogs();
// Installs `d` (not owned); nullptr restores the standard-error fallback.
void SetDialogs(Dialogs* d);

// Shortcuts used by the rest of the program.
void MsgBox(const std::string& text, const std::string& title = "");
bool AskYesNo(const std::string& text, const std::string& title = "");
Reply Ask(const std::string& text, Buttons buttons, const std::string& title = "");
// The text typed, or "" when the box is cancelled (as the original input box).
std::string InputBox(const std::string& prompt, const std::string& title = "",
                     const std::string& defaultText = "");
// The same for a password: what is typed is masked.
std::string PasswordBox(const std::string& prompt, const std::string& title = "");

}  // namespace vondrel::platform
