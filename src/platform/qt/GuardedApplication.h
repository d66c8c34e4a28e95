// The program's application object. Every event of every window goes through
// its notify: an exception that a handler lets out ends there, is shown as a
// message naming it, and the event loop goes on. Handlers whose failure must
// pass silently catch it themselves.
#pragma once

#include <QApplication>
#include <exception>
#include <string>

namespace vondrel::platform {

// The text shown for a failure no handler caught.
std::string UnhandledFailureMessage(const std::exception* failure);

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace vondrel::platform
