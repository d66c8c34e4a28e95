// A program folder of its own for each window test, scripted boxes, shrunk
// time, and fresh windows.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "ScriptedDialogs.h"
#include "SimProcess.h"
#include "TempFolder.h"
#include "mainwindow/Frm_About.h"
#include "mainwindow/Frm_Init.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/ProgramEnd.h"
#include "mainwindow/Windows.h"
#include "device/ModCOMM.h"
#include "platform/Events.h"
#include "platform/ProgramFolder.h"
#include "platform/qt/GuardedApplication.h"
#include "platform/qt/QtPlatform.h"
#include "store/FreshFolder.h"
#include "store/Globals.h"

namespace vondrel::testing {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "mainwindow_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals go first at exit.
    static QApplication* app = [] {
        auto* a = new platform::GuardedApplication(argc, argv);
        platform::UseApplicationFont();  // the program's own font, as in main()
        return a;
    }();
    return *app;
}

class WindowTest : public ::testing::Test {
protected:
    WindowTest() {
        App();
        platform::SetProgramFolderForTest(home.Path());
        platform::SetEventPump([] { QCoreApplication::processEvents(); });
        platform::SetTimeScale(0.002);
        g_project_folder = home.Path();
        g_connected = 0;
        g_offline = 0;
        g_run_state = 0;
        g_com_port = 1;
        ResetProgramEnd();
        Hooks() = WindowHooks{};
        // Never the real restart, which would end the test program.
        Hooks().restartProgram = [] { ADD_FAILURE() << "the program would restart itself"; };
    }
    ~WindowTest() override {
        UnloadWindows();
        for (int16_t p = 1; p <= kCommPortCount; ++p) CommClose(p);
        Hooks() = WindowHooks{};
        platform::SetTimeScale(1.0);
        platform::SetReplyTimeoutScale(0);
        ResetProgramEnd();
    }

    // A complete fresh program folder.
    void Prepare() { PrepareProgramFolder(); }

    // Runs the start-up sequence with a command line.
    bool Start(const std::string& commandLine = "") {
        Frm_Main& main = FrmMain();
        main.SetCommandLine(commandLine);
        return main.Form_Load();
    }

    // Against the simulator: the program's pauses shrink by `pauseScale`,
    // while reads of the instrument's answers keep their designed time-outs,
    // which the simulator meets on a busy machine too.
    static void ScaleForSimulator(double pauseScale = 0.1) {
        platform::SetTimeScale(pauseScale);
        platform::SetReplyTimeoutScale(1.0);
    }
    // An instrument silent on purpose: pauses and unanswered reads alike
    // shrink by `scale`, so the silence costs little.
    static void ScaleForSilence(double scale = 0.01) {
        platform::SetTimeScale(scale);
        platform::SetReplyTimeoutScale(scale);
    }

    // Pumps events until `done` holds. The limit only ends a test that is
    // stuck: a busy machine may take many seconds for what takes
    // milliseconds on a quiet one.
    static constexpr int kStuckMs = 60000;
    static bool PumpUntil(const std::function<bool()>& done, int ms = kStuckMs) {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    TempFolder home;
    ScriptedDialogs boxes;
};

}  // namespace vondrel::testing
