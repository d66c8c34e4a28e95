#include "platform/Desktop.h"

namespace vondrel::platform {

namespace {
DesktopOpener* g_opener = nullptr;
}

void SetDesktopOpener(DesktopOpener* o) { g_opener = o; }

bool OpenWithDesktop(const std::string& path) { return g_opener != nullptr && g_opener->Open(path); }

bool OpenUrlWithDesktop(const std::string& url) { return g_opener != nullptr && g_opener->OpenUrl(url); }

}  // namespace vondrel::platform
