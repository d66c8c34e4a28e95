// The Qt side of the platform layer: message and input boxes as Qt dialogs,
// the desktop opener, and event pumping through the Qt event loop.
#pragma once

#include "platform/Desktop.h"
#include "platform/Dialogs.h"

namespace vondrel::platform {

class QtDialogs final : public Dialogs {
public:
    Reply Message(const std::string& text, Buttons buttons, const std::string& title) override;
    std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    std::optional<std::string> Password(const std::string& prompt, const std::string& title) override;
};

// Opens files through QDesktopServices (the desktop's own viewer).
class QtDesktopOpener final : public DesktopOpener {
public:
    bool Open(const std::string& path) override;
    bool OpenUrl(const std::string& url) override;
};

// Installs the Qt dialogs, the desktop opener and the Qt event pump. Needs a QApplication.
void InstallQtPlatform();

// Sets the application font of every window: Liberation Sans at 8 points, the
// small sans-serif UI font the windows' designed positions are measured for.
// Call once, right after the QApplication is made.
void UseApplicationFont();

// The title of the program's boxes.
inline constexpr const char* kProgramTitle = "Vondrel";

}  // namespace vondrel::platform
