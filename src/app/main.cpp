// The program's entry point: the lock of the program folder, the Qt
// application, the platform layer on top of it, and the main window, whose
// Form_Load is the start-up sequence. The exit status is 0 after a normal end
// (also one asked for by SIGTERM, SIGINT or SIGHUP) and 1 when the start-up
// failed or another copy of the program holds the program folder.
#include <QApplication>
#include <cstdio>
#include <string>

#include "device/ModCOMM.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/ProgramEnd.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramLock.h"
#include "platform/TerminationSignals.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtPlatform.h"
#include "browser/BrowserWindow.h"
#include "reports/qt/Frm_reportset.h"
#include "setup/SetupWindow.h"
#include "techpanel/Frm_Vetrol.h"

namespace {
// The automatic restart starts the new copy before the old one ends; the new
// copy waits this long for the old one's lock.
constexpr int kRestartLockWaitMs = 15000;

// False when nobody can see a window (Qt's offscreen and minimal platforms).
bool ScreenSeen() {
    const QString platform = QGuiApplication::platformName();
    return platform != "offscreen" && platform != "minimal";
}
}  // namespace

int main(int argc, char** argv) {
    namespace platform = vondrel::platform;
    platform::InitProgramFolder(argv[0]);
    // The command line as given, before Qt takes its own options out of it.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    const bool autorun = vondrel::IsAutorunSwitch(commandLine);
    // From here on an ending signal is kept until the event loop reads it.
    const int signalPipe = platform::CatchTerminationSignals();
    // Two copies on one program folder would write into the same runs. The
    // lock comes before anything is written, and lasts as long as `lock`.
    const std::string folder = platform::ProgramFolder();
    platform::ProgramFolderLock lock(folder, autorun ? platform::ScaledMs(kRestartLockWaitMs) : 0, signalPipe);
    if (lock.state() == platform::ProgramFolderLock::State::Interrupted) return 0;  // ended before it began

    // A failure no window handler caught is shown, never the end of the program.
    platform::GuardedApplication app(argc, argv);
    platform::UseApplicationFont();
    platform::InstallQtPlatform();
    if (lock.state() == platform::ProgramFolderLock::State::Busy) {
        // An unattended start never waits at a box.
        const std::string message = platform::AlreadyRunningMessage(folder);
        if (autorun || !ScreenSeen()) std::fprintf(stderr, "%s\n", message.c_str());
        else platform::MsgBox(message);
        return 1;
    }
    vondrel::EndOnTerminationSignals();
    vondrel::Hooks().closePort = [](int port) { vondrel::CommClose(static_cast<int16_t>(port)); };
    vondrel::InstallSetupWindow();
    vondrel::InstallBrowserWindow();
    vondrel::Hooks().showTechnicalPanel = [] { vondrel::ShowTechnicalPanel(); };
    vondrel::InstallReportWindows();

    vondrel::Frm_Main& main = vondrel::FrmMain();
    main.SetCommandLine(commandLine);
    if (!main.Form_Load() || vondrel::ProgramEndRequested()) return vondrel::ProgramExitStatus();
    int status = QApplication::exec();
    // A signal that came during a device operation is completed here.
    vondrel::FinishSignalEnd();
    return vondrel::ProgramEndRequested() ? vondrel::ProgramExitStatus() : status;
}
