// The program's windows: one instance each, created on first use and then
// shown or hidden. Windows of other parts of the program that the launcher
// leads to register how they are loaded and shown here, so the launcher does
// not depend on them.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vondrel {

class Frm_Main;
class Frm_Init;
class Frm_About;
class Frm_Factory;

Frm_Main& FrmMain();
Frm_Init& FrmInit();
Frm_About& FrmAbout();
// The factory settings window; its Form_Load runs when it is first made.
Frm_Factory& FrmFactory();
bool FrmInitLoaded();
// Deletes every window made here (tests start each case afresh).
void UnloadWindows();

struct WindowHooks {
    // The project setup window: loaded hidden with the launcher, shown by
    // "Setup a New Project".
    std::function<void()> loadSetupHidden;
    std::function<void()> showSetup;
    // The main window's notes copied into the setup window (">Edit", "< Back"),
    // its annotation frame hidden (">Edit"), the window hidden for a run (Play),
    // and the window unloaded after it was closed.
    std::function<void(const std::string&)> setSetupDescription;
    std::function<void()> hideSetupAnnotation;
    std::function<void()> hideSetup;
    std::function<void()> unloadSetup;
    // The recorded-data browser, shown by "Analyze recorded experiments".
    std::function<void()> showBrowser;
    // Opening a recording in the browser hands its organism (0..3), detection
    // method and threshold text ("1.8") to the report window.
    std::function<void(int organism, int method, const std::string& threshold)> setReportSettings;
    // Hides the browser for a run (Play); nothing when it is not loaded.
    std::function<void()> hideBrowser;
    // The technical panel, shown by the technical menu after its password.
    std::function<void()> showTechnicalPanel;
    // Closes the instrument's serial port (given the COM number).
    std::function<void(int)> closePort;
    // Starts a new copy of the program with "/run" and ends this one at once
    // (the automatic restart after lasting communication faults). Tests
    // replace it; unset, the program restarts itself.
    std::function<void()> restartProgram;
    // The report window: its bin size set (loading the window first), its
    // automatic report ticked at the end of a run, and the window shown on an
    // acquisition folder (with the histogram layout offered when the folder
    // holds histogram files). A caption, when given, becomes the window's
    // caption; basal items, when given, replace the basal choices (the first
    // one selected). The report settings dialog, shown.
    std::function<void(const std::string&)> setReportBinSize;
    std::function<void()> tickAutoReport;
    std::function<void(const std::string& folder, bool histogram, const std::string& caption,
                       const std::vector<std::string>& basal)>
        showReport;
    // The report window's custom spacer as typed (the browser's joint report
    // separates its columns with it).
    std::function<std::string()> reportSpacer;
    std::function<void()> showReportSettings;
};
WindowHooks& Hooks();

}  // namespace vondrel
