// The one setup window of the program: made on first use (unfilled; its
// Form_Load runs when it is first shown or used), unloaded when closed, and
// connected to the launcher and the main window through their hooks.
#pragma once

namespace vondrel {

class Frm_setup;

Frm_setup& FrmSetup();
bool FrmSetupLoaded();
// Deletes the window; the next use makes it afresh.
void UnloadSetupWindow();
// Sets the window hooks through which the launcher and the main window
// reach the setup window.
void InstallSetupWindow();

}  // namespace vondrel
