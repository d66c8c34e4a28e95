#include "platform/qt/GuardedApplication.h"

#include <new>

#include "platform/Dialogs.h"

namespace vondrel::platform {

std::string UnhandledFailureMessage(const std::exception* failure) {
    if (!failure) return "Unexpected Error";
    if (dynamic_cast<const std::bad_alloc*>(failure)) return "Unexpected Error: out of memory";
    return std::string("Unexpected Error: ") + failure->what();
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        MsgBox(UnhandledFailureMessage(&e));
    } catch (...) {
        MsgBox(UnhandledFailureMessage(nullptr));
    }
    return false;
}

}  // namespace vondrel::platform
