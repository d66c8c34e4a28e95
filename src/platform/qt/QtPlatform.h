// The Qt side of the platform layer: message and input boxes as Qt dialogs,
// and event pumping through the Qt event loop.
#pragma once

#include "platform/Dialogs.h"

namespace vondrel::platform {

class QtDialogs final : public Dialogs {
public:
    Reply Message(const std::string& text, Buttons buttons, const std::string& title) override;
    std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
};

// Installs the Qt dialogs and the Qt event pump. Needs a QApplication.
void InstallQtPlatform();

// The title of the program's boxes.
inline constexpr const char* kProgramTitle = "Vondrel";

}  // namespace vondrel::platform
