// The one browser window of the program: made and loaded on first show,
// hidden by "< Back" (the list stays as it was), unloaded when closed (the
// next show makes it afresh), and connected to the launcher through its hooks.
#pragma once

namespace vondrel {

class Frm_offline;

Frm_offline& FrmOffline();
bool FrmOfflineLoaded();
void UnloadBrowserWindow();
// Sets the hooks "Analyze recorded experiments" and Play use.
void InstallBrowserWindow();

}  // namespace vondrel
