#include "mainwindow/ProgramEnd.h"

#include <QApplication>
#include <QWidget>

namespace vondrel {

namespace {
bool g_end_requested = false;
int g_exit_status = 0;
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
}

}  // namespace vondrel
