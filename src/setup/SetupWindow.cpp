#include "setup/SetupWindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>

#include "mainwindow/QtText.h"
#include "mainwindow/Windows.h"
#include "setup/Frm_setup.h"

namespace vondrel {

namespace {
Frm_setup* g_setup = nullptr;
}

Frm_setup& FrmSetup() {
    if (!g_setup) g_setup = new Frm_setup();
    return *g_setup;
}

bool FrmSetupLoaded() { return g_setup != nullptr; }

void UnloadSetupWindow() {
    Frm_setup* w = g_setup;
    g_setup = nullptr;
    if (w) w->deleteLater();
}

void InstallSetupWindow() {
    WindowHooks& h = Hooks();
    h.loadSetupHidden = [] { FrmSetup(); };
    h.showSetup = [] {
        Frm_setup& w = FrmSetup();
        w.EnsureLoaded();
        w.show();
        w.raise();
        w.activateWindow();
    };
    h.setSetupDescription = [](const std::string& text) { FrmSetup().Txt_description->setPlainText(Q(text)); };
    h.hideSetupAnnotation = [] {
        Frm_setup& w = FrmSetup();
        w.frm_advance->hide();
        w.chk_advance->setChecked(false);
    };
    h.hideSetup = [] {
        if (FrmSetupLoaded()) FrmSetup().hide();
    };
    h.unloadSetup = [] { UnloadSetupWindow(); };
}

}  // namespace vondrel
