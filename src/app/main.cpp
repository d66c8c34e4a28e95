// The program's entry point: the Qt application, the platform layer on top of
// it, and the main window, whose Form_Load is the start-up sequence. The exit
// status is 0 after a normal end and 1 when the start-up failed.
#include <QApplication>
#include <string>

#include "device/ModCOMM.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/ProgramEnd.h"
#include "mainwindow/Windows.h"
#include "platform/ProgramFolder.h"
#include "platform/qt/QtPlatform.h"
#include "setup/SetupWindow.h"

int main(int argc, char** argv) {
    vondrel::platform::InitProgramFolder(argv[0]);
    // The command line as given, before Qt takes its own options out of it.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    QApplication app(argc, argv);
    vondrel::platform::InstallQtPlatform();
    vondrel::Hooks().closePort = [](int port) { vondrel::CommClose(static_cast<int16_t>(port)); };
    vondrel::InstallSetupWindow();

    vondrel::Frm_Main& main = vondrel::FrmMain();
    main.SetCommandLine(commandLine);
    if (!main.Form_Load() || vondrel::ProgramEndRequested()) return vondrel::ProgramExitStatus();
    int status = QApplication::exec();
    return vondrel::ProgramEndRequested() ? vondrel::ProgramExitStatus() : status;
}
