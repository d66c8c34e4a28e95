// Device operations of the main window: the factory settings window, the
// station auto-calibration and auto-zero that Play runs, the whole-plate
// calibration and zeroing buttons, and the device self-test.
#include <QAction>
#include <QTimer>

#include "device/qt/Frm_Factory.h"
#include "mainwindow/Frm_Main.h"
#include "mainwindow/MainGlobals.h"
#include "mainwindow/PortHold.h"
#include "mainwindow/Windows.h"
#include "platform/Dialogs.h"

namespace vondrel {

void Frm_Main::ConnectDeviceOperations() {
    connect(mn_factory, &QAction::triggered, this, [this] { WhenPortFree(this, [this] { mn_factory_Click(); }); });
}

void Frm_Main::mn_factory_Click() {
    if (g_offline == kTrue || g_run_state > 0) {
        platform::MsgBox("Only possible to access in: ONLINE mode and STOP experiment");
        return;
    }
    hide();
    Frm_Factory& factory = FrmFactory();
    factory.show();
    factory.Timer_temp->start();
}

}  // namespace vondrel
