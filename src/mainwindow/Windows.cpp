#include "mainwindow/Windows.h"

#include "device/qt/Frm_Factory.h"

#include "mainwindow/Frm_About.h"
#include "mainwindow/Frm_Init.h"
#include "mainwindow/Frm_Main.h"

namespace vondrel {

namespace {
Frm_Main* g_main = nullptr;
Frm_Init* g_init = nullptr;
Frm_About* g_about = nullptr;
Frm_Factory* g_factory = nullptr;
}  // namespace

Frm_Main& FrmMain() {
    if (!g_main) g_main = new Frm_Main();
    return *g_main;
}

// Made on first use; its Form_Load runs then, as a window loads when it is
// first referred to.
Frm_Init& FrmInit() {
    if (!g_init) {
        g_init = new Frm_Init();
        g_init->Form_Load();
    }
    return *g_init;
}

Frm_About& FrmAbout() {
    if (!g_about) g_about = new Frm_About();
    return *g_about;
}

Frm_Factory& FrmFactory() {
    if (!g_factory) {
        g_factory = new Frm_Factory();
        g_factory->onUnload = [] { FrmMain().show(); };
    }
    return *g_factory;
}

bool FrmInitLoaded() { return g_init != nullptr; }

void UnloadWindows() {
    delete g_factory;
    delete g_about;
    delete g_init;
    delete g_main;
    g_factory = nullptr;
    g_about = nullptr;
    g_init = nullptr;
    g_main = nullptr;
}

WindowHooks& Hooks() {
    static WindowHooks hooks;
    return hooks;
}

}  // namespace vondrel
