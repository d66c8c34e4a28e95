#include "browser/BrowserWindow.h"

#include "browser/Frm_offline.h"
#include "mainwindow/Windows.h"

namespace vondrel {

namespace {
Frm_offline* g_browser = nullptr;
}

Frm_offline& FrmOffline() {
    if (!g_browser) g_browser = new Frm_offline();
    return *g_browser;
}

bool FrmOfflineLoaded() { return g_browser != nullptr; }

void UnloadBrowserWindow() {
    Frm_offline* w = g_browser;
    g_browser = nullptr;
    if (w) w->deleteLater();
}

void InstallBrowserWindow() {
    WindowHooks& h = Hooks();
    h.showBrowser = [] {
        Frm_offline& w = FrmOffline();
        w.Form_Load();
        w.show();
        w.raise();
        w.activateWindow();
    };
    h.hideBrowser = [] {
        if (FrmOfflineLoaded()) FrmOffline().hide();
    };
}

}  // namespace vondrel
