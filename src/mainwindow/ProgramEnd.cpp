#include "mainwindow/ProgramEnd.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "mainwindow/Frm_Main.h"
#include "mainwindow/PortHold.h"
#include "mainwindow/Windows.h"
#include "platform/TerminationSignals.h"

namespace vondrel {

namespace {
bool g_end_requested = false;
int g_exit_status = 0;
int g_end_signal = 0;
bool g_signal_end_done = false;

void OnTerminationSignal(int signal) {
    if (signal == 0 || g_end_signal != 0) return;
    g_end_signal = signal;
    if (PortHeld()) {
        // Inside a device operation: the open boxes and event loops return,
        // the operation ends, and main() finishes from the top.
        QCoreApplication::exit(0);
        return;
    }
    FinishSignalEnd();
}
}  // namespace

void EndProgram(int status) {
    g_end_requested = true;
    g_exit_status = status;
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    QCoreApplication::exit(status);
}

bool ProgramEndRequested() { return g_end_requested; }
int ProgramExitStatus() { return g_exit_status; }

void ResetProgramEnd() {
    g_end_requested = false;
    g_exit_status = 0;
    g_end_signal = 0;
    g_signal_end_done = false;
}

void EndOnTerminationSignals() {
    const int fd = platform::CatchTerminationSignals();
    if (fd < 0) return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [fd] { OnTerminationSignal(platform::ReadTerminationSignal(fd)); });
}

int EndSignal() { return g_end_signal; }

void FinishSignalEnd() {
    if (g_end_signal == 0 || g_signal_end_done) return;
    g_signal_end_done = true;
    FrmMain().EndOnSignal();
    EndProgram(0);
}

}  // namespace vondrel
