// Opening a file with the desktop's own viewer or editor. The program installs
// the Qt implementation; tests install their own and see what was opened.
#pragma once

#include <string>

namespace vondrel::platform {

class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;
    // Opens the file; false when the desktop could not.
    virtual bool Open(const std::string& path) = 0;
    // Opens a web address in the desktop's browser; false when it could not.
    virtual bool OpenUrl(const std::string& /*url*/) { return false; }
};

// Installs `o` (not owned); nullptr leaves none, and every open then fails.
void SetDesktopOpener(DesktopOpener* o);
// Opens `path` with the installed opener; false when it failed or none is installed.
bool OpenWithDesktop(const std::string& path);
// Opens the web address `url` with the installed opener; false when it failed or none is installed.
bool OpenUrlWithDesktop(const std::string& url);

}  // namespace vondrel::platform
